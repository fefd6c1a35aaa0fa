#!/usr/bin/env bash
# Runs one libFuzzer program for SECONDS from the kept corpus and the
# regression inputs: what it learns stays in BUILD/corpus/NAME, an input that
# crashes it in BUILD/crashes/, its output in BUILD/NAME.log.
#   fuzz/run.sh PROGRAM NAME SECONDS BUILD
set -u
program=$1
name=$2
seconds=$3
build=$4
source=$(cd "$(dirname "$0")" && pwd)
inputs=("$build/corpus/$name")
mkdir -p "${inputs[0]}" "$build/crashes"
for dir in "$source/corpus/$name" "$source/regressions/$name"; do
  [ -d "$dir" ] && inputs+=("$dir")
done
echo "Fuzzing $name for $seconds s"
# The leaks that the tests know of (libgettextpo's) are known here too.
status=0
LSAN_OPTIONS="suppressions=$source/../tests/lsan-suppressions.txt" \
  nice "$program" -max_total_time="$seconds" -timeout=30 -artifact_prefix="$build/crashes/$name-" \
  "${inputs[@]}" >"$build/$name.log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  tail -n 60 "$build/$name.log" >&2
  echo "fuzz_$name failed (log: $build/$name.log, input: $build/crashes/)" >&2
  exit 1
fi
grep -E '^Done [0-9]+ runs' "$build/$name.log" || true
