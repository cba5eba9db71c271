#!/usr/bin/env bash
# Every test: installs what is missing, builds the project twice (plain, and
# under AddressSanitizer with UndefinedBehaviorSanitizer) and runs all the
# tests of both through CTest, after a short run of each fuzz target (a third
# build, with clang; tools/fuzz.sh runs them for longer). The corpus of real
# files is taken from ../shared/corpus beside the project when present (or
# from CELVO_CORPUS_DIR). The output ends with the counts of tests passed,
# skipped and failed; a skipped test (something it needs is missing) fails
# the command unless CELVO_ALLOW_SKIPS=1 is set.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/install-deps.sh"
corpus="${CELVO_CORPUS_DIR:-$root/../shared/corpus}"
if [ -d "$corpus" ]; then
  corpus="$(cd "$corpus" && pwd)"
else
  echo "corpus folder $corpus not found: the tests over real files will be skipped, which fails the command"
  corpus=""
fi
jobs="$(nproc 2>/dev/null || echo 2)"
# Each fuzz target first runs all its seeds, then mutates them for a minute
# on eight cores or more; on fewer, for a share of the minute (at least 15 s),
# so that the fuzz step takes about two minutes on any machine.
fuzz_seconds=$(( jobs >= 8 ? 60 : (jobs * 60 / 8 < 15 ? 15 : jobs * 60 / 8) ))
# Line tables only: enough for every sanitizer and crash report, and the
# three builds compile faster than with full debug info.
flags=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG")
bash "$root/tools/build.sh" "$root/build-asan" "${flags[@]}" -DCELVO_SANITIZE=ON -DCELVO_TESTS=ON -DCELVO_CORPUS_DIR="$corpus"
bash "$root/tools/build.sh" "$root/build" "${flags[@]}" -DCELVO_SANITIZE=OFF -DCELVO_TESTS=ON -DCELVO_CORPUS_DIR="$corpus"
bash "$root/tools/build.sh" "$root/build-fuzz" "${flags[@]}" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCELVO_FUZZ=ON -DCELVO_FUZZ_SECONDS="$fuzz_seconds" -DCELVO_CORPUS_DIR="$corpus"
# Each run writes its results as JUnit XML; tools/test-summary.py ends the
# output with the counts of every run and the reason of every skipped test,
# and fails the command when a test failed or, unless CELVO_ALLOW_SKIPS is
# set, when one was skipped.
run_ctest() {  # <build folder> [VAR=value...]
  local dir="$1"
  shift
  rm -f "$dir/ctest-results.xml"
  (cd "$dir" && env "$@" ctest -j "$jobs" --output-on-failure --no-tests=error \
     --output-junit "$dir/ctest-results.xml" --test-output-size-passed 65536) || true
}
echo "== fuzz targets, $fuzz_seconds s each, side by side"
run_ctest "$root/build-fuzz"
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
run_ctest "$root/build-asan" ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
echo "== tests"
run_ctest "$root/build"
exec /usr/bin/python3 "$root/tools/test-summary.py" \
  "fuzz targets=$root/build-fuzz/ctest-results.xml" \
  "tests under AddressSanitizer and UBSan=$root/build-asan/ctest-results.xml" \
  "tests=$root/build/ctest-results.xml"
