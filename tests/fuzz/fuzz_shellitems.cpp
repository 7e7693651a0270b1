// libFuzzer target for the shell item list decoder: every input goes through
// the three entry points as it is, and as edits to a well-formed value (a
// program's name, then a list with a root, a volume, a delegate, a library
// item holding its own list, and a file entry with its extension block), so
// that mutations reach the nested parts without the fuzzer having to build
// them. Edits: 2 bytes offset, 1 byte length, the bytes; the first byte also
// cuts the edited value short.
#include <cstdlib>
#include <string>
#include <vector>

#include "sources/shell/shellitems.h"
#include "tests/support/shellitems_writer.h"

namespace {

using namespace glimmerlog;

std::vector<uint8_t> MakeSeed() {
  std::vector<uint8_t> value;
  PutUtf16z(value, u"prog.exe");
  AppendItem(value, MyComputerItem());
  AppendItem(value, VolumeItem('C'));
  FileEntryFields folder{0x31, "DIR", 0xA640406C, 0xA640406C, 0xA640406C, u"a folder"};
  AppendItem(value, DelegateFileItem(folder));
  const FileEntryFields file{0x32, "A.TXT", 0xA640406C, 0xA640406C, 0xA640406C, u"a.txt"};
  std::vector<uint8_t> ownList;
  AppendItem(ownList, FileEntryItem(file));
  EndList(ownList);
  AppendItem(value, LibraryItem(u"a.txt", ownList));
  AppendItem(value, FileEntryItem(file));
  EndList(value);
  return value;
}

void Check(const std::vector<uint8_t>& bytes) {
  const ItemListText list = DecodeItemList(bytes.data(), bytes.size());
  LastVisitedEntry visited;
  RecentDocsEntry doc;
  const bool visitedOk = ParseLastVisitedValue(bytes.data(), bytes.size(), visited);
  const bool docOk = ParseRecentDocsValue(bytes.data(), bytes.size(), doc);
  // Both read the same leading name; every segment comes from at least 3 bytes.
  if (visitedOk != docOk || visited.program != doc.name) std::abort();
  if (list.path.size() > 16 * bytes.size() + 64 || visited.folder.path.size() > 16 * bytes.size() + 64) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Check(std::vector<uint8_t>(data, data + size));

  static const std::vector<uint8_t> seed = MakeSeed();
  std::vector<uint8_t> value = seed;
  for (size_t pos = 0; pos + 3 <= size;) {
    const size_t at = (data[pos] | data[pos + 1] << 8) % value.size();
    const size_t n = data[pos + 2];
    pos += 3;
    for (size_t i = 0; i < n && pos < size; ++i, ++pos) value[(at + i) % value.size()] = data[pos];
  }
  Check(value);
  if (size > 0) value.resize(data[0] % value.size());  // and cut short
  Check(value);
  return 0;
}
