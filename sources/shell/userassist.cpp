#include "sources/shell/userassist.h"

#include "base/bytes.h"
#include "sources/shell/knownfolders.h"

namespace glimmerlog {

namespace {

char16_t Rot13Char(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(u'a' + (c - u'a' + 13) % 26);
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(u'A' + (c - u'A' + 13) % 26);
  return c;
}

// Length of "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
constexpr size_t kBracedGuidLength = 38;

}  // namespace

std::u16string Rot13(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out) c = Rot13Char(c);
  return out;
}

bool ParseUserAssistData(const uint8_t* data, size_t size, UserAssistData& out) {
  out = UserAssistData{};
  if (!data) return false;
  if (size == 16) {
    const uint32_t count = Le32(data + 4);
    out.runCount = count >= 5 ? count - 5 : count;
    out.lastRun = Le64(data + 8);
    out.layout = 16;
    return true;
  }
  if (size == 72) {
    out.runCount = Le32(data + 4);
    out.focusCount = Le32(data + 8);
    out.focusMs = Le32(data + 12);
    out.lastRun = Le64(data + 60);
    out.hasFocus = true;
    out.layout = 72;
    return true;
  }
  return false;
}

std::u16string NameWithKnownFolder(std::u16string_view decodedName) {
  if (decodedName.size() < kBracedGuidLength || decodedName[0] != u'{' ||
      (decodedName.size() > kBracedGuidLength && decodedName[kBracedGuidLength] != u'\\')) {
    return std::u16string(decodedName);
  }
  const char16_t* folder = KnownFolderName(decodedName.substr(0, kBracedGuidLength));
  if (!folder) return std::u16string(decodedName);
  return folder + std::u16string(decodedName.substr(kBracedGuidLength));
}

}  // namespace glimmerlog
