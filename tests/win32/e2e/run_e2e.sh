#!/usr/bin/env bash
# One end-to-end run under Wine: Murvane.exe plays a song into a target window
# of ours, focused, started with the Play/Stop hotkey pressed through the
# system's input by e2e_helper (which says when it sent the press); what
# the target received is compared with `murvane-cli keys` (compare_keys.py).
#
#   run_e2e.sh --murvane Murvane.exe --cli murvane-cli.exe --helper e2e_helper.exe --recorder key_recorder.exe
#              --song example|GENERATED.mid|PATH --scenario play|stop-f11|stop-f12|close|focus-away|queue|control|ctrl-hotkey
#              [--tolerance-ms MS] [--print-keys] [--screenshot PNG] [--no-model]
#              [--options "Key=Value ..."] [--check keys|modifiers]
#
# Scenarios: play waits for the end of the song; stop-f11 and stop-f12 press
# that hotkey while a chord is held, close closes the main window then; all
# three require every held key to come up at once. focus-away brings a second
# window of ours in front for about two seconds mid-song, then the target
# again, and checks with focus_keys.py where the keys went (guarded when the
# options hold FocusGuard=1, when the status must also show the pause). --options writes those keys
# into the section Options of the INI file before Murvane starts (the song
# model then checks the keys against what the options promise). --check
# modifiers reads a run played with a layout whose notes need Shift or Ctrl
# with modifier_keys.py instead of compare_keys.py (the song model knows no
# layouts). queue starts Murvane with the song and queue-second.mid on the
# command line, the second with a section of its own (Transpose=12), and
# checks with queue_keys.py that both are typed, one after the other, the
# second SongGap after the first (give --options "SongGap=MS").
# control binds Pause, Seek forward, Faster and Slower to F5-F8
# and SeekStep=3, and presses F11, then Pause 1.4 s later, Pause again two
# seconds after, Seek forward and Faster a second apart each, on e2e_helper's
# timetable; control_keys.py holds the keys against its model of the song
# with `murvane-cli keys --from` where the seek lands. ctrl-hotkey binds
# Play/Stop to Ctrl+F11, holds Ctrl half a second after F11 as a hand does,
# stops as stop-f12 does, and checks with compare_keys.py that no key came
# with a modifier down and that the first came on time from Ctrl's release.
# Needs DISPLAY (an X server with nothing else taking the focus) and the
# project's Wine prefix: run it through CTest under scripts/with-wine, or from
# scripts/run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../../scripts/lib/wine_test.sh"

song='' scenario=play tolerance=50 print_keys='' screenshot='' model=yes options= check=keys
while [ $# -gt 0 ]; do
  case $1 in
    --song) song=$2; shift 2 ;;
    --scenario) scenario=$2; shift 2 ;;
    --tolerance-ms) tolerance=$2; shift 2 ;;
    --print-keys) print_keys=--print-keys; shift ;;
    --screenshot) screenshot=$2; shift 2 ;;
    --no-model) model=; shift ;;
    --options) options=$2; shift 2 ;;
    --check) check=$2; shift 2 ;;
    *) wine_test_tool_arg "$@" || wine_test_usage "unknown argument $1"; shift 2 ;;
  esac
done
wine_test_begin murvane-e2e --murvane --cli --helper --recorder
# The helper is both the probe and the app probe.
probe_exe=$helper app_probe_exe=$helper

