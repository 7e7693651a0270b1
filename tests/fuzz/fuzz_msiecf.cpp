// libFuzzer target for the history file reader and the cache record reader. Each input is read twice:
// as a whole file, and as a list of edits to a well-formed generated file, so
// that mutations reach the hash tables and records behind the 16 KB header
// without the fuzzer having to find the signature first.
//
// Edit list: 2 bytes (bit 15 set: cut the file to 0x4000 + the low 15 bits
// times 8 bytes), then edits of 3 bytes offset, 1 byte length, the bytes.
#include <cstdlib>
#include <string>
#include <vector>

#include "sources/ie/msiecf.h"
#include "tests/support/msiecf_writer.h"

namespace {

using glimmerlog::WrittenEntry;

// Three chained tables (one bucket overflows twice), titles before and
// after other items, freed copies, a long URL and a record of a daily file.
std::vector<uint8_t> MakeSeedFile() {
  std::vector<WrittenEntry> entries;
  for (int i = 0, inBucket = 0; inBucket < 16; ++i) {
    WrittenEntry e;
    e.url = "http://bucket.test/?n=" + std::to_string(i);
    e.title = u"t";
    if ((glimmerlog::LocationHash(glimmerlog::EntryLocation(e, {})) & 63) != 0) continue;
    entries.push_back(e);
    ++inBucket;
  }
  for (int i = 0; i < 24; ++i) {
    WrittenEntry e;
    e.url = "http://www.example.com/" + std::string(i == 5 ? 600 : 0, 'x') + std::to_string(i);
    e.title = i % 4 ? u"Title \U0001F600" : u"";
    e.hasTitle = i % 6 != 0;
    e.lastVisited = e.lastUpdated = 130849743185120000ull + i * 10000000ull;
    e.expiresFat = i == 3 ? 0xFFFFFFFF : 0x57454734;
    if (i % 3 == 0) e.itemsBeforeTitle = {glimmerlog::Int32Property(0x14, 1), glimmerlog::AnsiProperty(0x15, "f")};
    if (i % 5 == 0) e.itemsAfterTitle = {glimmerlog::AnsiProperty(0x15, "http://www.example.com/favicon.ico")};
    e.freed = i % 7 == 0;
    if (i == 9) e.location = ":2013031020130311: -@http://day.test/";
    entries.push_back(e);
  }
  return glimmerlog::WriteHistoryFile(entries);
}

void Check(const std::vector<uint8_t>& file) {
  std::vector<glimmerlog::HistoryEntry> out;
  const bool ok = glimmerlog::ReadHistoryFile(file.data(), file.size(), out);
  // Every listed record starts on its own block.
  if ((!ok && !out.empty()) || (ok && out.size() > (file.size() - 0x4000) / 128)) std::abort();
  // Every record lies inside the file on a block of its own.
  std::vector<glimmerlog::CacheRecord> records;
  const bool read = glimmerlog::ReadCacheRecords(file.data(), file.size(), records);
  if (read != ok) std::abort();
  uint64_t last = 0;
  for (const glimmerlog::CacheRecord& r : records) {
    if (r.offset < 0x4000 || r.offset % 128 != 0 || r.offset < last || uint64_t{r.offset} + r.size > file.size()) {
      std::abort();
    }
    last = uint64_t{r.offset} + 128;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Check(std::vector<uint8_t>(data, data + size));

  static const std::vector<uint8_t> seed = MakeSeedFile();
  if (size < 2) return 0;
  size_t length = seed.size();
  const unsigned cut = data[0] | data[1] << 8;
  if (cut & 0x8000) length = 0x4000 + (cut & 0x7FFF) * 8 % (seed.size() - 0x4000);
  std::vector<uint8_t> file(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(length));
  for (size_t pos = 2; pos + 4 <= size;) {
    const size_t at = (data[pos] | data[pos + 1] << 8 | data[pos + 2] << 16) % length;
    const size_t n = data[pos + 3];
    pos += 4;
    for (size_t i = 0; i < n && pos < size; ++i, ++pos) file[(at + i) % length] = data[pos];
  }
  Check(file);
  return 0;
}
