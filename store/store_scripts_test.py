"""Runs the publishing script and the demo store as a user would."""

import os
import subprocess
import sys
import tempfile
import unittest
import urllib.error
import urllib.request
import zipfile
import io

HERE = os.path.dirname(os.path.abspath(__file__))
PUBLISH = os.path.join(HERE, "publish_store.py")
DEMO = os.path.join(HERE, "demo_store.py")
FRAGMENT = "../public_html/appstore/"


def touch(path, data=b"x"):
    with open(path, "wb") as f:
        f.write(data)


class PublishTest(unittest.TestCase):
    def run_publish(self, *args):
        return subprocess.run([sys.executable, PUBLISH, *args], capture_output=True, text=True,
                              timeout=60)

    def test_lists_regular_files_sorted_and_skips_folders_and_itself(self):
        with tempfile.TemporaryDirectory() as d:
            for n in ["b.zip", "a.zip", "paint demo.zip", "Z.txt"]:
                touch(os.path.join(d, n))
            os.mkdir(os.path.join(d, "sub"))
            touch(os.path.join(d, "sub", "inner.zip"))
            touch(os.path.join(d, "uploaded_files.txt"), b"stale\n")
            r = self.run_publish(d)
            self.assertEqual(r.returncode, 0, r.stderr)
            with open(os.path.join(d, "uploaded_files.txt"), "rb") as f:
                data = f.read()
            self.assertEqual(data, b"../public_html/appstore/Z.txt\n"
                                   b"../public_html/appstore/a.zip\n"
                                   b"../public_html/appstore/b.zip\n"
                                   b"../public_html/appstore/paint demo.zip\n")

    def test_empty_folder_gives_empty_list_and_output_option_is_honoured(self):
        with tempfile.TemporaryDirectory() as d, tempfile.TemporaryDirectory() as out:
            target = os.path.join(out, "list.txt")
            r = self.run_publish(d, "-o", target)
            self.assertEqual(r.returncode, 0, r.stderr)
            with open(target, "rb") as f:
                self.assertEqual(f.read(), b"")

    def test_refuses_names_with_line_breaks_and_writes_nothing(self):
        for bad in ["two\nlines.zip", "cr\r.zip"]:
            with tempfile.TemporaryDirectory() as d:
                touch(os.path.join(d, "ok.zip"))
                touch(os.path.join(d, bad))
                r = self.run_publish(d)
                self.assertEqual(r.returncode, 2)
                self.assertIn("line break", r.stderr)
                self.assertIn(repr(bad), r.stderr)
                self.assertFalse(os.path.exists(os.path.join(d, "uploaded_files.txt")))

    def test_missing_folder_is_reported(self):
        with tempfile.TemporaryDirectory() as d:
            r = self.run_publish(os.path.join(d, "nothing"))
            self.assertEqual(r.returncode, 2)
            self.assertIn("cannot read", r.stderr)


class DemoStoreTest(unittest.TestCase):
    def setUp(self):
        self.proc = subprocess.Popen([sys.executable, DEMO, "--port", "0"],
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline()
        self.assertIn("http://127.0.0.1:", line)
        self.base = line.split()[-1]  # ends with /appstore/

    def tearDown(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(timeout=30)
        self.proc.stdout.close()
        self.proc.stderr.close()

    def get(self, url):
        with urllib.request.urlopen(url, timeout=30) as r:
            return r.read()

    def test_serves_a_list_whose_entries_all_download(self):
        data = self.get(self.base + "uploaded_files.txt").decode("ascii")
        self.assertTrue(data.endswith("\n"))
        lines = data.split("\n")[:-1]
        self.assertGreaterEqual(len(lines), 3)
        for line in lines:
            self.assertTrue(line.startswith(FRAGMENT), line)
            name = line[len(FRAGMENT):]
            body = self.get(self.base + urllib.request.quote(name))
            self.assertTrue(body)
            if name.endswith(".zip"):
                self.assertIsNone(zipfile.ZipFile(io.BytesIO(body)).testzip())
        self.assertIn(FRAGMENT + "paint demo.zip", lines)

    def test_answers_404_elsewhere_and_stops_cleanly_on_sigterm(self):
        for path in ["/", "/appstore/", "/appstore/missing.zip", "/uploaded_files.txt"]:
            with self.assertRaises(urllib.error.HTTPError) as e:
                self.get(self.base.replace("/appstore/", path))
            self.assertEqual(e.exception.code, 404)
        self.proc.terminate()
        self.assertEqual(self.proc.wait(timeout=30), 0)
        self.assertEqual(self.proc.stderr.read(), "")


if __name__ == "__main__":
    unittest.main()
