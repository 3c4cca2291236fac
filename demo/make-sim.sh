#!/usr/bin/env bash
# Lays out a demo sim folder: player profiles, mod files and stand-ins for
# the sim's programs. Usage: demo/make-sim.sh FOLDER [--dedicated]
set -euo pipefail
sim=${1:?usage: make-sim.sh FOLDER [--dedicated]}
mkdir -p "$sim/UserData/Alex Demo" "$sim/UserData/Sam Sample" "$sim/rFm"
for profile in "Alex Demo" "Sam Sample"; do
  plr="$sim/UserData/$profile/$profile.PLR"
  [ -f "$plr" ] || printf '[DRIVER]\r\nPlayer Name="%s"\r\n' "$profile" > "$plr"
  mp="$sim/UserData/$profile/Multiplayer.ini"
  [ -f "$mp" ] || printf '[Multiplayer General Options]\r\nSpectator Mode="0" // Join games in spectator mode (rather than with a separate vehicle)\r\n' > "$mp"
done
for prog in "VORA.exe" "VORA Config.exe"; do
  [ -f "$sim/$prog" ] || printf 'demo stand-in\r\n' > "$sim/$prog"
done
if [ "${2:-}" = --dedicated ]; then
  printf 'demo stand-in\r\n' > "$sim/VORA Dedicated.exe"
fi
