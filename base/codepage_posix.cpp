// Windows code pages through iconv, which names them "CP<number>".
#include <iconv.h>

#include <string>

#include "base/codepage.h"

namespace glimmerlog {

bool PlatformCodePageText(uint32_t codePage, std::string_view bytes, std::u16string& out) {
  out.clear();
  const std::string from = "CP" + std::to_string(codePage);
  iconv_t cd = iconv_open("UTF-16LE", from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string in(bytes);
  std::string buffer(bytes.size() * 4 + 4, '\0');  // a byte gives at most two UTF-16 units
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char* outPtr = buffer.data();
  size_t outLeft = buffer.size();
  const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1)) return false;
  const size_t produced = buffer.size() - outLeft;
  out.reserve(produced / 2);
  for (size_t i = 0; i + 1 < produced; i += 2) {
    out += static_cast<char16_t>(static_cast<unsigned char>(buffer[i]) | static_cast<unsigned char>(buffer[i + 1]) << 8);
  }
  return true;
}

}  // namespace glimmerlog
