// Run inside the demo profile (scripts/seed-demo): every view lists
// something, read through the program's own defaults.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/mainpro.h"
#include "sources/osversion/OsApi.h"
#include "tests/win32/win32_test_util.h"
#include "views/browser/frmindexfile_win.h"

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
  // The added views, each with the panel saying nothing failed.
  for (const wchar_t* tag : {L"recentfiles", L"opensave7", L"wordwheel", L"typedpaths", L"typedtimes", L"userassist",
                             L"timeline", L"browserhistory", L"browserdownloads", L"browsersearches",
                             L"browsercookies", L"browserbookmarks"}) {
    form->RunView(tag);
    EXPECT_EQ(form->ViewMode, tag);
    EXPECT_GT(form->LineCount(), 0u) << testing::PrintToString(std::wstring(tag));
    EXPECT_EQ(form->PanelText(1).find(L"not read"), std::wstring::npos) << form->PanelText(1).c_str();
  }
  form->RunView(L"browserhistory");
  EXPECT_EQ(form->LineCount(), 12u);  // 8 in Chrome, 4 in Firefox
  form->RunView(L"opensave7");
  EXPECT_EQ(form->RowCellText(0, 3), L"");
  EXPECT_NE(form->RowCellText(0, 0).find(L"Budget 2027.xlsx"), std::wstring::npos);
}

}  // namespace
}  // namespace glimmerlog
