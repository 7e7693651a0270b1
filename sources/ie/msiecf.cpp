#include "sources/ie/msiecf.h"

#include <algorithm>
#include <cstring>

#include "base/bytes.h"

namespace glimmerlog {
namespace {

// File layout: a 0x4000-byte header (with the allocation bitmap from 0x250),
// then 128-byte blocks. Every record starts on a block boundary with a 4-byte
// signature and a 4-byte block count.
constexpr char kSignature[28] = "Client UrlCache MMF Ver 5.2";  // 27 characters and the NUL
constexpr size_t kHeaderSizeField = 0x1C;
constexpr size_t kFirstHashTableField = 0x20;
constexpr size_t kBitmapStart = 0x250;
constexpr size_t kBlockAreaStart = 0x4000;
constexpr size_t kBlockSize = 128;

// A hash table takes 32 blocks; only its first 448 slots (64 buckets of 7)
// are ever used, the rest is filler.
constexpr size_t kHashTableSize = 4096;
constexpr size_t kHashTableBlocks = kHashTableSize / kBlockSize;
constexpr size_t kHashNextField = 0x08;
constexpr size_t kHashSlotsStart = 0x10;
constexpr size_t kHashSlotCount = 448;

// URL record fields.
constexpr size_t kUrlSecondaryTime = 0x08;
constexpr size_t kUrlPrimaryTime = 0x10;
constexpr size_t kUrlExpiry = 0x18;
constexpr size_t kUrlDataOffset = 0x44;
constexpr size_t kUrlDataSize = 0x48;
constexpr size_t kUrlLocation = 0x68;

// Property items of the data section: 2-byte size, 1-byte id, 1-byte type.
constexpr uint8_t kTitleId = 0x10;
constexpr uint8_t kTypeLpwstr = 0x1F;

constexpr char kVisitedPrefix[] = "Visited: ";
constexpr size_t kVisitedPrefixLength = sizeof(kVisitedPrefix) - 1;

bool HasSignature(const uint8_t* p, const char (&sig)[5]) { return std::memcmp(p, sig, 4) == 0; }

// Days from 1601-01-01 to the given date of the proleptic Gregorian calendar.
int64_t DaysSince1601(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  constexpr int64_t kDaysFrom0000To1601 = 584694;  // both counted from 0000-03-01
  return era * 146097 + dayOfEra - kDaysFrom0000To1601;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
  static const unsigned char kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// Length in bytes of the record starting at `offset` of a file whose data
// ends at `end`, or 0 when the offset is not a block boundary of the block
// area or the record does not fit.
size_t RecordLengthAt(const uint8_t* data, size_t end, uint64_t offset) {
  if (offset < kBlockAreaStart || offset % kBlockSize != 0 || offset > end - kBlockSize) return 0;
  const uint64_t blocks = Le32(data + offset + 4);
  const uint64_t length = blocks * kBlockSize;
  if (length == 0 || length > end - offset) return 0;
  return static_cast<size_t>(length);
}

// Whether the allocation bitmap marks the block at `offset` as in use; blocks
// past what the bitmap covers count as free.
bool BlockAllocatedAt(const uint8_t* data, size_t offset) {
  const size_t block = (offset - kBlockAreaStart) / kBlockSize;
  const size_t byte = kBitmapStart + block / 8;
  return byte < kBlockAreaStart && (data[byte] >> (block % 8) & 1) != 0;
}

// The file as the reader sees it: bytes up to `end`, which never exceeds the
// buffer and is at least kBlockAreaStart.
class HistoryFileReader {
 public:
  HistoryFileReader(const uint8_t* data, size_t end)
      : data_(data), end_(end), handled_((end - kBlockAreaStart) / kBlockSize, 0) {}

  void Read(std::vector<HistoryEntry>& out) {
    const bool chainIntact = WalkHashChain(out);
    if (!chainIntact) WalkBlocks(out);
  }

 private:
  // Length in bytes of the record starting at `offset`, or 0 when the offset
  // is not a block boundary of the block area or the record does not fit.
  size_t RecordLength(uint64_t offset) const { return RecordLengthAt(data_, end_, offset); }

  bool BlockAllocated(size_t offset) const { return BlockAllocatedAt(data_, offset); }

  // Marks the record at `offset` as handled; false if it already was.
  bool MarkHandled(size_t offset) {
    uint8_t& flag = handled_[(offset - kBlockAreaStart) / kBlockSize];
    if (flag) return false;
    flag = 1;
    return true;
  }

  bool ValidHashTable(uint64_t offset) const {
    return offset >= kBlockAreaStart && offset % kBlockSize == 0 && offset <= end_ && kHashTableSize <= end_ - offset &&
           HasSignature(data_ + offset, "HASH");
  }

  // Follows the chain of hash tables from the header and lists the URL
  // records of the used slots. Returns false when the chain or a used slot
  // turned out to be damaged, so that live records may have been missed.
  bool WalkHashChain(std::vector<HistoryEntry>& out) {
    bool intact = true;
    std::vector<uint8_t> tableSeen(handled_.size(), 0);
    uint64_t table = Le32(data_ + kFirstHashTableField);
    while (true) {
      if (!ValidHashTable(table)) return false;
      // A table overlapping one already read means a loop in the chain (or
      // worse); refusing it also keeps the walk linear in the file size.
      uint8_t* const seen = &tableSeen[(table - kBlockAreaStart) / kBlockSize];
      if (std::find(seen, seen + kHashTableBlocks, 1) != seen + kHashTableBlocks) return false;
      std::fill(seen, seen + kHashTableBlocks, 1);
      const uint8_t* slot = data_ + table + kHashSlotsStart;
      for (size_t i = 0; i < kHashSlotCount; ++i, slot += 8) {
        const uint32_t key = Le32(slot);
        const uint32_t offset = Le32(slot + 4);
        // Free slots and filler hold key == offset; low bits 1 mark a deleted
        // entry and 3 a free one.
        if (key == offset || (key & 0x3F) == 1 || (key & 0x3F) == 3) continue;
        const size_t length = RecordLength(offset);
        if (length == 0) {
          intact = false;
          continue;
        }
        const uint8_t* record = data_ + offset;
        if (HasSignature(record, "URL ")) {
          if (MarkHandled(offset)) AddIfVisited(record, length, out);
        } else if (!HasSignature(record, "REDR")) {
          intact = false;
        }
      }
      table = Le32(data_ + table + kHashNextField);
      if (table == 0) return intact;
    }
  }

  // Recovers what a damaged chain may have hidden: steps through the block
  // area and lists allocated URL records that the chain did not reach. Freed
  // copies have their first block clear in the bitmap and stay out.
  void WalkBlocks(std::vector<HistoryEntry>& out) {
    size_t offset = kBlockAreaStart;
    while (offset <= end_ - kBlockSize) {
      const uint8_t* record = data_ + offset;
      const bool known = HasSignature(record, "URL ") || HasSignature(record, "REDR") || HasSignature(record, "LEAK") ||
                         HasSignature(record, "HASH");
      const size_t length = known ? RecordLength(offset) : 0;
      if (length == 0 || !BlockAllocated(offset)) {
        offset += kBlockSize;
        continue;
      }
      if (HasSignature(record, "URL ") && MarkHandled(offset)) AddIfVisited(record, length, out);
      offset += length;
    }
  }

  static void AddIfVisited(const uint8_t* record, size_t length, std::vector<HistoryEntry>& out) {
    HistoryEntry entry;
    if (DecodeUrlRecord(record, length, entry)) out.push_back(std::move(entry));
  }

  // Decodes a URL record of `length` bytes (at least one block). False when
  // its location is not a "Visited: <user>@<url>" string.
  static bool DecodeUrlRecord(const uint8_t* record, size_t length, HistoryEntry& entry) {
    const char* location = reinterpret_cast<const char*>(record + kUrlLocation);
    const size_t room = length - kUrlLocation;
    const void* nul = std::memchr(location, 0, room);
    const size_t locationLength = nul ? static_cast<size_t>(static_cast<const char*>(nul) - location) : room;
    if (locationLength < kVisitedPrefixLength || std::memcmp(location, kVisitedPrefix, kVisitedPrefixLength) != 0) {
      return false;
    }
    const char* user = location + kVisitedPrefixLength;
    const char* locationEnd = location + locationLength;
    const void* at = std::memchr(user, '@', static_cast<size_t>(locationEnd - user));
    if (!at) return false;
    entry.url.assign(static_cast<const char*>(at) + 1, locationEnd);

    entry.lastVisited = Le64(record + kUrlPrimaryTime);
    entry.lastUpdated = Le64(record + kUrlSecondaryTime);
    entry.expires = FatDateTimeToFileTime(Le32(record + kUrlExpiry));
    entry.flags = 0;

    const uint32_t dataOffset = Le32(record + kUrlDataOffset);
    const uint32_t dataSize = Le32(record + kUrlDataSize);
    if (dataOffset != 0 && dataSize != 0 && dataOffset <= length && dataSize <= length - dataOffset) {
      entry.title = ReadTitle(record + dataOffset, dataSize);
    }
    return true;
  }

  // Walks the property items of a data section and returns the text of the
  // first title item, up to its first zero code unit. A damaged item list
  // ends the walk: what came before it still counts.
  static std::u16string ReadTitle(const uint8_t* items, size_t size) {
    size_t pos = 0;
    while (size - pos >= 4) {
      const size_t itemSize = Le16(items + pos);
      if (itemSize < 4 || itemSize > size - pos) break;  // 0 is the regular end of the list
      if (items[pos + 2] == kTitleId && items[pos + 3] == kTypeLpwstr) {
        std::u16string title;
        for (size_t i = pos + 4; i + 2 <= pos + itemSize; i += 2) {
          const char16_t unit = Le16(items + i);
          if (unit == 0) break;
          title.push_back(unit);
        }
        return title;
      }
      pos += itemSize;
    }
    return std::u16string();
  }

  const uint8_t* data_;
  size_t end_;
  std::vector<uint8_t> handled_;  // per block: a record starting there was listed or judged
};


// Fields of URL and LEAK records beyond those of history records, where
// REDR records keep their location, and the header's cache folders.
constexpr size_t kUrlLocationOffset = 0x34;
constexpr size_t kUrlCacheFolder = 0x38;
constexpr size_t kUrlFileNameOffset = 0x3C;
constexpr size_t kUrlLastChecked = 0x50;
constexpr size_t kUrlHits = 0x54;
constexpr size_t kUrlFixedFields = 0x60;  // a URL record shorter than this is damaged
constexpr size_t kRedirectLocation = 0x10;
constexpr size_t kFolderCountField = 0x48;
constexpr size_t kFoldersStart = 0x4C;
constexpr size_t kFolderEntrySize = 12;  // 4-byte file count, 8-character name
constexpr size_t kFolderNameLength = 8;
constexpr size_t kFoldersEnd = 0x1CC;
constexpr uint32_t kNeverFat = 0xFFFFFFFF;

// The NUL-terminated string at `offset` of a record of `length` bytes. A
// string that runs to the record's end is taken up to there when `cutOk`,
// else refused, as is an offset outside the record. False when refused.
bool RecordString(const uint8_t* record, size_t length, uint64_t offset, bool cutOk, std::string& out) {
  if (offset == 0 || offset >= length) return false;
  const char* text = reinterpret_cast<const char*>(record + offset);
  const void* nul = std::memchr(text, 0, length - offset);
  if (!nul && !cutOk) return false;
  out.assign(text, nul ? static_cast<const char*>(nul) : text + (length - offset));
  return true;
}

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// The value of the Content-Type line of HTTP response headers stored as
// text (up to the first NUL); empty when there is none. A data section that
// holds something else (a history record's property list starts with a
// NUL byte within its first two) yields nothing.
std::string ContentType(const uint8_t* bytes, size_t size) {
  const char* text = reinterpret_cast<const char*>(bytes);
  const void* nul = std::memchr(text, 0, size);
  const char* end = nul ? static_cast<const char*>(nul) : text + size;
  static constexpr char kName[] = "content-type:";
  constexpr size_t kNameLength = sizeof(kName) - 1;
  for (const char* line = text; line < end;) {
    const char* eol = std::find(line, end, '\n');
    if (static_cast<size_t>(eol - line) >= kNameLength &&
        std::equal(kName, kName + kNameLength, line, [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b + 32 : b); })) {
      const char* value = line + kNameLength;
      const char* valueEnd = eol;
      while (value < valueEnd && IsSpace(*value)) ++value;
      while (valueEnd > value && (IsSpace(valueEnd[-1]) || valueEnd[-1] == '\r')) --valueEnd;
      return std::string(value, valueEnd);
    }
    line = eol == end ? end : eol + 1;
  }
  return std::string();
}

// Walks the block area of a whole file, record by record, as the
// allocation bitmap and the records' block counts lay it out.
class CacheRecordWalker {
 public:
  CacheRecordWalker(const uint8_t* data, size_t end) : data_(data), end_(end) {
    // Free blocks in a row from each block on, so that a free record's
    // blocks are checked in constant time and the walk stays linear.
    const size_t blocks = (end - kBlockAreaStart) / kBlockSize;
    freeRun_.assign(blocks + 1, 0);
    for (size_t b = blocks; b-- > 0;) {
      freeRun_[b] = BlockAllocatedAt(data_, kBlockAreaStart + b * kBlockSize) ? 0 : freeRun_[b + 1] + 1;
    }
    const uint32_t folders = Le32(data_ + kFolderCountField);
    for (size_t i = 0; i < folders && kFoldersStart + (i + 1) * kFolderEntrySize <= kFoldersEnd; ++i) {
      const char* name = reinterpret_cast<const char*>(data_ + kFoldersStart + i * kFolderEntrySize + 4);
      folders_.emplace_back(name, std::find(name, name + kFolderNameLength, '\0'));
    }
  }

