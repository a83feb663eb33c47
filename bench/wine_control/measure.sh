#!/usr/bin/env bash
# The lateness of the first press after a resume, a seek and a speed change
# under Wine, through the hotkeys: Murvane.exe plays the song of
# control_lateness.py into the key recorder; e2e_helper presses F11, a control
# hotkey and F12 on its timetable, 75 rounds a run, RUNS runs (four give 100
# of each control); control_lateness.py prints the median and the worst.
#
#   scripts/with-wine bench/wine_control/measure.sh --murvane Murvane.exe --cli murvane-cli.exe \
#       --helper e2e_helper.exe --recorder key_recorder.exe [--runs 4]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib/wine_test.sh"

runs=4
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    *) wine_test_tool_arg "$@" || wine_test_usage "unknown argument $1"; shift 2 ;;
  esac
done
wine_test_begin murvane-control --murvane --cli --helper --recorder
# The helper is both the probe and the app probe.
probe_exe=$helper app_probe_exe=$helper

python3 "$here/control_lateness.py" song "$work/song.mid"
copy_murvane "$work/app"
write_ini "$work/app/Murvane.ini" "$work/song.mid" \
  "HotkeyPause=0x0074 HotkeySeekForward=0x0075 HotkeyFaster=0x0076" "SeekStep=1" ||
  fail "murvane-cli keys could not write the first-run INI file"
wine "$cli" keys "$(winpath "$work/song.mid")" --ini "$(winpath "$work/app/Murvane.ini")" </dev/null |
  tr -d '\r' >"$work/cli.txt"
launch_murvane "$work/app" "$(winpath "$work/song.mid")"
probe wait-window MainWindow 30000 || fail "Murvane's main window did not appear"
start_recorder "$work/target.log" "Murvane control target" || fail "the target window did not appear"
echo "load average at start: $(cut -d ' ' -f 1-3 /proc/loadavg)"
sent=()
for run in $(seq "$runs"); do
  wine_probe "$helper" keys $(python3 "$here/control_lateness.py" timetable "$run") >"$work/sent$run.txt" ||
    fail "the hotkeys of run $run could not be pressed"
  sent+=("$work/sent$run.txt")
  echo "run $run done (load average $(cut -d ' ' -f 1-3 /proc/loadavg))"
done
sleep 0.2  # let the last key messages reach the target
close_recorder
close_murvane
python3 "$here/control_lateness.py" measure --cli "$work/cli.txt" --recorded "$work/target.log" \
  --ini "$work/app/Murvane.ini" "${sent[@]}"
