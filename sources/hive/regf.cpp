#include "sources/hive/regf.h"

#include <algorithm>
#include <unordered_set>

#include "base/bytes.h"
#include "sources/hive/byteranges.h"
#include "sources/hive/upcase.h"

namespace glimmerlog {
namespace {

// Base block (the first 4 KB of the file).
constexpr size_t kBaseBlockSize = 0x1000;
constexpr size_t kSequence1 = 0x04, kSequence2 = 0x08, kTimeStamp = 0x0C;
constexpr size_t kMajor = 0x14, kMinor = 0x18, kFileType = 0x1C;
constexpr size_t kRootCell = 0x24, kHiveBinsSize = 0x28;
constexpr size_t kFileName = 0x30, kFileNameBytes = 64;
constexpr size_t kChecksum = 0x1FC;
// The smallest file that can hold a key: the base block and one hbin header.
constexpr size_t kSmallestHive = kBaseBlockSize + 0x20;

// Key node ("nk") fields, from the start of the cell's data.
constexpr uint32_t kNkFlags = 0x02, kNkTime = 0x04, kNkParent = 0x10, kNkSubKeyCount = 0x14, kNkSubKeyList = 0x1C;
constexpr uint32_t kNkValueCount = 0x24, kNkValueList = 0x28, kNkNameLength = 0x48, kNkName = 0x4C;
constexpr uint16_t kNkCompressedName = 0x0020;  // name stored one byte a character (Latin-1)
// The smallest cell a key can have (its fields, 8-byte aligned): no list
// names more distinct keys than the cells' area holds cells of this size.
constexpr uint32_t kSmallestKeyCell = (4 + kNkName + 7) / 8 * 8;

// Value ("vk") fields.
constexpr uint32_t kVkNameLength = 0x02, kVkDataSize = 0x04, kVkData = 0x08, kVkType = 0x0C, kVkFlags = 0x10;
constexpr uint32_t kVkName = 0x14;
constexpr uint16_t kVkCompressedName = 0x0001;
constexpr uint32_t kDataInline = 0x80000000;  // data held in the data field itself

// Data over this size is stored in a big-data ("db") cell by hives of
// version 1.4 and later, in segments of this size each but the last.
constexpr uint32_t kBigDataSegment = 16344;

bool Signature(const uint8_t* p, const char (&sig)[3]) { return p[0] == sig[0] && p[1] == sig[1]; }

uint32_t CellOf(uint32_t cell) { return cell; }
uint32_t CellOf(HiveKey key) { return key.cell; }
uint32_t CellOf(HiveValue value) { return value.cell; }

// Index of the first item whose cell an earlier item already has, or the
// item count when none repeats.
template <class T>
size_t FirstRepeat(const std::vector<T>& items) {
  if (items.size() < 2) return items.size();
  std::vector<uint32_t> sorted;
  sorted.reserve(items.size());
  for (const T& item : items) sorted.push_back(CellOf(item));
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end()) return items.size();
  std::unordered_set<uint32_t> seen;
  for (size_t i = 0; i < items.size(); ++i) {
    if (!seen.insert(CellOf(items[i])).second) return i;
  }
  return items.size();
}

// Drops every item whose cell an earlier item already has; true if any was.
template <class T>
bool RemoveRepeats(std::vector<T>& items) {
  if (FirstRepeat(items) == items.size()) return false;
  std::unordered_set<uint32_t> seen;
  items.erase(
      std::remove_if(items.begin(), items.end(), [&](const T& item) { return !seen.insert(CellOf(item)).second; }),
      items.end());
  return true;
}

// A name as stored: one byte a character (Latin-1) or UTF-16LE.
std::u16string DecodeName(const uint8_t* p, size_t bytes, bool compressed) {
  std::u16string name;
  if (compressed) {
    name.assign(p, p + bytes);
  } else {
    name.resize(bytes / 2);
    for (size_t i = 0; i < name.size(); ++i) name[i] = static_cast<char16_t>(Le16(p + 2 * i));
  }
  return name;
}

bool NameMatches(const uint8_t* p, size_t bytes, bool compressed, std::u16string_view wanted) {
  if ((compressed ? bytes : bytes / 2) != wanted.size()) return false;
  for (size_t i = 0; i < wanted.size(); ++i) {
    const char16_t c = compressed ? p[i] : static_cast<char16_t>(Le16(p + 2 * i));
    if (c != wanted[i] && UpcaseNameChar(c) != UpcaseNameChar(wanted[i])) return false;
  }
  return true;
}

}  // namespace

