#include "sources/browsers/walapply.h"

#include <algorithm>
#include <cstring>

#include "base/bytes.h"

namespace glimmerlog {

namespace {

constexpr size_t kWalHeaderSize = 32;
constexpr size_t kFrameHeaderSize = 24;
constexpr uint32_t kMagicLittleEndianSums = 0x377f0682;
constexpr uint32_t kMagicBigEndianSums = 0x377f0683;
constexpr uint32_t kWalVersion = 3007000;

// SQLite's running checksum of the log over `n` bytes (a multiple of 8), as
// 32-bit words in the byte order the magic number names.
struct Checksum {
  bool bigEndian;
  uint32_t s0 = 0, s1 = 0;
  void Add(const uint8_t* p, size_t n) {
    uint32_t a = s0, b = s1;
    if (bigEndian) {
      for (size_t i = 0; i < n; i += 8) {
        a += Be32(p + i) + b;
        b += Be32(p + i + 4) + a;
      }
    } else {
      for (size_t i = 0; i < n; i += 8) {
        a += Le32(p + i) + b;
        b += Le32(p + i + 4) + a;
      }
    }
    s0 = a;
    s1 = b;
  }
  bool Matches(const uint8_t* p) const { return s0 == Be32(p) && s1 == Be32(p + 4); }
};

// The page size a database header gives; 0 when the bytes hold no header.
uint32_t DatabasePageSize(const std::vector<uint8_t>& db) {
  if (db.size() < 100 || std::memcmp(db.data(), "SQLite format 3", 16) != 0) return 0;
  const uint32_t v = Be16(db.data() + 16);
  return v == 1 ? 65536 : v;
}

}  // namespace

WalOverlay ApplyWal(std::vector<uint8_t>& db, const uint8_t* wal, size_t walSize) {
  WalOverlay result;
  if (walSize == 0) return result;  // checkpointed and reset: nothing to add
  if (walSize < kWalHeaderSize) {
    result.note = "the write-ahead log is shorter than its header";
    return result;
  }
  const uint32_t magic = Be32(wal);
  if (magic != kMagicLittleEndianSums && magic != kMagicBigEndianSums) {
    result.note = "the write-ahead log has no valid header";
    return result;
  }
  if (Be32(wal + 4) != kWalVersion) {
    result.note = "the write-ahead log has an unknown version";
    return result;
  }
  const uint32_t pageSize = Be32(wal + 8);
  if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) {
    result.note = "the write-ahead log has an impossible page size";
    return result;
  }
  Checksum sum{magic == kMagicBigEndianSums};
  sum.Add(wal, 24);
  if (!sum.Matches(wal + 24)) {
    result.note = "the write-ahead log's header is damaged";
    return result;
  }
  const uint32_t dbPageSize = DatabasePageSize(db);
  if (dbPageSize != 0 && dbPageSize != pageSize) {
    result.note = "the write-ahead log's page size is not the database's";
    return result;
  }
  result.pageSize = pageSize;

  // First pass: how far the valid frames go, and the last commit among them
  // whose size the frames can justify.
  const size_t frameSize = kFrameHeaderSize + pageSize;
  const size_t frames = (walSize - kWalHeaderSize) / frameSize;
  const uint64_t filePages = db.size() / pageSize;
  uint64_t maxPage = filePages;  // highest page the file or a frame so far gives
  size_t commitFrames = 0;       // frames up to and including the last usable commit
  uint32_t commitPages = 0;
  bool badCommit = false;
  size_t i = 0;
  for (; i < frames && i < UINT32_MAX; ++i) {
    const uint8_t* frame = wal + kWalHeaderSize + i * frameSize;
    const uint32_t page = Be32(frame);
    if (page == 0 || std::memcmp(frame + 8, wal + 16, 8) != 0) break;
    sum.Add(frame, 8);
    sum.Add(frame + kFrameHeaderSize, pageSize);
    if (!sum.Matches(frame + 16)) break;
    maxPage = std::max<uint64_t>(maxPage, page);
    if (const uint32_t pages = Be32(frame + 4)) {
      // A commit can only grow the database by pages written in frames: its
      // last page is in the file or a frame, and every page past the file's
      // takes a frame of its own. This also bounds the memory it can ask for.
      if (pages > maxPage || pages > filePages + i + 1) {
        badCommit = true;
        break;
      }
      commitFrames = i + 1;
      commitPages = pages;
    }
  }
  result.validFrames = static_cast<uint32_t>(i);
  // A tail of frames from an older log, a torn last frame or a transaction
  // still being written is how a running program leaves its log: not noted.
  if (badCommit) result.note = "a commit frame of the write-ahead log gives an impossible database size";
  if (commitFrames == 0) return result;

  // Second pass: the committed frames in order; a later frame of a page
  // replaces an earlier one, as the latest frame is what SQLite reads.
  db.resize(static_cast<size_t>(commitPages) * pageSize);
  for (size_t f = 0; f < commitFrames; ++f) {
    const uint8_t* frame = wal + kWalHeaderSize + f * frameSize;
    const uint32_t page = Be32(frame);
    if (page > commitPages) continue;  // cut off by the commit
    std::memcpy(db.data() + static_cast<size_t>(page - 1) * pageSize, frame + kFrameHeaderSize, pageSize);
  }
  result.appliedFrames = static_cast<uint32_t>(commitFrames);
  result.databasePages = commitPages;
  return result;
}

void UseRollbackJournal(std::vector<uint8_t>& db) {
  if (db.size() < 100) return;
  if (db[18] == 2) db[18] = 1;
  if (db[19] == 2) db[19] = 1;
}

}  // namespace glimmerlog
