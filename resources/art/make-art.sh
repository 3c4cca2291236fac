#!/usr/bin/env bash
# Draws the launcher's icons and bitmaps with ImageMagick. The results are
# committed; run this again only to change the artwork.
set -euo pipefail
cd "$(dirname "$0")"
accent='#1769C4'

icon() {  # name, drawing commands for a 32x32 canvas
  local name=$1; shift
  convert -size 32x32 xc:none -stroke none "$@" -define icon:auto-resize=32,16 "$name.ico"
}
icon app       -fill "$accent" -draw 'roundrectangle 1,1 30,30 6,6' -fill white -font DejaVu-Sans-Bold -pointsize 22 -gravity center -annotate +0+0 'Z'
icon refresh   -fill none -stroke "$accent" -strokewidth 4 -draw 'arc 5,5 27,27 40,330' -stroke none -fill "$accent" -draw 'polygon 22,2 30,12 19,13'
icon download  -fill '#2E9B46' -draw 'rectangle 12,3 20,16' -draw 'polygon 5,15 27,15 16,27' -draw 'rectangle 4,28 28,30'
icon options   -fill '#555555' -draw 'circle 16,16 16,3' -fill white -draw 'circle 16,16 16,10'
icon launch    -fill '#2E9B46' -draw 'polygon 8,4 28,16 8,28'
icon teamspeak -fill "$accent" -draw 'circle 16,14 16,3' -draw 'polygon 8,20 14,24 6,30' -fill white -draw 'rectangle 10,10 22,12' -draw 'rectangle 10,15 19,17'
icon downloads -fill '#555555' -draw 'rectangle 3,5 29,9' -draw 'rectangle 3,14 29,18' -draw 'rectangle 3,23 29,27'
icon website   -fill none -stroke "$accent" -strokewidth 3 -draw 'circle 16,16 16,3' -strokewidth 2 -draw 'line 3,16 29,16' -draw 'ellipse 16,16 6,13 0,360'
icon spectate  -fill '#555555' -draw 'ellipse 16,16 14,9 0,360' -fill white -draw 'circle 16,16 16,10' -fill '#222222' -draw 'circle 16,16 16,13'
icon drive     -fill none -stroke '#222222' -strokewidth 4 -draw 'circle 16,16 16,4' -strokewidth 3 -draw 'line 4,16 28,16' -draw 'line 16,16 16,28'

# Window background: a soft vertical fade, tiled by the pattern brush.
convert -size 64x64 gradient:'#F4F6F9'-'#E3E8EF' -type TrueColor BMP3:background.bmp
# Status popup: dark blue with a faint diagonal texture under white text.
convert -size 64x64 xc:'#0F2F57' -fill '#143A69' -draw 'polygon 0,0 32,0 0,32' -draw 'polygon 32,64 64,32 64,64' -type TrueColor BMP3:status.bmp
# Tab images: five 48x36 glyphs on white (white is transparent).
convert -size 240x36 xc:white \
  -fill "$accent" -draw 'roundrectangle 12,8 36,28 3,3' -fill white -draw 'rectangle 16,12 32,22' \
  -fill '#444444' -draw 'polygon 62,30 74,6 82,6 94,30' -fill white -draw 'rectangle 77,10 79,14' -draw 'rectangle 77,18 79,22' \
  -fill '#C62828' -draw 'roundrectangle 104,14 136,26 5,5' -fill '#222222' -draw 'circle 112,27 112,23' -draw 'circle 128,27 128,23' \
  -fill '#555555' -draw 'circle 168,18 168,7' -fill white -draw 'circle 168,18 168,13' \
  -fill '#2E7D32' -draw 'rectangle 204,6 220,30' -fill white -draw 'rectangle 207,10 217,11' -draw 'rectangle 207,15 217,16' -draw 'rectangle 207,20 214,21' \
  -type TrueColor BMP3:tabs.bmp
# Built-in series banner: neutral, magenta around it is transparent.
convert -size 150x36 xc:'#FF00FF' -fill '#2B3A4F' -draw 'roundrectangle 1,1 148,34 6,6' \
  -fill white -font DejaVu-Sans-Bold -pointsize 16 -gravity center -annotate +0+0 'ZANT' \
  -type TrueColor BMP3:banner.bmp
