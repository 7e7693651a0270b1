// Entry point of the tests that run under Wine: COM on this thread and the
// keyboard handling of the main window, as the program has them, then every
// test.
#include <gtest/gtest.h>

#include "app/frmViewer.h"
#include "base/winutil_win.h"

int main(int argc, char** argv) {
  glimmerlog::ComInit com;
  glimmerlog::SetMessageFilter(&glimmerlog::frmViewer::PreTranslate);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
