// The browser history readers: the real databases of the test data (Chrome 9
// to Chromium 156, Firefox 3-era to ESR 153, with and without their logs)
// against the sqlite3 command's reading of copies; damaged and unknown
// databases; times and kinds at their edges; finding profiles over a fake
// folder tree.
#include "sources/browsers/browserhistory.h"
#include "sources/browsers/sqlitethreads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <sstream>
#include <thread>

#include "tests/host/sqlitecli.h"
#include "views/browser/browserhistoryreader.h"
#include "tests/support/diskfolders.h"
#include "tests/support/sqlitebytes.h"

namespace glimmerlog {
namespace {

const std::string kBrowsers = std::string(GL_TESTDATA_DIR) + "/browsers/";

BrowserProfile Profile(const std::string& path, bool firefox, bool withWal) {
  BrowserProfile p;
  p.browser = firefox ? u"Firefox" : u"Chromium";
  p.databasePath = HostPath(path);
  if (withWal) p.walPath = p.databasePath + u"-wal";
  p.firefox = firefox;
  return p;
}

std::string Narrow(const std::u16string& s) { return HostPath(s); }

struct Specimen {
  const char* path;
  bool firefox, withWal;
  size_t visits;  // as the test data's README counts them
};

TEST(BrowserHistory, RealDatabasesAsSqliteReadsThem) {
  std::ifstream probe(kBrowsers + "chromium/plaso-History");
  if (!probe) GTEST_SKIP() << "test data not found at " << kBrowsers;
  const bool cli = HaveSqliteCli();
  const Specimen specimens[] = {
      {"chromium/plaso-History", false, false, 69},
      {"chromium/plaso-History-59.0.3071.86", false, false, 1},
      {"chromium/dfirlabs-History-9.0.597.107", false, false, 1},
      {"chromium/dfirlabs-History-40.0.2214.115", false, false, 0},
      {"chromium/generated-chromium-156-History", false, false, 4},
      {"firefox/plaso-places.sqlite", true, false, 1},
      {"firefox/dfirlabs-67.0/places.sqlite", true, false, 1},
      {"firefox/dfirlabs-67.0/places.sqlite", true, true, 4},
      {"firefox/generated-esr-153/places.sqlite", true, false, 2},
      {"firefox/generated-esr-153/places.sqlite", true, true, 4},
  };
  DiskFolders disk;
  TempFolder dir;
  int n = 0;
  for (const Specimen& s : specimens) {
    SCOPED_TRACE(std::string(s.path) + (s.withWal ? " with its log" : ""));
    std::vector<BrowserVisit> visits;
    std::string reason;
    ASSERT_EQ(ReadBrowserHistory(disk, Profile(kBrowsers + s.path, s.firefox, s.withWal), visits, reason),
              SourceStatus::kOk)
        << reason;
    EXPECT_EQ(reason, "");
    ASSERT_EQ(visits.size(), s.visits);
    if (!cli) continue;
    // The same visits from the command, on a copy (with the log beside it
    // when it is read too): stored time, kind, address, title, count.
    const std::string copy = dir.path() + "/db" + std::to_string(++n);
    WriteBytes(copy, ReadBytes(kBrowsers + s.path));
    if (s.withWal) WriteBytes(copy + "-wal", ReadBytes(kBrowsers + s.path + "-wal"));
    const std::string sql =
        s.firefox
            ? "SELECT v.visit_date, v.visit_type & 4294967295, p.url, p.title, p.visit_count FROM moz_historyvisits v "
              "LEFT JOIN moz_places p ON p.id = v.place_id"
            : "SELECT v.visit_time, v.transition & 4294967295, u.url, u.title, u.visit_count FROM visits v "
              "LEFT JOIN urls u ON u.id = v.url";
    // Lines compared as sets: the command's query planner may take another
    // index and so another order.
    std::vector<std::string> ours, theirs;
    for (const BrowserVisit& v : visits) {
      const int64_t stored = s.firefox ? static_cast<int64_t>(v.visitTime / 10) - 11644473600000000
                                       : static_cast<int64_t>(v.visitTime / 10);
      ours.push_back(std::to_string(stored) + "|" + std::to_string(v.transition) + "|" + Narrow(v.url) + "|" +
                     Narrow(v.title) + "|" + std::to_string(v.visitCount));
      EXPECT_EQ(v.source->databasePath, HostPath(kBrowsers + s.path));
    }
    std::istringstream cliOut(CliQuery(copy, sql));
    for (std::string line; std::getline(cliOut, line);) theirs.push_back(line);
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    ASSERT_EQ(ours.size(), theirs.size());
    for (size_t i = 0; i < ours.size(); ++i) ASSERT_EQ(ours[i], theirs[i]) << "line " << i;
  }
}

// Exact values of the newest Chromium, whatever the command says.
TEST(BrowserHistory, NewestChromiumInDetail) {
  std::ifstream probe(kBrowsers + "chromium/generated-chromium-156-History");
  if (!probe) GTEST_SKIP() << "test data not found at " << kBrowsers;
  DiskFolders disk;
  std::vector<BrowserVisit> visits;
  std::string reason;
  ASSERT_EQ(ReadBrowserHistory(disk, Profile(kBrowsers + "chromium/generated-chromium-156-History", false, true),
                               visits, reason),
            SourceStatus::kOk);
  ASSERT_EQ(visits.size(), 4u);
  EXPECT_EQ(visits[0].url, u"http://127.0.0.1:8765/p1.html");
  EXPECT_EQ(visits[0].title, u"Seite 1 \u2013 \u00dcn\u00efc\u00f8d\u00e9 \u65e5\u672c");
  EXPECT_EQ(visits[0].visitTime, 134411185414417500u);  // 13441118541441750 us since 1601
  EXPECT_EQ(visits[0].kind, VisitKind::kTyped);         // 0x38000001: typed, with qualifier bits
  EXPECT_EQ(visits[0].visitCount, 1);
}

SourceStatus ReadDb(const std::vector<uint8_t>& db, bool firefox, std::vector<BrowserVisit>& visits,
                    std::string& reason) {
  reason.clear();
  return ReadHistoryDatabase(db, firefox, nullptr, visits, reason);
}

TEST(BrowserHistory, DamagedAndUnknownDatabases) {
  const std::vector<uint8_t> good = MakeDatabase(
      "CREATE TABLE urls(id INTEGER PRIMARY KEY, url TEXT, title TEXT, visit_count INTEGER);"
      "CREATE TABLE visits(id INTEGER PRIMARY KEY, url INTEGER, visit_time INTEGER, transition INTEGER);"
      "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<3000)"
      "  INSERT INTO urls SELECT x, 'http://e.test/' || x || printf('%.200c', 'p'), 'T' || x, 1 FROM c;"
      "INSERT INTO visits SELECT id, id, 13000000000000000 + id, 1 FROM urls;");
  ASSERT_FALSE(good.empty());
  std::vector<BrowserVisit> visits;
  std::string reason;
  ASSERT_EQ(ReadDb(good, false, visits, reason), SourceStatus::kOk);
  ASSERT_EQ(visits.size(), 3000u);

  // Not a database, an empty file, the other browser's reader.
  for (const auto& bytes : {std::vector<uint8_t>(4096, 'x'), std::vector<uint8_t>()}) {
    visits.clear();
    EXPECT_EQ(ReadDb(bytes, false, visits, reason), SourceStatus::kDamaged);
    EXPECT_FALSE(reason.empty());
    EXPECT_TRUE(visits.empty());
  }
  EXPECT_EQ(ReadDb(good, true, visits, reason), SourceStatus::kDamaged);
  EXPECT_NE(reason.find("moz_historyvisits"), std::string::npos) << reason;

  // Cut short, or with pages overwritten: what can be read is kept, with a
  // reason, and nothing reads outside the bytes (the sanitizers watch).
  std::vector<uint8_t> cut(good.begin(), good.begin() + good.size() / 2);
  visits.clear();
  EXPECT_EQ(ReadDb(cut, false, visits, reason), SourceStatus::kDamaged);
  EXPECT_FALSE(reason.empty());
  std::vector<uint8_t> scribbled = good;
  for (size_t i = 4096 * 3; i < scribbled.size(); i += 4096) std::memset(&scribbled[i + 20], 0xA5, 300);
  visits.clear();
  const SourceStatus s = ReadDb(scribbled, false, visits, reason);
  EXPECT_TRUE(s == SourceStatus::kDamaged || visits.size() <= 3000u);

  // A schema without titles, counts or transitions: the visits are listed,
  // and the reason says what was missing.
  const std::vector<uint8_t> odd = MakeDatabase(
      "CREATE TABLE meta(key TEXT, value TEXT); INSERT INTO meta VALUES ('version', '999');"
      "CREATE TABLE urls(id INTEGER PRIMARY KEY, url TEXT);"
      "CREATE TABLE visits(id INTEGER PRIMARY KEY, url INTEGER, visit_time INTEGER);"
      "INSERT INTO urls VALUES (7, 'http://odd.test/'); INSERT INTO visits VALUES (1, 7, 13000000000000000);");
  visits.clear();
  ASSERT_EQ(ReadDb(odd, false, visits, reason), SourceStatus::kOk);
  ASSERT_EQ(visits.size(), 1u);
  EXPECT_EQ(visits[0].url, u"http://odd.test/");
  EXPECT_EQ(visits[0].visitTime, 130000000000000000u);
  EXPECT_NE(reason.find("version 999"), std::string::npos) << reason;
  EXPECT_NE(reason.find("urls.title"), std::string::npos) << reason;
  EXPECT_NE(reason.find("visits.transition"), std::string::npos) << reason;
}

// A view, or a virtual table, in the place of a table the readers query
// refuses the database before a query runs on it; views and triggers beside
// those tables are left alone, even a view that never ends. Made by the
// sqlite3 command, which lets a test write the schema table.
TEST(BrowserHistory, ReadsOnlyTables) {
  if (!HaveSqliteCli() || access((kBrowsers + "chromium/plaso-History").c_str(), R_OK) != 0) GTEST_SKIP();
  const std::string endless =
      "CREATE VIEW endless AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c)"
      "  SELECT x AS id, x AS url, x AS visit_time, 0 AS transition FROM c;";
  const std::string visits = "CREATE TABLE visits(id INTEGER PRIMARY KEY, url, visit_time, transition);";
  const struct {
    std::string sql, reason;  // no reason: run on a copy of a real history, which must read whole
  } cases[] = {
      {endless + "CREATE TABLE urls(id); CREATE VIEW Visits AS SELECT * FROM endless WHERE id < 0;",
       "not a browser history (visits is a view)"},
      // A module this build has, so that SQLite would connect it.
      {visits + "PRAGMA writable_schema=ON; INSERT INTO sqlite_schema VALUES ('table', 'urls', 'urls', 0,"
                "  'create /* x */ Virtual\n TABLE urls USING json_each');",
       "not a browser history (urls is a virtual table)"},
      {endless + "CREATE VIEW SmartLookup AS SELECT * FROM endless, endless;"
                 "CREATE TRIGGER gone AFTER DELETE ON visits BEGIN SELECT count(*) FROM endless; END;",
       ""},
  };
  TempFolder dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    const std::string path = dir.path() + "/db" + std::to_string(&c - cases);
    if (c.reason.empty()) WriteBytes(path, ReadBytes(kBrowsers + "chromium/plaso-History"));
    ASSERT_EQ(CliQuery(path, c.sql), "");
    std::vector<BrowserVisit> read;
    std::string reason;
    EXPECT_EQ(ReadDb(ReadBytes(path), false, read, reason),
              c.reason.empty() ? SourceStatus::kOk : SourceStatus::kDamaged);
    EXPECT_EQ(reason, c.reason);
    const std::string count = c.reason.empty() ? CliQuery(path, "SELECT count(*) FROM visits") : "0\n";
    EXPECT_EQ(std::to_string(read.size()) + "\n", count);
  }
}

// The densest table there can be (rows of NULLs, no index) needs more than
// a step per byte, and reads whole with a tenth of the budget.
TEST(BrowserHistory, BudgetLeavesRoomForTheDensestTable) {
  const std::vector<uint8_t> dense = MakeDatabase(
      "CREATE TABLE urls(id INTEGER PRIMARY KEY, url, title, visit_count); CREATE TABLE visits(id INTEGER PRIMARY KEY,"
      "  url, visit_time, transition); WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<20000)"
      "  INSERT INTO visits(id) SELECT x FROM c;");
  for (const uint64_t steps : {uint64_t{1}, kStepsPerByte / 10}) {
    std::vector<BrowserVisit> visits;
    std::string reason;
    SetStepsPerByteForTests(steps);
    const SourceStatus status = ReadDb(dense, false, visits, reason);
    SetStepsPerByteForTests(0);
    EXPECT_EQ(status == SourceStatus::kOk && visits.size() == 20000, steps > 1) << steps << ": " << reason;
  }
}

// A browser that checkpoints and starts a new log while the files are read:
// the database read between two different log headers is read again.
TEST(BrowserHistory, LogStartedAgainWhileRead) {
  const std::string schema =
      "PRAGMA page_size=1024; CREATE TABLE urls(id INTEGER PRIMARY KEY, url TEXT, title TEXT, visit_count INTEGER);"
      "CREATE TABLE visits(id INTEGER PRIMARY KEY, url INTEGER, visit_time INTEGER, transition INTEGER);";
  const std::vector<uint8_t> small = MakeDatabase(schema + "INSERT INTO visits VALUES (1, 1, 1, 1);");
  const std::vector<uint8_t> large =
      MakeDatabase(schema +
                   "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<300)"
                   "  INSERT INTO visits SELECT x, x, x, 1 FROM c;");
  std::vector<WalFrame> frames;
  const uint32_t pages = static_cast<uint32_t>(large.size() / 1024);
  for (uint32_t p = 1; p <= pages; ++p) {
    frames.push_back({p, p == pages ? pages : 0, {large.begin() + (p - 1) * 1024, large.begin() + p * 1024}});
  }
  // What each read of a file gives, in turn (the last one from then on).
  class Changing : public FolderSource {
   public:
    std::map<std::u16string, std::vector<std::vector<uint8_t>>> reads;
    std::unique_ptr<Listing> List(std::u16string_view, SourceStatus*) override { return nullptr; }
    uint32_t Attributes(const std::u16string&) override { return kNoAttributes; }
    SourceStatus ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, uint64_t) override {
      auto& queue = reads[path];
      bytes = queue.front();
      if (queue.size() > 1) queue.erase(queue.begin());
      return SourceStatus::kOk;
    }
  } source;
  const std::vector<uint8_t> oldLog = WriteWal(1024, frames, false, 1, 1), newLog = WriteWal(1024, frames, false, 2, 2);
  source.reads[u"H"] = {std::vector<uint8_t>(small.size(), 'x'), small};  // torn by the checkpoint, then whole
  source.reads[u"H-wal"] = {oldLog, newLog};
  BrowserProfile profile;
  profile.databasePath = u"H";
  profile.walPath = u"H-wal";
  std::vector<BrowserVisit> visits;
  std::string reason;
  ASSERT_EQ(ReadBrowserHistory(source, profile, visits, reason), SourceStatus::kOk) << reason;
  EXPECT_EQ(visits.size(), 300u);
  EXPECT_EQ(reason, "");
}

