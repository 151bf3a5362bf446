#!/usr/bin/env bash
# KDXInfo.exe under Wine on a virtual X display, one case after another, each with an output
# folder of its own under the artifact folder (its screenshots and Wine's output stay there):
#   confirm        acknowledge the instruction dialog, type the report's path, confirm
#   dialog_closed  close the instruction dialog by its close box: the run goes on all the same
#   cancel         cancel the save dialog: the program ends without writing anything
#   main_closed    close the main window as the run starts, under the save dialog and while
#                  the report is written: the save dialog stays, the report is complete, and
#                  the program ends after it
#   error          save into a folder that does not exist: one error box, then the main window
#                  stays open until it is closed
#   window_test.sh PREFIX KDXINFO_EXE ARTIFACT_DIR
# KDX_CASES="cancel error" runs only those cases.
set -euo pipefail

export WINEPREFIX=$1
export WINEARCH=win32
exe=$2
artifacts=$3/window
scripts=$(cd "$(dirname "$0")" && pwd)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

readonly main_title="Dexta Label Printer Info"
readonly dialog_title="KDXInfo"
# The program's application title, which captions its error boxes.
readonly error_title="KDXInfo"
# Wine's own title for the save dialog (Windows would say "Speichern unter" on German Windows).
readonly save_title="Save As"

rm -rf "$artifacts"
mkdir -p "$artifacts"

# A display of our own; Xvfb names it once it is ready.
exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 20 -u "$display_fd" display_number
export DISPLAY=:$display_number
app_pid=
cleanup() {
  [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# Windows of a running wineserver belong to the display it started with.
wineserver -k 2>/dev/null || true

out=       # the running case's output folder
fail() {
  echo "FAIL [$(basename "$out")]: $*" >&2
  import -window root "$out/failure.png" 2>/dev/null || true
  return 1
}

# Echoes the X window id of the visible window with exactly this title, waiting up to 30 s.
wait_window() {
  local id
  for _ in $(seq 60); do
    if id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) && [[ -n $id ]]; then
      echo "$id"
      return 0
    fi
    sleep 0.5
  done
  fail "no window \"$1\""
}

# Waits up to 30 s until the X window is no longer shown.
wait_gone() {
  for _ in $(seq 60); do
    xdotool search --onlyvisible --name "^$2\$" 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.5
  done
  fail "window \"$2\" still shown"
}

is_shown() { xdotool search --onlyvisible --name "^$2\$" 2>/dev/null | grep -qx "$1"; }

# Asks the window to close as its close box would (see x_close_window.sh).
close_window() { "$scripts/x_close_window.sh" "$1" || fail "could not ask window $1 to close"; }

press() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  shift
  xdotool "$@"
}

# Starts KDXInfo.exe for the case; extra arguments are environment settings for Wine.
start() {
  touch "$out.started"
  env "$@" wine "$exe" >"$out/wine.txt" 2>&1 &
  app_pid=$!
}

# Waits up to 30 s for the program to end by itself and checks its exit status.
expect_exit() {
  local status=0
  for _ in $(seq 60); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.5
  done
  if kill -0 "$app_pid" 2>/dev/null; then
    fail "KDXInfo.exe did not end by itself"
    return 1
  fi
  wait "$app_pid" || status=$?
  app_pid=
  ((status == $1)) || fail "exit status $status, expected $1"
}

# Types a path into the save dialog and confirms it.
save_as() {
  press "$1" type --delay 20 "$2"
  press "$1" key Return
}

expect_report() {
  [[ -f $1 ]] || fail "no report at $1" || return 1
  [[ $(head -n 1 "$1") == $'[KDXINFO2.9.2]\r' ]] || fail "first line of $1" || return 1
  [[ $(tail -n 1 "$1") == $'END OF KDXINFO\r' ]] || fail "last line of $1"
}

# No report in the case's folder, nor on the desktop the save dialog proposes.
expect_no_report() {
  local found
  found=$(find "$out" "$WINEPREFIX/drive_c/users" -name 'KDXINFO_*.txt' -newer "$out.started")
  [[ -z $found ]] || fail "report written although none was expected: $found"
  [[ ! -e $out/report.txt ]] || fail "report written although none was expected: $out/report.txt"
}

case_confirm() {
  local main dialog save
  start
  main=$(wait_window "$main_title") || return 1
  dialog=$(wait_window "$dialog_title") || return 1
  import -window root "$out/instruction_dialog.png"
  press "$dialog" key Return

  # The status lines run; the save dialog ends the collection.
  save=$(wait_window "$save_title") || return 1
  import -window root "$out/save_dialog.png"
  # The save dialog opens over the main window: move it aside to show the status lines.
  xdotool windowmove --sync "$save" 420 330 2>/dev/null || xdotool windowmove "$save" 420 330
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$main")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/main_window.png"
  save_as "$save" "$(winepath -w "$out")\\report.txt"
  expect_exit 0 || return 1
  expect_report "$out/report.txt"
}

