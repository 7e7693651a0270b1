#include "sources/shell/shellitems.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/ascii.h"
#include "base/bytes.h"
#include "base/codepage.h"
#include "sources/ie/msiecf.h"  // FatDateTimeToFileTime
#include "sources/shell/knownfolders.h"

namespace glimmerlog {
namespace {

// Every item starts with its u16 size (the size field included) and a class
// type byte. File entries, volumes and network locations keep flags in the
// low bits of that byte (and sometimes 0x80), so their class is type & 0x70.
constexpr size_t kTypeOffset = 2;
constexpr uint8_t kRootFolder = 0x1F;
constexpr uint8_t kVolumeClass = 0x20;
constexpr uint8_t kFileEntryClass = 0x30;
constexpr uint8_t kNetworkClass = 0x40;
constexpr uint8_t kZipFolder = 0x52;
constexpr uint8_t kUri = 0x61;
constexpr uint8_t kControlPanelItem = 0x71;
constexpr uint8_t kPropertyView = 0x00;
constexpr uint8_t kControlPanelCategory = 0x01;

// File entry: file size at 4, modification date and time at 8 (FAT date in
// the low word, time in the high word), attributes at 12, then the primary
// name (UTF-16 when flag 0x04 is set, else ANSI) padded to an even offset,
// then extension blocks.
//
// The FAT date-times of file entries and their extension blocks are UTC: the
// shell converts the file system's FILETIME (UTC) to DOS date and time with
// no step through local time. libfwsi's description of the format says so,
// and the test hives agree: a folder's modification time lies within seconds
// of the last write of the key that recorded a file saved into it
// (2012-03-12 20:50:00 and 20:49:51 UTC; 2022-05-26 12:55:02 and 12:55:08),
// where local time would put them hours apart.
constexpr uint8_t kFileIsFolderFlag = 0x01;
constexpr uint8_t kFileIsFileFlag = 0x02;
constexpr uint8_t kFileUnicodeFlag = 0x04;
constexpr size_t kFileModified = 8;
constexpr size_t kFileAttributes = 12;
constexpr size_t kFileName = 14;
constexpr uint16_t kAttributeDirectory = 0x10;

// Extension blocks: u16 size, u16 version, u32 signature, data, and a
// trailing u16 offset of the block from the item's start. 0xBEEF0004 holds
// the creation and last access FAT date-times and the long name, found at an
// offset that grew with the block's version (3 on XP, 7 on Vista, 8 on 7 and
// 8.0, 9 on 8.1 and later).
constexpr uint32_t kFileEntryExtension = 0xBEEF0004;
constexpr size_t kExtensionHeader = 8;
constexpr size_t kExtensionCreated = 8;
constexpr size_t kExtensionAccessed = 12;

// A delegate item wraps another item: u16 data size at 4, the data (a 4-byte
// signature, then the wrapped item) at 6, then the delegate folder's
// identifier and the item's class identifier, then extension blocks that
// belong to the wrapped item.
constexpr size_t kDelegateDataSize = 4;
constexpr size_t kDelegateData = 6;
constexpr size_t kDelegateInnerItem = kDelegateData + 4;
constexpr char kDelegateFolder[] = "5E591A74-DF96-48D3-8D67-1733BCEE28BA";

// Property view items (class 0x00) of the user's folders and libraries: u16
// data size at 4, u32 signature at 6, u16 property store size at 10, u16
// identifier size at 12, the identifier from 14, then the property store.
// With signature 0x23FEBBEE the identifier is a known folder's GUID.
constexpr size_t kViewSignature = 6;
constexpr size_t kViewStoreSize = 10;
constexpr size_t kViewIdentifierSize = 12;
constexpr size_t kViewIdentifier = 14;
constexpr uint32_t kViewKnownFolder = 0x23FEBBEE;

// Serialized property storage: storages of (u32 size, "1SPS", format id),
// each holding values of (u32 size, u32 id, u8 reserved, u16 type, u16
// padding, data). The item's display name is System.ItemNameDisplay, id 10
// of the format below, a VT_LPWSTR: u32 character count (NUL included), then
// the characters.
constexpr uint32_t kStorageMagic = 0x53505331;  // "1SPS"
constexpr size_t kStorageHeader = 24;
constexpr char kNameFormat[] = "B725F130-47EF-101A-A5F1-02608C9EEBAC";
constexpr uint32_t kNameId = 10;
constexpr uint16_t kVtLpwstr = 0x1F;
constexpr size_t kValueHeader = 13;
// The shell's details format: System.ParsingName (id 24, VT_LPWSTR) and, in
// items of library views, the item's own IDList (id 32, a VT_VECTOR of
// VT_UI1: u32 byte count, then the bytes).
constexpr char kShellDetailsFormat[] = "28636AA6-953D-11D2-B5D6-00C04FD918D0";
constexpr uint32_t kParsingNameId = 24;
constexpr uint32_t kIdListId = 32;
constexpr uint16_t kVtVectorUi1 = 0x1011;

// Items nest (a delegate wraps an item, a library item holds a list); each
// level is inside the one above, and this many levels are followed.
constexpr int kMaxDepth = 4;

// A control panel applet (class 0x00, signature 0xFFFFFF38 at 4): name and
// comment offsets in characters at 20 and 22, the .cpl path from 24, the name
// at 24 + 2 * its offset.
constexpr uint32_t kCplSignature = 0xFFFFFF38;
constexpr size_t kCplNameOffset = 20;
constexpr size_t kCplPath = 24;
// A control panel category (class 0x01, signature 0x39DE2184 at 4): the
// category's number at 8.
constexpr uint32_t kCategorySignature = 0x39DE2184;

// A folder inside a zip file (class 0x52): after fixed fields, u32
// character counts (the NUL included) each followed by its UTF-16 string:
// the entry's name at 46, then a second name, then the full path inside the
// archive.
constexpr size_t kZipNameCount = 46;
// Portable (MTP) device items (class 0x00) carry a signature at 6. A
// storage volume: its name's character count at 38, the name from 54. A
// folder on it: the first name's character count at 62, the name from 74.
constexpr uint32_t kMtpVolumeSignature = 0x10312005;
constexpr uint32_t kMtpFolderSignature = 0x07192006;
constexpr size_t kMtpVolumeNameCount = 38, kMtpVolumeName = 54;
constexpr size_t kMtpFolderNameCount = 62, kMtpFolderName = 74;

// Bytes [p, p + n) of one item or block; every read goes through Has().
struct Span {
  const uint8_t* p;
  size_t n;
  bool Has(size_t offset, size_t length) const { return offset <= n && length <= n - offset; }
};

constexpr const char16_t* kControlPanelCategories[] = {
    u"All Control Panel Items",
    u"Appearance and Personalization",
    u"Hardware and Sound",
    u"Network and Internet",
    u"Sounds, Speech, and Audio Devices",
    u"System and Security",
    u"Clock, Language, and Region",
    u"Ease of Access",
    u"Programs",
    u"User Accounts",
    u"Security Center",
    u"Mobile PC",
};

// The folder's name, or the GUID in braces when it is not in the table.
std::u16string FolderText(const uint8_t* guid) {
  if (const char16_t* name = KnownFolderNameOf(guid)) return name;
  const std::string text = GuidText(guid);
  std::u16string braced = u"{";
  braced.append(text.begin(), text.end());
  braced += u'}';
  return braced;
}

// An ANSI string from `offset` up to its NUL or `end`; `next` is the offset
// after the NUL (or `end`). Names that the shell stores in the ANSI code
// page are read as Windows-1252, the code page of western systems; they are
// mostly paired with their UTF-16 form, which is used when present.
std::u16string AnsiString(const Span& s, size_t offset, size_t end, size_t* next = nullptr) {
  std::u16string text;
  size_t i = offset;
  for (; i < end && i < s.n && s.p[i] != 0; ++i) text += Windows1252Char(s.p[i]);
  if (next) *next = i < end && i < s.n ? i + 1 : i;
  return text;
}

// A UTF-16LE string from `offset` up to its NUL or the last whole character
// before `end`; `next` is the offset after the NUL (or where reading stopped).
std::u16string Utf16String(const Span& s, size_t offset, size_t end, size_t* next = nullptr) {
  std::u16string text;
  if (end > s.n) end = s.n;
  size_t i = offset;
  for (; i < end && end - i >= 2; i += 2) {
    const char16_t c = Le16(s.p + i);
    if (c == 0) {
      i += 2;
      break;
    }
    text += c;
  }
  if (next) *next = i;
  return text;
}

std::u16string UnknownItem(uint8_t type) {
  static const char kHex[] = "0123456789abcdef";
  std::u16string text = u"[item 0x";
  text += static_cast<char16_t>(kHex[type >> 4]);
  text += static_cast<char16_t>(kHex[type & 0xF]);
  text += u']';
  return text;
}

// What one item contributes to the list.
struct Decoded {
  std::u16string text;
  ShellItemKind kind = ShellItemKind::kUnknown;
  bool folder = false;
  bool fileEntry = false;
  bool network = false;
  uint64_t modified = 0, created = 0, accessed = 0;
  std::u16string longName;
};

// Reads a 0xBEEF0004 block (`s` spans the block) into `d`.
void ReadFileEntryExtension(const Span& s, Decoded& d) {
  if (!s.Has(0, kExtensionAccessed + 4)) return;
  d.created = FatDateTimeToFileTime(Le32(s.p + kExtensionCreated));
  d.accessed = FatDateTimeToFileTime(Le32(s.p + kExtensionAccessed));
  const uint16_t version = Le16(s.p + 2);
  size_t nameOffset;
  if (version >= 9) {
    nameOffset = 46;
  } else if (version == 8) {
    nameOffset = 42;
  } else if (version == 7) {
    nameOffset = 38;
  } else if (version >= 3) {
    nameOffset = 20;
  } else {
    return;
  }
  // The block's last 2 bytes are its offset in the item, not part of the name.
  if (s.n < 2) return;
  d.longName = Utf16String(s, nameOffset, s.n - 2);
}

// Walks the extension blocks of `item` from `offset` and reads the file
// entry block. True when one was found.
bool ReadExtensionBlocks(const Span& item, size_t offset, Decoded& d) {
  while (item.Has(offset, kExtensionHeader)) {
    const uint16_t size = Le16(item.p + offset);
    if (size < kExtensionHeader || !item.Has(offset, size)) return false;
    if (Le32(item.p + offset + 4) == kFileEntryExtension) {
      ReadFileEntryExtension(Span{item.p + offset, size}, d);
      return true;
    }
    offset += size;
  }
  return false;
}

void DecodeFileEntry(const Span& item, Decoded& d) {
  const uint8_t type = item.p[kTypeOffset];
  if (!item.Has(0, kFileName)) {
    d.text = UnknownItem(type);
    return;
  }
  d.fileEntry = true;
  d.modified = FatDateTimeToFileTime(Le32(item.p + kFileModified));
  if (type & kFileIsFileFlag) {
    d.folder = false;
  } else if (type & kFileIsFolderFlag) {
    d.folder = true;
  } else {
    d.folder = (Le16(item.p + kFileAttributes) & kAttributeDirectory) != 0;
  }
  size_t next = kFileName;
  const std::u16string primary = (type & kFileUnicodeFlag) ? Utf16String(item, kFileName, item.n, &next)
                                                           : AnsiString(item, kFileName, item.n, &next);
  // The extension blocks start at the next even offset after the primary
  // name; items of Windows before XP have a second name there instead. The
  // item's last 2 bytes give the offset of its (last) extension block, which
  // finds the block when the name is followed by anything else.
  if (!ReadExtensionBlocks(item, (next + 1) & ~size_t{1}, d) && item.n >= 2) {
    ReadExtensionBlocks(item, Le16(item.p + item.n - 2), d);
  }
  d.text = d.longName.empty() ? primary : d.longName;
  d.kind = d.folder ? ShellItemKind::kFolder : ShellItemKind::kFile;
  if (d.text.empty()) {
    d.text = UnknownItem(type);
    d.kind = ShellItemKind::kUnknown;
  }
}

// A UTF-16 string of `count` characters (the NUL included) at `at`, cut at
// the item's end; `next` is the offset after it.
std::u16string CountedUtf16(const Span& item, size_t at, uint32_t count, size_t& next) {
  const size_t bytes = count <= (item.n - std::min(at, item.n)) / 2 ? size_t{count} * 2 : item.n - std::min(at, item.n);
  next = at + bytes;
  return Utf16String(item, at, at + bytes);
}

// A zip folder's entry name, or its path in the archive when the name is empty.
std::u16string ZipFolderName(const Span& item) {
  size_t at = kZipNameCount;
  std::u16string first, path;
  for (int i = 0; i < 3 && item.Has(at, 4); ++i) {
    const uint32_t count = Le32(item.p + at);
    std::u16string text = CountedUtf16(item, at + 4, count, at);
    if (i == 0) first = std::move(text);
    if (i == 2) path = std::move(text);
  }
  return first.empty() ? path : first;
}

// An MTP volume's or folder's name; empty when the item is not one.
std::u16string DeviceItemName(const Span& item) {
  if (!item.Has(6, 4)) return {};
  const uint32_t signature = Le32(item.p + 6);
  size_t countAt, nameAt;
  if (signature == kMtpVolumeSignature) {
    countAt = kMtpVolumeNameCount;
    nameAt = kMtpVolumeName;
  } else if (signature == kMtpFolderSignature) {
    countAt = kMtpFolderNameCount;
    nameAt = kMtpFolderName;
  } else {
    return {};
  }
  if (!item.Has(countAt, 4)) return {};
  size_t next = 0;
  return CountedUtf16(item, nameAt, Le32(item.p + countAt), next);
}

// What a property store says about its item.
struct StoreValues {
  std::u16string displayName;  // System.ItemNameDisplay (a file's name may lack its extension)
  std::u16string parsingName;  // System.ParsingName (the name in its folder)
  Span idList{nullptr, 0};     // the item's own absolute IDList, which library views keep
};

void ReadStoreValue(const Span& value, bool names, StoreValues& out) {
  if (!value.Has(0, kValueHeader + 4)) return;
  const uint32_t id = Le32(value.p + 4);
  const uint16_t type = Le16(value.p + 9);
  const uint32_t count = Le32(value.p + kValueHeader);
  const size_t start = kValueHeader + 4;
  const size_t available = value.n - start;
  if (type == kVtLpwstr && ((names && id == kNameId) || (!names && id == kParsingNameId))) {
    const size_t end = count <= available / 2 ? start + size_t{count} * 2 : value.n;
    (names ? out.displayName : out.parsingName) = Utf16String(value, start, end);
  } else if (!names && type == kVtVectorUi1 && id == kIdListId) {
    out.idList = Span{value.p + start, count <= available ? count : available};
  }
}

void ReadPropertyStore(const Span& store, StoreValues& out) {
  size_t offset = 0;
  while (store.Has(offset, kStorageHeader)) {
    const uint32_t storageSize = Le32(store.p + offset);
    if (storageSize < kStorageHeader || !store.Has(offset, storageSize)) return;
    char format[37];
    GuidChars(store.p + offset + 8, format);
    const bool names = std::strcmp(format, kNameFormat) == 0;
    if (Le32(store.p + offset + 4) == kStorageMagic && (names || std::strcmp(format, kShellDetailsFormat) == 0)) {
      const Span storage{store.p + offset, storageSize};
      size_t v = kStorageHeader;
      while (storage.Has(v, 4)) {
        const uint32_t valueSize = Le32(storage.p + v);
        if (valueSize < 4 || !storage.Has(v, valueSize)) break;
        ReadStoreValue(Span{storage.p + v, valueSize}, names, out);
        v += valueSize;
      }
    }
    offset += storageSize;
  }
}

struct ListResult {
  ItemListText text;
  bool hasFileEntry = false;
  std::u16string lastFileName;
};
ListResult DecodeListAt(const Span& list, int depth);

void DecodePropertyView(const Span& item, int depth, Decoded& d) {
  d.folder = true;
  if (item.Has(kViewSignature, 4) && Le32(item.p + kViewSignature) == kViewKnownFolder &&
      item.Has(kViewIdentifier, 16)) {
    d.text = FolderText(item.p + kViewIdentifier);
    d.kind = ShellItemKind::kKnownFolder;
    return;
  }
  StoreValues values;
  if (item.Has(kViewIdentifier, 0)) {
    const size_t storeStart = size_t{kViewIdentifier} + Le16(item.p + kViewIdentifierSize);
    if (storeStart <= item.n) {
      const size_t storeSize = Le16(item.p + kViewStoreSize);
      ReadPropertyStore(Span{item.p + storeStart, storeSize < item.n - storeStart ? storeSize : item.n - storeStart},
                        values);
    }
  }
  // The parsing name is the file's name with its extension; a known folder
  // has its GUID there, and then the display name is what the user saw.
  const std::u16string& parsing = values.parsingName;
  const bool useParsing =
      !parsing.empty() && parsing[0] != u'{' && parsing[0] != u':' && parsing.find(u'\\') == std::u16string::npos;
  d.text = useParsing ? parsing : values.displayName;
  if (d.text.empty()) {
    d.folder = false;
    d.text = UnknownItem(item.p[kTypeOffset]);
    return;
  }
  d.kind = ShellItemKind::kKnownFolder;
  // The times and the file or folder flag come from the item's own list.
  if (values.idList.n > 0 && depth < kMaxDepth) {
    const ListResult inner = DecodeListAt(values.idList, depth + 1);
    if (inner.hasFileEntry) {
      d.fileEntry = true;
      d.folder = inner.text.folder;
      d.kind = inner.text.kind;
      d.modified = inner.text.modified;
      d.created = inner.text.created;
      d.accessed = inner.text.accessed;
    }
  }
}

void DecodeItem(const Span& item, int depth, Decoded& d);

// A delegate item; false when `item` is not one.
bool DecodeDelegate(const Span& item, int depth, Decoded& d) {
  if (!item.Has(kDelegateDataSize, 2)) return false;
  const size_t dataSize = Le16(item.p + kDelegateDataSize);
  const size_t delegateAt = kDelegateData + dataSize;
  char folder[37];
  if (!item.Has(delegateAt, 32)) return false;
  GuidChars(item.p + delegateAt, folder);
  if (std::strcmp(folder, kDelegateFolder) != 0) return false;
  if (dataSize >= 4 + 3 && item.Has(kDelegateInnerItem, 2) && depth < kMaxDepth) {
    const size_t innerSize = Le16(item.p + kDelegateInnerItem);
    if (innerSize >= 3 && innerSize <= dataSize - 4) {
      DecodeItem(Span{item.p + kDelegateInnerItem, innerSize}, depth + 1, d);
      if (d.fileEntry) {
        Decoded extension;
        if (ReadExtensionBlocks(item, delegateAt + 32, extension)) {
          d.created = extension.created;
          d.accessed = extension.accessed;
          if (!extension.longName.empty()) d.text = extension.longName;
        }
      }
      return true;
    }
  }
  d.text = FolderText(item.p + delegateAt + 16);
  d.folder = true;
  d.kind = ShellItemKind::kShellFolder;
  return true;
}

void DecodeItem(const Span& item, int depth, Decoded& d) {
  const uint8_t type = item.p[kTypeOffset];
  if (DecodeDelegate(item, depth, d)) return;
  d.folder = true;
  if (type == kRootFolder && item.Has(4, 16)) {
    d.text = FolderText(item.p + 4);
    d.kind = ShellItemKind::kRootFolder;
    return;
  }
  switch (type & 0x70) {
    case kVolumeClass:
      if ((type & 0x01) && item.n > 3) {
        // A drive's name such as "C:\", in at most 20 bytes.
        d.text = AnsiString(item, 3, 3 + 20);
        d.kind = ShellItemKind::kDrive;
        if (!d.text.empty()) return;
      } else if (item.Has(4, 16)) {
        // A shell folder under My Computer, by GUID.
        d.text = FolderText(item.p + 4);
        d.kind = ShellItemKind::kShellFolder;
        return;
      }
      break;
    case kFileEntryClass: DecodeFileEntry(item, d); return;
    case kNetworkClass:
      // Flags at 4, then the location: a domain, a server or a UNC path.
      d.text = AnsiString(item, 5, item.n);
      d.network = true;
      d.kind = ShellItemKind::kNetwork;
      if (!d.text.empty()) return;
      break;
    default: break;
  }
  if (type == kUri && item.Has(4, 2)) {
    // Flag 0x80: the address is UTF-16. It follows a block of u16 size at 4.
    const size_t at = size_t{6} + Le16(item.p + 4);
    d.text = (item.p[3] & 0x80) ? Utf16String(item, at, item.n) : AnsiString(item, at, item.n);
    d.folder = false;
    d.kind = ShellItemKind::kUri;
    if (!d.text.empty()) return;
  } else if (type == kZipFolder) {
    d.text = ZipFolderName(item);
    d.kind = ShellItemKind::kZipFolder;
    if (!d.text.empty()) return;
  } else if (type == kControlPanelItem && item.Has(14, 16)) {
    d.text = FolderText(item.p + 14);
    d.folder = false;
    d.kind = ShellItemKind::kControlPanel;
    return;
  } else if (type == kPropertyView && item.Has(4, 4) && Le32(item.p + 4) == kCplSignature) {
    if (item.Has(kCplNameOffset, 4)) {
      const std::u16string path = Utf16String(item, kCplPath, item.n);
      const size_t nameAt = kCplPath + size_t{Le16(item.p + kCplNameOffset)} * 2;
      d.text = Utf16String(item, nameAt, item.n);
      if (d.text.empty()) d.text = path;
      d.folder = false;
      d.kind = ShellItemKind::kControlPanel;
      if (!d.text.empty()) return;
    }
  } else if (type == kPropertyView && !(d.text = DeviceItemName(item)).empty()) {
    d.kind = ShellItemKind::kDevice;
    return;
  } else if (type == kPropertyView) {
    DecodePropertyView(item, depth, d);
    return;
  } else if (type == kControlPanelCategory && item.Has(4, 8) && Le32(item.p + 4) == kCategorySignature) {
    const uint32_t category = Le32(item.p + 8);
    if (category < sizeof(kControlPanelCategories) / sizeof(kControlPanelCategories[0])) {
      d.text = kControlPanelCategories[category];
      d.kind = ShellItemKind::kControlPanel;
      return;
    }
  }
  d.folder = false;
  d.network = false;
  d.kind = ShellItemKind::kUnknown;
  d.text = UnknownItem(type);
}

ListResult DecodeListAt(const Span& list, int depth) {
  ListResult result;
  ItemListText& out = result.text;
  std::u16string previous;
  size_t offset = 0;
  for (;;) {
    if (!list.Has(offset, 2)) {
      out.complete = false;  // no terminating zero size
      break;
    }
    const uint16_t itemSize = Le16(list.p + offset);
    if (itemSize == 0) break;
    if (itemSize < 2 || !list.Has(offset, itemSize)) {
      out.complete = false;
      break;
    }
    if (itemSize == 2) {  // an item without even a type byte holds nothing
      offset += itemSize;
      continue;
    }
    Decoded d;
    DecodeItem(Span{list.p + offset, itemSize}, depth, d);
    // A share after the item of its server ("Network\server", then
    // "\\server\share") is shown by its own name, as the shell shows it.
    if (d.network && d.text.size() > 2 && d.text[0] == u'\\' && d.text[1] == u'\\') {
      const size_t end = d.text.find(u'\\', 2);
      if (end != std::u16string::npos && end + 1 < d.text.size() &&
          SameIgnoringAsciiCase(std::u16string_view(d.text).substr(2, end - 2), previous)) {
        d.text.erase(0, end + 1);
      }
    }
    if (!out.path.empty() && out.path.back() != u'\\') out.path += u'\\';
    out.path += d.text;
    out.folder = d.folder;
    out.kind = d.kind;
    if (d.fileEntry) {
      result.hasFileEntry = true;
      out.modified = d.modified;
      out.created = d.created;
      out.accessed = d.accessed;
      result.lastFileName = d.text;
    }
    previous = std::move(d.text);
    offset += itemSize;
  }
  return result;
}

// The NUL-terminated UTF-16 name at the start of a value; false when there
// is none. `rest` is the offset after the NUL.
bool LeadingName(const uint8_t* data, size_t size, std::u16string& name, size_t& rest) {
  for (size_t i = 0; i + 2 <= size; i += 2) {
    if (Le16(data + i) == 0) {
      name.clear();
      for (size_t j = 0; j < i; j += 2) name += static_cast<char16_t>(Le16(data + j));
      rest = i + 2;
      return true;
    }
  }
  return false;
}

}  // namespace

const char16_t* ShellItemKindName(ShellItemKind kind) {
  switch (kind) {
    case ShellItemKind::kRootFolder: return u"Root folder";
    case ShellItemKind::kShellFolder: return u"Shell folder";
    case ShellItemKind::kDrive: return u"Drive";
    case ShellItemKind::kFolder: return u"Folder";
    case ShellItemKind::kFile: return u"File";
    case ShellItemKind::kNetwork: return u"Network";
    case ShellItemKind::kZipFolder: return u"Zip folder";
    case ShellItemKind::kUri: return u"URI";
    case ShellItemKind::kControlPanel: return u"Control panel";
    case ShellItemKind::kKnownFolder: return u"User folder";
    case ShellItemKind::kDevice: return u"Device (MTP)";
    case ShellItemKind::kUnknown: break;
  }
  return u"Unknown";
}

ItemListText DecodeItemList(const uint8_t* data, size_t size) { return DecodeListAt(Span{data, size}, 0).text; }

bool ParseLastVisitedValue(const uint8_t* data, size_t size, LastVisitedEntry& out) {
  out = LastVisitedEntry{};
  size_t rest = 0;
  if (!LeadingName(data, size, out.program, rest)) return false;
  out.folder = DecodeListAt(Span{data + rest, size - rest}, 0).text;
  return true;
}

bool ParseRecentDocsValue(const uint8_t* data, size_t size, RecentDocsEntry& out) {
  out = RecentDocsEntry{};
  size_t rest = 0;
  if (!LeadingName(data, size, out.name, rest)) return false;
  out.shortcut = DecodeListAt(Span{data + rest, size - rest}, 0).lastFileName;
  return true;
}

}  // namespace glimmerlog
