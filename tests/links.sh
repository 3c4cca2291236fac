#!/usr/bin/env bash
# Runs the tests that need a real folder link. Wine cannot make one itself,
# so this lays out, below Wine's temp folder, a tree holding a link to a
# folder beside it, runs the named tests on it, and checks from outside that
# nothing behind the link was touched.
# Usage: tests/links.sh PATH/TO/zant_tests.exe GTEST_FILTER
set -uo pipefail
tests_exe=$1 filter=$2
temp=$(/usr/lib/wine/wine64 cmd /c 'echo %TEMP%' 2>/dev/null | tr -d '\r')
temp_unix=$(/usr/lib/wine/wine64 winepath.exe -u "$temp" 2>/dev/null | tr -d "\r")
[ -d "$temp_unix" ] || { echo "no Wine temp folder ($temp)"; exit 1; }
name=zant-links-$$
fixture=$temp_unix/$name
trap 'rm -rf "$fixture"' EXIT
mkdir -p "$fixture/outside" "$fixture/tree"
echo mine > "$fixture/outside/precious.txt"
ln -s "$fixture/outside" "$fixture/tree/link"
status=0
ZANT_LINK_FIXTURE=$name /usr/lib/wine/wine64 "$tests_exe" --gtest_filter="$filter" || status=$?
if [ ! -f "$fixture/outside/precious.txt" ]; then
  echo "FAILED: the folder behind the link was emptied"
  status=1
fi
exit $status
