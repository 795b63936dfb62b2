#!/usr/bin/env bash
# Draws the launcher's application icon (a steaming coffee cup) and writes resources/launcher.ico with 48, 32 and 16 pixel images.
#   resources/make-icon.sh            rewrite launcher.ico beside this script
#   CONVERT=/usr/bin/convert resources/make-icon.sh   choose the ImageMagick binary
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
convert=${CONVERT:-convert}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One 256-pixel master drawn in vector form; the small sizes are scaled from it
# so that every size shows the same picture.
"$convert" -size 256x256 xc:none \
  -stroke '#c8431b' -strokewidth 18 -fill none -draw "stroke-linecap round path 'M 96,92 C 70,66 118,52 94,18'" \
  -draw "stroke-linecap round path 'M 146,92 C 120,66 168,52 144,18'" \
  -stroke '#1d4f91' -strokewidth 20 -fill none -draw 'ellipse 198,146 30,30 -90,90' \
  -stroke '#1d4f91' -strokewidth 6 -fill '#2f74c0' \
  -draw "path 'M 40,104 L 200,104 C 200,170 180,214 120,214 C 60,214 40,170 40,104 Z'" \
  -fill '#6b3a1a' -draw 'ellipse 120,104 80,14 0,360' \
  -stroke '#1d4f91' -strokewidth 6 -fill '#3d86d6' -draw 'ellipse 128,228 108,16 0,360' \
  -stroke '#1d4f91' -strokewidth 6 -fill '#2f74c0' \
  -draw "path 'M 56,200 C 76,216 164,216 184,200 L 184,212 C 164,226 76,226 56,212 Z'" \
  "$work/master.png"

for size in 48 32 16; do
  "$convert" "$work/master.png" -filter Lanczos -resize "${size}x${size}" -unsharp 0x0.6 -define png:color-type=6 "$work/icon-$size.png"
done
# ICO entries stay uncompressed 32-bit bitmaps with alpha, the form every
# Windows version and windres read.
"$convert" "$work/icon-48.png" "$work/icon-32.png" "$work/icon-16.png" -depth 8 "$here/launcher.ico"
