#!/usr/bin/env bash
# Fuzzes the portable INI store's reading and writing of arbitrary file text
# for a bounded time (20 s by default).
#
#   fuzz/ini_text/run.sh <fuzz-build-dir> [seconds]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/../run-fuzzer.sh" "${1:?usage: fuzz/ini_text/run.sh <fuzz-build-dir> [seconds]}" ini_text "${2:-20}"
