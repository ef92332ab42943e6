#!/usr/bin/env python3
"""Writes a large Intel HEX file for the benchmarks: SIZE MiB of data from address 0, 16-byte
records, CR LF line ends, one extended linear address record per 64 KiB. The data repeat every
64 KiB, which keeps generation instant."""
import random
import sys


def record(rtype, address, data):
    b = bytes([len(data), address >> 8, address & 0xFF, rtype]) + bytes(data)
    return ":%s%02X\r\n" % (b.hex().upper(), (-sum(b)) & 0xFF)


def main():
    mib, out = int(sys.argv[1]), sys.argv[2]
    rng = random.Random(1)
    segment = "".join(record(0, a, [rng.randrange(256) for _ in range(16)]) for a in range(0, 0x10000, 16))
    with open(out, "w", newline="") as f:
        for seg in range(mib * 16):
            f.write(record(4, 0, [seg >> 8, seg & 0xFF]))
            f.write(segment)
        f.write(":00000001FF\r\n")


if __name__ == "__main__":
    main()
