// The WAL overlay against SQLite's own reading: a database with a log of
// several commits, written by the sqlite3 command, is damaged in every way a
// log meets (cut anywhere, a frame of an older log, a bad checksum, a damaged
// header, checksums in the other byte order); each copy is read by the
// command from a folder of its own and by the program from memory.
#include "sources/browsers/walapply.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/host/sqlitecli.h"
#include "tests/support/sqlitebytes.h"

namespace glimmerlog {
namespace {

constexpr uint32_t kPage = 1024;
constexpr size_t kFrame = 24 + kPage;
const char kQuery[] = "SELECT name FROM sqlite_schema ORDER BY name; SELECT id, v FROM t ORDER BY id";

class WalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveSqliteCli()) GTEST_SKIP() << "the sqlite3 command is not installed (scripts/bootstrap installs it)";
    ASSERT_FALSE(dir_.path().empty());
    // A checkpointed start, then five commits left in the log; the files are
    // copied while the command still has the database open, as a browser
    // leaves them.
    const std::string db = dir_.path() + "/live.db";
    std::ofstream(dir_.path() + "/make.sql") << R"(
      PRAGMA page_size=1024; PRAGMA journal_mode=WAL;
      CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT);
      INSERT INTO t(v) VALUES ('base1'), ('base2');
      PRAGMA wal_checkpoint(TRUNCATE); PRAGMA wal_autocheckpoint=0;
      WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<40)
        INSERT INTO t(v) SELECT 'first ' || x || ' ' || printf('%.60c', 'x') FROM c;
      UPDATE t SET v = v || ' updated' WHERE id % 2 = 0;
      DELETE FROM t WHERE id % 3 = 0;
      WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<60)
        INSERT INTO t(v) SELECT 'second ' || x || ' ' || printf('%.80c', 'y') FROM c;
      CREATE TABLE u(x); INSERT INTO u VALUES (1);
)"
                                             << ".system cp live.db snap.db && cp live.db-wal snap.db-wal\n";
    ASSERT_EQ(std::system(("cd '" + dir_.path() + "' && sqlite3 live.db < make.sql >/dev/null").c_str()), 0);
    db_ = ReadBytes(dir_.path() + "/snap.db");
    wal_ = ReadBytes(dir_.path() + "/snap.db-wal");
    ASSERT_GT(wal_.size(), 32 + 10 * kFrame);
    ASSERT_EQ((wal_.size() - 32) % kFrame, 0u);
  }

  // The query's result from the command on a copy of `db` with `wal`
  // beside it, and from the program's overlay of the same bytes.
  void Compare(const std::vector<uint8_t>& wal, const std::string& what, WalOverlay* overlayOut = nullptr) {
    const std::string folder = dir_.path() + "/case" + std::to_string(++cases_);
    ASSERT_EQ(std::system(("mkdir '" + folder + "'").c_str()), 0);
    WriteBytes(folder + "/db", db_);
    WriteBytes(folder + "/db-wal", wal);
    const std::string expected = CliQuery(folder + "/db", kQuery);
    std::vector<uint8_t> bytes = db_;
    const WalOverlay overlay = ApplyWal(bytes, wal.data(), wal.size());
    UseRollbackJournal(bytes);
    EXPECT_EQ(OurQuery(bytes, kQuery), expected) << what;
    EXPECT_EQ(expected.find("ERROR"), std::string::npos) << what;
    if (overlayOut) *overlayOut = overlay;
  }

  size_t Frames() const { return (wal_.size() - 32) / kFrame; }

  TempFolder dir_;
  std::vector<uint8_t> db_, wal_;
  int cases_ = 0;
};

TEST_F(WalTest, WholeLogInEitherChecksumOrder) {
  WalOverlay overlay;
  Compare(wal_, "whole log", &overlay);
  EXPECT_EQ(overlay.appliedFrames, Frames());
  EXPECT_EQ(overlay.validFrames, Frames());
  EXPECT_TRUE(overlay.note.empty());
  EXPECT_NE(OurQuery(db_, "SELECT count(*) FROM t"), "2\n") << "the file alone must differ from file + log";

  std::vector<uint8_t> swapped = wal_;
  ResumWal(swapped, /*bigEndianSums=*/true);
  ASSERT_NE(swapped, wal_);
  Compare(swapped, "big-endian checksums", &overlay);
  EXPECT_EQ(overlay.appliedFrames, Frames());
}

