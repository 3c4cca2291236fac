#!/usr/bin/env bash
# Runs the launcher's end-to-end tests against the demo league: starts the
# league in a state folder of its own, runs the tests, stops the league.
# Usage: tests/demo_e2e.sh PATH/TO/zant_tests.exe
set -uo pipefail
tests_exe=$1
root=$(cd "$(dirname "$0")/.." && pwd)
state=$(mktemp -d)
export ZANT_DEMO_STATE=$state
trap 'bash "$root/demo/league.sh" stop >/dev/null 2>&1; rm -rf "$state"' EXIT
bash "$root/demo/league.sh" start || exit 1
ZANT_DEMO_LEAGUE=1 /usr/lib/wine/wine64 "$tests_exe" --gtest_filter='DemoLeagueTest.*'
