#!/usr/bin/python3
"""A small SMTP server on loopback for the mail tests, built on aiosmtpd.

It listens on a free port of 127.0.0.1, prints "PORT <n>" on one line once it accepts
connections, requires a login (AUTH LOGIN or PLAIN) with the one account it is given, and
stores every message it accepts in the spool folder as NNNN.eml (the data exactly as
received, CRLF line ends) with NNNN.json beside it (envelope sender, recipients, login).

With --cert and --key it offers STARTTLS; logins are then accepted only after it, unless
--plain-login is also given. It stops when its standard input reaches end of file (so it
never outlives the test that started it) or on SIGTERM.
"""

import argparse
import asyncio
import json
import os
import signal
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Spool:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        stem = os.path.join(self.folder, "%04d" % self.count)
        with open(stem + ".tmp", "wb") as out:
            out.write(envelope.original_content or envelope.content)
        login = session.auth_data
        if isinstance(login, bytes):
            login = login.decode("utf-8", "replace")
        with open(stem + ".json", "w", encoding="utf-8") as out:
            json.dump({"mail_from": envelope.mail_from,
                       "rcpt_tos": envelope.rcpt_tos,
                       "login": login}, out)
        # The message appears under its final name only when complete.
        os.replace(stem + ".tmp", stem + ".eml")
        return "250 Message accepted for delivery"


def make_authenticator(user, password):
    def authenticate(server, session, envelope, mechanism, auth_data):
        if not isinstance(auth_data, LoginPassword):
            return AuthResult(success=False, handled=False)
        if auth_data.login == user.encode() and auth_data.password == password.encode():
            return AuthResult(success=True, auth_data=auth_data.login)
        return AuthResult(success=False, handled=False)
    return authenticate


async def serve(args):
    loop = asyncio.get_running_loop()
    spool = Spool(args.spool)
    tls = None
    if args.cert:
        tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        tls.load_cert_chain(args.cert, args.key)

    def factory():
        return SMTP(spool,
                    hostname="mail.test",
                    decode_data=False,
                    authenticator=make_authenticator(args.user, args.password),
                    auth_required=True,
                    auth_require_tls=tls is not None and not args.plain_login,
                    tls_context=tls,
                    require_starttls=False)

    server = await loop.create_server(factory, "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    print("PORT %d" % port, flush=True)

    stop = asyncio.Event()
    loop.add_signal_handler(signal.SIGTERM, stop.set)

    def read_stdin():
        try:
            data = os.read(sys.stdin.fileno(), 4096)
        except OSError:
            data = b""
        if not data:
            stop.set()

    loop.add_reader(sys.stdin.fileno(), read_stdin)
    await stop.wait()
    loop.remove_reader(sys.stdin.fileno())
    server.close()
    await asyncio.wait_for(server.wait_closed(), timeout=3)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--spool", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--plain-login", action="store_true")
    args = parser.parse_args()
    if bool(args.cert) != bool(args.key):
        parser.error("--cert and --key go together")
    os.makedirs(args.spool, exist_ok=True)
    try:
        asyncio.run(serve(args))
    except asyncio.TimeoutError:
        pass


if __name__ == "__main__":
    main()
