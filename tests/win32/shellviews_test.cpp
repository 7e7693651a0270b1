// The registry views in the real window, over keys at the paths they read.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/mainpro.h"
#include "tests/win32/win32_test_util.h"

namespace glimmerlog {
namespace {

using Lines = std::vector<std::wstring>;
const std::wstring kExplorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
const std::wstring kRunMRU = kExplorer + L"RunMRU";
const std::wstring kOpenSave = kExplorer + L"ComDlg32\\OpenSaveMRU";
const std::wstring kTyped = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
const std::wstring kBar =
    L"Software\\Microsoft\\Internet Explorer\\Explorer Bars\\{C4EE31F3-4768-11D2-BE5C-00A0C9A83DA1}\\";
const std::wstring kAcMru = L"Software\\Microsoft\\Search Assistant\\ACMru\\";

class ShellViews : public ::testing::Test {
 protected:
  void SetUp() override {
    form = test::MakeViewer();
    ASSERT_TRUE(form);
  }
  void TearDown() override { OsName = savedOsName; }
  std::unique_ptr<frmViewer> form;
  std::string savedOsName = OsName;
};

TEST_F(ShellViews, RunHistoryListsCommandsWithoutTheirSuffix) {
  test::ScratchKey run(kRunMRU);
  run.SetString(L"a", L"notepad\\1");
  run.SetString(L"b", L"cmd\\1");
  run.SetString(L"MRUList", L"ba");
  form->SetPanel(1, L"previous");
  form->mnurun_Click();
  EXPECT_EQ(test::Lines(*form), (Lines{L"notepad", L"cmd"}));
  EXPECT_EQ(test::ColumnCaptions(*form), (Lines{L"Start Menu Run History"}));
  EXPECT_EQ(form->PanelText(1), L"DoubleCilck the line to run");
  EXPECT_EQ(form->PanelText(2), L"Total Records: 2");
  EXPECT_EQ(form->ViewMode, L"run");
  EXPECT_EQ(test::ShownText(*form, 1, 0), L"cmd");
  form->mnurun_Click();  // rebuilt, not appended to
  EXPECT_EQ(test::Lines(*form), (Lines{L"notepad", L"cmd"}));
}

TEST_F(ShellViews, RunHistoryKeepsLoadingPastALoneBackslash) {
  test::ScratchKey run(kRunMRU);
  run.SetString(L"a", L"x\\");
  run.SetString(L"b", L"\\");
  run.SetString(L"c", L"regedit\\1");
  run.SetString(L"d", L"no backslash");
  const BYTE binary[] = {'a', '\\', '1'};
  run.SetBytes(L"e", REG_BINARY, binary, sizeof(binary));
  run.SetString(L"", L"default\\1");
  form->mnurun_Click();
  EXPECT_EQ(test::Lines(*form), (Lines{L"", L"regedit"}));
  EXPECT_EQ(form->PanelText(2), L"Total Records: 2");
}

TEST_F(ShellViews, RunHistoryWithoutItsKey) {
  test::DeleteTree(kRunMRU);
  form->mnurun_Click();
  EXPECT_TRUE(test::Lines(*form).empty());
  EXPECT_EQ(test::ColumnCaptions(*form), (Lines{L"Start Menu Run History"}));
  EXPECT_EQ(form->PanelText(2), L"Total Records: 0");
}

TEST_F(ShellViews, OpenSaveReadsTheSubkeyNamedAsteriskAndKeepsFullPaths) {
  test::ScratchKey star(kOpenSave + L"\\*");
  star.SetString(L"a", L"C:\\docs\\report.doc");
  star.SetString(L"b", L"notes.txt");
  star.SetString(L"MRUList", L"ba");
  test::ScratchKey txt(kOpenSave + L"\\txt");
  txt.SetString(L"a", L"C:\\other.txt");
  form->mnuOpen_Click();
  EXPECT_EQ(test::Lines(*form), (Lines{L"C:\\docs\\report.doc"}));
  EXPECT_EQ(test::ColumnCaptions(*form), (Lines{L"Open/Save History"}));
  EXPECT_EQ(form->PanelText(1), L"DoubleCilck the line to open the file");
  EXPECT_EQ(form->PanelText(2), L"Total Records: 1");
}

TEST_F(ShellViews, OpenSaveWithoutTheAsteriskSubkey) {
  test::DeleteTree(kOpenSave);
  test::ScratchKey txt(kOpenSave + L"\\txt");
  txt.SetString(L"a", L"C:\\other.txt");
  form->mnuOpen_Click();
  EXPECT_TRUE(test::Lines(*form).empty());
  EXPECT_EQ(form->PanelText(2), L"Total Records: 0");
}

// One key of each set holds something; the lines show which keys were read.
struct SearchKeys {
  SearchKeys()
      : doc(kExplorer + L"Doc Find Spec MRU"),
        computer(kExplorer + L"FindComputerMRU"),
        names(kBar + L"ComputerNameMRU"),
        text(kBar + L"ContainingTextMRU"),
        files(kBar + L"filesNamedMRU"),
        a5603(kAcMru + L"5603"),
        a5604(kAcMru + L"5604"),
        a5647(kAcMru + L"5647") {
    doc.SetString(L"a", L"*.doc");
    computer.SetString(L"a", L"OLDBOX");
    names.SetString(L"a", L"SERVER1");
    text.SetString(L"a", L"budget");
    files.SetString(L"a", L"report*");
    a5603.SetString(L"000", L"*.wab");
    a5647.SetString(L"000", L"kwarren");
    const BYTE binary[] = {1, 2};
    a5604.SetBytes(L"000", REG_BINARY, binary, sizeof(binary));
  }
  test::ScratchKey doc, computer, names, text, files, a5603, a5604, a5647;
};

TEST_F(ShellViews, SearchHistoryReadsTheKeysOfTheWindowsVersion) {
  SearchKeys keys;
  const Lines later{L"SERVER1", L"budget", L"report*", L"*.wab", L"kwarren"};
  for (const char* name : {"xp", "Vista", "2000", "Failed", "", "Windows NT 3.51"}) {
    OsName = name;
    form->mnuSearch_Click();
    EXPECT_EQ(test::Lines(*form), later) << name;
    EXPECT_EQ(form->PanelText(2), L"Total Records: 5");
  }
  for (const char* name : {"95", "98"}) {
    OsName = name;
    form->mnuSearch_Click();
    EXPECT_EQ(test::Lines(*form), (Lines{L"*.doc", L"OLDBOX"})) << name;
  }
  EXPECT_EQ(test::ColumnCaptions(*form), (Lines{L"Start Menu Search History"}));
}

TEST_F(ShellViews, SearchHistoryListsEveryValueWhateverTheViewBefore) {
  SearchKeys keys;
  test::ScratchKey order(kAcMru + L"5603");
  order.SetString(L"000", L"*.wab");
  order.SetString(L"MRUList", L"a");
  OsName = "xp";
  form->mnurun_Click();  // a "run" tag left over would filter
  form->mnuSearch_Click();
  EXPECT_EQ(test::Lines(*form), (Lines{L"SERVER1", L"budget", L"report*", L"*.wab", L"a", L"kwarren"}));
  test::RecordingShell shell;
  form->SelectLine(0);
  form->URLs_DblClick();
  EXPECT_TRUE(shell.calls.empty());  // search terms are nothing to open
}

// Registry text is UTF-16 that need not be well formed: an unpaired
// surrogate shows and is handed to the shell as the very code unit it is.
TEST_F(ShellViews, TextWithAnUnpairedSurrogateReachesTheShellUnchanged) {
  test::ScratchKey typed(kTyped);
  const std::wstring odd = L"http://odd.example/\xD800x\xDFFF";
  typed.SetString(L"url1", odd);
  form->mnuSep_Click();
  ASSERT_EQ(test::Lines(*form), (Lines{odd}));
  test::RecordingShell shell;
  form->SelectLine(0);
  form->URLs_DblClick();
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].file, odd);
}

