#!/usr/bin/env python3
"""Writes made-up browser histories into a profile folder, for the demo
prefix: a Chrome profile (History, the tables every version since Chrome 9
has, with downloads and searches; Network\Cookies; Bookmarks) and a Firefox
profile (profiles.ini; places.sqlite with bookmarks and a download;
cookies.sqlite; formhistory.sqlite).

    browsers.py LOCAL_APPDATA ROAMING_APPDATA
"""
import json
import os
import sqlite3
import sys

VISITS = [
    ("https://news.example.org/", "Example News \u2013 Front page", 1, 2),
    ("https://news.example.org/world/2026/12/climate-summit", "Climate summit ends with a deal", 0, 5),
    ("https://mail.example.net/inbox", "Inbox (3) \u2013 Example Mail", 1, 9),
    ("https://www.example-shop.test/cart", "Your cart", 0, 26),
    ("https://wiki.example.org/wiki/Lisbon", "Lisbon \u2013 Example Wiki", 0, 30),
    ("https://travel.example.com/flights?to=LIS", "Flights to Lisbon", 1, 47),
    ("https://video.example.tv/watch?v=espresso", "How to make espresso", 0, 70),
    ("https://bank.example.com/login", "Sign in \u2013 Example Bank", 1, 96),
]
NOW_US = 13410000000000000  # 2025-12-02, microseconds since 1601
HOUR_US = 3600 * 1000000
UNIX_OFFSET_US = 11644473600 * 1000000


