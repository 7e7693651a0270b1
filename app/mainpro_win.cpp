#include "app/mainpro.h"

#include <windows.h>

#include "app/frmAbout.h"
#include "app/frmViewer.h"
#include "base/winutil_win.h"
#include "sources/osversion/OsApi.h"

namespace glimmerlog {

namespace {
// Held for the life of the process: its existence marks a running copy.
UniqueHandle g_instanceMutex;
std::unique_ptr<frmViewer> g_mainWindow;

bool AnotherCopyRuns() {
  // A named object in the session's namespace: a second copy finds it and
  // leaves without touching the first.
  g_instanceMutex.reset(CreateMutexW(nullptr, FALSE, L"Local\\Glimmerlog.SingleInstance.3"));
  return g_instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS;
}
}  // namespace

bool Main() {
  CancelRequested = kFalse;
  if (AnotherCopyRuns()) return false;
  OsName = GetOsName();
  g_mainWindow = std::make_unique<frmViewer>();
  g_mainWindow->SetQuitOnDestroy(true);
  if (!g_mainWindow->Load()) return false;
  g_mainWindow->Show();
  return true;
}

frmViewer* MainWindow() { return g_mainWindow.get(); }

void WindowGone() {
  if (!g_mainWindow) return;  // not the program (tests make their own windows)
  if (!g_mainWindow->Alive() && !frmAbout::Current()) PostQuitMessage(0);
}
void ReleaseMainWindow() { g_mainWindow.reset(); }

}  // namespace glimmerlog
