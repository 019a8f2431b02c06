#!/usr/bin/env python3
"""Stands in for a cutter on a serial line (the far end of a pseudo-terminal)
or on a raw socket, for the tests of `kerfline-cli send`.

    standin_cutter.py FOLDER (--pty LINK | --tcp) [options]

--pty makes a pseudo-terminal pair and a symbolic link LINK to its far end,
which the sender opens as its port. A pseudo-terminal has no wire: what the
sender writes is there at once and XOFF stops nothing already written. So
this end reads at the rate the sender set (ten bits a byte at the baud rate
read back from the terminal), and after it has sent XOFF it stops reading
only if the sender's side has IXON set, as a serial driver would stop
sending.

Beyond that it is a cutter with a buffer of --buffer bytes:
  --mode xonxoff  drains the buffer at --drain bytes a second; XOFF when no
                  more than --low bytes are free, XON at --high free
  --mode esc-b    drains the same way and answers ESC . B with its free
                  space and a CR (the question takes no room)
  --mode none     executes each instruction, once it has arrived whole, in
                  the time the job's time model gives it, --factor times
                  faster, taking its bytes from the buffer evenly meanwhile
  --mode raw      drains at --drain, no handshake at all
A byte that arrives while the buffer is full is lost: counted, and kept with
the others. --hold-after N: after N bytes the cutter stops taking data for
good (XOFF held, no more answers to ESC . B, nothing read).

Writes into FOLDER: `ready` once the port is there (its path, or the socket's
port number), `progress` (bytes received so far) while it runs, and at the
end `received.bin` (every byte but the ESC . B questions) and `report.txt`
(one "name value" a line). It ends once the file FOLDER/finish exists, nothing has
come for a while and the buffer is empty (or the socket is closed), or after
--limit seconds.
"""
import argparse
import math
import os
import pty
import re
import select
import socket
import sys
import termios
import time
import tty

XON, XOFF = 0x11, 0x13
ESC_B = b"\x1b.B"


# ---- the job's time model, as `info --json` states it -----------------------

class Knife:
    """Cuts at the speed VS sets for the pen in use (cm/s, or the default),
    moves with the pen up at twice that, and takes 0.1 s for a drop and 0.1 s
    for a lift of every cut. PD, PU and PA points are absolute, PR relative;
    IN and PA without points go home."""

    def __init__(self, default_speed):
        self.default = default_speed
        self.all = 0.0
        self.pens = {}
        self.pen = 0
        self.x = self.y = 0
        self.down = self.open = self.join = False

    def speed(self):
        if self.pen in self.pens:
            if self.pens[self.pen] > 0:
                return self.pens[self.pen]
            return self.default
        return self.all if self.all > 0 else self.default

    def go(self, x, y, cutting):
        mm = math.hypot(x - self.x, y - self.y) / 40.0
        self.x, self.y = x, y
        return mm / 10.0 / (self.speed() if cutting else 2 * self.speed())

    def start_cut(self):
        seconds = 0.0 if self.join else 0.2
        self.join = False
        self.open = True
        return seconds

    def seconds(self, text):
        """The time of one instruction, text without its ";"."""
        text = text.lstrip(" \t\r\n\v\f")
        name, rest = text[:2], text[2:]
        numbers = [n for n in re.split(r"[,\s]+", rest.strip()) if n]
        if name in ("PA", "PD", "PR", "PU"):
            t = 0.0
            if name == "PD" and not self.down:
                self.down = True
                t += self.start_cut()
            if name == "PU":
                self.down = self.open = self.join = False
            if name == "PA" and not numbers:
                self.open = self.join = False
                t += self.go(0, 0, False)
            values = [int(n) for n in numbers]
            for i in range(0, len(values) - 1, 2):
                x, y = values[i], values[i + 1]
                if name == "PR":
                    x, y = self.x + x, self.y + y
                if self.down and not self.open:
                    t += self.start_cut()
                t += self.go(x, y, self.down)
            return t
        upper = name.upper()
        if upper == "IN":
            self.all, self.pens, self.pen = 0.0, {}, 0
        elif upper == "SP":
            self.pen = int(float(numbers[0])) if numbers else 0
        elif upper == "VS":
            value = float(numbers[0]) if numbers else 0.0
            value = value if value > 0 else 0.0
            if len(numbers) >= 2:
                self.pens[int(float(numbers[1]))] = value
            else:
                self.all, self.pens = value, {}
        if name == "IN":
            self.down = self.open = self.join = False
            return self.go(0, 0, False)
        if text:
            self.join = self.join or self.open
            self.open = False
        return 0.0


# ---- the cutter --------------------------------------------------------------

