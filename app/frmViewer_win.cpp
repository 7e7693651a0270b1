#include "app/frmViewer.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "base/controls_win.h"
#include "app/frmAbout.h"
#include "app/helppath.h"
#include "app/collation.h"
#include "app/mainpro.h"
#include "app/properties.h"
#include "app/version.h"
#include "base/shell.h"
#include "sources/live.h"
#include "views/browser/CURLHistory_win.h"
#include "views/browser/frmindexfile_win.h"

namespace glimmerlog {

// Creation geometry of the controls (twips in the client area), in tab order.
// The status bar docks along the bottom edge, so its rectangle is nominal.
const ControlSpec kMainControls[14] = {
    {IDC_CMDURL, "cmdurl", WC_BUTTONW, L"URLs History", {120, 120, 1095, 375}},
    {IDC_CMDADDRESS, "cmdaddress", WC_BUTTONW, L"Address Bar", {1320, 120, 1095, 375}},
    {IDC_CMDCOOKIES, "cmdcookies", WC_BUTTONW, L"Cookies", {2520, 120, 855, 375}},
    {IDC_CMDDOC, "cmddoc", WC_BUTTONW, L"Recent Documents", {3480, 120, 1575, 375}},
    {IDC_CMDSEARCH, "cmdsearch", WC_BUTTONW, L"Search History", {5160, 120, 1215, 375}},
    {IDC_CMDRUN, "cmdrun", WC_BUTTONW, L"Run History", {6480, 120, 975, 375}},
    {IDC_CMDOPEN, "cmdopen", WC_BUTTONW, L"Open/Save", {7560, 120, 1095, 375}},
    {IDC_LABEL1,
     "Label1",
     WC_STATICW,
     L"Want to erase all the history above ?   Get a copy of Clearwick",
     {120, 6360, 4815, 255}},
    {IDC_LABEL2, "Label2", WC_STATICW, L"Want a more powerful spy software ? Get  Vantorel", {5160, 6360, 3975, 255}},
    {IDC_CMDINDEX, "cmdIndex", WC_BUTTONW, L"Index.dat", {8760, 120, 975, 375}},
    {IDC_SBAR1, "SBar1", STATUSCLASSNAMEW, L"", {0, 6600, 10200, 255}},
    {IDC_URLS, "URLs", WC_LISTVIEWW, L"", {120, 600, 9735, 5655}},
    {IDC_PBAR1, "PBar1", PROGRESS_CLASSW, L"", {0, 6600, 6855, 255}},
    {IDC_COMMAND1, "Command1", WC_BUTTONW, L"Cancel", {6840, 6600, 615, 255}},
};

namespace {

constexpr wchar_t kClassName[] = L"GlimmerlogViewer";
constexpr long kClientWidthTwips = 10200;
constexpr long kClientHeightTwips = 6855;
constexpr long kPanel2Twips = 2440;

// Where a control was placed when it was made.
TwipRect CreatedAt(int id) {
  for (const ControlSpec& def : kMainControls) {
    if (def.id == id) return def.rect;
  }
  return {};
}

// The viewer behind a window of its class, or null for any other window
// (other windows keep their own objects in the same slot).
frmViewer* FromHwnd(HWND hwnd, WNDPROC viewerProc) {
  if (!hwnd || GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(viewerProc)) return nullptr;
  return reinterpret_cast<frmViewer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

bool RegisterViewerClass(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXW wc{};
  if (GetClassInfoExW(instance, kClassName, &wc)) return true;
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  return RegisterClassExW(&wc) != 0;
}

}  // namespace

frmViewer::frmViewer() : registry_(&LiveRegistry()), folders_(&LiveFolders()), profile_(&LiveProfile()) {
  model_.SetCollation(&UserLocaleKey);
  model_.SetAsciiRanks(UserLocaleAsciiRanks());
}

void frmViewer::UseSources(RegistrySource* registry, FolderSource* folders, ProfilePaths* profile) {
  registry_ = registry ? registry : &LiveRegistry();
  folders_ = folders ? folders : &LiveFolders();
  profile_ = profile ? profile : &LiveProfile();
}

CURLHistory* frmViewer::History() const { return history_.get(); }

frmViewer::~frmViewer() {
  if (hwnd_) DestroyWindow(hwnd_);
  // The history store and the chooser's profile go with the window.
  if (opened_) {
    SetHistoryStoreFactory(nullptr);
    SetIndexDatProfile(nullptr, {});
  }
}

bool frmViewer::Load() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof(icc),
                           ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  if (!RegisterViewerClass(instance, &frmViewer::WndProc)) return false;

