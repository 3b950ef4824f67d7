# Shared helpers of the real-input suite: the program started from a copy of
# the build's files on a private display, driven only through the X server
# (xdotool), checked through kbsim, the files it writes, its windows and
# screenshot pixels. Sourced by the suite's scripts.
set -Eeuo pipefail

ri_fail() {
  echo "$(basename "$0"): FAIL: $*" >&2
  for f in "${work:-/nonexistent}"/*.log; do [ -f "$f" ] && { echo "--- $f" >&2; tail -20 "$f" >&2; }; done
  [ -n "${DISPLAY:-}" ] && import -window root "$work/failure.png" 2>/dev/null && cp "$work/failure.png" "${TMPDIR:-/tmp}/realinput-failure.png" &&
    echo "screenshot: ${TMPDIR:-/tmp}/realinput-failure.png" >&2
  exit 1
}
ri_ok() { echo "$(basename "$0"): ok: $*"; }
# A command that fails outside a test's own checks (set -e) says where, with
# the logs, instead of ending the script without a word.
trap 'ri_fail "line $LINENO: \"$BASH_COMMAND\" failed (exit $?)"' ERR

. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xdotool-search.sh"

# wait_for SECONDS COMMAND...: polls until the command succeeds.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.05
  done
}

# The program's main window (the tray icon's window has the same name).
main_window() {
  local w X Y WIDTH=0 HEIGHT WINDOW SCREEN
  for w in $(xdotool search --class '^SOUIHOST$' 2>/dev/null); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = KbConfig ] || continue
    eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)" || continue
    [ "$WIDTH" -gt 100 ] && { echo "$w"; return 0; }
  done
  return 1
}
# await_main_window SECONDS: waits for the main window and sets $window (a
# second search after the wait could miss a window that is being replaced).
await_main_window() {
  found_main_window() { window=$(main_window); }
  wait_for "$1" found_main_window
}
tray_window() { xdotool search --class '^kb-tray-icon$' 2>/dev/null | head -1 | grep .; }
# Visible windows of the program without a title: menus and drop-downs.
popup_windows() {
  local w found=1
  for w in $(xdotool search --onlyvisible --class '^SOUIHOST$' 2>/dev/null); do
    [ -z "$(xdotool getwindowname "$w" 2>/dev/null)" ] && { echo "$w"; found=0; }
  done
  return $found
}
no_popup() { ! popup_windows >/dev/null; }
window_named() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
no_window_named() { ! window_named "$1"; }
is_viewable() { xwininfo -id "$1" | grep -q IsViewable; }
is_unmapped() { xwininfo -id "$1" | grep -q IsUnMapped; }

# geometry WINDOW: sets WX WY WW WH.
geometry() {
  local X Y WIDTH HEIGHT WINDOW SCREEN
  eval "$(xdotool getwindowgeometry --shell "$1")"
  WX=$X WY=$Y WW=$WIDTH WH=$HEIGHT
}
# Pointer actions relative to a window's top-left corner.
move_in() { geometry "$1"; xdotool mousemove $((WX + $2)) $((WY + $3)); }
click_in() { move_in "$1" "$2" "$3"; xdotool click "${4:-1}"; }
# The colour of one screen pixel as "#rrggbb".
pixel() {
  import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | sed -n 's/.*\(#[0-9A-Fa-f]\{6\}\).*/\1/p' | head -1
}
kbsim() { "$out/kbsim" "$@"; }
log_has() { kbsim log | grep -q -- "$1"; }

# ri_setup: a private kbsim and a copy of the program in $work/app.
ri_setup() {
  work=$(mktemp -d "${TMPDIR:-/tmp}/realinput.XXXXXX")
  export KBSIM_SOCKET="$work/kbsim.sock" KB_OBJECT_DIR="$work/objects"
  mkdir -p "$KB_OBJECT_DIR" "$work/app"
  pids=()
  trap ri_cleanup EXIT
  for tool in xdotool xwininfo import; do command -v "$tool" >/dev/null || ri_fail "$tool is missing"; done
  [ -x "$out/kbconfig" ] || ri_fail "$out/kbconfig is not built"
  app="$work/app"
  cp "$out/kbconfig" "$out/config.xml" "$app/"
  cp -r "$out/uires" "$app/uires"
  [ -d "$out/driver" ] && cp -r "$out/driver" "$app/driver"
  # The simulated keyboard types into the display, as a real one would
  # (KBSIM_DAEMON_ARGS= turns that off).
  # shellcheck disable=SC2086
  "$out/kbsim" daemon --socket "$KBSIM_SOCKET" ${KBSIM_DAEMON_ARGS---type-into-display} >"$work/kbsim.log" 2>&1 &
  pids+=($!)
  wait_for 20 kbsim ping || ri_fail "kbsim did not start"
  kbsim firmware 1.3 >/dev/null
}
# Newest first: the program ends before the services it talks to (kbsim, the
# input method); a process that does not end on SIGTERM within 15 s is killed
# and fails the test.
ri_cleanup() {
  local i pid stuck=0
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid=${pids[i]}
    kill "$pid" 2>/dev/null || continue
    for _ in $(seq 150); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
      echo "realinput: process $pid ($(tr '\0' ' ' </proc/"$pid"/cmdline 2>/dev/null)) did not end on SIGTERM" >&2
      kill -9 "$pid" 2>/dev/null
      stuck=1
    fi
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
  [ $stuck = 0 ] || exit 1
}
# ri_start [ARGS]: starts the program, sets $program (pid) and $window.
ri_start() {
  # kbsim's log outlives a program: this start's own request is awaited.
  local asked
  asked=$(kbsim log | grep -c -- "07 f1 00" || true)
  (cd "$app" && exec ./kbconfig "$@") >"$work/kbconfig.log" 2>&1 &
  program=$!
  pids+=($program)
  await_main_window 30 || ri_fail "the main window did not appear"
  asked_again() { [ "$(kbsim log | grep -c -- "07 f1 00")" -gt "$asked" ]; }
  wait_for 20 asked_again || ri_fail "the firmware version was not asked for"
  # The window is found as soon as it has its name; it is placed (centred)
  # before it is shown, and clicks are aimed at where it is shown.
  [ "${1:-}" = -hid ] || wait_for 20 is_viewable "$window" || ri_fail "the main window was not shown"
}
ri_ended() { ! kill -0 "$program" 2>/dev/null; }
