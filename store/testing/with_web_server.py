#!/usr/bin/env python3
"""Runs a command while an ordinary web server serves a published store.

    with_web_server.py PORT ROOT COMMAND...

Makes ROOT/appstore/ with three program files, publishes it with
publish_store.py, serves ROOT with `python3 -m http.server` on
127.0.0.1:PORT, runs COMMAND with BRINDLE_WEB_SERVER=1 in its environment,
stops the server, and exits with COMMAND's status.
"""

import os
import shutil
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PUBLISH = os.path.join(HERE, "..", "publish_store.py")


def wait_listening(port, server, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if server.poll() is not None:
            return False
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1):
                return True
        except OSError:
            time.sleep(0.1)
    return False


def main():
    port, root, command = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
    shutil.rmtree(root, ignore_errors=True)
    store = os.path.join(root, "appstore")
    os.makedirs(store)
    for name in ("clock.zip", "paint demo.zip", "readme.txt"):
        with open(os.path.join(store, name), "wb") as f:
            f.write(b"program " + name.encode() + b"\n")
    subprocess.run([sys.executable, PUBLISH, store], check=True)

    server = subprocess.Popen(
        [sys.executable, "-m", "http.server", "--bind", "127.0.0.1", "--directory", root, str(port)],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        if not wait_listening(port, server):
            print(f"with_web_server: no web server on 127.0.0.1:{port}", file=sys.stderr)
            return 1
        env = dict(os.environ, BRINDLE_WEB_SERVER="1")
        return subprocess.run(command, env=env).returncode
    finally:
        server.terminate()
        try:
            server.wait(timeout=10)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait()


if __name__ == "__main__":
    sys.exit(main())
