#!/usr/bin/env python3
"""Checks that the shop's guide (docs/INSTRUKCJA.md) quotes every text the plug-in can show.

Every string literal of the plug-in's sources (entry/, binding/, settings/, output/, export/,
mail/) that holds two words or more is decoded from Mazovia and split at its format
directives, line breaks and the host's markup; each piece with a letter in it must stand in
the guide (blockquote marks and line breaks there read as blanks). Texts that never reach the
screen (what goes into the report, the message or the settings file, code assertions) are
named in NOT_SHOWN. A new message, or a changed one, thus fails the release until the guide
explains it.

The guide's chapter on what the package holds ("Zawartość paczki") must also name every file
of the zip (make_package.PACKAGE_FILES), and its list must name no file that the zip does not
hold, so that a file added to the package, or dropped from it, fails the release until the
guide says so.

The guide must also agree with the sources on what a shop reads off its screen or its files:
its chapter on the export log ("Dziennik eksportu") explains every field of the log line,
every outcome word (as wynik=<word>) and every key=value note an export run can add
(export/); it names the menu code under which the plug-in asks for its menu entry
(entry/entry_points.cpp); and wherever it names the plug-in's version (its opening line, the
package's name, the DLL's file and product versions) that is the version of CMakeLists.txt.

Usage: check_guide.py [SOURCE_TREE]
"""
import re
import sys
from pathlib import Path

from make_package import PACKAGE_FILES

FOLDERS = ["entry", "binding", "settings", "output", "export", "mail"]

# The Polish letters of the Mazovia code page; the rest of its upper half is code page 437.
MAZOVIA = {0x86: "ą", 0x8D: "ć", 0x8F: "Ą", 0x90: "Ę", 0x91: "ę", 0x92: "ł", 0x95: "Ć",
           0x98: "Ś", 0x9C: "Ł", 0x9E: "ś", 0xA0: "Ź", 0xA1: "Ż", 0xA2: "ó", 0xA3: "Ó",
           0xA4: "ń", 0xA5: "Ń", 0xA6: "ź", 0xA7: "ż"}

NOT_SHOWN = {
    # The report file.
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Kronilog>\n<Dealer ID="%02ld">\n',
    # The message.
    "Subject: Raport ze sklepu", "Subject: Eksport Targomir-Kronilog\n", "MIME-Version: 1.0\n",
    'Content-Type: multipart/mixed;\n boundary="%s"\n\nThis is a multi-part message in MIME format.\n',
    "Content-Type: text/plain; charset=UTF-8; format=flowed\nContent-Transfer-Encoding: 7bit\n\n",
    "\nRaport Kronilog - data wykonania:\n%s\n\n",
    'Content-Type: application/xml;\n name="%s.%s"\nContent-Transfer-Encoding: base64\n'
    'Content-Disposition: attachment;\n filename="%s.%s"\n\n',
}

ESCAPES = {"n": 10, "t": 9, "r": 13, "0": 0, '"': 34, "\\": 92, "'": 39, "a": 7}
WORDS = re.compile(r"[^\W\d_]{2,}\s+\S*[^\W\d_]{2,}")  # two words: a text, not a name
DIRECTIVE = re.compile(r"%[-+ 0#]*\d*(?:\.\d+)?(?:ll|l|h)?[sdiufxXc%]")


def string_literals(source):
    """The string literals of a C++ source, adjacent ones joined, as bytes; those inside a
    static_assert are left out."""
    found, i, n = [], 0, len(source)
    current, current_assert, current_end, statement_start = None, False, -1, 0
    while i < n:
        if source.startswith("//", i):
            end = source.find("\n", i)
            i = n if end < 0 else end
            continue
        if source.startswith("/*", i):
            i = source.find("*/", i) + 2
            continue
        c = source[i]
        if c in ";{}":
            statement_start = i + 1
        if c == "'":
            j = i + 1
            while source[j] != "'":
                j += 2 if source[j] == "\\" else 1
            i = j + 1
            continue
        if c != '"':
            i += 1
            continue
        j, text = i + 1, bytearray()
        while source[j] != '"':
            if source[j] != "\\":
                text += source[j].encode("latin-1")
                j += 1
            elif source[j + 1] == "x":
                k = j + 2
                while k < n and source[k] in "0123456789abcdefABCDEF":
                    k += 1
                text.append(int(source[j + 2:k], 16) & 0xFF)
                j = k
            else:
                text.append(ESCAPES[source[j + 1]])
                j += 2
        in_assert = "static_assert" in source[statement_start:i]
        if current is not None and source[current_end:i].strip() == "":
            current += text
        else:
            if current is not None and not current_assert:
                found.append(bytes(current))
            current, current_assert = text, in_assert
        current_end = i = j + 1
    if current is not None and not current_assert:
        found.append(bytes(current))
    return found


