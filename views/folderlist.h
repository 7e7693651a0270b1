// Folder listing shared by the Cookies and recent documents views.
#ifndef GLIMMERLOG_VIEWS_FOLDERLIST_H
#define GLIMMERLOG_VIEWS_FOLDERLIST_H

#include <string>

#include "views/viewhost.h"

namespace glimmerlog {

// Lists the entries of `folder` (which ends in a backslash) as lines holding
// the folder and the entry's name, in the order the file system gives them
// (see folderreader.h for which entries). The event loop gets a turn at every
// entry, so another command may run meanwhile; once some other view has
// taken the list (or the window is gone) the listing stops and returns
// false, leaving the count to that view.
bool ListFolderEntries(ViewHost& host, const std::wstring& folder);

// Hands a line's text to the shell's "open", as the views' double-click does.
// While another user's profile is shown, only web addresses are opened; a
// file inside that profile is shown selected in its folder, and anything
// else is refused with a word in panel 1.
void OpenInShell(ViewHost& host, const std::wstring& text);
// Shows a file selected in its folder window.
void ShowInFolder(ViewHost& host, const std::wstring& path);

}  // namespace glimmerlog

#endif
