#!/usr/bin/env bash
# End-to-end session with the installed program on its own X server (Xvfb, no
# window manager), driven from outside only, with xdotool and xclip, as a user
# at the keyboard would:
#   start it with a HEX file named on the command line, paste over the text it
#   read (Enter on the paste button), undo the paste with Ctrl+Z and cut what
#   the undo brought back, which must be the file's byte text;
#   open a HEX file (Ctrl+O, path typed into the file dialog), go to an
#   address (Ctrl+G) and find bytes (Ctrl+F), copying what they reach, cut the byte
#   text to the clipboard (Tab to the cut button), paste new text from the
#   clipboard (the paste button), type a start address, save (Ctrl+S) to a
#   name without ".hex", save again to the same name and answer the overwrite
#   question; the saved files are checked with srec_cmp.
# Any step that does not happen fails the test; the X server, the program and
# the files go whatever happens.
#
#   session.sh <quorix binary> [directory for a screenshot and log on failure]
set -euo pipefail

app_bin="$1"
artifacts="${2:-}"
step_timeout="${QUORIX_E2E_TIMEOUT:-20}"  # seconds any one step may take

for tool in Xvfb xdotool xclip srec_cmp; do
  command -v "$tool" >/dev/null || { echo "e2e: $tool is missing (tools/install-deps installs it)" >&2; exit 1; }
