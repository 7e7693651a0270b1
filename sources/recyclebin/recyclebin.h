// The Recycle Bin's index files: what was deleted, from where, when and how
// large. Windows Vista to 8.1 write one `$I` file per deleted item (version
// 1), Windows 10 and 11 one of version 2 (the path's length stored before
// it); the item itself is the `$R` file of the same suffix. Windows XP and
// 2000 keep every item of a user in one INFO2 file (version 5, records of
// 800 bytes with the path in ANSI and UTF-16; version 4 of Windows 98 has
// records of 280 bytes, ANSI only), Windows 95 and NT 4 in one INFO file;
// their items are the files D<drive letter><record number><extension>.
// Platform-free; every read is bounded by the bytes given.
#ifndef GLIMMERLOG_SOURCES_RECYCLEBIN_RECYCLEBIN_H
#define GLIMMERLOG_SOURCES_RECYCLEBIN_RECYCLEBIN_H

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace glimmerlog {

struct RecycledItem {
  // The path deleted from: INFO2 of version 5 keeps it in UTF-16 too, and
  // that is the one given; `ansiPath` is the ANSI one of INFO and INFO2
  // (short names where the path had characters outside the code page).
  std::u16string originalPath, ansiPath;
  uint64_t size = 0;
  bool sizeKnown = true;
  uint64_t deleted = 0;  // FILETIME, UTC; 0 when none
  // INFO and INFO2: the record's number and drive (0 = A:), and whether the
  // record was taken out of the bin (restored or emptied), which Windows
  // marks by clearing the first byte of its ANSI path.
  uint32_t record = 0, drive = 0;
  bool removed = false;
};

// One `$I` file. False, with why, when the bytes are not one (too short, an
// unknown version). A file cut short still gives what it holds (the path
// as far as it goes), with `note` saying so.
struct RecycleIndexFile {
  uint32_t version = 0;  // 1 or 2
  RecycledItem item;
  std::string note;
};
bool ParseRecycleIndex(const uint8_t* data, size_t size, RecycleIndexFile& out);

// The file name of a `$I` file's item: "$R" and the same suffix.
std::u16string RecycledContentName(std::u16string_view indexName);

// How ANSI bytes of a path become text (the volume's code page).
using AnsiText = std::function<std::u16string(std::string_view)>;

// An INFO or INFO2 file: its version and record size, its records in file
// order. False, with why, when the header cannot be read or names a record
// size other than 280 or 800 (zero included); a last record cut short is
// left out and named in `note`.
struct RecycleInfoFile {
  uint32_t version = 0, recordSize = 0;
  std::vector<RecycledItem> items;
  std::string note;
};
bool ParseRecycleInfo(const uint8_t* data, size_t size, const AnsiText& ansi, RecycleInfoFile& out);

// The name of an INFO or INFO2 record's item ("Dc3.txt"); empty when the
// drive number is no letter.
std::u16string RecycledInfoContentName(const RecycledItem& item);

}  // namespace glimmerlog

#endif
