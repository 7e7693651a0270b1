// The views over Explorer's traces and the activity timeline in the real
// window, over keys imported from real hives and over hostile values the
// test writes itself.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "base/winutil_win.h"
#include "sources/live.h"
#include "tests/support/regexport.h"
#include "tests/win32/win32_test_util.h"
#include "views/explorer/explorerreaders.h"

namespace glimmerlog {
namespace {

using Lines = std::vector<std::wstring>;

const std::wstring kExplorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
const std::wstring kTyped = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";

void ClearExplorerKeys() {
  for (const std::wstring& k :
       {kExplorer + L"RecentDocs", kExplorer + L"ComDlg32", kExplorer + L"WordWheelQuery", kExplorer + L"TypedPaths",
        kExplorer + L"UserAssist", kExplorer + L"RunMRU", kTyped, kTyped + L"Time"}) {
    test::DeleteTree(k);
  }
}

// Each shown line with its cells joined by tabs, leaving out the columns
// named in `skip` (key times: an import sets them to its own time).
Lines ShownRows(const frmViewer& form, size_t columns, const std::vector<size_t>& skip) {
  Lines rows;
  for (size_t i = 0; i < form.ShownLineCount(); ++i) {
    std::wstring row;
    for (size_t c = 0; c < columns; ++c) {
      if (std::find(skip.begin(), skip.end(), c) == skip.end()) row += form.CellText(i, c) + L"\t";
    }
    rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

// The same for a table read from the export, formatted as the list does.
Lines TableRows(const Table& table, const std::vector<size_t>& skip) {
  Lines rows;
  for (size_t r = 0; r < table.RowCount(); ++r) {
    std::wstring row;
    for (size_t c = 0; c < table.columns.size(); ++c) {
      if (std::find(skip.begin(), skip.end(), c) != skip.end()) continue;
      const TableCell cell = table.Cell(r, c);
      if (cell.kind == TableCell::Kind::kText) row += AsWide(cell.text);
      if (cell.kind == TableCell::Kind::kTime) row += FileTimeText(cell.time);
      if (cell.kind == TableCell::Kind::kNumber) {
        wchar_t n[64];
        swprintf(n, 64, L"%.15g", cell.number);
        row += n;
      }
      row += L"\t";
    }
    rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

struct ViewCase {
  const wchar_t* tag;
  void (*read)(RegistrySource&, Table&, Timeline*);
  std::vector<size_t> keyTimeColumns;
};

class ExplorerHive : public ::testing::TestWithParam<const char*> {};

// Each view over the keys of a real hive, imported from its two exports,
// lists what the platform-free reader finds in the export's bytes (which
// the host tests compare with a peer parser), in MRU order.
TEST_P(ExplorerHive, EachViewListsWhatTheExportHolds) {
  const std::wstring data = test::TestDataDir();
  if (data.empty()) GTEST_SKIP() << "the shared testdata folder is not beside the project";
  const std::string name = GetParam();
  RegExport merged, modern;
  ASSERT_TRUE(LoadRegExport(std::string(GL_TESTDATA_DIR) + "/reg/" + name, merged));
  if (LoadRegExport(std::string(GL_TESTDATA_DIR) + "/reg-modern/" + name, modern)) {
    for (auto& [key, values] : modern.keys) merged.keys.emplace(key, values);
  }
  // UserAssist's folders are placed by the prefix's own Shell Folders and
  // drive, which the window reads from its registry: the export gets them.
  for (const std::u16string key : {std::u16string(AsU16(kExplorer)) + u"Shell Folders", std::u16string(u"Volatile Environment")}) {
    std::vector<std::u16string> names;
    LiveRegistry().ValueNames(key, names);
    for (const std::u16string& n : names) {
      RegExportValue v{n, {}};
      if (LiveRegistry().ReadValue(key, n, v.data) == SourceStatus::kOk) merged.keys[key].push_back(v);
    }
  }
  RegExportSource exported(merged);

  ClearExplorerKeys();
  const std::wstring wname(name.begin(), name.end());
  ASSERT_TRUE(test::ImportRegFile(data + L"\\reg\\" + wname));
  test::ImportRegFile(data + L"\\reg-modern\\" + wname);
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  const ViewCase cases[] = {{L"recentfiles", &ReadRecentFiles, {3}},     {L"opensave7", &ReadOpenSaveHistory, {5}},
                            {L"wordwheel", &ReadExplorerSearches, {2}},  {L"typedpaths", &ReadExplorerAddresses, {2}},
                            {L"typedtimes", &ReadTypedAddressTimes, {}}, {L"userassist", [](RegistrySource& r, Table& t, Timeline* tl) { ReadUserAssist(r, t, tl, {u"C:", {}}); }, {}}};
  for (const ViewCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(AsU16(c.tag)));
    Table expected;
    c.read(exported, expected, nullptr);
    form->RunView(c.tag);
    EXPECT_EQ(form->ViewMode, c.tag);
    EXPECT_EQ(ShownRows(*form, expected.columns.size(), c.keyTimeColumns), TableRows(expected, c.keyTimeColumns));
    EXPECT_EQ(form->PanelText(2), L"Total Records: " + std::to_wstring(expected.RowCount()));
  }
  form->RunView(L"userassist");
  if (name == "win7_notatin_ntuser.dat.reg") {
    EXPECT_GT(form->LineCount(), 300u);
  }
  form->RunView(L"timeline");
  EXPECT_GT(form->LineCount(), 0u);
  ClearExplorerKeys();
}

INSTANTIATE_TEST_SUITE_P(Hives, ExplorerHive,
                         ::testing::Values("win7_plaso_NTUSER-WIN7.DAT.reg", "win7_notatin_ntuser.dat.reg",
                                           "win10_regipy_NTUSER_with_winscp.DAT.reg",
                                           "win7_plaso_regf_NTUSER.DAT.reg"));

std::vector<uint8_t> Utf16Z(const std::wstring& text) {
  std::vector<uint8_t> bytes((text.size() + 1) * 2);
  memcpy(bytes.data(), text.c_str(), bytes.size());
  return bytes;
}

uint64_t KeyWriteTime(const std::wstring& path) {
  HKEY key = nullptr;
  FILETIME t{};
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &t);
    RegCloseKey(key);
  }
  return uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime;
}

// Damaged item lists, lists that name entries twice or not at all, and ten
// thousand values: every value is listed once, the damage is named, and the
// key's own time stands at the first entry.
TEST(ExplorerViews, HostileValuesAreListedAndNamed) {
  ClearExplorerKeys();
  {
    test::ScratchKey txt(kExplorer + L"ComDlg32\\OpenSavePidlMRU\\txt");
    const uint8_t truncated[] = {0x14, 0x00, 0x1F, 0x50, 0xE0};  // says 20 bytes, has 5
    const uint8_t pastEnd[] = {0xFF, 0x7F, 0x31, 0x00, 0x00, 0x00};
    const uint8_t zeroLength[] = {0x00, 0x00};
    const uint8_t oneByte[] = {0x01, 0x00, 0x00, 0x00};
    txt.SetBytes(L"0", REG_BINARY, truncated, sizeof truncated);
    txt.SetBytes(L"1", REG_BINARY, pastEnd, sizeof pastEnd);
    txt.SetBytes(L"2", REG_BINARY, zeroLength, sizeof zeroLength);
    txt.SetBytes(L"3", REG_BINARY, oneByte, sizeof oneByte);
    const uint32_t loop[] = {2, 0, 2, 0, 9, 2};  // repeats, an unknown entry, no end mark
    txt.SetBytes(L"MRUListEx", REG_BINARY, loop, sizeof loop);
    auto form = test::MakeViewer();
    form->RunView(L"opensave7");
    EXPECT_EQ(form->LineCount(), 4u);
    EXPECT_EQ(Lines(test::Lines(*form, 2)), (Lines{L"1", L"2", L"3", L"4"}));
    EXPECT_NE(form->PanelText(1).find(L"damaged item list"), std::wstring::npos) << form->PanelText(1).c_str();
  }
  {
    test::ScratchKey words(kExplorer + L"WordWheelQuery");
    std::vector<uint32_t> order;
    for (int i = 0; i < 10000; ++i) {
      words.SetBytes(std::to_wstring(i), REG_BINARY, Utf16Z(L"term " + std::to_wstring(i)).data(),
                     (std::to_wstring(i).size() + 6) * 2);
      order.push_back(static_cast<uint32_t>(9999 - i));
    }
    order.push_back(0xFFFFFFFF);
    words.SetBytes(L"MRUListEx", REG_BINARY, order.data(), order.size() * 4);
    auto form = test::MakeViewer();
    form->RunView(L"wordwheel");
    ASSERT_EQ(form->LineCount(), 10000u);
    EXPECT_EQ(form->RowCellText(0, 0), L"term 9999");
    EXPECT_EQ(form->RowCellText(0, 2), FileTimeText(KeyWriteTime(words.path())));
    EXPECT_EQ(form->RowCellText(1, 2), L"");
    EXPECT_EQ(form->RowCellText(9999, 0), L"term 0");
    EXPECT_EQ(form->PanelText(2), L"Total Records: 10000");
  }
  ClearExplorerKeys();
}

// The timeline merges the sources and puts the newest first; each reader's
// key time is the time of the key the test wrote.
TEST(ExplorerViews, TimelineMergesSourcesNewestFirst) {
  ClearExplorerKeys();
  constexpr uint64_t kDay = 864000000000ull;
  const uint64_t t2020 = 132223104000000000ull;  // 2020-01-01 00:00 UTC
  test::ScratchKey count(kExplorer + L"UserAssist\\{CEBFF5CD-ACE2-4F4F-9178-9926F41749EA}\\Count");
  uint8_t run[72] = {};
  run[4] = 3;
  const uint64_t lastRun = t2020;
  memcpy(run + 60, &lastRun, 8);
  count.SetBytes(L"P:\\Jvaqbjf\\abgrcnq.rkr", REG_BINARY, run, sizeof run);  // C:\Windows\notepad.exe
  test::ScratchKey typed(kTyped);
  typed.SetString(L"url1", L"http://example.org/");
  test::ScratchKey typedTime(kTyped + L"Time");
  const uint64_t typedAt = t2020 + 2 * kDay;
  typedTime.SetBytes(L"url1", REG_BINARY, &typedAt, 8);
  test::ScratchFolder recent(L"timeline-recent");
  const std::wstring shortcut = recent.Make(L"report.docx.lnk");
  {
    HANDLE file = CreateFileW(shortcut.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const uint64_t written = t2020 + kDay;
    FILETIME ft{static_cast<DWORD>(written), static_cast<DWORD>(written >> 32)};
    SetFileTime(file, nullptr, nullptr, &ft);
    CloseHandle(file);
  }
  test::ShellFolderOverride recentFolder(L"Recent", recent.path());

  auto form = test::MakeViewer();
  form->RunView(L"timeline");
  Lines kinds, whats;
  for (size_t i = 0; i < form->LineCount(); ++i) {
    const std::wstring what = form->RowCellText(i, 2);
    if (what == L"http://example.org/" || what == L"report.docx.lnk" || what == L"C:\\Windows\\notepad.exe") {
      kinds.push_back(form->RowCellText(i, 1));
      whats.push_back(what);
    }
  }
  // The shortcut is dated by the Recent folder's listing and by the
  // shortcut view (a file that is no shortcut still has its times).
  EXPECT_EQ(whats,
            (Lines{L"http://example.org/", L"report.docx.lnk", L"report.docx.lnk", L"C:\\Windows\\notepad.exe"}));
  EXPECT_EQ(kinds, (Lines{L"Address typed", L"Shortcut in Recent", L"Opened (shortcut)", L"Program run"}));
  {  // The timeline opens what a line names: here the typed address.
    test::RecordingShell shell;
    for (size_t i = 0; i < form->ShownLineCount(); ++i) {
      if (form->CellText(i, 2) == L"http://example.org/") form->SelectLine(i);
    }
    form->URLs_DblClick();
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].file, L"http://example.org/");
  }
  form->RunView(L"userassist");
  ASSERT_EQ(form->LineCount(), 1u);
  EXPECT_EQ(form->RowCellText(0, 0), L"C:\\Windows\\notepad.exe");
  EXPECT_EQ(form->RowCellText(0, 1), FileTimeText(lastRun));
  EXPECT_EQ(form->RowCellText(0, 2), L"3");
  ClearExplorerKeys();
}

// A UserAssist line under a known folder's GUID names the program by its
// full path on the system shown (here the prefix's own Windows), the Key
// column says what the key holds, Enter and Open Containing Folder show the
// program in its folder, and the Focus Time header is not cut. Values that
// cannot be read name their key once in panel 1, and a click on panel 1
// shows the Sources view.
TEST(ExplorerViews, UserAssistLinesNameFullPathsAndShowTheProgramInItsFolder) {
  ClearExplorerKeys();
  test::ScratchKey count(kExplorer + L"UserAssist\\{CEBFF5CD-ACE2-4F4F-9178-9926F41749EA}\\Count");
  uint8_t run[72] = {};
  run[4] = 2;
  count.SetBytes(L"{1NP14R77-02R7-4R5Q-O744-2RO1NR5198O7}\\pzq.rkr", REG_BINARY, run, sizeof run);  // System32\cmd.exe
  auto form = test::MakeViewer(true);
  form->RunView(L"userassist");
  ASSERT_EQ(form->LineCount(), 1u);
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring cmd = std::wstring(windows, 2) + L"\\Windows\\System32\\cmd.exe";
  EXPECT_EQ(form->CellText(0, 0), cmd);
  EXPECT_EQ(form->CellText(0, 6), L"Executable File Execution {CEBFF5CD-ACE2-4F4F-9178-9926F41749EA}");
  HWND list = form->Control(IDC_URLS);
  const int focusWidth = ListView_GetColumnWidth(list, 4);
  EXPECT_GE(focusWidth, ListView_GetStringWidth(list, L"Focus Time (s)") + 12) << focusWidth;
  {
    test::RecordingShell shell;
    form->SelectLine(0);
    SetFocus(list);
    SendMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
    UniqueMenu menu(form->BuildContextMenu());
    EXPECT_EQ(GetMenuState(menu.get(), IDM_OPENFOLDER, MF_BYCOMMAND) & MF_GRAYED, 0u);
    SendMessageW(form->hwnd(), WM_COMMAND, IDM_OPENFOLDER, 0);
    ASSERT_EQ(shell.calls.size(), 2u);
    for (const auto& call : shell.calls) {
      EXPECT_EQ(call.file, L"explorer.exe");
      EXPECT_EQ(call.parameters, L"/select,\"" + cmd + L"\"");
    }
  }

  // Two damaged values of one key: the key is named once.
  count.SetBytes(L"onq1", REG_BINARY, run, 10);
  count.SetBytes(L"onq2", REG_BINARY, run, 11);
  form->RunView(L"userassist");
  EXPECT_NE(form->PanelText(1).find(
                L"not read: UserAssist\\{CEBFF5CD-ACE2-4F4F-9178-9926F41749EA}: damaged (2 entries)"),
            std::wstring::npos)
      << form->PanelText(1);
  HWND bar = form->Control(IDC_SBAR1);
  RECT part{};
  SendMessageW(bar, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&part));
  const LPARAM at = MAKELPARAM(part.left + 10, (part.top + part.bottom) / 2);
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(bar, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(form->ViewMode, L"sources");
  // Panel 1 of a view that read everything opens nothing.
  RegDeleteValueW(count.get(), L"onq1");
  RegDeleteValueW(count.get(), L"onq2");
  form->RunView(L"userassist");
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(bar, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(form->ViewMode, L"userassist");
  ClearExplorerKeys();
}

// Ctrl and a view's digit shows the view from the list, as its menu entry does.
TEST(ExplorerViews, CtrlDigitShowsTheView) {
  auto form = test::MakeViewer();
  BYTE keys[256] = {}, saved[256] = {};
  GetKeyboardState(saved);
  std::copy(saved, saved + 256, keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  MSG ctrl3{form->Control(IDC_URLS), WM_KEYDOWN, '3', 0, 0, {}};
  MSG ctrl7{form->Control(IDC_URLS), WM_KEYDOWN, '7', 0, 0, {}};
  EXPECT_TRUE(frmViewer::PreTranslate(ctrl3));
  EXPECT_EQ(form->ViewMode, L"wordwheel");
  EXPECT_TRUE(frmViewer::PreTranslate(ctrl7));
  EXPECT_EQ(form->ViewMode, L"timeline");
  SetKeyboardState(saved);
}

}  // namespace
}  // namespace glimmerlog
