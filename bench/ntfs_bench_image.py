#!/usr/bin/env python3
"""Populates the NTFS benchmark volume mounted at argv[1]: 200 folders in 20 chains ten deep
holding 199,800 files (most small enough to stay inside their MFT record, a fifth of them
1 to 12 KiB), then deletes every fifth file: 200,000 MFT records, 20% of them deleted."""
import os
import random
import sys

mnt = sys.argv[1]
rng = random.Random(20261207)
folders = []
for chain in range(20):
    path = mnt
    for level in range(10):
        path = os.path.join(path, f"C{chain:02d}L{level}")
        os.mkdir(path)
        folders.append(path)
files = []
for n in range(199800):
    folder = folders[n % len(folders)]
    size = rng.randint(1024, 12288) if n % 5 == 1 else rng.randint(16, 600)
    path = os.path.join(folder, f"f{n:06d}.{('txt', 'jpg', 'bin', 'doc')[n % 4]}")
    # Photos start like photos: the scan would judge them damaged and hide them otherwise.
    head = b"\xff\xd8\xff\xe0\x00\x10JFIF\x00" if path.endswith(".jpg") else b""
    with open(path, "wb") as f:
        f.write(head + rng.randbytes(size))
    files.append(path)
for path in files[::5]:
    os.remove(path)