done
[ -x "$app_bin" ] || { echo "e2e: no program at $app_bin" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/quorix-e2e.XXXXXX")"
xvfb_pid=""
app_pid=""
step=""

stop() {
  local pid="$1"
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
cleanup() {
  local rc=$?
  set +e
  stop "$app_pid"
  # xclip and anything else on the display end with the server.
  stop "$xvfb_pid"
  rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

fail() {
  echo "e2e: FAILED at step \"$step\": $*" >&2
  if [ -n "$artifacts" ] && [ -n "${DISPLAY:-}" ]; then
    mkdir -p "$artifacts"
    import -window root "$artifacts/e2e-failure.png" 2>/dev/null && echo "e2e: screenshot in $artifacts/e2e-failure.png" >&2
  fi
  if [ -s "$work/app.log" ]; then
    echo "e2e: the program's output:" >&2
    sed 's/^/  | /' "$work/app.log" >&2
  fi
  exit 1
}
begin() {
  step="$1"
  echo "e2e: $step"
}
# Runs the command until it succeeds, for at most $step_timeout seconds.
wait_until() {
  local tries=$((step_timeout * 10))
  until "$@"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}
alive() { kill -0 "$app_pid" 2>/dev/null || fail "the program has ended"; }

# One Intel HEX record: address, type, data bytes as hex digit pairs.
record() {
  local address=$(($1)) type=$(($2)) sum line b
  shift 2
  sum=$(($# + (address >> 8) + (address & 255) + type))
  line="$(printf ':%02X%04X%02X' $# "$address" "$type")"
  for b in "$@"; do
    sum=$((sum + 16#$b))
    line+="$b"
  done
  printf '%s%02X\n' "$line" $(((256 - sum % 256) % 256))
}

# --- the files -------------------------------------------------------------
# The file to open, with LF line ends and an extended address record as many
# toolchains write it: data at 0108-011B and 0120-0121.
{
  record 0 4 00 00
  record 0x0108 0 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F
  record 0x0118 0 A0 A1 A2 A3
  record 0x0120 0 B0 B1
  record 0 1
} >"$work/in.hex"
# Its byte text: its page filled from 0100, and the gap 011C-011F.
opened_text="$(printf 'FF %.0s' 1 2 3 4 5 6 7 8)00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F A0 A1 A2 A3 FF FF FF FF B0 B1 "

# The text pasted in: 21 cells, the last without its blank, an FF inside.
pasted_bytes=(3A 0F FF 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20 21)
pasted_text="${pasted_bytes[*]}"
{ record 0x0200 0 "${pasted_bytes[@]}"; record 0 1; } >"$work/first.hex"
{ record 0x0300 0 "${pasted_bytes[@]}"; record 0 1; } >"$work/second.hex"

# --- the X server and the program -----------------------------------------
begin "start Xvfb"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
display_known() { [ -s "$work/display" ] && grep -q '[0-9]' "$work/display"; }
wait_until display_known || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(tr -dc '0-9' <"$work/display")"

begin "start the program on $DISPLAY"
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# A home of its own: the file dialog keeps its history in the configuration.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache"
mkdir -p "$HOME"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION  # Qt's own file dialog, not a desktop's
# A relative name, as a shell passes it: the program reads it once it shows.
(cd "$work" && exec "$app_bin" in.hex) >"$work/app.log" 2>&1 &
app_pid=$!
main_win="$(timeout "$step_timeout" xdotool search --sync --onlyvisible --name '^Quorix' 2>/dev/null | head -n 1)" ||
  true
[ -n "$main_win" ] || fail "no visible window whose title begins with \"Quorix\""
alive

focused() { xdotool getwindowfocus 2>/dev/null; }
# The program's mapped windows, one id a line. xdotool ends on an X error when
# a window goes away while it looks, so a list without the main window is no list.
windows() {
  local list
  list="$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null)" || return 1
  grep -qx "$main_win" <<<"$list" || return 1
  printf '%s\n' "$list"
}
visible() { windows | grep -qx "$1"; }
hidden() {
  local list
  list="$(windows)" || return 1
  ! grep -qx "$1" <<<"$list"
}
# A window of the program other than the main window has the focus: the
# program gives its dialogs the focus itself. Its id goes to $dialog.
dialog=""
dialog_focused() {
  local f
  f="$(focused)" || return 1
  [ -n "$f" ] && [ "$f" != "$main_win" ] && visible "$f" && dialog="$f"
}
# Gone: missing from two good lists in a row.
dialog_gone() { hidden "$dialog" && sleep 0.1 && hidden "$dialog"; }
# Without a window manager nobody hands the focus back to the main window when
# a dialog closes (it falls to the root window); a user's click would.
focus_main() {
  timeout "$step_timeout" xdotool windowfocus --sync "$main_win" || fail "the main window does not take the focus"
}
wait_until_short() {
  local tries=20
  until "$@"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

# Fills the file dialog's name field with $1 and accepts it.
answer_file_dialog() {
  wait_until dialog_focused || fail "no file dialog came up"
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 8 "$1"
  xdotool key Return
  # The name field completes paths in a popup, which may take the first Return.
  local tries=0
  until wait_until_short dialog_gone; do
    alive
    tries=$((tries + 1))
    [ "$tries" -lt 3 ] || fail "the file dialog did not close"
    echo "e2e: the file dialog is still open; Return once more"
    xdotool key Return
  done
}
clipboard_is() { [ "$(xclip -o -selection clipboard 2>/dev/null)" = "$1" ]; }

focus_main

# --- the session -----------------------------------------------------------
begin "paste over the file read at start (Enter on the paste button), undo it with Ctrl+Z"
printf 'EE ' | xclip -selection clipboard -i
wait_until clipboard_is "EE " || fail "xclip could not set the clipboard"
# Tab from Text1 to Text2, Text3, Command1, Command2, Command3, Command4.
xdotool key Tab Tab Tab Tab Tab Tab Return
xdotool key shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab ctrl+z
# Had the paste or the read not happened, the undo would leave another text.
xdotool key Tab Tab Tab Tab Tab space
wait_until clipboard_is "$opened_text" ||
  fail "after the undo the field held \"$(xclip -o -selection clipboard 2>/dev/null | head -c 200)\", not the file's byte text"
xdotool key shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab  # back to Text1
alive

begin "open the file with Ctrl+O"
xdotool key --clearmodifiers ctrl+o
answer_file_dialog "$work/in.hex"
focus_main
alive

# Answers the line dialog of a find or a go to with $1.
answer_line_dialog() {
  wait_until dialog_focused || fail "no dialog came up"
  xdotool type --delay 8 "$1"
  xdotool key Return
  wait_until dialog_gone || fail "the dialog did not close on Return"
  focus_main
}

begin "go to 0120 with Ctrl+G, copy the two cells there"
xdotool key --clearmodifiers ctrl+g
answer_line_dialog "0120"
xdotool key shift+Right shift+Right shift+Right shift+Right shift+Right ctrl+c
wait_until clipboard_is "B0 B1" || fail "after going to 0120 the copy gave \"$(xclip -o -selection clipboard 2>/dev/null)\""

begin "find A2 A3 FF with Ctrl+F, copy what it selected"
xdotool key --clearmodifiers ctrl+f
answer_line_dialog "0xA2,0xA3,0xFF"
xdotool key ctrl+c
wait_until clipboard_is "A2 A3 FF" || fail "the find selected \"$(xclip -o -selection clipboard 2>/dev/null)\""
alive

begin "cut the byte text with the cut button (Tab from Text1)"
xdotool key Tab Tab Tab Tab Tab space
wait_until clipboard_is "$opened_text" ||
  fail "the clipboard holds \"$(xclip -o -selection clipboard 2>/dev/null | head -c 200)\", not the file's byte text"

begin "paste new byte text with the paste button"
printf '%s' "$pasted_text" | xclip -selection clipboard -i
wait_until clipboard_is "$pasted_text" || fail "xclip could not set the clipboard"
xdotool key Tab space
# Cut once more: the clipboard then holds what the paste put into the field.
xdotool key shift+Tab space
wait_until clipboard_is "$pasted_text" ||
  fail "after paste and cut the clipboard holds \"$(xclip -o -selection clipboard 2>/dev/null | head -c 200)\""
xdotool key Tab space  # and back into the field from the program's own clipboard

begin "type the start address 0200"
xdotool key Tab Tab ctrl+a
xdotool type --delay 8 "0200"

saved_as() { [ -s "$work/out.hex" ] && srec_cmp "$work/out.hex" -intel "$work/$1" -intel >/dev/null 2>&1; }
begin "save with Ctrl+S to a name without .hex"
xdotool key --clearmodifiers ctrl+s
answer_file_dialog "$work/out"
focus_main
wait_until saved_as first.hex || {
  [ -e "$work/out.hex" ] || fail "no file out.hex (files: $(ls "$work"))"
  srec_cmp "$work/out.hex" -intel "$work/first.hex" -intel >&2 || true
  fail "out.hex does not hold the pasted bytes at 0200: $(cat "$work/out.hex")"
}
[ ! -e "$work/out" ] || fail "a file \"out\" without .hex was written"
tail -n 1 "$work/out.hex" | grep -q '^:00000001FF' || fail "out.hex does not end with the end-of-file record"
alive

begin "save again to the same name and answer the overwrite question with OK"
xdotool key ctrl+a
xdotool type --delay 8 "0300"
xdotool key --clearmodifiers ctrl+s
answer_file_dialog "$work/out"
question_up() { dialog_focused && [ "$(xdotool getwindowname "$dialog" 2>/dev/null)" = "！文件已存在" ]; }
wait_until question_up ||
  fail "no question \"文件已存在，是否覆盖它？\" (focused: \"$(xdotool getwindowname "$(focused)" 2>/dev/null)\")"
xdotool key Return
wait_until dialog_gone || fail "the question did not close on Return"
wait_until saved_as second.hex || fail "out.hex was not replaced by the bytes at 0300: $(cat "$work/out.hex")"
alive

begin "type bytes at 0400, open a file at 08000000, undo it with Ctrl+Z, save with Ctrl+S"
{ record 0 4 08 00; record 0 0 01 02; record 0 1; } >"$work/high.hex"
{ record 0x0400 0 AA BB CC DD EE 01; record 0 1; } >"$work/typed.hex"
focus_main
xdotool key ctrl+a
xdotool type --delay 8 "0400"
xdotool key Tab ctrl+a  # from Text5 round to Text1
xdotool type --delay 8 "AA BB CC DD EE 01 "
xdotool key --clearmodifiers ctrl+o
answer_file_dialog "$work/high.hex"
focus_main
# The undo brings back the typed bytes and, with them, their start address 0400.
xdotool key --clearmodifiers ctrl+z ctrl+s
answer_file_dialog "$work/undone.hex"
undone_saved() { [ -s "$work/undone.hex" ] && srec_cmp "$work/undone.hex" -intel "$work/typed.hex" -intel >/dev/null 2>&1; }
wait_until undone_saved || fail "undone.hex does not hold the typed bytes at 0400: $(cat "$work/undone.hex" 2>&1)"
alive

echo "e2e: passed"
