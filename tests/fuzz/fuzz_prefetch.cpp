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
  // Each table's characters come from bytes of its own: the executable's 30
  // in the header, the names' and the volumes' at most half their bytes.
  // A crafted file may lay the tables over one another (names read from the
  // header), so the bound is their sum, linear in the file's size.
  if (status == glimmerlog::SourceStatus::kOk && !info.compressed && chars > size + 30) std::abort();
  return 0;
}
