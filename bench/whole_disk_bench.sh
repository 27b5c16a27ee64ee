#!/usr/bin/env bash
# A whole-disk image against its partitions scanned one by one: a 2 GiB MBR image with three
# FAT32 partitions, each holding the public samples several times over with a fifth of them
# deleted. Times `scan IMAGE` (every partition in turn) and the sum of `scan IMAGE:1..3`, fast
# and deep, medians of a few runs; reading the table must cost nothing you can see.
#   bash bench/whole_disk_bench.sh [quillmere, default build/rel/quillmere] [runs, default 3]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
qm=${1:-$root/build/rel/quillmere}
runs=${2:-3}
work=${QM_DISK_BENCH_DIR:-/tmp/qm-disk-bench}
samples=${QM_DISK_BENCH_SAMPLES:-$root/../shared/data/samples}
[ -d "$samples" ] || samples=$root/tests/data/demo
export LC_ALL=C.UTF-8 PATH=$PATH:/usr/sbin:/sbin MTOOLS_SKIP_CHECK=1
mkdir -p "$work"
image=$work/disk-2g.img
starts=(2048 1398784 2795520) size=1396736   # three partitions of 682 MiB
if [ ! -f "$image" ]; then
  rm -f "$image.tmp" && truncate -s 2G "$image.tmp"
  printf 'label: dos\nstart=%s, size=%s, type=c\nstart=%s, size=%s, type=c\nstart=%s, size=%s, type=c\n' \
    "${starts[0]}" $size "${starts[1]}" $size "${starts[2]}" $size | sfdisk -q "$image.tmp"
  for s in "${starts[@]}"; do
    mkfs.fat -F 32 -s 8 --offset "$s" "$image.tmp" $((size / 2)) >/dev/null 2>&1
    part=$image.tmp@@$((s * 512))
    for i in $(seq -w 1 12); do mcopy -s -Q -i "$part" "$samples" "::/Set$i"; done
    for i in $(seq -w 1 12 | awk 'NR % 5 == 0'); do mdeltree -i "$part" "::/Set$i"; done
  done
  mv "$image.tmp" "$image"
fi
cat "$image" >/dev/null

source "$root/bench/timing.sh"

for mode in --fast --deep; do
  : > "$work/whole.times"; : > "$work/parts.times"
  for _ in $(seq "$runs"); do
    rm -rf "$work/state"
    seconds "$qm" scan "$image" "$mode" --state-dir "$work/state" >> "$work/whole.times"
    total=0
    for n in 1 2 3; do
      rm -rf "$work/state"
      total=$(echo "$total + $(seconds "$qm" scan "$image:$n" "$mode" --state-dir "$work/state")" | bc)
    done
    echo "$total" >> "$work/parts.times"
  done
  printf 'scan %s: whole image %.3f s, partitions one by one %.3f s in all (median of %d)\n' "$mode" \
    "$(median < "$work/whole.times")" "$(median < "$work/parts.times")" "$runs"
done
rm -rf "$work/state"
"$qm" scan "$image" --fast --state-dir "$work/state" 2>/dev/null | tail -4
