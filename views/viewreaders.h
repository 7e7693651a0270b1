// The readers of the program's first eight views (history, address bar,
// cookies, recent documents, search, Run, Open/Save, index.dat): the same
// lines, columns and captions in the window and in the report, from any set
// of sources (the signed-in user's, or another profile's). Platform-free.
#ifndef GLIMMERLOG_VIEWS_VIEWREADERS_H
#define GLIMMERLOG_VIEWS_VIEWREADERS_H

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "sources/ie/indexscan.h"
#include "views/shell/regrules.h"
#include "views/viewdef.h"

namespace glimmerlog {

// URLs History: Title, URL, Last Visited, Last Updated, Expires. Through the
// history store when the sources have one; otherwise from
// History.IE5\index.dat under the History folder and then under its Low
// folder where that has one, in the file's own order. Only addresses that
// begin with "http" (any case), as the history view asks its store. With a
// timeline, each visit is a "Page visited" event.
void ReadUrlHistory(ViewSources& sources, Table& table, Timeline* timeline = nullptr);
// Address Bar: every named value of TypedURLs as it reads (a value that is
// not text reads "error440"), in stored order.
void ReadAddressBar(RegistrySource& registry, Table& table);
// Cookies: the cookie folder's files (its Low folder on Vista and later).
// The progress hears of every entry of the folder.
void ReadCookieFiles(ViewSources& sources, Table& table, Progress* progress = nullptr);
// Recent Documents: the Recent folder's files.
void ReadRecentDocuments(ViewSources& sources, Table& table, Progress* progress = nullptr);
// Search History: the search keys of the version (two on 95 and 98, six
// later), every readable value.
void ReadSearchHistory(RegistrySource& registry, const std::string& osName, Table& table);
// Run History: RunMRU's commands without the "\1" the shell appends.
void ReadRunHistory(RegistrySource& registry, Table& table);
// Open/Save: OpenSaveMRU\*'s full paths.
void ReadOpenSaveLines(RegistrySource& registry, Table& table);

// The list loader of the Run, Search and Open/Save views: appends one line
// per accepted value of the key under the rule (see reglist.h), in the
// registry's enumeration order. A key that is missing adds nothing; one that
// is there but damaged or denied is named in the table's problems.
void ShowRegList(RegistrySource& registry, std::u16string_view key, ListRule rule, Table& table);

// Index.dat: every URL record's text, in file order. `progress` (may be
// empty) hears the bytes examined after every slice of the scan, the last
// one included; a false answer stops the scan with the lines found so far.
// Slices are sized so that the calls come every few tens of milliseconds.
void ReadIndexDatLines(ByteSource& file, uint64_t size, AnsiDecoder ansi, Table& table,
                       const std::function<bool(uint64_t done, uint64_t size)>& progress = {});

// The text without the spaces before and after it.
std::u16string TrimSpaces(std::u16string_view s);

// The activity timeline: the dated traces of every view of the table that
// has them, newest first, events of one time in the order of the views.
void ReadActivityTimeline(ViewSources& sources, Table& table, std::vector<TimeKind>* kinds = nullptr);

}  // namespace glimmerlog

#endif
