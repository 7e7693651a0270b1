// Another profile in the window: a profile folder holding a real hive shows
// in every registry view what the same hive's export shows once imported
// into the live registry (compared as sets: the prefix's registry lists
// values in name order; key times left out: an import sets them), and the
// live profile comes back with the program's own caption.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "app/mainpro.h"
#include "base/winutil_win.h"
#include "sources/folders/profilefolders_win.h"
#include "sources/osversion/OsApi.h"
#include "tests/support/hive_writer.h"
#include "views/browser/frmindexfile_win.h"
#include "tests/win32/win32_test_util.h"

namespace glimmerlog {
namespace {

using Rows = std::vector<std::wstring>;

const std::wstring kExplorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

void ClearViewKeys() {
  for (const wchar_t* k : {L"RecentDocs", L"ComDlg32", L"WordWheelQuery", L"TypedPaths", L"UserAssist", L"RunMRU",
                           L"Doc Find Spec MRU", L"FindComputerMRU"}) {
    test::DeleteTree(kExplorer + k);
  }
  for (const wchar_t* k :
       {L"Software\\Microsoft\\Internet Explorer\\TypedURLs", L"Software\\Microsoft\\Internet Explorer\\TypedURLsTime",
        L"Software\\Microsoft\\Internet Explorer\\Explorer Bars", L"Software\\Microsoft\\Search Assistant\\ACMru"}) {
    test::DeleteTree(k);
  }
}

// A view's lines as sets of tab-joined cells, the columns in `keep` only
// (all when empty).
Rows ViewRows(frmViewer& form, const wchar_t* tag, const std::vector<size_t>& keep) {
  form.RunView(tag);
  Rows rows;
  const size_t columns = test::ColumnCaptions(form).size();
  for (size_t i = 0; i < form.ShownLineCount(); ++i) {
    std::wstring row;
    for (size_t c = 0; c < columns; ++c) {
      if (keep.empty() || std::find(keep.begin(), keep.end(), c) != keep.end()) row += form.CellText(i, c) + L"\t";
    }
    rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

struct ViewColumns {
  const wchar_t* tag;
  std::vector<size_t> keep;  // every column but the key times
};
const ViewColumns kRegistryViews[] = {
    {L"url", {}},
    {L"search", {}},
    {L"run", {}},
    {L"open", {}},
    {L"recentfiles", {0, 1, 2, 4}},
    {L"opensave7", {0, 1, 2, 3, 4}},
    {L"wordwheel", {0, 1}},
    {L"typedpaths", {0, 1}},
    {L"typedtimes", {0, 1}},  // the exports hold no TypedURLsTime
    {L"userassist", {}},
};

class OfflineProfile : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(OfflineProfile, RegistryViewsMatchTheImportedHive) {
  const std::wstring data = test::TestDataDir();
  if (data.empty()) GTEST_SKIP() << "the shared testdata folder is not beside the project";
  const std::wstring name = GetParam();
  test::ScratchFolder profile(L"offline-profile");
  ASSERT_TRUE(CopyFileW((data + L"\\hives\\" + name).c_str(), (profile.path() + L"\\NTUSER.DAT").c_str(), FALSE));
  SetFileAttributesW((profile.path() + L"\\NTUSER.DAT").c_str(), FILE_ATTRIBUTE_NORMAL);
  // The layout of the live prefix's Windows version, so that both sides
  // read the same search keys.
  profile.MakeFolder(L"AppData");
  profile.MakeFolder(L"AppData\\Local");
  profile.MakeFolder(L"AppData\\Roaming");

  ClearViewKeys();  // what the offline views list can come from the hive only
  const std::string savedOs = OsName;
  OsName = GetOsName();
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  const std::wstring liveCaption = [&] {
    wchar_t text[256] = {};
    GetWindowTextW(form->hwnd(), text, 256);
    return std::wstring(text);
  }();
  ASSERT_TRUE(form->OpenProfile(profile.path() + L"\\NTUSER.DAT"));  // the hive file chosen directly
  EXPECT_EQ(form->OpenedProfile(), profile.path());
  // The caption stays short: the folder's name and the version taken.
  wchar_t caption[512] = {};
  GetWindowTextW(form->hwnd(), caption, 512);
  const std::wstring leaf = profile.path().substr(profile.path().find_last_of(L'\\') + 1);
  EXPECT_EQ(std::wstring(caption), liveCaption + L" \x2014 profile " + leaf + L" (Windows Vista or later)");
  std::vector<Rows> offline;
  for (const ViewColumns& v : kRegistryViews) offline.push_back(ViewRows(*form, v.tag, v.keep));
  if (name == L"xp_frodo_NTUSER.DAT") {
    EXPECT_EQ(offline[0].size(), 25u);  // its TypedURLs (see the testdata README)
    EXPECT_NE(std::find(offline[0].begin(), offline[0].end(), L"www.hotmail,com\t"), offline[0].end());
  }
  form->mnuLiveProfile_Click();
  GetWindowTextW(form->hwnd(), caption, 512);
  EXPECT_EQ(std::wstring(caption), liveCaption);
  EXPECT_TRUE(form->OpenedProfile().empty());

  ClearViewKeys();
  const std::wstring exportName = name + L".reg";
  ASSERT_TRUE(test::ImportRegFile(data + L"\\reg\\" + exportName));
  test::ImportRegFile(data + L"\\reg-modern\\" + exportName);
  size_t lines = 0;
  for (size_t i = 0; i < std::size(kRegistryViews); ++i) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(kRegistryViews[i].tag)));
    EXPECT_EQ(offline[i], ViewRows(*form, kRegistryViews[i].tag, kRegistryViews[i].keep));
    lines += offline[i].size();
  }
  EXPECT_GT(lines, 0u);
  ClearViewKeys();
  OsName = savedOs;
}

INSTANTIATE_TEST_SUITE_P(Hives, OfflineProfile,
                         ::testing::Values(L"xp_plaso_NTUSER.DAT", L"xp_frodo_NTUSER.DAT",
                                           L"win7_plaso_NTUSER-WIN7.DAT", L"win7_notatin_ntuser.dat",
                                           L"win10_regipy_NTUSER_with_winscp.DAT", L"win7_plaso_regf_NTUSER.DAT"));

// The folders the hive names are read where the copy holds them: Recent,
// the history file, the browsers' profiles.
TEST(OfflineProfile, FoldersAreReadFromTheProfileFolder) {
  const std::wstring data = test::TestDataDir();
  if (data.empty()) GTEST_SKIP() << "the shared testdata folder is not beside the project";
  test::ScratchFolder profile(L"offline-folders");
  ASSERT_TRUE(CopyFileW((data + L"\\hives\\win7_plaso_NTUSER-WIN7.DAT").c_str(),
                        (profile.path() + L"\\NTUSER.DAT").c_str(), FALSE));
  std::wstring at;
  for (const wchar_t* part : {L"AppData", L"Local", L"Microsoft", L"Windows", L"History", L"History.IE5"}) {
    at += (at.empty() ? L"" : L"\\") + std::wstring(part);
    profile.MakeFolder(at);
  }
  ASSERT_TRUE(CopyFileW((data + L"\\indexdat\\plaso-History.IE5-index.dat").c_str(),
                        (profile.path() + L"\\" + at + L"\\index.dat").c_str(), FALSE));
  for (const wchar_t* part :
       {L"AppData\\Roaming", L"AppData\\Roaming\\Microsoft", L"AppData\\Roaming\\Microsoft\\Windows",
        L"AppData\\Roaming\\Microsoft\\Windows\\Recent"}) {
    profile.MakeFolder(part);
  }
  const std::wstring shortcut = profile.Make(L"AppData\\Roaming\\Microsoft\\Windows\\Recent\\plan.docx.lnk", "L");

  auto form = test::MakeViewer();
  ASSERT_TRUE(form->OpenProfile(profile.path()));
  form->mnuRecDoc_Click();
  EXPECT_EQ(test::Lines(*form), (Rows{shortcut}));
  {
    // Another user's shortcut is shown in its folder, never opened (it would
    // run here); their Run-box commands are never run.
    test::RecordingShell shell;
    form->SelectLine(0);
    form->URLs_DblClick();
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].file, L"explorer.exe");
    EXPECT_EQ(shell.calls[0].parameters, L"/select,\"" + shortcut + L"\"");
    form->mnurun_Click();
    ASSERT_GT(form->LineCount(), 0u);
    form->SelectLine(0);
    form->URLs_DblClick();
    EXPECT_EQ(shell.calls.size(), 1u);
    EXPECT_NE(form->PanelText(1).find(L"not run"), std::wstring::npos);
  }
  form->mnuRefresh_Click(0);
  EXPECT_EQ(form->LineCount(), 15u);  // the history file's live records (see the testdata README)
  // The index file chooser proposes this profile's cache, not the signed-in
  // user's, and the signed-in user's again once back.
  const std::wstring proposed = DefaultIndexDatPath(false);
  EXPECT_EQ(proposed.rfind(profile.path() + L"\\", 0), 0u) << proposed;
  EXPECT_NE(proposed.find(L"\\Content.IE5\\index.dat"), std::wstring::npos) << proposed;
  form->mnuLiveProfile_Click();
  EXPECT_NE(DefaultIndexDatPath(false).rfind(profile.path(), 0), 0u);
}

