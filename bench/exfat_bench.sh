#!/usr/bin/env bash
# The exFAT benchmark: an exFAT volume (4 KiB clusters) with 100,000 files in 5,000 folders,
# 20% deleted. Times the fast scan against "fls -r -d" and the recovery of every deleted file
# against "tsk_recover" (which recovers deleted files only), all on the same image in one run.
# Building the image needs root, mkfs.exfat (exfatprogs) and mount.exfat-fuse (exfat-fuse).
#   bash bench/exfat_bench.sh [build folder, default build-bench]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
work=${QM_EXFAT_BENCH_DIR:-/tmp/qm-exfat-bench}
export LC_ALL=C.UTF-8 PATH=$PATH:/usr/sbin:/sbin
image=$work/exfat-100k.img
mkdir -p "$work"

if [ ! -f "$image" ]; then
  mnt=$work/mnt loop=""
  cleanup() {
    mountpoint -q "$mnt" && fusermount -u "$mnt" || true
    [ -n "$loop" ] && losetup -d "$loop" 2>/dev/null || true
  }
  trap cleanup EXIT
  rm -rf "$work/tree" && python3 "$root/bench/fat_bench_image.py" "$work/tree"
  rm -f "$image.tmp" && truncate -s 1536M "$image.tmp"
  mkfs.exfat -c 4096 "$image.tmp" >/dev/null
  mkdir -p "$mnt"
  loop=$(losetup -f --show "$image.tmp")
  mount.exfat-fuse "$loop" "$mnt" >/dev/null
  cp -r "$work/tree"/Top* "$mnt"/
  find "$mnt" -name 'x*.dat' -delete
  sync && fusermount -u "$mnt" && losetup -d "$loop" && loop=""
  mv "$image.tmp" "$image"
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_TESTS=OFF >/dev/null
ninja -C "$build" qmcore >/dev/null
g++ -std=c++20 -O2 -I"$root" "$root/bench/exfat_bench.cpp" "$build/libqmcore.a" -lbenchmark -lpthread \
  -o "$build/exfat_bench"

TIMEFORMAT=%R
echo "fls -r -d (seconds):"
time (fls -r -d "$image" > "$work/fls.txt")
echo "deleted entries listed by fls: $(grep -c '^r/r \*' "$work/fls.txt")"
rm -rf "$work/tsk" && mkdir -p "$work/tsk"
echo "tsk_recover (deleted files only; seconds):"
time (tsk_recover "$image" "$work/tsk" > "$work/tsk.txt")
tail -n1 "$work/tsk.txt"
QM_EXFAT_BENCH_IMAGE=$image QM_EXFAT_BENCH_DIR=$work "$build/exfat_bench" --benchmark_min_time=1
