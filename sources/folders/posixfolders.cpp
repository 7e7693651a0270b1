#include "sources/folders/posixfolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "sources/folders/pathrules.h"
#include "sources/hive/upcase.h"

namespace glimmerlog {

namespace {

constexpr uint32_t kReadOnly = 0x01, kDirectory = 0x10, kArchive = 0x20, kNormal = 0x80, kReparsePoint = 0x400;

SourceStatus StatusOfErrno(int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return SourceStatus::kMissing;
    case EACCES:
    case EPERM: return SourceStatus::kDenied;
    default: return SourceStatus::kDamaged;
  }
}

uint64_t FileTimeOf(const timespec& t) {
  constexpr int64_t kEpochDifference = 11644473600;  // seconds from 1601 to 1970
  if (t.tv_sec < -kEpochDifference) return 0;
  return static_cast<uint64_t>(t.tv_sec + kEpochDifference) * 10000000u + static_cast<uint64_t>(t.tv_nsec) / 100u;
}

uint32_t AttributesOf(const struct stat& st) {
  uint32_t a = S_ISDIR(st.st_mode) ? kDirectory : S_ISREG(st.st_mode) ? kArchive : kNormal;
  if ((st.st_mode & S_IWUSR) == 0) a |= kReadOnly;
  return a;
}

// A symbolic link as what it is, with its own times: it leads nowhere, or
// out of the copy, so nothing of what it names is taken.
constexpr uint32_t kLink = kArchive | kReparsePoint;

// Whether `path` (absolute, links resolved) lies in the folder `real`.
bool InsideReal(const std::string& path, const std::string& real) {
  return !real.empty() &&
         (path == real || real == "/" || (path.size() > real.size() && path.compare(0, real.size(), real) == 0 &&
                                          path[real.size()] == '/'));
}

// Where a link in the copy leads: true with `inside` set when it resolves,
// false when it leads nowhere (or in a loop).
bool LinkTarget(const std::string& path, const std::string& realRoot, bool& inside) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return false;
  inside = InsideReal(real, realRoot);
  free(real);
  return true;
}

// The entry `name` of the folder `dir` (open as `fd`) as the listing gives
// it: what it is, without following it; a link that resolves inside the
// copy is taken for what it names there, as Windows reads through a
// junction, and any other link for the link itself.
bool StatEntry(int fd, const std::string& dir, const char* name, const std::string& realRoot, struct stat& st,
               uint32_t& attributes) {
  if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (S_ISLNK(st.st_mode)) {
    bool inside = false;
    struct stat target {};
    if (LinkTarget(dir + "/" + name, realRoot, inside) && inside && fstatat(fd, name, &target, 0) == 0) {
      st = target;
    } else {
      attributes = kLink;
      return true;
    }
  }
  attributes = AttributesOf(st);
  return true;
}

void FillEntry(const std::string& name, const struct stat& st, uint32_t attributes, FolderEntry& entry) {
  entry.name = NameFromHost(name);
  entry.attributes = attributes;
  entry.created = 0;
  entry.modified = FileTimeOf(st.st_mtim);
  entry.accessed = FileTimeOf(st.st_atim);
  entry.size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
}

class PosixListing final : public FolderSource::Listing {
 public:
  PosixListing(DIR* dir, std::string path, std::string realRoot)
      : dir_(dir), path_(std::move(path)), realRoot_(std::move(realRoot)) {}
  ~PosixListing() override { closedir(dir_); }
  PosixListing(const PosixListing&) = delete;
  PosixListing& operator=(const PosixListing&) = delete;

  bool Next(FolderEntry& entry) override {
    while (const dirent* found = readdir(dir_)) {
      struct stat st {};
      uint32_t attributes = 0;
      if (!StatEntry(dirfd(dir_), path_, found->d_name, realRoot_, st, attributes)) continue;  // gone since listed
      FillEntry(found->d_name, st, attributes, entry);
      return true;
    }
    return false;
  }

 private:
  DIR* dir_;
  std::string path_;  // the folder listed, as opened
  std::string realRoot_;
};

// The name in `dir` that stands for `part`: itself when there, else the
// first name in byte order equal to it without regard to case.
bool FindPart(const std::string& dir, std::u16string_view part, std::string& name) {
  name = NameToHost(part);
  struct stat st {};
  if (lstat((dir + "/" + name).c_str(), &st) == 0) return true;
  DIR* listing = opendir(dir.c_str());
  if (!listing) return false;
  bool found = false;
  while (const dirent* entry = readdir(listing)) {
    const std::string candidate = entry->d_name;
    if (candidate == "." || candidate == "..") continue;
    if (SameRegistryName(NameFromHost(candidate), part) && (!found || candidate < name)) {
      name = candidate;
      found = true;
    }
  }
  closedir(listing);
  return found;
}

}  // namespace

PosixFolderSource::PosixFolderSource(std::string root) : root_(std::move(root)) {
  while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
  if (char* real = realpath(root_.c_str(), nullptr)) {
    realRoot_ = real;
    free(real);
  }
}

