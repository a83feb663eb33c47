#!/usr/bin/env bash
# Murvane.exe as a process under Wine: single instance, exit codes, global
# hotkeys pressed through X while another window has the focus.
#
#   process_test.sh SCENARIO --murvane Murvane.exe --recorder key_recorder.exe --probe app_probe.exe
#
# Scenarios:
#   second-instance   a second start exits with code 1; the first runs on untouched
#   close             closing the window ends the process with code 0 and frees every hotkey
#   hotkeys           F11 plays into the focused window, F11 again stops and every key comes up
#   hotkey-taken      F11 held by another program: one message, F10 and F12 still work
#   close-while-held  a key held by playback comes up when the window is closed
#   ini-path-fails    run from a path too long for the INI file's path: a message, exit code 1
#   long-path         a song in a folder whose path is over 300 characters loads from the command line
#
# Needs DISPLAY and the project's Wine prefix: run it through CTest under
# scripts/with-wine.
set -euo pipefail
. "$(dirname "$0")/../../../scripts/lib/wine_test.sh"

scenario=${1:-}
wine_test_read_tools "${@:2}"
wine_test_begin murvane-app --murvane --recorder --probe
# Its probe is the app probe.
app_probe_exe=$probe_exe

copy_murvane "$work/app"

start_murvane() { launch_murvane "$work/app" "$@"; }

wait_started() {
  probe wait-window MainWindow 30000 || fail "the main window did not appear"
  probe wait-status Stopped 30000 || fail "the status never read Stopped"
}

start_key_recorder() {
  start_recorder "$work/keys.log" "Key recorder" "$@" || fail "the key recorder did not appear"
  wait_log focus 10 || fail "the key recorder never got the focus"
}

# wait_log PATTERN SECONDS: until the recorder's log has a line matching PATTERN.
wait_log() {
  local tries=$(($2 * 20))
  until grep -qE "$1" "$work/keys.log" 2>/dev/null; do
    tries=$((tries - 1))
    [ $tries -gt 0 ] || return 1
    sleep 0.05
  done
}

count_log() { grep -cE "$1" "$work/keys.log" || true; }

# Keys that went down more often than up, as "vk=0x.. " words.
held_keys() {
  awk '$2 == "down" && $3 ~ /^vk=/ { n[$3]++ } $2 == "up" && $3 ~ /^vk=/ { n[$3]-- }
       END { for (k in n) if (n[k] > 0) printf "%s ", k }' "$work/keys.log"
}

# wait_released SECONDS: until every key that went down has come up.
wait_released() {
  local tries=$(($1 * 20))
  while [ -n "$(held_keys)" ]; do
    tries=$((tries - 1))
    [ $tries -gt 0 ] || return 1
    sleep 0.05
  done
}

song=$MURVANE_ROOT/examples/ode-to-joy.mid
vk_f10=0x79 vk_f11=0x7a vk_f12=0x7b

