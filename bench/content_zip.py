#!/usr/bin/env python3
"""Writes the benchmarks' content archive: small files of text-like data and
large ones half random, so deflate has real work in both, as in a track or
car archive.

Usage: content_zip.py <archive> <small files> <large files> <MB per large file>
"""
import os, random, sys, zipfile
path, small, large, large_mb = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
rng = random.Random(7)
words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))) for _ in range(500)]
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
    for i in range(small):
        size = rng.randint(2_000, 40_000)
        text = bytearray()
        while len(text) < size:
            text += rng.choice(words) + b" = " + str(rng.randint(0, 99999)).encode() + b"\r\n"
        archive.writestr(f"GameData/Locations/track{i // 100:02d}/file{i:05d}.gdb", bytes(text[:size]))
    block = 1 << 15
    fillers = []
    for _ in range(16):
        text = bytearray()
        while len(text) < block:
            text += rng.choice(words) + b" "
        fillers.append(bytes(text[:block]))
    for i in range(large):
        with archive.open(f"GameData/Vehicles/big{i}.mas", "w", force_zip64=True) as out:
            for n in range(large_mb * (1 << 20) // (2 * block)):
                out.write(os.urandom(block) + fillers[n % 16])
