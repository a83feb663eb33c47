#!/usr/bin/env bash
# Fuzzes the SMF loader and reader for a bounded time (60 s by default),
# seeded with the test files and the examples.
#
#   fuzz/smf_load/run.sh <fuzz-build-dir> [seconds]
#
# Exits non-zero on a finding; the input that caused it is kept in
# <fuzz-build-dir>/fuzz/smf_load/findings/ (make it a regression test).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:?usage: fuzz/smf_load/run.sh <fuzz-build-dir> [seconds]}
seconds=${2:-60}
work=$build/fuzz/smf_load
fuzzer=$work/fuzz_smf_load
if [ ! -x "$fuzzer" ]; then
  echo "run.sh: $fuzzer is not built (cmake --preset fuzz)" >&2
  exit 2
fi

corpus=$work/corpus
seeds=$work/seeds
findings=$work/findings
mkdir -p "$corpus" "$seeds" "$findings"
cp "$root"/tests/data/smf/*.mid "$seeds"/
cp "$root"/examples/*.mid "$seeds"/ 2>/dev/null || true

"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
  -dict="$here/smf.dict" -artifact_prefix="$findings/" -print_final_stats=1 \
  "$corpus" "$seeds"
