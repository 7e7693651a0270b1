// The report on a POSIX system: a profile folder copied from Windows, read
// through PosixFolderSource under the names its hive gives it; the local
// zone from the C library; Windows-1252 for ANSI bytes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>

#include "base/codepage.h"
#include "base/isotime.h"
#include "report/systemplatform.h"
#include "sources/folders/posixfolders.h"

namespace glimmerlog {

namespace {

SourceStatus StatusOfErrno(int e) {
  return e == ENOENT || e == ENOTDIR ? SourceStatus::kMissing
         : e == EACCES || e == EPERM ? SourceStatus::kDenied
                                     : SourceStatus::kDamaged;
}

// Opened for reading only, without writing its access time where the system
// allows, and refused unless it is a regular file (a pipe would block).
int OpenForReading(const std::string& path, SourceStatus& status) {
  constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
  int fd = open(path.c_str(), kFlags | O_NOATIME);
  if (fd < 0 && errno == EPERM) fd = open(path.c_str(), kFlags);
  if (fd < 0) {
    status = StatusOfErrno(errno);
    return -1;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    status = S_ISDIR(st.st_mode) ? SourceStatus::kMissing : SourceStatus::kDenied;
    close(fd);
    return -1;
  }
  status = SourceStatus::kOk;
  return fd;
}

class FileBytes final : public ByteSource {
 public:
  explicit FileBytes(int fd) : fd_(fd) {}
  ~FileBytes() override { close(fd_); }
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  size_t ReadAt(uint64_t offset, void* buf, size_t n) override {
    size_t done = 0;
    while (done < n) {
      const ssize_t got = pread(fd_, static_cast<char*>(buf) + done, n - done, static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += static_cast<size_t>(got);
    }
    return done;
  }

 private:
  int fd_;
};

// The absolute path without links, also for a file not yet made (its
// folder resolved, its name kept); empty when the folder is not there.
std::string Resolved(const std::string& path) {
  char buffer[PATH_MAX];
  if (realpath(path.c_str(), buffer)) return buffer;
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  if (!realpath(folder.c_str(), buffer)) return {};
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return std::string(buffer) + (std::string(buffer) == "/" ? "" : "/") + name;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<size_t>(wrote);
  }
  return true;
}

class PosixReportPlatform final : public ReportPlatform {
 public:
  std::unique_ptr<FolderSource> OpenProfileFolder(const std::string& dir, std::u16string& folderPath,
                                                  SourceStatus& status) override {
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      status = stat(dir.c_str(), &st) != 0 ? StatusOfErrno(errno) : SourceStatus::kMissing;
      return nullptr;
    }
    if (access(dir.c_str(), R_OK | X_OK) != 0) {
      status = SourceStatus::kDenied;
      return nullptr;
    }
    status = SourceStatus::kOk;
    folderPath.clear();  // relative to the copy until the hive names it
    return std::make_unique<PosixFolderSource>(dir);
  }

  // The copy is named as the hive names the profile, so that the lines show
  // where each file was on that PC.
  void NameProfileFolder(FolderSource& folders, const std::u16string& hiveRoot, std::u16string& folderPath) override {
    auto* copy = dynamic_cast<PosixFolderSource*>(&folders);
    if (hiveRoot.empty() || !copy) return;
    copy->SetWindowsRoot(hiveRoot);
    folderPath = hiveRoot;
  }

  LiveSources* Live() override { return nullptr; }

  std::unique_ptr<ByteSource> OpenFile(const std::string& path, uint64_t& size, SourceStatus& status) override {
    size = 0;
    const int fd = OpenForReading(path, status);
    if (fd < 0) return nullptr;
    struct stat st {};
    fstat(fd, &st);
    size = static_cast<uint64_t>(st.st_size);
    return std::make_unique<FileBytes>(fd);
  }

  AnsiDecoder Ansi() override { return &Windows1252Text; }

  std::u16string LocalIso(uint64_t fileTime) override {
    const time_t seconds = static_cast<time_t>(UnixSeconds(fileTime));
    tm local{};
    if (!localtime_r(&seconds, &local)) return IsoUtc(fileTime);
    CalendarTime t;
    t.year = int64_t{local.tm_year} + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
    return IsoWithOffset(t, local.tm_gmtoff);
  }

  bool Within(const std::string& path, const std::string& other) override {
    const std::string p = Resolved(path), o = Resolved(other);
    if (p.empty() || o.empty()) return false;
    return p == o || (p.size() > o.size() && p.compare(0, o.size(), o) == 0 && (o == "/" || p[o.size()] == '/'));
  }