case_dialog_closed() {
  local dialog save
  start
  wait_window "$main_title" >/dev/null || return 1
  dialog=$(wait_window "$dialog_title") || return 1
  close_window "$dialog" || return 1
  save=$(wait_window "$save_title") || return 1
  save_as "$save" "$(winepath -w "$out")\\report.txt"
  expect_exit 0 || return 1
  expect_report "$out/report.txt"
}

case_cancel() {
  local dialog save
  start
  wait_window "$main_title" >/dev/null || return 1
  dialog=$(wait_window "$dialog_title") || return 1
  press "$dialog" key Return
  save=$(wait_window "$save_title") || return 1
  # A name typed but not confirmed: were Escape taken for Save, the report would land here.
  press "$save" type --delay 20 "$(winepath -w "$out")\\KDXINFO_cancelled.txt"
  press "$save" key Escape
  expect_exit 1 || return 1
  expect_no_report
}

case_main_closed() {
  local main dialog save
  start
  main=$(wait_window "$main_title") || return 1
  dialog=$(wait_window "$dialog_title") || return 1
  press "$dialog" key Return
  # The part of the run before the save dialog is short: this request comes while it goes on
  # (the run must still reach the save dialog) or once the save dialog has disabled the main
  # window (it is ignored, like the one below). Which of the two happened cannot be seen.
  wait_gone "$dialog" "$dialog_title" || return 1
  close_window "$main" || return 1
  save=$(wait_window "$save_title") || return 1
  # The main window is disabled under the modal save dialog: the request is ignored, as a
  # click on a disabled window's close box is on Windows.
  close_window "$main" || return 1
  sleep 1
  is_shown "$save" "$save_title" || fail "the save dialog closed with the main window" || return 1
  is_shown "$main" "$main_title" || fail "the main window closed under the save dialog" || return 1
  save_as "$save" "$(winepath -w "$out")\\report.txt"
  # Most of the run, the collection and the writing of the report, follows the save dialog:
  # closing now must neither cut the report short nor change the exit status. The window may
  # be gone already if the run was quicker.
  "$scripts/x_close_window.sh" "$main" 2>/dev/null || true
  expect_exit 0 || return 1
  expect_report "$out/report.txt"
}

case_error() {
  local main dialog save box red
  # Wine's msgbox channel logs each message box's text as it opens: the only way to read the
  # text from outside, since a Wine message box copies nothing on Ctrl+C.
  start WINEDEBUG=-all,+msgbox
  main=$(wait_window "$main_title") || return 1
  dialog=$(wait_window "$dialog_title") || return 1
  press "$dialog" key Return
  wait_gone "$dialog" "$dialog_title" || return 1
  save=$(wait_window "$save_title") || return 1
  save_as "$save" "$(winepath -w "$out")\\missing\\report.txt"

  box=$(wait_window "$error_title") || return 1
  import -window root "$out/error_box.png"
  eval "$(xdotool getwindowgeometry --shell "$box")"
  # Wine's error icon is the box's only red: the share of strongly red pixels in the box.
  red=$(convert "$out/error_box.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage \
    -fx '(r > 0.6 && g < 0.45 && b < 0.45)' -format '%[fx:mean > 0.01]' info:)
  ((red == 1)) || fail "no error icon in the message box" || return 1
  # The text is Windows-1252 in the program; Wine logs it as UTF-16 with escapes.
  grep -qF 'MSGBOX_OnInit L"Ung\00fcltiger Dateiname."' "$out/wine.txt" ||
    fail "the message box does not say \"Ungültiger Dateiname.\"" || return 1
  press "$box" key Return
  wait_gone "$box" "$error_title" || return 1

  # The run has ended, but the main window stays until it is closed. Wine takes a second or
  # two to end a program, its windows included, so a program that ended by mistake would be
  # gone well within this wait.
  for _ in $(seq 10); do
    sleep 0.5
    kill -0 "$app_pid" 2>/dev/null || fail "KDXInfo.exe ended with the error box" || return 1
    is_shown "$main" "$main_title" || fail "the main window closed with the error box" || return 1
  done
  close_window "$main" || return 1
  expect_exit 2 || return 1
  (($(grep -c 'MSGBOX_OnInit' "$out/wine.txt") == 1)) || fail "more than one message box" ||
    return 1
  [[ -z $(find "$out" -name '*.txt' ! -name wine.txt) ]] || fail "a file was written"
  [[ ! -e $out/missing ]] || fail "the missing folder was made"
}

status=0
for name in ${KDX_CASES:-confirm dialog_closed cancel main_closed error}; do
  out=$artifacts/$name
  mkdir -p "$out"
  if "case_$name"; then
    echo "passed: $name"
  else
    status=1
    # Leave nothing of the failed case behind for the next one.
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
    app_pid=
    wineserver -k 2>/dev/null || true
  fi
done
((status == 0)) && echo "window test under Wine passed; screenshots in $artifacts"
exit "$status"
