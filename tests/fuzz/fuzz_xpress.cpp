// libFuzzer target for the Xpress Huffman decoder: the first 3 bytes ask
// for an output size (up to 16 MiB), the rest is the compressed stream. The
// output is never longer than asked nor than the input can hold, and what
// is decoded is never more than asked for.
#include <cstdlib>
#include <vector>

#include "sources/prefetch/xpress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const size_t asked = data[0] | size_t{data[1]} << 8 | size_t{data[2]} << 16;
  std::vector<uint8_t> out;
  const glimmerlog::XpressError error = glimmerlog::XpressHuffmanDecompress(data + 3, size - 3, asked, out);
  if (out.size() > asked || out.size() > glimmerlog::XpressMaxOutput(size - 3)) std::abort();
  if (error == glimmerlog::XpressError::kNone && out.size() != asked) std::abort();
  return 0;
}
