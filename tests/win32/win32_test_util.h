// Helpers of the Win32 tests: a main window made for one test, scratch
// registry keys and folders, a shell that records instead of opening.
#ifndef GLIMMERLOG_TESTS_WIN32_TEST_UTIL_H
#define GLIMMERLOG_TESTS_WIN32_TEST_UTIL_H

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/frmViewer.h"
#include "base/shell.h"

namespace glimmerlog::test {

// A main window loaded as the program loads it (hidden until shown).
std::unique_ptr<frmViewer> MakeViewer(bool show = false);

// All lines of the list in display order, column `column`.
std::vector<std::wstring> Lines(const frmViewer& form, size_t column = 0);
// Column captions as the list control holds them.
std::vector<std::wstring> ColumnCaptions(const frmViewer& form);
// The text the list control shows for a cell (through its own messages).
std::wstring ShownText(const frmViewer& form, int item, int subItem);

// Records what would have been opened or run.
class RecordingShell : public ShellSeam {
 public:
  struct Call {
    HWND owner;
    std::wstring file;
    bool parametersNull, directoryNull;
    std::wstring parameters, directory;
    int show;
    bool run;
  };
  RecordingShell() { SetShellSeam(this); }
  ~RecordingShell() override { SetShellSeam(nullptr); }
  void Open(HWND owner, const std::wstring& file, const wchar_t* parameters, const wchar_t* directory,
            int show) override;
  bool Run(const std::wstring& commandLine) override;
  std::vector<Call> calls;
};

// A registry key under HKEY_CURRENT_USER that exists for the life of the
// object and is deleted (with all below it) before and after.
class ScratchKey {
 public:
  explicit ScratchKey(std::wstring path);
  ~ScratchKey();
  void SetString(const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ);
  void SetBytes(const std::wstring& name, DWORD type, const void* data, size_t size);
  void SetDword(const std::wstring& name, DWORD value);
  HKEY get() const { return key_; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
};

// Deletes a key under HKEY_CURRENT_USER with everything below it.
void DeleteTree(const std::wstring& path);

// Sets a Shell Folders value and its User Shell Folders twin to the same
// absolute path, so that the shell does not rewrite it; restores both after.
class ShellFolderOverride {
 public:
  ShellFolderOverride(const std::wstring& valueName, const std::wstring& path);
  ~ShellFolderOverride();

 private:
  std::wstring name_;
  std::wstring oldShell_, oldUser_;
  bool hadShell_ = false, hadUser_ = false;
};

// A fresh folder under the prefix's temporary folder, removed afterwards.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& leaf);
  ~ScratchFolder();
  const std::wstring& path() const { return path_; }  // no trailing backslash
  std::wstring Make(const std::wstring& relative, const std::string& content = "x");
  std::wstring MakeFolder(const std::wstring& relative);

 private:
  std::wstring path_;
};

void RemoveTree(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const void* data, size_t size);

// The testdata folder beside the project, or empty when it is absent.
std::wstring TestDataDir();

// The clipboard's Unicode text ("<clipboard busy>" when it cannot be opened).
std::wstring ClipboardText();

// Imports a .reg file into the prefix's registry with its own reg.exe.
bool ImportRegFile(const std::wstring& path);

}  // namespace glimmerlog::test

#endif
