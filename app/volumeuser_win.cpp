#include "app/volumeuser_win.h"

#include "base/controls_win.h"
#include "base/winutil_win.h"

namespace glimmerlog {

namespace {

enum : int { kList = 401, kOk, kCancel };

// Twips in the client area, in tab order.
const ChildSpec kChildren[] = {
    {0, L"STATIC", L"The volume has several users. Show the traces of:", SS_LEFT, {120, 120, 5400, 255}},
    {kList, L"LISTBOX", L"", LBS_NOTIFY | WS_VSCROLL | WS_TABSTOP, {120, 420, 5400, 2100}},
    {kOk, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, {2880, 2640, 1215, 375}},
    {kCancel, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, {4305, 2640, 1215, 375}},
};
constexpr long kClientWidth = 5640, kClientHeight = 3135;

struct Chooser {
  const std::vector<std::wstring>* users = nullptr;
  int chosen = -1;
  UniqueHfont font;
};

void Layout(HWND hwnd, Chooser& c) {
  const int dpi = WindowDpi(hwnd);
  SizeDialogAndCentre(hwnd, kClientWidth, kClientHeight);
  c.font.reset(MakeMessageFont());
  for (const ChildSpec& child : kChildren) {
    CreateChild(hwnd, child, dpi, c.font.get(), child.id == kList ? WS_EX_CLIENTEDGE : 0);
  }
  HWND list = GetDlgItem(hwnd, kList);
  for (const std::wstring& user : *c.users) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(user.c_str()));
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  SetFocus(list);
}

INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* c = reinterpret_cast<Chooser*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  try {
    switch (msg) {
      case WM_INITDIALOG:
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        SetWindowTextW(hwnd, L"Choose a user");
        Layout(hwnd, *reinterpret_cast<Chooser*>(lParam));
        return FALSE;  // the focus is set
      case WM_COMMAND: {
        if (!c) break;
        const int id = LOWORD(wParam);
        const bool pick = id == kOk || id == IDOK || (id == kList && HIWORD(wParam) == LBN_DBLCLK);
        if (pick) {
          const LRESULT index = SendDlgItemMessageW(hwnd, kList, LB_GETCURSEL, 0, 0);
          c->chosen = index == LB_ERR ? -1 : static_cast<int>(index);
          EndDialog(hwnd, 1);
          return TRUE;
        }
        if (id == kCancel || id == IDCANCEL) {
          c->chosen = -1;
          EndDialog(hwnd, 0);
          return TRUE;
        }
        break;
      }
      case WM_CLOSE:
        EndDialog(hwnd, 0);
        return TRUE;
      default: break;
    }
  } catch (...) {
    // Nothing crosses the dialog procedure; the choice stays cancelled.
  }
  return FALSE;
}

}  // namespace

int ChooseVolumeUser(HWND owner, const std::vector<std::wstring>& users) {
  // An empty in-memory template: the controls are made at initialisation.
  struct alignas(DWORD) Template {
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
  } tpl{};
  tpl.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  Chooser chooser;
  chooser.users = &users;
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &tpl.header, owner, &Proc, reinterpret_cast<LPARAM>(&chooser));
  return chooser.chosen;
}

}  // namespace glimmerlog
