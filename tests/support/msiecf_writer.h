// Writes browser history files (MSIE cache file "index.dat", version 5.2) for
// tests: the header with its allocation bitmap, a chain of hash tables with
// every record in the bucket of its location hash, and URL records with a
// property-list data section holding the title. Portable C++17, so that the
// same files can be made on Linux and on Windows.
#ifndef GLIMMERLOG_TESTS_SUPPORT_MSIECF_WRITER_H
#define GLIMMERLOG_TESTS_SUPPORT_MSIECF_WRITER_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace glimmerlog {

// One item of a record's data section: a 4-byte head (size, id, type), then
// `value` written as given.
struct PropertyItem {
  uint8_t id = 0;
  uint8_t type = 0;
  std::vector<uint8_t> value;
};

// Items laid out as the browser writes them: the value, then 4 zero bytes.
PropertyItem Int32Property(uint8_t id, uint32_t value);          // VT_I4
PropertyItem AnsiProperty(uint8_t id, const std::string& text);  // VT_LPSTR, e.g. 0x15 favicon URL
PropertyItem TitleProperty(const std::u16string& title);         // id 0x10, VT_LPWSTR

struct WrittenEntry {
  std::string url;       // written as "Visited: <user>@<url>" (or the MSHist form)
  std::string location;  // when not empty, the whole location string instead
  std::u16string title;
  bool hasTitle = true;      // false: no title item at all
  uint64_t lastVisited = 0;  // FILETIME at 0x10 (primary)
  uint64_t lastUpdated = 0;  // FILETIME at 0x08 (secondary)
  uint32_t expiresFat = 0;   // FAT date-time at 0x18; 0xFFFFFFFF = never
  uint32_t hits = 1;
  std::array<uint8_t, 12> firstItemValue{};  // value of the leading item 0x02
  std::vector<PropertyItem> itemsBeforeTitle, itemsAfterTitle;
  bool freed = false;  // a freed record: clear in the bitmap, its slot marked deleted (key 1)
};

struct WriterOptions {
  std::string user = "user";
  std::string period;        // "YYYYMMDDYYYYMMDD" makes an MSHist file (no data sections)
  bool deadbeefFill = true;  // unused bytes hold 0xDEADBEEF words (newer files) or zeros
};

// Where the writer put things, for tests that damage a file on purpose.
struct WrittenLayout {
  std::vector<uint32_t> tableOffsets;   // in chain order
  std::vector<uint32_t> recordOffsets;  // one per entry, in entry order
};

// Entries are stored in the given order; a new hash table is appended to the
// chain when an entry's bucket is full in every table so far. Throws
// std::length_error when the records do not fit in one file (126,336 blocks).
std::vector<uint8_t> WriteHistoryFile(const std::vector<WrittenEntry>& entries,
                                      const WriterOptions& options = WriterOptions(), WrittenLayout* layout = nullptr);

// The location string that the writer stores for an entry.
std::string EntryLocation(const WrittenEntry& entry, const WriterOptions& options);

// Hash of a location string; its low 6 bits pick the bucket, the rest is the key.
uint32_t LocationHash(const std::string& location);

// FILETIME ticks of a UTC calendar time.
uint64_t UtcToFileTime(int year, int month, int day, int hour, int minute, int second);

// FAT date-time (date in the low half) of a FILETIME, truncated to 2 seconds;
// 0 outside 1980-2107.
uint32_t FileTimeToFatDateTime(uint64_t fileTime);

constexpr uint64_t kFileTimeTicksPerSecond = 10000000;
constexpr uint64_t kFileTimeTicksPerDay = 86400 * kFileTimeTicksPerSecond;

}  // namespace glimmerlog

#endif
