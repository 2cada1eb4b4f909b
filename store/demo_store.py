#!/usr/bin/env python3
"""A small program store on loopback, so the store window has something to list.

Serves /appstore/uploaded_files.txt in the store list format and the listed
files themselves under /appstore/; everything else is 404. Standard library
only. Prints one line with its address, then stays quiet until SIGTERM or
SIGINT, on which it exits with status 0.

    python3 store/demo_store.py [--port N]     (default 8917; 0 picks a free port)
"""

import argparse
import http.server
import io
import signal
import sys
import urllib.parse
import zipfile

FRAGMENT = "../public_html/appstore/"


def _zip(name, text):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        # A fixed date keeps the bytes the same from run to run.
        info = zipfile.ZipInfo(name, date_time=(2024, 1, 1, 0, 0, 0))
        z.writestr(info, text)
    return buf.getvalue()


def demo_files():
    """File name -> bytes, in the order the list names them."""
    return {
        "clock.zip": _zip("clock.txt", "A desktop clock for the ORLEX demo store.\r\n"),
        "paint demo.zip": _zip("paint.txt", "A paint program; its name has a space.\r\n"),
        "orlex-notes.zip": _zip("notes.txt", "A note pad.\r\n"),
        "readme.txt": b"Demo store of BRINDLE Plus: every file here is a placeholder.\r\n",
    }


def store_list(names):
    return "".join(FRAGMENT + n + "\n" for n in names).encode("ascii")


class Handler(http.server.BaseHTTPRequestHandler):
    files = {}
    listing = b""

    def _body(self):
        path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path)
        if path == "/appstore/uploaded_files.txt":
            return "text/plain", self.listing
        if path.startswith("/appstore/"):
            data = self.files.get(path[len("/appstore/"):])
            if data is not None:
                kind = "application/zip" if path.endswith(".zip") else "text/plain"
                return kind, data
        return None, None

    def _answer(self, with_body):
        kind, data = self._body()
        if data is None:
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if with_body:
            self.wfile.write(data)

    def do_GET(self):
        self._answer(True)

    def do_HEAD(self):
        self._answer(False)

    def log_message(self, format, *args):
        pass


def main(argv=None):
    parser = argparse.ArgumentParser(description="Serve a demo program store on 127.0.0.1.")
    parser.add_argument("--port", type=int, default=8917,
                        help="TCP port (default 8917; 0 picks a free one)")
    args = parser.parse_args(argv)

    Handler.files = demo_files()
    Handler.listing = store_list(Handler.files)
    try:
        server = http.server.HTTPServer(("127.0.0.1", args.port), Handler)
    except OSError as e:
        print(f"demo_store: cannot listen on 127.0.0.1:{args.port}: {e.strerror}", file=sys.stderr)
        return 1

    def stop(signum, frame):
        raise SystemExit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    print(f"demo store on http://127.0.0.1:{server.server_address[1]}/appstore/", flush=True)
    try:
        server.serve_forever()
    except SystemExit:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
