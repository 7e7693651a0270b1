// The lines of the program's first eight views (history, address bar,
// cookies, recent documents, search, Run, Open/Save, index.dat) read into a
// table from any set of sources (the signed-in user's, or another
// profile's): the same lines, columns and captions as the window's views,
// for the report command. Also the activity timeline over every reader.
// Platform-free.
#ifndef GLIMMERLOG_VIEWS_VIEWREADERS_H
#define GLIMMERLOG_VIEWS_VIEWREADERS_H

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "sources/folders/foldersource.h"
#include "sources/registry/registrysource.h"
#include "sources/ie/indexscan.h"
#include "views/table.h"
#include "views/timeline.h"

namespace glimmerlog {

// Bytes of the ANSI code page (index.dat addresses) as text.
using AnsiDecoder = std::u16string (*)(std::string_view bytes);

// Windows-1252, the ANSI code page of Western European Windows; its five
// unassigned bytes stay the code points of the same number, as Windows maps
// them. For systems that have no ANSI code page of their own.
std::u16string Windows1252Text(std::string_view bytes);

// What the views read: the profile's registry, folders and folder paths,
// the Windows version the views assume (OsName's names), where browsers
// keep their profiles, and how ANSI bytes become text.
struct ViewSources {
  RegistrySource& registry;
  FolderSource& folders;
  ProfilePaths& paths;
  std::string osName;
  std::u16string localAppData, roamingAppData;
  AnsiDecoder ansi = &Windows1252Text;
};

// URLs History: Title, URL, Last Visited, Last Updated, Expires, from
// History.IE5\index.dat under the History folder and then under its Low
// folder where that has one, in the file's own order; only addresses that
// begin with "http" (any case), as the history view asks its store. With a
// timeline, each visit is a "Page visited" event.
void ReadUrlHistory(ViewSources& sources, Table& table, Timeline* timeline = nullptr);
// Address Bar: every named value of TypedURLs as it reads (a value that is
// not text reads "error440"), in stored order.
void ReadAddressBar(RegistrySource& registry, Table& table);
// Cookies: the cookie folder's files (its Low folder on Vista and later).
void ReadCookieFiles(ViewSources& sources, Table& table);
// Recent Documents: the Recent folder's files.
void ReadRecentDocuments(ViewSources& sources, Table& table);
// Search History: the search keys of the version (two on 95 and 98, six
// later), every readable value.
void ReadSearchHistory(RegistrySource& registry, const std::string& osName, Table& table);
// Run History: RunMRU's commands without the "\1" the shell appends.
void ReadRunHistory(RegistrySource& registry, Table& table);
// Open/Save: OpenSaveMRU\*'s full paths.
void ReadOpenSaveLines(RegistrySource& registry, Table& table);

// Index.dat: every URL record's text, in file order. `progress` (may be
// empty) hears the bytes examined now and then; a false answer stops the
// scan with the lines found so far.
void ReadIndexDatLines(ByteSource& file, uint64_t size, AnsiDecoder ansi, Table& table,
                       const std::function<bool(uint64_t done, uint64_t size)>& progress = {});

// The activity timeline: Internet history visits, the visits of today's
// browsers, Explorer's dated traces, the files of Recent and of the cookie
// folder by their last-write times; newest first, events of one time in
// that order, as the window adds them.
void ReadActivityTimeline(ViewSources& sources, Table& table);
// Every source of the timeline but the Internet history, which the window
// reads through its history store.
void AddTimelineEvents(RegistrySource& registry, FolderSource& folders, ProfilePaths& paths,
                       std::u16string_view localAppData, std::u16string_view roamingAppData, Timeline& timeline);

// A folder of the profile by its Shell Folders name with a final
// backslash; empty when it cannot be read.
std::u16string ProfileFolder(ProfilePaths& paths, std::u16string_view name);

}  // namespace glimmerlog

#endif
