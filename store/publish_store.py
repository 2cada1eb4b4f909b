#!/usr/bin/env python3
"""Writes uploaded_files.txt, the store list, for a folder of program files.

    python3 store/publish_store.py FOLDER [-o OUTPUT]

One line per regular file in FOLDER (not its subfolders), sorted by name:
"../public_html/appstore/" followed by the file name, each line ended by a
single LF. The list itself is never listed. Names are written as the file
system holds them (UTF-8 on most systems); the program reads the list in
the Windows system code page, so ASCII names are the safe choice.
The output defaults to FOLDER/uploaded_files.txt. Exit status 0 on success,
2 when a file name cannot stand in the list (nothing is written then).
"""

import argparse
import os
import sys

FRAGMENT = "../public_html/appstore/"
LIST_NAME = "uploaded_files.txt"


def list_names(folder, output):
    out = os.path.abspath(output)
    names = []
    with os.scandir(folder) as it:
        for e in it:
            if e.is_file() and os.path.abspath(e.path) != out:
                names.append(e.name)
    return sorted(names)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Write the store list for a folder of files.")
    parser.add_argument("folder", help="folder holding the published files")
    parser.add_argument("-o", "--output", help=f"list file to write (default FOLDER/{LIST_NAME})")
    args = parser.parse_args(argv)
    output = args.output or os.path.join(args.folder, LIST_NAME)

    try:
        names = list_names(args.folder, output)
    except OSError as e:
        print(f"publish_store: cannot read {args.folder}: {e.strerror}", file=sys.stderr)
        return 2
    # A line break in a name would split it into two entries of the list.
    bad = [n for n in names if "\n" in n or "\r" in n]
    if bad:
        for n in bad:
            print(f"publish_store: refused: file name {n!r} contains a line break; rename it",
                  file=sys.stderr)
        return 2

    data = "".join(FRAGMENT + n + "\n" for n in names).encode("utf-8", "surrogateescape")
    tmp = output + ".tmp"
    try:
        with open(tmp, "wb") as f:
            f.write(data)
        os.replace(tmp, output)
    except OSError as e:
        print(f"publish_store: cannot write {output}: {e.strerror}", file=sys.stderr)
        return 2
    print(f"publish_store: {len(names)} files listed in {output}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
