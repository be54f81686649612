"""BUILDINFO.txt: how the zipped kronilog.dll was built, for support and for anyone who wants
to build the same bytes again. It names the commit, the compiler, the runtimes linked into
the DLL, binutils and the build's options, and the checksum of the DLL's debug file.

The release build writes the raw facts into build-options.txt (cmake/release.cmake), with its
own folders in it; here they become the placeholders <source> and <build>, so that two
clones of one commit give the same file. Versions come from the tools themselves and, where
dpkg knows the file, from its Debian package (the exact build of the toolchain).
"""
import re
import shutil
import subprocess
from pathlib import Path

KEYS = ["source_dir", "binary_dir", "cmake", "toolchain_file", "cxx_compiler", "linker",
        "objcopy", "rc_compiler", "build_type", "cxx_standard", "cxx_flags", "compile_options",
        "compile_definitions", "link_flags", "link_options"]
# A folder of the build machine: two steps of a path anywhere ("-I/usr/include"), or one
# after a separator ("-L/opt"); "<source>/=" and "GNU/Linux" are none.
ABSOLUTE_PATH = re.compile(r"/[^\s/<>=]+/|(?:^|[\s=,:;(])/[^\s/<>=]+")


def read_options(path):
    """The key=value lines of build-options.txt, as a dict; every key in KEYS is needed."""
    options = {}
    for line in Path(path).read_text(encoding="utf-8").splitlines():
        key, separator, value = line.partition("=")
        if separator:
            options[key.strip()] = " ".join(value.split())
    missing = [key for key in KEYS if key not in options]
    if missing:
        raise ValueError(f"{path} lacks {', '.join(missing)}")
    return options


def first_line(command):
    try:
        done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              text=True, check=True)
    except (OSError, subprocess.CalledProcessError):
        return None
    lines = done.stdout.strip().splitlines()
    return lines[0].strip() if lines else None


def debian_package(path):
    """'package version' of the Debian package that installed a file, or None."""
    if not path:
        return None
    owner = first_line(["dpkg-query", "-S", str(Path(path).resolve())])
    if not owner or ":" not in owner:
        return None
    package = owner.split(":")[0].strip()
    version = first_line(["dpkg-query", "-W", "-f=${Version}", package])
    return f"{package} {version}" if version else package


def tool(path):
    """A tool as BUILDINFO names it: its version line and its Debian package."""
    found = path if Path(path).is_absolute() else shutil.which(path)
    version = first_line([found or path, "--version"]) or f"{Path(path).name} (no version)"
    package = debian_package(found)
    return f"{version} [Debian {package}]" if package else version


def runtime(compiler, library):
    """A library the compiler links in, by the Debian package that holds it."""
    path = first_line([compiler, f"-print-file-name={library}"])
    package = debian_package(path) if path and Path(path).is_absolute() else None
    return f"{library} [Debian {package}]" if package else f"{library} (package unknown)"


def operating_system():
    try:
        for line in Path("/etc/os-release").read_text().splitlines():
            if line.startswith("PRETTY_NAME="):
                return line.partition("=")[2].strip('"')
    except OSError:
        pass
    return "unknown"


def without_folders(text, options):
    """The build's and the source's folders as placeholders, the longer first (the build
    folder usually lies inside the source)."""
    folders = sorted([(options["binary_dir"], "<build>"), (options["source_dir"], "<source>")],
                     key=lambda folder: -len(folder[0]))
    for folder, placeholder in folders:
        text = text.replace(folder.rstrip("/"), placeholder)
    return text


def describe(version, options, source_state, debug_sha256):
    """The text of BUILDINFO.txt (ASCII, Unix line ends; the packer makes them Windows')."""
    commit, date, changed = source_state
    if commit is None:
        origin = "unknown (the sources were not a git repository)"
    else:
        origin = f"{commit} ({date})"
        if changed:
            origin += ", WITH UNCOMMITTED CHANGES: not that commit's DLL"
    compiler = options["cxx_compiler"]
    lines = [
        f"Kronilog {version}: how kronilog.dll in this package was built",
        "",
        f"Commit: {origin}",
        f"Built on: {operating_system()}",
        f"Compiler: {tool(compiler)}",
        f"C++ runtime, linked in: {runtime(compiler, 'libstdc++.a')}",
        f"C runtime, startup code and import library: {runtime(compiler, 'libmsvcrt.a')}",
        f"Linker (binutils): {tool(options['linker'])}",
        f"objcopy (binutils): {tool(options['objcopy'])}",
        f"Resource compiler (binutils): {tool(options['rc_compiler'])}",
        f"CMake: {options['cmake']}, toolchain file cmake/{options['toolchain_file']}",
        f"Build type: {options['build_type']} (KRONILOG_RELEASE=ON)",
        f"C++ standard: {options['cxx_standard']}",
        f"Compiler flags: {options['cxx_flags']}",
        f"Compile options of the plug-in: {options['compile_options']}",
        f"Compile definitions of the plug-in: {options['compile_definitions'] or '(none)'}",
        f"Link options: {' '.join((options['link_flags'] + ' ' + options['link_options']).split())}",
        "Debug symbols: kronilog.dll.debug, beside the zip and not in it, SHA-256",
        f"  {debug_sha256}:",
        "  objcopy --only-keep-debug of the linked DLL, which was then stripped and linked",
        "  to that file by objcopy --strip-all --add-gnu-debuglink=kronilog.dll.debug",
        "",
        "<source> is the folder of the sources, <build> the build folder.",
    ]
    text = without_folders("\n".join(lines) + "\n", options)
    if not text.isascii():
        raise ValueError("the description is not plain ASCII")
    stray = ABSOLUTE_PATH.search(text)
    if stray:
        raise ValueError(f"the description names a folder of the build machine: {stray.group().strip()}")
    return text
