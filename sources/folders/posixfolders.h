// A copy of a Windows profile folder on a POSIX file system, read as the
// folder it was on Windows: the views' Windows paths ("C:\Users\bob\AppData\
// Local\..." or "AppData\Local\...") are mapped onto the copy, each part of
// the path matched without regard to case as Windows matches names. For the
// native build only; it only reads.
#ifndef GLIMMERLOG_SOURCES_FOLDERS_POSIXFOLDERS_H
#define GLIMMERLOG_SOURCES_FOLDERS_POSIXFOLDERS_H

#include <string>
#include <string_view>

#include "sources/folders/foldersource.h"

namespace glimmerlog {

// Entries and attributes as the file system gives them:
//  - a directory is FILE_ATTRIBUTE_DIRECTORY (0x10), a regular file
//    FILE_ATTRIBUTE_ARCHIVE (0x20), anything else (a device, a pipe, a
//    socket) FILE_ATTRIBUTE_NORMAL (0x80) and is never opened;
//  - FILE_ATTRIBUTE_READONLY (0x01) is added when the owner may not write
//    the entry (as a copy made with its permissions keeps a read-only file);
//  - hidden and system are not recorded in a copy and are never set: a
//    leading dot means nothing on Windows;
//  - a symbolic link that resolves inside the copy is followed, as Windows
//    follows a junction; one that leads nowhere or out of the copy is
//    listed as what it is, a file with FILE_ATTRIBUTE_REPARSE_POINT (0x420)
//    with the link's own times and no size, and nothing is read through it.
// Times are the copy's modification and access times (the creation time is
// not kept by a copy: 0). Listings hold "." and ".." as Windows gives them.
class PosixFolderSource final : public FolderSource {
 public:
  // `root`: the copy's folder on this machine.
  explicit PosixFolderSource(std::string root);

  // The Windows path the copy stands for ("C:\Users\bob"): paths below it
  // are mapped onto the copy. Relative paths always are; every other
  // absolute path lies outside the copy and is not there.
  void SetWindowsRoot(std::u16string windowsRoot) { windowsRoot_ = std::move(windowsRoot); }
  const std::u16string& WindowsRoot() const { return windowsRoot_; }

  std::unique_ptr<Listing> List(std::u16string_view folder, SourceStatus* status) override;
  uint32_t Attributes(const std::u16string& path) override;
  SourceStatus ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, uint64_t limit) override;

  // The copy's path for a Windows path: each part found by its exact name,
  // else by the first name in byte order that matches it without regard to
  // case. kMissing when a part is not there or the path leads out of the
  // copy ("..", another drive, a stream, a symbolic link that leads out).
  SourceStatus HostPath(std::u16string_view path, std::string& out) const;

 private:
  std::string root_;
  std::string realRoot_;  // the copy's folder with its links resolved
  std::u16string windowsRoot_;
};

// File names between the two forms: UTF-8 to UTF-16 and back. A byte that
// is not part of valid UTF-8 becomes the lone surrogate U+DC00 + byte
// (U+DC80 to U+DCFF) and goes back to that byte, so that every name of the
// copy can be named again.
std::u16string NameFromHost(std::string_view bytes);
std::string NameToHost(std::u16string_view name);

}  // namespace glimmerlog

#endif