class Cutter:
    def __init__(self, args):
        self.args = args
        self.buffer = args.buffer
        self.low = args.low if args.low is not None else self.buffer // 4
        self.high = args.high if args.high is not None else self.buffer // 2
        self.used = 0.0           # bytes in the buffer
        self.received = bytearray()
        self.escape = bytearray()   # the start of an ESC sequence
        self.pending = bytearray()  # none: the start of the next instruction
        self.lost = 0
        self.xoff = False
        self.xoffs = 0
        self.questions = 0
        self.holding = False
        self.first = self.last = None
        self.idle = 0.0           # the knife idle while no byte waited to come in
        self.idle_since = 0.0     # the same since the last byte: it counts once more come
        self.emptied = None       # when the knife last ran out of work
        self.knife = Knife(args.speed)
        self.queue = []           # none: [bytes, seconds] of instructions arrived whole
        self.running = None       # none: [bytes left, seconds left, rate]
        self.max_used = 0.0

    def working(self):
        return self.used > 1e-6 or self.running is not None or bool(self.queue)

    def free(self):
        return max(0, int(self.buffer - self.used + 1e-9))

    def take(self, data, answer):
        """Bytes off the line, one by one."""
        now = time.monotonic()
        if self.first is None:
            self.first = now
        self.last = now
        self.idle += self.idle_since
        self.idle_since = 0.0
        for byte in data:
            if self.escape or (byte == 0x1b and self.args.mode == "esc-b"):
                self.escape.append(byte)
                if len(self.escape) < 3 and ESC_B.startswith(bytes(self.escape)):
                    continue
                if bytes(self.escape) == ESC_B:
                    self.escape.clear()
                    self.questions += 1
                    if not self.holding:
                        answer(b"%d\r" % self.free())
                    continue
                # Not a question after all: the bytes are data.
                data_bytes = bytes(self.escape)
                self.escape.clear()
                for b in data_bytes:
                    self.store(b)
                continue
            self.store(byte)

    def store(self, byte):
        self.received.append(byte)
        if self.used + 1 > self.buffer + 1e-9:
            self.lost += 1
            return
        self.used += 1
        self.max_used = max(self.max_used, self.used)
        if self.args.mode == "none":
            if not self.pending and byte in b" \t\r\n\v\f":
                # Blanks between instructions are passed over at once.
                self.used -= 1
                return
            self.pending.append(byte)
            if byte == ord(";"):
                text = self.pending[:-1].decode("latin-1")
                self.queue.append([len(self.pending), self.knife.seconds(text) / self.args.factor])
                self.pending.clear()

    def work(self, dt, line_waiting):
        """The knife over dt seconds."""
        busy = True
        if self.args.mode == "none":
            left = dt
            while left > 0:
                if self.running is None:
                    if not self.queue:
                        busy = False
                        break
                    size, seconds = self.queue.pop(0)
                    if seconds <= 0:
                        self.used = max(0.0, self.used - size)
                        continue
                    self.running = [float(size), seconds, size / seconds]
                step = min(left, self.running[1])
                self.used = max(0.0, self.used - self.running[2] * step)
                self.running[0] -= self.running[2] * step
                self.running[1] -= step
                left -= step
                if self.running[1] <= 1e-12:
                    self.used = max(0.0, self.used - max(self.running[0], 0.0))
                    self.running = None
            idle = left if not busy else 0.0
        else:
            take = self.args.drain * dt
            idle = 0.0
            if self.used < take:
                idle = dt * (1 - self.used / take) if take > 0 else dt
                busy = False
            self.used = max(0.0, self.used - take)
        if self.first is not None and not line_waiting:
            self.idle_since += idle
        if not busy and self.first is not None and self.emptied is None:
            self.emptied = time.monotonic()
        if busy:
            self.emptied = None

    def report(self, folder, extra):
        with open(os.path.join(folder, "received.bin"), "wb") as out:
            out.write(bytes(self.received))
        job = 0.0
        if self.first is not None:
            job = max(self.last, self.emptied or self.last) - self.first
        lines = {
            "received": len(self.received),
            "lost": self.lost,
            "xoffs": self.xoffs,
            "questions": self.questions,
            "idle_s": "%.4f" % self.idle,
            "job_s": "%.4f" % job,
            "max_used": "%.1f" % self.max_used,
        }
        lines.update(extra)
        with open(os.path.join(folder, "report.txt.new"), "w") as out:
            for key, value in lines.items():
                out.write("%s %s\n" % (key, value))
        os.rename(os.path.join(folder, "report.txt.new"), os.path.join(folder, "report.txt"))


def write_atomically(path, text):
    with open(path + ".new", "w") as out:
        out.write(text)
    os.rename(path + ".new", path)


BAUDS = {getattr(termios, "B%d" % b): b for b in
         (110, 300, 600, 1200, 1800, 2400, 4800, 9600, 19200, 38400, 57600, 115200)}


def settings_of(attrs):
    return {"baud": BAUDS.get(attrs[5], 0), "ixon": int(bool(attrs[0] & termios.IXON)),
            "crtscts": int(bool(attrs[2] & termios.CRTSCTS)),
            "cs8": int((attrs[2] & termios.CSIZE) == termios.CS8),
            "parenb": int(bool(attrs[2] & termios.PARENB)),
            "cstopb": int(bool(attrs[2] & termios.CSTOPB))}


