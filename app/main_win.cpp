// Entry point: the start-up procedure, then the message loop until the main
// window is gone.
#include <windows.h>

#include "app/frmViewer.h"
#include "app/mainpro.h"
#include "base/winutil_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace glimmerlog;
  ComInit com;
  // The window holds COM objects (the history store): they are released
  // before COM is shut down, on every way out of this function.
  struct ReleaseWindowFirst {
    ~ReleaseWindowFirst() { ReleaseMainWindow(); }
  } releaseFirst;
  SetMessageFilter(&frmViewer::PreTranslate);
  try {
    if (!Main()) return 0;
  } catch (...) {
    return 1;
  }
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchOne(msg);
  return 0;
}
