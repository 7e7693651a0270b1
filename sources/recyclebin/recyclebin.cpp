// The Recycle Bin's index files: $I (versions 1 and 2), INFO and INFO2.
#include "sources/recyclebin/recyclebin.h"

#include <algorithm>

#include "base/bytes.h"

namespace glimmerlog {

namespace {

// UTF-16LE text up to its first NUL or the end of `size` bytes (an odd
// last byte is left out).
std::u16string Utf16Z(const uint8_t* data, size_t size) {
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2) {
    const char16_t c = Le16(data + i);
    if (c == 0) break;
    text += c;
  }
  return text;
}

constexpr size_t kIndexHeader = 24;     // version, size, deletion time
constexpr size_t kIndexV1Path = 520;    // MAX_PATH characters of UTF-16
constexpr size_t kIndexV1Size = kIndexHeader + kIndexV1Path;
// Some version 1 files of Windows Vista are one byte short, their size
// field seven bytes long: the time and the path then lie one byte earlier,
// and the size cannot be known.
constexpr size_t kIndexV1Short = kIndexV1Size - 1;

constexpr size_t kInfoHeader = 20;
constexpr size_t kInfoAnsiPath = 260;
constexpr size_t kInfoAnsiRecord = 280, kInfoUnicodeRecord = 800;

}  // namespace

bool ParseRecycleIndex(const uint8_t* data, size_t size, RecycleIndexFile& out) {
  out = RecycleIndexFile();
  if (size < kIndexHeader) {
    out.note = "too short for a $I file (" + std::to_string(size) + " bytes)";
    return false;
  }
  const uint64_t version = Le64(data);
  if (version != 1 && version != 2) {
    out.note = "not a $I file (version " + std::to_string(version) + ")";
    return false;
  }
  out.version = static_cast<uint32_t>(version);
  RecycledItem& item = out.item;
  if (version == 1 && size == kIndexV1Short) {
    item.sizeKnown = false;
    item.deleted = Le64(data + 15);
    item.originalPath = Utf16Z(data + 23, size - 23);
    out.note = "its size field is cut short, so the size is unknown";
    return true;
  }
  item.size = Le64(data + 8);
  item.deleted = Le64(data + 16);
  if (version == 1) {
    item.originalPath = Utf16Z(data + kIndexHeader, std::min(size - kIndexHeader, kIndexV1Path));
    if (size < kIndexV1Size) out.note = "cut short (" + std::to_string(size) + " of 544 bytes)";
    return true;
  }
  if (size < kIndexHeader + 4) {
    out.note = "cut short before the path's length";
    return true;
  }
  // The length counts characters, its final NUL included.
  const uint64_t length = Le32(data + kIndexHeader);
  const size_t there = (size - kIndexHeader - 4) / 2;
  item.originalPath = Utf16Z(data + kIndexHeader + 4, static_cast<size_t>(std::min<uint64_t>(length, there)) * 2);
  if (length > there) {
    out.note = "cut short (the path has " + std::to_string(there) + " of its " + std::to_string(length) +
               " characters)";
  }
  return true;
}

std::u16string RecycledContentName(std::u16string_view indexName) {
  if (indexName.size() < 2) return {};
  return u"$R" + std::u16string(indexName.substr(2));
}

bool ParseRecycleInfo(const uint8_t* data, size_t size, const AnsiText& ansi, RecycleInfoFile& out) {
  out = RecycleInfoFile();
  if (size < kInfoHeader) {
    out.note = "too short for an INFO file (" + std::to_string(size) + " bytes)";
    return false;
  }
  out.version = Le32(data);
  out.recordSize = Le32(data + 12);
  if (out.recordSize != kInfoAnsiRecord && out.recordSize != kInfoUnicodeRecord) {
    out.note = "unknown record size " + std::to_string(out.recordSize);
    return false;
  }
  const size_t records = (size - kInfoHeader) / out.recordSize;
  out.items.reserve(records);
  for (size_t i = 0; i < records; ++i) {
    const uint8_t* record = data + kInfoHeader + i * out.recordSize;
    RecycledItem item;
    item.record = Le32(record + kInfoAnsiPath);
    item.drive = Le32(record + kInfoAnsiPath + 4);
    item.deleted = Le64(record + kInfoAnsiPath + 8);
    item.size = Le32(record + kInfoAnsiPath + 16);
    item.removed = record[0] == 0;
    // A removed record's cleared first byte was its drive letter, or the
    // first backslash of a network path (drive number 26).
    const uint8_t* begin = record + (item.removed ? 1 : 0);
    const uint8_t* end = std::find(begin, record + kInfoAnsiPath, 0);
    item.ansiPath = ansi(std::string_view(reinterpret_cast<const char*>(begin), end - begin));
    if (item.removed && !item.ansiPath.empty()) {
      item.ansiPath.insert(item.ansiPath.begin(), item.drive < 26    ? static_cast<char16_t>(u'A' + item.drive)
                                                  : item.drive == 26 ? u'\\'
                                                                     : u'?');
    }
    if (out.recordSize == kInfoUnicodeRecord) {
      item.originalPath = Utf16Z(record + kInfoAnsiRecord, kInfoUnicodeRecord - kInfoAnsiRecord);
    }
    if (item.originalPath.empty()) item.originalPath = item.ansiPath;
    out.items.push_back(std::move(item));
  }
  if (const size_t rest = (size - kInfoHeader) % out.recordSize) {
    out.note = "its last record is cut short (" + std::to_string(rest) + " bytes) and left out";
  }
  return true;
}

std::u16string RecycledInfoContentName(const RecycledItem& item) {
  if (item.drive >= 26) return {};
  std::u16string name = u"D";
  name += static_cast<char16_t>(u'a' + item.drive);
  for (char c : std::to_string(item.record)) name += static_cast<char16_t>(c);
  const size_t slash = item.originalPath.rfind(u'\\');
  const size_t dot = item.originalPath.rfind(u'.');
  if (dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash)) {
    name += item.originalPath.substr(dot);
  }
  return name;
}

}  // namespace glimmerlog
