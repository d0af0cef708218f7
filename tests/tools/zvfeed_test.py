"""zvfeed make, sign and check, run as a publisher runs them, on the build
tree's installers and signing fixtures:

    zvfeed_test.py BUILD_DIR

make: the document describes the installer (version resource, size, SHA-256,
Markdown notes) and refuses what the library could not use. sign: a signed
file verifies, a wrong key or an unknown root fails without leaving a file.
check: a feed served by the feed server (and one served as static files) with
one fault each gets that fault's own message and a non-zero exit.
"""
import contextlib
import hashlib
import importlib.machinery
import http.server
import io
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import types
import unittest
import wsgiref.simple_server
import socketserver
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
ZVFEED = os.path.join(ROOT, "tools", "zvfeed")
sys.path.insert(0, os.path.join(ROOT, "feed"))
import zvfeed_server  # noqa: E402

BUILD = None
FIXTURES = None


def load_zvfeed():
    loader = importlib.machinery.SourceFileLoader("zvfeed", ZVFEED)
    module = types.ModuleType("zvfeed")
    loader.exec_module(module)
    return module


ZVFEED_MODULE = load_zvfeed()


def zvfeed(*args):
    """Runs zvfeed with these arguments in this process: (exit code, what it printed)."""
    out = io.StringIO()
    with contextlib.redirect_stdout(out), contextlib.redirect_stderr(out):
        try:
            code = ZVFEED_MODULE.main(list(args))
        except SystemExit as e:  # argparse
            code = e.code
    return code, out.getvalue()


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class QuietHandler(wsgiref.simple_server.WSGIRequestHandler):
    def log_message(self, *args):
        pass


class ThreadingWSGIServer(socketserver.ThreadingMixIn, wsgiref.simple_server.WSGIServer):
    daemon_threads = True


class StaticHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(server):
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    return server


class Make(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="zvfeed-make-")

    def tearDown(self):
        shutil.rmtree(self.work)

    def write(self, name, data):
        path = os.path.join(self.work, name)
        with open(path, "wb") as f:
            f.write(data if isinstance(data, bytes) else data.encode("utf-8"))
        return path

    def test_describes_the_installer_from_its_version_resource(self):
        installer = os.path.join(BUILD, "bin", "SampleSetup.exe")
        notes = self.write("notes.md", "# Sample 1.1\n\n- *Faster* start\n- Export to PDF\n")
        out = os.path.join(self.work, "any.xml")
        code, text = zvfeed("make", installer, "--url", "https://updates.example.com/s/Setup 1.exe".replace(" ", "%20"),
                            "--notes", notes, "--pug", "7", "-o", out)
        self.assertEqual(code, 0, text)
        with open(out, "rb") as f:
            data = f.read()
        patch = ET.fromstring(data)
        self.assertEqual(patch.tag, "patch")
        self.assertEqual(patch.get("version"), "1.1.0.0")
        self.assertEqual(patch.get("filesize"), str(os.path.getsize(installer)))
        self.assertEqual(patch.get("sha256"), sha256(installer))
        self.assertEqual(patch.get("url"), "https://updates.example.com/s/Setup%201.exe")
        self.assertEqual(patch.get("pug_installer"), "7")
        self.assertIn("<h1>Sample 1.1</h1>", patch.text)
        self.assertIn("<li><em>Faster</em> start</li>", patch.text)
        # The library keeps the last text node of <patch>: the notes must end
        # right at the end tag.
        self.assertIn(b"</html>]]></patch>", data)
        self.assertNotIn("not signed", text)

    def test_notes_that_would_end_the_cdata_section_stay_one_piece(self):
        installer = os.path.join(FIXTURES, "signed-valid.exe")
        notes = self.write("notes.html", "<p>if (a[b[0]]>1) works now</p>")
        code, text = zvfeed("make", installer, "--url", "http://h/x.exe", "--notes", notes, "--version", "2.5")
        self.assertEqual(code, 0, text)
        document = parsed_document(text)
        self.assertEqual(document.description, "<p>if (a[b[0]]&gt;1) works now</p>")
        self.assertEqual(document.attributes["version"], "2.5.0.0")

    def test_refuses_what_the_library_cannot_use(self):
        unsigned = os.path.join(FIXTURES, "unsigned.exe")
        empty = self.write("empty.exe", b"")
        latin1 = self.write("latin1.md", b"Caf\xe9\n")
        control = self.write("control.md", "bell \x07 here\n")
        cases = [
            ([unsigned, "--url", "http://h/x.exe"], "no version resource"),
            ([unsigned, "--url", "http://h/x.exe", "--version", "0.0"], "0.0.0.0"),
            ([empty, "--url", "http://h/x.exe", "--version", "1.0"], "is empty"),
            ([unsigned, "--url", "setup/x.exe", "--version", "1.0"], "not an http or https address"),
            ([unsigned, "--url", "http:///x.exe", "--version", "1.0"], "names no host"),
            ([unsigned, "--url", "http://h/a b.exe", "--version", "1.0"], "holds a space"),
            ([unsigned, "--url", "http://h/x.exe", "--version", "1.0", "--notes", latin1], "not UTF-8"),
            ([unsigned, "--url", "http://h/x.exe", "--version", "1.0", "--notes", control], "U+0007 on line 1"),
            ([unsigned, "--url", "http://h/x.exe", "--version", "1.0", "--pug", "4294967296"], "not a 32-bit number"),
        ]
        for args, message in cases:
            with self.subTest(message=message):
                code, text = zvfeed("make", *args)
                self.assertEqual(code, 2, text)
                self.assertIn(message, text)

    def test_warns_about_an_unsigned_installer(self):
        code, text = zvfeed("make", os.path.join(FIXTURES, "unsigned.exe"), "--url", "http://h/x.exe",
                            "--version", "1.0")
        self.assertEqual(code, 0, text)
        self.assertIn("is not signed", text)


