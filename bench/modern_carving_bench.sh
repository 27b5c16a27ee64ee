#!/usr/bin/env bash
# Carving of today's formats against PhotoRec (Debian's testdisk), on the same image in one
# run: the repository's real samples of HEIC, AVIF, CR3, M4A, M4V, camcorder MTS, OpenType,
# WebP, camera raw, FLAC, Ogg, Opus, Theora, AAC, EPUB, OpenDocument, JPEG with thumbnails,
# progressive JPEG, an updated PDF, bzip2 and ZIP files, each laid down 10 times on sector
# boundaries between random bytes (the slack after a file is random too, as on a used card).
# Reports per format how many copies each program returns byte-identical.
#   bash bench/modern_carving_bench.sh [build folder, default build-bench]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
work=${QM_MODERN_BENCH_DIR:-/tmp/qm-modern-bench}
export LC_ALL=C.UTF-8 PATH=$PATH:/usr/sbin:/sbin
command -v photorec >/dev/null || { sudo=; [ "$(id -u)" -ne 0 ] && sudo=sudo
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq testdisk >/dev/null; }
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_TESTS=OFF >/dev/null
ninja -C "$build" -j2 quillmere >/dev/null
rm -rf "$work" && mkdir -p "$work"
s=$root/tests/data/samples
# rw2: its raw data was cut out of the sample, so no program can return it whole.
python3 - "$work/modern.img" "$work/files.tsv" \
  $s/heic/* $s/avif/* $s/cr3/* $s/m4a/* $s/webp/* $s/cr2/* $s/nef/* $s/dng/* $s/raf/* \
  $s/m4v/* $s/mts/* $s/otf/* $s/bz2/* $s/flac/* $s/ogg/* $s/opus/* $s/ogv/* $s/aac/* \
  $s/epub/* $s/odt/* $s/ods/* $s/odp/* \
  $s/jpg/exif_thumbnail.jpg $s/jpg/progressive.jpg $s/pdf/incremental_update.pdf $s/zip/* <<'PY'
import hashlib, os, random, sys
image, table, files = sys.argv[1], sys.argv[2], sys.argv[3:]
r = random.Random(7)
with open(image, "wb") as out, open(table, "w") as t:
    for copy in range(10):
        for f in files:
            data = open(f, "rb").read()
            out.write(r.randbytes(512 * r.randint(1, 8)))
            out.write(data)
            out.write(r.randbytes(-out.tell() % 512))
            if copy == 0:
                t.write(f"{hashlib.sha256(data).hexdigest()}\t{os.path.basename(os.path.dirname(f))}/{os.path.basename(f)}\n")
    out.write(r.randbytes(64 * 1024))
PY
"$build/quillmere" recover "$work/modern.img" --to "$work/quillmere" --state-dir "$work/state" >/dev/null 2>&1 || true
mkdir -p "$work/photorec"
(cd "$work" && photorec /log /d "$work/photorec/recup" /cmd "$work/modern.img" \
  partition_none,fileopt,everything,enable,wholespace,search) >/dev/null 2>&1 || true
find "$work/quillmere" -type f -print0 | xargs -0 -r sha256sum | awk '{print $1}' > "$work/qm.sha256"
find "$work/photorec" -type f -print0 | xargs -0 -r sha256sum | awk '{print $1}' > "$work/pr.sha256"
python3 - "$work/files.tsv" "$work/qm.sha256" "$work/pr.sha256" <<'PY'
import collections, sys
files = [line.rstrip("\n").split("\t") for line in open(sys.argv[1])]
qm = collections.Counter(l.strip() for l in open(sys.argv[2]))
pr = collections.Counter(l.strip() for l in open(sys.argv[3]))
print(f"{'sample':40} {'quillmere':>10} {'photorec':>9}   (of 10 copies each)")
tq = tp = 0
for h, name in files:
    q, p = min(qm[h], 10), min(pr[h], 10)
    tq += q; tp += p
    print(f"{name:40} {q:10} {p:9}")
print(f"{'total of ' + str(10 * len(files)):40} {tq:10} {tp:9}")
PY
