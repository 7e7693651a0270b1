// Start-up module: the program's shared state and its entry procedure.
#ifndef GLIMMERLOG_APP_MAINPRO_H
#define GLIMMERLOG_APP_MAINPRO_H

#include <cstdint>
#include <memory>
#include <string>

#include "views/state.h"

namespace glimmerlog {

class frmViewer;

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
