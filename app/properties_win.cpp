#include "app/properties.h"

#include <commctrl.h>

#include "base/controls_win.h"
#include "base/winutil_win.h"

namespace glimmerlog {

namespace {

constexpr wchar_t kClassName[] = L"GlimmerlogProperties";
enum : int { kTextId = 601, kCopyId, kCloseId };
HWND g_window = nullptr;
HFONT g_font = nullptr;

std::wstring EditText() {
  HWND edit = g_window ? GetDlgItem(g_window, kTextId) : nullptr;
  if (!edit) return {};
  const int n = GetWindowTextLengthW(edit);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(edit, text.data(), n + 1)));
  return text;
}

void Layout(HWND w) {
  RECT r{};
  GetClientRect(w, &r);
  const int dpi = WindowDpi(w);
  const int pad = MulDiv(8, dpi, 96), bw = MulDiv(80, dpi, 96), bh = MulDiv(25, dpi, 96);
  MoveWindow(GetDlgItem(w, kTextId), pad, pad, r.right - 2 * pad, r.bottom - 3 * pad - bh, TRUE);
  MoveWindow(GetDlgItem(w, kCloseId), r.right - pad - bw, r.bottom - pad - bh, bw, bh, TRUE);
  MoveWindow(GetDlgItem(w, kCopyId), r.right - 2 * (pad + bw), r.bottom - pad - bh, bw, bh, TRUE);
}

LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SIZE: Layout(w); return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kCloseId || LOWORD(wParam) == IDCANCEL) {
        DestroyWindow(w);
        return 0;
      }
      if (LOWORD(wParam) == kCopyId) {
        // The selection when there is one, otherwise everything.
        HWND edit = GetDlgItem(w, kTextId);
        DWORD from = 0, to = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        if (from == to) SendMessageW(edit, EM_SETSEL, 0, -1);
        SendMessageW(edit, WM_COPY, 0, 0);
        return 0;
      }
      break;
    case WM_NCDESTROY:
      if (g_window == w) g_window = nullptr;
      break;
    default: break;
  }
  return DefWindowProcW(w, msg, wParam, lParam);
}

}  // namespace

HWND PropertiesWindow() { return g_window; }
std::wstring PropertiesText() { return EditText(); }

void ShowProperties(HWND owner, const std::wstring& text) {
  if (!g_window) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    if (!GetClassInfoExW(instance, kClassName, &wc)) {
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = &Proc;
      wc.hInstance = instance;
      wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      wc.lpszClassName = kClassName;
      if (!RegisterClassExW(&wc)) return;
    }
    const int dpi = WindowDpi(owner);
    g_window =
        CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, L"Properties", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, MulDiv(520, dpi, 96), MulDiv(360, dpi, 96), owner, nullptr, instance, nullptr);
    if (!g_window) return;
    if (!g_font) g_font = MakeMessageFont();  // kept for the life of the program, as the window may come again
    const DWORD editStyle =
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
    HWND controls[] = {
        CreateWindowExW(WS_EX_CLIENTEDGE, WC_EDITW, L"", editStyle, 0, 0, 0, 0, g_window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextId)), instance, nullptr),
        CreateWindowExW(0, WC_BUTTONW, L"&Copy", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0,
                        g_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCopyId)), instance, nullptr),
        CreateWindowExW(0, WC_BUTTONW, L"Close", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0, 0,
                        g_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCloseId)), instance, nullptr)};
    for (HWND c : controls) {
      if (c && g_font) SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(g_font), FALSE);
    }
    Layout(g_window);
  }
  SetDlgItemTextW(g_window, kTextId, text.c_str());
  ShowWindow(g_window, SW_SHOWNORMAL);
  SetForegroundWindow(g_window);
}

}  // namespace glimmerlog
