#!/usr/bin/env bash
# Times "Extract l" on a ~100 MB zip and a ~100 MB tar with many entries, natively and under Wine.
# Usage: bench/archive_listing_bench.sh NATIVE_BUILD_DIR [WINDOWS_BUILD_DIR]
set -euo pipefail
native=${1:?native build folder}
windows=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 20,000 files of 5 KiB of random bytes (incompressible, so the zip is ~100 MB as well).
mkdir -p "$work/tree"
head -c $((20000 * 5120)) /dev/urandom > "$work/blob"
(cd "$work/tree" && split -b 5120 -a 5 -d ../blob f_ && rm ../blob)
(cd "$work" && zip -q -0 -r big.zip tree && tar -cf big.tar tree)
ls -l "$work/big.zip" "$work/big.tar" | awk '{print $5, $9}'

run() {  # label, command...
    local start end
    start=$(date +%s.%N)
    "${@:2}" > "$work/out.txt"
    end=$(date +%s.%N)
    printf '%-28s %6.2f s  %s rows\n' "$1" "$(echo "$end - $start" | bc)" "$(grep -c '^[0-9 ]' "$work/out.txt")"
}

for archive in big.zip big.tar; do
    run "native $archive" "$native/bin/Extract" l "$work/$archive"
done
if [ -n "$windows" ]; then
    export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-$HOME/.wine-quillmere}
    wine "$windows/bin/Extract.exe" l "$work/big.zip" > /dev/null 2>&1 || true  # start Wine once
    for archive in big.zip big.tar; do
        run "wine $archive" wine "$windows/bin/Extract.exe" l "Z:$work/$archive"
    done
fi
