#include "tests/support/diskfolders.h"

#include <fstream>

#include "base/utf8.h"

namespace glimmerlog {

std::u16string HostPath(const std::string& utf8) { return Utf8ToU16(utf8); }

std::string HostPath(const std::u16string& path) { return Utf8Of(path); }

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
