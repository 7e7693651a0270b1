#include "tests/support/msiecf_writer.h"

#include <cstring>
#include <stdexcept>

namespace glimmerlog {
namespace {

constexpr size_t kBitmapStart = 0x250;
constexpr size_t kBlockAreaStart = 0x4000;
constexpr size_t kBlockSize = 128;
constexpr size_t kMaxBlocks = (kBlockAreaStart - kBitmapStart) * 8;
constexpr size_t kGrowthBlocks = 128;  // files grow by 0x4000 bytes at a time
constexpr size_t kHashTableSize = 4096;
constexpr size_t kBuckets = 64;
constexpr size_t kSlotsPerBucket = 7;
constexpr size_t kLocationOffset = 0x68;
constexpr uint32_t kFreeSlot = 3;
constexpr uint32_t kDeletedSlot = 1;
constexpr uint32_t kGlobalHistoryType = 0x00200001;
constexpr uint32_t kPeriodHistoryType = 0x00200004;

// Permutation behind the location hash.
const uint8_t kHashTable[256] = {
    0x01, 0x0e, 0x6e, 0x19, 0x61, 0xae, 0x84, 0x77, 0x8a, 0xaa, 0x7d, 0x76, 0x1b, 0xe9, 0x8c, 0x33, 0x57, 0xc5, 0xb1,
    0x6b, 0xea, 0xa9, 0x38, 0x44, 0x1e, 0x07, 0xad, 0x49, 0xbc, 0x28, 0x24, 0x41, 0x31, 0xd5, 0x68, 0xbe, 0x39, 0xd3,
    0x94, 0xdf, 0x30, 0x73, 0x0f, 0x02, 0x43, 0xba, 0xd2, 0x1c, 0x0c, 0xb5, 0x67, 0x46, 0x16, 0x3a, 0x4b, 0x4e, 0xb7,
    0xa7, 0xee, 0x9d, 0x7c, 0x93, 0xac, 0x90, 0xb0, 0xa1, 0x8d, 0x56, 0x3c, 0x42, 0x80, 0x53, 0x9c, 0xf1, 0x4f, 0x2e,
    0xa8, 0xc6, 0x29, 0xfe, 0xb2, 0x55, 0xfd, 0xed, 0xfa, 0x9a, 0x85, 0x58, 0x23, 0xce, 0x5f, 0x74, 0xfc, 0xc0, 0x36,
    0xdd, 0x66, 0xda, 0xff, 0xf0, 0x52, 0x6a, 0x9e, 0xc9, 0x3d, 0x03, 0x59, 0x09, 0x2a, 0x9b, 0x9f, 0x5d, 0xa6, 0x50,
    0x32, 0x22, 0xaf, 0xc3, 0x64, 0x63, 0x1a, 0x96, 0x10, 0x91, 0x04, 0x21, 0x08, 0xbd, 0x79, 0x40, 0x4d, 0x48, 0xd0,
    0xf5, 0x82, 0x7a, 0x8f, 0x37, 0x69, 0x86, 0x1d, 0xa4, 0xb9, 0xc2, 0xc1, 0xef, 0x65, 0xf2, 0x05, 0xab, 0x7e, 0x0b,
    0x4a, 0x3b, 0x89, 0xe4, 0x6c, 0xbf, 0xe8, 0x8b, 0x06, 0x18, 0x51, 0x14, 0x7f, 0x11, 0x5b, 0x5c, 0xfb, 0x97, 0xe1,
    0xcf, 0x15, 0x62, 0x71, 0x70, 0x54, 0xe2, 0x12, 0xd6, 0xc7, 0xbb, 0x0d, 0x20, 0x5e, 0xdc, 0xe0, 0xd4, 0xf7, 0xcc,
    0xc4, 0x2b, 0xf9, 0xec, 0x2d, 0xf4, 0x6f, 0xb6, 0x99, 0x88, 0x81, 0x5a, 0xd9, 0xca, 0x13, 0xa5, 0xe7, 0x47, 0xe6,
    0x8e, 0x60, 0xe3, 0x3e, 0xb3, 0xf6, 0x72, 0xa2, 0x35, 0xa0, 0xd7, 0xcd, 0xb4, 0x2f, 0x6d, 0x2c, 0x26, 0x1f, 0x95,
    0x87, 0x00, 0xd8, 0x34, 0x3f, 0x17, 0x25, 0x45, 0x27, 0x75, 0x92, 0xb8, 0xa3, 0xc8, 0xde, 0xeb, 0xf8, 0xf3, 0xdb,
    0x0a, 0x98, 0x83, 0x7b, 0xe5, 0xcb, 0x4c, 0x78, 0xd1,
};

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

void Put64(uint8_t* p, uint64_t v) {
  Put32(p, static_cast<uint32_t>(v));
  Put32(p + 4, static_cast<uint32_t>(v >> 32));
}

size_t AlignUp(size_t n, size_t to) { return (n + to - 1) / to * to; }

void Fill(uint8_t* p, size_t size, bool deadbeef) {
  for (size_t i = 0; i + 4 <= size; i += 4) Put32(p + i, deadbeef ? 0xDEADBEEF : 0);
}

std::vector<uint8_t> TextValue(const uint8_t* bytes, size_t size, size_t unit) {
  std::vector<uint8_t> value(bytes, bytes + size);
  value.resize(AlignUp(size + unit, 4) + 4, 0);  // terminator, padding, 4 zero bytes
  return value;
}

void AppendItem(std::vector<uint8_t>& data, const PropertyItem& item) {
  const size_t size = 4 + item.value.size();
  if (size > 0xFFFF) throw std::length_error("property item too large");
  const size_t at = data.size();
  data.resize(at + 4);
  Put16(&data[at], static_cast<uint32_t>(size));
  data[at + 2] = item.id;
  data[at + 3] = item.type;
  data.insert(data.end(), item.value.begin(), item.value.end());
}

std::vector<uint8_t> DataSection(const WrittenEntry& entry) {
  std::vector<uint8_t> data;
  AppendItem(data, PropertyItem{0x02, 0x00, {entry.firstItemValue.begin(), entry.firstItemValue.end()}});
  for (const PropertyItem& item : entry.itemsBeforeTitle) AppendItem(data, item);
  if (entry.hasTitle) AppendItem(data, TitleProperty(entry.title));
  for (const PropertyItem& item : entry.itemsAfterTitle) AppendItem(data, item);
  data.resize(data.size() + 4, 0);  // an item of size 0 ends the list
  return data;
}

// Last-checked time as the browser stores it: the first even second after
// the visit.
uint32_t LastChecked(uint64_t visit) {
  return visit == 0 ? 0 : FileTimeToFatDateTime(visit + 2 * kFileTimeTicksPerSecond);
}

std::vector<uint8_t> UrlRecord(const WrittenEntry& entry, const WriterOptions& options) {
  const std::string location = EntryLocation(entry, options);
  const bool periodic = !options.period.empty();
  const size_t dataOffset = AlignUp(kLocationOffset + location.size() + 1, 4);
  const std::vector<uint8_t> data = periodic ? std::vector<uint8_t>() : DataSection(entry);
  std::vector<uint8_t> record(AlignUp(dataOffset + data.size(), kBlockSize));
  Fill(record.data(), record.size(), options.deadbeefFill);
  std::memset(&record[8], 0, 0x5C);  // the fixed fields up to 0x64
  std::memcpy(&record[0], "URL ", 4);
  Put32(&record[0x04], static_cast<uint32_t>(record.size() / kBlockSize));
  Put64(&record[0x08], entry.lastUpdated);
  Put64(&record[0x10], entry.lastVisited);
  Put32(&record[0x18], entry.expiresFat);
  Put32(&record[0x2C], periodic ? 86400 : 0);
  Put32(&record[0x30], 0x60);
  Put32(&record[0x34], kLocationOffset);
  record[0x38] = 0xFE;
  record[0x3A] = 0x10;
  record[0x3B] = 0x10;
  Put32(&record[0x40], periodic ? kPeriodHistoryType : kGlobalHistoryType);
  if (!data.empty()) {
    Put32(&record[0x44], static_cast<uint32_t>(dataOffset));
    Put32(&record[0x48], static_cast<uint32_t>(data.size()));
    std::memcpy(&record[dataOffset], data.data(), data.size());
  }
  Put32(&record[0x50], LastChecked(entry.lastVisited));
  Put32(&record[0x54], entry.hits);
  std::memcpy(&record[kLocationOffset], location.data(), location.size());
  record[kLocationOffset + location.size()] = 0;
  return record;
}

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {  // days since 1970-01-01
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2);
}

constexpr int64_t kDays1601To1970 = 134774;

class FileBuilder {
 public:
  explicit FileBuilder(const WriterOptions& options) : options_(options), file_(kBlockAreaStart, 0) {}

