// The Xpress Huffman decoder. Code lengths are canonical: symbols are given
// codes in order of length, then of symbol value. A 15-bit table maps every
// 15-bit prefix of the bit stream to the symbol whose code starts it and the
// code's length, so one look-up decodes a symbol.
#include "sources/prefetch/xpress.h"

#include <cstring>

namespace glimmerlog {

namespace {

constexpr size_t kBlock = 65536;        // output bytes per Huffman table
constexpr size_t kTableBytes = 256;     // 512 code lengths of 4 bits
constexpr unsigned kMaxCodeLength = 15;
constexpr size_t kDecodeEntries = size_t{1} << kMaxCodeLength;

// Builds the decoding table of one block: each entry is the symbol (low 9
// bits) and its code length (above). False when the lengths over- or
// under-fill the code space, which the format does not allow.
bool BuildTable(const uint8_t* lengths, uint16_t* table) {
  uint16_t count[kMaxCodeLength + 1] = {};
  for (size_t i = 0; i < kTableBytes; ++i) {
    ++count[lengths[i] & 15];
    ++count[lengths[i] >> 4];
  }
  // Where each length's first entry starts, shortest codes first.
  uint32_t next[kMaxCodeLength + 1] = {};
  uint32_t filled = 0;
  for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
    next[len] = filled;
    filled += uint32_t{count[len]} << (kMaxCodeLength - len);
    if (filled > kDecodeEntries) return false;
  }
  if (filled != kDecodeEntries) return false;
  for (uint16_t symbol = 0; symbol < 512; ++symbol) {
    const unsigned len = (symbol & 1) ? lengths[symbol >> 1] >> 4 : lengths[symbol >> 1] & 15;
    if (len == 0) continue;
    const uint32_t entries = uint32_t{1} << (kMaxCodeLength - len);
    const uint16_t value = static_cast<uint16_t>(symbol | (len << 9));
    uint16_t* at = table + next[len];
    for (uint32_t i = 0; i < entries; ++i) at[i] = value;
    next[len] += entries;
  }
  return true;
}

// The input as the format reads it: 16-bit little-endian words feeding a
// 32-bit register from the top, and single bytes or words of match lengths
// taken from the same position. Reads past the end give zeros and are
// counted, so that a stream cut short is told from one whose last word was
// only partly needed.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Position() const { return pos_; }
  void Seek(size_t pos) { pos_ = pos; }
  size_t Over() const { return over_; }
  uint32_t Word() {
    if (pos_ + 2 <= size_) {
      const uint32_t v = data_[pos_] | (uint32_t{data_[pos_ + 1]} << 8);
      pos_ += 2;
      return v;
    }
    return uint32_t{Byte()} | (uint32_t{Byte()} << 8);
  }
  uint32_t Byte() {
    if (pos_ < size_) return data_[pos_++];
    ++over_;
    return 0;
  }
  // A match length's byte, word or double word: one past the end is data
  // that is not there.
  uint32_t LengthByte() {
    if (pos_ >= size_) missing_ = true;
    return Byte();
  }
  uint32_t LengthWord() { return LengthByte() | (LengthByte() << 8); }
  uint32_t LengthDoubleWord() { return LengthWord() | (LengthWord() << 16); }
  bool Missing() const { return missing_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  size_t over_ = 0;
  bool missing_ = false;
};

}  // namespace

const char* XpressErrorText(XpressError error) {
  switch (error) {
    case XpressError::kNone: return "ok";
    case XpressError::kBadTable: return "bad Huffman table";
    case XpressError::kBadMatch: return "bad match";
    case XpressError::kTruncated: return "compressed data cut short";
    case XpressError::kTooLarge: return "uncompressed size larger than the compressed data can hold";
  }
  return "unknown";
}

uint64_t XpressMaxOutput(size_t inputSize) { return uint64_t{inputSize / kTableBytes} * kBlock; }

XpressError XpressHuffmanDecompress(const uint8_t* input, size_t inputSize, size_t outputSize,
                                    std::vector<uint8_t>& output) {
  output.clear();
  if (outputSize > XpressMaxOutput(inputSize)) return XpressError::kTooLarge;
  output.resize(outputSize);
  uint8_t* const out = output.data();
  std::vector<uint16_t> table(kDecodeEntries);
  Input in(input, inputSize);
  size_t done = 0;
  XpressError error = XpressError::kNone;
  while (done < outputSize && error == XpressError::kNone) {
    if (in.Position() + kTableBytes > inputSize) {
      error = XpressError::kTruncated;
      break;
    }
    if (!BuildTable(input + in.Position(), table.data())) {
      error = XpressError::kBadTable;
      break;
    }
    in.Seek(in.Position() + kTableBytes);
    uint32_t bits = in.Word() << 16;
    bits |= in.Word();
    int extra = 16;  // bits in the register beyond the 16 a symbol may need
    // A match may run past the block's end; the next table then starts
    // where the stream stands, and its block is the next 64 KiB of output.
    const size_t blockStart = done;
    const size_t blockEnd = done + kBlock < outputSize ? done + kBlock : outputSize;
    while (done < blockEnd) {
      const uint16_t entry = table[bits >> (32 - kMaxCodeLength)];
      const unsigned length = entry >> 9;
      const unsigned symbol = entry & 511;
      bits <<= length;
      extra -= static_cast<int>(length);
      if (extra < 0) {
        bits |= in.Word() << -extra;
        extra += 16;
      }
      if (symbol < 256) {
        out[done++] = static_cast<uint8_t>(symbol);
        continue;
      }
      size_t matchLength = symbol & 15;
      const unsigned offsetBits = (symbol - 256) >> 4;
      if (matchLength == 15) {
        matchLength = in.LengthByte();
        if (matchLength == 255) {
          matchLength = in.LengthWord();
          if (matchLength == 0) matchLength = in.LengthDoubleWord();
          if (matchLength < 15) {
            error = XpressError::kBadMatch;
            break;
          }
          matchLength -= 15;
        }
        matchLength += 15;
      }
      matchLength += 3;
      size_t offset = size_t{1} << offsetBits;
      if (offsetBits) {
        offset |= bits >> (32 - offsetBits);
        bits <<= offsetBits;
        extra -= static_cast<int>(offsetBits);
        if (extra < 0) {
          bits |= in.Word() << -extra;
          extra += 16;
        }
      }
      if (offset > done) {
        error = XpressError::kBadMatch;
        break;
      }
      if (matchLength > outputSize - done) matchLength = outputSize - done;
      const uint8_t* from = out + done - offset;
      uint8_t* to = out + done;
      if (offset >= matchLength) {
        std::memcpy(to, from, matchLength);
      } else {
        for (size_t i = 0; i < matchLength; ++i) to[i] = from[i];
      }
      done += matchLength;
    }
    // The register reads up to two words ahead, which may lie past the end
    // of the last block; a bit taken from past the end is data that is not
    // there: the block's output is not kept.
    if (in.Missing() || in.Over() * 8 > static_cast<size_t>(16 + extra)) {
      error = XpressError::kTruncated;
      done = blockStart;
    }
  }
  if (error != XpressError::kNone) output.resize(done);
  return error;
}

}  // namespace glimmerlog
