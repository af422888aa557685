"""Loopback FTP server for the updater tests.

Serves --root to the user "rfid" (password --password, "mxqa47" by default)
on 127.0.0.1, on a free port that it prints as the first line of output.
--extra NAME adds a name to the listing of /download/ that is not a file
(a file that fails when fetched, or a hostile name); --hide-listing makes the
listing of /download/ empty while its files can still be fetched.
--truncate NAME sends only the first half of that file, announces that half
as its size and ends the transfer as if complete (the listing keeps the true
size); --stall-listing answers a listing of /download/ and then sends
nothing; --tls CERT KEY requires TLS on the control and data connections.
--first NAME FILE answers the first fetch of NAME (and its size until then)
with the bytes of FILE instead, as a server that changes a file between two
fetches.
"""
import argparse
import logging
import os
import sys
import tempfile

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, TLS_DTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer

ap = argparse.ArgumentParser()
ap.add_argument("--root", required=True)
ap.add_argument("--password", default="mxqa47")
ap.add_argument("--extra", action="append", default=[])
ap.add_argument("--hide-listing", action="store_true")
ap.add_argument("--truncate", action="append", default=[])
ap.add_argument("--stall-listing", action="store_true")
ap.add_argument("--tls", nargs=2)
ap.add_argument("--first", nargs=2, action="append", default=[])
args = ap.parse_args()

halves = tempfile.mkdtemp()
firsts = dict(args.first)


def is_download(path):
    return os.path.basename(os.path.normpath(path)) == "download"


class ListingFS(AbstractedFS):
    def listdir(self, path):
        names = list(super().listdir(path))
        if is_download(path):
            if args.hide_listing:
                return []
            names += args.extra
        return names


class DataChannel(TLS_DTPHandler):
    # pyftpdlib 1.5.7 closes a data connection whose TLS handshake is still
    # running when the client speaks first, as curl does.
    def readable(self):
        return self._ssl_accepting or super().readable()


class Handler(TLS_FTPHandler if args.tls else FTPHandler):
    abstracted_fs = ListingFS
    if args.tls:
        dtp_handler = DataChannel
    auth_failed_timeout = 0.05

    def half(self, path):
        with open(path, "rb") as f:
            data = f.read()
        return data[: len(data) // 2]

    def ftp_SIZE(self, path):
        if os.path.basename(path) in firsts:
            path = firsts[os.path.basename(path)]
        if os.path.basename(path) in args.truncate:
            self.respond("213 %d" % len(self.half(path)))
            return
        return super().ftp_SIZE(path)

    def ftp_RETR(self, file):
        name = os.path.basename(file)
        if name in firsts:
            file = firsts.pop(name)
        if name in args.truncate:
            cut = os.path.join(halves, name)
            with open(cut, "wb") as f:
                f.write(self.half(file))
            file = cut
        return super().ftp_RETR(file)

    def stall(self, path):
        # The data connection is open and stays silent.
        self.respond("150 File status okay. About to open data connection.")

    def ftp_LIST(self, path):
        if args.stall_listing and is_download(path):
            return self.stall(path)
        return super().ftp_LIST(path)

    def ftp_NLST(self, path):
        if args.stall_listing and is_download(path):
            return self.stall(path)
        return super().ftp_NLST(path)


if args.tls:
    Handler.certfile, Handler.keyfile = args.tls
    Handler.tls_control_required = True
    Handler.tls_data_required = True

authorizer = DummyAuthorizer()
authorizer.add_user("rfid", args.password, args.root, perm="elr")
Handler.authorizer = authorizer

logging.basicConfig(level=logging.WARNING, stream=sys.stderr)

server = FTPServer(("127.0.0.1", 0), Handler)
print(server.address[1], flush=True)
server.serve_forever()
