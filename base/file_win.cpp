#include "base/file_win.h"

#include <algorithm>

namespace glimmerlog {

namespace {
// The most one call asks for: larger reads of files on network shares
// fail on some systems rather than come back short.
constexpr size_t kMostPerRead = size_t{1} << 24;
}  // namespace

// Shared for reading, writing and deletion: the browser keeps its history
// file and its databases open and goes on writing them, and may even delete
// or rename them, while they are read here. Nothing is ever written.
bool ReadOnlyFile::Open(const wchar_t* path, DWORD flags) {
  file_.reset(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, flags, nullptr));
  error_ = file_ ? 0 : GetLastError();
  return static_cast<bool>(file_);
}

bool ReadOnlyFile::IsDisk() const { return file_ && GetFileType(file_.get()) == FILE_TYPE_DISK; }

bool ReadOnlyFile::Size(uint64_t& size) {
  size = 0;
  LARGE_INTEGER length{};
  if (!file_ || !GetFileSizeEx(file_.get(), &length) || length.QuadPart < 0) {
    error_ = file_ ? GetLastError() : ERROR_INVALID_HANDLE;
    return false;
  }
  size = static_cast<uint64_t>(length.QuadPart);
  return true;
}

// Each read says where it starts, so that reads at any offset need no
// seek and never depend on one another. A read that starts at or past the
// end of the file fails with ERROR_HANDLE_EOF: that is the end, not an error.
size_t ReadOnlyFile::ReadAt(uint64_t offset, void* buffer, size_t n) {
  error_ = 0;
  size_t done = 0;
  while (done < n && file_) {
    OVERLAPPED at{};
    const uint64_t where = offset + done;
    at.Offset = static_cast<DWORD>(where);
    at.OffsetHigh = static_cast<DWORD>(where >> 32);
    const DWORD want = static_cast<DWORD>(std::min(n - done, kMostPerRead));
    DWORD got = 0;
    if (!ReadFile(file_.get(), static_cast<char*>(buffer) + done, want, &got, &at)) {
      const DWORD e = GetLastError();
      error_ = e == ERROR_HANDLE_EOF ? 0 : e;
      break;
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

}  // namespace glimmerlog
