#!/usr/bin/env bash
# Fuzzes the INI value conversion against the C library's wcstoul
# for a bounded time (20 s by default).
#
#   fuzz/hex_value/run.sh <fuzz-build-dir> [seconds]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/../run-fuzzer.sh" "${1:?usage: fuzz/hex_value/run.sh <fuzz-build-dir> [seconds]}" hex_value "${2:-20}"
