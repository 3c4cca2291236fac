#!/usr/bin/env bash
# Takes the README's screenshots of the two option dialogs: builds, lays out
# the demo sim folder (with its dedicated server), shows each dialog under
# Xvfb with Wine's X11 driver and saves it cropped to
# docs/screenshots/<dialog>-<dpi>dpi.png, at 96 and at 144 DPI.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
. scripts/env.sh

sim=$ZANT_BUILD/demo/shot-sim
bash demo/make-sim.sh "$sim" --dedicated
shots=docs/screenshots
mkdir -p "$shots"
exe=$ZANT_BUILD/win64/demo/zant_dialogshot.exe
simWin="Z:$(cd "$sim" && pwd | tr / '\\')\\"

set_dpi() {
  wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wine64 reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
# Xvfb runs no window manager: Wine draws the frames and captions itself.
set_unmanaged() {
  if [ "$1" = on ]; then
    wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  else
    wine64 reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
  fi
}
restore() { set_dpi 96; set_unmanaged off; set_graphics null; }
trap restore EXIT

set_unmanaged on
set_graphics x11
for dpi in 96 144; do
  set_dpi "$dpi"
  wineserver -w
  for dialog in options server; do
    out=$shots/$dialog-${dpi}dpi.png
    xvfb-run -a -s '-screen 0 1280x1024x24' bash -c "
      wine64 '$exe' $dialog '$simWin' 12 > '$ZANT_BUILD/shot-rect.txt' &
      sleep \${ZANT_SCREENSHOT_DELAY:-8}
      import -window root -crop \"\$(tr -d '\r' < '$ZANT_BUILD/shot-rect.txt')\" +repage '$out'
      wineserver -k; wineserver -w" || true
    echo "$out"
  done
done