// Unix symbolic links in a profile folder under the prefix's drive, made
// natively through Wine's own calls (Wine makes no junction or link of its
// own): it shows a link to a folder as a folder with the reparse attribute,
// and a link to a file as a plain file that reads what it names.
class UnixLinks {
 public:
  UnixLinks() {
    if (HMODULE kernel = GetModuleHandleW(L"kernel32")) {
      unixName_ = reinterpret_cast<UnixName>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
    }
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll")) {
      spawn_ = reinterpret_cast<Spawn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "__wine_unix_spawnvp")));
    }
  }
  // The links go before the folders that hold them, so that nothing
  // removes a tree through one.
  ~UnixLinks() {
    for (const std::string& link : made_) Run({"/bin/rm", "-f", link});
  }
  bool Available() const { return unixName_ && spawn_; }
  std::string UnixPath(const std::wstring& path) const {
    char* name = unixName_(path.c_str());
    if (!name) return {};
    std::string unix(name);
    HeapFree(GetProcessHeap(), 0, name);
    return unix;
  }
  // A link at `link` to `target`: a Windows path (its Unix name), or a
  // relative Unix path as it is.
  bool Make(const std::wstring& target, const std::wstring& link) {
    const std::string to = target.find(L':') != std::wstring::npos ? UnixPath(target) : Utf8(target);
    const std::string at = UnixPath(link);
    if (to.empty() || at.empty() || !Run({"/bin/ln", "-s", to, at})) return false;
    made_.push_back(at);
    return true;
  }

 private:
  using UnixName = char*(WINAPI*)(const wchar_t*);
  using Spawn = LONG(WINAPI*)(char* const*, int);
  static std::string Utf8(const std::wstring& s) { return std::string(s.begin(), s.end()); }
  bool Run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return spawn_(argv.data(), 1) == 0;
  }
  UnixName unixName_ = nullptr;
  Spawn spawn_ = nullptr;
  std::vector<std::string> made_;
};

