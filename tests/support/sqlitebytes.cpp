#include "tests/support/sqlitebytes.h"

#include <sqlite3.h>

#include <algorithm>

namespace glimmerlog {

std::vector<uint8_t> MakeDatabase(const std::string& sql, std::string* error) {
  std::vector<uint8_t> bytes;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_MEMORY, nullptr) !=
      SQLITE_OK) {
    if (error) *error = "cannot open";
    sqlite3_close(db);
    return bytes;
  }
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    if (error) *error = message ? message : "failed";
    sqlite3_free(message);
    sqlite3_close(db);
    return bytes;
  }
  sqlite3_int64 size = 0;
  if (unsigned char* image = sqlite3_serialize(db, "main", &size, 0)) {
    bytes.assign(image, image + size);
    sqlite3_free(image);
  }
  sqlite3_close(db);
  return bytes;
}

namespace {

void Put32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}
uint32_t Word(const uint8_t* p, bool bigEndian) {
  return bigEndian ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                   : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}
void Sum(const uint8_t* p, size_t n, bool bigEndian, uint32_t& s0, uint32_t& s1) {
  for (size_t i = 0; i < n; i += 8) {
    s0 += Word(p + i, bigEndian) + s1;
    s1 += Word(p + i + 4, bigEndian) + s0;
  }
}

}  // namespace

void ResumWal(std::vector<uint8_t>& wal, bool bigEndianSums) {
  if (wal.size() < 32) return;
  Put32(wal.data(), bigEndianSums ? 0x377f0683 : 0x377f0682);
  uint32_t s0 = 0, s1 = 0;
  Sum(wal.data(), 24, bigEndianSums, s0, s1);
  Put32(wal.data() + 24, s0);
  Put32(wal.data() + 28, s1);
  const uint32_t pageSize = Word(wal.data() + 8, true);
  for (size_t at = 32; at + 24 + pageSize <= wal.size(); at += 24 + pageSize) {
    uint8_t* frame = wal.data() + at;
    Sum(frame, 8, bigEndianSums, s0, s1);
    Sum(frame + 24, pageSize, bigEndianSums, s0, s1);
    Put32(frame + 16, s0);
    Put32(frame + 20, s1);
  }
}

std::vector<uint8_t> WriteWal(uint32_t pageSize, const std::vector<WalFrame>& frames, bool bigEndianSums,
                              uint32_t salt1, uint32_t salt2) {
  std::vector<uint8_t> wal(32 + frames.size() * (24 + pageSize));
  Put32(wal.data() + 4, 3007000);
  Put32(wal.data() + 8, pageSize);
  Put32(wal.data() + 16, salt1);
  Put32(wal.data() + 20, salt2);
  for (size_t i = 0; i < frames.size(); ++i) {
    uint8_t* frame = wal.data() + 32 + i * (24 + pageSize);
    Put32(frame, frames[i].page);
    Put32(frame + 4, frames[i].commitPages);
    Put32(frame + 8, salt1);
    Put32(frame + 12, salt2);
    std::copy(frames[i].data.begin(), frames[i].data.begin() + std::min<size_t>(pageSize, frames[i].data.size()),
              frame + 24);
  }
  ResumWal(wal, bigEndianSums);
  return wal;
}

}  // namespace glimmerlog
