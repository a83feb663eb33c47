#!/usr/bin/env bash
# The chord benchmark under Wine: Murvane.exe plays a chord-dense song
# (make_chord_song.py) into the key recorder, RUNS times; each run prints the
# spread of its chords as the recorder received them and the CPU seconds of
# Murvane.exe and of the Wine server per minute of playback (chord_spread.py).
#
#   scripts/with-wine bench/wine_chords/measure.sh --murvane Murvane.exe --cli murvane-cli.exe \
#       --helper e2e_helper.exe --recorder key_recorder.exe [--seconds 60] [--runs 3]
#
# The CPU is read from /proc (utime + stime) just before F11 and once the song
# has ended; the song's own length is the playback time. Nothing polls
# Murvane's window while it plays, so what is counted is the playing. The Wine
# server's figure includes its work for the recorder, which receives every key.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib/wine_test.sh"

seconds=60 runs=3
while [ $# -gt 0 ]; do
  case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) wine_test_tool_arg "$@" || wine_test_usage "unknown argument $1"; shift 2 ;;
  esac
done
wine_test_begin murvane-chords --murvane --cli --helper --recorder
# The helper is both the probe and the app probe.
probe_exe=$helper app_probe_exe=$helper

cpu_seconds() { awk -v tick="$(getconf CLK_TCK)" '{ sub(/^.*\) /, ""); print ($12 + $13) / tick }' "/proc/$1/stat"; }
# The server of our prefix: its working folder is named after the prefix's device and inode.
wineserver_pid() {
  local server pid
  server=$(printf 'server-%s-%x' "$(stat -c %D "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
  for pid in $(pgrep wineserver); do
    case $(readlink "/proc/$pid/cwd" 2>/dev/null) in */"$server") echo "$pid"; return 0 ;; esac
  done
  return 1
}

python3 "$here/make_chord_song.py" "$work/chords.mid" "$seconds"
echo "load average at start: $(cut -d ' ' -f 1-3 /proc/loadavg)"
for run in $(seq "$runs"); do
  dir=$work/run$run
  copy_murvane "$dir/app"
  launch_murvane "$dir/app" "$(winpath "$work/chords.mid")"
  probe wait-window MainWindow 30000 || fail "Murvane's main window did not appear"
  wine "$cli" keys "$(winpath "$work/chords.mid")" --ini "$(winpath "$dir/app/Murvane.ini")" </dev/null |
    tr -d '\r' >"$dir/cli.txt"
  start_recorder "$dir/target.log" "Murvane chord target" || fail "the target window did not appear"
  server=$(wineserver_pid)
  sleep 1  # let the start-up settle
  murvane_before=$(cpu_seconds "$murvane_pid") server_before=$(cpu_seconds "$server")
  press_f11 >/dev/null || fail "F11 could not be pressed"
  sleep "$seconds"
  probe wait-text Stopped 30000 >/dev/null || fail "the song did not end"
  murvane_after=$(cpu_seconds "$murvane_pid") server_after=$(cpu_seconds "$server")
  played=$(awk 'END { print $1 / 1000 }' "$dir/cli.txt")
  {
    echo "Murvane.exe $played $(awk "BEGIN { print $murvane_after - $murvane_before }")"
    echo "wineserver $played $(awk "BEGIN { print $server_after - $server_before }")"
  } >"$dir/cpu.txt"
  close_recorder
  close_murvane
  echo "run $run (load average $(cut -d ' ' -f 1-3 /proc/loadavg)):"
  python3 "$here/chord_spread.py" --cli "$dir/cli.txt" --recorded "$dir/target.log" \
    --ini "$dir/app/Murvane.ini" --cpu "$dir/cpu.txt"
done
