#!/usr/bin/env bash
# The Wine prefix that the Windows tests share: made fresh once per test run, then reused.
#   wine_prefix.sh create PREFIX FIXTURES   new prefix, registry seeded from FIXTURES/*.reg
#   wine_prefix.sh run PREFIX PROGRAM ARGS  runs a Windows program in the prefix
#   wine_prefix.sh stop PREFIX              ends the prefix's wineserver
set -euo pipefail

command=$1
export WINEPREFIX=$2
# A 32-bit Windows, whichever Wine is installed (with wine64 beside wine32 a new prefix
# would otherwise be 64-bit, and every program would run under WOW64).
export WINEARCH=win32
shift 2
export WINEDEBUG=-all
# The programs run as on the German Windows they are made for: Wine takes the user locale,
# and with it CompareStringA's order and the date formats, from the Unix locale.
export LC_ALL=de_DE.UTF-8
# No Mono or Gecko installer prompts during wineboot.
export WINEDLLOVERRIDES="mscoree,mshtml="

case $command in
  create)
    fixtures=$1
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i >/dev/null 2>&1
    for file in "$fixtures"/*.reg; do
      wine regedit /S "$(winepath -w "$file")" >/dev/null 2>&1
    done
    # K: is a drive with nothing on it, for the listing of an empty drive root.
    mkdir -p "$WINEPREFIX/empty-drive"
    ln -sfn "$WINEPREFIX/empty-drive" "$WINEPREFIX/dosdevices/k:"
    # The registry reaches disk when the server ends; later tests start it again.
    wineserver -w
    echo "Wine prefix ready: $WINEPREFIX"
    ;;
  run)
    exec wine "$@"
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    ;;
  *)
    echo "usage: $0 create|run|stop PREFIX ..." >&2
    exit 2
    ;;
esac
