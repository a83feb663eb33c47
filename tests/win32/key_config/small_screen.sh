#!/usr/bin/env bash
# Runs the key window's placement test on a screen smaller than the window:
# its own 800x600 Xvfb display and its own wineserver, because a wineserver
# keeps the screen size of the display it started on. The Wine prefix is a
# hard-linked copy of the one the tests run in (the registry files copied, as
# Wine rewrites them), removed again at the end.
#   small_screen.sh TEST_EXE
set -euo pipefail
exe=$1
. "$(dirname "$0")/../../../scripts/lib/wine_test.sh"
: "${WINEPREFIX:?run under scripts/with-wine}"

copy=$(mktemp -d "${TMPDIR:-/tmp}/murvane-small-screen.XXXXXX")
cleanup() {
  WINEPREFIX=$copy wineserver -k >/dev/null 2>&1 || true
  murvane_xvfb_stop
  rm -rf "$copy"
}
trap cleanup EXIT

cp -al "$WINEPREFIX/." "$copy/"
for reg in "$copy"/*.reg; do
  cp --remove-destination "$WINEPREFIX/$(basename "$reg")" "$reg"
done

MURVANE_SCREEN=800x600x24 murvane_xvfb_start
# Its own failures it prints itself.
WINEPREFIX=$copy MURVANE_TEST_SMALL_SCREEN=800x600 wine "$exe" --gtest_filter='*SmallScreen*' </dev/null || exit
