#!/usr/bin/env bash
# Configures and builds both targets: build/win64 (built and tested) and
# build/win32 (built only). Extra arguments go to CMake's configure step,
# e.g. -DZANT_WEB_BASE=http://league.example.org
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/env.sh
for arch in win64:x86_64 win32:i686; do
  dir=$ZANT_BUILD/${arch%%:*}
  if [ ! -f "$dir/CMakeCache.txt" ] || [ $# -gt 0 ]; then
    cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-${arch#*:}.cmake" \
      -DZANT_DEPS="$ZANT_DEPS" -DZANT_TESTS=$([ "${arch%%:*}" = win64 ] && echo ON || echo OFF) "$@" >/dev/null
  fi
  cmake --build "$dir" -j"$(nproc)"
done