  dpi_ = WindowDpi(nullptr);

  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  RECT r{0, 0, TwipsToPixels(kClientWidthTwips, dpi_), TwipsToPixels(kClientHeightTwips, dpi_)};
  AdjustWindowRectEx(&r, style, TRUE, 0);
  const int width = r.right - r.left, height = r.bottom - r.top;
  // Centred on the work area of the primary monitor.
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + std::max(0, static_cast<int>((work.right - work.left - width) / 2));
  const int y = work.top + std::max(0, static_cast<int>((work.bottom - work.top - height) / 2));

  // The window owns its menu once it exists; until then the menu is ours.
  UniqueMenu menu(BuildMenu());
  if (!CreateWindowExW(0, kClassName, L"Glimmerlog " GL_VERSION_WTEXT, style, x, y, width, height, nullptr, menu.get(),
                       instance, this)) {
    return false;
  }
  menu.release();
  CreateControls();
  Form_Load();
  Form_Resize();
  return Alive();
}

void frmViewer::Show() {
  if (!hwnd_) return;
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  if (URLs_) SetFocus(URLs_);
}

HMENU frmViewer::BuildMenu() {
  HMENU bar = CreateMenu();
  HMENU view = CreatePopupMenu();
  AppendMenuW(view, MF_STRING, IDM_REFRESH, L"Show IE Internet History");
  AppendMenuW(view, MF_STRING, IDM_SEP, L"Show IE Loaction Bar History");
  AppendMenuW(view, MF_STRING, IDM_COOKIE, L"Show Cookies");
  AppendMenuW(view, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(view, MF_STRING, IDM_RECDOC, L"Show Windows Recent Documents");
  AppendMenuW(view, MF_STRING, IDM_SEARCH, L"Show Search Histroy");
  AppendMenuW(view, MF_STRING, IDM_RUN, L"Show Run History");
  AppendMenuW(view, MF_STRING, IDM_OPEN, L"Show Open/Save History");
  AppendMenuW(view, MF_STRING, IDM_INDEX, L"Show Index.dat file");
  AppendMenuW(view, MF_STRING, IDM_FILTER, L"&Filter Lines\u2026\tCtrl+F");
  AppendMenuW(view, MF_STRING, IDM_REFRESHVIEW, L"&Refresh View\tF5");
  AppendMenuW(view, MF_STRING | MF_UNCHECKED, IDM_TIMESUTC, L"Times in &UTC (ISO 8601)");
  // Views added after the specified ones come here, before "Exit": the
  // timeline and the list of sources, then a submenu for each kind of view.
  const std::vector<ViewDef>& table = Views();
  const auto addViews = [&table](HMENU menu, ViewGroup group) {
    for (size_t i = 0; i < table.size(); ++i) {
      if (table[i].menuCaption && table[i].group == group) {
        AppendMenuW(menu, MF_STRING, IDM_FIRST_TABLE_VIEW + static_cast<UINT_PTR>(i), AsWide(table[i].menuCaption).c_str());
      }
    }
  };
  addViews(view, ViewGroup::kFirstLevel);
  static const struct {
    ViewGroup group;
    const wchar_t* caption;
  } kGroups[] = {
      {ViewGroup::kDocuments, L"&Documents and Folders"}, {ViewGroup::kPrograms, L"&Programs Run"},
      {ViewGroup::kBrowsers, L"&Browsers"},               {ViewGroup::kSearches, L"&Searches and Typed"},
      {ViewGroup::kSystem, L"S&ystem"},
  };
  for (const auto& g : kGroups) {
    HMENU sub = CreatePopupMenu();
    addViews(sub, g.group);
    if (GetMenuItemCount(sub) > 0) {
      AppendMenuW(view, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), g.caption);
    } else {
      DestroyMenu(sub);
    }
  }
  // Another user's profile, and back.
  AppendMenuW(view, MF_STRING, IDM_OPENPROFILE, L"Open Pr&ofile\u2026\tCtrl+O");
  AppendMenuW(view, MF_STRING, IDM_OPENVOLUME, L"Open Windows &Volume\u2026");
  AppendMenuW(view, MF_STRING | MF_GRAYED, IDM_LIVEPROFILE, L"This &Computer's Profile");
  AppendMenuW(view, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(view, MF_STRING, IDM_EXIT, L"&Exit");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"&View");

  HMENU open = CreatePopupMenu();
  AppendMenuW(open, MF_STRING, IDM_OPOENIT, L"Open");
  AppendMenuW(open, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(open, MF_STRING, IDM_COPY, L"&Copy\tCtrl+C");
  AppendMenuW(open, MF_STRING, IDM_COPYWITHNAMES, L"Copy with Column &Names\tCtrl+Shift+C");
  AppendMenuW(open, MF_STRING, IDM_COPYCELL, L"Copy C&ell");
  AppendMenuW(open, MF_STRING, IDM_SELECTALL, L"Select &All\tCtrl+A");
  AppendMenuW(open, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(open, MF_STRING, IDM_SAVESELECTED, L"Save &Selected Lines\u2026");
  AppendMenuW(open, MF_STRING, IDM_SAVEALL, L"Save All &Lines\u2026\tCtrl+S");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(open), L"Open");

  HMENU help = CreatePopupMenu();
  AppendMenuW(help, MF_STRING, IDM_HELP, L"Help");
  AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(help, MF_STRING, IDM_XX1, L"Download Clearwick To Erase The Tracks");
  AppendMenuW(help, MF_STRING, IDM_XX3, L"Download a more powerful Vantorel");
  AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(help, MF_STRING, IDM_ABOUT1, L"About");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"Help");
  return bar;
}

void frmViewer::CreateControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  uiFont_.reset(MakeMessageFont());
  linkFont_.reset(MakeFont(L"MS Sans Serif", 825, dpi_, true));

