#!/usr/bin/python3
"""The FTP server of the storage tests: serves one folder on 127.0.0.1 at a port the system chooses.

Prints "PORT <n>" once it listens and ends when its standard input closes (or when it is killed).
Options make it misbehave the way real servers and networks do: drop the connection in the middle of
an upload, refuse writes below a folder, lack the machine listing command, or speak TLS.
"""
import argparse
import logging
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="tester")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--drop-after", type=int, default=-1,
                        help="cut both connections once an upload has received this many bytes")
    parser.add_argument("--drop-count", type=int, default=1,
                        help="how many uploads are cut (0: every one)")
    parser.add_argument("--readonly", action="append", default=[],
                        help="a folder below the root where nothing may be written")
    parser.add_argument("--no-mlsd", action="store_true")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()

    logging.basicConfig(level=logging.ERROR, stream=sys.stderr)

    authorizer = DummyAuthorizer()
    root = os.path.realpath(args.root)
    authorizer.add_user(args.user, args.password, root, perm="elradfmwMT")
    for folder in args.readonly:
        path = os.path.join(root, folder)
        os.makedirs(path, exist_ok=True)
        authorizer.override_perm(args.user, path, perm="elr", recursive=True)

    if args.cert:
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
        base_handler, base_dtp = TLS_FTPHandler, TLS_DTPHandler
    else:
        base_handler, base_dtp = FTPHandler, DTPHandler

    state = {"dropped": 0}

    class Dtp(base_dtp):
        # The base class reads through handle_read_event (an alias of its handle_read).
        def handle_read_event(self):
            super().handle_read_event()
            limit = args.drop_after
            if limit < 0 or not self.receive or self.tot_bytes_received < limit:
                return
            if args.drop_count and state["dropped"] >= args.drop_count:
                return
            state["dropped"] += 1
            command = self.cmd_channel
            self.close()
            command.close()

    class Handler(base_handler):
        pass

    Handler.authorizer = authorizer
    Handler.dtp_handler = Dtp
    Handler.banner = "Tarnovex test server ready."
    Handler.permit_foreign_addresses = True
    if args.no_mlsd:
        Handler.proto_cmds = {k: v for k, v in base_handler.proto_cmds.items() if k != "MLSD"}
    if args.cert:
        Handler.certfile = args.cert
        Handler.keyfile = args.key
        Handler.tls_control_required = True
        Handler.tls_data_required = True

    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)

    def watch_stdin():
        try:
            while sys.stdin.read(4096):
                pass
        finally:
            os._exit(0)

    threading.Thread(target=watch_stdin, daemon=True).start()
    server.serve_forever(timeout=0.5)


if __name__ == "__main__":
    main()
