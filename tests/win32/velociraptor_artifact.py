#!/usr/bin/env python3
"""The fleet collector's artifact in contrib/velociraptor, tested as far as
this machine allows (the collector itself cannot run here):

- it is YAML of the collector's artifact form, names the tool and the
  parameters its query uses;
- its globs, applied to a Windows volume, copy everything the report reads
  there: the report on that copy gives as many events of each kind as on
  the volume itself (files are copied without their times, as the
  collector's copy makes them);
- the command line its query builds runs the Windows report under Wine on
  that copy and writes JSON Lines whose every line is an object with the
  report's columns: the artifact's rows.

  velociraptor_artifact.py ARTIFACT VOLUME REPORT_EXE HOST_REPORT WINE_RUN PREFIX

Exits 77 (skipped) when Python's yaml module or the volume is missing.
"""
import collections
import glob
import json
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

SKIP = 77


def skip(why):
    print("skipped:", why)
    sys.exit(SKIP)


def braces(pattern):
    """The collector's globs take {a,b}; Python's glob does not."""
    m = re.search(r"\{([^{}]*)\}", pattern)
    if not m:
        return [pattern]
    return [x for alt in m.group(1).split(",") for x in braces(pattern[:m.start()] + alt + pattern[m.end():])]


def collect(volume, globs, copy):
    copied = 0
    for pattern in globs:
        for expanded in braces(pattern):
            # glob's own specials are [ and ]; `$` is literal in both.
            for path in glob.glob(os.path.join(glob.escape(volume), expanded), recursive=True):
                if os.path.isdir(path):
                    continue
                target = os.path.join(copy, os.path.relpath(path, volume))
                os.makedirs(os.path.dirname(target), exist_ok=True)
                shutil.copyfile(path, target)  # contents only, as the collector copies
                copied += 1
    return copied


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def kinds(lines):
    counts = collections.Counter()
    for line in lines:
        counts[json.loads(line)["Kind"]] += 1
    return counts


def main():
    artifact_path, volume, report_exe, host_report, wine_run, prefix = sys.argv[1:7]
    try:
        import yaml
    except ImportError:
        skip("Python's yaml module is missing (package python3-yaml)")
    if not os.path.isdir(volume):
        skip(f"no test volume at {volume}")
    if not os.access(host_report, os.X_OK):
        skip(f"{host_report} is not built (cmake --build --preset host)")

    with open(artifact_path, encoding="utf-8") as f:
        artifact = yaml.safe_load(f)
    problems = []
    expect = lambda ok, what: ok or problems.append(what)
    expect(artifact.get("name", "").startswith("Custom."), "a custom artifact's name")
    expect(artifact.get("type") == "CLIENT", "type CLIENT")
    expect([t.get("name") for t in artifact.get("tools", [])] == ["GlimmerlogReport"], "the one tool")
    parameters = {p["name"]: p for p in artifact.get("parameters", [])}
    query = "\n".join(s["query"] for s in artifact.get("sources", []))
    for name in parameters:
        expect(re.search(r"\b%s\b" % name, query), f"parameter {name} used by the query")
    for needed in ('ToolName="GlimmerlogReport"', 'accessor="ntfs"', '"--volume"', '"--output"',
                   "commandline_split(command=ReportArguments)", "parse_jsonl(filename=Output)"):
        expect(needed in query, f"the query has {needed}")
    if problems:
        print("artifact:", "; ".join(problems))
        return 1

    globs = parameters["CollectGlobs"]["default"].split("\n")
    assert globs[0] == "Glob"
    globs = [g for g in globs[1:] if g]
    arguments = shlex.split(parameters["ReportArguments"]["default"])

    work = tempfile.mkdtemp(prefix="glimmerlog-artifact-")
    try:
        copy = os.path.join(work, "volume")
        copied = collect(volume, globs, copy)
        output = os.path.join(work, "report.jsonl")
        argv = [report_exe, "--volume", windows_path(copy)] + arguments + ["--output", windows_path(output)]
        run = subprocess.run([wine_run, "--prefix", prefix] + argv, capture_output=True, text=True, timeout=600)
        if run.returncode not in (0, 1) or not os.path.exists(output):
            print("the report did not run:", run.returncode, run.stderr[-2000:])
            return 1
        with open(output, encoding="utf-8") as f:
            rows = [line for line in f.read().split("\n") if line]
        bad = [r for r in rows if not isinstance(json.loads(r), dict)]
        direct = subprocess.run([host_report, "--volume", volume] + arguments, capture_output=True, text=True,
                                timeout=600)
        expected = kinds(line for line in direct.stdout.split("\n") if line)
        got = kinds(rows)
        print(f"{copied} files copied; {len(rows)} rows; kinds: {dict(got)}")
        if bad or not rows:
            print("not one JSON object a line")
            return 1
        for column in ("Time", "Kind", "What", "User", "Host", "Time Kind"):
            if any(column not in json.loads(r) for r in rows):
                print("a row without", column)
                return 1
        if got != expected:
            print("events by kind on the copy differ from the volume's:", dict(expected))
            return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
