#!/usr/bin/env bash
# The command line end to end on a real FAT32 image made by mkfs.fat and mtools:
# deleted files come back byte-identical, JSON parses, errors are clear and non-zero.
# Usage: end_to_end.sh QUILLMERE FIXTURE_DIR SAMPLE_DIR [RUNNER...]
set -u
qm=$1 fixtures=$2 samples=$3
shift 3
runner=("$@")
PATH=$PATH:/usr/sbin:/sbin
export MTOOLS_SKIP_CHECK=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
ok() { echo "ok    $1"; passed=$((passed + 1)); }
bad() { echo "FAIL  $1"; failed=$((failed + 1)); }
q() { "${runner[@]}" "$qm" "$@"; }

image=$work/card.img
mkfs.fat -F 32 -C -n CARD "$image" 40960 >/dev/null
mmd -i "$image" "::/Camera" "::/Camera/Trip 2024" "::/Docs"
mcopy -i "$image" "$samples/baseball.jpg" "::/Camera/Trip 2024/First day.jpg"
mcopy -i "$image" "$samples/testJPEG_EXIF.jpg" "::/Camera/Kept photo.jpg"
cp "$samples/testPDF.pdf" "$work/tax.pdf" && touch -d '2021-05-06 07:08:10Z' "$work/tax.pdf"
mcopy -m -i "$image" "$work/tax.pdf" "::/Docs/Tax return 2024.pdf"  # -m: with its own time
mcopy -i "$image" "$samples/testWAV.wav" "::/Voice memo.wav"
mcopy -i "$image" "$samples/testPDF.pdf" "::/Docs/Copy of report.pdf"
mdel -i "$image" "::/Docs/Tax return 2024.pdf" "::/Voice memo.wav"
mdeltree -i "$image" "::/Camera/Trip 2024"

# recover (deep, the default): every deleted file, byte-identical, into group folders, each once.
out=$work/out
q recover "$image" --to "$out" --state-dir "$work/state" --json >"$work/recover.json" 2>"$work/recover.err"
rc=$?
[ $rc -eq 0 ] && ok "recover exits 0" || { bad "recover exits 0 (got $rc)"; cat "$work/recover.err"; }
cmp -s "$out/photo/First day.jpg" "$samples/baseball.jpg" && ok "deleted photo in a deleted folder" || bad "deleted photo in a deleted folder"
cmp -s "$out/document/Tax return 2024.pdf" "$samples/testPDF.pdf" && ok "deleted document" || bad "deleted document"
cmp -s "$out/audio/Voice memo.wav" "$samples/testWAV.wav" && ok "deleted audio" || bad "deleted audio"
[ ! -e "$out/photo/Kept photo.jpg" ] && ok "live files are not listed as deleted" || bad "live file recovered"

if command -v python3 >/dev/null; then
  python3 - "$work/recover.json" <<'PY' && ok "recover --json parses and counts" || bad "recover --json"
import json, sys
doc = json.load(open(sys.argv[1]))
assert doc["mode"] == "deep" and doc["fileSystem"] == "FAT", doc
assert doc["summary"]["succeeded"] == 3 and doc["summary"]["failed"] == 0, doc["summary"]
assert all(r["ok"] for r in doc["recovered"]), doc["recovered"]
PY
  q list "$image" --state-dir "$work/state" --json >"$work/list.json" 2>/dev/null
  python3 - "$work/list.json" "$image" "$samples/testPDF.pdf" <<'PY' && ok "list --json names, folders, times and runs" || bad "list --json"
