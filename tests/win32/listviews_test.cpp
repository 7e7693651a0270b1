// What a user meets in the list: each view's own order, the header's menu,
// F1, columns that fit, times in UTC, the name a save proposes and the
// format a typed extension names, and copies with the column names.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/save.h"
#include "base/isotime.h"
#include "base/utf8.h"
#include "tests/win32/win32_test_util.h"

namespace glimmerlog {
namespace {

// Keys held while a message goes through the window's key handling.
bool Press(HWND to, WPARAM key, std::initializer_list<int> held) {
  BYTE keys[256] = {}, saved[256] = {};
  GetKeyboardState(saved);
  std::copy(saved, saved + 256, keys);
  for (int k : held) keys[k] = 0x80;
  SetKeyboardState(keys);
  MSG msg{to, WM_KEYDOWN, key, 0, 0, {}};
  const bool handled = frmViewer::PreTranslate(msg);
  SetKeyboardState(saved);
  return handled;
}

std::vector<int> Widths(const frmViewer& form) {
  std::vector<int> widths;
  for (size_t c = 0; c < form.Model().Columns().size(); ++c) {
    widths.push_back(ListView_GetColumnWidth(form.Control(IDC_URLS), static_cast<int>(c)));
  }
  return widths;
}

std::vector<int> OwnWidths(const frmViewer& form) {
  std::vector<int> widths;
  for (const ListModel::Column& c : form.Model().Columns()) widths.push_back(TwipsToPixels(c.widthTwips, form.Dpi()));
  return widths;
}

TEST(ListViews, EachAddedViewOpensInItsOwnOrderAndTheSpecifiedShareTheirs) {
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  struct Order {
    bool sorted;
    int key;
    bool descending;
    bool operator==(const Order& o) const { return sorted == o.sorted && key == o.key && descending == o.descending; }
  };
  const auto order = [&] { return Order{form->ListSorted(), form->Model().SortKey(), form->Model().Descending()}; };
  form->RunView(L"browserhistory");
  form->SortBy(1, true);  // newest first
  for (const wchar_t* tag : {L"timeline", L"userassist", L"recentfiles"}) {
    form->RunView(tag);
    EXPECT_FALSE(form->ListSorted()) << tag;
  }
  // F5 keeps the order chosen in the view itself.
  form->SortBy(2, true);
  form->mnuRefreshView_Click();
  EXPECT_TRUE(order() == (Order{true, 1, true}));
  // A click in a specified view orders every specified view, as always,
  // and never an added one; an added view's order never reaches them.
  form->RunView(L"cache");
  form->URLs_ColumnClick(2);
  form->RunView(L"opensave7");
  EXPECT_FALSE(form->ListSorted());
  form->SortBy(1, true);
  form->RunView(L"url");
  EXPECT_TRUE(order() == (Order{true, 1, false}));
  form->RunView(L"recentfiles");
  EXPECT_FALSE(form->ListSorted());
}

// The menu a right-click brings up, by its commands, as the window is told
// of it (a hook: subclassing would take the window from its object); it is
// closed at once.
std::vector<UINT> g_menu;
LRESULT CALLBACK RecordMenu(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && sent && sent->message == WM_INITMENUPOPUP) {
    HMENU menu = reinterpret_cast<HMENU>(sent->wParam);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      if (const UINT id = GetMenuItemID(menu, i); id && id != static_cast<UINT>(-1)) g_menu.push_back(id);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR, DWORD) { EndMenu(); }

template <class Click>
std::vector<UINT> MenuAfter(Click click) {
  g_menu.clear();
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &RecordMenu, nullptr, GetCurrentThreadId());
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, &CloseMenu);
  click();
  KillTimer(nullptr, timer);
  UnhookWindowsHookEx(hook);
  return g_menu;
}

std::vector<UINT> MenuOf(frmViewer& form, HWND clicked, POINT screen) {
  return MenuAfter([&] {
    SendMessageW(form.hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(clicked), MAKELPARAM(screen.x, screen.y));
  });
}

