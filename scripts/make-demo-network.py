#!/usr/bin/env python3
"""Writes data/demo-network.json, the built-in demo network (format: docs/network.md).

The JSON file is committed; this script only saves typing the repetitive module and file lists.
Run it from anywhere: python3 scripts/make-demo-network.py
"""
import json
import os
import random

QX = "(C) Copyright 1993-1998 Quarlix, Inc.  All Rights Reserved."
MERIDIAN = "(C) Copyright 1997 Meridian Peripherals Ltd."
TALLIS = "(C) Copyright 1996-1998 Tallis Networks Corp."
HALDEN = "Copyright (c) 1995-1998 Halden Software AS.  All rights reserved."

# file name, description, type, version, date, flags, copyright
CORE_MODULES = [
    ("QOSKRNL.QLM", "Quarlix Operating System Kernel", 6, (4, 11), "1998-09-15", 0x01, QX),
    ("QPAGED.QLM", "Quarlix Paged High Memory Support", 7, (4, 11), "1998-09-15", 0x01, QX),
    ("QFS.QLM", "Quarlix Traditional File System", 10, (4, 11), "1998-08-20", 0x01, QX),
    ("QLIB.QLM", "Quarlix Run-time Library", 0, (4, 11), "1998-06-02", 0x03, QX),
    ("QTHREADS.QLM", "Quarlix Threads Package", 0, (4, 11), "1998-06-02", 0x03, QX),
    ("QSTREAMS.QLM", "Quarlix Streams Transport Interface", 0, (4, 11), "1998-03-11", 0x01, QX),
    ("QMATH.QLM", "Quarlix Floating Point Library", 0, (4, 10), "1997-11-25", 0x01, QX),
    ("QNLS.QLM", "Quarlix National Language Support", 0, (4, 11), "1998-01-30", 0x01, QX),
    ("QDS.QLM", "Quarlix Directory Services", 0, (6, 1), "1998-10-22", 0x0B, QX),
    ("QTIMESYN.QLM", "Quarlix Time Synchronization", 4, (4, 11), "1998-07-14", 0x01, QX),
    ("QXCALLS.QLM", "Quarlix Server Calls Support", 0, (5, 2), "1998-10-02", 0x03, QX),
    ("QIPX.QLM", "Quarlix IPX Protocol Stack", 0, (4, 11), "1998-05-18", 0x01, QX),
    ("QMONITOR.QLM", "Quarlix Console Monitor", 4, (4, 11), "1998-08-20", 0x00, QX),
    ("QLONG.NAM", "Quarlix Long File Name Space", 3, (4, 11), "1998-02-10", 0x01, QX),
    ("SCSIHA.HAM", "Generic SCSI Host Adapter Module", 8, (2, 3), "1997-10-06", 0x01, MERIDIAN),
    ("SCSIDSK.CDM", "Generic SCSI Fixed Disk Custom Device Module", 9, (2, 3), "1997-10-06", 0x01, MERIDIAN),
    ("ETHER3C.LAN", "Tallis EtherLink 10/100 Server Driver", 1, (3, 4), "1998-04-27", 0x01, TALLIS),
    ("QSPOOL.QLM", "Quarlix Print Server Spooler", 4, (4, 11), "1997-12-09", 0x00, QX),
    ("QREMOTE.QLM", "Quarlix Remote Console", 4, (4, 11), "1998-03-03", 0x00, QX),
    ("QUPS.QLM", "Quarlix Uninterruptible Power Supply Monitor", 4, (1, 6), "1997-08-19", 0x00, QX),
]
IP_MODULES = [
    ("QTCPIP.QLM", "Quarlix TCP/IP Protocol Stack", 0, (3, 20), "1998-10-09", 0x01, QX),
    ("QSNMP.QLM", "Quarlix SNMP Agent", 0, (3, 1), "1998-02-17", 0x00, QX),
]
EXTRA_MODULES = [
    ("QBACKUP.QLM", "Quarlix Storage Management Engine", 4, (5, 1), "1998-06-30", 0x00, QX),
    ("QMAC.NAM", "Quarlix Macintosh Name Space", 3, (4, 11), "1998-02-10", 0x01, QX),
    ("QAUDIT.QLM", "Quarlix Auditing Services", 4, (4, 11), "1998-04-06", 0x00, QX),
    ("QMIRROR.QLM", "Quarlix Mirrored Server Link", 5, (4, 10), "1997-09-22", 0x05, QX),
    ("IDEATA.HAM", "ATA/IDE Host Adapter Module", 8, (1, 9), "1997-05-14",
     0x01, "(C) Copyright 1997 Ostrava Data Systems s.r.o."),
    ("CDROM.QLM", "Quarlix CD-ROM Volume Support", 4, (4, 11), "1998-01-12", 0x00, QX),
    ("TOKENR.LAN", "Brightwater Token-Ring 16/4 Server Driver", 1, (2, 8), "1996-11-04",
     0x01, "(C) Copyright 1996 Brightwater Systems Inc."),
    ("QREAL.QLM", "Quarlix Real Mode Memory Services", 11, (1, 2), "1996-07-30", 0x09, QX),
    ("DBENGINE.QLM", "Halden Records Database Engine 7.2", 0, (7, 2), "1998-11-16", 0x00, HALDEN),
    ("MAILGATE.QLM", "Kestrel Mail Gateway", 0, (2, 14), "1999-01-08",
     0x00, "Copyright 1998-1999 Kestrel Communications"),
    ("VSCAN.QLM", "Sentinel Virus Scanner for Quarlix", 12, (4, 2), "1998-12-01",
     0x00, "(C) 1994-1998 Sentinel Software Corporation"),
]


