"""FTP and HTTP servers on 127.0.0.1 for the upload tests.

Usage: support_servers.py ROOT

Serves ROOT over FTP to the user "grocelle" (password "secret", may store) and "readonly" (same password,
may only list), once at full speed and once slowed down to 32 kB/s for stores, and answers HTTP GETs:
/ok/NAME confirms NAME, /other/NAME confirms another name, /slow/NAME confirms NAME after 20 seconds,
anything else fails with 500. Prints
"FTP <port> SLOW <port> HTTP <port>" once listening; ends when its standard input closes or after ten
minutes, so that a test that dies never leaves it behind.
"""

import http.server
import logging
import os
import sys
import threading
import time
import urllib.parse

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.ioloop import IOLoop
from pyftpdlib.servers import FTPServer


class Notify(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        parts = urllib.parse.unquote(self.path).split("/", 2)
        if len(parts) == 3 and parts[1] == "slow":
            time.sleep(20)
        if len(parts) == 3 and parts[1] in ("ok", "other", "slow"):
            name = "someone_else.zip" if parts[1] == "other" else parts[2]
            body = ("Upload noted\r\nFile: ##%s##\r\n" % name).encode()
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        else:
            self.send_error(500, "Notification failed")

    def log_message(self, *args):
        pass


def main():
    root = sys.argv[1]
    logging.basicConfig(level=logging.ERROR)
    logging.getLogger("pyftpdlib").setLevel(logging.ERROR)

    authorizer = DummyAuthorizer()
    authorizer.add_user("grocelle", "secret", root, perm="elradfmwMT")
    authorizer.add_user("readonly", "secret", root, perm="elr")

    class Fast(FTPHandler):
        pass

    Fast.authorizer = authorizer
    Fast.timeout = 120

    class SlowData(ThrottledDTPHandler):
        read_limit = 32 * 1024

    class Slow(FTPHandler):
        pass

    Slow.authorizer = authorizer
    Slow.dtp_handler = SlowData
    Slow.timeout = 120

    ioloop = IOLoop.instance()
    fast = FTPServer(("127.0.0.1", 0), Fast, ioloop=ioloop)
    slow = FTPServer(("127.0.0.1", 0), Slow, ioloop=ioloop)
    web = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Notify)
    threading.Thread(target=web.serve_forever, daemon=True).start()

    def end_with_parent():
        sys.stdin.read()
        os._exit(0)

    threading.Thread(target=end_with_parent, daemon=True).start()
    threading.Timer(600, lambda: os._exit(1)).start()

    print("FTP %d SLOW %d HTTP %d" % (fast.address[1], slow.address[1], web.server_address[1]), flush=True)
    ioloop.loop()


if __name__ == "__main__":
    main()
