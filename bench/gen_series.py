#!/usr/bin/env python3
"""A full 4500 Series source: lower half 0x0000-0x3FFF and upper half 0x4000-0x7FFF in 16-byte
Intel HEX records."""
import random
import sys

rng = random.Random(2)
with open(sys.argv[1], "w", newline="") as f:
    for a in range(0, 0x8000, 16):
        b = bytes([16, a >> 8, a & 0xFF, 0] + [rng.randrange(256) for _ in range(16)])
        f.write(":%s%02X\r\n" % (b.hex().upper(), (-sum(b)) & 0xFF))
    f.write(":00000001FF\r\n")
