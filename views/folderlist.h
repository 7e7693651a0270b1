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
void OpenInShell(ViewHost& host, const std::wstring& text);

}  // namespace glimmerlog

#endif
