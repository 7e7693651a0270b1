// Differential fuzzing of the block scanner against the byte-by-byte walk.
// The first four input bytes choose the block size, the Step slice and how
// the file is read (lent in place, copied, capped per read, failing at a
// byte, or measured shorter or longer than it is); the rest is the file. Each
// way of searching the blocks that this CPU has is compared.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "sources/ie/indexscan.h"
#include "tests/host/indexscan_reference.h"

using namespace glimmerlog;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const size_t blockSize = data[0] < 250 ? size_t{data[0]} + 1 : IndexScanner::kDefaultBlockSize;
  const uint64_t slice = data[1] < 250 ? uint64_t{data[1]} + 1 : UINT64_MAX;
  const uint8_t mode = data[2] % 5;
  const uint8_t param = data[3];
  const std::string file(reinterpret_cast<const char*>(data) + 4, size - 4);

  std::unique_ptr<ByteSource> source;
  uint64_t sizeAtOpen = file.size();
  switch (mode) {
    case 0: source = std::make_unique<MemorySource>(file.data(), file.size()); break;
    case 1:
      source = std::make_unique<CappedSource>(file, SIZE_MAX);  // copied, not lent
      break;
    case 2: source = std::make_unique<CappedSource>(file, size_t{param} * 3 + 1); break;
    case 3: source = std::make_unique<FailingSource>(file, file.size() * param / 255 + param % 8); break;
    default:
      source = std::make_unique<MemorySource>(file.data(), file.size());
      sizeAtOpen = param < 128 ? param : file.size() + param;
      break;
  }
  ScanResult want = ReferenceScan(*source, sizeAtOpen);
  for (RecordSearch how : AvailableSearches()) {
    if (!(FastScan(*source, sizeAtOpen, blockSize, slice, how) == want)) std::abort();
  }
  return 0;
}
