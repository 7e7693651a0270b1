// The main window as the program creates it: controls, menus, status bar,
// layout on resize, the command map and the commands that are not views.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "app/mainpro.h"
#include "tests/win32/win32_test_util.h"
#include "views/browser/frmindexfile_win.h"
#include "views/viewdef.h"

namespace glimmerlog {
namespace {

using test::MakeViewer;

// Where a control is, in pixels of the client area.
RECT ControlPx(const frmViewer& form, int id) {
  RECT r{};
  GetWindowRect(form.Control(id), &r);
  MapWindowPoints(nullptr, form.hwnd(), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Where a control placed at twip rectangle t lands: each of the four numbers
// is converted on its own, as the window converts them.
RECT ExpectedPx(const frmViewer& form, const TwipRect& t) {
  const int dpi = form.Dpi();
  const long left = TwipsToPixels(t.left, dpi), top = TwipsToPixels(t.top, dpi);
  return {left, top, left + TwipsToPixels(t.width, dpi), top + TwipsToPixels(t.height, dpi)};
}

::testing::AssertionResult IsAt(const frmViewer& form, int id, const TwipRect& t) {
  const RECT got = ControlPx(form, id), want = ExpectedPx(form, t);
  if (EqualRect(&got, &want)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "control " << id << " at (" << got.left << "," << got.top << ")-("
                                       << got.right << "," << got.bottom << "), expected (" << want.left << ","
                                       << want.top << ")-(" << want.right << "," << want.bottom << ")";
}

long ClientTwips(const frmViewer& form, bool height) {
  RECT client{};
  GetClientRect(form.hwnd(), &client);
  return PixelsToTwips(height ? client.bottom : client.right, form.Dpi());
}

std::wstring WindowText(HWND hwnd) {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  return text;
}

std::vector<int> PanelEdges(const frmViewer& form) {
  int edges[4] = {};
  const int n =
      static_cast<int>(SendMessageW(form.Control(IDC_SBAR1), SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)));
  return std::vector<int>(edges, edges + n);
}

void SetClientTwips(const frmViewer& form, long width, long height) {
  const int dpi = form.Dpi();
  RECT r{0, 0, TwipsToPixels(width, dpi), TwipsToPixels(height, dpi)};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(form.hwnd(), GWL_STYLE)), TRUE, 0);
  SetWindowPos(form.hwnd(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
}

TEST(MainWindow, StartsOnTheInternetHistoryWithItsControls) {
  auto form = MakeViewer(true);
  ASSERT_TRUE(form);
  EXPECT_EQ(WindowText(form->hwnd()), L"Glimmerlog 3.21");
  EXPECT_TRUE(SendMessageW(form->hwnd(), WM_GETICON, ICON_BIG, 0) || GetClassLongPtrW(form->hwnd(), GCLP_HICON));

  RECT client{};
  GetClientRect(form->hwnd(), &client);
  EXPECT_EQ(client.right, TwipsToPixels(10200, form->Dpi()));
  EXPECT_EQ(client.bottom, TwipsToPixels(6855, form->Dpi()));

  for (const ControlSpec& def : kMainControls) {
    HWND control = form->Control(def.id);
    ASSERT_TRUE(control) << def.name;
    if (def.caption[0]) {
      EXPECT_EQ(WindowText(control), def.caption) << def.name;
    }
    const bool hidden = def.id == IDC_PBAR1 || def.id == IDC_COMMAND1;
    EXPECT_EQ((GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0, !hidden) << def.name;
  }
  // The view buttons stay where they were created; the rest follows the
  // first layout for the client area of 10200 x 6855 twips.
  for (const ControlSpec& def : kMainControls) {
    if (def.className == std::wstring(WC_BUTTONW) && def.id != IDC_COMMAND1) {
      EXPECT_TRUE(IsAt(*form, def.id, def.rect)) << def.name;
    }
  }
  EXPECT_TRUE(IsAt(*form, IDC_URLS, {10, 500, 10190, 5755}));
  EXPECT_TRUE(IsAt(*form, IDC_LABEL1, {120, 6355, 4815, 255}));
  EXPECT_TRUE(IsAt(*form, IDC_LABEL2, {6200, 6355, 3975, 255}));
  EXPECT_TRUE(IsAt(*form, IDC_PBAR1, {0, 6645, 7020, 255}));
  EXPECT_TRUE(IsAt(*form, IDC_COMMAND1, {7100, 6625, 615, 255}));

  EXPECT_EQ(form->ViewMode, L"cache");
  EXPECT_EQ(form->PanelText(1), L"DoubleCilck the line to view contents");
  EXPECT_EQ(form->PanelText(2).rfind(L"Total Records: ", 0), 0u);
  const auto edges = PanelEdges(*form);
  ASSERT_EQ(edges.size(), 2u);
  EXPECT_EQ(edges[0], TwipsToPixels(7800, form->Dpi()));  // panel 1: 10200 - 2400
  EXPECT_EQ(edges[1] - edges[0], TwipsToPixels(2440, form->Dpi()));
}

TEST(MainWindow, MenuBarHoldsEveryEntryInOrder) {
  auto form = MakeViewer();
  ASSERT_TRUE(form);
  HMENU bar = GetMenu(form->hwnd());
  ASSERT_TRUE(bar);
  auto caption = [](HMENU menu, int position) {
    wchar_t text[256] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING | MIIM_FTYPE;
    info.dwTypeData = text;
    info.cch = 256;
    GetMenuItemInfoW(menu, position, TRUE, &info);
    return (info.fType & MFT_SEPARATOR) ? std::wstring(L"-") : std::wstring(text);
  };
  // The specified entries first and last; the added views between them,
  // at the first level or in a submenu of their kind.
  const std::vector<std::wstring> viewHead = {L"Show IE Internet History", L"Show IE Loaction Bar History",
                                              L"Show Cookies", L"-", L"Show Windows Recent Documents",
                                              L"Show Search Histroy", L"Show Run History", L"Show Open/Save History",
                                              L"Show Index.dat file", L"&Filter Lines\u2026\tCtrl+F",
                                              L"&Refresh View\tF5", L"Times in &UTC (ISO 8601)"};
  const std::vector<std::wstring> viewTail = {L"Open Pr&ofile\u2026\tCtrl+O", L"Open Windows &Volume\u2026",
                                              L"This &Computer's Profile", L"-", L"&Exit"};
  const std::vector<std::vector<std::wstring>> expected = {
      {L"&View"},
      // The specified "Open" first; what works on the list's lines after it.
      {L"Open", L"Open", L"-", L"&Copy\tCtrl+C", L"Copy with Column &Names\tCtrl+Shift+C", L"Copy C&ell",
       L"Select &All\tCtrl+A", L"-",
       L"Save &Selected Lines\u2026", L"Save All &Lines\u2026\tCtrl+S"},
      {L"Help", L"Help", L"-", L"Download Clearwick To Erase The Tracks", L"Download a more powerful Vantorel", L"-",
       L"About"},
  };
  ASSERT_EQ(GetMenuItemCount(bar), 3);
  EXPECT_EQ(caption(bar, 0), expected[0][0]);
  HMENU view = GetSubMenu(bar, 0);
  const int count = GetMenuItemCount(view);
  ASSERT_GE(count, static_cast<int>(viewHead.size() + viewTail.size()));
  for (size_t i = 0; i < viewHead.size(); ++i) EXPECT_EQ(caption(view, static_cast<int>(i)), viewHead[i]) << i;
  for (size_t i = 0; i < viewTail.size(); ++i) {
    EXPECT_EQ(caption(view, count - static_cast<int>(viewTail.size() - i)), viewTail[i]) << i;
  }
  // Each added view of the table exactly once, by its own command, a
  // submenu holding the views of one kind.
  std::multiset<std::wstring> shown, wanted;
  for (const ViewDef& v : Views()) {
    if (v.menuCaption) wanted.insert(AsWide(v.menuCaption));
  }
  for (int i = static_cast<int>(viewHead.size()); i < count - static_cast<int>(viewTail.size()); ++i) {
    HMENU sub = GetSubMenu(view, i);
    std::set<ViewGroup> groups;
    for (int j = 0, n = sub ? GetMenuItemCount(sub) : 1; j < n; ++j) {
      HMENU menu = sub ? sub : view;
      const int at = sub ? j : i;
      const UINT id = GetMenuItemID(menu, at);
      ASSERT_GE(id, static_cast<UINT>(IDM_FIRST_TABLE_VIEW));
      const ViewDef& v = Views().at(id - IDM_FIRST_TABLE_VIEW);
      EXPECT_EQ(caption(menu, at), AsWide(v.menuCaption));
      groups.insert(v.group);
      shown.insert(caption(menu, at));
    }
    EXPECT_EQ(groups.size(), 1u) << i;
  }
  EXPECT_EQ(shown, wanted);
  for (int top = 1; top < 3; ++top) {
    EXPECT_EQ(caption(bar, top), expected[top][0]);
    HMENU sub = GetSubMenu(bar, top);
    ASSERT_EQ(GetMenuItemCount(sub) + 1, static_cast<int>(expected[top].size()));
    for (int i = 0; i < GetMenuItemCount(sub); ++i) EXPECT_EQ(caption(sub, i), expected[top][i + 1]) << top << "/" << i;
  }
}

TEST(MainWindow, ResizeMovesWhatFollowsTheEdges) {
  auto form = MakeViewer();
  ASSERT_TRUE(form);
  const int dpi = form->Dpi();
  const RECT run = ControlPx(*form, IDC_CMDRUN), label1 = ControlPx(*form, IDC_LABEL1);
  const RECT pbarBefore = ControlPx(*form, IDC_PBAR1);

  // 1000 twips wider (as near as whole pixels come).
  SetClientTwips(*form, 11200, 6855);
  long sw = ClientTwips(*form, false), sh = ClientTwips(*form, true);
  EXPECT_NEAR(sw, 11200, 15);
  EXPECT_TRUE(IsAt(*form, IDC_URLS, {10, 500, sw - 10, sh - 1100}));
  EXPECT_EQ(PanelEdges(*form)[0], TwipsToPixels(sw - 2400, dpi));
  EXPECT_TRUE(IsAt(*form, IDC_PBAR1, {0, sh - 210, sw - 3180, 255}));
  EXPECT_TRUE(IsAt(*form, IDC_LABEL2, {sw - 4000, sh - 500, 3975, 255}));
  EXPECT_TRUE(IsAt(*form, IDC_COMMAND1, {sw - 3100, sh - 230, 615, 255}));
  EXPECT_EQ(ControlPx(*form, IDC_PBAR1).right - pbarBefore.right, TwipsToPixels(sw - 10200, dpi));
  const RECT label1Now = ControlPx(*form, IDC_LABEL1), runNow = ControlPx(*form, IDC_CMDRUN);
  EXPECT_EQ(label1Now.left, label1.left);
  EXPECT_EQ(label1Now.right - label1Now.left, label1.right - label1.left);
  EXPECT_TRUE(EqualRect(&runNow, &run));

  // Narrower than 3180 but wider than 2400: the progress bar keeps its width,
  // every other rule still applies.
  const long pbarWidth = ControlPx(*form, IDC_PBAR1).right - ControlPx(*form, IDC_PBAR1).left;
  SetClientTwips(*form, 3000, 6000);
  sw = ClientTwips(*form, false);
  sh = ClientTwips(*form, true);
  ASSERT_GT(sw, 2400);
  ASSERT_LT(sw, 3180);
  const RECT pbar = ControlPx(*form, IDC_PBAR1);
  EXPECT_EQ(pbar.right - pbar.left, pbarWidth);
  EXPECT_EQ(pbar.top, TwipsToPixels(sh - 210, dpi));
  EXPECT_TRUE(IsAt(*form, IDC_URLS, {10, 500, sw - 10, sh - 1100}));
  EXPECT_EQ(PanelEdges(*form)[0], TwipsToPixels(sw - 2400, dpi));
  EXPECT_TRUE(IsAt(*form, IDC_LABEL2, {sw - 4000, sh - 500, 3975, 255}));
  EXPECT_TRUE(IsAt(*form, IDC_COMMAND1, {sw - 3100, sh - 230, 615, 255}));
}

// Pixels of a control drawn in the link colour, read back from the screen.
int LinkPixels(const frmViewer& form, int id) {
  const RECT r = ControlPx(form, id);
  HDC dc = GetDC(form.hwnd());
  const COLORREF link = GetSysColor(COLOR_HIGHLIGHT);
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) n += GetPixel(dc, x, y) == link;
  }
  ReleaseDC(form.hwnd(), dc);
  return n;
}

void Settle() {
  for (int i = 0; i < 20; ++i) {
    DoEvents();
    Sleep(10);
  }
}

TEST(MainWindow, TheLinksRepaintAtEverySize) {
  auto form = MakeViewer(true);
  ASSERT_TRUE(form);
  Settle();
  const int label1 = LinkPixels(*form, IDC_LABEL1), label2 = LinkPixels(*form, IDC_LABEL2);
  ASSERT_GT(label1, 50);
  ASSERT_GT(label2, 50);
  for (long width : {10800L, 9000L, 12000L}) {
    SetClientTwips(*form, width, 7200);
    Settle();
    EXPECT_EQ(LinkPixels(*form, IDC_LABEL1), label1) << width;
    EXPECT_EQ(LinkPixels(*form, IDC_LABEL2), label2) << width;
  }
}

// Maximizing needs something to honour it: a Wine virtual desktop stands in
// for the window manager (tests/win32/run_in_desktop.sh).
TEST(Desktop, TheLinksRepaintWhenMaximized) {
  if (!getenv("GL_VIRTUAL_DESKTOP")) GTEST_SKIP() << "runs in a virtual desktop (win32_desktop_tests)";
  auto form = MakeViewer(true);
  ASSERT_TRUE(form);
  Settle();
  const int label1 = LinkPixels(*form, IDC_LABEL1), label2 = LinkPixels(*form, IDC_LABEL2);
  ASSERT_GT(label1, 50);
  ShowWindow(form->hwnd(), SW_MAXIMIZE);
  Settle();
  ASSERT_TRUE(IsZoomed(form->hwnd()));
  EXPECT_EQ(LinkPixels(*form, IDC_LABEL1), label1);
  EXPECT_EQ(LinkPixels(*form, IDC_LABEL2), label2);
  ShowWindow(form->hwnd(), SW_RESTORE);
  Settle();
  EXPECT_EQ(LinkPixels(*form, IDC_LABEL1), label1);
  EXPECT_EQ(LinkPixels(*form, IDC_LABEL2), label2);
}

TEST(MainWindow, ACutOffCellShowsItsWholeTextInATooltip) {
  auto form = MakeViewer(true);
  ASSERT_TRUE(form);
  form->StartView(L"url", L"URLs", 1500);
  form->AddColumn(2, L"Short", 1500);
  const std::wstring url = L"http://www.example.com/" + std::wstring(300, L'p') + L"/end";
  form->SetSubItem(form->AddLine(url), 1, L"x");
  form->AddLine(L"fits");
  form->SyncList();
  HWND list = form->Control(IDC_URLS);
  ASSERT_EQ(SendMessageW(form->TipWindow(), TTM_GETTOOLCOUNT, 0, 0), 1);
  auto centre = [&](int item, int sub) {
    RECT r{};
    ListView_GetSubItemRect(list, item, sub, LVIR_LABEL, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  };
  std::wstring tip = form->CellTip(centre(0, 0));
  tip.erase(std::remove(tip.begin(), tip.end(), L'\n'), tip.end());
  EXPECT_EQ(tip, url);
  EXPECT_EQ(form->CellTip(centre(0, 1)), L"");  // fits its column
  EXPECT_EQ(form->CellTip(centre(1, 0)), L"");
  EXPECT_EQ(form->CellTip(POINT{5, 2000}), L"");  // below the last line

  // The tooltip asks the window for the text of the cell under the mouse.
  POINT at = centre(0, 0);
  ClientToScreen(list, &at);
  SetCursorPos(at.x, at.y);
  POINT now{};
  GetCursorPos(&now);
  if (now.x != at.x || now.y != at.y) {
    std::printf("the pointer cannot be placed over the cell here (display too small); not asked\n");
    return;
  }
  NMTTDISPINFOW ask{};
  ask.hdr = {form->TipWindow(), 0, static_cast<UINT>(TTN_GETDISPINFOW)};
  SendMessageW(form->hwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&ask));
  ASSERT_TRUE(ask.lpszText);
  EXPECT_EQ(std::wstring(ask.lpszText).substr(0, 23), L"http://www.example.com/");
}

TEST(MainWindow, EachButtonRunsItsMenuEntrysView) {
  auto form = MakeViewer();
  ASSERT_TRUE(form);
  frmindexfile::SetShownHook([](frmindexfile& dialog) { dialog.Command2_Click(); });
  const struct {
    int button, menu;
    const wchar_t* firstColumn;
  } pairs[] = {
      {IDC_CMDURL, IDM_REFRESH, L"Title"},
      {IDC_CMDADDRESS, IDM_SEP, L"URLs"},
      {IDC_CMDCOOKIES, IDM_COOKIE, L"Cookies"},
      {IDC_CMDDOC, IDM_RECDOC, L"Recent Documents"},
      {IDC_CMDSEARCH, IDM_SEARCH, L"Start Menu Search History"},
      {IDC_CMDRUN, IDM_RUN, L"Start Menu Run History"},
      {IDC_CMDOPEN, IDM_OPEN, L"Open/Save History"},
      {IDC_CMDINDEX, IDM_INDEX, L"URLs In Index.dat File"},
  };
  for (const auto& p : pairs) {
    form->ViewMode = L"none";
    SendMessageW(form->hwnd(), WM_COMMAND, MAKEWPARAM(p.button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(form->Control(p.button)));
    const std::wstring byButton = form->ViewMode;
    const auto columnsByButton = test::ColumnCaptions(*form);
    form->ViewMode = L"none";
    SendMessageW(form->hwnd(), WM_COMMAND, MAKEWPARAM(p.menu, 0), 0);
    EXPECT_EQ(form->ViewMode, byButton) << p.firstColumn;
    EXPECT_EQ(test::ColumnCaptions(*form), columnsByButton);
    ASSERT_FALSE(columnsByButton.empty());
    EXPECT_EQ(columnsByButton[0], p.firstColumn);
  }
  frmindexfile::SetShownHook(nullptr);
}

TEST(MainWindow, CancelHidesItselfAndRaisesTheFlag) {
  auto form = MakeViewer();
  ASSERT_TRUE(form);
  CancelRequested = kFalse;
  form->ShowProgress(true);
  SendMessageW(form->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_COMMAND1, BN_CLICKED),
               reinterpret_cast<LPARAM>(form->Control(IDC_COMMAND1)));
  EXPECT_EQ(CancelRequested, kTrue);
  EXPECT_FALSE(form->CancelVisible());
  EXPECT_TRUE(form->ProgressVisible());  // the running load hides the bar itself
}

TEST(MainWindow, ExitAndTheCloseBoxUnloadTheWindow) {
  auto form = MakeViewer();
  ASSERT_TRUE(form);
  SendMessageW(form->hwnd(), WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
  EXPECT_FALSE(form->Alive());

  auto other = MakeViewer();
  ASSERT_TRUE(other);
  SendMessageW(other->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(other->Alive());
  // What a view does on a closed window is harmless.
  other->WriteCount();
  other->mnurun_Click();
}

TEST(MainWindow, OwnerDataListShowsTheModel) {
  auto form = MakeViewer();
  ASSERT_TRUE(form);
  form->ClearItems();
  form->ClearColumns();
  form->AddColumn(1, L"B", 1000);
  form->AddColumn(1, L"A", 2000);  // inserted before B
  EXPECT_EQ(test::ColumnCaptions(*form), (std::vector<std::wstring>{L"A", L"B"}));
  for (int i = 0; i < 200000; ++i) {
    const size_t line = form->AddLine(L"line " + std::to_wstring(i));
    form->SetSubItem(line, 1, L"\u00e9\u4e2d " + std::to_wstring(i));
  }
  form->WriteCount();
  EXPECT_EQ(ListView_GetItemCount(form->Control(IDC_URLS)), 200000);
  EXPECT_EQ(form->PanelText(2), L"Total Records: 200000");
  EXPECT_EQ(test::ShownText(*form, 199999, 0), L"line 199999");
  EXPECT_EQ(test::ShownText(*form, 7, 1), L"\u00e9\u4e2d 7");
  form->ClearItems();
  form->WriteCount();
  EXPECT_EQ(ListView_GetItemCount(form->Control(IDC_URLS)), 0);
  EXPECT_EQ(form->PanelText(2), L"Total Records: 0");
}

}  // namespace
}  // namespace glimmerlog

namespace glimmerlog {
namespace {

TEST(MainWindow, TabWalksTheControlsInTheirOrder) {
  auto form = test::MakeViewer(true);
  ASSERT_TRUE(form);
  SetFocus(form->Control(IDC_CMDURL));
  auto tab = [&](bool shift) {
    MSG msg{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    EXPECT_TRUE(frmViewer::PreTranslate(msg));
    return GetDlgCtrlID(GetFocus());
  };
  // Labels, the status and progress bars take no focus; Cancel is hidden.
  const int order[] = {IDC_CMDADDRESS, IDC_CMDCOOKIES, IDC_CMDDOC, IDC_CMDSEARCH, IDC_CMDRUN,
                       IDC_CMDOPEN,    IDC_CMDINDEX,   IDC_URLS,   IDC_CMDURL};
  for (int id : order) EXPECT_EQ(tab(false), id);
  EXPECT_EQ(tab(true), IDC_URLS);
  form->ShowProgress(true);
  SetFocus(form->Control(IDC_URLS));
  EXPECT_EQ(tab(false), IDC_COMMAND1);
  tab(true);
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
}

TEST(MainWindow, TypingInTheListFindsALine) {
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  form->ClearItems();
  for (const wchar_t* t : {L"alpha", L"beta", L"Bravo", L"charlie"}) form->AddLine(t);
  form->SyncList();
  auto find = [&](const wchar_t* typed, int start) {
    NMLVFINDITEMW f{};
    f.hdr = {form->Control(IDC_URLS), IDC_URLS, static_cast<UINT>(LVN_ODFINDITEMW)};
    f.iStart = start;
    f.lvfi.flags = LVFI_PARTIAL | LVFI_STRING;
    f.lvfi.psz = typed;
    return static_cast<int>(SendMessageW(form->hwnd(), WM_NOTIFY, IDC_URLS, reinterpret_cast<LPARAM>(&f)));
  };
  EXPECT_EQ(find(L"b", 0), 1);
  EXPECT_EQ(find(L"b", 2), 2);
  EXPECT_EQ(find(L"B", 3), 1);  // wraps round
  EXPECT_EQ(find(L"ch", 0), 3);
  EXPECT_EQ(find(L"z", 0), -1);
}

}  // namespace
}  // namespace glimmerlog
