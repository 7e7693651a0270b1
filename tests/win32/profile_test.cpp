// Another profile in the window: a profile folder holding a real hive shows
// in every registry view what the same hive's export shows once imported
// into the live registry (compared as sets: the prefix's registry lists
// values in name order; key times left out: an import sets them), and the
// live profile comes back with the program's own caption.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "app/mainpro.h"
#include "base/winutil_win.h"
#include "sources/osversion/OsApi.h"
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
  wchar_t caption[512] = {};
  GetWindowTextW(form->hwnd(), caption, 512);
  EXPECT_NE(std::wstring(caption).find(profile.path()), std::wstring::npos);
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

  // A hive cut short shows what it holds, and the caption says it is cut.
  const std::wstring data = test::TestDataDir();
  if (data.empty()) return;
  std::ifstream in((data + L"\\hives\\win7_plaso_NTUSER-WIN7.DAT").c_str(), std::ios::binary);
  std::string bytes(400 * 1024, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  test::ScratchFolder cut(L"cut-profile");
  const std::wstring hive = cut.Make(L"NTUSER.DAT", bytes);
  ASSERT_TRUE(form->OpenProfile(hive));
  wchar_t caption[1024] = {};
  GetWindowTextW(form->hwnd(), caption, 1024);
  EXPECT_NE(std::wstring(caption).find(L"shorter than its header says"), std::wstring::npos);
  form->mnuLiveProfile_Click();
}

}  // namespace
}  // namespace glimmerlog
