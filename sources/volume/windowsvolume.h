// A Windows volume read as a source: a folder that holds Windows\ and
// Users\ (or Documents and Settings\), such as a mounted image or a second
// disk. It names the volume's users (with their security ids where the
// volume says them), reads its SYSTEM hive with its transaction logs, and
// gives the machine-wide views their sources. Platform-free: a folder source
// does the reading, and nothing is written.
#ifndef GLIMMERLOG_SOURCES_VOLUME_WINDOWSVOLUME_H
#define GLIMMERLOG_SOURCES_VOLUME_WINDOWSVOLUME_H

#include <memory>
#include <string>
#include <vector>

#include "sources/folders/foldersource.h"
#include "sources/registry/registrysource.h"

namespace glimmerlog {

struct VolumeUser {
  std::u16string name;    // the profile folder's name ("bob")
  std::u16string sid;     // "S-1-5-21-..."; empty when the volume does not say
  std::u16string folder;  // the profile folder as the folder source names it, no final backslash
};

class WindowsVolume {
 public:
  // `root`: the volume's root as `folders` names it, with or without a
  // final backslash. Null, with why, when it holds no Windows folder.
  static std::unique_ptr<WindowsVolume> Open(FolderSource& folders, std::u16string root, std::u16string& why);

  // With a final backslash.
  const std::u16string& Root() const { return root_; }
  // Every user profile on the volume that has a registry hive (NTUSER.DAT),
  // the template profiles left out, in name order. SIDs come from the
  // SOFTWARE hive's ProfileList, else from the root key of the user's
  // classes hive ("S-1-5-21-..._Classes").
  const std::vector<VolumeUser>& Users() const { return users_; }
  // The user of that name (without regard to ASCII case) or SID; null when
  // none.
  const VolumeUser* FindUser(std::u16string_view nameOrSid) const;

  // The SYSTEM hive (null when it could not be read) and what to say of it:
  // why it was not read, or read in part, or what became of its logs.
  RegistrySource* System() const { return system_.get(); }
  const std::u16string& SystemFile() const { return systemFile_; }
  SourceStatus SystemStatus() const { return systemStatus_; }
  const std::u16string& SystemNote() const { return systemNote_; }
  // The computer's name as the SYSTEM hive records it; empty when unknown.
  const std::u16string& ComputerName() const { return computerName_; }

 private:
  WindowsVolume(FolderSource& folders, std::u16string root) : folders_(folders), root_(std::move(root)) {}
  void FindUsers();
  void ReadComputerName();

  FolderSource& folders_;
  std::u16string root_;
  std::vector<VolumeUser> users_;
  std::unique_ptr<RegistrySource> system_;
  std::u16string systemFile_;
  SourceStatus systemStatus_ = SourceStatus::kMissing;
  std::u16string systemNote_;
  std::u16string computerName_;
};

// The control set the SYSTEM hive's Select key names as current
// ("ControlSet001"); ControlSet001 when it names none that can be read.
std::u16string CurrentControlSet(RegistrySource& system);

}  // namespace glimmerlog

#endif
