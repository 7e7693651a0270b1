#include "sources/hive/deletedcells.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "base/bytes.h"
#include "sources/hive/byteranges.h"

namespace glimmerlog {
namespace {

constexpr size_t kBinHeader = 0x20, kPage = 0x1000;

// Key ("nk") fields, from the record's signature (after the cell's size field).
constexpr size_t kNkFlags = 0x02, kNkTime = 0x04, kNkParent = 0x10, kNkSubKeyCount = 0x14;
constexpr size_t kNkValueCount = 0x24, kNkValueList = 0x28, kNkNameLength = 0x48, kNkName = 0x4C;
constexpr uint16_t kNkCompressedName = 0x0020;
constexpr size_t kMaxKeyNameChars = 255;  // the platform's limit

// Value ("vk") fields.
constexpr size_t kVkNameLength = 0x02, kVkDataSize = 0x04, kVkData = 0x08, kVkType = 0x0C, kVkFlags = 0x10;
constexpr size_t kVkName = 0x14;
constexpr uint16_t kVkCompressedName = 0x0001;
constexpr uint32_t kDataInline = 0x80000000;
constexpr size_t kMaxValueNameChars = 16383;  // the platform's limit

// Big data (hives of version 1.4 and later): data over one segment's size
// in a "db" cell that lists the segments.
constexpr uint32_t kBigDataSegment = 16344;

bool Signature(const uint8_t* p, const char (&sig)[3]) { return p[0] == sig[0] && p[1] == sig[1]; }

// A size field as a cell's size, whether the cell is allocated (negative) or free.
uint32_t CellSize(uint32_t raw) { return raw & 0x80000000 ? 0u - raw : raw; }

// A name as stored: one byte a character (Latin-1) or UTF-16LE. False when
// it holds a character no key or value name has: a NUL, or for a key a
// backslash (which would make the name look like a path).
bool Name(const uint8_t* p, size_t bytes, bool compressed, bool key, std::u16string& out) {
  out.clear();
  if (compressed) {
    out.assign(p, p + bytes);
  } else {
    out.resize(bytes / 2);
    for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char16_t>(Le16(p + 2 * i));
  }
  for (char16_t c : out) {
    if (c == 0 || (key && c == u'\\')) return false;
  }
  return true;
}


class Scan {
 public:
  explicit Scan(const Hive& hive) : hive_(hive), area_(hive.CellArea()) {
    // Cells are addressed by 32-bit offsets: nothing past them is a cell.
    area_.size = std::min<size_t>(area_.size, 0xFFFFF000);
  }

  DeletedCells Run() {
    if (!hive_.Usable()) return std::move(out_);
    WalkBins();
    for (const Region& r : free_) FindRecords(r);
    for (DeletedValue& v : out_.values) ReadData(v);
    for (size_t k = 0; k < out_.keys.size(); ++k) AssignValues(k);
    budget_ = area_.size;
    state_.assign(out_.keys.size(), State::kNew);
    for (size_t k = 0; k < out_.keys.size(); ++k) Resolve(k);
    return std::move(out_);
  }

 private:
  struct Region {
    uint32_t start, end;  // [start, end) of a free cell
  };
  struct KeyLists {
    uint32_t valueCount, valueList;
  };
  enum class State : uint8_t { kNew, kOnTheWay, kDone };

  // Offsets that can be a cell's: on an 8-byte boundary, past the first
  // bin's header, with room for a size field and a signature.
  bool CellOffset(uint32_t offset) const {
    return offset % 8 == 0 && offset >= kBinHeader && area_.size >= 8 && offset <= area_.size - 8;
  }

