// A view: one kind of trace shown in the list. It has a tag (the window's
// ViewMode while it is shown), fills the list through the host, and acts on
// a line when it is double-clicked.
#ifndef GLIMMERLOG_VIEWS_VIEW_H
#define GLIMMERLOG_VIEWS_VIEW_H

#include <memory>
#include <string>
#include <vector>

#include "views/viewhost.h"

namespace glimmerlog {

class View {
 public:
  virtual ~View() = default;
  virtual const wchar_t* Tag() const = 0;
  // The view's name, as its button says it, and what it reads, for a saved
  // report.
  virtual const wchar_t* Name() const = 0;
  virtual std::wstring Source(ViewHost& host) const = 0;
  // Once, when the window loads, before the first view is shown.
  virtual void Prepare() {}
  // Clears the list and fills it (the common protocol: columns, hint, count).
  virtual void Load(ViewHost& host) = 0;
  // Runs again what Load ran (F5); a view that asks before it reads asks
  // nothing the second time.
  virtual void Reload(ViewHost& host) { Load(host); }
  // The double-click action on a line (by order of addition); none by default.
  virtual void Activate(ViewHost& /*host*/, size_t /*line*/) {}
};

// Every view of the program, with what the window needs to offer it.
struct ViewEntry {
  std::unique_ptr<View> (*make)();
  // The View menu entry of a view that has no specified button or entry;
  // null for the specified views, whose commands the window has.
  const wchar_t* menuCaption;
  // The key that, with Ctrl, shows the view from anywhere in the window
  // (a virtual-key code such as '1'); 0 for none.
  unsigned shortcutKey = 0;
};
const std::vector<ViewEntry>& AllViews();

}  // namespace glimmerlog

#endif
