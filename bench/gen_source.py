#!/usr/bin/env python3
"""Writes the benchmark's source files. Usage: gen_source.py SHAPE MIB OUT

Shapes (CR LF line ends, random data that repeat every 64 KiB so generation stays quick):
  hex16   Intel HEX, 16-byte records, one extended linear address record per 64 KiB
  hex32   the same in 32-byte records
  s3      Motorola S3 records of 16 bytes, with an S0 header and an S7 end record
  holes   Intel HEX, 16-byte records, data in 4 KiB runs with 4 KiB holes between them (half
          of the image is blank)
  sparse  Intel HEX spanning MIB MiB with little data: 64 KiB at 0, the 4 bytes at 0x10001014
          a micro:bit-style file carries, and 64 KiB at the top of the span
"""
import random
import sys


def ihex(rtype, address, data):
    b = bytes([len(data), address >> 8 & 0xFF, address & 0xFF, rtype]) + bytes(data)
    return ":%s%02X\r\n" % (b.hex().upper(), (-sum(b)) & 0xFF)


def srec(rtype, address, data, digits):
    b = (len(data) + digits // 2 + 1).to_bytes(1, "big") + address.to_bytes(digits // 2, "big") + bytes(data)
    return "S%d%s%02X\r\n" % (rtype, b.hex().upper(), 0xFF - (sum(b) & 0xFF))


def segment(rng, size, keep=lambda a: True):
    data = bytes(rng.randrange(256) for _ in range(0x10000))
    return [(a, data[a:a + size]) for a in range(0, 0x10000, size) if keep(a)]


def hex_image(f, records, segments):
    text = "".join(ihex(0, a, d) for a, d in records)
    for seg in segments:
        f.write(ihex(4, 0, [seg >> 8, seg & 0xFF]))
        f.write(text)


def main():
    shape, mib, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    rng = random.Random(1)
    segments = range(mib * 16)
    with open(out, "w", newline="") as f:
        if shape == "hex16":
            hex_image(f, segment(rng, 16), segments)
        elif shape == "hex32":
            hex_image(f, segment(rng, 32), segments)
        elif shape == "holes":
            hex_image(f, segment(rng, 16, lambda a: (a >> 12) % 2 == 0), segments)
        elif shape == "s3":
            f.write(srec(0, 0, b"bench", 4))
            records = segment(rng, 16)
            for seg in segments:
                f.write("".join(srec(3, seg << 16 | a, d, 8) for a, d in records))
            f.write(srec(7, 0, b"", 8))
        elif shape == "sparse":
            records = segment(rng, 16)
            hex_image(f, records, [0])
            f.write(ihex(4, 0, [0x10, 0x00]))
            f.write(ihex(0, 0x1014, [0x00, 0x00, 0x00, 0xFF]))
            hex_image(f, records, [mib * 16 - 1])
        else:
            sys.exit("unknown shape " + shape)
        f.write(":00000001FF\r\n" if shape != "s3" else "")


if __name__ == "__main__":
    main()
