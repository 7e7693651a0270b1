#!/usr/bin/env python3
"""Reads the exported CSV, JSON and JSON Lines back with Python's own parsers
and checks that they give the cells written (a lone surrogate, which UTF-8
cannot hold, reads back from CSV as U+FFFD and from JSON as itself): CSV the
text shown, JSON the ISO times and numbers as numbers."""
import csv
import json
import sys

folder = sys.argv[1]


def text(hexunits):
    units = bytes.fromhex(hexunits)
    # big-endian hex of code units -> little-endian bytes for the decoder
    le = b"".join(units[i + 1:i + 2] + units[i:i + 1] for i in range(0, len(units), 2))
    return le.decode("utf-16-le", "surrogatepass")


def no_lone(s):
    return "".join("\ufffd" if 0xD800 <= ord(c) <= 0xDFFF else c for c in s)


def value(cell):
    return float(text(cell[1:])) if cell.startswith("n") else text(cell)


columns, rows, shown = [], [], []
with open(f"{folder}/expected.txt", encoding="ascii") as f:
    for line in f:
        kind, _, rest = line.rstrip("\n").partition(" ")
        if kind == "column":
            columns.append(text(rest))
        elif kind == "row":
            rows.append([value(cell[:-1]) for cell in rest.split(" ")])
        else:
            shown.append([text(cell[:-1]) for cell in rest.split(" ")])

with open(f"{folder}/sample.csv", encoding="utf-8-sig", newline="") as f:
    got = list(csv.reader(f))
want = [[no_lone(c) for c in columns]] + [[no_lone(c) for c in row] for row in shown]
assert got == want, f"CSV read back differs:\n{got!r}\n{want!r}"

with open(f"{folder}/sample.json", encoding="utf-8") as f:
    objects = json.load(f)
assert [list(o.values()) for o in objects] == rows, "JSON values differ"
assert list(objects[0].keys()) == [columns[0], columns[1] + " (2)", columns[2]], "JSON keys differ"
with open(f"{folder}/sample.jsonl", encoding="utf-8") as f:
    lines = [json.loads(line) for line in f]
assert lines == objects, "JSON Lines differ from JSON"
assert any(isinstance(v, float) for o in objects for v in o.values()), "no number read back as one"
print(f"CSV, JSON and JSON Lines read back: {len(rows)} rows of {len(columns)} cells")
