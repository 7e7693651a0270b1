#!/usr/bin/env python3
"""glimmerlog-report over many profiles at once: 24 profile folders and hive
files assembled in a temporary folder from the test data's real hives and
browser files, and a Windows volume; read with --jobs 1 and --jobs 2 (the
same bytes, on both outputs); every format read back (JSON Lines with
Python's json, the timeline platform's CSV and JSON Lines for its required
fields, TLN split into its five fields); --since and --until; a profile that
fails among the others. Exits 77 (skipped) when the test data is absent.

usage: report_many.py GLIMMERLOG-REPORT TESTDATA"""
import csv
import datetime
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile

report, data = sys.argv[1], sys.argv[2]
if not os.path.isdir(os.path.join(data, "hives")):
    print(f"test data not found at {data}")
    sys.exit(77)

HIVES = ["xp_plaso_NTUSER.DAT", "xp_frodo_NTUSER.DAT", "win7_plaso_NTUSER-WIN7.DAT", "win7_notatin_ntuser.dat",
         "win10_regipy_NTUSER_with_winscp.DAT", "win7_plaso_regf_NTUSER.DAT"]
KEY_TIME = "Key Last Written (most recent entry)"
failures = []



def run_count(description):
    """The count of "... (run 4 times)" or "... (run once)", as a number's text."""
    count = description.rsplit("(run ", 1)[1].split(" ")[0].rstrip(")")
    return "1" if count == "once" else count

def check(condition, what):
    if not condition:
        failures.append(what)


