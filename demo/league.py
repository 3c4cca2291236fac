#!/usr/bin/env python3
"""The demo league: one description of its events, race servers, catalog and
partner league, and the writer that turns it into everything the league web
server serves and the race servers' configuration.

Usage: league.py STATE_FOLDER [--standin EXE]

Writes STATE_FOLDER/www (the document root), STATE_FOLDER/errors (the error
pages), STATE_FOLDER/partner-users (the partner league's login) and
STATE_FOLDER/raceservers.json. demo/README.md documents the content; tests
rely on it, so change both together.
"""
import argparse
import io
import os
import shutil
import subprocess
import struct
import sys
import zipfile
from dataclasses import dataclass

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from raceserver import RaceServer, save_config  # noqa: E402

WEB = "http://127.0.0.1"
SCRAMBLE_KEY = "KQM2019PLTV"
SCRAMBLED_KEYS = ("ServerPassword", "GRDUsername", "GRDPassword")
# The launcher is 1.8.3.0, so by default no update is offered; a newer
# banner than the launcher's built-in number 22 is fetched once.
LAUNCHER_VERSION = os.environ.get("ZANT_DEMO_VERSION", "1.8.3.0")
BANNER_VERSION = int(os.environ.get("ZANT_DEMO_BANNER_VERSION", "23"))


# ---------------------------------------------------------------- served files

@dataclass
class Zip:
    """A zip archive on the web server; names ending in "/" are folder entries."""
    path: str
    entries: dict
    date: tuple = (2024, 5, 30)


@dataclass
class Blob:
    path: str
    data: bytes


@dataclass
class StandIn:
    """A copy of the stand-in Windows program, which logs its command line."""
    path: str


UPDATE_KEY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "update.key")


def sign_update(path: str) -> None:
    """Signs the offered program as a league signs its update: with the demo
    league's secret key (for the demo only) and the version it is offered as."""
    subprocess.run(["minisign", "-S", "-s", UPDATE_KEY, "-m", path, "-t", f"ZANT Launcher {LAUNCHER_VERSION}"],
                   check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)


def date(year, month, day):
    return {"Date Year": year, "Date Month": month, "Date Day": day}


# ---------------------------------------------------------------- pictures


def bitmap(width: int, height: int, pixel) -> bytes:
    """A 24-bit BMP; pixel(x, y) gives (r, g, b) with y = 0 at the top."""
    row_size = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        rows.append(bytes(row.ljust(row_size, b"\0")))
    image = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(image), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    return header + info + image


def solid_bitmap(width, height, colour) -> bytes:
    return bitmap(width, height, lambda x, y: colour)


# 5x7 letters, rows from the top.
GLYPHS = {
    "A": ".###. #...# #...# ##### #...# #...# #...#", "B": "####. #...# #...# ####. #...# #...# ####.",
    "C": ".###. #...# #.... #.... #.... #...# .###.", "G": ".###. #...# #.... #.### #...# #...# .###.",
    "H": "#...# #...# #...# ##### #...# #...# #...#", "I": ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###.",
    "K": "#...# #..#. #.#.. ##... #.#.. #..#. #...#", "N": "#...# ##..# #.#.# #..## #...# #...# #...#",
    "O": ".###. #...# #...# #...# #...# #...# .###.", "P": "####. #...# #...# ####. #.... #.... #....",
    "R": "####. #...# #...# ####. #.#.. #..#. #...#", "S": ".#### #.... #.... .###. ....# ....# ####.",
    "T": "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#..", "U": "#...# #...# #...# #...# #...# #...# .###.",
}
SCALE = 3
MAGENTA = (0xFF, 0x00, 0xFF)


