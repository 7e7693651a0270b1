// The sources of the signed-in user: the live registry, file system and
// Shell Folders key.
#ifndef GLIMMERLOG_SOURCES_LIVE_H
#define GLIMMERLOG_SOURCES_LIVE_H

#include "sources/folders/foldersource.h"
#include "sources/registry/registrysource.h"

namespace glimmerlog {

RegistrySource& LiveRegistry();
FolderSource& LiveFolders();
ProfilePaths& LiveProfile();

}  // namespace glimmerlog

#endif
