// The live file system and the signed-in user's Shell Folders key.
#include <windows.h>
#include <shlobj.h>
#include <knownfolders.h>

#include <algorithm>
#include <new>
#include <vector>

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
  // Full sharing, so that a browser that has its database open keeps
  // writing, and may even delete or rename it, while it is read here.
  SourceStatus ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, uint64_t limit) override {
    bytes.clear();
    UniqueFile file(CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return StatusOf(GetLastError());
    // A pipe or a device is no file: reading it could wait for ever.
    if (GetFileType(file.get()) != FILE_TYPE_DISK) return SourceStatus::kDenied;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return StatusOf(GetLastError());
    if (size.QuadPart < 0 || static_cast<uint64_t>(size.QuadPart) > limit ||
        static_cast<uint64_t>(size.QuadPart) > bytes.max_size()) {
      return SourceStatus::kDamaged;
    }
    try {
      bytes.resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
      bytes.clear();
      return SourceStatus::kDamaged;
    }
    // The file may shrink while it is read (the writer goes on): what was
    // there is kept.
    size_t done = 0;
    while (done < bytes.size()) {
      DWORD got = 0;
      const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
      if (!::ReadFile(file.get(), bytes.data() + done, want, &got, nullptr)) {
        const DWORD e = GetLastError();
        bytes.clear();
        return StatusOf(e);
      }
      if (got == 0) break;
      done += got;
    }
    bytes.resize(done);
    return SourceStatus::kOk;
  }

 private:
  static SourceStatus StatusOf(DWORD e) {
    switch (e) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND: return SourceStatus::kMissing;
      case ERROR_ACCESS_DENIED:
      case ERROR_SHARING_VIOLATION:
      case ERROR_LOCK_VIOLATION: return SourceStatus::kDenied;
      default: return SourceStatus::kDamaged;
    }
  }
};

class LiveProfilePaths final : public ProfilePaths {
 public:
  std::u16string ShellFolder(std::u16string_view name) override {
    return std::u16string(AsU16(GetShellFolder(AsWide(name))));
  }
  // The Shell Folders value where there is one, as for every other folder;
  // otherwise the shell's own known folder.
  std::u16string AppDataFolder(bool local) override {
    std::u16string folder = ProfilePaths::AppDataFolder(local);
    if (!folder.empty()) return folder;
    CoTaskMemString path;
    if (SHGetKnownFolderPath(local ? FOLDERID_LocalAppData : FOLDERID_RoamingAppData, 0, nullptr, path.put()) != S_OK) {
      return {};
    }
    return std::u16string(AsU16(std::wstring(path.get())));
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
