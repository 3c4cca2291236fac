#!/usr/bin/env bash
# The whole test command: set up, build both targets, run every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
bash scripts/ctest.sh --output-on-failure "$@"