// The library as built for the program: no file is ever opened (a real
// database on disk cannot be), the options asked for are in, every
// connection the readers open is defensive, and its mutexes hold across
// threads (the build brings none of its own).
TEST(SqliteBuild, OpensNoFileAndIsBuiltAsAsked) {
  ASSERT_TRUE(StartSqlite());
  sqlite3_mutex* lock = sqlite3_mutex_alloc(SQLITE_MUTEX_FAST);
  ASSERT_NE(lock, nullptr);
  sqlite3_mutex_enter(lock);
  int other = SQLITE_OK;
  std::thread([&] {
    other = sqlite3_mutex_try(lock);
    if (other == SQLITE_OK) sqlite3_mutex_leave(lock);
  }).join();
  sqlite3_mutex_leave(lock);
  sqlite3_mutex_free(lock);
  EXPECT_EQ(other, SQLITE_BUSY);

  TempFolder dir;
  const std::string path = dir.path() + "/on-disk.db";
  WriteBytes(path, MakeDatabase("CREATE TABLE t(x)"));
  sqlite3* disk = nullptr;
  EXPECT_EQ(sqlite3_open_v2(path.c_str(), &disk, SQLITE_OPEN_READONLY, nullptr), SQLITE_CANTOPEN);
  sqlite3_close(disk);

  MemoryDatabase db;
  std::string reason;
  const std::vector<uint8_t> bytes = MakeDatabase("CREATE TABLE t(x)");
  ASSERT_TRUE(db.Open(bytes, reason)) << reason;
  int defensive = 0;
  sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DEFENSIVE, -1, &defensive);
  EXPECT_EQ(defensive, 1);
  const std::string options = OurQuery(bytes, "PRAGMA compile_options");
  for (const char* option :
       {"THREADSAFE=2", "OMIT_LOAD_EXTENSION", "OMIT_WAL", "OMIT_LOCALTIME", "TEMP_STORE=3", "DEFAULT_MEMSTATUS=0"}) {
    EXPECT_NE(options.find(option), std::string::npos) << option;
  }
  EXPECT_EQ(OurQuery(bytes, "INSERT INTO t VALUES (1)"), "ERROR");  // read-only
}

