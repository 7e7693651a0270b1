#include "tests/support/diskfolders.h"

#include <fstream>

#include "sources/browsers/utf8.h"

namespace glimmerlog {

std::u16string HostPath(const std::string& utf8) { return Utf8ToU16(utf8); }

std::string HostPath(const std::u16string& path) {
  std::string out;
  for (size_t i = 0; i < path.size(); ++i) {
    char32_t cp = path[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < path.size()) cp = 0x10000 + ((cp - 0xD800) << 10) + (path[++i] - 0xDC00);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | cp >> 6);
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | cp >> 12);
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | cp >> 18);
      out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

uint32_t DiskFolders::Attributes(const std::u16string& path) {
  std::ifstream in(HostPath(path), std::ios::binary);
  return in ? 0x80 : kNoAttributes;  // FILE_ATTRIBUTE_NORMAL
}

SourceStatus DiskFolders::ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, uint64_t limit) {
  bytes.clear();
  std::ifstream in(HostPath(path), std::ios::binary | std::ios::ate);
  if (!in) return SourceStatus::kMissing;
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<uint64_t>(size) > limit) return SourceStatus::kDamaged;
  bytes.resize(static_cast<size_t>(size));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), size);
  if (!in) {
    bytes.clear();
    return SourceStatus::kDamaged;
  }
  return SourceStatus::kOk;
}

}  // namespace glimmerlog
