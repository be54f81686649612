#!/usr/bin/env python3
"""Packs the release: kronilog.dll with what a shop needs beside it, in one zip.

The zip holds, in this order: kronilog.dll, Kronilog.ini (the settings sample with
placeholders, Windows line ends), kronilog-report.xsd, INSTRUKCJA.md, INSTRUKCJA.txt (the
same guide with Windows line ends and a byte-order mark, so that Notepad on any Windows shows
its Polish letters), CHANGELOG.md, and SHA256SUMS (sha256sum's form, one line for each other
file). The zip is reproducible: fixed order, every file dated at the commit's time (or
SOURCE_DATE_EPOCH), the same permissions, no extra fields. The files are also left unpacked
in --work.

Usage: make_package.py --dll kronilog.dll --version X.Y.Z --source TREE --work DIR --output ZIP
"""
import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import time
import zipfile
from pathlib import Path

BOM = b"\xef\xbb\xbf"


def fail(reason):
    print(f"make_package: {reason}", file=sys.stderr)
    sys.exit(1)


def read_lf_text(path):
    data = path.read_bytes()
    if b"\r" in data:
        fail(f"{path} must have Unix line ends in the tree; the package makes the Windows ones")
    return data


def windows_lines(data):
    return data.replace(b"\n", b"\r\n")


def release_time(source):
    """The time every file in the zip carries: SOURCE_DATE_EPOCH, else the commit's."""
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if not epoch:
        try:
            epoch = subprocess.run(["git", "-C", str(source), "log", "-1", "--format=%ct"],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                   text=True, check=True).stdout.strip()
        except (OSError, subprocess.CalledProcessError):
            epoch = ""
    if not epoch:
        print("make_package: no commit and no SOURCE_DATE_EPOCH; dating the files 1980-01-01",
              file=sys.stderr)
        return (1980, 1, 1, 0, 0, 0)
    return time.gmtime(max(int(epoch), 315532800))[:6]  # a zip holds nothing before 1980


def package_files(dll, version, source):
    """The package's files, in order, as (name, bytes)."""
    changelog = read_lf_text(source / "CHANGELOG.md")
    if f"## [{version}]".encode() not in changelog:
        fail(f"CHANGELOG.md has no section \"## [{version}]\" for this version")
    ini = read_lf_text(source / "packaging" / "Kronilog.ini")
    if not ini.isascii():
        fail("packaging/Kronilog.ini must be plain ASCII (the host reads it as Mazovia)")
    guide = read_lf_text(source / "docs" / "INSTRUKCJA.md")
    files = [
        ("kronilog.dll", dll.read_bytes()),
        ("Kronilog.ini", windows_lines(ini)),
        ("kronilog-report.xsd", (source / "docs" / "kronilog-report.xsd").read_bytes()),
        ("INSTRUKCJA.md", guide),
        ("INSTRUKCJA.txt", BOM + windows_lines(guide)),
        ("CHANGELOG.md", changelog),
    ]
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in files)
    return files + [("SHA256SUMS", sums.encode())]


def write_zip(output, files, date_time):
    output.parent.mkdir(parents=True, exist_ok=True)
    partial = output.with_name(output.name + ".part")
    with zipfile.ZipFile(partial, "w") as archive:
        for name, data in files:
            info = zipfile.ZipInfo(name, date_time)
            info.create_system = 3  # Unix, so that the permissions below are the ones read
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)
    partial.replace(output)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--dll", required=True, type=Path)
    parser.add_argument("--version", required=True)
    parser.add_argument("--source", required=True, type=Path)
    parser.add_argument("--work", required=True, type=Path)
    parser.add_argument("--output", required=True, type=Path)
    args = parser.parse_args()

    files = package_files(args.dll, args.version, args.source)
    shutil.rmtree(args.work, ignore_errors=True)
    args.work.mkdir(parents=True)
    for name, data in files:
        (args.work / name).write_bytes(data)
    write_zip(args.output, files, release_time(args.source))
    print(f"make_package: {args.output} ({args.output.stat().st_size} bytes, {len(files)} files)")


if __name__ == "__main__":
    main()
