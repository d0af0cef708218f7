"""ZvAutoUpdate feed server: a WSGI application that answers the library's
update query from the patch documents in a folder.

The folder (the feed root) holds one folder per program:

    ROOT/<program>/win-x64.xml        the patch document for 64-bit hosts
    ROOT/<program>/win-x86.xml        ... for 32-bit hosts
    ROOT/<program>/any.xml            for every platform, and for hosts that send none
    ROOT/<program>/win-x64.de.xml     a language variant (any of the above + ".<language>")
    ROOT/<program>/<installer>.exe    installers may lie beside them (served as files)

Documents are made with `zvfeed make`. The query the library sends,

    GET <path>?format=html&program=P&program_language=L&program_platform=win-x64&program_version=V

is answered with the document for P and the platform (else any.xml), in the
language L (else its primary language, "de" for "de-AT", else the document
without a language):

    200 and the document     when it offers a version above program_version
    200 and <noupdate/>      when program_version is at or above the offered version
    404                      when there is no document for the program and platform
    400                      when program is missing or is not a plain name

Every answer carries its length. Any other GET is served as a file of the
feed root (installers), unless serve_files is off.

Run it under any WSGI server, for example Debian's gunicorn:

    ZVFEED_ROOT=/srv/zvfeed gunicorn --chdir /opt/zvautoupdate/feed -b 127.0.0.1:8000 zvfeed_server:application

or `python3 zvfeed_server.py ROOT [--port N]` for a local test. Standard library only.
"""

import os
import re
import sys
import threading
import urllib.parse
import xml.parsers.expat

PLATFORMS = ("win-x86", "win-x64")
PLAIN_NAME = re.compile(r"^[A-Za-z0-9][A-Za-z0-9 ._+-]*$")
LANGUAGE = re.compile(r"^[A-Za-z0-9]+([-_][A-Za-z0-9]+)*$")
NO_UPDATE = (b'<?xml version="1.0" encoding="utf-8"?>\n'
             # No url, filesize or version attribute anywhere: the library
             # reads those from any element.
             b"<noupdate/>\n")
MAX_DOCUMENT = 1024 * 1024


def wcstoul(text):
    """One part of a version, read as the library reads it (decimal, leading
    blanks and a sign allowed, 32 bits, saturating)."""
    match = re.match(r"[ \t\n\v\f\r]*([+-]?)([0-9]*)", text)
    if not match.group(2):
        return 0
    value = int(match.group(2))
    if value > 0xFFFFFFFF:
        return 0xFFFFFFFF
    return (-value) & 0xFFFFFFFF if match.group(1) == "-" else value


def library_version(text):
    """A version text as the library compares it: up to four dot-separated
    parts (a leading dot opens no part, empty parts inside count as 0)."""
    tokens = text.split(".")
    if tokens and tokens[0] == "":
        tokens = tokens[1:]
    if tokens and tokens[-1] == "":
        tokens = tokens[:-1]
    parts = [wcstoul(t) for t in tokens[:4]]
    return tuple(parts + [0] * (4 - len(parts)))


def offered_version(data):
    """The version a patch document offers: its last "version" attribute on
    any element, as the library reads it; None when it offers none."""
    found = []
    parser = xml.parsers.expat.ParserCreate()

    def start(name, attrs):
        if "version" in attrs:
            found.append(attrs["version"])

    parser.StartElementHandler = start
    try:
        parser.Parse(data, True)
    except xml.parsers.expat.ExpatError:
        return None
    if not found:
        return None
    version = library_version(found[-1])
    return version if any(version) else None


