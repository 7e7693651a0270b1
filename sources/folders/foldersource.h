// Folders and the profile's folder paths as the views read them, behind
// interfaces: today the live file system and the user's Shell Folders key;
// another profile's copy can stand in. Paths and names are UTF-16.
#ifndef GLIMMERLOG_SOURCES_FOLDERS_FOLDERSOURCE_H
#define GLIMMERLOG_SOURCES_FOLDERS_FOLDERSOURCE_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sources/status.h"

namespace glimmerlog {

struct FolderEntry {
  std::u16string name;
  uint32_t attributes = 0;  // FILE_ATTRIBUTE_* bits as the listing gave them
  // As the listing gave them: FILETIME values (UTC; 0 when unknown) and the
  // size in bytes.
  uint64_t created = 0, modified = 0, accessed = 0;
  uint64_t size = 0;
};

class FolderSource {
 public:
  virtual ~FolderSource() = default;

  // The entries of a folder, one at a time, in the file system's order
  // ("." and ".." included where the file system gives them).
  class Listing {
   public:
    virtual ~Listing() = default;
    virtual bool Next(FolderEntry& entry) = 0;
  };
  // `folder` ends in a backslash. Null, with the reason, when it cannot be
  // listed.
  virtual std::unique_ptr<Listing> List(std::u16string_view folder, SourceStatus* status) = 0;
  // The attributes of a path read on their own; kNoAttributes when that fails.
  virtual uint32_t Attributes(const std::u16string& path) = 0;
  static constexpr uint32_t kNoAttributes = 0xFFFFFFFFu;
  // The whole content of a file, read without keeping anyone else from
  // reading, writing or deleting it meanwhile (a running browser's database).
  // A file of more than `limit` bytes is not read (kDamaged). `bytes` is
  // empty unless kOk. Sources without file contents answer kMissing.
  virtual SourceStatus ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, uint64_t limit) {
    (void)path;
    (void)limit;
    bytes.clear();
    return SourceStatus::kMissing;
  }
};

class ProfilePaths {
 public:
  virtual ~ProfilePaths() = default;
  // A folder of the profile by its Shell Folders name ("Cookies", "Recent",
  // "Cache", "History"), as the registry reader reads it: "error440" when
  // it cannot be read.
  virtual std::u16string ShellFolder(std::u16string_view name) = 0;
  // The user's application data folders, local and roaming, where browsers
  // keep their profiles; empty when unknown. By default the Shell Folders
  // values "Local AppData" and "AppData".
  // Another user's profile rather than the signed-in user's own.
  virtual bool OtherProfile() const { return false; }
  // A path as the profile's own Windows named it, where it lies now; false
  // for one outside the profile, which must not be read on this computer in
  // its place. The signed-in user's paths are what they say.
  virtual bool MapToProfile(std::u16string_view path, std::u16string& out) {
    out = std::u16string(path);
    return true;
  }
  virtual std::u16string AppDataFolder(bool local) {
    std::u16string folder = ShellFolder(local ? u"Local AppData" : u"AppData");
    return folder == u"error440" ? std::u16string() : folder;
  }
  // Another profile's Windows version as the views take it ("Windows Vista
  // or later") and why; empty for the signed-in user's own, which is asked.
  virtual std::u16string WindowsVersionNote() { return {}; }
};

}  // namespace glimmerlog

#endif
