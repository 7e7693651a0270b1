#include "base/winutil_win.h"

namespace glimmerlog {

namespace {
// See DoEvents.
constexpr LONGLONG kTurnQuietMs = 4;
bool g_quitSeen = false;
MessageFilter g_filter = nullptr;

std::wstring ToWide(UINT codePage, const char* data, size_t size) {
  if (size == 0) return {};
  const int n = MultiByteToWideChar(codePage, 0, data, static_cast<int>(size), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, data, static_cast<int>(size), out.data(), n);
  return out;
}
}  // namespace

std::wstring Utf8ToWide(const std::string& s) { return ToWide(CP_UTF8, s.data(), s.size()); }

std::wstring AnsiToWide(const char* data, size_t size) { return ToWide(CP_ACP, data, size); }

std::string WideToUtf8(const std::wstring& s) {
  if (s.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring Trim(const std::wstring& s) {
  const size_t first = s.find_first_not_of(L' ');
  if (first == std::wstring::npos) return {};
  const size_t last = s.find_last_not_of(L' ');
  return s.substr(first, last - first + 1);
}

bool DoEvents() {
  // A turn within a few milliseconds of the last real one returns at once.
  // Under Wine each look into the queue is a round trip to the server, and
  // loops that turn at every folder entry spent most of their time there;
  // Cancel, another view and closing are still handled within milliseconds.
  static LARGE_INTEGER frequency{}, lastPump{};
  LARGE_INTEGER now{};
  if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  if (lastPump.QuadPart && frequency.QuadPart &&
      now.QuadPart - lastPump.QuadPart < frequency.QuadPart * kTurnQuietMs / 1000) {
    return !g_quitSeen;
  }
  lastPump = now;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      g_quitSeen = true;
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    DispatchOne(msg);
  }
  return !g_quitSeen;
}

bool QuitSeen() { return g_quitSeen; }

void SetMessageFilter(MessageFilter filter) { g_filter = filter; }

void DispatchOne(MSG& msg) {
  if (g_filter && g_filter(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

}  // namespace glimmerlog