def decoded(text):
    return "".join(MAZOVIA.get(b, bytes([b]).decode("cp437")) if b >= 0x80 else chr(b)
                   for b in text)


def pieces(message):
    """The parts of a message that the guide must quote: between directives, line breaks and
    markup, with at least one letter."""
    message = re.sub("\x01t[^\x01]*\x01", "\n", message)  # tab stops of the host's markup
    for part in re.split(r"[\x00-\x1f]", DIRECTIVE.sub("\n", message)):
        part = " ".join(part.split())
        if re.search(r"[^\W\d_]", part):
            yield part


def guide_text(path):
    return normalised(path.read_text(encoding="utf-8"))


PACKAGE_CHAPTER = re.compile(r"^## \d+\. Zawartość paczki\n(.*?)(?=^## |\Z)", re.M | re.S)
FILE_NAME = re.compile(r"[\w-]+\.(?:dll|ini|txt|md|xsd|xml|log|eml)\b|SHA256SUMS")


def package_chapter_problems(guide):
    """What the guide's chapter on the package gets wrong about the zip's files."""
    chapter = PACKAGE_CHAPTER.search(guide)
    if chapter is None:
        return ["docs/INSTRUKCJA.md has no chapter \"## N. Zawartość paczki\" listing the zip's files"]
    text = chapter.group(1)
    named = set(FILE_NAME.findall(text))
    listed = set()
    for line in text.splitlines():  # the list's items: "- name(s): what it is"
        if line.startswith("- "):
            listed |= set(FILE_NAME.findall(line[2:].partition(":")[0]))
    return ([f"docs/INSTRUKCJA.md does not name {name}, which the zip holds, in its chapter"
             " \"Zawartość paczki\"" for name in PACKAGE_FILES if name not in named] +
            [f"docs/INSTRUKCJA.md lists {name} in its chapter \"Zawartość paczki\", which the zip"
             " does not hold" for name in sorted(listed - set(PACKAGE_FILES))])


def normalised(text):
    """Markdown as the reader sees its words: blockquote marks and line breaks read as blanks."""
    return " ".join(" ".join(re.sub(r"^\s*>\s?", "", line) for line in text.splitlines()).split())


def chapter(guide, title):
    """The text of the guide's chapter "## N. <title>...", up to the next chapter; None if none."""
    found = re.search(rf"^## \d+\. {re.escape(title)}.*?\n(.*?)(?=^## |\Z)", guide, re.M | re.S)
    return None if found is None else found.group(1)


def source_literals(root, folder):
    """The decoded string literals of a folder's sources, by file."""
    for source in sorted((root / folder).glob("*.cpp")):
        code = re.sub(r"(?m)^\s*#.*$", "", source.read_text(encoding="latin-1"))
        yield source, [decoded(literal) for literal in string_literals(code)]


LOG_FORMAT = re.compile(r"%s %s okres=")  # the log line's format: date, time, kind, then fields
LOG_FIELD = re.compile(r"([A-Za-z]+)=%")
OUTCOME_WORD = re.compile(r'case ExportOutcome::\w+:\s*return "(\w+)";')
LOG_NOTE = re.compile(r"\s*[A-Za-z]+=[\w.-]*(?:\s+[A-Za-z]+=[\w.-]*)*\s*")


def names(text, word):
    """Whether text names word ("wynik=" a field, "wynik=przekazany" a value) as a word of its own."""
    end = "" if word.endswith("=") else r"(?![\w-])"
    return re.search(rf"(?<![\w=]){re.escape(word)}{end}", text) is not None


def log_chapter_problems(root, guide):
    """What the export log's chapter leaves unexplained of what export/ writes into the log."""
    text = chapter(guide, "Dziennik eksportu")
    if text is None:
        return ["docs/INSTRUKCJA.md has no chapter \"## N. Dziennik eksportu\" explaining the log"]
    text = normalised(text)
    wanted, formats = [], 0
    for source, literals in source_literals(root, "export"):
        wanted += [f"wynik={word}" for word in OUTCOME_WORD.findall(source.read_text(encoding="latin-1"))]
        for literal in literals:
            if LOG_FORMAT.match(literal):
                formats += 1
                wanted += [f"{name}=" for name in LOG_FIELD.findall(literal)]
            elif LOG_NOTE.fullmatch(literal):
                wanted += literal.split()
    if not formats or not any(word.startswith("wynik=") for word in wanted):
        return ["check_guide cannot find the export log's line format or its outcome words in export/"]
    return [f"docs/INSTRUKCJA.md does not explain {word} in its chapter on the export log"
            for word in dict.fromkeys(wanted) if not names(text, word)]


