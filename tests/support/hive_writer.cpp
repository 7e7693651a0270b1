#include "tests/support/hive_writer.h"

#include <algorithm>

namespace glimmerlog {

namespace {
void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put64(std::vector<uint8_t>& b, size_t at, uint64_t v) {
  Put32(b, at, static_cast<uint32_t>(v));
  Put32(b, at + 4, static_cast<uint32_t>(v >> 32));
}
bool Narrow(const std::u16string& name) {
  return std::all_of(name.begin(), name.end(), [](char16_t c) { return c < 0x100; });
}
std::vector<uint8_t> NameBytes(const std::u16string& name) {
  std::vector<uint8_t> out;
  for (char16_t c : name) {
    out.push_back(static_cast<uint8_t>(c));
    if (!Narrow(name)) out.push_back(static_cast<uint8_t>(c >> 8));
  }
  return out;
}
constexpr uint32_t kSegment = 16344;
}  // namespace

HiveWriter::HiveWriter() : bin_(0x20, 0) { std::copy_n("hbin", 4, bin_.begin()); }

uint32_t HiveWriter::Cell(const std::vector<uint8_t>& data) {
  const uint32_t at = static_cast<uint32_t>(bin_.size());
  const uint32_t size = static_cast<uint32_t>((data.size() + 4 + 7) / 8 * 8);
  bin_.resize(bin_.size() + size, 0);
  Put32(bin_, at, 0u - size);
  std::copy(data.begin(), data.end(), bin_.begin() + at + 4);
  return at;
}

uint32_t HiveWriter::Value(const std::u16string& name, uint32_t type, const std::vector<uint8_t>& data, bool bigData) {
  const std::vector<uint8_t> nameBytes = NameBytes(name);
  std::vector<uint8_t> vk(0x14 + nameBytes.size(), 0);
  vk[0] = 'v';
  vk[1] = 'k';
  Put16(vk, 0x02, static_cast<uint32_t>(nameBytes.size()));
  Put32(vk, 0x0C, type);
  Put16(vk, 0x10, Narrow(name) ? 1 : 0);
  std::copy(nameBytes.begin(), nameBytes.end(), vk.begin() + 0x14);
  if (data.size() <= 4) {
    Put32(vk, 0x04, 0x80000000u | static_cast<uint32_t>(data.size()));
    std::copy(data.begin(), data.end(), vk.begin() + 0x08);
    return Cell(vk);
  }
  Put32(vk, 0x04, static_cast<uint32_t>(data.size()));
  if (!bigData || data.size() <= kSegment) {
    Put32(vk, 0x08, Cell(data));
    return Cell(vk);
  }
  std::vector<uint8_t> segments;
  for (size_t at = 0; at < data.size(); at += kSegment) {
    const auto end = data.begin() + static_cast<std::ptrdiff_t>(std::min(data.size(), at + kSegment));
    const uint32_t cell = Cell(std::vector<uint8_t>(data.begin() + static_cast<std::ptrdiff_t>(at), end));
    segments.resize(segments.size() + 4);
    Put32(segments, segments.size() - 4, cell);
  }
  std::vector<uint8_t> db(8, 0);
  db[0] = 'd';
  db[1] = 'b';
  Put16(db, 2, static_cast<uint32_t>(segments.size() / 4));
  Put32(db, 4, Cell(segments));
  Put32(vk, 0x08, Cell(db));
  return Cell(vk);
}

uint32_t HiveWriter::List(const char* signature, const std::vector<uint32_t>& cells) {
  const size_t step = signature[0] == 'l' && signature[1] != 'i' ? 8 : 4;
  std::vector<uint8_t> list(4 + cells.size() * step, 0);
  list[0] = static_cast<uint8_t>(signature[0]);
  list[1] = static_cast<uint8_t>(signature[1]);
  Put16(list, 2, static_cast<uint32_t>(cells.size()));
  for (size_t i = 0; i < cells.size(); ++i) Put32(list, 4 + i * step, cells[i]);
  return Cell(list);
}

uint32_t HiveWriter::Key(const std::u16string& name, uint64_t time, const std::vector<uint32_t>& values,
                         uint32_t subkeyList, uint32_t subkeyCount) {
  const std::vector<uint8_t> nameBytes = NameBytes(name);
  std::vector<uint8_t> nk(0x4C + nameBytes.size(), 0);
  nk[0] = 'n';
  nk[1] = 'k';
  Put16(nk, 0x02, Narrow(name) ? 0x20 : 0);
  Put64(nk, 0x04, time);
  Put32(nk, 0x10, kNone);
  Put32(nk, 0x14, subkeyCount);
  Put32(nk, 0x1C, subkeyList);
  Put32(nk, 0x20, kNone);
  Put32(nk, 0x24, static_cast<uint32_t>(values.size()));
  Put32(nk, 0x28, kNone);
  if (!values.empty()) {
    std::vector<uint8_t> list(values.size() * 4);
    for (size_t i = 0; i < values.size(); ++i) Put32(list, i * 4, values[i]);
    Put32(nk, 0x28, Cell(list));
  }
  Put32(nk, 0x2C, kNone);
  Put32(nk, 0x30, kNone);
  Put16(nk, 0x48, static_cast<uint32_t>(nameBytes.size()));
  std::copy(nameBytes.begin(), nameBytes.end(), nk.begin() + 0x4C);
  return Cell(nk);
}

void HiveWriter::Set32(uint32_t cell, int32_t field, uint32_t value) {
  Put32(bin_, static_cast<size_t>(cell + 4 + field), value);
}

void HiveWriter::Free(uint32_t first, uint32_t end) {
  for (uint32_t at = first; at < end;) {
    const uint32_t raw = bin_[at] | bin_[at + 1] << 8 | bin_[at + 2] << 16 | static_cast<uint32_t>(bin_[at + 3]) << 24;
    const uint32_t size = raw & 0x80000000 ? 0u - raw : raw;
    Put32(bin_, at, size);
    at += size;
  }
  Put32(bin_, first, end - first);
}

std::vector<uint8_t> HiveWriter::File(uint32_t root, uint32_t minorVersion, uint32_t sequence1,
                                      uint32_t sequence2) const {
  std::vector<uint8_t> bin = bin_;
  const size_t size = (bin.size() + 8 + 0xFFF) / 0x1000 * 0x1000;
  const uint32_t free = static_cast<uint32_t>(size - bin.size());
  bin.resize(size, 0);
  Put32(bin, size - free, free);  // the rest of the bin: one free cell
  Put32(bin, 0x08, static_cast<uint32_t>(size));

  std::vector<uint8_t> file(0x1000, 0);
  std::copy_n("regf", 4, file.begin());
  Put32(file, 0x04, sequence1);
  Put32(file, 0x08, sequence2);
  Put64(file, 0x0C, 132000000000000000ull);
  Put32(file, 0x14, 1);
  Put32(file, 0x18, minorVersion);
  Put32(file, 0x20, 1);
  Put32(file, 0x24, root);
  Put32(file, 0x28, static_cast<uint32_t>(size));
  Put32(file, 0x2C, 1);
  const std::u16string name = u"\\??\\C:\\Users\\test\\ntuser.dat";
  for (size_t i = 0; i < name.size(); ++i) Put16(file, 0x30 + 2 * i, name[i]);
  uint32_t sum = 0;
  for (size_t i = 0; i < 0x1FC; i += 4) {
    sum ^= file[i] | file[i + 1] << 8 | file[i + 2] << 16 | static_cast<uint32_t>(file[i + 3]) << 24;
  }
  Put32(file, 0x1FC, sum == 0xFFFFFFFF ? 0xFFFFFFFE : sum == 0 ? 1 : sum);
  file.insert(file.end(), bin.begin(), bin.end());
  return file;
}

}  // namespace glimmerlog
