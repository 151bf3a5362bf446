#!/usr/bin/env bash
# Fails when a file outside app/ includes from app/: the entry points, front ends and run
# sequence sit on top, and nothing below them may reach up. The tests of app/ are app's own, and
# so is the fuzz target that runs the whole program on machine directories.
#   check-layering.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
violations=$(grep -rn --include='*.cpp' --include='*.h' -E '#include[[:space:]]+"app/' \
  platform run collectors report analysis bench tests 2>/dev/null |
  grep -v -e '^tests/app/' -e '^tests/fuzz/machine_dir_fuzz.cpp:' || true)
if [ -n "$violations" ]; then
  echo "Only app/ and its tests may include from app/:"
  echo "$violations"
  exit 1
fi
echo "layering: nothing outside app/ includes from app/"
