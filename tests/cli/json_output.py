#!/usr/bin/env python3
"""The --json outputs of servers, profile, scan and send, read with Python's json module, in a fresh sandbox.

Usage: json_output.py SORVIK DEMO_NETWORK_JSON
"""
import hashlib
import json
import os
import subprocess
import sys
import tempfile

PROFILE = {"First": "Ada", "Last": "Lovelace", "Address1": "1 Main St", "City": "Springfield", "State": "IL",
           "ZipCode": "62701", "Country": "United States", "Phone": "555-0100", "Company": "Acme Tools",
           "SendTo": "data@example.org", "Title": "Dr \u00e9"}
NAMES = {"First", "Last", "Title", "Address1", "Address2", "Address3", "City", "State", "ZipCode", "Country",
         "Email", "Phone", "Fax", "Company", "SendTo", "Reseller"}


def main():
    sorvik, demo = sys.argv[1], sys.argv[2]
    network = json.load(open(demo, encoding="utf-8"))
    failures = []

    def check(condition, what):
        if not condition:
            failures.append(what)

    with tempfile.TemporaryDirectory() as root:
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("SORVIK_", "XDG_")) and k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env.update(HOME=root, SORVIK_DRIVE_C=os.path.join(root, "c"), SORVIK_DRIVE_A=os.path.join(root, "a"))

        def run(*args):
            return subprocess.run([sorvik, *args], env=env, stdin=subprocess.DEVNULL, capture_output=True,
                                  timeout=300)

        servers = run("servers", "--json")
        check(servers.returncode == 0, "servers --json exits 0")
        listed = json.loads(servers.stdout)["servers"]
        check(sorted(s["name"] for s in listed) == sorted(s["name"] for s in network["servers"]),
              "servers --json lists the demo servers: %s" % listed)
        check(len(listed) == 11, "11 demo servers")
        check([s["name"] for s in listed if s["primary"] is True] == [network["workstation"]["primaryServer"]],
              "only the primary connection's server is primary: %s" % listed)

        args = ["profile"]
        for name, value in PROFILE.items():
            args += ["--set", "%s=%s" % (name, value)]
        check(run(*args).returncode == 0, "the profile is saved")
        profile = json.loads(run("profile", "--json").stdout)["profile"]
        check(set(profile) == NAMES, "profile --json holds the 16 values: %s" % sorted(profile))
        check(all(profile[name] == PROFILE.get(name, "") for name in NAMES), "profile values: %s" % profile)

        scan = run("scan", "SALES_HQ", "MFG-PLANT2", "LEGACY31", "--no-sys-files", "--json")
        check(scan.returncode == 3, "a scan with an unreachable server exits 3: %d" % scan.returncode)
        report = json.loads(scan.stdout)
        entries = {s["name"]: s for s in report["servers"]}
        check(sorted(entries) == ["LEGACY31", "MFG-PLANT2", "SALES_HQ"], "the three servers: %s" % sorted(entries))
        sales = entries["SALES_HQ"]
        # 10.1.2.3: the address's decimal digits name the data file.
        check(sales["outcome"] == "saved" and sales["dataFile"] == "10123.DAT", "SALES_HQ: %s" % sales)
        check(os.path.isfile(sales["hostPath"]) and sales["hostPath"].startswith(os.path.join(root, "c")),
              "SALES_HQ's data file is where the JSON says: %s" % sales["hostPath"])
        plant = entries["MFG-PLANT2"]
        check(plant["outcome"] == "unreachable" and plant["dataFile"] is None and plant["hostPath"] is None
              and len(plant["redLines"]) > 0, "MFG-PLANT2: %s" % plant)
        check(entries["LEGACY31"]["outcome"] == "saved", "LEGACY31: %s" % entries["LEGACY31"])
        totals = report["totals"]
        check(totals["servers"] == 3 and totals["saved"] == 2 and totals["unreachable"] == 1
              and totals["not-written"] == 0 and totals["not-scanned"] == 0
              and totals["notWritten"] == 0 and totals["notScanned"] == 0
              and totals["redLines"] == sum(len(s["redLines"]) for s in report["servers"]),
              "totals: %s" % totals)
        check(report["aborted"] is False and report["outputDirectory"] == "C:\\Orvane\\Sorvik", "scan: %s" % report)

        # send --disk: this send's archive, and every archive that goes with where it was verified.
        os.makedirs(os.path.join(root, "a"))
        send = run("send", "--disk", "--json")
        check(send.returncode == 0, "send --disk --json exits 0: %s" % send.stderr)
        sent = json.loads(send.stdout)
        built = sent["archive"]
        check(sent["sent"] is True and sent["channel"] == "disk" and built["entries"] == 2, "send: %s" % sent)
        check(hashlib.sha256(open(built["path"], "rb").read()).hexdigest() == built["sha256"]
              and os.path.getsize(built["path"]) == built["size"], "the archive is as the JSON says: %s" % built)
        check([a["path"] for a in sent["archives"]] == [built["path"]]
              and sent["archives"][0]["verifiedOn"] == os.path.join(root, "a"), "archives: %s" % sent["archives"])
        check(sent["kept"] == [] and sent["notOnMedium"] == [], "nothing kept or missing: %s" % sent)
        check(built["windowsPath"] == "C:\\Orvane\\Sorvik\\" + os.path.basename(built["path"])
              and sent["handedTo"] is None, "the disk send's archive and handover: %s" % sent)

        # send --upload without a display only prints where to upload: done, but neither sent nor handed over.
        check(run("scan", "WAREHOUSE", "--json").returncode == 0, "a second scan")
        upload = run("send", "--upload", "--json")
        uploaded = json.loads(upload.stdout) if upload.returncode == 0 else {}
        check(uploaded.get("channel") == "upload" and uploaded.get("sent") is False
              and uploaded.get("handedTo", "missing") is None, "send --upload: %s %s" % (uploaded, upload.stderr))

        # send --email with a desktop: a stand-in xdg-email records what the mail program is given.
        check(run("scan", "TESTLAB", "--json").returncode == 0, "a third scan")
        tools = os.path.join(root, "bin")
        os.makedirs(tools)
        record = os.path.join(root, "xdg-email.args")
        with open(os.path.join(tools, "xdg-email"), "w") as stand_in:
            stand_in.write('#!/bin/sh\nfor a in "$@"; do printf "%%s\\0" "$a"; done > "%s"\n' % record)
        os.chmod(os.path.join(tools, "xdg-email"), 0o755)
        env.update(PATH=tools + os.pathsep + env.get("PATH", ""), DISPLAY=":0", QT_QPA_PLATFORM="offscreen")
        mail = run("send", "--email", "--json")
        mailed = json.loads(mail.stdout) if mail.returncode == 0 else {}
        given = open(record, "rb").read().decode().split("\0")[:-1] if os.path.exists(record) else []
        options = dict(zip(given[:-1:2], given[1:-1:2]))
        check(mailed.get("handedTo") == "mailProgram" and given[-1:] == ["y2kdata@orvane.example"]
              and options.get("--subject") == "Year 2000 Assessment"
              and options.get("--attach") == mailed["archives"][0]["path"],
              "xdg-email's arguments: %s %s" % (given, mail.stderr))
        for going in mailed.get("archives", []):
            data = open(going["path"], "rb").read()
            check("%d bytes" % len(data) in options.get("--body", "")
                  and hashlib.sha256(data).hexdigest() in options.get("--body", ""),
                  "the body names %s with its size and digest: %s" % (going["path"], options.get("--body")))

    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