  // A file is written beside the target and takes its place only when
  // whole; on failure nothing is left and an old file is unharmed.
  bool WriteOutput(const std::string& path, const std::string& bytes, std::string& error) override {
    ClearProgress();
    if (path.empty()) {
      if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
        error = "cannot write to the standard output";
        return false;
      }
      return true;
    }
    const std::string temp = path + "." + std::to_string(getpid()) + ".part";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      error = "cannot create a file beside " + path + ": " + std::strerror(errno);
      return false;
    }
    const bool wrote = WriteAll(fd, bytes) && fsync(fd) == 0;
    const int e = errno;
    if (close(fd) != 0 || !wrote) {
      unlink(temp.c_str());
      error = "cannot write " + path + ": " + std::strerror(wrote ? errno : e);
      return false;
    }
    if (rename(temp.c_str(), path.c_str()) != 0) {
      error = "cannot replace " + path + ": " + std::strerror(errno);
      unlink(temp.c_str());
      return false;
    }
    return true;
  }

  std::unique_ptr<ReportOutput> OpenOutput(const std::string& path, std::string& error) override;

  const char* LineEnd() override { return "\n"; }

  void Error(const std::string& line) override {
    ClearProgress();
    std::fprintf(stderr, "%s\n", line.c_str());
  }

  void Progress(const std::u16string& text) override {
    if (text.empty()) {
      ClearProgress();
      return;
    }
    if (!terminal_) return;
    const auto now = std::chrono::steady_clock::now();
    if (shown_ > 0 && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    std::string line;
    AppendUtf8(text, line);
    const size_t width = line.size();
    if (width < shown_) line.append(shown_ - width, ' ');
    std::fprintf(stderr, "\r%s", line.c_str());
    std::fflush(stderr);
    shown_ = width;
  }

 public:
  void ClearProgress() {
    if (shown_ == 0) return;
    std::fprintf(stderr, "\r%s\r", std::string(shown_, ' ').c_str());
    std::fflush(stderr);
    shown_ = 0;
  }

 private:
  const bool terminal_ = isatty(STDERR_FILENO) != 0;
  size_t shown_ = 0;
  std::chrono::steady_clock::time_point last_{};
};

// The output as it is made: to the standard output, or to a file beside the
// target that takes its place only when whole.
class StreamedOutput final : public ReportOutput {
 public:
  StreamedOutput(int fd, std::string path, std::string temp, std::function<void()> clear)
      : fd_(fd), path_(std::move(path)), temp_(std::move(temp)), clear_(std::move(clear)) {}
  ~StreamedOutput() override {
    if (!temp_.empty() && fd_ >= 0) {
      close(fd_);
      unlink(temp_.c_str());
    }
  }
  StreamedOutput(const StreamedOutput&) = delete;
  StreamedOutput& operator=(const StreamedOutput&) = delete;

  bool Write(const std::string& bytes, std::string& error) override {
    if (temp_.empty()) clear_();
    if (WriteAll(fd_, bytes)) return true;
    error = (temp_.empty() ? std::string("cannot write to the standard output") : "cannot write " + path_) + ": " +
            std::strerror(errno);
    return false;
  }

  bool Finish(std::string& error) override {
    if (temp_.empty()) return true;
    const bool synced = fsync(fd_) == 0;
    const int e = errno;
    const bool closed = close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed) {
      unlink(temp_.c_str());
      error = "cannot write " + path_ + ": " + std::strerror(synced ? errno : e);
      return false;
    }
    if (rename(temp_.c_str(), path_.c_str()) != 0) {
      error = "cannot replace " + path_ + ": " + std::strerror(errno);
      unlink(temp_.c_str());
      return false;
    }
    return true;
  }

 private:
  int fd_;
  std::string path_, temp_;
  std::function<void()> clear_;
};

std::unique_ptr<ReportOutput> PosixReportPlatform::OpenOutput(const std::string& path, std::string& error) {
  if (path.empty()) return std::make_unique<StreamedOutput>(STDOUT_FILENO, "", "", [this] { ClearProgress(); });
  const std::string temp = path + "." + std::to_string(getpid()) + ".part";
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = "cannot create a file beside " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<StreamedOutput>(fd, path, temp, [] {});
}

}  // namespace

std::unique_ptr<ReportPlatform> MakeSystemReportPlatform() { return std::make_unique<PosixReportPlatform>(); }

}  // namespace glimmerlog
