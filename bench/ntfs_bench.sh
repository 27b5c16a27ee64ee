#!/usr/bin/env bash
# The NTFS benchmark: a volume with 200,000 MFT records (20% deleted, folders ten deep),
# made by mkntfs and populated through ntfs-3g (needs root and FUSE). Times the fast scan
# against "fls -r -d" and "ntfsundelete -s", and the recovery of every deleted file against
# "tsk_recover", all on the same image in one run.
#   bash bench/ntfs_bench.sh [build folder, default build-bench]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
work=${QM_NTFS_BENCH_DIR:-/tmp/qm-ntfs-bench}
export LC_ALL=C.UTF-8 PATH=$PATH:/usr/sbin:/sbin
image=$work/ntfs-200k.img
mkdir -p "$work"

if [ ! -f "$image" ]; then
  rm -f "$image.tmp" && truncate -s 1G "$image.tmp"
  mkntfs -q -F -f -s 512 -c 4096 "$image.tmp" >/dev/null 2>&1
  mkdir -p "$work/mnt"
  ntfs-3g "$image.tmp" "$work/mnt"
  python3 "$root/bench/ntfs_bench_image.py" "$work/mnt" || { umount "$work/mnt"; exit 1; }
  umount "$work/mnt"
  mv "$image.tmp" "$image"
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_TESTS=OFF >/dev/null
ninja -C "$build" -j2 qmcore >/dev/null
g++ -std=c++20 -O2 -I"$root" "$root/bench/ntfs_bench.cpp" "$build/libqmcore.a" -lbenchmark -lpthread -o "$build/ntfs_bench"

TIMEFORMAT=%R
echo "fls -r -d (seconds):"
time (fls -r -d "$image" > "$work/fls.txt")
echo "deleted files listed by fls: $(grep -c '^-/r \*\|^r/r \*' "$work/fls.txt")"
echo "ntfsundelete -s (seconds):"
time (ntfsundelete -s "$image" > "$work/ntfsundelete.txt" 2>&1 || true)
tail -n1 "$work/ntfsundelete.txt"
rm -rf "$work/tsk" && mkdir -p "$work/tsk"
echo "tsk_recover (deleted files only; seconds):"
time (tsk_recover "$image" "$work/tsk" > "$work/tsk.txt")
tail -n1 "$work/tsk.txt"
QM_NTFS_BENCH_IMAGE=$image QM_NTFS_BENCH_DIR=$work "$build/ntfs_bench" --benchmark_min_time=1
