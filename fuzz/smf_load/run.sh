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
seeds=$build/fuzz/smf_load/seeds
mkdir -p "$seeds"
cp "$root"/tests/data/smf/*.mid "$seeds"/
cp "$root"/examples/*.mid "$seeds"/ 2>/dev/null || true

exec "$here/../run-fuzzer.sh" "$build" smf_load "$seconds" "$seeds" -- -max_len=8192 -dict="$here/smf.dict"
