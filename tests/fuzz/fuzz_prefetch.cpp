// libFuzzer target for the Prefetch reader: every input as a file, plain or
// MAM-compressed (a leading "MAM\x04" and size are mutated like the rest).
// Whatever it reads stays within what the bytes could hold.
#include <cstdlib>
#include <string>
#include <vector>

#include "sources/prefetch/prefetch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> file(data, data + size);
  glimmerlog::PrefetchInfo info;
  std::string note;
  const glimmerlog::SourceStatus status = glimmerlog::ReadPrefetch(file, info, note);
  if (status != glimmerlog::SourceStatus::kOk && note.empty()) std::abort();
  size_t chars = info.executable.size();
  for (const auto& f : info.files) chars += f.size() + 1;
  for (const auto& v : info.volumes) {
    chars += v.devicePath.size();
    for (const auto& d : v.directories) chars += d.size() + 1;
  }
  // Every character comes from bytes of its own in the file: the header, the
  // file names or the volumes' table.
  if (status == glimmerlog::SourceStatus::kOk && !info.compressed && chars * 2 > size) std::abort();
  return 0;
}
