// Windows Timeline: every activity cache of the test data read through the
// profile's folders, row for row against sqlite3's reading of the same
// files (../shared/testdata/peer-output/system), the rows only the
// write-ahead log holds told from those of the file; and the JSON reader the
// cache's AppId and Payload columns go through.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "base/json.h"
#include "base/utf8.h"
#include "sources/activities/activitiescache.h"
#include "sources/folders/posixfolders.h"

namespace glimmerlog {
namespace {

const std::string kData = GL_TESTDATA_DIR;

std::vector<std::vector<std::string>> ReadTsv(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::stringstream split(line);
    for (std::string cell; std::getline(split, cell, '\t');) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

// "Activity rows: 14" from a summary.
int ActivityRows(const std::string& path) {
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("Activity rows: ", 0) == 0) return std::stoi(line.substr(15));
  }
  return -1;
}

uint64_t FileTime(const std::string& unixSeconds) {
  const int64_t s = std::stoll(unixSeconds);
  return s <= 0 ? 0 : static_cast<uint64_t>(s + 11644473600) * 10000000;
}

TEST(WindowsTimeline, EveryCacheRowAsSqlite3ReadsIt) {
  const struct {
    const char* folder;  // under system/, holding ActivitiesCache.db (and its -wal)
    const char* peer;    // under peer-output/system/
    const char* peerWithoutLog;
  } cases[] = {
      {"", "plaso-ActivitiesCache.db", nullptr},
      {"museum-win10-RathbunVM-timeline", "museum-win10-RathbunVM-timeline", "museum-win10-RathbunVM-timeline.nowal"},
      {"museum-win10-APTSimulatorVM-timeline", "museum-win10-APTSimulatorVM-timeline", nullptr},
      {"museum-win10-Belkasoft-L.User-timeline", "museum-win10-Belkasoft-L.User-timeline", nullptr},
  };
  if (!std::filesystem::is_directory(kData + "/system")) GTEST_SKIP() << "test data not found at " << kData;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.peer);
    // The plaso cache lies alone under another name: read from a folder of
    // its own.
    std::filesystem::path dir = std::filesystem::path(kData) / "system" / c.folder;
    std::string file = "ActivitiesCache.db";
    std::filesystem::path scratch;
    if (*c.folder == 0) {
      scratch = std::filesystem::temp_directory_path() / "glimmerlog-timeline-test";
      std::filesystem::create_directories(scratch);
      std::filesystem::copy_file(dir / c.peer, scratch / file, std::filesystem::copy_options::overwrite_existing);
      dir = scratch;
    }
    PosixFolderSource folders(dir.string());
    std::vector<Activity> activities;
    std::string note;
    EXPECT_EQ(ReadActivityCache(folders, u"ActivitiesCache.db", activities, note), SourceStatus::kOk) << note;
    if (!scratch.empty()) std::filesystem::remove_all(scratch);

    const std::string peer = kData + "/peer-output/system/" + c.peer;
    std::multiset<std::tuple<std::u16string, int64_t, uint64_t, uint64_t>> theirs, ours;
    std::map<std::u16string, std::string> appIds;
    for (const auto& row : ReadTsv(peer + ".activity.tsv")) {
      ASSERT_GE(row.size(), 8u);
      const std::u16string id = Utf8ToU16(row[0]);
      theirs.emplace(id, std::stoll(row[1]), FileTime(row[2]), FileTime(row[6]));
      appIds[id] = row[7];
    }
    size_t fromLog = 0;
    for (const Activity& a : activities) {
      ours.emplace(a.id, a.type, a.start, a.end);
      fromLog += a.fromLog;
      // The program is one the AppId names, on the platform it names.
      if (!a.platform.empty()) {
        std::string platform;
        AppendUtf8(a.platform, platform);
        EXPECT_NE(appIds[a.id].find("\"platform\":\"" + platform + "\""), std::string::npos) << appIds[a.id];
      }
    }
    EXPECT_EQ(ours, theirs);
    EXPECT_EQ(static_cast<int>(activities.size()), ActivityRows(peer + ".summary.txt"));
    // The rows the file alone lacks are the log's.
    const int withoutLog = c.peerWithoutLog ? ActivityRows(kData + "/peer-output/system/" + c.peerWithoutLog +
                                                           ".summary.txt")
                                            : static_cast<int>(activities.size());
    EXPECT_EQ(fromLog, activities.size() - static_cast<size_t>(withoutLog));
  }
}