TEST_F(ShellViews, AddressBarListsEveryNamedValueAsItReads) {
  test::ScratchKey typed(kTyped);
  typed.SetString(L"url1", L"http://one.example/");
  typed.SetString(L"url2", L"https://two.example/path?q=1");
  const BYTE binary[] = {1, 2, 3};
  typed.SetBytes(L"url3", REG_BINARY, binary, sizeof(binary));
  typed.SetString(L"url4", L"");
  typed.SetString(L"", L"http://default.example/");
  form->mnuSep_Click();
  EXPECT_EQ(test::Lines(*form), (Lines{L"http://one.example/", L"https://two.example/path?q=1", L"error440", L""}));
  EXPECT_EQ(test::ColumnCaptions(*form), (Lines{L"URLs"}));
  EXPECT_EQ(form->PanelText(1), L"DoubleCilck the line to link to the URL");
  EXPECT_EQ(form->PanelText(2), L"Total Records: 4");
  EXPECT_EQ(form->ViewMode, L"url");
}

TEST_F(ShellViews, AddressBarWithoutValuesOrKeyWritesAZeroCount) {
  test::DeleteTree(kTyped);
  form->SetPanel(2, L"Total Records: 9");
  form->mnuSep_Click();
  EXPECT_TRUE(test::Lines(*form).empty());
  EXPECT_EQ(form->PanelText(2), L"Total Records: 0");
  test::ScratchKey typed(kTyped);
  form->SetPanel(2, L"Total Records: 9");
  form->mnuSep_Click();
  EXPECT_EQ(form->PanelText(2), L"Total Records: 0");
}

TEST_F(ShellViews, FiveThousandRunEntries) {
  test::ScratchKey run(kRunMRU);
  for (int i = 0; i < 5000; ++i) run.SetString(L"v" + std::to_wstring(i), L"prog" + std::to_wstring(i) + L"\\1");
  form->mnurun_Click();
  EXPECT_EQ(form->PanelText(2), L"Total Records: 5000");
}

}  // namespace
}  // namespace glimmerlog
