// The Prefetch view on a volume assembled from every Prefetch file of the
// test data: one line per file it can read, checked against sccainfo's
// reading; a problem for each it cannot; the program's path on the volume.
// And what it says when there is no volume, or the folder cannot be listed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "base/utf8.h"
#include "sources/folders/posixfolders.h"
#include "sources/hive/hivesource.h"
#include "views/viewdef.h"

namespace glimmerlog {

void ReadPrefetchView(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

namespace {

const std::string kData = GL_TESTDATA_DIR;

class NoPaths final : public ProfilePaths {
 public:
  std::u16string ShellFolder(std::u16string_view) override { return u"error440"; }
};

// A folder source whose every listing fails with one status.
class Refusing final : public FolderSource {
 public:
  explicit Refusing(SourceStatus status) : status_(status) {}
  std::unique_ptr<Listing> List(std::u16string_view, SourceStatus* status) override {
    *status = status_;
    return nullptr;
  }
  uint32_t Attributes(const std::u16string&) override { return kNoAttributes; }

 private:
  SourceStatus status_;
};

struct Read {
  Table table;
  Timeline timeline;
  Read(FolderSource& folders, std::u16string volumeRoot, bool live) {
    HiveRegistrySource registry(std::vector<uint8_t>{});
    NoPaths paths;
    ViewSources sources{registry, folders, paths, "10"};
    sources.volumeRoot = std::move(volumeRoot);
    sources.liveVolume = live;
    Progress progress;
    ReadPrefetchView(sources, table, progress, &timeline);
  }
  std::string Text(size_t row, size_t column) const { return Utf8Of(table.Cell(row, column).text); }
};

// sccainfo's "Run count" and its latest run time, from its text.
std::map<std::string, std::string> PeerFields(const std::string& path) {
  std::map<std::string, std::string> fields;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    const size_t colon = line.find("\t: ");
    if (line.empty() || line[0] != '\t' || colon == std::string::npos) continue;
    fields.emplace(line.substr(1, line.find_first_of("\t:", 1) - 1), line.substr(colon + 3));
  }
  return fields;
}

TEST(PrefetchView, EveryFileOfAVolume) {
  const std::filesystem::path files = std::filesystem::path(kData) / "prefetch";
  if (!std::filesystem::is_directory(files)) GTEST_SKIP() << "test data not found at " << kData;
  const std::filesystem::path volume = std::filesystem::temp_directory_path() / "glimmerlog-prefetch-volume";
  std::filesystem::remove_all(volume);
  const std::filesystem::path prefetch = volume / "Windows" / "Prefetch";
  std::filesystem::create_directories(prefetch / "sub.pf");  // a folder: not a Prefetch file
  size_t count = 0;
  for (const auto& e : std::filesystem::directory_iterator(files)) {
    std::filesystem::copy_file(e.path(), prefetch / e.path().filename());
    ++count;
  }
  std::ofstream(prefetch / "Layout.ini") << "not listed";
  PosixFolderSource folders(volume.string());
  folders.SetWindowsRoot(u"C:\\");
  Read read(folders, u"C:\\", true);
  std::filesystem::remove_all(volume);

  // The three bad files are problems that name them and are not absences.
  ASSERT_EQ(read.table.problems.size(), 3u);
  for (const std::u16string& p : read.table.problems) {
    EXPECT_NE(p.find(u"-bad-"), std::u16string::npos) << Utf8Of(p);
    EXPECT_FALSE(IsAbsence(p));
  }
  ASSERT_EQ(read.table.RowCount(), count - 3);
  size_t runs = 0;
  for (size_t row = 0; row < read.table.RowCount(); ++row) {
    const std::string file = read.Text(row, 9);
    SCOPED_TRACE(file);
    const TableCell last = read.table.Cell(row, 3);
    runs += last.time != 0;
    const std::string earlier = read.Text(row, 4);
    if (!earlier.empty()) runs += static_cast<size_t>(std::count(earlier.begin(), earlier.end(), ',')) + 1;
    const auto peer = PeerFields(kData + "/peer-output/prefetch/" + file + ".sccainfo.txt");
    if (peer.count("Run count")) {
      EXPECT_EQ(read.table.Cell(row, 2).number, std::stod(peer.at("Run count")));
      EXPECT_EQ(read.Text(row, 0), peer.at("Executable filename"));
      EXPECT_EQ(std::stod(peer.at("Format version")), read.table.Cell(row, 6).number);
    }
    // The program's own file, on this volume when it was on Windows's.
    const std::string path = read.Text(row, 1);
    EXPECT_NE(path.find(read.Text(row, 0)), std::string::npos) << path;
    if (path.rfind("C:\\", 0) == 0) {
      EXPECT_EQ(path.find("VOLUME"), std::string::npos);
    }
  }
  EXPECT_EQ(read.timeline.Size(), runs);

  // The lines whose mapping matters: a volume by its id, an XP device path,
  // a name cut to 29 characters, a program on another volume than Windows.
  // Only a path on this volume is a target.
  std::map<std::string, std::pair<std::string, std::string>> paths;  // file: path, target
  for (size_t row = 0; row < read.table.RowCount(); ++row) {
    paths[read.Text(row, 9)] = {read.Text(row, 1), Utf8Of(read.table.TargetOf(row))};
  }
  using P = std::pair<std::string, std::string>;
  const std::string onWindows = "C:\\WINDOWS\\SYSTEM32\\CMD.EXE";
  EXPECT_EQ(paths["ez-win10-CMD.EXE-D269B812.pf"], P(onWindows, onWindows));
  const std::string xp = "C:\\WINDOWS\\SYSTEM32\\CALC.EXE";
  EXPECT_EQ(paths["ez-xp-CALC.EXE-02CD573A.pf"], P(xp, xp));
  EXPECT_EQ(paths["ez-win7-DCODEDCODEDCODEDCODEDCODEDCOD-9054DA3F.pf"],
            P("\\DEVICE\\HARDDISKVOLUME3\\TEMP\\222\\DCODEDCODEDCODEDCODEDCODEDCODEDCODEDCODEDCODEDCODEDCODEDCODEDCODE.EXE", ""));
}

// What the view says when it reads nothing: only a missing volume or folder
// counts as an absence; denied access on the running Windows asks for an
// administrator.
TEST(PrefetchView, NoVolumeDeniedAndMissing) {
  const struct {
    const char* what;
    SourceStatus listing;
    const char16_t* root;
    bool live;
    const char16_t* problem;
    bool absence;
  } cases[] = {
      {"no volume", SourceStatus::kOk, u"", false, u"Prefetch: open a Windows volume to read it", true},
      {"denied, live", SourceStatus::kDenied, u"C:\\", true,
       u"Prefetch: access denied \u2014 run as administrator to read it", false},
      {"denied, an image", SourceStatus::kDenied, u"E:\\image\\", false, u"E:\\image\\Windows\\Prefetch\\: access denied",
       false},
      {"no Prefetch folder", SourceStatus::kMissing, u"E:\\image\\", false, u"E:\\image\\Windows\\Prefetch\\: missing",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Refusing folders(c.listing);
    Read read(folders, c.root, c.live);
    EXPECT_EQ(read.table.RowCount(), 0u);
    EXPECT_EQ(read.table.columns.size(), 10u);
    ASSERT_EQ(read.table.problems.size(), 1u);
    EXPECT_EQ(read.table.problems[0], c.problem);
    EXPECT_EQ(IsAbsence(read.table.problems[0]), c.absence);
  }
}

}  // namespace
}  // namespace glimmerlog
