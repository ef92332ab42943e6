#!/usr/bin/env python3
"""Conversion and checksum benchmark of tessmark-cli against objcopy and srec_cat.

Every comparison is paired: the two programs run alternately (A B A B ...) on the same
page-cached file, the ratio of each pair is taken, and the table shows the median of those
ratios, so a machine loaded by other work slows both sides of a pair alike. Each output is
checked against objcopy's before it is timed. Times are each program's own (spawned directly);
peak resident memory is each process's own too, from GNU time in a run of its own. A measurement, not a test: it never fails on speed; it exits 1 only when an output
differs.

Called by bench.sh; settings come from the environment:
  TM_CLI            the tessmark-cli binary (required)
  TM_BENCH_DIR      work folder for sources and outputs
  TM_BENCH_SIZES    image sizes in MiB (default "1 16 64")
  TM_BENCH_SHAPES   source shapes (default "hex16 hex32 s3 holes"; see gen_source.py)
  TM_BENCH_SPARSE   MiB spanned by the sparse micro:bit-style source, 0 for none (default 512)
  TM_BENCH_RUNS     pairs per comparison with objcopy and between modes (default 5)
  TM_BENCH_SREC_RUNS pairs per comparison with srec_cat (default 3; it is slow)
"""
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
CLI = os.environ["TM_CLI"]
WORK = os.environ.get("TM_BENCH_DIR", os.path.join(HERE, "..", "build", "bench"))
SIZES = [int(s) for s in os.environ.get("TM_BENCH_SIZES", "1 16 64").split()]
SHAPES = os.environ.get("TM_BENCH_SHAPES", "hex16 hex32 s3 holes").split()
SPARSE = int(os.environ.get("TM_BENCH_SPARSE", "512"))
RUNS = int(os.environ.get("TM_BENCH_RUNS", "5"))
SREC_RUNS = int(os.environ.get("TM_BENCH_SREC_RUNS", "3"))

loads = []


def note_load():
    loads.append(os.getloadavg()[0])


def run(cmd, peak=False):
    """Runs cmd with its output discarded: (wall seconds, peak RSS KiB, exit status). The time is
    the program's own, spawned straight from here; the peak memory (peak=True) comes from GNU
    time, around the program, since a child spawned from this (much larger) Python process would
    inherit Python's high-water mark in its own rusage; without peak it is 0."""
    quiet = [(os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0),
             (os.POSIX_SPAWN_OPEN, 2, os.devnull, os.O_WRONLY, 0)]
    if not peak:
        start = time.perf_counter()
        pid = os.posix_spawnp(cmd[0], cmd, os.environ, file_actions=quiet)
        _, status = os.waitpid(pid, 0)
        return time.perf_counter() - start, 0, os.waitstatus_to_exitcode(status)
    rss_file = os.path.join(WORK, "rss.txt")
    full = ["/usr/bin/time", "-f", "%x %M", "-o", rss_file] + cmd
    start = time.perf_counter()
    pid = os.posix_spawn(full[0], full, os.environ, file_actions=quiet)
    os.waitpid(pid, 0)
    seconds = time.perf_counter() - start
    with open(rss_file) as f:
        last = f.read().split()
    return seconds, int(last[-1]), int(last[-2])


class Pair:
    """A and B run alternately; medians of A's and B's times and of the per-pair ratios A/B. The
    peak memory of each is given (rss, from runs made before) or taken in one more run each."""

    def __init__(self, a, b, runs, rss=None):
        ta, tb, ratios, self.failed = [], [], [], False
        for _ in range(runs):
            note_load()
            t1, _, r1 = run(a)
            t2, _, r2 = run(b)
            self.failed |= r1 != 0 or r2 != 0
            ta.append(t1)
            tb.append(t2)
            ratios.append(t1 / t2)
        self.rss_a, self.rss_b = rss if rss else (run(a, True)[1], run(b, True)[1])
        self.a, self.b, self.ratio = statistics.median(ta), statistics.median(tb), statistics.median(ratios)


def same_bytes(path_a, offset_a, path_b):
    with open(path_a, "rb") as fa, open(path_b, "rb") as fb:
        fa.seek(offset_a)
        while True:
            x, y = fa.read(1 << 20), fb.read(1 << 20)
            if x != y:
                return False
            if not x:
                return True