def banner_bitmap() -> bytes:
    """The series banner: 150x36 images side by side, magenta transparent."""
    width, height = 150, 36

    def pixel(x, y):
        label, colour = BANNER_LABELS[x // width]
        x %= width
        if x < 2 or y < 2 or x >= width - 2 or y >= height - 2:
            return MAGENTA
        text_width = len(label) * 6 * SCALE - SCALE
        left, top = (width - text_width) // 2, (height - 7 * SCALE) // 2
        gx, gy = (x - left) // SCALE, (y - top) // SCALE
        if x >= left and y >= top and gx // 6 < len(label) and gx % 6 < 5 and gy < 7:
            if GLYPHS[label[gx // 6]].split()[gy][gx % 6] == "#":
                return (0xFF, 0xFF, 0xFF)
        return colour

    return bitmap(width * len(BANNER_LABELS), height, pixel)


def dds_image(width, height, colour) -> bytes:
    """An uncompressed 32-bit DDS picture of one colour."""
    header = struct.pack("<4s7I44x8I4I4x", b"DDS ", 124, 0x100F, height, width, width * 4, 0, 0,
                         32, 0x41, 0, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 0x1000, 0, 0, 0)
    r, g, b = colour
    return header + bytes((b, g, r, 0xFF)) * (width * height)


def setup_file(title):
    return ("// Setup file for VORA\r\n[GENERAL]\r\nNotes=\"%s\"\r\nSymmetric=1\r\n"
            "[FRONTLEFT]\r\nPressureSetting=12\r\nCamberSetting=20\r\n"
            "[REARLEFT]\r\nPressureSetting=11\r\nCamberSetting=18\r\n" % title).encode("ascii")


# ---------------------------------------------------------------- race servers

CUP_PORT, GNS_PORT, TRUCK_PORT, SILENT_PORT, HARBOUR_PORT = 54297, 54298, 54299, 54300, 54301

RACE_SERVERS = [
    RaceServer(CUP_PORT, "Gridline Cup #1", "CUP", "Kestrel Speedway", "Cup 2016 Series",
               session=5, laps_to_go=42, drivers=24, max_players=43),
    RaceServer(GNS_PORT, "Gridline GNS #1", "GNS", "Marlow Raceway", "GNS Series",
               session=2, session_seconds=1500, drivers=12),
    # Announced for Bramble Hill but still running last week's track.
    RaceServer(TRUCK_PORT, "Gridline Trucks", "TRUCK", "Eastfield Motor Speedway", "Truck Series",
               session=1, session_seconds=2700, drivers=5, max_players=32),
    # SILENT_PORT has no server at all.
    RaceServer(HARBOUR_PORT, "Harbour League GNS", "NW", "Marlow Raceway", "GNS Series",
               session=3, session_seconds=754, drivers=8),
]

# ---------------------------------------------------------------- events

PARTNER_USER, PARTNER_PASSWORD = "harbourfan", "tide42"
PARTNER_CONTENT = "/partner/harbour/league.ini"

# Clear text under the scrambled keys: the writer scrambles them.
EVENTS = [
    {"ID": 101, "SeriesID": 1, "ImageIndex": 0, "Date": "Sat 06/14 8:00 PM",
     "Track": "Kestrel Speedway", "TrackID": 11, "Vehicle": "Cup2016", "VehicleIDs": "1",
     "Setups": "Open setups", "Laps": "200 laps", "TiresFuel": "4 tyre sets",
     "SetupPath": Blob("/files/events/cup-kestrel.svm", setup_file("Gridline Cup - Kestrel Speedway")),
     "UIChange": Zip("/files/events/garage-cup.zip", {
         "UIData/BK_GARAGE1.bmp": solid_bitmap(64, 48, (0x1F, 0x4E, 0x9A)),
         "UIData/BK_GARAGE2.bmp": solid_bitmap(64, 48, (0xF0, 0xF0, 0xF0))}),
     "VehicleChange": Blob("/files/events/race-notes-cup.dds", dds_image(4, 4, (0xFF, 0xCC, 0x00))),
     "SetupID": 501, "League": "Gridline", "Server": f"127.0.0.1:{CUP_PORT}",
     "Note": "Round 7 of 12", "CountCautionLaps": "0",
     "TeamSpeak": "ts3server://127.0.0.1?port=9987&channel=Cup",
     "ServerPassword": "pitlane", "Name": "Gridline Cup Round 7"},
    {"ID": 102, "SeriesID": 2, "ImageIndex": 1, "Date": "Sun 06/15 7:30 PM",
     "Track": "Marlow Raceway", "TrackID": 12, "Vehicle": "NW", "VehicleIDs": "2",
     "Setups": "Fixed setup", "Laps": "150 laps", "TiresFuel": "Full tank",
     "SetupPath": Blob("/files/events/gns-marlow.svm", setup_file("Gridline GNS - Marlow Raceway")),
     "SetupID": 502, "League": "Gridline", "Server": f"127.0.0.1:{GNS_PORT}",
     "Note": "Qualifying open", "TeamSpeak": "ts3server://127.0.0.1?port=9987&channel=GNS",
     "Name": "Gridline GNS Round 5"},
    {"ID": 103, "SeriesID": 3, "ImageIndex": 2, "Date": "Mon 06/16 9:00 PM",
     "Track": "Bramble Hill", "TrackID": 13, "Vehicle": "TRUCK", "VehicleIDs": "3",
     "Setups": "Open setups", "Laps": "80 laps", "TiresFuel": "2 tyre sets",
     "League": "Gridline", "Server": f"127.0.0.1:{TRUCK_PORT}", "Note": "Track change",
     "TeamSpeak": "ts3server://127.0.0.1?port=9987&channel=Trucks", "Name": "Gridline Trucks Round 3"},
    {"ID": 104, "SeriesID": 4, "ImageIndex": 4, "Date": "Tue 06/17 8:30 PM",
     "Track": "Kestrel Speedway", "TrackID": 11, "Vehicle": "Cup2016", "VehicleIDs": "1",
     "Setups": "Open setups", "Laps": "100 laps", "TiresFuel": "3 tyre sets",
     "League": "Gridline Night", "Server": f"127.0.0.1:{SILENT_PORT}",
     "Name": "Gridline Night Series Round 2"},
    {"ID": 105, "SeriesID": 5, "ImageIndex": 3, "Date": "Wed 06/18 7:45 PM",
     "Track": "Marlow Raceway", "TrackID": 12, "Vehicle": "NW", "VehicleIDs": "2",
     "Setups": "League setup", "Laps": "120 laps", "TiresFuel": "Full tank",
     "SetupPath": Blob("/files/events/harbour-marlow.svm", setup_file("Harbour League - Marlow Raceway")),
     "League": "Harbour League", "Server": f"127.0.0.1:{HARBOUR_PORT}", "Note": "Partner league",
     "TeamSpeak": "ts3server://127.0.0.1?port=9988",
     "Name": "Harbour League GNS Round 9",
     "GRD": WEB + PARTNER_CONTENT, "GRDUsername": PARTNER_USER, "GRDPassword": PARTNER_PASSWORD},
]

SERIES = {1: "Gridline Cup", 2: "Gridline GNS", 3: "Gridline Trucks", 4: "Gridline Night Series",
          5: "Harbour League GNS"}
# Image i of the banner strip, as the events' "ImageIndex" uses them.
BANNER_LABELS = [("CUP", (0x1F, 0x4E, 0x9A)), ("GNS", (0xB0, 0x20, 0x2A)), ("TRUCK", (0x2E, 0x7D, 0x32)),
                 ("HARBOUR", (0x00, 0x7C, 0x80)), ("NIGHT", (0x3A, 0x1F, 0x5C))]


# ---------------------------------------------------------------- catalog

def track_archive(name, slug):
    return Zip(f"/files/tracks/{slug}.zip", {
        f"{name}/": None,
        f"{name}/{name}.gdb": f"// {name}\r\nTrackName = {name}\r\n",
        f"{name}/{name}.aiw": "[Waypoint]\r\ntrack length=2414.0\r\n",
    })


def car_archive(folder, driver, slug, skin):
    return Zip(f"/files/cars/{slug}.zip", {
        f"{driver}/{driver}.veh": f"Driver=\"{driver}\"\r\nDescription=\"{skin}\"\r\nClasses=\"{folder}\"\r\n",
        f"{driver}/{slug}.dds.txt": f"Skin {skin}\r\n",
    })


CATALOG = {
    "Sim": [
        {"Name": "VORA 1.255 Update", "VehicleIDs": "1,2,3", "Note": "Needed for every series",
         "File": Zip("/files/sims/vora-update-1255.zip", {"Version.txt": "1.255\r\n",
                                                         "Patch/notes.txt": "VORA 1.255: physics fixes\r\n"}),
         "File Size": "3", "Done Msg": "The VORA 1.255 update is installed.",
         "Prefix Path": "Core", "File Type": 1, **date(2024, 5, 1), "ID": 1},
        {"Name": "Gridline HUD Plugin", "VehicleIDs": "1,2,3", "Note": "Replaces the Classic HUD Plugin",
         "File": Zip("/files/sims/gridline-hud.zip", {"GridlineHUD/config.ini": "[HUD]\r\nStyle=Gridline\r\n",
                                                     "GridlineHUD/readme.txt": "Gridline HUD\r\n"}),
         "File Size": "1", "Delete Folder": "ClassicHUD", "Prefix Path": "Plugins", "File Type": 1,
         **date(2024, 4, 20), "ID": 2, "Toggle": "3"},
        {"Name": "Classic HUD Plugin", "VehicleIDs": "1,2,3", "Note": "Replaces the Gridline HUD Plugin",
         "File": Zip("/files/sims/classic-hud.zip", {"ClassicHUD/config.ini": "[HUD]\r\nStyle=Classic\r\n"}),
         "File Size": "1", "Delete Folder": "GridlineHUD", "Prefix Path": "Plugins", "File Type": 1,
         **date(2023, 11, 2), "ID": 3, "Toggle": "2"},
    ],
    "Track": [
        {"Name": "Kestrel Speedway", "VehicleIDs": "1", "TrackID": 11,
         "File": track_archive("Kestrel Speedway", "kestrel-speedway"), "Note": "1.5 mile oval",
         "File Size": "12", "Delete Folder": "Kestrel Speedway", "Prefix Path": "GameData\\Locations",
         "File Type": 1, **date(2024, 5, 30), "ID": 201},
        {"Name": "Marlow Raceway", "VehicleIDs": "1,2", "TrackID": 12,
         "File": track_archive("Marlow Raceway", "marlow-raceway"), "Note": "0.75 mile short track",
         "File Size": "9", "Delete Folder": "Marlow Raceway", "Prefix Path": "GameData\\Locations",
         "File Type": 1, **date(2024, 3, 12), "ID": 202},
        {"Name": "Bramble Hill", "VehicleIDs": "3", "TrackID": 13,
         "File": track_archive("Bramble Hill", "bramble-hill"), "Note": "Road course",
         "File Size": "15", "Delete Folder": "Bramble Hill", "Prefix Path": "GameData\\Locations",
         "File Type": 1, **date(2024, 6, 2), "ID": 203},
        {"Name": "Eastfield Motor Speedway", "VehicleIDs": "2,3", "TrackID": 14,
         "File": track_archive("Eastfield Motor Speedway", "eastfield-motor-speedway"), "Note": "1 mile oval",
         "File Size": "11", "Delete Folder": "Eastfield Motor Speedway", "Prefix Path": "GameData\\Locations",
         "File Type": 1, **date(2023, 9, 9), "ID": 204},
    ],
    "Mod": [
        {"Name": "Cup 2016 Series", "VehicleIDs": "1", "Note": "Cars of the Gridline Cup",
         "File": Zip("/files/mods/cup-2016.zip", {"CUP/CUP.veh.txt": "Classes=\"CUP\"\r\n",
                                                 "CUP/Teams/": None}),
         "File Size": "45", "Done Msg": "The Cup 2016 cars are installed. Pick them in the sim's garage.",
         "Delete Folder": "CUP", "Prefix Path": "GameData\\Vehicles", "File Type": 1,
         **date(2024, 2, 14), "ID": 301},
        {"Name": "GNS Series", "VehicleIDs": "2", "Note": "Cars of the Gridline GNS",
         "File": Zip("/files/mods/gns.zip", {"NW/NW.veh.txt": "Classes=\"NW\"\r\n", "NW/Teams/": None}),
         "File Size": "38", "Delete Folder": "NW", "Prefix Path": "GameData\\Vehicles", "File Type": 1,
         **date(2024, 1, 20), "ID": 302},
        {"Name": "Truck Series", "VehicleIDs": "3", "Note": "Cars of the Gridline Trucks",
         "File": Zip("/files/mods/trucks.zip", {"TRUCK/TRUCK.veh.txt": "Classes=\"TRUCK\"\r\n",
                                               "TRUCK/Teams/": None}),
         "File Size": "30", "Delete Folder": "TRUCK", "Prefix Path": "GameData\\Vehicles", "File Type": 1,
         **date(2023, 12, 5), "ID": 303},
        {"Name": "Gridline Telemetry Tool", "VehicleIDs": "1,2,3", "Note": "Runs an installer",
         "File": StandIn("/files/tools/GridlineTelemetrySetup.exe"), "File Size": "1",
         "Prefix Path": "Tools", "File Type": 2, **date(2024, 4, 1), "ID": 304},
    ],
    "Car": [
        {"Driver": "Alex Demo", "VehicleID": 1, "Skin": "Blue Comet", "Number": "7",
         "File": car_archive("CUP", "Alex Demo", "cup-alex-demo", "Blue Comet"), "File Size": "4",
         "Delete Folder": "Alex Demo", "Prefix Path": "GameData\\Vehicles\\CUP\\Teams", "File Type": 1,
         **date(2024, 5, 20), "ID": 401},
        {"Driver": "Sam Sample", "VehicleID": 1, "Skin": "Orange Flash", "Number": "42",
         "File": car_archive("CUP", "Sam Sample", "cup-sam-sample", "Orange Flash"), "File Size": "4",
         "Delete Folder": "Sam Sample", "Prefix Path": "GameData\\Vehicles\\CUP\\Teams", "File Type": 1,
         **date(2024, 5, 21), "ID": 402},
        {"Driver": "Robin Rowe", "VehicleID": 2, "Skin": "Green Arrow", "Number": "11",
         "File": car_archive("NW", "Robin Rowe", "gns-robin-rowe", "Green Arrow"), "File Size": "3",
         "Delete Folder": "Robin Rowe", "Prefix Path": "GameData\\Vehicles\\NW\\Teams", "File Type": 1,
         **date(2024, 4, 2), "ID": 403},
        {"Driver": "Jo Kerr", "VehicleID": 3, "Skin": "Silver Hauler", "Number": "3",
         "File": car_archive("TRUCK", "Jo Kerr", "truck-jo-kerr", "Silver Hauler"), "File Size": "3",
         "Delete Folder": "Jo Kerr", "Prefix Path": "GameData\\Vehicles\\TRUCK\\Teams", "File Type": 1,
         **date(2024, 3, 3), "ID": 404},
    ],
    "Setup": [
        {"Track": "Kestrel Speedway", "VehicleID": 1, "Author": "Gridline Crew", "Note": "Race setup",
         "File": Zip("/files/setups/cup-kestrel-race.zip",
                     {"Kestrel Speedway/Gridline Cup Race.svm": setup_file("Cup race")}),
         "File Size": "1", "File Type": 1, **date(2024, 6, 1), "ID": 501},
        {"Track": "Marlow Raceway", "VehicleID": 2, "Author": "Gridline Crew", "Note": "Qualifying setup",
         "File": Zip("/files/setups/gns-marlow-qualifying.zip",
                     {"Marlow Raceway/Gridline GNS Qualifying.svm": setup_file("GNS qualifying")}),
         "File Size": "1", "File Type": 1, **date(2024, 6, 3), "ID": 502},
    ],
}
COUNT_SECTIONS = {"Sim": "Sims", "Track": "Tracks", "Mod": "Mods", "Car": "Cars", "Setup": "Setups"}

# ---------------------------------------------------------------- partner league

def partner_car(number, driver, slug, skin, item_id):
    return {"Driver": driver, "VehicleID": 2, "Skin": skin, "Number": number,
            "File": Zip(f"/partner/harbour/cars/{slug}.zip", {
                f"{driver}/{driver}.veh": f"Driver=\"{driver}\"\r\nDescription=\"{skin}\"\r\nClasses=\"NW\"\r\n"}),
            "File Size": "5", "Delete Folder": driver, "Prefix Path": "GameData\\Vehicles\\NW\\Harbour",
            "File Type": 1, **date(2024, 5, 5), "ID": item_id}


PARTNER_LEAGUE_ID = 12
PARTNER_CARS = [
    partner_car("21", "Casey Moor", "casey-moor", "Harbour Blue", 55),
    partner_car("22", "Dana Quay", "dana-quay", "Harbour White", 56),
    partner_car("23", "Eli Reef", "eli-reef", "Harbour Red", 57),
]
PARTNER_SETUPS = [
    {"Track": "Marlow Raceway", "VehicleID": 2, "Author": "Harbour League", "Note": "League setup",
     "File": Zip("/partner/harbour/setups/marlow-league.zip",
                 {"Marlow Raceway/Harbour League.svm": setup_file("Harbour League")}),
     "File Size": "1", "File Type": 1, **date(2024, 5, 6), "ID": 61},
]

# ---------------------------------------------------------------- writers


def scramble(clear: str) -> str:
    """The inverse of the launcher's unscrambling: byte j is the character plus key[j mod 11]."""
    data = clear.encode("latin-1")
    if len(data) > 63:
        raise ValueError(f"{clear!r}: at most 63 characters fit the launcher's buffer")
    out = bytes((b + ord(SCRAMBLE_KEY[j % len(SCRAMBLE_KEY)])) % 256 for j, b in enumerate(data))
    if 0 in out:
        raise ValueError(f"{clear!r} scrambles to a zero byte, which would end the value early")
    return out.hex().upper()


def ini_text(sections) -> bytes:
    lines = []
    for name, keys in sections:
        lines.append(f"[{name}]")
        lines += [f"{key}={value}" for key, value in keys.items()]
        lines.append("")
    return "\r\n".join(lines).encode("latin-1")


class Writer:
    def __init__(self, state: str, standin: str):
        self.state = state
        self.www = os.path.join(state, "www")
        self.standin = standin if standin and os.path.isfile(standin) else ""
        self.missing_standins = []

    def put(self, path: str, data: bytes) -> None:
        target = os.path.join(self.www, path.lstrip("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)

    def serve(self, value):
        """Writes a served file and gives the value for the INI file: its address."""
        if isinstance(value, Zip):
            self.put(value.path, zip_bytes(value))
        elif isinstance(value, Blob):
            self.put(value.path, value.data)
        elif isinstance(value, StandIn):
            if self.standin:
                target = os.path.join(self.www, value.path.lstrip("/"))
                os.makedirs(os.path.dirname(target), exist_ok=True)
                shutil.copyfile(self.standin, target)
                sign_update(target)
            else:
                self.missing_standins.append(value.path)
        else:
            return value
        return WEB + value.path

    def section(self, keys: dict) -> dict:
        out = {}
        for key, value in keys.items():
            value = self.serve(value)
            out[key] = scramble(value) if key in SCRAMBLED_KEYS else value
        return out

    def events_file(self) -> bytes:
        sections = [
            ("Application", {"Version": LAUNCHER_VERSION,
                             "File": self.serve(StandIn("/files/launcher/ZANTLauncher.exe"))}),
            ("SeriesImage", {"Version": BANNER_VERSION,
                             "File": self.serve(Blob("/files/banner/series.bmp", banner_bitmap()))}),
            ("Schedule", {"Events": len(EVENTS)}),
        ]
        sections += [(f"Event {i}", self.section(event)) for i, event in enumerate(EVENTS, 1)]
        for word, items in CATALOG.items():
            sections.append((COUNT_SECTIONS[word], {"Count": len(items)}))
            sections += [(f"{word} {i}", self.section(item)) for i, item in enumerate(items, 1)]
        return ini_text(sections)

    def partner_file(self) -> bytes:
        sections = [("Application", {"GRDID": PARTNER_LEAGUE_ID, "Name": "Harbour League"}),
                    ("Cars", {"Count": len(PARTNER_CARS)})]
        sections += [(f"Car {i}", self.section(car)) for i, car in enumerate(PARTNER_CARS, 1)]
        sections.append(("Setups", {"Count": len(PARTNER_SETUPS)}))
        sections += [(f"Setup {i}", self.section(s)) for i, s in enumerate(PARTNER_SETUPS, 1)]
        return ini_text(sections)

    def write(self) -> None:
        if os.path.isdir(self.www):
            shutil.rmtree(self.www)
        os.makedirs(self.www)
        events = self.events_file()
        # The dedicated server asks with "Y", players with "N"; both get the same league.
        self.put("/schedule/launcher-N.ini", events)
        self.put("/schedule/launcher-Y.ini", events)
        self.put(PARTNER_CONTENT, self.partner_file())
        self.put("/DirectX9c.zip", zip_bytes(Zip("/DirectX9c.zip", {
            "DirectX9c/readme.txt": "Stand-in for the DirectX 9 package of the demo league.\r\n"})))
        self.put("/index.html", page("Gridline Leagues", "<p>The demo league of the ZANT Launcher.</p>"
                                     + join_links() + series_links()))
        self.put("/schedule/info/index.html", page("Series", series_links()))
        for number, name in SERIES.items():
            self.put(f"/schedule/info/series-{number}.html",
                     page(name, f"<p>Series {number}: {name}.</p><p><a href=\"/\">Gridline Leagues</a></p>"))

        errors = os.path.join(self.state, "errors")
        os.makedirs(errors, exist_ok=True)
        # The launcher reads the first line of a refused reply and looks for these words.
        for status, text in ((401, "401 Authorization Required"), (404, "404 Not Found")):
            with open(os.path.join(errors, f"status-{status}.html"), "wb") as f:
                f.write(f"<html><head><title>{text}</title></head><body><h1>{text}</h1></body></html>\n"
                        .encode("ascii"))
        with open(os.path.join(self.state, "partner-users"), "w", encoding="ascii") as f:
            f.write(f"{PARTNER_USER}:{PARTNER_PASSWORD}\n")
        save_config(os.path.join(self.state, "raceservers.json"), RACE_SERVERS)


def zip_bytes(archive: Zip) -> bytes:
    buffer = io.BytesIO()
    stamp = archive.date + (12, 0, 0)
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as z:
        for name, content in archive.entries.items():
            info = zipfile.ZipInfo(name, stamp)
            if name.endswith("/"):
                info.external_attr = 0o40755 << 16 | 0x10  # the folder bit the extractor looks at
                z.writestr(info, b"")
            else:
                info.compress_type = zipfile.ZIP_DEFLATED
                info.external_attr = 0o644 << 16
                z.writestr(info, content.encode("latin-1") if isinstance(content, str) else content)
    return buffer.getvalue()


def page(title: str, body: str) -> bytes:
    return (f"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>{title}</title></head>\n"
            f"<body><h1>{title}</h1>\n{body}\n</body></html>\n").encode("utf-8")


def join_links() -> str:
    """The schedule with a join link per race: one click starts (or wakes) the
    launcher on that event."""
    items = "".join(f"<li>{e['Date']}: {e['Name']} at {e['Track']} "
                    f"<a href=\"zant://event/{e['ID']}\">Join</a></li>" for e in EVENTS)
    return f"<h2>Races</h2><ul>{items}</ul>"


def series_links() -> str:
    items = "".join(f"<li><a href=\"/schedule/info.php?Series={n}\">{name}</a></li>" for n, name in SERIES.items())
    return f"<ul>{items}</ul>"

def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("state")
    parser.add_argument("--standin", default="", help="the built stand-in program (zant_standin.exe)")
    args = parser.parse_args()
    writer = Writer(os.path.abspath(args.state), args.standin)
    writer.write()
    if writer.missing_standins:
        print("league: the stand-in program is not built, so these addresses answer 404: "
              + ", ".join(writer.missing_standins), file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