def chrome(folder):
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "History")
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    db.executescript(
        "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
        "INSERT INTO meta VALUES ('version', '70');"
        "CREATE TABLE urls(id INTEGER PRIMARY KEY AUTOINCREMENT, url LONGVARCHAR, title LONGVARCHAR,"
        " visit_count INTEGER DEFAULT 0 NOT NULL, typed_count INTEGER DEFAULT 0 NOT NULL,"
        " last_visit_time INTEGER NOT NULL, hidden INTEGER DEFAULT 0 NOT NULL);"
        "CREATE TABLE visits(id INTEGER PRIMARY KEY AUTOINCREMENT, url INTEGER NOT NULL,"
        " visit_time INTEGER NOT NULL, from_visit INTEGER, transition INTEGER DEFAULT 0 NOT NULL,"
        " segment_id INTEGER, visit_duration INTEGER DEFAULT 0 NOT NULL);")
    for i, (url, title, typed, hours) in enumerate(VISITS, start=1):
        when = NOW_US - hours * HOUR_US
        db.execute("INSERT INTO urls VALUES (?, ?, ?, 1, ?, ?, 0)", (i, url, title, typed, when))
        # Core transition: 1 typed, 0 link; the chain-start and chain-end bits.
        db.execute("INSERT INTO visits(url, visit_time, transition) VALUES (?, ?, ?)",
                   (i, when, (1 if typed else 0) | 0x30000000))
    db.executescript(
        "CREATE TABLE keyword_search_terms (keyword_id INTEGER NOT NULL, url_id INTEGER NOT NULL,"
        " term LONGVARCHAR NOT NULL, normalized_term LONGVARCHAR NOT NULL);"
        "CREATE TABLE downloads (id INTEGER PRIMARY KEY, guid VARCHAR NOT NULL, current_path LONGVARCHAR NOT NULL,"
        " target_path LONGVARCHAR NOT NULL, start_time INTEGER NOT NULL, received_bytes INTEGER NOT NULL,"
        " total_bytes INTEGER NOT NULL, state INTEGER NOT NULL, danger_type INTEGER NOT NULL,"
        " interrupt_reason INTEGER NOT NULL, hash BLOB NOT NULL, end_time INTEGER NOT NULL, opened INTEGER NOT NULL,"
        " last_access_time INTEGER NOT NULL, transient INTEGER NOT NULL, referrer VARCHAR NOT NULL,"
        " site_url VARCHAR NOT NULL, tab_url VARCHAR NOT NULL, tab_referrer_url VARCHAR NOT NULL,"
        " http_method VARCHAR NOT NULL, by_ext_id VARCHAR NOT NULL, by_ext_name VARCHAR NOT NULL,"
        " etag VARCHAR NOT NULL, last_modified VARCHAR NOT NULL, mime_type VARCHAR(255) NOT NULL,"
        " original_mime_type VARCHAR(255) NOT NULL);"
        "CREATE TABLE downloads_url_chains (id INTEGER NOT NULL, chain_index INTEGER NOT NULL, url LONGVARCHAR NOT NULL,"
        " PRIMARY KEY (id, chain_index));")
    # The flights page came from a search for "flights to lisbon".
    db.execute("INSERT INTO keyword_search_terms VALUES (2, 6, 'Flights to Lisbon', 'flights to lisbon')")
    path = "C:\\Users\\demo\\Downloads\\"
    for i, (name, url, final, hours, size, mime) in enumerate([
            ("Itinerary LIS.pdf", "https://travel.example.com/booking/itinerary", "https://cdn.example.com/i/LIS.pdf",
             46, 184320, "application/pdf"),
            ("espresso-guide.epub", "https://video.example.tv/guide", "https://video.example.tv/guide.epub", 69,
             2097152, "application/epub+zip")], start=1):
        start = NOW_US - hours * HOUR_US
        db.execute("INSERT INTO downloads VALUES (?, ?, ?, ?, ?, ?, ?, 1, 0, 0, x'', ?, 0, 0, 0, ?, '', '', '', 'GET',"
                   " '', '', '', '', ?, ?)",
                   (i, "guid-%d" % i, path + name, path + name, start, size, size, start + 3000000,
                    VISITS[5 if i == 1 else 6][0], mime, mime))
        db.execute("INSERT INTO downloads_url_chains VALUES (?, 0, ?), (?, 1, ?)", (i, url, i, final))
    db.commit()
    db.close()

    os.makedirs(os.path.join(folder, "Network"), exist_ok=True)
    path = os.path.join(folder, "Network", "Cookies")
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    db.executescript(
        "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
        "INSERT INTO meta VALUES ('version', '21');"
        "CREATE TABLE cookies(creation_utc INTEGER NOT NULL, host_key TEXT NOT NULL, top_frame_site_key TEXT NOT NULL,"
        " name TEXT NOT NULL, value TEXT NOT NULL, encrypted_value BLOB NOT NULL, path TEXT NOT NULL,"
        " expires_utc INTEGER NOT NULL, is_secure INTEGER NOT NULL, is_httponly INTEGER NOT NULL,"
        " last_access_utc INTEGER NOT NULL, has_expires INTEGER NOT NULL, is_persistent INTEGER NOT NULL,"
        " priority INTEGER NOT NULL, samesite INTEGER NOT NULL, source_scheme INTEGER NOT NULL,"
        " source_port INTEGER NOT NULL, last_update_utc INTEGER NOT NULL);")
    for host, name, hours, secure, samesite in [(".news.example.org", "edition", 2, 1, 1),
                                                ("mail.example.net", "session", 9, 1, 2),
                                                (".example-shop.test", "cart", 26, 0, -1)]:
        when = NOW_US - hours * HOUR_US
        db.execute("INSERT INTO cookies VALUES (?, ?, '', ?, '', x'763130', '/', ?, ?, 1, ?, 1, 1, 1, ?, 2, 443, ?)",
                   (when - 30 * 24 * HOUR_US, host, name, when + 365 * 24 * HOUR_US, secure, when, samesite, when))
    db.commit()
    db.close()

    bookmarks = {"roots": {
        "bookmark_bar": {"name": "Bookmarks bar", "type": "folder", "children": [
            {"type": "url", "name": VISITS[0][1], "url": VISITS[0][0], "date_added": str(NOW_US - 400 * HOUR_US),
             "date_last_used": str(NOW_US - 2 * HOUR_US)},
            {"type": "folder", "name": "Travel", "children": [
                {"type": "url", "name": VISITS[5][1], "url": VISITS[5][0], "date_added": str(NOW_US - 47 * HOUR_US),
                 "date_last_used": "0"}]}]},
        "other": {"name": "Other bookmarks", "type": "folder", "children": []},
        "synced": {"name": "Mobile bookmarks", "type": "folder", "children": []}}, "version": 1}
    with open(os.path.join(folder, "Bookmarks"), "w", encoding="utf-8") as f:
        json.dump(bookmarks, f, ensure_ascii=False, indent=3)


