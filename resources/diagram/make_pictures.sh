#!/usr/bin/env bash
# Draws the diagram's pictures with ImageMagick. The PNGs are kept in the repository and
# compiled into the program (views/diagram.qrc); run this again only to change them.
set -euo pipefail
cd "$(dirname "$0")"
strip=(-define png:exclude-chunks=date,time +set date:create +set date:modify -strip)

# Server: a tower case with two drive bays, a grille and a green power light, 48 x 48.
convert -size 48x48 xc:none \
  -fill '#3a4150' -draw 'roundrectangle 11,2 36,45 3,3' \
  -fill '#5b6578' -draw 'roundrectangle 13,4 34,43 2,2' \
  -fill '#c9ced8' -stroke '#2b303b' -strokewidth 1 \
  -draw 'rectangle 16,8 31,12' -draw 'rectangle 16,15 31,19' \
  -stroke none -fill '#2b303b' -draw 'rectangle 27,10 29,10' -draw 'rectangle 27,17 29,17' \
  -fill '#414a5a' \
  -draw 'rectangle 16,24 31,25' -draw 'rectangle 16,28 31,29' -draw 'rectangle 16,32 31,33' \
  -fill '#38e05a' -stroke '#1c7a30' -draw 'circle 18,39 19.5,39' \
  -stroke none -fill '#ffd23c' -draw 'circle 23,39 24,39' \
  -fill '#8e97a8' -draw 'rectangle 13,44 34,45' \
  "${strip[@]}" -depth 8 PNG32:server.png

# Pointer over the diagram: a ring with two arrow heads (turn the ring of hosts), 32 x 32.
ring() { # $1 colour, $2 output
  local arcs=(-draw 'ellipse 16,16 10,10 200,330' -draw 'ellipse 16,16 10,10 20,150')
  local heads=(-draw 'polygon 28.6,17.8 30.5,9.6 21.7,13.1' -draw 'polygon 3.4,14.2 1.5,22.4 10.3,18.9')
  convert -size 32x32 xc:none \
    -fill none -stroke white -strokewidth 6 "${arcs[@]}" \
    -fill white -strokewidth 2 "${heads[@]}" \
    -fill none -stroke "$1" -strokewidth 3 "${arcs[@]}" \
    -fill "$1" -stroke none "${heads[@]}" \
    -fill white -draw 'circle 16,16 18.5,16' -fill "$1" -draw 'circle 16,16 17.5,16' \
    "${strip[@]}" -depth 8 "PNG32:$2"
}
ring '#20242c' pointer.png
ring '#1f6fd1' pointer_drag.png

# Tool buttons, 16 x 16.
# Bandwidth: three size tags in the diagram's tag colours.
convert -size 16x16 xc:none \
  -fill '#00e100' -draw 'rectangle 1,2 10,5' \
  -fill '#008a00' -draw 'rectangle 1,7 13,10' \
  -fill '#cf580a' -draw 'rectangle 1,12 14,15' \
  -fill white -draw 'rectangle 3,3 6,4' -draw 'rectangle 3,8 8,9' -draw 'rectangle 3,13 9,14' \
  "${strip[@]}" -depth 8 PNG32:tool_bandwidth.png
# Geography: a globe with meridian and parallels.
convert -size 16x16 xc:none \
  -fill '#3d8fe0' -stroke '#1b4f8a' -strokewidth 1 -draw 'circle 7.5,7.5 7.5,0.5' \
  -fill '#5cb85c' -stroke none -draw 'polygon 4,3 8,2 9,5 6,7 7,10 4,11 3,7' -draw 'polygon 10,8 13,7 12,12 10,12' \
  -fill none -stroke '#d8ecff' -draw 'ellipse 7.5,7.5 3,7 0,360' -draw 'line 1,7.5 14,7.5' \
  "${strip[@]}" -depth 8 PNG32:tool_geo.png
# Zoom in and out: a magnifying glass with a plus or a minus.
lens() { # $1 output, then the extra drawing arguments
  local out=$1
  shift
  convert -size 16x16 xc:none \
    -stroke '#6b4a1e' -strokewidth 3 -draw 'line 10,10 14,14' \
    -fill '#eaf4ff' -stroke '#2c3e57' -strokewidth 1.5 -draw 'circle 6.5,6.5 6.5,1.5' \
    -stroke '#2c3e57' -strokewidth 1.5 "$@" \
    "${strip[@]}" -depth 8 "PNG32:$out"
}
lens tool_zoomin.png -draw 'line 4,6.5 9,6.5' -draw 'line 6.5,4 6.5,9'
lens tool_zoomout.png -draw 'line 4,6.5 9,6.5'

# The tool buttons' own pointer: a pointing hand, 32 x 32, fingertip at the top left.
convert -size 32x32 xc:none \
  -fill white -stroke black -strokewidth 1 \
  -draw 'path "M 9,1 C 11,1 12,2 12,4 L 12,12 L 14,11 C 16,11 17,12 17,13 L 19,12 C 21,12 22,13 22,14 L 24,14 C 26,14 27,15 27,17 L 27,24 C 27,28 24,30 20,30 L 15,30 C 12,30 10,28 9,26 L 4,18 C 3,16 5,14 7,16 L 7,4 C 7,2 8,1 9,1 Z"' \
  -stroke black -draw 'line 12,12 12,18' -draw 'line 17,13 17,18' -draw 'line 22,14 22,18' \
  "${strip[@]}" -depth 8 PNG32:tool_pointer.png
