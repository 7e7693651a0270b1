#!/usr/bin/env python3
"""Writes the Explorer traces of a Windows 7-or-later profile as REGEDIT4
lines, for the demo prefix: RecentDocs, the Open/Save dialogs' item lists,
Explorer's searches and typed paths, typed addresses with their times,
UserAssist and taskbar (FeatureUsage) counts, and the Office programs' lists
of recent documents and folders. The binary values are built here the way Windows lays
them out; everything named is made up.

    explorer_reg.py PROFILE_PATH   (e.g. C:\\users\\demo)
"""
import codecs
import struct
import sys
import time
import uuid

EXPLORER = r"HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer"
MY_COMPUTER = uuid.UUID("20D04FE0-3AEA-1069-A2D8-08002B30309D")
NOW = 134090000000000000  # 2025-12-01, as FILETIME ticks
DAY = 864000000000
HOUR = 36000000000


def hexvalue(name, data):
    return '"%s"=hex:%s' % (name, ",".join("%02x" % b for b in data))


def utf16z(text):
    return text.encode("utf-16-le") + b"\0\0"


def fat(ticks):
    """FAT date and time (UTC) of a FILETIME: date in the high half."""
    t = time.gmtime(ticks // 10000000 - 11644473600)
    date = (t.tm_year - 1980) << 9 | t.tm_mon << 5 | t.tm_mday
    clock = t.tm_hour << 11 | t.tm_min << 5 | t.tm_sec // 2
    return date, clock


def item(body):
    return struct.pack("<H", len(body) + 2) + body


def root_computer():
    return item(b"\x1f\x50" + MY_COMPUTER.bytes_le)


def volume(letter):
    return item(b"\x2f" + (letter + ":\\").encode("ascii").ljust(22, b"\0"))


def entry(name, folder, ticks, size=0):
    """A file entry with its short name and the extension block that holds
    the long name and the creation and access times (Windows 7 layout)."""
    short = name.upper()[:12].encode("ascii", "replace") + b"\0"
    if len(short) % 2:
        short += b"\0"
    date, clock = fat(ticks)
    head = struct.pack("<BBIHHH", 0x31 if folder else 0x32, 0, size, date, clock, 0x10 if folder else 0x20) + short
    cdate, cclock = fat(ticks - 30 * DAY)
    adate, aclock = fat(ticks)
    ext = struct.pack("<HIHHHHHHQQHI", 8, 0xBEEF0004, cdate, cclock, adate, aclock, 0x2E, 0, 0, 0, 0, 0)
    ext += utf16z(name)
    offset = len(head) + 2  # where the block starts in the item, its size field included
    block = struct.pack("<H", len(ext) + 4) + ext + struct.pack("<H", offset)
    return item(head + block)


def id_list(path, ticks):
    """My Computer, the drive, then each folder and the file."""
    drive, rest = path.split(":\\", 1)
    parts = rest.split("\\")
    items = root_computer() + volume(drive)
    for i, part in enumerate(parts):
        last = i == len(parts) - 1
        items += entry(part, not last, ticks, 0 if not last else 24576)
    return items + b"\0\0"


def mru_ex(count):
    return b"".join(struct.pack("<I", i) for i in range(count)) + b"\xff\xff\xff\xff"


def rot13(text):
    return codecs.encode(text, "rot13")


def main():
    profile = sys.argv[1]
    out = []
    docs = [profile + r"\Documents\Budget 2027.xlsx", profile + r"\Documents\Holiday plan.docx",
            profile + r"\Downloads\Lisbon trip.pdf", profile + r"\Pictures\IMG_2031.jpg"]

    out.append("[%s\\RecentDocs]" % EXPLORER)
    for i, path in enumerate(docs):
        name = path.rsplit("\\", 1)[1]
        shortcut = entry(name + ".lnk", False, NOW - i * DAY) + b"\0\0"
        out.append(hexvalue(str(i), utf16z(name) + shortcut))
    out.append(hexvalue("MRUListEx", mru_ex(len(docs))))
    for ext in sorted({p.rsplit(".", 1)[1] for p in docs}):
        out.append("")
        out.append("[%s\\RecentDocs\\.%s]" % (EXPLORER, ext))
        mine = [p for p in docs if p.endswith("." + ext)]
        for i, path in enumerate(mine):
            name = path.rsplit("\\", 1)[1]
            out.append(hexvalue(str(i), utf16z(name) + entry(name + ".lnk", False, NOW) + b"\0\0"))
        out.append(hexvalue("MRUListEx", mru_ex(len(mine))))
    out.append("")

    dialogs = EXPLORER + r"\ComDlg32"
    out.append("[%s\\OpenSavePidlMRU\\*]" % dialogs)
    for i, path in enumerate(docs):
        out.append(hexvalue(str(i), id_list(path, NOW - i * DAY)))
    out.append(hexvalue("MRUListEx", mru_ex(len(docs))))
    out.append("")
    out.append("[%s\\OpenSavePidlMRU\\docx]" % dialogs)
    out.append(hexvalue("0", id_list(docs[1], NOW - DAY)))
    out.append(hexvalue("MRUListEx", mru_ex(1)))
    out.append("")
    out.append("[%s\\LastVisitedPidlMRU]" % dialogs)
    for i, (program, folder) in enumerate([("EXCEL.EXE", profile + r"\Documents"),
                                           ("AcroRd32.exe", profile + r"\Downloads")]):
        out.append(hexvalue(str(i), utf16z(program) + id_list(folder, NOW - i * DAY)))
    out.append(hexvalue("MRUListEx", mru_ex(2)))
    out.append("")

    out.append("[%s\\WordWheelQuery]" % EXPLORER)
    terms = ["budget", "lisbon", "*.pdf", "invoice 2025"]
    for i, term in enumerate(terms):
        out.append(hexvalue(str(i), utf16z(term)))
    out.append(hexvalue("MRUListEx", mru_ex(len(terms))))
    out.append("")

    out.append("[%s\\TypedPaths]" % EXPLORER)
    for i, path in enumerate([profile + r"\Documents", r"\\fileserver\public", "C:\\Program Files"]):
        out.append('"url%d"="%s"' % (i + 1, path.replace("\\", "\\\\")))
    out.append("")

    out.append(r"[HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\TypedURLsTime]")
    for i in range(7):
        out.append(hexvalue("url%d" % (i + 1), struct.pack("<Q", NOW - i * 3 * HOUR)))
    out.append("")

    counts = EXPLORER + r"\UserAssist\{CEBFF5CD-ACE2-4F4F-9178-9926F41749EA}\Count"
    out.append("[%s]" % counts)
    programs = [("{1AC14E77-02E7-4E5D-B744-2EB1AE5198B7}\\notepad.exe", 14, 900),
                ("{1AC14E77-02E7-4E5D-B744-2EB1AE5198B7}\\cmd.exe", 6, 420),
                ("{6D809377-6AF0-444B-8957-A3773F02200E}\\Example Tools\\viewer.exe", 3, 1500),
                ("Microsoft.Windows.Explorer", 41, 7200)]
    for i, (name, runs, seconds) in enumerate(programs):
        data = struct.pack("<IIII", 0, runs, runs + 2, seconds * 1000) + b"\0" * 44
        data += struct.pack("<QI", NOW - i * 5 * HOUR, 0)
        out.append(hexvalue(rot13(name).replace("\\", "\\\\"), data))
    out.append("")

    features = EXPLORER + r"\FeatureUsage"
    out.append("[%s]" % features)
    out.append(hexvalue("KeyCreationTime", struct.pack("<Q", NOW - 90 * DAY)).replace("=hex:", "=hex(b):"))
    out.append("")
    for feature, counts in [("AppSwitched", [("Microsoft.Windows.Explorer", 41), ("Chrome", 37),
                                             ("{1AC14E77-02E7-4E5D-B744-2EB1AE5198B7}\\notepad.exe", 12)]),
                            ("AppLaunch", [("Microsoft.Windows.Explorer", 9), ("Chrome", 6)]),
                            ("ShowJumpView", [("Microsoft.Office.WINWORD.EXE.15", 2)]),
                            ("TrayButtonClicked", [("StartButton", 58), ("ShowDesktopButton", 4)])]:
        out.append("[%s\\%s]" % (features, feature))
        out.extend('"%s"=dword:%08x' % (name.replace("\\", "\\\\"), count) for name, count in counts)
        out.append("")

    # Office 2016 to 365: "[F flags][T FILETIME as 16 hex digits][O ...]*path".
    office = r"HKEY_CURRENT_USER\Software\Microsoft\Office\16.0"
    lists = [("Word", "File MRU", [docs[1], profile + r"\Documents\Report draft.docx"]),
             ("Word", "Place MRU", [profile + "\\Documents\\"]),
             ("Excel", "File MRU", [docs[0]])]
    for program, name, paths in lists:
        out.append("[%s\\%s\\%s]" % (office, program, name))
        for i, path in enumerate(paths):
            text = "[F00000000][T%016X][O00000000]*%s" % (NOW - i * DAY - 7 * HOUR, path)
            out.append('"Item %d"="%s"' % (i + 1, text.replace("\\", "\\\\")))
        out.append("")
    print("\n".join(out))


if __name__ == "__main__":
    main()
