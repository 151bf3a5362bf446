#!/usr/bin/env bash
# Cross-compiles the Windows programs and runs their tests under Wine: the core and Win32
# unit tests, the import check, the end-to-end runs in a fresh prefix and the window test.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$(nproc)"
ctest --test-dir build/win32 -L wine --output-on-failure
