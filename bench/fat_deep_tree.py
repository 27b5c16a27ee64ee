#!/usr/bin/env python3
"""Makes a FAT32 image holding a chain of nested folders, one deleted file in each.

    fat_deep_tree.py IMAGE LEVELS

mkfs.fat makes the volume; the folders are written straight into its data area (one 512-byte
cluster each: ".", "..", the next folder, a deleted file), faster than mtools can make them.
"""
import struct
import subprocess
import sys

image, levels = sys.argv[1], int(sys.argv[2])
clusters_needed = levels + 64
size_kib = max(65536, (clusters_needed * 512 * 2) // 1024 + 65536)
subprocess.run(["mkfs.fat", "-F", "32", "-s", "1", "-C", image, str(size_kib)], check=True,
               stdout=subprocess.DEVNULL)
with open(image, "r+b") as f:
    boot = f.read(512)
    bytes_per_sector, = struct.unpack_from("<H", boot, 11)
    reserved, = struct.unpack_from("<H", boot, 14)
    fats = boot[16]
    fat_sectors, = struct.unpack_from("<I", boot, 36)
    root, = struct.unpack_from("<I", boot, 44)
    data_start = (reserved + fats * fat_sectors) * bytes_per_sector

    def entry(name, attr, cluster, size=0):
        return (name + struct.pack("<BBBHHHHHHHI", attr, 0, 0, 0x6000, 0x5867, 0x5867, cluster >> 16,
                                   0x6000, 0x5867, cluster & 0xFFFF, size))

    def cluster_offset(c):
        return data_start + (c - 2) * bytes_per_sector

    fat = {}
    first = root + 1
    # The root gets the first folder; the file data cluster every deleted file names is the last.
    data_cluster = first + levels
    f.seek(cluster_offset(root))
    f.write(entry(b"DEEP       ", 0x10, first))
    for level in range(levels):
        c = first + level
        parent = root if level == 0 else c - 1
        body = entry(b".          ", 0x10, c) + entry(b"..         ", 0x10, 0 if level == 0 else parent)
        if level + 1 < levels:
            body += entry(b"DEEP       ", 0x10, c + 1)
        body += entry(b"\xe5ILE    TXT", 0x20, data_cluster, 10)
        f.seek(cluster_offset(c))
        f.write(body.ljust(bytes_per_sector, b"\0"))
        fat[c] = 0x0FFFFFFF
    f.seek(cluster_offset(data_cluster))
    f.write(b"deep file\n".ljust(bytes_per_sector, b"\0"))
    for copy in range(fats):
        base = (reserved + copy * fat_sectors) * bytes_per_sector
        for c, value in fat.items():
            f.seek(base + 4 * c)
            f.write(struct.pack("<I", value))