case $scenario in
  second-instance)
    start_murvane "$(winpath "$song")"
    wait_started
    probe texts >"$work/texts-before.txt"
    status=0
    (cd "$work/app" && wine Murvane.exe "$(winpath "$song")" </dev/null >>"$work/murvane.out" 2>&1) || status=$?
    [ "$status" -eq 1 ] || fail "the second start ended with exit code $status, not 1"
    probe texts >"$work/texts-after.txt"
    cmp -s "$work/texts-before.txt" "$work/texts-after.txt" || fail "the first copy's window changed"
    probe hotkey-free 0 $vk_f11 && fail "the first copy lost its hotkeys"
    kill -0 "$murvane_pid" || fail "the first copy has gone"
    close_murvane
    [ "$status" -eq 0 ] || fail "the first copy ended with exit code $status"
    ;;

  close)
    start_murvane "$(winpath "$song")"
    wait_started
    [ "$(probe texts | head -n 1)" = "ode-to-joy.mid" ] || fail "the command-line file's title is not shown"
    for vk in $vk_f11 $vk_f10 $vk_f12; do
      probe hotkey-free 0 $vk && fail "hotkey $vk was not registered"
    done
    close_murvane
    [ "$status" -eq 0 ] || fail "closing the window ended the process with exit code $status, not 0"
    for vk in $vk_f11 $vk_f10 $vk_f12; do
      probe hotkey-free 0 $vk || fail "hotkey $vk is still registered after the window closed"
    done
    ;;

  hotkeys)
    start_murvane "$(winpath "$song")"
    wait_started
    start_key_recorder
    xdotool key F11
    probe wait-status Playing 10000 || fail "F11 did not start playback"
    wait_log ' down vk=' 10 || fail "the focused window received no key"
    # Let a few notes through, then stop in the middle of the song.
    tries=200
    until [ "$(count_log ' down vk=')" -ge 3 ]; do
      tries=$((tries - 1))
      [ $tries -gt 0 ] || fail "fewer than three keys in ten seconds"
      sleep 0.05
    done
    xdotool key F11
    probe wait-status Stopped 10000 || fail "F11 again did not stop playback"
    wait_released 5 || fail "keys still down after the stop: $(held_keys)"
    # The system takes the hotkey's press; its release goes on to the focused window.
    [ "$(count_log "down vk=$vk_f11 ")" -eq 0 ] || fail "the hotkey itself reached the focused window"
    close_murvane
    [ "$status" -eq 0 ] || fail "exit code $status"
    ;;

  hotkey-taken)
    start_key_recorder --hold-hotkey 0:$vk_f11
    wait_log "held mods=0x0 vk=$vk_f11 ok" 10 || fail "the recorder could not take F11"
    start_murvane "$(winpath "$song")"
    probe wait-window MainWindow 30000 || fail "the main window did not appear"
    probe message-boxes 30000 >"$work/boxes.txt" || fail "start-up did not finish"
    [ "$(cat "$work/boxes.txt")" = "Murvane: Error|Failed register hotkey." ] ||
      fail "expected one message 'Failed register hotkey.', got: $(cat "$work/boxes.txt")"
    probe wait-status Stopped 10000 || fail "the status never read Stopped"

    # F10 (MIDI input) works: Wine has no MIDI input device, so it says so.
    xdotool search --sync --name '^Key recorder$' windowfocus --sync
    xdotool key F10
    probe wait-window '#32770' 10000 || fail "F10 did nothing"
    probe message-boxes 10000 >"$work/boxes.txt" || fail "the F10 message did not go"
    [ "$(cat "$work/boxes.txt")" = "Murvane: Error|MIDI input device not found." ] ||
      fail "F10 showed: $(cat "$work/boxes.txt")"
    probe wait-status Stopped 10000 || fail "the status after F10 is not Stopped"

    # F12 (All stop) works: it stops a playback started without F11.
    probe post-hotkey 100
    probe wait-status Playing 10000 || fail "playback did not start"
    xdotool search --sync --name '^Key recorder$' windowfocus --sync
    xdotool key F12
    probe wait-status Stopped 10000 || fail "F12 did not stop playback"
    wait_released 5 || fail "keys still down after F12: $(held_keys)"

    # F11 is the recorder's.
    xdotool key F11
    wait_log 'hotkey id=1' 10 || fail "F11 did not reach the program that holds it"
    close_murvane
    [ "$status" -eq 0 ] || fail "exit code $status"
    ;;

  close-while-held)
    write_long_note "$work/long-note.mid"
    start_murvane "$(winpath "$work/long-note.mid")"
    wait_started
    start_key_recorder
    xdotool key F11
    probe wait-status Playing 10000 || fail "F11 did not start playback"
    wait_log ' down vk=' 10 || fail "the note's key never went down"
    [ -n "$(held_keys)" ] || fail "no key is held"
    close_murvane
    [ "$status" -eq 0 ] || fail "exit code $status"
    wait_released 5 || fail "keys still down after Murvane ended: $(held_keys)"
    ;;

  ini-path-fails)
    # Over 260 characters as a Windows path: the executable's path does not fit.
    deep=$work/app/$(printf 'a%.0s' {1..150})/$(printf 'b%.0s' {1..100})
    copy_murvane "$deep"
    launch_murvane "$deep"
    probe dismiss-boxes 1 30000 >"$work/boxes.txt" || fail "no message appeared"
    [ "$(cat "$work/boxes.txt")" = "Murvane: Error|Failed initialize application." ] ||
      fail "expected 'Failed initialize application.', got: $(cat "$work/boxes.txt")"
    wait_murvane
    [ "$status" -eq 1 ] || fail "exit code $status, not 1"
    probe wait-gone MainWindow 1000 || fail "a main window was made"
    ;;

  long-path)
    deep=$work/songs/$(printf 'a%.0s' {1..100})/$(printf 'b%.0s' {1..100})/$(printf 'c%.0s' {1..100})
    mkdir -p "$deep"
    cp "$song" "$deep/deep-song.mid"
    [ "$(winpath "$deep/deep-song.mid" | wc -c)" -gt 300 ] || fail "the song's path is not over 300 characters"
    start_murvane "$(winpath "$deep/deep-song.mid")"
    wait_started
    [ "$(probe texts | head -n 1)" = "deep-song.mid" ] || fail "the file did not load: $(probe texts | head -n 1)"
    probe post-hotkey 100
    probe wait-status Playing 10000 || fail "the loaded file does not play"
    probe post-hotkey 102
    probe wait-status Stopped 10000 || fail "All stop did not stop playback"
    close_murvane
    [ "$status" -eq 0 ] || fail "exit code $status"
    ;;

  *)
    wine_test_usage "unknown scenario '$scenario'"
    ;;
esac
passed=yes
