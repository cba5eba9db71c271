#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs them side by side:
#   tools/fuzz.sh [seconds per target, default 60] [ctest -R pattern]
# What a run learns stays in build-fuzz/fuzz-corpus/<target> for the next run;
# a finding is written to build-fuzz/fuzz-findings/<target>/ and fails its test.
# The corpus of real files is read in place from ../shared/corpus beside the
# project (or CELVO_CORPUS_DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
pattern="${2:-}"
corpus="${CELVO_CORPUS_DIR:-$root/../shared/corpus}"
if [ -d "$corpus" ]; then corpus="$(cd "$corpus" && pwd)"; else corpus=""; fi
jobs="$(nproc 2>/dev/null || echo 2)"
dir="$root/build-fuzz"
bash "$root/tools/build.sh" "$dir" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCELVO_FUZZ=ON -DCELVO_FUZZ_SECONDS="$seconds" -DCELVO_CORPUS_DIR="$corpus"
status=0
(cd "$dir" && ctest -j "$jobs" --output-on-failure --no-tests=error ${pattern:+-R "$pattern"}) || status=1
# Executions per second and coverage reached by each target.
log="$dir/Testing/Temporary/LastTest.log"
if [ -f "$log" ]; then
  awk '/^[0-9]+\/[0-9]+ Test: /{name=$3}
       /^#[0-9]+ +DONE /{line=$0}
       /stat::average_exec_per_sec/{eps=$2}
       /stat::number_of_executed_units/{runs=$2}
       /^<end of output>/{ if (name != "") { match(line, /cov: [0-9]+ ft: [0-9]+ corp: [0-9]+\/[0-9a-zA-Z]+/);
           printf "%-28s %10s runs %7s exec/s  %s\n", name, runs, eps, substr(line, RSTART, RLENGTH) }
           name=""; line=""; eps=""; runs="" }' "$log"
fi
exit $status
