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
. "$here/../../scripts/lib/common.sh"

murvane='' cli='' helper='' recorder='' seconds=60 runs=3
while [ $# -gt 0 ]; do
  case $1 in
    --murvane) murvane=$2; shift 2 ;;
    --cli) cli=$2; shift 2 ;;
    --helper) helper=$2; shift 2 ;;
    --recorder) recorder=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) echo "measure.sh: unknown argument $1" >&2; exit 64 ;;
  esac
done
for tool in "$murvane" "$cli" "$helper" "$recorder"; do
  [ -f "$tool" ] || { echo "measure.sh: missing --murvane, --cli, --helper or --recorder: '$tool'" >&2; exit 64; }
done
[ -n "${DISPLAY:-}" ] || { echo "measure.sh: no DISPLAY; run it under scripts/with-wine" >&2; exit 64; }
[ -n "${WINEPREFIX:-}" ] || murvane_wine_prefix

winpath() { local path; path=$(realpath "$1"); printf 'Z:%s' "${path//\//\\}"; }
probe() { wine "$helper" "$@" </dev/null; }
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

work=$(mktemp -d "${TMPDIR:-/tmp}/murvane-chords.XXXXXX")
murvane_pid='' target_pid=''
finish() {
  if [ -n "$murvane_pid" ] && kill -0 "$murvane_pid" 2>/dev/null; then probe close MainWindow >/dev/null 2>&1 || true; fi
  if [ -n "$target_pid" ] && kill -0 "$target_pid" 2>/dev/null; then probe close KeyRecorder >/dev/null 2>&1 || true; fi
  sleep 1
  for pid in $target_pid $murvane_pid; do kill "$pid" 2>/dev/null || true; done
  echo "measure.sh: logs in $work" >&2
}
trap finish EXIT

python3 "$here/make_chord_song.py" "$work/chords.mid" "$seconds"
echo "load average at start: $(cut -d ' ' -f 1-3 /proc/loadavg)"
for run in $(seq "$runs"); do
  dir=$work/run$run
  mkdir -p "$dir/app"
  cp "$murvane" "$dir/app/Murvane.exe"
  (cd "$dir/app" && exec wine Murvane.exe "$(winpath "$work/chords.mid")" </dev/null >"$dir/murvane.out" 2>&1) &
  murvane_pid=$!
  probe wait-window MainWindow 30000
  wine "$cli" keys "$(winpath "$work/chords.mid")" --ini "$(winpath "$dir/app/Murvane.ini")" </dev/null |
    tr -d '\r' >"$dir/cli.txt"
  (exec wine "$recorder" "$(winpath "$dir/target.log")" --title "Murvane chord target" </dev/null >/dev/null 2>&1) &
  target_pid=$!
  probe wait-window KeyRecorder 30000
  xdotool search --sync --name '^Murvane chord target$' windowfocus --sync
  server=$(wineserver_pid)
  sleep 1  # let the start-up settle
  murvane_before=$(cpu_seconds "$murvane_pid") server_before=$(cpu_seconds "$server")
  probe press 0x7a >/dev/null
  sleep "$seconds"
  probe wait-text Stopped 30000 >/dev/null
  murvane_after=$(cpu_seconds "$murvane_pid") server_after=$(cpu_seconds "$server")
  played=$(awk 'END { print $1 / 1000 }' "$dir/cli.txt")
  {
    echo "Murvane.exe $played $(awk "BEGIN { print $murvane_after - $murvane_before }")"
    echo "wineserver $played $(awk "BEGIN { print $server_after - $server_before }")"
  } >"$dir/cpu.txt"
  probe close KeyRecorder; wait "$target_pid" || true; target_pid=
  probe close MainWindow; wait "$murvane_pid" || true; murvane_pid=
  echo "run $run (load average $(cut -d ' ' -f 1-3 /proc/loadavg)):"
  python3 "$here/chord_spread.py" --cli "$dir/cli.txt" --recorded "$dir/target.log" \
    --ini "$dir/app/Murvane.ini" --cpu "$dir/cpu.txt"
done