def serve_pty(args, cutter):
    master, slave = pty.openpty()
    tty.setraw(master)
    name = os.ttyname(slave)
    try:
        os.unlink(args.pty)
    except FileNotFoundError:
        pass
    os.symlink(name, args.pty)
    os.set_blocking(master, False)
    write_atomically(os.path.join(args.folder, "ready"), name + "\n")

    settings = {}
    start = time.monotonic()
    last = start
    credit = 0.0
    quiet_since = None
    last_progress = 0.0
    rate = None

    def answer(data):
        os.write(master, data)

    while time.monotonic() - start < args.limit:
        now = time.monotonic()
        dt = now - last
        last = now
        attrs = termios.tcgetattr(slave)
        baud = BAUDS.get(attrs[5], 0)
        ixon = bool(attrs[0] & termios.IXON)
        if baud:
            rate = baud / 10.0
        if cutter.first is None or not settings:
            settings = settings_of(attrs)
        readable = bool(select.select([master], [], [], 0)[0])
        # Kept off the processor for a while, the stand-in catches up in
        # steps of a millisecond, as if what waits had come down the line
        # meanwhile: taken in one gulp after the knife had run dry, it would
        # seem to overflow a buffer that a real line would have kept filled.
        slices = max(1, min(int(dt / 0.001), 2000))
        step = dt / slices
        for _ in range(slices):
            held = cutter.holding or (cutter.xoff and ixon)
            cutter.work(step, readable and not held)
            if not held and rate:
                credit = min(credit + step * rate, max(16.0, rate * 0.02))
                want = int(credit)
                if args.mode == "xonxoff" and ixon and not cutter.holding:
                    # Up to the low mark: there the XOFF goes out, and a driver
                    # stops sending at once.
                    want = min(want, max(1, cutter.free() - cutter.low))
                if want > 0 and readable:
                    try:
                        data = os.read(master, want)
                    except (BlockingIOError, OSError):
                        data = b""
                    credit -= len(data)
                    if len(data) < want:
                        readable = False
                    if data:
                        if cutter.first is None:
                            # The sender sets the port before it writes: read
                            # the settings again now that its first bytes are
                            # here, not from before they came.
                            settings = settings_of(termios.tcgetattr(slave))
                        cutter.take(data, answer)
                        quiet_since = None
                        hold_after = args.hold_after
                        if hold_after is not None and len(cutter.received) >= hold_after and not cutter.holding:
                            cutter.holding = True
                            if args.mode == "xonxoff":
                                os.write(master, bytes([XOFF]))
                                cutter.xoff = True
            if args.mode == "xonxoff" and not cutter.holding:
                free = cutter.free()
                if not cutter.xoff and free <= cutter.low:
                    os.write(master, bytes([XOFF]))
                    cutter.xoff = True
                    cutter.xoffs += 1
                elif cutter.xoff and free >= cutter.high:
                    os.write(master, bytes([XON]))
                    cutter.xoff = False
        if now - last_progress > 0.02:
            write_atomically(os.path.join(args.folder, "progress"), "%d\n" % len(cutter.received))
            last_progress = now
        if os.path.exists(os.path.join(args.folder, "finish")):
            # Done once nothing more comes and the knife has done its work
            # (or has stopped taking data for good).
            if (readable or cutter.working()) and not cutter.holding:
                quiet_since = None
            elif quiet_since is None:
                quiet_since = now
            elif now - quiet_since > 0.3:
                break
        time.sleep(0.0005)
    try:
        os.unlink(args.pty)
    except FileNotFoundError:
        pass
    cutter.report(args.folder, settings)


def serve_tcp(args, cutter):
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    server.settimeout(args.limit)
    write_atomically(os.path.join(args.folder, "ready"), "%d\n" % server.getsockname()[1])
    try:
        connection, _ = server.accept()
    except socket.timeout:
        cutter.report(args.folder, {"connected": 0})
        return
    connection.settimeout(args.limit)
    with connection:
        while True:
            if args.hold_after is not None and len(cutter.received) >= args.hold_after:
                time.sleep(args.limit)
                break
            data = connection.recv(65536)
            if not data:
                break
            cutter.received += data
            write_atomically(os.path.join(args.folder, "progress"), "%d\n" % len(cutter.received))
    cutter.report(args.folder, {"connected": 1})


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--pty")
    parser.add_argument("--tcp", action="store_true")
    parser.add_argument("--mode", default="xonxoff", choices=["xonxoff", "esc-b", "none", "raw"])
    parser.add_argument("--buffer", type=int, default=256)
    parser.add_argument("--drain", type=float, default=600.0)
    parser.add_argument("--factor", type=float, default=1.0)
    parser.add_argument("--speed", type=float, default=20.0)
    parser.add_argument("--low", type=int)
    parser.add_argument("--high", type=int)
    parser.add_argument("--hold-after", type=int)
    parser.add_argument("--limit", type=float, default=60.0)
    args = parser.parse_args()
    cutter = Cutter(args)
    if args.tcp:
        serve_tcp(args, cutter)
    else:
        serve_pty(args, cutter)


if __name__ == "__main__":
    main()
