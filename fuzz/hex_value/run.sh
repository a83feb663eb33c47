#!/usr/bin/env bash
# Fuzzes the INI value conversion against the C library's wcstoul for a bounded time
# (20 s by default; scripts/test runs it so).
#
#   fuzz/hex_value/run.sh <fuzz-build-dir> [seconds]
#
# Exits non-zero on a finding; the input that caused it is kept in
# <fuzz-build-dir>/fuzz/hex_value/findings/ (make it a regression test).
set -euo pipefail
build=${1:?usage: fuzz/hex_value/run.sh <fuzz-build-dir> [seconds]}
seconds=${2:-20}
work=$build/fuzz/hex_value
fuzzer=$work/fuzz_hex_value
if [ ! -x "$fuzzer" ]; then
  echo "run.sh: $fuzzer is not built (cmake --preset fuzz)" >&2
  exit 2
fi
mkdir -p "$work/corpus" "$work/findings"
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$work/findings/" -print_final_stats=1 "$work/corpus"
