#!/usr/bin/env bash
# Runs clang-tidy over the host build's sources. Clang cannot take GCC's Windows-1252
# execution charset, so the flag is left out of the compile commands it reads.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset host >/dev/null
db=$(mktemp -d)
trap 'rm -rf "$db"' EXIT
python3 - build/host/compile_commands.json "$db/compile_commands.json" <<'PY'
import json, sys
commands = json.load(open(sys.argv[1]))
for entry in commands:
    entry["command"] = entry["command"].replace("-fexec-charset=CP1252", "")
json.dump(commands, open(sys.argv[2], "w"))
PY
files=$(git ls-files '*.cpp' | grep -v -E '^(platform/win32|app/win32|tests/win32|bench/win32|tests/fuzz)/')
status=0
for file in $files; do
  clang-tidy -p "$db" --quiet "$file" 2>/dev/null | grep -E "^$PWD/.*(warning|error):" || true
done | tee "$db/findings.txt"
[ ! -s "$db/findings.txt" ] || status=1
exit $status
