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
# Long names, as cameras and desktops write them; a deleted plain 8.3 name loses its first
# letter on FAT, which is why recovered short names start with "!".
mcopy -i "$image" "$samples/baseball.jpg" "::/Photos/Baseball game.jpg"
mcopy -i "$image" "$samples/baseball.png" "::/Photos/Baseball game.png"
mcopy -i "$image" "$samples/testJPEG_EXIF.jpg" "::/Photos/Holiday/Beach at noon.jpg"
mcopy -i "$image" "$samples/testPDF.pdf" "::/Documents/Quarterly report.pdf"
mcopy -i "$image" "$samples/testWORD.docx" "::/Documents/Letter to the bank.docx"
mcopy -i "$image" "$samples/testEXCEL.xlsx" "::/Documents/Household budget.xlsx"
mcopy -i "$image" "$samples/test2.mp3" "::/Music/Favourite song.mp3"
mcopy -i "$image" "$samples/testWAV.wav" "::/Music/Door bell.wav"
mcopy -i "$image" "$samples/Front_Center.wav" "::/Music/Front center.wav"
mcopy -i "$image" "$samples/moby.zip" "::/Moby Dick.zip"

echo "== Deleting files and the folder Photos/Holiday, as an unlucky user would"
mdel -i "$image" "::/Photos/Baseball game.jpg" "::/Documents/Letter to the bank.docx" \
  "::/Music/Favourite song.mp3" "::/Moby Dick.zip"
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
check "$work/recovered/photo/Baseball game.jpg" "$samples/baseball.jpg" || bad=1
check "$work/recovered/document/Letter to the bank.docx" "$samples/testWORD.docx" || bad=1
check "$work/recovered/audio/Favourite song.mp3" "$samples/test2.mp3" || bad=1
check "$work/recovered/archive/Moby Dick.zip" "$samples/moby.zip" || bad=1
check "$work/recovered/photo/Beach at noon.jpg" "$samples/testJPEG_EXIF.jpg" || bad=1
if [ $bad -eq 0 ]; then
  echo "All deleted files came back byte-identical."
else
  echo "Some files did not come back as they were."
  exit 1
fi
