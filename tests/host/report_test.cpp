// The report command's own rules: its command line, its times, and the view
// readers' lines where they differ by the Windows version or by what the
// registry holds. The whole command on a profile assembled from the test
// data is report_e2e.py's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "base/isotime.h"
#include "report/report.h"
#include "report/systemplatform.h"
#include "sources/folders/posixfolders.h"
#include "tests/host/sqlitecli.h"
#include "tests/support/regexport.h"
#include "views/browser/browserhistoryreader.h"
#include "views/viewreaders.h"

namespace glimmerlog {
namespace {

uint64_t FileTimeOfUnix(int64_t seconds) { return static_cast<uint64_t>(seconds + 11644473600) * 10000000u; }

TEST(ReportArgs, CommandLines) {
  const struct {
    std::vector<std::string> args;
    bool ok;
    ReportOptions::Action action;
  } cases[] = {
      {{"prof"}, true, ReportOptions::Action::kTimeline},
      {{"prof", "--view=Run History", "--format", "json", "--tz", "local"}, true, ReportOptions::Action::kView},
      {{"--list-views"}, true, ReportOptions::Action::kListViews},
      {{"--help", "--bogus-after"}, false, {}},
      {{"--live", "--timeline", "--timeline"}, true, ReportOptions::Action::kTimeline},
      {{"prof", "--view", "run", "--timeline"}, false, {}},
      {{"prof", "--live"}, false, {}},
      {{}, false, {}},
      {{"prof", "other/NTUSER.DAT", "--volume", "v", "--jobs=3"}, true, ReportOptions::Action::kTimeline},
      {{"prof", "--jobs", "0"}, false, {}},
      {{"prof", "--jobs", "2x"}, false, {}},
      {{"prof", "--format", "tln", "--since", "2026-12-04", "--until", "2026-12-04T10:00:00+01:00"}, true,
       ReportOptions::Action::kTimeline},
      {{"prof", "--since", "2026-12-05", "--until", "2026-12-04"}, false, {}},
      {{"prof", "--since", "2026-02-29"}, false, {}},
      {{"prof", "--live"}, false, {}},
      {{"--volume", "v", "--live"}, false, {}},
      {{"prof", "--format", "xml"}, false, {}},
      {{"prof", "--tz", "cet"}, false, {}},
      {{"prof", "--output"}, false, {}},
      {{"prof", "--live=yes"}, false, {}},
  };
  for (const auto& c : cases) {
    ReportOptions options;
    std::string error;
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    EXPECT_EQ(ParseReportArgs(c.args, options, error), c.ok) << line;
    EXPECT_EQ(error.empty(), c.ok) << line;
    if (c.ok) EXPECT_EQ(options.action, c.action) << line;
  }
  ReportOptions options;
  std::string error;
  ASSERT_TRUE(ParseReportArgs({"p", "--view=Run History", "--format", "json", "--tz", "local"}, options, error));
  EXPECT_EQ(options.viewName, "Run History");
  EXPECT_EQ(options.format, ReportFormat::kJson);
  EXPECT_TRUE(options.localTime);
  EXPECT_EQ(FindView(u"RUN HISTORY"), FindView(u"run"));
  EXPECT_EQ(FindView(u"Runs"), nullptr);
  ASSERT_TRUE(ParseReportArgs({"a", "--volume", "v", "b"}, options, error));
  ASSERT_EQ(options.inputs.size(), 3u);  // in the order given
  EXPECT_TRUE(options.inputs[1].volume && !options.inputs[2].volume && options.inputs[2].path == "b");
}

// --since and --until: the same instant however written; a date alone is
// its first instant, or for --until its last.
TEST(ReportArgs, IsoTimesOfTheRange) {
  const uint64_t noon = FileTimeOfUnix(1796385600);  // 2026-12-04T12:00:00Z
  const struct {
    const char* text;
    bool endOfDay;
    uint64_t want;  // 0: refused
  } cases[] = {
      {"2026-12-04T12:00:00Z", false, noon},
      {"2026-12-04T12:00", false, noon},
      {"2026-12-04 13:30:00+01:30", false, noon},
      {"2026-12-04T09:00:00-03:00", false, noon},
      {"2026-12-04T12:00:00Z", true, noon + 9999999},
      {"2026-12-04", false, noon - 12 * 3600 * 10000000ull},
      {"2026-12-04", true, noon + 12 * 3600 * 10000000ull - 1},
      {"2024-02-29", false, FileTimeOfUnix(1709164800)},
      {"2026-12-04T24:00", false, 0},
      {"2026-12-4", false, 0},
      {"1600-12-31", false, 0},
      {"2026-12-04T12:00:00+1", false, 0},
      {"2026-12-04Z", false, 0},
  };
  for (const auto& c : cases) {
    uint64_t t = 0;
    EXPECT_EQ(ParseIsoTime(c.text, c.endOfDay, t), c.want != 0) << c.text;
    if (c.want) EXPECT_EQ(t, c.want) << c.text;
  }
}

TEST(ReportTimes, IsoInUtcAndWithTheOffsetOfTheDate) {
  EXPECT_EQ(IsoUtc(FileTimeOfUnix(1796374938) + 9999999), u"2026-12-04T09:02:18Z");  // the fraction dropped
  EXPECT_EQ(IsoUtc(FileTimeOfUnix(951782400)), u"2000-02-29T00:00:00Z");
  EXPECT_EQ(IsoUtc(FileTimeOfUnix(-2203891201)), u"1900-02-28T23:59:59Z");
  EXPECT_EQ(IsoUtc(1), u"1601-01-01T00:00:00Z");
  CalendarTime t = UtcFields(FileTimeOfUnix(1796374938));
  EXPECT_EQ(IsoWithOffset(t, -12600), u"2026-12-04T09:02:18-03:30");
  EXPECT_EQ(IsoWithOffset(t, 20700), u"2026-12-04T09:02:18+05:45");

  // This system's zone: the offset in force on each date, not today's.
  if (access("/usr/share/zoneinfo/Europe/Berlin", R_OK) != 0) GTEST_SKIP() << "no zone data for Europe/Berlin";
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  auto platform = MakeSystemReportPlatform();
  EXPECT_EQ(platform->LocalIso(FileTimeOfUnix(1796374938)), u"2026-12-04T10:02:18+01:00");
  EXPECT_EQ(platform->LocalIso(FileTimeOfUnix(1782637200)), u"2026-06-28T11:00:00+02:00");
  old ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
  tzset();
}

// A profile of folders only, and Shell Folders naming them.
struct Fixture {
  TempFolder dir;
  PosixFolderSource folders{dir.path()};
  RegExport file;
  std::unique_ptr<RegExportSource> registry;

