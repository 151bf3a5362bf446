#!/usr/bin/env bash
# KDXInfo.exe under Wine on a virtual X display: acknowledge the instruction dialog, type the
# report's path into the save dialog and confirm; the report must appear complete and the
# program must end by itself. Screenshots of the run stay in the artifact folder.
#   window_test.sh PREFIX KDXINFO_EXE ARTIFACT_DIR
set -euo pipefail

export WINEPREFIX=$1
exe=$2
artifacts=$3/window
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

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

# Echoes the X window id of the window with exactly this title, waiting up to 30 s.
wait_window() {
  for _ in $(seq 60); do
    if id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) && [[ -n $id ]]; then
      echo "$id"
      return 0
    fi
    sleep 0.5
  done
  echo "FAIL: no window \"$1\"" >&2
  import -window root "$artifacts/timeout.png" 2>/dev/null || true
  return 1
}

press() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  shift
  xdotool "$@"
}

report_win=$(winepath -w "$artifacts")\\report.txt
wine "$exe" >"$artifacts/wine.txt" 2>&1 &
app_pid=$!

main=$(wait_window "Dexta Label Printer Info")
dialog=$(wait_window "KDXInfo")
import -window root "$artifacts/instruction_dialog.png"
press "$dialog" key Return

# The status lines run; the save dialog (Wine's default title) ends the collection.
save=$(wait_window "Save As")
import -window root "$artifacts/save_dialog.png"
# The save dialog opens over the main window: move it aside to show the status lines.
xdotool windowmove --sync "$save" 420 330 2>/dev/null || xdotool windowmove "$save" 420 330
sleep 1
eval "$(xdotool getwindowgeometry --shell "$main")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$artifacts/main_window.png"
press "$save" type --delay 20 "$report_win"
press "$save" key Return

status=0
for _ in $(seq 60); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.5
done
if kill -0 "$app_pid" 2>/dev/null; then
  echo "FAIL: KDXInfo.exe did not end after the report was saved" >&2
  import -window root "$artifacts/not_ended.png"
  status=1
else
  wait "$app_pid" || { echo "FAIL: KDXInfo.exe exit status $?" >&2; status=1; }
fi
app_pid=

report=$artifacts/report.txt
if [[ ! -f $report ]]; then
  echo "FAIL: no report at $report" >&2
  exit 1
fi
[[ $(head -n 1 "$report") == $'[KDXINFO2.9.2]\r' ]] || { echo "FAIL: first line" >&2; status=1; }
[[ $(tail -n 1 "$report") == $'END OF KDXINFO\r' ]] || { echo "FAIL: last line" >&2; status=1; }
((status == 0)) && echo "window test under Wine passed; screenshots in $artifacts"
exit "$status"
