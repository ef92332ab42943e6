#!/usr/bin/env python3
"""tessmark-cli as a production line drives it: the conversion report and its warnings, inspect,
download --verify against the emulated unit, strict number arguments, and --json on every
command, each JSON object read back with Python's own parser.

usage: cli_production_test.py TESSMARK_CLI [DATA_DIR]
Ends with "cli_production: N passed, N failed"; exit status 1 when anything failed."""

import json
import os
import shutil
import subprocess
import sys
import tempfile

CLI = os.path.abspath(sys.argv[1])
DATA = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else os.path.join(os.path.dirname(__file__), "../../data")
passed = failed = 0


def check(what, ok, detail=""):
    global passed, failed
    if ok:
        passed += 1
        print("ok   " + what)
    else:
        failed += 1
        print("FAIL " + what + (("\n     " + detail.replace("\n", "\n     ")) if detail else ""))


def run(args, env=None, cwd=None):
    e = dict(os.environ)
    e.update(env or {})
    p = subprocess.run([CLI] + args, capture_output=True, env=e, cwd=cwd)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def run_json(args, env=None, cwd=None):
    """Runs with --json; stdout must be exactly one JSON object."""
    code, out, err = run(args + ["--json"], env, cwd)
    try:
        obj = json.loads(out)
        if not isinstance(obj, dict):
            raise ValueError("not an object")
    except ValueError as ex:
        check("%s --json gives one JSON object" % " ".join(args[:1]), False, "%s\n%s" % (ex, out))
        return code, {}, err
    return code, obj, err


# --- record builders -------------------------------------------------------------------------
def hex_record(rtype, address, data):
    b = [len(data), (address >> 8) & 0xFF, address & 0xFF, rtype] + list(data)
    return ":" + "".join("%02X" % x for x in b) + "%02X" % ((-sum(b)) & 0xFF)


def linear(upper):
    return hex_record(0x04, 0, [(upper >> 8) & 0xFF, upper & 0xFF])


EOF_RECORD = ":00000001FF"


