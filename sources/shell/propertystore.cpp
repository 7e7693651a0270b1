#include "sources/shell/propertystore.h"

#include <cstring>

#include "base/bytes.h"
#include "sources/shell/knownfolders.h"

namespace glimmerlog {

namespace {

constexpr uint32_t kStorageMagic = 0x53505331;  // "1SPS"
constexpr size_t kStorageHeader = 24;           // size, magic, format GUID
// The format whose values carry a name (u32 name size in bytes, u8
// reserved, the name in UTF-16) instead of an id.
constexpr char kNamedFormat[] = "D5CDD505-2E9C-101B-9397-08002B2CF9AE";

// VT_* integer types by their size in bytes: I1/UI1 1, I2/UI2/BOOL 2,
// I4/UI4/INT/UINT/ERROR 4, I8/UI8 8.
size_t IntegerSize(uint16_t type) {
  switch (type) {
    case 0x10: case 0x11: return 1;
    case 0x02: case 0x12: case 0x0B: return 2;
    case 0x03: case 0x13: case 0x16: case 0x17: case 0x0A: return 4;
    case 0x14: case 0x15: case kVtFiletime: return 8;
    default: return 0;
  }
}

}  // namespace

bool ReadPropertyStorage(const uint8_t* data, size_t size, const std::function<void(const StoredProperty&)>& each) {
  size_t offset = 0;
  while (size - offset >= 4) {
    const uint32_t storageSize = Le32(data + offset);
    if (storageSize == 0) return true;  // the end of the list of storages
    if (storageSize < kStorageHeader || storageSize > size - offset) return false;
    const uint8_t* storage = data + offset;
    if (Le32(storage + 4) != kStorageMagic) return false;
    StoredProperty value;
    GuidChars(storage + 8, value.format);
    const bool named = std::strcmp(value.format, kNamedFormat) == 0;
    size_t v = kStorageHeader;
    while (storageSize - v >= 4) {
      const uint32_t valueSize = Le32(storage + v);
      if (valueSize == 0) break;
      if (valueSize < 9 || valueSize > storageSize - v) return false;
      const uint8_t* p = storage + v;
      size_t typed = 9;  // after the size, the id (or name size) and the reserved byte
      value.id = 0;
      if (named) {
        const uint32_t nameSize = Le32(p + 4);
        if (nameSize > valueSize - typed) return false;
        typed += nameSize;
      } else {
        value.id = Le32(p + 4);
      }
      if (valueSize - typed >= 4) {
        value.type = Le16(p + typed);
        value.data = p + typed + 4;
        value.size = valueSize - typed - 4;
        each(value);
      }
      v += valueSize;
    }
    offset += storageSize;
  }
  return true;
}

std::u16string PropertyText(const StoredProperty& value) {
  if ((value.type != kVtLpwstr && value.type != kVtBstr) || value.size < 4) return {};
  const uint32_t count = Le32(value.data);
  size_t bytes = value.type == kVtLpwstr ? size_t{count} * 2 : count;
  if (bytes > value.size - 4) bytes = value.size - 4;
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes; i += 2) {
    const char16_t c = Le16(value.data + 4 + i);
    if (c == 0) break;
    text += c;
  }
  return text;
}

bool PropertyNumber(const StoredProperty& value, uint64_t& out) {
  const size_t n = IntegerSize(value.type);
  if (n == 0 || value.size < n) return false;
  out = 0;
  for (size_t i = 0; i < n; ++i) out |= static_cast<uint64_t>(value.data[i]) << (8 * i);
  return true;
}

}  // namespace glimmerlog