  void Add(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(dir.path() + "/" + path).parent_path());
    std::ofstream(dir.path() + "/" + path) << "x";
  }
};

class Paths final : public ProfilePaths {
 public:
  std::u16string ShellFolder(std::u16string_view name) override {
    return name == u"Cookies" ? u"Cookies " : name == u"Recent" ? u"Recent" : kRegFailureText;
  }
};

TEST(ReportViews, FolderAndListLinesAsTheWindowFormsThem) {
  Fixture f;
  f.Add("cookies/low/bob@site.txt");
  f.Add("cookies/low/index.dat");  // the browser's own index is no cookie
  f.Add("cookies/low/folder/inner.txt");
  f.Add("cookies/old.txt");
  RegExportSource registry(f.file);
  Paths paths;
  ViewSources vista{registry, f.folders, paths, "Vista", {}, {}, &Windows1252Text};
  Table cookies;
  ReadCookieFiles(vista, cookies);
  ASSERT_EQ(cookies.RowCount(), 1u);
  EXPECT_EQ(cookies.Cell(0, 0).text, u"Cookies\\\\Low\\bob@site.txt");  // the window's doubled backslash
  ViewSources xp{registry, f.folders, paths, "xp", {}, {}, &Windows1252Text};
  Table older;
  ReadCookieFiles(xp, older);
  ASSERT_EQ(older.RowCount(), 1u);  // the Low folder is a plain folder: not listed
  EXPECT_EQ(older.Cell(0, 0).text, u"Cookies\\old.txt");
  Table recent;
  ReadRecentDocuments(xp, recent);
  EXPECT_EQ(recent.RowCount(), 0u);
  EXPECT_EQ(recent.problems, std::vector<std::u16string>{u"Recent folder Recent\\: missing"});
  EXPECT_TRUE(IsAbsence(recent.problems[0]));

  // The search keys by version, and TypedURLs values as the window reads them.
  const std::u16string explorer = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
  RegExport& keys = registry.File();
  auto text = [](const char16_t* s) {
    RegistryData d{1, {}};
    for (const char16_t* p = s; *p; ++p) d.bytes.insert(d.bytes.end(), {static_cast<uint8_t>(*p), 0});
    d.bytes.insert(d.bytes.end(), {0, 0});
    return d;
  };
  keys.keys[explorer + u"Doc Find Spec MRU"] = {{u"a", text(u"*.doc")}, {u"MRUList", text(u"a")}};
  keys.keys[u"Software\\Microsoft\\Search Assistant\\ACMru\\5603"] = {{u"000", text(u"report")}};
  keys.keys[u"Software\\Microsoft\\Internet Explorer\\TypedURLs"] = {
      {u"url1", text(u"http://a/")}, {u"", text(u"default")}, {u"url2", RegistryData{3, {1, 2}}}};
  Table search98, searchXp, typed;
  ReadSearchHistory(registry, "98", search98);
  ReadSearchHistory(registry, "xp", searchXp);
  ASSERT_EQ(search98.RowCount(), 2u);
  EXPECT_EQ(search98.Cell(0, 0).text, u"*.doc");
  ASSERT_EQ(searchXp.RowCount(), 1u);
  EXPECT_EQ(searchXp.Cell(0, 0).text, u"report");
  ReadAddressBar(registry, typed);
  ASSERT_EQ(typed.RowCount(), 2u);
  EXPECT_EQ(typed.Cell(1, 0).text, kRegFailureText);  // binary data reads as the failure text
}

TEST(ReportViews, BrowserHistoryNewestFirstAndWhatCouldNotBeRead) {
  const std::string chrome = std::string(GL_TESTDATA_DIR) + "/browsers/chromium/plaso-History";
  if (access(chrome.c_str(), R_OK) != 0) GTEST_SKIP() << "test data not found at " << chrome;
  Fixture f;
  std::filesystem::create_directories(f.dir.path() + "/Local/Google/Chrome/User Data/Default");
  std::filesystem::copy_file(chrome, f.dir.path() + "/Local/Google/Chrome/User Data/Default/History");
  f.Add("Roaming/Mozilla/Firefox/Profiles/x.default/places.sqlite");  // one byte: no database
  Table table;
  Timeline timeline;
  ReadBrowserHistoryTable(f.folders, u"Local", u"Roaming\\", table, &timeline);
  ASSERT_EQ(table.RowCount(), 69u);  // the test data's count of its visits
  EXPECT_EQ(timeline.Size(), 69u);
  ASSERT_EQ(table.columns.size(), 8u);
  for (size_t r = 1; r < table.RowCount(); ++r) {
    EXPECT_GE(table.Cell(r - 1, 0).time, table.Cell(r, 0).time) << r;
  }
  EXPECT_EQ(table.Cell(0, 5).text, u"Google Chrome");
  EXPECT_EQ(table.Cell(0, 7).text, u"Local\\Google\\Chrome\\User Data\\Default\\History");
  ASSERT_EQ(table.problems.size(), 1u);
  EXPECT_EQ(
      table.problems[0].rfind(u"Firefox x.default (Roaming\\Mozilla\\Firefox\\Profiles\\x.default\\places.sqlite)", 0),
      0u);
  EXPECT_FALSE(IsAbsence(table.problems[0]));
}

}  // namespace
}  // namespace glimmerlog
