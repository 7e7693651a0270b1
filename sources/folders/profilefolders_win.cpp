#include "sources/folders/profilefolders_win.h"

#include <windows.h>
#include <winioctl.h>

#include <vector>

#include "base/file_win.h"
#include "base/winutil_win.h"
#include "sources/folders/filestatus_win.h"
#include "sources/folders/findfiles_win.h"
#include "sources/folders/pathrules.h"
#include "sources/folders/reparse.h"

namespace glimmerlog {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kAsItIs = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;
// More links than this in one path are taken for a loop.
constexpr int kMostLinks = 31;
constexpr size_t kMostReparseData = 16 * 1024;  // MAXIMUM_REPARSE_DATA_BUFFER_SIZE

// A path opened as it is: a reparse point itself, not what it names; a
// folder as well as a file.
UniqueFile OpenAsItIs(const std::u16string& path, DWORD access, DWORD flags = 0) {
  return UniqueFile(
      CreateFileW(AsWide(path).c_str(), access, kShareAll, nullptr, OPEN_EXISTING, kAsItIs | flags, nullptr));
}

// Where the system says an open file is, with its links resolved.
bool FinalPath(HANDLE file, std::u16string& path) {
  for (const DWORD kind : {FILE_NAME_NORMALIZED, FILE_NAME_OPENED}) {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    DWORD n = GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()), kind | VOLUME_NAME_DOS);
    if (n >= buffer.size()) {
      buffer.assign(n + 1, L'\0');
      n = GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()), kind | VOLUME_NAME_DOS);
    }
    if (n == 0 || n >= buffer.size()) continue;
    buffer.resize(n);
    path = DosPath(AsU16(buffer));
    return true;
  }
  return false;
}

DWORD AttributesOf(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  return GetFileInformationByHandle(file, &info) ? info.dwFileAttributes : INVALID_FILE_ATTRIBUTES;
}

bool ReparseData(HANDLE file, std::vector<uint8_t>& data) {
  data.assign(kMostReparseData, 0);
  DWORD got = 0;
  if (!DeviceIoControl(file, FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(), static_cast<DWORD>(data.size()), &got,
                       nullptr)) {
    data.clear();
    return false;
  }
  data.resize(got);
  return true;
}

// What an entry that leads out shows of itself.
uint32_t LinkAttributes(uint32_t listed) {
  return FILE_ATTRIBUTE_REPARSE_POINT |
         ((listed & FILE_ATTRIBUTE_DIRECTORY) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE);
}

std::u16string WithoutFinalSeparators(std::u16string path) {
  while (path.size() > 3 && IsPathSeparator(path.back())) path.pop_back();
  return path;
}

class ProfileFolderSource final : public FolderSource {
 public:
  explicit ProfileFolderSource(std::u16string root) : root_(WithoutFinalSeparators(std::move(root))) {
    // The folder chosen is taken wherever it is, and known by where it is
    // as well, for the final paths of what lies in it.
    UniqueFile folder(CreateFileW(AsWide(root_).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (folder && !FinalPath(folder.get(), realRoot_)) realRoot_.clear();
  }

  std::unique_ptr<Listing> List(std::u16string_view folder, SourceStatus* status) override;
  uint32_t Attributes(const std::u16string& path) override;
  SourceStatus ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, uint64_t limit) override;

  bool Within(std::u16string_view path) const {
    std::u16string_view rest;
    return PathWithin(path, root_, rest) || (!realRoot_.empty() && PathWithin(path, realRoot_, rest));
  }
  // An entry the listing just found in the profile, by the path its caller
  // will name it with: the views ask for the attributes of each entry they
  // are given, and it need not be opened again for that.
  void Checked(std::u16string path) const { checked_ = std::move(path); }

  // Whether an opened file lies in the profile where the system says it is.
  bool OpenedWithin(HANDLE file) const {
    std::u16string final;
    return FinalPath(file, final) && Within(final);
  }

  // `path` opened for `access`, one part after the other from the profile
  // folder down, each opened as it is: a reparse point on the way (and the
  // last part's own when `followLast`) is followed only to a target within
  // the profile, and what is opened last must lie in the profile where the
  // system says it is. `resolved` is then the path that was opened. kMissing
  // for a path that leads out or whose way cannot be told.
  SourceStatus Open(std::u16string path, bool followLast, DWORD access, DWORD flags, UniqueFile& file,
                    std::u16string& resolved) const {
    for (int links = 0; links <= kMostLinks; ++links) {
      std::u16string_view rest;
      std::u16string at;
      if (PathWithin(path, root_, rest)) {
        at = root_;
      } else if (!realRoot_.empty() && PathWithin(path, realRoot_, rest)) {
        at = realRoot_;
      } else {
        return SourceStatus::kMissing;
      }
      std::vector<std::u16string_view> parts;
      for (size_t begin = 0; begin <= rest.size();) {
        size_t end = begin;
        while (end < rest.size() && !IsPathSeparator(rest[end])) ++end;
        const std::u16string_view part = rest.substr(begin, end - begin);
        if (!part.empty() && part != u".") parts.push_back(part);
        begin = end + 1;
      }
      UniqueFile opened;
      std::u16string target;
      size_t done = 0;
      for (; done <= parts.size(); ++done) {
        const bool last = done == parts.size();
        if (done > 0) {
          if (!IsPathSeparator(at.back())) at += u'\\';
          at += parts[done - 1];
        }
        if (done == 0 && !parts.empty()) continue;  // the profile folder itself, checked when it is the last
        opened = OpenAsItIs(at, last ? access : FILE_READ_ATTRIBUTES, last ? flags : 0);
        if (!opened) return StatusOfFileError(GetLastError());
        const DWORD attributes = AttributesOf(opened.get());
        if (attributes == INVALID_FILE_ATTRIBUTES) return StatusOfFileError(GetLastError());
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && (!last || followLast)) {
          std::u16string link;
          std::vector<uint8_t> data;
          if (!FinalPath(opened.get(), link) || !Within(link) || !ReparseData(opened.get(), data) ||
              !ReparseLeadsWithin(data.data(), data.size(), link, {root_, realRoot_}, target)) {
            return SourceStatus::kMissing;
          }
          break;
        }
      }
      if (done > parts.size()) {
        // Also the links the file system does not show as reparse points.
        if (!OpenedWithin(opened.get())) return SourceStatus::kMissing;
        file = std::move(opened);
        resolved = std::move(at);
        return SourceStatus::kOk;
      }
      // On from where the link leads, with the parts after it.
      for (size_t i = done; i < parts.size(); ++i) {
        target += u'\\';
        target += parts[i];
      }
      path = std::move(target);
    }
    return SourceStatus::kMissing;
  }

