#!/usr/bin/env bash
# The main job: builds the command-line program, makes a sample FAT32 disk image with the real
# mkfs tools and sample files, and shows what the program makes of it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh native
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_TESTS=OFF >/dev/null
ninja -C build/release quillmere >/dev/null

work=build/demo
rm -rf "$work" && mkdir -p "$work"
image=$work/sample-fat32.img
PATH=$PATH:/usr/sbin:/sbin
mkfs.fat -F 32 -C -n SAMPLE "$image" 65536 >/dev/null
export MTOOLS_SKIP_CHECK=1
printf 'Quillmere sample document\n' > "$work/notes.txt"
mmd -i "$image" ::/Photos
mcopy -i "$image" "$work/notes.txt" ::/notes.txt
echo "Sample image: $image"
mdir -i "$image" ::/ | sed 's/^/  /'
echo
build/release/quillmere probe "$image"
