// What the machine-wide views read from a Windows volume's SYSTEM hive
// (paths below its root key). Platform-free.
#ifndef GLIMMERLOG_VIEWS_SYSTEMHIVE_H
#define GLIMMERLOG_VIEWS_SYSTEMHIVE_H

#include <cstdint>
#include <string>

#include "sources/recyclebin/recyclebin.h"
#include "sources/registry/registrysource.h"
#include "sources/volume/windowsvolume.h"  // CurrentControlSet
#include "views/viewdef.h"

namespace glimmerlog {

// The volume's ANSI code page (Control\Nls\CodePage\ACP of the current
// control set); 0 when it cannot be read.
uint32_t VolumeCodePage(RegistrySource& system);

// How the volume's ANSI bytes become text: its own code page where the
// SYSTEM hive names one this system can convert, else `sources.ansi`.
AnsiText VolumeAnsi(ViewSources& sources);

}  // namespace glimmerlog

#endif
