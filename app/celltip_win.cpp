// Tooltips of the main list: a cell whose text does not fit its column
// shows the whole text when the mouse rests on it. The column widths stay
// as they are.
#include "app/frmViewer.h"

#include <commctrl.h>

#include <algorithm>

#include "app/celltip.h"

namespace glimmerlog {

namespace {
// Room the list keeps free around a cell's text, left and right together.
constexpr long kCellPadding = 12;
constexpr UINT_PTR kListSubclassId = 1;
}  // namespace

void frmViewer::CreateCellTip() {
  if (!URLs_) return;
  tip_ =
      CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!tip_) return;
  // One tool, the whole list: the tooltip watches the list's mouse messages
  // and asks this window for the text each time it is about to show.
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(URLs_);
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, (work.right - work.left) * 2 / 3);
  SendMessageW(tip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
  // The list tells this window when the mouse moves to another cell.
  SetWindowSubclass(URLs_, &frmViewer::ListProc, kListSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK frmViewer::ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
  if (msg == WM_MOUSEMOVE) {
    try {
      reinterpret_cast<frmViewer*>(data)->OnListMouseMove(
          POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
    } catch (...) {
      // A tooltip that cannot be prepared is not shown; the list goes on.
    }
  } else if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, &frmViewer::ListProc, id);
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// A new cell under the mouse hides the tooltip of the last one; the tooltip
// asks for the new text (TTN_GETDISPINFO) when it shows again.
void frmViewer::OnListMouseMove(POINT at) {
  if (!URLs_ || !tip_) return;
  LVHITTESTINFO hit{};
  hit.pt = at;
  ListView_SubItemHitTest(URLs_, &hit);
  const int item = (hit.flags & LVHT_ONITEM) ? hit.iItem : -1;
  const int subItem = item >= 0 ? hit.iSubItem : -1;
  if (item == tipItem_ && subItem == tipSubItem_) return;
  tipItem_ = item;
  tipSubItem_ = subItem;
  SendMessageW(tip_, TTM_POP, 0, 0);
}

std::wstring frmViewer::CellTip(POINT listClient) const {
  if (!URLs_) return {};
  LVHITTESTINFO hit{};
  hit.pt = listClient;
  if (ListView_SubItemHitTest(URLs_, &hit) < 0 || !(hit.flags & LVHT_ONITEM) || hit.iItem < 0 || hit.iSubItem < 0 ||
      static_cast<size_t>(hit.iItem) >= model_.ShownCount()) {
    return {};
  }
  RECT cell{};
  if (!ListView_GetSubItemRect(URLs_, hit.iItem, hit.iSubItem, LVIR_LABEL, &cell)) return {};
  const std::wstring text = CellText(static_cast<size_t>(hit.iItem), static_cast<size_t>(hit.iSubItem));
  const long width = ListView_GetStringWidth(URLs_, text.c_str());
  if (!CellTextCutOff(width, cell.right - cell.left, kCellPadding)) return {};
  // Lines about as wide as the tooltip may be, so that a long address
  // without spaces does not run off the screen.
  const long maxWidth = static_cast<long>(SendMessageW(tip_, TTM_GETMAXTIPWIDTH, 0, 0));
  const long charWidth = std::max<long>(1, ListView_GetStringWidth(URLs_, L"n"));
  return WrapTipText(text, static_cast<size_t>(std::max<long>(20, maxWidth / charWidth)));
}

}  // namespace glimmerlog