// One bit for each byte of the cells' area: the cells a walk has used. Keys
// and values mark the first byte of their cell, lists every byte of theirs.
class Hive::CellMarks {
 public:
  explicit CellMarks(size_t cells) : bits_((cells + 63) / 64, 0), cells_(cells) {}
  // Marks the cell; false when it already was. Offsets outside the area are
  // never cells and are left to the reader to refuse.
  bool Mark(uint32_t cell) {
    if (cell >= cells_) return true;
    uint64_t& word = bits_[cell / 64];
    const uint64_t bit = uint64_t{1} << (cell % 64);
    if (word & bit) return false;
    word |= bit;
    return true;
  }
  // Marks the bytes [start, end) of a list cell; false when any was marked
  // before. The bytes before the first marked one are marked all the same,
  // so that no byte is looked at twice while unmarked and all the lists of a
  // walk take time in proportion to the area's size.
  bool MarkRange(size_t start, size_t end) {
    end = std::min(end, cells_);
    for (size_t at = start; at < end;) {
      const size_t shift = at % 64, n = std::min<size_t>(64 - shift, end - at);
      const uint64_t mask = (n == 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1) << shift;
      uint64_t& word = bits_[at / 64];
      if (const uint64_t marked = word & mask) {
        word |= mask & ((marked & (0 - marked)) - 1);
        return false;
      }
      word |= mask;
      at += n;
    }
    return true;
  }

 private:
  std::vector<uint64_t> bits_;
  size_t cells_;
};

// The list cells one call outside a walk has used, by their byte ranges.
class Hive::ListCells : public ByteRanges {};

Hive::Hive(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
  const uint8_t* p = bytes_.data();
  if (bytes_.size() >= 4 && std::equal(p, p + 4, "CREG")) {
    problem_ = "Windows 9x registry files are not supported";
    return;
  }
  if (bytes_.size() < 4 || !std::equal(p, p + 4, "regf")) {
    problem_ = "the file is not a registry hive";
    return;
  }
  if (bytes_.size() < kSmallestHive) {
    problem_ = "the file is too short to be a registry hive";
    return;
  }
  sequence1_ = Le32(p + kSequence1);
  sequence2_ = Le32(p + kSequence2);
  lastWritten_ = Le64(p + kTimeStamp);
  major_ = Le32(p + kMajor);
  minor_ = Le32(p + kMinor);
  uint32_t sum = 0;
  for (size_t i = 0; i < kChecksum; i += 4) sum ^= Le32(p + i);
  if (sum == 0xFFFFFFFF) sum = 0xFFFFFFFE;
  if (sum == 0) sum = 1;
  checksumValid_ = sum == Le32(p + kChecksum);

  if (major_ != 1) {
    problem_ =
        "registry hive format version " + std::to_string(major_) + "." + std::to_string(minor_) + " is not supported";
    return;
  }
  if (Le32(p + kFileType) != 0) {
    problem_ = "the file is a transaction log of a registry hive, not the hive itself";
    return;
  }
  // The cells' area ends where the base block says, or at the end of the file
  // when that is shorter; a size that is not a whole number of 4 KB pages is
  // not believed.
  const uint64_t declared = Le32(p + kHiveBinsSize);
  end_ = bytes_.size();
  if (declared != 0 && declared % 0x1000 == 0) {
    if (kBaseBlockSize + declared < end_) end_ = static_cast<size_t>(kBaseBlockSize + declared);
    truncated_ = kBaseBlockSize + declared > bytes_.size();
  }
  root_ = HiveKey{Le32(p + kRootCell)};
  Span root;
  if (!KeyCell(root_, root)) {
    root_ = HiveKey{};
    problem_ = "the root key of the registry hive is damaged";
  }
}

std::u16string Hive::FileName() const {
  if (bytes_.size() < kSmallestHive) return {};
  std::u16string name = DecodeName(bytes_.data() + kFileName, kFileNameBytes, false);
  return name.substr(0, name.find(u'\0'));
}

// The data of the allocated cell at `cell` when it holds at least `need`
// bytes and lies wholly inside the cells' area.
bool Hive::Cell(uint32_t cell, uint32_t need, Span& out) const {
  const uint64_t at = kBaseBlockSize + uint64_t{cell};
  if (end_ < 4 || at > end_ - 4) return false;
  const uint8_t* p = bytes_.data() + at;
  const uint32_t raw = Le32(p);
  if ((raw & 0x80000000) == 0) return false;  // a free cell (positive size)
  const uint32_t size = 0u - raw;
  if (size < 4 || size - 4 < need || size > end_ - at) return false;
  out = Span{p + 4, size - 4};
  return true;
}

