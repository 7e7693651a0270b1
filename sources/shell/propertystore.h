// Serialized property storage, as the shell keeps it in shortcuts and in
// some shell items: storages of (u32 size, "1SPS", format GUID), each holding
// values (u32 size, u32 id or a name, u8 reserved, then a typed value: u16
// type, u16 padding, data), each list ended by a size of 0. Platform-free;
// never reads outside the bytes it is given.
#ifndef GLIMMERLOG_SOURCES_SHELL_PROPERTYSTORE_H
#define GLIMMERLOG_SOURCES_SHELL_PROPERTYSTORE_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace glimmerlog {

struct StoredProperty {
  char format[37] = {};  // the storage's format GUID as GuidText writes it
  uint32_t id = 0;     // 0 for a value of the named-property format, which has a name instead
  uint16_t type = 0;   // VT_* of the value
  const uint8_t* data = nullptr;  // the value's bytes after its type and padding
  size_t size = 0;
};

// Hands every value of every storage to `each`, in stored order. A storage
// or value whose size runs past its container ends that container's walk.
// False when something was damaged (a walk ended early).
bool ReadPropertyStorage(const uint8_t* data, size_t size, const std::function<void(const StoredProperty&)>& each);

// The value's text when it is a VT_LPWSTR (u32 character count, NUL
// included, then the characters) or VT_BSTR (u32 byte count); empty
// otherwise.
std::u16string PropertyText(const StoredProperty& value);
// The value as a number when it is a 1-, 2-, 4- or 8-byte integer type or
// a VT_FILETIME; false otherwise.
bool PropertyNumber(const StoredProperty& value, uint64_t& out);

// Value types the readers look for.
constexpr uint16_t kVtLpwstr = 0x1F, kVtBstr = 0x08, kVtFiletime = 0x40, kVtUi8 = 0x15, kVtUi4 = 0x13;

}  // namespace glimmerlog

#endif
