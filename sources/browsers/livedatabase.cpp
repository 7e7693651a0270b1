#include "sources/browsers/livedatabase.h"

#include <algorithm>

#include "sources/browsers/walapply.h"

namespace glimmerlog {

namespace {
void Append(std::string& text, const std::string& more) {
  if (more.empty()) return;
  if (!text.empty()) text += "; ";
  text += more;
}
}  // namespace

SourceStatus ReadLiveDatabase(FolderSource& folders, const std::u16string& path, const std::u16string& walPath,
                              uint64_t limit,
                              std::vector<uint8_t>& database, std::vector<uint8_t>* withoutLog, std::string& note) {
  note.clear();
  if (withoutLog) withoutLog->clear();
  // The database and its log are two files that the program changes while
  // they are read: a checkpoint copies committed frames into the database and
  // may then start the log again (new salts in its header). The log is read
  // before and after the database; the same header both times means no new
  // log was started in between, and then the committed frames of the second
  // read cover every page the checkpoint may have copied. Otherwise again.
  std::vector<uint8_t> wal, walBefore;
  SourceStatus walStatus = SourceStatus::kMissing;
  bool consistent = false;
  for (int attempt = 0; attempt < 3 && !consistent; ++attempt) {
    const SourceStatus before =
        walPath.empty() ? SourceStatus::kMissing : folders.ReadFile(walPath, walBefore, limit);
    const SourceStatus status = folders.ReadFile(path, database, limit);
    if (status != SourceStatus::kOk) {
      note = std::string("the database could not be read (") + StatusName(status) + ")";
      return status;
    }
    if (before != SourceStatus::kOk) {
      walStatus = before;
      break;  // no log, or none to be read: the database file alone
    }
    walStatus = folders.ReadFile(walPath, wal, limit);
    consistent = walStatus == SourceStatus::kOk &&
                 std::equal(wal.begin(), wal.begin() + std::min<size_t>(wal.size(), 32), walBefore.begin(),
                            walBefore.begin() + std::min<size_t>(walBefore.size(), 32));
  }
  walBefore = std::vector<uint8_t>();
  if (walStatus == SourceStatus::kOk) {
    if (!consistent) note = "the write-ahead log kept changing while it was read";
    if (withoutLog) *withoutLog = database;
    const WalOverlay overlay = ApplyWal(database, wal.data(), wal.size());
    Append(note, overlay.note);
    if (withoutLog && overlay.appliedFrames == 0) withoutLog->clear();
  } else if (walStatus != SourceStatus::kMissing) {
    note = std::string("the write-ahead log could not be read (") + StatusName(walStatus) +
           "): the latest rows may be missing";
  }
  UseRollbackJournal(database);
  if (withoutLog && !withoutLog->empty()) UseRollbackJournal(*withoutLog);
  return SourceStatus::kOk;
}

}  // namespace glimmerlog