SourceStatus PosixFolderSource::HostPath(std::u16string_view path, std::string& out) const {
  out.clear();
  if (path.find(u'\0') != std::u16string_view::npos) return SourceStatus::kMissing;
  // A path below the Windows root goes on from there; any other absolute
  // path is another drive, or a path of this machine's own.
  std::u16string_view rest = path;
  if (!PathBelow(path, windowsRoot_, rest) &&
      ((path.size() >= 2 && path[1] == u':') || (!path.empty() && IsPathSeparator(path[0])))) {
    return SourceStatus::kMissing;
  }
  // A stream of a file is not in a copy.
  if (NamesStream(rest)) return SourceStatus::kMissing;
  // Each part resolved in the folder found so far; a part Windows reads as
  // ".." ("..", "...", ".. ") goes back one part, never above the copy's
  // own folder.
  std::vector<std::string> parts;
  size_t begin = 0;
  while (begin <= rest.size()) {
    size_t end = begin;
    while (end < rest.size() && !IsPathSeparator(rest[end])) ++end;
    const std::u16string_view part = rest.substr(begin, end - begin);
    const std::u16string_view read = WindowsPartName(part);
    begin = end + 1;
    if (read.empty() || read == u".") continue;
    if (read == u"..") {
      if (parts.empty()) return SourceStatus::kMissing;
      parts.pop_back();
    } else {
      std::string dir = root_;
      for (const std::string& p : parts) dir += "/" + p;
      // A folder on the way that is a link out of the copy is not looked
      // into, not even for a name.
      struct stat st {};
      bool inside = true;
      if (!parts.empty() && lstat(dir.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
          LinkTarget(dir, realRoot_, inside) && !inside) {
        return SourceStatus::kMissing;
      }
      std::string name;
      if (!FindPart(dir, part, name)) return SourceStatus::kMissing;
      parts.push_back(std::move(name));
    }
  }
  out = root_;
  for (const std::string& p : parts) out += "/" + p;
  // A symbolic link in the copy may lead anywhere on this machine: where it
  // leads out of the copy is not part of it.
  bool inside = true;
  if (LinkTarget(out, realRoot_, inside) && !inside) {
    out.clear();
    return SourceStatus::kMissing;
  }
  return SourceStatus::kOk;
}

std::unique_ptr<FolderSource::Listing> PosixFolderSource::List(std::u16string_view folder, SourceStatus* status) {
  std::string dir;
  SourceStatus found = HostPath(folder, dir);
  DIR* listing = found == SourceStatus::kOk ? opendir(dir.c_str()) : nullptr;
  if (found == SourceStatus::kOk && !listing) found = StatusOfErrno(errno);
  if (status) *status = found;
  if (!listing) return nullptr;
  try {
    return std::make_unique<PosixListing>(listing, std::move(dir), realRoot_);
  } catch (...) {
    closedir(listing);
    throw;
  }
}

uint32_t PosixFolderSource::Attributes(const std::u16string& path) {
  std::string host;
  if (HostPath(path, host) != SourceStatus::kOk) return kNoAttributes;
  struct stat st {};
  if (stat(host.c_str(), &st) == 0) return AttributesOf(st);
  // A link that leads nowhere, as what it is.
  return lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode) ? kLink : kNoAttributes;
}

// Opened without following the reader's clock into the copy (no access time
// is written where the system allows), and without waiting: a pipe or a
// device is no file and is refused before it is read.
SourceStatus PosixFolderSource::ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, uint64_t limit) {
  bytes.clear();
  std::string host;
  if (const SourceStatus found = HostPath(path, host); found != SourceStatus::kOk) return found;
  // Opened where its links lead, checked inside the copy, and with no link
  // followed on the way: what the check found is what is read.
  char* real = realpath(host.c_str(), nullptr);
  if (!real) return StatusOfErrno(errno);
  host = real;
  free(real);
  if (!InsideReal(host, realRoot_)) return SourceStatus::kMissing;
  constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW;
  int fd = open(host.c_str(), kFlags | O_NOATIME);
  if (fd < 0 && errno == EPERM) fd = open(host.c_str(), kFlags);
  if (fd < 0) return StatusOfErrno(errno);
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  struct stat st {};
  if (fstat(fd, &st) != 0) return StatusOfErrno(errno);
  if (!S_ISREG(st.st_mode)) return SourceStatus::kDenied;
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (size > limit || size > bytes.max_size()) return SourceStatus::kDamaged;
  try {
    bytes.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    bytes.clear();
    return SourceStatus::kDamaged;
  }
  // A file that shrinks meanwhile keeps what was there.
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int e = errno;
      bytes.clear();
      return StatusOfErrno(e) == SourceStatus::kDenied ? SourceStatus::kDenied : SourceStatus::kDamaged;
    }
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  bytes.resize(done);
  return SourceStatus::kOk;
}

std::u16string NameFromHost(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      out += static_cast<char16_t>(c);
      ++i;
      continue;
    }
    const size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    char32_t cp = n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
    bool valid = n != 0 && i + n <= bytes.size();
    for (size_t k = 1; valid && k < n; ++k) {
      const unsigned char b = static_cast<unsigned char>(bytes[i + k]);
      valid = (b & 0xC0) == 0x80;
      cp = cp << 6 | (b & 0x3F);
    }
    // No overlong forms, no encoded surrogates, nothing past U+10FFFF.
    valid = valid && !(n == 3 && cp < 0x800) && !(n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) &&
            !(cp >= 0xD800 && cp <= 0xDFFF);
    if (!valid) {
      out += static_cast<char16_t>(0xDC00 + c);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += n;
  }
  return out;
}

std::string NameToHost(std::u16string_view name) {
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    char32_t cp = name[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (name[++i] - 0xDC00);
    } else if (cp >= 0xDC80 && cp <= 0xDCFF) {
      out += static_cast<char>(cp - 0xDC00);  // a byte that was not UTF-8
      continue;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | cp >> 6);
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | cp >> 12);
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | cp >> 18);
      out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

}  // namespace glimmerlog