  // Stores a record and takes a slot for it in the bucket of its location.
  // A freed record keeps its slot as a deleted one: key 1, the old offset.
  uint32_t Add(const std::vector<uint8_t>& record, const std::string& location, bool live) {
    const uint32_t hash = LocationHash(location);
    const size_t bucket = hash & (kBuckets - 1);
    size_t table = 0;
    while (table < tables_.size() && used_[table][bucket] == kSlotsPerBucket) ++table;
    if (table == tables_.size()) AddTable();
    const uint32_t offset = Append(record, live);
    uint8_t* slot = &file_[tables_[table] + 0x10 + 8 * (bucket * kSlotsPerBucket + used_[table][bucket]++)];
    Put32(slot, live ? hash & ~0x3Fu : kDeletedSlot);
    Put32(slot + 4, offset);
    return offset;
  }

  void AddTable() {
    std::vector<uint8_t> table(kHashTableSize);
    Fill(table.data(), table.size(), options_.deadbeefFill);
    std::memcpy(&table[0], "HASH", 4);
    Put32(&table[4], kHashTableSize / kBlockSize);
    Put32(&table[8], 0);
    Put32(&table[12], static_cast<uint32_t>(tables_.size()));
    for (size_t i = 0; i < kBuckets * kSlotsPerBucket; ++i) {
      Put32(&table[0x10 + 8 * i], kFreeSlot);
      Put32(&table[0x14 + 8 * i], kFreeSlot);
    }
    const uint32_t offset = Append(table, true);
    if (!tables_.empty()) Put32(&file_[tables_.back() + 8], offset);
    tables_.push_back(offset);
    used_.push_back({});
  }

