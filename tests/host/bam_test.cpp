// Programs Run (BAM): the SYSTEM hive of the test data (kept as .xz,
// decompressed here) against RegRipper's bam plugin, which reads only the
// State\UserSettings layout, and against the reading of every layout in
// ../shared/testdata/peer-output/system/*.bam-own-hivex.txt; the layout of
// before Windows 10 1809 under another current control set, the DAM keys
// and damaged values in a hive written here (the test data has no such
// hive); and what the view says with no volume or no rights.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <tuple>

#include "base/utf8.h"
#include "sources/folders/posixfolders.h"
#include "sources/hive/hivesource.h"
#include "sources/profile/profilesource.h"
#include "tests/support/hivetree.h"
#include "views/viewdef.h"

namespace glimmerlog {

void ReadBam(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

namespace {

namespace fs = std::filesystem;
const std::string kData = GL_TESTDATA_DIR;
constexpr char16_t kUserSid[] = u"S-1-5-21-2595688666-2948619230-3055395256-1001";

class NoPaths final : public ProfilePaths {
 public:
  std::u16string ShellFolder(std::u16string_view) override { return kRegFailureText; }
};

struct BamRead {
  Table table;
  Timeline timeline;
  BamRead(RegistrySource* system, std::u16string volumeRoot, bool live = false) {
    HiveRegistrySource none(std::vector<uint8_t>{});
    PosixFolderSource folders("/nonexistent");
    NoPaths paths;
    ViewSources sources{none, folders, paths, "10"};
    sources.system = system;
    sources.volumeRoot = std::move(volumeRoot);
    sources.liveVolume = live;
    sources.userSid = kUserSid;
    sources.userName = u"tony";
    Progress progress;
    ReadBam(sources, table, progress, &timeline);
  }
  std::string Text(size_t row, size_t column) const { return Utf8Of(table.Cell(row, column).text); }
};

// Microseconds since 1601, as the peers print times to the second or to
// the microsecond.
int64_t Seconds(const std::string& text) {
  std::tm tm{};
  strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &tm);
  return static_cast<int64_t>(timegm(&tm)) + 11644473600;
}

TEST(Bam, RealHiveAsThePeersReadIt) {
  const fs::path xz = fs::path(kData) / "system" / "regipy-SYSTEM_WIN_10_1709.xz";
  const fs::path peers = fs::path(kData) / "peer-output" / "system";
  if (!fs::exists(xz)) GTEST_SKIP() << "test data not found at " << kData;
  if (std::system("command -v xz >/dev/null") != 0) GTEST_SKIP() << "xz is not installed (scripts/bootstrap)";
  const fs::path dir = fs::temp_directory_path() / "glimmerlog-bam-test";
  fs::create_directories(dir);
  ASSERT_EQ(std::system(("xz -dc '" + xz.string() + "' > '" + (dir / "SYSTEM").string() + "'").c_str()), 0);
  PosixFolderSource folders(dir.string());
  SourceStatus status;
  std::u16string problem;
  std::unique_ptr<RegistrySource> system = OpenHiveFile(folders, u"SYSTEM", status, problem);
  ASSERT_TRUE(system) << Utf8Of(problem);
  BamRead read(system.get(), u"V:\\");
  fs::remove_all(dir);
  EXPECT_TRUE(read.table.problems.empty()) << Utf8Of(read.table.problems[0]);

  // RegRipper: "SID" lines, then "  YYYY-MM-DD HH:MM:SSZ - program".
  std::multiset<std::tuple<std::string, std::string, int64_t>> ripper, ours;
  std::ifstream in(peers / "regipy-SYSTEM_WIN_10_1709.bam.txt");
  std::string sid;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("S-1-", 0) == 0) sid = line;
    if (line.rfind("  ", 0) == 0 && line.size() > 25) ripper.emplace(sid, line.substr(25), Seconds(line.substr(2, 19)));
  }
  // Every layout: "<key>\<SID>: N values", then "  name | type 3, 24 bytes | time.micro UTC".
  std::multiset<std::tuple<std::string, std::string, std::string, int64_t>> hivex, ourAll;
  std::ifstream all(peers / "regipy-SYSTEM_WIN_10_1709.bam-own-hivex.txt");
  std::string layout;
  for (std::string line; std::getline(all, line);) {
    if (line.rfind("ControlSet", 0) == 0) {
      const size_t services = line.find("\\Services\\") + 10, last = line.rfind('\\'), colon = line.rfind(':');
      layout = line.substr(services, last - services);
      sid = line.substr(last + 1, colon - last - 1);
    }
    const size_t bar = line.find(" | type 3");
    if (line.rfind("  ", 0) != 0 || bar == std::string::npos) continue;
    const std::string when = line.substr(line.rfind(" | ") + 3);
    hivex.emplace(layout, sid, line.substr(2, bar - 2), Seconds(when) * 1000000 + std::stoll(when.substr(20, 6)));
  }
  ASSERT_FALSE(ripper.empty());
  ASSERT_FALSE(hivex.empty());
  for (size_t r = 0; r < read.table.RowCount(); ++r) {
    const uint64_t time = read.table.Cell(r, 1).time;
    const std::string program = read.Text(r, 0), rowSid = read.Text(r, 2), rowLayout = read.Text(r, 4);
    ourAll.emplace(rowLayout, rowSid, program, static_cast<int64_t>(time / 10));
    if (rowLayout == "bam\\State\\UserSettings") ours.emplace(rowSid, program, static_cast<int64_t>(time / 10000000));
    // The shown user is named, Windows's own accounts too; the volume's
    // Windows device is mapped to its root.
    EXPECT_EQ(read.Text(r, 3), rowSid == Utf8Of(kUserSid) ? "tony" : rowSid == "S-1-5-90-0-1" ? "DWM-1" : "");
    const std::string target = Utf8Of(read.table.TargetOf(r));
    if (program.rfind("\\Device\\HarddiskVolume2\\", 0) == 0) {
      EXPECT_EQ(target, "V:\\" + program.substr(24));
    } else {
      EXPECT_EQ(target, "");
    }
  }
  EXPECT_EQ(ours, ripper);
  EXPECT_EQ(ourAll, hivex);
  EXPECT_EQ(read.timeline.Size(), read.table.RowCount());
}

