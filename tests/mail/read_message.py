#!/usr/bin/python3
"""Reads a message file with Python's own MIME parser, strict about every defect, and tells
the tests what it found (exit status 1 when the parser refuses the message).

usage: read_message.py MESSAGE.eml OUTPUT_FOLDER

Prints one JSON object: the header fields the tests look at, the parser's defects, and one
entry per leaf part (content type, charset, file name, the decoded text of text parts). The
decoded bytes of each attachment are written to OUTPUT_FOLDER/part<N>.bin.
"""

import email
import email.header
import email.policy
import json
import os
import sys


def main():
    path, folder = sys.argv[1], sys.argv[2]
    with open(path, "rb") as source:
        message = email.message_from_binary_file(source, policy=email.policy.strict)
    result = {
        "multipart": message.is_multipart(),
        "content_type": message.get_content_type(),
        "boundary": message.get_boundary(),
        "subjects": [str(s) for s in message.get_all("Subject", [])],
        "to": str(message.get("To", "")),
        "from": str(message.get("From", "")),
        "defects": [type(d).__name__ for d in message.defects],
        "parts": [],
    }
    # The address lines as the strict address parser reads them: its defects, every address,
    # and the groups' names.
    for name in ("To", "From"):
        field = message.get(name)
        groups = field.groups if field is not None else ()
        result[name.lower() + "_defects"] = [type(d).__name__ for d in field.defects] if field is not None else []
        result[name.lower() + "_addresses"] = [a.addr_spec for g in groups for a in g.addresses]
        result[name.lower() + "_groups"] = [g.display_name for g in groups if g.display_name is not None]
    # The address lines as RFC 2047 reads them: adjacent encoded words joined, the blanks and
    # folds between them dropped (email's address parser keeps a blank between them).
    with open(path, "rb") as source:
        raw = email.message_from_binary_file(source, policy=email.policy.compat32)
    for name in ("To", "From"):
        value = str(raw.get(name, "")).replace("\r", "").replace("\n", "")
        result[name.lower() + "_words"] = str(email.header.make_header(email.header.decode_header(value)))
    for number, part in enumerate(p for p in message.walk() if not p.is_multipart()):
        entry = {
            "content_type": part.get_content_type(),
            "charset": part.get_content_charset(),
            "encoding": part.get("Content-Transfer-Encoding", ""),
            "filename": part.get_filename(),
            "disposition": part.get_content_disposition(),
            "defects": [type(d).__name__ for d in part.defects],
        }
        if part.get_content_maintype() == "text" and part.get_filename() is None:
            entry["text"] = part.get_content()
        else:
            data = part.get_payload(decode=True) or b""
            out = os.path.join(folder, "part%d.bin" % number)
            with open(out, "wb") as sink:
                sink.write(data)
            entry["file"] = out
        result["parts"].append(entry)
    json.dump(result, sys.stdout)


if __name__ == "__main__":
    main()
