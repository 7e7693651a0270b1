#!/usr/bin/env python3
"""The window and glimmerlog-report give the same lines for every view.

    view_parity.py assemble DIR TESTDATA HOST_TREE
    view_parity.py compare DIR HOST_TREE
    view_parity.py reports DIR HOST_TREE REPORT_EXE EMULATOR...

assemble: makes the profile folders the comparison runs on in DIR/profiles
and lists them in DIR/profiles.tsv (name, folder, the cache index file the
Index.dat view scans): "real", a Windows 7 user's hive from the test data
with history, cache and browser files from the test data and Recent and
cookie files made here where the hive's Shell Folders point; "demo", the
demo profile of scripts/demo with its keys in an NTUSER.DAT written by the
test hive writer (the host build's gl_make_hive; the key the demo deletes
stays in its free space), and a protected-mode history file written here
whose addresses hold bytes of the ANSI code page; "damaged", a hive not
written completely with its logs, and a browser database cut short.

Between the two, the window (win32_parity_tests, under Wine) writes each
view's lines for each profile to DIR/window/NAME/.

compare: runs the host build's report on the same folders, one view at a
time, and compares its lines with the window's as multisets (the header
left out; order is only defined for some views). The window names files by
where the copy lies now, the report by where the hive says the profile was:
that prefix is the one difference allowed. Every view must have lines in at
least one profile, or its comparison would prove nothing.

reports: runs the Windows report (under the emulator) and the host build's
on all the folders at once, as JSON Lines, and compares their records.

All exit 77 (skipped), saying why, when the test data, the host build's
programs or the window's lines are absent."""
import collections
import json
import os
import shutil
import subprocess
import sys

SKIP = 77

sys.stdout.reconfigure(errors="backslashreplace")


def skip(why):
    print("skipped:", why)
    sys.exit(SKIP)


def host_program(host, relative):
    path = os.path.join(host, *relative.split("/"))
    if not os.access(path, os.X_OK):
        skip(f"{path} is not built (cmake --build --preset host)")
    return path


# --- assemble ---------------------------------------------------------------

# Times of the files made here (Unix seconds), for the timeline's folder events.
T0 = 1300000000


