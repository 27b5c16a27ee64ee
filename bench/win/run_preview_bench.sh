#!/usr/bin/env bash
# Makes a 12-megapixel JPEG, deletes it from a FAT32 image, and times its preview under Wine.
#   bench/win/run_preview_bench.sh <windows-build-folder>
set -euo pipefail
build=${1:?windows build folder}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
PATH=$PATH:/usr/sbin:/sbin
# A photo-like picture (smooth areas and detail), 4000 x 3000.
convert -size 4000x3000 gradient:navy-orange -attenuate 0.3 +noise Gaussian -quality 90 "$work/photo.jpg"
mkfs.fat -F 32 -C "$work/bench.img" 262144 -n PREVBENCH >/dev/null
mcopy -i "$work/bench.img" "$work/photo.jpg" ::photo.jpg
mdel -i "$work/bench.img" ::photo.jpg
mkdir -p "$work/appdata"
QUILLMERE_APPDATA=$(winepath -w "$work/appdata") WINEPREFIX=${WINEPREFIX:-$HOME/.wine-quillmere} \
  "$here/../../cmake/wine-gui-run.sh" "$build/bin/preview_bench.exe" "$(winepath -w "$work/bench.img")" "${2:-5}"
