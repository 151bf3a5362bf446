#!/usr/bin/env bash
# Records, under Wine with the German user locale, how CompareStringA weighs each
# Windows-1252 byte, and writes it to platform/collation_table.inc for the simulated machine.
# Needs the de_DE.UTF-8 locale (scripts/install-deps.sh makes it). Uses a prefix of its own.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! locale -a | grep -qix 'de_DE\.utf-\?8'; then
  echo "the de_DE.UTF-8 locale is missing: run scripts/install-deps.sh" >&2
  exit 1
fi

cmake --preset win32 >/dev/null
cmake --build --preset win32 --target kdx_collation_dump -j2

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine takes the user locale from the Unix one.
export LC_ALL=de_DE.UTF-8
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

wineboot -i >/dev/null 2>&1
wine build/win32/kdx_collation_dump.exe "$(winepath -w "$work/collation_table.inc")"
cp "$work/collation_table.inc" platform/collation_table.inc
echo "wrote platform/collation_table.inc"
