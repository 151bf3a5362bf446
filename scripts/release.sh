#!/usr/bin/env bash
# Writes the Windows programs as they are shipped into dist/: each stripped, in a folder of its
# own (their names differ only in case), with its symbols in a .debug file beside it (linked
# by a debug link, for reading a crash address later), and a SHA-256 list of all of them.
# These are the programs the Windows tests run: the same build, only stripped.
#   release.sh [DIST_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
dist=${1:-dist}
prefix=i686-w64-mingw32

cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$(nproc)" --target KDXInfo kdxinfo_console

rm -rf "$dist"
mkdir -p "$dist/windowed" "$dist/console"
ship() {
  local built=$1 folder=$2 name
  name=$(basename "$built")
  "$prefix-objcopy" --only-keep-debug "$built" "$dist/$folder/$name.debug"
  "$prefix-strip" --strip-all -o "$dist/$folder/$name" "$built"
  (cd "$dist/$folder" && "$prefix-objcopy" --add-gnu-debuglink="$name.debug" "$name")
}
ship build/win32/windowed/KDXInfo.exe windowed
ship build/win32/console/kdxinfo.exe console

(cd "$dist" && sha256sum windowed/* console/* >SHA256SUMS)
ls -l "$dist"/windowed "$dist"/console
cat "$dist/SHA256SUMS"
