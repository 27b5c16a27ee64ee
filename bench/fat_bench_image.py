#!/usr/bin/env python3
"""Writes the tree of the FAT benchmark volume: 5,000 folders (50 x 100) holding 100,000
files of 512 bytes to 8 KiB; a fifth of them are named x*.dat, the ones the builder deletes."""
import os
import random
import sys

out = sys.argv[1]
rng = random.Random(20240607)
for top in range(50):
    for sub in range(100):
        folder = os.path.join(out, f"Top{top:02d}", f"Folder {sub:03d}")
        os.makedirs(folder, exist_ok=True)
        for n in range(20):
            name = f"x{n}.dat" if n < 4 else f"file {n:02d}.txt"
            with open(os.path.join(folder, name), "wb") as f:
                f.write(rng.randbytes(rng.randint(512, 8192)))
