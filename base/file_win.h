// Reading a file of the file system through its handle: opened for reading
// only, shared with every other program, and read at 64-bit offsets.
#ifndef GLIMMERLOG_BASE_FILE_WIN_H
#define GLIMMERLOG_BASE_FILE_WIN_H

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/winutil_win.h"

namespace glimmerlog {

class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  // A file opened elsewhere for reading, owned from now on.
  explicit ReadOnlyFile(UniqueFile file) : file_(std::move(file)) {}
  ReadOnlyFile(ReadOnlyFile&&) = default;
  ReadOnlyFile& operator=(ReadOnlyFile&&) = default;

  // Opens `path` for reading. `flags`: FILE_ATTRIBUTE_NORMAL, or hints such
  // as FILE_FLAG_SEQUENTIAL_SCAN. False when it cannot be opened; Error()
  // says why.
  bool Open(const wchar_t* path, DWORD flags = FILE_ATTRIBUTE_NORMAL);
  explicit operator bool() const { return static_cast<bool>(file_); }

  // The system's error code of the last call that failed; 0 after a read
  // that met the end of the file.
  DWORD Error() const { return error_; }

  // A file on a disk, rather than a pipe, a console or a device, which
  // could keep a read waiting for ever.
  bool IsDisk() const;
  // False, with Error() set, when the size cannot be had.
  bool Size(uint64_t& size);
  // Copies up to `n` bytes from `offset` into `buffer` and returns how many
  // it copied: fewer than `n` at the end of the file, or where a read failed
  // (Error() is set then, and is 0 at the end of the file).
  size_t ReadAt(uint64_t offset, void* buffer, size_t n);

 private:
  UniqueFile file_;
  DWORD error_ = 0;
};

}  // namespace glimmerlog

#endif
