#!/usr/bin/env python3
"""glimmerlog-report end to end: a Windows 7 profile folder assembled from the
test data in a temporary folder (a real hive, a real History.IE5 index.dat, a
Chromium and a Firefox profile, Recent and cookie files made here), every view
and the timeline in the three formats read back with Python's own parsers, and
the exit statuses. Exits 77 (skipped) when the test data is absent.

usage: report_e2e.py GLIMMERLOG-REPORT TESTDATA"""
import csv
import datetime
import hashlib
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zoneinfo

report, data = sys.argv[1], sys.argv[2]
if not os.path.isdir(os.path.join(data, "hives")):
    print(f"test data not found at {data}")
    sys.exit(77)

ROOT = "C:\\Users\\nfury"  # where the hive says the profile was
ISO_UTC = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$")


def put(profile, relative, source=None, text=b"x", mtime=None):
    # The profile's top folder in another case than the hive's paths: matched
    # as Windows matches names.
    path = os.path.join(profile, *relative.replace("AppData/", "appdata/", 1).split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if source:
        shutil.copyfile(os.path.join(data, source), path)
    else:
        with open(path, "wb") as f:
            f.write(text)
    if mtime:
        os.utime(path, (mtime, mtime))


def assemble(profile):
    put(profile, "ntuser.dat", "hives/win7_plaso_NTUSER-WIN7.DAT")
    put(profile, "AppData/Local/microsoft/windows/history/history.ie5/index.dat",
        "indexdat/plaso-History.IE5-index.dat")
    put(profile, "AppData/Local/Google/Chrome/User Data/Default/History", "browsers/chromium/plaso-History")
    put(profile, "AppData/Local/Chromium/User Data/Profile 1/History",
        "browsers/chromium/generated-chromium-156-History")
    ff = "AppData/Roaming/Mozilla/Firefox/Profiles/abcd.default-release/"
    put(profile, ff + "places.sqlite", "browsers/firefox/generated-esr-153/places.sqlite")
    put(profile, ff + "places.sqlite-wal", "browsers/firefox/generated-esr-153/places.sqlite-wal")
    recent = "AppData/Roaming/Microsoft/Windows/Recent/"
    put(profile, recent + "report.docx.lnk", "lnk/ez-win10-Case_Report.txt.lnk", mtime=1700000000)
    put(profile, recent + "\u00dcn\u00efc\u00f8d\u00e9.lnk", "lnk/ez-misc-remote.file.xp.lnk", mtime=1700000100)
    os.makedirs(os.path.join(profile, *recent.replace("AppData/", "appdata/").split("/"), "AutomaticDestinations"))
    put(profile, "AppData/Roaming/Microsoft/Windows/Cookies/Low/bob@example[1].txt")
    put(profile, "AppData/Roaming/Microsoft/Windows/Cookies/bob@old[1].txt", mtime=1600000000)


def run(*args, env=None):
    return subprocess.run([report, *args], capture_output=True, env=env)


def parse(fmt, out):
    """The header and rows of one output, as strings."""
    if fmt == "json":
        # Numbers are JSON numbers, written as the text formats write them;
        # the timeline's lines also say what their times are.
        objects = json.loads(out.decode("utf-8"))
        for o in objects:
            o.pop("Time Kind", None)
        value = lambda v: format(v, ".15g") if isinstance(v, (int, float)) else v
        return (list(objects[0].keys()) if objects else None), [[value(v) for v in o.values()] for o in objects]
    if fmt == "csv":
        table = list(csv.reader(io.StringIO(out.decode("utf-8-sig"), newline="")))
    else:
        text = out.decode("utf-8")
        assert not text.startswith("\ufeff") and "\r" not in text, "txt: UTF-8 without a BOM, lines end in LF"
        table = [line.split("\t") for line in text[:-1].split("\n")]
    return table[0], table[1:]


def times(header, rows):
    columns = [i for i, c in enumerate(header) if c in
               ("Time", "Visited", "Last Visited", "Last Updated", "Expires", "Key Time", "Typed", "Last Run",
                "Modified")]
    return [row[i] for row in rows for i in columns if row[i]]


failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


with tempfile.TemporaryDirectory() as tmp:
    profile = os.path.join(tmp, "nfury")
    assemble(profile)
    index = os.path.join(data, "indexdat", "plaso-Content.IE5-index.dat")

    names = run("--list-views").stdout.decode().splitlines()
    # The first views in the window's order, then every other view once.
    first = ["URLs History", "Address Bar", "Cookies", "Recent Documents", "Search History", "Run History",
             "Open/Save", "Index.dat"]
    check(names[:8] == first and len(set(names)) == len(names) and "Activity Timeline" in names, f"views: {names}")

    tables = {}
    for name in names:
        extra = ["--index-file", index] if name == "Index.dat" else []
        results = {}
        for fmt in ("txt", "csv", "json"):
            r = run(profile, "--view", name, "--format", fmt, *extra)
            check(r.returncode == 0, f"{name} {fmt}: exit {r.returncode}: {r.stderr.decode()}")
            results[fmt] = parse(fmt, r.stdout)
        header, rows = results["csv"]
        check(results["txt"] == (header, rows), f"{name}: txt and csv differ")
        check(results["json"][1] == rows and results["json"][0] in (None, header), f"{name}: json and csv differ")
        check(all(ISO_UTC.match(t) for t in times(header, rows)), f"{name}: times not ISO 8601 UTC")
        tables[name] = (header, rows)

    def column(name, caption):
        header, rows = tables[name]
        return [row[header.index(caption)] for row in rows]

    # What the window would list, by the test data's own counts and names.
    urls = tables["URLs History"][1]
    check(len(urls) == 15 and sum(1 for r in urls if r[0]) == 9, f"URLs History: {len(urls)} lines")
    check(["", "http://www.msn.com/?ocid=iehp", "2015-08-25T11:05:18Z"] in [r[:3] for r in urls], "msn visit")
    check(len(tables["Address Bar"][1]) == 13, "Address Bar: TypedURLs holds 13 values")
    check(len(tables["Index.dat"][1]) == 21, "Index.dat: 21 records say URL")
    # Without --index-file, the profile's own history file: its live URL
    # records are those the history lists.
    records = tables["Cache Records"][1]
    check(sum(1 for r in records if r[:2] == ["URL", "yes"]) == len(urls) and
          all(r[-1].lower().endswith("history.ie5\\index.dat") for r in records), f"Cache Records: {len(records)} lines")
    check(sorted(column("Recent Documents", "Recent Documents")) ==
          [ROOT + "\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\" + n
           for n in ("report.docx.lnk", "\u00dcn\u00efc\u00f8d\u00e9.lnk")], "Recent Documents lines")
    check(column("Cookies", "Cookies") ==
          [ROOT + "\\AppData\\Roaming\\Microsoft\\Windows\\Cookies\\\\Low\\bob@example[1].txt"], "Cookies lines")
    if shutil.which("hivexget"):
        run_value = subprocess.run(["hivexget", os.path.join(data, "hives/win7_plaso_NTUSER-WIN7.DAT"),
                                    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", "a"],
                                   capture_output=True, text=True).stdout.rstrip("\n")
        check(column("Run History", "Start Menu Run History") == [run_value[:-2]], "Run History against hivexget")
    visited = column("Browser History", "Visited")
    check(len(visited) == 69 + 4 + 4, f"Browser History: {len(visited)} visits")
    check(visited == sorted(visited, reverse=True), "Browser History newest first")
    check("Seite 1 \u2013 \u00dcn\u00efc\u00f8d\u00e9 \u65e5\u672c" in column("Browser History", "Title"),
          "non-ASCII title")
    timeline = tables["Activity Timeline"][1]
    kinds = [r[1] for r in timeline]
    check([r[0] for r in timeline] == sorted((r[0] for r in timeline), reverse=True), "timeline newest first")
    check(kinds.count("Page visited") == 15 + 77 and kinds.count("Shortcut in Recent") == 2 and
          kinds.count("Cookie file written") == 1 and "Program run" in kinds, f"timeline kinds: {set(kinds)}")

    # Sources: what the views read, the files with their sizes and hashes.
    def sources(folder):
        r = run(folder, "--view", "Sources", "--format", "json")
        return {row["Path"]: row for row in json.loads(r.stdout.decode("utf-8"))}

    def fingerprint(folder, relative):
        path = os.path.join(folder, *relative.split("/"))
        with open(path, "rb") as f:
            return hashlib.sha256(f.read()).hexdigest(), str(os.path.getsize(path))

    def source_line(lines, path, relative, status, what):
        # The profile folder is named by the hive's own root where it has one.
        row = next((r for p, r in lines.items() if p.lower().endswith(path.lower())), None)
        check(row is not None and (row["SHA-256"], str(row["Size"])) == fingerprint(*relative) and
              row["Status"].startswith(status), f"Sources, {what}: {row}")

    chrome_db = "AppData\\Local\\Google\\Chrome\\User Data\\Default\\History"
    chrome_file = "appdata/Local/Google/Chrome/User Data/Default/History"
    lines = sources(profile)
    source_line(lines, ROOT + "\\NTUSER.DAT", (profile, "ntuser.dat"), "read", "the hive")
    source_line(lines, chrome_db, (profile, chrome_file), "read", "a browser database")
    run_key = lines.get("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", {})
    check(run_key.get("Status") == "read" and run_key.get("Views") == "Run History", f"Sources, RunMRU: {run_key}")

    # The local zone: each time the same instant with the offset of its date.
    zone = "America/New_York"
    local = run(profile, "--timeline", "--format", "json", "--tz", "local", env={**os.environ, "TZ": zone})
    check(local.returncode == 0, "--tz local")
    for utc_row, local_row in zip(timeline, parse("json", local.stdout)[1]):
        want = datetime.datetime.fromisoformat(utc_row[0].replace("Z", "+00:00")).astimezone(zoneinfo.ZoneInfo(zone))
        if local_row[0] != want.isoformat():
            failures.append(f"local time {local_row[0]} for {utc_row[0]}, want {want.isoformat()}")
            break

    # --output writes the same bytes, whole.
    out = os.path.join(tmp, "timeline.csv")
    check(run(profile, "--format", "csv", "--output", out).returncode == 0, "--output")
    with open(out, "rb") as f:
        check(f.read() == run(profile, "--format", "csv").stdout, "--output differs from the standard output")

    # 1: a source that cannot be read is named; the rest is still reported.
    shutil.copytree(profile, os.path.join(tmp, "damaged"))
    damaged = os.path.join(tmp, "damaged")
    put(damaged, "ntuser.dat", text=b"regf but not really")
    put(damaged, "AppData/Local/Google/Chrome/User Data/Default/History", text=b"SQLite format 3\0 cut short")
    r = run(damaged, "--view", "Run History", "--format", "csv")
    check(r.returncode == 1 and b"not read: NTUSER.DAT" in r.stderr and
          parse("csv", r.stdout) == (["Start Menu Run History"], []), f"damaged hive: {r.returncode} {r.stderr}")
    r = run(damaged, "--view", "Browser History", "--format", "json")
    check(r.returncode == 1 and b"Google Chrome Default" in r.stderr and len(parse("json", r.stdout)[1]) == 8,
          f"damaged Chrome database: {r.returncode} {r.stderr}")
    source_line(sources(damaged), chrome_db, (damaged, chrome_file), "damaged: Google Chrome Default",
                "a damaged database")
    r = run(damaged, "--view", "Index.dat", "--index-file", os.path.join(tmp, "none.dat"))
    check(r.returncode == 1, "a missing --index-file is unread")

    # A hive not written completely is read with its logs applied, in memory:
    # the note says so, and the logs are left as they were.
    dirty = os.path.join(tmp, "dirty")
    shutil.copytree(profile, dirty)
    logs = {}
    for name, source in (("ntuser.dat", "NTUSER.DAT"), ("ntuser.dat.LOG1", "NTUSER.DAT.LOG1"),
                         ("NTUser.dat.log2", "NTUSER.DAT.LOG2")):
        put(dirty, name, "shellbags/regipy-transactions/" + source)
        with open(os.path.join(dirty, name), "rb") as f:
            logs[name] = f.read()
    r = run(dirty, "--view", "Run History", "--format", "csv")
    check(r.returncode == 0 and b"note: NTUSER.DAT: not written completely when it was last saved; logs applied: "
          in r.stderr, f"dirty hive: {r.returncode} {r.stderr}")
    lines = sources(dirty)
    source_line(lines, "\\NTUSER.DAT", (dirty, "ntuser.dat"),
                "read; not written completely when it was last saved; logs applied: 23 entries", "a dirty hive")
    for log in ("LOG1", "LOG2"):
        check([r["Source"] for p, r in lines.items() if p.endswith("\\NTUSER.DAT." + log)] == ["Hive transaction log"],
              f"Sources: {log}")
    for name, before in logs.items():
        with open(os.path.join(dirty, name), "rb") as f:
            check(f.read() == before, f"{name} changed")

    # A Windows volume: each user's lines naming the user, the one user
    # asked for, and what is no volume or no user of it.
    volume = os.path.join(tmp, "volume")
    os.makedirs(os.path.join(volume, "Windows", "System32", "config"))
    shutil.copytree(profile, os.path.join(volume, "Users", "nfury"))
    shutil.copytree(profile, os.path.join(volume, "Users", "Default"))
    os.makedirs(os.path.join(volume, "Users", "second"))
    put(volume, "Users/second/NTUSER.DAT", "hives/win7_notatin_ntuser.dat")
    r = run("--volume", volume, "--view", "Run History", "--format", "csv")
    header, rows = parse("csv", r.stdout)
    check(r.returncode == 0 and header == ["User", "SID", "Host", "Start Menu Run History"] and
          sorted(set(row[0] for row in rows)) == ["nfury", "second"] and
          [row[3:] for row in rows if row[0] == "nfury"] == [[v] for v in column("Run History", "Start Menu Run History")],
          f"--volume: {r.returncode} {r.stderr} {rows}")
    r = run("--volume", volume, "--user", "NFURY", "--view", "Run History", "--format", "csv")
    check(r.returncode == 0 and {row[0] for row in parse("csv", r.stdout)[1]} == {"nfury"}, f"--user: {r.stderr}")
    # The timeline of every user holds the volume's machine-wide traces once.
    put(volume, "Windows/Prefetch/CALC.EXE-3FBEF7FD.pf", "prefetch/ez-win10-CALC.EXE-3FBEF7FD.pf")
    prefetch = [[row for row in parse("csv", run("--volume", volume, *user, "--format", "csv").stdout)[1]
                 if "Prefetch" in row[4]] for user in ([], ["--user", "second"])]
    check(prefetch[0] and {row[0] for row in prefetch[0]} == {""} and
          [row[1:] for row in prefetch[0]] == [row[1:] for row in prefetch[1]], f"volume timeline: {prefetch}")
    for args in (["--volume", volume, "--user", "nobody"], ["--volume", profile], ["--user", "x", profile]):
        r = run(*args)
        check(r.returncode == 2 and r.stderr, f"{args}: exit {r.returncode}")

    # 2: no command line.
    for args in ([], ["--live"], [profile, "--format", "xml"], [profile, "--view", "nothing"],
                 [os.path.join(tmp, "absent")], [profile, "--view", "Index.dat"],
                 [profile, "--output", os.path.join(profile, "report.txt")]):
        r = run(*args)
        check(r.returncode == 2 and r.stderr and not r.stdout, f"{args}: exit {r.returncode}")
    check(not os.path.exists(os.path.join(profile, "report.txt")), "nothing written into the profile")

for f in failures:
    print("FAIL:", f)
print(f"{len(names)} views in 3 formats and the exit statuses: {len(failures)} failures")
sys.exit(1 if failures else 0)
