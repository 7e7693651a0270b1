// Test databases made in memory with the program's own SQLite build and
// handed out as file bytes, and write-ahead logs written frame by frame, so
// that the readers run on databases and logs whose every byte a test chose.
#ifndef GLIMMERLOG_TESTS_SUPPORT_SQLITEBYTES_H
#define GLIMMERLOG_TESTS_SUPPORT_SQLITEBYTES_H

#include <cstdint>
#include <string>
#include <vector>

namespace glimmerlog {

// Runs `sql` on a new in-memory database and gives its file image (empty,
// with SQLite's message in `error`, when the SQL fails).
std::vector<uint8_t> MakeDatabase(const std::string& sql, std::string* error = nullptr);

struct WalFrame {
  uint32_t page = 0;
  uint32_t commitPages = 0;   // non-zero: a commit frame, the database's size after it
  std::vector<uint8_t> data;  // one page
};

// A write-ahead log of `frames` with valid salts and running checksums, the
// words summed in big- or little-endian order as the magic number says.
std::vector<uint8_t> WriteWal(uint32_t pageSize, const std::vector<WalFrame>& frames, bool bigEndianSums,
                              uint32_t salt1 = 0x1234, uint32_t salt2 = 0xABCD);
// The checksums of an existing log summed again in the given order (its
// magic number changed to say so), through every frame that fits.
void ResumWal(std::vector<uint8_t>& wal, bool bigEndianSums);

}  // namespace glimmerlog

#endif
