"""Loopback FTP server for the updater tests.

Serves --root to the user "rfid" (password --password, "mxqa47" by default)
on 127.0.0.1, on a free port that it prints as the first line of output.
--extra NAME adds a name to the listing of /download/ that is not a file
(a file that fails when fetched, or a hostile name); --hide-listing makes the
listing of /download/ empty while its files can still be fetched.
"""
import argparse
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

ap = argparse.ArgumentParser()
ap.add_argument("--root", required=True)
ap.add_argument("--password", default="mxqa47")
ap.add_argument("--extra", action="append", default=[])
ap.add_argument("--hide-listing", action="store_true")
args = ap.parse_args()


class ListingFS(AbstractedFS):
    def listdir(self, path):
        names = list(super().listdir(path))
        if os.path.basename(os.path.normpath(path)) == "download":
            if args.hide_listing:
                return []
            names += args.extra
        return names


class Handler(FTPHandler):
    abstracted_fs = ListingFS
    auth_failed_timeout = 0.05


authorizer = DummyAuthorizer()
authorizer.add_user("rfid", args.password, args.root, perm="elr")
Handler.authorizer = authorizer

logging.basicConfig(level=logging.WARNING, stream=sys.stderr)

server = FTPServer(("127.0.0.1", 0), Handler)
print(server.address[1], flush=True)
server.serve_forever()
