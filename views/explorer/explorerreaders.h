// The readers of Explorer's usage traces of Windows 7 to 11: each reads its
// keys through a registry source into a table of lines, in most-recent-first
// order, and can add its dated traces to the activity timeline. A key or
// value that cannot be read is named in the table's problems; the rest is
// still read. Platform-free.
#ifndef GLIMMERLOG_VIEWS_EXPLORER_EXPLORERREADERS_H
#define GLIMMERLOG_VIEWS_EXPLORER_EXPLORERREADERS_H

#include <functional>
#include <string>
#include <vector>

#include "sources/folders/foldersource.h"
#include "sources/registry/registrysource.h"
#include "views/table.h"
#include "views/timeline.h"

namespace glimmerlog {

// RecentDocs and each extension's subkey: Name, Extension, Order, Key Time,
// Shortcut. A line's target is the shortcut's name in the Recent folder.
void ReadRecentFiles(RegistrySource& registry, Table& table, Timeline* timeline = nullptr);

// OpenSavePidlMRU (each extension and "*") and LastVisitedPidlMRU: Path,
// List, Order, Program, Modified, Key Time. The target is the decoded path,
// which ResolveShellPath turns into one the shell can open.
void ReadOpenSaveHistory(RegistrySource& registry, Table& table, Timeline* timeline = nullptr);

// WordWheelQuery: Search Term, Order, Key Time. The target is the term.
void ReadExplorerSearches(RegistrySource& registry, Table& table, Timeline* timeline = nullptr);

// TypedPaths: Path, Order, Key Time. The target is the path.
void ReadExplorerAddresses(RegistrySource& registry, Table& table, Timeline* timeline = nullptr);

// TypedURLs joined with TypedURLsTime: URL, Order, Typed. The target is the
// address.
void ReadTypedAddressTimes(RegistrySource& registry, Table& table, Timeline* timeline = nullptr);

// Where the system shown keeps what UserAssist names relative to a folder.
struct UserAssistPlaces {
  // The drive of the system's Windows folder as that system names it
  // ("C:"); empty: the drive of the profile folder the hive names.
  std::u16string systemDrive;
  // Where that drive is read now, with a final backslash, when it is not the
  // drive itself (a Windows volume opened from a folder); empty otherwise.
  std::u16string volumeRoot;
};

// A decoded UserAssist name as the full path the system shown gives it: a
// known folder's GUID at its start becomes that folder's path, the
// system's folders (System32, Program Files, ...) on `systemDrive`, the
// user's from `shellFolder` (a Shell Folders value by name; empty when the
// profile has none). Names of no known place (an application ID, a GUID of
// no folder, a folder with no path) as NameWithKnownFolder leaves them.
std::u16string UserAssistPath(std::u16string_view decodedName, std::u16string_view systemDrive,
                              const std::function<std::u16string(std::u16string_view)>& shellFolder);

// UserAssist, every GUID subkey: Program, Last Run, Run Count, Focus Count,
// Focus Time (s), Kind, Key (the subkey's meaning and GUID). Programs under
// a known folder are shown by their full path (see UserAssistPath). The
// target is the program's path where it is one, on `places.volumeRoot`
// when that is given.
void ReadUserAssist(RegistrySource& registry, Table& table, Timeline* timeline = nullptr,
                    const UserAssistPlaces& places = {});

// The Run box's list (RunMRU) as a dated trace: its first entry at the
// key's time. It has no view of its own here; the specified view shows it.
void AddRunBoxEvent(RegistrySource& registry, Timeline& timeline);

// A decoded item list's path as a file system path: from its drive or
// network share on; or, for a path under one of the user's folders that the
// shell names ("My Computer\Desktop\a.txt", "Libraries\Documents\b.doc"),
// that folder's place in the profile followed by the rest. Empty when the
// path names no file system place.
std::u16string ResolveShellPath(ProfilePaths& profile, const std::u16string& decoded);

// Every reader above into the timeline.
void AddExplorerEvents(RegistrySource& registry, Timeline& timeline);

}  // namespace glimmerlog

#endif
