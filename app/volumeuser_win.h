// The small modal list in which the user picks one of a Windows volume's
// users to show.
#ifndef GLIMMERLOG_APP_VOLUMEUSER_WIN_H
#define GLIMMERLOG_APP_VOLUMEUSER_WIN_H

#include <windows.h>

#include <string>
#include <vector>

namespace glimmerlog {

// The index of the user chosen (double-click or OK), or -1 when cancelled.
int ChooseVolumeUser(HWND owner, const std::vector<std::wstring>& users);

}  // namespace glimmerlog

#endif
