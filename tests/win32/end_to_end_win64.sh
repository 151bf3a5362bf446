#!/usr/bin/env bash
# kdxinfo.exe --yes --output DIR in the 64-bit prefix (wine_prefix.sh create64), where it runs
# under WOW64 as on a 64-bit Windows, once as Windows 7 and once as Windows 10: the
# architecture row, the label printer's dependent files from the x64 driver folder before the
# x86 copy, the driver listed only under x86, both system folders under their own names in the
# file list, and the label software's keys as the 32-bit view shows them.
#   end_to_end_win64.sh PREFIX KDXINFO_EXE ARTIFACT_DIR
set -euo pipefail

export WINEPREFIX=$1
export WINEARCH=win64
kdxinfo=$2
artifacts=$3/end_to_end_win64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=de_DE.UTF-8

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

has_line() { grep -qxF -- "$2"$'\r' "$1"; }
expect_line() { has_line "$2" "$3" || fail "$1: line missing: $(printf %q "$3")"; }
# A line matching the extended regular expression, CR and all.
expect_match() { grep -qE -- "^$3"$'\r$' "$2" || fail "$1: no line like $(printf %q "$3")"; }

prefix_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name { sub(/^ +[^ ]+ +REG_[A-Z_]+    /, ""); print; exit }'
}

trap 'wine reg add "HKCU\\Software\\Wine" /v Version /d win10 /f >/dev/null 2>&1 || true' EXIT

# The rows of the printer key's section, from its "<name> an <port>" row to its empty row.
printer_rows() {
  awk -v first="$2"$'\t\r' '$0 == first { take = 1 } take && $0 == "\t\r" { exit } take' "$1" |
    tr -d '\r'
}

check_windows() {
  local windows=$1 out=$artifacts/$1 report version build csd before=$failures
  wine reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1 || true
  if ! wine winecfg -v "$windows" >/dev/null 2>&1; then
    fail "$windows: this prefix cannot play it (winecfg -v $windows refused)"
    return
  fi
  rm -rf "$out"
  mkdir -p "$out"
  if ! wine "$kdxinfo" --yes --output "$(winepath -w "$out")" >"$out/console.txt" 2>&1; then
    fail "$windows: kdxinfo.exe failed: $(cat "$out/console.txt")"
    return
  fi
  report=$(ls "$out"/KDXINFO_*.txt)
  [[ $(tail -n 1 "$report") == $'END OF KDXINFO\r' ]] || fail "$windows: last line"

  # The version as the prefix's keys spell it, and right after it the processor.
  version=$(prefix_value 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' CurrentVersion)
  build=$(prefix_value 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' CurrentBuildNumber)
  csd=$(prefix_value 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' CSDVersion)
  [[ $(sed -n 2p "$report") == "NT based $version $csd ($build)"$'\t\r' ]] ||
    fail "$windows: version row $(sed -n 2p "$report")"
  [[ $(sed -n 3p "$report") == $'Windows-Architektur\tx64\r' ]] ||
    fail "$windows: no architecture row after the version row"

  # The label printer's driver is the x64 one, its files those of x64\3 (3.2), not the x86
  # copy in w32x86\3 (3.1); the printer whose driver is listed only under x86 keeps it.
  local kd410 expected
  kd410=$(printer_rows "$report" "Dexta KD-410 an USB001")
  expected=$'Dexta KD-410 an USB001\t\nAbh\xe4ngige Dateien:\t'
  for file in KDX410.DLL KDX410UI.DLL kdxres.dll; do
    expected+=$'\n3\\'"$file"$'\t@; 4096 Byte; A; Version: 3.2 / 3.2.0.4'
  done
  [[ $(sed 's/\t[^;]*;/\t@;/' <<<"$kd410") == "$expected" ]] ||
    fail "$windows: the KD-410's rows are not its x64 driver's:"$'\n'"$kd410"
  expect_match "$windows" "$report" $'3\\\\KDX200\\.DLL\t[^;]*; 4096 Byte; A; Version: 2\\.0 / 2\\.0\\.1\\.0'

  # Both system folders, each under its own name; both driver folders.
  expect_match "$windows" "$report" "\\('KDXMONX\\.DLL','2\\.1\\.0\\.3','2\\.1','C:\\\\WINDOWS\\\\SYSTEM32\\\\',.*"
  expect_match "$windows" "$report" \
    "  \\{Different file\\}\\('KDXMONX\\.DLL','2\\.0\\.0\\.14','2\\.0','C:\\\\WINDOWS\\\\SYSWOW64\\\\',.*"
  # The x86 driver folders are scanned first.
  expect_match "$windows" "$report" \
    "\\('KDX410\\.DLL','3\\.1\\.0\\.2','3\\.1','C:\\\\WINDOWS\\\\SYSTEM32\\\\SPOOL\\\\DRIVERS\\\\W32X86\\\\3\\\\',.*"
  expect_match "$windows" "$report" \
    "  \\{Different file\\}\\('KDX410\\.DLL','3\\.2\\.0\\.4','3\\.2','C:\\\\WINDOWS\\\\SYSTEM32\\\\SPOOL\\\\DRIVERS\\\\X64\\\\3\\\\',.*"

  # The label software's keys, which went in through the 32-bit view, as the 32-bit program
  # sees them: under their own names in the registry block and in the check lines.
  expect_line "$windows" "$report" "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmo Instruments\\KDX]"
  expect_line "$windows" "$report" "\"Sprache\"=\"Deutsch (Gr"$'\xfc\xdf'"e)\""
  local printers='HKLM\SOFTWARE\Kelmo Instruments\Dexta Label Printer\Installed Printers'
  expect_line "$windows" "$report" "Falscher Datentyp f"$'\xfc'"r $printers\\Dexta KD-410\\Port"
  ((failures > before)) || echo "ok: $windows: $(basename "$report")"
}

for windows in win7 win10; do
  check_windows "$windows"
done

if ((failures > 0)); then
  echo "$failures check(s) failed; reports kept in $artifacts" >&2
  exit 1
fi
echo "end-to-end in the 64-bit prefix passed; reports kept in $artifacts"
