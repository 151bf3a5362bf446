#!/usr/bin/env bash
# Fails when an include crosses the house's walls:
# - only app/ reaches into app/: the entry points, front ends and run sequence sit on top, and
#   nothing below them may reach up. The tests of app/ are app's own, and so are the fuzz target
#   that runs the whole program on machine directories and the benchmark programs' mains;
# - the program (everything but bench/, tests/ and testkit/) includes nothing from bench/,
#   tests/ or testkit/, and bench/ nothing from tests/ (what both use lies in testkit/);
# - the readers and writers of Windows formats (platform/formats) are pure functions over bytes:
#   they include nothing from the machine directory, the simulated machine, the capture or the
#   Win32 layer;
# - the platform split is by folder: no source outside platform/win32 asks which system it is
#   built for (the build files pick the files of each).
#   check-layering.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

program=(app platform run collectors report analysis)
failed=0

# Lines of `grep -rn` over dirs whose #include names a file under one of the folders.
includes_of() {
  local pattern=$1
  shift
  grep -rn --include='*.cpp' --include='*.h' -E "#include[[:space:]]+\"($pattern)/" "$@" \
    2>/dev/null || true
}

complain() {
  local rule=$1 lines=$2
  if [ -n "$lines" ]; then
    echo "$rule:"
    echo "$lines"
    failed=1
  fi
}

complain "Only app/, its tests, the whole-run fuzz target and the benchmark mains include from app/" \
  "$(includes_of app platform run collectors report analysis bench tests testkit |
    grep -v -e '^tests/app/' -e '^tests/fuzz/machine_dir_fuzz.cpp:' -e '^bench/[^:]*_main\.cpp:')"

complain "The program includes nothing from bench/, tests/ or testkit/" \
  "$(includes_of 'bench|tests|testkit' "${program[@]}")"

complain "bench/ includes nothing from tests/ (shared helpers lie in testkit/)" \
  "$(includes_of tests bench testkit)"

complain "platform/formats includes nothing from platform/machine, sim, capture or win32" \
  "$(includes_of 'platform/(machine|sim|capture|win32)' platform/formats)"

complain "No source outside platform/win32 tests which system it is built for" \
  "$(grep -rn --include='*.cpp' --include='*.h' -E '^[[:space:]]*#[[:space:]]*(if|ifdef|ifndef|elif).*(_WIN32|__linux__|__unix__|__APPLE__|_MSC_VER|__MINGW32__)' \
    "${program[@]}" bench testkit 2>/dev/null | grep -v '^platform/win32/' || true)"

if [ "$failed" -ne 0 ]; then
  exit 1
fi
echo "layering: every include stays inside its walls"
