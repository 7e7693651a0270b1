// The running Windows as the machine-wide views read it: its system drive,
// and who is signed in.
#include <windows.h>
#include <sddl.h>

#include "base/winutil_win.h"
#include "sources/live.h"

namespace glimmerlog {

namespace {

std::u16string U16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

// The signed-in user's security id as text; empty when the token says none.
std::wstring UserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  UniqueHandle owned(token);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<BYTE> buffer(size);
  if (!GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return {};
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
  std::wstring sid(text);
  LocalFree(text);
  return sid;
}

}  // namespace

const LiveVolumeInfo& LiveVolume() {
  static const LiveVolumeInfo info = [] {
    LiveVolumeInfo v;
    wchar_t windows[MAX_PATH] = {};
    const UINT n = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (n >= 3 && n < MAX_PATH && windows[1] == L':') v.root = U16(std::wstring(windows, 2) + L"\\");
    v.sid = U16(UserSid());
    wchar_t name[257] = {};
    DWORD length = 257;
    if (GetUserNameW(name, &length)) v.name = U16(name);
    return v;
  }();
  return info;
}

}  // namespace glimmerlog
