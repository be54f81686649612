#!/usr/bin/env python3
"""Tests of the release scripts: a release that is wrong in any one way fails its check, the
zip is the same bytes whatever the files' dates and the build's folder, the release's folder
ends up holding the zip, its checksum and the debug file alone, and the guide check finds a
message, a zipped file or a word of the export log the guide lacks, and a menu code or a
version it names that the sources do not have. KRONILOG_DLL names a release kronilog.dll to pack,
with its kronilog.dll.debug and the build's build-options.txt beside it (.ci/release gives
build-win32/kronilog.dll).

Run: KRONILOG_DLL=build-win32/kronilog.dll python3 packaging/test_packaging.py
"""
import hashlib
import os
import re
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
VERSION = re.search(r"project\(kronilog VERSION ([\d.]+)", (ROOT / "CMakeLists.txt").read_text()).group(1)
DLL = os.environ.get("KRONILOG_DLL")
sys.path.insert(0, str(HERE))
import buildinfo  # noqa: E402
from make_package import PACKAGE_FILES  # noqa: E402


def run(script, *args, env=None, cwd=None):
    return subprocess.run([sys.executable, str(HERE / script), *map(str, args)], env=env, cwd=cwd,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


def temporary_folder(test):
    folder = Path(tempfile.mkdtemp())
    test.addCleanup(shutil.rmtree, folder)
    return folder


@unittest.skipUnless(DLL and Path(DLL).is_file(), "KRONILOG_DLL names no release DLL")
class Package(unittest.TestCase):
    def setUp(self):
        self.work = temporary_folder(self)
        self.options = Path(DLL).with_name("build-options.txt")

    def pack(self, name, dll=DLL, env=None, options=None, folder=None):
        output = (folder or self.work / name) / name
        done = run("make_package.py", "--dll", dll, "--debug", DLL + ".debug", "--version", VERSION,
                   "--source", ROOT, "--build-options", options or self.options,
                   "--work", self.work / (name + ".files"), "--output", output, env=env)
        self.assertEqual(done.returncode, 0, done.stdout)
        return output

    def test_the_same_bytes_whatever_the_time_the_files_dates_and_the_build_folder(self):
        first = self.pack("first.zip")
        older = self.work / "kronilog.dll"
        shutil.copy(DLL, older)
        os.utime(older, (1e9, 1e9))  # the same DLL with another date, as another build leaves it
        second = self.pack("second.zip", dll=older)
        self.assertEqual(first.read_bytes(), second.read_bytes())

        # Another clone in another folder: its folders appear only as placeholders.
        options = buildinfo.read_options(self.options)
        moved = self.options.read_text().replace(options["source_dir"], "/elsewhere/a clone")
        (self.work / "moved-options.txt").write_text(moved)
        third = self.pack("third.zip", options=self.work / "moved-options.txt")
        self.assertEqual(first.read_bytes(), third.read_bytes())

        dated = self.pack("dated.zip", env=dict(os.environ, SOURCE_DATE_EPOCH="1767225600"))
        with zipfile.ZipFile(dated) as archive:
            self.assertEqual({i.date_time for i in archive.infolist()}, {(2026, 1, 1, 0, 0, 0)})

    def test_the_release_folder_holds_the_zip_its_checksum_and_the_debug_file(self):
        folder = self.work / "dist"
        folder.mkdir()
        for leftover in ("kronilog-0.9.0-win32.zip", "kronilog-0.9.0-win32.zip.sha256",
                         "kronilog.dll.debug", f"kronilog-{VERSION}-win32.zip.part"):
            (folder / leftover).write_bytes(b"from an earlier release")
        zip_path = self.pack(f"kronilog-{VERSION}-win32.zip", folder=folder)
        self.assertEqual(sorted(p.name for p in folder.iterdir()),
                         sorted([zip_path.name, zip_path.name + ".sha256", "kronilog.dll.debug"]))
        self.assertEqual((folder / "kronilog.dll.debug").read_bytes(), Path(DLL + ".debug").read_bytes())
        verified = subprocess.run(["sha256sum", "-c", zip_path.name + ".sha256"], cwd=folder,
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.assertEqual(verified.returncode, 0, verified.stdout)
        done = run("check_package.py", zip_path, "--version", VERSION)
        self.assertEqual(done.returncode, 0, done.stdout)

    def test_a_release_wrong_in_any_one_way_fails_its_check(self):
        good = self.pack(f"kronilog-{VERSION}-win32.zip")
        with zipfile.ZipFile(good) as archive:
            files = {name: archive.read(name) for name in archive.namelist()}
        debug = Path(DLL + ".debug").read_bytes()
        self.assertEqual(run("check_package.py", good, "--version", VERSION).returncode, 0)

        def at(data, needle, replacement):
            self.assertTrue(needle in data, f"{needle!r} is not there to change")
            return data.replace(needle, replacement, 1)

        def stamped(dll):
            pe = struct.unpack_from("<I", dll, 0x3C)[0]
            return dll[:pe + 8] + struct.pack("<I", 1234567) + dll[pe + 12:]

        utf16 = lambda text: text.encode("utf-16-le")  # noqa: E731
        wrongs = {
            "the DLL's version": ("kronilog.dll", lambda d: at(d, utf16(VERSION + "\0"), utf16("0.0.1\0")),
                                  f"not '{VERSION}'"),
            "a time stamp": ("kronilog.dll", stamped, "time stamp"),
            "a debug section": ("kronilog.dll", lambda d: at(d, b".rdata\0\0", b".debug_a"),
                                "debug sections"),
            "an English description": ("kronilog.dll",
                                       lambda d: at(d, utf16("Eksport sprzeda\u017cy na karty lojalno\u015bciowe"),
                                                    utf16("Sales on loyalty cards, export to Kronil")),
                                       "not in Polish"),
            "no company": ("kronilog.dll", lambda d: at(d, utf16("CompanyName"), utf16("CompanyNamX")),
                           "CompanyName"),
            "no copyright": ("kronilog.dll", lambda d: at(d, utf16("LegalCopyright"), utf16("LegalCopyrighX")),
                             "LegalCopyright"),
            "no link to the debug file": ("kronilog.dll", lambda d: at(d, b".gnu_debuglink\0", b".gnu_debuglinx\0"),
                                          "no .gnu_debuglink"),
            "an import Windows XP lacks": ("kronilog.dll", lambda d: at(d, b"Sleep\0", b"Sleeq\0"),
                                           "KERNEL32.dll!Sleeq, not known on Windows XP"),
            "the guide's text without Windows line ends":
                ("INSTRUKCJA.txt", lambda d: d.replace(b"\r\n", b"\n"), "Windows line ends"),
            "settings with Unix line ends": ("Kronilog.ini", lambda d: d.replace(b"\r\n", b"\n"),
                                             "Windows line ends"),
            "the guide of another version": ("INSTRUKCJA.md", lambda d: d.replace(f"wersja {VERSION}".encode(), b"wersja 0.9"),
                                             "not the guide of version"),
            "a history without its byte-order mark": ("ZMIANY.txt", lambda d: d[3:], "byte-order mark"),
            "a history with Unix line ends": ("ZMIANY.txt", lambda d: d.replace(b"\r\n", b"\n"),
                                              "ZMIANY.txt does not have Windows line ends"),
            "a history without the version": ("ZMIANY.txt", lambda d: at(d, f"Wersja {VERSION}".encode(), b"Wersja 0.9"),
                                              "no section"),
            "a build description without the commit": ("BUILDINFO.txt", lambda d: re.sub(rb"Commit: \w+", b"Commit: ?", d),
                                                       "names no commit"),
            "a build description naming a folder": ("BUILDINFO.txt", lambda d: d.replace(b"<source>", b"/home/someone/kronilog"),
                                                    "names a folder of the build machine"),
            "a build description without the compiler": ("BUILDINFO.txt", lambda d: at(d, b"\nCompiler:", b"\nCompiled:"),
                                                         "the compiler"),
        }
        for what, (name, change, complaint) in wrongs.items():
            with self.subTest(what):
                changed = dict(files, **{name: change(files[name])})
                # The sums match the changed file, so that only the wrong itself can fail.
                changed["SHA256SUMS"] = "".join(
                    f"{hashlib.sha256(data).hexdigest()}  {n}\r\n"
                    for n, data in changed.items() if n != "SHA256SUMS").encode()
                done = run("check_package.py", self.release(changed, debug), "--version", VERSION)
                self.assertNotEqual(done.returncode, 0, what)
                self.assertIn(complaint, done.stdout)

        beside = {
            "a sum in the zip that does not match":
                (dict(files, **{"INSTRUKCJA.md": files["INSTRUKCJA.md"] + b"\n"}), debug, {},
                 "the sum of INSTRUKCJA.md does not match"),
            "sums with LF line ends, one line in an old Notepad":
                (dict(files, **{"SHA256SUMS": files["SHA256SUMS"].replace(b"\r\n", b"\n")}), debug, {},
                 "every line must end in CR LF"),
            "a file missing": ({n: d for n, d in files.items() if n != "kronilog-report.xsd"}, debug, {},
                               "not ['kronilog.dll'"),
            "the English change log still zipped": (dict(files, **{"CHANGELOG.md": b"# Changelog\n"}), debug, {},
                                                    "not ['kronilog.dll'"),
            "a debug file from another link": (files, debug[:-1] + bytes([debug[-1] ^ 1]), {},
                                               "CRC-32 differs"),
            "no debug file": (files, None, {}, "lacks kronilog.dll.debug"),
            "another file beside the zip": (files, debug, {"kronilog.dll": files["kronilog.dll"]},
                                            "holds kronilog.dll, which is no part of the release"),
            "a checksum of another zip": (files, debug, {"sha256": b"0" * 64 + b"  other.zip\n"},
                                          "is not the zip's sum"),
        }
        for what, (contents, debug_file, extra, complaint) in beside.items():
            with self.subTest(what):
                done = run("check_package.py", self.release(contents, debug_file, extra), "--version", VERSION)
                self.assertNotEqual(done.returncode, 0, what)
                self.assertIn(complaint, done.stdout)

    def release(self, files, debug, extra=None):
        """A release folder: the zip of these files, its checksum (or extra["sha256"]), the
        debug file unless None, and any other extra file."""
        extra = dict(extra or {})
        folder = self.work / f"release-{len(list(self.work.glob('release-*')))}"
        folder.mkdir()
        path = folder / f"kronilog-{VERSION}-win32.zip"
        with zipfile.ZipFile(path, "w") as archive:
            for name, data in files.items():
                archive.writestr(name, data)
        checksum = extra.pop("sha256", f"{hashlib.sha256(path.read_bytes()).hexdigest()}  {path.name}\n".encode())
        (folder / (path.name + ".sha256")).write_bytes(checksum)
        if debug is not None:
            (folder / "kronilog.dll.debug").write_bytes(debug)
        for name, data in extra.items():
            (folder / name).write_bytes(data)
        return path


class BuildDescription(unittest.TestCase):
    OPTIONS = {"source_dir": "/src/kronilog", "binary_dir": "/src/kronilog/build-win32",
               "cmake": "3.25.1", "toolchain_file": "mingw-i686-posix.cmake",
               "cxx_compiler": "/nonexistent/g++", "linker": "/nonexistent/ld",
               "objcopy": "/nonexistent/objcopy", "rc_compiler": "windres-nonexistent",
               "build_type": "Release", "cxx_standard": "20", "cxx_flags": "-O2 -g -DNDEBUG",
               "compile_options": "-ffile-prefix-map=/src/kronilog/= -ffile-prefix-map=/src/kronilog/build-win32=."
                                  " -ffile-prefix-map=/src/kronilog/build-win32/= -fno-rtti",
               "compile_definitions": "", "link_flags": "", "link_options": "-static"}

    def describe(self, **changes):
        options = dict(self.OPTIONS, **changes)
        return buildinfo.describe("1.2.3", options, ("c" * 40, "2026-12-09", False), "d" * 64)

    def test_the_folders_become_placeholders_and_nothing_else_names_one(self):
        text = self.describe()
        self.assertIn("-ffile-prefix-map=<source>/= -ffile-prefix-map=<build>=. "
                      "-ffile-prefix-map=<build>/= -fno-rtti", text)
        other = {key: value.replace("/src/kronilog", "/tmp/another clone/out")
                 for key, value in self.OPTIONS.items() if "/src/kronilog" in value}
        other["compile_options"] = other["compile_options"].replace(
            "/tmp/another clone/out/build-win32", "/tmp/another clone/out/b")
        other["binary_dir"] = "/tmp/another clone/out/b"
        self.assertEqual(self.describe(**other), text)
        cases = {"an include folder": {"compile_options": "-I/usr/include/extra"},
                 "a folder outside the tree": {"link_options": "-L/opt/lib -static"}}
        for what, changes in cases.items():
            with self.subTest(what), self.assertRaisesRegex(ValueError, "names a folder"):
                self.describe(**changes)

    def test_a_tree_with_changes_says_so(self):
        options = dict(self.OPTIONS)
        text = buildinfo.describe("1.2.3", options, ("c" * 40, "2026-12-09", True), "d" * 64)
        self.assertIn("WITH UNCOMMITTED CHANGES", text)


class Guide(unittest.TestCase):
    PACKAGE_CHAPTER = "## 3. Zawartość paczki\n\n" + "".join(f"- {name}: plik.\n" for name in PACKAGE_FILES)
    OPENING = ("Wtyczka Kronilog, wersja 1.2.3, do programu Targomir.\n\nPaczka kronilog-1.2.3-win32.zip."
               " Wersja pliku to 1.2.3.0, wersja\nproduktu to 1.2.3. Pozycja w menu o kodzie menu 0x400C.\n\n")
    LOG_SOURCE = (b'const char* OutcomeWord(ExportOutcome outcome) {\n  switch (outcome) {\n'
                  b'    case ExportOutcome::kSent: return "wyslany";\n'
                  b'    case ExportOutcome::kHandedOver: return "przekazany";\n  }\n  return "?";\n}\n'
                  b'constexpr char kLine[] = "%s %s okres=%s wynik=%s poczta=%s%s "\n    "wersja=%s%s";\n'
                  b'constexpr char kRefused[] = " powod=brak-uslug brak=";\n'
                  b'void Note(char* notes) { AddLogNote(notes, "blokada=brak"); }\n')
    LOG_CHAPTER = ("\n## 9. Dziennik eksportu Kronilog.log\n\n- okres=: dni.\n- wynik=: wynik=wyslany albo"
                   " wynik=przekazany.\n- poczta=: odpowiedź.\n- wersja=: wersja wtyczki.\n"
                   "- blokada=brak: bez blokady.\n- powod=brak-uslug brak=30908: brak usług.\n")

    def tree(self, source, guide, log_source=LOG_SOURCE, opening=OPENING, log_chapter=LOG_CHAPTER):
        """A source tree with the given message source, a guide of the opening, the given text and
        the log chapter, and the version, menu code and export log they must agree with."""
        root = temporary_folder(self)
        for folder in ("entry", "binding", "settings", "export", "mail", "docs"):
            (root / folder).mkdir()
        (root / "CMakeLists.txt").write_text("project(kronilog VERSION 1.2.3 LANGUAGES C CXX)\n")
        (root / "entry" / "entry_points.cpp").write_bytes(b"constexpr std::uint16_t kMenuCode = 0x400C;\n")
        (root / "export" / "export_log.cpp").write_bytes(log_source)
        (root / "export" / "texts.cpp").write_bytes(source)
        (root / "docs" / "INSTRUKCJA.md").write_text(opening + guide + log_chapter, encoding="utf-8")
        return root

    def assert_check(self, root, complaint):
        """The guide check passes (complaint None) or fails saying complaint."""
        done = run("check_guide.py", root)
        self.assertEqual(done.returncode == 0, complaint is None, done.stdout)
        if complaint:
            self.assertIn(complaint, done.stdout)

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
                done = run("check_guide.py", self.tree(source, guide + self.PACKAGE_CHAPTER))
                self.assertEqual(done.returncode == 0, passes, done.stdout)
                if not passes:
                    self.assertIn("export/texts.cpp", done.stdout)

    def test_the_package_chapter_names_the_zips_files_and_no_other(self):
        chapter = self.PACKAGE_CHAPTER
        cases = {
            "every file in the list": (chapter, None),
            "two files in one item, one of them in the text":
                (chapter.replace("- INSTRUKCJA.md: plik.\n", "").replace(
                    "- INSTRUKCJA.txt: plik.", "- INSTRUKCJA.txt i INSTRUKCJA.md: ten sam tekst."), None),
            "a zipped file left out": (chapter.replace("- ZMIANY.txt: plik.\n", ""), "does not name ZMIANY.txt"),
            "a file the zip does not hold": (chapter + "- CHANGELOG.md: plik.\n", "lists CHANGELOG.md"),
            "no such chapter": (chapter.replace("Zawartość paczki", "Pliki"), "no chapter"),
            "the files named in another chapter only":
                ("## 3. Zawartość paczki\n\nPliki.\n\n## 4. Inne\n\n" + chapter.split("\n\n", 1)[1],
                 "does not name kronilog.dll"),
        }
        for what, (guide, complaint) in cases.items():
            with self.subTest(what):
                done = run("check_guide.py", self.tree(b"", "Wstęp.\n\n" + guide))
                self.assertEqual(done.returncode == 0, complaint is None, done.stdout)
                if complaint:
                    self.assertIn(complaint, done.stdout)

    def test_the_log_chapter_explains_every_field_outcome_and_note_the_log_writes(self):
        chapter = self.LOG_CHAPTER
        new_word = self.LOG_SOURCE.replace(b"  }\n", b'    case ExportOutcome::kLost: return "zgubiony";\n  }\n')
        cases = {
            "all explained": (chapter, self.LOG_SOURCE, None),
            "an outcome word left out": (chapter.replace(" albo wynik=przekazany", ""), self.LOG_SOURCE,
                                         "does not explain wynik=przekazany"),
            "a field left out": (chapter.replace("- wersja=: wersja wtyczki.\n", ""), self.LOG_SOURCE,
                                 "does not explain wersja="),
            "a note left out": (chapter.replace("- blokada=brak: bez blokady.\n", ""), self.LOG_SOURCE,
                                "does not explain blokada=brak"),
            "a new outcome word in the code": (chapter, new_word, "does not explain wynik=zgubiony"),
            "no such chapter": (chapter.replace("Dziennik eksportu", "Dziennik"), self.LOG_SOURCE, "no chapter"),
        }
        for what, (log_chapter, log_source, complaint) in cases.items():
            with self.subTest(what):
                self.assert_check(self.tree(b"", self.PACKAGE_CHAPTER, log_source=log_source,
                                            log_chapter=log_chapter), complaint)

    def test_the_guide_names_the_version_and_the_menu_code_the_sources_have(self):
        opening = self.OPENING
        cases = {
            "as the sources have them": (opening, None),
            "an older package name left": (opening.replace("kronilog-1.2.3", "kronilog-1.2.2"),
                                           "names 1.2.2 as the package's name, not 1.2.3"),
            "the file version without its fourth number": (opening.replace("1.2.3.0", "1.2.3"),
                                                           "names 1.2.3 as the DLL's file version, not 1.2.3.0"),
            "an older product version, named across a line break":
                (opening.replace("produktu to 1.2.3", "produktu to 1.1.0"),
                 "names 1.1.0 as the DLL's product version, not 1.2.3"),
            "an older version in the opening line": (opening.replace("wersja 1.2.3,", "wersja 1.1.0,"),
                                                     "names 1.1.0 as its opening line, not 1.2.3"),
            "no opening line": (opening.replace("Wtyczka Kronilog, wersja 1.2.3, do programu Targomir.", ""),
                                'does not open with "Wtyczka Kronilog, wersja 1.2.3"'),
            "another menu code": (opening.replace("0x400C", "0x400D"), "does not name the menu code 0x400C"),
        }
        for what, (text, complaint) in cases.items():
            with self.subTest(what):
                self.assert_check(self.tree(b"", self.PACKAGE_CHAPTER, opening=text), complaint)


if __name__ == "__main__":
    unittest.main()
