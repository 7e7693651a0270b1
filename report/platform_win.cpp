// The report on Windows: a profile folder read through the file system
// under its own path and never led out of it, the signed-in user's
// registry, folders and version for --live, the ANSI code page and the
// local zone of the system.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>

#include "base/file_win.h"
#include "base/winutil_win.h"
#include "report/systemplatform.h"
#include "sources/folders/filestatus_win.h"
#include "sources/folders/profilefolders_win.h"
#include "sources/live.h"
#include "sources/osversion/OsApi.h"

namespace glimmerlog {

namespace {

std::wstring FullPath(const std::string& utf8) {
  const std::wstring path = Utf8ToWide(utf8);
  const DWORD need = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (need == 0) return path;
  std::wstring full(need, L'\0');
  const DWORD got = GetFullPathNameW(path.c_str(), need, full.data(), nullptr);
  full.resize(got < need ? got : 0);
  return full.empty() ? path : full;
}

std::u16string AnsiBytes(std::string_view bytes) {
  return std::u16string(AsU16(AnsiToWide(bytes.data(), bytes.size())));
}

// The scanner's reads of an open file.
class FileBytes final : public ByteSource {
 public:
  explicit FileBytes(ReadOnlyFile file) : file_(std::move(file)) {}
  size_t ReadAt(uint64_t offset, void* buf, size_t n) override { return file_.ReadAt(offset, buf, n); }

 private:
  ReadOnlyFile file_;
};

bool IsConsole(HANDLE h) {
  DWORD mode = 0;
  return h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode);
}

class WinReportPlatform final : public ReportPlatform {
 public:
  std::unique_ptr<FolderSource> OpenProfileFolder(const std::string& dir, std::u16string& folderPath,
                                                  SourceStatus& status) override {
    std::wstring full = FullPath(dir);
    const DWORD a = GetFileAttributesW(full.c_str());
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) {
      status = a == INVALID_FILE_ATTRIBUTES ? StatusOfFileError(GetLastError()) : SourceStatus::kMissing;
      return nullptr;
    }
    while (!full.empty() && full.back() == L'\\') full.pop_back();
    status = SourceStatus::kOk;
    folderPath.assign(AsU16(full));
    // Read only within the folder: its junctions and links never lead to
    // this computer's own folders.
    return OpenProfileFolders(folderPath);
  }

  LiveSources* Live() override {
    static LiveSources live{LiveRegistry(),   LiveFolders(),      LiveProfile(),     GetOsName(),
                            &LiveClasses(),   &LiveSystem(),      LiveVolume().root, LiveVolume().sid,
                            LiveVolume().name};
    return &live;
  }

  // The browser may hold the file open and write to it meanwhile.
  std::unique_ptr<ByteSource> OpenFile(const std::string& path, uint64_t& size, SourceStatus& status) override {
    size = 0;
    ReadOnlyFile file;
    if (!file.Open(Utf8ToWide(path).c_str(), FILE_FLAG_SEQUENTIAL_SCAN) || !file.Size(size)) {
      status = StatusOfFileError(file.Error());
      return nullptr;
    }
    status = SourceStatus::kOk;
    return std::make_unique<FileBytes>(std::move(file));
  }

  AnsiDecoder Ansi() override { return &AnsiBytes; }

  std::u16string LocalIso(uint64_t fileTime) override { return std::u16string(AsU16(FileTimeIso(fileTime))); }

  bool Within(const std::string& path, const std::string& other) override {
    std::wstring p = FullPath(path), o = FullPath(other);
    while (o.size() > 3 && o.back() == L'\\') o.pop_back();
    if (p.size() < o.size()) return false;
    if (CompareStringOrdinal(p.c_str(), static_cast<int>(o.size()), o.c_str(), static_cast<int>(o.size()), TRUE) !=
        CSTR_EQUAL) {
      return false;
    }
    return p.size() == o.size() || p[o.size()] == L'\\' || o.back() == L'\\';
  }

