// The scan of a hive's free cells and the Deleted Registry Entries view: a
// written hive with keys and values deleted in every way the scan meets
// (merged cells, chains and loops of deleted parents, parents used again,
// records cut by the end of their cell or lying inside an allocated one,
// data intact, in part or gone), hives crafted to make the work or the
// paths grow faster than the file, and the real hives against RegRipper's
// del plugin.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "base/utf8.h"
#include "sources/folders/posixfolders.h"
#include "sources/hive/deletedcells.h"
#include "sources/hive/hivesource.h"
#include "tests/support/hive_writer.h"
#include "tests/support/regexport.h"
#include "views/viewdef.h"

namespace glimmerlog {

void ReadDeletedEntries(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

namespace {

constexpr uint64_t kTime = 133000000000000000ull;

std::vector<uint8_t> Sz(std::u16string_view text) {
  std::vector<uint8_t> out;
  for (char16_t c : text) out.insert(out.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
  out.insert(out.end(), {0, 0});
  return out;
}

// ROOT\Software\App live, and below Software what was deleted:
// - "Old Tool" with five values and its subkey "Settings" with one, merged
//   into one free cell;
// - "Orphan", whose parent's cell now holds a value;
// - "LoopA" and "LoopB", each naming the other as its parent;
// - "Stray", whose parent is a key whose own parents loop;
// - "Lonely", a value alone; "Reused", a value whose data cell holds
//   something else now; "Partial", a value whose data cell was cut by a
//   cell made inside it;
// - "CrossingTheEndOfItsCell", a key whose name runs into an allocated cell;
// and "Inside", a key record held as the data of a live value.
std::vector<uint8_t> SampleHive() {
  HiveWriter w;
  using W = HiveWriter;
  const uint32_t liveValue = w.Value(u"Kept", 4, {1, 0, 0, 0});
  const uint32_t app = w.Key(u"App", kTime, {liveValue});
  uint32_t start = w.End();
  const uint32_t settings = w.Key(u"Settings", kTime + 2, {w.Value(u"Theme", 1, Sz(u"dark"))});
  std::vector<uint8_t> paths = Sz(u"C:\\One");
  for (uint8_t b : Sz(u"D:\\Two")) paths.push_back(b);
  paths.insert(paths.end(), {0, 0});
  const uint32_t oldTool =
      w.Key(u"Old Tool", kTime + 3,
            {w.Value(u"InstallDir", 2, Sz(u"%ProgramFiles%\\Old Tool")), w.Value(u"Runs", 4, {7, 0, 0, 0}),
             w.Value(u"Paths", 7, paths), w.Value(u"Big", 3, std::vector<uint8_t>(17000, 0xAB)),
             w.Value(u"", 11, {1, 2, 3, 4, 5, 6, 7, 8})},
            w.List("lf", {settings}), 1);
  w.Set32(settings, W::kKeyParentField, oldTool);
  w.Free(start, w.End());
  const uint32_t software = w.Key(u"Software", kTime, {}, w.List("lf", {app}), 1);
  w.Set32(app, W::kKeyParentField, software);
  w.Set32(oldTool, W::kKeyParentField, software);

  start = w.End();
  w.Set32(w.Key(u"Orphan", kTime + 4), W::kKeyParentField, liveValue);
  const uint32_t a = w.Key(u"LoopA", kTime + 5), b = w.Key(u"LoopB", kTime + 6);
  w.Set32(a, W::kKeyParentField, b);
  w.Set32(b, W::kKeyParentField, a);
  w.Value(u"Lonely", 4, {9, 0, 0, 0});
  w.Free(start, w.End());
  // Two keys of the hive that no list names, each the other's parent.
  const uint32_t x = w.Key(u"X", kTime), y = w.Key(u"Y", kTime);
  w.Set32(x, W::kKeyParentField, y);
  w.Set32(y, W::kKeyParentField, x);
  start = w.End();
  w.Set32(w.Key(u"Stray", kTime + 7), W::kKeyParentField, x);
  w.Free(start, w.End());

  const uint32_t reused = w.Value(u"Reused", 3, std::vector<uint8_t>(40, 1));
  w.Free(reused, w.End());  // the value only: its data cell stays allocated
  start = w.End();
  w.Cell({0, 0, 0, 0});
  const uint32_t partialData = w.End();
  const uint32_t partial = w.Value(u"Partial", 3, std::vector<uint8_t>(64, 2));
  w.Free(start, w.End());
  // Free up to 40 bytes into the data's cell (which keeps its old size
  // field), then an allocated cell up to the value's cell, which is free.
  w.Set32(start, -4, partialData + 40 - start);
  w.Set32(partialData, 36, 0u - 32);
  w.Set32(partial, -4, w.End() - partial);

  const uint32_t crossing = w.Key(u"CrossingTheEndOfItsCell", kTime + 8);
  w.Set32(crossing, -4, 0x50);         // its name begins past this free cell's end
  w.Set32(crossing, 0x4C, 0u - 0x18);  // where an allocated cell begins
  w.Set32(crossing, W::kKeyParentField, software);

  HiveWriter other;
  const uint32_t inner = other.Key(u"Inside", kTime + 9);
  other.Set32(inner, W::kKeyParentField, 0x20);
  const std::vector<uint8_t> image = other.File(inner);
  const auto cell = image.begin() + 0x1000 + inner;
  std::vector<uint8_t> data(4, 0);  // so that the record begins on an 8-byte boundary of the hive
  data.insert(data.end(), cell, cell + (0x100 - cell[0]));  // its cell: a negative size below 256
  w.Key(u"Holder", kTime, {w.Value(u"Image", 3, data)});

  const uint32_t root = w.Key(u"ROOT", kTime, {}, w.List("lf", {software}), 1);
  w.Set32(software, W::kKeyParentField, root);
  return w.File(root);
}

TEST(DeletedCells, KeysWithThePathsTheirParentsGive) {
  const Hive hive(SampleHive());
  const DeletedCells found = ScanDeletedCells(hive);
  const std::u16string unknown = std::u16string(kUnknownParent) + u"\\";
  const struct {
    const char16_t* name;
    std::u16string path;
    DeletedParent parent;
    uint64_t time;
    std::vector<std::u16string> values;
  } expected[] = {
      {u"Settings", u"Software\\Old Tool\\Settings", DeletedParent::kDeleted, kTime + 2, {u"Theme"}},
      {u"Old Tool",
       u"Software\\Old Tool",
       DeletedParent::kLive,
       kTime + 3,
       {u"InstallDir", u"Runs", u"Paths", u"Big", u""}},
      {u"Orphan", unknown + u"Orphan", DeletedParent::kUnknown, kTime + 4, {}},
      {u"LoopA", unknown + u"LoopB\\LoopA", DeletedParent::kDeleted, kTime + 5, {}},
      {u"LoopB", unknown + u"LoopB", DeletedParent::kDeleted, kTime + 6, {}},
      {u"Stray", unknown + u"Stray", DeletedParent::kUnknown, kTime + 7, {}},
  };
  ASSERT_EQ(found.keys.size(), std::size(expected));  // nothing of the crossing key or the one inside a value
  for (const auto& e : expected) {
    const auto key = std::find_if(found.keys.begin(), found.keys.end(), [&](auto& k) { return k.name == e.name; });
    ASSERT_NE(key, found.keys.end()) << Utf8Of(e.name);
    EXPECT_EQ(key->path, e.path);
    EXPECT_EQ(key->parent, e.parent) << Utf8Of(e.name);
    EXPECT_EQ(key->lastWritten, e.time);
    std::vector<std::u16string> names;
    for (size_t v : key->values) {
      names.push_back(found.values[v].name);
      EXPECT_EQ(&found.keys[found.values[v].key], &*key);
    }
    EXPECT_EQ(names, e.values) << Utf8Of(e.name);
  }
}

std::u16string Hex8(uint32_t n) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", n);
  return AsciiText(text);
}

// A profile for the view: its hive, no folders.
class Paths final : public ProfilePaths {
 public:
  explicit Paths(bool other) : other_(other) {}
  std::u16string ShellFolder(std::u16string_view) override { return kRegFailureText; }
  bool OtherProfile() const override { return other_; }

 private:
  bool other_;
};

struct View {
  Table table;
  Timeline timeline;
  View(RegistrySource& registry, bool otherProfile) {
    PosixFolderSource folders("/nonexistent");
    Paths paths(otherProfile);
    ViewSources sources{registry, folders, paths, "10"};
    Progress progress;
    ReadDeletedEntries(sources, table, progress, nullptr);
    Table none;
    ReadDeletedEntries(sources, none, progress, &timeline);
  }
  std::u16string Text(size_t row, size_t column) const { return std::u16string(table.Cell(row, column).text); }
};

TEST(DeletedEntriesView, KeyLinesThenTheirValuesThenValuesWithoutKey) {
  HiveRegistrySource registry(SampleHive());
  View view(registry, true);
  EXPECT_TRUE(view.table.problems.empty());

  const std::u16string unknown = std::u16string(kUnknownParent) + u"\\";
  const struct {
    std::u16string path, value, type, data;
  } expected[] = {
      {u"Software\\Old Tool\\Settings", u"", u"", u""},
      {u"Software\\Old Tool\\Settings", u"Theme", u"REG_SZ", u"dark"},
      {u"Software\\Old Tool", u"", u"", u""},
      {u"Software\\Old Tool", u"InstallDir", u"REG_EXPAND_SZ", u"%ProgramFiles%\\Old Tool"},
      {u"Software\\Old Tool", u"Runs", u"REG_DWORD", u"0x00000007 (7)"},
      {u"Software\\Old Tool", u"Paths", u"REG_MULTI_SZ", u"C:\\One; D:\\Two"},
      {u"Software\\Old Tool", u"Big", u"REG_BINARY", u"AB AB AB AB AB AB AB AB AB AB AB AB AB AB AB AB \u2026"},
      {u"Software\\Old Tool", u"(Default)", u"REG_QWORD", u"0x0807060504030201 (578437695752307201)"},
      {unknown + u"Orphan", u"", u"", u""},
      {unknown + u"LoopB\\LoopA", u"", u"", u""},
      {unknown + u"LoopB", u"", u"", u""},
      {unknown + u"Stray", u"", u"", u""},
      {u"(unknown key)", u"Lonely", u"REG_DWORD", u"0x00000009 (9)"},
      {u"(unknown key)", u"Reused", u"REG_BINARY", u"(data not recovered)"},
      {u"(unknown key)", u"Partial", u"REG_BINARY",
       u"02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 \u2026 (36 of 64 bytes recovered)"},
  };
  // Nothing else: no live value, no key or value cut by its cell's end or
  // inside an allocated cell.
  ASSERT_EQ(view.table.RowCount(), std::size(expected));
  const DeletedCells found = ScanDeletedCells(*registry.OfflineHive());
  std::set<std::u16string> records;  // the offsets of their cells, as the view writes them
  for (const DeletedKey& k : found.keys) records.insert(u"0x" + Hex8(k.cell));
  for (const DeletedValue& v : found.values) records.insert(u"0x" + Hex8(v.cell));
  for (size_t r = 0; r < std::size(expected); ++r) {
    SCOPED_TRACE(r);
    EXPECT_EQ(view.Text(r, 0), expected[r].path);
    EXPECT_EQ(view.Text(r, 1), expected[r].value);
    EXPECT_EQ(view.Text(r, 2), expected[r].type);
    EXPECT_EQ(view.Text(r, 3), expected[r].data);
    const bool keyKnown = expected[r].path != u"(unknown key)";
    EXPECT_EQ(view.table.Cell(r, 4).kind, keyKnown ? TableCell::Kind::kTime : TableCell::Kind::kEmpty);
    EXPECT_EQ(records.erase(view.Text(r, 5)), 1u);  // each line its own record's offset
  }

  // Each key is an event, its kind marked as recovered.
  Table events;
  Timeline(view.timeline).ToTable(events);
  ASSERT_EQ(events.RowCount(), 6u);
  EXPECT_EQ(events.columns.size(), 5u);
  EXPECT_EQ(events.Cell(0, 0).time, kTime + 7);  // Stray, the newest
  EXPECT_EQ(std::u16string(events.Cell(0, 1).text), std::u16string(u"Registry key written") + kRecoveredMark);
  EXPECT_EQ(events.Cell(4, 2).text, u"Software\\Old Tool");
  EXPECT_EQ(events.Cell(4, 3).text, u"5 values recovered");
}

TEST(DeletedEntriesView, LiveRegistryIsAnAbsenceDamagedBinsAFailure) {
  RegExportSource live(RegExport{});
  const View running(live, false);
  EXPECT_EQ(running.table.RowCount(), 0u);
  EXPECT_EQ(running.timeline.Size(), 0u);
  ASSERT_EQ(running.table.problems.size(), 1u);
  EXPECT_TRUE(IsAbsence(running.table.problems[0]));
  // A profile whose hive could not be read says so where it is opened.
  const View unread(live, true);
  EXPECT_TRUE(unread.table.problems.empty());
  // Bins that cannot be walked are a failure, not an absence.
  std::vector<uint8_t> damaged = SampleHive();
  damaged[0x1000 + 8] = 1;  // the bin's size: no whole number of pages
  HiveRegistrySource hive(damaged);
  const View cut(hive, true);
  ASSERT_EQ(cut.table.problems.size(), 1u);
  EXPECT_FALSE(IsAbsence(cut.table.problems[0]));
}

// A chain of deleted keys with the longest names, and keys that all name
// one value list: the paths and the lists read stay in proportion to the
// hive's size.
TEST(DeletedCells, WorkAndPathsStayInProportionToTheHive) {
  HiveWriter w;
  const uint32_t software = w.Key(u"Software", kTime);
  std::vector<uint8_t> entries;
  const uint32_t sharedValue = w.End();
  w.Value(u"v", 4, {1, 0, 0, 0});
  for (int i = 0; i < 2000; ++i) {
    for (int b = 0; b < 4; ++b) entries.push_back(static_cast<uint8_t>(sharedValue >> (8 * b)));
  }
  const uint32_t sharedList = w.Cell(entries);
  constexpr size_t kKeys = 1500;
  uint32_t parent = software;
  for (size_t i = 0; i < kKeys; ++i) {
    const uint32_t key = w.Key(std::u16string(255, static_cast<char16_t>(u'a' + i % 26)), kTime);
    w.Set32(key, HiveWriter::kKeyParentField, parent);
    w.Set32(key, HiveWriter::kKeyValueCountField, 2000);
    w.Set32(key, HiveWriter::kKeyValueListField, sharedList);
    parent = key;
  }
  w.Free(sharedValue, w.End());
  const uint32_t root = w.Key(u"ROOT", kTime, {}, w.List("lf", {software}), 1);
  w.Set32(software, HiveWriter::kKeyParentField, root);
  const Hive hive(w.File(root));
  const DeletedCells found = ScanDeletedCells(hive);
  const size_t area = hive.CellArea().size;

  ASSERT_EQ(found.keys.size(), kKeys);
  EXPECT_LE(found.slotsLooked, area / 8);
  EXPECT_LE(found.listEntriesRead, area / 4);
  EXPECT_EQ(found.keys[0].values.size(), 1u);  // the first key claims the list
  size_t chars = 0;
  const std::u16string leftOut = std::u16string(kPathLeftOut) + u"\\";
  for (const DeletedKey& k : found.keys) {
    chars += k.path.size();
    // Each path is whole or says where it was not rebuilt.
    EXPECT_TRUE(k.path.rfind(u"Software\\", 0) == 0 || k.path.rfind(leftOut, 0) == 0);
  }
  EXPECT_LE(chars, area + kKeys * (leftOut.size() + 255));
  EXPECT_EQ(found.keys[2].path,
            u"Software\\" + found.keys[0].name + u"\\" + found.keys[1].name + u"\\" + found.keys[2].name);
  EXPECT_EQ(found.keys.back().path.rfind(leftOut, 0), 0u);
}

// --- against RegRipper's del plugin -------------------------------------

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string TempPath(const char* name) {
  std::string path = testing::TempDir() + name + "-XXXXXX";
  close(mkstemp(path.data()));
  return path;
}

// What the plugin lists, with what makes its records plausible: a key's
// time between 1980 and 2100 and its parent a cell offset, a value's name
// without a NUL and its data in itself (at most 4 bytes) or at a cell
// offset. It takes every cell that does not read as allocated, and so also
// lists bytes that only look like a record.
struct PeerKey {
  std::string name;  // empty when it prints none
  int64_t unixTime;
  uint32_t parent;
};
struct PeerValue {
  std::string name, type;  // type empty for one it has no name for
  uint32_t size;
};

bool RunRegRipper(const std::string& hivePath, std::vector<PeerKey>& keys, std::vector<PeerValue>& values) {
  if (std::system("command -v regripper >/dev/null 2>&1") != 0) return false;
  FILE* pipe = popen(("regripper -r " + hivePath + " -p del 2>/dev/null").c_str(), "r");
  std::string text;  // names may hold NULs
  for (char buf[8192]; size_t n = pipe ? fread(buf, 1, sizeof buf, pipe) : 0;) text.append(buf, n);
  if (pipe) pclose(pipe);
  std::vector<std::string> lines;
  for (size_t at = 0, end; at < text.size(); at = end + 1) {
    end = std::min(text.find('\n', at), text.size());
    lines.push_back(text.substr(at, end - at - (end > at && text[end - 1] == '\r')));
  }
  std::string name;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    const std::string& l = lines[i];
    unsigned long long length = 0, offset = 0, parent = 0;
    char type[64] = {};
    if (l.rfind("Key name: ", 0) == 0) {
      name = l.substr(10);
    } else if (l.rfind("Key LastWrite time = ", 0) == 0 &&
               std::sscanf(lines[i + 1].c_str(), "Offset to parent: 0x%llx", &parent) == 1) {
      std::tm tm{};
      const char* end = strptime(l.c_str() + 21, "%Y-%m-%d %H:%M:%S", &tm);
      if (end && tm.tm_year >= 80 && tm.tm_year < 200 && parent % 8 == 0 && parent >= 0x20) {
        keys.push_back({name, timegm(&tm), static_cast<uint32_t>(parent)});
      }
      name.clear();
    } else if (l.rfind("Value Name: ", 0) == 0 &&
               std::sscanf(lines[i + 1].c_str(), "Data Length: 0x%llx Data Offset: 0x%llx Data Type: %63s", &length,
                           &offset, type) >= 2) {
      const bool inside = length & 0x80000000;
      const std::string valueName = l.substr(12);
      if (valueName.find('\0') == std::string::npos &&
          (inside ? (length & 0x7FFFFFFF) <= 4 : length == 0 || offset % 8 == 0)) {
        values.push_back({valueName, type, static_cast<uint32_t>(length & 0x7FFFFFFF)});
      }
    }
  }
  return true;
}

// The real hives: every plausible key and value the plugin lists is found,
// with its name, time, parent, size and type. The plugin reads past the end
// the base block gives (bins left there from a larger hive); it is given the
// hive cut there, which is all the scan reads.
TEST(DeletedCells, RealHivesHoldWhatRegRipperFinds) {
  const std::string data = GL_TESTDATA_DIR;
  std::vector<std::string> hives;
  for (const char* name :
       {"hives/win7_plaso_NTUSER-WIN7.DAT", "hives/xp_frodo_NTUSER.DAT", "hives/win7_notatin_ntuser.dat",
        "hives/win10_regipy_NTUSER_with_winscp.DAT", "shellbags/plaso-UsrClass.dat"}) {
    hives.push_back(data + "/" + name);
  }
  if (ReadFile(hives[0]).empty()) GTEST_SKIP() << "test data absent: no hives under " << data;
  if (std::system("command -v regripper >/dev/null 2>&1") != 0) GTEST_SKIP() << "regripper is not installed";
  const std::string system = TempPath("SYSTEM");
  if (std::system(("xz -dc '" + data + "/system/regipy-SYSTEM_WIN_10_1709.xz' > " + system).c_str()) == 0) {
    hives.push_back(system);
  }
  size_t keysCompared = 0, valuesCompared = 0;
  for (const std::string& path : hives) {
    SCOPED_TRACE(path);
    std::vector<uint8_t> bytes = ReadFile(path);
    HiveRegistrySource registry(bytes);
    const Hive& hive = *registry.OfflineHive();
    ASSERT_TRUE(hive.Usable());
    bytes.resize(0x1000 + hive.CellArea().size);
    const std::string cut = TempPath("cut");
    std::ofstream(cut, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::vector<PeerKey> peerKeys;
    std::vector<PeerValue> peerValues;
    ASSERT_TRUE(RunRegRipper(cut, peerKeys, peerValues));
    std::remove(cut.c_str());

    const DeletedCells found = ScanDeletedCells(hive);
    for (const PeerKey& p : peerKeys) {
      bool same = false;
      for (const DeletedKey& k : found.keys) {
        const double seconds = static_cast<double>(k.lastWritten / 10000000) - 11644473600.0;
        same = same || (k.parentCell == p.parent && std::abs(seconds - static_cast<double>(p.unixTime)) <= 1 &&
                        (p.name.empty() || Utf8Of(k.name) == p.name));
      }
      EXPECT_TRUE(same) << "key " << p.name << " at " << p.unixTime << " below " << p.parent;
      ++keysCompared;
    }
    // The type as the view names it, by the value's cell.
    View view(registry, true);
    std::map<std::u16string, std::u16string> typeByCell;
    for (size_t r = 0; r < view.table.RowCount(); ++r) typeByCell[view.Text(r, 5)] = view.Text(r, 2);
    std::set<std::tuple<std::string, uint32_t, std::string>> ours;
    for (const DeletedValue& v : found.values) {
      const std::string type = Utf8Of(typeByCell[u"0x" + Hex8(v.cell)]);
      ours.insert({Utf8Of(v.name), v.size, type});
      ours.insert({Utf8Of(v.name), v.size, ""});
    }
    for (const PeerValue& p : peerValues) {
      EXPECT_TRUE(ours.count({p.name, p.size, p.type})) << "value " << p.name << " " << p.size << " " << p.type;
      ++valuesCompared;
    }
  }
  std::remove(system.c_str());
  EXPECT_GT(keysCompared, 0u);
  EXPECT_GT(valuesCompared, 0u);
}

}  // namespace
}  // namespace glimmerlog
