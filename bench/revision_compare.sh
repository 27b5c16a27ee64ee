#!/usr/bin/env bash
# Times two builds of quillmere against each other on the same images in one run, runs
# alternating, so that a change to the engines' plumbing shows any cost it has. Images:
#   fast:  a FAT32 volume with 20,000 files in 200 folders, a fifth of them deleted
#   deep:  a 512 MiB FAT32 card with the public samples 24 times over, quick-formatted
# Usage: bash bench/revision_compare.sh OLD_QUILLMERE NEW_QUILLMERE [runs, default 5]
# (build an older revision with: git worktree add /tmp/old REV && cmake -S /tmp/old -B
# /tmp/old/build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_TESTS=OFF && ninja -C /tmp/old/build quillmere)
set -euo pipefail
old=$1 new=$2 runs=${3:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
work=${QM_COMPARE_DIR:-/tmp/qm-revision-compare}
samples=${QM_COMPARE_SAMPLES:-$root/../shared/data/samples}
[ -d "$samples" ] || samples=$root/tests/data/demo
export LC_ALL=C.UTF-8 PATH=$PATH:/usr/sbin:/sbin MTOOLS_SKIP_CHECK=1
mkdir -p "$work"

fast=$work/fat32-20k.img
if [ ! -f "$fast" ]; then
  rm -rf "$work/tree" && mkdir -p "$work/tree"
  for d in $(seq -w 1 200); do
    mkdir -p "$work/tree/Folder$d"
    for f in $(seq -w 1 100); do head -c 1500 /dev/urandom > "$work/tree/Folder$d/f$f.dat"; done
  done
  rm -f "$fast.tmp" && mkfs.fat -F 32 -s 1 -C "$fast.tmp" $((256 * 1024)) >/dev/null
  (cd "$work/tree" && mcopy -s -i "$fast.tmp" Folder* ::/)
  patterns=()
  for d in $(seq -w 1 200); do patterns+=("::/Folder$d/f0[0-1]*.dat"); done
  mdel -i "$fast.tmp" "${patterns[@]}"
  mv "$fast.tmp" "$fast"
fi

deep=$work/card-512m.img
if [ ! -f "$deep" ]; then
  rm -f "$deep.tmp" && truncate -s 512M "$deep.tmp"
  mkfs.fat -F 32 -s 8 -n CARD "$deep.tmp" >/dev/null
  for i in $(seq -w 1 24); do mcopy -s -Q -i "$deep.tmp" "$samples" "::/Set$i"; done
  mkfs.fat -F 32 -s 8 -n CARD "$deep.tmp" >/dev/null   # quick format: new tables, data kept
  mv "$deep.tmp" "$deep"
fi
cat "$fast" "$deep" > /dev/null   # both from the page cache

source "$root/bench/timing.sh"

for what in "fast:$fast:--fast" "deep:$deep:--deep"; do
  IFS=: read -r name image mode <<<"$what"
  : > "$work/old.times"; : > "$work/new.times"
  for _ in $(seq "$runs"); do
    rm -rf "$work/state-old" "$work/state-new"
    seconds "$old" scan "$image" "$mode" --state-dir "$work/state-old" >> "$work/old.times"
    seconds "$new" scan "$image" "$mode" --state-dir "$work/state-new" >> "$work/new.times"
  done
  printf '%s scan (%s): old %.3f s, new %.3f s (median of %d)\n' "$name" "$(basename "$image")" \
    "$(median < "$work/old.times")" "$(median < "$work/new.times")" "$runs"
  echo "  old: $("$old" scan "$image" "$mode" --state-dir "$work/state-old" 2>/dev/null | head -1)"
  echo "  new: $("$new" scan "$image" "$mode" --state-dir "$work/state-new" 2>/dev/null | head -1)"
done