TEST(BrowserHistory, TimesAtTheirEdges) {
  constexpr int64_t kMax = INT64_MAX;
  EXPECT_EQ(ChromiumTimeToFileTime(0), 0u);
  EXPECT_EQ(ChromiumTimeToFileTime(-1), 0u);
  EXPECT_EQ(ChromiumTimeToFileTime(INT64_MIN), 0u);
  EXPECT_EQ(ChromiumTimeToFileTime(1), 10u);
  EXPECT_EQ(ChromiumTimeToFileTime(kMax / 10), static_cast<uint64_t>(kMax / 10) * 10);
  EXPECT_EQ(ChromiumTimeToFileTime(kMax / 10 + 1), 0u);
  EXPECT_EQ(ChromiumTimeToFileTime(kMax), 0u);

  EXPECT_EQ(FirefoxTimeToFileTime(0), 0u);
  EXPECT_EQ(FirefoxTimeToFileTime(1), 116444736000000010u);
  EXPECT_EQ(FirefoxTimeToFileTime(-1), 116444735999999990u);      // just before 1970
  EXPECT_EQ(FirefoxTimeToFileTime(-11644473600000000 + 1), 10u);  // just after 1601
  EXPECT_EQ(FirefoxTimeToFileTime(-11644473600000000 - 1), 0u);   // before 1601
  EXPECT_EQ(FirefoxTimeToFileTime(INT64_MIN), 0u);
  EXPECT_EQ(FirefoxTimeToFileTime(kMax / 10 - 11644473600000000), static_cast<uint64_t>(kMax / 10) * 10);
  EXPECT_EQ(FirefoxTimeToFileTime(kMax / 10 - 11644473600000000 + 1), 0u);
  EXPECT_EQ(FirefoxTimeToFileTime(kMax), 0u);
}

