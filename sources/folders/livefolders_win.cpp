// The live file system and the signed-in user's Shell Folders key.
#include <windows.h>

#include "base/winutil_win.h"
#include "sources/live.h"
#include "sources/registry/regAPI.h"

namespace glimmerlog {

namespace {

uint64_t FileTime64(const FILETIME& t) { return uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime; }

class LiveListing final : public FolderSource::Listing {
 public:
  LiveListing(UniqueFind find, const WIN32_FIND_DATAW& first) : find_(std::move(find)), found_(first) {}
  bool Next(FolderEntry& entry) override {
    if (!pending_) {
      if (!FindNextFileW(find_.get(), &found_)) return false;
    }
    pending_ = false;
    entry.name.assign(reinterpret_cast<const char16_t*>(found_.cFileName));
    entry.attributes = found_.dwFileAttributes;
    entry.created = FileTime64(found_.ftCreationTime);
    entry.modified = FileTime64(found_.ftLastWriteTime);
    entry.accessed = FileTime64(found_.ftLastAccessTime);
    entry.size = uint64_t{found_.nFileSizeHigh} << 32 | found_.nFileSizeLow;
    return true;
  }

 private:
  UniqueFind find_;
  WIN32_FIND_DATAW found_;
  bool pending_ = true;  // the first entry came with the search's start
};

class LiveFolderSource final : public FolderSource {
 public:
  std::unique_ptr<Listing> List(std::u16string_view folder, SourceStatus* status) override {
    WIN32_FIND_DATAW found{};
    UniqueFind find(FindFirstFileExW((AsWide(folder) + L"*.*").c_str(), FindExInfoStandard, &found,
                                     FindExSearchNameMatch, nullptr, 0));
    if (!find) {
      const DWORD e = GetLastError();
      if (status) {
        *status = e == ERROR_ACCESS_DENIED                                 ? SourceStatus::kDenied
                  : e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND ? SourceStatus::kMissing
                                                                           : SourceStatus::kDamaged;
      }
      return nullptr;
    }
    if (status) *status = SourceStatus::kOk;
    return std::make_unique<LiveListing>(std::move(find), found);
  }
  uint32_t Attributes(const std::u16string& path) override {
    const DWORD a = GetFileAttributesW(reinterpret_cast<const wchar_t*>(path.c_str()));
    return a == INVALID_FILE_ATTRIBUTES ? kNoAttributes : a;
  }
};

class LiveProfilePaths final : public ProfilePaths {
 public:
  std::u16string ShellFolder(std::u16string_view name) override {
    return std::u16string(AsU16(GetShellFolder(AsWide(name))));
  }
};

}  // namespace

FolderSource& LiveFolders() {
  static LiveFolderSource source;
  return source;
}

ProfilePaths& LiveProfile() {
  static LiveProfilePaths paths;
  return paths;
}

}  // namespace glimmerlog
