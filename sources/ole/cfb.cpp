#include "sources/ole/cfb.h"

#include <algorithm>
#include <limits>

#include "base/bytes.h"

namespace glimmerlog {

namespace {

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr size_t kHeaderSize = 512;
constexpr size_t kHeaderDifatEntries = 109;
constexpr size_t kEntrySize = 128;
constexpr uint8_t kStorage = 1, kStream = 2, kRoot = 5;
constexpr uint64_t kToChainEnd = std::numeric_limits<uint64_t>::max();

char16_t Folded(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

bool SameName(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Folded(a[i]) != Folded(b[i])) return false;
  }
  return true;
}

}  // namespace

const uint8_t* CompoundFile::Sector(uint32_t n) const {
  if (n >= sectorCount_) return nullptr;
  const uint64_t at = (uint64_t{n} + 1) * sectorSize_;
  return at + sectorSize_ <= size_ ? data_ + at : nullptr;
}

bool CompoundFile::ReadChain(const std::vector<uint32_t>& table, uint32_t start, uint64_t size, bool mini,
                             std::vector<uint8_t>& out) {
  out.clear();
  const size_t unit = mini ? miniSectorSize_ : sectorSize_;
  if (size != kToChainEnd) out.reserve(static_cast<size_t>(size < size_ ? size : size_));
  uint32_t n = start;
  // Each sector of a chain is marked with the number of the read; one met
  // twice in a read closes a loop.
  std::vector<uint32_t>& marks = mini ? miniMarks_ : marks_;
  if (marks.size() < table.size()) marks.resize(table.size(), 0);
  const uint32_t read = ++reads_;
  while (size == kToChainEnd || out.size() < size) {
    if (n == kEndOfChain && size == kToChainEnd) return true;
    if (n >= table.size() || n >= kMaxSector || marks[n] == read || budget_ == 0) return false;
    marks[n] = read;
    --budget_;
    const uint8_t* p = nullptr;
    if (mini) {
      // The mini stream's sectors, found through its chain, in place.
      const uint64_t at = uint64_t{n} * unit;
      if (at + unit <= miniStreamSize_ && at / sectorSize_ < miniStreamSectors_.size()) {
        const uint8_t* sector = Sector(miniStreamSectors_[at / sectorSize_]);
        if (sector) p = sector + at % sectorSize_;
      }
    } else {
      p = Sector(n);
    }
    if (!p) return false;
    const size_t take = size == kToChainEnd ? unit : static_cast<size_t>(std::min<uint64_t>(unit, size - out.size()));
    out.insert(out.end(), p, p + take);
    n = table[n];
  }
  return true;
}

bool CompoundFile::ReadTableSectors(const std::vector<uint32_t>& sectors, std::vector<uint32_t>& table) {
  table.clear();
  for (uint32_t s : sectors) {
    const uint8_t* p = Sector(s);
    if (!p) return false;
    for (size_t i = 0; i < sectorSize_; i += 4) table.push_back(Le32(p + i));
  }
  return true;
}