TEST(BrowserHistory, VisitKinds) {
  EXPECT_EQ(ChromiumVisitKind(0), VisitKind::kLink);
  EXPECT_EQ(ChromiumVisitKind(0x30000001), VisitKind::kTyped);
  EXPECT_EQ(ChromiumVisitKind(static_cast<int32_t>(0x80000008)), VisitKind::kReload);  // stored negative
  EXPECT_EQ(ChromiumVisitKind(10), VisitKind::kKeywordGenerated);
  EXPECT_EQ(ChromiumVisitKind(11), VisitKind::kUnknown);
  EXPECT_EQ(FirefoxVisitKind(9), VisitKind::kReload);
  EXPECT_EQ(FirefoxVisitKind(0), VisitKind::kUnknown);
  EXPECT_EQ(FirefoxVisitKind(10), VisitKind::kUnknown);
  EXPECT_STREQ(reinterpret_cast<const char*>(VisitKindName(VisitKind::kUnknown)), "");
}

// A folder tree in memory: folders (ending in a backslash) and files with
// their bytes.
class FakeTree : public FolderSource {
 public:
  void File(const std::u16string& path, const std::string& bytes = "") {
    files_[path] = bytes;
    for (size_t slash = path.find(u'\\'); slash != std::u16string::npos; slash = path.find(u'\\', slash + 1)) {
      folders_[path.substr(0, slash + 1)];
    }
    for (auto& [folder, names] : folders_) {
      if (path.compare(0, folder.size(), folder) != 0) continue;
      const std::u16string rest = path.substr(folder.size());
      const size_t slash = rest.find(u'\\');
      names[rest.substr(0, slash)] = slash != std::u16string::npos;
    }
  }
  std::unique_ptr<Listing> List(std::u16string_view folder, SourceStatus* status) override {
    auto it = folders_.find(std::u16string(folder));
    if (it == folders_.end()) return nullptr;
    if (status) *status = SourceStatus::kOk;
    class L : public Listing {
     public:
      explicit L(const std::map<std::u16string, bool>& names) : names_(names), it_(names_.begin()) {}
      bool Next(FolderEntry& e) override {
        if (it_ == names_.end()) return false;
        e.name = it_->first;
        e.attributes = it_->second ? 0x10 : 0x20;
        ++it_;
        return true;
      }
      const std::map<std::u16string, bool>& names_;
      std::map<std::u16string, bool>::const_iterator it_;
    };
    return std::make_unique<L>(it->second);
  }
  uint32_t Attributes(const std::u16string& path) override {
    if (files_.count(path)) return 0x20;
    return folders_.count(path + u"\\") ? 0x10 : kNoAttributes;
  }
  std::u16string exhausting;  // reading this file fails to allocate
  SourceStatus ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, uint64_t) override {
    if (path == exhausting) throw std::bad_alloc();
    auto it = files_.find(path);
    if (it == files_.end()) return SourceStatus::kMissing;
    bytes.assign(it->second.begin(), it->second.end());
    return SourceStatus::kOk;
  }

 private:
  std::map<std::u16string, std::string> files_;
  std::map<std::u16string, std::map<std::u16string, bool>> folders_;
};

