# Shared by the scripts that drive Murvane.exe and our probes under Wine on
# Xvfb (the tests/win32 *.sh, bench/wine_chords/measure.sh); it sources
# common.sh. It is a file of its own, not part of common.sh, because it
# installs traps and ends the script on a failure, which scripts/test,
# scripts/run and the screenshot scripts must not inherit.
#
# A script reads its executables with wine_test_read_tools (or
# wine_test_tool_arg among flags of its own), calls wine_test_begin with the
# flags it cannot do without, and may redefine close_windows for windows of
# its own (the EXIT trap runs it first: a window left open would hold the
# hotkeys or the focus for the next test). A script with nothing of that to
# close (small_screen.sh) sources it for the ERR trap alone.

. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

wine_test_name=$(basename "$0")

# The executables, by the flags that name them.
declare -A wine_test_tool_of=(
  [--murvane]=murvane [--cli]=cli [--helper]=helper [--recorder]=recorder
  [--probe]=probe_exe [--app-probe]=app_probe_exe)
murvane= cli= helper= recorder= probe_exe= app_probe_exe=
# What the EXIT trap ends. Set passed once every check has passed: the work
# folder then goes, else it is kept for the logs.
murvane_pid= recorder_pids= passed= work=

# A command that fails outside a condition ends the script (set -e); the
# trap says which, so that no test ends without a reason.
set -E
trap 'wine_test_unexpected $?' ERR

