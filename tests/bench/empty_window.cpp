// The smallest Win32 program that shows a window: the baseline of the
// start-up benchmark. It shows its window, draws it and ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszClassName = L"EmptyWindow";
  RegisterClassW(&wc);
  HWND w = CreateWindowW(wc.lpszClassName, L"empty", WS_OVERLAPPEDWINDOW, 0, 0, 680, 480, nullptr, nullptr, instance,
                         nullptr);
  ShowWindow(w, SW_SHOWNORMAL);
  UpdateWindow(w);
  DestroyWindow(w);
  return 0;
}
