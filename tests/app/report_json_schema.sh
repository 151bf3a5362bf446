#!/usr/bin/env bash
# The JSON that kdxinfo read and kdxinfo diff print, held to docs/report-json.schema.json: the
# sample reports, a report an editor re-saved in UTF-16, one a mail program stripped and
# re-wrapped, one cut short, the lines of a folder holding reports and a stranger, and the
# comparison of two reports (of different computers, with changed findings).
#   report_json_schema.sh KDXINFO SOURCE_DIR
set -euo pipefail
kdxinfo=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
golden=$source_dir/tests/golden

python3 - "$golden" "$work" <<'PY'
import sys
golden, work = sys.argv[1:3]
xp = open(f"{golden}/winxp_de.txt", "rb").read()

def rewrapped(data, width=76):
    out = []
    for line in data.split(b"\r\n"):
        line = line.rstrip(b" \t")
        while len(line) > width:
            blank = line.rfind(b" ", 0, width + 1)
            cut = blank if blank > 0 else width
            out.append(line[:cut])
            line = line[cut + 1:] if blank > 0 else line[cut:]
        out.append(line)
    return b"\r\n".join(out)

open(f"{work}/utf16.txt", "wb").write(b"\xff\xfe" + xp.decode("cp1252").encode("utf-16-le"))
open(f"{work}/mailed.txt", "wb").write(rewrapped(xp))
open(f"{work}/cut.txt", "wb").write(xp[: len(xp) // 3])
open(f"{work}/other.txt", "wb").write(
    xp.replace(b"BUERO-PC07", b"LAGER-PC").replace(b"Administrator\tTRUE", b"Administrator\tFALSE"))
PY
mkdir "$work/folder"
cp "$golden/win98se_de.txt" "$work/folder/a.txt"
printf 'Hallo\r\n' >"$work/folder/b.txt"

# Runs kdxinfo with the arguments into the named output; 0, 1 and 2 are its answers.
run() {
  local name=$1
  shift
  local status=0
  "$kdxinfo" "$@" >"$work/$name.json" 2>/dev/null || status=$?
  if [ "$status" -gt 2 ]; then
    echo "FAIL: kdxinfo $* gave exit status $status" >&2
    exit 1
  fi
}
run xp read --json "$golden/winxp_de.txt"
run 98 read --json "$golden/win98se_de.txt" --lang en
run utf16 read --json "$work/utf16.txt"
run mailed read --json "$work/mailed.txt"
run cut read --json "$work/cut.txt"
run lines read --json "$work/folder" "$work/cut.txt"
run diff diff --json "$golden/winxp_de.txt" "$work/other.txt"
run same diff --json "$golden/win98se_de.txt" "$golden/win98se_de.txt"

python3 - "$source_dir/docs/report-json.schema.json" "$work" <<'PY'
import json, sys
from jsonschema import Draft202012Validator

schema_file, work = sys.argv[1:3]
validator = Draft202012Validator(json.load(open(schema_file, encoding="utf-8")))
failures = 0
documents = {name: open(f"{work}/{name}.json", encoding="utf-8").read()
             for name in ["xp", "98", "utf16", "mailed", "cut", "lines", "diff", "same"]}
kinds = {"lines": "kdxinfo-read-line", "diff": "kdxinfo-diff", "same": "kdxinfo-diff"}
for name, text in documents.items():
    # A batch prints JSON Lines: one document per line.
    texts = text.splitlines() if name == "lines" else [text]
    if name == "lines" and len(texts) != 3:
        sys.exit(f"FAIL: {name}: {len(texts)} lines, not 3")
    for document in map(json.loads, texts):
        if document["schema"] != kinds.get(name, "kdxinfo-read"):
            sys.exit(f"FAIL: {name}: schema {document['schema']}")
        for error in validator.iter_errors(document):
            failures += 1
            print(f"FAIL: {name}: {error.json_path}: {error.message}", file=sys.stderr)
mailed = json.loads(documents["mailed"])
if not (mailed["altered"] and mailed["blanksStripped"] and mailed["wrapWidth"] == 76):
    sys.exit("FAIL: the mailed report is not said to be altered")
if json.loads(documents["diff"])["sameComputer"]:
    sys.exit("FAIL: two computers taken for one")
sys.exit(1 if failures else 0)
PY
echo "report JSON: read, the lines of several reports and diff match docs/report-json.schema.json"
