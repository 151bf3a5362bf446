#!/usr/bin/env bash
# kdxinfo.exe --yes --output DIR under Wine, once as Windows XP (the prefix's default from the
# fixtures) and once as Windows 98: the general-information rows must match what the prefix
# holds, and every frame line of the report must be there. Then once in each Windows version
# Wine can play, from 95 to 10: the version row and the rows that differ by family.
#   end_to_end.sh PREFIX KDXINFO_EXE PROBE_EXE ARTIFACT_DIR
set -euo pipefail

export WINEPREFIX=$1
export WINEARCH=win32
kdxinfo=$2
probe=$3
artifacts=$4/end_to_end
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# A Windows-side value, as the prefix itself answers (CR removed).
windows_value() { wine cmd /c "echo $1" 2>/dev/null | tr -d '\r'; }
registry_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v name="$2" '$1 == name {
    sub(/^[ ]*[^ ]+[ ]+REG_[A-Z_]+[ ]+/, ""); print }'
}

set_windows_version() {
  wine reg add 'HKCU\Software\Wine' /v Version /d "$1" /f >/dev/null 2>&1
}
# Whatever happens, the shared prefix goes back to the fixtures' Windows XP.
trap 'set_windows_version winxp' EXIT

# Runs the report into a fresh folder and echoes the report's path; ends the test when the
# program fails or does not leave exactly one report.
run_report() {
  local out=$artifacts/$1
  rm -rf "$out"
  mkdir -p "$out"
  if ! wine "$kdxinfo" --yes --output "$(winepath -w "$out")" >"$out/console.txt" 2>&1; then
    echo "FAIL: $1: kdxinfo.exe failed" >&2
    cat "$out/console.txt" >&2
    return 1
  fi
  local reports=("$out"/KDXINFO_*.txt)
  if [[ ${#reports[@]} != 1 || ! -f ${reports[0]} ]]; then
    echo "FAIL: $1: not exactly one report in $out" >&2
    return 1
  fi
  echo "${reports[0]}"
}

has_line() { grep -qxF -- "$2"$'\r' "$1"; }
expect_line() { has_line "$2" "$3" || fail "$1: line missing: $(printf %q "$3")"; }
expect_no_key() {
  ! grep -q "^$3"$'\t' "$2" || fail "$1: unexpected row $3"
}

check_frame() {
  local name=$1 report=$2
  [[ $(head -n 1 "$report") == $'[KDXINFO2.9.2]\r' ]] || fail "$name: first line"
  [[ $(tail -n 1 "$report") == $'END OF KDXINFO\r' ]] || fail "$name: last line"
  for line in "REGEDIT4" "[REGEDIT END]" "[FILELIST]" "[FILELIST END]" "END OF KDXINFO"; do
    expect_line "$name" "$report" "$line"
  done
  # Every line ends with CR LF.
  [[ $(grep -c $'\r$' "$report") == $(wc -l <"$report") ]] || fail "$name: line without CR LF"
}

# The opening rows of both event logs, one after the other, and no record row: Wine keeps no
# event records, and on Windows 98 no log opens, which gives the same rows.
check_event_log_rows() {
  local name=$1 report=$2 ruler
  ruler=$(printf '#%.0s' {1..100})
  awk -v ruler="$ruler" '{ sub(/\r$/, ""); line[NR] = $0 }
    END {
      for (i = 3; i <= NR; i++) if (line[i] == "EventLog\tSystem") {
        exit !(line[i - 2] == "\t" && line[i - 1] == ruler "\t" && line[i + 1] == "\t" &&
               line[i + 2] == ruler "\t" && line[i + 3] == "EventLog\tApplication")
      }
      exit 1
    }' "$report" || fail "$name: opening rows of the event logs"
  ! grep -qE $'^(Success|ERROR|Warning|Information|Audit Success|Audit Failure)\\|' "$report" ||
    fail "$name: an event record row under Wine"
}

check_general_rows() {
  local name=$1 report=$2 computer_key=$3
  local windir computer user session
  windir=$(windows_value '%windir%')
  computer=$(registry_value "$computer_key" ComputerName)
  user=$(windows_value '%USERNAME%')
  session=$(windows_value '%SESSIONNAME%')
  expect_line "$name" "$report" "Windows Verzeichnis"$'\t'"$windir\\"
  expect_line "$name" "$report" "ActiveComputerName"$'\t'"$computer"
  expect_line "$name" "$report" "UserName"$'\t'"$user"
  expect_line "$name" "$report" "SESSIONNAME"$'\t'"${session/\%SESSIONNAME\%/}"
  [[ $(basename "$report") =~ ^KDXINFO_${computer}_([0-9]{2}_){5}[0-9]{2}\.txt$ ]] ||
    fail "$name: file name $(basename "$report")"
}

# "<code> <NAME>" of a service as the prefix's service manager answers, e.g. "1 STOPPED".
service_state() { wine sc query "$1" 2>/dev/null | tr -d '\r' | awk '$1 == "STATE" { print $3, $4 }'; }

# The rows of the process, service and printing steps against what the prefix holds and what
# the fixtures seeded: the monitor service set to start on demand, a linked USB printer port,
# and the label software's faulty entries.
check_running_rows() {
  local name=$1 report=$2 own=$3
  expect_line "$name" "$report" "C:\\"$'\t'"Lokale Festplatte"
  expect_line "$name" "$report" $'\t'"$own"
  grep -q $'^KdxPmMutex\tError 2: ' "$report" || fail "$name: KdxPmMutex found or error not 2"
  local port
  for port in $(wine reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Ports' 2>/dev/null |
    tr -d '\r' | awk '$2 ~ /^REG_/ { print $1 }'); do
    grep -q $'^\t'"$port"$'\t' "$report" || fail "$name: no row for port $port"
  done
  local usb
  for usb in "USB Printer"$'\t' $'\t'"Port Number: 1" $'\t'"USB001:" $'\t'"Service: usbprint" \
    $'\t'"Client Device Name: Dexta KD-410" $'\t'"USB\\VID_1A2B&PID_0410\\5&2A3B4C5D&0&1"; do
    expect_line "$name" "$report" "$usb"
  done
  expect_line "$name" "$report" "Falscher L"$'\xe4'"ndercode f"$'\xfc'"r Label Types: USA"
  local printers='HKLM\SOFTWARE\Kelmo Instruments\Dexta Label Printer\Installed Printers'
  expect_line "$name" "$report" "Falscher Datentyp f"$'\xfc'"r $printers\\Dexta KD-410\\Port"
}

check_service_rows() {
  local name=$1 report=$2 monitor spooler
  monitor=$(service_state KDXMONX)
  spooler=$(service_state Spooler)
  [[ -n $monitor && -n $spooler ]] || fail "$name: sc knows no KDXMONX or Spooler"
  expect_line "$name" "$report" "Service"$'\t'"KDXMONX Status ${monitor/ /: }"
  expect_line "$name" "$report" "Service"$'\t'"SPOOLER Status ${spooler/ /: }"
  expect_line "$name" "$report" $'\t'"KDXMONX(Kelmo KDX Monitor): ${monitor#* }"
  grep -q $'^Error\tOpenService KDXUSB failed Error 1060: ' "$report" ||
    fail "$name: no 1060 row for KDXUSB"
  [[ $monitor == "4 RUNNING" ]] || expect_line "$name" "$report" "KDXMONX ist nicht gestartet"
  [[ $spooler == "4 RUNNING" ]] || expect_line "$name" "$report" "Spooler ist nicht gestartet"
  expect_line "$name" "$report" "Falsche Startart f"$'\xfc'"r KDXMONX"
}

# The driver file that the seeded printer's driver lists, in the driver folder's folder 3.
seed_driver_file() {
  local folder=$WINEPREFIX/drive_c/windows/system32/spool/drivers/w32x86/3
  mkdir -p "$folder"
  cp "$(dirname "$0")/../../samples/winxp_de/drive_c/WINDOWS/system32/spool/drivers/w32x86/3/KDX410.DLL" \
    "$folder/KDX410.DLL"
}

# The printers and program paths the fixtures seeded. Wine lists the registry's printer keys
# through its spooler as well.
check_printer_rows() {
  local name=$1 report=$2
  local count
  count=$(wine reg query 'HKLM\System\CurrentControlSet\Control\Print\Printers' 2>/dev/null |
    tr -d '\r' | grep -c '^HKEY_LOCAL_MACHINE.*\\Printers\\')
  expect_line "$name" "$report" "Drucker:"$'\t'"$count"
  expect_line "$name" "$report" "Dexta KD-410 an USB001"$'\t'
  expect_line "$name" "$report" "ERROR: Lager"$'\t'"(Kein Printer Driver Eintrag!)"
  expect_line "$name" "$report" "Lager an COM1:"$'\t'
  expect_line "$name" "$report" "Path"$'\t'"C:\\windows\\system32\\spool\\drivers\\w32x86\\3"
  expect_line "$name" "$report" "C:\\Programme\\Kelmo\\KDX5\\KDX5.EXE"$'\t'"Fehler: Datei nicht gefunden"
  grep -q $'^C:\\\\windows\\\\system32\\\\spool\\\\drivers\\\\w32x86\\\\3\\\\KDX410.DLL\t[^;]*; 4096 Byte; A; Version: 3.1 / 3.1.0.2\r$' "$report" ||
    fail "$name: no row for the App Paths program"
}

check_driver_rows_nt() {
  local name=$1 report=$2
  expect_line "$name" "$report" "Abh"$'\xe4'"ngige Dateien:"$'\t'
  grep -q $'^3\\\\KDX410.DLL\t[^;]*; 4096 Byte; A; Version: 3.1 / 3.1.0.2\r$' "$report" ||
    fail "$name: no row for the driver's file in folder 3"
  expect_line "$name" "$report" "kdxres.dll"$'\t'"Fehler: Datei nicht gefunden"
}

# The temporary folders: a file written into the user's TEMP just before the run is listed
# under the folder the process's TEMP names, inside the block.
seed_temp_file() { wine cmd /c "echo x>%TEMP%\\kdx_today.tmp" >/dev/null 2>&1; }
check_temp_rows() {
  local name=$1 report=$2 temp
  temp=$(windows_value '%TEMP%')
  expect_line "$name" "$report" "[Check TEMP Dir]"$'\t'
  expect_line "$name" "$report" "$temp\\kdx_today.tmp"$'\t'
  expect_line "$name" "$report" "[END Check TEMP Dir]"$'\t'
}

# Prints the probe's value for a key (WindowsDir, SystemDir, DriverDir, IsNT).
probe_value() { wine "$probe" 2>/dev/null | tr -d '\r' | sed -n "s/^$1=//p"; }

control='HKLM\SYSTEM\CurrentControlSet\Control\ComputerName'

seed_driver_file

# --- Windows XP ---
seed_temp_file
report=$(run_report winxp) || exit 1
check_frame winxp "$report"
check_general_rows winxp "$report" "$control\\ActiveComputerName"
expect_line winxp "$report" "Windows XP 5.1 Service Pack 3 (2600)"$'\t'
# Wine makes every user a member of Administrators.
expect_line winxp "$report" "Administrator"$'\t'"TRUE"
# The seeded key comes back byte for byte in Windows-1252.
expect_line winxp "$report" "\"Sprache\"=\"Deutsch (Gr"$'\xfc\xdf'"e)\""
[[ $(probe_value DriverDir) == "$(probe_value SystemDir)spool\\drivers\\w32x86\\" ]] ||
  fail "winxp: DriverDir is not below the system folder"
kdxinfo_path=$(winepath -w "$kdxinfo")
check_running_rows winxp "$report" "$kdxinfo_path"
check_service_rows winxp "$report"
check_printer_rows winxp "$report"
check_driver_rows_nt winxp "$report"
check_temp_rows winxp "$report"
check_event_log_rows winxp "$report"

# --- Windows 98 ---
set_windows_version win98
seed_temp_file
report=$(run_report win98) || exit 1
check_frame win98 "$report"
check_general_rows win98 "$report" "$control\\ComputerName"
# Wine reports Windows 98 with the service pack text " A " (blanks included), which is not
# the "A" of Windows 98 SE.
expect_line win98 "$report" "Windows 98 4.10  A  (2222)"$'\t'
expect_no_key win98 "$report" "Administrator"
# No services on Windows 98; Wine's Tool Help names the programs without their folders.
expect_no_key win98 "$report" "Services:"
check_running_rows win98 "$report" "$(basename "$kdxinfo")"
! grep -q "KDXMONX ist nicht gestartet" "$report" || fail "win98: monitor service checked"
# The 95 family looks for drivers under "Windows 4.0", where the fixtures put none.
check_printer_rows win98 "$report"
expect_line win98 "$report" "Abh"$'\xe4'"ngige Dateien"$'\t'"konnten nicht ermittelt werden"
check_temp_rows win98 "$report"
[[ $(probe_value IsNT) == 0 ]] || fail "win98: probe sees NT"
check_event_log_rows win98 "$report"
[[ $(probe_value DriverDir) == "$(probe_value SystemDir)" ]] || fail "win98: DriverDir != SystemDir"

# --- Every Windows the programs are for ---
# winecfg -v writes the version keys as that Windows keeps them, and Wine then answers
# GetVersionExA from them; the fixtures' own setting would override it and goes for the while.
prefix_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name { sub(/^ +[^ ]+ +REG_[A-Z_]+    /, ""); print; exit }'
}
# A 64-bit prefix plays only the Windows that have a 64-bit edition (XP x64 and later):
# winecfg refuses Windows 95 to XP there with status 1 and no message, which used to end this
# test at its first Windows without a word.
play_windows() {
  wine reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1 || true
  if ! wine winecfg -v "$1" >/dev/null 2>&1; then
    fail "$1: this prefix cannot play it (winecfg -v $1 refused; a 64-bit prefix plays XP x64 and later only)"
    return 1
  fi
}
nine_family() { [[ $1 == win95 || $1 == win98 || $1 == winme ]]; }

# The version row as the prefix's version keys spell it: the name from the major and minor
# version (the service pack text "A" names 98 SE), then "major.minor SP (build)".
expected_version_row() {
  local windows=$1 version build csd name
  if nine_family "$windows"; then
    version=$(prefix_value 'HKLM\Software\Microsoft\Windows\CurrentVersion' VersionNumber)
    csd=$(prefix_value 'HKLM\Software\Microsoft\Windows\CurrentVersion' SubVersionNumber)
    build=${version##*.}
    version=${version%.*}
    case $version in
      4.0) name="Windows 95" ;;
      4.10) name="Windows 98"; [[ ${csd,,} == a ]] && name="Windows 98 SE" ;;
      4.90) name="Windows ME" ;;
      *) name="Windows 95 based" ;;
    esac
  else
    version=$(prefix_value 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' CurrentVersion)
    build=$(prefix_value 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' CurrentBuildNumber)
    csd=$(prefix_value 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' CSDVersion)
    case $version in
      4.*) name="Windows NT" ;;
      5.0) name="Windows 2000" ;;
      5.1) name="Windows XP" ;;
      5.2) name="Windows Server 2003" ;;
      6.0) name="Windows Vista" ;;
      *) name="NT based" ;;
    esac
  fi
  echo "$name $version $csd ($build)"
}

