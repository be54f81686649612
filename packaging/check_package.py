#!/usr/bin/env python3
"""Checks a release as a shop and support get it: the zip and what lies beside it.

- The zip's folder holds the zip, <zip>.sha256 (the zip's sum, as sha256sum -c reads it) and
  kronilog.dll.debug, and nothing else.
- The zip holds exactly the package's files, in the package's order (make_package.py), and
  SHA256SUMS names every other file once, and every sum matches.
- INSTRUKCJA.txt is INSTRUKCJA.md with Windows line ends (and a byte-order mark); the guide is
  UTF-8 and names the version; ZMIANY.txt is Polish, UTF-8 with a byte-order mark and Windows
  line ends, with a section for the version; BUILDINFO.txt is plain ASCII with Windows line
  ends, names the commit, the compiler, binutils and the options, no folder of the build
  machine, and the debug file's sum; Kronilog.ini is plain ASCII with Windows line ends; the
  schema is well-formed XML.
- kronilog.dll is a 32-bit Windows DLL without a time stamp, symbols or debug sections; its
  version resource names the version (fixed and text), the product, the company and the
  copyright, a description in Polish and its original file name; it imports only functions
  known on Windows XP (windows_imports.py); its .gnu_debuglink names kronilog.dll.debug with
  that file's CRC, and the debug file holds the debug information of the same link.

The export and import tables are .ci/check-exports' to check: --extract DIR leaves the files
there for it. Usage: check_package.py ZIP --version X.Y.Z [--extract DIR]
"""
import argparse
import hashlib
import re
import struct
import sys
import xml.etree.ElementTree as ElementTree
import zipfile
from pathlib import Path

from buildinfo import ABSOLUTE_PATH
from make_package import BOM, DEBUG_FILE, PACKAGE_FILES
from pe_file import RT_VERSION, PortableExecutable, debug_file_crc, version_resource
from windows_imports import unknown_imports

POLISH_LETTERS = set("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ")

problems = []


def problem(text):
    problems.append(text)


# --- the DLL and its debug file ------------------------------------------------------------

def check_version_resource(pe, version):
    resource = pe.resource(RT_VERSION)
    if resource is None:
        problem("kronilog.dll has no version resource")
        return
    try:
        file_version, product_version, texts, translations = version_resource(resource)
    except (ValueError, struct.error, UnicodeDecodeError) as error:
        problem(f"kronilog.dll's version resource cannot be read: {error}")
        return
    parts = version.split(".")
    four_parts = ".".join(parts + ["0"] * (4 - len(parts)))
    for what, found in (("file version", file_version), ("product version", product_version)):
        if found != four_parts:
            problem(f"kronilog.dll's fixed {what} is {found}, not {four_parts}")
    expected = {"FileVersion": version, "ProductVersion": version, "ProductName": "Kronilog",
                "OriginalFilename": "kronilog.dll"}
    for key, value in expected.items():
        if texts.get(key) != value:
            problem(f"kronilog.dll's {key} is {texts.get(key)!r}, not {value!r}")
    description = texts.get("FileDescription", "")
    if not POLISH_LETTERS & set(description):
        problem(f"kronilog.dll's FileDescription is not in Polish: {description!r}")
    company = texts.get("CompanyName", "")
    if "Kronilog" not in company:
        problem(f"kronilog.dll's CompanyName does not name the project: {company!r}")
    copyright_notice = texts.get("LegalCopyright", "")
    if not ("\u00a9" in copyright_notice and re.search(r"\b20\d\d\b", copyright_notice)
            and "Kronilog" in copyright_notice):
        problem(f"kronilog.dll's LegalCopyright is not a notice with \u00a9, the years and the"
                f" project: {copyright_notice!r}")
    if (0x0415, 1200) not in translations:
        problem("kronilog.dll's version resource does not declare its Polish texts")


