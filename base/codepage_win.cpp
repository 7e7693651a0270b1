// Windows code pages through the platform's own converter.
#include <windows.h>

#include "base/codepage.h"

namespace glimmerlog {

bool PlatformCodePageText(uint32_t codePage, std::string_view bytes, std::u16string& out) {
  out.clear();
  if (bytes.empty()) return IsValidCodePage(codePage) != 0;
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (length <= 0) return false;
  out.resize(static_cast<size_t>(length));
  MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, reinterpret_cast<wchar_t*>(&out[0]), length);
  return true;
}

}  // namespace glimmerlog
