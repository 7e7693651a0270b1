#!/usr/bin/env python3
"""The report over many profiles, measured side by side in one run:

  - the timeline of 50 profiles (copies of the test data's real hives, half
    of them with a browser history and a cache index file) with --jobs 2
    against --jobs 1 (the aim: at least 1.7 times faster on two cores);
  - the peak memory (resident set) of those 50 profiles against that of the
    one profile among them that needs the most (the aim: at most 3 times);
  - the 50 profiles' timeline against RegRipper running userassist,
    recentdocs, comdlg32, wordwheelquery, typedpaths, typedurls,
    typedurlstime and runmru over the same 50 hives (the aim: under 0.05).

Each time is the best of --runs runs. Other work on the machine slows both
sides alike only roughly: run it on a quiet machine.

usage: report_many_bench.py GLIMMERLOG-REPORT TESTDATA [--runs N] [--profiles N]"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HIVES = ["xp_plaso_NTUSER.DAT", "xp_frodo_NTUSER.DAT", "win7_plaso_NTUSER-WIN7.DAT", "win7_notatin_ntuser.dat",
         "win10_regipy_NTUSER_with_winscp.DAT", "win7_plaso_regf_NTUSER.DAT"]
PLUGINS = ["userassist", "recentdocs", "comdlg32", "wordwheelquery", "typedpaths", "typedurls", "typedurlstime",
           "runmru"]


def put(data, folder, relative, source):
    path = os.path.join(folder, *relative.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    shutil.copyfile(os.path.join(data, source), path)


def measure(argv):
    """Seconds and peak resident kilobytes of one run, its output thrown away."""
    start = time.perf_counter()
    with open(os.devnull, "wb") as null:
        child = subprocess.Popen(argv, stdout=null, stderr=null)
        _, status, usage = os.wait4(child.pid, 0)
    child.returncode = os.waitstatus_to_exitcode(status)
    return time.perf_counter() - start, usage.ru_maxrss


def best(runs, argv):
    results = [measure(argv) for _ in range(runs)]
    return min(t for t, _ in results), max(m for _, m in results)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("report")
    parser.add_argument("data")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--profiles", type=int, default=50)
    args = parser.parse_args()
    if not os.path.isdir(os.path.join(args.data, "hives")):
        print(f"test data not found at {args.data}")
        return 77
    ripper = shutil.which("rip.pl") or shutil.which("regripper")
    with tempfile.TemporaryDirectory() as tmp:
        profiles = []
        for i in range(args.profiles):
            folder = os.path.join(tmp, f"user{i:02}")
            put(args.data, folder, "NTUSER.DAT", "hives/" + HIVES[i % len(HIVES)])
            if i % 2:
                put(args.data, folder, "AppData/Local/Google/Chrome/User Data/Default/History",
                    "browsers/chromium/plaso-History")
                put(args.data, folder, "AppData/Local/Microsoft/Windows/History/History.IE5/index.dat",
                    "indexdat/plaso-History.IE5-index.dat")
            profiles.append(folder)
        command = [args.report, *profiles, "--timeline", "--format", "jsonl"]
        one, one_kb = best(args.runs, [*command, "--jobs", "1"])
        two, two_kb = best(args.runs, [*command, "--jobs", "2"])
        # One profile: the one of the first six (each hive once, with and
        # without browser files) that needs the most memory.
        single, single_kb = max((best(args.runs, [args.report, p, "--timeline", "--format", "jsonl", "--jobs", "1"])
                                 for p in profiles[:6]), key=lambda r: r[1])
        print(f"command: {args.report} PROFILE x{len(profiles)} --timeline --format jsonl --jobs N > /dev/null")
        print(f"{len(profiles)} profiles, --jobs 1: {one:.3f} s, peak {one_kb} kB")
        print(f"{len(profiles)} profiles, --jobs 2: {two:.3f} s, peak {two_kb} kB")
        print(f"1 profile (the most memory of the first six), --jobs 1: {single:.3f} s, peak {single_kb} kB")
        print(f"speed-up, --jobs 2 against --jobs 1: {one / two:.2f} (aim: >= 1.7 on two cores)")
        print(f"peak memory, {len(profiles)} profiles against one: --jobs 1 {one_kb / single_kb:.2f}, "
              f"--jobs 2 {two_kb / single_kb:.2f} (aim: <= 3)")
        if not ripper:
            print("RegRipper (rip.pl or regripper) is not installed: its comparison is left out")
            return 0
        start = time.perf_counter()
        for folder in profiles:
            for plugin in PLUGINS:
                measure([ripper, "-r", os.path.join(folder, "NTUSER.DAT"), "-p", plugin])
        rip = time.perf_counter() - start
        print(f"RegRipper, {len(PLUGINS)} plugins over the {len(profiles)} hives: {rip:.3f} s")
        print(f"the timeline against RegRipper: --jobs 1 {one / rip:.4f}, --jobs 2 {two / rip:.4f} (aim: < 0.05)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