TEST(ListViews, ARightClickOnTheHeaderGivesTheHeadersMenu) {
  auto form = test::MakeViewer(true);
  ASSERT_TRUE(form);
  HWND list = form->Control(IDC_URLS);
  HWND header = ListView_GetHeader(list);
  RECT r{};
  GetWindowRect(header, &r);
  const POINT onHeader{r.left + 10, (r.top + r.bottom) / 2};
  const std::vector<UINT> headerMenu = {IDM_SORTASCENDING, IDM_SORTDESCENDING, IDM_SOURCEORDER};
  // As the header sends it, and as Wine's list passes the header's click on.
  EXPECT_EQ(MenuOf(*form, header, onHeader), headerMenu);
  EXPECT_EQ(MenuOf(*form, list, onHeader), headerMenu);
  // A right-click on the header itself, as the mouse gives it.
  const std::vector<UINT> clicked = MenuAfter([&] {
    SetCursorPos(onHeader.x, onHeader.y);
    POINT at = onHeader;
    ScreenToClient(header, &at);
    PostMessageW(header, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageW(header, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    MSG msg;
    for (const DWORD start = GetTickCount(); g_menu.empty() && GetTickCount() - start < 2000;) {
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      Sleep(10);
    }
  });
  EXPECT_EQ(clicked, headerMenu);
  // Below the header, the lines' menu.
  const std::vector<UINT> lines = MenuOf(*form, list, POINT{r.left + 10, r.bottom + 30});
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], static_cast<UINT>(IDM_OPOENIT));
}

TEST(ListViews, F1ReachesTheHelpFile) {
  auto form = test::MakeViewer(true);
  test::RecordingShell shell;
  EXPECT_TRUE(Press(form->Control(IDC_URLS), VK_F1, {}));
  ASSERT_EQ(shell.calls.size(), 1u);
  const std::wstring& file = shell.calls[0].file;
  EXPECT_EQ(file.substr(file.size() - 15), L"\\glimmerlog.chm");
}

class ListColumns : public ::testing::Test {
 protected:
  void SetUp() override {
    form = test::MakeViewer(true);
    ASSERT_TRUE(form);
    form->StartView(L"open", L"Path", 600);
    form->AddColumn(2, L"When", 600);
    form->AddColumn(3, L"Count", 600);
    const wchar_t* paths[] = {L"C:\\a.txt", L"C:\\Users\\Ann\\Documents\\Quarterly budget for the year 2027.xlsx",
                              L"C:\\b"};
    for (const wchar_t* p : paths) {
      const size_t row = form->AddLine(p);
      form->SetSubItemTime(row, 1, uint64_t{134408485380000000});  // 2026-12-04 09:02:18 UTC
      form->SetSubItemNumber(row, 2, 1234567.25);
    }
    form->WriteCount();
  }
  // Whether any cell of the list shows its text cut off.
  bool AnyCutOff() const {
    HWND list = form->Control(IDC_URLS);
    for (int i = 0; i < static_cast<int>(form->ShownLineCount()); ++i) {
      for (int c = 0; c < static_cast<int>(form->Model().Columns().size()); ++c) {
        RECT cell{};
        ListView_GetSubItemRect(list, i, c, LVIR_LABEL, &cell);
        if (!form->CellTip(POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2}).empty()) return true;
      }
    }
    return false;
  }
  std::unique_ptr<frmViewer> form;
};

TEST_F(ListColumns, CtrlPlusAndADividerDoubleClickFitTheColumns) {
  ASSERT_TRUE(AnyCutOff());
  const std::vector<int> own = Widths(*form);
  for (WPARAM key : {VK_ADD, VK_OEM_PLUS}) {
    ListView_SetColumnWidth(form->Control(IDC_URLS), 0, 40);
    EXPECT_TRUE(Press(form->Control(IDC_URLS), key, {VK_CONTROL}));
    EXPECT_FALSE(AnyCutOff()) << key;
  }
  const std::vector<int> fitted = Widths(*form);
  // A double-click on the divider right of a column fits that one alone.
  HWND list = form->Control(IDC_URLS);
  ListView_SetColumnWidth(list, 1, 30);
  ListView_SetColumnWidth(list, 2, 30);
  NMHEADERW divider{};
  divider.hdr = {ListView_GetHeader(list), 0, static_cast<UINT>(HDN_DIVIDERDBLCLICKW)};
  divider.iItem = 1;
  SendMessageW(list, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&divider));
  EXPECT_EQ(Widths(*form), (std::vector<int>{fitted[0], fitted[1], 30}));
  EXPECT_GT(fitted[0], own[0]);

  // Every view opens at its own widths, fitted ones too.
  for (const wchar_t* tag : {L"run", L"recentfiles", L"run"}) {
    form->RunView(tag);
    EXPECT_EQ(Widths(*form), OwnWidths(*form)) << tag;
    form->FitColumns();
  }
}

