#!/usr/bin/env python3
"""Unpacks the newest release zip in a folder, checks what is in it, and
starts the unpacked BRINDLE.exe under Wine (the 32-bit one where this
machine starts 32-bit programs, else the 64-bit one) until its hub shows.

    zip_test.py ZIP_DIR STARTWAIT_EXE WINERUN
"""
import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import unittest
import zipfile

ZIP_DIR, STARTWAIT, WINERUN = sys.argv[1:4]
HUB = "BRINDLE Plus - Windows XP Fenwick! - VB7"
BINARIES = ["BRINDLE.exe", "Quillstone.dll", "ml2vb.exe"]
I386, AMD64 = 0x14C, 0x8664


def newest_zip():
    zips = glob.glob(os.path.join(ZIP_DIR, "BRINDLE-Plus-*.zip"))
    if not zips:
        raise AssertionError(f"no BRINDLE-Plus-*.zip in {ZIP_DIR}")
    return max(zips, key=os.path.getmtime)


def pe_header(data):
    """Machine, symbol table pointer, symbol count and section names."""
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
    machine, sections, _, symbols_at, symbols, optional_size = struct.unpack_from(
        "<HHIIIH", data, pe + 4)
    first = pe + 24 + optional_size
    names = [data[first + 40 * i:first + 40 * i + 8].rstrip(b"\0").decode("latin-1")
             for i in range(sections)]
    return machine, symbols_at, symbols, names


def product_version(data):
    """The ProductVersion string of a PE file's version block."""
    key = "ProductVersion\0".encode("utf-16-le")
    at = data.find(key)
    assert at > 0, "no ProductVersion in the version block"
    at += len(key)
    at += (4 - at % 4) % 4  # the value starts on a 32-bit boundary
    end = data.find(b"\0\0", at)
    while (end - at) % 2:
        end = data.find(b"\0\0", end + 1)
    return data[at:end].decode("utf-16-le")


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def can_run_32bit():
    # As the brindle script decides it: tried, not guessed.
    if os.environ.get("BRINDLE_NO_I386"):
        return False
    loader = "/usr/lib/wine/wine" if os.access("/usr/lib/wine/wine", os.X_OK) else shutil.which("wine")
    if not loader:
        return False
    return subprocess.run([loader, "--version"], capture_output=True).returncode == 0


class ReleaseZip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.zip = newest_zip()
        cls.top = os.path.basename(cls.zip)[:-len(".zip")]
        cls.unpacked = os.path.join(ZIP_DIR, "unpacked")
        shutil.rmtree(cls.unpacked, ignore_errors=True)
        with zipfile.ZipFile(cls.zip) as z:
            cls.names = sorted(z.namelist())
            z.extractall(cls.unpacked)
        cls.folder = os.path.join(cls.unpacked, cls.top)

    def read(self, *parts):
        with open(os.path.join(self.folder, *parts), "rb") as f:
            return f.read()

    def test_holds_both_bitnesses_and_the_readme_in_one_folder(self):
        expected = [f"{self.top}/README.txt"] + [f"{self.top}/{n}" for n in BINARIES] + \
                   [f"{self.top}/x64/{n}" for n in BINARIES]
        self.assertEqual(self.names, sorted(expected))

    def test_binaries_are_stripped_and_of_their_folders_bitness(self):
        for folder, machine in (("", I386), ("x64", AMD64)):
            for name in BINARIES:
                with self.subTest(file=f"{folder}/{name}"):
                    m, symbols_at, symbols, sections = pe_header(self.read(folder, name))
                    self.assertEqual(m, machine)
                    self.assertEqual((symbols_at, symbols), (0, 0), "symbol table left in")
                    self.assertFalse([s for s in sections if s.startswith((".debug", "/"))],
                                     f"debug sections in {sections}")

    def test_brindle_exe_is_under_one_megabyte(self):
        for folder in ("", "x64"):
            size = len(self.read(folder, "BRINDLE.exe"))
            self.assertLess(size, 1 << 20, f"{folder}/BRINDLE.exe is {size} bytes")

    def test_name_carries_the_version_of_the_programs_version_block(self):
        match = re.fullmatch(r"BRINDLE-Plus-(.+)", self.top)
        self.assertTrue(match)
        for folder in ("", "x64"):
            self.assertEqual(product_version(self.read(folder, "BRINDLE.exe")), match.group(1))

    def test_32bit_binaries_import_nothing_that_windows_xp_lacks(self):
        tools = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tools")
        objdump = shutil.which("i686-w64-mingw32-objdump")
        self.assertTrue(objdump, "i686-w64-mingw32-objdump not found")
        run = subprocess.run([sys.executable, os.path.join(tools, "check_imports.py"), objdump,
                              os.path.join(tools, "xp_missing_imports.txt")] +
                             [os.path.join(self.folder, n) for n in BINARIES],
                             capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)

    def test_readme_tells_what_each_file_is_and_how_to_install_and_remove(self):
        raw = self.read("README.txt")
        self.assertNotIn(b"\n", raw.replace(b"\r\n", b""), "a line break that is not CR LF")
        text = raw.decode("ascii")
        version = self.top[len("BRINDLE-Plus-"):]
        for needed in BINARIES + ["x64\\", "regsvr32 Quillstone.dll", "regsvr32 /u Quillstone.dll",
                                  "administrator", "XP", "VB6", "/appstore/uploaded_files.txt",
                                  version]:
            self.assertIn(needed, text)
        self.assertNotIn("@", text, "a placeholder was left in")

    def test_unpacked_ml2vb_converts(self):
        exe = os.path.join(self.folder, "x64", "ml2vb.exe")
        out = subprocess.run([WINERUN, exe], input=b'say "hi"\r\nbye', capture_output=True,
                             timeout=120)
        self.assertEqual(out.returncode, 0, out.stderr)
        self.assertEqual(out.stdout, b'"say ""hi""" & vbNewLine & "bye"')

    def test_unpacked_brindle_shows_its_hub_and_ends_when_it_is_closed(self):
        folder = "" if can_run_32bit() else "x64"
        exe = os.path.join(self.folder, folder, "BRINDLE.exe")
        run = subprocess.run([WINERUN, STARTWAIT, windows_path(exe), HUB, "60000"],
                             capture_output=True, text=True, timeout=180)
        print(f"{folder or '32-bit'} BRINDLE.exe: {run.stdout.strip()}")
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assertIn("window shown", run.stdout)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
