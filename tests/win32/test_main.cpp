// Entry point of the tests that run under Wine: COM on this thread, as the
// program has it, then every test.
#include <gtest/gtest.h>

#include "app/winutil_win.h"

int main(int argc, char** argv) {
  glimmerlog::ComInit com;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
