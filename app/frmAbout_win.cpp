#include "app/frmAbout.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "app/frmViewer.h"
#include "base/controls_win.h"
#include "app/mainpro.h"
#include "base/shell.h"

namespace glimmerlog {

// The maker's main host carries the Clearwick page and the support pages; the
// second host carries Vantorel.
const wchar_t kClearwickPage[] = L"http://www.glimmersoft.example/index1.htm";
const wchar_t kVantorelPage[] = L"http://www.glimmersoft-tools.example/index1.htm";
const wchar_t kSupportPage[] = L"http://www.glimmersoft.example/glimmerlog/faq.htm";

// The browser decides how its window appears; the shell call itself asks for
// no window.
void OpenWebPage(HWND owner, const wchar_t* url) { Shell().Open(owner, url, nullptr, nullptr, SW_HIDE); }

namespace {

constexpr wchar_t kClassName[] = L"GlimmerlogAbout";
constexpr long kClientWidth = 4485, kClientHeight = 4530;
frmAbout* g_current = nullptr;
int g_created = 0;

const ChildSpec kControls[] = {
    {IDC_AB_IMAGE1, L"STATIC", L"", SS_BITMAP | SS_REALSIZECONTROL, {0, 0, 4305, 1680}},
    {IDC_AB_LABEL11, L"STATIC", L"About Glimmerlog (tm)", SS_LEFT, {240, 1800, 3135, 495}},
    {IDC_AB_LABEL13, L"STATIC", L"Copyright (C) Glimmersoft. Reads; never writes.", SS_LEFT, {240, 2160, 3255, 375}},
    {IDC_AB_LABEL4, L"STATIC", L"Online Support", SS_LEFT | SS_NOTIFY, {240, 2640, 2895, 255}},
    {IDC_AB_LABEL1,
     L"STATIC",
     L"Download Clearwick to erase all the tracks ",
     SS_LEFT | SS_NOTIFY,
     {240, 3120, 3855, 255}},
    {IDC_AB_LABEL2,
     L"STATIC",
     L"Download a more powerful spyware Vantorel",
     SS_LEFT | SS_NOTIFY,
     {240, 3480, 3855, 255}},
    {IDC_AB_FRAME1, L"STATIC", L"", SS_ETCHEDFRAME, {-240, 3840, 4695, 135}},
    {IDC_AB_CMDEXIT, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, {3360, 4080, 975, 375}},
};

}  // namespace

frmAbout* frmAbout::Current() { return g_current; }
int frmAbout::Created() { return g_created; }

void frmAbout::ShowAbout() {
  if (g_current && g_current->hwnd_) {
    ShowWindow(g_current->hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(g_current->hwnd_);
    BringWindowToTop(g_current->hwnd_);
    return;
  }
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  if (!GetClassInfoExW(instance, kClassName, &wc)) {
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &frmAbout::WndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) return;
  }
  // The window owns its object from WM_NCCREATE on and deletes it at
  // WM_NCDESTROY, also when creation fails after that point.
  auto* about = new frmAbout;
  const int made = g_created;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  const int dpi = WindowDpi(nullptr);
  RECT r{0, 0, TwipsToPixels(kClientWidth, dpi), TwipsToPixels(kClientHeight, dpi)};
  AdjustWindowRectEx(&r, style, FALSE, WS_EX_DLGMODALFRAME);
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  if (!CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, L"About Us", style, x, y, w, h, nullptr, nullptr, instance,
                       about)) {
    if (g_created == made) delete about;  // never reached WM_NCCREATE
    return;
  }
  ShowWindow(about->hwnd_, SW_SHOWNORMAL);
}

LRESULT CALLBACK frmAbout::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* created = static_cast<frmAbout*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    created->hwnd_ = hwnd;
    g_current = created;
    ++g_created;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* self = reinterpret_cast<frmAbout*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    // The box is unloaded: the next "About" makes a fresh one.
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    if (g_current == self) g_current = nullptr;
    delete self;
    const LRESULT r = DefWindowProcW(hwnd, msg, wParam, lParam);
    WindowGone();
    return r;
  }
  try {
    return self->HandleMessage(msg, wParam, lParam);
  } catch (...) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

namespace {

// The logo for a picture frame of w x h pixels: the 96-dpi drawing where it
// fits exactly, otherwise the 192-dpi drawing, scaled down with averaging
// where the frame is smaller (a stretched small bitmap would look blocky).
HBITMAP LogoFor(int w, int h) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  const bool small = w <= 287 && h <= 112;
  UniqueBitmap drawn(static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(small ? 2 : 3), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!drawn) return nullptr;
  BITMAP info{};
  GetObjectW(drawn.get(), sizeof(info), &info);
  if (info.bmWidth == w && info.bmHeight == h) return drawn.release();

