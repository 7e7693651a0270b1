// The live file system and the signed-in user's Shell Folders key, and the
// file system's listings and whole-file reads that other sources share.
#include <windows.h>
#include <shlobj.h>
#include <knownfolders.h>

#include <new>
#include <vector>

#include "base/file_win.h"
#include "base/winutil_win.h"
#include "sources/folders/filestatus_win.h"
#include "sources/folders/findfiles_win.h"
#include "sources/live.h"
#include "sources/registry/regAPI.h"

namespace glimmerlog {

namespace {

uint64_t FileTime64(const FILETIME& t) { return uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime; }

class FindListing final : public FolderSource::Listing {
 public:
  FindListing(UniqueFind find, const WIN32_FIND_DATAW& first) : find_(std::move(find)), found_(first) {}
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
    return FindEntries(folder, status);
  }
  uint32_t Attributes(const std::u16string& path) override {
    const DWORD a = GetFileAttributesW(reinterpret_cast<const wchar_t*>(path.c_str()));
    return a == INVALID_FILE_ATTRIBUTES ? kNoAttributes : a;
  }
  // Full sharing, so that a browser that has its database open keeps
  // writing, and may even delete or rename it, while it is read here.
  SourceStatus ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, uint64_t limit) override {
    bytes.clear();
    ReadOnlyFile file;
    if (!file.Open(AsWide(path).c_str(), FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN)) {
      return StatusOfFileError(file.Error());
    }
    return ReadWholeFile(file, bytes, limit);
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

std::unique_ptr<FolderSource::Listing> FindEntries(std::u16string_view folder, SourceStatus* status) {
  WIN32_FIND_DATAW found{};
  UniqueFind find(
      FindFirstFileExW((AsWide(folder) + L"*.*").c_str(), FindExInfoStandard, &found, FindExSearchNameMatch, nullptr, 0));
  if (!find) {
    if (status) *status = StatusOfFileError(GetLastError());
    return nullptr;
  }
  if (status) *status = SourceStatus::kOk;
  return std::make_unique<FindListing>(std::move(find), found);
}

SourceStatus ReadWholeFile(ReadOnlyFile& file, std::vector<uint8_t>& bytes, uint64_t limit) {
  bytes.clear();
  // A pipe or a device is no file: reading it could wait for ever.
  if (!file.IsDisk()) return SourceStatus::kDenied;
  uint64_t size = 0;
  if (!file.Size(size)) return StatusOfFileError(file.Error());
  if (size > limit || size > bytes.max_size()) return SourceStatus::kDamaged;
  try {
    bytes.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    bytes.clear();
    return SourceStatus::kDamaged;
  }
  // The file may shrink while it is read (the writer goes on): what was
  // there is kept.
  const size_t got = file.ReadAt(0, bytes.data(), bytes.size());
  if (got < bytes.size() && file.Error() != 0) {
    bytes.clear();
    return StatusOfFileError(file.Error());
  }
  bytes.resize(got);
  return SourceStatus::kOk;
}

FolderSource& LiveFolders() {
  static LiveFolderSource source;
  return source;
}

ProfilePaths& LiveProfile() {
  static LiveProfilePaths paths;
  return paths;
}

}  // namespace glimmerlog
