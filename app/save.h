// Saving the list: the dialog that names the file and the format, and the
// message that says why a save failed. Tests replace both.
#ifndef GLIMMERLOG_APP_SAVE_H
#define GLIMMERLOG_APP_SAVE_H

#include <windows.h>

#include <string>

#include "views/export.h"

namespace glimmerlog {

class SaveSeam {
 public:
  virtual ~SaveSeam() = default;
  // Asks where to save; false when the user cancels.
  virtual bool AskPath(HWND owner, std::wstring& path, ExportFormat& format) = 0;
  virtual void Failed(HWND owner, const std::wstring& message) = 0;
};
SaveSeam& Saving();
void SetSaveSeam(SaveSeam* seam);  // null restores the platform's

// Writes the bytes to `path` through a new file beside it that replaces the
// old one only when complete. On failure no file is left behind, an old file
// is unharmed, and `error` says what failed.
bool WriteFileWhole(const std::wstring& path, const std::string& bytes, std::wstring& error);

}  // namespace glimmerlog

#endif
