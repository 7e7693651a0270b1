// The activity timeline: one event per dated trace from every source the
// program reads, shown newest first. Readers add events; the timeline turns
// them into a table. Platform-free.
#ifndef GLIMMERLOG_VIEWS_TIMELINE_H
#define GLIMMERLOG_VIEWS_TIMELINE_H

#include <cstdint>
#include <string>
#include <vector>

#include "sources/folders/foldersource.h"
#include "views/table.h"

namespace glimmerlog {

// What the Kind column adds to the kind of a recovered event.
inline constexpr char16_t kRecoveredMark[] = u" (deleted, recovered)";

// What an event's time is: the event's own (a visit, a run), or a registry
// key's last-write time. A list key is written when its most recent entry
// is, so its time stands for that entry alone (kKeyMostRecent); a key of its
// own is written when what it records last changed (kKeyWritten).
enum class TimeKind : uint8_t { kOwn, kKeyMostRecent, kKeyWritten };

struct TimelineEvent {
  uint64_t time = 0;    // FILETIME, UTC
  std::u16string kind;  // what happened: "Program run", "Page visited", ...
  std::u16string what;  // the URL, file, program or search term
  std::u16string detail;
  std::u16string source;  // where the trace was read
  std::u16string target;  // what a double-click opens; may be empty
  // Read from a deleted record recovered from free space, not from the
  // source as it is now: its kind is shown marked so.
  bool recovered = false;
  TimeKind timeKind = TimeKind::kOwn;
};

class Timeline {
 public:
  // An event without a time is not a dated trace and is dropped.
  void Add(TimelineEvent event);
  void Problem(std::u16string text) { problems_.push_back(std::move(text)); }
  void Problems(const std::vector<std::u16string>& problems);
  size_t Size() const { return events_.size(); }
  // Time, Kind, What, Detail, Source; newest first, events of one time in
  // the order they were added. A recovered event's kind ends in
  // kRecoveredMark. With `kinds`, each line's time kind, line by line.
  void ToTable(Table& table, std::vector<TimeKind>* kinds = nullptr);

 private:
  std::vector<TimelineEvent> events_;
  std::vector<std::u16string> problems_;
};

// The files of a folder by their last-write times: Recent's shortcuts and
// the cookie files. `folder` ends in a backslash; subfolders and "." and
// ".." are left out. A folder that cannot be listed is a problem.
void AddFolderEvents(FolderSource& folders, const std::u16string& folder, const std::u16string& kind,
                     const std::u16string& source, Timeline& timeline);

}  // namespace glimmerlog

#endif