class FeedApp:
    """The application for one feed root. log: True writes one line per query
    to standard error, a callable receives it instead, False keeps quiet."""

    def __init__(self, root, serve_files=True, log=True):
        self.root = os.path.realpath(root)
        self.serve_files = serve_files
        self.log = log
        self._cache = {}
        self._lock = threading.Lock()

    # -- documents

    def _document(self, path):
        """(bytes, offered version) of a document file, cached by its size and
        modification time (and the file itself, for a document replaced by a
        rename), so that a new document is served at once."""
        try:
            stat = os.stat(path)
        except OSError:
            return None
        key = (stat.st_ino, stat.st_mtime_ns, stat.st_size)
        with self._lock:
            cached = self._cache.get(path)
        if cached and cached[0] == key:
            return cached[1]
        if stat.st_size > MAX_DOCUMENT:
            return None
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError:
            return None
        entry = (data, offered_version(data))
        with self._lock:
            self._cache[path] = (key, entry)
        return entry

    def candidates(self, program, platform, language):
        languages = []
        if language and LANGUAGE.match(language):
            language = language.lower().replace("_", "-")
            languages.append(language)
            primary = language.split("-")[0]
            if primary != language:
                languages.append(primary)
        names = []
        for base in ([platform] if platform in PLATFORMS else []) + ["any"]:
            names += ["%s.%s.xml" % (base, l) for l in languages] + ["%s.xml" % base]
        folder = os.path.join(self.root, program)
        return [os.path.join(folder, n) for n in names]

    def answer_query(self, query, respond, head):
        program = query.get("program", "")
        version_text = query.get("program_version", "")
        platform = query.get("program_platform", "")
        language = query.get("program_language", "")
        if not PLAIN_NAME.match(program) or ".." in program:
            return self.plain(respond, "400 Bad Request", "no program, or not a plain name\n", head)
        for path in self.candidates(program, platform, language):
            document = self._document(path)
            if document is None:
                continue
            data, offered = document
            relative = os.path.relpath(path, self.root)
            asked = library_version(version_text)
            who = "%s %s (%s, %s)" % (program, version_text or "-", platform or "no platform", language or "-")
            if offered is not None and asked >= offered:
                self.note("%s: no update, %s offers %s" % (who, relative, ".".join(map(str, offered))))
                return self.send(respond, "200 OK", NO_UPDATE, "text/xml; charset=utf-8", head)
            self.note("%s: %s" % (who, relative))
            return self.send(respond, "200 OK", data, "text/xml; charset=utf-8", head)
        self.note("%s %s (%s): no document" % (program, version_text, platform or "no platform"))
        return self.plain(respond, "404 Not Found", "no feed for this program and platform\n", head)

    # -- files

    def answer_file(self, environ, respond, head):
        path = urllib.parse.unquote(environ.get("PATH_INFO", ""), errors="strict")
        parts = [p for p in path.split("/") if p]
        if not parts or any(p.startswith(".") or "\\" in p for p in parts):
            return self.plain(respond, "404 Not Found", "not found\n", head)
        local = os.path.realpath(os.path.join(self.root, *parts))
        if not local.startswith(self.root + os.sep) or not os.path.isfile(local):
            return self.plain(respond, "404 Not Found", "not found\n", head)
        size = os.path.getsize(local)
        respond("200 OK", [("Content-Type", "application/octet-stream"), ("Content-Length", str(size))])
        if head:
            return [b""]
        f = open(local, "rb")
        wrapper = environ.get("wsgi.file_wrapper")
        if wrapper:
            return wrapper(f, 64 * 1024)
        return iter(lambda: f.read(64 * 1024), b"")

    # -- WSGI

    def __call__(self, environ, respond):
        method = environ.get("REQUEST_METHOD", "GET")
        if method not in ("GET", "HEAD"):
            return self.plain(respond, "405 Method Not Allowed", "GET only\n", False, [("Allow", "GET, HEAD")])
        head = method == "HEAD"
        query = {}
        for name, value in urllib.parse.parse_qsl(environ.get("QUERY_STRING", ""), keep_blank_values=True):
            query.setdefault(name, value)
        if "program" in query:
            return self.answer_query(query, respond, head)
        if self.serve_files:
            return self.answer_file(environ, respond, head)
        return self.plain(respond, "404 Not Found", "not found\n", head)

    def send(self, respond, status, body, kind, head, extra=()):
        respond(status, [("Content-Type", kind), ("Content-Length", str(len(body))),
                         ("Cache-Control", "no-cache")] + list(extra))
        return [b"" if head else body]

    def plain(self, respond, status, text, head, extra=()):
        return self.send(respond, status, text.encode(), "text/plain; charset=utf-8", head, extra)

    def note(self, line):
        if callable(self.log):
            self.log("feed: " + line)
        elif self.log:
            print("feed: " + line, file=sys.stderr, flush=True)


def create_app(root=None, serve_files=None, log=None):
    """The application for a feed root (default: $ZVFEED_ROOT). ZVFEED_FILES=0
    turns file serving off (a web server in front serves the installers);
    ZVFEED_LOG=0 turns the one line per query off."""
    root = root or os.environ.get("ZVFEED_ROOT")
    if not root or not os.path.isdir(root):
        raise RuntimeError("zvfeed_server: set ZVFEED_ROOT to the feed's folder (now %r)" % root)
    if serve_files is None:
        serve_files = os.environ.get("ZVFEED_FILES", "1") != "0"
    if log is None:
        log = os.environ.get("ZVFEED_LOG", "1") != "0"
    return FeedApp(root, serve_files, log)


_application = None


def application(environ, respond):
    """The WSGI entry point for $ZVFEED_ROOT, made at the first request."""
    global _application
    if _application is None:
        _application = create_app()
    return _application(environ, respond)


def main():
    import argparse
    import socketserver
    import wsgiref.simple_server

    parser = argparse.ArgumentParser(description="Serves a feed root on 127.0.0.1 (for local tests).")
    parser.add_argument("root")
    parser.add_argument("--port", type=int, default=8000)
    args = parser.parse_args()
    app = create_app(args.root)

    class Server(socketserver.ThreadingMixIn, wsgiref.simple_server.WSGIServer):
        daemon_threads = True

    with wsgiref.simple_server.make_server("127.0.0.1", args.port, app, server_class=Server) as server:
        print("feed: serving %s on http://127.0.0.1:%d/" % (app.root, server.server_port), file=sys.stderr, flush=True)
        server.serve_forever()


if __name__ == "__main__":
    main()
