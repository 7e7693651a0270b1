#!/usr/bin/env python3
"""Writes the demo's shortcuts and jump lists into a profile's Recent folder:
a shortcut per document opened (the target's path, size and times, the
volume, the machine and a tracking id), an automatic jump list of Explorer
(a compound file of one shortcut stream per entry and its DestList) and a
custom one of a program's tasks, laid out as Windows writes them.

    shortcuts.py RECENT PROFILE_WIN DOCUMENTS...

RECENT: the Recent folder to fill; PROFILE_WIN: the profile folder as
Windows names it (C:\\users\\demo); DOCUMENTS: the documents' names, each
given a shortcut NAME.lnk."""
import os
import struct
import sys
import uuid

# 2026-11-28 09:00 UTC as a FILETIME, and an hour.
T0 = (1795856400 + 11644473600) * 10**7
HOUR = 36 * 10**9
LINK_CLSID = uuid.UUID("00021401-0000-0000-c000-000000000046").bytes_le
MACHINE = b"demo-pc"
# A version-1 tracking id: the time it was made and the machine's MAC address.
OBJECT_ID = uuid.UUID(fields=(0x2D11C000, 0x4C0A, 0x11ED, 0x80, 0x01, 0x525400123456)).bytes_le


def utf16z(text):
    return text.encode("utf-16-le") + b"\0\0"


def link(path, created, size, arguments=""):
    flags = 0x80 | 0x2 | (0x20 if arguments else 0)
    header = struct.pack("<I16sII3QIiI", 0x4C, LINK_CLSID, flags, 0x20, created, created + 2 * HOUR,
                         created + HOUR, size, 0, 1).ljust(0x4C, b"\0")
    label = b"Windows\0"
    volume = struct.pack("<4I", 16 + len(label), 3, 0x5A3C9E01, 16) + label
    ansi_at = 0x24 + len(volume)
    wide_at = ansi_at + 2
    info_tail = volume + b"\0\0" + utf16z(path)
    suffix_at = 0x24 + len(info_tail)
    info_tail += b"\0\0"
    info = struct.pack("<9I", 0x24 + len(info_tail), 0x24, 1, 0x24, ansi_at, 0, ansi_at + 1, wide_at, suffix_at)
    body = header + info + info_tail
    if arguments:
        body += struct.pack("<H", len(arguments)) + arguments.encode("utf-16-le")
    ids = b"\x11" * 16 + OBJECT_ID
    body += struct.pack("<4I", 0x60, 0xA0000003, 0x58, 0) + MACHINE.ljust(16, b"\0") + ids + ids
    return body + b"\0\0\0\0"


def compound_file(streams):
    """Version 3, 512-byte sectors; every stream below 4096 bytes, so all
    live in the mini stream."""
    end, free = 0xFFFFFFFE, 0xFFFFFFFF
    mini, mini_fat, starts = b"", [], []
    for _, data in streams:
        first, count = len(mini) // 64, (len(data) + 63) // 64
        starts.append(first)
        mini_fat += [first + k + 1 if k + 1 < count else end for k in range(count)]
        mini += data.ljust(count * 64, b"\0")
    sectors = lambda n: (n + 511) // 512
    dir_count, mini_fat_count, mini_count = sectors(128 * (len(streams) + 1)), sectors(4 * len(mini_fat)), sectors(len(mini))
    fat = [0xFFFFFFFD]
    nxt = 1

    def chain(count):
        nonlocal nxt
        first = nxt
        for k in range(count):
            fat.append(nxt + 1 if k + 1 < count else end)
            nxt += 1
        return first
    dir_start, mini_fat_start, mini_start = chain(dir_count), chain(mini_fat_count), chain(mini_count)
    assert len(fat) <= 128
    fat += [free] * (128 - len(fat))

    def entry(name, kind, start, size, right, child):
        encoded = name.encode("utf-16-le")
        return (encoded.ljust(64, b"\0") + struct.pack("<HBB3I", len(encoded) + 2, kind, 1, free, right, child)
                + b"\0" * 36 + struct.pack("<IQ", start, size))
    directory = entry("Root Entry", 5, mini_start, len(mini), free, 1)
    for i, (name, data) in enumerate(streams):
        directory += entry(name, 2, starts[i], len(data), i + 2 if i + 1 < len(streams) else free, free)
    header = (b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\0" * 16
              + struct.pack("<HHHHH6xIIIIIIIII", 0x3E, 3, 0xFFFE, 9, 6, 0, 1, dir_start, 0, 4096,
                            mini_fat_start, mini_fat_count, end, 0)
              + struct.pack("<109I", 0, *([free] * 108)))
    pad = lambda b, n: b.ljust(n * 512, b"\0")
    return (header + struct.pack("<128I", *fat) + pad(directory, dir_count)
            + struct.pack(f"<{len(mini_fat)}I", *mini_fat).ljust(mini_fat_count * 512, b"\xff") + pad(mini, mini_count))


def dest_list(entries):
    """Version 4: (number, last access, access count, pin, path) each."""
    out = struct.pack("<IIIfIIII", 4, len(entries), sum(1 for e in entries if e[3] >= 0), 0,
                      max(e[0] for e in entries), 0, len(entries), 0)
    for number, when, count, pin, path in entries:
        out += b"\0" * 8 + (b"\x11" * 16 + OBJECT_ID) * 2 + MACHINE.ljust(16, b"\0")
        out += struct.pack("<IIfQiIIQH", number, 0, 0, when, pin, 0xFFFFFFFF, count, 0, len(path))
        out += path.encode("utf-16-le") + b"\0\0\0\0"
    return out


def main():
    recent, profile_win, documents = sys.argv[1], sys.argv[2], sys.argv[3:]
    paths = []
    for i, name in enumerate(documents):
        path = f"{profile_win}\\Documents\\{name}"
        paths.append(path)
        with open(os.path.join(recent, name + ".lnk"), "wb") as f:
            f.write(link(path, T0 + i * HOUR, 1000 * (i + 1)))
    # Explorer's own list (its AppID on Windows 7): the first two documents, the second pinned.
    auto = os.path.join(recent, "AutomaticDestinations")
    os.makedirs(auto, exist_ok=True)
    streams = [("1", link(paths[0], T0, 1000)), ("2", link(paths[1], T0 + HOUR, 2000)),
               ("DestList", dest_list([(2, T0 + 30 * HOUR, 4, 0, paths[1]), (1, T0 + 20 * HOUR, 2, -1, paths[0])]))]
    with open(os.path.join(auto, "1b4dd67f29cb1962.automaticDestinations-ms"), "wb") as f:
        f.write(compound_file(streams))
    # A program's tasks and its own category.
    custom = os.path.join(recent, "CustomDestinations")
    os.makedirs(custom, exist_ok=True)
    tool = "C:\\Program Files\\Example Tools\\tool.exe"
    name = "Pinned projects"
    data = struct.pack("<III", 2, 2, 0)
    data += struct.pack("<IH", 0, len(name)) + name.encode("utf-16-le") + struct.pack("<I", 1)
    data += LINK_CLSID + link(tool, T0, 4096, "--open budget") + struct.pack("<I", 0xBABFFBAB)
    data += struct.pack("<II", 2, 1) + LINK_CLSID + link(tool, T0, 4096, "--new") + struct.pack("<I", 0xBABFFBAB)
    with open(os.path.join(custom, "0123456789abcdef.customDestinations-ms"), "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
