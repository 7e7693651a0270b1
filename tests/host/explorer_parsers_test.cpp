// The readers of Explorer's usage keys: MRU order, UserAssist records and
// known-folder names, on hand-made values and on the values of real hives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sources/shell/knownfolders.h"
#include "sources/shell/mru.h"
#include "sources/shell/userassist.h"
#include "tests/support/history_tsv.h"
#include "tests/support/regexport.h"
#include "views/export.h"

namespace glimmerlog {
namespace {

RegistryData Letters(std::u16string_view text) {
  RegistryData data{1, {}};
  for (char16_t c : text) data.bytes.insert(data.bytes.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
  return data;
}

RegistryData Numbers(std::initializer_list<uint32_t> numbers) {
  RegistryData data{3, {}};
  for (uint32_t n : numbers) {
    for (int i = 0; i < 4; ++i) data.bytes.push_back(static_cast<uint8_t>(n >> (8 * i)));
  }
  return data;
}

// The names in result order, "*" after those the list did not name; the
// orders must run 1, 2, 3...
std::string Order(const std::vector<MruSlot>& slots) {
  std::string text;
  for (size_t i = 0; i < slots.size(); ++i) {
    EXPECT_EQ(slots[i].order, i + 1);
    text += (i ? "," : "") + std::string(slots[i].name.begin(), slots[i].name.end()) + (slots[i].listed ? "" : "*");
  }
  return text;
}

TEST(MruOrder, MruListLetters) {
  // As a real RunMRU stores them: a, MRUList, c, b; the default value is no entry.
  const std::vector<std::u16string> names{u"a", u"MRUList", u"c", u"b", u""};
  const RegistryData list = Letters(std::u16string_view(u"cba\0", 4));
  EXPECT_EQ(Order(OrderByMruList(names, &list)), "c,b,a");
  EXPECT_EQ(Order(OrderByMruList(names, nullptr)), "a*,c*,b*");
  const RegistryData upper = Letters(u"B");  // letters and the list's name in any case
  EXPECT_EQ(Order(OrderByMruList({u"A", u"mrulist", u"b", u"c", u"ab"}, &upper)), "b,A*,c*,ab*");

  const struct {
    RegistryData list;
    const char* order;
  } damaged[] = {
      {Letters(u"bxbzb"), "b,a*,c*"},                         // repeats, letters of no value, no NUL
      {Letters(std::u16string_view(u"c\0a", 3)), "c,a*,b*"},  // what follows the NUL is not the list
      {RegistryData{1, {'c', 0, 'a'}}, "c,a*,b*"},            // odd size: the half letter is dropped
      {RegistryData{1, {}}, "a*,b*,c*"},
      {Letters(std::u16string(1 << 20, u'q') + u"cab"), "c,a,b"},
  };
  for (const auto& d : damaged) EXPECT_EQ(Order(OrderByMruList({u"a", u"b", u"c", u"MRUList"}, &d.list)), d.order);
}

TEST(MruOrder, MruListExNumbers) {
  const std::vector<std::u16string> names{u"0", u"1", u"10", u"2", u"MRUListEx"};
  const RegistryData list = Numbers({2, 10, 0, 1, 0xFFFFFFFF});
  EXPECT_EQ(Order(OrderByMruListEx(names, &list)), "2,10,0,1");
  EXPECT_EQ(Order(OrderByMruListEx(names, nullptr)), "0*,1*,10*,2*");

  // Only a value named by the number in decimal is that number's value.
  const std::vector<std::u16string> odd{u"0", u"01", u"1", u"2", u"x", u"4294967295", u"mrulistex"};
  RegistryData cut = Numbers({2, 0});
  cut.bytes.pop_back();
  RegistryData huge{3, std::vector<uint8_t>(1 << 24, 0x55)};
  for (uint8_t n : {0, 2, 1}) huge.bytes.insert(huge.bytes.end(), {n, 0, 0, 0});
  const struct {
    RegistryData list;
    const char* order;
  } damaged[] = {
      {Numbers({1, 1, 7, 1, 0xFFFFFFFF, 0}), "1,0*,01*,2*,x*,4294967295*"},  // nothing after the end mark counts
      {Numbers({2, 1}), "2,1,0*,01*,x*,4294967295*"},                        // no end mark
      {cut, "2,0*,01*,1*,x*,4294967295*"},                                   // the half number is dropped
      {huge, "0,2,1,01*,x*,4294967295*"},
  };
  for (const auto& d : damaged) EXPECT_EQ(Order(OrderByMruListEx(odd, &d.list)), d.order);
}

TEST(UserAssist, Rot13TurnsOnlyAsciiLetters) {
  EXPECT_EQ(Rot13(u"HRZR_EHACNGU:P:\\abgrcnq.rkr @[`{09"), u"UEME_RUNPATH:C:\\notepad.exe @[`{09");
  // Latin-1 letters of a real name, and a character outside the BMP.
  const std::u16string foreign = u"P:\\\u00D0\u00BE\u00C6\u00AC\u00CE\u00DE\u00D3\u00C7.rkr \U0001F600";
  EXPECT_EQ(Rot13(foreign), u"C:\\\u00D0\u00BE\u00C6\u00AC\u00CE\u00DE\u00D3\u00C7.exe \U0001F600");
}

std::vector<uint8_t> Record(size_t size, std::initializer_list<std::pair<size_t, uint64_t>> fields) {
  std::vector<uint8_t> data(size, 0);
  for (const auto& [at, value] : fields) {
    for (size_t i = 0; i < 8 && at + i < size; ++i) data[at + i] = static_cast<uint8_t>(value >> (8 * i));
  }
  return data;
}

TEST(UserAssist, BothLayouts) {
  const uint64_t t = 0x01CD1427'8A4B9F00;
  UserAssistData out;
  // XP: the stored count starts at 5; counts below 5 are kept as stored.
  for (auto [stored, runs] : {std::pair<uint32_t, uint32_t>{6, 1}, {5, 0}, {2, 2}, {0xFFFFFFFF, 0xFFFFFFFA}}) {
    const auto xp = Record(16, {{0, 7}, {4, stored}, {8, t}});
    ASSERT_TRUE(ParseUserAssistData(xp.data(), xp.size(), out));
    EXPECT_EQ(out.runCount, runs) << stored;
    EXPECT_EQ(out.lastRun, t);
    EXPECT_EQ(out.layout, 16);
    EXPECT_FALSE(out.hasFocus);
  }
  // Windows 7: index -1, run count 6, focus 9 times for 61 s, scores -1.0, last run.
  const auto seven = Record(72, {{0, 0xFFFFFFFF}, {4, 6}, {8, 9}, {12, 61000}, {16, 0xBF800000BF800000}, {60, t}});
  ASSERT_TRUE(ParseUserAssistData(seven.data(), seven.size(), out));
  EXPECT_EQ(std::make_tuple(out.runCount, out.focusCount, out.focusMs, out.lastRun, out.hasFocus, out.layout),
            std::make_tuple(6u, 9u, 61000u, t, true, 72));

  for (size_t size : {0, 8, 15, 17, 68, 71, 73}) {
    const std::vector<uint8_t> other(size, 0x41);
    EXPECT_FALSE(ParseUserAssistData(other.data(), size, out)) << size;
    EXPECT_EQ(out.layout, 0);
  }
  EXPECT_FALSE(ParseUserAssistData(nullptr, 16, out));
}

TEST(UserAssist, KnownFolderNames) {
  EXPECT_EQ(std::u16string(KnownFolderName(u"{1AC14E77-02E7-4E5D-B744-2EB1AE5198B7}")), u"System32");
  EXPECT_EQ(std::u16string(KnownFolderName(u"7c5a40ef-a0fb-4bfc-874a-c0f2e0b9fa8e")), u"Program Files (x86)");
  EXPECT_EQ(std::u16string(KnownFolderName(u"{75048700-EF1F-11D0-9888-006097DEACF9}")), u"Active Desktop");
  // The first and the last of the table.
  EXPECT_NE(KnownFolderName(u"008CA0B1-55B4-4C56-B8A8-4DE4B299D3BE"), nullptr);
  EXPECT_NE(KnownFolderName(u"FDD39AD0-238F-46AF-ADB4-6C85480369C7"), nullptr);
  for (std::u16string_view bad :
       {u"", u"{1AC14E77-02E7-4E5D-B744-2EB1AE5198B7", u"1AC14E77x02E7-4E5D-B744-2EB1AE5198B7",
        u"1AC14E77-02E7-4E5D-B744-2EB1AE5198BG", u"{00000000-0000-0000-0000-000000000000}"}) {
    EXPECT_EQ(KnownFolderName(bad), nullptr) << bad.size();
  }
  // FOLDERID_Desktop as binary data stores it.
  const uint8_t desktop[16] = {0x3A, 0xCC, 0xBF, 0xB4, 0x2C, 0xDB, 0x4C, 0x42,
                               0xB0, 0x29, 0x7F, 0xE9, 0x9A, 0x87, 0xC6, 0x41};
  EXPECT_EQ(std::u16string(KnownFolderNameOf(desktop)), u"Desktop");

  EXPECT_EQ(NameWithKnownFolder(u"{9e3995ab-1f9c-4f13-b827-48b24b6c7174}\\TaskBar\\Internet Explorer.lnk"),
            u"User Pinned\\TaskBar\\Internet Explorer.lnk");
  EXPECT_EQ(NameWithKnownFolder(u"{F38BF404-1D43-42F2-9305-67DE0B28FC23}"), u"Windows");
  for (const char16_t* same : {u"Microsoft.AutoGenerated.{BB044BFD-25B7-2FAA-22A8-6371A93E0456}",
                               u"{BB044BFD-25B7-2FAA-22A8-6371A93E0456}\\x.exe",
                               u"{1AC14E77-02E7-4E5D-B744-2EB1AE5198B7}cmd.exe", u"{1AC14E77}\\cmd.exe"}) {
    EXPECT_EQ(NameWithKnownFolder(same), same);
  }
}

// Real hives: the values as the .reg exports of reg-modern/ hold them, and the
// peer's report on the hive files themselves (hives/).
constexpr const char* kHives[] = {
    "win7_plaso_NTUSER-WIN7.DAT", "win7_notatin_ntuser.dat", "win10_regipy_NTUSER_with_winscp.DAT",
    "win7_plaso_regf_NTUSER.DAT", "xp_plaso_NTUSER.DAT",     "xp_frodo_NTUSER.DAT"};
constexpr char16_t kExplorer[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

bool LoadHive(const std::string& hive, RegExport& out) {
  return LoadRegExport(std::string(GL_TESTDATA_DIR) + "/reg-modern/" + hive + ".reg", out);
}

std::string Utf8(std::u16string_view text) {
  std::string out;
  AppendUtf8(text, out);
  return out;
}

// The peer: RegRipper 3.0 as Debian packages it (regripper
// 3.0~git20221205.d588019+dfsg-1; plugins userassist v.20170204 and
// wordwheelquery v.20200823), one plugin on the hive file: its report, line
// by line.
bool PeerInstalled() { return std::system("command -v regripper >/dev/null 2>&1") == 0; }
bool RunPeer(const std::string& hive, const char* plugin, std::vector<std::string>& lines) {
  lines.clear();
  const std::string command =
      "regripper -r '" + std::string(GL_TESTDATA_DIR) + "/hives/" + hive + "' -p " + plugin + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return false;
  std::string line;
  for (int c; (c = std::fgetc(pipe)) != EOF;) {
    if (c != '\n') {
      line += static_cast<char>(c);
    } else {
      lines.push_back(std::move(line));
      line.clear();
    }
  }
  return pclose(pipe) == 0;
}

// What the peer prints of a last-run time: whole seconds since 1970, times
// before 1970 as 1970.
std::string PeerSeconds(uint64_t fileTime) {
  return std::to_string(std::max<int64_t>(0, static_cast<int64_t>(fileTime / 10000000) - 11644473600LL));
}

std::string WithoutTrailingSpaces(std::string s) {
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

// Both sides as sorted lines "{GUID} <seconds> <name> (<runs>)" for a record
// with a last-run time, "{GUID} - <name>" for one without. Key times are left
// out: an export has none.
std::vector<std::string> OurUserAssist(RegExportSource& registry) {
  std::vector<std::string> lines;
  std::vector<std::u16string> guids, names;
  const std::u16string root = std::u16string(kExplorer) + u"UserAssist";
  registry.SubKeys(root, guids);
  for (const auto& guid : guids) {
    const std::u16string count = root + u"\\" + guid + u"\\Count";
    registry.ValueNames(count, names);
    for (const auto& name : names) {
      RegistryData data;
      UserAssistData record;
      if (registry.ReadValue(count, name, data) != SourceStatus::kOk ||
          !ParseUserAssistData(data.bytes.data(), data.bytes.size(), record)) {
        continue;
      }
      const std::string decoded = Utf8(Rot13(name));
      lines.push_back(Utf8(guid) + (record.lastRun == 0 ? " - " + decoded
                                                        : " " + PeerSeconds(record.lastRun) + " " + decoded + " (" +
                                                              std::to_string(record.runCount) + ")"));
    }
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::string> PeerUserAssist(const std::vector<std::string>& report) {
  std::vector<std::string> lines;
  std::string guid, when;
  for (const std::string& line : report) {
    uint64_t t = 0;
    if (!line.empty() && line[0] == '{') {
      guid = line;
    } else if (line.size() == 20 && ParseUtcDateTime(line, t)) {
      when = PeerSeconds(t);
    } else if (line == "Value names with no time stamps:") {
      when = "-";
    } else if (line.rfind("  ", 0) == 0 && !guid.empty()) {
      std::string name = line.substr(2);
      // The peer decodes the 16-byte records' names only when they have a
      // time; it lists the others as stored.
      if (when == "-" && name.rfind("HRZR_", 0) == 0) name = Utf8(Rot13(Utf8ToUtf16(name)));
      lines.push_back(guid + " " + when + " " + name);
    }
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

// WordWheelQuery's searches in MRUListEx order: "<value> <text>".
std::vector<std::string> OurSearches(RegExportSource& registry) {
  std::vector<std::string> lines;
  const std::u16string key = std::u16string(kExplorer) + u"WordWheelQuery";
  std::vector<std::u16string> names;
  if (registry.ValueNames(key, names) != SourceStatus::kOk) return lines;
  RegistryData list;
  const bool hasList = registry.ReadValue(key, u"MRUListEx", list) == SourceStatus::kOk;
  for (const MruSlot& slot : OrderByMruListEx(names, hasList ? &list : nullptr)) {
    EXPECT_TRUE(slot.listed) << Utf8(slot.name);
    RegistryData data;
    registry.ReadValue(key, slot.name, data);
    std::u16string text;
    for (size_t i = 0; i + 1 < data.bytes.size() && (data.bytes[i] || data.bytes[i + 1]); i += 2) {
      text += static_cast<char16_t>(data.bytes[i] | data.bytes[i + 1] << 8);
    }
    lines.push_back(Utf8(slot.name) + " " + WithoutTrailingSpaces(Utf8(text)));
  }
  return lines;
}

std::vector<std::string> PeerSearches(const std::vector<std::string>& report) {
  std::vector<std::string> lines;
  bool inList = false;
  for (const std::string& line : report) {
    if (line == "Searches listed in MRUListEx order") {
      inList = true;
    } else if (inList && !line.empty()) {
      // "%-4d %-30s": the number padded to 4 columns, a space, the text padded to 30.
      const size_t digits = std::min(line.find(' '), line.size());
      const size_t text = std::min(std::max<size_t>(digits, 4) + 1, line.size());
      lines.push_back(line.substr(0, digits) + " " + WithoutTrailingSpaces(line.substr(text)));
    }
  }
  return lines;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += "  " + l + "\n";
  return text;
}

TEST(ExplorerRealHives, UserAssistAndSearchesAsThePeerReadsThem) {
  for (const char* hive : kHives) {
    SCOPED_TRACE(hive);
    RegExport file;
    if (!LoadHive(hive, file)) GTEST_SKIP() << "test data absent: " << GL_TESTDATA_DIR;
    RegExportSource registry(std::move(file));
    if (!PeerInstalled()) GTEST_SKIP() << "the peer (Debian package regripper) is not installed";
    std::vector<std::string> report;
    ASSERT_TRUE(RunPeer(hive, "userassist", report));
    const auto ours = OurUserAssist(registry);
    EXPECT_FALSE(ours.empty());
    EXPECT_EQ(Lines(ours), Lines(PeerUserAssist(report)));

    ASSERT_TRUE(RunPeer(hive, "wordwheelquery", report));
    EXPECT_EQ(Lines(OurSearches(registry)), Lines(PeerSearches(report)));
  }
}

// Facts of the same files that hold without the peer.
TEST(ExplorerRealHives, RecordsNamesAndSearches) {
  RegExport file;
  if (!LoadHive("win7_plaso_NTUSER-WIN7.DAT", file)) GTEST_SKIP() << "test data absent: " << GL_TESTDATA_DIR;
  RegExportSource seven(std::move(file));
  auto records = OurUserAssist(seven);
  EXPECT_EQ(records.size(), 90u);
  EXPECT_NE(std::find(records.begin(), records.end(),
                      "{CEBFF5CD-ACE2-4F4F-9178-9926F41749EA} 1333738474 "
                      "{1AC14E77-02E7-4E5D-B744-2EB1AE5198B7}\\cmd.exe (6)"),
            records.end());
  EXPECT_EQ(Lines(OurSearches(seven)), "  1 rar.exe\n  0 hyth\n");

  // A file name of Latin-1 letters keeps them through the decoding.
  ASSERT_TRUE(LoadHive("win7_notatin_ntuser.dat", file));
  RegExportSource notatin(std::move(file));
  records = OurUserAssist(notatin);
  const std::string latin = Utf8(u"\\\u00D0\u00BE\u00C6\u00AC\u00CE\u00DE\u00D3\u00C7.exe (");
  EXPECT_EQ(std::count_if(records.begin(), records.end(),
                          [&](const std::string& l) { return l.find(latin) != std::string::npos; }),
            1);

  // XP: the 16-byte records (the 8-byte session values are none).
  ASSERT_TRUE(LoadHive("xp_frodo_NTUSER.DAT", file));
  RegExportSource xp(std::move(file));
  records = OurUserAssist(xp);
  EXPECT_EQ(records.size(), 161u);
  EXPECT_NE(
      std::find(records.begin(), records.end(), "{75048700-EF1F-11D0-9888-006097DEACF9} 1136322018 UEME_RUNPATH (491)"),
      records.end());
}

}  // namespace
}  // namespace glimmerlog
