// The index.dat chooser and the scan view in the real window, driven from a
// hook that runs when the chooser is up.
#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <functional>

#include "app/mainpro.h"
#include "tests/win32/alloc_failure.h"
#include "tests/win32/win32_test_util.h"
#include "views/browser/frmindexfile_win.h"

namespace glimmerlog {
namespace {

using Lines = std::vector<std::wstring>;

std::function<void(frmindexfile&)> g_onShown;
int g_shownCount = 0;
void OnShown(frmindexfile& dialog) {
  ++g_shownCount;
  if (g_onShown) g_onShown(dialog);
}

class IndexView : public ::testing::Test {
 protected:
  void SetUp() override {
    g_shownCount = 0;
    g_onShown = nullptr;
    frmindexfile::SetShownHook(&OnShown);
    form = test::MakeViewer();
    ASSERT_TRUE(form);
  }
  void TearDown() override {
    frmindexfile::SetShownHook(nullptr);
    frmindexfile::SetOpenFileDialog(nullptr);
    OsName = savedOs;
  }
  // Runs the view with the chooser answering `path` and OK; then posts
  // `command` to the main window so that it arrives during the scan.
  void Scan(const std::wstring& path, UINT message = 0, WPARAM wParam = 0) {
    g_onShown = [this, path, message, wParam](frmindexfile& dialog) {
      dialog.SetText1(path);
      dialog.Command1_Click();
      if (message) PostMessageW(form->hwnd(), message, wParam, 0);
    };
    form->cmdIndex_Click();
  }
  std::unique_ptr<frmViewer> form;
  std::string savedOs = OsName;
};

std::string Record(const std::string& url, bool at96) {
  std::string r(at96 ? 96 : 104, 'x');
  r.replace(0, 4, "URL ");
  return r + url + std::string(1, '\0') + std::string(40, 'y');
}

TEST_F(IndexView, ListsEveryUrlRecordOfTheFile) {
  test::ScratchFolder folder(L"index-basic");
  const std::string content = Record("http://a.example/", true) + Record("file:///c:/x.htm", false) +
                              Record("Http://case.example/", true) + "url lower" + Record("", false) + "tail";
  const std::wstring path = folder.Make(L"index.dat", content);
  form->SetPanel(1, L"previous");
  Scan(path);
  EXPECT_EQ(test::ColumnCaptions(*form), (Lines{L"URLs In Index.dat File"}));
  // "Http" at +96 is not "http": that record is listed from +104.
  ASSERT_EQ(form->LineCount(), 4u);
  EXPECT_EQ(test::Lines(*form)[0], L"http://a.example/");
  EXPECT_EQ(test::Lines(*form)[1], L"file:///c:/x.htm");
  EXPECT_EQ(test::Lines(*form)[2], L"ase.example/");
  EXPECT_EQ(test::Lines(*form)[3], L"");
  EXPECT_EQ(form->PanelText(1), path);
  EXPECT_EQ(form->PanelText(2), L"Total Records: 4");
  EXPECT_EQ(form->ViewMode, L"index.dat");
  EXPECT_FALSE(form->ProgressVisible());
  EXPECT_FALSE(form->CancelVisible());
}

TEST_F(IndexView, AFilterSetBeforeTheScanNarrowsItsLinesAsTheyCome) {
  test::ScratchFolder folder(L"index-filter");
  std::string content;
  for (int i = 0; i < 3000; ++i) content += Record("http://" + std::string(i % 3 ? "b" : "a") + ".example/", true);
  form->mnuFilter_Click();
  form->SetFilterText(L"A.EXAMPLE");
  Scan(folder.Make(L"index.dat", content));
  EXPECT_EQ(form->LineCount(), 3000u);
  EXPECT_EQ(form->ShownLineCount(), 1000u);
  EXPECT_EQ(test::Lines(*form)[999], L"http://a.example/");
  EXPECT_EQ(form->PanelText(2), L"Total Records: 3000");
  EXPECT_EQ(form->FilterCountText(), L"1000 of 3000 lines");
}

TEST_F(IndexView, F5ScansTheSameFileAgainWithoutAsking) {
  test::ScratchFolder folder(L"index-f5");
  const std::wstring path = folder.Make(L"index.dat", Record("http://a.example/", true));
  Scan(path);
  EXPECT_EQ(g_shownCount, 1);
  folder.Make(L"index.dat", Record("http://a.example/", true) + Record("http://b.example/", true));
  MSG f5{form->hwnd(), WM_KEYDOWN, VK_F5, 0, 0, {}};
  EXPECT_TRUE(frmViewer::PreTranslate(f5));
  EXPECT_EQ(g_shownCount, 1);  // no chooser
  EXPECT_EQ(form->LineCount(), 2u);
  EXPECT_EQ(form->PanelText(1), path);
}

TEST_F(IndexView, RecordBytesAreTextInTheAnsiCodePage) {
  test::ScratchFolder folder(L"index-ansi");
  const std::string url = "http://caf\xe9.example/\xc4rger";
  Scan(folder.Make(L"index.dat", Record(url, true)));
  wchar_t expected[64] = {};
  MultiByteToWideChar(CP_ACP, 0, url.data(), static_cast<int>(url.size()), expected, 64);
  EXPECT_EQ(test::Lines(*form), (Lines{expected}));
}

TEST_F(IndexView, EmptyAndTinyFiles) {
  test::ScratchFolder folder(L"index-tiny");
  Scan(folder.Make(L"empty.dat", ""));
  EXPECT_EQ(form->PanelText(2), L"Total Records: 0");
  for (const char* tiny : {"U", "UR", "URL", "URLxx", "URL123"}) {
    Scan(folder.Make(L"tiny.dat", tiny));
    // Examined at offset 0 only; a record there yields an empty line.
    EXPECT_EQ(form->LineCount(), std::string(tiny).rfind("URL", 0) == 0 ? 1u : 0u) << tiny;
  }
  Scan(folder.Make(L"seven.dat", "xURLabc"));  // 7 bytes: offsets 0 and 1
  EXPECT_EQ(form->LineCount(), 1u);
}

TEST_F(IndexView, RealIndexFiles) {
  const std::wstring data = test::TestDataDir();
  if (data.empty()) GTEST_SKIP() << "the shared testdata folder is not beside the project";
  const struct {
    const wchar_t* file;
    size_t count;
  } files[] = {{L"plaso-History.IE5-index.dat", 17},
               {L"plaso-Content.IE5-index.dat", 21},
               {L"plaso-nfury-Content.IE5-index.dat", 992},
               {L"grr-History.IE5-index.dat", 18}};
  for (const auto& f : files) {
    Scan(data + L"\\indexdat\\" + f.file);
    EXPECT_EQ(form->LineCount(), f.count);
    EXPECT_EQ(form->PanelText(2), L"Total Records: " + std::to_wstring(f.count));
  }
  Scan(data + L"\\indexdat\\plaso-Content.IE5-index.dat");
  const Lines lines = test::Lines(*form);
  EXPECT_NE(std::find(lines.begin(), lines.end(), L"http://www.bing.com/favicon.ico"), lines.end());
}

TEST_F(IndexView, CancellingTheChooserLeavesAnEmptyList) {
  form->SetPanel(2, L"Total Records: 3");
  g_onShown = [](frmindexfile& dialog) { dialog.Command2_Click(); };
  form->cmdIndex_Click();
  EXPECT_EQ(form->LineCount(), 0u);
  EXPECT_EQ(test::ColumnCaptions(*form), (Lines{L"URLs In Index.dat File"}));
  EXPECT_EQ(form->PanelText(2), L"");
  EXPECT_FALSE(form->CancelVisible());
  EXPECT_FALSE(form->ProgressVisible());
  EXPECT_EQ(IndexDatPath, L"");

  g_onShown = [](frmindexfile& dialog) {
    dialog.SetText1(L"   ");
    dialog.Command1_Click();
  };
  form->cmdIndex_Click();
  EXPECT_EQ(form->PanelText(2), L"");
  EXPECT_EQ(IndexDatPath, L"   ");  // stored as typed; only the scan ignores the spaces
}

// A file with a record every 512 bytes, large enough that the scan needs
// many slices.
std::wstring MakeLargeFile(test::ScratchFolder& folder, size_t megabytes) {
  std::string block(512, 'z');
  block.replace(0, 4, "URL ");
  block.replace(96, 20, std::string("http://big.example/") + '\0');
  std::string content;
  content.reserve(megabytes << 20);
  while (content.size() < (megabytes << 20)) content += block;
  return folder.Make(L"large.dat", content);
}

TEST_F(IndexView, CancelDuringTheScanKeepsTheLinesFoundSoFar) {
  test::ScratchFolder folder(L"index-cancel");
  const std::wstring path = MakeLargeFile(folder, 64);
  Scan(path, WM_COMMAND, MAKEWPARAM(IDC_COMMAND1, BN_CLICKED));
  EXPECT_EQ(CancelRequested, kTrue);
  EXPECT_GT(form->LineCount(), 0u);
  EXPECT_LT(form->LineCount(), (64u << 20) / 512);
  EXPECT_EQ(form->PanelText(2), L"Total Records: " + std::to_wstring(form->LineCount()));
  EXPECT_FALSE(form->ProgressVisible());
  EXPECT_FALSE(form->CancelVisible());
  // Escape does the same while the scan runs.
  Scan(path, WM_KEYDOWN, VK_ESCAPE);
  EXPECT_LT(form->LineCount(), (64u << 20) / 512);
}

// When memory runs out (here: 8 MiB more than the test holds, where the file
// needs about 30), the scan ends as a Cancel does, with every line it kept,
// and says why in panel 1.
TEST_F(IndexView, RunningOutOfMemoryEndsTheScanLikeACancel) {
  test::ScratchFolder folder(L"index-oom");
  std::string content;
  for (int i = 0; i < 200000; ++i) content += "URL";
  const std::wstring urls = folder.Make(L"urls.dat", content);
  {
    auto failure = test::AllocationFailure::Budget(8u << 20);
    Scan(urls);
  }
  const size_t kept = form->LineCount();
  EXPECT_GT(kept, 0u);
  EXPECT_LT(kept, 190000u);
  EXPECT_EQ(form->PanelText(2), L"Total Records: " + std::to_wstring(kept));
  EXPECT_EQ(form->PanelText(1).rfind(urls, 0), 0u);
  EXPECT_NE(form->PanelText(1).find(L"not enough memory"), std::wstring::npos);
  EXPECT_FALSE(form->ProgressVisible());
  EXPECT_FALSE(form->CancelVisible());
  // The next scan, with memory to spare, is whole.
  Scan(urls);
  EXPECT_GT(form->LineCount(), 190000u);
  EXPECT_EQ(form->PanelText(1), urls);
}

// What the window showed at the first turn of the event loop after OK.
struct FirstTurn {
  bool seen = false, bar = false, cancel = false;
  std::wstring panel2;
  size_t lines = 0;
};
FirstTurn g_firstTurn;
frmViewer* g_watched = nullptr;
LRESULT CALLBACK WatchProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_APP && !g_firstTurn.seen) {
    g_firstTurn = {true, g_watched->ProgressVisible(), g_watched->CancelVisible(), g_watched->PanelText(2),
                   g_watched->LineCount()};
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The bar, Cancel and "Analyzing..." are up, and the window has had a turn
// to draw them, before the scan reads its first byte.
TEST_F(IndexView, ProgressAndCancelShowBeforeTheFirstRead) {
  test::ScratchFolder folder(L"index-first");
  const std::wstring path = MakeLargeFile(folder, 4);
  WNDCLASSW wc{};
  wc.lpfnWndProc = &WatchProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"GlimmerlogTestWatch";
  RegisterClassW(&wc);
  HWND watch = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  ASSERT_TRUE(watch);
  g_firstTurn = {};
  g_watched = form.get();
  g_onShown = [&](frmindexfile& dialog) {
    dialog.SetText1(path);
    dialog.Command1_Click();
    PostMessageW(watch, WM_APP, 0, 0);
  };
  form->cmdIndex_Click();
  DestroyWindow(watch);
  ASSERT_TRUE(g_firstTurn.seen);
  EXPECT_TRUE(g_firstTurn.bar);
  EXPECT_TRUE(g_firstTurn.cancel);
  EXPECT_EQ(g_firstTurn.panel2, L"Analyzing...");
  EXPECT_EQ(g_firstTurn.lines, 0u);
  EXPECT_GT(form->LineCount(), 0u);
}

TEST_F(IndexView, AnotherViewDuringTheScanTakesTheListOver) {
  test::ScratchFolder folder(L"index-other");
  test::ScratchKey run(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU");
  run.SetString(L"a", L"notepad\\1");
  Scan(MakeLargeFile(folder, 16), WM_COMMAND, MAKEWPARAM(IDC_CMDRUN, BN_CLICKED));
  EXPECT_EQ(form->ViewMode, L"run");
  EXPECT_EQ(test::Lines(*form), (Lines{L"notepad"}));
  EXPECT_EQ(form->PanelText(2), L"Total Records: 1");
  EXPECT_FALSE(form->ProgressVisible());
  EXPECT_FALSE(form->CancelVisible());
}

TEST_F(IndexView, TheSameViewAgainDuringTheScan) {
  test::ScratchFolder folder(L"index-again");
  const std::wstring large = MakeLargeFile(folder, 16);
  const std::wstring small = folder.Make(L"small.dat", Record("http://small.example/", true));
  g_onShown = [&](frmindexfile& dialog) {
    if (g_shownCount == 1) {
      dialog.SetText1(large);
      dialog.Command1_Click();
      PostMessageW(form->hwnd(), WM_COMMAND, MAKEWPARAM(IDM_INDEX, 0), 0);
    } else {
      dialog.SetText1(small);
      dialog.Command1_Click();
    }
  };
  form->cmdIndex_Click();
  EXPECT_EQ(g_shownCount, 2);
  EXPECT_EQ(test::Lines(*form), (Lines{L"http://small.example/"}));
  EXPECT_EQ(form->PanelText(2), L"Total Records: 1");
  EXPECT_EQ(form->PanelText(1), small);
  EXPECT_FALSE(form->ProgressVisible());
}

TEST_F(IndexView, ClosingTheWindowDuringTheScan) {
  test::ScratchFolder folder(L"index-close");
  Scan(MakeLargeFile(folder, 16), WM_CLOSE, 0);
  EXPECT_FALSE(form->Alive());
  form->cmdIndex_Click();  // harmless on a closed window
}

TEST_F(IndexView, PathsThatNameNoReadableFileEndAsAfterAScan) {
  test::ScratchFolder folder(L"index-unreadable");
  const std::wstring locked = folder.Make(L"locked.dat", Record("http://x.example/", true));
  HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  for (const std::wstring& path : {folder.path() + L"\\missing.dat", folder.path(), locked}) {
    Scan(path);
    EXPECT_EQ(form->LineCount(), 0u);
    EXPECT_EQ(form->PanelText(2), L"Total Records: 0");
    EXPECT_EQ(form->PanelText(1), path);
    EXPECT_FALSE(form->ProgressVisible());
    EXPECT_FALSE(form->CancelVisible());
  }
  CloseHandle(holder);

  // A file the browser holds open for writing is read all the same.
  HANDLE writer = CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  Scan(locked);
  EXPECT_EQ(test::Lines(*form), (Lines{L"http://x.example/"}));
  CloseHandle(writer);
}

// ---------------------------------------------------------------------------
// The chooser.

class Chooser : public IndexView {
 protected:
  // Opens the chooser alone and lets `act` work it; returns what it proposed.
  std::wstring Run(std::function<void(frmindexfile&)> act) {
    std::wstring proposed;
    g_onShown = [&](frmindexfile& dialog) {
      proposed = dialog.Text1();
      act(dialog);
    };
    frmindexfile::ShowModal(form->hwnd());
    return proposed;
  }
};

TEST_F(Chooser, ProposesTheDefaultFileOfTheWindowsVersion) {
  test::ShellFolderOverride cache(L"Cache", L"C:\\Cache Here  ");
  OsName = "Vista";
  std::wstring useDefault;
  EXPECT_EQ(Run([&](frmindexfile& d) {
              d.Command4_Click();
              useDefault = d.Text1();
              d.Command1_Click();
            }),
            L"C:\\Cache Here\\Low\\Content.IE5\\index.dat");
  EXPECT_EQ(useDefault, L"C:\\Cache Here\\Content.IE5\\index.dat");
  EXPECT_EQ(IndexDatPath, useDefault);
  OsName = "xp";
  EXPECT_EQ(Run([](frmindexfile& d) { d.Command1_Click(); }), L"C:\\Cache Here\\Content.IE5\\index.dat");
}

TEST_F(Chooser, WithoutACacheFolderNothingIsProposed) {
  test::ShellFolderOverride cache(L"Cache", L"x");
  HKEY key = nullptr;
  RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                KEY_ALL_ACCESS, &key);
  RegDeleteValueW(key, L"Cache");
  RegCloseKey(key);
  EXPECT_EQ(Run([](frmindexfile& d) { d.Command1_Click(); }), L"");
  EXPECT_EQ(IndexDatPath, L"");
}

TEST_F(Chooser, OkKeepsTheTextAsTypedCancelEmptiesIt) {
  Run([](frmindexfile& d) {
    d.SetText1(L"  C:\\typed.dat ");
    d.Command1_Click();
  });
  EXPECT_EQ(IndexDatPath, L"  C:\\typed.dat ");
  Run([](frmindexfile& d) { d.Command2_Click(); });
  EXPECT_EQ(IndexDatPath, L"");
}

OPENFILENAMEW g_request;
std::wstring g_filter, g_initialDir, g_title;
BOOL WINAPI ChooseBrowsed(OPENFILENAMEW* request) {
  g_request = *request;
  const wchar_t* f = request->lpstrFilter;
  g_filter.assign(f, f + 31);
  g_initialDir = request->lpstrInitialDir;
  g_title = request->lpstrTitle;
  lstrcpyW(request->lpstrFile, L"D:\\browsed\\index.dat");
  return TRUE;
}
BOOL WINAPI CancelBrowse(OPENFILENAMEW*) { return FALSE; }

TEST_F(Chooser, BrowseFillsTheTextBoxAndOnlyOkTakesIt) {
  test::ShellFolderOverride cache(L"Cache", L"C:\\Cache");
  OsName = "xp";
  frmindexfile::SetOpenFileDialog(&ChooseBrowsed);
  std::wstring shown;
  Run([&](frmindexfile& d) {
    d.Command3_Click();
    shown = d.Text1();
    d.Command1_Click();
  });
  EXPECT_EQ(shown, L"D:\\browsed\\index.dat");
  EXPECT_EQ(IndexDatPath, L"D:\\browsed\\index.dat");
  EXPECT_EQ(g_request.lStructSize, 76u);
  EXPECT_EQ(g_request.nMaxFile, 256u);
  EXPECT_EQ(g_request.nMaxFileTitle, 256u);
  EXPECT_EQ(g_request.nFilterIndex, 1u);
  EXPECT_EQ(g_request.Flags, 0u);
  EXPECT_EQ(g_filter, std::wstring(L"Index data file (*.dat)\0*.dat\0\0", 31));
  EXPECT_EQ(g_initialDir, L"C:\\");
  EXPECT_EQ(g_title, L"Open Index.dat File");

  // Browsing and then closing the dialog by its close box keeps the default.
  Run([&](frmindexfile& d) {
    d.Command3_Click();
    PostMessageW(d.hwnd(), WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(IndexDatPath, L"C:\\Cache\\Content.IE5\\index.dat");

  frmindexfile::SetOpenFileDialog(&CancelBrowse);
  Run([&](frmindexfile& d) {
    d.Command3_Click();
    shown = d.Text1();
    d.Command1_Click();
  });
  EXPECT_EQ(shown, L"C:\\Cache\\Content.IE5\\index.dat");
}

}  // namespace
}  // namespace glimmerlog
