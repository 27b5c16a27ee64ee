#!/usr/bin/env bash
# Renders the SVG images to PNG and packs them with the XML layouts into the skin archive.
# Usage: pack_skin.sh SKIN_SOURCE_DIR STAGE_DIR OUTPUT_ZIP
set -euo pipefail
src=$1; stage=$2; out=$3
rm -rf "$stage"; mkdir -p "$stage"
cp -r "$src/xml" "$stage/xml"
(cd "$src/images" && find . -type f \( -name '*.svg' -o -name '*.png' \) -print) | while read -r f; do
  f=${f#./}; mkdir -p "$stage/$(dirname "$f")"
  case $f in
    *.svg) rsvg-convert -o "$stage/${f%.svg}.png" "$src/images/$f" ;;
    *) cp "$src/images/$f" "$stage/$f" ;;
  esac
done
rm -f "$out"
(cd "$stage" && find . -type f | sort | sed 's|^\./||' | zip -q -X -9 "$out" -@)