def module_objects(catalog, seed):
    rnd = random.Random(seed)
    out = []
    for i, (name, desc, typ, ver, date, flags, copyright) in enumerate(catalog):
        m = {"fileName": name, "description": desc, "copyright": copyright,
             "version": {"major": ver[0], "minor": ver[1], "revision": rnd.randint(0, 9)},
             "date": date, "type": typ, "flags": flags, "id": i + 1,
             "parentId": 0 if i == 0 else 1,
             "bytesAvailable": rnd.randint(2, 400) * 512, "freeCount": rnd.randint(0, 60),
             "lastGarbageCollection": rnd.randint(0, 900000),
             "messageLanguage": 4, "referencedPublics": rnd.randint(5, 400)}
        out.append(m)
    return out


def many_modules(count):
    catalog = list(CORE_MODULES) + list(IP_MODULES) + list(EXTRA_MODULES)
    agents = 0
    while len(catalog) < count:
        agents += 1
        kind = agents % 3
        if kind == 0:
            catalog.append(("ETHER3C.LAN", "Tallis EtherLink 10/100 Server Driver (board %d)" % (agents // 3 + 1), 1,
                          (3, 4), "1998-04-27", 0x01, TALLIS))
        elif kind == 1:
            catalog.append(("PQAGT%03d.QLM" % agents, "Print Queue Agent for floor %d" % agents, 4, (1, 3),
                          "1998-08-%02d" % (agents % 28 + 1), 0x00, QX))
        else:
            catalog.append(("DBWRK%03d.QLM" % agents, "Halden Records Worker Process %d" % agents, 0, (7, 2),
                          "1998-11-16", 0x00, HALDEN))
    return module_objects(catalog[:count], count)


def d(name, entries=None, **kw):
    e = {"name": name}
    e.update(kw)
    e["entries"] = entries or []
    return e


def f(name, size, date=None, time=None, attributes=None):
    e = {"name": name, "size": size}
    if date:
        e["date"] = date
    if time:
        e["time"] = time
    if attributes is not None:
        e["attributes"] = attributes
    return e


def sys_volume(modules, win=("WIN95", "WIN32", "WINNT"), seed=0, extra_public=()):
    rnd = random.Random(seed)

    def stamp():
        return "1998-%02d-%02d" % (rnd.randint(1, 11), rnd.randint(1, 28)), \
               "%02d:%02d:%02d" % (rnd.randint(7, 18), rnd.randint(0, 59), rnd.randint(0, 29) * 2)

    system = []
    seen = set()
    for m in modules:
        if m["fileName"] in seen:
            continue
        seen.add(m["fileName"])
        system.append(f(m["fileName"], rnd.randint(8, 900) * 128, m["date"], "12:00:00", "0x21"))
    system += [f("SYS$LOG.ERR", 48213, *stamp()), f("AUTOEXEC.QCF", 1406, *stamp()),
               f("STARTUP.QCF", 388, *stamp()), f("NET$OBJ.SYS", 262144, "1998-11-30", "23:58:02", "0x26"),
               f("NET$PROP.SYS", 524288, "1998-11-30", "23:58:02", "0x26"),
               f("NET$VAL.SYS", 393216, "1998-11-30", "23:58:02", "0x26"),
               d("NLS", [], date="1998-01-30", time="09:12:40")]
    public = [f("QLOGIN.EXE", 182937, "1998-06-02", "10:00:00", "0x21"),
              f("QMAP.EXE", 94410, "1998-06-02", "10:00:00", "0x21"),
              f("QCAPTURE.EXE", 77152, "1998-06-02", "10:00:00", "0x21"),
              f("QSEND.EXE", 40122, "1998-06-02", "10:00:00", "0x21"),
              f("QWHOAMI.EXE", 38417, "1998-06-02", "10:00:00", "0x21"),
              f("QRIGHTS.EXE", 51600, "1998-06-02", "10:00:00", "0x21"),
              f("QFLAG.EXE", 47231, "1998-06-02", "10:00:00", "0x21"),
              f("QSYSCON.EXE", 310548, "1997-03-11", "08:30:00", "0x21"),
              f("QXCALLS.DLL", 231072, "1998-10-02", "14:22:10", "0x21"),
              f("Y2KNOTE.TXT", 2140, "1999-12-31", "23:59:58"),
              d("NLS", [f("QLOGIN.MSG", 20311, "1998-06-02", "10:00:00")], date="1998-06-02", time="10:00:00")]
    public += list(extra_public)
    kits = {
        "WIN95": [f("SETUP.EXE", 421888, "1998-09-01", "12:00:00"), f("QXCALLS.DLL", 231072, "1998-10-02", "14:22:10"),
                  f("QXNET.DLL", 118784, "1998-10-02", "14:22:10"), f("QXLOC.DLL", 53248, "1998-10-02", "14:22:10"),
                  f("README.TXT", 15822, "1998-09-01", "12:00:00")],
        "WIN32": [f("SETUP.EXE", 437248, "1998-10-15", "12:00:00"), f("QXCALLS.DLL", 262144, "1998-10-15", "12:00:00"),
                  f("QXNET32.DLL", 139264, "1998-10-15", "12:00:00")],
        "WINNT": [f("SETUPNT.EXE", 512000, "1998-10-20", "12:00:00"), f("QXCALLS.DLL", 262144, "1998-10-20", "12:00:00"),
                  f("QXSRVC.SYS", 73728, "1998-10-20", "12:00:00", "0x27")],
    }
    for k in win:
        public.append(d(k, kits[k], date="1998-10-20", time="16:40:00"))
    login = [f("QLOGIN.EXE", 182937, "1998-06-02", "10:00:00", "0x21"),
             f("QSLIST.EXE", 31550, "1998-06-02", "10:00:00", "0x21"),
             f("LOGIN.SCR", 912, "1998-02-14", "08:15:30"),
             d("NLS", [f("QLOGIN.MSG", 20311, "1998-06-02", "10:00:00")], date="1998-06-02", time="10:00:00")]
    etc = [f("HOSTS", 1211, *stamp()), f("NETWORKS", 402, *stamp()), f("PROTOCOL", 518, *stamp()),
           f("SERVICES", 2988, *stamp()), f("GATEWAYS", 96, *stamp())]
    root = [d("SYSTEM", system, date="1997-04-02", time="09:00:00"),
            d("PUBLIC", public, date="1997-04-02", time="09:00:00"),
            d("LOGIN", login, date="1997-04-02", time="09:00:00"),
            d("ETC", etc, date="1997-04-02", time="09:00:00"),
            d("MAIL", [], date="1997-04-02", time="09:00:00"),
            d("DELETED.SAV", [], date="1997-04-02", time="09:00:00", attributes="0x16"),
            f("VOL$LOG.ERR", 8412, *stamp()), f("TTS$LOG.ERR", 1904, *stamp()),
            f("BACKOUT.TTS", 65536, "1998-12-08", "06:00:00", "0x26")]
    return {"name": "SYS", "number": 0, "date": "1997-04-02", "time": "09:00:00", "entries": root}


def data_volume(name, number, dirs):
    return {"name": name, "number": number, "date": "1997-04-02", "time": "09:00:00",
            "entries": [d(x, [], date="1998-03-15", time="14:05:08") for x in dirs]}


# The OS releases of the demo servers and the dates of their revisions.
RELEASE_DATES = {(5, 0): "October 1, 1998", (4, 11): "August 20, 1998", (4, 10): "March 3, 1997",
                 (3, 12): "June 15, 1993"}


def description(version):
    return {"company": "Quarlix, Inc.", "revision": "Quarlix Operating System v%d.%02d" % version,
            "revisionDate": RELEASE_DATES[version],
            "copyright": "(C) Copyright 1983-1998 Quarlix, Inc.  All Rights Reserved."}


# The figures of each server that answers: maximum connections, connections in use (also its QCP
# stations), most connections ever used, serial number, application number, clock, cache buffers,
# peak QCP stations, QCP requests, packets serviced, packets routed. None leaves the value out.
FIGURES = {
    "SALES_HQ": (500, 143, 311, "0x0BA7C0DE", "0x0001", "1998-12-08 14:05:09", 32768, 311, 48210331, 97200117, 1203344),
    "ACCT-FS1": (250, 87, 164, "0x00A1B2C3", "0x0002", "1998-12-08 14:05:11", 16384, 164, 21988410, 40019872, 0),
    "WAREHOUSE": (100, 23, None, "0x00C0FFEE", "0x0001", "1998-12-08 14:04:52", 8192, 41, 3321009, 6021444, None),
    "LEGACY31": (50, 9, None, "0x00312312", "0x0003", "1998-12-08 14:06:30", 2048, 18, 912004, 1440201, None),
    "BIGIRON": (1000, 612, 877, "0x7E57AB1E", "0x0004", "1998-12-08 14:05:02", 131072, 877, 391200877, 802211930,
                55021334),
    "ENG_FS": (250, 64, None, "0x00E6E6E6", "0x0001", "1998-12-08 14:05:40", 24576, 99, 12000441, 25004100, None),
    "HR_SECURE": (50, 11, None, "0x00004872", "0x0001", "1998-12-08 14:05:15", 4096, 20, 800122, 1620443, None),
    "BRANCH-NYC": (100, 31, None, "0x00212555", "0x0002", "1998-12-08 09:05:09", 8192, 48, 5120334, 9988123, None),
    "MKTG-EU": (250, 57, None, "0x0E0E0E01", "0x0001", "1998-12-08 15:05:09", 12288, 70, 7700301, 15400022, None),
    "TESTLAB": (25, 2, None, "0x0000CAFE", "0x0009", "2000-01-01 00:00:05", 1024, 3, 1044, 2210, None),
}


def running(name, comment, version, address, languages, volumes, modules, clock_flags=None, faults=None,
            publicConsoleRights=None, **more):
    """A server that answers, with its FIGURES; `clock_flags` stand after its clock, `more` after its packet counts."""
    most, in_use, ever_used, serial, application, clock, cache, peak, requests, serviced, routed = FIGURES[name]
    s = {"name": name, "comment": comment, "version": {"major": version[0], "minor": version[1], "revision": 0},
         "maxConnections": most, "connectionsInUse": in_use, "maxConnectionsEverUsed": ever_used,
         "serialNumber": serial, "applicationNumber": application, "description": description(version),
         "dateTime": clock, **(clock_flags or {}), "cacheCount": cache, "qcpStations": in_use, "qcpPeakStations": peak,
         "qcpRequests": requests, "packetsServiced": serviced, "packetsRouted": routed, **more, "address": address,
         "faults": faults, "languages": languages, "publicConsoleRights": publicConsoleRights, "volumes": volumes,
         "modules": modules}
    return {k: v for k, v in s.items() if v is not None}


def ipx(address):
    return {"type": "ipx", "bytes": address}


def build():
    acct_modules = module_objects(CORE_MODULES + EXTRA_MODULES[:3], 1)
    sales_modules = module_objects(CORE_MODULES + IP_MODULES + EXTRA_MODULES[8:10], 2)
    ware_modules = module_objects(CORE_MODULES[:14] + CORE_MODULES[16:18], 3)
    eng_modules = module_objects(CORE_MODULES + IP_MODULES + EXTRA_MODULES[4:7], 4)
    big_modules = many_modules(150)
    hr_modules = module_objects(CORE_MODULES + EXTRA_MODULES[2:3], 6)
    nyc_modules = module_objects(CORE_MODULES[:16] + CORE_MODULES[16:17] + EXTRA_MODULES[10:11], 7)
    mktg_modules = module_objects(CORE_MODULES + IP_MODULES, 8)
    lab_modules = module_objects(CORE_MODULES[:10], 9)
    old_modules = module_objects(CORE_MODULES[:6], 10)

    servers = [
        running("SALES_HQ", "IP server 10.1.2.3 (data file 10123.DAT); version 5.0; English, French France, German",
                (5, 0), {"ip": "10.1.2.3", "port": 524}, [4, 6, 7],
                [sys_volume(sales_modules, seed=2), data_volume("VOL1", 1, ["SALES", "QUOTES", "USERS"])],
                sales_modules, accountingInstalled=True),
        running("ACCT-FS1", "The workstation's primary connection; IPX 01A2005C (data file 01A2005C.DAT); English",
                (4, 11), ipx("01A2005C:000000000001:0451"), [4],
                [sys_volume(acct_modules, seed=1), data_volume("VOL1", 1, ["LEDGER", "PAYROLL", "USERS"])],
                acct_modules),
        running("WAREHOUSE",
                "The default user ([Public]) is no console operator here: no module list without a login",
                (4, 11), ipx("0000BEEF:0060B0C1D2E3:0451"), [4, 14], [sys_volume(ware_modules, seed=3)],
                ware_modules, publicConsoleRights=False),
        running("LEGACY31", "Version 3.12, outside the tree: no module list; no OS version record, serial number "
                            "from the network serial number call",
                (3, 12), ipx("00000312:00001B2C3D4E:0451"), [4],
                [sys_volume(old_modules, win=("WIN95",), seed=10)], old_modules,
                faults={"QXGetOSVersionInfo": "0x8802"}, tree="", sftLevel=2, ttsLevel=1),
        running("BIGIRON", "150 loaded modules (two batches); IP 192.168.100.200 (data file 68100200.DAT)",
                (4, 11), {"ip": "192.168.100.200"}, [4, 0, 6],
                [sys_volume(big_modules, seed=5), data_volume("DATA", 1, ["DB", "ARCHIVE"]),
                 data_volume("ARCHIVE", 3, ["1996", "1997", "1998"])], big_modules, accountingInstalled=True),
        running("ENG_FS", "Its transport address cannot be read: data file ENG_FS.DAT, no address rows",
                (4, 11), ipx("0000E6E6:000000000001:0451"), [4, 9],
                [sys_volume(eng_modules, seed=4), data_volume("CAD", 1, ["DRAWINGS", "LIBRARY"])], eng_modules,
                faults={"QXCCGetConnAddressLength": "0x880F"}),
        running("HR_SECURE",
                "The OS version record fails and the network serial number asks for authentication (0x89FB)",
                (4, 11), ipx("00004852:000000000001:0451"), [4], [sys_volume(hr_modules, seed=6)], hr_modules,
                faults={"QXGetOSVersionInfo": "0x89FB", "QXGetNetworkSerialNumber": "0x89FB"}),
        {"name": "MFG-PLANT2", "comment": "Listed, but cannot be reached", "reachable": False,
         "address": ipx("00000002:000000000001:0451")},
        running("BRANCH-NYC", "No SYS:\\PUBLIC\\WIN95; English and Spanish Latin America",
                (4, 11), ipx("0212555A:00A0C9112233:0451"), [4, 14],
                [sys_volume(nyc_modules, win=("WIN32", "WINNT"), seed=7)], nyc_modules),
        running("MKTG-EU", "Languages English, French France, Dutch, German, Italian, Spanish Spain (in the order "
                           "they are tried); IP 172.16.40.9",
                (4, 10), {"ip": "172.16.40.9"}, [4, 6, 7, 8, 3, 19], [sys_volume(mktg_modules, seed=8)],
                mktg_modules),
        running("TESTLAB", "A transport of type 2: shown as Transport Address; accounting on, login disabled",
                (4, 11), {"type": 2, "bytes": "0A0B0C0D0E0F"}, [4], [sys_volume(lab_modules, win=(), seed=9)],
                lab_modules, clock_flags={"loginEnabled": False, "accountingInstalled": True}),
    ]
    users = [
        {"name": "ADMIN", "password": "Y2KREADY", "servers": "*", "consoleOperator": "*",
         "comment": "Console operator everywhere; in the tree as ADMIN.CORP"},
        {"name": "JSMITH", "password": "SPRING98", "servers": ["SALES_HQ", "ACCT-FS1", "WAREHOUSE"],
         "consoleOperator": ["SALES_HQ", "WAREHOUSE"]},
        {"name": "SUPERVISOR", "password": "LEGACY", "servers": ["LEGACY31"], "tree": False,
         "consoleOperator": ["LEGACY31"], "comment": "Bindery only, on the 3.x server"},
        {"name": "GUEST", "password": "", "servers": "*", "tree": False},
        {"name": "TEMP01", "password": "TEMP", "servers": "*", "lockedOut": True},
        {"name": "OLDUSER", "password": "OLD", "servers": "*", "passwordExpired": True},
    ]
    return {
        "comment": "Built-in demo network of Sorvik; see docs/network.md. Generated by scripts/make-demo-network.py",
        "tree": "CORP_TREE",
        "context": "CORP",
        "delayMs": 1,
        "workstation": {"primaryServer": "ACCT-FS1", "requesterVersion": {"major": 4, "minor": 30, "revision": 0},
                        "callsVersion": {"major": 5, "minor": 2, "revision": 3, "beta": 0}, "clientType": 3},
        "users": users,
        "servers": servers,
    }


def dump(value, indent=0):
    """JSON with small objects (files, modules, versions) on one line each."""
    pad = "  " * indent
    if isinstance(value, dict):
        flat = json.dumps(value, ensure_ascii=False)
        if "entries" not in value and "modules" not in value and "volumes" not in value and len(flat) < 400 \
                and indent > 0 and "servers" not in value:
            return flat
        items = [pad + "  " + json.dumps(k) + ": " + dump(v, indent + 1) for k, v in value.items()]
        return "{\n" + ",\n".join(items) + "\n" + pad + "}"
    if isinstance(value, list):
        flat = json.dumps(value, ensure_ascii=False)
        if not value or (len(flat) < 100 and not any(isinstance(x, dict) for x in value)):
            return flat
        items = [pad + "  " + dump(v, indent + 1) for v in value]
        return "[\n" + ",\n".join(items) + "\n" + pad + "]"
    return json.dumps(value, ensure_ascii=False)


if __name__ == "__main__":
    target = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "demo-network.json")
    with open(target, "w", encoding="utf-8") as out:
        out.write(dump(build()) + "\n")
