// The properties of a line: every column with its full text, selectable, in
// a small window with Copy and Close. One window at a time: the next line's
// properties show in it.
#ifndef GLIMMERLOG_APP_PROPERTIES_H
#define GLIMMERLOG_APP_PROPERTIES_H

#include <windows.h>

#include <string>

namespace glimmerlog {

// Shows `text` (owned by `owner`), in the open window or a new one.
void ShowProperties(HWND owner, const std::wstring& text);
// The open window, or null; and the text it shows (tests).
HWND PropertiesWindow();
std::wstring PropertiesText();

}  // namespace glimmerlog

#endif
