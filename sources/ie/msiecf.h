// Reader of the browser's cache files (the MSIE cache file "index.dat",
// version 5.2): lists the "Visited:" URL records of a history file, or every
// record of any such file, from a whole file held in memory. Platform-free; the caller reads the file and converts the ANSI URL
// bytes to text.
#ifndef GLIMMERLOG_SOURCES_IE_MSIECF_H
#define GLIMMERLOG_SOURCES_IE_MSIECF_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace glimmerlog {

struct HistoryEntry {
  std::string url;       // location bytes after "Visited: <user>@" as stored (ANSI code page bytes, not converted)
  std::u16string title;  // UTF-16 title from the data section; empty when none
  uint64_t lastVisited = 0, lastUpdated = 0, expires = 0;  // FILETIME ticks, UTC; 0 = not set
  uint32_t flags = 0;
};

// Reads the "Visited:" URL records of a whole history file held in memory.
// Returns false (and leaves `out` empty) when the bytes are not a 5.2 cache file.
//
// Records come in the order of the file's hash tables (the store's own
// order). Only live records are listed: those reached from the hash tables.
// When the table chain or one of its slots is damaged, records that the
// allocation bitmap marks as in use and that no intact slot reached are added
// after them, in file order. A damaged record is skipped; a damaged title
// leaves the title empty. Never reads outside [data, data + size).
bool ReadHistoryFile(const uint8_t* data, size_t size, std::vector<HistoryEntry>& out);

// One record of a cache file as its structure gives it: a cached address
// (URL), a redirect (REDR) or a cached file whose record was dropped while
// the file stayed (LEAK).
struct CacheRecord {
  enum class Type : uint8_t { kUrl, kRedirect, kLeak };
  Type type = Type::kUrl;
  // Whether the record's first block is in use; a free record is a copy
  // left behind in blocks that nothing has taken since.
  bool allocated = true;
  // A free record whose later blocks were taken again: `size` covers only
  // the blocks still free, and only fields inside them were read.
  bool partial = false;
  uint32_t offset = 0, size = 0;  // in the file, in bytes
  std::string location;           // as stored (ANSI code page bytes); none for LEAK
  // FILETIME ticks, UTC; 0 = not set. Only URL records have times.
  uint64_t primaryTime = 0, secondaryTime = 0, expires = 0, lastChecked = 0;
  bool neverExpires = false;  // the expiry field says "never"
  uint32_t hits = 0;
  std::string fileName;     // the cached file's name (ANSI bytes); empty when none
  std::string cacheFolder;  // the cache folder the header names for the record; empty when none
  std::string contentType;  // the Content-Type of the stored HTTP headers; empty when none
};

// Lists every URL, REDR and LEAK record of a whole cache file held in memory
// (history, page cache or cookie container alike), in file order: the
// records whose first block is allocated, and free records whose location
// and file name end inside their blocks that are still free. Returns false (and leaves
// `out` empty) when the bytes are not a 5.2 cache file. Never reads outside
// [data, data + size); the work is linear in the size.
bool ReadCacheRecords(const uint8_t* data, size_t size, std::vector<CacheRecord>& out);

// Converts a FAT date-time (date in the low 16 bits, time in the high 16 bits)
// to FILETIME ticks, taking it as UTC. 0 ("not set"), 0xFFFFFFFF ("never") and
// impossible dates or times give 0.
uint64_t FatDateTimeToFileTime(uint32_t fat);

}  // namespace glimmerlog

#endif
