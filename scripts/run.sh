#!/usr/bin/env bash
# Sets everything up, builds, lays out the demo sim folder and starts the
# 64-bit launcher from it under Wine: on your display when there is one,
# otherwise under Xvfb with a screenshot saved to build/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
. scripts/env.sh

# Where a driver's sim would be: C:\Games\VORA\ of the build's Wine prefix.
sim=$WINEPREFIX/drive_c/Games/VORA
bash demo/make-sim.sh "$sim"
cp "$ZANT_BUILD/win64/ZANTLauncher.exe" "$sim/"

if [ -f demo/league.sh ]; then
  bash demo/league.sh start
  trap 'bash demo/league.sh stop' EXIT
fi

# ZANT_SHOW_DOWNLOADS=1 opens the launcher with its download lists shown.
if [ "${ZANT_SHOW_DOWNLOADS:-}" = 1 ]; then
  wine64 reg add 'HKLM\SOFTWARE\Corvale\ZANT Launcher\Options' /v "Show Downloads" /t REG_DWORD /d 1 /f >/dev/null 2>&1
fi


if [ -n "${DISPLAY:-}" ]; then
  set_graphics x11
  (cd "$sim" && wine64 ZANTLauncher.exe) || true
  set_graphics null
else
  set_graphics x11
  shot=$ZANT_BUILD/screenshot.png
  xvfb-run -a -s '-screen 0 1280x1024x24' bash -c "
    cd '$sim' && wine64 ZANTLauncher.exe &
    bash '$PWD/scripts/screenshot-when-drawn.sh' '$shot'
    wineserver -k; wineserver -w" || true
  set_graphics null
  echo "No display: the launcher ran under Xvfb; screenshot in $shot"
fi
