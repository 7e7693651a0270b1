#!/usr/bin/env python3
"""The hive reader against hivex's tools on every regf hive of the test data.

  hive_compare.py GL_HIVE_DUMP TESTDATA_DIR

For each hive, two comparisons:
  - `gl_hive_dump export` must equal `hivexregedit --export` byte for byte:
    every key path, value name, type and data byte (both order keys and
    values by name);
  - `gl_hive_dump tree` against `hivexml`: the keys in stored order with
    their last-write times (to the second, as hivexml writes them), each
    key's values in stored order, and the base block's time.
Exits 77 (skipped) when the tools or the test data are absent.
"""
import datetime
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

SKIP = 77


def iso(filetime):
    seconds = filetime // 10**7 - 11644473600
    return (datetime.datetime(1970, 1, 1) + datetime.timedelta(seconds=seconds)).strftime("%Y-%m-%dT%H:%M:%SZ")


def hivex_tree(path):
    """hivexml's keys in document (stored) order: (depth, time, name, [value names]), and the hive's time."""
    xml = subprocess.run(["hivexml", path], check=True, capture_output=True).stdout
    # Value data is written into attributes as it is, control characters
    # included, which XML does not allow; only names and times are compared.
    xml = re.sub(rb"[\x00-\x08\x0b\x0c\x0e-\x1f]", b"?", xml)
    root = ET.fromstring(xml)
    keys = []

    def walk(node, depth):
        values = [v.get("key", "") if v.get("default") != "1" else "" for v in node.findall("value")]
        keys.append((depth, node.findtext("mtime"), node.get("name"), values))
        for child in node.findall("node"):
            walk(child, depth + 1)

    walk(root.find("node"), 0)
    return root.findtext("mtime"), keys


def our_tree(dump, path):
    """The same from gl_hive_dump; names cut at a NUL, as hivexml's C strings
    cut them (xp_frodo has a key whose name ends in one)."""
    text = subprocess.run([dump, "tree", path], check=True, capture_output=True).stdout.decode("utf-8")
    hive_time, keys = None, []
    for line in text.split("\n"):
        fields = line.split("\t")
        if fields[0] == "hive":
            hive_time = int(fields[1])
        elif fields[0] == "key":
            keys.append((int(fields[1]), iso(int(fields[2])), "\t".join(fields[3:]).split("\0")[0], []))
        elif fields[0] == "value":
            keys[-1][3].append("\t".join(fields[1:]).split("\0")[0])
    return hive_time, keys


def main():
    dump, data = sys.argv[1], os.path.join(sys.argv[2], "hives")
    missing = [t for t in ("hivexregedit", "hivexml") if not shutil.which(t)]
    if missing:
        print("skipped: %s not installed (Debian: libwin-hivex-perl, libhivex-bin)" % ", ".join(missing))
        return SKIP
    if not os.path.isdir(data):
        print("skipped: no test data at " + data)
        return SKIP
    hives = sorted(f for f in os.listdir(data) if open(os.path.join(data, f), "rb").read(4) == b"regf")
    failures = 0
    env = dict(os.environ, PERL_UNICODE="SO")  # names as UTF-8 whatever their characters
    for name in hives:
        path = os.path.join(data, name)
        theirs = subprocess.run(["hivexregedit", "--export", path, "\\"], check=True, capture_output=True,
                                env=env).stdout
        ours = subprocess.run([dump, "export", path], check=True, capture_output=True).stdout
        if ours != theirs:
            a, b = ours.split(b"\n"), theirs.split(b"\n")
            line = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
            print("%s: export differs from hivexregedit's at line %d:\n  ours:   %r\n  theirs: %r" %
                  (name, line + 1, a[line] if line < len(a) else None, b[line] if line < len(b) else None))
            failures += 1
        hive_time, our_keys = our_tree(dump, path)
        their_time, their_keys = hivex_tree(path)
        if our_keys != their_keys:
            i = next((i for i, (x, y) in enumerate(zip(our_keys, their_keys)) if x != y),
                     min(len(our_keys), len(their_keys)))
            print("%s: key %d differs from hivexml's (of %d, %d):\n  ours:   %r\n  theirs: %r" %
                  (name, i, len(our_keys), len(their_keys), our_keys[i] if i < len(our_keys) else None,
                   their_keys[i] if i < len(their_keys) else None))
            failures += 1
        # hivexml leaves out the hive's time when the base block is dirty.
        if their_time is not None and iso(hive_time) != their_time:
            print("%s: hive time %s, hivexml says %s" % (name, iso(hive_time), their_time))
            failures += 1
        print("%s: %d keys, %d values compared" % (name, len(our_keys), sum(len(k[3]) for k in our_keys)))
    print("%d passed, %d failed" % (len(hives) - failures, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
