#include "views/timeline.h"

#include <algorithm>

namespace glimmerlog {

void Timeline::Add(TimelineEvent event) {
  if (event.time != 0) events_.push_back(std::move(event));
}

void Timeline::Problems(const std::vector<std::u16string>& problems) {
  problems_.insert(problems_.end(), problems.begin(), problems.end());
}

void Timeline::ToTable(Table& table, std::vector<TimeKind>* kinds) {
  table.columns = {{u"Time", 2200}, {u"Kind", 2000}, {u"What", 5000}, {u"Detail", 3000}, {u"Source", 2500}};
  std::stable_sort(events_.begin(), events_.end(),
                   [](const TimelineEvent& a, const TimelineEvent& b) { return a.time > b.time; });
  table.Reserve(events_.size(), table.columns.size());
  if (kinds) kinds->reserve(kinds->size() + events_.size());
  for (const TimelineEvent& e : events_) {
    table.AddRow()
        .Time(e.time)
        .Text(e.recovered ? e.kind + kRecoveredMark : e.kind)
        .Text(e.what)
        .Text(e.detail)
        .Text(e.source)
        .Target(e.target);
    if (kinds) kinds->push_back(e.timeKind);
  }
  events_.clear();
  table.problems.insert(table.problems.end(), problems_.begin(), problems_.end());
  problems_.clear();
}

void AddFolderEvents(FolderSource& folders, const std::u16string& folder, const std::u16string& kind,
                     const std::u16string& source, Timeline& timeline) {
  constexpr uint32_t kDirectory = 0x10;
  SourceStatus status = SourceStatus::kOk;
  auto listing = folders.List(folder, &status);
  if (!listing) {
    timeline.Problem(source + u": " + std::u16string(AsciiText(StatusName(status))));
    return;
  }
  FolderEntry entry;
  while (listing->Next(entry)) {
    if (entry.attributes & kDirectory) continue;
    timeline.Add({entry.modified, kind, entry.name, folder, source, folder + entry.name});
  }
}

}  // namespace glimmerlog
