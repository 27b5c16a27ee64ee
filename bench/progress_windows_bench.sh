#!/usr/bin/env bash
# The Windows program's progress windows against the command line, under Wine, in one run:
#  - a deep scan of a 1 GiB FAT32 image of real files, quick-formatted (scan window against
#    `quillmere.exe scan --deep`);
#  - the recovery of 10,000 small deleted files (recovery window against `quillmere.exe recover
#    --fast`); the scan before it is not timed for the window and is part of the command line's.
# Both images are read once first so every run reads them from the page cache.
#   bash bench/progress_windows_bench.sh [Windows build folder, default build/win]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/win}
work=${QM_WINDOW_BENCH_DIR:-/tmp/qm-window-bench}
samples=$root/tests/data/demo
export LC_ALL=C.UTF-8 PATH=$PATH:/usr/sbin:/sbin MTOOLS_SKIP_CHECK=1 WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-quillmere}
wine=$(command -v wine || command -v wine-stable)
mkdir -p "$work"

deep=$work/deep-1g.img
if [ ! -f "$deep" ]; then
  echo "Building $deep (once)..."
  rm -rf "$work/set" && mkdir -p "$work/set"
  cp "$samples"/* "$work/set/"
  truncate -s 1G "$deep.tmp"
  mkfs.fat -F 32 -s 8 -n DEEP "$deep.tmp" >/dev/null
  for i in $(seq -w 1 60); do mcopy -s -Q -i "$deep.tmp" "$work/set" "::/Set$i"; done
  mkfs.fat -F 32 -s 8 -n DEEP "$deep.tmp" >/dev/null
  mv "$deep.tmp" "$deep"
fi
small=$work/small-10k-files.img
if [ ! -f "$small" ]; then
  echo "Building $small (once)..."
  rm -rf "$work/small" && mkdir -p "$work/small"
  for d in $(seq -w 0 9); do
    mkdir -p "$work/small/D$d"
    for f in $(seq -w 0 999); do seq -f "file-$d$f-%06g" 1 $(( (10#$f % 200) + 20 )) > "$work/small/D$d/F$f.TXT"; done
  done
  truncate -s 256M "$small.tmp"
  mkfs.fat -F 32 -s 1 -n SMALL "$small.tmp" >/dev/null
  mcopy -s -Q -i "$small.tmp" "$work/small" ::/Small
  # The files are deleted, their folders stay: a deleted folder's later clusters are lost to
  # every tool, and the figure is about copying 10,000 files.
  for d in $(seq -w 0 9); do mdel -i "$small.tmp" "::/Small/D$d/*"; done
  mv "$small.tmp" "$small"
fi
cat "$deep" "$small" > /dev/null

seconds() { local s=$(date +%s.%N); "$@" > "$work/last.log" 2>&1; echo "$(date +%s.%N) - $s" | bc; }
# Each program keeps its own scan history: a deep scan of a source scanned before would first ask
# whether to continue the earlier scan.
state=$work/state
rm -rf "$state" "$work/out-cli" "$work/out-win"
export QUILLMERE_APPDATA=$state/window
cli_scan=$(seconds "$wine" "$build/quillmere.exe" scan "$deep" --deep --state-dir "$state/cli")
win_scan_wall=$(seconds "$root/cmake/wine-gui-run.sh" "$build/bin/progress_windows_bench.exe" scan "$deep")
win_scan_line=$(grep "window deep scan" "$work/last.log")
cli_recover=$(seconds "$wine" "$build/quillmere.exe" recover "$small" --fast --to "$work/out-cli" --state-dir "$state/cli")
win_recover_wall=$(seconds "$root/cmake/wine-gui-run.sh" "$build/bin/progress_windows_bench.exe" recover "$small" "$work/out-win")
win_recover_line=$(grep "window recovery" "$work/last.log")
# The window's own figures leave out starting Wine and the virtual display; the wall times keep them.
echo "deep scan of 1 GiB:  command line ${cli_scan} s;  $win_scan_line (wall ${win_scan_wall} s)"
echo "recovery of 10,000 files:  command line (scan + recovery) ${cli_recover} s;  $win_recover_line (wall, with its scan, ${win_recover_wall} s)"
echo "files: command line $(find "$work/out-cli" -type f | wc -l), window $(find "$work/out-win" -type f | wc -l)"