bool Hive::KeyCell(HiveKey key, Span& out) const {
  return key && Cell(key.cell, kNkName, out) && Signature(out.p, "nk");
}

bool Hive::ValueCell(HiveValue value, Span& out) const {
  return value && Cell(value.cell, kVkName, out) && Signature(out.p, "vk");
}

std::u16string Hive::KeyName(HiveKey key) const {
  Span nk;
  if (!KeyCell(key, nk)) return {};
  const size_t length = std::min<size_t>(Le16(nk.p + kNkNameLength), nk.size - kNkName);
  return DecodeName(nk.p + kNkName, length, (Le16(nk.p + kNkFlags) & kNkCompressedName) != 0);
}

uint64_t Hive::KeyTime(HiveKey key) const {
  Span nk;
  return KeyCell(key, nk) ? Le64(nk.p + kNkTime) : 0;
}

Hive::Area Hive::CellArea() const {
  if (end_ <= kBaseBlockSize) return {};
  return Area{bytes_.data() + kBaseBlockSize, end_ - kBaseBlockSize};
}

HiveKey Hive::KeyParent(HiveKey key) const {
  Span nk;
  if (key.cell == root_.cell || !KeyCell(key, nk)) return {};
  const HiveKey parent{Le32(nk.p + kNkParent)};
  return KeyCell(parent, nk) ? parent : HiveKey{};
}

SourceStatus Hive::KeyPath(HiveKey key, std::u16string& out) const {
  out.clear();
  Span nk;
  if (!KeyCell(key, nk)) return SourceStatus::kMissing;
  // The keys from `key` up to the one below the root, then their names from
  // the top down.
  std::vector<HiveKey> chain;
  for (HiveKey at = key; at.cell != root_.cell; at = KeyParent(at)) {
    if (!at || chain.size() >= kMaxDepth) return SourceStatus::kDamaged;
    chain.push_back(at);
  }
  for (auto k = chain.rbegin(); k != chain.rend(); ++k) {
    if (k != chain.rbegin()) out += u'\\';
    out += KeyName(*k);
  }
  return SourceStatus::kOk;
}

std::u16string Hive::ValueName(HiveValue value) const {
  Span vk;
  if (!ValueCell(value, vk)) return {};
  const size_t length = std::min<size_t>(Le16(vk.p + kVkNameLength), vk.size - kVkName);
  return DecodeName(vk.p + kVkName, length, (Le16(vk.p + kVkFlags) & kVkCompressedName) != 0);
}

uint32_t Hive::ValueType(HiveValue value) const {
  Span vk;
  return ValueCell(value, vk) ? Le32(vk.p + kVkType) : 0;
}

// Claims the bytes of a list cell for the read: in the walk's marks, or in
// the call's own set.
bool Hive::ClaimList(uint32_t cell, const Span& list, CellMarks* marks, ListCells& own) const {
  const size_t end = static_cast<size_t>(cell) + 4 + list.size;
  return marks ? marks->MarkRange(cell, end) : own.Claim(cell, end);
}

// The size of an entry of a leaf list (lf and lh: offset and a 4-byte hint
// or hash for each; li: offsets only); 0 when the cell is not a leaf list.
size_t Hive::LeafStep(const Span& list) {
  if (list.size < 4) return 0;
  if (Signature(list.p, "lf") || Signature(list.p, "lh")) return 8;
  return Signature(list.p, "li") ? 4 : 0;
}

// Adds the keys of a leaf list, up to `limit` keys in `out`. False when the
// list is not one, is cut short by its cell or the limit, or names a cell
// that is not a key.
bool Hive::AppendLeafList(const Span& list, size_t limit, std::vector<HiveKey>& out) const {
  const size_t step = LeafStep(list);
  if (step == 0) return false;
  const size_t count = Le16(list.p + 2);
  const size_t fits = std::min<size_t>(count, (list.size - 4) / step);
  bool intact = fits == count;
  Span nk;
  for (size_t i = 0; i < fits; ++i) {
    if (out.size() >= limit) return false;
    CountListEntries(1);
    const HiveKey key{Le32(list.p + 4 + i * step)};
    if (KeyCell(key, nk)) {
      out.push_back(key);
    } else {
      intact = false;
    }
  }
  return intact;
}

