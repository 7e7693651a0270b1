// Office Documents: the value parser on the documented form and on short,
// odd and damaged values; the reader on a hive built here from the
// documented form (with odd values and the older lists) and on the three
// hives of the test data that hold Office lists, against RegRipper's
// msoffice plugin.
#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "base/utf8.h"
#include "tests/host/registryviews.h"
#include "tests/support/hivetree.h"
#include "views/office/officemru.h"

namespace glimmerlog {

void ReadOfficeDocuments(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

namespace {

TEST(OfficeMruValue, TimeFieldAndPath) {
  const struct {
    const char16_t* text;
    bool parsed;
    const char16_t* path;
    uint64_t time;
    bool badTime;
  } cases[] = {
      // The documented form: sixteen digits, the FILETIME as a number.
      {u"[F00000000][T01DA1C2B3D4E5F60][O00000000]*C:\\Users\\ann\\Report.docx", true, u"C:\\Users\\ann\\Report.docx",
       0x01DA1C2B3D4E5F60ull, false},
      {u"[F00000001][t01da1c2b3d4e5f60]*C:\\a.xlsx", true, u"C:\\a.xlsx", 0x01DA1C2B3D4E5F60ull, false},
      // Short: the digits' number, as a leading zero may be left out.
      {u"[F00000000][T1DA1C2B3D4E5F60][O00000000]*C:\\b.docx", true, u"C:\\b.docx", 0x01DA1C2B3D4E5F60ull, false},
      {u"[T7]*C:\\c.docx", true, u"C:\\c.docx", 7, false},
      {u"[TFFFFFFFFFFFFFFFF]*C:\\max.docx", true, u"C:\\max.docx", UINT64_MAX, false},
      // Odd T fields: the line keeps its path, without a time.
      {u"[T]*C:\\d.docx", true, u"C:\\d.docx", 0, true},
      {u"[T01DA1C2B3D4E5F600]*C:\\e.docx", true, u"C:\\e.docx", 0, true},
      {u"[T01DA1C2B 3D4E5F6]*C:\\f.docx", true, u"C:\\f.docx", 0, true},
      {u"[TXYZ][O00000000]*C:\\g.docx", true, u"C:\\g.docx", 0, true},
      // No T field at all, and no fields at all.
      {u"[F00000000][O00000000]*C:\\h.docx", true, u"C:\\h.docx", 0, false},
      {u"C:\\Old\\plain.doc", true, u"C:\\Old\\plain.doc", 0, false},
      // The path is everything after the first star.
      {u"[T01DA1C2B3D4E5F60]*C:\\odd*name.docx", true, u"C:\\odd*name.docx", 0x01DA1C2B3D4E5F60ull, false},
      // Damaged: no star, nothing after it, a field never closed, empty.
      {u"[F00000000][T01DA1C2B3D4E5F60]C:\\i.docx", false, u"", 0, false},
      {u"[F00000000][T01DA1C2B3D4E5F60]*", false, u"", 0, false},
      {u"[F00000000][T01DA1C2B3D4", false, u"", 0, false},
      {u"", false, u"", 0, false},
  };
  for (const auto& c : cases) {
    OfficeMruValue v;
    EXPECT_EQ(ParseOfficeMruValue(c.text, v), c.parsed) << Utf8Of(c.text);
    if (!c.parsed) continue;
    EXPECT_EQ(v.path, c.path) << Utf8Of(c.text);
    EXPECT_EQ(v.lastOpened, c.time) << Utf8Of(c.text);
    EXPECT_EQ(v.badTime, c.badTime) << Utf8Of(c.text);
  }
}

constexpr uint64_t kOldListTime = 127000000000000000ull;  // 2003-06-14

// Office 2016-365's lists as the documented values write them, per program
// and per identity, with odd and damaged values among them; Office 2003's
// Recent Files. `odd` marks the values whose time field is not the
// documented sixteen digits (the peer reads those otherwise, see below).
const struct Item {
  const char16_t *key, *name, *text;
  bool odd = false;
} kItems[] = {
    {u"Word\\File MRU", u"Item 1", u"[F00000000][T01DA1C2B3D4E5F60][O00000000]*C:\\Users\\ann\\Documents\\Report.docx"},
    {u"Word\\File MRU", u"Item Metadata 1", u"<Metadata><AccessTime>0</AccessTime></Metadata>"},
    {u"Word\\File MRU", u"Item 10", u"[F00000000][T01D8AAAABBBBCCCC][O00000000]*https://d.docs.live.net/4f/Plan.docx"},
    {u"Word\\File MRU", u"Item 2", u"[F00000001][T01D9F0A1B2C3D4E5][O00000000]*\\\\fileserver\\share\\Minutes.docx"},
    {u"Word\\File MRU", u"Item 3", u"[F00000000][T1D9F0A1B2C3D4E5][O00000000]*C:\\Users\\ann\\Short.docx", true},
    {u"Word\\File MRU", u"Item 4", u"[F00000000][T01D9F0A1B2C3D4E5][O00000000]C:\\Users\\ann\\NoStar.docx", true},
    {u"Word\\File MRU", u"Item 5", u"[F00000000][TZZ01DA1C2B3D4E5F][O00000000]*C:\\Users\\ann\\BadTime.docx", true},
    {u"Word\\Place MRU", u"Item 1", u"[F00000000][T01DA1C2B3D4E5F61][O00000000]*C:\\Users\\ann\\Documents\\"},
    {u"Excel\\User MRU\\ADAL_4F1E\\File MRU", u"Item 1", u"[F00000000][T01DA0102030405F0][O00000000]*C:\\Budget.xlsx"},
    {u"Excel\\User MRU\\ADAL_4F1E\\File MRU", u"Item 2", u"[F00000000][T01D9010203040500][O00000000]*C:\\Old.xlsx"},
    {u"Excel\\User MRU\\ADAL_4F1E\\Place MRU", u"Item 1", u"[F00000000][T01DA0102030405F1][O00000000]*D:\\Sheets\\"},
    {u"PowerPoint\\File MRU", u"Item 1", u"[F00000000][T01DA11112222AAAA][O00000000]*C:\\Talk \u00e9t\u00e9.pptx"},
    {u"Publisher\\File MRU", u"Item 1", u"[F00000000][T01DA11112222BBBB][O00000000]*C:\\Flyer.pub"},
};

std::vector<uint8_t> OfficeHive() {
  HiveNode root(1);
  HiveNode& office = root.Key(u"Software\\Microsoft\\Office");
  HiveNode& v16 = office.Key(u"16.0");
  v16.Key(u"User Settings");  // where the peer looks for the version in use
  for (const Item& item : kItems) v16.Key(item.key).Sz(item.name, item.text);
  office.Key(u"11.0\\Excel\\Recent Files", kOldListTime)
      .Sz(u"File2", u"C:\\2003\\older.xls")
      .Sz(u"File1", u"C:\\2003\\latest.xls")
      .Dword(u"Max Display", 9);
  return root.File();
}

// The lines of the built hive: their order, the old list's key time, the
// problems of the damaged values, and the timeline.
TEST(OfficeDocuments, ListsInPositionOrderWithProblemsAndKeyTimeOfOldLists) {
  const ViewRead read(&ReadOfficeDocuments, OfficeHive());
  const struct {
    const char16_t *document, *program, *version, *list;
    double position;
    const char16_t* identity;
  } expected[] = {
      {u"C:\\2003\\latest.xls", u"Excel", u"11.0", u"Recent Files", 1, u""},
      {u"C:\\2003\\older.xls", u"Excel", u"11.0", u"Recent Files", 2, u""},
      {u"C:\\Budget.xlsx", u"Excel", u"16.0", u"File MRU", 1, u"ADAL_4F1E"},
      {u"C:\\Old.xlsx", u"Excel", u"16.0", u"File MRU", 2, u"ADAL_4F1E"},
      {u"D:\\Sheets\\", u"Excel", u"16.0", u"Place MRU", 1, u"ADAL_4F1E"},
      {u"C:\\Talk \u00e9t\u00e9.pptx", u"PowerPoint", u"16.0", u"File MRU", 1, u""},
      {u"C:\\Flyer.pub", u"Publisher", u"16.0", u"File MRU", 1, u""},
      {u"C:\\Users\\ann\\Documents\\Report.docx", u"Word", u"16.0", u"File MRU", 1, u""},
      {u"\\\\fileserver\\share\\Minutes.docx", u"Word", u"16.0", u"File MRU", 2, u""},
      {u"C:\\Users\\ann\\Short.docx", u"Word", u"16.0", u"File MRU", 3, u""},
      {u"C:\\Users\\ann\\BadTime.docx", u"Word", u"16.0", u"File MRU", 5, u""},
      {u"https://d.docs.live.net/4f/Plan.docx", u"Word", u"16.0", u"File MRU", 10, u""},
      {u"C:\\Users\\ann\\Documents\\", u"Word", u"16.0", u"Place MRU", 1, u""},
  };
  ASSERT_EQ(read.table.RowCount(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(read.Text(i, 0), expected[i].document) << i;
    EXPECT_EQ(read.Text(i, 1), expected[i].program) << i;
    EXPECT_EQ(read.Text(i, 2), expected[i].version) << i;
    EXPECT_EQ(read.Text(i, 3), expected[i].list) << i;
    EXPECT_EQ(read.Number(i, 4), expected[i].position) << i;
    EXPECT_EQ(read.Text(i, 6), expected[i].identity) << i;
    EXPECT_EQ(read.table.TargetOf(i), expected[i].document) << i;
  }
  EXPECT_EQ(read.Time(0, 5), kOldListTime);  // the first of a list without times: its key's
  EXPECT_EQ(read.Time(1, 5), 0u);
  EXPECT_EQ(read.Time(9, 5), 0x01D9F0A1B2C3D4E5ull);  // fifteen digits: a leading zero left out
  EXPECT_EQ(read.Time(10, 5), 0u);
  EXPECT_EQ(read.Text(0, 7), u"Software\\Microsoft\\Office\\11.0\\Excel\\Recent Files");
  EXPECT_EQ(read.table.problems,
            (std::vector<std::u16string>{u"Office\\16.0\\Word\\File MRU value Item 4: damaged",
                                         u"Office\\16.0\\Word\\File MRU value Item 5: time not readable"}));
  // Every line with a time is in the timeline; the places as folders.
  ASSERT_EQ(read.events.RowCount(), 11u);
  size_t folders = 0;
  for (size_t r = 0; r < read.events.RowCount(); ++r)
    folders += read.events.Cell(r, 1).text == u"Folder used in Office";
  EXPECT_EQ(folders, 2u);
}

TEST(OfficeDocuments, NoOfficeKeyGivesNoLinesAndNoProblems) {
  HiveNode root(1);
  root.Key(u"Software\\Microsoft\\Office\\16.0\\Word\\Options");
  const ViewRead read(&ReadOfficeDocuments, root.File());
  EXPECT_EQ(read.table.columns.size(), 8u);
  EXPECT_EQ(read.table.RowCount(), 0u);
  EXPECT_TRUE(read.table.problems.empty());
}

// The lists as the peer's msoffice plugin reads them: of Word, PowerPoint,
// Excel and Access of one version (the lowest that has a "User Settings"
// key), each under "<program> - File MRU" or "<program>\User MRU\<id> -
// Place MRU" and ended by an empty line, one "<time>Z: <path>" line per value
// whose name begins with "Item".
using ListName = std::tuple<std::u16string, std::u16string, std::u16string>;  // program, list, identity
std::map<ListName, std::vector<std::pair<std::u16string, int64_t>>> PeerLists(const std::vector<uint8_t>& hive) {
  std::map<ListName, std::vector<std::pair<std::u16string, int64_t>>> lists;
  std::vector<std::pair<std::u16string, int64_t>>* current = nullptr;
  for (const std::string& line : peer::Run(hive, "msoffice")) {
    const size_t dash = line.find(" - ");
    const size_t z = line.find("Z: ");
    if (dash != std::string::npos && line.size() > dash + 3 && line.compare(line.size() - 4, 4, " MRU") == 0) {
      std::u16string program = Utf8ToU16(line.substr(0, dash)), identity;
      if (const size_t user = program.find(u"\\User MRU\\"); user != std::u16string::npos) {
        identity = program.substr(user + 10);
        program.resize(user);
      }
      current = &lists[{program, Utf8ToU16(line.substr(dash + 3)), identity}];
    } else if (current && z != std::string::npos && peer::Time(line.substr(0, z)) >= 0) {
      current->emplace_back(Utf8ToU16(line.substr(z + 3)), peer::Time(line.substr(0, z)));
    } else {
      current = nullptr;  // the trust records and reading places that follow are no list
    }
  }
  return lists;
}

// The hive built here and the three hives of the test data that hold Office
// lists (Office 2010 in win7_notatin and in plaso's Windows 7 hive, 2016-365
// with an identity's lists in regipy's Windows 10 hive). Each list of the
// peer is ours, value for value with the same times, but for the odd values
// of the built hive, which the peer reads otherwise:
// - Item 3, T field of 15 digits "1D9F0A1B2C3D4E5": the peer takes digits
//   1-8 as the high half and 9-15 as the low, 8364-10-04; we take the
//   number, 0x01D9F0A1B2C3D4E5 (2023-09-26).
// - Item 4, no star after the fields: the peer prints the time with an empty
//   path; we report the value as damaged and show no line.
// - Item 5, "TZZ01DA1C2B3D4E5F": the peer's hex() of non-digits gives 0 and a
//   time of 1970-01-01; we show the line without a time, with a problem.
// - "Item Metadata 1" (not an entry): the peer lists it as 1970-01-01 with an
//   empty path; we leave it out.
// It leaves out the other versions, Publisher and Office 2003's Recent Files.
TEST(OfficeDocuments, AsRegRipperReadsEveryHive) {
  if (!peer::Installed()) GTEST_SKIP() << "regripper is not installed: no peer to compare with";
  const char* files[] = {nullptr,  // the hive built here
                         "hives/win7_notatin_ntuser.dat", "hives/win7_plaso_NTUSER-WIN7.DAT",
                         "hives/win10_regipy_NTUSER_with_winscp.DAT"};
  size_t compared = 0, real = 0;
  for (const char* file : files) {
    SCOPED_TRACE(file ? file : "built");
    const std::vector<uint8_t> hive = file ? peer::TestFile(file) : OfficeHive();
    if (hive.empty()) continue;
    real += file != nullptr;
    const ViewRead read(&ReadOfficeDocuments, hive);
    EXPECT_EQ(read.table.problems.empty(), file != nullptr);
    const auto lists = PeerLists(hive);
    if (!file) EXPECT_EQ(lists.size(), 5u);
    for (const auto& [where, entries] : lists) {
      const auto& [program, list, identity] = where;
      SCOPED_TRACE(Utf8Of(program + u" " + list + u" " + identity));
      // Our lines of the same list in the version the peer read: the one
      // that holds the first path it names.
      std::u16string version;
      std::vector<size_t> rows;
      for (int pass = 0; pass < 2; ++pass) {
        for (size_t r = 0; r < read.table.RowCount(); ++r) {
          if (read.Text(r, 1) != program || read.Text(r, 3) != list || read.Text(r, 6) != identity) continue;
          if (pass == 0 && version.empty() && read.Text(r, 0) == entries.front().first) version = read.Text(r, 2);
          if (pass == 1 && read.Text(r, 2) == version) rows.push_back(r);
        }
      }
      size_t paths = 0;
      for (const auto& [path, time] : entries) {
        if (path.empty()) continue;  // a damaged value, or one that is not an entry
        ++paths;
        const Item* odd = nullptr;
        for (const Item& i : kItems) {
          const std::u16string text = i.text;
          if (!file && i.odd && text.size() > path.size() &&
              text.compare(text.size() - path.size(), path.size(), path) == 0)
            odd = &i;
        }
        size_t r = 0;
        while (r < rows.size() && read.Text(rows[r], 0) != path) ++r;
        ASSERT_LT(r, rows.size()) << Utf8Of(path);
        if (odd) continue;
        EXPECT_NEAR(peer::Seconds(read.Time(rows[r], 5)), time, 1.0) << Utf8Of(path);
        ++compared;
      }
      EXPECT_EQ(rows.size(), paths);
    }
  }
  // The built hive's eight documented values, and 153 of the real hives.
  EXPECT_EQ(compared, real == 3 ? 161u : 8u);
}

}  // namespace
}  // namespace glimmerlog
