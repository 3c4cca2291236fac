#!/usr/bin/env python3
"""HTTP server for the download benchmark: serves the files of a folder with
an entity tag and byte ranges (Range, If-Range), cuts the first answer for
a path under /cut/ once 60% of the body has gone out, and paces paths under
/slow/ at 1 MB/s. Every answer's body
bytes are logged as "sent <path> <range start> <bytes>" to the log file.

Usage: range_server.py <folder> <port> <log file>
"""
import http.server
import os
import re
import socketserver
import urllib.parse
import sys
import time

FOLDER, PORT, LOG = sys.argv[1], int(sys.argv[2]), sys.argv[3]
CUT_SHARE = 0.6
SLOW_RATE = 1_000_000  # bytes a second under /slow/
SLOW_CHUNK = 10_000
cut_done = set()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        path = self.path  # with its query: each run of a cut transfer has its own
        cut = path.startswith("/cut/")
        slow = path.startswith("/slow/")
        name = os.path.join(FOLDER, os.path.basename(urllib.parse.urlsplit(path).path))
        if not os.path.isfile(name):
            self.send_error(404)
            return
        size = os.path.getsize(name)
        etag = '"%x-%x"' % (size, int(os.path.getmtime(name)))
        start = 0
        match = re.fullmatch(r"bytes=(\d+)-", self.headers.get("Range", ""))
        if match and self.headers.get("If-Range", etag) == etag and int(match.group(1)) < size:
            start = int(match.group(1))
        self.send_response(206 if start else 200)
        self.send_header("Content-Length", str(size - start))
        self.send_header("ETag", etag)
        self.send_header("Accept-Ranges", "bytes")
        if start:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, size - 1, size))
        self.end_headers()
        end = size
        if cut and path not in cut_done and not start:
            cut_done.add(path)
            end = int(size * CUT_SHARE)
            self.close_connection = True
        # Copied as Python's own file server copies (64 KiB at a time), the
        # server the clients were measured against before it served ranges.
        sent = 0
        with open(name, "rb") as body:
            body.seek(start)
            while sent < end - start:
                chunk = body.read(min(SLOW_CHUNK if slow else 65536, end - start - sent))
                if not chunk:
                    break
                try:
                    self.wfile.write(chunk)
                except OSError:
                    break
                sent += len(chunk)
                if slow:
                    time.sleep(len(chunk) / SLOW_RATE)
        with open(LOG, "a") as log:
            log.write("sent %s %d %d\n" % (path, start, sent))


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


Server(("127.0.0.1", PORT), Handler).serve_forever()
