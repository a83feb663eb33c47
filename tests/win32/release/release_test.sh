#!/usr/bin/env bash
# The release zip as a player gets it: written from the built Murvane.exe by
# the same writer as scripts/package (twice, to see that it comes out the
# same), unpacked into an empty folder and checked (check_release.py); then
# its Murvane.exe started where it was unpacked, with no INI file beside it,
# must write the first-run INI file there, and it plays the example song
# from the zip into the key recorder (the end-to-end run).
#
#   release_test.sh --version X.Y.Z --murvane Murvane.exe --cli murvane-cli.exe
#                   --helper e2e_helper.exe --recorder key_recorder.exe
#
# Needs DISPLAY and the project's Wine prefix: run it through CTest under
# scripts/with-wine.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../../scripts/lib/wine_test.sh"

version=
while [ $# -gt 0 ]; do
  case $1 in
    --version) version=$2; shift 2 ;;
    *) wine_test_tool_arg "$@" || wine_test_usage "unknown argument $1"; shift 2 ;;
  esac
done
[ -n "$version" ] || wine_test_usage "missing --version"
wine_test_begin murvane-release --murvane --cli --helper --recorder
probe_exe=$helper app_probe_exe=$helper

step "the zip, written twice from one Murvane.exe"
zip=$(python3 "$MURVANE_ROOT/scripts/lib/release.py" zip --exe "$murvane" --out-dir "$work/first")
again=$(python3 "$MURVANE_ROOT/scripts/lib/release.py" zip --exe "$murvane" --out-dir "$work/second")
cmp -s "$zip" "$again" || fail "two zips written from one Murvane.exe differ"
sha256sum "$zip"

step "what it holds"
python3 "$here/check_release.py" --zip "$zip" --unpack "$work/unpacked" --version "$version" \
  --cli-version "$(wine_probe "$cli" --version)"

step "its Murvane.exe started where it was unpacked"
app=$work/unpacked
song=$app/examples/ode-to-joy.mid
[ ! -e "$app/Murvane.ini" ] || fail "the zip brought an INI file"
if probe wait-window MainWindow 0 2>/dev/null; then
  fail "a Murvane window is already open in this Wine session"
fi
launch_murvane "$app" "$(winpath "$song")"
probe wait-window MainWindow 30000 || fail "Murvane's main window did not appear"
tries=100
until [ -e "$app/Murvane.ini" ]; do
  tries=$((tries - 1))
  [ $tries -gt 0 ] || fail "Murvane.exe wrote no INI file beside itself"
  sleep 0.1
done
# The first-run file as murvane-cli writes it from the same defaults.
wine "$cli" keys "$(winpath "$song")" --ini "$(winpath "$work/first-run.ini")" </dev/null >/dev/null ||
  fail "murvane-cli could not write the first-run INI file"
cmp -s "$work/first-run.ini" "$app/Murvane.ini" || fail "the INI file Murvane.exe wrote is not the first-run one"
close_murvane
[ "$status" -eq 0 ] || fail "Murvane ended with exit code $status"

step "it types the example song"
# The run copies the exe into a folder of its own, so it starts with no INI
# file beside it either.
"$here/../e2e/run_e2e.sh" --murvane "$app/Murvane.exe" --cli "$cli" --helper "$helper" --recorder "$recorder" \
  --song "$song" --scenario play || fail "the unpacked Murvane.exe did not type the example song"
passed=yes
