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
ninja -C "$build" qmcore quillmere >/dev/null
g++ -std=c++20 -O2 -I"$root" "$root/bench/exfat_bench.cpp" "$build/libqmcore.a" -lbenchmark -lpthread \
  -o "$build/exfat_bench"

source "$root/bench/timing.sh"
cat "$image" >/dev/null
# Alternating runs into fresh folders, so neither program meets the other's deleted files.
: > "$work/fls.times"; : > "$work/tsk.times"; : > "$work/qm.times"; : > "$work/qmscan.times"
for run in 1 2 3; do
  seconds fls -r -d "$image" >> "$work/fls.times"
  seconds "$build/quillmere" scan "$image" --fast --state-dir "$work/st$run" >> "$work/qmscan.times"
  mkdir -p "$work/tsk$run"
  seconds tsk_recover "$image" "$work/tsk$run" >> "$work/tsk.times"
  seconds "$build/quillmere" recover "$image" --fast --to "$work/qm$run" --state-dir "$work/st$run" --quiet >> "$work/qm.times"
done
echo "deleted entries listed by fls: $(fls -r -d "$image" | grep -c '^r/r \*')"
echo "files recovered: tsk_recover $(find "$work/tsk1" -type f | wc -l), quillmere $(find "$work/qm1" -mindepth 2 -type f | wc -l)"
printf 'fls -r -d %.3f s; quillmere scan --fast %.3f s (whole process)\n' "$(median < "$work/fls.times")" "$(median < "$work/qmscan.times")"
printf 'tsk_recover %.3f s; quillmere recover --fast %.3f s (scan, copies, report; medians of 3)\n' \
  "$(median < "$work/tsk.times")" "$(median < "$work/qm.times")"
rm -rf "$work"/tsk[123] "$work"/qm[123] "$work"/st[123]
QM_EXFAT_BENCH_IMAGE=$image QM_EXFAT_BENCH_DIR=$work "$build/exfat_bench" --benchmark_min_time=1 --benchmark_filter=Scan
