#!/usr/bin/env python3
"""Packs the release: kronilog.dll with what a shop needs beside it, in one zip.

The zip holds, in this order (PACKAGE_FILES): kronilog.dll, Kronilog.ini (the settings sample
with placeholders, Windows line ends), kronilog-report.xsd, INSTRUKCJA.md, INSTRUKCJA.txt
(the same guide with Windows line ends and a byte-order mark, so that Notepad on any Windows
shows its Polish letters), ZMIANY.txt (the shop's change history in Polish, the same way),
BUILDINFO.txt (the commit, the tools and the options the DLL was built from; buildinfo.py)
and SHA256SUMS (sha256sum's form, one line for each other file). The English CHANGELOG.md is
for engineers and stays in the repository.

Beside the zip, in its folder (the release's folder, dist/), the packer leaves
<zip>.sha256, the zip's checksum as sha256sum -c reads it, and kronilog.dll.debug, the DLL's
debug symbols, which stay out of the zip. Earlier releases' zips and checksums there are
removed, so that the folder holds exactly one release.

The zip is reproducible: fixed order, every file dated at the commit's time (or
SOURCE_DATE_EPOCH), the same permissions, no extra fields, and BUILDINFO.txt names no folder
of the build machine. The files are also left unpacked in --work.

Usage: make_package.py --dll kronilog.dll [--debug kronilog.dll.debug] --version X.Y.Z
                       --source TREE --build-options FILE --work DIR --output ZIP
"""
import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import time
import zipfile
from pathlib import Path

import buildinfo

BOM = b"\xef\xbb\xbf"
PACKAGE_FILES = ["kronilog.dll", "Kronilog.ini", "kronilog-report.xsd", "INSTRUKCJA.md",
                 "INSTRUKCJA.txt", "ZMIANY.txt", "BUILDINFO.txt", "SHA256SUMS"]
DEBUG_FILE = "kronilog.dll.debug"
# What the packer may find in the release's folder from an earlier run, and replaces.
OWN_FILES = re.compile(r"kronilog-.+-win32\.zip(\.sha256|\.part)?|kronilog\.dll\.debug")


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


def git(source, *args):
    """A git command's output in the source tree, or None without git or a repository."""
    try:
        return subprocess.run(["git", "-C", str(source), *args], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return None


def release_time(source):
    """The time every file in the zip carries: SOURCE_DATE_EPOCH, else the commit's."""
    epoch = os.environ.get("SOURCE_DATE_EPOCH") or git(source, "log", "-1", "--format=%ct")
    if not epoch:
        print("make_package: no commit and no SOURCE_DATE_EPOCH; dating the files 1980-01-01",
              file=sys.stderr)
        return (1980, 1, 1, 0, 0, 0)
    return time.gmtime(max(int(epoch), 315532800))[:6]  # a zip holds nothing before 1980


def source_state(source):
    """(commit, its date, whether the tree differs from it) for BUILDINFO.txt."""
    commit = git(source, "rev-parse", "HEAD")
    if commit is None:
        return None, None, False
    date = git(source, "log", "-1", "--format=%cd", "--date=format:%Y-%m-%d")
    changed = bool(git(source, "status", "--porcelain", "--untracked-files=no"))
    return commit, date, changed


def package_files(dll, version, source, build_text):
    """The package's files, in order, as (name, bytes)."""
    changelog = read_lf_text(source / "CHANGELOG.md")
    if f"## [{version}]".encode() not in changelog:
        fail(f"CHANGELOG.md has no section \"## [{version}]\" for this version")
    history = read_lf_text(source / "packaging" / "ZMIANY.txt")
    if f"Wersja {version}".encode() not in history:
        fail(f"packaging/ZMIANY.txt has no section \"Wersja {version}\" for this version")
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
        ("ZMIANY.txt", BOM + windows_lines(history)),
        ("BUILDINFO.txt", windows_lines(build_text.encode("ascii"))),
    ]
    # CR LF: Notepad before Windows 10 1809 shows a file of LF line ends as one line;
    # sha256sum -c reads either.
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\r\n" for name, data in files)
    files.append(("SHA256SUMS", sums.encode()))
    assert [name for name, _ in files] == PACKAGE_FILES
    return files


def write_zip(output, files, date_time):
    partial = output.with_name(output.name + ".part")
    with zipfile.ZipFile(partial, "w") as archive:
        for name, data in files:
            info = zipfile.ZipInfo(name, date_time)
            info.create_system = 3  # Unix, so that the permissions below are the ones read
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)
    partial.replace(output)


def publish(output, files, date_time, debug):
    """The zip, its checksum and the debug file, alone in the release's folder."""
    folder = output.parent
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.iterdir():
        if old.is_file() and OWN_FILES.fullmatch(old.name) and old.name != output.name:
            old.unlink()
    write_zip(output, files, date_time)
    shutil.copyfile(debug, folder / DEBUG_FILE)
    digest = hashlib.sha256(output.read_bytes()).hexdigest()
    checksum = output.with_name(output.name + ".sha256")
    checksum.write_text(f"{digest}  {output.name}\n", encoding="ascii", newline="\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--dll", required=True, type=Path)
    parser.add_argument("--debug", type=Path, help="the DLL's debug file (default: DLL.debug)")
    parser.add_argument("--version", required=True)
    parser.add_argument("--source", required=True, type=Path)
    parser.add_argument("--build-options", required=True, type=Path,
                        help="build-options.txt that the release build writes")
    parser.add_argument("--work", required=True, type=Path)
    parser.add_argument("--output", required=True, type=Path)
    args = parser.parse_args()
    debug = args.debug or args.dll.with_name(args.dll.name + ".debug")
    if not debug.is_file():
        fail(f"no debug file {debug}: the release build leaves it beside the DLL")

    try:
        options = buildinfo.read_options(args.build_options)
        build_text = buildinfo.describe(args.version, options, source_state(args.source),
                                        hashlib.sha256(debug.read_bytes()).hexdigest())
    except (OSError, ValueError) as error:
        fail(f"BUILDINFO.txt: {error}")
    files = package_files(args.dll, args.version, args.source, build_text)
    shutil.rmtree(args.work, ignore_errors=True)
    args.work.mkdir(parents=True)
    for name, data in files:
        (args.work / name).write_bytes(data)
    publish(args.output, files, release_time(args.source), debug)
    print(f"make_package: {args.output} ({args.output.stat().st_size} bytes, {len(files)} files),"
          f" {args.output.name}.sha256 and {DEBUG_FILE} beside it")


if __name__ == "__main__":
    main()