# A printer with a driver on COM2, whose port settings the 95 family reads from win.ini and
# system.ini; removed again, with the INI files, when the test ends.
winini=$WINEPREFIX/drive_c/windows/win.ini
sysini=$WINEPREFIX/drive_c/windows/system.ini
com_printer='HKLM\System\CurrentControlSet\Control\Print\Printers\Etiketten'
seed_com_printer() {
  cp "$winini" "$artifacts/win.ini.saved"
  cp "$sysini" "$artifacts/system.ini.saved"
  printf '[Ports]\r\nCOM2:=9600,n,8,1,x\r\n' >>"$winini"
  printf '[386enh]\r\nCOM2Fifo=1\r\n' >>"$sysini"
  wine reg add "$com_printer" /v Name /d Etiketten /f >/dev/null 2>&1
  wine reg add "$com_printer" /v Port /d COM2: /f >/dev/null 2>&1
  wine reg add "$com_printer" /v "Printer Driver" /d "Dexta KD-410" /f >/dev/null 2>&1
}
remove_com_printer() {
  wine reg delete "$com_printer" /f >/dev/null 2>&1 || true
  [[ -f $artifacts/win.ini.saved ]] && cp "$artifacts/win.ini.saved" "$winini"
  [[ -f $artifacts/system.ini.saved ]] && cp "$artifacts/system.ini.saved" "$sysini"
}
trap 'remove_com_printer; wine winecfg -v winxp >/dev/null 2>&1 || true; set_windows_version winxp' EXIT
seed_com_printer

