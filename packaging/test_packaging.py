#!/usr/bin/env python3
"""Tests of the release scripts: a package that is wrong in any one way fails its check, the
zip is the same bytes whatever the files' dates, and the guide check finds a message the guide
lacks. KRONILOG_DLL names a release kronilog.dll to pack (.ci/release gives it).

Run: KRONILOG_DLL=build-win32/kronilog.dll python3 packaging/test_packaging.py
"""
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent
VERSION = "1.0.0"
DLL = os.environ.get("KRONILOG_DLL")


def run(script, *args, env=None):
    return subprocess.run([sys.executable, str(HERE / script), *map(str, args)], env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


@unittest.skipUnless(DLL and Path(DLL).is_file(), "KRONILOG_DLL names no release DLL")
class Package(unittest.TestCase):
    def setUp(self):
        self.work = Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.work)

    def pack(self, name, dll=DLL, env=None):
        output = self.work / name
        done = run("make_package.py", "--dll", dll, "--version", VERSION, "--source", ROOT,
                   "--work", self.work / (name + ".files"), "--output", output, env=env)
        self.assertEqual(done.returncode, 0, done.stdout)
        return output

    def test_the_same_bytes_whatever_the_time_and_the_files_dates(self):
        first = self.pack("first.zip")
        older = self.work / "kronilog.dll"
        shutil.copy(DLL, older)
        os.utime(older, (1e9, 1e9))  # the same DLL with another date, as another build leaves it
        second = self.pack("second.zip", dll=older)
        self.assertEqual(first.read_bytes(), second.read_bytes())
        dated = self.pack("dated.zip", env=dict(os.environ, SOURCE_DATE_EPOCH="1767225600"))
        with zipfile.ZipFile(dated) as archive:
            self.assertEqual({i.date_time for i in archive.infolist()}, {(2026, 1, 1, 0, 0, 0)})

    def test_a_package_wrong_in_any_one_way_fails_its_check(self):
        good = self.pack("good.zip")
        with zipfile.ZipFile(good) as archive:
            files = {name: archive.read(name) for name in archive.namelist()}
        self.assertEqual(run("check_package.py", good, "--version", VERSION).returncode, 0)

        def at(data, needle, replacement):
            self.assertIn(needle, data)
            return data.replace(needle, replacement, 1)

        def stamped(dll):
            pe = struct.unpack_from("<I", dll, 0x3C)[0]
            return dll[:pe + 8] + struct.pack("<I", 1234567) + dll[pe + 12:]

        utf16 = lambda text: text.encode("utf-16-le")  # noqa: E731
        wrongs = {
            "the DLL's version": ("kronilog.dll", lambda d: at(d, utf16("1.0.0\0"), utf16("1.0.1\0")),
                                  "not '1.0.0'"),
            "a time stamp": ("kronilog.dll", stamped, "time stamp"),
            "a debug section": ("kronilog.dll", lambda d: at(d, b".rdata\0\0", b".debug_a"),
                                "debug sections"),
            "an English description": ("kronilog.dll",
                                       lambda d: at(d, utf16("Eksport sprzeda\u017cy kart lojalno\u015bciowych"),
                                                    utf16("Loyalty card sales export for Kronilog")),
                                       "not in Polish"),
            "the guide's text without Windows line ends":
                ("INSTRUKCJA.txt", lambda d: d.replace(b"\r\n", b"\n"), "Windows line ends"),
            "settings with Unix line ends": ("Kronilog.ini", lambda d: d.replace(b"\r\n", b"\n"),
                                             "Windows line ends"),
            "the guide of another version": ("INSTRUKCJA.md", lambda d: d.replace(b"wersja 1.0.0", b"wersja 0.9"),
                                             "not the guide of version"),
            "no section for the version": ("CHANGELOG.md", lambda d: at(d, b"## [1.0.0]", b"## [0.9]"),
                                           "no section"),
        }
        for what, (name, change, complaint) in wrongs.items():
            with self.subTest(what):
                changed = dict(files, **{name: change(files[name])})
                # The sums match the changed file, so that only the wrong itself can fail.
                changed["SHA256SUMS"] = "".join(
                    f"{hashlib.sha256(data).hexdigest()}  {n}\n"
                    for n, data in changed.items() if n != "SHA256SUMS").encode()
                done = run("check_package.py", self.zip(changed), "--version", VERSION)
                self.assertNotEqual(done.returncode, 0, what)
                self.assertIn(complaint, done.stdout)

        with self.subTest("a sum that does not match"):
            changed = dict(files, **{"CHANGELOG.md": files["CHANGELOG.md"] + b"\n"})
            done = run("check_package.py", self.zip(changed), "--version", VERSION)
            self.assertIn("the sum of CHANGELOG.md does not match", done.stdout)
        with self.subTest("a file missing"):
            changed = {n: d for n, d in files.items() if n != "kronilog-report.xsd"}
            done = run("check_package.py", self.zip(changed), "--version", VERSION)
            self.assertIn("not ['kronilog.dll'", done.stdout)

    def zip(self, files):
        path = self.work / f"changed-{len(list(self.work.glob('changed-*')))}.zip"
        with zipfile.ZipFile(path, "w") as archive:
            for name, data in files.items():
                archive.writestr(name, data)
        return path


class Guide(unittest.TestCase):
    def tree(self, source, guide):
        root = Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, root)
        for folder in ("frame", "settings", "export", "mail", "docs"):
            (root / folder).mkdir()
        (root / "export" / "texts.cpp").write_bytes(source)
        (root / "docs" / "INSTRUKCJA.md").write_text(guide, encoding="utf-8")
        return root

    def test_a_message_the_guide_lacks_is_named(self):
        source = (b'#include "export/texts.h"\n'
                  b'static_assert(sizeof(int) == 4, "an int has four bytes");\n'
                  b'// "B\\x92\\x86" "d" in a comment is no message\n'
                  b'constexpr char kText[] = "B\\x92\\x86" "d zapisu pliku %s!\\nRaport nie zosta\\x92 wys\\x92" "any.";\n')
        cases = {
            "quoted in a blockquote, the file name left out": ("> Błąd zapisu pliku ...!\n> Raport nie został wysłany.\n", True),
            "one line of it missing": ("> Błąd zapisu pliku ...!\n", False),
            "a word changed": ("> Błąd zapisu pliku ...!\n> Raport nie został zapisany.\n", False),
        }
        for what, (guide, passes) in cases.items():
            with self.subTest(what):
                done = run("check_guide.py", self.tree(source, guide))
                self.assertEqual(done.returncode == 0, passes, done.stdout)
                if not passes:
                    self.assertIn("export/texts.cpp", done.stdout)


if __name__ == "__main__":
    unittest.main()
