// libFuzzer target for the scan of a hive's free cells: a written hive with
// a deleted key (with a subkey, values of each data form and a big-data
// value) merged into one free cell, a deleted value alone and a deleted key
// whose parent is live, edited by the input; and the input itself as the
// cells after a base block. Checks that the scan keeps its bounds: its work
// and its paths in proportion to the cells' area, every value's intact
// bytes within its size, the data it keeps within its limit, and every
// index it gives pointing where it should.
//
// Edit list: edits of 3 bytes offset, 1 byte length, the bytes.
#include <cstdlib>
#include <string>
#include <vector>

#include "sources/hive/deletedcells.h"
#include "tests/support/hive_writer.h"

namespace {

using glimmerlog::DeletedCells;
using glimmerlog::DeletedKey;
using glimmerlog::DeletedValue;
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
  const uint32_t software = w.Key(u"Software", 1);
  uint32_t start = w.End();
  const uint32_t sub = w.Key(u"Sub", 2, {w.Value(u"Text", 1, Utf16(u"notepad"))});
  const uint32_t gone = w.Key(u"Gone", 3,
                              {w.Value(u"Number", 4, {1, 2, 3, 4}), w.Value(u"Big", 3, std::vector<uint8_t>(17000, 7)),
                               w.Value(u"\u540d", 7, Utf16(u"a")), w.Value(u"", 11, {1, 2, 3, 4, 5, 6, 7, 8})},
                              w.List("lh", {sub}), 1);
  w.Set32(sub, HiveWriter::kKeyParentField, gone);
  w.Set32(gone, HiveWriter::kKeyParentField, software);
  w.Free(start, w.End());
  start = w.End();
  w.Value(u"Alone", 3, std::vector<uint8_t>(40, 9));
  w.Set32(w.Key(u"Caf\u00e9", 4), HiveWriter::kKeyParentField, software);
  w.Free(start, w.End());
  const uint32_t root = w.Key(u"ROOT", 9, {}, w.List("lf", {software}), 1);
  w.Set32(software, HiveWriter::kKeyParentField, root);
  std::vector<uint8_t> file = w.File(root);
  // The edits reach every structure only if the seed itself is recovered whole.
  const DeletedCells found = glimmerlog::ScanDeletedCells(glimmerlog::Hive(file));
  if (found.keys.size() != 3 || found.values.size() != 6 || found.keys[0].path != u"Software\\Gone\\Sub") {
    std::abort();
  }
  return file;
}

void Check(std::vector<uint8_t> file) {
  const glimmerlog::Hive hive(std::move(file));
  const DeletedCells found = glimmerlog::ScanDeletedCells(hive);
  const size_t area = hive.CellArea().size;
  if (found.slotsLooked > area / 8 || found.listEntriesRead > area / 4 || found.cellsWalked > area / 8) std::abort();
  size_t chars = 0;
  for (const DeletedKey& k : found.keys) {
    chars += k.path.size();
    if (k.path.size() < k.name.size() || k.path.compare(k.path.size() - k.name.size(), k.name.size(), k.name) != 0) {
      std::abort();
    }
    for (size_t v : k.values) {
      if (v >= found.values.size() || &found.keys[found.values[v].key] != &k) std::abort();
    }
  }
  // The paths' bound, with what a path that was not rebuilt takes.
  if (chars > area + found.keys.size() * (sizeof(glimmerlog::kPathLeftOut) / 2 + 512 + 1)) std::abort();
  for (const DeletedValue& v : found.values) {
    if (v.intact > v.size || v.data.size() > DeletedValue::kKeptData || v.data.size() > v.intact) std::abort();
    if (v.key != DeletedValue::kNoKey && v.key >= found.keys.size()) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<uint8_t> seed = MakeSeedFile();

  // The input as the cells after the seed's base block, rooted at the first
  // cell, as long as the file.
  std::vector<uint8_t> cells(seed.begin(), seed.begin() + 0x1000);
  cells[0x24] = 0x20;
  cells[0x25] = cells[0x26] = cells[0x27] = 0;
  cells[0x28] = cells[0x29] = cells[0x2A] = cells[0x2B] = 0;
  cells.insert(cells.end(), data, data + size);
  Check(std::move(cells));

  std::vector<uint8_t> file = seed;
  for (size_t pos = 0; pos + 4 <= size;) {
    const size_t at = (data[pos] | data[pos + 1] << 8 | data[pos + 2] << 16) % file.size();
    const size_t n = data[pos + 3];
    pos += 4;
    for (size_t i = 0; i < n && pos < size; ++i, ++pos) file[(at + i) % file.size()] = data[pos];
  }
  Check(std::move(file));
  return 0;
}
