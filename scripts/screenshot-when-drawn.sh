#!/usr/bin/env bash
# Saves a picture of the X display (the launcher run by scripts/run.sh under
# Xvfb) once the launcher's main window has drawn its lists. The window is
# shown only when its start-up refresh has filled them; the picture is taken
# when, after that, two shots a second apart agree and are not black. After
# ZANT_SCREENSHOT_LIMIT seconds (default 300) the picture is taken anyway.
# Usage: scripts/screenshot-when-drawn.sh FILE.png
set -uo pipefail
shot=${1:?usage: screenshot-when-drawn.sh FILE.png}
limit=${ZANT_SCREENSHOT_LIMIT:-300}
# "ZANT Launcher 1.8", or "<sim folder> - ZANT Launcher 1.8" for a dedicated server.
title='"([^"]* - )?ZANT Launcher [0-9][0-9.]*"'
start=$SECONDS
in_time() { (( SECONDS - start < limit )); }

main_window_shown() {
  local id
  for id in $(xwininfo -root -tree 2>/dev/null | grep -E "$title" | awk '{print $1}'); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && return 0
  done
  return 1
}

while in_time && ! main_window_shown; do sleep 1; done
main_window_shown || echo "screenshot: no main window after ${limit}s; taking the picture anyway" >&2

frame=$(mktemp --suffix=.png)
trap 'rm -f "$frame"' EXIT
previous=""
while in_time; do
  if import -window root "$frame" 2>/dev/null; then
    current=$(convert "$frame" rgb:- | md5sum)
    lit=$(convert "$frame" -format '%[fx:mean>0.02]' info:)
    [ "$lit" = 1 ] && [ "$current" = "$previous" ] && break
    previous=$current
  fi
  sleep 1
done
in_time || echo "screenshot: the picture did not settle in ${limit}s" >&2
import -window root "$shot"