import json, sys
doc = json.load(open(sys.argv[1]))
files = {f["name"]: f for f in doc["files"]}
assert files["First day.jpg"]["folder"] == "Camera/Trip 2024/", files["First day.jpg"]
assert files["First day.jpg"]["group"] == "photo" and files["First day.jpg"]["engine"] == "fast-fat"
assert files["Tax return 2024.pdf"]["size"] > 0
assert files["Voice memo.wav"]["modified"].endswith("Z")
# Where the bytes lie: the runs read from the image give the file back.
tax = files["Tax return 2024.pdf"]
image = open(sys.argv[2], "rb").read()
data = b"".join(image[r["offset"]:r["offset"] + r["length"]] for r in tax["runs"])
assert tax["deleted"] is True and tax["id"] >= 2 and tax["firstSector"] == tax["runs"][0]["offset"] // 512
assert data == open(sys.argv[3], "rb").read(), "runs"
PY
  # A recovered file carries the modification time the listing shows for it.
  python3 - "$work/list.json" "$out/document/Tax return 2024.pdf" <<'PY' && ok "recovered files keep their modification time" || bad "recovered file times"
import datetime, json, os, sys
files = {f["name"]: f for f in json.load(open(sys.argv[1]))["files"]}
listed = datetime.datetime.strptime(files["Tax return 2024.pdf"]["modified"], "%Y-%m-%dT%H:%M:%SZ")
written = datetime.datetime.utcfromtimestamp(int(os.stat(sys.argv[2]).st_mtime))
assert listed == written and listed.year == 2021, (listed, written)
PY
  # Group folders taken by plain files: every selected file is counted as failed, none skipped.
  mkdir -p "$work/taken" && : >"$work/taken/photo" && : >"$work/taken/document" && : >"$work/taken/audio"
  q recover "$image" --fast --to "$work/taken" --state-dir "$work/state" --json >"$work/taken.json" 2>/dev/null; rc=$?
  python3 - "$work/taken.json" $rc <<'PY' && ok "taken group folders: every file fails visibly, exit 3" || bad "taken group folders"
import json, sys
summary = json.load(open(sys.argv[1]))["summary"]
assert sys.argv[2] == "3" and summary["selected"] == 3, (sys.argv[2], summary)
assert summary["failed"] == 3 and summary["succeeded"] == 0, summary
PY
  # Control characters in a name from the medium: shown escaped, never obeyed by the terminal;
  # written into JSON as JSON escapes them; replaced in the recovered file's name.
  esc=$work/esc.img
  mkfs.fat -C -n ESC "$esc" 8192 >/dev/null
  mcopy -i "$esc" "$samples/testPDF.pdf" "::/Qtitle Rnote.pdf"
  mdel -i "$esc" "::/Qtitle Rnote.pdf"
  python3 - "$esc" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
# A long-name entry keeps its characters in pieces: "Qtitl" and "e Rnot" are each contiguous.
for plain, hostile in (("Qtitl", "\x1btitl"), ("e Rnot", "e \nnot")):
    before, after = plain.encode("utf-16-le"), hostile.encode("utf-16-le")
    assert data.count(before) == 1, plain
    data = data.replace(before, after)
