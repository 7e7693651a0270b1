#include "views/shell/shortcutreaders.h"

#include <map>
#include <set>
#include <tuple>

#include "base/ascii.h"
#include "sources/shell/appids.h"
#include "sources/shell/jumplist.h"
#include "sources/shell/lnk.h"

namespace glimmerlog {

namespace {

constexpr uint32_t kDirectory = 0x10, kReparsePoint = 0x400;
// Shortcuts Windows writes are a few kilobytes; a jump list holds a
// shortcut per entry, a few hundred at most. Anything far larger is not
// what its name says and is not read into memory.
constexpr uint64_t kMaxShortcutBytes = 4ull << 20, kMaxJumpListBytes = 64ull << 20;
// The Recent folder's subfolders are few and shallow; a link that leads
// back into the tree is not followed (reparse points), and no deeper level
// than this is read.
constexpr int kMaxDepth = 6;

bool EndsWithIgnoringAsciiCase(std::u16string_view text, std::u16string_view suffix) {
  return text.size() >= suffix.size() && SameIgnoringAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

std::u16string Status(SourceStatus s) { return AsciiText(StatusName(s)); }

// The events of the targets' own times, once for each target and time
// within a view: many shortcuts and list entries record the same ones.
class TargetEvents {
 public:
  explicit TargetEvents(Timeline* timeline) : timeline_(timeline) {}
  void Add(const ShellLink& link, const std::u16string& target, const std::u16string& detail,
           const std::u16string& source) {
    if (!timeline_ || target.empty()) return;
    Once(link.created, u"Target created", target, detail, source);
    // A target never written since it was made says nothing new.
    if (link.modified != link.created) Once(link.modified, u"Target modified", target, detail, source);
  }

 private:
  void Once(uint64_t time, const char16_t* kind, const std::u16string& target, const std::u16string& detail,
            const std::u16string& source) {
    if (time == 0 || !seen_.emplace(kind, target, time).second) return;
    timeline_->Add({time, kind, target, detail, source, target});
  }
  Timeline* timeline_;
  std::set<std::tuple<std::u16string, std::u16string, uint64_t>> seen_;
};

// The shortcut's cells from its target on: target, size, the three times,
// volume, machine, MAC address, arguments.
void LinkCells(Table::Row& row, const ShellLink* link, const std::u16string& target) {
  row.Text(target);
  // A folder's, and a target the shortcut did not record, have no size.
  if (link && link->targetSize) {
    row.Number(link->targetSize);
  } else {
    row.Empty();
  }
  row.Time(link ? link->created : 0).Time(link ? link->modified : 0).Time(link ? link->accessed : 0);
  row.Text(link ? link->VolumeText() : std::u16string());
  row.Text(link ? link->machine : std::u16string());
  row.Text(link ? link->objectId.Mac() : std::u16string());
  row.Text(link ? link->arguments : std::u16string());
}

class ShortcutReader {
 public:
  ShortcutReader(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline)
      : sources_(sources), table_(table), progress_(progress), timeline_(timeline), targets_(timeline) {}

  // False when told to stop.
  bool Folder(const std::u16string& root, const std::u16string& relative, int depth) {
    SourceStatus status = SourceStatus::kOk;
    auto listing = sources_.folders.List(root + relative, &status);
    if (!listing) {
      if (depth == 0 || status != SourceStatus::kMissing) table_.Problem(u"Recent folder " + root + relative + u": " + Status(status));
      return true;
    }
    FolderEntry entry;
    std::vector<std::u16string> subfolders;
    while (listing->Next(entry)) {
      if (entry.name == u"." || entry.name == u"..") continue;
      if (entry.attributes & kDirectory) {
        if (!(entry.attributes & kReparsePoint) && depth < kMaxDepth) subfolders.push_back(relative + entry.name + u"\\");
        continue;
      }
      if (!EndsWithIgnoringAsciiCase(entry.name, u".lnk")) continue;
      if (!progress_.Step(++seen_, 0)) return false;
      Shortcut(root, relative + entry.name, entry);
    }
    for (const std::u16string& sub : subfolders) {
      if (!Folder(root, sub, depth + 1)) return false;
    }
    return true;
  }

 private:
  void Shortcut(const std::u16string& root, const std::u16string& name, const FolderEntry& entry) {
    const std::u16string path = root + name;
    std::vector<uint8_t> bytes;
    const SourceStatus status = sources_.folders.ReadFile(path, bytes, kMaxShortcutBytes);
    ShellLink link;
    bool read = false;
    if (status != SourceStatus::kOk) {
      table_.Problem(path + u": " + Status(status));
    } else if (!(read = ReadShellLink(bytes.data(), bytes.size(), sources_.ansi, link))) {
      table_.Problem(path + u": not a shortcut");
    } else if (!link.problems.empty()) {
      table_.Problem(path + u": " + link.problems.front());
    }
    // A shortcut that cannot be read is still a trace: its name and times.
    const std::u16string target = read ? link.TargetPath() : std::u16string();
    Table::Row row = table_.AddRow();
    row.Text(name);
    LinkCells(row, read ? &link : nullptr, target);
    row.Time(entry.created).Time(entry.modified).Target(path);
    if (timeline_) {
      timeline_->Add({entry.modified, u"Opened (shortcut)", target.empty() ? name : target, name, u"Recent folder",
                      target.empty() ? path : target});
      if (read) targets_.Add(link, target, name, u"Recent folder");
    }
  }

  ViewSources& sources_;
  Table& table_;
  Progress& progress_;
  Timeline* timeline_;
  TargetEvents targets_;
  uint64_t seen_ = 0;
};

// A jump list file's AppID and kind from its name; false for another file.
bool JumpListName(const std::u16string& name, bool automatic, std::u16string& appId) {
  const std::u16string_view suffix = automatic ? u".automaticDestinations-ms" : u".customDestinations-ms";
  if (!EndsWithIgnoringAsciiCase(name, suffix) || name.size() == suffix.size()) return false;
  appId = name.substr(0, name.size() - suffix.size());
  return true;
}

struct ListFile {
  std::u16string path, appId;
  JumpList list;
};

class JumpListReader {
 public:
  JumpListReader(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline)
      : sources_(sources), table_(table), progress_(progress), timeline_(timeline), targets_(timeline) {}

  // The lists of one folder; false when told to stop.
  bool Read(const std::u16string& folder, bool automatic, std::vector<ListFile>& out) {
    SourceStatus status = SourceStatus::kOk;
    auto listing = sources_.folders.List(folder, &status);
    if (!listing) {
      // Windows before 7 has no jump lists: a folder that is not there is no problem.
      if (status != SourceStatus::kMissing) table_.Problem(folder + u": " + Status(status));
      return true;
    }
    FolderEntry entry;
    while (listing->Next(entry)) {
      ListFile file;
      if ((entry.attributes & kDirectory) || !JumpListName(entry.name, automatic, file.appId)) continue;
      if (!progress_.Step(++seen_, 0)) return false;
      file.path = folder + entry.name;
      std::vector<uint8_t> bytes;
      const SourceStatus read = sources_.folders.ReadFile(file.path, bytes, kMaxJumpListBytes);
      if (read != SourceStatus::kOk) {
        table_.Problem(file.path + u": " + Status(read));
        continue;
      }
      const bool ok = automatic ? ReadAutomaticDestinations(bytes.data(), bytes.size(), sources_.ansi, file.list)
                                : ReadCustomDestinations(bytes.data(), bytes.size(), sources_.ansi, file.list);
      if (!ok) {
        table_.Problem(file.path + u": not a jump list");
        continue;
      }
      for (const std::u16string& p : file.list.problems) table_.Problem(file.path + u": " + p);
      out.push_back(std::move(file));
    }
    return true;
  }

  // An automatic list's entries are shown under Windows' list that the
  // program's custom list names (Frequent or Recent), pinned ones as pinned.
  void Write(const ListFile& file, const std::map<std::u16string, std::u16string>& shownAs) {
    const size_t slash = file.path.rfind(u'\\');
    const std::u16string fileName = file.path.substr(slash == std::u16string::npos ? 0 : slash + 1);
    const char16_t* known = AppIdProgram(file.appId);
    const std::u16string program = known ? known : file.appId;
    const auto shown = shownAs.find(Folded(file.appId));
    for (const JumpListEntry& e : file.list.entries) {
      std::u16string category = e.category;
      if (category == u"Recent" && shown != shownAs.end()) category = shown->second;
      const std::u16string target = TargetOf(e);
      Table::Row row = table_.AddRow();
      row.Text(program).Text(target).Time(e.inDestList ? e.dest.lastAccess : 0);
      if (e.inDestList) {
        row.Number(e.dest.accessCount);
      } else {
        row.Empty();
      }
      row.Text(e.inDestList && e.dest.pin >= 0 ? u"Yes" : u"").Text(category);
      row.Text(e.inDestList && !e.dest.machine.empty() ? e.dest.machine : e.link.machine);
      const ShellLink* link = e.hasLink ? &e.link : nullptr;
      if (link && link->targetSize) {
        row.Number(link->targetSize);
      } else {
        row.Empty();
      }
      row.Time(link ? link->created : 0).Time(link ? link->modified : 0).Time(link ? link->accessed : 0);
      row.Text(link ? link->arguments : std::u16string()).Text(link ? link->VolumeText() : std::u16string());
      row.Text(file.appId).Text(fileName).Text(e.stream).Target(file.path);
      if (timeline_ && e.inDestList) {
        timeline_->Add({e.dest.lastAccess, u"Opened (jump list)", target.empty() ? program : target, program, fileName,
                        target.empty() ? file.path : target});
      }
      if (link) targets_.Add(*link, target, program, fileName);
    }
  }

  static std::u16string Folded(std::u16string text) {
    for (char16_t& c : text) c = FoldAscii(c);
    return text;
  }

 private:
  // The entry's target: the path its shortcut recorded on a volume or
  // share; else the path DestList keeps (a known folder by the shortcut's
  // item list, which names it); else whatever the shortcut names.
  static std::u16string TargetOf(const JumpListEntry& e) {
    if (e.hasLink && (!e.link.localBasePath.empty() || !e.link.netName.empty())) return e.link.TargetPath();
    if (e.inDestList && !e.dest.path.empty()) {
      if (!StartsWithIgnoringAsciiCase(e.dest.path, u"knownfolder:") || !e.hasLink || e.link.items.path.empty()) {
        return e.dest.path;
      }
    }
    return e.hasLink ? e.link.TargetPath() : std::u16string();
  }

  ViewSources& sources_;
  Table& table_;
  Progress& progress_;
  Timeline* timeline_;
  TargetEvents targets_;
  uint64_t seen_ = 0;
};

}  // namespace

void ReadShortcutTargets(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Shortcut", 3000},
                   {u"Target", 5000},
                   {u"Target Size", 1200},
                   {u"Target Created", 2000},
                   {u"Target Modified", 2000},
                   {u"Target Accessed", 2000},
                   {u"Volume or Share", 3000},
                   {u"Machine", 1600},
                   {u"MAC Address", 1700},
                   {u"Arguments", 2000},
                   {u"Created (file time)", 2000},
                   {u"Modified (file time)", 2000}};
  const std::u16string recent = ProfileFolder(sources.paths, u"Recent");
  if (recent.empty()) return;
  ShortcutReader(sources, table, progress, timeline).Folder(recent, u"", 0);
}

void ReadJumpLists(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Program", 2500},        {u"Target", 5000},          {u"Last Access", 2000},
                   {u"Access Count", 1200},   {u"Pinned", 800},           {u"Category", 1800},
                   {u"Machine", 1600},        {u"Target Size", 1200},     {u"Target Created", 2000},
                   {u"Target Modified", 2000}, {u"Target Accessed", 2000}, {u"Arguments", 2000},
                   {u"Volume or Share", 3000}, {u"AppID", 1700},           {u"Jump List", 3000},
                   {u"Entry", 700}};
  const std::u16string recent = ProfileFolder(sources.paths, u"Recent");
  if (recent.empty()) return;
  JumpListReader reader(sources, table, progress, timeline);
  // The custom lists first: they say which of Windows' lists each program
  // shows its automatic entries under.
  std::vector<ListFile> automatic, custom;
  if (!reader.Read(recent + u"CustomDestinations\\", false, custom)) return;
  if (!reader.Read(recent + u"AutomaticDestinations\\", true, automatic)) return;
  std::map<std::u16string, std::u16string> shownAs;
  for (const ListFile& file : custom) {
    if (!file.list.knownCategories.empty()) shownAs[JumpListReader::Folded(file.appId)] = file.list.knownCategories.front();
  }
  for (const ListFile& file : automatic) reader.Write(file, shownAs);
  for (const ListFile& file : custom) reader.Write(file, shownAs);
}

}  // namespace glimmerlog
