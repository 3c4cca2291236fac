# Sourced by the project's scripts: where the build lives and how Wine runs.
ZANT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export ZANT_BUILD=${ZANT_BUILD:-$ZANT_ROOT/build}
export ZANT_DEPS=$ZANT_BUILD/deps
# ZANT_WINEPREFIX lets parallel test runs keep their own Wine servers apart.
export WINEPREFIX=${ZANT_WINEPREFIX:-$ZANT_BUILD/wineprefix}
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe,winebrowser.exe="
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy NO_PROXY
export PATH=/usr/lib/wine:$PATH

# The build's prefix is headless (Wine's null display driver); run and
# screenshot commands switch it to X11 for real windows and back.
set_graphics() {
  if [ "$1" = null ]; then
    wine64 reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  else
    wine64 reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
  fi
  wineserver -w
}
