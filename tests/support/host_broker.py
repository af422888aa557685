#!/usr/bin/env python3
"""Starts Linux peer programs (the virtual printer, the FTP server) for the
test programs that run under Wine, which cannot start or stop a Linux
process themselves.

One TCP connection on loopback per peer. The client sends one JSON line
{"program": NAME, "args": [...]} (Linux paths); the broker starts it and
sends frames: one channel byte (O standard output, E standard error,
X exit code), a 4-byte big-endian length, the bytes. The client's byte T
asks for SIGTERM, K for SIGKILL; a closed connection kills the peer.
Prints its port as its first line.
"""
import argparse, json, os, selectors, signal, socket, struct, subprocess, sys, threading

PROGRAMS = {}


def frame(channel, data):
    return channel + struct.pack(">I", len(data)) + data


def serve(conn):
    with conn:
        line = b""
        while not line.endswith(b"\n"):
            chunk = conn.recv(4096)
            if not chunk:
                return
            line += chunk
        request = json.loads(line.decode())
        program = PROGRAMS.get(os.path.basename(request["program"]), request["program"])
        try:
            child = subprocess.Popen([program] + request["args"], stdin=subprocess.DEVNULL,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        except OSError as e:
            conn.sendall(frame(b"E", str(e).encode()) + frame(b"X", b"-1"))
            return
        sel = selectors.DefaultSelector()
        sel.register(child.stdout, selectors.EVENT_READ, b"O")
        sel.register(child.stderr, selectors.EVENT_READ, b"E")
        sel.register(conn, selectors.EVENT_READ, None)
        open_pipes = 2
        try:
            while open_pipes:
                for key, _ in sel.select():
                    if key.data is None:
                        ask = conn.recv(16)
                        if not ask or b"K" in ask:
                            child.kill()
                        elif b"T" in ask:
                            child.terminate()
                        if not ask:
                            sel.unregister(conn)
                        continue
                    data = os.read(key.fileobj.fileno(), 65536)
                    if not data:
                        sel.unregister(key.fileobj)
                        open_pipes -= 1
                        continue
                    conn.sendall(frame(key.data, data))
            code = child.wait()
            conn.sendall(frame(b"X", str(code).encode()))
        except OSError:
            pass
        finally:
            if child.poll() is None:
                child.kill()
                child.wait()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--program", action="append", default=[], help="NAME=PATH")
    a = p.parse_args()
    for item in a.program:
        name, path = item.split("=", 1)
        PROGRAMS[name] = path
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(16)
    print(server.getsockname()[1], flush=True)
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    while True:
        conn, _ = server.accept()
        threading.Thread(target=serve, args=(conn,), daemon=True).start()


if __name__ == "__main__":
    main()
