// libFuzzer target for the compound file reader: every input as it is, and
// as edits to a well-formed file of 512- or 4096-byte sectors with streams
// in the mini stream and in big sectors, so that mutations reach the
// allocation tables, the directory and the chains. Every stream is read;
// the bytes handed out stay in proportion to the file's size however its
// chains loop or share sectors. Edits: 2 bytes offset, 1 byte length, the
// bytes; the first byte's low bit picks the sector size.
#include <cstdlib>
#include <vector>

#include "sources/ole/cfb.h"
#include "tests/support/jumplist_writer.h"

namespace {

using namespace glimmerlog;

std::vector<uint8_t> MakeSeed(uint32_t sectorSize) {
  std::vector<uint8_t> small(300, 0x5A), large(6000, 0xA5);
  return CompoundFileBytes({{u"1", small}, {u"2", large}, {u"DestList", small}, {u"empty", {}}}, sectorSize);
}

void Check(const std::vector<uint8_t>& bytes) {
  CompoundFile file;
  if (!file.Open(bytes.data(), bytes.size())) return;
  uint64_t total = 0;
  std::vector<uint8_t> out;
  for (const CompoundEntry* e : file.RootChildren()) {
    file.ReadStream(*e, out);
    if (out.size() > e->size) std::abort();
    total += out.size();
  }
  if (total > 16 * uint64_t{bytes.size()} + 65536) std::abort();
  file.FindStream(u"DestList");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Check(std::vector<uint8_t>(data, data + size));
  static const std::vector<uint8_t> seeds[2] = {MakeSeed(512), MakeSeed(4096)};
  std::vector<uint8_t> value = seeds[size > 0 ? data[0] & 1 : 0];
  for (size_t pos = 0; pos + 3 <= size;) {
    const size_t at = (data[pos] | data[pos + 1] << 8 | (data[pos + 2] & 0x3F) << 16) % value.size();
    const size_t n = data[pos + 2] >> 6;
    pos += 3;
    for (size_t i = 0; i <= n && pos < size; ++i, ++pos) value[(at + i) % value.size()] = data[pos];
  }
  Check(value);
  return 0;
}