// Every cut: on a frame's boundary (an uncommitted tail after the last
// commit before it) and inside a frame (a torn last frame).
TEST_F(WalTest, CutAnywhere) {
  for (size_t frames = 0; frames <= Frames(); ++frames) {
    for (size_t extra : {size_t{0}, size_t{24 + 100}}) {
      const size_t size = std::min(wal_.size(), 32 + frames * kFrame + extra);
      std::vector<uint8_t> cut(wal_.begin(), wal_.begin() + size);
      WalOverlay overlay;
      Compare(cut, "cut after " + std::to_string(frames) + " frames + " + std::to_string(extra), &overlay);
      EXPECT_EQ(overlay.validFrames, frames);
      EXPECT_LE(overlay.appliedFrames, frames);
    }
  }
  for (size_t size : {size_t{10}, size_t{31}})
    Compare(std::vector<uint8_t>(wal_.begin(), wal_.begin() + size), "short");
}

TEST_F(WalTest, OlderFramesDamagedFramesAndHeader) {
  for (size_t frame : {size_t{0}, size_t{1}, Frames() / 2, Frames() - 1}) {
    std::vector<uint8_t> older = wal_;
    older[32 + frame * kFrame + 8] ^= 0x01;  // salt-1 of an older log
    WalOverlay overlay;
    Compare(older, "older salt at frame " + std::to_string(frame), &overlay);
    EXPECT_EQ(overlay.validFrames, frame);

    std::vector<uint8_t> damaged = wal_;
    damaged[32 + frame * kFrame + 24 + 500] ^= 0x40;  // page data: the running checksum fails
    Compare(damaged, "bad checksum at frame " + std::to_string(frame), &overlay);
    EXPECT_EQ(overlay.validFrames, frame);
  }
  std::vector<uint8_t> header = wal_;
  header[12] ^= 0x01;  // checkpoint sequence: the header's checksum fails
  WalOverlay overlay;
  Compare(header, "damaged header", &overlay);
  EXPECT_EQ(overlay.appliedFrames, 0u);
  EXPECT_FALSE(overlay.note.empty());
}

// Logs that SQLite would not write: a commit claiming pages no frame wrote
// is refused before any memory is asked for; a page size other than the
// database's leaves the database as it was.
TEST(WalOverlay, ImpossibleLogsLeaveTheDatabase) {
  const std::vector<uint8_t> db = MakeDatabase("PRAGMA page_size=1024; CREATE TABLE t(x); INSERT INTO t VALUES (1);");
  ASSERT_EQ(db.size(), 2 * kPage);
  std::vector<uint8_t> page(db.begin() + kPage, db.end());

  std::vector<uint8_t> bytes = db;
  std::vector<uint8_t> wal = WriteWal(kPage, {{2, 0xFFFFFFF0u, page}}, false);
  WalOverlay overlay = ApplyWal(bytes, wal.data(), wal.size());
  EXPECT_EQ(bytes, db);
  EXPECT_EQ(overlay.appliedFrames, 0u);
  EXPECT_FALSE(overlay.note.empty());

  wal = WriteWal(2048, {{2, 2, std::vector<uint8_t>(2048, 0)}}, false);
  overlay = ApplyWal(bytes, wal.data(), wal.size());
  EXPECT_EQ(bytes, db);
  EXPECT_FALSE(overlay.note.empty());

  // A log that grows the database and one that cuts it back, both committed.
  page.assign(kPage, 0);
  wal = WriteWal(
      kPage, {{3, 3, page}, {4, 4, page}, {2, 0, page}, {1, 2, std::vector<uint8_t>(db.begin(), db.begin() + kPage)}},
      true);
  overlay = ApplyWal(bytes, wal.data(), wal.size());
  EXPECT_EQ(overlay.appliedFrames, 4u);
  EXPECT_EQ(bytes.size(), 2 * kPage);
  EXPECT_TRUE(std::all_of(bytes.begin() + kPage, bytes.end(), [](uint8_t b) { return b == 0; }));
}

TEST(WalOverlay, RollbackJournalHeader) {
  std::vector<uint8_t> db = MakeDatabase("CREATE TABLE t(x)");
  db[18] = db[19] = 2;
  UseRollbackJournal(db);
  EXPECT_EQ(db[18], 1);
  EXPECT_EQ(db[19], 1);
  db[18] = 3;  // unknown values stay for SQLite to judge
  UseRollbackJournal(db);
  EXPECT_EQ(db[18], 3);
  std::vector<uint8_t> tiny(19, 2);
  UseRollbackJournal(tiny);
  EXPECT_EQ(tiny, std::vector<uint8_t>(19, 2));
}

}  // namespace
}  // namespace glimmerlog
