// The view over the Windows "Recent" folder.
#ifndef GLIMMERLOG_VIEWS_RECENT_RECENTVIEWS_H
#define GLIMMERLOG_VIEWS_RECENT_RECENTVIEWS_H

#include "views/view.h"

namespace glimmerlog {

// The shortcuts of the Recent folder; double-click opens the line.
class RecentDocsView final : public View {
 public:
  const wchar_t* Name() const override { return L"Recent Documents"; }
  std::wstring Source(ViewHost& host) const override;
  const wchar_t* Tag() const override { return L"recdoc"; }
  void Load(ViewHost& host) override;
  void Activate(ViewHost& host, size_t line) override;
};

}  // namespace glimmerlog

#endif
