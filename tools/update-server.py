#!/usr/bin/env python3
"""A static update server on 127.0.0.1 for the demo and the download benchmark.

    update-server.py ROOT [--port N] [--port-file FILE] [--max-seconds S] [--quiet]
                     [--delay NAME=SECONDS]... [--spread NAME=SECONDS]...

Serves the files under ROOT by GET. Of the library's query parameters
(format, program, program_language, program_platform, program_version) it
looks at one, as a real update server would: a patch description (.xml file
with a <patch version="..."> attribute) is answered with 404, "no update",
when program_version is already that version or newer. Everything else is a
plain file server.

--delay NAME=SECONDS answers requests for the file NAME only after SECONDS;
--spread NAME=SECONDS sends the body of NAME in pieces over SECONDS, so that
a small download shows its progress.

Unless --quiet, every request is printed as "server: GET <path and query> -> <status> (<bytes>)"
so that the demo shows what the library asked. With --port 0 (the default) a
free port is chosen; the port is printed as "server: listening on
http://127.0.0.1:<port>/" and written to --port-file. The server stops by
itself after --max-seconds (default 600) or on SIGTERM/SIGINT.
"""

import argparse
import http.server
import os
import re
import signal
import sys
import threading
import time
import urllib.parse


def version_tuple(text):
    """A dotted version as four numbers, or None when it is not one."""
    parts = text.strip().split(".")
    if not 1 <= len(parts) <= 4 or not all(p.isdigit() for p in parts):
        return None
    return tuple(int(p) for p in parts) + (0,) * (4 - len(parts))


def offered_version(path):
    """The version attribute of the <patch> element of a feed file, or None."""
    try:
        with open(path, "rb") as f:
            head = f.read(64 * 1024).decode("utf-8", "replace")
    except OSError:
        return None
    match = re.search(r'<patch\b[^>]*\sversion="([^"]*)"', head)
    return version_tuple(match.group(1)) if match else None


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "ZvUpdateServer/1.0"
    root = "."
    quiet = False
    delays = {}   # file name -> seconds before the answer
    spreads = {}  # file name -> seconds over which the body is sent

    def log_message(self, format, *args):
        pass  # one line per request is written by report() instead

    def report(self, status, size):
        if not self.quiet:
            print(f"server: GET {self.path} -> {status} ({size} bytes)", flush=True)

    def not_found(self, body):
        self.report(404, len(body))
        self.send_response(404)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        split = urllib.parse.urlsplit(self.path)
        path = urllib.parse.unquote(split.path)
        parts = [p for p in path.split("/") if p not in ("", ".", "..")]
        local = os.path.join(self.root, *parts)
        if not parts or not os.path.isfile(local):
            self.not_found(b"not found\n")
            return
        name = parts[-1]
        if name in self.delays:
            time.sleep(self.delays[name])
        if local.endswith(".xml"):
            query = urllib.parse.parse_qs(split.query)
            asking = version_tuple(query.get("program_version", [""])[0])
            offered = offered_version(local)
            if asking and offered and asking >= offered:
                self.not_found(b"no update\n")
                return
        size = os.path.getsize(local)
        kind = "text/xml" if local.endswith(".xml") else \
            "text/html" if local.endswith(".html") else "application/octet-stream"
        # Reported before the answer goes out, so that the line comes before
        # whatever the client prints about it.
        self.report(200, size)
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(size))
        self.end_headers()
        self.wfile.flush()
        with open(local, "rb") as f:
            try:
                if name in self.spreads:
                    self.send_spread(f, size, self.spreads[name])
                    return
                # The kernel copies the file: the server is never the
                # bottleneck of a download measurement.
                sent = 0
                while sent < size:
                    n = self.connection.sendfile(f, sent, size - sent)
                    if n == 0:
                        break
                    sent += n
            except (BrokenPipeError, ConnectionResetError):
                pass

    def send_spread(self, f, size, seconds):
        pieces = 20
        piece = max(1, -(-size // pieces))
        while True:
            data = f.read(piece)
            if not data:
                break
            self.wfile.write(data)
            self.wfile.flush()
            time.sleep(seconds / pieces)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("root")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--max-seconds", type=float, default=600)
    parser.add_argument("--quiet", action="store_true")
    parser.add_argument("--delay", action="append", default=[], metavar="NAME=SECONDS")
    parser.add_argument("--spread", action="append", default=[], metavar="NAME=SECONDS")
    args = parser.parse_args()

    def per_file(options, flag):
        table = {}
        for option in options:
            name, _, seconds = option.partition("=")
            try:
                table[name] = float(seconds)
            except ValueError:
                parser.error(f"{flag} {option}: expected NAME=SECONDS")
        return table

    Handler.delays = per_file(args.delay, "--delay")
    Handler.spreads = per_file(args.spread, "--spread")

    Handler.root = os.path.abspath(args.root)
    Handler.quiet = args.quiet
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    port = server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write(f"{port}\n")
        os.replace(tmp, args.port_file)
    if not args.quiet:
        print(f"server: listening on http://127.0.0.1:{port}/ (serving {Handler.root})", flush=True)

    def stop(*_):
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    timer = threading.Timer(args.max_seconds, stop)
    timer.daemon = True
    timer.start()
    server.serve_forever()
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