std::vector<uint8_t> Stamp(uint64_t time, size_t size = 24) {
  std::vector<uint8_t> out(size, 0);
  for (size_t i = 0; i < 8 && i < size; ++i) out[i] = static_cast<uint8_t>(time >> (8 * i));
  return out;
}

// Windows 10 before 1809 under ControlSet002 (the current one), with DAM
// keys, a value too short for a time, and a decoy in ControlSet001; two
// devices hold a Windows folder, so neither is taken for the volume.
TEST(Bam, OlderLayoutDamAndCurrentControlSet) {
  constexpr uint64_t kTime = 132000000000000000ull;
  HiveNode root;
  root.Key(u"Select").Dword(u"Current", 2);
  root.Key(u"ControlSet001\\Services\\bam\\UserSettings\\S-1-5-18").Value(u"\\Device\\HarddiskVolume1\\decoy.exe", 3,
                                                                         Stamp(kTime));
  HiveNode& bam = root.Key(u"ControlSet002\\Services\\bam\\UserSettings\\S-1-5-21-1-2-3-1001");
  bam.Dword(u"Version", 1).Dword(u"SequenceNumber", 9);
  bam.Value(u"\\Device\\HarddiskVolume3\\Windows\\notepad.exe", 3, Stamp(kTime));
  bam.Value(u"\\Device\\HarddiskVolume4\\Windows\\System32\\cmd.exe", 3, Stamp(kTime + 1, 8));
  bam.Value(u"short", 3, Stamp(kTime, 4));
  root.Key(u"ControlSet002\\Services\\dam\\State\\UserSettings\\S-1-5-21-1-2-3-1002")
      .Value(u"Microsoft.WindowsCalculator_8wekyb3d8bbwe", 3, Stamp(kTime + 2));
  HiveRegistrySource system(root.File());
  BamRead read(&system, u"V:\\");
  ASSERT_EQ(read.table.RowCount(), 3u);
  const struct {
    const char *program, *sid, *layout;
    uint64_t time;
  } expected[] = {
      {"\\Device\\HarddiskVolume3\\Windows\\notepad.exe", "S-1-5-21-1-2-3-1001", "bam\\UserSettings", kTime},
      {"\\Device\\HarddiskVolume4\\Windows\\System32\\cmd.exe", "S-1-5-21-1-2-3-1001", "bam\\UserSettings", kTime + 1},
      {"Microsoft.WindowsCalculator_8wekyb3d8bbwe", "S-1-5-21-1-2-3-1002", "dam\\State\\UserSettings", kTime + 2},
  };
  for (size_t r = 0; r < 3; ++r) {
    EXPECT_EQ(read.Text(r, 0), expected[r].program);
    EXPECT_EQ(read.table.Cell(r, 1).time, expected[r].time);
    EXPECT_EQ(read.Text(r, 2), expected[r].sid);
    EXPECT_EQ(read.Text(r, 3), "");  // no profile of the volume has these SIDs
    EXPECT_EQ(read.Text(r, 4), expected[r].layout);
    EXPECT_EQ(read.table.TargetOf(r), u"");
  }
  ASSERT_EQ(read.table.problems.size(), 1u);
  EXPECT_NE(read.table.problems[0].find(u"short: too short for a time"), std::u16string::npos);
  EXPECT_FALSE(IsAbsence(read.table.problems[0]));
}

// A registry that answers every key with "access denied", as the live
// SYSTEM hive does to a user who is not an administrator.
class DeniedRegistry final : public RegistrySource {
 public:
  SourceStatus ValueNames(std::u16string_view, std::vector<std::u16string>&) override { return SourceStatus::kDenied; }
  SourceStatus ReadValue(std::u16string_view, std::u16string_view, RegistryData&) override {
    return SourceStatus::kDenied;
  }
  SourceStatus SubKeys(std::u16string_view, std::vector<std::u16string>&) override { return SourceStatus::kDenied; }
  SourceStatus LastWriteTime(std::u16string_view, uint64_t&) override { return SourceStatus::kDenied; }
};

TEST(Bam, SaysWhatItCannotRead) {
  DeniedRegistry denied;
  HiveRegistrySource empty(HiveNode().File());
  const struct {
    RegistrySource* system;
    const char16_t* root;
    bool live;
    const char16_t* problem;
    bool absence;
  } cases[] = {
      {nullptr, u"", false, u"BAM: open a Windows volume to read it", true},
      {nullptr, u"V:\\", false, u"BAM: the volume's SYSTEM hive: missing", true},
      {&denied, u"C:\\", true, u"BAM: access denied \u2014 run as administrator to read it", false},
      {&empty, u"V:\\", false, u"BAM: ControlSet001\\Services\\bam: missing", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8Of(c.problem));
    BamRead read(c.system, c.root, c.live);
    EXPECT_EQ(read.table.RowCount(), 0u);
    ASSERT_EQ(read.table.problems.size(), 1u);
    EXPECT_EQ(read.table.problems[0], c.problem);
    EXPECT_EQ(IsAbsence(read.table.problems[0]), c.absence);
  }
}

}  // namespace
}  // namespace glimmerlog
