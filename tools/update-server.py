#!/usr/bin/env python3
"""A static update server on 127.0.0.1 for the demo and the download benchmark.

    update-server.py ROOT [--port N] [--port-file FILE] [--max-seconds S] [--quiet]

Serves the files under ROOT by GET, ignoring the query string, which is all a
ZvAutoUpdate feed needs: the library's query parameters (format, program,
program_language, program_platform, program_version) may be used by a server
that picks an answer per program, but a plain file server works too.

Unless --quiet, every request is printed as "server: GET <path and query> -> <status> (<bytes>)"
so that the demo shows what the library asked. With --port 0 (the default) a
free port is chosen; the port is printed as "server: listening on
http://127.0.0.1:<port>/" and written to --port-file. The server stops by
itself after --max-seconds (default 600) or on SIGTERM/SIGINT.
"""

import argparse
import http.server
import os
import signal
import sys
import threading
import urllib.parse


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "ZvUpdateServer/1.0"
    root = "."
    quiet = False

    def log_message(self, format, *args):
        pass  # one line per request is written by report() instead

    def report(self, status, size):
        if not self.quiet:
            print(f"server: GET {self.path} -> {status} ({size} bytes)", flush=True)

    def do_GET(self):
        path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path)
        parts = [p for p in path.split("/") if p not in ("", ".", "..")]
        local = os.path.join(self.root, *parts)
        if not parts or not os.path.isfile(local):
            body = b"not found\n"
            self.report(404, len(body))
            self.send_response(404)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
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
            # The kernel copies the file: the server is never the bottleneck
            # of a download measurement.
            sent = 0
            try:
                while sent < size:
                    n = self.connection.sendfile(f, sent, size - sent)
                    if n == 0:
                        break
                    sent += n
            except (BrokenPipeError, ConnectionResetError):
                pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("root")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--max-seconds", type=float, default=600)
    parser.add_argument("--quiet", action="store_true")
    args = parser.parse_args()

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
