// Run inside the demo profile (scripts/seed-demo): every view lists
// something, read through the program's own defaults.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/OsApi.h"
#include "app/mainpro.h"
#include "tests/win32/win32_test_util.h"
#include "views/browser/frmindexfile.h"

namespace glimmerlog {
namespace {

TEST(DemoProfile, EveryViewHasLines) {
  OsName = GetOsName();
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  EXPECT_GT(form->LineCount(), 0u) << "Internet history";
  const struct {
    const char* name;
    void (frmViewer::*view)();
  } views[] = {{"address bar", &frmViewer::mnuSep_Click}, {"cookies", &frmViewer::mnuCookie_Click},
               {"recent", &frmViewer::mnuRecDoc_Click},   {"search", &frmViewer::mnuSearch_Click},
               {"run", &frmViewer::mnurun_Click},         {"open/save", &frmViewer::mnuOpen_Click}};
  for (const auto& v : views) {
    (form.get()->*v.view)();
    EXPECT_GT(form->LineCount(), 0u) << v.name;
  }
  // The chooser's own proposal, taken with OK.
  frmindexfile::SetShownHook([](frmindexfile& dialog) { dialog.Command1_Click(); });
  form->cmdIndex_Click();
  frmindexfile::SetShownHook(nullptr);
  EXPECT_GT(form->LineCount(), 0u) << "index.dat";
}

}  // namespace
}  // namespace glimmerlog
