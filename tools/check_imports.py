#!/usr/bin/env python3
"""check_imports.py OBJDUMP LIST BINARY...: fails when a Windows binary
imports a function that the LIST (tools/xp_missing_imports.txt) names as
missing from Windows XP SP3.

With --expect NAME it instead checks the checker: it passes only when the
binaries import NAME from the list and nothing else from it.

With --only DLL,DLL,... it also fails when a binary imports from any other
library: the add-in must load nothing that its host has not loaded already."""
import subprocess
import sys


def forbidden(path):
    names = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].split()
            if not line:
                continue
            dll, func = line
            names[(dll.lower(), func)] = True
    return names


def imports(objdump, binary):
    """The (dll, function) pairs of BINARY's import tables."""
    text = subprocess.run([objdump, "-p", binary], check=True,
                          capture_output=True, text=True).stdout
    found, dll = [], None
    for line in text.splitlines():
        stripped = line.strip()
        if stripped.startswith("DLL Name:"):
            dll = stripped.split(":", 1)[1].strip().lower()
            dll = dll[:-4] if dll.endswith(".dll") else dll
        elif dll and line.startswith("\t") and not stripped.startswith("vma:"):
            parts = stripped.split()
            # "<vma> <hint> <name>"; an import by ordinal has no name.
            if len(parts) >= 3:
                found.append((dll, parts[2]))
        elif not stripped:
            continue
        elif not line.startswith("\t"):
            dll = None
    return found


def main(argv):
    expect = only = None
    while len(argv) > 2 and argv[1] in ("--expect", "--only"):
        if argv[1] == "--expect":
            expect = argv[2]
        else:
            only = {d.strip().lower() for d in argv[2].split(",") if d.strip()}
        argv = argv[:1] + argv[3:]
    if len(argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    objdump, listfile, binaries = argv[1], argv[2], argv[3:]
    bad = forbidden(listfile)
    hits = []
    for binary in binaries:
        found = imports(objdump, binary)
        # A binary that seems to import nothing was misread, not clean.
        if not any(dll == "kernel32" for dll, _ in found):
            print(f"{binary}: no imports from kernel32 read; is it a Windows binary?")
            return 1
        for dll, func in found:
            if (dll, func) in bad:
                hits.append((binary, dll, func))
        if only is not None:
            extra = sorted({dll for dll, _ in found} - only)
            if extra:
                print(f"{binary}: imports from {', '.join(extra)}, beyond {', '.join(sorted(only))}")
                return 1
    for binary, dll, func in hits:
        print(f"{binary}: imports {dll}!{func}, which Windows XP SP3 does not have")
    if expect is not None:
        names = {func for _, _, func in hits}
        if names == {expect}:
            print(f"the check finds {expect} and nothing else")
            return 0
        print(f"expected the check to find only {expect}, it found {sorted(names) or 'nothing'}")
        return 1
    if not hits:
        print(f"{len(binaries)} binaries import nothing that Windows XP SP3 lacks")
    return 1 if hits else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
