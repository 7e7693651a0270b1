// The history of today's browsers (the Chromium family and Firefox), every
// profile of the user, one line per visit; double-click opens the address.
#ifndef GLIMMERLOG_VIEWS_BROWSER_BROWSERHISTORYVIEW_WIN_H
#define GLIMMERLOG_VIEWS_BROWSER_BROWSERHISTORYVIEW_WIN_H

#include "views/tableview.h"

namespace glimmerlog {

class BrowserHistoryView final : public TableView {
 public:
  const wchar_t* Tag() const override { return L"browserhistory"; }
  const wchar_t* Name() const override { return L"Browser History"; }
  std::wstring Source(ViewHost& host) const override;
  std::wstring Hint() const override { return L"Double-click a line to link to the URL"; }
  void Read(ViewHost& host, Table& table) override;
};

}  // namespace glimmerlog

#endif