def check_debug_link(pe, debug):
    link = pe.debug_link()
    if link is None:
        problem("kronilog.dll has no .gnu_debuglink section naming its debug file")
        return
    name, crc = link
    if name != DEBUG_FILE:
        problem(f"kronilog.dll's .gnu_debuglink names {name!r}, not {DEBUG_FILE!r}")
    if debug is None:
        return
    if debug_file_crc(debug) != crc:
        problem(f"{DEBUG_FILE} is not the file kronilog.dll links to (its CRC-32 differs)")
    try:
        symbols = PortableExecutable(debug)
    except (ValueError, struct.error) as error:
        problem(f"{DEBUG_FILE} is not a PE file: {error}")
        return
    sections = {name for name, *_ in symbols.sections}
    if not {".debug_info", ".debug_line"} <= sections:
        problem(f"{DEBUG_FILE} holds no debug information (.debug_info and .debug_line)")
    if symbols.loaded_sections() != pe.loaded_sections() or symbols.image_base != pe.image_base:
        problem(f"{DEBUG_FILE} does not come from the link of this kronilog.dll: their sections differ")


def check_dll(data, version, debug=None):
    try:
        pe = PortableExecutable(data)
    except (ValueError, struct.error) as error:
        problem(f"kronilog.dll is not a PE file: {error}")
        return
    if pe.machine != 0x14C or pe.magic != 0x10B:
        problem("kronilog.dll is not a 32-bit x86 file")
    if not pe.characteristics & 0x2000:
        problem("kronilog.dll is not a DLL")
    if pe.timestamp != 0:
        problem(f"kronilog.dll carries a time stamp ({pe.timestamp}): two builds would differ")
    if pe.symbols:  # a string table for long section names may stay
        problem("kronilog.dll is not stripped: it has a symbol table")
    debug_sections = [name for name, *_ in pe.sections if name.startswith(".debug")]
    if debug_sections:
        problem(f"kronilog.dll has debug sections: {', '.join(debug_sections)}")
    try:
        unknown = unknown_imports(pe.imports())
    except (ValueError, struct.error) as error:
        problem(f"kronilog.dll's import table cannot be read: {error}")
        unknown = []
    if unknown:
        problem(f"kronilog.dll imports {', '.join(unknown)}, not known on Windows XP: look up the"
                " oldest Windows that has it, then add it to packaging/windows_imports.py or"
                " change the guide's Windows versions")
    check_version_resource(pe, version)
    check_debug_link(pe, debug)


# --- the other files -----------------------------------------------------------------------

def check_sums(contents):
    listed = {}
    text = contents["SHA256SUMS"].decode("ascii", "replace")
    if not text.endswith("\r\n") or text.count("\n") != text.count("\r\n"):
        problem("SHA256SUMS: every line must end in CR LF, which every Notepad shows as lines")
    for line in text.splitlines():
        digest, separator, name = line.partition("  ")
        if not separator or len(digest) != 64 or name in listed:
            problem(f"SHA256SUMS: a line not of the form '<sum>  <file>', or twice: {line!r}")
            continue
        listed[name] = digest
    for name in PACKAGE_FILES[:-1]:
        if name not in listed:
            problem(f"SHA256SUMS does not list {name}")
        elif name in contents and hashlib.sha256(contents[name]).hexdigest() != listed[name]:
            problem(f"SHA256SUMS: the sum of {name} does not match")
    for name in sorted(set(listed) - set(PACKAGE_FILES)):
        problem(f"SHA256SUMS lists {name}, which the package does not hold")


def windows_text(name, data):
    """Whether a text file has Windows line ends throughout and ends with one."""
    if data.count(b"\n") != data.count(b"\r\n") or not data.endswith(b"\r\n"):
        problem(f"{name} does not have Windows line ends throughout")


def check_history(data, version):
    if not data.startswith(BOM):
        problem("ZMIANY.txt has no UTF-8 byte-order mark")
    windows_text("ZMIANY.txt", data)
    try:
        text = data.removeprefix(BOM).decode("utf-8")
    except UnicodeDecodeError:
        problem("ZMIANY.txt is not UTF-8")
        return
    if f"Wersja {version}" not in text:
        problem(f"ZMIANY.txt has no section \"Wersja {version}\"")
    if not POLISH_LETTERS & set(text):
        problem("ZMIANY.txt is not in Polish")


