#!/usr/bin/env bash
# Renders the application icon's PNG sizes from data/icons/org.sorvik.Sorvik.svg into
# data/icons/SIZE/. The PNGs are kept in the tree, so that building needs no SVG renderer;
# run this after changing the SVG and commit the result. Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
id=org.sorvik.Sorvik
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "$size"
    rsvg-convert --width "$size" --height "$size" --format png --output "$size/$id.png" "$id.svg"
done