// The view goes on past a database whose query runs out of its budget and
// one that runs out of memory, and names each.
TEST(BrowserHistoryTable, EachDatabaseThatFailsIsNamedAndTheOthersRead) {
  auto make = [](const std::string& rows) {
    const std::vector<uint8_t> bytes = MakeDatabase(
        "CREATE TABLE visits(id INTEGER PRIMARY KEY, url, visit_time, transition);"
        "CREATE TABLE urls(id, url, title, visit_count);" +
        rows);
    return std::string(bytes.begin(), bytes.end());
  };
  FakeTree tree;
  const std::u16string chrome = u"L\\Google\\Chrome\\User Data\\";
  tree.File(chrome + u"Profile 1\\History", make("INSERT INTO urls VALUES (1, 'http://one.test/', 'One', 1);"
                                                 "INSERT INTO visits VALUES (1, 1, 13100000000000000, 1);"));
  tree.File(chrome + u"Profile 2\\History");
  tree.exhausting = chrome + u"Profile 2\\History";
  // Pages whose ids are all 1, named by every visit: 9 million rows.
  tree.File(chrome + u"Profile 3\\History",
            make("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<3000)"
                 "  INSERT INTO urls SELECT 1, 'http://x.test/' || x, 'X', 1 FROM c;"
                 "INSERT INTO visits SELECT rowid, 1, 13000000000000000 + rowid, 1 FROM urls;"));
  Table table;
  ReadBrowserHistoryTable(tree, u"L", u"", table, nullptr);
  const std::pair<std::u16string, std::u16string> problems[] = {
      {u"Profile 2", u"out of memory while it was read"},
      {u"Profile 3", u"stopped: the query ran longer than a database of this size needs"}};
  ASSERT_EQ(table.problems.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    const auto& [profile, why] = problems[i];
    EXPECT_EQ(
        table.problems[i].rfind(u"Google Chrome " + profile + u" (" + chrome + profile + u"\\History): " + why, 0), 0u)
        << Narrow(table.problems[i]);
  }
  EXPECT_GT(table.RowCount(), 1u);  // Profile 3's visits up to the stop
  EXPECT_EQ(table.Cell(0, 2).text, u"http://one.test/");
}

