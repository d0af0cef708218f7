"""The feed server under gunicorn, as deployed: one document per program and
platform with language variants, "no update" from the offered version on,
installers served as files, nothing outside the feed root.

    feed_server_test.py
"""
import http.client
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
FEED = os.path.normpath(os.path.join(HERE, "..", "..", "feed"))
GUNICORN = shutil.which("gunicorn", path="/usr/bin:" + os.environ.get("PATH", ""))


def document(version, marker):
    return ('<?xml version="1.0" encoding="utf-8"?>\n<patch url="http://h/%s.exe" filesize="10" version="%s">'
            "<![CDATA[<p>%s</p>]]></patch>\n" % (marker, version, marker))


class FeedServer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="zvfeed-server-")
        files = {
            "Editor/win-x64.xml": document("2.0", "x64"),
            "Editor/win-x64.de.xml": document("2.0", "x64-de"),
            "Editor/win-x64.pt-br.xml": document("2.0", "x64-pt-br"),
            "Editor/any.xml": document("1.5", "any"),
            "Editor/any.fr.xml": document("1.5", "any-fr"),
            "Editor/Setup.exe": "MZ installer bytes",
            "Editor/.secret": "hidden",
            "Viewer/win-x86.xml": document("3.0", "viewer-x86"),
        }
        for name, text in files.items():
            path = os.path.join(cls.root, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(text)
        with open(os.path.join(os.path.dirname(cls.root), "outside.txt"), "w") as f:
            f.write("outside")
        cls.log = open(os.path.join(cls.root + ".log"), "w+")
        env = dict(os.environ, ZVFEED_ROOT=cls.root)
        cls.server = subprocess.Popen(
            [GUNICORN, "--chdir", FEED, "--bind", "127.0.0.1:0", "--workers", "2", "--graceful-timeout", "2",
             "zvfeed_server:application"], stdout=cls.log, stderr=subprocess.STDOUT, env=env)
        cls.port = None
        deadline = time.time() + 60
        while time.time() < deadline and cls.server.poll() is None:
            cls.log.seek(0)
            match = re.search(r"Listening at: http://127\.0\.0\.1:(\d+)", cls.log.read())
            if match:
                cls.port = int(match.group(1))
                break
            time.sleep(0.1)
        if cls.port is None:
            cls.log.seek(0)
            cls.tearDownClass()
            raise RuntimeError("gunicorn did not start")

    @classmethod
    def tearDownClass(cls):
        cls.server.send_signal(signal.SIGTERM)
        cls.server.wait(timeout=30)
        cls.log.close()
        os.unlink(cls.log.name)
        os.unlink(os.path.join(os.path.dirname(cls.root), "outside.txt"))
        shutil.rmtree(cls.root)

    def get(self, target, method="GET"):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        try:
            connection.request(method, target, headers={"User-Agent": "ZorvaHttpClient", "Accept": "*/*"})
            response = connection.getresponse()
            body = response.read()
            return response.status, dict((k.lower(), v) for k, v in response.getheaders()), body
        finally:
            connection.close()

    def query(self, program="Editor", version="1.0.0.0", language="en", platform="win-x64"):
        # In the library's order; absent parameters left out as the library does.
        target = "/update?format=html&program=%s" % program
        if language is not None:
            target += "&program_language=" + language
        if platform is not None:
            target += "&program_platform=" + platform
        if version is not None:
            target += "&program_version=" + version
        return self.get(target)

    def test_answers_the_document_for_program_platform_and_language(self):
        cases = [
            # query                                         -> status, marker of the document, or no update
            (dict(), 200, "x64"),
            (dict(language="de-DE"), 200, "x64-de"),         # the primary language's variant
            (dict(language="DE"), 200, "x64-de"),            # names are not case-sensitive
            (dict(language="pt_BR"), 200, "x64-pt-br"),      # either separator
            (dict(language="ja"), 200, "x64"),               # no variant: the plain document
            (dict(platform="win-x86"), 200, "any"),          # no x86 document: the one for any platform
            (dict(platform="win-x86", language="fr-CA"), 200, "any-fr"),
            (dict(platform=None), 200, "any"),               # a host that names no platform
            (dict(version="1.9.9.9"), 200, "x64"),
            (dict(version=None), 200, "x64"),                # no version: everything is newer
            (dict(version="2.0"), 200, None),                # at the offered version: no update
            (dict(version="2.0.0.0"), 200, None),
            (dict(version="2.0.0.1"), 200, None),            # above it
            (dict(version="10.0"), 200, None),               # compared by numbers, not text
            (dict(platform="win-x86", version="1.5"), 200, None),
            (dict(program="Viewer", platform="win-x64"), 404, None),   # no document for the platform
            (dict(program="Nobody"), 404, None),
            (dict(program="..%2FEditor"), 400, None),          # never a path
            (dict(program="Editor%2Fwin-x64.xml"), 400, None),
            (dict(program=""), 400, None),
        ]
        for query, status, marker in cases:
            with self.subTest(**{k: str(v) for k, v in query.items()}):
                code, headers, body = self.query(**query)
                self.assertEqual(code, status, body)
                # The library takes an answer without a length for no update.
                self.assertEqual(headers.get("content-length"), str(len(body)))
                if status != 200:
                    continue
                if marker:
                    self.assertIn(b"<p>%s</p>" % marker.encode(), body)
                else:
                    # The library reads version from any element.
                    elements = list(ET.fromstring(body).iter())
                    self.assertEqual([e for e in elements if "version" in e.attrib], [], body)
                    self.assertEqual(elements[0].tag, "noupdate")

    def test_a_replaced_document_is_served_at_once(self):
        path = os.path.join(self.root, "Viewer", "win-x86.xml")
        for version in ("3.1", "3.2"):
            with open(path, "w") as f:
                f.write(document(version, "viewer-" + version))
            # Both workers answer; each must see the new file.
            for _ in range(4):
                code, _, body = self.query(program="Viewer", platform="win-x86", version="3.0")
                self.assertIn(b"viewer-" + version.encode(), body)

    def test_serves_installers_and_nothing_else(self):
        code, headers, body = self.get("/Editor/Setup.exe")
        self.assertEqual((code, body), (200, b"MZ installer bytes"))
        self.assertEqual(headers["content-length"], str(len(body)))
        for target in ("/Editor/.secret", "/../outside.txt", "/%2E%2E/outside.txt", "/Editor/..%2F..%2Foutside.txt",
                       "/Editor", "/", "/Editor/missing.exe"):
            with self.subTest(target):
                code, _, body = self.get(target)
                self.assertEqual(code, 404, body)

    def test_head_and_other_methods(self):
        code, headers, body = self.get("/update?program=Editor&program_platform=win-x64&program_version=1.0", "HEAD")
        self.assertEqual((code, body), (200, b""))
        self.assertGreater(int(headers["content-length"]), 0)
        code, headers, _ = self.get("/update?program=Editor", "POST")
        self.assertEqual(code, 405)


if __name__ == "__main__":
    if not GUNICORN:
        print("SKIPPED: gunicorn is not installed (tools/setup.sh installs it)")
        sys.exit(77)
    unittest.main(verbosity=2)