def put(profile, relative, source=None, text=b"x", mtime=None):
    path = os.path.join(profile, *relative.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if source:
        shutil.copyfile(source, path)
    else:
        with open(path, "wb") as f:
            f.write(text)
    if mtime:
        os.utime(path, (mtime, mtime))


def assemble_real(profile, data):
    """The hive names C:\\Users\\jmroberts; its top folder is written in another
    case here ("appdata"): both sides match names as Windows does."""
    d = lambda relative: os.path.join(data, *relative.split("/"))
    put(profile, "NTUSER.DAT", d("hives/win7_notatin_ntuser.dat"))
    # The user's classes hive, for the folders opened in Explorer.
    put(profile, "appdata/Local/Microsoft/Windows/UsrClass.dat", d("shellbags/plaso-UsrClass.dat"))
    history = "appdata/Local/Microsoft/Windows/History/"
    put(profile, history + "History.IE5/index.dat", d("indexdat/plaso-History.IE5-index.dat"))
    put(profile, history + "Low/History.IE5/index.dat", d("indexdat/grr-History.IE5-index.dat"))
    cache = "appdata/Local/Microsoft/Windows/Temporary Internet Files/Content.IE5/index.dat"
    put(profile, cache, d("indexdat/plaso-nfury-Content.IE5-index.dat"))

    cookies = "appdata/Roaming/Microsoft/Windows/Cookies/"
    put(profile, cookies + "jmroberts@example[1].txt", text=b"id\n1\nexample.com/\n", mtime=T0)
    put(profile, cookies + "jmroberts@m\u00fcnchen.example[2].txt", mtime=T0 + 60)
    put(profile, cookies + "index.dat", text=b"Client UrlCache MMF Ver 5.2", mtime=T0 + 120)
    put(profile, cookies + "Low/jmroberts@news.example[1].txt", mtime=T0 + 180)
    recent = "appdata/Roaming/Microsoft/Windows/Recent/"
    # Real shortcuts and jump lists under names of the profile's own.
    shortcuts = [("Quarterly report.docx.lnk", "ez-win10-Case_Report.txt.lnk"),
                 ("\u00dcn\u00efc\u00f8d\u00e9 \u65e5\u672c.txt.lnk", "ez-misc-remote.file.xp.lnk"),
                 ("Downloads.lnk", "ez-misc-local.file.seven.lnk"), ("desktop.ini", None)]
    for i, (name, source) in enumerate(shortcuts):
        put(profile, recent + name, d("lnk/" + source) if source else None, text=b"[.ShellClassInfo]",
            mtime=T0 + 3600 * (i + 1))
    for name in ("plaso-1b4dd67f29cb1962.automaticDestinations-ms",
                 "museum-win10-APTSimulatorVM-f01b4d95cf55d32a.automaticDestinations-ms",
                 "museum-win10-APTSimulatorVM-f01b4d95cf55d32a.customDestinations-ms",
                 "plaso-368d807282ccde9d.customDestinations-ms"):
        kind = "AutomaticDestinations/" if "automatic" in name else "CustomDestinations/"
        put(profile, recent + kind + name.split(".")[0].rsplit("-", 1)[-1] + "." + name.split(".", 1)[1],
            d("jumplists/" + name),
            mtime=T0)

    local, roaming = "appdata/Local/", "appdata/Roaming/"
    # Windows Timeline: a cache whose newest rows are only in its log.
    for name in ("ActivitiesCache.db", "ActivitiesCache.db-wal"):
        put(profile, local + "ConnectedDevicesPlatform/L.jmroberts/" + name,
            d("system/museum-win10-RathbunVM-timeline/" + name))
    chromium = {
        "Google/Chrome/User Data/Default": "browsers/chromium/plaso-History",
        "Google/Chrome/User Data/Profile 1": "browsers/chromium/dfirlabs-History-40.0.2214.115",
        "Chromium/User Data/Default": "browsers/chromium/generated-chromium-156-History",
        "Microsoft/Edge/User Data/Default": "browsers/chromium/plaso-History-59.0.3071.86",
    }
    for folder, source in chromium.items():
        put(profile, local + folder + "/History", d(source))
    firefox = roaming + "Mozilla/Firefox/"
    put(profile, firefox + "profiles.ini",
        text=b"[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/k2x8.default\r\nDefault=1\r\n")
    for folder, source in [("k2x8.default", "dfirlabs-67.0"), ("p0qz.default-release", "generated-esr-153")]:
        for name in ("places.sqlite", "places.sqlite-wal"):
            put(profile, firefox + "Profiles/" + folder + "/" + name, d(f"browsers/firefox/{source}/{name}"))
    return cache


def assemble_demo(profile, source_dir, host, parity):
    make_profile = os.path.join(source_dir, "scripts", "demo", "make-profile")
    make_history = host_program(host, "tests/support/gl_make_history")
    make_hive = host_program(host, "tests/support/gl_make_hive")
    keys = os.path.join(parity, "demo.reg")
    with open(keys, "wb") as out:
        subprocess.run([make_profile, profile, "C:\\Users\\demo", make_history], stdout=out, check=True)
    subprocess.run([make_hive, keys, os.path.join(profile, "NTUSER.DAT")], check=True)
    os.remove(keys)
    # The protected-mode history: addresses in bytes of the ANSI code page
    # (the five that Windows-1252 leaves unassigned among them), in other
    # cases and schemes. The Index.dat view scans it too.
    low = "AppData/Local/Microsoft/Windows/History/Low/History.IE5/index.dat"
    path = os.path.join(profile, *low.split("/"))
    os.makedirs(os.path.dirname(path))
    entries = [
        (b"http://caf\xe9.example/men\xfc?q=\xa3\xe6\xff", "Caf\u00e9 \u2013 Men\u00fc", "2026-11-28T10:00:00Z"),
        (b"https://bytes.example/\x80\x81\x8d\x8f\x90\x9d\x9f", "", "2026-11-28T10:05:00Z"),
        (b"HTTP://UPPER.EXAMPLE/", "Upper case", "2026-11-28T10:10:00Z"),
        (b"ftp://files.example/pub/", "Not a web page", "2026-11-28T10:15:00Z"),
        (b"file:///C:/Users/demo/Documents/notes.txt", "", "2026-11-28T10:20:00Z"),
    ]
    lines = b"".join(url + b"\t" + title.encode() + b"\t" + when.encode() + b"\n" for url, title, when in entries)
    subprocess.run([make_history, "--user", "demo", path], input=lines, stdout=subprocess.DEVNULL, check=True)
    return low


def assemble_damaged(profile, data):
    """A Windows 10 user's hive that was not written completely, with its
    transaction logs (applied in memory on both sides), and a browser
    database cut short: read in part, and said so."""
    d = lambda relative: os.path.join(data, *relative.split("/"))
    for name in ("NTUSER.DAT", "NTUSER.DAT.LOG1", "NTUSER.DAT.LOG2"):
        put(profile, name.replace("NTUSER.DAT", "ntuser.dat"), d("shellbags/regipy-transactions/" + name))
    put(profile, "AppData/Local/Google/Chrome/User Data/Default/History", text=b"SQLite format 3\0 cut short")
    put(profile, "AppData/Local/Microsoft/Edge/User Data/Default/History", d("browsers/chromium/plaso-History"))
    index = "AppData/Local/Microsoft/Windows/History/History.IE5/index.dat"
    put(profile, index, d("indexdat/plaso-History.IE5-index.dat"))
    return index


def assemble_volume(volume, data):
    """A Windows volume with one user, bob (a Windows 7 hive, and the classes
    hive whose root key gives his SID), and the machine-wide files: Prefetch
    files of three versions, a SYSTEM hive with BAM entries, an Amcache hive
    and bob's Recycle Bin. Both sides read it as a volume, for bob."""
    d = lambda relative: os.path.join(data, *relative.split("/"))
    if not shutil.which("xz"):
        skip("xz is missing (package xz-utils): the volume's SYSTEM hive is kept compressed")
    put(volume, "Users/bob/NTUSER.DAT", d("hives/win7_plaso_NTUSER-WIN7.DAT"))
    put(volume, "Users/bob/AppData/Local/Microsoft/Windows/UsrClass.dat", d("shellbags/plaso-UsrClass.dat"))
    index = "Users/bob/AppData/Local/Microsoft/Windows/History/History.IE5/index.dat"
    put(volume, index, d("indexdat/plaso-History.IE5-index.dat"))
    for source in ("ez-win10-CALC.EXE-3FBEF7FD.pf", "ez-win7-CMD.EXE-4A81B364.pf", "ez-xp-NOTEPAD.EXE-336351A9.pf"):
        put(volume, "Windows/Prefetch/" + source.split("-", 2)[2], d("prefetch/" + source))
    config = os.path.join(volume, "Windows", "System32", "config")
    os.makedirs(config)
    with open(os.path.join(config, "SYSTEM"), "wb") as out:
        subprocess.run(["xz", "-dc", d("system/regipy-SYSTEM_WIN_10_1709.xz")], stdout=out, check=True)
    put(volume, "Windows/appcompat/Programs/Amcache.hve", d("system/plaso-win10-Amcache.hve"))
    sid = "S-1-5-21-226059406-2984137831-1201299043-1107"  # the classes hive's root key, less "_Classes"
    put(volume, f"$Recycle.Bin/{sid}/$I103S5F.jpg", d("recyclebin/plaso-win10-$I103S5F.jpg"))
    return index


def assemble(parity, data, host):
    source_dir = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    profiles = os.path.join(parity, "profiles")
    listing = os.path.join(parity, "profiles.tsv")
    # What an earlier run of this step made.
    if os.path.exists(listing):
        os.remove(listing)
    shutil.rmtree(profiles, ignore_errors=True)
    if not os.path.isdir(os.path.join(data, "hives")):
        skip(f"the test data is not at {data}")
    for program in ("bin/glimmerlog-report", "tests/support/gl_make_history", "tests/support/gl_make_hive"):
        host_program(host, program)
    os.makedirs(profiles)
    lines = []
    real = os.path.join(profiles, "real")
    lines.append(("real", "profiles/real", assemble_real(real, data)))
    demo = os.path.join(profiles, "demo")
    lines.append(("demo", "profiles/demo", assemble_demo(demo, source_dir, host, parity)))
    damaged = os.path.join(profiles, "damaged")
    lines.append(("damaged", "profiles/damaged", assemble_damaged(damaged, data)))
    volume = os.path.join(profiles, "volume")
    lines.append(("volume", "profiles/volume", assemble_volume(volume, data), "bob"))
    with open(listing, "w", encoding="utf-8", newline="\n") as f:
        for line in lines:
            f.write("\t".join(line) + "\n")
    print(f"{len(lines)} profiles assembled in {profiles}")


# --- compare ----------------------------------------------------------------

def lines_of(text_bytes):
    """The lines of a text export without the byte-order mark and the header,
    and without the columns of file times (captioned "... (file time)"): a
    copy of a file has the copy's times, which say nothing of the view."""
    text = text_bytes.decode("utf-8-sig", errors="surrogateescape")
    # The window ends lines as Windows does; the report as its system does.
    lines = text.replace("\r\n", "\n").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    if not lines:
        return []
    kept = [i for i, caption in enumerate(lines[0].split("\t")) if not caption.endswith("(file time)")]
    return ["\t".join(cells[i] for i in kept if i < len(cells)) for cells in (line.split("\t") for line in lines[1:])]


def read_tsv(path):
    with open(path, encoding="utf-8", newline="\n") as f:
        return [line.rstrip("\n").split("\t") for line in f if line.strip("\n")]


def compare(parity, host):
    report = host_program(host, "bin/glimmerlog-report")
    listing = os.path.join(parity, "profiles.tsv")
    if not os.path.exists(listing):
        skip(f"no profiles assembled in {parity}")
    listed = subprocess.run([report, "--list-views"], capture_output=True, check=True)
    report_views = listed.stdout.decode("utf-8").splitlines()
    failures = []
    counts = collections.defaultdict(dict)
    tags = {}
    for name, folder, index, *user in read_tsv(listing):
        window = os.path.join(parity, "window", name)
        if not os.path.exists(os.path.join(window, "views.tsv")):
            skip(f"the window wrote no lines for the profile {name} in {window} (win32_parity_tests)")
        window_folder, root = read_tsv(os.path.join(window, "profile.tsv"))[0]
        if not root:
            failures.append(f"{name}: the hive names no profile folder, so paths cannot be compared")
            continue
        views = read_tsv(os.path.join(window, "views.tsv"))
        if [v[1] for v in views] != report_views:
            failures.append(f"{name}: the window's views {[v[1] for v in views]} are not the report's {report_views}")
        profile = os.path.join(parity, *folder.split("/"))
        for tag, view in views:
            tags[view] = tag
            # A volume is read for its one user; the report names the user,
            # SID and host in first columns, which the window has not.
            source = ["--volume", profile, "--user", user[0]] if user else [profile]
            args = [report, *source, "--view", view, "--format", "txt", "--tz", "utc"]
            if tag in ("index.dat", "cacherecords"):
                args += ["--index-file", os.path.join(profile, *index.split("/"))]
            r = subprocess.run(args, capture_output=True)
            # The damaged profile's report says what it could not read (exit 1).
            if r.returncode != 0 and not (name == "damaged" and r.returncode == 1):
                failures.append(f"{name} / {view}: the report exits {r.returncode}: {r.stderr.decode(errors='replace')}")
            theirs = collections.Counter(l.split("\t", 3)[3] if user else l for l in lines_of(r.stdout))
            with open(os.path.join(window, tag + ".txt"), "rb") as f:
                ours = collections.Counter(line.replace(window_folder, root) for line in lines_of(f.read()))
            if tag == "sources":
                # The window also lists the cache index file last chosen in it.
                ours = collections.Counter({l: n for l, n in ours.items() if not l.startswith("Cache index file\t")})
            if tag == "cacherecords":
                # Both read the same file, each naming it its own way (a
                # Windows path in the window, this system's in the report).
                ours, theirs = (collections.Counter(l.rsplit("\t", 1)[0] for l in c.elements())
                                for c in (ours, theirs))
            counts[view][name] = sum(ours.values())
            tags[view] = tag
            if ours != theirs:
                only_window, only_report = ours - theirs, theirs - ours
                shown = [f"  window only: {l!r}" for l in list(only_window.elements())[:5]]
                shown += [f"  report only: {l!r}" for l in list(only_report.elements())[:5]]
                failures.append(f"{name} / {view}: {sum(ours.values())} lines in the window, {sum(theirs.values())} "
                                f"in the report; {sum(only_window.values())} only in the window, "
                                f"{sum(only_report.values())} only in the report\n" + "\n".join(shown))
    for view, by_profile in counts.items():
        print(f"{view}: " + ", ".join(f"{n} lines in {p}" for p, n in by_profile.items()))
        if not any(by_profile.values()):
            failures.append(f"{view}: no lines in any profile, so nothing of it is compared; give one of the "
                            f"profiles assembled here something it lists")
    for f in failures:
        print("FAIL:", f)
    print(f"{len(counts)} views compared: {len(failures)} failures")
    return 1 if failures else 0


# --- the Windows report against the Linux one --------------------------------

def reports(parity, host, exe, emulator):
    """The Windows report (under Wine) and the Linux one on every assembled
    profile in one run: the same JSON Lines records, once the Windows report's
    folder names are read as the hive names them (as compare does)."""
    report = host_program(host, "bin/glimmerlog-report")
    listing = os.path.join(parity, "profiles.tsv")
    if not os.path.exists(listing):
        skip(f"no profiles assembled in {parity}")
    linux, windows, renames, user = [], [], [], []
    for name, folder, index, *volume in read_tsv(listing):
        shown = os.path.join(parity, "window", name, "profile.tsv")
        if not os.path.exists(shown):
            skip(f"the window wrote no folder names in {shown} (win32_parity_tests)")
        window_folder, root = read_tsv(shown)[0]
        renames.append((window_folder, root))
        flag = ["--volume"] if volume else []
        user = ["--user", volume[0]] if volume else user
        linux += [*flag, os.path.join(parity, *folder.split("/"))]
        windows += [*flag, window_folder]
    args = [*user, "--timeline", "--format", "jsonl", "--jobs", "2"]
    ours = subprocess.run([report, *linux, *args], capture_output=True)
    theirs = subprocess.run([*emulator, exe, *windows, *args], capture_output=True)
    if ours.returncode != theirs.returncode:
        print(f"FAIL: exit {theirs.returncode} on Windows, {ours.returncode} on Linux: {theirs.stderr[-500:]}")
        return 1

    def rename(value):
        if isinstance(value, str):
            for window_folder, root in renames:
                value = value.replace(window_folder, root)
        return value

    want = [json.loads(line) for line in ours.stdout.decode("utf-8").splitlines()]
    got = [{k: rename(v) for k, v in json.loads(line).items()}
           for line in theirs.stdout.decode("utf-8").splitlines()]
    # Events of one time keep the order their folder was listed in, which is
    # the file system's: the same records, in the same order of profiles and times.
    key = lambda r: (r["Host"], r["Time"])
    count = lambda records: collections.Counter(json.dumps(r, sort_keys=True) for r in records)
    only_windows, only_linux = count(got) - count(want), count(want) - count(got)
    for line in list(only_windows)[:5]:
        print("  only from Windows:", line)
    for line in list(only_linux)[:5]:
        print("  only from Linux:", line)
    ordered = [key(r) for r in got] == [key(r) for r in want]
    print(f"{len(got)} records from Windows, {len(want)} from Linux; {sum(only_windows.values())} only from Windows, "
          f"{sum(only_linux.values())} only from Linux; in the same order: {ordered}")
    return 0 if want and ordered and not only_windows and not only_linux else 1


def main():
    if len(sys.argv) == 5 and sys.argv[1] == "assemble":
        assemble(*sys.argv[2:])
        return 0
    if len(sys.argv) == 4 and sys.argv[1] == "compare":
        return compare(*sys.argv[2:])
    if len(sys.argv) >= 5 and sys.argv[1] == "reports":
        return reports(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main())
