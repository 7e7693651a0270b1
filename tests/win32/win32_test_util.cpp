#include "tests/win32/win32_test_util.h"

#include <commctrl.h>
#include <shlwapi.h>

#include "base/winutil_win.h"

namespace glimmerlog::test {

std::unique_ptr<frmViewer> MakeViewer(bool show) {
  auto form = std::make_unique<frmViewer>();
  if (!form->Load()) return nullptr;
  if (show) form->Show();
  return form;
}

std::vector<std::wstring> Lines(const frmViewer& form, size_t column) {
  std::vector<std::wstring> lines;
  for (size_t i = 0; i < form.ShownLineCount(); ++i) lines.push_back(form.CellText(i, column));
  return lines;
}

std::vector<std::wstring> ColumnCaptions(const frmViewer& form) {
  std::vector<std::wstring> captions;
  HWND list = form.Control(IDC_URLS);
  HWND header = ListView_GetHeader(list);
  const int n = Header_GetItemCount(header);
  for (int i = 0; i < n; ++i) {
    wchar_t text[260] = {};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = text;
    col.cchTextMax = 260;
    ListView_GetColumn(list, i, &col);
    captions.push_back(text);
  }
  return captions;
}

std::wstring ShownText(const frmViewer& form, int item, int subItem) {
  wchar_t text[1024] = {};
  ListView_GetItemText(form.Control(IDC_URLS), item, subItem, text, 1024);
  return text;
}

void RecordingShell::Open(HWND owner, const std::wstring& file, const wchar_t* parameters, const wchar_t* directory,
                          int show) {
  calls.push_back(Call{owner, file, parameters == nullptr, directory == nullptr, parameters ? parameters : L"",
                       directory ? directory : L"", show, false});
}

bool RecordingShell::Run(const std::wstring& commandLine) {
  calls.push_back(Call{nullptr, commandLine, true, true, L"", L"", SW_SHOWNORMAL, true});
  return true;
}

void DeleteTree(const std::wstring& path) { SHDeleteKeyW(HKEY_CURRENT_USER, path.c_str()); }

ScratchKey::ScratchKey(std::wstring path) : path_(std::move(path)) {
  DeleteTree(path_);
  RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
}

ScratchKey::~ScratchKey() {
  if (key_) RegCloseKey(key_);
  DeleteTree(path_);
}

void ScratchKey::SetString(const std::wstring& name, const std::wstring& text, DWORD type) {
  SetBytes(name, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

void ScratchKey::SetBytes(const std::wstring& name, DWORD type, const void* data, size_t size) {
  RegSetValueExW(key_, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
}

void ScratchKey::SetDword(const std::wstring& name, DWORD value) { SetBytes(name, REG_DWORD, &value, sizeof(value)); }

namespace {
constexpr wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr wchar_t kUserShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

bool ReadString(const wchar_t* key, const std::wstring& name, std::wstring& out) {
  wchar_t buffer[2048] = {};
  DWORD size = sizeof(buffer) - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CURRENT_USER, key, name.c_str(), RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                   buffer, &size) != ERROR_SUCCESS) {
    return false;
  }
  out = buffer;
  return true;
}

void WriteString(const wchar_t* key, const std::wstring& name, const std::wstring& value, DWORD type) {
  HKEY k = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(k, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(k);
}

void DeleteValue(const wchar_t* key, const std::wstring& name) { SHDeleteValueW(HKEY_CURRENT_USER, key, name.c_str()); }
}  // namespace

ShellFolderOverride::ShellFolderOverride(const std::wstring& valueName, const std::wstring& path) : name_(valueName) {
  hadShell_ = ReadString(kShellFolders, name_, oldShell_);
  hadUser_ = ReadString(kUserShellFolders, name_, oldUser_);
  WriteString(kShellFolders, name_, path, REG_SZ);
  WriteString(kUserShellFolders, name_, path, REG_EXPAND_SZ);
}

ShellFolderOverride::~ShellFolderOverride() {
  if (hadShell_)
    WriteString(kShellFolders, name_, oldShell_, REG_SZ);
  else
    DeleteValue(kShellFolders, name_);
  if (hadUser_)
    WriteString(kUserShellFolders, name_, oldUser_, REG_EXPAND_SZ);
  else
    DeleteValue(kUserShellFolders, name_);
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW found{};
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      // A link is removed itself, never what it leads to.
      if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        if (!RemoveDirectoryW(child.c_str())) DeleteFileW(child.c_str());
        continue;
      }
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL | (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY));
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(child);
      else
        DeleteFileW(child.c_str());
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_DIRECTORY);
  RemoveDirectoryW(path.c_str());
}

void WriteFileBytes(const std::wstring& path, const void* data, size_t size) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(size > (1u << 30) ? (1u << 30) : size);
    if (!WriteFile(f, p, chunk, &wrote, nullptr) || wrote == 0) break;
    p += wrote;
    size -= wrote;
  }
  CloseHandle(f);
}

ScratchFolder::ScratchFolder(const std::wstring& leaf) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + L"glimmerlog-" + leaf;
  RemoveTree(path_);
  CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

std::wstring ScratchFolder::Make(const std::wstring& relative, const std::string& content) {
  const std::wstring full = path_ + L"\\" + relative;
  WriteFileBytes(full, content.data(), content.size());
  return full;
}

std::wstring ScratchFolder::MakeFolder(const std::wstring& relative) {
  const std::wstring full = path_ + L"\\" + relative;
  CreateDirectoryW(full.c_str(), nullptr);
  return full;
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return L"<clipboard busy>";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

std::wstring TestDataDir() {
  std::wstring dir = Utf8ToWide(GL_TESTDATA_DIR);
  for (auto& c : dir) {
    if (c == L'/') c = L'\\';
  }
  if (!dir.empty() && dir[0] == L'\\') dir = L"Z:" + dir;
  if (GetFileAttributesW(dir.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
  return dir;
}

bool ImportRegFile(const std::wstring& path) {
  std::wstring command = L"reg.exe import \"" + path + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  WaitForSingleObject(pi.hProcess, 120000);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code == 0;
}

}  // namespace glimmerlog::test