  // An allocated record is taken and its blocks jumped over; a free one is
  // taken with those of its blocks that are still free, and the walk goes
  // on at its next block, where a later free copy may start.
  void Walk(std::vector<CacheRecord>& out) {
    size_t offset = kBlockAreaStart;
    while (offset <= end_ - kBlockSize) {
      const uint8_t* record = data_ + offset;
      CacheRecord::Type type = CacheRecord::Type::kUrl;
      const bool listed = TypeOf(record, type);
      const size_t length = listed || HasSignature(record, "HASH") ? RecordLengthAt(data_, end_, offset) : 0;
      if (length == 0) {
        offset += kBlockSize;
        continue;
      }
      const bool allocated = BlockAllocatedAt(data_, offset);
      if (listed) {
        // Of a free record, only its blocks that are still free are its own:
        // a later record may have taken the rest.
        const size_t stillFree = freeRun_[(offset - kBlockAreaStart) / kBlockSize] * kBlockSize;
        CacheRecord entry;
        entry.type = type;
        entry.allocated = allocated;
        entry.partial = !allocated && stillFree < length;
        entry.offset = static_cast<uint32_t>(offset);
        entry.size = static_cast<uint32_t>(entry.partial ? stillFree : length);
        if (Decode(record, entry.size, entry)) out.push_back(std::move(entry));
      }
      offset += allocated ? length : kBlockSize;
    }
  }