def write(path, lines):
    with open(path, "w", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def main():
    work = tempfile.mkdtemp(prefix="tessmark-cli-production-")
    # The verification's temporary folder must not stay behind: give it a private TMPDIR.
    tmp = os.path.join(work, "tmp")
    os.mkdir(tmp)
    env = {"TMPDIR": tmp, "TMP": tmp, "TEMP": tmp}
    try:
        converts(work, env)
        strict_numbers(work)
        inspects(work)
        verifies(work, env, tmp)
        every_command_json(work, env)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("cli_production: %d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


# --- convert: the report and its warnings ------------------------------------------------------
def converts(work, env):
    clean = os.path.join(DATA, "sample.hex")
    sparse = os.path.join(work, "sparse.hex")
    # 16 bytes at 0, 4 bytes at 0x01000000 (like a UICR word far above the code): a 16 MiB image.
    write(sparse, [hex_record(0, 0, range(16)), linear(0x0100), hex_record(0, 0, [1, 2, 3, 4]), EOF_RECORD])
    unknown = os.path.join(work, "universal.hex")
    # Records of types 0A and 0D between the data, as in a two-board "universal" file.
    write(unknown, [hex_record(0x0A, 0, [0x99, 0x01]), hex_record(0, 0x100, [0x11] * 16),
                    hex_record(0x0D, 0, [0] * 4), hex_record(0x0A, 0, [0x9A, 0x01]),
                    hex_record(0, 0x110, [0x22] * 16), EOF_RECORD])

    cases = [
        # name, source, extra args, expected stdout report lines, expected warning kinds, json checks
        ("clean", clean, [], ["Address range  00001000h-00001103h", "Data bytes     260",
                               "Fill share     0.00 %"], [],
         {"start": "00001000", "end": "00001103", "data_bytes": 260, "fill_percent": 0.0,
          "image_bytes": 772, "checksum": "82BA"}),
        ("manual domain", clean, ["--start", "F00", "--end", "0x1203"],
         ["Address range  00000F00h-00001203h", "Data bytes     260", "Fill share     66.32 %"], [],
         {"start": "00000F00", "end": "00001203", "data_bytes": 260, "addresses": 0x304,
          "domain": "manual"}),
        ("sparse", sparse, [], ["Address range  00000000h-01000003h", "Data bytes     20", "Fill share     100.00 %"],
         ["sparse-image"], {"image_bytes": 512 + 0x1000004, "data_bytes": 20}),
        ("unknown record types", unknown, [], ["Data bytes     32"], ["ignored-records"],
         {"data_bytes": 32, "start": "00000100", "end": "0000011F"}),
        ("word mode", clean, ["--type", "4byte"], ["Image size     1536 bytes", "Fill share     49.22 %"], [],
         {"type": "4byte", "addresses": 512, "data_bytes": 260}),
    ]
    for name, source, extra, lines, kinds, fields in cases:
        hxw = os.path.join(work, name.replace(" ", "-") + ".hxw")
        code, out, err = run(["convert", source, hxw] + extra)
        check("convert %s: exit 0" % name, code == 0, err)
        first = out.splitlines()[0] if out else ""
        check("convert %s: the result line comes first, unchanged" % name,
              first.startswith("Creation of a %s file was completed.  Checksum :" % os.path.basename(hxw)), out)
        for line in lines:
            check("convert %s: reports '%s'" % (name, line), any(l.startswith(line) for l in out.splitlines()), out)
        warned = [l for l in err.splitlines() if l.startswith("warning: ")]
        check("convert %s: %d warning(s) on stderr" % (name, len(kinds)), len(warned) == len(kinds), err)
        code, obj, _ = run_json(["convert", source, hxw] + extra)
        check("convert %s --json: result 0, exit 0" % name, code == 0 and obj.get("result") == 0 and obj.get("exit") == 0,
              str(obj))
        check("convert %s --json: message is the result line" % name, obj.get("message") == first, str(obj))
        for key, value in fields.items():
            check("convert %s --json: %s = %r" % (name, key, value), obj.get(key) == value, "got %r" % obj.get(key))
        check("convert %s --json: warnings %s" % (name, kinds),
              [w.get("kind") for w in obj.get("warnings", [])] == kinds, str(obj.get("warnings")))
        for w in obj.get("warnings", []):
            d = w.get("details", {})
            if w.get("kind") == "sparse-image":
                check("sparse warning names the ranges and the crop",
                      "00000000h-0000000Fh" in w["text"] and "01000000h-01000003h" in w["text"]
                      and "--start 00000000 --end 0000000F" in w["text"], w["text"])
                check("sparse warning's details", d.get("crop_start") == "00000000" and d.get("crop_end") == "0000000F"
                      and [r["bytes"] for r in d.get("data_ranges", [])] == [16, 4], str(d))
            if w.get("kind") == "ignored-records":
                check("ignored-records warning: count 3, first on line 1, types 0A and 0D",
                      d.get("count") == 3 and d.get("first_line") == 1 and d.get("types") == ["0A", "0D"], str(d))
                check("ignored-records warning names the source line", "universal.hex:1" in w["text"], w["text"])

    # A failed conversion: code, message and the source line in JSON, exit 1, nothing on stdout but JSON.
    bad = os.path.join(work, "bad.hex")
    write(bad, [":0100000001FF"])
    code, obj, err = run_json(["convert", bad, os.path.join(work, "bad.hxw")])
    check("convert of a defective source --json: exit 1, result 0x5003",
          code == 1 and obj.get("exit") == 1 and obj.get("result") == 0x5003 and obj.get("result_hex") == "5003", str(obj))
    check("convert of a defective source --json: message and detail",
          obj.get("message") == "HEX Data error(03)" and "bad.hex:1" in obj.get("detail", ""), str(obj))
    check("convert of a defective source: the error line stays on stderr", err.startswith("error 0x5003:"), err)


# --- strict numbers ----------------------------------------------------------------------------
def strict_numbers(work):
    src = os.path.join(DATA, "sample.hex")
    hxw = os.path.join(work, "strict.hxw")
    cases = [
        # args, accepted, option named in the problem
        (["--start", "1000", "--end", "1G00"], False, "--end"),
        (["--start", "1000", "--end", "1000000000F"], False, "--end"),
        (["--start", "xyz", "--end", "2000"], False, "--start"),
        (["--start", "", "--end", "2000"], False, "--start"),
        (["--start", "0x", "--end", "2000"], False, "--start"),
        (["--start", " 1000", "--end", "2000"], False, "--start"),
        (["--start", "-1", "--end", "2000"], False, "--start"),
        (["--start", "100000000", "--end", "2000"], False, "--start"),
        (["--start", "1000", "--end", "0x12FF"], True, None),
        (["--start", "00001000", "--end", "FFFFFFFF"], True, None),
    ]
    for extra, accepted, option in cases:
        if os.path.exists(hxw):
            os.remove(hxw)
        code, out, err = run(["convert", src, hxw] + extra)
        what = "convert %s" % " ".join(repr(a) for a in extra)
        if accepted:
            check(what + ": accepted", code == 0, err)
        else:
            check(what + ": usage error, exit 2", code == 2, "exit %d %s" % (code, err))
            check(what + ": names %s" % option, err.startswith("tessmark-cli: %s: " % option), err)
            check(what + ": nothing written", not os.path.exists(hxw))
    for extra, option in [(["--kind", "crc", "--crc-init", "FFFFG"], "--crc-init"),
                          (["--kind", "ones", "--start", "1000", "--end", "10x3"], "--end")]:
        run(["convert", src, hxw])
        code, obj, err = run_json(["checksum", hxw] + extra)
        check("checksum %s: exit 2 naming %s" % (" ".join(extra), option),
              code == 2 and obj.get("exit") == 2 and obj.get("usage_error", "").startswith(option + ":"), str(obj))


# --- inspect -----------------------------------------------------------------------------------
def inspects(work):
    src = os.path.join(DATA, "sample.hex")
    good = os.path.join(work, "good.hxw")
    run(["convert", src, good])
    body = open(good, "rb").read()

    def variant(name, data):
        path = os.path.join(work, name + ".hxw")
        with open(path, "wb") as f:
            f.write(data)
        return path

    w4 = os.path.join(work, "w4.hxw")
    w8 = os.path.join(work, "w8.hxw")
    s720 = os.path.join(work, "s720.hxw")
    run(["convert", src, w4, "--type", "4byte"])
    run(["convert", os.path.join(DATA, "sample.s19"), w8, "--type", "8byte"])
    run(["convert", os.path.join(DATA, "sample-720.hex"), s720, "--type", "720"])
    flipped = bytearray(body)
    flipped[600] ^= 0x01
    w4bad = bytearray(open(w4, "rb").read())
    w4bad[768] = 0x02
    sparse = variant("holes", body[:512] + b"\x11" * 10 + b"\xff" * 100 + b"\x22" * 10 + b"\xff" * 140)
    cases = [
        # name, path, exit, problem text (part), json checks
        ("good", good, 0, None, {"start": "00001000", "end": "00001103", "type": 0, "body_bytes": 260,
                                 "expected_body_bytes": 260, "stored_checksum": "82BA", "computed_checksum": "82BA"}),
        ("4byte", w4, 0, None, {"type": 2, "word_mode": "4byte", "mode_byte": 4, "body_bytes": 1024}),
        ("8byte", w8, 0, None, {"type": 2, "word_mode": "8byte", "mode_byte": 8}),
        ("720 series", s720, 0, None, {"type": 1, "type_name": "720 Series", "body_bytes": 512}),
        ("truncated", variant("truncated", body[:-7]), 1, "the body is 253 bytes, the header's range needs 260",
         {"body_bytes": 253, "computed_checksum": None}),
        ("header only part", variant("short", body[:300]), 1, "shorter than its 512-byte header", {"file_bytes": 300}),
        ("damaged magic", variant("magic", b"OMK-ZV HXW fil_." + body[16:]), 1, "line 1 is not", {}),
        ("damaged start", variant("start", body[:20] + b"G" + body[21:]), 1,
         "the start address at offset 18 is not 8 hexadecimal digits", {}),
        ("blank checksum field", variant("blank", body[:40] + b" " * 6 + body[46:]), 1,
         "the checksum field is blank", {"stored_checksum": None}),
        ("checksum mismatch", variant("flipped", bytes(flipped)), 1, "the stored checksum is 82BAh, the body sums to",
         {"stored_checksum": "82BA"}),
        ("word mode without its mode byte", variant("w4bad", bytes(w4bad)), 1,
         "the mode byte at offset 768 is 02h", {"mode_byte": 2}),
        ("long body", variant("long", body + b"\xff"), 1, "the body is 261 bytes", {}),
    ]
    for name, path, want, problem, fields in cases:
        code, out, err = run(["inspect", path])
        check("inspect %s: exit %d" % (name, want), code == want, out + err)
        last = out.splitlines()[-1] if out else ""
        if problem is None:
            check("inspect %s: consistent" % name, last == "consistent", out)
        else:
            check("inspect %s: names '%s'" % (name, problem), last.startswith("inconsistent: ") and problem in last, out)
        code, obj, _ = run_json(["inspect", path])
        check("inspect %s --json: exit and consistency" % name,
              code == want and obj.get("exit") == want and obj.get("consistent") == (want == 0), str(obj))
        for key, value in fields.items():
            check("inspect %s --json: %s = %r" % (name, key, value), obj.get(key) == value, "got %r" % obj.get(key))

    # The map: two data runs 100 fill bytes apart merge (below a page); the trailing fill too.
    code, obj, _ = run_json(["inspect", sparse])
    runs = [(r["kind"], r["first_address"], r["last_address"]) for r in obj.get("map", [])]
    check("inspect map merges fill below a page", runs == [("data", "00001000", "00001103")], str(runs))
    code, obj, _ = run_json(["inspect", os.path.join(work, "sparse.hxw")])
    runs = [(r["kind"], r["first_offset"], r["first_address"], r["last_address"]) for r in obj.get("map", [])]
    check("inspect map of a sparse image: data, fill, data with offsets and addresses",
          runs == [("data", "00000200", "00000000", "0000000F"), ("fill", "00000210", "00000010", "00FFFFFF"),
                   ("data", "01000200", "01000000", "01000003")], str(runs))
    code, out, err = run(["inspect", os.path.join(work, "missing.hxw")])
    check("inspect of a missing file: error 0x7000, exit 1", code == 1 and err.startswith("error 0x7000:"), err)


# --- download --verify -------------------------------------------------------------------------
def verifies(work, env, tmp):
    unit = os.path.join(work, "unit")
    sent = os.path.join(work, "VERIFY.HXW")
    with open(sent, "wb") as f:
        f.write(bytes((i * 7 + 3) & 0xFF for i in range(1000)))
    u = "--unit=emulator:" + unit
    cases = [
        # name, fault list, exit, verdict (part)
        ("clean", "", 0, "verified: 1000 bytes identical"),
        ("a byte corrupted on the way back", "corrupt-upload=5", 1,
         "verify failed: first difference at offset 4 (4h): sent 1Fh, read back E0h"),
        ("the last byte corrupted", "corrupt-upload=1000", 1, "first difference at offset 999 (3E7h)"),
        ("the read-back refused", "info-result=0E09", 1, "verify failed: error 0x0E09"),
        ("the unit names another file", "name=OTHER.HXW", 1,
         "verify failed: the unit holds OTHER.HXW of 1000 bytes, not VERIFY.HXW of 1000 bytes"),
    ]
    for name, faults, want, verdict in cases:
        e = dict(env)
        e["TESSMARK_UNIT_FAULT"] = faults
        code, out, err = run(["download", sent, "--verify", u], e)
        lines = out.splitlines()
        check("verify %s: exit %d" % (name, want), code == want, out + err)
        check("verify %s: download line, then one verdict" % name,
              len(lines) == 2 and lines[0] == "Download of a VERIFY.HXW file was completed." and verdict in lines[1], out)
        check("verify %s: nothing left in the temporary folder" % name, os.listdir(tmp) == [], str(os.listdir(tmp)))
        code, obj, _ = run_json(["download", sent, "--verify", u], e)
        v = obj.get("verify", {})
        check("verify %s --json: exit %d, verified %s" % (name, want, want == 0),
              code == want and obj.get("exit") == want and v.get("verified") == (want == 0) and verdict in v.get("verdict", ""),
              str(obj))
        if "corrupt" in name:
            check("verify %s --json: first_difference" % name,
                  v.get("first_difference") == int(faults.split("=")[1]) - 1, str(v))
        check("verify %s --json: the unit's file is what was sent" % name,
              open(os.path.join(unit, "unit.bin"), "rb").read() == open(sent, "rb").read())
    e = dict(env)
    e["TESSMARK_UNIT_FAULT"] = "refuse-open"
    code, obj, _ = run_json(["download", sent, "--verify", u], e)
    check("verify after a failed download: no verdict, the download's code",
          code == 1 and obj.get("result") == 0x4000 and "verify" not in obj, str(obj))


# --- --json on every command -------------------------------------------------------------------
def every_command_json(work, env):
    unit = os.path.join(work, "unit-json")
    u = "--unit=emulator:" + unit
    src = os.path.join(DATA, "sample.hex")
    hxw = os.path.join(work, "JSON.HXW")
    dest = os.path.join(work, "dest")
    os.mkdir(dest)
    e = dict(env)
    e["TESSMARK_UNIT_FAULT"] = ""
    cases = [
        # args, command, exit, fields
        (["--version"], "version", 0, {"version": "4.0.0"}),
        (["convert", src, hxw], "convert", 0, {"hxw": hxw, "checksum": "82BA"}),
        (["checksum", hxw], "checksum", 0, {"kind": "sum", "checksum": "82BA", "message": "Checksum :82BAh."}),
        (["checksum", hxw, "--kind", "crc", "--crc-init", "FFFF"], "checksum", 0, {"kind": "crc", "crc_init": "FFFF"}),
        (["checksum", hxw, "--kind", "ones", "--start", "1000", "--end", "1103"], "checksum", 0,
         {"kind": "ones", "start": "00001000", "end": "00001103"}),
        (["inspect", hxw], "inspect", 0, {"consistent": True}),
        (["info", u], "info", 0, {"file": None, "message": "The unit holds no file."}),
        (["download", hxw, u], "download", 0, {"name": "JSON.HXW", "message": "Download of a JSON.HXW file was completed."}),
        (["info", u], "info", 0, {"message": "The unit holds JSON.HXW."}),
        (["upload", dest, u], "upload", 0, {"name": "JSON.HXW", "message": "Upload of a JSON.HXW file was completed."}),
        (["security", "--set", "--id", "AB12", "--count", "100", u], "security", 0,
         {"security": True, "id": "AB12", "count": "100", "buzzer": True}),
        (["convert", src], "convert", 2, {"usage_error": "convert needs SOURCE and HXW"}),
        (["inspect", "--help"], "inspect", 0, {}),
        (["checksum", os.path.join(work, "nothing.hxw")], "checksum", 1, {"result": 0x7000, "message": "Opening of file is failed."}),
    ]
    for args, command, want, fields in cases:
        code, obj, err = run_json(args, e)
        what = " ".join(os.path.basename(a) for a in args)
        check("%s --json: command %s, exit %d" % (what, command, want),
              code == want and obj.get("command") == command and obj.get("exit") == want, str(obj) + err)
        for key, value in fields.items():
            check("%s --json: %s = %r" % (what, key, value), obj.get(key) == value, "got %r" % obj.get(key))
    code, obj, _ = run_json(["info", u], e)
    f = obj.get("file") or {}
    check("info --json: the unit's file information",
          f.get("name") == "JSON.HXW" and f.get("size") == os.path.getsize(hxw) and len(f.get("created_hex", "")) == 8
          and "attributes" in f, str(f))
    code, obj, _ = run_json(["inspect", "--help"])
    check("inspect --help --json: the help text inside the object", "usage: tessmark-cli inspect" in obj.get("help", ""))
    # Odd bytes in a path still give valid JSON.
    odd = os.path.join(work.encode(), b"caf\xe9\"\\\n.hxw")
    p = subprocess.run([CLI.encode(), b"convert", src.encode(), odd, b"--json"], capture_output=True)
    try:
        obj = json.loads(p.stdout)
        ok = p.returncode == 0 and obj["hxw"].endswith("caf\ufffd\"\\\n.hxw")
    except ValueError:
        ok = False
    check("a path with a quote, a backslash, a line break and a non-UTF-8 byte stays valid JSON", ok, repr(p.stdout))


if __name__ == "__main__":
    sys.exit(main())