  // A file is written beside the target and replaces it only when whole;
  // on failure nothing is left and an old file is unharmed.
  bool WriteOutput(const std::string& path, const std::string& bytes, std::string& error) override {
    ClearProgress();
    if (path.empty()) {
      _setmode(_fileno(stdout), _O_BINARY);
      if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
        error = "cannot write to the standard output";
        return false;
      }
      return true;
    }
    const std::wstring target = Utf8ToWide(path);
    const std::wstring temp = target + L"." + std::to_wstring(GetCurrentProcessId()) + L".part";
    UniqueFile file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      error = "cannot create a file beside " + path + " (error " + std::to_string(GetLastError()) + ")";
      return false;
    }
    size_t done = 0;
    DWORD failure = 0;
    while (done < bytes.size() && !failure) {
      DWORD wrote = 0;
      const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
      if (!WriteFile(file.get(), bytes.data() + done, want, &wrote, nullptr) || wrote == 0) {
        failure = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
      }
      done += wrote;
    }
    if (!failure && !FlushFileBuffers(file.get())) failure = GetLastError();
    file.reset();
    if (!failure && !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      failure = GetLastError() ? GetLastError() : ERROR_ACCESS_DENIED;
    }
    if (failure) {
      DeleteFileW(temp.c_str());
      error = "cannot write " + path + " (error " + std::to_string(failure) + ")";
      return false;
    }
    return true;
  }

  std::unique_ptr<ReportOutput> OpenOutput(const std::string& path, std::string& error) override;

  void Error(const std::string& line) override {
    ClearProgress();
    Write(Utf8ToWide(line) + L"\n", line + "\n");
  }

  void Progress(const std::u16string& text) override {
    if (text.empty()) {
      ClearProgress();
      return;
    }
    if (!IsConsole(err_)) return;
    const DWORD now = GetTickCount();
    if (shown_ > 0 && now - last_ < 100) return;
    last_ = now;
    std::wstring line = AsWide(text);
    const size_t width = line.size();
    if (width < shown_) line.append(shown_ - width, L' ');
    Write(L"\r" + line, {});
    shown_ = width;
  }

 public:
  // Text to the console as UTF-16; redirected, as UTF-8 bytes.
  void Write(const std::wstring& wide, const std::string& utf8) {
    DWORD written = 0;
    if (IsConsole(err_)) {
      WriteConsoleW(err_, wide.c_str(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else if (!utf8.empty()) {
      WriteFile(err_, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }
  }
  void ClearProgress() {
    if (shown_ == 0) return;
    Write(L"\r" + std::wstring(shown_, L' ') + L"\r", {});
    shown_ = 0;
  }

 private:
  HANDLE err_ = GetStdHandle(STD_ERROR_HANDLE);
  size_t shown_ = 0;
  DWORD last_ = 0;
};

bool WriteBytes(HANDLE h, const std::string& bytes, DWORD& failure) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD wrote = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
    if (!WriteFile(h, bytes.data() + done, want, &wrote, nullptr) || wrote == 0) {
      failure = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
      return false;
    }
    done += wrote;
  }
  return true;
}

// The output as it is made: to the standard output, or to a file beside the
// target that replaces it only when whole.
class StreamedOutput final : public ReportOutput {
 public:
  StreamedOutput(WinReportPlatform& platform, std::string path, std::wstring temp, UniqueFile file)
      : platform_(platform), path_(std::move(path)), temp_(std::move(temp)), file_(std::move(file)) {}
  ~StreamedOutput() override {
    if (file_) {
      file_.reset();
      DeleteFileW(temp_.c_str());
    }
  }

  bool Write(const std::string& bytes, std::string& error) override {
    DWORD failure = 0;
    if (path_.empty()) {
      platform_.ClearProgress();
      _setmode(_fileno(stdout), _O_BINARY);
      if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0) return true;
      error = "cannot write to the standard output";
      return false;
    }
    if (WriteBytes(file_.get(), bytes, failure)) return true;
    error = "cannot write " + path_ + " (error " + std::to_string(failure) + ")";
    return false;
  }

  bool Finish(std::string& error) override {
    if (path_.empty()) return true;
    DWORD failure = 0;
    if (!FlushFileBuffers(file_.get())) failure = GetLastError();
    file_.reset();
    if (!failure && !MoveFileExW(temp_.c_str(), Utf8ToWide(path_).c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      failure = GetLastError() ? GetLastError() : ERROR_ACCESS_DENIED;
    }
    if (failure) {
      DeleteFileW(temp_.c_str());
      error = "cannot write " + path_ + " (error " + std::to_string(failure) + ")";
      return false;
    }
    return true;
  }

 private:
  WinReportPlatform& platform_;
  std::string path_;
  std::wstring temp_;
  UniqueFile file_;
};

std::unique_ptr<ReportOutput> WinReportPlatform::OpenOutput(const std::string& path, std::string& error) {
  if (path.empty()) return std::make_unique<StreamedOutput>(*this, path, std::wstring(), UniqueFile());
  const std::wstring temp = Utf8ToWide(path) + L"." + std::to_wstring(GetCurrentProcessId()) + L".part";
  UniqueFile file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    error = "cannot create a file beside " + path + " (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  return std::make_unique<StreamedOutput>(*this, path, temp, std::move(file));
}

}  // namespace

std::unique_ptr<ReportPlatform> MakeSystemReportPlatform() { return std::make_unique<WinReportPlatform>(); }

}  // namespace glimmerlog
