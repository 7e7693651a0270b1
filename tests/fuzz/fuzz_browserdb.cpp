// libFuzzer target for the browser history readers: database bytes and the
// bytes of a write-ahead log, laid over in memory and read by SQLite.
//
// Byte 0 chooses: bit 0 the Firefox reader (else Chromium's), bit 1 edits of
// well-formed seeds (else raw bytes), bit 2 the log's checksums summed again
// after the edits so that edited frames are applied rather than refused.
// Raw: 3 bytes give the database's length, then the database, then the log.
// Edits: 1 byte target (bit 0: the log) and 3 bytes offset, 1 byte length,
// the bytes. The seeds: a small history database of each browser and a log
// that turns it into a larger one (every page of it, one commit, then one
// uncommitted frame).
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "sources/browsers/browserhistory.h"
#include "sources/browsers/walapply.h"
#include "tests/support/sqlitebytes.h"

namespace {

using glimmerlog::WalFrame;

std::string History(bool firefox, int rows) {
  const std::string n = std::to_string(rows);
  if (firefox) {
    return "PRAGMA page_size=1024;"
           "CREATE TABLE moz_places(id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, visit_count INTEGER);"
           "CREATE TABLE moz_historyvisits(id INTEGER PRIMARY KEY, from_visit INTEGER, place_id INTEGER,"
           "  visit_date INTEGER, visit_type INTEGER);"
           "CREATE INDEX moz_historyvisits_placedateindex ON moz_historyvisits(place_id, visit_date);"
           "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<" +
           n +
           ")"
           "  INSERT INTO moz_places SELECT x, 'https://f.test/' || x, 'Seite ' || x || ' \xC3\x9C\xE6\x97\xA5', x "
           "FROM c;"
           "INSERT INTO moz_historyvisits SELECT id, 0, id, 1700000000000000 + id, 1 + id % 9 FROM moz_places;"
           "PRAGMA user_version=86;";
  }
  return "PRAGMA page_size=1024;"
         "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
         "INSERT INTO meta VALUES ('version', '70');"
         "CREATE TABLE urls(id INTEGER PRIMARY KEY AUTOINCREMENT, url LONGVARCHAR, title LONGVARCHAR,"
         "  visit_count INTEGER DEFAULT 0 NOT NULL, typed_count INTEGER DEFAULT 0 NOT NULL);"
         "CREATE TABLE visits(id INTEGER PRIMARY KEY AUTOINCREMENT, url INTEGER NOT NULL, visit_time INTEGER NOT NULL,"
         "  from_visit INTEGER, transition INTEGER DEFAULT 0 NOT NULL);"
         "CREATE INDEX visits_url_index ON visits (url);"
         "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<" +
         n +
         ")"
         "  INSERT INTO urls(id, url, title, visit_count) SELECT x, 'https://c.test/' || x, 'Page ' || x || ' "
         "\xE2\x80\x93', 1 FROM c;"
         "INSERT INTO visits(url, visit_time, transition) SELECT id, 13300000000000000 + id, 805306368 + id % 11 FROM "
         "urls;";
}

struct Seed {
  std::vector<uint8_t> db, wal;
};

Seed MakeSeed(bool firefox) {
  Seed seed;
  seed.db = glimmerlog::MakeDatabase(History(firefox, 8));
  const std::vector<uint8_t> after = glimmerlog::MakeDatabase(History(firefox, 40));
  const uint32_t pages = static_cast<uint32_t>(after.size() / 1024);
  std::vector<WalFrame> frames;
  for (uint32_t p = 1; p <= pages; ++p) {
    frames.push_back(
        {p, p == pages ? pages : 0, std::vector<uint8_t>(after.begin() + (p - 1) * 1024, after.begin() + p * 1024)});
  }
  frames.push_back({2, 0, std::vector<uint8_t>(1024, 0x5A)});  // not committed
  seed.wal = glimmerlog::WriteWal(1024, frames, false);
  // Unedited, the seeds read as the larger database.
  std::vector<uint8_t> db = seed.db;
  glimmerlog::ApplyWal(db, seed.wal.data(), seed.wal.size());
  glimmerlog::UseRollbackJournal(db);
  std::vector<glimmerlog::BrowserVisit> visits;
  std::string reason;
  glimmerlog::ReadHistoryDatabase(db, firefox, nullptr, visits, reason);
  if (db != after || visits.size() != 40) std::abort();
  return seed;
}

void Check(std::vector<uint8_t> db, const std::vector<uint8_t>& wal, bool firefox) {
  const size_t before = db.size();
  const glimmerlog::WalOverlay overlay = glimmerlog::ApplyWal(db, wal.data(), wal.size());
  if (overlay.appliedFrames > overlay.validFrames) std::abort();
  if (overlay.appliedFrames > 0) {
    // The copy takes the commit's size, which the frames must justify.
    if (db.size() != static_cast<size_t>(overlay.databasePages) * overlay.pageSize) std::abort();
    if (db.size() > before + static_cast<size_t>(overlay.appliedFrames) * overlay.pageSize) std::abort();
  } else if (db.size() != before) {
    std::abort();
  }
  glimmerlog::UseRollbackJournal(db);
  std::vector<glimmerlog::BrowserVisit> visits;
  std::string reason;
  const glimmerlog::SourceStatus status = glimmerlog::ReadHistoryDatabase(db, firefox, nullptr, visits, reason);
  if (status != glimmerlog::SourceStatus::kOk && reason.empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const bool firefox = data[0] & 1;
  if (!(data[0] & 2)) {
    const size_t length = std::min<size_t>(data[1] | data[2] << 8 | data[3] << 16, size - 4);
    Check(std::vector<uint8_t>(data + 4, data + 4 + length), std::vector<uint8_t>(data + 4 + length, data + size),
          firefox);
    return 0;
  }
  static const Seed seeds[2] = {MakeSeed(false), MakeSeed(true)};
  Seed s = seeds[firefox];
  for (size_t pos = 1; pos + 5 <= size;) {
    std::vector<uint8_t>& target = data[pos] & 1 ? s.wal : s.db;
    const size_t at = (data[pos + 1] | data[pos + 2] << 8 | data[pos + 3] << 16) % target.size();
    const size_t n = data[pos + 4];
    pos += 5;
    for (size_t i = 0; i < n && pos < size; ++i, ++pos) target[(at + i) % target.size()] = data[pos];
  }
  if (data[0] & 4) glimmerlog::ResumWal(s.wal, false);
  Check(s.db, s.wal, firefox);
  return 0;
}