check_windows() {
  local windows=$1 report
  play_windows "$windows" || return 0
  report=$(run_report "$windows") || { fail "$windows: no report"; return; }
  check_frame "$windows" "$report"
  expect_line "$windows" "$report" "$(expected_version_row "$windows")"$'\t'
  if nine_family "$windows"; then
    expect_no_key "$windows" "$report" "Administrator"
    # Tool Help: Wine's names the programs without their folders.
    check_running_rows "$windows" "$report" "$(basename "$kdxinfo")"
    [[ $(probe_value DriverDir) == "$(probe_value SystemDir)" ]] ||
      fail "$windows: the driver folder is not the system folder"
    expect_line "$windows" "$report" "Abh"$'\xe4'"ngige Dateien"$'\t'"konnten nicht ermittelt werden"
    expect_line "$windows" "$report" "COM2:"$'\t'"9600,n,8,1,x"
    expect_line "$windows" "$report" "COM2FIFO"$'\t'"1"
  else
    expect_line "$windows" "$report" "Administrator"$'\t'"TRUE"
    # PSAPI: the program's full path.
    check_running_rows "$windows" "$report" "$kdxinfo_path"
    [[ $(probe_value DriverDir) == "$(probe_value SystemDir)spool\\drivers\\w32x86\\" ]] ||
      fail "$windows: the driver folder is not below the system folder"
    check_driver_rows_nt "$windows" "$report"
    expect_no_key "$windows" "$report" "COM2FIFO"
  fi
}

for windows in win95 win98 winme nt40 win2k winxp vista win7 win10; do
  check_windows "$windows"
done

if ((failures > 0)); then
  echo "$failures check(s) failed; reports kept in $artifacts" >&2
  exit 1
fi
echo "end-to-end under Wine passed; reports kept in $artifacts"