def warm(path):
    with open(path, "rb") as f:
        while f.read(1 << 24):
            pass


def source(shape, mib):
    path = os.path.join(WORK, "%s-%d.%s" % (shape, mib, "s19" if shape == "s3" else "hex"))
    if not os.path.exists(path) or os.path.getsize(path) == 0:
        subprocess.run([sys.executable, os.path.join(HERE, "gen_source.py"), shape, str(mib), path + ".part"],
                       check=True)
        os.replace(path + ".part", path)
    warm(path)
    return path


def kib(v):
    return "%d" % v


def fmt_s(t):
    return "%.3f" % t


conversions, modes, checksums, series, problems = [], [], [], [], []


def convert_case(shape, mib):
    src = source(shape, mib)
    fmt = "srec" if shape == "s3" else "ihex"
    sfmt = "-Motorola" if shape == "s3" else "-Intel"
    name = "%s-%d" % (shape, mib)
    ref, hxw, srec_out = (os.path.join(WORK, name + ext) for ext in (".objcopy.bin", ".hxw", ".srec_cat.bin"))
    objcopy = ["objcopy", "-I", fmt, "-O", "binary", "--gap-fill", "0xff", src, ref]
    cli = [CLI, "convert", src, hxw]
    srec_cat = ["srec_cat", src, sfmt, "-fill", "0xFF", "-over", src, sfmt, "-o", srec_out, "-Binary"]
    # Outputs first: the HXW body and srec_cat's image must equal objcopy's image.
    peaks = {}
    for cmd in (objcopy, cli, srec_cat):
        _, peaks[cmd[0]], status = run(cmd, True)
        if status != 0:
            problems.append("%s: %s exited %d" % (name, os.path.basename(cmd[0]), status))
    ok_cli = same_bytes(hxw, 512, ref)
    ok_srec = same_bytes(srec_out, 0, ref)
    if not ok_cli:
        problems.append("%s: tessmark-cli's HXW body differs from objcopy's image" % name)
    if not ok_srec:
        problems.append("%s: srec_cat's image differs from objcopy's" % name)
    text_mb = os.path.getsize(src) / 1e6
    vs_obj = Pair(objcopy, cli, RUNS, (peaks[objcopy[0]], peaks[CLI]))
    # srec_cat's fill over a half-blank image takes minutes from 16 MiB on: one pair is enough.
    srec_runs = min(SREC_RUNS, 1) if shape == "holes" and mib >= 16 else SREC_RUNS
    vs_srec = Pair(srec_cat, cli, srec_runs, (peaks[srec_cat[0]], peaks[CLI])) if srec_runs > 0 else None
    for f in (srec_out,):
        os.remove(f)
    conversions.append((shape, mib, text_mb, vs_obj, vs_srec, ok_cli and ok_srec))
    return src, hxw


def mode_case(shape, mib, src):
    normal = [CLI, "convert", src, os.path.join(WORK, "mode-normal.hxw")]
    four = Pair([CLI, "convert", src, os.path.join(WORK, "mode-4byte.hxw"), "--type", "4byte"], normal, RUNS)
    eight = Pair([CLI, "convert", src, os.path.join(WORK, "mode-8byte.hxw"), "--type", "8byte"], normal, RUNS)
    modes.append((shape, mib, four, eight))


def timed(cmd, what):
    """Median time of RUNS runs of cmd and its peak memory (one more run); a failing exit is noted."""
    times = []
    for _ in range(RUNS):
        note_load()
        t, _, status = run(cmd)
        if status != 0:
            problems.append("%s exited %d" % (what, status))
        times.append(t)
    return statistics.median(times), run(cmd, True)[1]


def checksum_cases(hxw, mib):
    size = os.path.getsize(hxw)
    warm(hxw)
    for kind in ("crc", "sum", "ones"):
        t, rss = timed([CLI, "checksum", hxw, "--kind", kind], "checksum --kind " + kind)
        checksums.append(("%s, %d MiB Normal" % (kind, mib), t, size / t / 1e9, rss))
    word = os.path.join(WORK, "mode-4byte.hxw")
    if os.path.exists(word):
        warm(word)
        t, rss = timed([CLI, "checksum", word], "checksum of the 4Byte Mode image")
        checksums.append(("sum, 4Byte Mode of %d MiB" % mib, t, os.path.getsize(word) / t / 1e9, rss))


