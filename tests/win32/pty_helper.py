#!/usr/bin/env python3
"""Holds the Linux side of the Windows tests that run under Wine: the master side of
pseudo-terminals mapped as COM ports, and an HTTPS server for the update check.

A test connects over TCP on 127.0.0.1 and sends one command per line; every answer is one line,
"ok ..." or "error ...":
  open NAME              a new pseudo-terminal, linked as LINKS/NAME (e.g. com7), which the
                         Wine prefix maps as that COM port; answers with the slave's path
  write HEX              writes the bytes to the master
  read COUNT MS          reads up to COUNT bytes within MS milliseconds; answers with their hex
  termios                the line settings Wine put on the slave: "9600 7E1"
  hangup                 closes the master: the slave reads as hung up
  https [silent]         an HTTPS server on 127.0.0.1 with a self-signed certificate for
                         localhost; answers "ok PORT". A silent one accepts connections and
                         then says nothing.
  https-log              what the server saw since: "ok CONNECTIONS REQUESTS REFUSED", the
                         connections accepted, the requests read after a completed handshake
                         and the connections the client left without a request
The pseudo-terminal and the server of a connection are closed when the connection ends.
"""
import argparse
import os
import pty
import select
import socket
import ssl
import subprocess
import tempfile
import termios
import threading
import time
import tty

RATES = {getattr(termios, name): int(name[1:]) for name in dir(termios)
         if name.startswith("B") and name[1:].isdigit()}
SIZES = {termios.CS5: 5, termios.CS6: 6, termios.CS7: 7, termios.CS8: 8}


def describe(fd):
    iflag, oflag, cflag, lflag, ispeed, ospeed, cc = termios.tcgetattr(fd)
    parity = "N"
    if cflag & termios.PARENB:
        mark_space = cflag & getattr(termios, "CMSPAR", 0o10000000000)
        if mark_space:
            parity = "M" if cflag & termios.PARODD else "S"
        else:
            parity = "O" if cflag & termios.PARODD else "E"
    stop = 2 if cflag & termios.CSTOPB else 1
    return f"{RATES.get(ospeed, ospeed)} {SIZES[cflag & termios.CSIZE]}{parity}{stop}"


class Line:
    def __init__(self, links):
        self.links = links
        self.master = None
        self.slave = None
        self.link = None

    def close(self):
        for fd in (self.master, self.slave):
            if fd is not None:
                os.close(fd)
        self.master = self.slave = None
        if self.link and os.path.islink(self.link):
            os.unlink(self.link)
        self.link = None

    def handle(self, words):
        command = words[0]
        if command == "open":
            self.close()
            self.master, self.slave = pty.openpty()
            tty.setraw(self.master)
            path = os.ttyname(self.slave)
            # Our slave descriptor is closed again: a hang-up must reach Wine's open alone.
            os.close(self.slave)
            self.slave = None
            self.link = os.path.join(self.links, words[1].lower())
            if os.path.lexists(self.link):
                os.unlink(self.link)
            os.symlink(path, self.link)
            return "ok " + path
        if self.master is None:
            return "error no line open"
        if command == "write":
            os.write(self.master, bytes.fromhex(words[1] if len(words) > 1 else ""))
            return "ok"
        if command == "read":
            count, deadline = int(words[1]), time.monotonic() + int(words[2]) / 1000
            data = b""
            while len(data) < count:
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([self.master], [], [], left)[0]:
                    break
                try:
                    data += os.read(self.master, count - len(data))
                except OSError:
                    break
            return "ok " + data.hex()
        if command == "termios":
            return "ok " + describe(self.master)
        if command == "hangup":
            os.close(self.master)
            self.master = None
            return "ok"
        return "error unknown command " + command


class UpdateServer:
    """Answers every request that arrives over TLS with a version document."""

    DOCUMENT = b"Valtyp 1.0.0\n"

    def __init__(self):
        self.listener = None
        self.connections = 0
        self.requests = 0
        self.refused = 0
        self.held = []
        self.lock = threading.Lock()

    def start(self, silent):
        folder = tempfile.mkdtemp(prefix="valtyp-https-")
        key, certificate = os.path.join(folder, "key.pem"), os.path.join(folder, "cert.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-keyout", key, "-out", certificate, "-subj", "/CN=localhost",
                        "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"],
                       check=True, capture_output=True)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(certificate, key)
        for name in (key, certificate):
            os.unlink(name)
        os.rmdir(folder)
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(8)
        threading.Thread(target=self.accept, args=(self.listener, context, silent),
                         daemon=True).start()
        return f"ok {self.listener.getsockname()[1]}"

    def accept(self, listener, context, silent):
        while True:
            try:
                connection, _ = listener.accept()
            except OSError:
                return
            with self.lock:
                self.connections += 1
                if silent:
                    self.held.append(connection)
                    continue
            threading.Thread(target=self.answer, args=(connection, context), daemon=True).start()

    def answer(self, connection, context):
        connection.settimeout(20)
        try:
            with context.wrap_socket(connection, server_side=True) as tls:
                request = b""
                while b"\r\n\r\n" not in request:
                    chunk = tls.recv(4096)
                    if not chunk:
                        # A client that checks the certificate itself after the handshake
                        # leaves without a request when it does not trust it.
                        raise ConnectionError("closed without a request")
                    request += chunk
                with self.lock:
                    self.requests += 1
                tls.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: "
                            + str(len(self.DOCUMENT)).encode() + b"\r\nConnection: close\r\n\r\n"
                            + self.DOCUMENT)
        except (ssl.SSLError, ConnectionError) as problem:
            print("https: refused:", problem, flush=True)
            with self.lock:
                self.refused += 1
        except OSError as problem:
            print("https:", problem, flush=True)

    def handle(self, words):
        if words[0] == "https":
            if self.listener is not None:
                return "error already serving"
            return self.start(silent=words[1:] == ["silent"])
        with self.lock:
            return f"ok {self.connections} {self.requests} {self.refused}"

    def close(self):
        if self.listener is not None:
            self.listener.close()
        for connection in self.held:
            connection.close()


def serve(connection, links):
    line = Line(links)
    update = UpdateServer()
    reader = connection.makefile("r", encoding="ascii", newline="\n")
    try:
        for text in reader:
            words = text.split()
            if not words:
                continue
            try:
                answer = (update if words[0].startswith("https") else line).handle(words)
            except (OSError, ValueError) as problem:
                answer = f"error {problem}"
            connection.sendall((answer + "\n").encode("ascii"))
    finally:
        line.close()
        update.close()
        connection.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--links", required=True)
    parser.add_argument("--port-file", required=True)
    arguments = parser.parse_args()
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(4)
    temporary = arguments.port_file + ".new"
    with open(temporary, "w", encoding="ascii") as out:
        out.write(str(listener.getsockname()[1]))
    os.replace(temporary, arguments.port_file)
    # One test process at a time; each gets its own line.
    while True:
        connection, _ = listener.accept()
        serve(connection, arguments.links)


if __name__ == "__main__":
    main()
