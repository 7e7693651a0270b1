#include "sources/registry/regtext.h"

#include <vector>

#include "base/bytes.h"
#include "sources/registry/registrysource.h"

namespace glimmerlog {

namespace {
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegDword = 4;
// The readers' name buffer: 20 characters, the terminator included.
constexpr size_t kNameBufferChars = 20;
}  // namespace

bool RegValueText(uint32_t type, const uint8_t* bytes, size_t size, std::u16string& text) {
  text.clear();
  if (type == kRegSz) {
    const size_t chars = size / 2;
    if (chars == 0) return false;
    for (size_t i = 0; i < chars; ++i) {
      const char16_t c = static_cast<char16_t>(Le16(bytes + 2 * i));
      if (c == 0) break;
      text += c;
    }
    return true;
  }
  if (type == kRegDword && size == 4) {
    const std::string digits = std::to_string(static_cast<int32_t>(Le32(bytes)));
    text.assign(digits.begin(), digits.end());
    return true;
  }
  return false;
}

bool AppendRegValueName(std::u16string& list, std::u16string_view name) {
  if (name.size() >= kNameBufferChars) return false;
  list.append(name);
  list += u',';
  return true;
}

std::u16string RegistrySource::GetRegValue(std::u16string_view subKey, std::u16string_view valueName) {
  RegistryData data;
  std::u16string text;
  if (ReadValue(subKey, valueName, data) != SourceStatus::kOk ||
      !RegValueText(data.type, data.bytes.data(), data.bytes.size(), text)) {
    return kRegFailureText;
  }
  return text;
}

std::u16string RegistrySource::GetRegValueNames(std::u16string_view subKey) {
  std::vector<std::u16string> names;
  if (ValueNames(subKey, names) != SourceStatus::kOk && names.empty()) return kRegFailureText;
  std::u16string list;
  for (const std::u16string& name : names) {
    if (!AppendRegValueName(list, name)) break;
  }
  return list;
}

}  // namespace glimmerlog