  // The free cells of every bin, in the order of their offsets. A bin is
  // found at each page boundary where the last one ended; where there is
  // none, the next page is tried.
  void WalkBins() {
    const uint8_t* a = area_.data;
    size_t at = 0;
    while (area_.size >= kBinHeader && at <= area_.size - kBinHeader) {
      const uint32_t declared = Le32(a + at + 8);
      if (std::memcmp(a + at, "hbin", 4) != 0 || declared < kPage || declared % kPage != 0) {
        ++out_.damagedBins;
        at += kPage;
        continue;
      }
      size_t end = at + declared;
      if (declared > area_.size - at) {
        ++out_.damagedBins;  // cut short by the end of the file
        end = area_.size;
      }
      for (size_t cell = at + kBinHeader; cell + 4 <= end;) {
        const uint32_t raw = Le32(a + cell), size = CellSize(raw);
        if (size < 8 || size % 8 != 0 || size > end - cell) {
          ++out_.damagedBins;
          break;
        }
        ++out_.cellsWalked;
        if (!(raw & 0x80000000)) {
          free_.push_back({static_cast<uint32_t>(cell), static_cast<uint32_t>(cell + size)});
        }
        cell += size;
      }
      at += declared;
    }
  }

  // The free cell that holds `offset`; null for none.
  const Region* FreeAt(uint32_t offset) const {
    auto r = std::upper_bound(free_.begin(), free_.end(), offset,
                              [](uint32_t o, const Region& region) { return o < region.start; });
    if (r == free_.begin()) return nullptr;
    --r;
    return offset < r->end ? &*r : nullptr;
  }

  // The bytes of the old cell at `offset` that are still there: after its
  // size field, up to the end its size field gives or the end of the free
  // cell it lies in, whichever comes first. False when it does not lie in
  // free space or its size field was overwritten.
  bool OldCell(uint32_t offset, const uint8_t*& data, size_t& length) const {
    const Region* r = offset % 8 == 0 ? FreeAt(offset) : nullptr;
    if (!r) return false;
    const uint32_t size = CellSize(Le32(area_.data + offset));
    if (size < 8) return false;
    data = area_.data + offset + 4;
    length = std::min<uint64_t>(uint64_t{offset} + size, r->end) - offset - 4;
    return true;
  }

  // Every record that fits at the 8-byte boundaries of a free cell; after
  // one, the search goes on past its end.
  void FindRecords(const Region& r) {
    for (uint32_t at = r.start; r.end - at >= 8;) {
      ++out_.slotsLooked;
      const uint8_t* record = area_.data + at + 4;
      const size_t room = r.end - at - 4;
      size_t used = 0;
      if (Signature(record, "nk")) {
        used = Key(at, record, room);
      } else if (Signature(record, "vk")) {
        used = Value(at, record, room);
      }
      at += used ? static_cast<uint32_t>((4 + used + 7) / 8 * 8) : 8;
    }
  }

  // A key record at `cell`; the bytes it takes, or 0 when its fields do not fit.
  size_t Key(uint32_t cell, const uint8_t* nk, size_t room) {
    if (room < kNkName) return 0;
    const size_t length = Le16(nk + kNkNameLength);
    const bool compressed = (Le16(nk + kNkFlags) & kNkCompressedName) != 0;
    if (length == 0 || length > room - kNkName || (compressed ? length : length / 2) > kMaxKeyNameChars ||
        (!compressed && length % 2 != 0)) {
      return 0;
    }
    const uint32_t parent = Le32(nk + kNkParent), valueCount = Le32(nk + kNkValueCount);
    const uint32_t valueList = Le32(nk + kNkValueList);
    if (!CellOffset(parent) || Le32(nk + kNkSubKeyCount) > area_.size / 8 || valueCount > area_.size / 4 ||
        (valueCount != 0 && !CellOffset(valueList))) {
      return 0;
    }
    DeletedKey key;
    if (!Name(nk + kNkName, length, compressed, true, key.name)) return 0;
    key.cell = cell;
    key.parentCell = parent;
    key.lastWritten = Le64(nk + kNkTime);
    out_.keys.push_back(std::move(key));
    lists_.push_back({valueCount, valueList});
    return kNkName + length;
  }