  std::vector<uint8_t> Finish() {
    const size_t usedBlocks = (file_.size() - kBlockAreaStart) / kBlockSize;
    const size_t blocks = AlignUp(usedBlocks == 0 ? 1 : usedBlocks, kGrowthBlocks);
    if (blocks > kMaxBlocks) throw std::length_error("history records do not fit in one file");
    file_.resize(kBlockAreaStart + blocks * kBlockSize, 0);
    size_t allocated = 0;
    for (size_t block = 0; block < usedBlocks; ++block) {
      if (!allocated_[block]) continue;
      file_[kBitmapStart + block / 8] |= static_cast<uint8_t>(1u << (block % 8));
      ++allocated;
    }
    std::memcpy(&file_[0], "Client UrlCache MMF Ver 5.2", 28);
    Put32(&file_[0x1C], static_cast<uint32_t>(file_.size()));
    Put32(&file_[0x20], tables_.front());
    Put32(&file_[0x24], static_cast<uint32_t>(blocks));
    Put32(&file_[0x28], static_cast<uint32_t>(allocated));
    Put64(&file_[0x30], 0x800000);  // cache size limit of history containers
    return std::move(file_);
  }

  const std::vector<uint32_t>& tables() const { return tables_; }

 private:
  uint32_t Append(const std::vector<uint8_t>& bytes, bool live) {
    const size_t offset = file_.size();
    if ((offset - kBlockAreaStart + bytes.size()) / kBlockSize > kMaxBlocks) {
      throw std::length_error("history records do not fit in one file");
    }
    file_.insert(file_.end(), bytes.begin(), bytes.end());
    allocated_.resize(allocated_.size() + bytes.size() / kBlockSize, live);
    return static_cast<uint32_t>(offset);
  }

