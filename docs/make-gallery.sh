#!/usr/bin/env bash
# Recaptures the README gallery, docs/gallery.png (the three viewpoints
# under the four lighting modes), the pictures of where the light comes
# from, docs/lights-*.png, and the desktop icons, data/icons/, with the
# capture tool. It draws on a virtual screen (Xvfb, software OpenGL), so
# the pictures are the same on every machine whatever its graphics card.
#
#   cmake --build build --target gallery      (runs this script)
#   docs/make-gallery.sh [--display :N] [--into DIR] CAPTURE GRID
#
# CAPTURE and GRID are the built materials-lights-capture and gallery-grid.
# --display :N draws on that X server (an Xvfb) instead of one of xvfb-run's;
# --into DIR writes DIR/docs/ and DIR/data/icons/ instead of the ones in the
# source tree.
set -euo pipefail

usage() { sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; }

root=$(cd "$(dirname "$0")/.." && pwd)
display=
into=$root
while [ $# -gt 0 ]; do
  case $1 in
    --display) display=${2:?--display needs a value}; shift 2 ;;
    --display-of-xvfb-run) display=${DISPLAY:?xvfb-run set no DISPLAY}; shift ;;
    --into) into=${2:?--into needs a directory}; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    -*) echo "make-gallery.sh: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
if [ $# -ne 2 ]; then
  usage >&2
  exit 2
fi
capture=$1
grid=$2

if [ -z "$display" ]; then
  if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "make-gallery.sh: needs xvfb-run (Debian: apt-get install xvfb xauth)" >&2
    exit 1
  fi
  # -noreset: the server must not reset between one capture and the next.
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    "$0" --display-of-xvfb-run --into "$into" "$capture" "$grid"
fi
export DISPLAY=$display

frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT

# Viewpoint by viewpoint, the four modes in each: the order gallery-grid
# lays out.
cells=()
for viewpoint in 0 1 2; do
  for mode in 0 1 2 3; do
    cell=$frames/v${viewpoint}m${mode}.png
    "$capture" --viewpoint "$viewpoint" --mode "$mode" --output "$cell"
    cells+=("$cell")
  done
done
mkdir -p "$into/docs" "$into/data/icons"
"$grid" "$into/docs/gallery.png" "${cells[@]}"

# The icon: all three lights from the front, the scene turned so that every
# solid, the cube too, shows lit sides.
for size in 48 128 256; do
  "$capture" --viewpoint 0 --mode 3 --angles -20,30,0 --size "${size}x${size}" \
    --output "$into/data/icons/materials-lights-$size.png"
done
# Where the light comes from: the rig from outside with all three lights,
# the front view with the lights marked in each mode, and the front view
# split light by light.
"$capture" --viewpoint 0 --mode 3 --overview --size 600x600 \
  --output "$into/docs/lights-overview.png"
for mode in 0 1 2 3; do
  "$capture" --viewpoint 0 --mode "$mode" --show-lights \
    --output "$into/docs/lights-mode-$mode.png"
done
"$capture" --viewpoint 0 --mode 3 --layers --output "$into/docs/lights-layers.png"

echo "make-gallery.sh: wrote $into/docs/gallery.png," \
  "$into/docs/lights-{overview,mode-0,mode-1,mode-2,mode-3,layers}.png and" \
  "$into/data/icons/materials-lights-{48,128,256}.png"
