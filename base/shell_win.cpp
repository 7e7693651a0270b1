#include "base/shell.h"

#include <shellapi.h>

#include <vector>

namespace glimmerlog {

namespace {

class PlatformShell final : public ShellSeam {
 public:
  void Open(HWND owner, const std::wstring& file, const wchar_t* parameters, const wchar_t* directory,
            int showCommand) override {
    ShellExecuteW(owner, L"open", file.c_str(), parameters, directory, showCommand);
  }

  bool Run(const std::wstring& commandLine) override {
    // CreateProcess may write into the command line, so it gets its own copy.
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
  }
};

PlatformShell g_platformShell;
ShellSeam* g_shell = &g_platformShell;

}  // namespace

ShellSeam& Shell() { return *g_shell; }
void SetShellSeam(ShellSeam* seam) { g_shell = seam ? seam : &g_platformShell; }

}  // namespace glimmerlog
