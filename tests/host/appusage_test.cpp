// Recent Apps and Feature Usage on the hives of the test data that hold them
// against RegRipper's recentapps and featureusage plugins, and on written
// hives with values of the wrong form.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "base/utf8.h"
#include "sources/shell/userassist.h"
#include "tests/host/registryviews.h"
#include "tests/support/hivetree.h"

namespace glimmerlog {

void ReadRecentApps(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
void ReadFeatureUsage(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

namespace {

constexpr char kTransactions[] = "shellbags/regipy-transactions/NTUSER.DAT";

std::vector<HiveLog> Logs(const std::string& hive) {
  std::vector<HiveLog> logs;
  for (const char* name : {"LOG1", "LOG2"}) logs.push_back({name, peer::TestFile(hive + "." + name)});
  return logs;
}

// The value after "Name   : " on a line of the peer's report.
bool Field(const std::string& line, const std::string& name, std::u16string& value) {
  if (line.compare(0, name.size(), name) != 0) return false;
  const size_t colon = line.find(": ", name.size());
  if (colon == std::string::npos || line.find_first_not_of(' ', name.size()) != colon) return false;
  value = Utf8ToU16(line.substr(colon + 2));
  return true;
}

// The only RecentApps key of the test data, in the Windows 10 hive that was
// not written completely; the peer reads its primary file. One app, with no
// recent items; its time and count are the peer's. The logs change nothing
// in the key: read with them, the lines are the same.
TEST(RecentApps, AsRegRipperReadsTheWindows10Hive) {
  if (!peer::Installed()) GTEST_SKIP() << "regripper is not installed: no peer to compare with";
  const std::vector<uint8_t> hive = peer::TestFile(kTransactions);
  if (hive.empty()) GTEST_SKIP() << kTransactions << " is not in " << GL_TESTDATA_DIR;
  struct PeerLine {
    std::u16string app, path;
    int64_t time = -1;
    double count = -1;
  };
  std::vector<PeerLine> lines;  // an app, then its items (app empty)
  for (const std::string& line : peer::Run(hive, "recentapps")) {
    std::u16string v;
    if (Field(line, "AppId", v)) {
      lines.push_back({v, {}, -1, -1});
    } else if (Field(line, "  Path", v)) {
      lines.push_back({{}, v, -1, -1});
    } else if (!lines.empty() && (Field(line, "LastAccessedTime", v) || Field(line, "  LastAccessedTime", v))) {
      lines.back().time = peer::Time(Utf8Of(v));
    } else if (!lines.empty() && Field(line, "LaunchCount", v)) {
      lines.back().count = std::stod(Utf8Of(v));
    }
  }
  ASSERT_FALSE(lines.empty());
  const ViewRead read(&ReadRecentApps, hive);
  ASSERT_EQ(read.table.RowCount(), lines.size());
  std::u16string app;
  for (size_t r = 0; r < lines.size(); ++r) {
    if (!lines[r].app.empty()) app = lines[r].app;
    EXPECT_EQ(read.Text(r, 0), app);
    EXPECT_EQ(read.Text(r, 1).empty(), !lines[r].app.empty());  // an app's line names no item
    if (lines[r].app.empty()) EXPECT_EQ(read.Text(r, 2), lines[r].path);
    if (lines[r].count >= 0) EXPECT_EQ(read.Number(r, 3), lines[r].count);
    EXPECT_NEAR(peer::Seconds(read.Time(r, 4)), lines[r].time, 1.0);
  }
  EXPECT_TRUE(read.table.problems.empty());
  EXPECT_EQ(read.events.RowCount(), lines.size());

  const ViewRead logged(&ReadRecentApps, hive, Logs(kTransactions));
  ASSERT_EQ(logged.table.RowCount(), read.table.RowCount());
  for (size_t r = 0; r < read.table.RowCount(); ++r) {
    for (size_t c = 0; c < read.table.columns.size(); ++c) {
      EXPECT_EQ(logged.Text(r, c), read.Text(r, c));
      EXPECT_EQ(logged.Time(r, c), read.Time(r, c));
    }
  }
}

// Two apps and their items, each list newest first; an app without a count,
// an item whose time is not eight bytes, and an app without items.
TEST(RecentApps, AppsAndTheirItemsNewestFirstAndBadTimesAreProblems) {
  HiveNode root(1);
  HiveNode& apps = root.Key(u"Software\\Microsoft\\Windows\\CurrentVersion\\Search\\RecentApps");
  apps.Key(u"{A}")
      .Sz(u"AppId", u"Microsoft.Office.WINWORD.EXE.15")
      .Dword(u"LaunchCount", 7)
      .Qword(u"LastAccessedTime", 300);
  apps.Key(u"{A}\\RecentItems\\{1}")
      .Sz(u"DisplayName", u"old.docx")
      .Sz(u"Path", u"C:\\old.docx")
      .Qword(u"LastAccessedTime", 100);
  apps.Key(u"{A}\\RecentItems\\{2}")
      .Sz(u"DisplayName", u"new.docx")
      .Sz(u"Path", u"C:\\new.docx")
      .Qword(u"LastAccessedTime", 250);
  apps.Key(u"{A}\\RecentItems\\{3}").Sz(u"DisplayName", u"odd.docx").Value(u"LastAccessedTime", 3, {1, 2, 3});
  apps.Key(u"{B}").Sz(u"AppId", u"notepad").Sz(u"AppPath", u"C:\\Windows\\notepad.exe").Qword(u"LastAccessedTime", 400);
  const ViewRead read(&ReadRecentApps, root.File());
  const struct {
    const char16_t *app, *item, *path;
    uint64_t time;
  } expected[] = {
      {u"notepad", u"", u"C:\\Windows\\notepad.exe", 400},
      {u"Microsoft.Office.WINWORD.EXE.15", u"", u"", 300},
      {u"Microsoft.Office.WINWORD.EXE.15", u"new.docx", u"C:\\new.docx", 250},
      {u"Microsoft.Office.WINWORD.EXE.15", u"old.docx", u"C:\\old.docx", 100},
      {u"Microsoft.Office.WINWORD.EXE.15", u"odd.docx", u"", 0},
  };
  ASSERT_EQ(read.table.RowCount(), std::size(expected));
  for (size_t r = 0; r < std::size(expected); ++r) {
    EXPECT_EQ(read.Text(r, 0), expected[r].app) << r;
    EXPECT_EQ(read.Text(r, 1), expected[r].item) << r;
    EXPECT_EQ(read.Text(r, 2), expected[r].path) << r;
    EXPECT_EQ(read.Time(r, 4), expected[r].time) << r;
    EXPECT_EQ(read.table.Cell(r, 3).kind == TableCell::Kind::kNumber, r == 1) << r;
  }
  EXPECT_EQ(
      read.table.problems,
      std::vector<std::u16string>{u"Search\\RecentApps\\{A}\\RecentItems\\{3} value LastAccessedTime: not a number"});
  EXPECT_EQ(read.events.RowCount(), 4u);
}

// The only FeatureUsage key of the test data. The peer prints each value as
// "<name padded to 80>  <count>" under "***<feature> values***", and the
// counting's start (KeyCreationTime). Programs under a known folder's GUID
// are shown by the folder's name, as in the UserAssist view.
TEST(FeatureUsage, AsRegRipperReadsTheWindows10Hive) {
  if (!peer::Installed()) GTEST_SKIP() << "regripper is not installed: no peer to compare with";
  const char* file = "hives/win10_regipy_NTUSER_with_winscp.DAT";
  const std::vector<uint8_t> hive = peer::TestFile(file);
  if (hive.empty()) GTEST_SKIP() << file << " is not in " << GL_TESTDATA_DIR;
  std::multiset<std::tuple<std::u16string, std::u16string, double>> expected;  // program, feature, count
  std::u16string feature;
  int64_t began = -1;
  for (const std::string& line : peer::Run(hive, "featureusage")) {
    std::u16string v;
    if (line.rfind("***", 0) == 0 && line.size() > 13 && line.compare(line.size() - 10, 10, " values***") == 0) {
      feature = Utf8ToU16(line.substr(3, line.size() - 13));
    } else if (Field(line, "KeyCreationTime", v)) {
      began = peer::Time(Utf8Of(v));
    } else if (!feature.empty() && line.size() > 2) {
      const size_t gap = line.rfind("  ");
      if (gap == std::string::npos) continue;
      const std::string name = line.substr(0, line.find_last_not_of(' ', gap) + 1);
      expected.emplace(NameWithKnownFolder(Utf8ToU16(name)), feature, std::stod(line.substr(gap + 2)));
    }
  }
  ASSERT_GT(expected.size(), 50u);
  const ViewRead read(&ReadFeatureUsage, hive);
  std::multiset<std::tuple<std::u16string, std::u16string, double>> ours;
  std::set<std::u16string> dated;
  for (size_t r = 0; r < read.table.RowCount(); ++r) {
    ours.emplace(read.Text(r, 0), read.Text(r, 1), read.Number(r, 2));
    // The key's time at the first line of each feature only.
    const bool first = r == 0 || read.Text(r, 1) != read.Text(r - 1, 1);
    EXPECT_EQ(read.Time(r, 3) != 0, first) << r;
    if (first) dated.insert(read.Text(r, 1));
  }
  EXPECT_EQ(ours, expected);
  EXPECT_TRUE(read.table.problems.empty());
  // One event per feature, and the start of the counting.
  ASSERT_EQ(read.events.RowCount(), dated.size() + 1);
  size_t start = 0;
  for (size_t r = 0; r < read.events.RowCount(); ++r) {
    if (read.events.Cell(r, 1).text != u"Feature usage counting began") continue;
    ++start;
    EXPECT_NEAR(peer::Seconds(read.events.Cell(r, 0).time), began, 1.0);
  }
  EXPECT_EQ(start, 1u);
}

// A count that is text is a problem and no line; the key's time goes to the
// first line that is shown.
TEST(FeatureUsage, CountsOfTheWrongFormAreProblems) {
  HiveNode root(1);
  root.Key(u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FeatureUsage\\AppSwitched", 900)
      .Sz(u"Broken", u"12")
      .Dword(u"{1AC14E77-02E7-4E5D-B744-2EB1AE5198B7}\\cmd.exe", 5)
      .Dword(u"Chrome", 3);
  const ViewRead read(&ReadFeatureUsage, root.File());
  ASSERT_EQ(read.table.RowCount(), 2u);
  EXPECT_EQ(read.Text(0, 0), u"System32\\cmd.exe");
  EXPECT_EQ(read.Time(0, 3), 900u);
  EXPECT_EQ(read.Time(1, 3), 0u);
  EXPECT_EQ(read.table.problems, std::vector<std::u16string>{u"FeatureUsage\\AppSwitched value Broken: not a number"});
}

}  // namespace
}  // namespace glimmerlog
