#!/usr/bin/env python3
"""Checks of the demo league.

The offline checks generate the league into a temporary folder and read it
the way the launcher does. The live check (ZANT_DEMO_LIVE=1, as root, best
inside `unshare --net`) starts demo/league.sh with a state folder of its own,
fetches every address, asks every race server and stops it again.
"""
import configparser
import os
import socket
import struct
import subprocess
import sys
import tempfile
import unittest
import urllib.error
import urllib.request
import zipfile

sys.dont_write_bytecode = True  # keep the source folder clean
import league  # noqa: E402
import raceserver  # noqa: E402

DEMO = os.path.dirname(os.path.abspath(__file__))


def read_ini(path):
    parser = configparser.ConfigParser(interpolation=None, strict=False)
    parser.optionxform = str
    with open(path, encoding="latin-1") as f:
        parser.read_string(f.read())
    return parser


def unscramble(value, key=league.SCRAMBLE_KEY):
    """The launcher's rule, written out independently of league.scramble."""
    data = bytearray(64)
    digits = "0123456789abcdefABCDEF"
    count = min(len(value) // 2, 63)
    for i in range(count):
        high, low = value[2 * i], value[2 * i + 1]
        if high not in digits:
            continue
        data[i] = int(high, 16) * 16 + int(low, 16) if low in digits else int(high, 16)
    length = data.index(0)
    return bytes((data[j] - ord(key[j % len(key)])) % 256 for j in range(length)).decode("latin-1")


class ScramblerTest(unittest.TestCase):
    def test_known_values(self):
        cases = [
            ("", ""),
            ("a", "AC"),                       # 'a' + 'K'
            ("pitlane", "BBBAC19E919F9E"),
            ("\xf0", "3B"),                    # wraps past 255
        ]
        for clear, scrambled in cases:
            self.assertEqual(league.scramble(clear), scrambled, clear)

    def test_twelfth_byte_reuses_first_key_character(self):
        self.assertEqual(league.scramble("a" * 12)[22:], "AC")

    def test_round_trip_through_the_launcher_rule(self):
        for clear in ("harbourfan", "tide42", "x" * 63, "Pass word!~"):
            self.assertEqual(unscramble(league.scramble(clear)), clear)

    def test_refuses_what_the_launcher_cannot_read_back(self):
        with self.assertRaises(ValueError):
            league.scramble("x" * 64)
        with self.assertRaises(ValueError):
            league.scramble(chr(256 - ord("K")))  # would scramble to a zero byte


class StatusReplyTest(unittest.TestCase):
    def test_fields_sit_at_the_offsets_the_launcher_reads(self):
        server = raceserver.RaceServer(54297, "Name", "CUP", "Kestrel Speedway", "Mod", session=5,
                                       session_seconds=754, laps_to_go=20, drivers=24, max_players=43)
        reply = raceserver.build_reply(server)
        self.assertEqual(reply[25:29], b"CUP\0")
        self.assertEqual(reply[45:50], b"Name\0")
        self.assertEqual(reply[73:90], b"Kestrel Speedway\0")
        self.assertEqual(reply[105:109], b"Mod\0")
        self.assertEqual(reply[207], 24)
        self.assertEqual(reply[210] >> 5, 5)
        self.assertEqual(struct.unpack_from("<H", reply, 217)[0], 754)
        self.assertEqual(struct.unpack_from("<H", reply, 219)[0], 0x0140)

    def test_short_reply_reads_as_zeros(self):
        reply = raceserver.build_reply(league.RACE_SERVERS[0])[:100]
        status = raceserver.decode_reply(reply)
        self.assertEqual(status["track"], "Kestrel Speedway")
        self.assertEqual((status["mod"], status["drivers"], status["session"]), ("", 0, 0))

    def test_text_too_long_for_its_field_is_refused(self):
        with self.assertRaises(ValueError):
            raceserver.build_reply(raceserver.RaceServer(1, "n", "x" * 20, "t", "m", session=0))


# What demo/README.md promises; tests of the launcher rely on it.
DOCUMENTED_EVENTS = [  # ID, track, port, answers, server track
    (101, "Kestrel Speedway", 54297, True, "Kestrel Speedway"),
    (102, "Marlow Raceway", 54298, True, "Marlow Raceway"),
    (103, "Bramble Hill", 54299, True, "Eastfield Motor Speedway"),
    (104, "Kestrel Speedway", 54300, False, None),
    (105, "Marlow Raceway", 54301, True, "Marlow Raceway"),
]
DOCUMENTED_SERVERS = {  # port: class, track, session, seconds, laps to go, drivers
    54297: ("CUP", "Kestrel Speedway", 5, 0, 42, 24),
    54298: ("GNS", "Marlow Raceway", 2, 1500, 0, 12),
    54299: ("TRUCK", "Eastfield Motor Speedway", 1, 2700, 0, 5),
    54301: ("NW", "Marlow Raceway", 3, 754, 0, 8),
}
DOCUMENTED_IDS = {"Sims": [1, 2, 3], "Tracks": [201, 202, 203, 204], "Mods": [301, 302, 303, 304],
                  "Cars": [401, 402, 403, 404], "Setups": [501, 502]}


class GeneratedLeagueTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.state = cls.folder.name
        standin = os.path.join(cls.state, "standin.exe")
        with open(standin, "wb") as f:
            f.write(b"MZ")
        league.Writer(cls.state, standin).write()
        cls.www = os.path.join(cls.state, "www")
        cls.events = read_ini(os.path.join(cls.www, "schedule", "launcher-N.ini"))
        cls.partner = read_ini(os.path.join(cls.www, "partner", "harbour", "league.ini"))

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def local(self, address):
        self.assertTrue(address.startswith(league.WEB + "/"), address)
        return os.path.join(self.www, address[len(league.WEB) + 1:])

    def test_events_match_the_documentation(self):
        servers = {s.port: s for s in league.RACE_SERVERS}
        self.assertEqual(self.events.getint("Schedule", "Events"), len(DOCUMENTED_EVENTS))
        for i, (event_id, track, port, answers, server_track) in enumerate(DOCUMENTED_EVENTS, 1):
            section = self.events[f"Event {i}"]
            self.assertEqual(section.getint("ID"), event_id)
            self.assertEqual(section["Track"], track)
            self.assertEqual(section["Server"], f"127.0.0.1:{port}")
            self.assertEqual(port in servers, answers, event_id)
            if answers:
                self.assertEqual(servers[port].track, server_track)

    def test_race_servers_match_the_documentation(self):
        for server in league.RACE_SERVERS:
            status = raceserver.decode_reply(raceserver.build_reply(server))
            self.assertEqual(DOCUMENTED_SERVERS[server.port],
                             (status["vehicle_class"], status["track"], status["session"],
                              status["session_seconds"], status["laps_to_go"], status["drivers"]))
        self.assertEqual(sorted(s.port for s in league.RACE_SERVERS), sorted(DOCUMENTED_SERVERS))

    def test_catalog_ids_match_the_documentation(self):
        for count_section, ids in DOCUMENTED_IDS.items():
            word = {v: k for k, v in league.COUNT_SECTIONS.items()}[count_section]
            count = self.events.getint(count_section, "Count")
            self.assertEqual([self.events.getint(f"{word} {i}", "ID") for i in range(1, count + 1)], ids)

    def test_credentials_unscramble_to_the_documented_ones(self):
        self.assertEqual(unscramble(self.events["Event 1"]["ServerPassword"]), "pitlane")
        partner = self.events["Event 5"]
        self.assertEqual(unscramble(partner["GRDUsername"]), "harbourfan")
        self.assertEqual(unscramble(partner["GRDPassword"]), "tide42")
        with open(os.path.join(self.state, "partner-users")) as f:
            self.assertEqual(f.read().strip(), "harbourfan:tide42")
        self.assertTrue(os.path.isfile(self.local(partner["GRD"])))

    def test_every_address_is_served(self):
        for parser in (self.events, self.partner):
            for name in parser.sections():
                for key, value in parser[name].items():
                    if value.startswith("http://"):
                        self.assertTrue(os.path.isfile(self.local(value)), f"[{name}] {key}={value}")

    def test_installable_items_are_archives_with_safe_names(self):
        for parser in (self.events, self.partner):
            for name in parser.sections():
                section = parser[name]
                if section.get("File Type") != "1":
                    continue
                with zipfile.ZipFile(self.local(section["File"])) as archive:
                    names = archive.namelist()
                    self.assertIsNone(archive.testzip(), name)
                self.assertTrue(names, name)
                for entry in names:
                    self.assertFalse(entry.startswith("/") or ".." in entry.split("/"), entry)
                if name.startswith("Setup "):
                    # Setups unpack into each profile's Settings folder, one folder per track.
                    self.assertTrue(all(n.startswith(section["Track"] + "/") for n in names), names)

    def test_partner_league_file_is_valid(self):
        self.assertEqual(self.partner.getint("Application", "GRDID"), 12)
        self.assertEqual(self.partner.getint("Cars", "Count"), 3)
        for i in range(1, 4):
            self.assertTrue(self.partner[f"Car {i}"]["File"].startswith(league.WEB + "/partner/"))

    def test_banner_holds_an_image_for_every_event(self):
        with open(self.local(self.events["SeriesImage"]["File"]), "rb") as f:
            header = f.read(54)
        width, height = struct.unpack_from("<ii", header, 18)
        bits = struct.unpack_from("<H", header, 28)[0]
        self.assertEqual((height, bits, width % 150), (36, 24, 0))
        images = width // 150
        for i in range(1, self.events.getint("Schedule", "Events") + 1):
            self.assertLess(self.events.getint(f"Event {i}", "ImageIndex"), images)
        self.assertGreater(self.events.getint("SeriesImage", "Version"), 22)

    def test_no_update_is_offered_by_default(self):
        self.assertEqual(self.events["Application"]["Version"], "1.8.3.0")

    def test_refusal_pages_carry_the_words_the_launcher_looks_for(self):
        for status, words in ((401, "AUTHORIZATION REQUIRED"), (404, "NOT FOUND")):
            with open(os.path.join(self.state, "errors", f"status-{status}.html")) as f:
                self.assertIn(words, f.readline().upper())


# scripts/ctest.sh runs the tests in a private network namespace, where port 80 is free.
@unittest.skipUnless(os.getuid() == 0 and "1" in (os.environ.get("ZANT_DEMO_LIVE"), os.environ.get("ZANT_IN_NETNS")),
                     "needs root and a free port 80: set ZANT_DEMO_LIVE=1")
class LiveLeagueTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.env = dict(os.environ, ZANT_DEMO_STATE=cls.folder.name)
        cls.league("start")

    @classmethod
    def tearDownClass(cls):
        cls.league("stop")
        cls.folder.cleanup()

    @classmethod
    def league(cls, command):
        return subprocess.run(["bash", os.path.join(DEMO, "league.sh"), command], env=cls.env,
                              capture_output=True, text=True, check=command != "status")

    def fetch(self, path, user=None, password=None):
        handlers = []
        if user:
            manager = urllib.request.HTTPPasswordMgrWithDefaultRealm()
            manager.add_password(None, league.WEB, user, password)
            handlers.append(urllib.request.HTTPBasicAuthHandler(manager))
        handlers.append(urllib.request.ProxyHandler({}))
        try:
            with urllib.request.build_opener(*handlers).open(league.WEB + path, timeout=5) as response:
                return response.status, response.read()
        except urllib.error.HTTPError as error:
            return error.code, error.read()

    def test_addresses(self):
        cases = [
            ("/schedule/launcher.php?server=N", 200, b"[Application]"),
            ("/schedule/launcher.php?server=Y", 200, b"[Schedule]"),
            ("/schedule/launcher.php?server=Q", 404, b"Not Found"),
            ("/schedule/info.php?Series=2", 200, b"Gridline GNS"),
            ("/schedule/info.php", 200, b"Series"),
            ("/?launcher=1", 200, b"zant://event/101"),
            ("/DirectX9c.zip", 200, b"PK"),
            ("/files/tracks/kestrel-speedway.zip", 200, b"PK"),
            ("/partner/harbour/league.ini", 401, b"Authorization Required"),
        ]
        for path, status, content in cases:
            got_status, body = self.fetch(path)
            self.assertEqual(got_status, status, path)
            self.assertIn(content, body, path)

    def test_partner_content_needs_the_login(self):
        status, body = self.fetch("/partner/harbour/league.ini", "harbourfan", "tide42")
        self.assertEqual(status, 200)
        self.assertIn(b"GRDID=12", body)
        status, _ = self.fetch("/partner/harbour/league.ini", "harbourfan", "wrong")
        self.assertEqual(status, 401)

    def test_race_servers(self):
        for _, _, port, answers, server_track in DOCUMENTED_EVENTS:
            with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
                sock.settimeout(0.5)
                sock.sendto(raceserver.REQUEST, ("127.0.0.1", port))
                try:
                    reply = sock.recv(2048)
                except (socket.timeout, ConnectionRefusedError):
                    reply = None
            self.assertEqual(reply is not None, answers, port)
            if reply:
                self.assertEqual(raceserver.decode_reply(reply)["track"], server_track)

    def test_status_reports_both_servers(self):
        self.assertEqual(self.league("status").returncode, 0)


if __name__ == "__main__":
    unittest.main()