  for (const ControlSpec& def : kMainControls) {
    DWORD style = WS_CHILD | WS_VISIBLE;
    switch (def.id) {
      case IDC_SBAR1: style |= SBARS_SIZEGRIP | WS_CLIPSIBLINGS; break;
      case IDC_URLS: style |= LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_BORDER; break;
      case IDC_PBAR1: break;
      case IDC_LABEL1:
      case IDC_LABEL2: style |= SS_NOTIFY | SS_LEFTNOWORDWRAP; break;
      default: style |= BS_PUSHBUTTON | WS_TABSTOP; break;
    }
    const TwipRect& t = def.rect;
    HWND control =
        CreateWindowExW(0, def.className, def.caption, style, TwipsToPixels(t.left, dpi_), TwipsToPixels(t.top, dpi_),
                        TwipsToPixels(t.width, dpi_), TwipsToPixels(t.height, dpi_), hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(def.id)), instance, nullptr);
    const bool isLabel = def.id == IDC_LABEL1 || def.id == IDC_LABEL2;
    HFONT font = isLabel ? linkFont_.get() : uiFont_.get();
    if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  URLs_ = GetDlgItem(hwnd_, IDC_URLS);
  SBar1_ = GetDlgItem(hwnd_, IDC_SBAR1);
  PBar1_ = GetDlgItem(hwnd_, IDC_PBAR1);
  Command1_ = GetDlgItem(hwnd_, IDC_COMMAND1);
  Label1_ = GetDlgItem(hwnd_, IDC_LABEL1);
  Label2_ = GetDlgItem(hwnd_, IDC_LABEL2);

