// The Cookies and recent documents views over real folders in the prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "app/mainpro.h"
#include "tests/win32/win32_test_util.h"

namespace glimmerlog {
namespace {

using Lines = std::vector<std::wstring>;

Lines Sorted(Lines l) {
  std::sort(l.begin(), l.end());
  return l;
}

class FolderViews : public ::testing::Test {
 protected:
  void SetUp() override {
    form = test::MakeViewer();
    ASSERT_TRUE(form);
    form->SetPanel(1, L"the hint before");
  }
  void TearDown() override { OsName = savedOs; }
  std::unique_ptr<frmViewer> form;
  std::string savedOs = OsName;
};

TEST_F(FolderViews, CookiesListsTheFilesOfTheCookieFolder) {
  test::ScratchFolder folder(L"cookies");
  test::ShellFolderOverride value(L"Cookies", folder.path());
  OsName = "xp";
  folder.Make(L"site[1].txt");
  folder.Make(L"Index.dat");  // only the exact lower-case name is left out
  folder.Make(L"u@\u4e2d\u6587[2].txt");
  const std::wstring hidden = folder.Make(L"hidden.txt");
  SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  folder.MakeFolder(L"plain");
  const std::wstring hiddenFolder = folder.MakeFolder(L"hiddenfolder");
  SetFileAttributesW(hiddenFolder.c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
  form->mnuCookie_Click();
  const std::wstring base = folder.path() + L"\\";
  EXPECT_EQ(Sorted(test::Lines(*form)), Sorted({base + L"site[1].txt", base + L"Index.dat",
                                                base + L"u@\u4e2d\u6587[2].txt", base + L"hidden.txt"}));
  EXPECT_EQ(test::ColumnCaptions(*form), (Lines{L"Cookies"}));
  EXPECT_EQ(form->PanelText(1), L"the hint before");
  EXPECT_EQ(form->PanelText(2), L"Total Records: 4");
  EXPECT_EQ(form->ViewMode, L"cookies");
  const Lines first = test::Lines(*form);
  form->mnuCookie_Click();
  EXPECT_EQ(test::Lines(*form), first);

  // The file system keeps one of two names that differ in case only.
  DeleteFileW((base + L"Index.dat").c_str());
  folder.Make(L"index.dat");
  form->mnuCookie_Click();
  EXPECT_EQ(form->LineCount(), 3u);

  test::RecordingShell shell;
  form->SelectLine(0);
  form->URLs_DblClick();
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].file, test::Lines(*form)[0]);
}

TEST_F(FolderViews, CookiesOnVistaListTheLowFolder) {
  test::ScratchFolder folder(L"cookies-vista");
  test::ShellFolderOverride value(L"Cookies", folder.path());
  folder.Make(L"outer.txt");
  folder.MakeFolder(L"Low");
  folder.Make(L"Low\\inner.txt");
  OsName = "Vista";
  form->mnuCookie_Click();
  EXPECT_EQ(test::Lines(*form), (Lines{folder.path() + L"\\\\Low\\inner.txt"}));
  OsName = "xp";
  form->mnuCookie_Click();
  EXPECT_EQ(test::Lines(*form), (Lines{folder.path() + L"\\outer.txt"}));  // "Low" itself is a plain folder
}

TEST_F(FolderViews, ValuesEndingInABackslashAndSpaces) {
  test::ScratchFolder folder(L"cookies-slash");
  folder.Make(L"a.txt");
  {
    test::ShellFolderOverride value(L"Cookies", L"  " + folder.path() + L"\\  ");
    OsName = "xp";
    form->mnuCookie_Click();
    EXPECT_EQ(test::Lines(*form), (Lines{folder.path() + L"\\\\a.txt"}));
  }
  test::ShellFolderOverride recent(L"Recent", folder.path() + L"\\");
  form->mnuRecDoc_Click();
  EXPECT_EQ(test::Lines(*form), (Lines{folder.path() + L"\\\\a.txt"}));
}

TEST_F(FolderViews, MissingEmptyAndUnreadableFolders) {
  test::ScratchFolder folder(L"cookies-empty");
  {
    test::ShellFolderOverride value(L"Cookies", folder.path());
    form->mnuCookie_Click();
    EXPECT_TRUE(test::Lines(*form).empty());
    EXPECT_EQ(form->PanelText(2), L"Total Records: 0");
  }
  {
    test::ShellFolderOverride value(L"Cookies", folder.path() + L"\\missing");
    form->mnuCookie_Click();
    EXPECT_EQ(form->PanelText(2), L"Total Records: 0");
    EXPECT_EQ(form->PanelText(1), L"the hint before");
  }
  for (const wchar_t* name : {L"Cookies", L"Recent"}) {
    test::ShellFolderOverride value(name, L"x");
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                  KEY_ALL_ACCESS, &key);
    RegDeleteValueW(key, name);
    RegCloseKey(key);
    form->mnuCookie_Click();
    form->mnuRecDoc_Click();
    EXPECT_TRUE(test::Lines(*form).empty());
    EXPECT_EQ(form->PanelText(2), L"Total Records: 0");
  }
}

