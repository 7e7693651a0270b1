// The About box, the help command and the web links.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/frmAbout.h"
#include "app/helppath.h"
#include "base/controls_win.h"
#include "base/winutil_win.h"
#include "tests/win32/win32_test_util.h"

namespace glimmerlog {
namespace {

std::wstring Text(HWND hwnd) {
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  return text;
}

TEST(Links, EveryCommandOpensItsPageHiddenThroughTheShell) {
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  test::RecordingShell shell;
  const struct {
    int command;
    const wchar_t* page;
  } links[] = {
      {IDC_LABEL1, kClearwickPage}, {IDM_XX1, kClearwickPage}, {IDC_LABEL2, kVantorelPage}, {IDM_XX3, kVantorelPage}};
  for (const auto& link : links) {
    shell.calls.clear();
    const std::wstring before = form->PanelText(2);
    const std::wstring mode = form->ViewMode;
    SendMessageW(form->hwnd(), WM_COMMAND, MAKEWPARAM(link.command, link.command < 200 ? STN_CLICKED : 0),
                 link.command < 200 ? reinterpret_cast<LPARAM>(form->Control(link.command)) : 0);
    ASSERT_EQ(shell.calls.size(), 1u) << link.command;
    EXPECT_EQ(shell.calls[0].file, link.page);
    EXPECT_EQ(shell.calls[0].show, SW_HIDE);
    EXPECT_TRUE(shell.calls[0].parametersNull);
    EXPECT_TRUE(shell.calls[0].directoryNull);
    EXPECT_EQ(shell.calls[0].owner, form->hwnd());
    EXPECT_EQ(form->PanelText(2), before);  // nothing of the view changes
    EXPECT_EQ(form->ViewMode, mode);
  }
  EXPECT_NE(std::wstring(kClearwickPage).find(L".example/index1.htm"), std::wstring::npos);
  EXPECT_NE(std::wstring(kVantorelPage).find(L".example/index1.htm"), std::wstring::npos);
}

TEST(Links, HelpOpensTheHelpFileBesideTheProgram) {
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  test::RecordingShell shell;
  SendMessageW(form->hwnd(), WM_COMMAND, MAKEWPARAM(IDM_HELP, 0), 0);
  ASSERT_EQ(shell.calls.size(), 1u);
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  EXPECT_EQ(shell.calls[0].file, HelpFilePath(std::wstring(self)));
  EXPECT_EQ(shell.calls[0].show, SW_SHOWNORMAL);
  EXPECT_FALSE(shell.calls[0].parametersNull);
  EXPECT_EQ(shell.calls[0].parameters, L"");
  EXPECT_EQ(shell.calls[0].directory, L"");
}

// Width and height of a control's client area.
SIZE ClientSize(HWND control) {
  RECT r{};
  GetClientRect(control, &r);
  return {r.right, r.bottom};
}

// At the screen's density (win32_dpi144_tests runs this at 144 dpi) every
// text of the box stays on one line in its font, and the logo is a picture
// of the frame's own size, not a small one stretched.
TEST(Dpi, TheAboutBoxIsLaidOutForTheScreensDensity) {
  if (const char* want = getenv("GL_EXPECT_DPI")) {
    ASSERT_EQ(WindowDpi(nullptr), atoi(want));
  }
  frmAbout::ShowAbout();
  frmAbout* about = frmAbout::Current();
  ASSERT_TRUE(about);
  for (int id : {IDC_AB_LABEL11, IDC_AB_LABEL13, IDC_AB_LABEL4, IDC_AB_LABEL1, IDC_AB_LABEL2}) {
    HWND label = GetDlgItem(about->hwnd(), id);
    const std::wstring text = Text(label);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    RECT need{};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    EXPECT_LE(need.right, ClientSize(label).cx) << "cut or wrapped: " << testing::PrintToString(text);
  }
  HWND image = GetDlgItem(about->hwnd(), IDC_AB_IMAGE1);
  BITMAP logo{};
  ASSERT_TRUE(
      GetObjectW(reinterpret_cast<HBITMAP>(SendMessageW(image, STM_GETIMAGE, IMAGE_BITMAP, 0)), sizeof(logo), &logo));
  EXPECT_EQ(logo.bmWidth, ClientSize(image).cx);
  EXPECT_EQ(std::abs(logo.bmHeight), ClientSize(image).cy);
  about->cmdExit_Click();
}

TEST(AboutBox, OneBoxAtATimeAndAFreshOneAfterClosing) {
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  const int before = frmAbout::Created();
  SendMessageW(form->hwnd(), WM_COMMAND, MAKEWPARAM(IDM_ABOUT1, 0), 0);
  frmAbout* about = frmAbout::Current();
  ASSERT_TRUE(about);
  HWND box = about->hwnd();
  EXPECT_EQ(Text(box), L"About Us");
  EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
  EXPECT_EQ(Text(GetDlgItem(box, IDC_AB_LABEL11)), L"About Glimmerlog (tm)");
  EXPECT_EQ(Text(GetDlgItem(box, IDC_AB_LABEL4)), L"Online Support");
  EXPECT_EQ(Text(GetDlgItem(box, IDC_AB_LABEL1)), L"Download Clearwick to erase all the tracks ");
  EXPECT_EQ(Text(GetDlgItem(box, IDC_AB_LABEL2)), L"Download a more powerful spyware Vantorel");
  EXPECT_EQ(Text(GetDlgItem(box, IDC_AB_CMDEXIT)), L"OK");
  EXPECT_FALSE(Text(GetDlgItem(box, IDC_AB_LABEL13)).empty());
  EXPECT_TRUE(SendMessageW(GetDlgItem(box, IDC_AB_IMAGE1), STM_GETIMAGE, IMAGE_BITMAP, 0));
  RECT client{};
  GetClientRect(box, &client);
  EXPECT_EQ(PixelsToTwips(client.right, form->Dpi()), 4485);
  EXPECT_EQ(PixelsToTwips(client.bottom, form->Dpi()), 4530);

  SendMessageW(form->hwnd(), WM_COMMAND, MAKEWPARAM(IDM_ABOUT1, 0), 0);
  EXPECT_EQ(frmAbout::Current(), about);
  EXPECT_EQ(frmAbout::Created(), before + 1);

  // Its links open the same pages as the main window's, plus support.
  test::RecordingShell shell;
  about->Label1_Click();
  about->Label2_Click();
  about->Label4_Click();
  ASSERT_EQ(shell.calls.size(), 3u);
  EXPECT_EQ(shell.calls[0].file, kClearwickPage);
  EXPECT_EQ(shell.calls[1].file, kVantorelPage);
  EXPECT_EQ(shell.calls[2].file, kSupportPage);
  EXPECT_NE(std::wstring(kSupportPage).find(L"/glimmerlog/faq.htm"), std::wstring::npos);
  for (const auto& c : shell.calls) {
    EXPECT_EQ(c.owner, box);
    EXPECT_EQ(c.show, SW_HIDE);
  }

  SendMessageW(box, WM_COMMAND, MAKEWPARAM(IDC_AB_CMDEXIT, BN_CLICKED), 0);
  EXPECT_EQ(frmAbout::Current(), nullptr);
  EXPECT_FALSE(IsWindow(box));
  form->mnuAbout1_Click();
  ASSERT_TRUE(frmAbout::Current());
  EXPECT_EQ(frmAbout::Created(), before + 2);
  SendMessageW(frmAbout::Current()->hwnd(), WM_CLOSE, 0, 0);  // the close box unloads it too
  EXPECT_EQ(frmAbout::Current(), nullptr);
}

TEST(AboutBox, EscapeClosesItWithoutTouchingTheMainWindow) {
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  form->ShowProgress(true);  // the main window's Escape would press its Cancel
  form->mnuAbout1_Click();
  ASSERT_TRUE(frmAbout::Current());
  HWND ok = GetDlgItem(frmAbout::Current()->hwnd(), IDC_AB_CMDEXIT);
  MSG escape{ok, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
  DispatchOne(escape);
  EXPECT_EQ(frmAbout::Current(), nullptr);
  EXPECT_TRUE(form->CancelVisible());
}

}  // namespace
}  // namespace glimmerlog
