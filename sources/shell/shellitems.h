// Decoder of the binary shell item lists (IDLists) that the shell keeps in
// the registry for its Open/Save and recent-document histories
// (ComDlg32\OpenSavePidlMRU, ComDlg32\LastVisitedPidlMRU, RecentDocs): turns
// a list into a readable path with the times of its last file entry.
// Platform-free; never reads outside the bytes it is given.
#ifndef GLIMMERLOG_SOURCES_SHELL_SHELLITEMS_H
#define GLIMMERLOG_SOURCES_SHELL_SHELLITEMS_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace glimmerlog {

// What kind of item a list ends in, for the views that name it.
enum class ShellItemKind : uint8_t {
  kUnknown,
  kRootFolder,   // a root folder of the shell by GUID (My Computer, Control Panel...)
  kShellFolder,  // a shell folder under a root by GUID, or a delegate folder
  kDrive,        // a volume by its drive name
  kFolder,       // a file system folder
  kFile,         // a file system file
  kNetwork,      // a domain, server or share
  kZipFolder,    // a folder inside a compressed (zip) folder
  kUri,          // a web or FTP address
  kControlPanel, // a control panel item, applet or category
  kKnownFolder,  // a user's folder or library by its property store or known folder
  kDevice,       // a portable (MTP) device or a folder on it
};
// The kind as the views show it ("Folder", "Zip folder"...).
const char16_t* ShellItemKindName(ShellItemKind kind);

struct ItemListText {
  // Readable path: root folders by name, then volume / folders / file,
  // joined with '\' ("My Computer\C:\Users\me\a.txt"). An item of a kind the
  // decoder does not know is a segment "[item 0xNN]" (its type byte).
  std::u16string path;
  // FILETIME ticks (UTC) of the last file entry: its modification time, and
  // its creation and last access times from its extension block. 0 when
  // there is no file entry or the entry does not hold the time.
  uint64_t modified = 0;
  uint64_t created = 0, accessed = 0;
  // The list ends in a folder (a file entry with the directory flag, a
  // volume, a root or known folder, a network location) rather than a file,
  // a web address or an item of unknown kind.
  bool folder = false;
  // False when the list was damaged (an item running past the end, an item
  // size below 2, no terminating zero size) and decoding stopped there; what
  // was decoded before is kept.
  bool complete = true;
  // The kind of the list's last item.
  ShellItemKind kind = ShellItemKind::kUnknown;
};

// Decodes an IDList: items each starting with their u16 size (the size
// field included), ended by a size of 0.
ItemListText DecodeItemList(const uint8_t* data, size_t size);

// A LastVisitedPidlMRU value: the program's file name (UTF-16, ended by a
// NUL), then the IDList of the folder it last used.
struct LastVisitedEntry {
  std::u16string program;
  ItemListText folder;
};
// False when the value holds no NUL-terminated program name; otherwise the
// folder's list is decoded (its `complete` says whether it was whole).
bool ParseLastVisitedValue(const uint8_t* data, size_t size, LastVisitedEntry& out);

// A RecentDocs value: the document's name (UTF-16, ended by a NUL), then the
// IDList of the shortcut the shell made for it in the Recent folder.
struct RecentDocsEntry {
  std::u16string name;
  std::u16string shortcut;  // the shortcut's file name from its file entry (long name when stored); empty when absent
};
// False when the value holds no NUL-terminated name.
bool ParseRecentDocsValue(const uint8_t* data, size_t size, RecentDocsEntry& out);

}  // namespace glimmerlog

#endif
