#!/usr/bin/env bash
# Every test: installs what is missing, builds the project twice (plain, and
# under AddressSanitizer with UndefinedBehaviorSanitizer) and runs all the
# tests of both through CTest, after a short run of each fuzz target (a third
# build, with clang; tools/fuzz.sh runs them for longer). The corpus of real
# files is taken from ../shared/corpus beside the project when present (or
# from CELVO_CORPUS_DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/install-deps.sh"
corpus="${CELVO_CORPUS_DIR:-$root/../shared/corpus}"
if [ -d "$corpus" ]; then
  corpus="$(cd "$corpus" && pwd)"
else
  echo "corpus folder $corpus not found: the tests over real files will be skipped"
  corpus=""
fi
jobs="$(nproc 2>/dev/null || echo 2)"
bash "$root/tools/build.sh" "$root/build-asan" -DCELVO_SANITIZE=ON -DCELVO_TESTS=ON -DCELVO_CORPUS_DIR="$corpus"
bash "$root/tools/build.sh" "$root/build" -DCELVO_SANITIZE=OFF -DCELVO_TESTS=ON -DCELVO_CORPUS_DIR="$corpus"
bash "$root/tools/build.sh" "$root/build-fuzz" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCELVO_FUZZ=ON -DCELVO_FUZZ_SECONDS=60 -DCELVO_CORPUS_DIR="$corpus"
status=0
echo "== fuzz targets, a minute each, side by side"
(cd "$root/build-fuzz" && ctest -j "$jobs" --output-on-failure --no-tests=error) || status=1
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
(cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
   UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
   ctest -j "$jobs" --output-on-failure --no-tests=error) || status=1
echo "== tests"
(cd "$root/build" && ctest -j "$jobs" --output-on-failure --no-tests=error) || status=1
exit $status
