#!/usr/bin/env bash
# The X11 primary selection follows a keyboard selection in the byte text field (the offscreen
# platform has no primary selection, so this needs a real X server): on its own Xvfb, type a
# known text into Text1, select with Shift+arrows and Shift+Ctrl+End, and read the primary
# selection with xclip after each step, as a middle-click paste in another program would.
#
#   primary_selection.sh <quorix binary>
set -euo pipefail

app_bin="$1"
command -v Xvfb xdotool xclip >/dev/null && [ -x "$app_bin" ] ||
  { echo "primary: needs Xvfb, xdotool, xclip and the program (got \"$app_bin\")" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/quorix-primary.XXXXXX")"
xvfb_pid=""
app_pid=""
# The program first, then its X server; whatever is left on the display ends with the server.
cleanup() {
  local rc=$?
  for pid in $app_pid $xvfb_pid; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do grep -q '[0-9]' "$work/display" 2>/dev/null && break; sleep 0.1; done
export DISPLAY=":$(tr -dc '0-9' <"$work/display")"
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work"
chmod 700 "$work"

"$app_bin" >"$work/app.log" 2>&1 &
app_pid=$!
win="$(timeout 20 xdotool search --sync --onlyvisible --name '^Quorix' | head -n 1)"
[ -n "$win" ] || { echo "primary: no window" >&2; exit 1; }
xdotool windowfocus --sync "$win"

# Text1 has the focus when the window opens.
key() { xdotool key --window "$win" --delay 30 "$@"; sleep 0.3; }
expect() {
  local got
  got="$(timeout 5 xclip -o -selection primary 2>/dev/null || true)"
  if [ "$got" != "$1" ]; then
    echo "primary: after $2 the primary selection is \"$got\", expected \"$1\"" >&2
    exit 1
  fi
  echo "primary: $2 -> \"$got\""
}

key ctrl+a
xdotool type --window "$win" --delay 30 '3A 0F FF 10 '
key ctrl+Home
key shift+Right shift+Right shift+Right shift+Right shift+Right
expect "3A 0F" "Shift+Right x5"
key shift+Right shift+Right shift+Right
expect "3A 0F FF" "three more Shift+Right"
key Right ctrl+shift+End
expect " 10 " "Shift+Ctrl+End"
echo "primary: passed"
