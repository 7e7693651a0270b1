// Another profile as a source: the copy of a profile folder read through
// Windows paths on this system, and the profile's folders mapped from the
// paths its hive records (synthetic keys for the rules, the real hives for
// where their profiles were).
#include "sources/profile/profilesource.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "sources/folders/pathrules.h"
#include "sources/folders/posixfolders.h"
#include "tests/host/sqlitecli.h"
#include "tests/support/regexport.h"
#include "views/timeline.h"

namespace glimmerlog {
namespace {

const std::u16string kExplorer = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

void Write(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

RegistryData Text(std::u16string_view text, uint32_t type = 1) {
  RegistryData d{type, {}};
  for (char16_t c : text) d.bytes.insert(d.bytes.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
  d.bytes.insert(d.bytes.end(), {0, 0});
  return d;
}

TEST(PosixFolders, WindowsPathsFindTheCopyWithoutRegardToCaseAndNeverLeaveIt) {
  TempFolder dir;
  Write(dir.path() + "/AppData/Local/Data.TXT", "hello");
  PosixFolderSource folders(dir.path());
  std::string host;
  const std::string want = dir.path() + "/AppData/Local/Data.TXT";
  for (const char16_t* path : {u"appdata\\LOCAL\\data.txt", u"AppData\\\\Local\\.\\data.txt", u"AppData/local/DATA.txt",
                               u"AppData\\..\\AppData\\Local\\Data.TXT"}) {
    ASSERT_EQ(folders.HostPath(path, host), SourceStatus::kOk) << std::string(path, path + 8);
    EXPECT_EQ(host, want);
  }
  // Before the copy is named, and after: its own drive and name only.
  EXPECT_EQ(folders.HostPath(u"C:\\Users\\bob\\AppData", host), SourceStatus::kMissing);
  folders.SetWindowsRoot(u"C:\\Users\\Bob");
  EXPECT_EQ(folders.HostPath(u"c:\\users\\BOB\\appdata\\local\\data.txt", host), SourceStatus::kOk);
  EXPECT_EQ(host, want);
  for (const char16_t* outside : {u"C:\\Users\\Bobby\\AppData", u"D:\\AppData", u"\\etc\\passwd", u"..\\x",
                                  u"C:\\Users\\Bob\\..\\..", u"AppData\\Local\\nothing"}) {
    EXPECT_EQ(folders.HostPath(outside, host), SourceStatus::kMissing) << std::string(outside, outside + 8);
  }
  // A link in the copy that leads out of it leads nowhere.
  TempFolder elsewhere;
  Write(elsewhere.path() + "/secret.txt", "not the profile's");
  ASSERT_EQ(symlink(elsewhere.path().c_str(), (dir.path() + "/AppData/out").c_str()), 0);
  ASSERT_EQ(symlink("Local/Data.TXT", (dir.path() + "/AppData/in.txt").c_str()), 0);
  std::vector<uint8_t> bytes;
  EXPECT_EQ(folders.ReadFile(u"AppData\\out\\secret.txt", bytes, 100), SourceStatus::kMissing);
  EXPECT_EQ(folders.Attributes(u"AppData\\out"), FolderSource::kNoAttributes);
  EXPECT_EQ(folders.ReadFile(u"AppData\\in.txt", bytes, 100), SourceStatus::kOk);  // a link within the copy
}

TEST(PosixFolders, AttributesListingAndReadingAsTheFileSystemSays) {
  TempFolder dir;
  const std::string folder = dir.path() + "/Recent";
  Write(folder + "/a.lnk", "12345");
  Write(folder + "/locked.lnk", "x");
  chmod((folder + "/locked.lnk").c_str(), 0444);
  std::filesystem::create_directories(folder + "/Sub");
  Write(folder + "/caf\xE9.lnk", "latin-1 name");                  // not UTF-8
  const timespec times[2] = {{1600000000, 500}, {1700000000, 0}};  // accessed, modified
  utimensat(AT_FDCWD, (folder + "/a.lnk").c_str(), times, 0);
  ASSERT_EQ(mkfifo((folder + "/pipe").c_str(), 0600), 0);

  PosixFolderSource folders(dir.path());
  EXPECT_EQ(folders.Attributes(u"recent"), 0x10u);
  EXPECT_EQ(folders.Attributes(u"Recent\\A.LNK"), 0x20u);
  EXPECT_EQ(folders.Attributes(u"Recent\\locked.lnk"), 0x21u);
  EXPECT_EQ(folders.Attributes(u"Recent\\pipe"), 0x80u);
  EXPECT_EQ(folders.Attributes(u"Recent\\none"), FolderSource::kNoAttributes);

  SourceStatus status = SourceStatus::kDamaged;
  auto listing = folders.List(u"RECENT\\", &status);
  ASSERT_TRUE(listing);
  EXPECT_EQ(status, SourceStatus::kOk);
  std::map<std::u16string, FolderEntry> entries;
  for (FolderEntry e; listing->Next(e);) entries[e.name] = e;
  EXPECT_EQ(entries.size(), 7u);  // ".", "..", four files, one folder
  EXPECT_EQ(entries[u".."].attributes, 0x10u);
  EXPECT_EQ(entries[u"a.lnk"].size, 5u);
  EXPECT_EQ(entries[u"a.lnk"].modified, (1700000000ull + 11644473600ull) * 10000000ull);
  EXPECT_EQ(entries[u"a.lnk"].accessed, (1600000000ull + 11644473600ull) * 10000000ull + 5);
  const std::u16string latin = u"caf\xDCE9.lnk";  // the byte kept as a lone surrogate
  ASSERT_EQ(entries.count(latin), 1u);
  EXPECT_EQ(folders.List(u"Recent\\none\\", &status), nullptr);
  EXPECT_EQ(status, SourceStatus::kMissing);

  std::vector<uint8_t> bytes;
  EXPECT_EQ(folders.ReadFile(u"recent\\" + latin, bytes, 100), SourceStatus::kOk);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "latin-1 name");
  EXPECT_EQ(folders.ReadFile(u"Recent\\a.lnk", bytes, 4), SourceStatus::kDamaged);  // over the limit
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(folders.ReadFile(u"Recent\\pipe", bytes, 100), SourceStatus::kDenied);  // refused, not waited on
  EXPECT_EQ(folders.ReadFile(u"Recent\\Sub", bytes, 100), SourceStatus::kDenied);
  EXPECT_EQ(folders.ReadFile(u"Recent\\none", bytes, 100), SourceStatus::kMissing);
}

// Symbolic links in the copy: one that resolves inside it is read as what it
// names there; one that leads out of it (to a file or a folder, by an
// absolute or a relative path) or nowhere is listed as what it is, a link
// with its own times and no size, and nothing is read through it, nor does
// the timeline take anything from where it leads.
TEST(PosixFolders, LinksLeadingOutGiveNothingOfWhatTheyName) {
  TempFolder dir, elsewhere;
  const std::string recent = dir.path() + "/Recent";
  Write(recent + "/a.lnk", "12345");
  Write(dir.path() + "/Sub/b.txt", "in a folder of the copy");
  Write(elsewhere.path() + "/secret.txt", "not the profile's, and longer than it");
  Write(elsewhere.path() + "/folder/inner.txt", "not the profile's either");
  const uint64_t kEpoch = 11644473600ull;
  const timespec outside[2] = {{1500000000, 0}, {1500000000, 0}}, own[2] = {{1400000000, 0}, {1400000000, 0}},
                 file[2] = {{1300000000, 0}, {1300000000, 0}};
  for (const char* p : {"/secret.txt", "/folder"}) {
    utimensat(AT_FDCWD, (elsewhere.path() + p).c_str(), outside, 0);
  }
  utimensat(AT_FDCWD, (recent + "/a.lnk").c_str(), file, 0);
  const std::string back = std::filesystem::relative(elsewhere.path(), recent).string();
  const struct {
    const char* name;
    std::string to;
  } links[] = {
      {"out.lnk", elsewhere.path() + "/secret.txt"},
      {"outdir", elsewhere.path() + "/folder"},
      {"relout.lnk", back + "/secret.txt"},
      {"dangling.lnk", "nowhere.lnk"},
      {"in.lnk", "a.lnk"},
      {"indir", "../Sub"},
  };
  for (const auto& l : links) {
    ASSERT_EQ(symlink(l.to.c_str(), (recent + "/" + l.name).c_str()), 0) << l.name;
    utimensat(AT_FDCWD, (recent + "/" + l.name).c_str(), own, AT_SYMLINK_NOFOLLOW);
  }

  PosixFolderSource folders(dir.path());
  std::map<std::u16string, FolderEntry> listed;
  auto listing = folders.List(u"Recent\\", nullptr);
  ASSERT_TRUE(listing);
  for (FolderEntry e; listing->Next(e);) listed[e.name] = e;
  const struct {
    const char16_t* name;
    uint32_t listedAs, attributes;  // in the listing, and from Attributes
    uint64_t size, modified;        // 0: not checked
    SourceStatus read;
  } cases[] = {
      {u"out.lnk", 0x420, FolderSource::kNoAttributes, 0, 1400000000, SourceStatus::kMissing},
      {u"outdir", 0x420, FolderSource::kNoAttributes, 0, 1400000000, SourceStatus::kMissing},
      {u"relout.lnk", 0x420, FolderSource::kNoAttributes, 0, 1400000000, SourceStatus::kMissing},
      {u"dangling.lnk", 0x420, 0x420, 0, 1400000000, SourceStatus::kMissing},
      {u"in.lnk", 0x20, 0x20, 5, 1300000000, SourceStatus::kOk},
      {u"indir", 0x10, 0x10, 0, 0, SourceStatus::kDenied},  // a folder is no file
  };
  for (const auto& c : cases) {
    const std::string shown(c.name, c.name + std::char_traits<char16_t>::length(c.name));
    ASSERT_EQ(listed.count(c.name), 1u) << shown;
    const FolderEntry& e = listed[c.name];
    EXPECT_EQ(e.attributes, c.listedAs) << shown;
    EXPECT_EQ(e.size, c.size) << shown;
    if (c.modified) EXPECT_EQ(e.modified, (c.modified + kEpoch) * 10000000ull) << shown;
    EXPECT_EQ(folders.Attributes(u"Recent\\" + std::u16string(c.name)), c.attributes) << shown;
    std::vector<uint8_t> bytes;
    EXPECT_EQ(folders.ReadFile(u"Recent\\" + std::u16string(c.name), bytes, 1000), c.read) << shown;
  }
  // Through the folder links: only the one that stays inside.
  std::vector<uint8_t> bytes;
  SourceStatus status = SourceStatus::kOk;
  EXPECT_EQ(folders.List(u"Recent\\outdir\\", &status), nullptr);
  EXPECT_EQ(status, SourceStatus::kMissing);
  EXPECT_EQ(folders.ReadFile(u"Recent\\outdir\\inner.txt", bytes, 1000), SourceStatus::kMissing);
  EXPECT_EQ(folders.Attributes(u"Recent\\outdir\\inner.txt"), FolderSource::kNoAttributes);
  EXPECT_TRUE(folders.List(u"Recent\\indir\\", &status));
  EXPECT_EQ(folders.ReadFile(u"Recent\\INDIR\\b.txt", bytes, 1000), SourceStatus::kOk);
  // Parts Windows reads as ".." go back one part, and never above the copy;
  // a stream is not in a copy.
  std::string host;
  EXPECT_EQ(folders.HostPath(u"Recent\\...\\Recent\\a.lnk", host), SourceStatus::kOk);
  EXPECT_EQ(host, recent + "/a.lnk");
  EXPECT_EQ(folders.HostPath(u"Recent\\.. \\..", host), SourceStatus::kMissing);
  EXPECT_EQ(folders.HostPath(u"Recent\\a.lnk:stream", host), SourceStatus::kMissing);

  // The timeline: the folder's files by their own times, never by the times
  // of what a link leads to.
  Timeline timeline;
  AddFolderEvents(folders, u"Recent\\", u"Recent", u"Recent", timeline);
  Table table;
  timeline.ToTable(table);
  std::map<std::u16string, uint64_t> events;
  for (size_t row = 0; row < table.RowCount(); ++row) {
    events[std::u16string(table.Cell(row, 2).text)] = table.Cell(row, 0).time;
  }
  EXPECT_EQ(events[u"out.lnk"], (1400000000 + kEpoch) * 10000000ull);
  EXPECT_EQ(events[u"a.lnk"], (1300000000 + kEpoch) * 10000000ull);
  for (const auto& [name, time] : events) {
    EXPECT_NE(time, (1500000000 + kEpoch) * 10000000ull) << std::string(name.begin(), name.end());
  }
}

class ProfileSourceTest : public ::testing::Test {
 protected:
  ProfileSourceTest() {
    file_.keys[kExplorer + u"Shell Folders"] = {
        {u"Desktop", Text(u"C:\\Users\\bob\\Desktop")},
        {u"Personal", Text(u"\\\\server\\docs\\bob")},  // moved away: names no root
        {u"Recent", Text(u"C:\\USERS\\BOB\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\")},
        {u"Cache", Text(u"E:\\Cache")},
        {u"Local AppData", Text(u"C:\\Users\\bob\\AppData\\Local")},
    };
    file_.keys[kExplorer + u"User Shell Folders"] = {
        {u"Cookies", Text(u"%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Windows\\Cookies", 2)},
        {u"History", Text(u"%SystemRoot%\\History", 2)},
    };
  }
  std::unique_ptr<RegistrySource> Registry() { return std::make_unique<RegExportSource>(file_); }

  RegExport file_;
  TempFolder dir_;
};

TEST_F(ProfileSourceTest, FoldersAreMappedOntoTheProfileAndNeverOutsideIt) {
  std::filesystem::create_directories(dir_.path() + "/appdata/local");
  std::filesystem::create_directories(dir_.path() + "/appdata/roaming");
  PosixFolderSource folders(dir_.path());
  folders.SetWindowsRoot(u"C:\\Users\\bob");
  ProfileSource profile(folders, u"C:\\Users\\bob\\", Registry());

  EXPECT_EQ(profile.Root().path, u"C:\\Users\\bob");
  EXPECT_EQ(profile.OsName(), "Vista");
  EXPECT_EQ(profile.OsNameReason(), u"the profile folder has AppData\\Local");
  EXPECT_EQ(profile.ShellFolder(u"Recent"), u"C:\\Users\\bob\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\");
  EXPECT_EQ(profile.ShellFolder(u"Cookies"), u"C:\\Users\\bob\\AppData\\Roaming\\Microsoft\\Windows\\Cookies");
  EXPECT_EQ(profile.ShellFolder(u"Cache"), kRegFailureText);    // another drive
  EXPECT_EQ(profile.ShellFolder(u"History"), kRegFailureText);  // another variable
  EXPECT_NE(profile.ShellFolderProblem(u"Cache").find(u"outside the profile folder"), std::u16string::npos);
  EXPECT_EQ(profile.ShellFolderProblem(u"Favorites"), u"Shell Folders value Favorites: missing");
  EXPECT_EQ(profile.ShellFolderProblem(u"Recent"), u"");
  EXPECT_EQ(profile.LocalAppData(), u"C:\\Users\\bob\\AppData\\Local");
  EXPECT_EQ(profile.RoamingAppData(), u"C:\\Users\\bob\\AppData\\Roaming");  // no value: the layout's
  std::u16string mapped;
  EXPECT_TRUE(profile.MapPath(u"%AppData%\\Mozilla", mapped));
  EXPECT_EQ(mapped, u"C:\\Users\\bob\\AppData\\Roaming\\Mozilla");
  EXPECT_FALSE(profile.MapPath(u"C:\\Users\\bobby\\Desktop", mapped));
  EXPECT_FALSE(profile.MapPath(u"C:\\Users\\bob\\Desktop\\..\\..\\..\\Windows", mapped));
  EXPECT_FALSE(profile.MapPath(u"%USERPROFILE%\\..", mapped));

  // A profile named by its folder only: relative paths.
  PosixFolderSource relative(dir_.path());
  ProfileSource plain(relative, u"", Registry());
  EXPECT_EQ(plain.ShellFolder(u"Recent"), u"AppData\\Roaming\\Microsoft\\Windows\\Recent\\");
  EXPECT_EQ(plain.LocalAppData(), u"AppData\\Local");
}

// Parts of the paths a profile's data names, as Windows opens them: dots
// and spaces at the end of a part are not part of its name, so a part of
// dots climbs as ".." does; a colon names a stream. Neither maps onto the
// profile, whichever way the path is written.
TEST_F(ProfileSourceTest, PartsAreReadAsWindowsOpensThem) {
  struct Case {
    std::u16string_view part;  // one part of a path below the profile folder
    std::u16string_view read;  // WindowsPartName
    bool within;
  } const cases[] = {
      {u"Recent", u"Recent", true},
      {u"a..b", u"a..b", true},
      {u".x", u".x", true},
      {u"Recent. ", u"Recent", true},
      {u".", u".", true},
      {u". ", u".", true},
      {u" ", u"", true},
      {u"..", u"..", false},
      {u"...", u"..", false},
      {u".. ", u"..", false},
      {u". .", u"..", false},
      {u".....", u"..", false},
      {u"index.dat:stream", u"index.dat:stream", false},
      {u"..:$INDEX_ALLOCATION", u"..:$INDEX_ALLOCATION", false},
      {u"Recent::$DATA", u"Recent::$DATA", false},
  };
  PosixFolderSource folders(dir_.path());
  folders.SetWindowsRoot(u"C:\\Users\\bob");
  ProfileSource profile(folders, u"C:\\Users\\bob", Registry());
  for (const Case& c : cases) {
    const std::string shown(c.part.begin(), c.part.end());
    EXPECT_EQ(WindowsPartName(c.part), c.read) << shown;
    const std::u16string below = std::u16string(c.part) + u"\\x";
    std::u16string_view rest;
    std::u16string mapped;
    EXPECT_EQ(PathWithin(u"C:\\Users\\bob\\" + below, u"C:\\Users\\bob", rest), c.within) << shown;
    EXPECT_EQ(PathWithin(u"C:\\Users\\bob/" + below, u"C:\\Users\\bob", rest), c.within) << shown;
    EXPECT_EQ(profile.MapPath(u"C:\\Users\\bob\\AppData\\" + below, mapped), c.within) << shown;
    EXPECT_EQ(profile.MapPath(u"%USERPROFILE%\\" + below, mapped), c.within) << shown;
    EXPECT_EQ(profile.MapPath(u"%LOCALAPPDATA%\\" + below, mapped), c.within) << shown;
    EXPECT_EQ(profile.MapToProfile(u"C:\\Users\\bob\\" + below, mapped), c.within) << shown;
    // As a Shell Folders value.
    file_.keys[kExplorer + u"Shell Folders"][2].data = Text(u"C:\\Users\\bob\\" + below);
    ProfileSource named(folders, u"C:\\Users\\bob", Registry());
    EXPECT_EQ(named.ShellFolder(u"Recent") != kRegFailureText, c.within) << shown;
  }
}

TEST_F(ProfileSourceTest, VersionAndRootFromTheHiveWhenTheFolderDoesNotTell) {
  PosixFolderSource folders(dir_.path());
  EXPECT_EQ(ProfileSource(folders, u"", Registry()).OsName(), "Vista");  // the hive's Local AppData
  file_.keys[kExplorer + u"Shell Folders"][4].data = Text(u"C:\\Users\\bob\\Local Settings\\Application Data");
  EXPECT_EQ(ProfileSource(folders, u"", Registry()).OsName(), "xp");
  file_.keys[kExplorer + u"Shell Folders"].pop_back();
  ProfileSource unknown(folders, u"", Registry());
  EXPECT_EQ(unknown.OsName(), "");
  EXPECT_EQ(unknown.OsNameReason().rfind(u"not known", 0), 0u);
  EXPECT_EQ(unknown.LocalAppData(), u"");

  // The hive's own record of the profile folder comes first.
  file_.keys[u"Volatile Environment"] = {{u"USERPROFILE", Text(u"C:\\Users\\robert\\")}};
  const ProfileRoot root = FindProfileRoot(*Registry());
  EXPECT_EQ(root.path, u"C:\\Users\\robert");
  EXPECT_EQ(root.how, u"the hive's Volatile Environment\\USERPROFILE");
}

TEST(ProfileRoots, WhereTheRealProfilesWere) {
  const std::string hives = std::string(GL_TESTDATA_DIR) + "/hives";
  if (access(hives.c_str(), R_OK) != 0) GTEST_SKIP() << "test data not found at " << hives;
  const struct {
    const char16_t* file;
    const char16_t* root;
  } cases[] = {
      {u"WIN10_REGIPY_NTUSER_WITH_WINSCP.DAT", u"C:\\Users\\tony"},
      {u"win7_notatin_ntuser.dat", u"C:\\Users\\jmroberts"},
      {u"win7_plaso_NTUSER-WIN7.DAT", u"C:\\Users\\nfury"},
      {u"win7_plaso_regf_NTUSER.DAT", u"C:\\Users\\bperry"},
      {u"xp_frodo_NTUSER.DAT", u"D:\\Documents and Settings\\Frodo Baggins"},
      {u"xp_plaso_NTUSER.DAT", u"C:\\Documents and Settings\\joe"},
  };
  PosixFolderSource folders(hives);
  for (const auto& c : cases) {
    SourceStatus status = SourceStatus::kDamaged;
    std::u16string problem;
    std::unique_ptr<RegistrySource> hive = OpenHiveFile(folders, c.file, status, problem);
    ASSERT_TRUE(hive) << std::string(problem.begin(), problem.end());
    EXPECT_EQ(FindProfileRoot(*hive).path, c.root);
  }
  SourceStatus status = SourceStatus::kOk;
  std::u16string problem;
  EXPECT_FALSE(OpenHiveFile(folders, u"win9x_dfwinreg_USER.DAT", status, problem));
  EXPECT_EQ(status, SourceStatus::kDamaged);
  EXPECT_EQ(problem, u"win9x_dfwinreg_USER.DAT: Windows 9x registry files are not supported");
}

}  // namespace
}  // namespace glimmerlog
