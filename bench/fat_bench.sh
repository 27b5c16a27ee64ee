#!/usr/bin/env bash
# The FAT benchmark: a FAT32 volume with 100,000 files in 5,000 folders, 20% deleted.
# Times the fast scan against "fls -r -d" and the recovery of every deleted file against
# "tsk_recover" (which recovers deleted files only), all on the same image in one run.
#   bash bench/fat_bench.sh [build folder, default build-bench]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
work=${QM_FAT_BENCH_DIR:-/tmp/qm-fat-bench}
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 PATH=$PATH:/usr/sbin:/sbin
image=$work/fat32-100k.img
mkdir -p "$work"

if [ ! -f "$image" ]; then
  rm -rf "$work/tree" && python3 "$root/bench/fat_bench_image.py" "$work/tree"
  mkfs.fat -F 32 -s 8 -C "$image.tmp" $((1536 * 1024)) >/dev/null
  (cd "$work/tree" && mcopy -s -i "$image.tmp" Top* ::/)
  patterns=()
  for top in $(seq -f %02g 0 49); do for sub in $(seq -f %03g 0 99); do
    patterns+=("::/Top$top/Folder $sub/x*.dat"); done; done
  mdel -i "$image.tmp" "${patterns[@]}"
  mv "$image.tmp" "$image"
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_TESTS=OFF >/dev/null
ninja -C "$build" qmcore >/dev/null
g++ -std=c++20 -O2 -I"$root" "$root/bench/fat_bench.cpp" "$build/libqmcore.a" -lbenchmark -lpthread -o "$build/fat_bench"

TIMEFORMAT=%R
echo "fls -r -d (seconds):"
time (fls -r -d "$image" > "$work/fls.txt")
echo "deleted entries listed by fls: $(grep -c '^r/r \*' "$work/fls.txt")"
rm -rf "$work/tsk" && mkdir -p "$work/tsk"
echo "tsk_recover (deleted files only; seconds):"
time (tsk_recover "$image" "$work/tsk" > "$work/tsk.txt")
tail -n1 "$work/tsk.txt"
QM_FAT_BENCH_IMAGE=$image QM_FAT_BENCH_DIR=$work "$build/fat_bench" --benchmark_min_time=1
