// libFuzzer target for the hive reader: walks every key and value, reads
// every name, time and data, looks each key and value up by its name and
// reads through the registry source. Each input is used twice: as the cells
// behind a valid base block (its root at the first cell), and as a list of
// edits to a well-formed written hive with every list, name and data form,
// so that mutations reach deep structures without the fuzzer having to
// build them.
//
// Edit list: 2 bytes (bit 15 set: cut the file to 0x1000 + the low 15 bits
// times 8 bytes), then edits of 3 bytes offset, 1 byte length, the bytes.
#include <cstdlib>
#include <string>
#include <vector>

#include "sources/hive/hivesource.h"
#include "tests/support/hive_writer.h"

namespace {

using glimmerlog::HiveWriter;

std::vector<uint8_t> Utf16(const std::u16string& text) {
  std::vector<uint8_t> out;
  for (char16_t c : text) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

std::vector<uint8_t> MakeSeedFile() {
  HiveWriter w;
  const uint32_t text = w.Value(u"a", 1, Utf16(u"notepad\\1"));
  const uint32_t list = w.Value(u"MRUList", 1, Utf16(u"a"));
  const uint32_t number = w.Value(u"Number", 4, {1, 2, 3, 4});
  const uint32_t wide = w.Value(u"\u540d", 3, {1, 2, 3, 4, 5, 6});
  const uint32_t big = w.Value(u"Big", 3, std::vector<uint8_t>(17000, 0x5A));
  const uint32_t leaf = w.Key(u"Leaf", 7, {text, list});
  const uint32_t lf = w.List("lf", {w.Key(u"Caf\u00e9", 1, {number}, w.List("lh", {leaf}), 1), w.Key(u"B", 2)});
  const uint32_t li = w.List("li", {w.Key(u"\u65e5\u672c", 3, {wide})});
  const uint32_t root = w.Key(u"ROOT", 9, {big, w.Value(u"", 4, {0xFF, 0xFF, 0xFF, 0xFF})}, w.List("ri", {lf, li}), 3);
  std::vector<uint8_t> file = w.File(root);
  // The edits below only reach deep structures if the seed itself reads whole.
  size_t keys = 0;
  const glimmerlog::Hive hive(file);
  const auto status = hive.VisitKeys([&](glimmerlog::HiveKey, unsigned, const std::vector<glimmerlog::HiveValue>&) {
    ++keys;
    return true;
  });
  if (keys != 5 || status != glimmerlog::SourceStatus::kOk) std::abort();
  return file;
}

void Check(std::vector<uint8_t> file) {
  const size_t size = file.size();
  glimmerlog::HiveRegistrySource source(std::move(file));
  const glimmerlog::Hive& hive = source.hive();
  size_t keys = 0;
  std::vector<uint8_t> data;
  std::vector<glimmerlog::HiveKey> subkeys;
  hive.VisitKeys([&](glimmerlog::HiveKey key, unsigned depth, const std::vector<glimmerlog::HiveValue>& values) {
    // Each key is a cell of its own, and no walk goes deeper than the platform.
    if (++keys > size || depth >= glimmerlog::Hive::kMaxDepth) std::abort();
    const std::u16string name = hive.KeyName(key);
    hive.KeyTime(key);
    hive.SubKeys(key, subkeys);
    glimmerlog::HiveKey found;
    if (hive.FindSubKey(key, u"Leaf", found) == glimmerlog::SourceStatus::kOk && hive.KeyName(found).size() != 4) {
      std::abort();
    }
    for (glimmerlog::HiveValue value : values) {
      glimmerlog::HiveValue same;
      if (hive.FindValue(key, hive.ValueName(value), same) != glimmerlog::SourceStatus::kOk) std::abort();
      hive.ValueType(value);
      // Data comes from distinct cells: never more than the file holds.
      if (hive.ValueData(value, data) == glimmerlog::SourceStatus::kOk && data.size() > size) std::abort();
      if (data.size() > size) std::abort();
    }
    return true;
  });
  std::vector<std::u16string> names;
  source.SubKeys(u"", names);
  source.ValueNames(u"", names);
  source.GetRegValueNames(u"Caf\u00e9\\leaf");
  source.GetRegValue(u"caf\u00c9\\Leaf", u"a");
  source.GetRegValue(u"", u"Number");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<uint8_t> seed = MakeSeedFile();

  // The input as the cells after the seed's base block, rooted at the first cell.
  std::vector<uint8_t> cells(seed.begin(), seed.begin() + 0x1000);
  cells[0x24] = 0x20;
  cells[0x25] = cells[0x26] = cells[0x27] = 0;
  cells.insert(cells.end(), data, data + size);
  Check(std::move(cells));

  if (size < 2) return 0;
  size_t length = seed.size();
  const unsigned cut = data[0] | data[1] << 8;
  if (cut & 0x8000) length = 0x1000 + (cut & 0x7FFF) * 8 % (seed.size() - 0x1000);
  std::vector<uint8_t> file(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(length));
  for (size_t pos = 2; pos + 4 <= size;) {
    const size_t at = (data[pos] | data[pos + 1] << 8 | data[pos + 2] << 16) % length;
    const size_t n = data[pos + 3];
    pos += 4;
    for (size_t i = 0; i < n && pos < size; ++i, ++pos) file[(at + i) % length] = data[pos];
  }
  Check(std::move(file));
  return 0;
}
