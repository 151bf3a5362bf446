#!/usr/bin/env bash
# The host program on machines of unusual but real shapes (scripts/make-machine-shape.sh):
# each run must end with a report within the time limit and stay within the memory limit, and
# the report must hold what Windows shows for that shape.
set -euo pipefail
kdxinfo=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
limit_seconds=60
limit_kb=$((256 * 1024))

run_shape() {  # shape [scale]
  local shape=$1
  bash "$source_dir/scripts/make-machine-shape.sh" "$shape" "$work/$shape" "${2:-}"
  local status=0
  /usr/bin/time -f '%M' -o "$work/$shape.kb" timeout "$limit_seconds" "$kdxinfo" \
    --machine "$work/$shape" --yes --output "$work/$shape.txt" > /dev/null || status=$?
  [ "$status" -eq 0 ] || fail "$shape: exit status $status (124: stopped after ${limit_seconds} s)"
  local kb
  kb=$(tail -1 "$work/$shape.kb")
  [ "$kb" -le "$limit_kb" ] || fail "$shape: peak memory ${kb} KB"
  report="$work/$shape.txt"
}

has() { grep -qF -- "$2" "$report" || fail "$1: no line with: $2"; }
lacks() { ! grep -qF -- "$2" "$report" || fail "$1: a line with: $2"; }

# Two folder links back into the label software's folder: not entered.
run_shape links
has links "('KDXWIN.EXE',"
lacks links 'DEXTA LABEL 4\BACK\'
lacks links 'DEXTA LABEL 4\UP\'

# A 4 MB kelmokdx.ini: parsed once; its last listed section is dumped whole.
run_shape ini
has ini "$(printf 'SECTION\tSektion01259')"
has ini "$(printf '\tSchluessel47=Wert 01259/47 mit etwas Text')"

# A file of 5,000,000,000 bytes in the driver store: the low 32 bits of its size, its version.
run_shape bigfile
has bigfile '; 705032704 Byte; A; Version: 2.0 / 2.0.0.14'

# 400 sources on one 4 MB message file: a message row for each record.
run_shape messages
[ "$(grep -c '^ERROR|Quelle' "$report")" -eq 400 ] || fail "messages: not 400 record rows"

# ".." that stays on the drive: the label software's folder, kdxwin.kdx and TEMP are found.
run_shape dotdot
has dotdot "$(printf 'Bibliothek\tC:\\Programme\\Kelmo\\Dexta Label 4\\Etiketten\\Versand.lbl')"
has dotdot "$(printf 'C:\\WINDOWS\\..\\WINDOWS\\TEMP\\kdx410_setup.log\t')"
lacks dotdot "$(printf 'C:\\Programme\\Kelmo\\x\\..\\Dexta Label 4\tVerzeichnis nicht gefunden')"
lacks dotdot "$(printf 'FEHLER\tGetActualPrinter failed')"

# 16-bit files: their versions as Windows reads them.
run_shape ne
has ne "('MOUSE.DRV','10.0.0.0','1.0','C:\\PROGRAMME\\KELMO\\DEXTA LABEL 4\\',"

# The idle process is listed by the machine but never opened: no row for it.
lacks ne '[System Process]'
echo "machine shapes: all passed"
