#!/usr/bin/env bash
# Renders the program's icon at the sizes of the hicolor icon theme into PNG files beside
# this script, which are committed: app-icon-16.svg and app-icon-24.svg are drawn on the
# pixel grid of their size so that the small icons stay sharp, app-icon.svg gives every
# larger size and is installed as the scalable icon. Needs rsvg-convert (librsvg2-bin).
# Run it again after changing one of the drawings.
set -euo pipefail
cd "$(dirname "$0")"
if ! command -v rsvg-convert > /dev/null; then
  echo "rsvg-convert is missing: apt-get install librsvg2-bin" >&2
  exit 1
fi
for size in 16 24 32 48 64 128 256; do
  source=app-icon.svg
  [ -f "app-icon-$size.svg" ] && source="app-icon-$size.svg"
  rsvg-convert --width "$size" --height "$size" "$source" --output "app-icon-$size.png"
done