  const WriterOptions& options_;
  std::vector<uint8_t> file_;
  std::vector<bool> allocated_;  // per block after 0x4000
  std::vector<uint32_t> tables_;
  std::vector<std::array<uint8_t, kBuckets>> used_;  // per table: slots taken in each bucket
};

}  // namespace

PropertyItem Int32Property(uint8_t id, uint32_t value) {
  PropertyItem item{id, 0x03, std::vector<uint8_t>(8, 0)};
  Put32(item.value.data(), value);
  return item;
}

PropertyItem AnsiProperty(uint8_t id, const std::string& text) {
  return PropertyItem{id, 0x1E, TextValue(reinterpret_cast<const uint8_t*>(text.data()), text.size(), 1)};
}

PropertyItem TitleProperty(const std::u16string& title) {
  std::vector<uint8_t> bytes(title.size() * 2);
  for (size_t i = 0; i < title.size(); ++i) Put16(&bytes[2 * i], title[i]);
  return PropertyItem{0x10, 0x1F, TextValue(bytes.data(), bytes.size(), 2)};
}

std::string EntryLocation(const WrittenEntry& entry, const WriterOptions& options) {
  if (!entry.location.empty()) return entry.location;
  const std::string prefix = options.period.empty() ? "Visited: " : ":" + options.period + ": ";
  return prefix + options.user + "@" + entry.url;
}

std::vector<uint8_t> WriteHistoryFile(const std::vector<WrittenEntry>& entries, const WriterOptions& options,
                                      WrittenLayout* layout) {
  FileBuilder builder(options);
  builder.AddTable();
  std::vector<uint32_t> offsets;
  offsets.reserve(entries.size());
  for (const WrittenEntry& entry : entries) {
    const std::vector<uint8_t> record = UrlRecord(entry, options);
    offsets.push_back(builder.Add(record, EntryLocation(entry, options), !entry.freed));
  }
  if (layout) {
    layout->tableOffsets = builder.tables();
    layout->recordOffsets = std::move(offsets);
  }
  return builder.Finish();
}

uint32_t LocationHash(const std::string& location) {
  size_t length = location.size();
  if (length == 0) return 0;
  if (length > 1 && location[length - 1] == '/') --length;  // one final slash does not count
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(location[i]); };
  uint8_t state[4];
  for (int i = 0; i < 4; ++i) state[i] = kHashTable[(byte(0) + i) & 0xFF];
  for (size_t i = 1; i < length; ++i) {
    for (uint8_t& x : state) x = kHashTable[byte(i) ^ x];
  }
  return state[0] | (state[1] << 8) | (state[2] << 16) | (static_cast<uint32_t>(state[3]) << 24);
}

uint64_t UtcToFileTime(int year, int month, int day, int hour, int minute, int second) {
  const int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kDays1601To1970;
  const int64_t seconds = ((days * 24 + hour) * 60 + minute) * 60 + second;
  return static_cast<uint64_t>(seconds) * kFileTimeTicksPerSecond;
}

uint32_t FileTimeToFatDateTime(uint64_t fileTime) {
  const uint64_t seconds = fileTime / kFileTimeTicksPerSecond;
  const int64_t days = static_cast<int64_t>(seconds / 86400) - kDays1601To1970;
  const uint32_t secondOfDay = static_cast<uint32_t>(seconds % 86400);
  int64_t year;
  unsigned month, day;
  CivilFromDays(days, year, month, day);
  if (year < 1980 || year > 2107) return 0;
  const uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  const uint32_t time = ((secondOfDay / 3600) << 11) | ((secondOfDay / 60 % 60) << 5) | (secondOfDay % 60 / 2);
  return date | (time << 16);
}

}  // namespace glimmerlog
