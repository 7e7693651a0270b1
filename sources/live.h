// The sources of the signed-in user: the live registry, file system and
// Shell Folders key, and the user's classes.
#ifndef GLIMMERLOG_SOURCES_LIVE_H
#define GLIMMERLOG_SOURCES_LIVE_H

#include <string>

#include "sources/folders/foldersource.h"
#include "sources/registry/registrysource.h"

namespace glimmerlog {

RegistrySource& LiveRegistry();
// The signed-in user's classes (HKEY_CURRENT_USER\Software\Classes), whose
// keys are those of the user's UsrClass.dat.
RegistrySource& LiveClasses();
FolderSource& LiveFolders();
ProfilePaths& LiveProfile();
// The running Windows's SYSTEM hive (HKEY_LOCAL_MACHINE\SYSTEM).
RegistrySource& LiveSystem();

// The running Windows as a volume: the root of its system drive ("C:\"),
// and the signed-in user's security id and name.
struct LiveVolumeInfo {
  std::u16string root, sid, name;
};
const LiveVolumeInfo& LiveVolume();

}  // namespace glimmerlog

#endif
