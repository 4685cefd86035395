"""A local SMTP server for the e-mail tests.

Listens on 127.0.0.1 at a port the system chooses and prints "PORT <n>" on standard output once it
accepts connections. Every message it receives is written to the output folder as message-<n>.json:
the envelope, how the client authenticated, whether TLS was in use, the raw message (base64) and the
message as Python's e-mail parser reads it (headers decoded, body decoded), so that the tests check
the wire format against an independent reader. The server ends when its standard input closes.

Modes:
  normal  an ordinary server; --user/--password make it accept AUTH (PLAIN and LOGIN) for that
          account only; --cert/--key offer STARTTLS, or with --implicit-tls speak TLS from the start
  silent  accepts connections and never says a word (for timeout tests)
"""

import argparse
import asyncio
import base64
import email
import email.policy
import json
import os
import socket
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Recorder:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        raw = envelope.original_content or envelope.content
        if isinstance(raw, str):
            raw = raw.encode("utf-8", "surrogateescape")
        parsed = email.message_from_bytes(raw, policy=email.policy.default)
        try:
            body = parsed.get_content()
        except Exception as error:  # a body the parser cannot decode is a test failure, not a crash
            body = "<undecodable: %s>" % error
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "auth": getattr(session, "tarnovex_auth", None),
            # STARTTLS shows in the session; implicit TLS in the transport.
            "tls": session.ssl is not None or server.transport.get_extra_info("ssl_object") is not None,
            "ehlo": session.host_name,
            "raw": base64.b64encode(raw).decode("ascii"),
            "header_names": list(parsed.keys()),
            "subject": str(parsed.get("subject", "")),
            "from": str(parsed.get("from", "")),
            "to": str(parsed.get("to", "")),
            "content_type": parsed.get_content_type(),
            "charset": parsed.get_content_charset(),
            "multipart": parsed.is_multipart(),
            "body": body,
        }
        self.count += 1
        name = os.path.join(self.folder, "message-%04d.json" % self.count)
        with open(name + ".tmp", "w", encoding="utf-8") as out:
            json.dump(record, out)
        os.replace(name + ".tmp", name)
        return "250 Message accepted"


def make_authenticator(user, password):
    def authenticate(server, session, envelope, mechanism, auth_data):
        if not isinstance(auth_data, LoginPassword):
            return AuthResult(success=False, handled=False)
        login = auth_data.login.decode("utf-8", "replace")
        ok = login == user and auth_data.password.decode("utf-8", "replace") == password
        if ok:
            session.tarnovex_auth = {"mechanism": mechanism, "login": login}
        return AuthResult(success=ok, handled=False)

    return authenticate


class Silent(asyncio.Protocol):
    def connection_made(self, transport):
        self.transport = transport  # kept open, never answered

    def data_received(self, data):
        pass


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--mode", choices=["normal", "silent"], default="normal")
    parser.add_argument("--user")
    parser.add_argument("--password")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--implicit-tls", action="store_true")
    parser.add_argument("--login-only", action="store_true", help="offer AUTH LOGIN and nothing else")
    args = parser.parse_args()

    loop = asyncio.get_running_loop()
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.bind(("127.0.0.1", 0))
    sock.listen(16)
    port = sock.getsockname()[1]

    tls = None
    if args.cert:
        tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        tls.load_cert_chain(args.cert, args.key)

    if args.mode == "silent":
        server = await loop.create_server(Silent, sock=sock)
    else:
        recorder = Recorder(args.dir)
        options = dict(auth_require_tls=False, hostname="smtp.test")
        if args.user is not None:
            options["authenticator"] = make_authenticator(args.user, args.password or "")
        if args.login_only:
            options["auth_exclude_mechanism"] = ["PLAIN"]
        if tls is not None and not args.implicit_tls:
            options["tls_context"] = tls

        def factory():
            return SMTP(recorder, **options)

        server = await loop.create_server(factory, sock=sock, ssl=tls if args.implicit_tls else None)

    print("PORT %d" % port, flush=True)

    stopped = loop.create_future()

    def on_stdin():
        if not sys.stdin.buffer.read1(4096) and not stopped.done():
            stopped.set_result(None)

    loop.add_reader(sys.stdin.fileno(), on_stdin)
    await stopped
    server.close()


if __name__ == "__main__":
    asyncio.run(main())
