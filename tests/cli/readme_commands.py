#!/usr/bin/env python3
"""Runs every command of the README's "Using Sorvik" command blocks as written, in a fresh sandbox.

Usage: readme_commands.py SORVIK README

Each line of a ```sh block in the section is one command; `build/sorvik` is the program under
test. A line must exit 0 unless its comment says "exit status N". A command with --json must
print JSON that Python's json module reads.
"""
import json
import os
import re
import subprocess
import sys
import tempfile


def commands(readme):
    text = open(readme, encoding="utf-8").read()
    section = text.split("\n## Using Sorvik\n", 1)[1].split("\n## ", 1)[0]
    for block in re.findall(r"```sh\n(.*?)```", section, re.S):
        for line in block.splitlines():
            if line.strip():
                yield line


def main():
    sorvik, readme = sys.argv[1], sys.argv[2]
    lines = list(commands(readme))
    if not lines:
        print("no commands found in the README's Using Sorvik section")
        return 1
    failures = 0
    with tempfile.TemporaryDirectory() as root:
        home = os.path.join(root, "home")
        work = os.path.join(root, "work")
        os.makedirs(os.path.join(work, "build"))
        os.makedirs(home)
        os.symlink(sorvik, os.path.join(work, "build", "sorvik"))
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("SORVIK_", "XDG_")) and k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env["HOME"] = home
        for line in lines:
            command, _, comment = line.partition("  #")
            expected = re.search(r"exit status (\d+)", comment)
            expected = int(expected.group(1)) if expected else 0
            run = subprocess.run(["bash", "-c", command], cwd=work, env=env, stdin=subprocess.DEVNULL,
                                 capture_output=True, text=True, timeout=300)
            problem = None
            if run.returncode != expected:
                problem = "exit status %d, expected %d" % (run.returncode, expected)
            elif "--json" in command:
                try:
                    json.loads(run.stdout)
                except ValueError as error:
                    problem = "not JSON: %s" % error
            if problem:
                failures += 1
                print("FAILED: %s\n  %s\n  stdout: %s\n  stderr: %s" % (command.strip(), problem,
                                                                     run.stdout[-2000:], run.stderr[-2000:]))
            else:
                print("ok: %s" % command.strip())
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
