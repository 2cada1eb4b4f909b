#!/usr/bin/env python3
"""Start-up benchmark (not a test): the time from starting BRINDLE.exe to its
hub being shown, against the empty-window program of release/, and that
program again with the common controls that BRINDLE.exe loads at start
(empty_window_cc), all from the same Windows build under the same Wine,
started in turns, medians of ROUNDS: startup_bench.exe starts each program
with CreateProcess, as Explorer would, and waits until its window shows and
answers.

    release/startup_bench.py BUILD_DIR [ROUNDS [HUB_EXE]]    (on an X display)

BUILD_DIR is build/windows (32-bit) or build/windows64. HUB_EXE is the
BRINDLE.exe to time (default BUILD_DIR's own; the stripped release one is
build/release32/app/BRINDLE.exe or build/release64/...). The Wine prefix is
$WINEPREFIX, or one of the build tree's own at 96 DPI with free fonts.
"""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINERUN = os.path.join(ROOT, "tools", "winerun")
HUB = "BRINDLE Plus - Windows XP Fenwick! - VB7"
EMPTY = "Empty window"


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main():
    if len(sys.argv) < 2 or not os.environ.get("DISPLAY"):
        raise SystemExit("usage (on an X display): release/startup_bench.py BUILD_DIR [ROUNDS]")
    build = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 21
    win64 = "x86-64" in subprocess.run(["file", "-b", os.path.join(build, "app", "BRINDLE.exe")],
                                       capture_output=True, text=True).stdout
    arch = "win64" if win64 else "win32"
    if not os.environ.get("WINEPREFIX"):
        prefix = os.path.join(os.path.dirname(build), "wine", f"bench-{arch}")
        subprocess.run([os.path.join(ROOT, "tools", "wineprefix"), prefix, "96", arch],
                       check=True, stdout=subprocess.DEVNULL)
        subprocess.run([os.path.join(ROOT, "tools", "winefonts"), prefix], check=True)
        os.environ["WINEPREFIX"] = prefix
    bench = os.path.join(build, "release", "startup_bench.exe")
    brindle = (os.path.abspath(sys.argv[3]) if len(sys.argv) > 3
               else os.path.join(build, "app", "BRINDLE.exe"))
    empty = os.path.join(build, "release", "empty_window.exe")
    empty_cc = os.path.join(build, "release", "empty_window_cc.exe")
    version = subprocess.run([WINERUN, "--version"], capture_output=True, text=True).stdout.strip()
    print(f"{version}, {'64' if win64 else '32'}-bit build, {rounds} rounds")

    programs = [(brindle, HUB), (empty, EMPTY), (empty_cc, EMPTY)]
    command = [WINERUN, bench, str(rounds)]
    for exe, caption in programs:
        command += [windows_path(exe), caption]
    subprocess.run(command, check=True)


if __name__ == "__main__":
    main()
