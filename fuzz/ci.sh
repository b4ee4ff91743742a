#!/usr/bin/env bash
# The fuzzing stage of CI: builds every harness with clang, AddressSanitizer and UndefinedBehaviorSanitizer,
# writes the seed corpora, runs each harness over its seeds and the regression inputs of
# tests/data/regressions, then fuzzes each for FUZZ_SECONDS (default 5) seconds. A finding (crash,
# sanitizer report, leak, timeout, memory over the limit) fails the run; its input is kept in
# build/fuzz/findings.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds="${FUZZ_SECONDS:-5}"
# Absolute: a harness makes its own temporary folder the working folder before it reads the corpus.
build="$PWD/build/fuzz"
regressions="$PWD/tests/data/regressions"

# Warnings are the clang build's stage to judge: here only findings fail the run.
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS=-O1 -DCMAKE_CXX_FLAGS=-O1 \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=OFF -DENGINE_SANITIZE=ON -DENGINE_FUZZ=ON
cmake --build "$build" -j "$(nproc)" --target fuzz_all

rm -rf "$build/seeds" "$build/scratch" "$build/findings"
mkdir -p "$build/scratch" "$build/findings"
"$build/fuzz/fuzz_seeds" "$build/seeds"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
limits=(-timeout=60 -rss_limit_mb=2048 -max_len=65536)
failed=()
for harness in "$build"/fuzz/fuzz_*; do
  name="${harness##*/fuzz_}"
  [ "$name" = seeds ] && continue
  corpus="$build/scratch/$name"
  mkdir -p "$corpus"
  [ -d "$build/seeds/$name" ] && cp "$build/seeds/$name"/* "$corpus"/
  echo "=== fuzz_$name: seeds and regression inputs, then ${seconds} s"
  if ! "$harness" "${limits[@]}" -runs=0 -artifact_prefix="$build/findings/$name-" \
         "$corpus" "$regressions" >"$build/findings/$name.log" 2>&1 ||
     ! "$harness" "${limits[@]}" -max_total_time="$seconds" -artifact_prefix="$build/findings/$name-" \
         "$corpus" >>"$build/findings/$name.log" 2>&1; then
    tail -n 40 "$build/findings/$name.log"
    failed+=("$name")
  else
    grep -E '^(#[0-9]+\s+(INITED|DONE)|Done [0-9]+ runs)' "$build/findings/$name.log" | tail -n 1 || true
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]} (inputs in $build/findings)" >&2
  exit 1
fi
echo "=== every harness ran clean"