// The subkeys: a leaf list, or an index ("ri") of leaf lists. An index
// inside an index is not a form the platform writes and is refused. A list
// cell that overlaps one already read, by this call or (with `marks`) by
// the walk, is refused too: that keeps a list that names itself from
// looping, and keeps overlapping lists that each claim thousands of entries
// from being read over and over. No more keys are collected than the cells'
// area can hold.
SourceStatus Hive::CollectSubKeys(HiveKey key, std::vector<HiveKey>& out, CellMarks* marks) const {
  out.clear();
  Span nk;
  if (!KeyCell(key, nk)) return SourceStatus::kDamaged;
  if (Le32(nk.p + kNkSubKeyCount) == 0) return SourceStatus::kOk;
  const uint32_t listCell = Le32(nk.p + kNkSubKeyList);
  Span list;
  ListCells own;
  // A cell is claimed once it is known to be a list; outside a walk, a leaf
  // list on its own overlaps nothing.
  if (!Cell(listCell, 4, list)) return SourceStatus::kDamaged;
  const bool index = Signature(list.p, "ri");
  if ((!index && LeafStep(list) == 0) || ((marks || index) && !ClaimList(listCell, list, marks, own))) {
    return SourceStatus::kDamaged;
  }
  const size_t limit = (end_ - kBaseBlockSize) / kSmallestKeyCell;
  bool intact = true;
  if (index) {
    const size_t count = Le16(list.p + 2);
    const size_t fits = std::min<size_t>(count, (list.size - 4) / 4);
    intact = fits == count;
    std::vector<uint32_t> leaves;
    for (size_t i = 0; i < fits; ++i) leaves.push_back(Le32(list.p + 4 + i * 4));
    CountListEntries(fits);
    if (RemoveRepeats(leaves)) intact = false;
    Span leaf;
    for (uint32_t cell : leaves) {
      if (!Cell(cell, 4, leaf) || LeafStep(leaf) == 0 || !ClaimList(cell, leaf, marks, own) ||
          !AppendLeafList(leaf, limit, out)) {
        intact = false;
      }
    }
  } else {
    intact = AppendLeafList(list, limit, out);
  }
  if (RemoveRepeats(out)) intact = false;
  return intact ? SourceStatus::kOk : SourceStatus::kDamaged;
}

SourceStatus Hive::CollectValues(HiveKey key, std::vector<HiveValue>& out, CellMarks* marks) const {
  out.clear();
  Span nk;
  if (!KeyCell(key, nk)) return SourceStatus::kDamaged;
  const uint32_t count = Le32(nk.p + kNkValueCount);
  if (count == 0) return SourceStatus::kOk;
  const uint32_t listCell = Le32(nk.p + kNkValueList);
  Span list;
  if (!Cell(listCell, 0, list) || (marks && !marks->MarkRange(listCell, size_t{listCell} + 4 + list.size))) {
    return SourceStatus::kDamaged;
  }
  const uint32_t fits = std::min(count, list.size / 4);
  CountListEntries(fits);
  bool intact = fits == count;
  Span vk;
  for (uint32_t i = 0; i < fits; ++i) {
    const HiveValue value{Le32(list.p + i * 4)};
    if (ValueCell(value, vk) && (!marks || marks->Mark(value.cell))) {
      out.push_back(value);
    } else {
      intact = false;
    }
  }
  if (RemoveRepeats(out)) intact = false;
  return intact ? SourceStatus::kOk : SourceStatus::kDamaged;
}

SourceStatus Hive::SubKeys(HiveKey key, std::vector<HiveKey>& out) const { return CollectSubKeys(key, out, nullptr); }

SourceStatus Hive::Values(HiveKey key, std::vector<HiveValue>& out) const { return CollectValues(key, out, nullptr); }

SourceStatus Hive::FindSubKey(HiveKey parent, std::u16string_view name, HiveKey& out) const {
  out = HiveKey{};
  std::vector<HiveKey> keys;
  const SourceStatus listed = CollectSubKeys(parent, keys, nullptr);
  Span nk;
  for (HiveKey key : keys) {
    if (!KeyCell(key, nk)) continue;
    const size_t length = std::min<size_t>(Le16(nk.p + kNkNameLength), nk.size - kNkName);
    if (NameMatches(nk.p + kNkName, length, (Le16(nk.p + kNkFlags) & kNkCompressedName) != 0, name)) {
      out = key;
      return SourceStatus::kOk;
    }
  }
  return listed == SourceStatus::kOk ? SourceStatus::kMissing : SourceStatus::kDamaged;
}

SourceStatus Hive::FindKey(std::u16string_view path, HiveKey& out) const {
  out = HiveKey{};
  if (!root_) return SourceStatus::kDamaged;
  HiveKey key = root_;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) {
      const SourceStatus found = FindSubKey(key, path.substr(start, end - start), key);
      if (found != SourceStatus::kOk) return found;
    }
    start = end + 1;
  }
  out = key;
  return SourceStatus::kOk;
}

