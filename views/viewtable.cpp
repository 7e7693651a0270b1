// The table of views: a new view is a class in its folder and a line here.
#include "views/browser/browserhistoryview_win.h"
#include "views/browser/browserviews.h"
#include "views/explorer/explorerviews.h"
#include "views/recent/recentviews.h"
#include "views/shell/shellviews.h"
#include "views/view.h"

namespace glimmerlog {

namespace {
template <class V>
std::unique_ptr<View> Make() {
  return std::make_unique<V>();
}
}  // namespace

const std::vector<ViewEntry>& AllViews() {
  static const std::vector<ViewEntry> views = {
      {&Make<HistoryView>, nullptr},
      {&Make<AddressBarView>, nullptr},
      {&Make<CookiesView>, nullptr},
      {&Make<RecentDocsView>, nullptr},
      {&Make<SearchView>, nullptr},
      {&Make<RunView>, nullptr},
      {&Make<OpenSaveView>, nullptr},
      {&Make<IndexDatView>, nullptr},
      // Explorer's traces of Windows 7 and later, and the timeline of all.
      {&Make<RecentFilesView>, L"Recent Fi&les (Explorer)\tCtrl+1", '1'},
      {&Make<OpenSave7View>, L"Open/Save (&Windows 7+)\tCtrl+2", '2'},
      {&Make<ExplorerSearchView>, L"Explorer &Search\tCtrl+3", '3'},
      {&Make<ExplorerAddressView>, L"Explorer &Address Bar\tCtrl+4", '4'},
      {&Make<TypedTimesView>, L"&Typed Addresses with Times\tCtrl+5", '5'},
      {&Make<UserAssistView>, L"&Programs Run (UserAssist)\tCtrl+6", '6'},
      {&Make<TimelineView>, L"Activity T&imeline\tCtrl+7", '7'},
      // Today's browsers, every profile.
      {&Make<BrowserHistoryView>, L"&Browser History\tCtrl+8", '8'},
  };
  return views;
}

}  // namespace glimmerlog
