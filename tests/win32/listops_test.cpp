// Working with the list: several lines selected, copied through the real
// clipboard, the clicked cell, the context menu.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "tests/win32/win32_test_util.h"

namespace glimmerlog {
namespace {

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return L"<clipboard busy>";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

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
  EXPECT_EQ(ClipboardText(), L"c1\tb1\r\nb3\tb3 two\r\n");
  // Columns dragged into another order copy in that order.
  int order[] = {1, 0};
  ListView_SetColumnOrderArray(form->Control(IDC_URLS), 2, order);
  Select(*form, {1}, 1);
  EXPECT_EQ(form->mnuCopy_Click(), L"b2\ta2 \xD800\r\n");  // the unpaired surrogate as it is
  EXPECT_EQ(ClipboardText(), L"b2\ta2 \xD800\r\n");
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
  EXPECT_EQ(ClipboardText(), L"c1\tb1\r\na2 \xD800\tb2\r\nb3\tb3 two\r\n");
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
  EXPECT_EQ(ClipboardText(), L"b3 two");
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
  EXPECT_EQ(entries(), (E{{IDM_OPOENIT, true}, {IDM_COPY, true}, {IDM_COPYCELL, true}, {IDM_SELECTALL, true}}));
  Select(*form, {}, -1);
  EXPECT_EQ(entries(), (E{{IDM_OPOENIT, false}, {IDM_COPY, false}, {IDM_COPYCELL, false}, {IDM_SELECTALL, true}}));
  // The same entries follow "Open" in the Open menu.
  HMENU open = GetSubMenu(GetMenu(form->hwnd()), 1);
  EXPECT_EQ(GetMenuItemID(open, 0), static_cast<UINT>(IDM_OPOENIT));
  EXPECT_EQ(GetMenuItemID(open, 2), static_cast<UINT>(IDM_COPY));
  EXPECT_EQ(GetMenuItemID(open, 4), static_cast<UINT>(IDM_SELECTALL));
}

}  // namespace
}  // namespace glimmerlog
