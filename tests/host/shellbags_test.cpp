// The ShellBags reader against RegRipper's shellbags plugin on the real
// UsrClass hives, against hivex's count of BagMRU items on every real hive,
// and on written trees that are damaged: a key that is its own subkey, a
// chain of 1,000 levels, a value without its subkey, an item cut short.
//
// What RegRipper (shellbags v.20200428) and this reader show differently,
// with the bytes that decide it (regipy-usrclass UsrClass.dat, primary file):
// - Names of shell folders: RegRipper prints its own names ("CLSID_Desktop",
//   "CLSID_Pictures", "My Games", "Control Panel\Appearance/Personalization")
//   where the known-folder table names them ("Desktop", "Pictures"...); the
//   GUID bytes are the same (e.g. Desktop\4\0 = 2e 80 | 3a cc bf b4 2c db 4c
//   42 b0 29 7f e9 9a 87 c6 41, {B4BFCC3A-DB2C-424C-B029-7FE99A87C641}).
//   Only the paths of file system folders are compared.
// - Its "Explorer" items (Desktop\1, \2, \3) are delegate items (class 0x2e
//   ... 74 1a 59 5e 96 df d3 48 8d 67 17 33 bc ee 28 ba at the delegate
//   offset): the reader shows the item they wrap or the folder class they
//   name. Neither tool's name is the raw bytes; not compared.
// - Items neither tool names: RegRipper's "Explorer" rows (Desktop\2, \3) are
//   search-results folders, a 0x1f item of 0x321 bytes whose data starts
//   d1 02 d5 df a3 23 (signature 0x23A3DFD5) and wraps an item of class 0x04
//   holding only a property store ("Search Results in AKMonitor"); the reader
//   shows "[item 0x04]". The same kind sits in win7_notatin's
//   Shell\BagMRU\1. XP's ShellNoRoam\BagMRU\0\2\1\0\3\1 holds the history
//   folder's day items (38 00 69 63 4d 00 53 00 48 00 ..., "MSHist01..." in
//   UTF-16 after a class byte 0x69 or 0x64), shown as "[item 0x69]"; RegRipper
//   does not read NTUSER.DAT's trees. Both are counted, not named.
// - Times are whole seconds in RegRipper's output; the items' FAT times are
//   in 2-second steps and the key times are FILETIMEs, so they are compared
//   to the second (RegRipper rounds the key times down).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>

#include "base/utf8.h"
#include "sources/folders/posixfolders.h"
#include "sources/hive/hivesource.h"
#include "sources/registry/prefixedregistry.h"
#include "tests/support/hive_writer.h"
#include "tests/support/shellitems_writer.h"
#include "views/viewdef.h"

