#!/usr/bin/env python3
"""Holds the master side of Linux pseudo-terminals for the Windows tests that run under Wine.

A test connects over TCP on 127.0.0.1 and sends one command per line; every answer is one line,
"ok ..." or "error ...":
  open NAME              a new pseudo-terminal, linked as LINKS/NAME (e.g. com7), which the
                         Wine prefix maps as that COM port; answers with the slave's path
  write HEX              writes the bytes to the master
  read COUNT MS          reads up to COUNT bytes within MS milliseconds; answers with their hex
  termios                the line settings Wine put on the slave: "9600 7E1"
  hangup                 closes the master: the slave reads as hung up
The pseudo-terminal of a connection is closed when the connection ends.
"""
import argparse
import os
import pty
import select
import socket
import termios
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


def serve(connection, links):
    line = Line(links)
    reader = connection.makefile("r", encoding="ascii", newline="\n")
    try:
        for text in reader:
            words = text.split()
            if not words:
                continue
            try:
                answer = line.handle(words)
            except (OSError, ValueError) as problem:
                answer = f"error {problem}"
            connection.sendall((answer + "\n").encode("ascii"))
    finally:
        line.close()
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