  // A value record at `cell`, as Key.
  size_t Value(uint32_t cell, const uint8_t* vk, size_t room) {
    if (room < kVkName) return 0;
    const size_t length = Le16(vk + kVkNameLength);
    const bool compressed = (Le16(vk + kVkFlags) & kVkCompressedName) != 0;
    if (length > room - kVkName || (compressed ? length : length / 2) > kMaxValueNameChars ||
        (!compressed && length % 2 != 0)) {
      return 0;
    }
    const uint32_t size = Le32(vk + kVkDataSize);
    if ((size & kDataInline) ? (size & ~kDataInline) > 4
                             : size != 0 && (size > area_.size || !CellOffset(Le32(vk + kVkData)))) {
      return 0;
    }
    DeletedValue value;
    if (!Name(vk + kVkName, length, compressed, false, value.name)) return 0;
    value.cell = cell;
    value.type = Le32(vk + kVkType);
    if (size & kDataInline) {
      value.size = value.intact = size & ~kDataInline;
      value.data.assign(vk + kVkData, vk + kVkData + value.size);
    } else {
      value.size = size;
      if (size != 0) dataCells_.emplace(cell, Le32(vk + kVkData));
    }
    out_.values.push_back(std::move(value));
    return kVkName + length;
  }

  void Keep(DeletedValue& v, const uint8_t* p, size_t n) {
    const size_t room = DeletedValue::kKeptData - v.data.size();
    v.data.insert(v.data.end(), p, p + std::min(n, room));
  }

  // The data of a value held in a cell of its own, or in the segments of a
  // big-data cell, as far as it is intact.
  void ReadData(DeletedValue& v) {
    const auto found = dataCells_.find(v.cell);
    if (found == dataCells_.end()) return;
    const uint8_t* data;
    size_t length;
    if (!OldCell(found->second, data, length)) return;
    if (hive_.MinorVersion() >= 4 && v.size > kBigDataSegment && length >= 8 && Signature(data, "db")) {
      return ReadBigData(v, data);
    }
    v.intact = static_cast<uint32_t>(std::min<size_t>(v.size, length));
    Keep(v, data, v.intact);
  }

  void ReadBigData(DeletedValue& v, const uint8_t* db) {
    const uint32_t listCell = Le32(db + 4);
    const uint8_t* list;
    size_t length;
    if (!OldCell(listCell, list, length)) return;
    const size_t count = std::min<size_t>(Le16(db + 2), length / 4);
    if (!claims_.Claim(listCell, uint64_t{listCell} + 4 + count * 4)) return;
    out_.listEntriesRead += count;
    std::unordered_set<uint32_t> seen;
    for (size_t i = 0; i < count && v.intact < v.size; ++i) {
      const uint32_t segment = Le32(list + i * 4);
      const uint8_t* bytes;
      size_t have;
      if (!seen.insert(segment).second || !OldCell(segment, bytes, have)) return;
      const uint32_t wanted = std::min(v.size - v.intact, kBigDataSegment);
      const uint32_t got = static_cast<uint32_t>(std::min<size_t>(wanted, have));
      Keep(v, bytes, got);
      v.intact += got;
      if (got < wanted) return;
    }
  }

  // The recovered values the value list of key `k` names (where that list
  // lies in free space) become that key's, unless a key before it claimed
  // them or the list.
  void AssignValues(size_t k) {
    const KeyLists& l = lists_[k];
    const uint8_t* list;
    size_t length;
    if (l.valueCount == 0 || !OldCell(l.valueList, list, length)) return;
    const size_t count = std::min<size_t>(l.valueCount, length / 4);
    if (!claims_.Claim(l.valueList, uint64_t{l.valueList} + 4 + count * 4)) return;
    out_.listEntriesRead += count;
    for (size_t i = 0; i < count; ++i) {
      const size_t v = ValueAt(Le32(list + i * 4));
      if (v == DeletedValue::kNoKey || out_.values[v].key != DeletedValue::kNoKey) continue;
      out_.values[v].key = k;
      out_.keys[k].values.push_back(v);
    }
  }