def put(folder, relative, source):
    path = os.path.join(folder, *relative.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    shutil.copyfile(os.path.join(data, source), path)


def assemble(tmp):
    """Profile folders (every other one with browser and cache files) and,
    for one in four, the path of its hive file rather than its folder."""
    inputs = []
    for i in range(24):
        folder = os.path.join(tmp, f"user{i:02}")
        put(folder, "NTUSER.DAT", "hives/" + HIVES[i % len(HIVES)])
        if i % 2:
            put(folder, "AppData/Local/Google/Chrome/User Data/Default/History", "browsers/chromium/plaso-History")
            put(folder, "AppData/Local/Microsoft/Windows/History/History.IE5/index.dat",
                "indexdat/plaso-History.IE5-index.dat")
        inputs.append(os.path.join(folder, "NTUSER.DAT") if i % 4 == 3 else folder)
    return inputs


def run(*args):
    return subprocess.run([report, *args], capture_output=True)


def iso(text):
    """A time with its offset, as the timeline platform reads it."""
    value = datetime.datetime.fromisoformat(text)
    check(value.utcoffset() is not None, f"no offset in {text}")
    return value


with tempfile.TemporaryDirectory() as tmp:
    inputs = assemble(tmp)
    volume = os.path.join(tmp, "volume")
    os.makedirs(os.path.join(volume, "Windows", "System32", "config"))
    put(volume, "Users/bob/NTUSER.DAT", "hives/win7_notatin_ntuser.dat")
    put(volume, "Users/bob/AppData/Local/Microsoft/Windows/UsrClass.dat", "shellbags/plaso-UsrClass.dat")
    put(volume, "Windows/Prefetch/CALC.EXE-3FBEF7FD.pf", "prefetch/ez-win10-CALC.EXE-3FBEF7FD.pf")
    everything = [*inputs, "--volume", volume]

    # The same bytes for any number of threads, in every format.
    outputs = {}
    for fmt in ("txt", "csv", "json", "jsonl", "timesketch", "tln"):
        one, two = (run(*everything, "--format", fmt, "--jobs", n) for n in ("1", "2"))
        check(one.returncode == two.returncode == 0, f"{fmt}: exit {one.returncode} {two.returncode}: {one.stderr}")
        check((one.stdout, one.stderr) == (two.stdout, two.stderr), f"{fmt}: --jobs 1 and --jobs 2 differ")
        outputs[fmt] = one.stdout.decode("utf-8")

    # JSON Lines: each line one object naming its user and host; each
    # profile's lines are those it gives read alone, in the order given.
    records = [json.loads(line) for line in outputs["jsonl"].splitlines()]
    check(len(records) > 1000, f"jsonl: {len(records)} records")
    hosts = []
    for r in records:
        if not hosts or hosts[-1] != r["Host"]:
            hosts.append(r["Host"])
    want = [os.path.basename(os.path.dirname(p) if p.endswith(".DAT") else p) for p in inputs]
    check(hosts[:len(want)] == want, f"jsonl: profiles out of order: {hosts}")
    alone = [json.loads(line) for line in run(inputs[3], "--format", "jsonl").stdout.decode().splitlines()]
    check([r for r in records if r["Host"] == want[3]] == alone, "jsonl: a profile's lines differ read alone")
    check(all(isinstance(r["Time"], str) and r["Time"].endswith("Z") for r in records), "jsonl: times")
    kinds = {(r["Kind"], r["Time Kind"]) for r in records}
    check(("Command run", KEY_TIME) in kinds and ("Program run", "Event") in kinds, f"jsonl: time kinds {kinds}")
    bob = [r for r in records if r["User"] == "bob"]
    check(bob and all(r["SID"].startswith("S-1-5-21-") for r in bob), "jsonl: the volume user's SID")
    check(any(r["User"] == "" and "Prefetch" in r["Kind"] for r in records), "jsonl: the volume's machine-wide lines")
    view = [json.loads(line) for line in run(inputs[1], "--view", "UserAssist", "--format", "jsonl").stdout.splitlines()]
    check(view and all(isinstance(r["Run Count"], int) for r in view), "jsonl: numbers as numbers")

    # json: one array of the same records, the labels first.
    array = json.loads(outputs["json"])
    check([{k: v for k, v in r.items()} for r in array] == records, "json: not the jsonl records")

    # txt and csv: a header, then the records, each beginning User, SID, Host.
    text = outputs["txt"]
    check(not text.startswith("\ufeff") and "\r" not in text, "txt: byte-order mark or CRLF")
    rows = list(csv.reader(io.StringIO(outputs["csv"].lstrip("\ufeff"), newline="")))
    check(rows[0][:4] == ["User", "SID", "Host", "Time"] and len(rows) == len(records) + 1, f"csv: {rows[0]}")
    check([line.split("\t") for line in text.splitlines()] == rows, "txt and csv differ")

    # The timeline platform's JSON Lines and CSV: message, datetime with an
    # offset, timestamp_desc, and the rest as attributes.
    events = [json.loads(line) for line in outputs["timesketch"].splitlines()]
    out_csv = os.path.join(tmp, "timeline.csv")
    check(run(*everything, "--format", "timesketch", "--output", out_csv).returncode == 0, "timesketch csv")
    with open(out_csv, encoding="utf-8", newline="") as f:
        from_csv = list(csv.DictReader(f))
    check(len(events) == len(records) == len(from_csv), "timesketch: not one event a record")
    for e in events + from_csv:
        check(e["message"] and e["timestamp_desc"], f"timesketch: empty field in {e}")
        when = iso(e["datetime"])
        check(int(e["timestamp"]) // 1000000 == int(when.timestamp()), f"timesketch: timestamp of {e}")
    check({e["timestamp_desc"] for e in events if e["kind"] == "Command run"} == {KEY_TIME}, "timesketch: key times")
    check([{k: str(v) for k, v in e.items()} for e in events] == from_csv, "timesketch: csv and jsonl differ")

    # TLN: five fields, the time in Unix seconds, the same events.
    tln = [line.split("|") for line in outputs["tln"].splitlines()]
    check(all(len(f) == 5 and f[0].isdigit() and f[2] for f in tln), "tln: not five fields")
    check([int(f[0]) for f in tln] == [int(iso(e["datetime"]).timestamp()) for e in events], "tln: times")
    check([(f[2], f[3]) for f in tln] == [(e["host"], e["user"]) for e in events], "tln: host and user")
    check(all(f[4].endswith(f"[{KEY_TIME}]") for f, e in zip(tln, events) if e["time_kind"] == KEY_TIME),
          "tln: key times not said")

    # RegRipper's TLN of UserAssist, where it is installed: the same times
    # and run counts, profile by profile.
    ripper = shutil.which("rip.pl") or shutil.which("regripper")
    for i in range(len(HIVES) if ripper else 0):
        hive = inputs[i] if inputs[i].endswith(".DAT") else os.path.join(inputs[i], "NTUSER.DAT")
        theirs = subprocess.run([ripper, "-r", hive, "-p", "userassist_tln"], capture_output=True, text=True).stdout
        theirs = sorted((f.split("|")[0], f.rsplit("(", 1)[1].rstrip(")")) for f in theirs.splitlines() if "UserAssist" in f)
        ours = sorted((f[0], run_count(f[4])) for f in tln if f[1] == "UserAssist" and f[2] == want[i])
        check(ours == theirs, f"tln: UserAssist of {HIVES[i]}: {len(ours)} events, RegRipper's {len(theirs)}")

    # --since and --until keep the records of that range, both ends included.
    times = sorted({r["Time"] for r in records})
    since, until = times[len(times) // 3], times[2 * len(times) // 3]
    kept = run(*everything, "--format", "jsonl", "--since", since, "--until", until)
    within = [r for r in records if since <= r["Time"] <= until]
    check([json.loads(line) for line in kept.stdout.splitlines()] == within and within, "--since/--until")
    day = run(*everything, "--format", "tln", "--until", until[:10])
    check({int(f.split("|")[0]) for f in day.stdout.decode().splitlines()} ==
          {int(f[0]) for f in tln if f[0] and int(f[0]) < int(iso(until[:10] + "T00:00:00+00:00").timestamp()) + 86400},
          "--until DATE keeps that whole day")
    check(run(inputs[0], "--since", "2026-13-01").returncode == 2, "--since with no such month")

    # A profile that fails: named, the others still written, status 1.
    broken = os.path.join(tmp, "broken")
    os.makedirs(broken)
    with open(os.path.join(broken, "NTUSER.DAT"), "wb") as f:
        f.write(b"regf but not really")
    r = run(inputs[0], broken, os.path.join(tmp, "absent"), inputs[1], "--format", "jsonl", "--jobs", "2")
    got = {json.loads(line)["Host"] for line in r.stdout.splitlines()}
    check(r.returncode == 1 and got == set(want[:2]) and b"absent is not a folder" in r.stderr and
          b"broken: not read" in r.stderr, f"a failing profile: {r.returncode} {got} {r.stderr[-300:]}")

for f in failures:
    print("FAIL:", f)
print(f"{len(inputs)} profiles and a volume, six formats: {len(failures)} failures")
sys.exit(1 if failures else 0)