def parsed_document(output):
    """The document printed by zvfeed make, read the way the library reads it
    (zvfeed check's reader)."""
    body = output[:output.index("</patch>") + len("</patch>")]
    return ZVFEED_MODULE.PatchDocument.parse(body.encode("utf-8"))


class Sign(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="zvfeed-sign-")
        self.installer = os.path.join(self.work, "Setup.exe")
        shutil.copy(os.path.join(FIXTURES, "unsigned.exe"), self.installer)

    def tearDown(self):
        shutil.rmtree(self.work)

    def test_signs_and_verifies(self):
        out = os.path.join(self.work, "Signed.exe")
        code, text = zvfeed("sign", self.installer, "--cert", os.path.join(FIXTURES, "codesign.pem"),
                            "--key", os.path.join(FIXTURES, "codesign.key"), "--ca", os.path.join(FIXTURES, "root-ca.pem"),
                            "--name", "Setup", "-o", out)
        self.assertEqual(code, 0, text)
        verify = subprocess.run(["osslsigncode", "verify", "-CAfile", os.path.join(FIXTURES, "root-ca.pem"), "-in", out],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.assertEqual(verify.returncode, 0, verify.stdout)
        self.assertEqual(sha256(self.installer), sha256(os.path.join(FIXTURES, "unsigned.exe")), "input changed")
        self.assertIn(sha256(out), text)

    def test_failures_leave_no_file(self):
        cert, key = os.path.join(FIXTURES, "codesign.pem"), os.path.join(FIXTURES, "codesign.key")
        cases = [
            ("the key of another certificate", [self.installer, "--cert", cert, "--key",
                                                 os.path.join(FIXTURES, "untrusted-codesign.key"),
                                                 "--ca", os.path.join(FIXTURES, "root-ca.pem")], "signing failed"),
            ("a root the verification does not know", [self.installer, "--cert", cert, "--key", key,
                                                       "--ca", os.path.join(FIXTURES, "untrusted-root-ca.pem")],
             "does not verify"),
        ]
        for what, args, message in cases:
            with self.subTest(what):
                out = os.path.join(self.work, "out.exe")
                code, text = zvfeed("sign", *args, "-o", out)
                self.assertEqual(code, 1, text)
                self.assertIn(message, text)
                self.assertFalse(os.path.exists(out))
                self.assertEqual(sorted(os.listdir(self.work)), ["Setup.exe"], "temporary file left behind")


class Check(unittest.TestCase):
    """One program folder per fault on the feed server, one static folder for
    the fault that only a static feed can have (a stale version)."""

    FAULTS = ("good", "size", "checksum", "unsigned", "tampered", "foreign", "linebreak", "doctype", "relative",
              "uptodate")

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="zvfeed-check-")
        cls.feed = os.path.join(cls.work, "feed")
        cls.static = os.path.join(cls.work, "static")
        os.makedirs(cls.static)
        for name in cls.FAULTS:
            os.makedirs(os.path.join(cls.feed, name))
        app = zvfeed_server.create_app(cls.feed, log=False)
        cls.server = serve(wsgiref.simple_server.make_server("127.0.0.1", 0, app, ThreadingWSGIServer, QuietHandler))
        base = "http://127.0.0.1:%d" % cls.server.server_port

        class Static(StaticHandler):
            def __init__(self, *a, **k):
                super().__init__(*a, directory=cls.static, **k)

        cls.static_server = serve(http.server.ThreadingHTTPServer(("127.0.0.1", 0), Static))
        static_base = "http://127.0.0.1:%d" % cls.static_server.server_port
        cls.base = base
        cls.static_base = static_base
        cls.write_feeds(base, static_base)

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.static_server.shutdown()
        shutil.rmtree(cls.work)

    @classmethod
    def document(cls, program, installer, base, version="2.0", edit=None, folder=None):
        folder = folder or os.path.join(cls.feed, program)
        target = os.path.join(folder, os.path.basename(installer))
        shutil.copy(installer, target)
        url = "%s/%s/%s" % (base, program, os.path.basename(installer))
        if folder == cls.static:
            url = "%s/%s" % (base, os.path.basename(installer))
        code, text = zvfeed("make", target, "--url", url, "--version", version)
        assert code == 0, text
        text = text[:text.index("</patch>") + len("</patch>")] + "\n"
        if edit:
            text = edit(text)
        with open(os.path.join(folder, "any.xml"), "w") as f:
            f.write(text)

    @classmethod
    def write_feeds(cls, base, static_base):
        valid = os.path.join(FIXTURES, "signed-valid.exe")
        size = os.path.getsize(valid)
        cls.document("good", valid, base)
        cls.document("size", valid, base, edit=lambda t: t.replace('filesize="%d"' % size, 'filesize="%d"' % (size + 1)))
        cls.document("checksum", valid, base, edit=lambda t: t.replace(sha256(valid), sha256(valid)[::-1]))
        cls.document("unsigned", os.path.join(FIXTURES, "unsigned.exe"), base)
        cls.document("tampered", os.path.join(FIXTURES, "signed-tampered.exe"), base)
        cls.document("foreign", os.path.join(FIXTURES, "signed-untrusted-root.exe"), base)
        cls.document("linebreak", valid, base, edit=lambda t: t.replace("]]></patch>", "]]>\n</patch>"))
        cls.document("doctype", valid, base,
                     edit=lambda t: t.replace("<patch ", '<!DOCTYPE patch SYSTEM "patch.dtd">\n<patch ', 1))
        cls.document("relative", valid, base,
                     edit=lambda t: t.replace('url="%s/relative/' % base, 'url="downloads/'))
        cls.document("uptodate", valid, base, version="1.0")
        cls.document("static", valid, static_base, version="1.0", folder=cls.static)

    def check(self, query_url, program, version="1.0"):
        return zvfeed("check", query_url, "--program", program, "--version", version, "--language", "en-GB",
                      "--platform", "win-x64", "--ca", os.path.join(FIXTURES, "root-ca.pem"))

    def test_a_sound_feed_passes(self):
        code, text = self.check(self.base + "/update", "good")
        self.assertEqual(code, 0, text)
        self.assertIn("no problem", text)
        self.assertIn("signature verifies", text)

    def test_each_fault_gets_its_own_message(self):
        cases = [
            # program (feed folder), problems found, a phrase of the message
            ("size", ["size"], "the download delivered"),
            ("checksum", ["sha256"], "the download's is"),
            ("unsigned", ["signature"], "is not signed"),
            ("tampered", ["signature"], "does not verify"),
            ("foreign", ["signature"], "does not verify"),
            ("linebreak", ["notes"], "only white space"),
            ("doctype", ["doctype"], "document type declaration"),
            ("relative", ["url"], "is not an http or https address"),
            ("uptodate", ["version"], "offers no update to version 1.0.0.0"),
            ("missing", ["version"], "answers 404"),
        ]
        messages = {}
        for program, problems, phrase in cases:
            with self.subTest(program):
                code, text = self.check(self.base + "/update", program)
                self.assertEqual(code, 1, text)
                found = [line.split("(")[1].split(")")[0] for line in text.splitlines() if "PROBLEM (" in line]
                self.assertEqual(found, problems, text)
                self.assertIn(phrase, text)
                messages[program] = [l for l in text.splitlines() if "PROBLEM" in l][0]
        self.assertEqual(len(set(messages.values())), len(messages), "two faults share one message: %s" % messages)

    def test_a_static_feed_that_offers_the_installed_version_is_stale(self):
        code, text = self.check(self.static_base + "/any.xml", "static", version="1.0")
        self.assertEqual(code, 1, text)
        self.assertIn("PROBLEM (version): the feed offers version 1.0.0.0, which is not above 1.0.0.0", text)
        code, text = self.check(self.static_base + "/any.xml", "static", version="0.9")
        self.assertEqual(code, 0, text)

    def test_an_unreachable_feed_is_a_problem(self):
        code, text = zvfeed("check", "http://127.0.0.1:9/update", "--program", "P", "--version", "1.0")
        self.assertEqual(code, 1, text)
        self.assertIn("PROBLEM (query): the feed cannot be asked", text)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: zvfeed_test.py BUILD_DIR")
    BUILD = os.path.abspath(sys.argv.pop(1))
    FIXTURES = os.path.join(BUILD, "fixtures")
    unittest.main(verbosity=2)
