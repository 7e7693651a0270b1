// Reader of the browser's history file (the MSIE cache file "index.dat",
// version 5.2): lists the "Visited:" URL records of a whole file held in
// memory. Platform-free; the caller reads the file and converts the ANSI URL
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

// Converts a FAT date-time (date in the low 16 bits, time in the high 16 bits)
// to FILETIME ticks, taking it as UTC. 0 ("not set"), 0xFFFFFFFF ("never") and
// impossible dates or times give 0.
uint64_t FatDateTimeToFileTime(uint32_t fat);

}  // namespace glimmerlog

#endif