 private:
  static bool TypeOf(const uint8_t* record, CacheRecord::Type& type) {
    if (HasSignature(record, "URL ")) {
      type = CacheRecord::Type::kUrl;
    } else if (HasSignature(record, "REDR")) {
      type = CacheRecord::Type::kRedirect;
    } else if (HasSignature(record, "LEAK")) {
      type = CacheRecord::Type::kLeak;
    } else {
      return false;
    }
    return true;
  }

  // Fills the record's fields from its first `length` bytes. A free record
  // whose strings do not end inside them is not intact and is refused; an
  // allocated one keeps what it has.
  bool Decode(const uint8_t* record, size_t length, CacheRecord& entry) const {
    const bool cutOk = entry.allocated;
    if (entry.type == CacheRecord::Type::kRedirect) {
      return RecordString(record, length, kRedirectLocation, cutOk, entry.location) || cutOk;
    }
    if (length < kUrlFixedFields + 8) return cutOk;
    // A LEAK record keeps only its file: its other fields are left over.
    if (entry.type == CacheRecord::Type::kUrl) {
      const uint32_t locationOffset = Le32(record + kUrlLocationOffset);
      if (!RecordString(record, length, locationOffset, cutOk, entry.location) && !cutOk) return false;
      entry.primaryTime = Le64(record + kUrlPrimaryTime);
      entry.secondaryTime = Le64(record + kUrlSecondaryTime);
      const uint32_t expires = Le32(record + kUrlExpiry);
      entry.neverExpires = expires == kNeverFat;
      entry.expires = FatDateTimeToFileTime(expires);
      entry.lastChecked = FatDateTimeToFileTime(Le32(record + kUrlLastChecked));
      entry.hits = Le32(record + kUrlHits);
      const uint32_t dataOffset = Le32(record + kUrlDataOffset);
      const uint32_t dataSize = Le32(record + kUrlDataSize);
      if (dataOffset != 0 && dataSize != 0 && dataOffset <= length && dataSize <= length - dataOffset) {
        entry.contentType = ContentType(record + dataOffset, dataSize);
      }
    }
    const uint32_t fileNameOffset = Le32(record + kUrlFileNameOffset);
    if (fileNameOffset != 0) {
      if (!RecordString(record, length, fileNameOffset, cutOk, entry.fileName) && !cutOk) return false;
      const uint8_t folder = record[kUrlCacheFolder];
      if (folder < folders_.size()) entry.cacheFolder = folders_[folder];
    }
    return true;
  }

