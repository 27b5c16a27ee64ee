#!/usr/bin/env bash
# Builds everything and runs every test: native, native under AddressSanitizer and
# UndefinedBehaviorSanitizer, Windows 32-bit under Wine, and a short fuzzing round.
# Usage: scripts/test.sh            (from anywhere; builds into build/ of the repository)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh all || { echo "setup failed"; exit 1; }

jobs=$(nproc 2>/dev/null || echo 2)
status=0
summary=()
total_passed=0
total_failed=0

# ctest prints "N% tests passed, F tests failed out of T"; keep the counts for the summary.
record() {  # name, log
  local line passed failed
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$2" | tail -n 1)
  if [ -z "$line" ]; then
    summary+=("$1: no test summary (build or setup failed)")
    status=1
    return
  fi
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  passed=$(( $(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line") - failed ))
  summary+=("$1: $passed passed, $failed failed$3")
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed))
  [ "$failed" -eq 0 ] || status=1
}

build_and_test() {  # name, build dir, extra ctest args, cmake args...
  local name=$1 dir=$2 ctest_args=$3
  shift 3
  local log=$dir.log
  echo "== $name"
  mkdir -p "$dir"
  if ! cmake -S . -B "$dir" -G Ninja "$@" >"$log" 2>&1 || ! ninja -C "$dir" -j"$jobs" >>"$log" 2>&1; then
    tail -n 60 "$log"
    summary+=("$name: build failed")
    status=1
    return
  fi
  ctest --test-dir "$dir" -j"$jobs" --output-on-failure $ctest_args 2>&1 | tee -a "$log" | tail -n 25
  local cases=""
  if [ "$name" = windows ]; then
    local n
    n=$(grep -hoE '\[  PASSED  \] [0-9]+ tests?' "$log" | awk '{s+=$4} END {print s+0}')
    cases=" ($n test cases in $(grep -cE '^ *[0-9]+/[0-9]+ Test +#' "$log") programs under Wine)"
  fi
  record "$name" "$log" "$cases"
}

build_and_test native build/native "" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_BENCH=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  build_and_test sanitizers build/sanitize "" -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=ON

# Wine: one quiet prefix, made before the tests so its first start is not timed against them.
export WINEDEBUG=-all
wine=$(command -v wine || command -v wine-stable || echo /usr/lib/wine/wine)
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-quillmere}
[ -d "$WINEPREFIX" ] || "$wine" wineboot -i >/dev/null 2>&1 || true
build_and_test windows build/win "-V" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

# Fuzzing: every target for a short, bounded time, from its seed corpus.
echo "== fuzz"
fuzzlog=build/fuzz.log
if CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_FUZZ=ON \
     -DQM_TESTS=OFF >"$fuzzlog" 2>&1 && ninja -C build/fuzz -j"$jobs" >>"$fuzzlog" 2>&1; then
  fuzz_ok=0
  fuzz_bad=0
  for f in build/fuzz/tests/fuzz/*_fuzz; do
    [ -x "$f" ] || continue
    name=$(basename "$f")
    corpus=build/fuzz/corpus/$name
    mkdir -p "$corpus"
    seeds=tests/fuzz/seeds/${name%_fuzz}
    if "$f" -max_total_time="${QM_FUZZ_SECONDS:-20}" -rss_limit_mb=2048 -timeout=10 "$corpus" \
         $( [ -d "$seeds" ] && echo "$seeds" ) >"build/fuzz/$name.log" 2>&1; then
      echo "$name: $(grep -oE 'Done [0-9]+ runs in [0-9]+ second.*' "build/fuzz/$name.log" | tail -n 1)"
      fuzz_ok=$((fuzz_ok + 1))
    else
      tail -n 40 "build/fuzz/$name.log"
      fuzz_bad=$((fuzz_bad + 1))
      status=1
    fi
  done
  summary+=("fuzz: $fuzz_ok passed, $fuzz_bad failed")
  total_passed=$((total_passed + fuzz_ok))
  total_failed=$((total_failed + fuzz_bad))
else
  tail -n 40 "$fuzzlog"
  summary+=("fuzz: build failed")
  status=1
fi

echo
echo "== summary"
printf '%s\n' "${summary[@]}"
echo "total: $total_passed passed, $total_failed failed"
exit $status
