#!/usr/bin/env bash
# Runs a test program under Wine for CTest. On a busy machine Wine now and
# then ends a program before it has run a line of it: a failure code and not
# a byte of output. Such a start is tried once more, and said so; a program
# that printed anything stands as it ran.
set -uo pipefail
wine=/usr/lib/wine/wine64
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$wine" "$@" 2>&1 | tee "$out"
status=${PIPESTATUS[0]}
if [ "$status" -ne 0 ] && [ ! -s "$out" ]; then
  echo "wine_test.sh: Wine ended the program with code $status before it printed anything; starting it again" >&2
  sleep 1
  "$wine" "$@"
  status=$?
fi
exit "$status"