TEST(WindowsTimeline, CachesFoundPerAccountAndDamageNamed) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "glimmerlog-timeline-accounts";
  std::filesystem::remove_all(dir);
  const std::filesystem::path root = dir / "AppData" / "Local" / "ConnectedDevicesPlatform";
  for (const char* account : {"L.bob", "AAD.1234", "empty"}) std::filesystem::create_directories(root / account);
  std::ofstream(root / "L.bob" / "ActivitiesCache.db") << "SQLite format 3";
  std::ofstream(root / "AAD.1234" / "ActivitiesCache.db") << "not a database at all";
  PosixFolderSource folders(dir.string());
  const std::vector<std::u16string> caches = FindActivityCaches(folders, u"AppData\\Local");
  ASSERT_EQ(caches, (std::vector<std::u16string>{u"AppData\\Local\\ConnectedDevicesPlatform\\AAD.1234\\ActivitiesCache.db",
                                                 u"AppData\\Local\\ConnectedDevicesPlatform\\L.bob\\ActivitiesCache.db"}));
  for (const std::u16string& cache : caches) {
    std::vector<Activity> activities;
    std::string note;
    EXPECT_EQ(ReadActivityCache(folders, cache, activities, note), SourceStatus::kDamaged);
    EXPECT_TRUE(activities.empty());
    EXPECT_NE(note.find("not a readable SQLite database"), std::string::npos) << note;
  }
  std::filesystem::remove_all(dir);
}

// The reader's rules at their edges: what is JSON and what is not.
TEST(Json, ValuesAndRefusals) {
  const struct {
    const char* text;
    bool ok;
    const char16_t* firstText;  // the first string member's text, or null
    double number;              // the member "n", when ok and not NaN
  } cases[] = {
      {R"({"s":"a\u00e9\ud83d\ude00\n","n":-1.5e2})", true, u"a\u00e9\U0001F600\n", -150},
      {R"( [1, {"s":"x"}] )", true, nullptr, NAN},
      {"{\"s\":\"caf\xc3\xa9 \xff\",\"n\":0}", true, u"caf\u00e9 \uFFFD", 0},
      {R"({"s":"\ud800","n":1e999})", true, u"\xD800", INFINITY},
      {R"({"s":"","n":1e-999})", true, u"", 0},
      {R"({"n":01})", false, nullptr, NAN},
      {R"({"n":1.})", false, nullptr, NAN},
      {R"({"s":"cut)", false, nullptr, NAN},
      {R"({"s":"\x"})", false, nullptr, NAN},
      {R"({"s" "x"})", false, nullptr, NAN},
      {R"([1,])", false, nullptr, NAN},
      {R"({} {})", false, nullptr, NAN},
      {"{\"s\":\"tab\there\"}", false, nullptr, NAN},
      {"", false, nullptr, NAN},
      {"nul", false, nullptr, NAN},
  };
  for (const auto& c : cases) {
    JsonValue v;
    std::string reason;
    EXPECT_EQ(ParseJson(c.text, v, &reason), c.ok) << c.text;
    EXPECT_EQ(reason.empty(), c.ok) << c.text;
    if (c.firstText) EXPECT_EQ(v.Text(u"s"), c.firstText) << c.text;
    if (c.ok && !std::isnan(c.number)) EXPECT_EQ(v.Number(u"n", 7), c.number) << c.text;
  }
  // Nesting is bounded, not a stack overflow.
  const std::string deep = std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']');
  const std::string deeper = std::string(100000, '[') + std::string(100000, ']');
  JsonValue v;
  EXPECT_TRUE(ParseJson(deep, v));
  EXPECT_FALSE(ParseJson(deeper, v));
}

}  // namespace
}  // namespace glimmerlog
