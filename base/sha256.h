// SHA-256 (FIPS 180-4) of bytes given in pieces: the fingerprint the
// Sources view gives of every file it lists, so that an examiner can show
// which copy was read. Platform-free.
#ifndef GLIMMERLOG_BASE_SHA256_H
#define GLIMMERLOG_BASE_SHA256_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace glimmerlog {

class Sha256 {
 public:
  Sha256();
  void Add(const uint8_t* bytes, size_t size);
  // The digest of everything added; the object is spent afterwards.
  std::array<uint8_t, 32> Finish();
  // The digest as 64 lowercase hexadecimal digits, as sha256sum writes it.
  std::u16string FinishHex();

 private:
  void Block(const uint8_t* block);

  std::array<uint32_t, 8> state_;
  std::array<uint8_t, 64> pending_{};
  size_t pendingSize_ = 0;
  uint64_t total_ = 0;  // bytes added
};

}  // namespace glimmerlog

#endif
