#!/usr/bin/env bash
# The main job: builds the command-line program, makes a FAT32 disk image with the real mkfs
# tools holding sample photos, documents and audio, deletes some files and a whole folder,
# recovers them with quillmere, and checks each recovered file against its original.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh native
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_TESTS=OFF >/dev/null
ninja -C build/release quillmere >/dev/null
qm=build/release/quillmere

work=build/demo
rm -rf "$work" && mkdir -p "$work"
image=$work/sample-fat32.img
samples=tests/data/demo
PATH=$PATH:/usr/sbin:/sbin
export MTOOLS_SKIP_CHECK=1

echo "== Making a 64 MiB FAT32 image with sample files"
mkfs.fat -F 32 -C -n SAMPLE "$image" 65536 >/dev/null
mmd -i "$image" ::/Photos ::/Photos/Holiday ::/Documents ::/Music
mcopy -i "$image" "$samples/baseball.jpg" "$samples/baseball.png" ::/Photos/
mcopy -i "$image" "$samples/testJPEG_EXIF.jpg" ::/Photos/Holiday/beach.jpg
mcopy -i "$image" "$samples/testPDF.pdf" "$samples/testWORD.docx" "$samples/testEXCEL.xlsx" ::/Documents/
mcopy -i "$image" "$samples/test2.mp3" "$samples/testWAV.wav" "$samples/Front_Center.wav" ::/Music/
mcopy -i "$image" "$samples/moby.zip" ::/moby.zip

echo "== Deleting files and the folder Photos/Holiday, as an unlucky user would"
mdel -i "$image" ::/Photos/baseball.jpg ::/Documents/testWORD.docx ::/Music/test2.mp3 ::/moby.zip
mdeltree -i "$image" ::/Photos/Holiday
mdir -/ -i "$image" ::/ | sed 's/^/  /'

echo "== quillmere list (deleted files and folders found)"
"$qm" list "$image" --state-dir "$work/state"

echo "== quillmere recover"
"$qm" recover "$image" --to "$work/recovered" --state-dir "$work/state" || true

echo "== Checking the recovered files against their originals"
check() {  # recovered path, original
  if [ ! -f "$1" ]; then
    echo "  MISSING    $1"
    return 1
  elif cmp -s "$1" "$2"; then
    echo "  identical  $1"
  else
    echo "  DIFFERENT  $1"
    return 1
  fi
}
bad=0
check "$work/recovered/photo/baseball.jpg" "$samples/baseball.jpg" || bad=1
check "$work/recovered/document/testWORD.docx" "$samples/testWORD.docx" || bad=1
check "$work/recovered/audio/test2.mp3" "$samples/test2.mp3" || bad=1
check "$work/recovered/archive/moby.zip" "$samples/moby.zip" || bad=1
check "$work/recovered/photo/beach.jpg" "$samples/testJPEG_EXIF.jpg" || bad=1
if [ $bad -eq 0 ]; then
  echo "All deleted files came back byte-identical."
else
  echo "Some files did not come back as they were."
  exit 1
fi
