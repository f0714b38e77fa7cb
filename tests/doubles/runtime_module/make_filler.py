#!/usr/bin/env python3
"""Writes the bulk that the large runtime module double carries in its
image: text-like lines of words drawn from a small vocabulary by a seeded
generator, so the bytes are the same at every build, deflate to about a
quarter, and are far from the runs of one byte that would deflate to
nothing.

usage: make_filler.py <output-file> <size in bytes>
"""
import random
import sys
from pathlib import Path

WORDS = ("ledger account balance quarter budget forecast revenue expense "
         "margin invoice payment region product volume target actual "
         "variance total opening closing transfer reserve deferred accrued "
         "capital asset liability equity interest rate period annual "
         "monthly weekly summary detail report review approved pending "
         "north south east west alpha beta gamma delta").split()
SEED = 29


def filler(size):
    generator = random.Random(SEED)
    lines, length, number = [], 0, 0
    while length < size:
        words = generator.choices(WORDS, k=generator.randint(4, 12))
        line = f"{number:08d} {' '.join(words)} {generator.randint(0, 99999)}\r\n"
        lines.append(line)
        length += len(line)
        number += 1
    return "".join(lines).encode("ascii")[:size]


def main():
    out, size = Path(sys.argv[1]), int(sys.argv[2])
    out.parent.mkdir(parents=True, exist_ok=True)
    data = filler(size)
    if not out.exists() or out.read_bytes() != data:
        out.write_bytes(data)


if __name__ == "__main__":
    main()
