// Integers stored in bytes, read whatever the byte order of the machine and
// wherever they lie (no alignment is assumed): little-endian, as Windows
// writes its files and registry data, and big-endian, as SQLite writes its
// databases and logs. The caller makes sure the bytes are there.
// Platform-free.
#ifndef GLIMMERLOG_BASE_BYTES_H
#define GLIMMERLOG_BASE_BYTES_H

#include <cstdint>

namespace glimmerlog {

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

inline uint64_t Le64(const uint8_t* p) { return Le32(p) | static_cast<uint64_t>(Le32(p + 4)) << 32; }

inline uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

inline uint32_t Be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
         static_cast<uint32_t>(p[3]);
}

}  // namespace glimmerlog

#endif