  const uint8_t* data_;
  size_t end_;
  std::vector<uint32_t> freeRun_;
  std::vector<std::string> folders_;
};

// The header's size field bounds the data unless it is smaller than the
// header itself (damage) or larger than what was read (a truncated file).
size_t DataEnd(const uint8_t* data, size_t size) {
  const size_t headerSize = Le32(data + kHeaderSizeField);
  return headerSize >= kBlockAreaStart && headerSize <= size ? headerSize : size;
}

}  // namespace

bool ReadHistoryFile(const uint8_t* data, size_t size, std::vector<HistoryEntry>& out) {
  out.clear();
  if (data == nullptr || size < kBlockAreaStart || std::memcmp(data, kSignature, sizeof kSignature) != 0) {
    return false;
  }
  HistoryFileReader(data, DataEnd(data, size)).Read(out);
  return true;
}

bool ReadCacheRecords(const uint8_t* data, size_t size, std::vector<CacheRecord>& out) {
  out.clear();
  if (data == nullptr || size < kBlockAreaStart || std::memcmp(data, kSignature, sizeof kSignature) != 0) {
    return false;
  }
  CacheRecordWalker(data, DataEnd(data, size)).Walk(out);
  return true;
}

uint64_t FatDateTimeToFileTime(uint32_t fat) {
  const unsigned date = fat & 0xFFFF;
  const unsigned time = fat >> 16;
  const unsigned day = date & 0x1F;
  const unsigned month = (date >> 5) & 0x0F;
  const unsigned year = 1980 + (date >> 9);
  const unsigned second = (time & 0x1F) * 2;
  const unsigned minute = (time >> 5) & 0x3F;
  const unsigned hour = time >> 11;
  // 0xFFFFFFFF ("never") fails here too: month 15.
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 || second > 59) {
    return 0;
  }
  constexpr uint64_t kTicksPerSecond = 10000000;
  const uint64_t days = static_cast<uint64_t>(DaysSince1601(year, month, day));
  return ((days * 24 + hour) * 60 + minute) * 60 * kTicksPerSecond + second * kTicksPerSecond;
}

}  // namespace glimmerlog
