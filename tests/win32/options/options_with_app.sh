#!/usr/bin/env bash
# The Options window of a running Murvane.exe, opened from its system menu
# with the mouse and the keyboard through X:
#
#   options_with_app.sh SCENARIO-LANGUAGE --murvane Murvane.exe --cli murvane-cli.exe
#                       --probe options_probe.exe --app-probe app_probe.exe --recorder key_recorder.exe --helper e2e_helper.exe
#
# Scenarios (LANGUAGE: en or ja, the locale Murvane runs in):
#   ok-plays  channel 1 unchecked and channel 2 checked, OK: the INI file gains exactly
#             [Options] Channels=0x0002, and the next F11 types the melody of channel 2 into
#             the recording window, as `murvane-cli keys --ini` lists it
#   cancel    changes discarded by Cancel and by the close box: the INI file is unchanged
#   suggest   a melody on channel 4 two octaves low, on a flute on a track named "Melody", over
#             a piano track named in Japanese: the boxes show the names and instruments,
#             Suggest checks channel 4 alone and sets 24; OK writes both, and F11 types the
#             melody as the tool lists it
#
# Needs DISPLAY and the project's Wine prefix: run it through CTest under
# scripts/with-wine.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../../scripts/lib/wine_test.sh"

scenario=${1:-}
wine_test_read_tools "${@:2}"
wine_test_begin murvane-options --murvane --cli --probe --app-probe --recorder --helper

close_windows() {
  if running "$murvane_pid"; then
    probe close >/dev/null 2>&1 || true
    app_probe dismiss-boxes 0 500 >/dev/null 2>&1 || true
  fi
  close_our_windows
}

language=${scenario##*-}
scenario=${scenario%-*}
case $language in
  en) locale=en_US.UTF-8 stopped=Stopped playing=Playing ;;
  ja) locale=ja_JP.UTF-8 stopped=停止中 playing=再生中 ;;
  *) wine_test_usage "unknown language '$language'" ;;
esac

# Control ids of the Options window (options_window_win32.h): the box of
# channel n is 199 + n.
channel_box() { echo $((199 + $1)); }
suggest_id=220 transpose_id=221 speed_id=224 hold_id=227 focus_guard_id=228 ok_id=1 cancel_id=2

python3 "$here/make_option_songs.py" "$work/songs"
copy_murvane "$work/app"
ini=$work/app/Murvane.ini

start_murvane() {
  LC_ALL=$locale launch_murvane "$work/app" "$(winpath "$1")"
  app_probe wait-status "$stopped" 30000 || fail "Murvane did not start"
  [ -f "$ini" ] || fail "the first start wrote no INI file"
}

# The system menu of the main window: a click on its icon, then the last
# item, "Options...", from the keyboard. Without a window manager Wine draws
# the frame inside the X window, so the icon lies one border in.
open_options() {
  local X Y WIDTH HEIGHT SCREEN window
  window=$(xdotool search --sync --onlyvisible --name '^Murvane$' | head -n 1)
  xdotool windowfocus --sync "$window"
  eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  local border=$(((WIDTH - 480) / 2))
  xdotool mousemove $((X + border + 8)) $((Y + border + 8)) click 1
  sleep 0.5
  xdotool key Up Return
  probe wait-open 10000 || fail "the Options window did not open from the system menu"
}

# state_of ID: the "CHECKED ENABLED TEXT" of a control.
state_of() {
  probe state >"$work/state.txt" || fail "no Options window to read"
  awk -v id="$1" '$1 == id { $1 = ""; sub(/^ /, ""); print; exit }' "$work/state.txt"
}

# The non-blank lines of the INI file, without line ends.
ini_lines() { tr -d '\r' <"$ini" | grep -v '^$' || true; }

# ok_saves LINES WHAT: OK closes the window, and the INI file holds what it
# held before (before.txt) and LINES, nothing else.
ok_saves() {
  probe click $ok_id
  probe wait-closed 10000 || fail "OK did not close the Options window"
  ini_lines >"$work/after.txt"
  { cat "$work/before.txt"; printf '%s' "$1"; } >"$work/expected.txt"
  diff "$work/expected.txt" "$work/after.txt" || fail "the INI file does not hold exactly $2"
}

