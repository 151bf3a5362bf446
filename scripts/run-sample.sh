#!/usr/bin/env bash
# Builds the host program and runs it against the bundled German XP sample machine; the report
# lands in the current folder.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
cmake --preset host -S "$source_dir" >/dev/null
cmake --build --preset host -j"$(nproc)" --target kdxinfo >/dev/null
"$source_dir/build/host/kdxinfo" --machine "$source_dir/samples/winxp_de" --yes --output "$PWD" "$@"
