// A FolderSource over the host's own file system for tests and benchmarks:
// paths are the host's (UTF-16 of UTF-8 paths); only files are read.
#ifndef GLIMMERLOG_TESTS_SUPPORT_DISKFOLDERS_H
#define GLIMMERLOG_TESTS_SUPPORT_DISKFOLDERS_H

#include <string>

#include "sources/folders/foldersource.h"

namespace glimmerlog {

class DiskFolders : public FolderSource {
 public:
  std::unique_ptr<Listing> List(std::u16string_view, SourceStatus* status) override {
    if (status) *status = SourceStatus::kMissing;
    return nullptr;
  }
  uint32_t Attributes(const std::u16string& path) override;
  SourceStatus ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, uint64_t limit) override;
};

std::u16string HostPath(const std::string& utf8);  // ASCII and UTF-8 paths as UTF-16
std::string HostPath(const std::u16string& path);

}  // namespace glimmerlog

#endif
