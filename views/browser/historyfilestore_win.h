// The program's own history store: the platform's history interfaces
// answered from the user's history files, read with the cache file reader.
#ifndef GLIMMERLOG_VIEWS_BROWSER_HISTORYFILESTORE_WIN_H
#define GLIMMERLOG_VIEWS_BROWSER_HISTORYFILESTORE_WIN_H

#include <windows.h>
#include <urlhist.h>

#include <string>
#include <vector>

#include "sources/folders/foldersource.h"

namespace glimmerlog {

// A store over the current user's history: History.IE5\index.dat under the
// "History" shell folder, then the same under its "Low" folder where that
// exists. The files are read afresh by every EnumUrls.
HRESULT CreateHistoryFileStore(IUrlHistoryStg2** store);
// A store over the given files, in that order (tests).
HRESULT CreateHistoryFileStore(const std::vector<std::wstring>& files, IUrlHistoryStg2** store);
// The same, read through `folders` (another profile's), which must outlive
// the store.
HRESULT CreateHistoryFileStore(FolderSource& folders, const std::vector<std::wstring>& files,
                               IUrlHistoryStg2** store);

// The files the default store reads.
std::vector<std::wstring> DefaultHistoryFiles();

}  // namespace glimmerlog

#endif