TEST(BrowserProfiles, FoundFromFoldersLocalStateAndProfilesIni) {
  FakeTree tree;
  const std::u16string local = u"C:\\Users\\u\\AppData\\Local\\", roaming = u"C:\\Users\\u\\AppData\\Roaming";
  const std::u16string edge = local + u"Microsoft\\Edge\\User Data\\";
  tree.File(edge + u"Local State",
            R"({"browser":{"x":[1,{"profile":2}],"s":"a\"}"},"profile":{"last_used":"Profile 1","info_cache":)"
            R"({"Default":{"name":"Pers\u00f6n 1","avatar":[]},"Work Stuff":{"is_x":true,"name":"Work"},)"
            R"("..\\evil":{"name":"x"},"Profile 1":{"name":"Second"}}}})");
  tree.File(edge + u"Default\\History");
  tree.File(edge + u"Profile 1\\History");
  tree.File(edge + u"Profile 10\\History");
  tree.File(edge + u"Profile 2\\History");
  tree.File(edge + u"Work Stuff\\History");
  tree.File(edge + u"Guest Profile\\History");  // not a user's profile: not named in Local State
  tree.File(edge + u"Profile 3\\Preferences");  // no history
  tree.File(edge + u"System Profile\\History");
  tree.File(local + u"Vivaldi\\User Data\\Default\\History");
  tree.File(local + u"Vivaldi\\User Data\\Local State", "{ not json");
  tree.File(roaming + u"\\Opera Software\\Opera Stable\\History");
  const std::u16string ff = roaming + u"\\Mozilla\\Firefox\\";
  tree.File(ff + u"profiles.ini",
            "\xEF\xBB\xBF[Install308046B0AF4A39CB]\r\nDefault=Profiles/b.default-release\r\n\r\n"
            "[Profile1]\r\nName=default-release\r\nIsRelative=1\r\nPath=Profiles/b.default-release\r\n"
            "[Profile0]\nName=elsewhere\nIsRelative=0\nPath=D:\\Fx\\c.other\n"
            "[Profile2]\nName=gone\nIsRelative=1\nPath=Profiles/gone\n");
  tree.File(ff + u"Profiles\\b.default-release\\places.sqlite");
  tree.File(ff + u"Profiles\\a.default\\places.sqlite");
  tree.File(ff + u"Profiles\\empty\\prefs.js");
  tree.File(u"D:\\Fx\\c.other\\places.sqlite");

  const std::vector<BrowserProfile> found = FindBrowserProfiles(tree, local, roaming);
  std::vector<std::u16string> seen;
  for (const BrowserProfile& p : found) seen.push_back(p.browser + u"|" + p.profile + u"|" + p.displayName);
  const std::vector<std::u16string> expected = {
      u"Microsoft Edge|Default|Pers\u00f6n 1",
      u"Microsoft Edge|Profile 1|Second",
      u"Microsoft Edge|Profile 2|",
      u"Microsoft Edge|Profile 10|",
      u"Microsoft Edge|Work Stuff|Work",
      u"Vivaldi|Default|",
      u"Opera|Opera Stable|",
      u"Firefox|a.default|",
      u"Firefox|b.default-release|default-release",
      u"Firefox|c.other|elsewhere",
  };
  EXPECT_EQ(seen, expected);
  ASSERT_EQ(found.size(), expected.size());
  EXPECT_EQ(found[0].databasePath, edge + u"Default\\History");
  EXPECT_EQ(found[0].walPath, edge + u"Default\\History-wal");
  EXPECT_FALSE(found[0].firefox);
  EXPECT_EQ(found[8].databasePath, ff + u"Profiles\\b.default-release\\places.sqlite");
  EXPECT_EQ(found[9].databasePath, u"D:\\Fx\\c.other\\places.sqlite");
  EXPECT_TRUE(found[9].firefox);

  FakeTree empty;
  EXPECT_TRUE(FindBrowserProfiles(empty, local, roaming).empty());

  // Another user's profile: a folder profiles.ini names outside it is not
  // this computer's folder of that name; a ".." leads nowhere.
  struct Confined : ProfilePaths {
    std::u16string ShellFolder(std::u16string_view) override { return u"error440"; }
    bool OtherProfile() const override { return true; }
    bool MapToProfile(std::u16string_view, std::u16string&) override { return false; }
  } confined;
  tree.File(ff + u"profiles.ini",
            "[Profile0]\nIsRelative=0\nPath=D:\\Fx\\c.other\n"
            "[Profile1]\nIsRelative=1\nPath=..\\..\\..\\..\\Fx\\c.other\n");
  for (const BrowserProfile& p : FindBrowserProfiles(tree, local, roaming, &confined)) {
    EXPECT_NE(p.profile, u"c.other");
  }
}

}  // namespace
}  // namespace glimmerlog