SourceStatus Hive::FindValue(HiveKey key, std::u16string_view name, HiveValue& out) const {
  out = HiveValue{};
  std::vector<HiveValue> values;
  const SourceStatus listed = CollectValues(key, values, nullptr);
  Span vk;
  for (HiveValue value : values) {
    if (!ValueCell(value, vk)) continue;
    const size_t length = std::min<size_t>(Le16(vk.p + kVkNameLength), vk.size - kVkName);
    if (NameMatches(vk.p + kVkName, length, (Le16(vk.p + kVkFlags) & kVkCompressedName) != 0, name)) {
      out = value;
      return SourceStatus::kOk;
    }
  }
  return listed == SourceStatus::kOk ? SourceStatus::kMissing : SourceStatus::kDamaged;
}

SourceStatus Hive::ValueData(HiveValue value, std::vector<uint8_t>& out) const {
  out.clear();
  Span vk;
  if (!ValueCell(value, vk)) return SourceStatus::kDamaged;
  const uint32_t size = Le32(vk.p + kVkDataSize);
  if (size & kDataInline) {
    const uint32_t length = size & ~kDataInline;
    out.assign(vk.p + kVkData, vk.p + kVkData + std::min<uint32_t>(length, 4));
    return length <= 4 ? SourceStatus::kOk : SourceStatus::kDamaged;
  }
  if (size == 0) return SourceStatus::kOk;
  Span data;
  if (!Cell(Le32(vk.p + kVkData), 0, data)) return SourceStatus::kDamaged;
  if (minor_ >= 4 && size > kBigDataSegment && data.size >= 8 && Signature(data.p, "db")) {
    return ReadBigData(data, size, out);
  }
  out.assign(data.p, data.p + std::min(size, data.size));
  return out.size() == size ? SourceStatus::kOk : SourceStatus::kDamaged;
}

// A big-data cell: a segment count and the cell of the list of segments.
// Reading stops at the first segment that is missing, too short or repeated,
// or that would make the data larger than the file.
SourceStatus Hive::ReadBigData(const Span& db, uint32_t size, std::vector<uint8_t>& out) const {
  Span list;
  if (!Cell(Le32(db.p + 4), 0, list)) return SourceStatus::kDamaged;
  const size_t count = std::min<size_t>(Le16(db.p + 2), list.size / 4);
  std::vector<uint32_t> segments;
  for (size_t i = 0; i < count; ++i) segments.push_back(Le32(list.p + i * 4));
  segments.resize(FirstRepeat(segments));
  out.reserve(std::min<size_t>(size, end_));
  Span segment;
  for (uint32_t cell : segments) {
    const uint32_t wanted = std::min(size - static_cast<uint32_t>(out.size()), kBigDataSegment);
    // Segments are distinct cells, so whole data never exceeds the file;
    // damaged cells that overlap could make it seem to.
    if (wanted == 0 || out.size() + wanted > end_ || !Cell(cell, wanted, segment)) break;
    out.insert(out.end(), segment.p, segment.p + wanted);
  }
  return out.size() == size ? SourceStatus::kOk : SourceStatus::kDamaged;
}

SourceStatus Hive::VisitKeys(
    const std::function<bool(HiveKey key, unsigned depth, const std::vector<HiveValue>& values)>& visit) const {
  if (!root_) return SourceStatus::kDamaged;
  CellMarks marks(end_ - kBaseBlockSize);
  struct Pending {
    HiveKey key;
    unsigned depth;
  };
  std::vector<Pending> pending{{root_, 0}};
  marks.Mark(root_.cell);
  bool intact = true;
  std::vector<HiveKey> subkeys;
  std::vector<HiveValue> values;
  while (!pending.empty()) {
    const Pending item = pending.back();
    pending.pop_back();
    if (CollectValues(item.key, values, &marks) != SourceStatus::kOk) intact = false;
    if (!visit(item.key, item.depth, values)) break;
    if (CollectSubKeys(item.key, subkeys, &marks) != SourceStatus::kOk) intact = false;
    if (!subkeys.empty() && item.depth + 1 >= kMaxDepth) {
      intact = false;
      continue;
    }
    for (auto k = subkeys.rbegin(); k != subkeys.rend(); ++k) {
      if (marks.Mark(k->cell)) {
        pending.push_back({*k, item.depth + 1});
      } else {
        intact = false;
      }
    }
  }
  return intact ? SourceStatus::kOk : SourceStatus::kDamaged;
}

}  // namespace glimmerlog
