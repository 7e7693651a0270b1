// The Browser History view's reader: every visit recorded by the browsers
// whose profiles lie under the user's application data folders (the
// Chromium family and Firefox), newest first. Platform-free; the window and
// the report show the same table.
#ifndef GLIMMERLOG_VIEWS_BROWSER_BROWSERHISTORYREADER_H
#define GLIMMERLOG_VIEWS_BROWSER_BROWSERHISTORYREADER_H

#include <string>
#include <string_view>

#include "sources/folders/foldersource.h"
#include "views/table.h"
#include "views/timeline.h"

namespace glimmerlog {

struct BrowserProfile;

// How the browser views name a profile: "Person 1 (Default)" where the
// browser names it, else its folder.
std::u16string BrowserProfileText(const BrowserProfile& profile);

// Columns: Visited, Title, URL, Visit Count, Transition, Browser, Profile,
// Database. Visits without a time come last; visits of one time keep the
// order they were read in (browser, profile, database order). A line's
// target is its URL. A database that could not be read, or only in part,
// is a problem naming the browser, the profile and why; the others are
// still read. With a timeline, each dated visit is a "Page visited" event.
// `paths`: another user's profile, whose own paths must not lead out of it
// (see FindBrowserProfiles); null for the signed-in user.
void ReadBrowserHistoryTable(FolderSource& folders, std::u16string_view localAppData,
                             std::u16string_view roamingAppData, Table& table, Timeline* timeline,
                             ProfilePaths* paths = nullptr);

}  // namespace glimmerlog

#endif