TEST_F(FolderViews, RecentDocumentsListsEveryEntryButPlainFolders) {
  test::ScratchFolder folder(L"recent");
  test::ShellFolderOverride value(L"Recent", folder.path());
  folder.Make(L"report.doc.lnk");
  folder.Make(L"INDEX.DAT");
  const std::wstring sys = folder.Make(L"desktop.ini");
  SetFileAttributesW(sys.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  folder.MakeFolder(L"sub");
  const std::wstring archived = folder.MakeFolder(L"archived");
  SetFileAttributesW(archived.c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE);
  const bool archiveStored =
      GetFileAttributesW(archived.c_str()) == (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE);
  form->mnuRecDoc_Click();
  const std::wstring base = folder.path() + L"\\";
  Lines expected{base + L"report.doc.lnk", base + L"INDEX.DAT", base + L"desktop.ini"};
  // A folder carrying the archive bit (48) is listed like a file, where the
  // file system can keep that bit on a folder.
  if (archiveStored) expected.push_back(base + L"archived");
  EXPECT_EQ(Sorted(test::Lines(*form)), Sorted(expected));
  EXPECT_EQ(form->ViewMode, L"recdoc");
  EXPECT_EQ(test::ColumnCaptions(*form), (Lines{L"Recent Documents"}));
  EXPECT_EQ(form->PanelText(1), L"the hint before");
  if (!archiveStored) std::printf("note: this file system keeps no archive bit on folders\n");

  DeleteFileW((base + L"INDEX.DAT").c_str());
  folder.Make(L"index.dat");
  form->mnuRecDoc_Click();
  EXPECT_EQ(form->LineCount(), expected.size() - 1);
}

// Another command arriving during one of the listing's turns.
class FolderReentry : public FolderViews {
 protected:
  void Fill(test::ScratchFolder& folder, int files) {
    for (int i = 0; i < files; ++i) folder.Make(L"f" + std::to_wstring(i) + L".txt");
  }
};

TEST_F(FolderReentry, AnotherViewTakesTheListOver) {
  test::ScratchFolder folder(L"reentry-other");
  Fill(folder, 50);
  test::ShellFolderOverride value(L"Recent", folder.path());
  test::ScratchKey run(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU");
  run.SetString(L"a", L"notepad\\1");
  PostMessageW(form->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_CMDRUN, BN_CLICKED), 0);
  form->mnuRecDoc_Click();
  EXPECT_EQ(form->ViewMode, L"run");
  EXPECT_EQ(test::Lines(*form), (Lines{L"notepad"}));
  EXPECT_EQ(form->PanelText(2), L"Total Records: 1");
}

TEST_F(FolderReentry, TheSameViewAgain) {
  test::ScratchFolder folder(L"reentry-same");
  Fill(folder, 50);
  test::ShellFolderOverride value(L"Cookies", folder.path());
  OsName = "xp";
  PostMessageW(form->hwnd(), WM_COMMAND, MAKEWPARAM(IDM_COOKIE, 0), 0);
  form->mnuCookie_Click();
  MSG left;
  EXPECT_FALSE(PeekMessageW(&left, form->hwnd(), WM_COMMAND, WM_COMMAND, PM_NOREMOVE));  // it ran inside
  EXPECT_EQ(form->LineCount(), 50u);
  EXPECT_EQ(form->PanelText(2), L"Total Records: 50");
}

TEST_F(FolderReentry, TheWindowClosed) {
  test::ScratchFolder folder(L"reentry-close");
  Fill(folder, 50);
  test::ShellFolderOverride value(L"Recent", folder.path());
  PostMessageW(form->hwnd(), WM_CLOSE, 0, 0);
  form->mnuRecDoc_Click();
  EXPECT_FALSE(form->Alive());
  EXPECT_LT(form->LineCount(), 50u);
}

}  // namespace
}  // namespace glimmerlog
