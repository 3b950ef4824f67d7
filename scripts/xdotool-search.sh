# Sourced by the scripts that drive the program through the display.
# xdotool ends with an X error (BadWindow) when a window goes away while a
# search looks at it: the program's menus, an input method's windows, any
# client starting or ending. Such a search is made again; its other outcomes
# (nothing found) are passed on.
xdotool() {
  [ "${1:-}" = search ] || { command xdotool "$@"; return; }
  local err="${TMPDIR:-/tmp}/xdotool-search.$BASHPID" out status attempt
  for attempt in 1 2 3 4 5 6 7 8 9 10; do
    status=0
    out=$(command xdotool "$@" 2>"$err") || status=$?
    grep -q "X Error" "$err" 2>/dev/null || break
  done
  rm -f "$err"
  [ -z "$out" ] || printf '%s\n' "$out"
  return "$status"
}
