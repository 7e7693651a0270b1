// Working with the list: several lines selected, copied through the real
// clipboard, the clicked cell, the context menu.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/collation.h"
#include "app/properties.h"
#include "app/save.h"
#include "tests/win32/win32_test_util.h"

namespace glimmerlog {
namespace {

void Select(frmViewer& form, std::initializer_list<int> lines, int focused) {
  HWND list = form.Control(IDC_URLS);
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  for (int line : lines) ListView_SetItemState(list, line, LVIS_SELECTED, LVIS_SELECTED);
  if (focused >= 0) ListView_SetItemState(list, focused, LVIS_FOCUSED, LVIS_FOCUSED);
}

class ListOperations : public ::testing::Test {
 protected:
  void SetUp() override {
    form = test::MakeViewer(true);
    ASSERT_TRUE(form);
    form->StartView(L"url", L"First", 1000);
    form->AddColumn(2, L"Second", 1000);
    const wchar_t* cells[][2] = {{L"c1", L"b1"}, {L"a2 \xD800", L"b2"}, {L"b3", L"b3 two"}};
    for (const auto& row : cells) form->SetSubItem(form->AddLine(row[0]), 1, row[1]);
    form->SyncList();
  }
  std::unique_ptr<frmViewer> form;
};

TEST_F(ListOperations, SelectedLinesCopyAsTabSeparatedRowsInTheHeadersOrder) {
  Select(*form, {0, 2}, 2);
  EXPECT_EQ(form->mnuCopy_Click(), L"c1\tb1\r\nb3\tb3 two\r\n");
  EXPECT_EQ(test::ClipboardText(), L"c1\tb1\r\nb3\tb3 two\r\n");
  // Columns dragged into another order copy in that order.
  int order[] = {1, 0};
  ListView_SetColumnOrderArray(form->Control(IDC_URLS), 2, order);
  Select(*form, {1}, 1);
  EXPECT_EQ(form->mnuCopy_Click(), L"b2\ta2 \xD800\r\n");  // the unpaired surrogate as it is
  EXPECT_EQ(test::ClipboardText(), L"b2\ta2 \xD800\r\n");
  Select(*form, {}, -1);
  EXPECT_EQ(form->mnuCopy_Click(), L"");
}

TEST_F(ListOperations, CtrlAAndCtrlCInTheList) {
  BYTE keys[256] = {}, saved[256] = {};
  GetKeyboardState(saved);
  std::copy(saved, saved + 256, keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  MSG ctrlA{form->Control(IDC_URLS), WM_KEYDOWN, 'A', 0, 0, {}};
  MSG ctrlC{form->Control(IDC_URLS), WM_KEYDOWN, 'C', 0, 0, {}};
  EXPECT_TRUE(frmViewer::PreTranslate(ctrlA));
  EXPECT_EQ(form->SelectedLines(), (std::vector<size_t>{0, 1, 2}));
  EXPECT_TRUE(frmViewer::PreTranslate(ctrlC));
  SetKeyboardState(saved);
  EXPECT_EQ(test::ClipboardText(), L"c1\tb1\r\na2 \xD800\tb2\r\nb3\tb3 two\r\n");
}

TEST_F(ListOperations, OpenActsOnTheFocusedLineWhenSelectedElseTheFirstSelected) {
  test::RecordingShell shell;
  Select(*form, {0, 2}, 2);
  form->mnuOpoenIt_Click();
  Select(*form, {1, 2}, 0);
  form->mnuOpoenIt_Click();
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[0].file, L"b3");
  EXPECT_EQ(shell.calls[1].file, L"a2 \xD800");
}

TEST_F(ListOperations, SelectedLinesStayWithTheirRowsAcrossASort) {
  Select(*form, {0, 1}, 1);
  form->URLs_ColumnClick(1);  // a2, b3, c1
  EXPECT_EQ(test::Lines(*form), (std::vector<std::wstring>{L"a2 \xD800", L"b3", L"c1"}));
  EXPECT_EQ(form->SelectedLines(), (std::vector<size_t>{0, 2}));
  EXPECT_EQ(form->ActiveLine(), 0);
}

TEST_F(ListOperations, CopyCellTakesTheCellLastClicked) {
  NMITEMACTIVATE click{};
  click.hdr = {form->Control(IDC_URLS), IDC_URLS, static_cast<UINT>(NM_CLICK)};
  click.iItem = 2;
  click.iSubItem = 1;
  SendMessageW(form->hwnd(), WM_NOTIFY, IDC_URLS, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(form->mnuCopyCell_Click(), L"b3 two");
  EXPECT_EQ(test::ClipboardText(), L"b3 two");
}

TEST_F(ListOperations, TheContextMenuOffersWhatFitsTheSelection) {
  auto entries = [&] {
    HMENU menu = form->BuildContextMenu();
    std::vector<std::pair<UINT, bool>> out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      const UINT id = GetMenuItemID(menu, i);
      if (id) out.emplace_back(id, (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) == 0);
    }
    DestroyMenu(menu);
    return out;
  };
  Select(*form, {1}, 1);
  using E = std::vector<std::pair<UINT, bool>>;
  EXPECT_EQ(entries(), (E{{IDM_OPOENIT, true},
                          {IDM_COPY, true},
                          {IDM_COPYWITHNAMES, true},
                          {IDM_COPYCELL, true},
                          {IDM_SELECTALL, true},
                          {IDM_SAVESELECTED, true},
                          {IDM_OPENFOLDER, false},
                          {IDM_PROPERTIES, true}}));
  Select(*form, {}, -1);
  EXPECT_EQ(entries(), (E{{IDM_OPOENIT, false},
                          {IDM_COPY, false},
                          {IDM_COPYWITHNAMES, false},
                          {IDM_COPYCELL, false},
                          {IDM_SELECTALL, true},
                          {IDM_SAVESELECTED, false},
                          {IDM_OPENFOLDER, false},
                          {IDM_PROPERTIES, false}}));
  // The same entries follow "Open" in the Open menu.
  HMENU open = GetSubMenu(GetMenu(form->hwnd()), 1);
  EXPECT_EQ(GetMenuItemID(open, 0), static_cast<UINT>(IDM_OPOENIT));
  EXPECT_EQ(GetMenuItemID(open, 2), static_cast<UINT>(IDM_COPY));
  EXPECT_EQ(GetMenuItemID(open, 5), static_cast<UINT>(IDM_SELECTALL));
}

// The save dialog answered by the test; failures recorded, not shown.
class AnsweringSave : public SaveSeam {
 public:
  AnsweringSave() { SetSaveSeam(this); }
  ~AnsweringSave() override { SetSaveSeam(nullptr); }
  bool AskPath(HWND, std::wstring& p, ExportFormat& f) override {
    p = path;
    f = format;
    return true;
  }
  void Failed(HWND, const std::wstring& message) override { failures.push_back(message); }
  std::wstring path;
  ExportFormat format = ExportFormat::kCsv;
  std::vector<std::wstring> failures;
};

std::string Contents(const std::wstring& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes(GetFileSize(f, nullptr), '\0');
  DWORD got = 0;
  ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(f);
  return bytes;
}

bool NoPartLeft(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  HANDLE h = FindFirstFileW((folder + L"\\*.part").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return true;
  FindClose(h);
  return false;
}

TEST_F(ListOperations, SaveWritesEachFormatThroughTheDialog) {
  test::ScratchFolder folder(L"save");
  AnsweringSave save;
  const struct {
    ExportFormat format;
    const wchar_t* name;
    const char* begins;
  } cases[] = {
      {ExportFormat::kText, L"all.txt",
       "\xEF\xBB\xBF"
       "First\tSecond\r\nc1\tb1\r\na2 \xEF\xBF\xBD\tb2\r\n"},
      {ExportFormat::kCsv, L"all.csv",
       "\xEF\xBB\xBF"
       "First,Second\r\nc1,b1\r\n"},
      {ExportFormat::kHtml, L"all.html",
       "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Address Bar</title>"},
      {ExportFormat::kJson, L"all.json", "[\n{\"First\": \"c1\", \"Second\": \"b1\"},\n{\"First\": \"a2 \\uD800\""}};
  for (const auto& c : cases) {
    save.path = folder.path() + L"\\" + c.name;
    save.format = c.format;
    ASSERT_TRUE(form->mnuSaveAll_Click()) << c.begins;
    EXPECT_EQ(Contents(save.path).rfind(c.begins, 0), 0u) << Contents(save.path).substr(0, 120);
  }
  EXPECT_NE(Contents(folder.path() + L"\\all.html").find("<p>Lines: 3</p>"), std::string::npos);
  // Only the selected lines, in the order shown.
  Select(*form, {2}, 2);
  save.path = folder.path() + L"\\some.csv";
  save.format = ExportFormat::kCsv;
  ASSERT_TRUE(form->mnuSaveSelected_Click());
  EXPECT_EQ(Contents(save.path),
            "\xEF\xBB\xBF"
            "First,Second\r\nb3,b3 two\r\n");
  EXPECT_TRUE(save.failures.empty());
  EXPECT_TRUE(NoPartLeft(folder.path()));
}

TEST_F(ListOperations, AFailedSaveSaysWhyAndLeavesTheOldFileWhole) {
  test::ScratchFolder folder(L"save-fail");
  AnsweringSave save;
  // A path that names a folder.
  save.path = folder.MakeFolder(L"a folder");
  EXPECT_FALSE(form->mnuSaveAll_Click());
  ASSERT_EQ(save.failures.size(), 1u);
  EXPECT_NE(save.failures[0].find(save.path), std::wstring::npos);
  // A file that cannot be replaced now (held open without sharing): the old
  // content stays, and no part of the new file is left.
  save.path = folder.Make(L"old.csv", "old content");
  HANDLE holder = CreateFileW(save.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(form->mnuSaveAll_Click());
  CloseHandle(holder);
  EXPECT_EQ(save.failures.size(), 2u);
  EXPECT_EQ(Contents(save.path), "old content");
  // A folder that does not exist.
  save.path = folder.path() + L"\\missing\\x.csv";
  EXPECT_FALSE(form->mnuSaveAll_Click());
  EXPECT_EQ(save.failures.size(), 3u);
  EXPECT_TRUE(NoPartLeft(folder.path()));
}

void Type(frmViewer& form, const wchar_t* text) { SetWindowTextW(form.Control(IDC_FILTER), text); }

TEST_F(ListOperations, TheFilterNarrowsTheListLiveAndGoesAwayExactly) {
  RECT before{};
  GetWindowRect(form->Control(IDC_URLS), &before);
  form->AddLine(L"\u00c9COLE");
  form->SyncList();
  form->WriteCount();
  BYTE keys[256] = {}, saved[256] = {};
  GetKeyboardState(saved);
  std::copy(saved, saved + 256, keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  MSG ctrlF{form->Control(IDC_URLS), WM_KEYDOWN, 'F', 0, 0, {}};
  EXPECT_TRUE(frmViewer::PreTranslate(ctrlF));
  SetKeyboardState(saved);
  ASSERT_TRUE(form->FilterVisible());
  EXPECT_EQ(GetFocus(), form->Control(IDC_FILTER));

  Type(*form, L"B3");  // any column, any case
  EXPECT_EQ(test::Lines(*form), (std::vector<std::wstring>{L"b3"}));
  Type(*form, L"\u00e9co");  // the platform's case folding, not ASCII only
  EXPECT_EQ(test::Lines(*form), (std::vector<std::wstring>{L"\u00c9COLE"}));
  Type(*form, L"b");
  EXPECT_EQ(test::Lines(*form), (std::vector<std::wstring>{L"c1", L"a2 \xD800", L"b3"}));
  Type(*form, L"2");
  EXPECT_EQ(form->FilterCountText(), L"1 of 4 lines");
  EXPECT_EQ(form->PanelText(2), L"Total Records: 4");  // the whole view
  // Copy, sorting and activation work on what is shown.
  form->mnuSelectAll_Click();
  EXPECT_EQ(form->mnuCopy_Click(), L"a2 \xD800\tb2\r\n");
  test::RecordingShell shell;
  form->mnuOpoenIt_Click();
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].file, L"a2 \xD800");
  Type(*form, L"b");
  form->URLs_ColumnClick(1);
  EXPECT_EQ(test::Lines(*form), (std::vector<std::wstring>{L"a2 \xD800", L"b3", L"c1"}));

  // The box sits right before the list in the tab order.
  MSG tab{form->Control(IDC_FILTER), WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_TRUE(frmViewer::PreTranslate(tab));
  EXPECT_EQ(GetFocus(), form->Control(IDC_URLS));

  // A view started meanwhile shows only its lines that match.
  form->StartView(L"run", L"Run", 1000);
  for (const wchar_t* t : {L"notepad", L"cmd", L"winver"}) form->AddLine(t);
  form->WriteCount();
  Type(*form, L"n");
  EXPECT_EQ(test::Lines(*form), (std::vector<std::wstring>{L"notepad", L"winver"}));

  // Escape in the box shows every line and puts every control back.
  MSG escape{form->Control(IDC_FILTER), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
  EXPECT_TRUE(frmViewer::PreTranslate(escape));
  EXPECT_FALSE(form->FilterVisible());
  EXPECT_EQ(form->ShownLineCount(), 3u);
  RECT after{};
  GetWindowRect(form->Control(IDC_URLS), &after);
  EXPECT_TRUE(EqualRect(&before, &after));
}

// Column, minus and date terms narrow the list and its count; the box's
// tooltip names the column a term was given; days start at local midnight
// unless the filter is told UTC.
TEST_F(ListOperations, TheFilterTakesColumnMinusAndDateTerms) {
  form->StartView(L"url", L"Address", 1000);
  form->AddColumn(2, L"Title", 1000);
  form->AddColumn(3, L"Last Visited", 1000);
  const uint64_t day = 864000000000ull, jan29 = 133194240000000000ull;  // 2023-01-29 00:00 UTC
  const struct {
    const wchar_t* address;
    const wchar_t* title;
    uint64_t visited;
  } rows[] = {{L"http://news.example/", L"Sport", jan29 - day / 2},
              {L"http://example.org/news", L"News today", jan29 + day / 2},
              {L"http://other.example/", L"Weather news", jan29 + 3 * day + day / 2},
              {L"http://news.example/x", L"Notes", jan29}};
  for (const auto& r : rows) {
    const size_t line = form->AddLine(r.address);
    form->SetSubItem(line, 1, r.title);
    form->SetSubItemTime(line, 2, r.visited);
  }
  form->WriteCount();
  form->mnuFilter_Click();
  Type(*form, L"ti:news");
  EXPECT_EQ(test::Lines(*form), (std::vector<std::wstring>{L"http://example.org/news", L"http://other.example/"}));
  EXPECT_EQ(form->FilterCountText(), L"2 of 4 lines");
  EXPECT_EQ(form->FilterTip(), L"Title contains \"news\"");
  Type(*form, L"news -title:news");
  EXPECT_EQ(test::Lines(*form), (std::vector<std::wstring>{L"http://news.example/", L"http://news.example/x"}));
  Type(*form, L"http://other");  // names no column
  EXPECT_EQ(form->FilterCountText(), L"1 of 4 lines");
  // Noon of each day, which is that day in any zone the test may run in.
  // The lines at noon are on their UTC day in any zone the test may run in;
  // the one at midnight UTC is on the day before west of Greenwich.
  Type(*form, L"after:2023-01-29 before:2023-02-01");
  std::vector<std::wstring> shown = test::Lines(*form);
  shown.erase(std::remove(shown.begin(), shown.end(), L"http://news.example/x"), shown.end());
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"http://example.org/news"}));
  form->SetTimesInUtc(true);  // UTC days; after: from the day's start, before: up to it
  EXPECT_EQ(test::Lines(*form), (std::vector<std::wstring>{L"http://example.org/news", L"http://news.example/x"}));
  Type(*form, L"before:2023-01-29");
  EXPECT_EQ(test::Lines(*form), (std::vector<std::wstring>{L"http://news.example/"}));
  EXPECT_EQ(form->PanelText(2), L"Total Records: 4");
  Type(*form, L"");
  EXPECT_EQ(form->FilterCountText(), L"4 of 4 lines");
}

// Past its patience an order lets the window answer: Escape then stops it
// with the list, its order and panel 2 as they were, and another view shown
// meanwhile abandons it.
TEST_F(ListOperations, ALongOrderAnswersEscapeAndAnotherView) {
  frmViewer::SetOrderPatience(0);
  form->StartView(L"url", L"Address", 1000);
  for (uint32_t i = 0; i < 300000; ++i) form->AddLine(L"http://example.com/" + std::to_wstring(i * 7919 % 300000));
  form->WriteCount();
  const std::vector<std::wstring> before = test::Lines(*form);
  PostMessageW(form->Control(IDC_URLS), WM_KEYDOWN, VK_ESCAPE, 0);
  form->URLs_ColumnClick(1);
  EXPECT_FALSE(form->ListSorted());
  EXPECT_TRUE(test::Lines(*form) == before);
  EXPECT_EQ(form->PanelText(2), L"Total Records: 300000");
  // Without Escape the order is made.
  form->URLs_ColumnClick(1);
  EXPECT_TRUE(form->ListSorted());
  EXPECT_EQ(form->CellText(0, 0), L"http://example.com/0");

  PostMessageW(form->hwnd(), WM_COMMAND, IDM_RUN, 0);
  form->SortBy(1, true);
  EXPECT_EQ(form->Tag(), L"run");
  EXPECT_NE(form->LineCount(), 300000u);
  EXPECT_EQ(form->PanelText(2), L"Total Records: " + std::to_wstring(form->LineCount()));
  frmViewer::SetOrderPatience(500);
}

// A column of printable ASCII alone is ordered by its characters' ranks:
// the same order as the user's language gives their keys (case, hyphens,
// punctuation, a text that begins another), ties in the order of addition.
TEST_F(ListOperations, AsciiTextsOrderAsTheirKeysDo) {
  const std::vector<std::wstring> texts = {L"co-op", L"coop",  L"Co-op",     L"a-z", L"z-a", L"abc",      L"ABC",
                                           L"ab",    L"a b",   L"a_b",       L"a.b", L"A~",  L"http://x", L"HTTP://X/",
                                           L"",      L"[x]",   L"{x}",       L"1",   L"10",  L"9",        L"a'b",
                                           L"ab ",   L"abc\\", L"C:\\Users", L"c:/", L"#1",  L"@home",    L"`q"};
  form->StartView(L"url", L"Text", 1000);
  for (const std::wstring& t : texts) form->AddLine(t);
  form->URLs_ColumnClick(1);
  std::vector<size_t> want(texts.size());
  for (size_t i = 0; i < want.size(); ++i) want[i] = i;
  std::stable_sort(want.begin(), want.end(), [&](size_t a, size_t b) {
    std::string x, y;
    UserLocaleKey(AsU16(texts[a]), x);
    UserLocaleKey(AsU16(texts[b]), y);
    return x < y;  // std::string compares its chars as unsigned
  });
  std::vector<std::wstring> expected;
  for (size_t i : want) expected.push_back(texts[i]);
  EXPECT_EQ(test::Lines(*form), expected);
  EXPECT_NE(UserLocaleAsciiRanks(), nullptr);  // the ranks were used
}

TEST_F(ListOperations, PropertiesShowEveryColumnInOneWindow) {
  Select(*form, {2}, 2);
  form->mnuProperties_Click();
  HWND first = PropertiesWindow();
  ASSERT_TRUE(first);
  EXPECT_EQ(PropertiesText(), L"First:\r\nb3\r\n\r\nSecond:\r\nb3 two");
  Select(*form, {0}, 0);
  form->mnuProperties_Click();
  EXPECT_EQ(PropertiesWindow(), first);  // the same window, the next line
  EXPECT_EQ(PropertiesText().substr(0, 10), L"First:\r\nc1");
  DestroyWindow(first);
}

int SortArrow(frmViewer& form, int column) {
  HDITEMW item{};
  item.mask = HDI_FORMAT;
  Header_GetItem(ListView_GetHeader(form.Control(IDC_URLS)), column, &item);
  return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
}

TEST_F(ListOperations, DescendingOnShiftClickAndTheSourcesOrderBack) {
  using Lines = std::vector<std::wstring>;
  form->URLs_ColumnClick(1);
  EXPECT_EQ(SortArrow(*form, 0), HDF_SORTUP);
  EXPECT_EQ(SortArrow(*form, 1), 0);
  BYTE keys[256] = {}, saved[256] = {};
  GetKeyboardState(saved);
  std::copy(saved, saved + 256, keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  NMLISTVIEW click{};
  click.hdr = {form->Control(IDC_URLS), IDC_URLS, static_cast<UINT>(LVN_COLUMNCLICK)};
  click.iSubItem = 0;
  SendMessageW(form->hwnd(), WM_NOTIFY, IDC_URLS, reinterpret_cast<LPARAM>(&click));
  SetKeyboardState(saved);
  EXPECT_EQ(test::Lines(*form), (Lines{L"c1", L"b3", L"a2 \xD800"}));
  EXPECT_EQ(SortArrow(*form, 0), HDF_SORTDOWN);
  // A plain click is ascending, as always.
  SendMessageW(form->hwnd(), WM_NOTIFY, IDC_URLS, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(test::Lines(*form), (Lines{L"a2 \xD800", L"b3", L"c1"}));
  SendMessageW(form->hwnd(), WM_COMMAND, IDM_SOURCEORDER, 0);
  EXPECT_EQ(test::Lines(*form), (Lines{L"c1", L"a2 \xD800", L"b3"}));
  EXPECT_EQ(SortArrow(*form, 0), 0);
}

TEST_F(ListOperations, OpenContainingFolderSelectsThePathInTheShell) {
  form->StartView(L"open", L"Open/Save History", 1000);
  form->AddLine(L"C:\\Users\\Ann\\Budget 2027.xlsx");
  form->AddLine(L"http://not.a.path/");
  form->WriteCount();
  test::RecordingShell shell;
  Select(*form, {1}, 1);
  EXPECT_EQ(form->LinePath(), L"");
  Select(*form, {0}, 0);
  form->mnuOpenFolder_Click();
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_TRUE(shell.calls[0].run);
  EXPECT_EQ(shell.calls[0].file, L"explorer.exe /select,\"C:\\Users\\Ann\\Budget 2027.xlsx\"");
}

}  // namespace
}  // namespace glimmerlog
