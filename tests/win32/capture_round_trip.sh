#!/usr/bin/env bash
# kdxinfo.exe --capture under Wine, then the host program on the capture: both must write the
# same report, byte for byte and under the same file name, once as Windows XP and once as
# Windows 98; first in the seeded prefix, then in a copy of it holding each sample machine (its
# registry imported, its drive_c merged into Wine's; services and event logs stay Wine's own).
# With win64, in the 64-bit prefix (wine_prefix.sh create64) as Windows 7 and 10, there with
# the 64-bit sample: the capture of a PC that runs the program under WOW64.
# Each difference is a fault of the simulated machine or of the capture, unless it is one of
# the named exceptions below, which the test prints.
#   capture_round_trip.sh PREFIX KDXINFO_EXE HOST_KDXINFO ARTIFACT_DIR SAMPLES_DIR [win64]
set -euo pipefail

export WINEPREFIX=$1
kdxinfo=$2
host=$3
samples=$5
if [[ ${6:-} == win64 ]]; then
  export WINEARCH=win64
  # A sample machine's registry files hold it as it lies, Wow6432Node and all: they go in
  # through the 64-bit regedit, which Debian's wine does not start (it prefers its 32-bit
  # loader).
  regedit_loader=$(command -v wine64 || echo /usr/lib/wine/wine64)
  artifacts=$4/capture_round_trip_win64
  modes=(win7 win10)
  sample_machines=(win10x64_de)
  own_windows=win10
else
  export WINEARCH=win32
  regedit_loader=wine
  artifacts=$4/capture_round_trip
  modes=(winxp win98)
  sample_machines=(winxp_de win98se_de)
  own_windows=winxp
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=de_DE.UTF-8

if [[ ! -x $host ]]; then
  echo "FAIL: no host program at $host (build the host preset first)" >&2
  exit 1
fi

set_windows_version() {
  wine reg add 'HKCU\Software\Wine' /v Version /d "$1" /f >/dev/null 2>&1
}
trap 'set_windows_version $own_windows' EXIT

# Named exception "wine98-ini-mapping": Wine answers GetPrivateProfileStringA for the
# [intl] section of win.ini from HKCU\Control Panel\International whatever Windows it plays;
# Windows 98 maps no INI section into the registry, and neither does the simulated machine as
# Windows 98, which answers from the captured win.ini. The rows of that section, between
# "SECTION<TAB>intl" and the next empty row, are left out of both reports before the
# comparison, and named here.
except_wine98_ini_mapping() {
  local report=$1 edited=$2 side=$3
  awk -v side="$side" '/^SECTION\tintl\r$/ { print; skip = 1; next }
       skip && /^\t\r$/ { skip = 0 }
       skip { excepted++; next }
       { print }
       END { if (excepted) printf "exception wine98-ini-mapping: %d rows of win.ini [intl] left out of the %s report\n", excepted, side > "/dev/stderr" }' \
    "$report" >"$edited"
}

failures=0
round_trip() {
  local mode=$1 out=$artifacts/${2:-seeded}-$1
  rm -rf "$out"
  mkdir -p "$out/windows" "$out/host"
  set_windows_version "$mode"
  if ! wine "$kdxinfo" --yes --output "$(winepath -w "$out/windows")" \
      --capture "$(winepath -w "$out/capture")" >"$out/windows.txt" 2>&1; then
    echo "FAIL: ${2:-seeded} $mode: kdxinfo.exe --capture failed" >&2
    cat "$out/windows.txt" >&2
    failures=$((failures + 1))
    return
  fi
  grep -a 'Capture in' "$out/windows.txt" || true
  if ! "$host" --machine "$out/capture" --yes --output "$out/host" >"$out/host.txt" 2>&1; then
    echo "FAIL: ${2:-seeded} $mode: the host program refused the capture" >&2
    cat "$out/host.txt" >&2
    failures=$((failures + 1))
    return
  fi
  local windows_name host_name
  windows_name=$(cd "$out/windows" && ls)
  host_name=$(cd "$out/host" && ls)
  if [[ $windows_name != "$host_name" ]]; then
    echo "FAIL: ${2:-seeded} $mode: report names differ: $windows_name (Windows) and $host_name (host)" >&2
    failures=$((failures + 1))
  fi
  local windows_report=$out/windows/$windows_name host_report=$out/host/$host_name
  if [[ $mode == win98 ]]; then
    except_wine98_ini_mapping "$windows_report" "$out/windows-excepted.txt" Windows
    except_wine98_ini_mapping "$host_report" "$out/host-excepted.txt" host
    windows_report=$out/windows-excepted.txt
    host_report=$out/host-excepted.txt
  fi
  if ! cmp "$windows_report" "$host_report"; then
    echo "FAIL: ${2:-seeded} $mode: the replayed report differs from the captured one:" >&2
    diff -a "$windows_report" "$host_report" | head -40 >&2 || true
    failures=$((failures + 1))
    return
  fi
  echo "ok: ${2:-seeded} $mode: $windows_name replayed byte for byte"
}

# Copies the folder from into the folder to. The sample's C:\WINDOWS\System32 is Wine's
# C:\windows\system32: each name merges into the one Wine has under another case.
merge_into() {
  local from=$1 to=$2 entry target
  mkdir -p "$to"
  for entry in "$from"/*; do
    [[ -e $entry ]] || continue
    target=$(find "$to" -mindepth 1 -maxdepth 1 -iname "$(basename "$entry")" | head -n 1)
    target=${target:-$to/$(basename "$entry")}
    if [[ -d $entry ]]; then
      merge_into "$entry" "$target"
    else
      cp -a "$entry" "$target"
    fi
  done
}

# A copy of the seeded prefix with a sample machine's registry and files in it.
sample_prefix() {
  local sample=$1 prefix=$2
  wineserver -w
  rm -rf "$prefix"
  cp -a "$WINEPREFIX" "$prefix"
  merge_into "$sample/drive_c" "$prefix/drive_c"
  for file in "$sample"/registry/*.reg; do
    WINEPREFIX=$prefix "$regedit_loader" regedit /S "$(winepath -w "$file")" >/dev/null 2>&1
  done
}

for mode in "${modes[@]}"; do
  round_trip "$mode"
done
seeded=$WINEPREFIX
for sample in "${sample_machines[@]}"; do
  sample_prefix "$samples/$sample" "$artifacts/prefix-$sample"
  export WINEPREFIX=$artifacts/prefix-$sample
  for mode in "${modes[@]}"; do
    round_trip "$mode" "$sample"
  done
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  export WINEPREFIX=$seeded
done
exit $((failures > 0))
