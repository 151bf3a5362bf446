#!/usr/bin/env bash
# The Wine prefixes that the Windows tests share: made fresh once per test run, then reused.
#   wine_prefix.sh create PREFIX FIXTURES    new 32-bit prefix, registry seeded from FIXTURES/*.reg
#   wine_prefix.sh create64 PREFIX FIXTURES FIXTURES64 SAMPLE
#                                           new 64-bit prefix, seeded as a 64-bit PC: FIXTURES
#                                           through the 32-bit registry view (as the 32-bit label
#                                           software writes its keys), FIXTURES64 through the
#                                           64-bit one, and the 64-bit driver's and the KDX
#                                           monitor's files of the machine directory SAMPLE
#   wine_prefix.sh run|run64 PREFIX PROGRAM ARGS   runs a Windows program in the prefix
#   wine_prefix.sh stop|stop64 PREFIX       ends the prefix's wineserver
set -euo pipefail

command=$1
export WINEPREFIX=$2
# Each prefix states its Windows, whichever Wine is installed (with wine64 beside wine32 a new
# prefix would otherwise be 64-bit): a 32-bit one for the tests of 32-bit Windows, a 64-bit one
# (wine64), where the 32-bit programs run under WOW64 as on a 64-bit Windows.
case $command in
  create64 | run64 | stop64) export WINEARCH=win64 ;;
  *) export WINEARCH=win32 ;;
esac
shift 2
export WINEDEBUG=-all
# The programs run as on the German Windows they are made for: Wine takes the user locale,
# and with it CompareStringA's order and the date formats, from the Unix locale.
export LC_ALL=de_DE.UTF-8
# No Mono or Gecko installer prompts during wineboot.
export WINEDLLOVERRIDES="mscoree,mshtml="

new_prefix() {
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot -i >/dev/null 2>&1
}

# Debian's wine starts every program with the 32-bit loader where one is installed, so its
# regedit is the 32-bit one in a 64-bit prefix too; the 64-bit loader starts the 64-bit one.
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)

# Imports .reg files with a loader and a regedit: the 32-bit regedit writes through the 32-bit
# registry view, the 64-bit one through the 64-bit view.
import_reg_files() {
  local loader=$1 regedit=$2 file
  shift 2
  for file in "$@"; do
    "$loader" "$regedit" /S "$(winepath -w "$file")" >/dev/null 2>&1
  done
}

# The files a 64-bit PC keeps apart: the 64-bit label printer driver in spool\drivers\x64\3
# beside the older x86 one of the fixtures' driver in w32x86\3, a driver listed only under x86,
# the KDX monitor in the real System32 and an older copy in SysWOW64 (Wine's syswow64).
seed_64_bit_files() {
  local sample=$1/drive_c/Windows windows=$WINEPREFIX/drive_c/windows
  local x86=$1/../winxp_de/drive_c/WINDOWS/system32/spool/drivers/w32x86/3
  mkdir -p "$windows/system32/spool/drivers/x64/3" "$windows/system32/spool/drivers/w32x86/3"
  cp "$sample"/System32/spool/drivers/x64/3/* "$windows/system32/spool/drivers/x64/3/"
  cp "$sample/System32/spool/drivers/w32x86/3/KDX200.DLL" "$x86/KDX410.DLL" \
    "$windows/system32/spool/drivers/w32x86/3/"
  cp "$sample/System32/kdxmonx.dll" "$windows/system32/kdxmonx.dll"
  cp "$sample/SysWOW64/kdxmonx.dll" "$windows/syswow64/kdxmonx.dll"
}

finish_prefix() {
  # K: is a drive with nothing on it, for the listing of an empty drive root.
  mkdir -p "$WINEPREFIX/empty-drive"
  ln -sfn "$WINEPREFIX/empty-drive" "$WINEPREFIX/dosdevices/k:"
  # The registry reaches disk when the server ends; later tests start it again.
  wineserver -w
  echo "Wine prefix ready ($WINEARCH): $WINEPREFIX"
}

case $command in
  create)
    new_prefix
    import_reg_files wine regedit "$1"/*.reg
    finish_prefix
    ;;
  create64)
    new_prefix
    import_reg_files wine 'C:\windows\syswow64\regedit.exe' "$1"/*.reg
    import_reg_files "$wine64" regedit "$2"/*.reg
    seed_64_bit_files "$3"
    # Not the fixtures' Windows XP, which a 64-bit prefix cannot play: Windows 10.
    wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
    finish_prefix
    ;;
  run | run64)
    exec wine "$@"
    ;;
  stop | stop64)
    wineserver -k 2>/dev/null || true
    ;;
  *)
    echo "usage: $0 create|create64|run|run64|stop|stop64 PREFIX ..." >&2
    exit 2
    ;;
esac