bool CompoundFile::Open(const uint8_t* data, size_t size) {
  *this = CompoundFile();
  if (size < kHeaderSize) return false;
  for (size_t i = 0; i < 8; ++i) {
    if (data[i] != kSignature[i]) return false;
  }
  if (Le16(data + 0x1C) != 0xFFFE) return false;
  const uint16_t sectorShift = Le16(data + 0x1E), miniShift = Le16(data + 0x20);
  if ((sectorShift != 9 && sectorShift != 12) || miniShift != 6) return false;
  data_ = data;
  size_ = size;
  major_ = Le16(data + 0x1A);
  sectorSize_ = 1u << sectorShift;
  miniCutoff_ = Le32(data + 0x38);
  sectorCount_ = size > sectorSize_ ? static_cast<uint32_t>(std::min<uint64_t>((size - sectorSize_) / sectorSize_, kMaxSector)) : 0;
  budget_ = 4 * (uint64_t{sectorCount_} + 1) + 64;

  // The allocation table's sectors: the first 109 listed in the header, the
  // rest in a chain of sectors of the list's own, each ending in the number
  // of the next.
  const uint32_t fatSectors = Le32(data + 0x2C);
  if (fatSectors > sectorCount_) return false;
  std::vector<uint32_t> fatList;
  for (size_t i = 0; i < kHeaderDifatEntries && fatList.size() < fatSectors; ++i) {
    fatList.push_back(Le32(data + 0x4C + 4 * i));
  }
  uint32_t difat = Le32(data + 0x44);
  for (uint32_t seen = 0; fatList.size() < fatSectors && difat < kMaxSector && seen <= sectorCount_; ++seen) {
    const uint8_t* p = Sector(difat);
    if (!p) break;
    for (size_t i = 0; i + 4 < sectorSize_ && fatList.size() < fatSectors; i += 4) fatList.push_back(Le32(p + i));
    difat = Le32(p + sectorSize_ - 4);
  }
  if (!ReadTableSectors(fatList, fat_)) return false;

  // The directory, then the root's mini stream and its table.
  std::vector<uint8_t> directory;
  ReadChain(fat_, Le32(data + 0x30), kToChainEnd, false, directory);  // a cut directory keeps its whole entries
  for (size_t at = 0; at + kEntrySize <= directory.size(); at += kEntrySize) {
    const uint8_t* e = directory.data() + at;
    CompoundEntry entry;
    const size_t nameBytes = std::min<size_t>(Le16(e + 0x40), 64);
    for (size_t i = 0; i + 1 < nameBytes; i += 2) {
      const char16_t c = Le16(e + i);
      if (c == 0) break;
      entry.name += c;
    }
    entry.type = e[0x42];
    entry.left = Le32(e + 0x44);
    entry.right = Le32(e + 0x48);
    entry.child = Le32(e + 0x4C);
    entry.created = Le64(e + 0x64);
    entry.modified = Le64(e + 0x6C);
    entry.start = Le32(e + 0x74);
    // Version 3 keeps only 32 bits of the size; the high ones may hold anything.
    entry.size = major_ >= 4 ? Le64(e + 0x78) : Le32(e + 0x78);
    entries_.push_back(std::move(entry));
  }
  if (entries_.empty() || entries_[0].type != kRoot) return false;
  std::vector<uint8_t> miniFatBytes;
  if (Le32(data + 0x40) != 0) ReadChain(fat_, Le32(data + 0x3C), kToChainEnd, false, miniFatBytes);
  for (size_t i = 0; i + 4 <= miniFatBytes.size(); i += 4) miniFat_.push_back(Le32(miniFatBytes.data() + i));
  // The root's chain holds the mini stream: its sectors are listed, not
  // copied, each visited once.
  const uint64_t miniSectors = (std::min<uint64_t>(entries_[0].size, size_) + sectorSize_ - 1) / sectorSize_;
  std::vector<bool> inChain(fat_.size(), false);
  for (uint32_t n = entries_[0].start; miniStreamSectors_.size() < miniSectors && n < fat_.size() && !inChain[n] &&
                                       Sector(n);
       n = fat_[n]) {
    inChain[n] = true;
    miniStreamSectors_.push_back(n);
  }
  miniStreamSize_ = std::min<uint64_t>(entries_[0].size, uint64_t{miniStreamSectors_.size()} * sectorSize_);
  budget_ += 4 * (miniStreamSize_ / miniSectorSize_);
  ListRootChildren();
  return true;
}

std::vector<const CompoundEntry*> CompoundFile::RootChildren() const {
  std::vector<const CompoundEntry*> children;
  children.reserve(rootChildren_.size());
  for (uint32_t n : rootChildren_) children.push_back(&entries_[n]);
  return children;
}

void CompoundFile::ListRootChildren() {
  // In order through the children's tree; an entry is visited once, so a
  // tree that points back into itself ends.
  std::vector<bool> seen(entries_.size(), false);
  std::vector<uint32_t> stack;
  uint32_t n = entries_[0].child;
  while (!stack.empty() || (n < entries_.size() && !seen[n])) {
    while (n < entries_.size() && !seen[n]) {
      seen[n] = true;
      stack.push_back(n);
      n = entries_[n].left;
    }
    if (stack.empty()) break;
    const uint32_t at = stack.back();
    stack.pop_back();
    if (entries_[at].type == kStream || entries_[at].type == kStorage) rootChildren_.push_back(at);
    n = entries_[at].right;
  }
}

const CompoundEntry* CompoundFile::FindStream(const std::u16string& name) const {
  for (uint32_t n : rootChildren_) {
    if (entries_[n].type == kStream && SameName(entries_[n].name, name)) return &entries_[n];
  }
  return nullptr;
}

bool CompoundFile::ReadStream(const CompoundEntry& entry, std::vector<uint8_t>& out) {
  out.clear();
  if (entry.size == 0) return true;
  if (entry.size < miniCutoff_) return ReadChain(miniFat_, entry.start, entry.size, true, out);
  return ReadChain(fat_, entry.start, entry.size, false, out);
}

}  // namespace glimmerlog
