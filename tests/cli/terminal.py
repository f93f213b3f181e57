#!/usr/bin/env python3
"""sorvik on a terminal 40 columns wide (a pseudo-terminal), in a fresh sandbox.

Usage: terminal.py SORVIK

With NO_COLOR the scan writes no escape sequence and no carriage return (no progress bar); without
it the bar fits the width and is gone when the scan ends; --password-stdin prompts "Password: " and
does not show what is typed.
"""
import fcntl
import os
import re
import select
import struct
import subprocess
import sys
import tempfile
import termios


def start(sorvik, args, env):
    master, slave = os.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 40, 0, 0))
    process = subprocess.Popen([sorvik, *args], stdin=slave, stdout=slave, stderr=slave, env=env,
                               start_new_session=True)
    os.close(slave)
    return process, master


def read_until(master, process, wanted=None):
    """What the terminal shows, up to the wanted text, or until the program ends."""
    data = b""
    while wanted is None or wanted not in data:
        ready, _, _ = select.select([master], [], [], 1.0)
        if ready:
            try:
                chunk = os.read(master, 65536)
            except OSError:
                break
            if not chunk:
                break
            data += chunk
        elif process.poll() is not None:
            break
    return data


def main():
    sorvik = sys.argv[1]
    failures = []

    def check(condition, what):
        if not condition:
            failures.append(what)

    with tempfile.TemporaryDirectory() as root:
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("SORVIK_", "XDG_")) and k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                                                                       "NO_COLOR", "COLUMNS")}
        env.update(HOME=root, TERM="xterm", SORVIK_DRIVE_C=os.path.join(root, "c"), SORVIK_DRIVE_A=os.path.join(root, "a"))
        profile = ["profile"]
        for pair in ("First=Ada", "Last=Lovelace", "Address1=1 Main St", "City=Springfield", "State=IL",
                     "ZipCode=62701", "Country=United States", "Phone=555-0100", "Company=Acme", "SendTo=a@b.example"):
            profile += ["--set", pair]
        subprocess.run([sorvik, *profile], env=env, check=True, capture_output=True)

        plain = dict(env, NO_COLOR="1")
        process, master = start(sorvik, ["scan", "--all", "--no-sys-files"], plain)
        shown = read_until(master, process)
        process.wait()
        text = shown.decode("utf-8", "replace")
        check(process.returncode == 3, "the demo scan exits 3: %s" % process.returncode)
        check(b"\x1b" not in shown, "no escape sequence with NO_COLOR: %r" % shown[:300])
        # No line control at all: the terminal turns each line break into CR LF, and that is every CR.
        check(b"\r" not in shown.replace(b"\r\n", b""), "no carriage return with NO_COLOR: %r" % shown[:300])
        check("done" not in text, "nothing says done")

        process, master = start(sorvik, ["scan", "WAREHOUSE", "--no-sys-files", "--login", "JSMITH", "--bindery",
                                         "WAREHOUSE", "--password-stdin"], env)
        prompt = read_until(master, process, b"Password: ")
        check(prompt.endswith(b"Password: "), "the prompt: %r" % prompt)
        os.write(master, b"SPRING98\n")
        rest = read_until(master, process)
        process.wait()
        # The bar is drawn over itself ("\r\x1b[K" then the bar); what stays on each line after the
        # last of them is never the bar.
        drawn = [piece for piece in re.split(r"\r\x1b\[K|\r?\n", rest.decode("utf-8", "replace"))
                 if piece.startswith("[")]
        check(len(drawn) > 0, "a progress bar was drawn: %r" % rest[:300])
        check(all(len(piece) <= 37 for piece in drawn), "the bar fits 40 columns: %r" % [b for b in drawn if len(b) > 37])
        check(not any(line.rsplit("\x1b[K", 1)[-1].startswith("[") for line in rest.decode("utf-8", "replace").split("\n")),
              "the bar is gone when the scan ends")
        check(process.returncode == 0, "the login and scan succeed: %s %r" % (process.returncode, rest[-500:]))
        check(b"SPRING98" not in rest, "the password is not shown: %r" % rest[:200])
        check(b"Bindery Login Successful!" in rest, "logged in: %r" % rest[-500:])

    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
