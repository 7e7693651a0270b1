#!/usr/bin/env python3
"""Writes made-up browser histories into a profile folder, for the demo
prefix: a Chrome profile (History, the tables every version since Chrome 9
has) and a Firefox profile (profiles.ini and places.sqlite).

    browsers.py LOCAL_APPDATA ROAMING_APPDATA
"""
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
    db.commit()
    db.close()


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
    db.commit()
    db.close()


def main():
    local, roaming = sys.argv[1], sys.argv[2]
    chrome(os.path.join(local, "Google", "Chrome", "User Data", "Default"))
    firefox(roaming)


if __name__ == "__main__":
    main()