python3 "$here/make_songs.py" "$work/songs" >/dev/null
allowed=
case $song in
  example) song=$MURVANE_ROOT/examples/ode-to-joy.mid ;;
  outside.mid) song=$work/songs/$song; allowed=60,72 ;;
  */*) ;;
  *) song=$work/songs/$song ;;
esac
[ -f "$song" ] || fail "no such song: $song"

# Another copy would keep this one from starting, and its window would be
# taken for this one's.
if probe wait-window MainWindow 0 2>/dev/null; then
  fail "a Murvane window is already open in this Wine session"
fi
copy_murvane "$work/app"
keybinds=
case $scenario in
  control) keybinds="HotkeyPause=0x0074 HotkeySeekForward=0x0075 HotkeyFaster=0x0076 HotkeySlower=0x0077"
           options="$options SeekStep=3" ;;
  ctrl-hotkey) keybinds="HotkeyPlay=0x027a" ;;
esac
if [ -n "$options$keybinds" ]; then
  write_ini "$work/app/Murvane.ini" "$song" "$keybinds" "$options" ||
    fail "murvane-cli keys could not write the first-run INI file"
fi
second=
if [ "$scenario" = queue ]; then
  second=$work/songs/queue-second.mid
  [ -f "$work/app/Murvane.ini" ] || fail "the queue scenario needs --options with SongGap"
  hash=$(python3 -c 'import hashlib, sys; print(hashlib.sha256(open(sys.argv[1], "rb").read()).hexdigest()[:16])' "$second")
  printf '[Song %s]\r\nTranspose=12\r\n' "$hash" >>"$work/app/Murvane.ini"
  launch_murvane "$work/app" "$(winpath "$song")" "$(winpath "$second")"
else
  launch_murvane "$work/app" "$(winpath "$song")"
fi
probe wait-window MainWindow 30000 || fail "Murvane's main window did not appear"
probe texts >"$work/texts-before.txt"
[ "$(head -n 1 "$work/texts-before.txt" | tr -d '\r')" != "Please set file." ] ||
  fail "Murvane did not load $song"

wine "$cli" keys "$(winpath "$song")" --ini "$(winpath "$work/app/Murvane.ini")" </dev/null |
  tr -d '\r' >"$work/cli.txt" || fail "murvane-cli keys failed"
last_due=$(awk 'END { print ($1 == "" ? 0 : $1) }' "$work/cli.txt")
song_ms=$((last_due + 30000))
if [ -n "$second" ]; then
  wine "$cli" keys "$(winpath "$second")" --ini "$(winpath "$work/app/Murvane.ini")" </dev/null |
    tr -d '\r' >"$work/cli-second.txt" || fail "murvane-cli keys failed on the second song"
  song_ms=$((song_ms + $(awk 'END { print ($1 == "" ? 0 : $1) }' "$work/cli-second.txt")))
fi

other_title="Murvane e2e other window" target_title="Murvane e2e key target"
guarded=
case " $options " in *" FocusGuard=1 "*) guarded=yes ;; esac
if [ "$scenario" = focus-away ]; then
  # Started first, so that the target is in front when F11 goes.
  start_recorder "$work/other.log" "$other_title" || fail "the other window did not appear"
fi
start_recorder "$work/target.log" "$target_title" || fail "the target window did not appear"

# Through the helper, which notes when the press went out on the target log's
# clock: the first key's delay is counted from there. (The stop hotkeys below
# still come through X.)
playing=Playing
case $scenario in
  control)
    # Each hotkey 400 ms into a chord of control.mid: the pause in the second
    # (at 1.4 s), the seek in the third (2.4 s of the song, to 5.4 s), Faster
    # in the seventh (6.4 s); `?` reads the keys down just before the resume.
    tap() { echo "+$1@$2 -$1@$(($2 + 12))"; }
    out=$(wine_probe "$helper" keys $(tap 0x7a 0) $(tap 0x74 1400) '?@3380' $(tap 0x74 3400) $(tap 0x75 4400) \
          $(tap 0x76 5400)) || fail "the hotkeys could not be pressed"
    mapfile -t sent <<<"$out"
    hotkey_sent_us=${sent[0]} pause_us=${sent[2]} paused_keys_down=${sent[4]#* }
    resume_us=${sent[5]} seek_us=${sent[7]} faster_us=${sent[9]} playing="Playing (110%)"
    ;;
  ctrl-hotkey)
    # Ctrl+F11, F11 let go at once and Ctrl half a second later: the first
    # key's delay counts from Ctrl's release.
    out=$(wine_probe "$helper" keys +0x11@0 +0x7a@20 -0x7a@32 -0x11@532) || fail "Ctrl+F11 could not be pressed"
    hotkey_sent_us=$(sed -n 4p <<<"$out")
    ;;
  *) hotkey_sent_us=$(press_f11) || fail "F11 could not be pressed" ;;
esac
probe wait-text "$playing" 10000 || fail "the hotkeys did not start playback as '$playing'"

downs() { grep -c ' down ' "$work/target.log" || true; }
# wait_for_downs N: until the target has received N key-downs.
wait_for_downs() {
  local waited=0
  while [ "$(downs)" -lt "$1" ]; do
    waited=$((waited + 1))
    [ $waited -lt 200 ] || fail "the target never received $1 key-downs"
    sleep 0.05
  done
}
wait_for_hold() {
  # Stop during the held chord: four keys have gone down (the first note, the
  # chord's three), and half a second of the ten-second hold has passed.
  wait_for_downs 4
  sleep 0.5
}

case $scenario in
  play|control)
    if [ -n "$screenshot" ]; then
      sleep 1
      window=$(xdotool search --onlyvisible --name '^Murvane$' | head -n 1)
      import -window "$window" "$screenshot" || echo "run_e2e.sh: no screenshot" >&2
    fi
    probe wait-text Stopped "$song_ms" || fail "the song did not end"
    ;;
  stop-f11|stop-f12|ctrl-hotkey)
    # The hotkey's own release, logged by the target, marks the stop.
    wait_for_hold
    case $scenario in stop-f11) key=f11 ;; *) key=f12 ;; esac
    xdotool key "${key^^}"
    probe wait-text Stopped 10000 || fail "${key^^} did not stop playback"
    ;;
  close)
    wait_for_hold
    probe close MainWindow --mark
    wait_murvane
    [ "$status" -eq 0 ] || fail "Murvane ended with exit code $status after its window was closed"
    ;;
  queue)
    # Stopped between the songs for SongGap: wait for every key of both.
    total=$(cat "$work/cli.txt" "$work/cli-second.txt" | grep -c ' down ' || true)
    waited=0
    while [ "$(downs)" -lt "$total" ]; do
      waited=$((waited + 1))
      [ $waited -lt $((song_ms / 50)) ] || fail "the target received $(downs) of $total key-downs"
      sleep 0.05
    done
    probe wait-text Stopped 10000 || fail "the second song did not end"
    ;;
  focus-away)
    wait_for_downs 4
    focus "^$other_title\$"
    away_ms=$(date +%s%3N)
    if [ -n "$guarded" ]; then
      probe wait-text "Paused (another window is in front)" 3000 || fail "the status did not show the pause"
    fi
    sleep "$(awk -v now="$(date +%s%3N)" -v from="$away_ms" 'BEGIN { s = (2000 - (now - from)) / 1000; print (s > 0 ? s : 0) }')"
    focus "^$target_title\$"
    probe wait-text Stopped "$song_ms" || fail "the song did not end"
    ;;
  *) fail "unknown scenario $scenario" ;;
esac
sleep 0.2  # let the last key messages reach the target
keys_down=$(probe keys-down)
close_recorder
if [ -n "$murvane_pid" ]; then
  probe close MainWindow || true
  wait "$murvane_pid" || true
  murvane_pid=
fi

if [ "$scenario" = focus-away ]; then
  [ -z "${keys_down// /}" ] || fail "keys left down: $keys_down"
  python3 "$here/focus_keys.py" --cli "$work/cli.txt" --target "$work/target.log" --other "$work/other.log" \
    --ini "$work/app/Murvane.ini" --tolerance-ms "$tolerance" --label "$(basename "$song") (${guarded:+guarded }$scenario)" \
    ${guarded:+--guarded} || exit
  passed=yes
  exit 0
fi

if [ "$scenario" = queue ]; then
  [ -z "${keys_down// /}" ] || fail "keys left down: $keys_down"
  gap=$(tr ' ' '\n' <<<"$options" | sed -n 's/^SongGap=//p')
  python3 "$here/queue_keys.py" --cli "$work/cli.txt" --cli-second "$work/cli-second.txt" --recorded "$work/target.log" \
    --ini "$work/app/Murvane.ini" --song-gap-ms "${gap:-2000}" --tolerance-ms "$tolerance" \
    --hotkey-sent-us "$hotkey_sent_us" --label "$(basename "$song") then $(basename "$second") (queue)" || exit
  passed=yes
  exit 0
fi

if [ "$scenario" = control ]; then
  # Where the seek lands: the song's position at Seek forward, reckoned from
  # F11 and the time paused, plus SeekStep (3 s).
  from_ms=$(((seek_us - hotkey_sent_us - resume_us + pause_us) / 1000 + 3000))
  wine "$cli" keys "$(winpath "$song")" --ini "$(winpath "$work/app/Murvane.ini")" \
    --from "$((from_ms / 1000)).$(printf %03d $((from_ms % 1000)))" </dev/null | tr -d '\r' >"$work/from.txt" ||
    fail "murvane-cli keys --from failed"
  python3 "$here/control_keys.py" --cli "$work/cli.txt" --from-cli "$work/from.txt" --from-ms "$from_ms" \
    --recorded "$work/target.log" --ini "$work/app/Murvane.ini" --play-us "$hotkey_sent_us" --pause-us "$pause_us" \
    --resume-us "$resume_us" --seek-us "$seek_us" --faster-us "$faster_us" --paused-keys-down "$paused_keys_down" \
    --keys-down "$keys_down" --tolerance-ms "$tolerance" --label "$(basename "$song") ($scenario)" || exit
  passed=yes
  exit 0
fi
case $check in
  keys) checker=compare_keys.py ;;
  modifiers) checker=modifier_keys.py model= ;;
  *) fail "unknown check $check" ;;
esac
compare=(python3 "$here/$checker" --cli "$work/cli.txt" --recorded "$work/target.log"
         --ini "$work/app/Murvane.ini" --tolerance-ms "$tolerance" --keys-down "$keys_down"
         --hotkey-sent-us "$hotkey_sent_us" --label "$(basename "$song") ($scenario)")
[ -n "$model" ] && compare+=(--model "$song")
[ -n "$allowed" ] && compare+=(--allowed-notes "$allowed")
[ "$scenario" = ctrl-hotkey ] && compare+=(--unmodified)
[ "$scenario" = play ] || compare+=(--stopped)
# Closing the window takes the whole program down before the keyboard output
# releases what it holds (under Wine about 10 ms, past 100 ms on a busy machine); there the test asks
# only that every key comes up, not that it does so on musical time.
[ "$scenario" = close ] && compare+=(--release-tolerance-ms 2000)
[ -n "$print_keys" ] && compare+=("$print_keys")
# Its FAIL lines say why.
"${compare[@]}" || exit
passed=yes