namespace glimmerlog {

void ReadShellBags(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

namespace {

constexpr size_t kPath = 0, kType = 1, kPosition = 2, kOpened = 3, kCreated = 4, kModified = 5, kAccessed = 6,
                 kBagWritten = 7, kKey = 9, kHive = 10;
constexpr char16_t kClassesRoot[] = u"Local Settings\\Software\\Microsoft\\Windows\\Shell\\BagMRU";

class NoPaths final : public ProfilePaths {
 public:
  std::u16string ShellFolder(std::u16string_view) override { return kRegFailureText; }
};

std::vector<uint8_t> EmptyHive() {
  HiveWriter w;
  return w.File(w.Key(u"ROOT", 1));
}

// The reader over a classes hive and an NTUSER.DAT, without their logs.
struct Read {
  Table table;
  Timeline timeline;
  Read(std::vector<uint8_t> classesHive, std::vector<uint8_t> ntuser) {
    HiveRegistrySource registry(std::move(ntuser));
    HiveRegistrySource classes(std::move(classesHive));
    PosixFolderSource folders("/nonexistent");
    NoPaths paths;
    ViewSources sources{registry, folders, paths, "Vista"};
    sources.classes = &classes;
    Progress progress;
    ReadShellBags(sources, table, progress, &timeline);
  }
  std::u16string Text(size_t row, size_t column) const { return std::u16string(table.Cell(row, column).text); }
  size_t RowOfKey(const std::u16string& key) const {
    for (size_t r = 0; r < table.RowCount(); ++r) {
      if (Text(r, kKey) == key) return r;
    }
    return SIZE_MAX;
  }
};

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// Seconds since 1970 of "YYYY-MM-DD HH:MM:SS"; -1 when empty.
int64_t Seconds(const std::string& text) {
  if (Trim(text).empty()) return -1;
  std::tm tm{};
  strptime(Trim(text).c_str(), "%Y-%m-%d %H:%M:%S", &tm);
  return timegm(&tm);
}

int64_t Seconds(const TableCell& cell) {
  if (cell.kind != TableCell::Kind::kTime || cell.time == 0) return -1;
  return static_cast<int64_t>(cell.time / 10000000) - 11644473600LL;
}

struct PeerRow {
  int64_t mru, modified, accessed, created;
  std::u16string path, key;  // key: below BagMRU, "4\3\0"
};

// RegRipper's shellbags plugin on a hive file; false when it is not installed.
bool RegRipper(const std::string& hive, std::vector<PeerRow>& rows) {
  if (std::system("command -v regripper >/dev/null 2>&1") != 0) return false;
  FILE* pipe = popen(("regripper -r '" + hive + "' -p shellbags 2>/dev/null").c_str(), "r");
  const std::regex line(R"(^([^|]*)\|([^|]*)\|([^|]*)\|([^|]*)\|[^|]*\|[^|]*\|(.*) \[Desktop\\(.*)\]$)");
  for (char buf[8192]; pipe && fgets(buf, sizeof buf, pipe);) {
    std::smatch m;
    const std::string text(buf, strcspn(buf, "\r\n"));
    if (!std::regex_match(text, m, line)) continue;
    std::string key = m[6];
    if (!key.empty() && key.back() == '\\') key.pop_back();
    rows.push_back({Seconds(m[1]), Seconds(m[2]), Seconds(m[3]), Seconds(m[4]), Wide(m[5]), Wide(key)});
  }
  if (pipe) pclose(pipe);
  return true;
}

std::u16string LastPart(const std::u16string& path) {
  const size_t slash = path.rfind(u'\\');
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

TEST(ShellBags, UsrClassItemsAndTimesAsRegRipperReadsThem) {
  const std::string dir = std::string(GL_TESTDATA_DIR) + "/shellbags/";
  for (const char* file : {"plaso-UsrClass.dat", "regipy-usrclass/UsrClass.dat"}) {
    SCOPED_TRACE(file);
    std::vector<uint8_t> hive = FileBytes(dir + file);
    if (hive.empty()) GTEST_SKIP() << "no test data";
    std::vector<PeerRow> peer;
    if (!RegRipper(dir + file, peer)) GTEST_SKIP() << "regripper is not installed: no peer to compare with";
    ASSERT_FALSE(peer.empty());
    const Read read(std::move(hive), EmptyHive());
    EXPECT_EQ(read.table.RowCount(), peer.size());
    EXPECT_TRUE(read.table.problems.empty()) << Utf8Of(read.table.problems.front());
    for (const PeerRow& p : peer) {
      SCOPED_TRACE(Utf8Of(p.key));
      const size_t r = read.RowOfKey(kClassesRoot + (u"\\" + p.key));
      ASSERT_NE(r, SIZE_MAX);
      EXPECT_EQ(read.Text(r, kHive), u"UsrClass.dat");
      // RegRipper shows the key time at every position; the reader only at
      // the position it dates (0), so where it shows one, they agree.
      const int64_t opened = Seconds(read.table.Cell(r, kOpened));
      if (opened >= 0) EXPECT_EQ(opened, p.mru);
      if (read.table.Cell(r, kPosition).number == 0) EXPECT_EQ(opened, p.mru);
      EXPECT_EQ(Seconds(read.table.Cell(r, kModified)), p.modified);
      EXPECT_EQ(Seconds(read.table.Cell(r, kAccessed)), p.accessed);
      EXPECT_EQ(Seconds(read.table.Cell(r, kCreated)), p.created);
      if (read.Text(r, kType) == u"Folder") EXPECT_EQ(LastPart(read.Text(r, kPath)), LastPart(p.path));
    }
  }
}

// hivex's export of a BagMRU tree: its numbered values that hold an item.
size_t HivexItemCount(const std::string& hive, const std::string& root) {
  const std::string command = "hivexregedit --export '" + hive + "' '" + root + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  size_t count = 0;
  const std::regex item(R"re(^"[0-9]+"=hex(\(3\))?:.*)re");
  for (char buf[8192]; pipe && fgets(buf, sizeof buf, pipe);) {
    if (std::regex_match(std::string(buf, strcspn(buf, "\r\n")), item)) ++count;
  }
  if (pipe) pclose(pipe);
  return count;
}

TEST(ShellBags, EveryItemOfEveryRealHiveAsHivexCountsThem) {
  if (std::system("command -v hivexregedit >/dev/null 2>&1") != 0) GTEST_SKIP() << "hivexregedit is not installed";
  const std::string data = std::string(GL_TESTDATA_DIR) + "/";
  const struct {
    const char* file;
    bool classes;
  } hives[] = {{"shellbags/plaso-UsrClass.dat", true},
               {"shellbags/regipy-usrclass/UsrClass.dat", true},
               {"shellbags/regipy-transactions/NTUSER.DAT", false},
               {"hives/xp_frodo_NTUSER.DAT", false},
               {"hives/xp_plaso_NTUSER.DAT", false},
               {"hives/win7_notatin_ntuser.dat", false}};
  for (const auto& h : hives) {
    SCOPED_TRACE(h.file);
    std::vector<uint8_t> bytes = FileBytes(data + h.file);
    if (bytes.empty()) continue;
    size_t expected = 0;
    for (const char* root : {"\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\BagMRU",
                             "\\Software\\Microsoft\\Windows\\ShellNoRoam\\BagMRU",
                             "\\Software\\Microsoft\\Windows\\Shell\\BagMRU"}) {
      if ((root[1] == 'L') == h.classes) expected += HivexItemCount(data + h.file, root);
    }
    const Read read = h.classes ? Read(std::move(bytes), EmptyHive()) : Read(EmptyHive(), std::move(bytes));
    EXPECT_EQ(read.table.RowCount(), expected);
    for (size_t r = 0; r < read.table.RowCount(); ++r) {
      EXPECT_EQ(read.Text(r, kHive), h.classes ? u"UsrClass.dat" : u"NTUSER.DAT");
    }
  }
}

// Written trees. Each BagMRU key: its values "0".. holding one item each,
// MRUListEx, and subkeys of the same numbers.
std::vector<uint8_t> ItemValue(const std::vector<uint8_t>& item) {
  std::vector<uint8_t> list;
  AppendItem(list, item);
  EndList(list);
  return list;
}

std::vector<uint8_t> Folder(const std::string& name, uint32_t fat) {
  FileEntryFields f;
  f.type = 0x31;
  f.shortName = name;
  f.modifiedFat = fat;
  f.createdFat = fat - 0x20;  // a minute earlier (FAT times: minutes from bit 5)
  f.accessedFat = fat;
  f.longName = Wide(name);
  return FileEntryItem(f);
}

std::vector<uint8_t> Dword(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

// The classes hive with `bagMru` (a key made by the caller) as its BagMRU
// and `bags` (kNone for none) beside it.
std::vector<uint8_t> ClassesHive(HiveWriter& w, uint32_t bagMru, uint32_t bags = HiveWriter::kNone) {
  std::vector<uint32_t> shell{bagMru};
  if (bags != HiveWriter::kNone) shell.push_back(bags);
  uint32_t key = w.Key(u"Shell", 2, {}, w.List("lf", shell), static_cast<uint32_t>(shell.size()));
  for (const char16_t* parent : {u"Windows", u"Microsoft", u"Software", u"Local Settings"}) {
    key = w.Key(parent, 2, {}, w.List("lf", {key}), 1);
  }
  return w.File(w.Key(u"ROOT", 2, {}, w.List("lf", {key}), 1));
}

constexpr uint64_t kRootTime = 131000000000000000ull, kChildTime = kRootTime + 600000000;
constexpr uint32_t kFat = (45u << 25 | 3u << 21 | 14u << 16) | (10u << 11 | 30u << 5);  // 2025-03-14 10:30

TEST(ShellBags, DamagedTreesEndCleanly) {
  const std::u16string root = kClassesRoot;
  {
    SCOPED_TRACE("a value without its subkey, an MRU list naming a missing value, a NodeSlot with its bag");
    HiveWriter w;
    const uint32_t child = w.Key(u"0", kChildTime, {w.Value(u"NodeSlot", 4, Dword(7))});
    const uint32_t bagMru = w.Key(u"BagMRU", kRootTime,
                                  {w.Value(u"0", 3, ItemValue(MyComputerItem())),
                                   w.Value(u"1", 3, ItemValue(VolumeItem('D'))),
                                   w.Value(u"MRUListEx", 3, {1, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 255})},
                                  w.List("lf", {child}), 1);
    const uint32_t bags = w.Key(u"Bags", 2, {}, w.List("lf", {w.Key(u"7", kChildTime + 5)}), 1);
    const Read read(ClassesHive(w, bagMru, bags), EmptyHive());
    ASSERT_EQ(read.table.RowCount(), 2u);
    EXPECT_TRUE(read.table.problems.empty());
    EXPECT_EQ(read.Text(0, kKey), root + u"\\0");
    EXPECT_EQ(read.table.Cell(0, kPosition).number, 1);
    EXPECT_EQ(read.table.Cell(0, kOpened).time, 0u);  // dated only at position 0
    EXPECT_EQ(read.table.Cell(0, kBagWritten).time, kChildTime + 5);
    EXPECT_EQ(read.Text(1, kPath), u"D:\\");
    EXPECT_EQ(read.Text(1, kType), u"Drive");
    EXPECT_EQ(read.table.Cell(1, kPosition).number, 0);
    EXPECT_EQ(read.table.Cell(1, kOpened).time, kRootTime);
  }
  {
    SCOPED_TRACE("a key that is its own subkey");
    HiveWriter w;
    const uint32_t list = w.List("lf", {0});
    const uint32_t self = w.Key(u"0", kChildTime, {w.Value(u"0", 3, ItemValue(Folder("Loop", kFat)))}, list, 1);
    w.Set32(list, 4, self);
    const uint32_t bagMru =
        w.Key(u"BagMRU", kRootTime, {w.Value(u"0", 3, ItemValue(VolumeItem('C')))}, w.List("lf", {self}), 1);
    const Read read(ClassesHive(w, bagMru), EmptyHive());
    ASSERT_EQ(read.table.RowCount(), 2u);  // C:\ from BagMRU, C:\Loop from the key, once
    EXPECT_EQ(read.Text(1, kPath), u"C:\\Loop");
    ASSERT_EQ(read.table.problems.size(), 1u);
    EXPECT_NE(read.table.problems[0].find(u"the same key as one above it"), std::u16string::npos);
  }
  {
    SCOPED_TRACE("1,000 levels");
    HiveWriter w;
    uint32_t key = w.Key(u"0", kChildTime, {w.Value(u"0", 3, ItemValue(Folder("d", kFat)))});
    for (int level = 998; level >= 1; --level) {
      key = w.Key(u"0", kChildTime + level, {w.Value(u"0", 3, ItemValue(Folder("d", kFat)))}, w.List("lf", {key}), 1);
    }
    const uint32_t bagMru =
        w.Key(u"BagMRU", kRootTime, {w.Value(u"0", 3, ItemValue(VolumeItem('C')))}, w.List("lf", {key}), 1);
    const Read read(ClassesHive(w, bagMru), EmptyHive());
    EXPECT_EQ(read.table.RowCount(), 512u);  // the registry's own nesting limit
    ASSERT_EQ(read.table.problems.size(), 1u);
    EXPECT_NE(read.table.problems[0].find(u"deeper than 512 levels"), std::u16string::npos);
  }
  {
    SCOPED_TRACE("an item cut short");
    HiveWriter w;
    std::vector<uint8_t> cut = ItemValue(Folder("Projects", kFat));
    cut.resize(14 + 9);  // the fixed fields and "Projects" with its NUL; no extension block
    const uint32_t bagMru = w.Key(u"BagMRU", kRootTime, {w.Value(u"0", 3, cut)});
    const Read read(ClassesHive(w, bagMru), EmptyHive());
    ASSERT_EQ(read.table.RowCount(), 1u);
    EXPECT_EQ(read.Text(0, kPath), u"Projects");
    EXPECT_EQ(read.Text(0, kType), u"Folder (item cut short)");
    EXPECT_EQ(read.table.Cell(0, kCreated).time, 0u);  // its extension block is what is missing
    ASSERT_EQ(read.table.problems.size(), 1u);
    EXPECT_NE(read.table.problems[0].find(u"BagMRU\\0: the item ends early"), std::u16string::npos);
  }
}

// The live classes are HKEY_CURRENT_USER\Software\Classes read through a
// prefix: the reader sees the keys as the hive file names them.
TEST(ShellBags, ClassesThroughAPrefixReadAsTheHiveFile) {
  HiveWriter w;
  const uint32_t bagMru = w.Key(u"BagMRU", kRootTime,
                                {w.Value(u"0", 3, ItemValue(MyComputerItem())),
                                 w.Value(u"MRUListEx", 3, {0, 0, 0, 0, 255, 255, 255, 255})});
  uint32_t key = w.Key(u"Shell", 2, {}, w.List("lf", {bagMru}), 1);
  for (const char16_t* parent : {u"Windows", u"Microsoft", u"Software", u"Local Settings", u"Classes", u"Software"}) {
    key = w.Key(parent, 2, {}, w.List("lf", {key}), 1);
  }
  HiveRegistrySource user(w.File(w.Key(u"ROOT", 2, {}, w.List("lf", {key}), 1)));
  PrefixedRegistry classes(user, u"Software\\Classes");
  PosixFolderSource folders("/nonexistent");
  NoPaths paths;
  ViewSources sources{user, folders, paths, "Vista"};
  sources.classes = &classes;
  Table table;
  Progress progress;
  Timeline timeline;
  ReadShellBags(sources, table, progress, &timeline);
  ASSERT_EQ(table.RowCount(), 1u);
  EXPECT_EQ(table.Cell(0, kKey).text, std::u16string(kClassesRoot) + u"\\0");
  Table events;
  timeline.ToTable(events);
  ASSERT_EQ(events.RowCount(), 1u);
  EXPECT_EQ(events.Cell(0, 1).text, u"Folder opened (ShellBags)");
}

}  // namespace
}  // namespace glimmerlog