std::vector<uint8_t> TextData(const std::wstring& text) {
  std::vector<uint8_t> bytes;
  for (wchar_t c : text + L'\0') bytes.insert(bytes.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
  return bytes;
}

// A hive whose profile folder was C:\Users\linkuser, with its Recent and
// Cookies folders where Windows puts them.
std::string LinkUserHive() {
  constexpr uint64_t kTime = 132223104000000000ull;
  HiveWriter w;
  const std::wstring root = L"C:\\Users\\linkuser\\AppData\\Roaming\\Microsoft\\Windows\\";
  const uint32_t shell = w.Key(u"Shell Folders", kTime,
                               {w.Value(u"Recent", 1, TextData(root + L"Recent")),
                                w.Value(u"Cookies", 1, TextData(root + L"Cookies"))});
  uint32_t key = shell;
  for (const char16_t* name : {u"Explorer", u"CurrentVersion", u"Windows", u"Microsoft", u"Software"}) {
    key = w.Key(name, kTime, {}, w.List("lh", {key}), 1);
  }
  const uint32_t environment = w.Key(u"Volatile Environment", kTime,
                                     {w.Value(u"USERPROFILE", 1, TextData(L"C:\\Users\\linkuser"))});
  const std::vector<uint8_t> file = w.File(w.Key(u"ROOT", kTime, {}, w.List("lh", {key, environment}), 2));
  return std::string(file.begin(), file.end());
}

void SetWritten(const std::wstring& path, uint64_t time) {
  HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const FILETIME ft{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
  SetFileTime(file, &ft, &ft, &ft);
  CloseHandle(file);
}

// A profile whose links lead out of it (a folder link to the prefix's own
// C:\users, a file link and a Cookies folder that is a link to a folder
// elsewhere) shows nothing of where they lead: no line, no time, no event;
// links that stay in the profile are read as what they name.
TEST(OfflineProfile, LinksThatLeadOutShowNothingOfWhereTheyLead) {
  constexpr uint64_t kOutside = 126227808000000000ull;  // 2001-01-01, the times of what lies outside
  constexpr uint64_t kInside = 132223104000000000ull;   // 2020-01-01
  test::ScratchFolder outside(L"links-outside"), profile(L"links-profile");
  UnixLinks links;  // removed before the folders
  if (!links.Available()) GTEST_SKIP() << "Unix links are made through Wine's own calls";
  const std::wstring secret = outside.Make(L"secret.txt", "not the profile's");
  outside.MakeFolder(L"cookies");
  outside.MakeFolder(L"cookies\\Low");  // where the view looks since Vista
  const std::wstring cookie = outside.Make(L"cookies\\Low\\linkuser@evil[1].txt", "evil\n1\nexample.org/\n");
  for (const std::wstring& f : {secret, cookie}) SetWritten(f, kOutside);

  profile.Make(L"NTUSER.DAT", LinkUserHive());
  for (const wchar_t* folder : {L"AppData", L"AppData\\Local", L"AppData\\Roaming", L"AppData\\Roaming\\Microsoft",
                                L"AppData\\Roaming\\Microsoft\\Windows", L"AppData\\Roaming\\Microsoft\\Windows\\Recent"}) {
    profile.MakeFolder(folder);
  }
  const std::wstring windows = profile.path() + L"\\AppData\\Roaming\\Microsoft\\Windows\\";
  const std::wstring recent = windows + L"Recent\\";
  const std::wstring plan = profile.Make(L"AppData\\Roaming\\Microsoft\\Windows\\Recent\\plan.docx.lnk", "L");
  SetWritten(plan, kInside);
  ASSERT_TRUE(links.Make(L"C:\\users", recent + L"users"));
  ASSERT_TRUE(links.Make(secret, recent + L"secret.lnk"));
  ASSERT_TRUE(links.Make(L"plan.docx.lnk", recent + L"again.lnk"));
  ASSERT_TRUE(links.Make(L"Recent", windows + L"Recent again"));
  ASSERT_TRUE(links.Make(outside.path() + L"\\cookies", windows + L"Cookies"));
  ASSERT_NE(GetFileAttributesW((windows + L"Cookies").c_str()), INVALID_FILE_ATTRIBUTES);  // Wine follows it

  // The folder source itself.
  std::unique_ptr<FolderSource> folders = OpenProfileFolders(std::u16string(AsU16(profile.path())));
  const struct {
    const wchar_t* path;  // below the profile
    SourceStatus read;
    bool listed;  // List of the path as a folder
  } cases[] = {
      {L"\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\plan.docx.lnk", SourceStatus::kOk, false},
      {L"\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\again.lnk", SourceStatus::kOk, false},
      {L"\\AppData\\Roaming\\Microsoft\\Windows\\Recent again\\plan.docx.lnk", SourceStatus::kOk, false},
      {L"\\AppData\\Roaming\\Microsoft\\Windows\\Recent again", SourceStatus::kDenied, true},
      {L"\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\secret.lnk", SourceStatus::kMissing, false},
      {L"\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\users", SourceStatus::kMissing, false},
      {L"\\AppData\\Roaming\\Microsoft\\Windows\\Cookies", SourceStatus::kMissing, false},
      {L"\\AppData\\Roaming\\Microsoft\\Windows\\Cookies\\Low\\linkuser@evil[1].txt", SourceStatus::kMissing, false},
      {L"\\...\\glimmerlog-links-outside\\secret.txt", SourceStatus::kMissing, false},
      {L"\\NTUSER.DAT:stream", SourceStatus::kMissing, false},
  };
  for (const auto& c : cases) {
    const std::u16string path(AsU16(profile.path() + c.path));
    std::vector<uint8_t> bytes;
    EXPECT_EQ(folders->ReadFile(path, bytes, 1 << 20), c.read) << testing::PrintToString(std::wstring(c.path));
    SourceStatus status = SourceStatus::kOk;
    EXPECT_EQ(folders->List(path + u"\\", &status) != nullptr, c.listed) << testing::PrintToString(std::wstring(c.path));
    if (c.read == SourceStatus::kMissing) {
      EXPECT_EQ(folders->Attributes(path), FolderSource::kNoAttributes) << testing::PrintToString(std::wstring(c.path));
    }
  }
  std::vector<uint8_t> bytes;
  EXPECT_EQ(folders->ReadFile(std::u16string(AsU16(secret)), bytes, 1 << 20), SourceStatus::kMissing);
  SourceStatus status = SourceStatus::kDamaged;
  auto listing = folders->List(AsU16(recent), &status);
  ASSERT_TRUE(listing);
  std::map<std::wstring, FolderEntry> entries;
  for (FolderEntry e; listing->Next(e);) entries[AsWide(e.name)] = e;
  EXPECT_EQ(entries[L"secret.lnk"].attributes, static_cast<uint32_t>(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(entries[L"secret.lnk"].modified, 0u);
  EXPECT_EQ(entries[L"secret.lnk"].size, 0u);
  EXPECT_EQ(entries[L"users"].modified, 0u);
  EXPECT_EQ(entries[L"again.lnk"].modified, kInside);
  EXPECT_EQ(entries[L"plan.docx.lnk"].modified, kInside);

  // The window on that profile.
  auto form = test::MakeViewer();
  ASSERT_TRUE(form->OpenProfile(profile.path()));
  auto within = [&](const std::wstring& line) { return line.rfind(profile.path() + L"\\", 0) == 0; };
  form->mnuRecDoc_Click();
  Rows lines = test::Lines(*form);
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (Rows{recent + L"again.lnk", recent + L"plan.docx.lnk", recent + L"secret.lnk", recent + L"users"}));
  form->mnuCookie_Click();
  EXPECT_EQ(test::Lines(*form), Rows{});
  form->RunView(L"timeline");
  size_t recentEvents = 0;
  for (size_t i = 0; i < form->LineCount(); ++i) {
    const std::wstring what = form->RowCellText(i, 2), detail = form->RowCellText(i, 3);
    EXPECT_NE(form->RowCellText(i, 0), FileTimeText(kOutside)) << what;
    EXPECT_EQ(what.find(L"evil"), std::wstring::npos);
    if (form->RowCellText(i, 1) == L"Shortcut in Recent") {
      EXPECT_TRUE(within(detail)) << detail;
      ++recentEvents;
    }
  }
  EXPECT_EQ(recentEvents, 2u);  // plan.docx.lnk and the link to it
  form->mnuLiveProfile_Click();
}

TEST(OfflineProfile, WhatCannotBeOpenedIsSaidAndTheLiveProfileStays) {
  test::ScratchFolder folder(L"not-a-profile");
  const std::wstring junk = folder.Make(L"NTUSER.DAT", std::string(8192, 'j'));
  auto form = test::MakeViewer();
  EXPECT_FALSE(form->OpenProfile(junk));
  EXPECT_NE(form->PanelText(1).find(L"Cannot open the profile"), std::wstring::npos);
  EXPECT_FALSE(form->OpenProfile(folder.path() + L"\\nothing here"));
  EXPECT_TRUE(form->OpenedProfile().empty());

  // A hive cut short shows what it holds; the Sources view says it is cut,
  // and which Windows version was taken and why.
  const std::wstring data = test::TestDataDir();
  if (data.empty()) return;
  std::ifstream in((data + L"\\hives\\win7_plaso_NTUSER-WIN7.DAT").c_str(), std::ios::binary);
  std::string bytes(400 * 1024, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  test::ScratchFolder cut(L"cut-profile");
  const std::wstring hive = cut.Make(L"NTUSER.DAT", bytes);
  ASSERT_TRUE(form->OpenProfile(hive));
  form->RunView(L"sources");
  ASSERT_GT(form->ShownLineCount(), 0u);
  EXPECT_EQ(form->CellText(0, 0), L"Registry hive");
  const std::wstring status = form->CellText(0, 2);
  EXPECT_NE(status.find(L"shorter than its header says"), std::wstring::npos) << status;
  EXPECT_NE(status.find(L"taken as Windows "), std::wstring::npos) << status;
  form->mnuLiveProfile_Click();
}

// A Windows volume: the user chosen among several is shown as a profile is,
// the views read that user's hive, and what is no volume or no user is said.
std::vector<std::wstring> g_offered;
int ChooseSecond(HWND, const std::vector<std::wstring>& users) {
  g_offered = users;
  return 1;
}
int Cancel(HWND, const std::vector<std::wstring>&) { return -1; }

TEST(OfflineVolume, TheChosenUserIsShownAndMachineWideViewsReadTheVolume) {
  const std::wstring data = test::TestDataDir();
  if (data.empty()) GTEST_SKIP() << "the shared testdata folder is not beside the project";
  test::ScratchFolder volume(L"volume");
  volume.MakeFolder(L"Windows");
  volume.MakeFolder(L"Users");
  for (const wchar_t* user : {L"alice", L"bob", L"Public"}) {
    volume.MakeFolder(std::wstring(L"Users\\") + user);
    ASSERT_TRUE(CopyFileW((data + L"\\hives\\win7_plaso_NTUSER-WIN7.DAT").c_str(),
                          (volume.path() + L"\\Users\\" + user + L"\\NTUSER.DAT").c_str(), FALSE));
  }
  auto form = test::MakeViewer();
  frmViewer::SetVolumeChoosers(nullptr, &Cancel);
  EXPECT_FALSE(form->OpenVolume(volume.path(), L""));  // cancelled: nothing changes
  EXPECT_TRUE(form->OpenedProfile().empty());
  frmViewer::SetVolumeChoosers(nullptr, &ChooseSecond);
  ASSERT_TRUE(form->OpenVolume(volume.path() + L"\\", L""));
  EXPECT_EQ(g_offered, (std::vector<std::wstring>{L"alice", L"bob"}));  // Public is no user
  EXPECT_EQ(form->OpenedProfile(), volume.path() + L"\\Users\\bob");
  form->mnurun_Click();
  EXPECT_GT(form->LineCount(), 0u);
  // The Sources view lists the volume's SYSTEM hive as missing.
  form->RunView(L"sources");
  bool system = false;
  for (size_t i = 0; i < form->LineCount(); ++i) {
    system = system || form->RowCellText(i, 1) == volume.path() + L"\\Windows\\System32\\config\\SYSTEM";
  }
  EXPECT_TRUE(system);
  form->mnuLiveProfile_Click();

  EXPECT_FALSE(form->OpenVolume(volume.path() + L"\\Users", L""));
  EXPECT_NE(form->PanelText(1).find(L"holds no Windows folder"), std::wstring::npos);
  EXPECT_FALSE(form->OpenVolume(volume.path(), L"carol"));
  EXPECT_NE(form->PanelText(1).find(L"has no user carol"), std::wstring::npos);
  frmViewer::SetVolumeChoosers(nullptr, nullptr);
}

}  // namespace
}  // namespace glimmerlog
