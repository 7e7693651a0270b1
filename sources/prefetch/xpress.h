// The Xpress Huffman ("LZ77+Huffman") decompressor: the format Windows 10
// and 11 compress their Prefetch files with. Each 64 KiB of output has its
// own Huffman table of 512 symbols (256 literals, 256 kinds of match) whose
// code lengths fill the first 256 bytes of its block; then come the coded
// symbols, read 16 bits at a time, with the longer match lengths as bytes in
// between. Platform-free; only reads its input, never writes past the
// output size it is given.
#ifndef GLIMMERLOG_SOURCES_PREFETCH_XPRESS_H
#define GLIMMERLOG_SOURCES_PREFETCH_XPRESS_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace glimmerlog {

enum class XpressError {
  kNone,
  kBadTable,      // a block's code lengths do not make a whole Huffman code
  kBadMatch,      // a match reaches before the start of the output, or a length is malformed
  kTruncated,     // the input ends before the output is whole
  kTooLarge,      // more output asked for than the input could ever give
};

const char* XpressErrorText(XpressError error);

// The most output `inputSize` bytes can decode to: each 64 KiB block needs
// its 256-byte table at least.
uint64_t XpressMaxOutput(size_t inputSize);

// Decompresses `input` into exactly `outputSize` bytes of `output` (resized
// to that). kTooLarge, before anything is allocated, when `outputSize` is
// more than XpressMaxOutput allows. On an error `output` holds what was
// decoded before it, cut to that length.
XpressError XpressHuffmanDecompress(const uint8_t* input, size_t inputSize, size_t outputSize,
                                    std::vector<uint8_t>& output);

}  // namespace glimmerlog

#endif
