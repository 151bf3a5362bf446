#!/usr/bin/env bash
# The host program as a user runs it: exit codes, questions on standard input, the file.
set -euo pipefail
kdxinfo=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# An existing folder gets the proposed name; the report matches the reviewed copy.
"$kdxinfo" --machine "$source_dir/samples/winxp_de" --yes --output "$work" > "$work/stdout"
report="$work/KDXINFO_BUERO-PC07_06_12_26_22_23_38.txt"
[ -f "$report" ] || fail "no report in the output folder"
cmp "$report" "$source_dir/tests/golden/winxp_de.txt" || fail "report differs from the golden copy"
grep -q 'folgenden Dialog und senden sie per Email zurück.' "$work/stdout" || fail "instructions not in UTF-8"

# Enter after the instructions, then a file path typed at the prompt.
printf '\n%s\n' "$work/typed.txt" | "$kdxinfo" --machine "$source_dir/samples/win98se_de" > "$work/stdout"
cmp "$work/typed.txt" "$source_dir/tests/golden/win98se_de.txt" || fail "typed path not used"
grep -q 'KDXINFO_WERKSTATT_03_01_07_09_05_04.txt' "$work/stdout" || fail "proposed name not offered"

# An empty answer cancels: exit 1, no file.
status=0
printf '\n\n' | "$kdxinfo" --machine "$source_dir/samples/winxp_de" > /dev/null || status=$?
[ "$status" -eq 1 ] || fail "cancel gave exit status $status"
# End of input cancels as well.
status=0
"$kdxinfo" --machine "$source_dir/samples/winxp_de" < /dev/null > /dev/null || status=$?
[ "$status" -eq 1 ] || fail "end of input gave exit status $status"

# A faulty machine directory is refused with file and line; nothing is written.
mkdir -p "$work/bad/registry"
cp "$source_dir/samples/winxp_de/machine.json" "$work/bad/"
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\X]\n"v"=dword:xyz\n' > "$work/bad/registry/a.reg"
status=0
"$kdxinfo" --machine "$work/bad" --yes --output "$work/bad.txt" 2> "$work/stderr" > /dev/null || status=$?
[ "$status" -eq 2 ] || fail "faulty machine gave exit status $status"
grep -q 'a.reg:4' "$work/stderr" || fail "refusal does not name file and line: $(cat "$work/stderr")"
[ ! -e "$work/bad.txt" ] || fail "a report was written for a refused machine"

# A report file that cannot be created: exit 2 with the I/O error text.
status=0
"$kdxinfo" --machine "$source_dir/samples/winxp_de" --yes --output "$work/no/such/dir/r.txt" \
  2> "$work/stderr" > /dev/null || status=$?
[ "$status" -eq 2 ] || fail "uncreatable report gave exit status $status"
grep -q 'Ungültiger Dateiname.' "$work/stderr" || fail "no I/O error text: $(cat "$work/stderr")"

# The command line: --help answers and runs nothing; an unknown option, an option without its
# value or a stray operand is refused before anything runs; "--output=PATH" reads as
# "--output PATH".
"$kdxinfo" --help | grep -q -- '--machine DIR' || fail "--help lists no --machine"
for arguments in "--bogus" "--output" "stray" "--yes=1"; do
  status=0
  # shellcheck disable=SC2086  # each case is a list of words
  "$kdxinfo" $arguments < /dev/null > "$work/stdout" 2> "$work/stderr" || status=$?
  [ "$status" -eq 2 ] || fail "'$arguments' gave exit status $status"
  grep -q 'kdxinfo: .*--help lists the options' "$work/stderr" || fail "'$arguments': $(cat "$work/stderr")"
  [ ! -s "$work/stdout" ] || fail "'$arguments' ran the report"
done
mkdir -p "$work/equals"
"$kdxinfo" --machine="$source_dir/samples/win98se_de" --yes --output="$work/equals" > /dev/null
ls "$work/equals"/KDXINFO_*.txt > /dev/null 2>&1 || fail "--output=FOLDER wrote no report there"

echo "end-to-end: all checks passed"
