// libFuzzer target for the shell link reader: every input as it is, and as
// edits to a well-formed link (link information with a volume, arguments,
// a property store, a known folder block and a tracker block), so that
// mutations reach the extra blocks without the fuzzer having to build the
// parts before them. Edits: 2 bytes offset, 1 byte length, the bytes; the
// first byte also cuts the edited link short.
#include <cstdlib>
#include <vector>

#include "base/codepage.h"
#include "sources/shell/lnk.h"
#include "tests/support/jumplist_writer.h"

namespace {

using namespace glimmerlog;

std::vector<uint8_t> MakeSeed() {
  LinkFields f;
  f.created = 133000000000000000ull;
  f.modified = f.created + 1;
  f.localPath = u"C:\\Users\\me\\report.docx";
  f.serial = 0x1234ABCD;
  f.label = "DATA";
  f.arguments = u"/n";
  f.machine = "pc";
  f.objectId[7] = 0x11;
  // A property store with one storage of the shell's details format holding
  // a parsing path; a known folder block.
  std::vector<uint8_t> store = {0, 0, 0, 0, 0x09, 0, 0, 0xA0, 0, 0, 0, 0, '1', 'S', 'P', 'S',
                                0xA6, 0x6A, 0x63, 0x28, 0x3D, 0x95, 0xD2, 0x11, 0xB5, 0xD6, 0x00, 0xC0, 0x4F, 0xD9, 0x18, 0xD0,
                                0x1B, 0, 0, 0, 30, 0, 0, 0, 0, 0x1F, 0, 0, 0, 3, 0, 0, 0, 'C', 0, ':', 0, 0, 0, 0, 0, 0, 0};
  store[0] = static_cast<uint8_t>(store.size() + 4);
  store[8] = static_cast<uint8_t>(store.size() - 8 + 4);
  store.insert(store.end(), {0, 0, 0, 0});
  std::vector<uint8_t> known = {0x1C, 0, 0, 0, 0x0B, 0, 0, 0xA0};
  known.resize(0x1C, 0x42);
  f.blocksBefore = {store, known};
  return LinkBytes(f);
}

void Check(const std::vector<uint8_t>& bytes) {
  ShellLink link;
  if (!ReadShellLink(bytes.data(), bytes.size(), &Windows1252Text, link)) return;
  if (link.size > bytes.size() || link.problems.size() > 16) std::abort();
  const std::u16string target = link.TargetPath(), volume = link.VolumeText();
  if (target.size() > 2 * bytes.size() + 64 || volume.size() > 2 * bytes.size() + 64) std::abort();
  link.objectId.Time();
  link.objectId.Mac();
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
  if (size > 0) value.resize(data[0] * value.size() / 256);  // and cut short
  Check(value);
  return 0;
}
