#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need, fetches the
# source packages that are compiled into the build, and prepares the Wine
# prefix that belongs to the build. Safe to run again: it only does what is
# missing. Needs root on Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/env.sh

packages=(
  cmake make dpkg-dev ca-certificates openssl
  mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  libz-mingw-w64-dev googletest
  wine64 xvfb xauth x11-utils imagemagick
  iproute2 util-linux lighttpd curl python3 unzip socat
  minisign rhash autoconf automake libtool
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# The demo's web server is started by the demo itself, never as a service.
if command -v systemctl >/dev/null && systemctl is-active -q lighttpd 2>/dev/null; then
  systemctl stop lighttpd || true
fi

# Source packages for minizip and TinyXML. apt-get source needs deb-src lines.
srclist=/etc/apt/sources.list.d/zant-deb-src.sources
if [ ! -f "$srclist" ]; then
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$srclist"
  apt-get update -qq
fi
mkdir -p "$ZANT_DEPS"
fetch_source() {   # one call per package: a failure in one extracts none
  local pkg=$1 marker=$2
  if ! ls -d "$ZANT_DEPS"/"$pkg"-*/ >/dev/null 2>&1 || [ ! -e "$(ls -d "$ZANT_DEPS"/"$pkg"-*/ | head -1)/$marker" ]; then
    echo "setup: fetching the $pkg sources"
    (cd "$ZANT_DEPS" && apt-get source -qq "$pkg" >/dev/null 2>&1) ||
      (cd "$ZANT_DEPS" && apt-get source "$pkg")
  fi
}
fetch_source minizip unzip.c
fetch_source tinyxml tinyxml.cpp
fetch_source libsodium autogen.sh

# libsodium is cross-built for both targets (the part that verifies signatures).
sodium_source=$(ls -d "$ZANT_DEPS"/libsodium-*/ | head -1)
for arch in x86_64 i686; do
  prefix=$ZANT_DEPS/sodium-$arch
  [ -f "$prefix/lib/libsodium.a" ] && continue
  echo "setup: building libsodium for $arch"
  [ -x "$sodium_source/configure" ] || (cd "$sodium_source" && ./autogen.sh -s >/dev/null 2>&1)
  mkdir -p "$sodium_source/build-$arch"
  log=$sodium_source/build-$arch.log
  (cd "$sodium_source/build-$arch" &&
    ../configure --host=$arch-w64-mingw32 CC=$arch-w64-mingw32-gcc-posix --disable-shared --enable-minimal \
      --prefix="$prefix" && make -j"$(nproc)" && make install) >"$log" 2>&1 ||
    { tail -20 "$log" >&2; echo "setup: building libsodium for $arch failed (see $log)" >&2; exit 1; }
done

# The build's own Wine prefix, never the user's.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "setup: creating the Wine prefix in $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wine64 wineboot -i </dev/null >/dev/null 2>&1 || true
  wineserver -w
  # Keep Wine's documents folders inside the prefix instead of linking to $HOME.
  for d in "$WINEPREFIX"/drive_c/users/*/; do
    for link in "$d"*; do
      if [ -L "$link" ]; then rm "$link"; mkdir -p "$link"; fi
    done
  done
  # Headless by default: the null display driver creates real windows
  # without an X server. The run command switches to X when it has one.
  wine64 reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
  wineserver -w
fi
echo "setup: ready"
