#!/usr/bin/env python3
"""`sorvik archive` killed at random moments, then run again: no data file is ever lost.

After each kill and after each full re-run, every data file that existed is either still in the
output directory with its content unchanged or, with that content, inside an archive that Python's
zipfile reads without fault; every archive under an archive's name is sound (a file of 0 bytes is an
archive without entries). After the re-run no data file and no temporary file is left.

Then a `scan` through a symbolic link to the output directory races an `archive` on its real path:
one of the two is refused as "in use", and nothing is lost, the scan's new data file included.

    archive_chaos.py SORVIK [TRIALS] [SEED] [RACES]
"""
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import zipfile

FILES = 8


def report_text(rng, size):
    rows = []
    total = 0
    while total < size:
        row = "%-32s%u\r\n" % (rng.choice(["Server Name", "Cache Buffers", "Volumes Mounted"]), rng.randrange(100000))
        if rng.random() < 0.5:
            row = "SYS:\\PUBLIC\\F%05u.QLM  %10u  %02u/%02u/199%u\r\n" % (
                rng.randrange(20000), rng.randrange(5000000), rng.randrange(1, 13), rng.randrange(1, 29),
                rng.randrange(10))
        rows.append(row)
        total += len(row)
    return "".join(rows).encode("ascii")[:size]


def archived_contents(output):
    """Every entry of every archive, by name: a list of contents. Fails on an unsound archive."""
    held = {}
    for name in sorted(os.listdir(output)):
        if not name.endswith(".zip"):
            continue
        path = os.path.join(output, name)
        if os.path.getsize(path) == 0:
            continue
        with zipfile.ZipFile(path) as archive:
            bad = archive.testzip()
            if bad is not None:
                raise AssertionError("%s: damaged entry %s" % (name, bad))
            for info in archive.infolist():
                held.setdefault(info.filename, []).append(archive.read(info))
    return held


def violations(output, originals):
    try:
        held = archived_contents(output)
    except (zipfile.BadZipFile, AssertionError, OSError) as failure:
        return ["unsound archive: %s" % failure]
    lost = []
    for name, content in originals.items():
        path = os.path.join(output, name)
        if os.path.exists(path):
            with open(path, "rb") as f:
                if f.read() == content:
                    continue
            lost.append("%s changed on disk" % name)
        elif content not in held.get(name, []):
            lost.append("%s neither on disk nor archived" % name)
    return lost


# Each request takes 2 ms, so that a scan holds the lock for a good part of a second.
NETWORK = b"""{
  "delayMs": 2,
  "workstation": {"primaryServer": "FS2"},
  "servers": [{"name": "FS2", "address": {"ip": "10.1.2.3", "port": 524}}]
}"""


def link_races(sorvik, env, root, rng, races):
    """`scan` through a link named like the output directory, against `archive` on the real path."""
    output = root + "/drive_c/Orvane/Sorvik"
    os.makedirs(root + "/linked_c/Orvane")
    os.symlink(output, root + "/linked_c/Orvane/Sorvik")
    linked = dict(env, SORVIK_DRIVE_C=root + "/linked_c")
    network = root + "/network.json"
    with open(network, "wb") as f:
        f.write(NETWORK)
    failures = []
    refused = 0
    for race in range(races):
        shutil.rmtree(output)
        os.makedirs(output)
        originals = {}
        for i in range(FILES):
            name = "%08X.DAT" % (0x01B30000 + race * 64 + i)
            originals[name] = report_text(rng, rng.randrange(1000, 60000))
            with open(os.path.join(output, name), "wb") as f:
                f.write(originals[name])
        # The scan starts first, as it connects before it takes the lock; the archive follows at a
        # moment that lets either of the two hold the directory when the other asks for it.
        started = [("scan", subprocess.Popen([sorvik, "--network", network, "scan", "FS2", "--no-sys-files"],
                                             env=linked, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE))]
        time.sleep(rng.uniform(0, 0.35))
        started.append(("archive", subprocess.Popen([sorvik, "archive"], env=env, stdout=subprocess.DEVNULL,
                                                    stderr=subprocess.PIPE)))
        outcomes = {what: (process.communicate()[1], process.returncode) for what, process in started}
        scan_status = outcomes["scan"][1]
        for what, (error, status) in outcomes.items():
            # Asked while the other has made its lock file but not yet named itself in it, a command is
            # refused as well, with the advice to try again in a few seconds.
            if status != 0 and (b"is in use by another Sorvik session" in error
                                or b"try again in a few seconds" in error):
                refused += 1
            elif status != 0:
                failures.append("race %d: the %s failed: %s" % (race, what, error.decode(errors="replace")))
        failures += ["race %d: %s" % (race, v) for v in violations(output, originals)]
        try:
            archived = archived_contents(output)
        except (zipfile.BadZipFile, AssertionError, OSError):
            archived = {}
        if scan_status == 0 and not os.path.exists(os.path.join(output, "10123.DAT")) \
                and "10123.DAT" not in archived:
            failures.append("race %d: the scan's 10123.DAT neither on disk nor archived" % race)
    return failures, refused


