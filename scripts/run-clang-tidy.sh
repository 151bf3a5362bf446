#!/usr/bin/env bash
# Runs clang-tidy over the host build's sources, and over the Windows sources when the win32
# build exists. Clang cannot take GCC's Windows-1252 execution charset, so the flag is left
# out of the compile commands it reads; the Windows sources are read as clang targeting
# mingw-w64 with the cross compiler's own headers.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset host >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# compile_commands.json of build $1 rewritten into folder $2 for clang-tidy.
rewrite_commands() {
  mkdir -p "$2"
  python3 - "$1/compile_commands.json" "$2/compile_commands.json" <<'PY'
import json, subprocess, sys
commands = json.load(open(sys.argv[1]))
mingw = "/usr/bin/i686-w64-mingw32-g++-win32"
includes = ""
if any(mingw in entry["command"] for entry in commands):
    listing = subprocess.run([mingw, "-xc++", "-E", "-v", "-"], input="", capture_output=True,
                             text=True).stderr.splitlines()
    start = listing.index("#include <...> search starts here:") + 1
    end = listing.index("End of search list.")
    includes = " ".join("-isystem " + line.strip() for line in listing[start:end])
for entry in commands:
    command = entry["command"].replace("-fexec-charset=CP1252", "")
    command = command.replace(
        mingw, "clang++ --target=i686-w64-mingw32 -nostdinc -nostdinc++ " + includes)
    entry["command"] = command
json.dump(commands, open(sys.argv[2], "w"))
PY
}

# clang-tidy over the given files with the commands of build $1; findings go to stdout.
tidy() {
  local build=$1 db=$2
  shift 2
  local root=$PWD
  for file in "$@"; do
    (cd "$build" && clang-tidy -p "$db" --quiet "$root/$file" 2>/dev/null) |
      grep -E "^$root/.*(warning|error):" || true
  done
}

rewrite_commands build/host "$work/host"
tidy build/host "$work/host" $(git ls-files '*.cpp' |
  grep -v -E '^(platform/win32|app/win32|tests/win32|bench/win32|tests/fuzz|tools)/') |
  tee "$work/findings"
if [ -f build/win32/compile_commands.json ]; then
  rewrite_commands build/win32 "$work/win32"
  tidy build/win32 "$work/win32" $(git ls-files 'platform/win32/*.cpp' 'app/win32/*.cpp' \
    'tests/win32/*.cpp' 'bench/win32/*.cpp' 'tools/*.cpp') | tee -a "$work/findings"
fi
[ ! -s "$work/findings" ]
