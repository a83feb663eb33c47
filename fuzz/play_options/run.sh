#!/usr/bin/env bash
# Fuzzes the Options values and the re-press gap for a bounded time (20 s by default).
#
#   fuzz/play_options/run.sh <fuzz-build-dir> [seconds]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/../run-fuzzer.sh" "${1:?usage: fuzz/play_options/run.sh <fuzz-build-dir> [seconds]}" play_options "${2:-20}"