def series_cases():
    for kind, top in (("720", 0x2000), ("4500", 0x8000)):
        path = os.path.join(WORK, "series-%s.hex" % kind)
        if not os.path.exists(path):
            import random
            rng = random.Random(2)
            with open(path, "w", newline="") as f:
                for a in range(0, top, 16):
                    b = bytes([16, a >> 8, a & 0xFF, 0] + [rng.randrange(256) for _ in range(16)])
                    f.write(":%s%02X\r\n" % (b.hex().upper(), (-sum(b)) & 0xFF))
                f.write(":00000001FF\r\n")
        cmd = [CLI, "convert", path, os.path.join(WORK, "series-%s.hxw" % kind), "--type", kind]
        t, rss = timed(cmd, "convert --type " + kind)
        series.append((kind, t, rss))


def cpu_model():
    try:
        out = subprocess.run(["lscpu"], capture_output=True, text=True).stdout
        for line in out.splitlines():
            if line.startswith("Model name:"):
                return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown"


def main():
    os.makedirs(WORK, exist_ok=True)
    note_load()
    begin = time.time()
    largest = max(SIZES) if SIZES else 0
    for shape in SHAPES:
        for mib in SIZES:
            print("converting %s, %d MiB ..." % (shape, mib), file=sys.stderr)
            src, hxw = convert_case(shape, mib)
            if mib == largest:
                mode_case(shape, mib, src)
                if shape == "hex16":
                    checksum_cases(hxw, mib)
            os.remove(hxw)
            os.remove(os.path.join(WORK, "%s-%d.objcopy.bin" % (shape, mib)))
    if SPARSE:
        print("converting the sparse source, %d MiB ..." % SPARSE, file=sys.stderr)
        _, hxw = convert_case("sparse", SPARSE)
        os.remove(hxw)
        os.remove(os.path.join(WORK, "sparse-%d.objcopy.bin" % SPARSE))
    series_cases()
    note_load()

    print("CPU: %s, %d cores; load average (1 min) over the run: start %.1f, min %.1f, max %.1f, end %.1f; %.0f s"
          % (cpu_model(), os.cpu_count(), loads[0], min(loads), max(loads), loads[-1], time.time() - begin))
    print("Times are medians of %d paired runs (objcopy) and %d (srec_cat); 'x' columns are medians of the"
          " per-pair ratios other/tessmark-cli (above 1: tessmark-cli is faster)." % (RUNS, SREC_RUNS))
    print()
    head = "%-22s %9s %9s %9s %8s %9s %8s %9s %9s %9s %6s"
    print(head % ("conversion (Normal)", "text MB", "tm s", "objcopy s", "x objc", "srec s", "x srec",
                  "tm KiB", "objc KiB", "srec KiB", "same"))
    for shape, mib, text_mb, o, s, same in conversions:
        print(head % ("%s %d MiB" % (shape, mib), "%.1f" % text_mb, fmt_s(o.b), fmt_s(o.a), "%.2f" % o.ratio,
                      fmt_s(s.a) if s else "-", "%.2f" % s.ratio if s else "-", kib(max(o.rss_b, s.rss_b if s else 0)),
                      kib(o.rss_a), kib(s.rss_a) if s else "-", "yes" if same else "NO"))
    print()
    head = "%-22s %9s %9s %8s %9s %8s %9s"
    print(head % ("word modes", "normal s", "4byte s", "4/norm", "8byte s", "8/norm", "peak KiB"))
    for shape, mib, four, eight in modes:
        print(head % ("%s %d MiB" % (shape, mib), fmt_s(four.b), fmt_s(four.a), "%.2f" % four.ratio,
                      fmt_s(eight.a), "%.2f" % eight.ratio, kib(max(four.rss_a, eight.rss_a))))
    print()
    head = "%-28s %9s %9s %9s"
    print(head % ("checksum (whole process)", "s", "GB/s", "peak KiB"))
    for name, t, gbs, rss in checksums:
        print(head % (name, fmt_s(t), "%.2f" % gbs, kib(rss)))
    for kind, t, rss in series:
        print(head % ("convert --type %s (full)" % kind, fmt_s(t), "", kib(rss)))
    if problems:
        print()
        for p in problems:
            print("PROBLEM: " + p)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
