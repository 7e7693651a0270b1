#include "sources/shell/lnk.h"

#include <cstring>

#include "base/bytes.h"
#include "sources/shell/knownfolders.h"
#include "sources/shell/propertystore.h"

namespace glimmerlog {

namespace {

// The shell link class id, as stored: 00021401-0000-0000-C000-000000000046.
constexpr uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// Header flags that announce the parts after the header.
constexpr uint32_t kHasItemList = 0x1, kHasLinkInfo = 0x2, kHasName = 0x4, kHasRelativePath = 0x8,
                   kHasWorkingDirectory = 0x10, kHasArguments = 0x20, kHasIconLocation = 0x40, kIsUnicode = 0x80,
                   kForceNoLinkInfo = 0x100;

// Link information flags and its header's fields.
constexpr uint32_t kVolumeAndLocalPath = 0x1, kNetworkAndSuffix = 0x2;
constexpr size_t kInfoHeaderWithUnicode = 0x24;
// Network part: its flags say which of the device name and provider type hold.
constexpr uint32_t kValidDevice = 0x1, kValidNetType = 0x2;

// Extra data blocks by signature.
constexpr uint32_t kEnvironmentBlock = 0xA0000001, kConsoleBlock = 0xA0000002, kTrackerBlock = 0xA0000003,
                   kConsoleCodePageBlock = 0xA0000004, kSpecialFolderBlock = 0xA0000005, kDarwinBlock = 0xA0000006,
                   kIconEnvironmentBlock = 0xA0000007, kShimBlock = 0xA0000008, kPropertyStoreBlock = 0xA0000009,
                   kKnownFolderBlock = 0xA000000B, kItemListBlock = 0xA000000C;
// Environment, icon environment and darwin blocks: 260 ANSI bytes, then 520
// bytes of UTF-16.
constexpr size_t kPathBlockSize = 8 + 260 + 520;

// Property store values the view shows, by format and id.
constexpr char kStorageFormat[] = "B725F130-47EF-101A-A5F1-02608C9EEBAC";  // size 12, modified 14, created 15, accessed 16
constexpr char kShellDetails[] = "28636AA6-953D-11D2-B5D6-00C04FD918D0";  // parsing path 30
constexpr char kAppUserModel[] = "9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3";  // app user model id 5

// Version-1 object ids count 100-ns ticks from 1582-10-15; FILETIME from
// 1601-01-01, 6653 days later.
constexpr uint64_t kGregorianToFileTime = 6653ull * 86400 * 10000000;

struct Span {
  const uint8_t* p;
  size_t n;
  bool Has(size_t offset, size_t length) const { return offset <= n && length <= n - offset; }
};

// A NUL-terminated ANSI string at `offset`, up to the span's end.
std::u16string AnsiZ(const Span& s, size_t offset, AnsiText ansi) {
  if (offset >= s.n) return {};
  size_t end = offset;
  while (end < s.n && s.p[end] != 0) ++end;
  return ansi(std::string_view(reinterpret_cast<const char*>(s.p + offset), end - offset));
}

// A NUL-terminated UTF-16 string at `offset`, up to the span's end.
std::u16string Utf16Z(const Span& s, size_t offset) {
  std::u16string text;
  for (size_t i = offset; i < s.n && s.n - i >= 2; i += 2) {
    const char16_t c = Le16(s.p + i);
    if (c == 0) break;
    text += c;
  }
  return text;
}

const char16_t kHex[] = u"0123456789abcdef";

void AppendHex(std::u16string& text, uint8_t byte) {
  text += kHex[byte >> 4];
  text += kHex[byte & 0xF];
}

// The link information: the volume or share the target was on.
bool ReadLinkInfo(const Span& info, AnsiText ansi, ShellLink& link) {
  if (!info.Has(0, 0x1C)) return false;
  const uint32_t headerSize = Le32(info.p + 4);
  const uint32_t flags = Le32(info.p + 8);
  const bool unicode = headerSize >= kInfoHeaderWithUnicode && info.Has(0, kInfoHeaderWithUnicode);
  bool whole = true;
  if (flags & kVolumeAndLocalPath) {
    const uint32_t volumeOffset = Le32(info.p + 12);
    if (info.Has(volumeOffset, 16) && Le32(info.p + volumeOffset) >= 16 &&
        info.Has(volumeOffset, Le32(info.p + volumeOffset))) {
      const Span volume{info.p + volumeOffset, Le32(info.p + volumeOffset)};
      link.hasVolume = true;
      link.driveType = Le32(volume.p + 4);
      link.driveSerial = Le32(volume.p + 8);
      const uint32_t labelOffset = Le32(volume.p + 12);
      if (labelOffset == 0x14 && volume.Has(16, 4)) {
        link.volumeLabel = Utf16Z(volume, Le32(volume.p + 16));
      } else {
        link.volumeLabel = AnsiZ(volume, labelOffset, ansi);
      }
    } else {
      whole = false;
    }
    const uint32_t unicodePath = unicode ? Le32(info.p + 0x1C) : 0;
    link.localBasePath = unicodePath ? Utf16Z(info, unicodePath) : AnsiZ(info, Le32(info.p + 16), ansi);
  }
  if (flags & kNetworkAndSuffix) {
    const uint32_t netOffset = Le32(info.p + 20);
    if (info.Has(netOffset, 20) && Le32(info.p + netOffset) >= 20 && info.Has(netOffset, Le32(info.p + netOffset))) {
      const Span net{info.p + netOffset, Le32(info.p + netOffset)};
      link.hasNetwork = true;
      const uint32_t netFlags = Le32(net.p + 4);
      const uint32_t nameOffset = Le32(net.p + 8), deviceOffset = Le32(net.p + 12);
      if (netFlags & kValidNetType) link.networkProviderType = Le32(net.p + 16);
      if (nameOffset > 0x14 && net.Has(20, 8)) {
        link.netName = Utf16Z(net, Le32(net.p + 20));
        if (netFlags & kValidDevice) link.deviceName = Utf16Z(net, Le32(net.p + 24));
      } else {
        link.netName = AnsiZ(net, nameOffset, ansi);
        if (netFlags & kValidDevice) link.deviceName = AnsiZ(net, deviceOffset, ansi);
      }
    } else {
      whole = false;
    }
  }
  if (flags & (kVolumeAndLocalPath | kNetworkAndSuffix)) {
    const uint32_t unicodeSuffix = unicode ? Le32(info.p + 0x20) : 0;
    link.commonPathSuffix = unicodeSuffix ? Utf16Z(info, unicodeSuffix) : AnsiZ(info, Le32(info.p + 24), ansi);
  }
  return whole;
}

// Environment-style blocks: the UTF-16 path when it is there, else the ANSI one.
std::u16string PathBlock(const Span& block, AnsiText ansi) {
  if (!block.Has(0, kPathBlockSize)) return {};
  std::u16string wide = Utf16Z(Span{block.p + 8 + 260, 520}, 0);
  return wide.empty() ? AnsiZ(Span{block.p + 8, 260}, 0, ansi) : wide;
}

void ReadPropertyStoreBlock(const Span& block, ShellLink& link, bool& damaged) {
  damaged = !ReadPropertyStorage(block.p + 8, block.n - 8, [&link](const StoredProperty& v) {
    uint64_t number = 0;
    if (std::strcmp(v.format, kStorageFormat) == 0 && PropertyNumber(v, number)) {
      if (v.id == 12) link.storeSize = number;
      if (v.type == kVtFiletime && v.id == 14) link.storeModified = number;
      if (v.type == kVtFiletime && v.id == 15) link.storeCreated = number;
      if (v.type == kVtFiletime && v.id == 16) link.storeAccessed = number;
    } else if (std::strcmp(v.format, kShellDetails) == 0 && v.id == 30) {
      link.parsingPath = PropertyText(v);
    } else if (std::strcmp(v.format, kAppUserModel) == 0 && v.id == 5) {
      link.appUserModelId = PropertyText(v);
    }
  });
}

// Reads one extra data block (`block` spans it, its size and signature
// included). False when it is too short for what its signature says.
bool ReadExtraBlock(const Span& block, AnsiText ansi, ShellLink& link) {
  const uint32_t signature = Le32(block.p + 4);
  switch (signature) {
    case kEnvironmentBlock:
    case kIconEnvironmentBlock:
    case kDarwinBlock: {
      if (!block.Has(0, kPathBlockSize)) return false;
      std::u16string path = PathBlock(block, ansi);
      (signature == kEnvironmentBlock       ? link.environmentTarget
       : signature == kIconEnvironmentBlock ? link.iconEnvironment
                                            : link.darwinId) = std::move(path);
      return true;
    }
    case kTrackerBlock: {
      if (!block.Has(0, 0x60) || Le32(block.p + 8) < 0x58) return false;
      link.hasTracker = true;
      link.machine = AnsiZ(Span{block.p + 16, 16}, 0, ansi);
      ObjectId* ids[] = {&link.volumeId, &link.objectId, &link.birthVolumeId, &link.birthObjectId};
      for (size_t i = 0; i < 4; ++i) {
        for (size_t b = 0; b < 16; ++b) ids[i]->bytes[b] = block.p[32 + 16 * i + b];
      }
      return true;
    }
    case kKnownFolderBlock: {
      if (!block.Has(0, 0x1C)) return false;
      const char16_t* name = KnownFolderNameOf(block.p + 8);
      if (name) {
        link.knownFolder = name;
      } else {
        const std::string guid = GuidText(block.p + 8);
        link.knownFolder = u"{" + std::u16string(guid.begin(), guid.end()) + u"}";
      }
      return true;
    }
    case kSpecialFolderBlock:
      if (!block.Has(0, 0x10)) return false;
      link.hasSpecialFolder = true;
      link.specialFolder = Le32(block.p + 8);
      return true;
    case kPropertyStoreBlock: {
      bool damaged = false;
      ReadPropertyStoreBlock(block, link, damaged);
      return !damaged;
    }
    case kShimBlock: link.shimLayer = Utf16Z(block, 8); return true;
    // Console settings and the code page of a console window; an item list
    // kept for Vista and later, which the main one stands for. Known, and
    // nothing in them says what was opened.
    case kConsoleBlock: link.hasConsole = true; return true;
    case kConsoleCodePageBlock: link.hasConsoleCodePage = true; return true;
    case kItemListBlock: return true;
    default: return true;  // a block of a kind not known here is passed over
  }
}

}  // namespace

bool ObjectId::IsNull() const {
  for (uint8_t b : bytes) {
    if (b) return false;
  }
  return true;
}

bool ObjectId::IsVersion1() const { return (bytes[7] >> 4) == 1; }

uint64_t ObjectId::Time() const {
  if (!IsVersion1()) return 0;
  const uint64_t ticks = static_cast<uint64_t>(Le16(bytes + 6) & 0x0FFF) << 48 |
                         static_cast<uint64_t>(Le16(bytes + 4)) << 32 | Le32(bytes);
  return ticks > kGregorianToFileTime ? ticks - kGregorianToFileTime : 0;
}

std::u16string ObjectId::Mac() const {
  if (!IsVersion1()) return {};
  std::u16string text;
  for (size_t i = 10; i < 16; ++i) {
    if (i > 10) text += u':';
    AppendHex(text, bytes[i]);
  }
  return text;
}

std::u16string ObjectId::Text() const {
  std::u16string text;
  for (int i : {3, 2, 1, 0, -1, 5, 4, -1, 7, 6, -1, 8, 9, -1, 10, 11, 12, 13, 14, 15}) {
    if (i < 0) {
      text += u'-';
    } else {
      AppendHex(text, bytes[i]);
    }
  }
  return text;
}

const char16_t* DriveTypeName(uint32_t type) {
  static const char16_t* const kNames[] = {u"Unknown", u"No root directory", u"Removable", u"Fixed",
                                           u"Network", u"CD-ROM",            u"RAM disk"};
  return type < 7 ? kNames[type] : u"Unknown";
}

std::u16string ShellLink::TargetPath() const {
  if (!localBasePath.empty()) return localBasePath + commonPathSuffix;
  if (!netName.empty()) {
    if (commonPathSuffix.empty()) return netName;
    return netName + (netName.back() == u'\\' ? u"" : u"\\") + commonPathSuffix;
  }
  if (hasItemList && !items.path.empty()) return items.path;
  if (!parsingPath.empty()) return parsingPath;
  return environmentTarget;
}

std::u16string ShellLink::VolumeText() const {
  static const char16_t kUpperHex[] = u"0123456789ABCDEF";
  std::u16string text;
  if (hasVolume) {
    text = DriveTypeName(driveType);
    text += u", serial ";
    for (int shift = 28; shift >= 0; shift -= 4) {
      text += kUpperHex[(driveSerial >> shift) & 0xF];
      if (shift == 16) text += u'-';
    }
    if (!volumeLabel.empty()) text += u", " + volumeLabel;
  }
  if (hasNetwork && !netName.empty()) {
    if (!text.empty()) text += u"; ";
    text += netName;
    if (!deviceName.empty()) text += u" (" + deviceName + u")";
  }
  return text;
}

bool ReadShellLink(const uint8_t* data, size_t size, AnsiText ansi, ShellLink& link) {
  link = ShellLink();
  const Span file{data, size};
  if (!file.Has(0, kLinkHeaderSize) || Le32(data) != kLinkHeaderSize) return false;
  for (size_t i = 0; i < 16; ++i) {
    if (data[4 + i] != kLinkClsid[i]) return false;
  }
  link.flags = Le32(data + 0x14);
  link.attributes = Le32(data + 0x18);
  link.created = Le64(data + 0x1C);
  link.accessed = Le64(data + 0x24);
  link.modified = Le64(data + 0x2C);
  link.targetSize = Le32(data + 0x34);
  link.iconIndex = static_cast<int32_t>(Le32(data + 0x38));
  link.showCommand = Le32(data + 0x3C);
  link.hotKey = Le16(data + 0x40);
  size_t offset = kLinkHeaderSize;
  link.size = offset;

  // Each part is found after the one before it, so a part that runs past
  // the end stops the reading of everything after it.
  auto cut = [&link](const char16_t* what) { link.problems.push_back(std::u16string(what) + u" runs past the end"); };
  if (link.flags & kHasItemList) {
    if (!file.Has(offset, 2) || !file.Has(offset + 2, Le16(data + offset))) {
      cut(u"the item list");
      return true;
    }
    const uint16_t listSize = Le16(data + offset);
    link.hasItemList = true;
    link.items = DecodeItemList(data + offset + 2, listSize);
    if (!link.items.complete) link.problems.push_back(u"the item list is damaged");
    offset += 2 + size_t{listSize};
    link.size = offset;
  }
  if ((link.flags & kHasLinkInfo) && !(link.flags & kForceNoLinkInfo)) {
    if (!file.Has(offset, 4) || Le32(data + offset) < 4 || !file.Has(offset, Le32(data + offset))) {
      cut(u"the link information");
      return true;
    }
    const uint32_t infoSize = Le32(data + offset);
    if (!ReadLinkInfo(Span{data + offset, infoSize}, ansi, link)) {
      link.problems.push_back(u"the link information is damaged");
    }
    offset += infoSize;
    link.size = offset;
  } else if (link.flags & kHasLinkInfo) {
    // Present but to be ignored: it is still there to be passed over.
    if (file.Has(offset, 4) && Le32(data + offset) >= 4 && file.Has(offset, Le32(data + offset))) {
      offset += Le32(data + offset);
    }
  }
  const bool unicode = (link.flags & kIsUnicode) != 0;
  const struct {
    uint32_t flag;
    std::u16string* text;
    const char16_t* name;
  } strings[] = {{kHasName, &link.name, u"the name"},
                 {kHasRelativePath, &link.relativePath, u"the relative path"},
                 {kHasWorkingDirectory, &link.workingDirectory, u"the working directory"},
                 {kHasArguments, &link.arguments, u"the arguments"},
                 {kHasIconLocation, &link.iconLocation, u"the icon location"}};
  for (const auto& s : strings) {
    if (!(link.flags & s.flag)) continue;
    const size_t count = file.Has(offset, 2) ? Le16(data + offset) : 0;
    const size_t bytes = unicode ? count * 2 : count;
    if (!file.Has(offset, 2) || !file.Has(offset + 2, bytes)) {
      cut(s.name);
      return true;
    }
    const uint8_t* p = data + offset + 2;
    if (unicode) {
      s.text->resize(count);
      for (size_t i = 0; i < count; ++i) (*s.text)[i] = Le16(p + 2 * i);
    } else {
      *s.text = ansi(std::string_view(reinterpret_cast<const char*>(p), count));
    }
    offset += 2 + bytes;
    link.size = offset;
  }
  // Extra data blocks up to the terminal block (a size below 4). A block
  // whose size runs past the end ends the list; one whose content is not
  // what its signature says is named and passed over.
  while (file.Has(offset, 4)) {
    const uint32_t blockSize = Le32(data + offset);
    if (blockSize < 4) {
      link.size = offset + 4;
      return true;
    }
    if (blockSize < 8 || !file.Has(offset, blockSize)) {
      link.problems.push_back(u"an extra data block runs past the end");
      return true;
    }
    const Span block{data + offset, blockSize};
    const uint32_t signature = Le32(block.p + 4);
    link.blocks.push_back(signature);
    if (!ReadExtraBlock(block, ansi, link)) {
      std::u16string hex;
      for (int shift = 28; shift >= 0; shift -= 4) hex += kHex[(signature >> shift) & 0xF];
      link.problems.push_back(u"extra data block 0x" + hex + u" is damaged");
    }
    offset += blockSize;
    link.size = offset;
  }
  // Links written by some programs end without a terminal block.
  return true;
}

}  // namespace glimmerlog
