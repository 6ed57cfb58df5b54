#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the logo and the application icons from the SVG sources in this
# folder. Needs rsvg-convert (librsvg2-bin), ImageMagick and png2icns
# (icnsutils). Run it after editing an SVG and commit what it writes.
set -euo pipefail
cd "$(dirname "$0")"

rsvg-convert -w 646 -h 646 vellmark-logo.svg -o vellmark-logo.png

for size in 16 32; do
    rsvg-convert -w $size -h $size vellmark-logo-small.svg -o icons/vellmark-$size.png
done
# The control window header's logo, at the size it is shown (and for HiDPI).
for size in 28 56; do
    rsvg-convert -w $size -h $size vellmark-logo.svg -o icons/vellmark-logo-$size.png
done
for size in 48 64 128 256; do
    rsvg-convert -w $size -h $size vellmark-logo.svg -o icons/vellmark-$size.png
done

# Windows: one .ico holding every size.
/usr/bin/convert icons/vellmark-{16,32,48,64,128,256}.png platform/vellmark.ico

# macOS: the icns format has no 64 px slot; it takes 512 px instead.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
rsvg-convert -w 512 -h 512 vellmark-logo.svg -o "$tmp/vellmark-512.png"
png2icns platform/vellmark.icns icons/vellmark-{16,32,48,128,256}.png "$tmp/vellmark-512.png" >/dev/null
