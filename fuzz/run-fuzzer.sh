#!/usr/bin/env bash
# Runs one libFuzzer target of the fuzz build for a bounded time.
#
#   fuzz/run-fuzzer.sh <fuzz-build-dir> <name> <seconds> [seed-dir...] [-- libFuzzer options...]
#
# The target is <fuzz-build-dir>/fuzz/<name>/fuzz_<name>. Exits non-zero on a
# finding; the input that caused it is kept in
# <fuzz-build-dir>/fuzz/<name>/findings/ (make it a regression test).
set -euo pipefail
build=${1:?usage: fuzz/run-fuzzer.sh <fuzz-build-dir> <name> <seconds> [seed-dir...] [-- options...]}
name=${2:?name of the fuzz target}
seconds=${3:?seconds to run}
shift 3
seeds=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do seeds+=("$1"); shift; done
[ "${1:-}" = "--" ] && shift

work=$build/fuzz/$name
fuzzer=$work/fuzz_$name
if [ ! -x "$fuzzer" ]; then
  echo "run-fuzzer.sh: $fuzzer is not built (cmake --preset fuzz)" >&2
  exit 2
fi
mkdir -p "$work/corpus" "$work/findings"
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$work/findings/" -print_final_stats=1 "$@" "$work/corpus" "${seeds[@]}"