# play_and_compare SONG: F11 with the recording window in front, until the
# song ends; the keys must be those `murvane-cli keys --ini` lists.
play_and_compare() {
  start_recorder "$work/keys.log" "Key recorder" || fail "the key recorder did not appear"
  # The helper says when the press went out, on the recorder's clock: the
  # first key's delay is counted from there.
  local hotkey_sent_us
  hotkey_sent_us=$(press_f11) || fail "F11 could not be pressed"
  app_probe wait-status "$playing" 10000 || fail "F11 did not start playback"
  app_probe wait-status "$stopped" 30000 || fail "the song did not end"
  sleep 0.2  # let the last key messages reach the recorder
  close_recorder
  wine "$cli" keys "$(winpath "$1")" --ini "$(winpath "$ini")" </dev/null | tr -d '\r' >"$work/cli.txt" ||
    fail "murvane-cli keys failed"
  python3 "$here/../e2e/compare_keys.py" --cli "$work/cli.txt" --recorded "$work/keys.log" --ini "$ini" \
    --hotkey-sent-us "$hotkey_sent_us" --label "$(basename "$1") ($scenario-$language)" ||
    fail "the keys typed, or their times, are not what the tool lists (the lines above say which)"
}

case $scenario in
  ok-plays)
    song=$work/songs/channel2.mid
    start_murvane "$song"
    ini_lines >"$work/before.txt"
    open_options
    # 2: 8 notes, 8 in range / 2: 8 音 (範囲内 8)
    expected="0 1 2: 8 notes, 8 in range"
    [ "$language" = ja ] && expected="0 1 2: 8 音 (範囲内 8)"
    [ "$(state_of "$(channel_box 2)")" = "$expected" ] || fail "channel 2 shows '$(state_of "$(channel_box 2)")'"
    step "channel 2 alone, then OK"
    probe click "$(channel_box 1)"
    probe click "$(channel_box 2)"
    ok_saves $'[Options]\nChannels=0x0002\n' "the change"
    step "F11 plays channel 2"
    play_and_compare "$song"
    grep -q ' down vk=' "$work/keys.log" || fail "nothing was typed"
    ;;

  cancel)
    song=$work/songs/channel2.mid
    start_murvane "$song"
    cp "$ini" "$work/before.ini"
    for way in cancel close-box; do
      step "changes discarded by $way"
      open_options
      probe click "$(channel_box 2)"
      probe set-text $speed_id 50
      probe set-text $transpose_id -12
      probe set-text $hold_id 20
      probe click $focus_guard_id
      if [ "$way" = cancel ]; then probe click $cancel_id; else probe close; fi
      probe wait-closed 10000 || fail "$way did not close the Options window"
      cmp -s "$work/before.ini" "$ini" || fail "$way changed the INI file: $(diff <(tr -d '\r' <"$work/before.ini") <(tr -d '\r' <"$ini"))"
    done
    ;;

  suggest)
    song=$work/songs/channel4-low.mid
    start_murvane "$song"
    ini_lines >"$work/before.txt"
    cp "$ini" "$work/before.ini"
    open_options
    step "the boxes name the tracks and their instruments"
    # 4: Melody (Flute), 12 notes, 3 in range / 4: Melody (Flute)、12 音 (範囲内 3)
    expected4="0 1 4: Melody (Flute), 12 notes, 3 in range"
    [ "$language" = ja ] && expected4="0 1 4: Melody (Flute)、12 音 (範囲内 3)"
    [ "$(state_of "$(channel_box 4)")" = "$expected4" ] || fail "channel 4 shows '$(state_of "$(channel_box 4)")'"
    # 伴奏 (accompaniment), in Shift_JIS in the file
    expected1="1 1 1: 伴奏 (Acoustic Grand Piano), 4 notes, 4 in range"
    [ "$language" = ja ] && expected1="1 1 1: 伴奏 (Acoustic Grand Piano)、4 音 (範囲内 4)"
    [ "$(state_of "$(channel_box 1)")" = "$expected1" ] || fail "channel 1 shows '$(state_of "$(channel_box 1)")'"
    step "Suggest"
    probe click $suggest_id
    sleep 0.3
    probe state >"$work/state.txt"
    for channel in $(seq 1 16); do
      want=0
      [ "$channel" -eq 4 ] && want=1
      got=$(awk -v id="$(channel_box "$channel")" '$1 == id { print $2 }' "$work/state.txt")
      [ "$got" = "$want" ] || fail "channel $channel checked: $got, wanted $want"
    done
    [ "$(state_of $transpose_id)" = "0 1 24" ] || fail "transpose reads '$(state_of $transpose_id)', not 24"
    cmp -s "$work/before.ini" "$ini" || fail "Suggest wrote the INI file"
    step "OK"
    ok_saves $'[Options]\nChannels=0x0008\nTranspose=24\n' "the suggestion"
    step "F11 plays channel 4 two octaves up"
    play_and_compare "$song"
    ;;

  *)
    wine_test_usage "unknown scenario '$scenario'"
    ;;
esac

close_murvane
[ "$status" -eq 0 ] || fail "Murvane ended with exit code $status"
passed=yes
echo "PASS"