wine_test_unexpected() {
  local status=$1 i line text
  # Inside $(...) the failure is reported where the value is used.
  [ "$BASH_SUBSHELL" -eq 0 ] || return 0
  echo "FAIL: $wine_test_name stopped on exit status $status of a command, from:" >&2
  for ((i = 1; i < ${#FUNCNAME[@]}; i++)); do
    line=${BASH_LINENO[i - 1]}
    text=$(sed -n "${line}s/^[[:space:]]*//p" "${BASH_SOURCE[i]}" 2>/dev/null || true)
    echo "  ${BASH_SOURCE[i]##*/} line $line (${FUNCNAME[i]}): $text" >&2
  done
}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

wine_test_usage() {
  echo "$wine_test_name: $*" >&2
  exit 64
}

step() { echo "-- $*"; }

# wine_test_tool_arg FLAG VALUE: false for a flag that names no executable.
wine_test_tool_arg() {
  local name=${wine_test_tool_of[$1]:-}
  [ -n "$name" ] || return 1
  printf -v "$name" '%s' "$2"
}

# wine_test_read_tools ARGS...: arguments that are all flags naming executables.
wine_test_read_tools() {
  while [ $# -gt 0 ]; do
    wine_test_tool_arg "$@" || wine_test_usage "unknown argument $1"
    shift 2
  done
}

# wine_test_begin PREFIX FLAG...: the executables of those flags, the display
# and the prefix checked; a work folder named after PREFIX in $work, and the
# EXIT trap.
wine_test_begin() {
  local flag name
  for flag in "${@:2}"; do
    name=${wine_test_tool_of[$flag]}
    [ -f "${!name}" ] || wine_test_usage "missing $flag: '${!name}'"
  done
  [ -n "${DISPLAY:-}" ] || wine_test_usage "no DISPLAY; run it under scripts/with-wine"
  [ -n "${WINEPREFIX:-}" ] || murvane_wine_prefix
  work=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX")
  trap wine_test_finish EXIT
}

wine_test_finish() {
  close_windows || true
  local pid
  for pid in $recorder_pids $murvane_pid; do kill "$pid" 2>/dev/null || true; done
  if [ -n "$passed" ]; then rm -rf "$work"; else echo "$wine_test_name: files kept in $work" >&2; fi
}

# The default: Murvane and the recorder asked to close through the app probe
# (a Murvane killed would leave the keys it holds down in Wine's key state).
close_windows() { close_our_windows; }

close_our_windows() {
  [ -n "$app_probe_exe" ] || return 0
  local pid
  for pid in $recorder_pids; do
    if running "$pid"; then app_probe close KeyRecorder >/dev/null 2>&1 || true; break; fi
  done
  if running "$murvane_pid"; then app_probe close MainWindow >/dev/null 2>&1 || true; fi
  wait_gone 5 $recorder_pids $murvane_pid
}

running() { [ -n "$1" ] && kill -0 "$1" 2>/dev/null; }

# wait_gone SECONDS PID...: true once none of them runs.
wait_gone() {
  local tries=$(($1 * 10)) pid
  shift
  for pid; do
    while running "$pid"; do
      tries=$((tries - 1))
      [ $tries -gt 0 ] || return 1
      sleep 0.1
    done
  done
}

winpath() { local path; path=$(realpath "$1"); printf 'Z:%s' "${path//\//\\}"; }

# wine_probe EXE ARGS...: one of our probes; its exit status, its output
# without the CRs.
wine_probe() {
  local exe=$1
  shift
  wine "$exe" "$@" </dev/null | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

# The probe of the window under test.
probe() { wine_probe "$probe_exe" "$@"; }

# The probe that finds, waits for and closes windows by class: app_probe.exe,
# or e2e_helper.exe, which answers those commands the same.
app_probe() { wine_probe "$app_probe_exe" "$@"; }

# F11 through the system's input, as a key of the keyboard would come; prints
# when the press went out, on the key recorder's clock.
press_f11() { wine_probe "$helper" press 0x7a; }

# copy_murvane FOLDER: a Murvane.exe of its own, so the INI file beside it
# starts from the defaults and the build tree is never written.
copy_murvane() {
  mkdir -p "$1"
  cp "$murvane" "$1/Murvane.exe"
}

# write_ini FILE SONG KEYBINDS OPTIONS: the first-run INI file as murvane-cli
# writes it (for SONG), with the entries of KEYBINDS ("Key=Value ...") in
# [KeyBinds] in place of its own, and a section [Options] of OPTIONS.
write_ini() {
  local bind option
  wine "$cli" keys "$(winpath "$2")" --ini "$(winpath "$1")" </dev/null >/dev/null || return 1
  for bind in $3; do
    sed -i -e "/^${bind%%=*}=/d" -e "s/^\[KeyBinds\]\r\$/&\n$bind\r/" "$1"
  done
  { printf '[Options]\r\n'; for option in $4; do printf '%s\r\n' "$option"; done; } >>"$1"
}

# launch_murvane FOLDER ARGS...: the Murvane.exe in FOLDER, started there,
# its output added to murvane.out in the work folder.
launch_murvane() {
  local folder=$1
  shift
  (cd "$folder" && exec wine Murvane.exe "$@" </dev/null >>"$work/murvane.out" 2>&1) &
  murvane_pid=$!
}

# wait_murvane: until Murvane has ended; its exit code goes to $status.
wait_murvane() {
  status=0
  wait "$murvane_pid" || status=$?
  murvane_pid=
}

# close_murvane: Murvane ended through its window; its exit code goes to $status.
close_murvane() {
  app_probe close MainWindow || fail "no main window to close"
  wait_murvane
}

# start_recorder LOG TITLE [ARGS...]: our key-recording window, titled TITLE,
# logging to LOG (its own output in LOG.out), in front; false when it does
# not appear. Each call starts one more: a test may have two windows to type into.
start_recorder() {
  local log=$1 title=$2
  shift 2
  (exec wine "$recorder" "$(winpath "$log")" --title "$title" "$@" </dev/null >"$log.out" 2>&1) &
  recorder_pids="$recorder_pids $!"
  app_probe wait-window KeyRecorder 30000 || return 1
  # Wine shows the window before the X server maps it, and the focus cannot
  # go to a window not yet viewable (BadMatch): wait for that too.
  timeout 20 xdotool search --sync --onlyvisible --name "^$title\$" windowfocus --sync
}

# close_recorder: every recorder closed once the last key messages reached it.
close_recorder() {
  app_probe close KeyRecorder
  local pid
  for pid in $recorder_pids; do wait "$pid" || true; done
  recorder_pids=
}

focus() {
  timeout 20 xdotool search --sync --onlyvisible --name "$1" windowfocus --sync || fail "no window '$1' to focus"
}

# write_long_note FILE: note 60 pressed at once and held for days, so that
# playback runs until it is stopped.
write_long_note() {
  printf 'MThd\0\0\0\6\0\0\0\1\1\340MTrk\0\0\0\17\0\220\74\144\377\377\377\177\200\74\0\0\377\57\0' >"$1"
}