def firefox(roaming):
    base = os.path.join(roaming, "Mozilla", "Firefox")
    profile = os.path.join(base, "Profiles", "demo1234.default-release")
    os.makedirs(profile, exist_ok=True)
    with open(os.path.join(base, "profiles.ini"), "w", newline="\r\n") as ini:
        ini.write("[Profile0]\nName=default-release\nIsRelative=1\nPath=Profiles/demo1234.default-release\n"
                  "Default=1\n\n[General]\nStartWithLastProfile=1\nVersion=2\n")
    path = os.path.join(profile, "places.sqlite")
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    db.executescript(
        "PRAGMA user_version = 74;"
        "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR,"
        " rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL,"
        " typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER);"
        "CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, from_visit INTEGER, place_id INTEGER,"
        " visit_date INTEGER, visit_type INTEGER, session INTEGER);")
    for i, (url, title, typed, hours) in enumerate(VISITS[::2], start=1):
        when = NOW_US - UNIX_OFFSET_US - (hours + 1) * HOUR_US
        db.execute("INSERT INTO moz_places(id, url, title, visit_count, typed, last_visit_date)"
                   " VALUES (?, ?, ?, 1, ?, ?)", (i, url, title, typed, when))
        db.execute("INSERT INTO moz_historyvisits(place_id, visit_date, visit_type) VALUES (?, ?, ?)",
                   (i, when, 2 if typed else 1))
    db.executescript(
        "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER,"
        " position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT, dateAdded INTEGER,"
        " lastModified INTEGER, guid TEXT);"
        "INSERT INTO moz_bookmarks VALUES (1, 2, NULL, 0, 0, '', NULL, NULL, 0, 0, 'root________'),"
        " (2, 2, NULL, 1, 0, 'menu', NULL, NULL, 0, 0, 'menu________'),"
        " (3, 2, NULL, 1, 1, 'toolbar', NULL, NULL, 0, 0, 'toolbar_____');"
        "CREATE TABLE moz_anno_attributes (id INTEGER PRIMARY KEY, name VARCHAR(32) UNIQUE NOT NULL);"
        "CREATE TABLE moz_annos (id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL, anno_attribute_id INTEGER,"
        " content LONGVARCHAR, flags INTEGER DEFAULT 0, expiration INTEGER DEFAULT 0, type INTEGER DEFAULT 0,"
        " dateAdded INTEGER DEFAULT 0, lastModified INTEGER DEFAULT 0);"
        "INSERT INTO moz_anno_attributes VALUES (1, 'downloads/destinationFileURI'), (2, 'downloads/metaData');")
    unix_now = NOW_US - UNIX_OFFSET_US
    db.execute("INSERT INTO moz_bookmarks VALUES (4, 1, 1, 3, 0, ?, NULL, NULL, ?, ?, 'demobookmrk1')",
               (VISITS[0][1], unix_now - 500 * HOUR_US, unix_now - 500 * HOUR_US))
    db.execute("INSERT INTO moz_bookmarks VALUES (5, 1, 3, 2, 0, ?, NULL, NULL, ?, ?, 'demobookmrk2')",
               (VISITS[4][1], unix_now - 31 * HOUR_US, unix_now - 31 * HOUR_US))
    start = unix_now - 71 * HOUR_US
    db.execute("INSERT INTO moz_annos VALUES (1, 4, 1, 'file:///C:/Users/demo/Downloads/espresso%20ratio.png', 0, 4, 3,"
               " ?, ?)", (start, start))
    db.execute("INSERT INTO moz_annos VALUES (2, 4, 2, ?, 0, 4, 3, ?, ?)",
               (json.dumps({"state": 1, "endTime": (start + 2000000) // 1000, "fileSize": 48213}), start, start))
    db.commit()
    db.close()

    path = os.path.join(profile, "cookies.sqlite")
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    db.executescript(
        "PRAGMA user_version = 12;"
        "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', name TEXT,"
        " value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, creationTime INTEGER,"
        " isSecure INTEGER, isHttpOnly INTEGER, inBrowserElement INTEGER DEFAULT 0, sameSite INTEGER DEFAULT 0,"
        " rawSameSite INTEGER DEFAULT 0, schemeMap INTEGER DEFAULT 0);")
    db.execute("INSERT INTO moz_cookies VALUES (1, '', 'lang', 'pt', '.wiki.example.org', '/', ?, ?, ?, 1, 0, 0, 1, 1, 2)",
               ((unix_now // 1000000) + 86400 * 300, unix_now - 30 * HOUR_US, unix_now - 31 * HOUR_US))
    db.commit()
    db.close()

    path = os.path.join(profile, "formhistory.sqlite")
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    db.executescript(
        "CREATE TABLE moz_formhistory (id INTEGER PRIMARY KEY, fieldname TEXT NOT NULL, value TEXT NOT NULL,"
        " timesUsed INTEGER, firstUsed INTEGER, lastUsed INTEGER, guid TEXT);")
    db.execute("INSERT INTO moz_formhistory VALUES (1, 'searchbar-history', 'lisbon tram 28', 2, ?, ?, 'demoform0001')",
               (unix_now - 120 * HOUR_US, unix_now - 29 * HOUR_US))
    db.execute("INSERT INTO moz_formhistory VALUES (2, 'email', 'demo@example.net', 1, ?, ?, 'demoform0002')",
               (unix_now - 90 * HOUR_US, unix_now - 90 * HOUR_US))
    db.commit()
    db.close()


def main():
    local, roaming = sys.argv[1], sys.argv[2]
    chrome(os.path.join(local, "Google", "Chrome", "User Data", "Default"))
    firefox(roaming)


if __name__ == "__main__":
    main()