def main():
    sorvik = sys.argv[1]
    trials = int(sys.argv[2]) if len(sys.argv) > 2 else 30
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 20261209)
    races = int(sys.argv[4]) if len(sys.argv) > 4 else 20
    root = tempfile.mkdtemp(prefix="sorvik-chaos-")
    env = dict(os.environ)
    for key in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
        env.pop(key, None)
    env.update({"SORVIK_DRIVE_C": root + "/drive_c", "SORVIK_DRIVE_A": root + "/drive_a",
                "XDG_CONFIG_HOME": root + "/config", "XDG_DATA_HOME": root + "/data", "HOME": root})
    output = root + "/drive_c/Orvane/Sorvik"
    failures = []
    killed = 0
    refused = 0
    try:
        subprocess.run([sorvik, "profile", "--set", "First=Ada", "--set", "Last=Lovelace", "--set",
                        "Address1=1 Main St", "--set", "City=Springfield", "--set", "State=IL", "--set",
                        "ZipCode=62701", "--set", "Country=United States", "--set", "Phone=555-0100", "--set",
                        "Company=Acme", "--set", "SendTo=a@b.example"],
                       env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.makedirs(output)
        # How long a run takes here without data files and with them, so that the kills fall into
        # the part of a run that works on the output directory.
        def timed_run():
            started = time.monotonic()
            subprocess.run([sorvik, "archive"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            return time.monotonic() - started

        idle = min(timed_run() for _ in range(2))
        for i in range(FILES):
            with open(os.path.join(output, "%08X.DAT" % i), "wb") as f:
                f.write(report_text(rng, 60000))
        busy = min(timed_run() for _ in range(1))
        killed = 0
        for trial in range(trials):
            shutil.rmtree(output)
            os.makedirs(output)
            originals = {}
            for i in range(FILES):
                name = "%08X.DAT" % (0x01A20000 + trial * 64 + i)
                originals[name] = report_text(rng, rng.randrange(1000, 60000))
                with open(os.path.join(output, name), "wb") as f:
                    f.write(originals[name])
            if rng.random() < 0.2:
                # An archive of the same name from a run a moment earlier, whose entries are kept.
                subprocess.run([sorvik, "archive"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                for i in range(FILES, FILES + 4):
                    name = "%08X.DAT" % (0x01A20000 + trial * 64 + i)
                    originals[name] = report_text(rng, rng.randrange(1000, 60000))
                    with open(os.path.join(output, name), "wb") as f:
                        f.write(originals[name])
            process = subprocess.Popen([sorvik, "archive"], env=env, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
            time.sleep(rng.uniform(idle * 0.8, max(busy, idle) * 1.1))
            if process.poll() is None:
                killed += 1
            process.send_signal(signal.SIGKILL)
            process.wait()
            failures += ["trial %d after the kill: %s" % (trial, v) for v in violations(output, originals)]
            again = subprocess.run([sorvik, "archive"], env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.PIPE)
            # Killed between making its lock file and writing its process id into it, a run leaves a
            # lock that names nobody; it is taken over once it is a few seconds old.
            if again.returncode != 0 and b"try again in a few seconds" in again.stderr:
                time.sleep(6)
                again = subprocess.run([sorvik, "archive"], env=env, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.PIPE)
            if again.returncode != 0:
                failures.append("trial %d: the re-run failed: %s" % (trial, again.stderr.decode(errors="replace")))
            failures += ["trial %d after the re-run: %s" % (trial, v) for v in violations(output, originals)]
            left = [n for n in os.listdir(output) if n.endswith(".DAT") or n.endswith(".tmp")]
            if left:
                failures.append("trial %d: left after the re-run: %s" % (trial, " ".join(sorted(left))))
        lost, refused = link_races(sorvik, env, root, rng, races)
        failures += lost
    finally:
        shutil.rmtree(root, ignore_errors=True)
    print("%d trials, %d killed while at work, %d races through a link (%d refused as in use), %d violations"
          % (trials, killed, races, refused, len(failures)))
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
