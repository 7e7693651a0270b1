// libFuzzer target for the jump list readers: the input as a DestList
// stream, as a custom list and as an automatic list, and as edits to
// well-formed ones (a version 1 and a version 4 DestList, a custom list of
// a named category, a known one and tasks, an automatic list whose streams
// DestList names), so that mutations reach the entries and the shortcuts
// inside. Edits: 2 bytes offset, 1 byte length, the bytes; the first byte
// picks the seed and also cuts the edited one short.
#include <cstdlib>
#include <vector>

#include "base/codepage.h"
#include "sources/shell/jumplist.h"
#include "tests/support/jumplist_writer.h"

namespace {

using namespace glimmerlog;

std::vector<uint8_t> Link() {
  LinkFields f;
  f.localPath = u"C:\\a.txt";
  f.machine = "pc";
  return LinkBytes(f);
}

std::vector<std::vector<uint8_t>> MakeSeeds() {
  const std::vector<DestListFields> entries = {{1, 133000000000000000ull, 3, -1, "pc", u"C:\\a.txt"},
                                               {2, 133000000000000001ull, 1, 0, "pc", u"C:\\b.txt"}};
  CustomCategory named{0, u"Projects", 0, {Link()}}, known{1, u"", 2, {}}, tasks{2, u"", 0, {Link(), Link()}};
  return {DestListBytes(1, entries), DestListBytes(4, entries), CustomDestinationsBytes({named, known, tasks}),
          CompoundFileBytes({{u"1", Link()}, {u"2", Link()}, {u"DestList", DestListBytes(3, entries)}})};
}

void Check(const std::vector<uint8_t>& bytes) {
  DestList dest;
  if (ReadDestList(bytes.data(), bytes.size(), dest)) {
    if (dest.bytesUsed > bytes.size() || dest.entries.size() > bytes.size() / 114) std::abort();
  }
  JumpList list;
  if (ReadCustomDestinations(bytes.data(), bytes.size(), &Windows1252Text, list)) {
    if (list.entries.size() > bytes.size() / (16 + kLinkHeaderSize)) std::abort();
  }
  ReadAutomaticDestinations(bytes.data(), bytes.size(), &Windows1252Text, list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Check(std::vector<uint8_t>(data, data + size));
  static const std::vector<std::vector<uint8_t>> seeds = MakeSeeds();
  if (size == 0) return 0;
  std::vector<uint8_t> value = seeds[data[0] % seeds.size()];
  for (size_t pos = 1; pos + 3 <= size;) {
    const size_t at = (data[pos] | data[pos + 1] << 8) % value.size();
    const size_t n = data[pos + 2];
    pos += 3;
    for (size_t i = 0; i < n && pos < size; ++i, ++pos) value[(at + i) % value.size()] = data[pos];
  }
  Check(value);
  value.resize(value.size() - (data[0] >> 2) * value.size() / 64);  // and cut short
  Check(value);
  return 0;
}
