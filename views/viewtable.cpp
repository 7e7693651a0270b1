// The table of views: a new view is a class in its folder and a line here.
#include "views/browser/browserviews.h"
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
      {&Make<HistoryView>, nullptr},    {&Make<AddressBarView>, nullptr}, {&Make<CookiesView>, nullptr},
      {&Make<RecentDocsView>, nullptr}, {&Make<SearchView>, nullptr},     {&Make<RunView>, nullptr},
      {&Make<OpenSaveView>, nullptr},   {&Make<IndexDatView>, nullptr},
  };
  return views;
}

}  // namespace glimmerlog