MENU_CODE = re.compile(r"kMenuCode\s*=\s*(0x[0-9A-Fa-f]+)")
GUIDE_MENU_CODE = re.compile(r"\bkod\w*(?: menu)? (0x[0-9A-Fa-f]+)")


def menu_code_problems(root, guide):
    """Whether the guide names the menu code the plug-in asks for, and no other."""
    source = root / "entry" / "entry_points.cpp"
    code = MENU_CODE.search(source.read_text(encoding="latin-1")) if source.is_file() else None
    if code is None:
        return ["check_guide cannot find kMenuCode in entry/entry_points.cpp"]
    named = {int(number, 16) for number in GUIDE_MENU_CODE.findall(normalised(guide))}
    if named != {int(code.group(1), 16)}:
        return [f"docs/INSTRUKCJA.md does not name the menu code {code.group(1)} (\"kodem {code.group(1)}\")"
                " as the one under which the plug-in asks for its entry"]
    return []


VERSION_MENTIONS = [  # (what, pattern, the version as it must stand there)
    ("its opening line", re.compile(r"Wtyczka Kronilog, wersja (\d+(?:\.\d+)*)"), "{}"),
    ("the package's name", re.compile(r"kronilog-(\d+(?:\.\d+)*)-win32\.zip"), "{}"),
    ("the DLL's file version", re.compile(r"Wersja pliku to (\d+(?:\.\d+)*)"), "{}.0"),
    ("the DLL's product version", re.compile(r"wersja produktu to (\d+(?:\.\d+)*)"), "{}"),
]


def version_problems(root, guide):
    """Where the guide names the plug-in's version, and it is not the version being built."""
    cmake = root / "CMakeLists.txt"
    found = re.search(r"project\(kronilog VERSION ([\d.]+)", cmake.read_text()) if cmake.is_file() else None
    if found is None:
        return ["check_guide cannot find the version in CMakeLists.txt (project(kronilog VERSION ...))"]
    version, text = found.group(1), normalised(guide)
    problems = []
    for what, pattern, form in VERSION_MENTIONS:
        named = pattern.findall(text)
        if what == "its opening line" and not named:
            problems.append(f"docs/INSTRUKCJA.md does not open with \"Wtyczka Kronilog, wersja {version}\"")
        problems += [f"docs/INSTRUKCJA.md names {value} as {what}, not {form.format(version)}"
                     for value in dict.fromkeys(named) if value != form.format(version)]
    return problems


def main():
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent
    guide = guide_text(root / "docs" / "INSTRUKCJA.md")
    missing, messages = [], 0
    for folder in FOLDERS:
        if not (root / folder).is_dir():
            continue
        for source in sorted((root / folder).iterdir()):
            if source.suffix not in (".cpp", ".h", ".inc"):
                continue
            text = source.read_text(encoding="latin-1")
            code = re.sub(r"(?m)^\s*#.*$", "", text)  # includes and pragmas name no message
            for literal in string_literals(code):
                message = decoded(literal)
                if message in NOT_SHOWN or not WORDS.search(message):
                    continue
                messages += 1
                absent = [part for part in pieces(message) if part not in guide]
                if absent:
                    missing.append((source.relative_to(root), message, absent))
    markdown = (root / "docs" / "INSTRUKCJA.md").read_text(encoding="utf-8")
    chapter_problems = (package_chapter_problems(markdown) + log_chapter_problems(root, markdown) +
                        menu_code_problems(root, markdown) + version_problems(root, markdown))
    for text in chapter_problems:
        print(f"check_guide: {text}", file=sys.stderr)
    for source, message, absent in missing:
        print(f"check_guide: {source}: {message!r} is not in docs/INSTRUKCJA.md "
              f"(missing: {' | '.join(absent)})", file=sys.stderr)
    if missing:
        print("check_guide: quote each message in the guide and say what it means and what to do,"
              " or, if it never reaches the screen, name it in NOT_SHOWN", file=sys.stderr)
    if missing or chapter_problems:
        sys.exit(1)
    print(f"check_guide: docs/INSTRUKCJA.md quotes all {messages} texts the plug-in shows, names all"
          f" {len(PACKAGE_FILES)} files of the zip, explains the export log and names the menu code"
          " and the version as the sources have them")


if __name__ == "__main__":
    main()