  size_t ValueAt(uint32_t cell) const {
    const auto& values = out_.values;
    const auto v = std::lower_bound(values.begin(), values.end(), cell,
                                    [](const DeletedValue& value, uint32_t c) { return value.cell < c; });
    return v != values.end() && v->cell == cell ? static_cast<size_t>(v - values.begin()) : DeletedValue::kNoKey;
  }

  size_t KeyAt(uint32_t cell) const {
    const auto& keys = out_.keys;
    const auto k = std::lower_bound(keys.begin(), keys.end(), cell,
                                    [](const DeletedKey& key, uint32_t c) { return key.cell < c; });
    return k != keys.end() && k->cell == cell ? static_cast<size_t>(k - keys.begin()) : SIZE_MAX;
  }

  // The path of a key of the hive, once per key; false when it has none
  // (not a key, a broken chain of parents) or the paths' bound was reached.
  bool LivePath(uint32_t cell, const std::u16string*& path) {
    if (const auto known = livePaths_.find(cell); known != livePaths_.end()) {
      path = known->second ? &*known->second : nullptr;
      return path != nullptr;
    }
    std::u16string text;
    const bool found = budget_ > 0 && hive_.KeyPath(HiveKey{cell}, text) == SourceStatus::kOk;
    if (!found && budget_ == 0) return false;  // not remembered: another key may need it within bounds
    auto& entry = livePaths_[cell];
    if (found) {
      Charge(text.size());
      entry = std::move(text);
      path = &*entry;
    }
    return found;
  }

  void Charge(size_t chars) { budget_ -= std::min(budget_, chars); }

  // Sets the path of key `k` and of the recovered keys above it that have
  // none yet: up the chain of recovered parents to a key of the hive, a
  // parent that is neither, or a key met before on the way (a loop), then
  // down again.
  void Resolve(size_t k) {
    std::vector<size_t> chain;
    std::u16string top;  // what the topmost key's path starts with
    size_t j = k;
    while (state_[j] == State::kNew) {
      state_[j] = State::kOnTheWay;
      chain.push_back(j);
      const size_t parent = KeyAt(out_.keys[j].parentCell);
      if (parent == SIZE_MAX) break;
      out_.keys[j].parent = DeletedParent::kDeleted;
      j = parent;
    }
    if (chain.empty()) return;
    DeletedKey& last = out_.keys[chain.back()];
    bool leftOut = false;
    if (last.parent == DeletedParent::kDeleted) {
      if (state_[j] == State::kDone) {
        top = out_.keys[j].path;
      } else {
        top = kUnknownParent;  // a loop
      }
    } else {
      const std::u16string* path = nullptr;
      if (LivePath(last.parentCell, path)) {
        last.parent = DeletedParent::kLive;
        top = *path;
      } else {
        leftOut = budget_ == 0;
        top = leftOut ? kPathLeftOut : kUnknownParent;
      }
    }
    for (auto c = chain.rbegin(); c != chain.rend(); ++c) {
      DeletedKey& key = out_.keys[*c];
      const size_t length = top.size() + 1 + key.name.size();
      if (leftOut || length > budget_) {
        leftOut = true;
        top = kPathLeftOut;
      }
      key.path = top.empty() ? key.name : top + u'\\' + key.name;
      Charge(key.path.size());
      top = key.path;
      state_[*c] = State::kDone;
    }
  }

  const Hive& hive_;
  Hive::Area area_;
  DeletedCells out_;
  std::vector<Region> free_;
  std::vector<KeyLists> lists_;                       // of out_.keys, by index
  std::unordered_map<uint32_t, uint32_t> dataCells_;  // a value's cell -> its data cell
  // A list cell is read for one key or value only, so that records which all
  // name one long list (a crafted hive) do not each read it again.
  ByteRanges claims_;
  std::vector<State> state_;
  std::unordered_map<uint32_t, std::optional<std::u16string>> livePaths_;
  size_t budget_ = 0;  // characters the paths may still take
};

}  // namespace

DeletedCells ScanDeletedCells(const Hive& hive) { return Scan(hive).Run(); }

}  // namespace glimmerlog
