#!/usr/bin/env bash
# Every import points down a floor: a subsystem includes its own headers and
# those of the floors below it, never one above.
root=$(cd "$(dirname "$0")/.." && pwd)
floors=(app net simconfig catalog install launch ui)
floor_of() { local i; for i in "${!floors[@]}"; do [ "${floors[$i]}" = "$1" ] && echo "$i" && return; done; echo 99; }
status=0
for folder in "${floors[@]}"; do
  own=$(floor_of "$folder")
  while IFS=: read -r file _ include; do
    target=${include#*\"}; target=${target%%/*}
    if [ "$(floor_of "$target")" -gt "$own" ] && [ "$target" != resources ] || { [ "$target" = resources ] && [ "$folder" != ui ]; }; then
      echo "upward import: $file includes $target/" >&2
      status=1
    fi
  done < <(cd "$root" && grep -Hn '^#include "[a-z]*/' "$folder"/*.cpp "$folder"/*.h 2>/dev/null)
done
exit $status
