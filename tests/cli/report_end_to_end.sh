#!/usr/bin/env bash
# The recovery report end to end: a FAT32 image made by mkfs.fat and mtools with a deleted
# fragmented file and a deleted contiguous one; report.xml must parse, and its byte runs read
# from the image and its digests must both give back the bytes that were written.
# Usage: report_end_to_end.sh QUILLMERE [RUNNER...]
set -u
qm=$1
shift
runner=("$@")
PATH=$PATH:/usr/sbin:/sbin
export MTOOLS_SKIP_CHECK=1
command -v python3 >/dev/null || { echo "SKIP  python3 is needed"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

image=$work/card.img
mkfs.fat -F 32 -s 1 -C -n CARD "$image" 40960 >/dev/null
python3 - "$work" <<'PY'
import random, sys
rng = random.Random(23)
for name, size in (("f1", 1000), ("f2", 1000), ("f3", 1000), ("frag", 5000), ("gone", 3000)):
    open(f"{sys.argv[1]}/{name}", "wb").write(bytes(rng.randrange(256) for _ in range(size)))
PY
for f in F1 F2 F3; do mcopy -i "$image" "$work/${f,,}" "::/$f.BIN"; done
mdel -i "$image" ::/F2.BIN
# mtools allocates after the last cluster it handed out; pointing FSInfo's hint back at the
# start makes the next file fill F2's gap first and go on behind F3: a fragmented chain.
python3 -c "import sys; f = open(sys.argv[1], 'r+b'); f.seek(512 + 0x1EC); f.write((2).to_bytes(4, 'little'))" "$image"
mcopy -i "$image" "$work/frag" ::/FRAG.BIN
mcopy -i "$image" "$work/gone" "::/Gone file.bin"
mdel -i "$image" "::/Gone file.bin"
# FRAG.BIN is deleted the way a system that only marks the entry does: its chain stays in the table.
python3 - "$image" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
at = data.find(b"FRAG    BIN")
assert at > 0
data[at] = 0xE5
open(sys.argv[1], "wb").write(data)
PY

out=$work/out
"${runner[@]}" "$qm" recover "$image" --to "$out" --state-dir "$work/state" --quiet >"$work/recover.txt" 2>&1
rc=$?
[ $rc -eq 0 ] || { echo "FAIL  recover exits 0 (got $rc)"; cat "$work/recover.txt"; exit 1; }

python3 - "$image" "$out" "$work" <<'PY'
import hashlib, os, sys
import xml.etree.ElementTree as ET
image, out, work = sys.argv[1:]
ns = {"d": "http://www.forensicswiki.org/wiki/Category:Digital_Forensics_XML", "qm": "urn:quillmere"}
root = ET.parse(os.path.join(out, "report.xml")).getroot()
assert root.find("d:creator/d:program", ns).text == "quillmere"
assert root.find("d:source/d:image_filename", ns).text == image
assert root.find("d:source/d:sectorsize", ns).text == "512"
medium = open(image, "rb").read()
seen = {}
for fo in root.findall("d:fileobject", ns):
    name = fo.find("d:filename", ns).text
    size = int(fo.find("d:filesize", ns).text)
    # Under Wine the path comes back with Windows separators (and maybe a drive).
    written_to = fo.find("qm:recovered_to", ns).text.replace("\\", "/")
    written = open(written_to[2:] if written_to[1:2] == ":" else written_to, "rb").read()
    digests = {h.get("type"): h.text for h in fo.findall("d:hashdigest", ns)}
    assert digests == {"md5": hashlib.md5(written).hexdigest(), "sha1": hashlib.sha1(written).hexdigest()}, name
    runs = fo.findall("d:byte_runs/d:byte_run", ns)
    assert runs, name
    assert [int(r.get("file_offset")) for r in runs] == [sum(int(r.get("len")) for r in runs[:i]) for i in range(len(runs))]
    joined = b"".join(medium[int(r.get("img_offset")):int(r.get("img_offset")) + int(r.get("len"))] for r in runs)
    assert joined[:size] == written, name
    seen[name] = (len(runs), hashlib.sha1(written).hexdigest(), fo.find("d:unalloc", ns).text)
# By content: the deleted short name has lost its first letter.
want = {hashlib.sha1(open(os.path.join(work, f), "rb").read()).hexdigest(): f for f in ("frag", "gone")}
assert sorted(want[s[1]] for s in seen.values()) == ["frag", "gone"], seen
assert {want[s[1]]: s[0] for s in seen.values()}["frag"] == 2, "the fragmented file has two runs"
assert all(s[2] == "1" for s in seen.values()), seen
text = open(os.path.join(out, "report.txt"), encoding="utf-8").read()
for name, (_, sha1, _) in seen.items():
    assert "on the source: " + name in text and sha1 in text, name
PY
[ $? -eq 0 ] && echo "ok    report.xml and report.txt describe every recovered file" || exit 1
