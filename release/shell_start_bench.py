#!/usr/bin/env python3
"""Start-up from a Linux shell (a benchmark, not a test): `wine BRINDLE.exe`
against `wine empty_window.exe`, interleaved, each timed from the command to
X reporting its window viewable (xwininfo, from x11-utils), with the Wine
server kept running between starts. Medians of ROUNDS.

    release/shell_start_bench.py HUB_EXE EMPTY_EXE [ROUNDS]    (on an X display)

The Wine prefix is $WINEPREFIX; it must match the programs' bitness."""
import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINERUN = os.path.join(ROOT, "tools", "winerun")
HUB = "BRINDLE Plus - Windows XP Fenwick! - VB7"
EMPTY = "Empty window"
LIMIT_S = 20


def viewable(title):
    out = subprocess.run(["xwininfo", "-name", title], capture_output=True, text=True).stdout
    return "IsViewable" in out


def start(exe, title):
    began = time.perf_counter()
    process = subprocess.Popen([WINERUN, exe], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        while not viewable(title):
            if time.perf_counter() - began > LIMIT_S:
                raise SystemExit(f"{exe}: no window within {LIMIT_S} s")
        return (time.perf_counter() - began) * 1000
    finally:
        process.kill()
        process.wait()
        deadline = time.perf_counter() + LIMIT_S
        while viewable(title) and time.perf_counter() < deadline:
            time.sleep(0.01)


def main():
    if len(sys.argv) < 3 or not os.environ.get("DISPLAY") or not os.environ.get("WINEPREFIX"):
        raise SystemExit(__doc__)
    programs = [(os.path.abspath(sys.argv[1]), HUB), (os.path.abspath(sys.argv[2]), EMPTY)]
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 31
    # Kept running between starts (it may be running already).
    subprocess.run(["wineserver", "-p"])
    try:
        times = {exe: [] for exe, _ in programs}
        for exe, title in programs:  # one uncounted start of each
            start(exe, title)
        for _ in range(rounds):
            for exe, title in programs:
                times[exe].append(start(exe, title))
    finally:
        subprocess.run(["wineserver", "-k"])
    medians = [statistics.median(times[exe]) for exe, _ in programs]
    for (exe, _), median in zip(programs, medians):
        print(f"{os.path.basename(exe):18} {median:6.0f} ms  (min {min(times[exe]):.0f})")
    print(f"hub / empty window: {medians[0] / medians[1]:.2f}")


if __name__ == "__main__":
    main()
