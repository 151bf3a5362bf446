#!/usr/bin/env bash
# Draws the programs' icon, a label printer with a label coming out of it, at the sizes every
# Windows from 95 on shows (16, 32 and 48 pixels, 256 colours), into
# app/win32/resources/kdxinfo.ico. The icon is checked in; run this only to change it.
#   make-icon.sh [ImageMagick convert]
set -euo pipefail
cd "$(dirname "$0")/../.."
convert=${1:-convert}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Drawn once at 48 pixels on a transparent ground, then scaled.
"$convert" -size 48x48 xc:none \
  -fill '#1f4e8c' -draw 'roundrectangle 3,14 44,40 4,4' \
  -fill '#163a69' -draw 'rectangle 3,34 44,40' \
  -fill '#ffffff' -stroke '#7a7a7a' -strokewidth 1 -draw 'rectangle 12,3 35,22' \
  -stroke none -fill '#d22b2b' -draw 'rectangle 15,7 32,10' \
  -fill '#2b2b2b' -draw 'rectangle 15,13 30,14' -draw 'rectangle 15,17 26,18' \
  -fill '#0b1f3a' -draw 'rectangle 10,22 37,25' \
  -fill '#6fdc6f' -draw 'rectangle 37,29 40,31' \
  "$work/48.png"
for size in 16 32; do
  "$convert" "$work/48.png" -resize "${size}x${size}" "$work/$size.png"
done
"$convert" "$work/16.png" "$work/32.png" "$work/48.png" -colors 256 \
  app/win32/resources/kdxinfo.ico
echo "wrote app/win32/resources/kdxinfo.ico"
