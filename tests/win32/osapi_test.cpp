// The version name on the real platform call, with Wine's own version
// setting standing in for other Windows releases. Wine reads the setting when
// a process starts, so each case runs this test program again as a child
// that only prints the name.
#include <gtest/gtest.h>

#include <string>

#include "base/winutil_win.h"
#include "sources/osversion/OsApi.h"
#include "tests/win32/win32_test_util.h"

namespace glimmerlog {
namespace {

// In the child: prints the version name and ends.
struct ChildMode {
  ChildMode() {
    const wchar_t* line = GetCommandLineW();
    const wchar_t* flag = wcsstr(line, L"--print-osname=");
    if (!flag) return;
    const std::wstring out = flag + wcslen(L"--print-osname=");
    const std::string name = GetOsName();
    test::WriteFileBytes(out, name.data(), name.size());
    ExitProcess(0);
  }
} g_childMode;

// Sets Wine's version for the processes started while it lives; only the one
// value is touched, the rest of Wine's settings stay.
class WineVersion {
 public:
  explicit WineVersion(const wchar_t* version) {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    RegSetValueExW(key_, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                   static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
  }
  ~WineVersion() {
    RegDeleteValueW(key_, L"Version");
    RegCloseKey(key_);
  }

 private:
  HKEY key_ = nullptr;
};

std::string OsNameUnder(const wchar_t* wineVersion) {
  WineVersion version(wineVersion);
  wchar_t self[MAX_PATH] = {}, temp[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  GetTempPathW(MAX_PATH, temp);
  const std::wstring out = std::wstring(temp) + L"glimmerlog-osname.txt";
  DeleteFileW(out.c_str());
  std::wstring command = L"\"" + std::wstring(self) + L"\" --print-osname=" + out;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return "?";
  WaitForSingleObject(pi.hProcess, 60000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  char text[64] = {};
  DWORD got = 0;
  HANDLE f = CreateFileW(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return "?";
  ReadFile(f, text, sizeof(text) - 1, &got, nullptr);
  CloseHandle(f);
  DeleteFileW(out.c_str());
  return std::string(text, got);
}

TEST(GetOsName, NamesTheVersionThePlatformReports) {
  if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
    GTEST_SKIP() << "needs Wine's version setting";
  }
  EXPECT_EQ(OsNameUnder(L"win98"), "98");
  EXPECT_EQ(OsNameUnder(L"win95"), "95");
  EXPECT_EQ(OsNameUnder(L"nt40"), "98");
  EXPECT_EQ(OsNameUnder(L"win2k"), "2000");
  EXPECT_EQ(OsNameUnder(L"winxp"), "xp");
  EXPECT_EQ(OsNameUnder(L"win2003"), "");
  EXPECT_EQ(OsNameUnder(L"vista"), "Vista");
  EXPECT_EQ(OsNameUnder(L"win7"), "Vista");
  // Later releases report 6.2 to a program that does not declare them in its
  // manifest, so they too count as "Vista".
  EXPECT_EQ(OsNameUnder(L"win10"), "Vista");
}

}  // namespace
}  // namespace glimmerlog
