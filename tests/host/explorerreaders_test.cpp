// The readers of Explorer's traces and the timeline over registry exports:
// synthetic keys for the rules, the real hives' keys for what they hold.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "tests/support/regexport.h"
#include "views/explorer/explorerreaders.h"

namespace glimmerlog {
namespace {

const std::u16string kExplorer = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

RegistryData Binary(std::vector<uint8_t> bytes) { return {3, std::move(bytes)}; }
RegistryData Utf16(std::u16string_view text, uint32_t type = 1) {
  RegistryData d{type, {}};
  for (char16_t c : text) {
    d.bytes.push_back(static_cast<uint8_t>(c));
    d.bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  d.bytes.insert(d.bytes.end(), {0, 0});
  return d;
}
RegistryData Dwords(std::vector<uint32_t> values) {
  RegistryData d{3, std::vector<uint8_t>(values.size() * 4)};
  memcpy(d.bytes.data(), values.data(), d.bytes.size());
  return d;
}
RegistryData Qword(uint64_t v) {
  RegistryData d{3, std::vector<uint8_t>(8)};
  memcpy(d.bytes.data(), &v, 8);
  return d;
}

std::u16string CellText(const Table& table, size_t row, size_t c) { return std::u16string(table.Cell(row, c).text); }
double CellNumber(const Table& table, size_t row, size_t c) { return table.Cell(row, c).number; }
uint64_t CellTime(const Table& table, size_t row, size_t c) { return table.Cell(row, c).time; }

TEST(ExplorerReaders, MruOrderKeyTimeAtTheFirstEntryAndWhatFailed) {
  RegExport file;
  const std::u16string words = kExplorer + u"WordWheelQuery";
  file.keys[words] = {{u"0", Utf16(u"older", 3)},
                      {u"1", Utf16(u"newest", 3)},
                      {u"2", Binary({})},
                      {u"MRUListEx", Dwords({1, 0, 0xFFFFFFFF})}};
  RegExportSource registry(file);
  registry.keyTimes[words] = 133000000000000000ull;
  Table table;
  Timeline timeline;
  ReadExplorerSearches(registry, table, &timeline);
  ASSERT_EQ(table.RowCount(), 3u);
  EXPECT_EQ(CellText(table, 0, 0), u"newest");
  EXPECT_EQ(CellNumber(table, 0, 1), 1);
  EXPECT_EQ(CellTime(table, 0, 2), 133000000000000000ull);
  EXPECT_EQ(table.Cell(1, 2).kind, TableCell::Kind::kEmpty);  // only the first entry has the key's time
  EXPECT_EQ(CellNumber(table, 2, 1), 3);                      // not in the list: after it
  EXPECT_EQ(timeline.Size(), 1u);

  // Missing keys are named by the view; the timeline leaves them out.
  Table empty;
  ReadExplorerAddresses(registry, empty, nullptr);
  EXPECT_TRUE(empty.RowCount() == 0);
  EXPECT_EQ(empty.problems, (std::vector<std::u16string>{u"TypedPaths: missing"}));
  Timeline all;
  AddExplorerEvents(registry, all);
  Table merged;
  all.ToTable(merged);
  EXPECT_TRUE(merged.problems.empty());
  ASSERT_EQ(merged.RowCount(), 1u);
  EXPECT_EQ(CellText(merged, 0, 1), u"Explorer search");
}

TEST(ExplorerReaders, TypedAddressesJoinTheirTimesAndBadValuesAreNamed) {
  RegExport file;
  const std::u16string typed = u"Software\\Microsoft\\Internet Explorer\\TypedURLs";
  file.keys[typed] = {{u"url10", Utf16(u"http://ten/")},
                      {u"url2", Utf16(u"http://two/")},
                      {u"url1", Utf16(u"http://one/")},
                      {u"url3", Dwords({7})}};
  file.keys[typed + u"Time"] = {{u"url1", Qword(132223104000000000ull)}, {u"url2", Binary({1, 2, 3})}};
  RegExportSource registry(file);
  Table table;
  Timeline timeline;
  ReadTypedAddressTimes(registry, table, &timeline);
  ASSERT_EQ(table.RowCount(), 3u);
  EXPECT_EQ(CellText(table, 0, 0), u"http://one/");
  EXPECT_EQ(CellTime(table, 0, 2), 132223104000000000ull);
  EXPECT_EQ(CellText(table, 1, 0), u"http://two/");
  EXPECT_EQ(CellText(table, 2, 0), u"http://ten/");
  EXPECT_EQ(table.problems,
            (std::vector<std::u16string>{u"TypedURLsTime value url2: damaged", u"TypedURLs value url3: not text"}));
  EXPECT_EQ(timeline.Size(), 1u);  // only the dated one
}

TEST(ExplorerReaders, TimelineIsNewestFirstAndKeepsTheOrderOfEqualTimes) {
  Timeline timeline;
  timeline.Add({5, u"a", u"first at 5", {}, {}, {}});
  timeline.Add({0, u"undated", {}, {}, {}, {}});
  timeline.Add({9, u"b", u"at 9", {}, {}, {}});
  timeline.Add({5, u"c", u"second at 5", {}, {}, {}});
  Table table;
  timeline.ToTable(table);
  ASSERT_EQ(table.RowCount(), 3u);
  EXPECT_EQ(CellText(table, 0, 2), u"at 9");
  EXPECT_EQ(CellText(table, 1, 2), u"first at 5");
  EXPECT_EQ(CellText(table, 2, 2), u"second at 5");
}

class FakeProfile : public ProfilePaths {
 public:
  std::u16string ShellFolder(std::u16string_view name) override {
    if (name == u"Desktop") return u"C:\\Users\\me\\Desktop\\";
    if (name == u"Personal") return u"D:\\Docs";
    return kRegFailureText;
  }
};

TEST(ExplorerReaders, ShellPathsResolveToTheProfilesFolders) {
  FakeProfile profile;
  EXPECT_EQ(ResolveShellPath(profile, u"My Computer\\C:\\a\\b.txt"), u"C:\\a\\b.txt");
  EXPECT_EQ(ResolveShellPath(profile, u"Network\\server\\share\\c.txt"), u"\\\\server\\share\\c.txt");
  EXPECT_EQ(ResolveShellPath(profile, u"My Computer\\Desktop\\x\\d.png"), u"C:\\Users\\me\\Desktop\\x\\d.png");
  EXPECT_EQ(ResolveShellPath(profile, u"Libraries\\Documents\\e.doc"), u"D:\\Docs\\e.doc");
  EXPECT_EQ(ResolveShellPath(profile, u"Desktop"), u"C:\\Users\\me\\Desktop");
  EXPECT_EQ(ResolveShellPath(profile, u"My Computer\\Pictures\\f.jpg"), u"");  // not readable: nothing
  EXPECT_EQ(ResolveShellPath(profile, u"Control Panel\\System"), u"");
  EXPECT_EQ(ResolveShellPath(profile, u"My Computer\\DesktopX\\g"), u"");
}

// The real hives' keys: every value of each list is read, none is damaged.
TEST(ExplorerReaders, RealHivesReadWithoutProblems) {
  struct Hive {
    const char* name;
    size_t searches, typedPaths;
  };
  bool any = false;
  size_t once = 0;
  for (const Hive& h :
       {Hive{"win7_notatin_ntuser.dat.reg", 10, 24}, Hive{"win10_regipy_NTUSER_with_winscp.DAT.reg", 22, 7},
        Hive{"win7_plaso_NTUSER-WIN7.DAT.reg", 2, 1}}) {
    SCOPED_TRACE(h.name);
    RegExport file, modern;
    if (!LoadRegExport(std::string(GL_TESTDATA_DIR) + "/reg/" + h.name, file)) continue;
    any = true;
    ASSERT_TRUE(LoadRegExport(std::string(GL_TESTDATA_DIR) + "/reg-modern/" + h.name, modern));
    for (auto& [key, values] : modern.keys) file.keys.emplace(key, values);
    RegExportSource registry(file);
    Table searches, paths, programs, opened, recent;
    ReadExplorerSearches(registry, searches);
    ReadExplorerAddresses(registry, paths);
    Timeline runs;
    ReadUserAssist(registry, programs, &runs);
    ReadOpenSaveHistory(registry, opened);
    ReadRecentFiles(registry, recent);
    EXPECT_EQ(searches.RowCount(), h.searches);
    EXPECT_EQ(paths.RowCount(), h.typedPaths);
    EXPECT_FALSE(programs.RowCount() == 0);
    EXPECT_FALSE(opened.RowCount() == 0);
    EXPECT_FALSE(recent.RowCount() == 0);
    // Each program's run in the timeline says how often it ran, in words
    // that fit its count.
    std::map<std::u16string, double> counts;
    for (size_t r = 0; r < programs.RowCount(); ++r)
      counts[std::u16string(programs.Cell(r, 0).text)] = programs.Cell(r, 2).number;
    Table events;
    runs.ToTable(events);
    for (size_t r = 0; r < events.RowCount(); ++r) {
      const double n = counts.at(std::u16string(events.Cell(r, 2).text));
      const std::u16string said(events.Cell(r, 3).text);
      EXPECT_EQ(said, n == 1 ? u"run once" : u"run " + NumberText(static_cast<uint64_t>(n)) + u" times");
      once += n == 1;
    }
    for (const Table* t : {&searches, &paths, &programs, &opened, &recent}) {
      EXPECT_TRUE(t->problems.empty()) << std::string(ProblemsText(t->problems).begin(),
                                                      ProblemsText(t->problems).end());
    }
  }
  if (!any) GTEST_SKIP() << "the .reg exports are not under " GL_TESTDATA_DIR;
  EXPECT_GT(once, 0u);  // a program run once is among them
}

}  // namespace
}  // namespace glimmerlog
