// The views of the shortcuts in the Recent folder and of the jump lists:
// what each recent item points at, and what every program opened, with the
// target's times as the shortcut recorded them. Platform-free.
#ifndef GLIMMERLOG_VIEWS_SHELL_SHORTCUTREADERS_H
#define GLIMMERLOG_VIEWS_SHELL_SHORTCUTREADERS_H

#include "views/viewdef.h"

namespace glimmerlog {

// Shortcut Targets: every .lnk in the Recent folder and its subfolders, one
// line each: the shortcut's name, its target (path, size, the three times,
// the volume or share, the machine and its MAC address, the arguments) and
// the shortcut file's own times as the file system gives them. A line's
// target opens; the shortcut's path is what it shows in its folder. With a
// timeline: "Opened (shortcut)" at the file's last write, and "Target
// created" and "Target modified" at the times the shortcut recorded.
void ReadShortcutTargets(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

// Jump Lists: one line per entry of every automatic and custom jump list
// under the Recent folder: the program (by its AppID), the target, last
// access, access count, pinned, category, machine and the target's times
// from the entry's shortcut. With a timeline: "Opened (jump list)" at each
// entry's last access, and the targets' times as above.
void ReadJumpLists(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

}  // namespace glimmerlog

#endif
