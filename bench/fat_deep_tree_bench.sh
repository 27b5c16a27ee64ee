#!/usr/bin/env bash
# Scan time of a FAT32 image holding a chain of nested folders (one deleted file in each),
# fast and deep. Depth must cost linear time: 20,000 levels are meant to scan in under 2 s.
# Usage: bench/fat_deep_tree_bench.sh BUILD_DIR [LEVELS]
set -euo pipefail
build=${1:?build dir}; levels=${2:-20000}
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
python3 "$(dirname "$0")/fat_deep_tree.py" "$work/deep.img" "$levels"
for mode in --fast --deep; do
  rm -rf "$work/state"
  start=$(date +%s.%N)
  "$build/quillmere" scan "$work/deep.img" $mode --state-dir "$work/state" >"$work/out" 2>/dev/null
  end=$(date +%s.%N)
  printf '%s levels, scan %s: %.2f s  (%s)\n' "$levels" "$mode" "$(echo "$end - $start" | bc)" "$(head -1 "$work/out")"
done
# Every folder holds a file of the same name: the copies need 20,000 distinct names.
rm -rf "$work/state" "$work/out-dir"
start=$(date +%s.%N)
"$build/quillmere" recover "$work/deep.img" --fast --to "$work/out-dir" --state-dir "$work/state" >"$work/out" 2>/dev/null
end=$(date +%s.%N)
printf '%s levels, recover --fast: %.2f s  (%s)\n' "$levels" "$(echo "$end - $start" | bc)" "$(tail -1 "$work/out")"
