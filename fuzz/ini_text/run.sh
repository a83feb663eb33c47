#!/usr/bin/env bash
# Fuzzes the portable INI store's reading and writing of arbitrary file text for a bounded time
# (20 s by default; scripts/test runs it so).
#
#   fuzz/ini_text/run.sh <fuzz-build-dir> [seconds]
#
# Exits non-zero on a finding; the input that caused it is kept in
# <fuzz-build-dir>/fuzz/ini_text/findings/ (make it a regression test).
set -euo pipefail
build=${1:?usage: fuzz/ini_text/run.sh <fuzz-build-dir> [seconds]}
seconds=${2:-20}
work=$build/fuzz/ini_text
fuzzer=$work/fuzz_ini_text
if [ ! -x "$fuzzer" ]; then
  echo "run.sh: $fuzzer is not built (cmake --preset fuzz)" >&2
  exit 2
fi
mkdir -p "$work/corpus" "$work/findings"
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$work/findings/" -print_final_stats=1 "$work/corpus"
