// The readers of what the browsers keep besides their visits, over every
// Chromium-family and Firefox profile the Browser History view finds:
// downloads, search terms, cookies (never their values) and bookmarks.
// Newest first; a database that could not be read, or only in part, is a
// problem naming the browser, the profile, the file and why, and the others
// are still read. A file a browser has not written (no cookies yet, no
// Bookmarks) is no problem. Platform-free.
#ifndef GLIMMERLOG_VIEWS_BROWSER_BROWSERRECORDSREADER_H
#define GLIMMERLOG_VIEWS_BROWSER_BROWSERRECORDSREADER_H

#include "views/viewdef.h"

namespace glimmerlog {

// Started, Ended, Target Path, URL, Final URL, Referrer, Received, Total,
// State, Danger, Opened, MIME Type, Browser, Profile, Database. A line's
// target is the downloaded file. Timeline: "Download started", "Download
// finished".
void ReadBrowserDownloads(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
// Last Used, Term, Search Page, Title, Times Used, First Used, Browser,
// Profile, Database. A line's target is the results page (a web address).
// Timeline: "Searched in the browser".
void ReadBrowserSearches(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
// Host, Name, Path, Created, Last Accessed, Expires, Secure, HTTP Only,
// Same Site, Browser, Profile, Database. A line's target is the cookie's
// site. Timeline: "Cookie created", "Cookie last used".
void ReadBrowserCookies(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
// Added, Title, URL, Folder, Last Used, Browser, Profile, Database. A
// line's target is its address when that is a web address. Timeline:
// "Bookmark added".
void ReadBrowserBookmarks(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

}  // namespace glimmerlog

#endif
