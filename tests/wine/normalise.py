#!/usr/bin/env python3
"""Prints a file as the end-to-end comparison reads it: CRLF as LF, and every Base64 block
(a run of at least two Base64 lines, or a whole file that is one) replaced by its decoded
bytes with CRLF as LF, since a Base64 attachment carries the line ends of the file it holds."""
import base64
import re
import sys

FIRST = re.compile(rb"^[A-Za-z0-9+/]{16,}={0,2}$")  # a block starts with a long line
MORE = re.compile(rb"^[A-Za-z0-9+/]+={0,2}$")


def decoded(block):
    try:
        data = base64.b64decode(b"".join(block), validate=True)
    except ValueError:
        return None
    return b"[Base64]\n" + data.replace(b"\r\n", b"\n") + b"\n[/Base64]"


def normalise(data):
    lines = data.replace(b"\r\n", b"\n").split(b"\n")
    out, block = [], []

    def flush():
        text = decoded(block) if len(block) >= 2 or (block and len(lines) <= 2) else None
        out.extend([text] if text is not None else block)
        block.clear()

    for line in lines:
        if (MORE if block else FIRST).match(line):
            block.append(line)
        else:
            flush()
            out.append(line)
    flush()
    return b"\n".join(out)


with open(sys.argv[1], "rb") as f:
    sys.stdout.buffer.write(normalise(f.read()))