  if (URLs_) {
    ListView_SetExtendedListViewStyle(URLs_, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
  }
  // The progress bar and Cancel lie over the first status panel and are drawn
  // above it; the status bar clips them out of its own painting.
  if (PBar1_) {
    SetWindowPos(PBar1_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(PBar1_, PBM_SETRANGE32, 0, 100);
  }
  if (Command1_) SetWindowPos(Command1_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  CreateCellTip();
  CreateFilterBox();
  WatchHeaderDividers();

  layout_.urls = CreatedAt(IDC_URLS);
  layout_.pbar = CreatedAt(IDC_PBAR1);
  layout_.label1 = CreatedAt(IDC_LABEL1);
  layout_.label2 = CreatedAt(IDC_LABEL2);
  layout_.cancel = CreatedAt(IDC_COMMAND1);
  layout_.panel1Width = 7440;
  SetPanelWidths(layout_.panel1Width);
}

void frmViewer::Form_Load() {
  // Each step stands on its own: a history store that cannot be made leaves
  // the window without one, and the view still writes its count.
  history_ = CURLHistory::Create();
  mnuRefresh_Click(0);
  ShowProgress(false);
}

void frmViewer::Form_Resize() {
  if (!hwnd_) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  const long sw = PixelsToTwips(client.right - client.left, dpi_);
  const long sh = PixelsToTwips(client.bottom - client.top, dpi_);
  ApplyResizeLayout(sw, sh, layout_);
  ApplyLayout(layout_);
}

void frmViewer::ApplyLayout(const MainLayout& l) {
  if (FilterVisible()) {
    // The box and its count take the top of the list's place; hidden, they
    // take nothing and every control is where the layout puts it.
    constexpr long kBox = 300, kGap = 60, kCount = 2400;
    const long boxWidth = std::max(0L, l.urls.width - kCount - kGap);
    MoveTwips(filter_, {l.urls.left, l.urls.top, boxWidth, kBox});
    MoveTwips(filterCount_, {l.urls.left + boxWidth + kGap, l.urls.top + 45, kCount, kBox - 45});
    MoveTwips(URLs_, {l.urls.left, l.urls.top + kBox + kGap, l.urls.width, std::max(0L, l.urls.height - kBox - kGap)});
  } else {
    MoveTwips(URLs_, l.urls);
  }
  SetPanelWidths(l.panel1Width);
  MoveTwips(PBar1_, l.pbar);
  MoveTwips(Label1_, l.label1);
  MoveTwips(Label2_, l.label2);
  MoveTwips(Command1_, l.cancel);
  // The links draw their text on the window's own background: after a move
  // the bits copied from their old place (or none, after a maximize) are not
  // what they show, so they are drawn afresh.
  for (HWND link : {Label1_, Label2_}) {
    if (link) RedrawWindow(link, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  }
}

void frmViewer::MoveTwips(HWND control, const TwipRect& r) {
  if (!control) return;
  MoveWindow(control, TwipsToPixels(r.left, dpi_), TwipsToPixels(r.top, dpi_), TwipsToPixels(r.width, dpi_),
             TwipsToPixels(r.height, dpi_), TRUE);
}

void frmViewer::SetPanelWidths(long panel1Twips) {
  if (!SBar1_) return;
  const int p1 = TwipsToPixels(panel1Twips, dpi_);
  int edges[2] = {p1, p1 + TwipsToPixels(kPanel2Twips, dpi_)};
  SendMessageW(SBar1_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
}

// ---------------------------------------------------------------------------
// Commands that are not views.

void frmViewer::Command1_Click() {
  CancelRequested = kTrue;
  if (Command1_) ShowWindow(Command1_, SW_HIDE);
}

void frmViewer::mnuExit_Click() {
  if (hwnd_) DestroyWindow(hwnd_);
}

void frmViewer::OpenPage(const wchar_t* url) { OpenWebPage(hwnd_, url); }

void frmViewer::Label1_Click() { OpenPage(kClearwickPage); }
void frmViewer::Label2_Click() { OpenPage(kVantorelPage); }
void frmViewer::xx1_Click() { OpenPage(kClearwickPage); }
void frmViewer::xx3_Click() { OpenPage(kVantorelPage); }

void frmViewer::mnuAbout1_Click() { frmAbout::ShowAbout(); }

void frmViewer::mnuhelp_Click() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  Shell().Open(hwnd_, HelpFilePath(std::wstring(path, n)), L"", L"", SW_SHOWNORMAL);
}

// ---------------------------------------------------------------------------
// Messages.

LRESULT CALLBACK frmViewer::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    // The object rides in the creation parameters; from here on every
    // message of this window reaches it.
    auto* created = static_cast<frmViewer*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    created->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  frmViewer* self = FromHwnd(hwnd, &frmViewer::WndProc);
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  try {
    return self->HandleMessage(msg, wParam, lParam);
  } catch (...) {
    // Nothing may unwind through the system's frames; the message is dropped.
    // A command that failed part-way (out of memory, most likely) must not
    // leave a view that looks busy: the bar and Cancel go, and the count of
    // the lines that are in the list is written.
    try {
      if (self->ProgressVisible() || self->CancelVisible()) {
        self->ShowProgress(false);
        self->WriteCount();
      }
    } catch (...) {
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

LRESULT frmViewer::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_FILTER) {
        if (HIWORD(wParam) == EN_CHANGE) {
          const int n = GetWindowTextLengthW(filter_);
          std::wstring text(static_cast<size_t>(n) + 1, L'\0');
          text.resize(static_cast<size_t>(GetWindowTextW(filter_, text.data(), n + 1)));
          SetFilterText(text);
        }
        return 0;
      }
      if (lParam == 0 || HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == STN_CLICKED) {
        OnCommand(LOWORD(wParam));
        return 0;
      }
      break;
    case WM_NOTIFY: return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_CONTEXTMENU:
      if (URLs_ && reinterpret_cast<HWND>(wParam) == ListView_GetHeader(URLs_)) {
        ShowHeaderMenu(lParam);
        return 0;
      }
      if (reinterpret_cast<HWND>(wParam) == URLs_) {
        ShowContextMenu(lParam);
        return 0;
      }
      break;
    case WM_SIZE:
      if (SBar1_) SendMessageW(SBar1_, WM_SIZE, 0, 0);
      Form_Resize();
      return 0;
    case WM_SETCURSOR: {
      HWND over = reinterpret_cast<HWND>(wParam);
      if (over && (over == Label1_ || over == Label2_)) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    case WM_CTLCOLORSTATIC: {
      HWND control = reinterpret_cast<HWND>(lParam);
      if (control == Label1_ || control == Label2_) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHT));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
    case WM_NCDESTROY: {
      // Loops that are still running see that the window is gone.
      const LRESULT r = DefWindowProcW(hwnd_, msg, wParam, lParam);
      SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = URLs_ = SBar1_ = PBar1_ = Command1_ = Label1_ = Label2_ = tip_ = nullptr;
      filter_ = filterCount_ = filterTip_ = nullptr;
      ++listEpoch_;
      if (quitOnDestroy_) WindowGone();
      return r;
    }
    default: break;
  }
  return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

void frmViewer::OnCommand(int id) {
  switch (id) {
    // Each button only calls the handler of its menu entry.
    case IDC_CMDURL: mnuRefresh_Click(1); break;
    case IDC_CMDADDRESS: mnuSep_Click(); break;
    case IDC_CMDCOOKIES: mnuCookie_Click(); break;
    case IDC_CMDDOC: mnuRecDoc_Click(); break;
    case IDC_CMDSEARCH: mnuSearch_Click(); break;
    case IDC_CMDRUN: mnurun_Click(); break;
    case IDC_CMDOPEN: mnuOpen_Click(); break;
    case IDC_CMDINDEX: cmdIndex_Click(); break;
    case IDC_COMMAND1: Command1_Click(); break;
    case IDC_LABEL1: Label1_Click(); break;
    case IDC_LABEL2: Label2_Click(); break;

    case IDM_REFRESH: mnuRefresh_Click(0); break;
    case IDM_SEP: mnuSep_Click(); break;
    case IDM_COOKIE: mnuCookie_Click(); break;
    case IDM_RECDOC: mnuRecDoc_Click(); break;
    case IDM_SEARCH: mnuSearch_Click(); break;
    case IDM_RUN: mnurun_Click(); break;
    case IDM_OPEN: mnuOpen_Click(); break;
    case IDM_INDEX: cmdIndex_Click(); break;
    case IDM_EXIT: mnuExit_Click(); break;
    case IDM_OPOENIT: mnuOpoenIt_Click(); break;
    case IDM_HELP: mnuhelp_Click(); break;
    case IDM_XX1: xx1_Click(); break;
    case IDM_XX3: xx3_Click(); break;
    case IDM_ABOUT1: mnuAbout1_Click(); break;
    case IDM_COPY: mnuCopy_Click(); break;
    case IDM_COPYCELL: mnuCopyCell_Click(); break;
    case IDM_SELECTALL: mnuSelectAll_Click(); break;
    case IDM_SAVESELECTED: mnuSaveSelected_Click(); break;
    case IDM_SAVEALL: mnuSaveAll_Click(); break;
    case IDM_FILTER: mnuFilter_Click(); break;
    case IDM_REFRESHVIEW: mnuRefreshView_Click(); break;
    case IDM_OPENPROFILE: mnuOpenProfile_Click(); break;
    case IDM_OPENVOLUME: mnuOpenVolume_Click(); break;
    case IDM_LIVEPROFILE: mnuLiveProfile_Click(); break;
    case IDM_PROPERTIES: mnuProperties_Click(); break;
    case IDM_OPENFOLDER: mnuOpenFolder_Click(); break;
    case IDM_SORTASCENDING: SortBy(headerMenuColumn_ + 1, false); break;
    case IDM_SORTDESCENDING: SortBy(headerMenuColumn_ + 1, true); break;
    case IDM_SOURCEORDER: SourceOrder(); break;
    case IDM_COPYWITHNAMES: mnuCopyWithNames_Click(); break;
    case IDM_TIMESUTC: mnuTimesUtc_Click(); break;
    case IDM_FITCOLUMNS: FitColumns(); break;
    default:
      if (id >= IDM_FIRST_TABLE_VIEW && static_cast<size_t>(id - IDM_FIRST_TABLE_VIEW) < Views().size()) {
        ShowView(Views()[static_cast<size_t>(id - IDM_FIRST_TABLE_VIEW)], false);
      }
      break;
  }
}

// The handlers of the view commands: each runs its view.
void frmViewer::mnuRefresh_Click(int /*index*/) { RunView(L"cache"); }
void frmViewer::mnuSep_Click() { RunView(L"url"); }
void frmViewer::mnuCookie_Click() { RunView(L"cookies"); }
void frmViewer::mnuRecDoc_Click() { RunView(L"recdoc"); }
void frmViewer::mnuSearch_Click() { RunView(L"search"); }
void frmViewer::mnurun_Click() { RunView(L"run"); }
void frmViewer::mnuOpen_Click() { RunView(L"open"); }
void frmViewer::cmdIndex_Click() { RunView(L"index.dat"); }

LRESULT frmViewer::OnNotify(NMHDR* header) {
  if (header && filterTip_ && header->hwndFrom == filterTip_ && header->code == TTN_GETDISPINFOW) {
    tipText_ = FilterTip();
    reinterpret_cast<NMTTDISPINFOW*>(header)->lpszText = tipText_.data();
    return 0;
  }
  if (header && tip_ && header->hwndFrom == tip_ && header->code == TTN_GETDISPINFOW) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
    POINT at{};
    GetCursorPos(&at);
    ScreenToClient(URLs_, &at);
    tipText_ = CellTip(at);
    info->lpszText = tipText_.data();
    return 0;
  }
  // A click on panel 1 while it names what could not be read shows the
  // Sources view, which lists every source with its status.
  if (header && SBar1_ && header->hwndFrom == SBar1_ && header->code == NM_CLICK) {
    if (panelNamesFailures_ && reinterpret_cast<NMMOUSE*>(header)->dwItemSpec == 0) RunView(L"sources");
    return 0;
  }
  if (!header || header->hwndFrom != URLs_ || !URLs_) return 0;
  switch (header->code) {
    case LVN_GETDISPINFOW: {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
      LVITEMW& item = info->item;
      if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0 && item.iItem >= 0 && item.iSubItem >= 0) {
        const std::wstring text = CellText(static_cast<size_t>(item.iItem), static_cast<size_t>(item.iSubItem));
        const size_t n = std::min(text.size(), static_cast<size_t>(item.cchTextMax) - 1);
        std::copy(text.data(), text.data() + n, item.pszText);
        item.pszText[n] = L'\0';
      }
      return 0;
    }
    case LVN_COLUMNCLICK: {
      // A plain click orders ascending, as it always has; with Shift held,
      // newest or largest first.
      const int position = reinterpret_cast<NMLISTVIEW*>(header)->iSubItem + 1;
      if (GetKeyState(VK_SHIFT) < 0) {
        SortBy(position, true);
      } else {
        URLs_ColumnClick(position);
      }
      return 0;
    }
    case LVN_ODFINDITEMW: return FindLine(*reinterpret_cast<NMLVFINDITEMW*>(header));
    case NM_CLICK:
    case NM_RCLICK: {
      const auto* click = reinterpret_cast<NMITEMACTIVATE*>(header);
      clickedItem_ = click->iItem;
      clickedSubItem_ = click->iSubItem;
      return 0;
    }
    case NM_DBLCLK: URLs_DblClick(); return 0;
    case NM_RETURN: URLs_DblClick(); return 0;
    default: return 0;
  }
}

// Typing in the list jumps to the next line whose text begins with what was
// typed (letters without regard to case), from the line the list names,
// wrapping round; -1 when none does.
LRESULT frmViewer::FindLine(const NMLVFINDITEMW& find) const {
  if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return -1;
  const std::wstring typed = find.lvfi.psz;
  const size_t count = model_.ShownCount();
  if (count == 0 || typed.empty()) return -1;
  const bool partial = (find.lvfi.flags & LVFI_PARTIAL) != 0;
  const size_t start = find.iStart >= 0 && static_cast<size_t>(find.iStart) < count ? find.iStart : 0;
  for (size_t k = 0; k < count; ++k) {
    const size_t i = (start + k) % count;
    const size_t row = model_.RowAt(i);
    if (!model_.TextStartsWith(row, 0, AsU16(typed))) continue;
    if (!partial && model_.TextOfRow(row, 0).size() != typed.size()) continue;
    return static_cast<LRESULT>(i);
  }
  return -1;
}

// Tab and Shift+Tab walk the controls in their tab order; Escape presses
// Cancel while a long load shows it. The About box gets the keyboard of a
// dialog (Tab, Enter, Escape).
bool frmViewer::PreTranslate(MSG& msg) {
  if (frmAbout* about = frmAbout::Current()) {
    HWND box = about->hwnd();
    if (box && (msg.hwnd == box || IsChild(box, msg.hwnd))) return IsDialogMessageW(box, &msg) != FALSE;
  }
  // The properties window is a dialog to the keyboard too.
  if (HWND properties = PropertiesWindow()) {
    if (msg.hwnd == properties || IsChild(properties, msg.hwnd)) return IsDialogMessageW(properties, &msg) != FALSE;
  }
  if (msg.message != WM_KEYDOWN) return false;
  // Only the main window and its controls: not the windows it owns.
  frmViewer* self = msg.hwnd ? FromHwnd(GetAncestor(msg.hwnd, GA_ROOT), &frmViewer::WndProc) : nullptr;
  if (!self || !self->hwnd_) return false;
  if (msg.wParam == VK_TAB) return self->TabFrom(GetFocus(), GetKeyState(VK_SHIFT) < 0);
  const bool ctrl = GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0;
  // Escape stops an order under way; the list stays as it was.
  if (msg.wParam == VK_ESCAPE && self->ordering_ > 0) {
    self->orderStop_ = true;
    return true;
  }
  // In the filter box Escape shows every line again and hides the box.
  if (msg.hwnd == self->filter_ && msg.wParam == VK_ESCAPE) {
    self->HideFilter();
    return true;
  }
  // The commands go through the window procedure, which keeps anything
  // thrown (out of memory, most likely) from unwinding into the message loop.
  auto command = [self](int id) {
    SendMessageW(self->hwnd_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return true;
  };
  if (msg.wParam == 'F' && ctrl) return command(IDM_FILTER);
  if (msg.wParam == VK_F5) return command(IDM_REFRESHVIEW);
  // Ctrl+S saves every line, from anywhere in the window.
  if (msg.wParam == 'S' && ctrl) return command(IDM_SAVEALL);
  if (msg.wParam == 'O' && ctrl) return command(IDM_OPENPROFILE);
  // F1 opens the help file; Ctrl+Plus (the keypad's, or the key of "=" and
  // "+") fits every column to what it shows.
  if (msg.wParam == VK_F1 && GetKeyState(VK_MENU) >= 0) return command(IDM_HELP);
  if (ctrl && (msg.wParam == VK_ADD || msg.wParam == VK_OEM_PLUS)) return command(IDM_FITCOLUMNS);
  // Ctrl and a view's key shows that view.
  if (ctrl && GetKeyState(VK_SHIFT) >= 0) {
    const std::vector<ViewDef>& table = Views();
    for (size_t i = 0; i < table.size(); ++i) {
      if (table[i].shortcut != 0 && msg.wParam == static_cast<WPARAM>(table[i].shortcut)) {
        return command(IDM_FIRST_TABLE_VIEW + static_cast<int>(i));
      }
    }
  }
  // The list's own keys: Ctrl+C copies the selected lines, Ctrl+A selects
  // every line.
  if (msg.hwnd == self->URLs_ && ctrl) {
    if (msg.wParam == 'C') return command(GetKeyState(VK_SHIFT) < 0 ? IDM_COPYWITHNAMES : IDM_COPY);
    if (msg.wParam == 'A') return command(IDM_SELECTALL);
  }
  if (msg.wParam == VK_ESCAPE && self->CancelVisible()) {
    self->Command1_Click();
    return true;
  }
  return false;
}

bool frmViewer::TabFrom(HWND focus, bool backwards) {
  // The controls in their tab order; the filter box, while shown, comes
  // right before the list.
  std::vector<HWND> order;
  for (const ControlSpec& def : kMainControls) {
    if (def.id == IDC_URLS && FilterVisible()) order.push_back(filter_);
    order.push_back(Control(def.id));
  }
  const int count = static_cast<int>(order.size());
  int at = -1;
  for (int i = 0; i < count; ++i) {
    if (order[i] == focus) at = i;
  }
  const int start = at >= 0 ? at : (backwards ? 0 : count - 1);
  for (int step = 1; step <= count; ++step) {
    const int i = (start + (backwards ? count - step : step)) % count;
    HWND c = order[i];
    if (c && (GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) && IsWindowVisible(c) && IsWindowEnabled(c)) {
      SetFocus(c);
      return true;
    }
  }
  return false;
}

}  // namespace glimmerlog
