// A SQLite database as a reader sees it while its program runs: the bytes of
// the database file with the committed frames of its write-ahead log (the
// "-wal" file beside it) laid over them, in memory. Platform-free; the live
// files are never written and no shared-memory index is needed.
#ifndef GLIMMERLOG_SOURCES_BROWSERS_WALAPPLY_H
#define GLIMMERLOG_SOURCES_BROWSERS_WALAPPLY_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace glimmerlog {

struct WalOverlay {
  uint32_t pageSize = 0;       // of the log; 0 when its header is not valid
  uint32_t validFrames = 0;    // frames whose salts and checksums hold, in a row from the first
  uint32_t appliedFrames = 0;  // of those, the frames up to the last commit frame: what was laid over
  uint32_t databasePages = 0;  // the database's size after that commit, in pages (0: nothing applied)
  // Why the log could not be used, or a commit in it was refused; empty
  // when the log is empty, was applied, or ends as a running program leaves
  // it (frames of an older log, a torn frame, a transaction not committed).
  std::string note;
};

// Lays the committed frames of the write-ahead log `wal` over the database
// bytes `db`, as SQLite itself reads them: the header must hold the magic
// number (checksums in either byte order), version 3007000, a page size equal
// to the database's and a valid checksum; frames count in a row from the
// first while their salts match the header's and their running checksum
// holds; the frames up to the last commit frame among them are applied in
// order and `db` takes that commit's size (grown with zeros or cut). An
// uncommitted tail, a frame of an older log (other salts) or a damaged frame
// ends the valid part. A log that cannot be used leaves `db` unchanged. Never
// reads outside [wal, wal + walSize) and allocates no more than the size the
// committed frames can justify.
WalOverlay ApplyWal(std::vector<uint8_t>& db, const uint8_t* wal, size_t walSize);

// Marks the header of a database in WAL mode (bytes 18 and 19 equal to 2) as
// one with a rollback journal (1), so that SQLite opens the bytes in memory
// without looking for a log of its own. Other values are left as they are.
void UseRollbackJournal(std::vector<uint8_t>& db);

}  // namespace glimmerlog

#endif