def check_build_description(data, debug):
    windows_text("BUILDINFO.txt", data)
    if not data.isascii():
        problem("BUILDINFO.txt is not plain ASCII")
    text = data.decode("ascii", "replace")
    if not re.search(r"^Commit: [0-9a-f]{40}\b", text, re.M):
        problem("BUILDINFO.txt names no commit")
    for label in ("Compiler", "Linker (binutils)", "Compiler flags", "Compile options of the plug-in",
                  "Link options"):
        if not re.search(rf"^{re.escape(label)}: \S", text, re.M):
            problem(f"BUILDINFO.txt does not say the {label.lower()}")
    stray = ABSOLUTE_PATH.search(text)
    if stray:
        problem(f"BUILDINFO.txt names a folder of the build machine ({stray.group().strip()}):"
                " two clones would give different zips")
    if debug is not None and hashlib.sha256(debug).hexdigest() not in text:
        problem(f"BUILDINFO.txt does not give the sum of the {DEBUG_FILE} beside the zip")


def check_texts(contents, version, debug):
    guide = contents["INSTRUKCJA.md"]
    try:
        guide.decode("utf-8")
    except UnicodeDecodeError:
        problem("INSTRUKCJA.md is not UTF-8")
    if b"\r" in guide:
        problem("INSTRUKCJA.md has carriage returns")
    if f"wersja {version}".encode() not in guide:
        problem(f"INSTRUKCJA.md is not the guide of version {version}")
    if contents["INSTRUKCJA.txt"] != BOM + guide.replace(b"\n", b"\r\n"):
        problem("INSTRUKCJA.txt is not INSTRUKCJA.md with Windows line ends")
    check_history(contents["ZMIANY.txt"], version)
    check_build_description(contents["BUILDINFO.txt"], debug)
    ini = contents["Kronilog.ini"]
    if not ini.isascii():
        problem("Kronilog.ini is not plain ASCII")
    windows_text("Kronilog.ini", ini)
    try:
        ElementTree.fromstring(contents["kronilog-report.xsd"])
    except ElementTree.ParseError as error:
        problem(f"kronilog-report.xsd is not well-formed: {error}")


# --- beside the zip ------------------------------------------------------------------------

def check_release_folder(zip_path):
    """The debug file's bytes, once the folder's files are checked; None if it is missing."""
    folder = zip_path.parent
    checksum = zip_path.with_name(zip_path.name + ".sha256")
    expected = {zip_path.name, checksum.name, DEBUG_FILE}
    present = {path.name for path in folder.iterdir()}
    for name in sorted(present - expected):
        problem(f"{folder} holds {name}, which is no part of the release")
    for name in sorted(expected - present):
        problem(f"{folder} lacks {name}")
    if checksum.is_file():
        wanted = f"{hashlib.sha256(zip_path.read_bytes()).hexdigest()}  {zip_path.name}\n"
        if checksum.read_bytes() != wanted.encode("ascii"):
            problem(f"{checksum.name} is not the zip's sum in the form sha256sum -c reads")
    debug = folder / DEBUG_FILE
    return debug.read_bytes() if debug.is_file() else None


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("zip", type=Path)
    parser.add_argument("--version", required=True)
    parser.add_argument("--extract", type=Path, help="unpack the files here")
    args = parser.parse_args()

    debug = check_release_folder(args.zip)
    with zipfile.ZipFile(args.zip) as archive:
        names = archive.namelist()
        contents = {name: archive.read(name) for name in names}
    if names != PACKAGE_FILES:
        problem(f"the zip holds {names}, not {PACKAGE_FILES}")
    if all(name in contents for name in PACKAGE_FILES):
        check_sums(contents)
        check_texts(contents, args.version, debug)
        check_dll(contents["kronilog.dll"], args.version, debug)
    if args.extract:
        args.extract.mkdir(parents=True, exist_ok=True)
        for name, data in contents.items():
            (args.extract / Path(name).name).write_bytes(data)

    for text in problems:
        print(f"check_package: {args.zip.name}: {text}", file=sys.stderr)
    if problems:
        sys.exit(1)
    print(f"check_package: {args.zip.name}: {len(names)} files, sums match, kronilog.dll "
          f"{args.version} stripped, without time stamp, with its version resource, linked to "
          f"the {DEBUG_FILE} beside it; {args.zip.name}.sha256 matches")


if __name__ == "__main__":
    main()
