"""The demo's feed server: the feed server (feed/zvfeed_server.py) for the
feed root $ZVFEED_ROOT, slowed down so that a person watching sees each step,
and printing every request it answers:

    server: GET <path and query> -> <status> (<bytes> bytes)

DEMO_QUERY_DELAY: seconds before a query is answered (the waiting dialog);
DEMO_SPREAD: seconds over which a file's body is sent (the progress bar).

    gunicorn --pythonpath feed,tools demo_feed:application
"""
import os
import sys
import time

import zvfeed_server


def say(line):
    print(line, flush=True)


_feed = zvfeed_server.create_app(log=say)
_delay = float(os.environ.get("DEMO_QUERY_DELAY", "0"))
_spread = float(os.environ.get("DEMO_SPREAD", "0"))


def _paced(body, seconds, pieces=20):
    data = b"".join(body)
    if hasattr(body, "close"):
        body.close()
    step = max(1, -(-len(data) // pieces))
    for start in range(0, len(data), step):
        yield data[start:start + step]
        time.sleep(seconds / pieces)


def application(environ, respond):
    target = environ.get("RAW_URI") or environ.get("PATH_INFO", "")
    query = "program=" in environ.get("QUERY_STRING", "")
    if query and _delay:
        time.sleep(_delay)
    answer = {}

    def capture(status, headers, exc_info=None):
        answer["status"] = status.split()[0]
        answer["length"] = dict((k.lower(), v) for k, v in headers).get("content-length", "?")
        return respond(status, headers, exc_info)

    body = _feed(environ, capture)
    say("server: %s %s -> %s (%s bytes)" % (environ.get("REQUEST_METHOD"), target, answer.get("status"),
                                             answer.get("length")))
    if not query and _spread and answer.get("status") == "200":
        return _paced(body, _spread)
    return body