open(sys.argv[1], "wb").write(data)
PY
  q list "$esc" --fast --state-dir "$work/state" >"$work/esc.txt" 2>/dev/null
  q list "$esc" --fast --state-dir "$work/state" --json >"$work/esc.json" 2>/dev/null
  q recover "$esc" --fast --to "$work/esc-out" --state-dir "$work/state" >/dev/null 2>&1
  ! grep -q $'\x1b' "$work/esc.txt" && grep -qF '\x1btitle \nnote.pdf' "$work/esc.txt" && grep -qF '\u001btitle \nnote.pdf' "$work/esc.json" \
    && cmp -s "$work/esc-out/document/_title _note.pdf" "$samples/testPDF.pdf" \
    && ok "control characters in names: escaped in listings, replaced in recovered names" \
    || { bad "control characters in names"; cat -v "$work/esc.txt"; ls "$work/esc-out"/*; }
else
  echo "skip  JSON checks: python3 is not installed"
fi

# list, --tree, --json and recover show the same files; --path and --dry-run choose and write nothing.
q list "$image" --state-dir "$work/state" 2>/dev/null | tr -d '\r' | sed 's/  .*//' | sort >"$work/flat.txt"
q list "$image" --tree --state-dir "$work/state" 2>/dev/null | tr -d '\r' | grep -v '/$' | sed 's/^ *//; s/  .*//' \
  | sort >"$work/tree.txt"
sed 's#.*/##' "$work/flat.txt" | sort >"$work/flat-names.txt"
python3 -c 'import json,sys; [print(f["name"]) for f in json.load(open(sys.argv[1]))["files"] if not f["isFolder"]]' \
  "$work/list.json" | tr -d '\r' | sort >"$work/json-names.txt"
(cd "$out" && find . -mindepth 2 -type f ! -name '*(*' -printf '%f\n' | sort) >"$work/recovered-names.txt"
cmp -s "$work/flat-names.txt" "$work/tree.txt" && cmp -s "$work/flat-names.txt" "$work/json-names.txt" \
  && cmp -s "$work/flat-names.txt" "$work/recovered-names.txt" && ok "list, --tree, --json and recover agree" \
  || { bad "views disagree"; paste "$work/flat-names.txt" "$work/tree.txt" "$work/json-names.txt" "$work/recovered-names.txt"; }
q recover "$image" --to "$work/dry" --dry-run --path 'camera/**' --state-dir "$work/state" >"$work/dry.txt" 2>/dev/null
[ ! -e "$work/dry" ] && grep -q "First day.jpg" "$work/dry.txt" && ! grep -q "Tax return" "$work/dry.txt" \
  && grep -q "nothing was written" "$work/dry.txt" && ok "--dry-run with --path says what, writes nothing" \
  || { bad "--dry-run"; cat "$work/dry.txt"; }

q recover "$image" --to "$work/kept" --keep-paths --state-dir "$work/state" >/dev/null 2>&1
cmp -s "$work/kept/Camera/Trip 2024/First day.jpg" "$samples/baseball.jpg" && cmp -s "$work/kept/Voice memo.wav" "$samples/testWAV.wav" \
  && ok "--keep-paths rebuilds the folders" || { bad "--keep-paths"; find "$work/kept" -type f; }

# A second recovery into the same folder never overwrites: names get a counter.
q recover "$image" --to "$out" --state-dir "$work/state" >/dev/null 2>&1
cmp -s "$out/photo/First day(1).jpg" "$samples/baseball.jpg" && ok "second recovery gets (1) names" || bad "second recovery names"
# Going on with an interrupted recovery copies only what is missing, under the names it would have had.
before=$(find "$out" -type f | wc -l)
rm "$out/photo/First day.jpg"
q recover "$image" --to "$out" --resume --state-dir "$work/state" >"$work/resume.out" 2>&1
after=$(find "$out" -type f | wc -l)
[ "$before" -eq "$after" ] && cmp -s "$out/photo/First day.jpg" "$samples/baseball.jpg" \
  && grep -q "already recovered" "$work/resume.out" && ok "recover --resume copies only the missing files" \
  || { bad "recover --resume ($before -> $after files)"; find "$out" -type f; }

# Listed times are ISO 8601 with their zone and labelled.
q list "$image" --utc --state-dir "$work/state" 2>/dev/null | tr -d '\r' >"$work/utc.txt"
grep -q "^Docs/Tax return 2024.pdf  size .*  modified 2021-05-06 07:08:10Z$" "$work/utc.txt" \
  && ok "list --utc: labelled ISO times" || { bad "list --utc"; cat "$work/utc.txt"; }

# --type and --group filters.
n=$(q list "$image" --state-dir "$work/state" --group document 2>/dev/null | wc -l)
[ "$n" -eq 1 ] && ok "--group document lists one file" || bad "--group document lists $n files"

# Errors: clear, on standard error, non-zero.
q scan "$work/missing.img" --state-dir "$work/state" >/dev/null 2>"$work/err"; rc=$?
[ $rc -eq 1 ] && grep -q "cannot scan" "$work/err" && ok "missing source: exit 1 with reason" || bad "missing source (rc $rc)"
q scan "$fixtures/blank.img" --fast --state-dir "$work/state" >/dev/null 2>"$work/err"; rc=$?
[ $rc -eq 1 ] && grep -q "file system" "$work/err" && ok "--fast, no file system: exit 1 with reason" || bad "no file system (rc $rc)"
q scan "$fixtures/blank.img" --state-dir "$work/state" >/dev/null 2>"$work/err"; rc=$?
[ $rc -eq 0 ] && ok "deep scan of a blank medium finds nothing and exits 0" || bad "deep scan of a blank medium (rc $rc)"
touch "$work/afile"
q recover "$image" --to "$work/afile/sub" --state-dir "$work/state" >/dev/null 2>"$work/err"; rc=$?
[ $rc -eq 3 ] && grep -q "destination" "$work/err" && ok "unusable destination: exit 3 with reason" || bad "unusable destination (rc $rc)"
# A pipe would make the program wait forever for a writer: refused before it is opened.
# (Windows file systems have no such nodes; under Wine the check is skipped.)
if [ ${#runner[@]} -eq 0 ]; then
  mkfifo "$work/pipe"
  timeout 20 "$qm" probe "$work/pipe" >/dev/null 2>"$work/err"; rc=$?
  timeout 20 "$qm" scan "$work/pipe" --state-dir "$work/state" >/dev/null 2>>"$work/err"; rc2=$?
  [ $rc -eq 1 ] && [ $rc2 -eq 1 ] && grep -q "pipe or socket" "$work/err" && ok "a pipe as source: exit 1 with reason, no wait" \
    || bad "a pipe as source (rc $rc/$rc2)"
fi
q list >/dev/null 2>"$work/err"; rc=$?
[ $rc -eq 2 ] && [ "$(wc -l <"$work/err")" -eq 1 ] && grep -q "quillmere --help list" "$work/err" \
  && ok "bad usage: exit 2, one line pointing at the command's help" || { bad "bad usage (rc $rc)"; cat "$work/err"; }
# Every failure gives a JSON document when one was asked for.
q scan "$work/missing.img" --json --state-dir "$work/state" >"$work/fail.json" 2>/dev/null
q list "$image" --json --frobnicate >"$work/usage.json" 2>/dev/null
python3 - "$work/fail.json" "$work/usage.json" <<'PY' && ok "failures with --json: a document with error and message" || bad "JSON on failure"
import json, sys
fail, usage = (json.load(open(p)) for p in sys.argv[1:])
assert fail["error"] == 2 and fail["exitCode"] == 1 and "missing.img" in fail["message"], fail
assert usage["exitCode"] == 2 and "frobnicate" in usage["message"], usage
PY
q --help recover | grep -q "exit codes" && ok "--help names the exit codes" || bad "--help"

# A deep scan that ran to its end is not called interrupted when the source is scanned again.
q scan "$fixtures/deep/raw.img" --state-dir "$work/again" >/dev/null 2>&1
q scan "$fixtures/deep/raw.img" --state-dir "$work/again" >/dev/null 2>"$work/again.err"
q scan "$fixtures/deep/raw.img" --resume --state-dir "$work/again" >/dev/null 2>>"$work/again.err"
! grep -qi "interrupted" "$work/again.err" && ok "a finished deep scan is not offered as interrupted" \
  || { bad "false interrupted message"; cat "$work/again.err"; }

# Progress in a log moves forward only, its percent agreeing with its sectors.
q scan "$fixtures/deep/raw.img" --state-dir "$work/progress" >/dev/null 2>"$work/progress.txt"
python3 - "$work/progress.txt" <<'PY' && ok "progress lines are monotone and consistent" || { bad "progress"; cat "$work/progress.txt"; }
import re, sys
last = (-1, -1)
for line in open(sys.argv[1]):
    m = re.match(r"\s*(\d+)%\s+(\d+) of (\d+) sectors", line)
    if not m:
        continue
    percent, done, total = map(int, m.groups())
    assert (percent, done) >= last, (line, last)
    assert percent == done * 100 // total, line
    last = (percent, done)
assert last[0] == 100, last
PY

# --deep: files no file system names are found by their content and come back whole.
q recover "$fixtures/deep/raw.img" --deep --to "$work/deep" --state-dir "$work/state" >/dev/null 2>&1; rc=$?
[ $rc -eq 0 ] && ok "deep recovery of a raw medium exits 0" || bad "deep recovery (rc $rc)"
cmp -s "$work/deep/photo/100.jpg" "$samples/testJPEG_EXIF.jpg" && ok "carved JPEG byte-identical" || bad "carved JPEG"
cmp -s "$work/deep/document/400.pdf" "$samples/testPDF.pdf" && ok "carved PDF byte-identical" || bad "carved PDF"
# After a quick format the deleted and live files of the card come back by the deep scan.
cp "$image" "$work/formatted.img"
mkfs.fat -F 32 -n CARD "$work/formatted.img" >/dev/null
q recover "$work/formatted.img" --deep --to "$work/formatted" --state-dir "$work/state" >/dev/null 2>&1
cmp -s "$work/formatted/photo/Kept photo.jpg" "$samples/testJPEG_EXIF.jpg" && ok "quick-formatted card: a file comes back by name" \
  || { bad "quick-formatted card"; find "$work/formatted" -type f | head; }
# The deep mode lists the card's live files too; --deleted-only leaves them out.
q list "$work/formatted.img" --deleted-only --state-dir "$work/state" 2>/dev/null | tr -d '\r' >"$work/deleted-only.txt"
grep -q "First day.jpg" "$work/deleted-only.txt" && ! grep -q "Kept photo.jpg" "$work/deleted-only.txt" \
  && ok "--deleted-only leaves out files that were live" || { bad "--deleted-only"; cat "$work/deleted-only.txt"; }

# An exFAT card: its deleted files by name, byte-identical, in fast and deep mode alike.
for mode in --fast --deep; do
  rm -rf "$work/exfat"
  q recover "$fixtures/exfat/exfat-512-c4k.img" $mode --to "$work/exfat" --json --state-dir "$work/state" \
    >"$work/exfat.json" 2>/dev/null
  python3 - "$work/exfat.json" "$fixtures/exfat/exfat-512-c4k.expected.tsv" "$work/exfat" <<'PY' \
    && ok "exFAT $mode: deleted files by name, byte-identical" || bad "exFAT $mode"
import hashlib, json, os, sys
doc = json.load(open(sys.argv[1]))
assert doc["fileSystem"] == "exFAT", doc["fileSystem"]
expected = [l.rstrip("\n").split("\t") for l in open(sys.argv[2]) if l.startswith("deleted")]
intact = [e for e in expected if e[1] != "Frag/f2.bin"]  # its clusters went to a live file
assert len(intact) == 6, intact
for state, path, size, sha in intact:
    name = os.path.basename(path)
    groups = [g for g in os.listdir(sys.argv[3]) if os.path.isdir(os.path.join(sys.argv[3], g))]
    found = [g for g in groups for q in os.listdir(os.path.join(sys.argv[3], g)) if q == name]
    assert found, name
    data = open(os.path.join(sys.argv[3], found[0], name), "rb").read()
    assert hashlib.sha256(data).hexdigest() == sha, name
PY
done

# A copy that fails part-way keeps what was read under a name nobody takes for a good file,
# and a copy that read nothing leaves no empty file behind.
mkfs.fat -C -F 16 "$work/cut.img" 16384 >/dev/null
head -c 300000 /dev/urandom >"$work/big.bin"; echo small >"$work/small.txt"
mcopy -i "$work/cut.img" "$work/big.bin" "$work/small.txt" ::/ && mdel -i "$work/cut.img" ::/big.bin ::/small.txt
truncate -s 201200 "$work/cut.img"  # data starts at 51200: big.bin is cut after 150,000 bytes
q recover "$work/cut.img" --fast --to "$work/cut" --state-dir "$work/state" >"$work/cut.out" 2>&1; rc=$?
if [ $rc -eq 3 ] && [ -f "$work/cut/others/!ig.partial.bin" ] && [ ! -e "$work/cut/others/!ig.bin" ] \
   && [ ! -e "$work/cut/document/!mall.txt" ] && grep -q "^PARTIAL.*medium ends before this file" "$work/cut.out" \
   && cmp -s "$work/cut/others/!ig.partial.bin" <(head -c "$(stat -c %s "$work/cut/others/!ig.partial.bin")" "$work/big.bin"); then
  ok "a copy cut short by the image's end is kept as name.partial.ext and says why; an empty one is removed"
else
  bad "partial copies (rc $rc)"; cat "$work/cut.out"; find "$work/cut" -type f
fi

# A folder chain deeper than a tree listing indents: the listing says where it stopped.
python3 "$(dirname "$0")/../../bench/fat_deep_tree.py" "$work/deep-tree.img" 300
q list "$work/deep-tree.img" --fast --tree --state-dir "$work/state" >/dev/null 2>"$work/tree.err"; rc=$?
[ $rc -eq 0 ] && grep -q "shown 256 levels deep; the contents of 1 deeper folder" "$work/tree.err" \
  && ok "list --tree says where a deep tree stops" || { bad "deep tree (rc $rc)"; cat "$work/tree.err"; }

# A whole-disk image: its partitions are listed, scanned in turn and named by their entry.
if command -v sfdisk >/dev/null; then
  disk=$work/disk.img
  truncate -s 100M "$disk"
  printf 'label: dos\nstart=2048, size=102400, type=c\nstart=104448, size=81920, type=6\n' | sfdisk -q "$disk"
  mkfs.fat -F 32 --offset 2048 -n PART1 "$disk" 51200 >/dev/null 2>&1
  mkfs.fat -F 16 --offset 104448 -n PART2 "$disk" 40960 >/dev/null 2>&1
  p1=$disk@@$((2048 * 512)) p2=$disk@@$((104448 * 512))
  mmd -i "$p1" ::/DCIM && mcopy -i "$p1" "$samples/baseball.jpg" "::/DCIM/Beach.jpg"
  mcopy -i "$p2" "$samples/testWAV.wav" "::/Memo.wav" && mcopy -i "$p2" "$samples/testPDF.pdf" "::/Kept.pdf"
  mdel -i "$p1" "::/DCIM/Beach.jpg" && mdel -i "$p2" "::/Memo.wav"
  q media "$disk" >"$work/disk.media" 2>&1
  grep -q "MBR partition table" "$work/disk.media" && grep -q "disk.img:1 .*FAT32 .*PART1" "$work/disk.media" \
    && grep -q "disk.img:2 .*PART2" "$work/disk.media" && ok "media IMAGE lists the partitions of a disk image" \
    || { bad "media IMAGE"; cat "$work/disk.media"; }
  q list "$disk" --fast --state-dir "$work/state" >"$work/disk.list" 2>/dev/null; rc=$?
  [ $rc -eq 0 ] && grep -qi "^p1/dcim/.each.jpg" "$work/disk.list" && grep -qi "^p2/.emo.wav" "$work/disk.list" \
    && ok "list of a disk image names files by partition" || { bad "disk image list (rc $rc)"; cat "$work/disk.list"; }
  q list "$disk:2" --fast --state-dir "$work/state" >"$work/disk2.list" 2>/dev/null
  [ "$(wc -l <"$work/disk2.list")" -eq 1 ] && grep -qi "^.emo.wav" "$work/disk2.list" \
    && ok "IMAGE:2 is the second partition alone" || { bad "IMAGE:2"; cat "$work/disk2.list"; }
  q recover "$disk" --to "$work/disk-out" --state-dir "$work/state" >/dev/null 2>&1; rc=$?
  [ $rc -eq 0 ] && cmp -s "$work/disk-out/photo/Beach.jpg" "$samples/baseball.jpg" \
    && cmp -s "$work/disk-out/audio/Memo.wav" "$samples/testWAV.wav" \
    && ok "deep recovery of a disk image: each partition's deleted files, byte-identical" \
    || { bad "disk image recovery (rc $rc)"; find "$work/disk-out" -type f; }
else
  echo "skip  whole-disk images (sfdisk is not installed)"
fi

# The source image is never written.
before=$(cksum <"$image")
q recover "$image" --to "$work/out2" --state-dir "$work/state" >/dev/null 2>&1
[ "$before" = "$(cksum <"$image")" ] && ok "the source is unchanged" || bad "the source changed"

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
