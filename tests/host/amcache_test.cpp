// Program Inventory: every Amcache hive of the test data against
// RegRipper's amcache plugin (../shared/testdata/peer-output/system), which
// reads the primary file alone; the view on a volume assembled at test
// time, with the hive's logs applied; and what the view says when it cannot
// read the hive.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <tuple>

#include "base/utf8.h"
#include "sources/folders/posixfolders.h"
#include "sources/hive/hivesource.h"
#include "views/programs/amcache.h"
#include "views/viewdef.h"

namespace glimmerlog {

void ReadAmcache(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

namespace {

namespace fs = std::filesystem;
const std::string kData = GL_TESTDATA_DIR;

std::vector<uint8_t> FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Utf8(std::u16string_view text) {
  std::string out;
  AppendUtf8(text, out);
  return out;
}

// "2023-01-11 04:59:29Z" as whole seconds since 1601.
int64_t PeerSeconds(const std::string& text) {
  std::tm tm{};
  if (!strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &tm)) return -1;
  return static_cast<int64_t>(timegm(&tm)) + 11644473600;
}

int64_t Seconds(uint64_t fileTime) { return static_cast<int64_t>(fileTime / 10000000); }

// What the plugin prints, by section.
struct PeerReading {
  // InventoryApplicationFile: path, hash, key time.
  std::multiset<std::tuple<std::string, std::string, int64_t>> inventory;
  // File: path, SHA-1 as stored, company, product, key time, compile time.
  std::multiset<std::tuple<std::string, std::string, std::string, std::string, int64_t, int64_t>> files;
  // The program names of InventoryApplication and Programs ("Name v.Version").
  std::set<std::string> programs;
};

std::string After(const std::string& line, const std::string& label) {
  return line.rfind(label, 0) == 0 ? line.substr(label.size()) : std::string();
}

// The name of "Name v.Version": the text before the last " v.".
std::string ProgramName(const std::string& text) {
  const size_t v = text.rfind(" v.");
  return v == std::string::npos ? text : text.substr(0, v);
}

PeerReading ReadPeer(const std::string& path) {
  PeerReading peer;
  std::ifstream in(path);
  std::string section, line;
  std::vector<std::string> block;  // the lines of one File entry
  auto endFile = [&] {
    if (block.empty()) return;
    std::map<std::string, std::string> f;
    for (const std::string& l : block) {
      const size_t colon = l.find(':');
      if (colon == std::string::npos) continue;
      std::string label = l.substr(0, colon);
      label.erase(label.find_last_not_of(' ') + 1);
      f[label] = colon + 2 <= l.size() ? l.substr(colon + 2) : "";
    }
    const int64_t compiled = f.count("Compile Time") ? PeerSeconds(f["Compile Time"]) : 0;
    peer.files.emplace(f["Path"], f["SHA-1"], f["Company Name"], f["Product Name"], PeerSeconds(f["LastWrite"]),
                       compiled);
    block.clear();
  };
  std::string pending;  // an inventory path waiting for its hash
  int64_t pendingTime = 0;
  while (std::getline(in, line)) {
    if (line.rfind("***", 0) == 0) {
      endFile();
      section = line;
      continue;
    }
    if (section == "***InventoryApplicationFile***") {
      const size_t lw = line.rfind("  LastWrite: ");
      const size_t dash = line.find(" - ");
      if (lw != std::string::npos) {
        pending = line.substr(0, lw);
        pendingTime = PeerSeconds(line.substr(lw + 13));
      } else if (!After(line, "Hash: ").empty() || line == "Hash: ") {
        peer.inventory.emplace(pending, After(line, "Hash: "), pendingTime);
      } else if (dash != std::string::npos && line.size() > 24 && line[3] == ' ') {
        // "Mon Dec 16 21:02:56 2019 - Name v.Version": an InventoryApplication key.
        peer.programs.insert(ProgramName(line.substr(dash + 3)));
      }
    } else if (section == "***Files***") {
      if (line.rfind("File Reference: ", 0) == 0) endFile();
      if (line.rfind("File Reference: ", 0) == 0 || !block.empty()) {
        if (line.empty()) {
          endFile();
        } else {
          block.push_back(line);
        }
      }
    } else if (section == "***Programs***") {
      if (const std::string name = After(line, "Name       : "); !name.empty()) peer.programs.insert(ProgramName(name));
    }
  }
  endFile();
  return peer;
}

const struct HiveCase {
  const char* hive;  // under system/
  const char* peer;  // under peer-output/system/
  const char* volumeFolder;  // the folder holding Amcache.hve and its logs, for the volume test; null for none
} kHives[] = {
    {"artemis-win81-Amcache.hve", "artemis-win81-Amcache.hve.amcache.txt", nullptr},
    {"plaso-Amcache.hve", "plaso-Amcache.hve.amcache.txt", nullptr},
    {"plaso-win10-Amcache.hve", "plaso-win10-Amcache.hve.amcache.txt", nullptr},
    {"museum-win10-APTSimulatorVM-amcache/Amcache.hve", "museum-win10-APTSimulatorVM-amcache_Amcache.hve.amcache.txt",
     "museum-win10-APTSimulatorVM-amcache"},
    {"museum-win11-RathbunVM-amcache/Amcache.hve", "museum-win11-RathbunVM-amcache_Amcache.hve.amcache.txt",
     "museum-win11-RathbunVM-amcache"},
};

// Each hive's primary file, read as the peer reads it: the same files with
// the same paths, hashes and first-seen times, the same Windows 8 details,
// and the programs the files were joined to among those the peer names.
TEST(Amcache, EveryHiveAsRegRipperReadsIt) {
  if (!fs::is_directory(kData + "/system")) GTEST_SKIP() << "test data not found at " << kData;
  for (const HiveCase& c : kHives) {
    SCOPED_TRACE(c.hive);
    HiveRegistrySource hive(FileBytes(fs::path(kData) / "system" / c.hive));
    ASSERT_EQ(hive.Problem(), "");
    std::vector<AmcacheEntry> entries;
    std::vector<std::u16string> problems;
    ASSERT_TRUE(ReadAmcacheEntries(hive, entries, problems));
    EXPECT_TRUE(problems.empty()) << Utf8(problems.front());

    const PeerReading peer = ReadPeer(kData + "/peer-output/system/" + c.peer);
    PeerReading ours;
    std::set<std::string> joined;
    for (const AmcacheEntry& e : entries) {
      if (e.layout == kAmcacheInventory) {
        ours.inventory.emplace(Utf8(e.path), Utf8(e.sha1), Seconds(e.firstSeen));
      } else {
        // The peer prints the stored "0000"-prefixed SHA-1 of this layout.
        ours.files.emplace(Utf8(e.path), e.sha1.empty() ? "" : "0000" + Utf8(e.sha1), Utf8(e.publisher),
                           Utf8(e.product), Seconds(e.firstSeen), Seconds(e.linkDate));
      }
      if (!e.program.empty()) joined.insert(Utf8(e.program));
      // Every hash is a SHA-1 once its prefix is gone.
      EXPECT_TRUE(e.sha1.empty() || e.sha1.size() == 40) << Utf8(e.sha1);
    }
    EXPECT_EQ(ours.inventory, peer.inventory);
    EXPECT_EQ(ours.files, peer.files);
    for (const std::string& name : joined) EXPECT_EQ(peer.programs.count(name), 1u) << name;
    EXPECT_FALSE(entries.empty());
  }
}

class NoRegistry final : public RegistrySource {
 public:
  SourceStatus ValueNames(std::u16string_view, std::vector<std::u16string>&) override { return SourceStatus::kMissing; }
  SourceStatus ReadValue(std::u16string_view, std::u16string_view, RegistryData&) override {
    return SourceStatus::kMissing;
  }
  SourceStatus SubKeys(std::u16string_view, std::vector<std::u16string>&) override { return SourceStatus::kMissing; }
  SourceStatus LastWriteTime(std::u16string_view, uint64_t&) override { return SourceStatus::kMissing; }
};

class NoPaths final : public ProfilePaths {
 public:
  std::u16string ShellFolder(std::u16string_view) override { return kRegFailureText; }
};

// A running Windows's volume, whose Amcache.hve it holds open.
class HeldOpen final : public FolderSource {
 public:
  std::unique_ptr<Listing> List(std::u16string_view, SourceStatus* status) override {
    if (status) *status = SourceStatus::kDenied;
    return nullptr;
  }
  uint32_t Attributes(const std::u16string&) override { return kNoAttributes; }
  SourceStatus ReadFile(const std::u16string&, std::vector<uint8_t>& bytes, uint64_t) override {
    bytes.clear();
    return SourceStatus::kDenied;
  }
};

struct ViewRun {
  Table table, events;
  Timeline timeline;
  ViewRun(FolderSource& folders, std::u16string volumeRoot, bool live) {
    NoRegistry registry;
    NoPaths paths;
    ViewSources sources{registry, folders, paths, "10"};
    sources.volumeRoot = std::move(volumeRoot);
    sources.liveVolume = live;
    Progress progress;
    ReadAmcache(sources, table, progress, nullptr);
    Table scratch;
    ReadAmcache(sources, scratch, progress, &timeline);
    timeline.ToTable(events);
  }
};

// Where the view reads and what it says when it cannot: no volume (an
// absence, so the report does not fail), the running Windows holding the
// file, a volume without it, a file cut short.
TEST(AmcacheView, WhatItSaysWhenItCannotRead) {
  const fs::path dir = fs::temp_directory_path() / "glimmerlog-amcache-view";
  fs::remove_all(dir);
  fs::create_directories(dir / "empty" / "Windows");
  const fs::path cut = dir / "cut" / "Windows" / "appcompat" / "Programs";
  fs::create_directories(cut);
  std::ofstream(cut / "Amcache.hve", std::ios::binary) << std::string("regf") + std::string(60, '\0');
  PosixFolderSource empty((dir / "empty").string()), shortFile((dir / "cut").string());
  HeldOpen held;
  const struct {
    const char* what;
    FolderSource& folders;
    std::u16string volumeRoot;
    bool live;
    const char16_t* problemStart;
    bool absence;
  } cases[] = {
      {"a profile folder only", empty, u"", false, u"Amcache: open a Windows volume", true},
      {"the running Windows", held, u"C:\\", true, u"Amcache: in use by Windows \u2014 open a copy or a volume", false},
      {"another volume, denied", held, u"E:\\", false, u"Amcache: E:\\Windows\\appcompat\\Programs\\Amcache.hve: access denied",
       false},
      {"a volume without it", empty, u"D:\\", false, u"Amcache: D:\\Windows\\appcompat\\Programs\\Amcache.hve: missing",
       true},
      {"a file cut short", shortFile, u"D:\\", false, u"Amcache: D:\\Windows\\appcompat\\Programs\\Amcache.hve: ", false},
  };
  empty.SetWindowsRoot(u"D:\\");
  shortFile.SetWindowsRoot(u"D:\\");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ViewRun run(c.folders, c.volumeRoot, c.live);
    EXPECT_EQ(run.table.RowCount(), 0u);
    EXPECT_EQ(run.table.columns.size(), 12u);
    ASSERT_EQ(run.table.problems.size(), 1u);
    EXPECT_EQ(run.table.problems[0].rfind(c.problemStart, 0), 0u) << Utf8(run.table.problems[0]);
    EXPECT_EQ(IsAbsence(run.table.problems[0]), c.absence);
  }
  fs::remove_all(dir);
}

// The hives with logs, on a volume: the logs applied where they follow on
// from the hive (no entry of the primary file lost, no problem said of a
// hive they made whole), else the hive read as it is and that said; every
// line in the timeline at its first-seen time, and at its link date.
TEST(AmcacheView, OnAVolumeWithTheHivesLogs) {
  if (!fs::is_directory(kData + "/system")) GTEST_SKIP() << "test data not found at " << kData;
  const fs::path dir = fs::temp_directory_path() / "glimmerlog-amcache-volume";
  for (const HiveCase& c : kHives) {
    if (!c.volumeFolder) continue;
    SCOPED_TRACE(c.volumeFolder);
    fs::remove_all(dir);
    const fs::path programs = dir / "Windows" / "appcompat" / "Programs";
    fs::create_directories(programs);
    for (const auto& file : fs::directory_iterator(fs::path(kData) / "system" / c.volumeFolder)) {
      fs::copy_file(file.path(), programs / file.path().filename());
    }
    PosixFolderSource folders(dir.string());
    folders.SetWindowsRoot(u"F:\\");
    ViewRun run(folders, u"F:\\", false);
    ASSERT_LE(run.table.problems.size(), 1u);
    const std::u16string said = run.table.problems.empty() ? u"" : run.table.problems[0];
    const bool asItIs = said.find(u"; read as it is") != std::u16string::npos;
    EXPECT_TRUE(said.empty() || (asItIs && said.find(u"logs not applied: ") != std::u16string::npos)) << Utf8(said);

    HiveRegistrySource primary(FileBytes(fs::path(kData) / "system" / c.hive));
    std::vector<AmcacheEntry> before;
    std::vector<std::u16string> problems;
    ReadAmcacheEntries(primary, before, problems);
    std::multiset<std::u16string> paths, pathsBefore;
    for (size_t row = 0; row < run.table.RowCount(); ++row) {
      paths.insert(std::u16string(run.table.Cell(row, 0).text));
      EXPECT_EQ(run.table.TargetOf(row), run.table.Cell(row, 0).text);
    }
    for (const AmcacheEntry& e : before) pathsBefore.insert(e.path);
    EXPECT_TRUE(std::includes(paths.begin(), paths.end(), pathsBefore.begin(), pathsBefore.end()));
    if (asItIs) EXPECT_EQ(paths, pathsBefore);

    size_t firstSeen = 0, linked = 0, withLinkDate = 0;
    for (size_t row = 0; row < run.table.RowCount(); ++row) withLinkDate += run.table.Cell(row, 7).time != 0;
    for (size_t row = 0; row < run.events.RowCount(); ++row) {
      const std::u16string kind(run.events.Cell(row, 1).text);
      firstSeen += kind == u"Program first seen (Amcache)";
      linked += kind == u"Program linked";
    }
    EXPECT_EQ(firstSeen, run.table.RowCount());
    EXPECT_EQ(linked, withLinkDate);
    EXPECT_GT(withLinkDate, 0u);
  }
  fs::remove_all(dir);
}

// The text times of the Windows 10 layout: only the exact shape is a time.
TEST(Amcache, DateText) {
  const struct {
    const char16_t* text;
    bool time;
    int64_t unix;
  } cases[] = {
      {u"01/11/2023 04:59:29", true, 1673413169}, {u"02/29/2020 00:00:00", true, 1582934400},
      {u"12/31/1969 23:59:59", true, -1},         {u"1/11/2023 04:59:29", false, 0},
      {u"13/01/2023 00:00:00", false, 0},         {u"01/11/2023 24:00:00", false, 0},
      {u"01/11/2023T04:59:29", false, 0},         {u"", false, 0},
      {u"00/00/0000 00:00:00", false, 0},
  };
  for (const auto& c : cases) {
    const uint64_t t = AmcacheDateText(c.text);
    EXPECT_EQ(t != 0, c.time) << Utf8(c.text);
    if (c.time) EXPECT_EQ(static_cast<int64_t>(t / 10000000) - 11644473600, c.unix) << Utf8(c.text);
  }
}

}  // namespace
}  // namespace glimmerlog
