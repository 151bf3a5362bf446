#!/usr/bin/env bash
# Makes a machine directory of an unusual but real shape from the XP sample, to run the host
# program against:
#   links     two folder links back into the label software's folder
#   ini       a kelmokdx.ini of SCALE sections of 2 KB each (default 2000: 4 MB)
#   bigfile   a sparse driver-store file of SCALE bytes (default 5,000,000,000) with a version
#   messages  SCALE event sources (default 400) whose records all name one 4 MB message file
#   dotdot    the label software's folder and the system's TEMP spelled with ".."
#   ne        16-bit (NE) files with version resources in the label software's folder: those of
#             tests/data/ne, and when WINEPREFIX is set six of that Wine prefix's system folder
# Usage: make-machine-shape.sh SHAPE OUTPUT_DIR [SCALE]
set -euo pipefail
shape=$1
out=$2
scale=${3:-}
source_dir=$(cd "$(dirname "$0")/.." && pwd)

rm -rf "$out"
cp -r "$source_dir/samples/winxp_de" "$out"
v4="$out/drive_c/Programme/Kelmo/Dexta Label 4"
reg="$out/registry/99_shape.reg"

case $shape in
  links)
    ln -s . "$v4/back"
    ln -s .. "$v4/up"
    ;;
  ini)
    awk -v sections="${scale:-2000}" 'BEGIN {
      for (s = 0; s < sections; s++) {
        printf "[Sektion%05d]\r\n", s
        for (k = 0; k < 48; k++) printf "Schluessel%02d=Wert %05d/%02d mit etwas Text\r\n", k, s, k
      }
    }' > "$out/drive_c/WINDOWS/kelmokdx.ini"
    ;;
  bigfile)
    mkdir -p "$out/drive_c/WINDOWS/system32/DRVSTORE"
    cp "$out/drive_c/WINDOWS/system32/kdxmonx.dll" "$out/drive_c/WINDOWS/system32/DRVSTORE/huge.sys"
    truncate -s "${scale:-5000000000}" "$out/drive_c/WINDOWS/system32/DRVSTORE/huge.sys"
    ;;
  messages)
    big="$out/drive_c/WINDOWS/system32/bigmsg.dll"
    cp "$out/drive_c/WINDOWS/system32/netevent.dll" "$big"
    truncate -s 4194304 "$big"
    rm -f "$out/eventlog/System.evt"
    awk -v sources="${scale:-400}" 'BEGIN {
      printf "REGEDIT4\r\n\r\n"
      for (s = 0; s < sources; s++) {
        printf "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\Quelle%04d]\r\n", s
        printf "\"EventMessageFile\"=\"C:\\\\WINDOWS\\\\system32\\\\bigmsg.dll\"\r\n\r\n"
      }
    }' > "$reg"
    awk -v sources="${scale:-400}" 'BEGIN {
      for (s = 0; s < sources; s++) {
        printf "source: Quelle%04d\ntype: error\nid: C0001B7B\n", s
        printf "time: 2026-12-06 %02d:%02d:00\ncomputer: BUERO-PC07\nstring: KDXUSB\nstring: 1\n\n", s / 60 % 24, s % 60
      }
    }' > "$out/eventlog/System.txt"
    ;;
  dotdot)
    {
      printf 'REGEDIT4\r\n\r\n'
      printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmo Instruments\\Dexta Label Printer\\4.0\\PROGRAM]\r\n'
      printf '"AppDir"="C:\\\\Programme\\\\Kelmo\\\\x\\\\..\\\\Dexta Label 4"\r\n\r\n'
      printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment]\r\n'
      printf '"TEMP"="%%SystemRoot%%\\\\..\\\\WINDOWS\\\\TEMP"\r\n'
    } > "$reg"
    ;;
  ne)
    cp "$source_dir"/tests/data/ne/* "$v4/"
    if [ -n "${WINEPREFIX:-}" ]; then
      for name in gdi.exe krnl386.exe user.exe mouse.drv ole2nls.dll shell.dll; do
        cp "$WINEPREFIX/drive_c/windows/system32/$name" "$v4/$name"
      done
    fi
    ;;
  *)
    echo "unknown shape: $shape" >&2
    exit 2
    ;;
esac
