#!/usr/bin/env bash
# kdxinfo.exe --yes --output DIR under Wine: the registry block must show every value kind of
# the 30_registry_block.reg fixture in its exact line form, follow a device's "Driver" value to
# its printer class key, and list the same value names as regedit for a key Wine fills itself.
#   registry_block_check.sh PREFIX KDXINFO_EXE ARTIFACT_DIR
set -euo pipefail

export WINEPREFIX=$1
export WINEARCH=win32
kdxinfo=$2
out=$3/registry_block
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

rm -rf "$out"
mkdir -p "$out"
if ! wine "$kdxinfo" --yes --output "$(winepath -w "$out")" >"$out/console.txt" 2>&1; then
  echo "FAIL: kdxinfo.exe failed" >&2
  cat "$out/console.txt" >&2
  exit 1
fi
reports=("$out"/KDXINFO_*.txt)
if [[ ${#reports[@]} != 1 || ! -f ${reports[0]} ]]; then
  echo "FAIL: not exactly one report in $out" >&2
  exit 1
fi

# The block without its frame lines and without CR, bytes kept as the report holds them.
block=$out/block.txt
LC_ALL=C sed -n '/^REGEDIT4\r$/,/^\[REGEDIT END\]\r$/p' "${reports[0]}" | LC_ALL=C tr -d '\r' |
  LC_ALL=C sed '1d;$d' >"$block"
[[ -s $block ]] || { echo "FAIL: no registry block in ${reports[0]}" >&2; exit 1; }

# Prints the lines of the first key with this header, up to the next header, header included.
key_lines() {
  LC_ALL=C awk -v header="$1" '
    found && /^\[/ { exit }
    $0 == header { found = 1 }
    found { print }' "$block"
}

# Compares line by line and names the first line that differs.
expect_lines() {
  local name=$1 actual=$2 expected=$3
  if [[ $actual != "$expected" ]]; then
    fail "$name: lines differ"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") >&2 || true
  fi
}

system_root=$(wine cmd /c 'echo %SystemRoot%' 2>/dev/null | tr -d '\r')

# Wine keeps a key's values sorted by name, case-insensitively (the default value first),
# whatever order they were written in; Windows lists them in the order they were set, so
# these lines follow Wine's order.
expected_block_check=$(printf '%s\n' \
  '[HKEY_LOCAL_MACHINE\SOFTWARE\Kelmo Instruments\BlockCheck]' \
  '""="Vorgabe"' \
  '"All"=dword:FFFFFFFF' \
  '"Bin"=hex:0A,FF,00' \
  '"EmptyBin"=hex:' \
  '"Multi"=hex:61,62,00,63,00,00' \
  '; ab | c |  | ' \
  '"None"=hex:' \
  '' \
  '"Path"="%SystemRoot%\x"' \
  "; $system_root\\x" \
  '"Quad"=hex:41,42,43,44,00,00,00,00' \
  '; ABCD |  |  |  | ' \
  '"Text"="C:\Kelmo "Modell" B'$'\xfc''ro"' \
  '"Two"=dword:00000002')
expect_lines "BlockCheck" "$(key_lines '[HKEY_LOCAL_MACHINE\SOFTWARE\Kelmo Instruments\BlockCheck]')" \
  "$expected_block_check"

# The class key comes right after the device key's own values (Wine's order puts "Driver"
# first, so "Zeta" shows that all of them were written before the detour).
device='[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Enum\USBPRINT\BlockCheck\1]'
class='[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E979-E325-11CE-BFC1-08002BE10318}\9999]'
expected_device=$(printf '%s\n' "$device" \
  '"Driver"="{4D36E979-E325-11CE-BFC1-08002BE10318}\9999"' \
  '"Mfg"="Kelmo"' \
  '"Zeta"=dword:00000001' \
  "$class" \
  '"DriverDesc"="Kelmo BlockCheck"')
actual_device=$(LC_ALL=C grep -A 5 -xF -- "$device" "$block" | head -n 6 || true)
expect_lines "USBPRINT device" "$actual_device" "$expected_device"

# A key Wine fills itself: the report must show the same value names as regedit. Regedit
# writes @ for the default value and escapes and wraps as it likes, so only the set of names
# is compared, and only the key's own values.
print_key='HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Print'
wine regedit /e "$(winepath -w "$out/print.reg")" "$print_key" >/dev/null 2>&1 ||
  fail "regedit /e $print_key failed"
# Wine's regedit /e writes UTF-16 with a byte order mark (REGEDIT5).
iconv -f UTF-16 -t UTF-8 "$out/print.reg" | tr -d '\r' |
  awk 'NR > 1 && /^\[/ && seen { exit } /^\[/ { seen = 1; next } seen { print }' |
  sed -n -e 's/^@=.*//p' -e 's/^"\(\([^"\\]\|\\.\)*\)"=.*/\1/p' | sed 's/\\\(.\)/\1/g' |
  LC_ALL=C sort >"$out/print_regedit_names.txt"
key_lines "[$print_key]" | tail -n +2 | LC_ALL=C sed -n 's/^"\(.*\)"=\(""\|"[^"]\|dword:\|hex:\).*/\1/p' |
  LC_ALL=C sort >"$out/print_report_names.txt"
# Wine's own Print key holds no values, only subkeys, so both sets are empty there; the
# header check keeps a failed or misread export from passing as an empty set.
iconv -f UTF-16 -t UTF-8 "$out/print.reg" | tr -d '\r' | grep -qxF "[$print_key]" ||
  fail "Print: regedit export lacks [$print_key]"
grep -qxF "[$print_key]" "$block" || fail "Print: block lacks [$print_key]"
if ! diff "$out/print_regedit_names.txt" "$out/print_report_names.txt" >&2; then
  fail "Print: value names differ from regedit (< regedit, > report)"
fi

if ((failures > 0)); then
  echo "$failures check(s) failed; report kept in $out" >&2
  exit 1
fi
echo "registry block under Wine passed; report kept in $out"
