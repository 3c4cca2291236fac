#!/usr/bin/env bash
# Runs the 64-bit tests under Wine, in the build's own prefix and inside a
# private network namespace: the tests start their own servers on
# 127.0.0.1 (port 80 among them) without clashing with anything else here.
# Arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/env.sh
if [ -z "${ZANT_IN_NETNS:-}" ]; then
  exec unshare --net --mount env ZANT_IN_NETNS=1 bash "$0" "$@"
fi
ip link set lo up
# Secure downloads are tried against TLS fronts that only this run trusts.
tls_fronts=
. scripts/test-tls.sh
# The launcher's update is started only with a good signature.
. scripts/test-signatures.sh
# Wine's services must be running before ctest starts a test, or they keep
# ctest's output pipe open and it never ends. A wineserver already running
# for this prefix (another test run) is shared and left alone.
own_server=0
if wineserver -p </dev/null >/dev/null 2>&1; then own_server=1; fi
wine64 wineboot </dev/null >/dev/null 2>&1 || true
# Every program with a window joins Wine's desktop process, which stays up
# for a second after its last program ends and holds ctest's output pipe
# meanwhile: each test would take a second longer, and a test starting while
# the desktop winds down can fail before it prints anything. One program
# kept open for the whole run holds the desktop up.
wine64 notepad.exe </dev/null >/dev/null 2>&1 &
desktop_holder=$!
# Also when the run is cut short: a server left running would belong to this
# network namespace, gone with it, and refuse every later run's connections.
cleanup() {
  kill $desktop_holder 2>/dev/null || true
  if [ -n "$tls_fronts" ]; then kill $tls_fronts 2>/dev/null || true; fi
  if [ $own_server = 1 ]; then wineserver -k </dev/null >/dev/null 2>&1 || true; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP PIPE
# Wait for this prefix's desktop: other prefixes (parallel runs) have their own.
own_desktop() {
  local pid
  for pid in $(pgrep -f 'explorer.exe /desktop'); do
    tr '\0' '\n' < /proc/$pid/environ 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
  done
  return 1
}
# A desktop left winding down by wineboot may be the one found first: give
# the holder two seconds to join or replace it, then look again. Without a
# desktop of our own after two minutes (a machine far too busy), the holder
# goes: tests then run a second slower each, but no desktop started by a test
# can be kept alive by the holder and hold ctest's pipe for good.
desktop_up=0
for pass in 1 2; do
  desktop_up=0
  for _ in $(seq 1200); do
    if own_desktop; then desktop_up=1; break; fi
    sleep 0.1
  done
  if [ $pass = 1 ]; then sleep 2; fi
done
if [ $desktop_up = 0 ]; then
  echo "ctest.sh: Wine's desktop did not come up; running without a held desktop" >&2
  kill $desktop_holder 2>/dev/null || true
  wait $desktop_holder 2>/dev/null || true
fi
status=0
(cd "$ZANT_BUILD/win64" && ctest --timeout 300 "$@") || status=$?
exit $status
