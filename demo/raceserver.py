#!/usr/bin/env python3
"""Race servers of the demo league.

One process answers the sim's status request on several UDP ports of
127.0.0.1, each port with the state of one race server, and a small client
asks one of them and prints what the launcher would read from the reply.

Usage:
  raceserver.py serve CONFIG.json [--pid-file FILE] [--log FILE]
  raceserver.py query [HOST:]PORT
"""
import argparse
import json
import os
import selectors
import signal
import socket
import struct
import sys
import time
from dataclasses import dataclass, asdict

REQUEST = b"rF_S\0"
REPLY_SIZE = 224
HOST = "127.0.0.1"

# Where the launcher reads each field of a reply. Texts run to their zero
# byte, so each must end before the next field starts.
VALUE_17 = 17
VEHICLE_CLASS = 25
SERVER_NAME = 45
TRACK = 73
MOD_NAME = 105
MAX_PLAYERS = 206
DRIVERS = 207
SESSION = 210
SESSION_SECONDS = 217
LAPS = 219
TEXT_FIELDS = {
    "vehicle_class": (VEHICLE_CLASS, SERVER_NAME),
    "name": (SERVER_NAME, TRACK),
    "track": (TRACK, MOD_NAME),
    "mod": (MOD_NAME, MAX_PLAYERS),
}
SESSION_NAMES = ["Practice", "Practice", "Qualifying", "Warmup", "Race", "Race", "Race", "Race"]


@dataclass
class RaceServer:
    """What one race server reports about itself."""
    port: int
    name: str
    vehicle_class: str
    track: str
    mod: str
    session: int              # 0-1 practice, 2 qualifying, 3 warm-up, 4-7 race
    session_seconds: int = 0  # shown in minutes outside races
    laps_to_go: int = 0       # shown in races
    drivers: int = 0
    max_players: int = 40
    version: int = 1255       # the 16-bit value at offset 17


def build_reply(server: RaceServer) -> bytes:
    reply = bytearray(REPLY_SIZE)
    for attribute, (start, end) in TEXT_FIELDS.items():
        text = getattr(server, attribute).encode("ascii")
        if len(text) >= end - start:
            raise ValueError(f"{attribute} {text!r} of port {server.port} is longer than {end - start - 1} bytes")
        reply[start:start + len(text)] = text
    if not 0 <= server.session <= 7 or not 0 <= server.drivers <= 255:
        raise ValueError(f"session or driver count of port {server.port} out of range")
    struct.pack_into("<H", reply, VALUE_17, server.version)
    reply[MAX_PLAYERS] = server.max_players
    reply[DRIVERS] = server.drivers
    reply[SESSION] = server.session << 5
    struct.pack_into("<H", reply, SESSION_SECONDS, server.session_seconds)
    struct.pack_into("<H", reply, LAPS, server.laps_to_go * 16)
    return bytes(reply)


def decode_reply(reply: bytes) -> dict:
    """The fields as the launcher reads them: a zeroed 1024-byte buffer holding the reply."""
    buffer = reply[:1023].ljust(1024, b"\0")

    def text(offset):
        return buffer[offset:buffer.index(b"\0", offset)].decode("latin-1")

    def word(offset):
        return struct.unpack_from("<H", buffer, offset)[0]

    return {
        "vehicle_class": text(VEHICLE_CLASS),
        "name": text(SERVER_NAME),
        "track": text(TRACK),
        "mod": text(MOD_NAME),
        "session": buffer[SESSION] >> 5,
        "session_seconds": word(SESSION_SECONDS),
        "laps_to_go": word(LAPS) // 16,
        "drivers": buffer[DRIVERS],
        "max_players": buffer[MAX_PLAYERS],
        "version": word(VALUE_17),
    }


def session_text(status: dict) -> str:
    """The launcher's Session column for a decoded reply, for the README and the checks."""
    short = {"NW": "GNS", "CUP": "Cup", "Cup2016": "Cup"}.get(status["vehicle_class"], status["vehicle_class"])
    name = SESSION_NAMES[status["session"]]
    if status["session"] >= 4:
        return f"{short} {name} {status['laps_to_go']} to go"
    return f"{short} {name} {status['session_seconds'] // 60}min"


def load_config(path: str) -> list:
    with open(path, encoding="utf-8") as f:
        return [RaceServer(**entry) for entry in json.load(f)]


def save_config(path: str, servers: list) -> None:
    with open(path, "w", encoding="utf-8") as f:
        json.dump([asdict(s) for s in servers], f, indent=2)
        f.write("\n")


class Stopped(Exception):
    pass


def _stop(*_):
    raise Stopped()


def serve(config: str, pid_file: str, log_file: str) -> int:
    servers = load_config(config)
    replies = {s.port: build_reply(s) for s in servers}
    selector = selectors.DefaultSelector()
    for port in replies:
        sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        try:
            sock.bind((HOST, port))
        except OSError as error:
            print(f"raceserver: cannot listen on {HOST}:{port} (UDP): {error.strerror}", file=sys.stderr)
            return 1
        selector.register(sock, selectors.EVENT_READ, port)

    signal.signal(signal.SIGTERM, _stop)
    signal.signal(signal.SIGINT, _stop)
    log = open(log_file, "a", encoding="utf-8", buffering=1) if log_file else None
    # The pid file appears only once every port listens: the start script waits for it.
    if pid_file:
        with open(pid_file + ".tmp", "w") as f:
            f.write(f"{os.getpid()}\n")
        os.replace(pid_file + ".tmp", pid_file)
    try:
        while True:
            for key, _ in selector.select():
                try:
                    data, sender = key.fileobj.recvfrom(2048)
                except OSError:
                    continue
                if not data.startswith(REQUEST[:4]):
                    continue
                key.fileobj.sendto(replies[key.data], sender)
                if log:
                    log.write(f"{time.strftime('%H:%M:%S')} port {key.data} asked by {sender[0]}:{sender[1]}\n")
    except Stopped:
        pass
    finally:
        if pid_file and os.path.exists(pid_file):
            os.remove(pid_file)
    return 0


def query(address: str) -> int:
    host, _, port = address.rpartition(":")
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        sock.settimeout(1.0)
        sock.sendto(REQUEST, (host or HOST, int(port)))
        try:
            reply, _ = sock.recvfrom(2048)
        except (socket.timeout, ConnectionRefusedError):
            print(f"no answer from {host or HOST}:{port}")
            return 1
    status = decode_reply(reply)
    for name, value in status.items():
        print(f"{name}: {value}")
    print(f"session text: {session_text(status)}")
    return 0


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    serve_parser = commands.add_parser("serve")
    serve_parser.add_argument("config")
    serve_parser.add_argument("--pid-file", default="")
    serve_parser.add_argument("--log", default="")
    query_parser = commands.add_parser("query")
    query_parser.add_argument("address")
    args = parser.parse_args()
    if args.command == "serve":
        return serve(args.config, args.pid_file, args.log)
    return query(args.address)


if __name__ == "__main__":
    sys.exit(main())
