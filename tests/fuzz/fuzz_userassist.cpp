// UserAssist records and names on arbitrary bytes: the data read only at its
// two sizes, ROT13 its own inverse touching only ASCII letters, and
// known-folder names looked up from any text or 16 bytes.
#include <cstdlib>
#include <string>

#include "sources/shell/knownfolders.h"
#include "sources/shell/userassist.h"

namespace {
bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  glimmerlog::UserAssistData record;
  const bool ok = glimmerlog::ParseUserAssistData(data, size, record);
  if (ok != (size == 16 || size == 72) || (ok && record.layout != static_cast<int>(size))) std::abort();
  if (record.hasFocus != (size == 72)) std::abort();

  std::u16string name;
  for (size_t i = 0; i + 1 < size; i += 2) name += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  const std::u16string decoded = glimmerlog::Rot13(name);
  if (decoded.size() != name.size() || glimmerlog::Rot13(decoded) != name) std::abort();
  for (size_t i = 0; i < name.size(); ++i) {
    if (IsAsciiLetter(name[i]) != IsAsciiLetter(decoded[i]) || (!IsAsciiLetter(name[i]) && name[i] != decoded[i])) {
      std::abort();
    }
  }

  const std::u16string shown = glimmerlog::NameWithKnownFolder(name);
  if (name.empty() || name[0] != u'{') {
    if (shown != name) std::abort();
  }
  glimmerlog::KnownFolderName(name);
  if (size >= 16) glimmerlog::KnownFolderNameOf(data);
  return 0;
}
