#!/usr/bin/env bash
# Builds the host program and the Windows programs and runs every test: the unit and golden
# tests on the host, and the Windows tests under Wine when the Windows build is present.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

cmake --preset host >/dev/null
cmake --build --preset host -j"$jobs"
ctest --preset host -j"$jobs"

if [ -f cmake/Win32.cmake ] && [ -f scripts/test-win32.sh ]; then
  bash scripts/test-win32.sh
fi