  HDC screen = GetDC(nullptr);
  HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
  UniqueBitmap scaled(CreateCompatibleBitmap(screen, w, h));
  if (from && to && scaled) {
    HGDIOBJ oldFrom = SelectObject(from, drawn.get()), oldTo = SelectObject(to, scaled.get());
    SetStretchBltMode(to, HALFTONE);
    SetBrushOrgEx(to, 0, 0, nullptr);
    StretchBlt(to, 0, 0, w, h, from, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
  }
  if (from) DeleteDC(from);
  if (to) DeleteDC(to);
  ReleaseDC(nullptr, screen);
  return scaled ? scaled.release() : drawn.release();
}

// Widens a label to hold its text on one line in its font, up to the right
// edge of its window: text sizes do not grow in step with the dots per inch,
// so a label laid out at 96 dpi may be too narrow at 144.
void FitToText(HWND label, HFONT font, int rightEdge) {
  wchar_t text[256] = {};
  const int n = GetWindowTextW(label, text, static_cast<int>(std::size(text)));
  RECT at{};
  GetWindowRect(label, &at);
  MapWindowPoints(nullptr, GetParent(label), reinterpret_cast<POINT*>(&at), 2);
  HDC dc = GetDC(label);
  HGDIOBJ old = SelectObject(dc, font);
  RECT need{0, 0, 0, 0};
  DrawTextW(dc, text, n, &need, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  const int width = std::min<int>(std::max<int>(at.right - at.left, need.right + 2), rightEdge - at.left);
  const int height = std::max<int>(at.bottom - at.top, need.bottom);
  SetWindowPos(label, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void frmAbout::CreateControls() {
  const int dpi = WindowDpi(hwnd_);
  uiFont_.reset(MakeMessageFont());
  linkFont_.reset(MakeFont(L"MS Sans Serif", 825, dpi, true));
  titleFont_.reset(MakeFont(L"MS Serif", 1350, dpi, false));
  RECT client{};
  GetClientRect(hwnd_, &client);
  int link = 0;
  for (const ChildSpec& c : kControls) {
    const bool isLink = (c.style & SS_NOTIFY) != 0;
    HFONT font = isLink ? linkFont_.get() : c.id == IDC_AB_LABEL11 ? titleFont_.get() : uiFont_.get();
    HWND control = CreateChild(hwnd_, c, dpi, font);
    if (!control) continue;
    if (isLink && link < 3) links_[link++] = control;
    if (c.id == IDC_AB_IMAGE1) {
      // Drawn for this density at build time (or scaled down from the larger
      // drawing), so the control shows it at its own size.
      const int w = TwipsToPixels(c.rect.width, dpi), h = TwipsToPixels(c.rect.height, dpi);
      logo_.reset(LogoFor(w, h));
      SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo_.get()));
      MoveWindow(control, TwipsToPixels(c.rect.left, dpi), TwipsToPixels(c.rect.top, dpi), w, h, FALSE);
    } else if (wcscmp(c.className, L"STATIC") == 0 && c.caption[0] && font) {
      FitToText(control, font, client.right);
    }
  }
}

LRESULT frmAbout::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: CreateControls(); return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_AB_LABEL4: Label4_Click(); return 0;
        case IDC_AB_LABEL1: Label1_Click(); return 0;
        case IDC_AB_LABEL2: Label2_Click(); return 0;
        case IDC_AB_CMDEXIT: cmdExit_Click(); return 0;
        case IDOK:      // Enter
        case IDCANCEL:  // Escape
          cmdExit_Click();
          return 0;
        default: break;
      }
      break;
    case WM_SETCURSOR: {
      HWND over = reinterpret_cast<HWND>(wParam);
      for (HWND l : links_) {
        if (over && over == l) {
          SetCursor(LoadCursorW(nullptr, IDC_HAND));
          return TRUE;
        }
      }
      break;
    }
    case WM_CTLCOLORSTATIC: {
      HWND control = reinterpret_cast<HWND>(lParam);
      for (HWND l : links_) {
        if (control == l) {
          HDC dc = reinterpret_cast<HDC>(wParam);
          SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHT));
          SetBkMode(dc, TRANSPARENT);
          return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
      }
      break;
    }
    default: break;
  }
  return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

void frmAbout::Label4_Click() { OpenWebPage(hwnd_, kSupportPage); }
void frmAbout::Label1_Click() { OpenWebPage(hwnd_, kClearwickPage); }
void frmAbout::Label2_Click() { OpenWebPage(hwnd_, kVantorelPage); }
void frmAbout::cmdExit_Click() { DestroyWindow(hwnd_); }

}  // namespace glimmerlog
