#include "sources/shell/jumplist.h"

#include <cmath>
#include <cstring>
#include <unordered_set>

#include "base/bytes.h"
#include "sources/ole/cfb.h"

namespace glimmerlog {

namespace {

// DestList: a 32-byte header (version, entry count, pinned count, a float,
// the last entry number, 4 bytes, the revision, 4 bytes), then the entries:
// a checksum, the four tracking ids (volume, object, birth volume, birth
// object) at 8, the NetBIOS name (16 bytes) at 72, the entry number at 88,
// the weight (a float) at 96, the last access at 100, the pin at 108; in
// version 1 the path's length in characters at 112 and the path; from
// version 2 on the access count at 116, the length at 128, the path, and 4
// bytes more.
constexpr size_t kDestHeader = 32;
constexpr size_t kV1PathLength = 112, kPathLength = 128;

// Custom lists: version, category count, a reserved u32; each category a
// u32 type (0 the program's own with a name, 1 one of Windows' lists, 2 the
// tasks), then its entries, each a class id and the object; a category ends
// with a footer.
constexpr size_t kCustomHeader = 12;
constexpr uint32_t kCustomCategory = 0, kKnownCategory = 1, kTasks = 2;
constexpr uint32_t kCategoryFooter = 0xBABFFBAB;
constexpr uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

std::u16string HexName(uint32_t n) {
  static const char16_t kHex[] = u"0123456789abcdef";
  std::u16string text;
  do {
    text.insert(text.begin(), kHex[n & 0xF]);
    n >>= 4;
  } while (n);
  return text;
}

float FloatAt(const uint8_t* p) {
  const uint32_t bits = Le32(p);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

const char16_t* KnownCategoryName(uint32_t id) {
  return id == 1 ? u"Frequent" : id == 2 ? u"Recent" : u"Known category";
}

std::u16string Number(uint64_t n) {
  std::u16string text;
  do {
    text.insert(text.begin(), static_cast<char16_t>(u'0' + n % 10));
    n /= 10;
  } while (n);
  return text;
}

}  // namespace

bool ReadDestList(const uint8_t* data, size_t size, DestList& out) {
  out = DestList();
  if (size < kDestHeader) return false;
  out.version = Le32(data);
  out.entryCount = Le32(data + 4);
  out.pinnedCount = Le32(data + 8);
  out.lastEntryNumber = Le32(data + 16);
  out.revision = Le32(data + 24);
  const bool v1 = out.version < 2;
  const size_t lengthAt = v1 ? kV1PathLength : kPathLength;
  const size_t trailer = v1 ? 0 : 4;
  size_t offset = kDestHeader;
  out.bytesUsed = offset;
  for (uint32_t i = 0; i < out.entryCount; ++i) {
    if (size - offset < lengthAt + 2) {
      out.complete = offset == size && i == out.entryCount;
      break;
    }
    const uint8_t* e = data + offset;
    const size_t length = Le16(e + lengthAt);
    const size_t whole = lengthAt + 2 + 2 * length + trailer;
    if (whole > size - offset) {
      out.complete = false;
      break;
    }
    DestListEntry entry;
    ObjectId* ids[] = {&entry.volumeId, &entry.objectId, &entry.birthVolumeId, &entry.birthObjectId};
    for (size_t k = 0; k < 4; ++k) std::memcpy(ids[k]->bytes, e + 8 + 16 * k, 16);
    for (size_t k = 72; k < 88 && e[k]; ++k) entry.machine += static_cast<char16_t>(e[k]);
    entry.number = Le32(e + 88);
    entry.lastAccess = Le64(e + 100);
    entry.pin = static_cast<int32_t>(Le32(e + 108));
    // The weight is a float: kept to three decimals, as it is shown, so that
    // 3.7 reads 3.7 and not the double nearest the float.
    entry.accessCount =
        v1 ? std::round(static_cast<double>(FloatAt(e + 96)) * 1000) / 1000 : static_cast<double>(Le32(e + 116));
    if (!std::isfinite(entry.accessCount)) entry.accessCount = 0;
    entry.path.reserve(length);
    for (size_t k = 0; k < length; ++k) entry.path += static_cast<char16_t>(Le16(e + lengthAt + 2 + 2 * k));
    out.entries.push_back(std::move(entry));
    offset += whole;
    out.bytesUsed = offset;
  }
  if (out.entries.size() < out.entryCount) out.complete = false;
  return true;
}

bool ReadAutomaticDestinations(const uint8_t* data, size_t size, AnsiText ansi, JumpList& out) {
  out = JumpList();
  CompoundFile file;
  if (!file.Open(data, size)) return false;
  std::vector<uint8_t> bytes;
  if (const CompoundEntry* dest = file.FindStream(u"DestList")) {
    if (!file.ReadStream(*dest, bytes)) out.problems.push_back(u"the DestList stream is damaged");
    // A DestList of no bytes is what Windows leaves of a list it emptied.
    if (!bytes.empty()) {
      out.hasDestList = ReadDestList(bytes.data(), bytes.size(), out.destList);
      if (!out.hasDestList || !out.destList.complete) out.problems.push_back(u"the DestList stream is damaged");
    }
  }
  std::unordered_set<std::u16string> joined;
  auto readLink = [&](const CompoundEntry& stream, JumpListEntry& entry) {
    if (!file.ReadStream(stream, bytes)) out.problems.push_back(u"stream " + stream.name + u" is damaged");
    entry.hasLink = ReadShellLink(bytes.data(), bytes.size(), ansi, entry.link);
    if (!entry.hasLink) {
      out.problems.push_back(u"stream " + stream.name + u" holds no shortcut");
    } else if (!entry.link.problems.empty()) {
      out.problems.push_back(u"stream " + stream.name + u": " + entry.link.problems.front());
    }
  };
  for (const DestListEntry& dest : out.destList.entries) {
    JumpListEntry entry;
    entry.category = dest.pin >= 0 ? u"Pinned" : u"Recent";
    entry.stream = HexName(dest.number);
    entry.inDestList = true;
    entry.dest = dest;
    if (const CompoundEntry* stream = file.FindStream(entry.stream)) {
      joined.insert(stream->name);
      readLink(*stream, entry);
    } else {
      out.problems.push_back(u"DestList entry " + entry.stream + u" has no stream");
    }
    out.entries.push_back(std::move(entry));
  }
  for (const CompoundEntry* stream : file.RootChildren()) {
    if (stream->type != 2 || joined.count(stream->name) || stream->name == u"DestList") continue;
    JumpListEntry entry;
    entry.category = u"Recent";
    entry.stream = stream->name;
    readLink(*stream, entry);
    if (entry.hasLink) out.entries.push_back(std::move(entry));
  }
  return true;
}

bool ReadCustomDestinations(const uint8_t* data, size_t size, AnsiText ansi, JumpList& out) {
  out = JumpList();
  if (size < kCustomHeader) return false;
  const uint32_t categories = Le32(data + 4);
  size_t offset = kCustomHeader;
  auto damaged = [&out](uint32_t category) {
    out.problems.push_back(u"category " + Number(category + 1) + u" is damaged");
  };
  for (uint32_t c = 0; c < categories; ++c) {
    if (size - offset < 4) return damaged(c), true;
    const uint32_t type = Le32(data + offset);
    offset += 4;
    std::u16string name;
    uint32_t count = 0;
    if (type == kCustomCategory) {
      if (size - offset < 2) return damaged(c), true;
      const size_t length = Le16(data + offset);
      if (size - offset - 2 < 2 * length + 4) return damaged(c), true;
      for (size_t k = 0; k < length; ++k) name += static_cast<char16_t>(Le16(data + offset + 2 + 2 * k));
      offset += 2 + 2 * length;
      count = Le32(data + offset);
      offset += 4;
    } else if (type == kKnownCategory) {
      if (size - offset < 4) return damaged(c), true;
      out.knownCategories.push_back(KnownCategoryName(Le32(data + offset)));
      offset += 4;
    } else if (type == kTasks) {
      if (size - offset < 4) return damaged(c), true;
      name = u"Tasks";
      count = Le32(data + offset);
      offset += 4;
    } else {
      return damaged(c), true;  // a type not known here: its length is unknown too
    }
    for (uint32_t k = 0; k < count; ++k) {
      if (size - offset < 16 + kLinkHeaderSize || std::memcmp(data + offset, kLinkClsid, 16) != 0) {
        return damaged(c), true;
      }
      JumpListEntry entry;
      entry.category = name;
      entry.hasLink = ReadShellLink(data + offset + 16, size - offset - 16, ansi, entry.link);
      if (!entry.hasLink) return damaged(c), true;
      if (!entry.link.problems.empty()) {
        out.problems.push_back(u"category " + Number(c + 1) + u": " + entry.link.problems.front());
      }
      offset += 16 + entry.link.size;
      out.entries.push_back(std::move(entry));
    }
    if (size - offset < 4 || Le32(data + offset) != kCategoryFooter) return damaged(c), true;
    offset += 4;
  }
  return true;
}

}  // namespace glimmerlog
