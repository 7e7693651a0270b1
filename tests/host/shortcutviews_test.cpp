// The Shortcut Targets and Jump Lists views over a profile folder written
// here: which files become lines, what each column holds, how the lists'
// categories join, what a damaged file gives, and their timeline events.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "sources/folders/posixfolders.h"
#include "tests/support/jumplist_writer.h"
#include "views/shell/shortcutreaders.h"

namespace glimmerlog {
namespace {

constexpr uint64_t kT0 = 133000000000000000ull, kHour = 36000000000ull;
// 2023-06-14 12:00:00 UTC, when the shortcut files were last written.
constexpr time_t kFileTime = 1686744000;
constexpr uint64_t kFileTimeAsFileTime = (kFileTime + 11644473600ull) * 10000000;

class RecentOnly final : public ProfilePaths {
 public:
  std::u16string ShellFolder(std::u16string_view name) override { return name == u"Recent" ? u"Recent" : u"error440"; }
};

void Put(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const utimbuf times{kFileTime, kFileTime};
  utime(path.c_str(), &times);
}

LinkFields Link(std::u16string path, uint64_t created, std::string machine = "pc-one") {
  LinkFields f;
  f.localPath = std::move(path);
  f.created = created;
  f.modified = created + kHour;
  f.size = 1234;
  f.serial = 0xAB12CD34;
  f.label = "DATA";
  f.machine = std::move(machine);
  // A version-1 object id: time 0x1ED0A4C2D11C000 ticks since 1582, MAC 52:54:00:12:34:56.
  const uint8_t id[16] = {0x00, 0xC0, 0x11, 0x2D, 0x4C, 0x0A, 0xED, 0x11,
                          0x80, 0x01, 0x52, 0x54, 0x00, 0x12, 0x34, 0x56};
  std::copy(id, id + 16, f.objectId);
  return f;
}

struct Profile {
  std::filesystem::path root;
  Profile() {
    char dir[] = "/tmp/gl-shortcuts-XXXXXX";
    root = mkdtemp(dir);
    const std::filesystem::path recent = root / "Recent";
    Put(recent / "Report.docx.lnk", LinkBytes(Link(u"C:\\Users\\me\\Report.docx", kT0)));
    LinkFields args = Link(u"D:\\tools\\run.exe", kT0 + 2 * kHour, "pc-two");
    args.arguments = u"--fast";
    Put(recent / "Sub" / "run.exe.LNK", LinkBytes(args));
    Put(recent / "broken.lnk", {'L', 0, 0, 0});
    Put(recent / "notes.txt", {'x'});
    const std::vector<uint8_t> a = LinkBytes(Link(u"C:\\a.txt", kT0 + 3 * kHour));
    const std::vector<uint8_t> b = LinkBytes(Link(u"C:\\b.txt", kT0 + 4 * kHour));
    Put(recent / "AutomaticDestinations" / "1b4dd67f29cb1962.automaticDestinations-ms",
        CompoundFileBytes({{u"1", a},
                           {u"2", b},
                           {u"DestList", DestListBytes(4, {{2, kT0 + 9 * kHour, 5, 0, "pc-one", u"C:\\b.txt"},
                                                           {1, kT0 + 8 * kHour, 3, -1, "pc-one", u"C:\\a.txt"}})}}));
    Put(recent / "AutomaticDestinations" / "0000000000000bad.automaticDestinations-ms", {1, 2, 3});
    CustomCategory frequent{1, u"", 1, {}}, tasks{2, u"", 0, {a}}, named{0, u"Projects", 0, {b, a}};
    Put(recent / "CustomDestinations" / "1B4DD67F29CB1962.customDestinations-ms", CustomDestinationsBytes({frequent, tasks}));
    Put(recent / "CustomDestinations" / "0123456789abcdef.customDestinations-ms", CustomDestinationsBytes({named}));
  }
  ~Profile() { std::filesystem::remove_all(root); }
};

struct Read {
  Table table;
  Table events;
  Read(const Profile& profile, ViewReader reader) {
    PosixFolderSource folders(profile.root.string());
    RecentOnly paths;
    struct NoRegistry final : RegistrySource {
      SourceStatus ValueNames(std::u16string_view, std::vector<std::u16string>&) override { return SourceStatus::kMissing; }
      SourceStatus SubKeys(std::u16string_view, std::vector<std::u16string>&) override { return SourceStatus::kMissing; }
      SourceStatus ReadValue(std::u16string_view, std::u16string_view, RegistryData&) override { return SourceStatus::kMissing; }
      SourceStatus LastWriteTime(std::u16string_view, uint64_t&) override { return SourceStatus::kMissing; }
    } registry;
    ViewSources sources(registry, folders, paths, "10");
    Progress progress;
    Timeline timeline;
    reader(sources, table, progress, &timeline);
    timeline.ToTable(events);
  }
  std::u16string Text(size_t row, size_t column) const { return std::u16string(table.Cell(row, column).text); }
  size_t RowOf(size_t column, std::u16string_view text) const {
    for (size_t r = 0; r < table.RowCount(); ++r) {
      if (table.Cell(r, column).text == text) return r;
    }
    return SIZE_MAX;
  }
  size_t Events(std::u16string_view kind) const {
    size_t n = 0;
    for (size_t r = 0; r < events.RowCount(); ++r) n += events.Cell(r, 1).text == kind;
    return n;
  }
};

TEST(ShortcutViews, EveryShortcutOfTheRecentFolderAndItsSubfolders) {
  const Profile profile;
  const Read read(profile, &ReadShortcutTargets);
  const struct {
    const char16_t *name, *target;
    uint64_t created;
    const char16_t *machine, *arguments;
  } expected[] = {
      {u"Report.docx.lnk", u"C:\\Users\\me\\Report.docx", kT0, u"pc-one", u""},
      {u"Sub\\run.exe.LNK", u"D:\\tools\\run.exe", kT0 + 2 * kHour, u"pc-two", u"--fast"},
      {u"broken.lnk", u"", 0, u"", u""},
  };
  ASSERT_EQ(read.table.RowCount(), std::size(expected));
  for (const auto& e : expected) {
    SCOPED_TRACE(std::string(e.name, e.name + std::char_traits<char16_t>::length(e.name)));
    const size_t r = read.RowOf(0, e.name);
    ASSERT_NE(r, SIZE_MAX);
    EXPECT_EQ(read.Text(r, 1), e.target);
    EXPECT_EQ(read.table.Cell(r, 3).time, e.created);
    EXPECT_EQ(read.table.Cell(r, 4).time, e.created ? e.created + kHour : 0);
    EXPECT_EQ(read.Text(r, 6), e.created ? u"Fixed, serial AB12-CD34, DATA" : u"");
    EXPECT_EQ(read.Text(r, 7), e.machine);
    EXPECT_EQ(read.Text(r, 8), e.created ? u"52:54:00:12:34:56" : u"");
    EXPECT_EQ(read.Text(r, 9), e.arguments);
    EXPECT_EQ(read.table.Cell(r, 11).time, kFileTimeAsFileTime);  // the file's own last write
    EXPECT_EQ(read.table.TargetOf(r), u"Recent\\" + std::u16string(e.name));  // shown in its folder
  }
  EXPECT_EQ(read.table.problems, std::vector<std::u16string>{u"Recent\\broken.lnk: not a shortcut"});
  EXPECT_EQ(read.Events(u"Opened (shortcut)"), 3u);
  EXPECT_EQ(read.Events(u"Target created"), 2u);
  EXPECT_EQ(read.Events(u"Target modified"), 2u);
}

TEST(ShortcutViews, EveryEntryOfEveryJumpList) {
  const Profile profile;
  const Read read(profile, &ReadJumpLists);
  const struct {
    const char16_t *program, *target;
    uint64_t lastAccess;
    double count;  // -1: empty
    const char16_t *pinned, *category, *entry;
  } expected[] = {
      // The automatic list, in DestList's order; its program's custom list
      // says it shows the unpinned entries as Frequent.
      {u"Windows Explorer", u"C:\\b.txt", kT0 + 9 * kHour, 5, u"Yes", u"Pinned", u"2"},
      {u"Windows Explorer", u"C:\\a.txt", kT0 + 8 * kHour, 3, u"", u"Frequent", u""},
      // The custom lists, in the folder's order.
      {u"0123456789abcdef", u"C:\\b.txt", 0, -1, u"", u"Projects", u""},
      {u"0123456789abcdef", u"C:\\a.txt", 0, -1, u"", u"Projects", u""},
      {u"Windows Explorer", u"C:\\a.txt", 0, -1, u"", u"Tasks", u""},
  };
  ASSERT_EQ(read.table.RowCount(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const auto& e = expected[i];
    // The custom lists may come in either order of the folder.
    size_t r = i;
    if (i >= 2) {
      r = SIZE_MAX;
      for (size_t k = 2; k < read.table.RowCount() && r == SIZE_MAX; ++k) {
        if (read.Text(k, 0) == e.program && read.Text(k, 1) == e.target && read.Text(k, 5) == e.category) r = k;
      }
      ASSERT_NE(r, SIZE_MAX) << i;
    }
    SCOPED_TRACE(i);
    EXPECT_EQ(read.Text(r, 0), e.program);
    EXPECT_EQ(read.Text(r, 1), e.target);
    EXPECT_EQ(read.table.Cell(r, 2).time, e.lastAccess);
    EXPECT_EQ(read.table.Cell(r, 3).kind == TableCell::Kind::kNumber ? read.table.Cell(r, 3).number : -1, e.count);
    EXPECT_EQ(read.Text(r, 4), e.pinned);
    EXPECT_EQ(read.Text(r, 5), e.category);
    EXPECT_EQ(read.Text(r, 6), u"pc-one");
    EXPECT_EQ(read.table.Cell(r, 7).number, 1234);
    if (i < 2) EXPECT_EQ(read.Text(r, 15), i == 0 ? u"2" : u"1");
    EXPECT_FALSE(read.table.TargetOf(r).empty());
  }
  EXPECT_EQ(read.table.problems,
            std::vector<std::u16string>{u"Recent\\AutomaticDestinations\\0000000000000bad.automaticDestinations-ms: "
                                        u"not a jump list"});
  EXPECT_EQ(read.Events(u"Opened (jump list)"), 2u);
  // a.txt and b.txt, each created and modified once, however many entries name them.
  EXPECT_EQ(read.Events(u"Target created"), 2u);
  EXPECT_EQ(read.Events(u"Target modified"), 2u);
}

}  // namespace
}  // namespace glimmerlog
