#include "views/browser/browserhistoryreader.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "sources/browsers/browserhistory.h"
#include "base/utf8.h"

namespace glimmerlog {

std::u16string BrowserProfileText(const BrowserProfile& p) {
  if (p.displayName.empty() || p.displayName == p.profile) return p.profile;
  return p.displayName + u" (" + p.profile + u")";
}

void ReadBrowserHistoryTable(FolderSource& folders, std::u16string_view localAppData,
                             std::u16string_view roamingAppData, Table& table, Timeline* timeline,
                             ProfilePaths* paths) {
  table.columns = {{u"Visited", 2200},    {u"Title", 3000},   {u"URL", 5000},     {u"Visit Count", 1200},
                   {u"Transition", 1500}, {u"Browser", 1800}, {u"Profile", 1800}, {u"Database", 5000}};
  table.targetColumn = 2;  // the URL
  std::vector<BrowserVisit> visits;
  for (const BrowserProfile& profile : FindBrowserProfiles(folders, localAppData, roamingAppData, paths)) {
    std::string reason;
    const SourceStatus status = ReadBrowserHistory(folders, profile, visits, reason);
    if (status == SourceStatus::kOk && reason.empty()) continue;
    std::u16string problem = profile.browser + u" " + BrowserProfileText(profile) + u" (" + profile.databasePath + u")";
    if (!reason.empty()) problem += u": " + Utf8ToU16(reason);
    // A database gone since it was found ends in the status, like every
    // other missing source.
    if (status != SourceStatus::kOk) problem += u": " + AsciiText(StatusName(status));
    table.Problem(std::move(problem));
  }

  std::vector<size_t> order(visits.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const uint64_t ta = visits[a].visitTime, tb = visits[b].visitTime;
    return ta != tb && (tb == 0 || (ta != 0 && ta > tb));
  });
  table.Reserve(visits.size(), table.columns.size());
  // Visits of one profile share its record: its texts are made once.
  const BrowserProfile* named = nullptr;
  std::u16string profileText;
  for (size_t i : order) {
    BrowserVisit& v = visits[i];
    const BrowserProfile& p = *v.source;
    if (&p != named) {
      named = &p;
      profileText = BrowserProfileText(p);
    }
    if (timeline) {
      timeline->Add(
          {v.visitTime, u"Page visited", v.url, v.title, p.browser + u" history (" + profileText + u")", v.url});
    }
    table.AddRow()
        .Time(v.visitTime)
        .Text(v.title)
        .Text(v.url)
        .Number(static_cast<double>(v.visitCount))
        .Text(VisitKindName(v.kind))
        .Text(p.browser)
        .Text(profileText)
        .Text(p.databasePath);
  }
}

}  // namespace glimmerlog
