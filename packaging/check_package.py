#!/usr/bin/env python3
"""Checks a release zip as a shop would get it.

- It holds exactly the package's files, in the package's order.
- SHA256SUMS names every other file once, and every sum matches.
- INSTRUKCJA.txt is INSTRUKCJA.md with Windows line ends (and a byte-order mark); the guide is
  UTF-8 and names the version; Kronilog.ini is plain ASCII with Windows line ends; the schema is well-formed XML;
  CHANGELOG.md has a section for the version.
- kronilog.dll is a 32-bit Windows DLL without a time stamp, symbols or debug sections, and
  its version resource names the version (fixed and text), the product, a description in
  Polish and its original file name.

The export and import tables are .ci/check-exports' to check: --extract DIR leaves the files
there for it. Usage: check_package.py ZIP --version X.Y.Z [--extract DIR]
"""
import argparse
import hashlib
import struct
import sys
import xml.etree.ElementTree as ElementTree
import zipfile
from pathlib import Path

FILES = ["kronilog.dll", "Kronilog.ini", "kronilog-report.xsd", "INSTRUKCJA.md",
         "INSTRUKCJA.txt", "CHANGELOG.md", "SHA256SUMS"]
BOM = b"\xef\xbb\xbf"
RT_VERSION = 16
FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD
POLISH_LETTERS = set("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ")

problems = []


def problem(text):
    problems.append(text)


# --- the PE file ---------------------------------------------------------------------------

class PortableExecutable:
    """The parts of a PE file the checks read: the COFF header, the sections, the resources."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, sections, self.timestamp, self.symbol_table, self.symbols,
         optional_size, self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        directory_count = struct.unpack_from("<I", data, optional + 92)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 96 + 8 * i)
                            for i in range(directory_count)]
        self.sections = []
        for i in range(sections):
            header = optional + optional_size + 40 * i
            name = data[header:header + 8].rstrip(b"\0").decode("latin-1")
            virtual_size, address, raw_size, raw_offset = struct.unpack_from("<IIII", data, header + 8)
            self.sections.append((name, address, max(virtual_size, raw_size), raw_offset))

    def offset(self, rva):
        for _, address, size, raw_offset in self.sections:
            if address <= rva < address + size:
                return raw_offset + rva - address
        raise ValueError(f"address {rva:#x} lies in no section")

    def resource(self, type_id):
        """The bytes of the first resource of a type (any name, any language), or None."""
        rva, size = self.directories[2] if len(self.directories) > 2 else (0, 0)
        if size == 0:
            return None
        base = self.offset(rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                yield struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)

        for ident, target in entries(0):
            if ident != type_id:
                continue
            while target & 0x80000000:  # a subdirectory: names, then languages
                target = next(entries(target & 0x7FFFFFFF))[1]
            data_rva, data_size = struct.unpack_from("<II", self.data, base + target)
            start = self.offset(data_rva)
            return self.data[start:start + data_size]
        return None


def version_blocks(data, offset=0):
    """One block of a version resource: (key, value bytes, its children), and where it ends."""
    length, value_length, text_value = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    position = offset + 6
    key_end = position
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[position:key_end].decode("utf-16-le")
    position = (key_end + 2 + 3) & ~3
    value_bytes = value_length * 2 if text_value else value_length
    value = data[position:position + value_bytes]
    position = (position + value_bytes + 3) & ~3
    children = []
    while position < end:
        child, position = version_blocks(data, position)
        children.append(child)
        position = (position + 3) & ~3
    return (key, value, children), end


def version_resource(data):
    """The fixed versions and the texts of a version resource."""
    (key, fixed, children), _ = version_blocks(data)
    if key != "VS_VERSION_INFO":
        raise ValueError(f"the version resource begins with {key!r}")
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    if signature != FIXED_FILE_INFO_SIGNATURE:
        raise ValueError("the version resource has no fixed file information")

    def dotted(ms, ls):
        return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"

    texts, translations = {}, []
    for name, value, blocks in children:
        if name == "StringFileInfo":
            for table in blocks:
                for text_key, text, _ in table[2]:
                    texts[text_key] = text.decode("utf-16-le").rstrip("\0")
        elif name == "VarFileInfo":
            for _, value_bytes, _ in blocks:
                translations += [struct.unpack_from("<HH", value_bytes, i)
                                 for i in range(0, len(value_bytes), 4)]
    return dotted(file_ms, file_ls), dotted(product_ms, product_ls), texts, translations


def check_dll(data, version):
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
    if pe.symbol_table or pe.symbols:
        problem("kronilog.dll is not stripped: it has a symbol table")
    debug = [name for name, *_ in pe.sections if name.startswith((".debug", "/"))]
    if debug:
        problem(f"kronilog.dll has debug sections: {', '.join(debug)}")

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
    if (0x0415, 1200) not in translations:
        problem("kronilog.dll's version resource does not declare its Polish texts")


# --- the other files -----------------------------------------------------------------------

def check_sums(contents):
    listed = {}
    for line in contents["SHA256SUMS"].decode("ascii", "replace").splitlines():
        digest, separator, name = line.partition("  ")
        if not separator or len(digest) != 64 or name in listed:
            problem(f"SHA256SUMS: a line not of the form '<sum>  <file>', or twice: {line!r}")
            continue
        listed[name] = digest
    for name in FILES[:-1]:
        if name not in listed:
            problem(f"SHA256SUMS does not list {name}")
        elif name in contents and hashlib.sha256(contents[name]).hexdigest() != listed[name]:
            problem(f"SHA256SUMS: the sum of {name} does not match")
    for name in sorted(set(listed) - set(FILES)):
        problem(f"SHA256SUMS lists {name}, which the package does not hold")


def check_texts(contents, version):
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
    ini = contents["Kronilog.ini"]
    if not ini.isascii():
        problem("Kronilog.ini is not plain ASCII")
    if ini.count(b"\n") != ini.count(b"\r\n") or not ini.endswith(b"\r\n"):
        problem("Kronilog.ini does not have Windows line ends throughout")
    try:
        ElementTree.fromstring(contents["kronilog-report.xsd"])
    except ElementTree.ParseError as error:
        problem(f"kronilog-report.xsd is not well-formed: {error}")
    if f"## [{version}]".encode() not in contents["CHANGELOG.md"]:
        problem(f"CHANGELOG.md has no section for {version}")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("zip", type=Path)
    parser.add_argument("--version", required=True)
    parser.add_argument("--extract", type=Path, help="unpack the files here")
    args = parser.parse_args()

    with zipfile.ZipFile(args.zip) as archive:
        names = archive.namelist()
        contents = {name: archive.read(name) for name in names}
    if names != FILES:
        problem(f"the zip holds {names}, not {FILES}")
    if all(name in contents for name in FILES):
        check_sums(contents)
        check_texts(contents, args.version)
        check_dll(contents["kronilog.dll"], args.version)
    if args.extract:
        args.extract.mkdir(parents=True, exist_ok=True)
        for name, data in contents.items():
            (args.extract / Path(name).name).write_bytes(data)

    for text in problems:
        print(f"check_package: {args.zip.name}: {text}", file=sys.stderr)
    if problems:
        sys.exit(1)
    print(f"check_package: {args.zip.name}: {len(names)} files, sums match, kronilog.dll "
          f"{args.version} stripped, without time stamp, with its version resource")


if __name__ == "__main__":
    main()
