#!/usr/bin/env bash
# The key configuration window opened from a running Murvane.exe, with its
# real global hotkeys pressed through X:
#   - while the window is open the hotkeys are withdrawn: F11 is captured as
#     a key and plays nothing;
#   - once it closes, Play/Stop works on the key it was just given (F9);
#   - binding a note to that key leaves no Play/Stop hotkey at all, and the
#     INI file says so.
#
#   hotkeys_with_app.sh --murvane Murvane.exe --probe key_config_probe.exe
#
# Needs DISPLAY and the project's Wine prefix: run it through CTest under
# scripts/with-wine.
set -euo pipefail
. "$(dirname "$0")/../../../scripts/lib/wine_test.sh"

wine_test_read_tools "$@"
wine_test_begin murvane-key-config --murvane --probe

close_windows() {
  if running "$murvane_pid"; then
    probe close 5000 >/dev/null 2>&1 || true
    probe quit 5000 >/dev/null 2>&1 || true
    wait_gone 5 "$murvane_pid"
  fi
}

# Key window controls, by a client point inside each.
selection=(190 20)
captured=(360 20)
c4_label=(444 75)
play_label=(400 570)
vk_f9=0x78 vk_f10=0x79 vk_f11=0x7a vk_f12=0x7b

# Once the window has closed, the hotkeys it did not change are back.
others_registered_again() {
  if probe hotkey-free $vk_f10; then fail "F10 is not registered again"; fi
  if probe hotkey-free $vk_f12; then fail "F12 is not registered again"; fi
}

# select_entry ID TEXT WHY: the entry of control ID clicked; the selection
# must read TEXT.
select_entry() {
  probe click "$1" || fail "$3 (no click)"
  probe wait-text "${selection[@]}" "$2" 5000 || fail "$3"
}

# capture KEY WHY: KEY typed into the key window once it has the keyboard;
# the capture must show it.
capture() {
  probe wait-keys 5000 || fail "$2 (the key window did not take the keyboard)"
  xdotool key "$1" || fail "$2 (xdotool)"
  probe wait-text "${captured[@]}" " $1" 5000 || fail "$2"
}

# commit X Y TEXT WHY: Commit pressed; the label at X, Y must then read TEXT.
commit() {
  probe click 100 || fail "$4 (no click)"
  probe wait-text "$1" "$2" "$3" 5000 || fail "$4"
}

# f9_then STATUS MS WHY: F9 pressed through X; the status must read STATUS
# within MS.
f9_then() {
  xdotool key F9 || fail "$3 (xdotool)"
  probe wait-status "$1" "$2" || fail "$3"
}

copy_murvane "$work/app"
write_long_note "$work/long.mid"
launch_murvane "$work/app" "$(winpath "$work/long.mid")"
probe wait-status Stopped 30000 || fail "Murvane did not start"
probe hotkey-free $vk_f11 && fail "Play/Stop (F11) is not registered at start"

step "while the window is open, F11 is captured and plays nothing"
probe open 10000 || fail "the key window did not open"
probe wait-hotkey-free $vk_f11 5000 || fail "F11 stayed registered while the window was open"
focus '^Murvane: Key config$'
capture F11 "F11 was not captured"

step "Play/Stop moves to F9"
select_entry 37 "Hotkey: Play/Stop" "Play/Stop not selected"
capture F9 "F9 was not captured"
commit "${play_label[@]}" " F9" "Commit did not show F9 for Play/Stop"
probe close 5000 || fail "the key window did not close"
probe wait-status Stopped 2000 || fail "the F11 typed in the window started playback"

step "after it closes, F9 plays and stops, F11 does nothing"
probe hotkey-free $vk_f11 || fail "F11 is still registered"
probe hotkey-free $vk_f9 && fail "F9 is not registered"
others_registered_again
focus '^Murvane$'
f9_then Playing 5000 "F9 did not start playback"
f9_then Stopped 5000 "F9 did not stop playback"

step "a note bound to F9 leaves no Play/Stop hotkey"
probe open 10000 || fail "the key window did not open again"
focus '^Murvane: Key config$'
select_entry 12 C4 "C4 not selected"
capture F9 "F9 was not captured for C4"
commit "${c4_label[@]}" " F9" "Commit did not show F9 for C4"
probe wait-text "${play_label[@]}" "" 5000 || fail "the Play/Stop label was not emptied"
probe close 5000 || fail "the key window did not close"
probe wait-hotkey-free $vk_f9 5000 || fail "F9 is still registered for Play/Stop"
others_registered_again
focus '^Murvane$'
f9_then Stopped 2000 "F9 still plays"

ini=$work/app/Murvane.ini
tr -d '\r' <"$ini" | grep -qx 'HotkeyPlay=0x0000' || fail "HotkeyPlay is not 0x0000 in the INI file"
tr -d '\r' <"$ini" | grep -qx 'C4=0x0078' || fail "C4 is not 0x0078 in the INI file"
passed=1
echo "PASS"
