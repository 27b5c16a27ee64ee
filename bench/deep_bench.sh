#!/usr/bin/env bash
# The deep-scan benchmark against PhotoRec (Debian's testdisk), on the same image in one run.
# The image: a 2 GiB FAT32 card filled with real files of every carved kind (the public
# samples, 80 copies in folders) plus random and text files, then quick-formatted, so only a
# deep scan or a carver gets anything back. The image is read once first so both programs
# read it from the page cache.
# A second image holds the same files with no file system at all (40 copies laid end to end
# at 4 KiB boundaries), so both programs can only carve.
# PhotoRec writes its log (photorec.log) into the work folder.
# Reports, for quillmere's deep scan (scan alone, and scan + recovery of everything) and for
# PhotoRec: seconds, MB/s, and how many of the image's files came back byte-identical.
#   bash bench/deep_bench.sh [build folder, default build-bench]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
work=${QM_DEEP_BENCH_DIR:-/tmp/qm-deep-bench}
samples=${QM_DEEP_BENCH_SAMPLES:-$root/../shared/data/samples}
copies=${QM_DEEP_BENCH_COPIES:-80}
export LC_ALL=C.UTF-8 PATH=$PATH:/usr/sbin:/sbin MTOOLS_SKIP_CHECK=1
command -v photorec >/dev/null || { sudo=; [ "$(id -u)" -ne 0 ] && sudo=sudo
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq testdisk >/dev/null; }
[ -d "$samples" ] || samples=$root/tests/data/demo
image=$work/mixed-2g.img
set_dir=$work/set
mkdir -p "$work"

# The set is made the same way every time (seeded noise), so a kept image matches a set
# made again after /tmp was cleared.
if [ ! -d "$set_dir" ]; then
  mkdir -p "$set_dir.tmp"
  n=0
  while IFS= read -r -d '' f; do
    n=$((n + 1)); cp "$f" "$set_dir.tmp/$(printf '%03d' $n)_$(basename "$f")"
  done < <(find "$samples" -type f -print0 | sort -z)
  python3 -c "import random, sys; r = random.Random(int(sys.argv[2])); open(sys.argv[1], 'wb').write(r.randbytes(int(sys.argv[3])))" \
    "$set_dir.tmp/random_a.bin" 1 3000000
  python3 -c "import random, sys; r = random.Random(int(sys.argv[2])); open(sys.argv[1], 'wb').write(r.randbytes(int(sys.argv[3])))" \
    "$set_dir.tmp/random_b.bin" 2 700000
  seq 1 200000 > "$set_dir.tmp/numbers.txt"
  mv "$set_dir.tmp" "$set_dir"
fi
if [ ! -f "$image" ]; then
  echo "Building $image (once)..."
  rm -f "$image.tmp" && truncate -s 2G "$image.tmp"
  mkfs.fat -F 32 -s 8 -n MIXED "$image.tmp" >/dev/null
  for i in $(seq -w 1 "$copies"); do mcopy -s -Q -i "$image.tmp" "$set_dir" "::/Set$i"; done
  mkfs.fat -F 32 -s 8 -n MIXED "$image.tmp" >/dev/null   # the quick format: new tables, data kept
  mv "$image.tmp" "$image"
fi
( cd "$set_dir" && sha256sum -- * ) | awk '{print $1}' > "$work/originals.sha256"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_TESTS=OFF >/dev/null
ninja -C "$build" -j2 quillmere >/dev/null
qm=$build/quillmere

# Byte-identical recoveries: outputs whose content is one of the image's files, each file of
# the image counted at most once (it is there $copies times).
identical() {  # folder, copies of each file in the image
  find "$1" -type f -print0 | xargs -0 -r sha256sum | awk '{print $1}' > "$work/out.sha256"
  awk -v copies="$2" 'NR == FNR { want[$1] = copies; next } ($1 in want) && want[$1] > 0 { want[$1]--; n++ }
       END { print n + 0 }' "$work/originals.sha256" "$work/out.sha256"
}
seconds() { python3 -c "import sys; print(f'{float(sys.argv[2]) - float(sys.argv[1]):.2f}')" "$1" "$2"; }
now() { date +%s.%N; }

raw=$work/raw-mixed.img
if [ ! -f "$raw" ]; then
  python3 - "$set_dir" "$raw" <<'PY'
import os, sys
folder, out = sys.argv[1], open(sys.argv[2], "wb")
for copy in range(40):
    for name in sorted(os.listdir(folder)):
        out.write(open(os.path.join(folder, name), "rb").read())
        out.write(b"\0" * (-out.tell() % 4096))
PY
fi

# compare IMAGE COPIES LABEL: times quillmere (scan; scan + recovery) and PhotoRec on IMAGE.
compare() {
  local image=$1 copies=$2 label=$3
  local size_mb=$(( $(stat -c %s "$image") / 1000000 ))
  cat "$image" > /dev/null
  rm -rf "$work/state" "$work/quillmere" "$work/photorec"
  local t0 t1 scan_s qm_s pr_s qm_ok pr_ok
  t0=$(now); "$qm" scan "$image" --state-dir "$work/state" >/dev/null 2>&1; t1=$(now)
  scan_s=$(seconds "$t0" "$t1")
  rm -rf "$work/state"
  t0=$(now); "$qm" recover "$image" --to "$work/quillmere" --state-dir "$work/state" >/dev/null 2>&1 || true; t1=$(now)
  qm_s=$(seconds "$t0" "$t1")
  qm_ok=$(identical "$work/quillmere" "$copies")
  mkdir -p "$work/photorec"
  t0=$(now)
  (cd "$work" && photorec /log /d "$work/photorec/recup" /cmd "$image" partition_none,fileopt,everything,enable,wholespace,search) \
    >/dev/null 2>&1 || true
  t1=$(now)
  pr_s=$(seconds "$t0" "$t1")
  pr_ok=$(identical "$work/photorec" "$copies")
  local total=$(( $(wc -l < "$work/originals.sha256") * copies ))
  python3 - "$size_mb" "$scan_s" "$qm_s" "$pr_s" "$qm_ok" "$pr_ok" "$total" "$label" <<'PY'
import sys
mb, scan, qm, pr = int(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4])
qm_ok, pr_ok, total, label = int(sys.argv[5]), int(sys.argv[6]), int(sys.argv[7]), sys.argv[8]
print(f"image: {mb} MB, {total} files ({label})")
print(f"  quillmere deep scan:            {scan:7.2f} s  {mb / scan:8.1f} MB/s")
print(f"  quillmere deep scan + recovery: {qm:7.2f} s  {mb / qm:8.1f} MB/s  byte-identical: {qm_ok}")
print(f"  photorec (carve + write):       {pr:7.2f} s  {mb / pr:8.1f} MB/s  byte-identical: {pr_ok}")
print(f"  throughput ratio, scan alone:        {pr / scan:.1f}x")
print(f"  throughput ratio, scan + recovery:   {pr / qm:.1f}x")
PY
}

compare "$image" "$copies" "quick-formatted FAT32"
compare "$raw" 40 "no file system: carving only"
exit 0
