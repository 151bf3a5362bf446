#!/usr/bin/env bash
# kdxinfo.exe read and kdxinfo.exe diff under Wine, on a report kdxinfo.exe has just written:
# exit statuses, a finding line with its evidence, JSON, the page, the changes against an
# edited copy, and a folder of reports read a line each (listed with FindFirstFileA).
#   report_reader_check.sh PREFIX KDXINFO_EXE ARTIFACT_DIR
set -euo pipefail

export WINEPREFIX=$1
export WINEARCH=win32
kdxinfo=$2
out=$3/report_reader
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# Runs kdxinfo.exe with the given arguments into $out/NAME.out and .err, line ends made LF;
# echoes the status.
run() {
  local name=$1
  shift
  local status=0
  wine "$kdxinfo" "$@" >"$out/$name.out" 2>"$out/$name.err" || status=$?
  sed -i 's/\r$//' "$out/$name.out" "$out/$name.err"
  echo "$status"
}

rm -rf "$out"
mkdir -p "$out"
if ! wine "$kdxinfo" --yes --output "$(winepath -w "$out")" >"$out/console.txt" 2>&1; then
  echo "FAIL: kdxinfo.exe failed" >&2
  cat "$out/console.txt" >&2
  exit 1
fi
reports=("$out"/KDXINFO_*.txt)
[[ ${#reports[@]} == 1 && -f ${reports[0]} ]] || { echo "FAIL: no report in $out" >&2; exit 1; }
report=$(winepath -w "${reports[0]}")
# The checks below expect the fixtures' Windows XP. A prefix that plays another Windows says so
# here rather than through every check: a 64-bit prefix cannot play the 32-bit XP, and one left
# by a test before this one may play Wine's default Windows 10.
version_row=$(sed -n '2{s/\t.*//;s/\r$//;p}' "${reports[0]}")
if [[ $version_row != "Windows XP "* ]]; then
  echo "FAIL: the prefix plays '$version_row', not the fixtures' Windows XP" >&2
  exit 1
fi

# The prefix runs no monitor service: its error finding cites the check line, so the status
# is 1.
status=$(run read read "$report")
[[ $status == 1 ]] || fail "read: exit status $status, not 1: $(cat "$out/read.err")"
grep -Eq '^FEHLER   check-monitor-(not-started|key-missing)$' "$out/read.out" ||
  fail "read: no finding line for the monitor service"
grep -q '^         Zeile [0-9]*: KDXMONX ist nicht gestartet$' "$out/read.out" ||
  fail "read: no evidence line for the monitor service"
grep -q '^  Windows: *Windows XP' "$out/read.out" || fail "read: no summary of the PC"

status=$(run json read --json "$report" --html "$(winepath -w "$out")\\page.html")
[[ $status == 1 ]] || fail "read --json: exit status $status"
grep -q '"schema": "kdxinfo-read"' "$out/json.out" || fail "read --json: no JSON"
grep -q '<ol id="findings">' "$out/page.html" || fail "read --html: no findings list in the page"

status=$(run same diff "$report" "$report")
[[ $status == 0 ]] || fail "diff of a report with itself: exit status $status"

# The same report as if it came from Windows 2000.
edited=$out/edited.txt
LC_ALL=C sed '2s/^Windows XP /Windows 2000 /' "${reports[0]}" >"$edited"
status=$(run diff diff "$report" "$(winepath -w "$edited")" --lang en)
[[ $status == 1 ]] || fail "diff: exit status $status, not 1"
grep -q '^  changed   Windows$' "$out/diff.out" || fail "diff: the Windows change is missing"

status=$(run missing read "$(winepath -w "$out")\\missing.txt" --lang en)
[[ $status == 2 ]] || fail "read of a missing file: exit status $status, not 2"
grep -q 'missing.txt: no such file' "$out/missing.err" || fail "read of a missing file: message"

# A folder: the report, the edited copy and a stranger, a line each in name order, the
# stranger's with its reason; the status is the stranger's 2. JSON Lines and an index page.
inbox=$out/inbox
mkdir -p "$inbox"
cp "${reports[0]}" "$inbox/a_report.txt"
cp "$edited" "$inbox/b_edited.txt"
printf 'Sehr geehrte Damen und Herren\r\n' >"$inbox/c_letter.txt"
status=$(run folder read "$(winepath -w "$inbox")" --lang en)
[[ $status == 2 ]] || fail "read of a folder: exit status $status, not 2"
[[ $(wc -l <"$out/folder.out") == 3 ]] || fail "read of a folder: not 3 lines: $(cat "$out/folder.out")"
grep -q 'a_report.txt: .* | Windows XP .* | first error: check-monitor-' "$out/folder.out" ||
  fail "read of a folder: no line of the report"
grep -q 'b_edited.txt: .* | Windows 2000 ' "$out/folder.out" ||
  fail "read of a folder: no line of the edited copy"
grep -q 'c_letter.txt: not read: not a KDXInfo report' "$out/folder.out" ||
  fail "read of a folder: no line for the letter"
status=$(run lines read --json "$(winepath -w "$inbox")" --html "$(winepath -w "$out")\\index.html")
[[ $status == 2 ]] || fail "read --json of a folder: exit status $status"
[[ $(grep -c '^{"schema":"kdxinfo-read-line"' "$out/lines.out") == 3 ]] ||
  fail "read --json of a folder: not 3 JSON lines"
grep -q 'href="index-1.html"' "$out/index.html" && [[ -f $out/index-2.html ]] ||
  fail "read --html of a folder: no index linking the pages"

if ((failures > 0)); then
  echo "$failures check(s) failed; output in $out" >&2
  exit 1
fi
echo "report reader under Wine: read, --json, --html, diff and a folder as expected"
