// Start-up module: the program's shared state and its entry procedure.
#ifndef GLIMMERLOG_APP_MAINPRO_H
#define GLIMMERLOG_APP_MAINPRO_H

#include <cstdint>
#include <memory>
#include <string>

namespace glimmerlog {

class frmViewer;

// Short name of the Windows version, set once at start-up ("95", "98",
// "Windows NT 3.51", "2000", "xp", "Vista", "Failed" or empty).
extern std::string OsName;
// Set by the Cancel button, polled by the index.dat scan: -1 true, 0 false.
extern int16_t CancelRequested;
// The index file the scan reads, as the chooser left it; empty: read nothing.
extern std::wstring IndexDatPath;

constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;

// Ends at once (returns false) when another copy of the program runs;
// otherwise sets OsName, creates and shows the main window and returns true.
// The program then lives as long as the main window.
bool Main();

// The main window made by Main, or null.
frmViewer* MainWindow();
// Destroys the main window object (after the message loop has ended).
void ReleaseMainWindow();

// Called as each of the program's windows goes: the program ends when the
// last one is gone (the main window, and the About box when it outlives it).
void WindowGone();

}  // namespace glimmerlog

#endif
