// The two ways the program hands something to the rest of the system: the
// shell's "open" operation and starting a command line. Tests replace them.
#ifndef GLIMMERLOG_BASE_SHELL_H
#define GLIMMERLOG_BASE_SHELL_H

#include <windows.h>

#include <string>

namespace glimmerlog {

class ShellSeam {
 public:
  virtual ~ShellSeam() = default;
  // ShellExecute with the verb "open". A null parameters or directory pointer
  // is passed on as null; an empty text as empty text.
  virtual void Open(HWND owner, const std::wstring& file, const wchar_t* parameters, const wchar_t* directory,
                    int showCommand) = 0;
  // Starts a command line in a normal, activated window without waiting.
  // Returns false when nothing could be started.
  virtual bool Run(const std::wstring& commandLine) = 0;
};

ShellSeam& Shell();
// Installs a replacement (tests); null restores the platform's.
void SetShellSeam(ShellSeam* seam);

}  // namespace glimmerlog

#endif