 private:
  std::u16string root_;      // as chosen
  std::u16string realRoot_;  // where the system says it is; empty when it does not say
  mutable std::u16string checked_;
};

// The listing of a folder reached within the profile: each entry is opened
// as it is to see where it lies. A reparse point's own data is what the
// system lists for it; anything else that lies outside (a link the file
// system shows as what it names) keeps only its name and what it is.
class ProfileListing final : public FolderSource::Listing {
 public:
  ProfileListing(const ProfileFolderSource& source, std::unique_ptr<FolderSource::Listing> entries,
                 std::u16string folder, std::u16string named)
      : source_(source), entries_(std::move(entries)), folder_(std::move(folder)), named_(std::move(named)) {
    if (named_.empty() || !IsPathSeparator(named_.back())) named_ += u'\\';
  }

  bool Next(FolderEntry& entry) override {
    if (!entries_->Next(entry)) return false;
    if (entry.name == u"." || entry.name == u"..") return true;
    UniqueFile opened = OpenAsItIs(folder_ + entry.name, FILE_READ_ATTRIBUTES);
    bool own = false;
    if (opened) {
      // Only an entry listed as a reparse point can be one when opened as
      // it is; the system then gives it as itself.
      if (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        const DWORD attributes = AttributesOf(opened.get());
        own = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
      }
      own = own || source_.OpenedWithin(opened.get());
    }
    if (own) {
      source_.Checked(named_ + entry.name);
    } else {
      entry.attributes = LinkAttributes(entry.attributes);
      entry.created = entry.modified = entry.accessed = 0;
      entry.size = 0;
    }
    return true;
  }

 private:
  const ProfileFolderSource& source_;
  std::unique_ptr<FolderSource::Listing> entries_;
  std::u16string folder_;  // where it is listed; ends in a backslash
  std::u16string named_;   // as the caller named it
};

std::unique_ptr<FolderSource::Listing> ProfileFolderSource::List(std::u16string_view folder, SourceStatus* status) {
  UniqueFile opened;
  std::u16string resolved;
  const SourceStatus found =
      Open(WithoutFinalSeparators(std::u16string(folder)), true, FILE_READ_ATTRIBUTES, 0, opened, resolved);
  if (found != SourceStatus::kOk) {
    if (status) *status = found;
    return nullptr;
  }
  if (resolved.empty() || !IsPathSeparator(resolved.back())) resolved += u'\\';
  std::unique_ptr<Listing> entries = FindEntries(resolved, status);
  if (!entries) return nullptr;
  return std::make_unique<ProfileListing>(*this, std::move(entries), std::move(resolved), std::u16string(folder));
}

// As the file system gives them for what lies in the profile; none for a
// path that leads out (the listing says what such an entry is).
uint32_t ProfileFolderSource::Attributes(const std::u16string& path) {
  if (!Within(path)) return kNoAttributes;
  if (path != checked_) {
    UniqueFile opened;
    std::u16string resolved;
    if (Open(path, false, FILE_READ_ATTRIBUTES, 0, opened, resolved) != SourceStatus::kOk) return kNoAttributes;
  }
  const DWORD attributes = GetFileAttributesW(AsWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES ? attributes : kNoAttributes;
}

// Read through the handle that was checked, shared with every other program
// as the live source reads.
SourceStatus ProfileFolderSource::ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, uint64_t limit) {
  bytes.clear();
  UniqueFile opened;
  std::u16string resolved;
  const SourceStatus found = Open(path, true, GENERIC_READ, FILE_FLAG_SEQUENTIAL_SCAN, opened, resolved);
  if (found != SourceStatus::kOk) return found;
  if (AttributesOf(opened.get()) & FILE_ATTRIBUTE_DIRECTORY) return SourceStatus::kDenied;  // as opening one fails
  ReadOnlyFile file(std::move(opened));
  return ReadWholeFile(file, bytes, limit);
}

}  // namespace

std::unique_ptr<FolderSource> OpenProfileFolders(std::u16string folder) {
  return std::make_unique<ProfileFolderSource>(std::move(folder));
}

}  // namespace glimmerlog
