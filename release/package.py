#!/usr/bin/env python3
"""Packs the release zip: the 32-bit binaries at the top, the 64-bit ones in
x64/, and the read-me, all in one folder named for the version.

    package.py --rc app/BRINDLE.rc --readme release/README.txt --store URL \
               --win32 DIR --win64 DIR --out DIR

DIR is a build folder holding app/BRINDLE.exe, addin/Quillstone.dll and
converter/ml2vb.exe. Prints the zip's path.
"""
import argparse
import os
import re
import sys
import zipfile

# Where each packed file comes from in a build folder.
BINARIES = [("BRINDLE.exe", "app"), ("Quillstone.dll", "addin"), ("ml2vb.exe", "converter")]
NAME = "BRINDLE-Plus"


def version(rc_path):
    """The product version as the version block states it, e.g. "10.00"."""
    with open(rc_path, encoding="utf-8") as f:
        m = re.search(r'VALUE\s+"ProductVersion"\s*,\s*"([^"]+)"', f.read())
    if not m or not re.fullmatch(r"[0-9][0-9A-Za-z.\-]*", m.group(1)):
        sys.exit(f"package: no usable ProductVersion in {rc_path}")
    return m.group(1)


def readme(template, ver, store):
    m = re.fullmatch(r"https?://[^/:]+(?::([0-9]+))?", store)
    if not m:
        sys.exit(f"package: the store server {store!r} is not scheme://host[:port]")
    port = m.group(1) or ("443" if store.startswith("https") else "80")
    with open(template, encoding="utf-8") as f:
        text = f.read()
    text = text.replace("@VERSION@", ver).replace("@STORE@", store).replace("@PORT@", port)
    # Plain text for Windows: CR LF, so that every editor down to XP's
    # Notepad shows the lines.
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("ascii")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--rc", required=True)
    ap.add_argument("--readme", required=True)
    ap.add_argument("--store", required=True)
    ap.add_argument("--win32", required=True)
    ap.add_argument("--win64", required=True)
    ap.add_argument("--out", required=True)
    a = ap.parse_args()

    ver = version(a.rc)
    top = f"{NAME}-{ver}"
    entries = []
    for build, folder in ((a.win32, ""), (a.win64, "x64/")):
        for name, sub in BINARIES:
            path = os.path.join(build, sub, name)
            if not os.path.isfile(path):
                sys.exit(f"package: {path} is missing; build it first")
            entries.append((f"{top}/{folder}{name}", path))

    os.makedirs(a.out, exist_ok=True)
    zip_path = os.path.join(a.out, f"{top}.zip")
    tmp = zip_path + ".part"
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        z.writestr(f"{top}/README.txt", readme(a.readme, ver, a.store))
        for arcname, path in entries:
            z.write(path, arcname)
    os.replace(tmp, zip_path)
    print(zip_path)


if __name__ == "__main__":
    main()