class AnsweringSave : public SaveSeam {
 public:
  AnsweringSave() { SetSaveSeam(this); }
  ~AnsweringSave() override { SetSaveSeam(nullptr); }
  bool AskPath(HWND, std::wstring& p, ExportFormat& f) override {
    offered = p;
    p = path;
    f = format;
    return true;
  }
  void Failed(HWND, const std::wstring& message) override {
    ADD_FAILURE() << std::string(message.begin(), message.end());
  }
  std::wstring offered, path;
  ExportFormat format = ExportFormat::kCsv;
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

TEST_F(ListColumns, TimesInUtcAreWhatTheListCopyAndTextFilesShow) {
  HMENU view = GetSubMenu(GetMenu(form->hwnd()), 0);
  EXPECT_FALSE(form->TimesInUtc());  // off at every start
  EXPECT_EQ(GetMenuState(view, IDM_TIMESUTC, MF_BYCOMMAND) & MF_CHECKED, 0u);
  const std::wstring local = form->CellText(0, 1);
  SendMessageW(form->hwnd(), WM_COMMAND, IDM_TIMESUTC, 0);
  EXPECT_TRUE(form->TimesInUtc());
  EXPECT_EQ(GetMenuState(view, IDM_TIMESUTC, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  EXPECT_EQ(form->CellText(0, 1), L"2026-12-04T09:02:18Z");
  form->SelectLine(2);
  EXPECT_EQ(form->mnuCopy_Click(), L"C:\\b\t2026-12-04T09:02:18Z\t1234567.25\r\n");

  test::ScratchFolder folder(L"utc-save");
  AnsweringSave save;
  save.path = folder.path() + L"\\utc.csv";
  ASSERT_TRUE(form->mnuSaveSelected_Click());
  EXPECT_EQ(Contents(save.path), "\xEF\xBB\xBFPath,When,Count\r\nC:\\b,2026-12-04T09:02:18Z,1234567.25\r\n");
  save.path = folder.path() + L"\\utc.jsonl";  // the extension typed decides
  ASSERT_TRUE(form->mnuSaveSelected_Click());
  EXPECT_EQ(Contents(save.path),
            "{\"Path\": \"C:\\\\b\", \"When\": \"2026-12-04T09:02:18Z\", \"Count\": 1234567.25}\n");

  // Off again: the local format, in the list and in text files; JSON keeps
  // ISO 8601 with the offset of the date.
  SendMessageW(form->hwnd(), WM_COMMAND, IDM_TIMESUTC, 0);
  EXPECT_EQ(form->CellText(0, 1), local);
  save.path = folder.path() + L"\\local.txt";
  save.format = ExportFormat::kJson;  // the type chosen; the name says text
  ASSERT_TRUE(form->mnuSaveSelected_Click());
  const std::string text = Contents(save.path);
  EXPECT_NE(text.find("C:\\b\t" + std::string(local.begin(), local.end()) + "\t"), std::string::npos) << text;
  save.path = folder.path() + L"\\local";
  ASSERT_TRUE(form->mnuSaveSelected_Click());
  EXPECT_NE(Contents(save.path).find("\"When\": \"" + Utf8Of(AsU16(FileTimeIso(134408485380000000))) + "\""),
            std::string::npos);
}

TEST_F(ListColumns, SaveOffersTheViewsNameAndTheDateAndCopyCanNameTheColumns) {
  test::ScratchFolder folder(L"save-name");
  AnsweringSave save;
  save.path = folder.path() + L"\\x.csv";
  ASSERT_TRUE(form->mnuSaveAll_Click());
  SYSTEMTIME today{};
  GetLocalTime(&today);
  wchar_t date[16];
  swprintf(date, 16, L"%04u-%02u-%02u", today.wYear, today.wMonth, today.wDay);
  EXPECT_EQ(save.offered, std::wstring(L"Open-Save ") + date);

  form->SelectLine(0);
  EXPECT_TRUE(Press(form->Control(IDC_URLS), 'C', {VK_CONTROL, VK_SHIFT}));
  EXPECT_EQ(test::ClipboardText().rfind(L"Path\tWhen\tCount\r\nC:\\a.txt\t", 0), 0u);
  // In the lines' menu and the Open menu, right after Copy.
  HMENU lines = form->BuildContextMenu();
  EXPECT_EQ(GetMenuItemID(lines, 3), static_cast<UINT>(IDM_COPYWITHNAMES));
  DestroyMenu(lines);
  EXPECT_EQ(GetMenuItemID(GetSubMenu(GetMenu(form->hwnd()), 1), 3), static_cast<UINT>(IDM_COPYWITHNAMES));
}

}  // namespace
}  // namespace glimmerlog
