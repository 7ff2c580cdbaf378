#!/usr/bin/env python3
"""Runs a command (Wine and a Windows program) on a pseudo-terminal of 120 x 50, so that Wine gives
the program a console, and types into it as a technician would; for scripts/test-windows.sh.

    wine-console.py [--unit LINK] [STEP...] -- COMMAND...

Steps, in order:
    see:TEXT     wait until the console shows TEXT (Wine's own escape codes and blanks aside)
    type:KEYS    type KEYS (Python escapes: \\x03 is Ctrl-C, \\x1d Ctrl-])
    unit:BYTES   wait until the unit has received BYTES (with --unit)
--unit LINK makes a raw pseudo-terminal pair for a unit and points LINK (a Wine COM port) at it.
Every wait ends after 60 s at most: a step not met fails the run. Prints what the console showed,
then exits with the command's status (or 99 when a step was not met).
"""
import fcntl
import os
import pty
import re
import select
import signal
import struct
import sys
import termios
import time
import tty

TIMEOUT = 60


def plain(data):
    return re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]|[ \r\n]", b"", data)


def main(argv):
    split = argv.index("--")
    options, command = argv[:split], argv[split + 1:]
    unit = None
    if options[:1] == ["--unit"]:
        unit, unit_side = os.openpty()
        tty.setraw(unit_side)
        link = options[1]
        if os.path.lexists(link):
            os.unlink(link)
        os.symlink(os.ttyname(unit_side), link)
        options = options[2:]
    pid, console = pty.fork()
    if pid == 0:
        os.execvp(command[0], command)
    fcntl.ioctl(console, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 120, 0, 0))
    shown, received, closed = b"", b"", False

    def read_until(done):
        nonlocal shown, received, closed
        end = time.monotonic() + TIMEOUT
        while not done():
            ready, _, _ = select.select([console] + ([unit] if unit else []), [], [],
                                        max(0.0, end - time.monotonic()))
            if not ready:
                return False
            for fd in ready:
                try:
                    data = os.read(fd, 4096)
                except OSError:
                    data = b""
                if fd == console:
                    if not data:
                        closed = True
                        return done()
                    shown += data
                else:
                    received += data
        return True

    met = True
    for step in options:
        kind, _, text = step.partition(":")
        wanted = text.encode().decode("unicode_escape").encode("latin-1")
        if kind == "type":
            os.write(console, wanted)
        elif kind == "see":
            met = read_until(lambda: plain(wanted) in plain(shown))
        elif kind == "unit":
            met = read_until(lambda: wanted in received)
        if not met:
            print(f"wine-console: not met: {step} (the unit got {received!r})", file=sys.stderr)
            break
    read_until(lambda: closed)  # the rest, until the console closes
    if not closed:
        print("wine-console: the program did not end", file=sys.stderr)
        os.killpg(pid, signal.SIGKILL)
        met = False
    _, status = os.waitpid(pid, 0)
    sys.stdout.buffer.write(shown)
    return os.waitstatus_to_exitcode(status) if met else 99


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
