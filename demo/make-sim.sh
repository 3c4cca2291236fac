#!/usr/bin/env bash
# Lays out a demo sim folder: two player profiles, the mod files, the video
# configuration and stand-ins for the sim's programs that log how they were
# started ("VORA.exe" appends its command line to "VORA.log" beside it).
# With --dedicated also the dedicated server and its "DedicatedServer" profile.
# Usage: demo/make-sim.sh FOLDER [--dedicated]
# Files that exist are kept, so what the launcher changed survives a second
# run; the stand-ins are always refreshed from the build. The stand-in comes
# from $ZANT_STANDIN_EXE, or else from the 64-bit build.
set -euo pipefail
sim=${1:?usage: make-sim.sh FOLDER [--dedicated]}
dedicated=${2:-}
if [ -n "$dedicated" ] && [ "$dedicated" != --dedicated ]; then
  echo "usage: make-sim.sh FOLDER [--dedicated]" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
standin=${ZANT_STANDIN_EXE:-${ZANT_BUILD:-$root/build}/win64/demo/zant_standin.exe}
if [ ! -f "$standin" ]; then
  echo "make-sim: the stand-in program $standin is missing: build it with scripts/build.sh" \
       "(target zant_standin) or name it in ZANT_STANDIN_EXE" >&2
  exit 1
fi

# put FILE [--lf]: writes standard input to FILE, unless FILE exists, with
# Windows line ends (the sim's setup list has bare line feeds: --lf).
put() {
  mkdir -p "$(dirname "$1")"
  if [ -e "$1" ]; then cat >/dev/null
  elif [ "${2:-}" = --lf ]; then cat > "$1"
  else sed 's/$/\r/' > "$1"; fi
}

# profile NAME FRAMERATE COCKPIT_REARVIEW VIRTUAL_MIRRORS SPECTATOR [MAX_PLAYERS]
profile() {
  local dir="$sim/UserData/$1"
  mkdir -p "$dir/Settings"
  put "$dir/$1.PLR" <<EOF
[DRIVER]
Player Name="$1" // Name shown to other drivers
Player Nick="${1%% *}"
Game Description="VORA"

[DRIVING AIDS]
Data Acquisition Rate="8" // Samples per second written to the telemetry file
Data Acquisition In Race="1" // Record telemetry in race sessions too
Data Acquisition EXE="DataAnalysis.exe" // Program started to view the telemetry

[Race Conditions]
QUICK ParcFerme="3" // Impound rules for quick races
MULTI ParcFerme="1"
MULTI PrivateQualifying="1"
Practice1StartingTime="750"

[Sound Options]
Maximum Effects="16"
Music="1"
Engine Volume="0.70000"
Player Volume Ratio="1.00000"
Other Volume Ratio="1.00000"

[Graphic Options]
Texture Detail="1"
Cockpit Vibration Mult1="1.00000"
Cockpit Vibration Mult2="1.00000"
HUD MFD="1"
LCD Display Modes="21"
Player Detail="1"
Player Texture Override="-1"
Opponent Detail="0"
Opponent Texture Override="-1"
Load Opponent Cockpits="1"
Shadows="3"
Special FX="3"
Track Detail="1"
Rearview_Front_Clip="0.00000"
Rearview_Back_Clip="0.00000"
Max Framerate="$2" // 0 to disable
Self In TV Rearview="0"
Self In Cockpit Rearview="$3" // 0=none 1=wing+wheels 2=body 4=cockpit, added up
Virtual Rearview In Cockpit="$4"

[Game Options]
Spotter Detail="3"
EOF
  {
    cat <<EOF
[Multiplayer General Options]
Player Name="$1"
Auto Join Chat Server="1" // Join the chat server at start
Delay Vehicle Graphics="1" // Show temporary cars until the real ones are loaded
Spectator Mode="$5" // Join games in spectator mode (rather than with a separate vehicle)
Query Port Start="54297"// range is 1025 - 65535
Port Start="54397"// range is 1025 - 65535
Download Custom Skins="1"

[Multiplayer Server Options]
EOF
    [ -z "${6:-}" ] || echo "Max MP Players=\"$6\" // Most drivers the server lets in"
    cat <<EOF
Delay After Race="900.00000"
Must Be Stopped="0"
Allow Spectators="1"
Allow Spectator Chat="1"
EOF
  } | put "$dir/Multiplayer.ini"
}

# The two players differ, so that tests can tell whose settings they see.
profile "Alex Demo" 0 4 0 0 32
profile "Sam Sample" 60 15 1 1
put "$sim/UserData/Alex Demo/FavoriteAndFixedSetups.gal" --lf <<'EOF'
AutoLoadEntry
{
  Track="Marlow Raceway"
  Classes="CUP"
  Session=10
  File="Userdata\Alex Demo\Settings\Marlow Raceway\My Marlow.svm"
}
EOF
put "$sim/UserData/Alex Demo/Settings/Marlow Raceway/My Marlow.svm" <<'EOF'
// Setup file for VORA
[GENERAL]
Notes="Alex's own Marlow setup"
EOF

# Folders laid out by the first version of this script spelled it "rFm".
if [ -d "$sim/rFm" ] && [ ! -e "$sim/rfm" ]; then mv "$sim/rFm" "$sim/rfm"; fi
# mod NAME DESCRIPTION CLASS
mod() {
  put "$sim/rfm/$1.rfm" <<EOF
// $2: series rules the sim reads at the start of a race weekend
Mod Name = $2
Mod Version = 2.1
Vehicle Filter = OR: $3
Max Opponents = 42
SafetyCarAvailable = 1
CountCautionLaps = 1
FormationLap = 1
Season Scoring = 43, 42, 41, 40, 39, 38
EOF
}
mod CUP "Cup 2016" CUP
mod NW "GNS Series" NW
mod TRUCK "Truck Series" TRUCK
mod VORA "VORA Open" "CUP NW TRUCK"

put "$sim/VORAConfig.ini" <<'EOF'
[COMPONENTS]
CPURating=3
ObjDetail=2
TexDetail=2

[DISPLAY]
Width=1280
Height=1024
EOF
mkdir -p "$sim/GameData/Locations" "$sim/GameData/Vehicles" "$sim/UIData" "$sim/Core" "$sim/Plugins"

programs=("VORA.exe" "VORA Config.exe")
if [ "$dedicated" = --dedicated ]; then
  programs+=("VORA Dedicated.exe")
  dir="$sim/UserData/DedicatedServer"
  mkdir -p "$dir"
  put "$dir/DedicatedServer.PLR" <<'EOF'
[DRIVER]
Player Name="DedicatedServer"

[Race Conditions]
MULTI ParcFerme="1"
MULTI PrivateQualifying="1"
Practice1StartingTime="750"
EOF
  put "$dir/Multiplayer.ini" <<'EOF'
[Multiplayer General Options]
Query Port Start="54297"// range is 1025 - 65535
Port Start="54397"// range is 1025 - 65535

[Multiplayer Server Options]
Max MP Players="40" // Most drivers the server lets in
Delay After Race="900.00000"
Must Be Stopped="0"
Allow Spectators="1"
Allow Spectator Chat="1"
EOF
fi
for program in "${programs[@]}"; do
  cp "$standin" "$sim/$program"
done
