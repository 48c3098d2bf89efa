#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz and runs each for SECONDS (default 60)
# on a copy of its seed corpus (fuzz/*/corpus/NAME), with fuzz/*/NAME.dict when there is one.
# Prints each target's executions; exits 1 when any target found a crash, a leak or undefined
# behaviour, leaving the input that shows it in the folder named in the output.
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=$top/build-fuzz

cmake -S "$top" -B "$build" -G Ninja -DQM_FUZZ=ON -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzzers

export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
failed=0
for fuzzer in "$build"/bin/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  work=$(mktemp -d "${TMPDIR:-/tmp}/$name.XXXXXX")
  mkdir "$work/corpus"
  args=("$work/corpus")
  seeds=$(find "$top/fuzz" -type d -path "*/corpus/$name" | head -n 1)
  [ -n "$seeds" ] && args+=("$seeds")
  dict=$(find "$top/fuzz" -type f -name "$name.dict" | head -n 1)
  [ -n "$dict" ] && args+=("-dict=$dict")
  echo "== $name: $seconds s"
  if "$fuzzer" "${args[@]}" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
      -artifact_prefix="$work/" >"$work/log" 2>&1; then
    grep -E "^stat::number_of_executed_units|^Done " "$work/log" || true
    rm -rf "$work"
  else
    tail -n 60 "$work/log"
    echo "$name found a problem: the input and the whole log are in $work" >&2
    failed=1
  fi
done
exit "$failed"
