#include "views/explorer/explorerreaders.h"

#include <algorithm>

#include "base/bytes.h"
#include "sources/shell/knownfolders.h"
#include "sources/shell/mru.h"
#include "sources/shell/shellitems.h"
#include "sources/shell/userassist.h"

namespace glimmerlog {

namespace {

constexpr char16_t kExplorerKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
constexpr uint32_t kRegSz = 1, kRegExpandSz = 2;

std::u16string Explorer(std::u16string_view rest) { return kExplorerKey + std::u16string(rest); }

// The last part of a key path, to name a source briefly ("RecentDocs\.txt").
std::u16string ShortName(const std::u16string& key) {
  const size_t explorer = key.find(u"\\Explorer\\");
  if (explorer != std::u16string::npos) return key.substr(explorer + 10);
  const size_t slash = key.rfind(u'\\');
  return slash == std::u16string::npos ? key : key.substr(slash + 1);
}

void Report(Table& table, const std::u16string& key, SourceStatus status) {
  table.Problem(ShortName(key) + u": " + AsciiText(StatusName(status)));
}

bool IsText(const RegistryData& data) { return data.type == kRegSz || data.type == kRegExpandSz; }

std::u16string Text(const RegistryData& data) { return Utf16ZText(data.bytes.data(), data.bytes.size()); }

// A path the shell can open: a drive path or a network path.
bool IsFileSystemPath(const std::u16string& path) {
  return (path.size() >= 3 && path[1] == u':' && path[2] == u'\\') || path.rfind(u"\\\\", 0) == 0;
}

// The file system path in a decoded item list, which names the shell's
// folders before it ("My Computer\C:\Users\..."): from the drive or the
// network share on; empty when the list names none.
std::u16string FileSystemPathOf(const std::u16string& path) {
  if (IsFileSystemPath(path)) return path;
  for (size_t at = path.find(u'\\'); at != std::u16string::npos; at = path.find(u'\\', at + 1)) {
    const std::u16string rest = path.substr(at + 1);
    if (IsFileSystemPath(rest)) return rest;
  }
  return {};
}

// One value of an MRU list, in list order, with its data.
struct MruValue {
  std::u16string name;
  uint32_t order = 0;
  RegistryData data;
};

enum class ListKind { kLetters, kNumbers };

// The values of a key in MRU order. A key that cannot be read is a problem
// unless it is simply absent and `missingIsProblem` is false; values that
// cannot be read are problems and are left out.
std::vector<MruValue> ReadMruKey(RegistrySource& registry, const std::u16string& key, ListKind kind, Table& table,
                                 bool missingIsProblem = true) {
  std::vector<MruValue> values;
  std::vector<std::u16string> names;
  const SourceStatus status = registry.ValueNames(key, names);
  if (status != SourceStatus::kOk) {
    if (status != SourceStatus::kMissing || missingIsProblem) Report(table, key, status);
    return values;
  }
  RegistryData list;
  const char16_t* listName = kind == ListKind::kLetters ? u"MRUList" : u"MRUListEx";
  const bool hasList = registry.ReadValue(key, listName, list) == SourceStatus::kOk;
  const std::vector<MruSlot> slots = kind == ListKind::kLetters ? OrderByMruList(names, hasList ? &list : nullptr)
                                                                : OrderByMruListEx(names, hasList ? &list : nullptr);
  values.reserve(slots.size());
  for (const MruSlot& slot : slots) {
    MruValue v{slot.name, slot.order, {}};
    const SourceStatus read = registry.ReadValue(key, slot.name, v.data);
    if (read != SourceStatus::kOk) {
      table.Problem(ShortName(key) + u" value " + slot.name + u": " + AsciiText(StatusName(read)));
      continue;
    }
    values.push_back(std::move(v));
  }
  return values;
}

uint64_t KeyTime(RegistrySource& registry, const std::u16string& key) {
  uint64_t time = 0;
  registry.LastWriteTime(key, time);
  return time;
}

std::vector<std::u16string> SubKeysOf(RegistrySource& registry, const std::u16string& key, Table& table,
                                      bool missingIsProblem = true) {
  std::vector<std::u16string> names;
  const SourceStatus status = registry.SubKeys(key, names);
  if (status != SourceStatus::kOk && (status != SourceStatus::kMissing || missingIsProblem)) Report(table, key, status);
  return names;
}

// The number at the end of a value name such as "url12"; 0 when none.
uint32_t TrailingNumber(const std::u16string& name) {
  size_t i = name.size();
  while (i > 0 && name[i - 1] >= u'0' && name[i - 1] <= u'9') --i;
  if (i == name.size() || name.size() - i > 9) return 0;
  uint32_t n = 0;
  for (; i < name.size(); ++i) n = n * 10 + static_cast<uint32_t>(name[i] - u'0');
  return n;
}

// The values urlN of a key, ordered by N (url1 is the most recent); other
// names come after, in value order.
std::vector<std::u16string> UrlValueNames(RegistrySource& registry, const std::u16string& key, Table& table) {
  std::vector<std::u16string> names;
  const SourceStatus status = registry.ValueNames(key, names);
  if (status != SourceStatus::kOk) {
    Report(table, key, status);
    return {};
  }
  names.erase(std::remove(names.begin(), names.end(), std::u16string()), names.end());
  std::stable_sort(names.begin(), names.end(), [](const std::u16string& a, const std::u16string& b) {
    const uint32_t x = TrailingNumber(a), y = TrailingNumber(b);
    return x != 0 && (y == 0 || x < y);
  });
  return names;
}

// A view names a key that is not there; the timeline, which reads every
// source, leaves out the ones this user never made.
void AbsentNotAProblem(std::vector<std::u16string>& problems) {
  const std::u16string missing = u": " + AsciiText(StatusName(SourceStatus::kMissing));
  problems.erase(std::remove_if(problems.begin(), problems.end(),
                                [&](const std::u16string& p) {
                                  return p.size() >= missing.size() &&
                                         p.compare(p.size() - missing.size(), missing.size(), missing) == 0;
                                }),
                 problems.end());
}

}  // namespace

void ReadRecentFiles(RegistrySource& registry, Table& table, Timeline* timeline) {
  table.columns = {{u"Name", 4500}, {u"Extension", 1200}, {u"Order", 800}, {u"Key Time", 2200}, {u"Shortcut", 3500}};
  const std::u16string root = Explorer(u"RecentDocs");
  std::vector<std::u16string> keys{root};
  for (const std::u16string& sub : SubKeysOf(registry, root, table, false)) keys.push_back(root + u"\\" + sub);
  for (size_t k = 0; k < keys.size(); ++k) {
    const std::u16string& key = keys[k];
    const std::u16string list = k == 0 ? u"(all)" : key.substr(root.size() + 1);
    const uint64_t keyTime = KeyTime(registry, key);
    for (const MruValue& v : ReadMruKey(registry, key, ListKind::kNumbers, table)) {
      RecentDocsEntry entry;
      if (!ParseRecentDocsValue(v.data.bytes.data(), v.data.bytes.size(), entry)) {
        table.Problem(ShortName(key) + u" value " + v.name + u": damaged");
        continue;
      }
      const uint64_t time = v.order == 1 ? keyTime : 0;
      table.AddRow().Text(entry.name).Text(list).Number(v.order).Time(time).Text(entry.shortcut).Target(entry.shortcut);
      if (timeline && time) {
        timeline->Add({time, u"Document opened", entry.name, u"most recent in " + list, ShortName(key), {}});
      }
    }
  }
}

void ReadOpenSaveHistory(RegistrySource& registry, Table& table, Timeline* timeline) {
  table.columns = {{u"Path", 5500},    {u"List", 2200},     {u"Order", 800},
                   {u"Program", 1800}, {u"Modified", 2200}, {u"Key Time", 2200}};
  const std::u16string root = Explorer(u"ComDlg32\\OpenSavePidlMRU");
  for (const std::u16string& sub : SubKeysOf(registry, root, table)) {
    const std::u16string key = root + u"\\" + sub;
    const uint64_t keyTime = KeyTime(registry, key);
    for (const MruValue& v : ReadMruKey(registry, key, ListKind::kNumbers, table)) {
      const ItemListText item = DecodeItemList(v.data.bytes.data(), v.data.bytes.size());
      if (!item.complete) table.Problem(ShortName(key) + u" value " + v.name + u": damaged item list");
      const uint64_t time = v.order == 1 ? keyTime : 0;
      table.AddRow().Text(item.path).Text(sub).Number(v.order).Empty().Time(item.modified).Time(time).Target(item.path);
      if (timeline && time) {
        timeline->Add({time, u"File opened or saved", item.path, u"most recent ." + sub + u" in the file dialogs",
                       ShortName(key), FileSystemPathOf(item.path)});
      }
    }
  }
  // Windows 10 keeps a second list in the same form beside the first.
  for (const char16_t* name : {u"LastVisitedPidlMRU", u"LastVisitedPidlMRULegacy"}) {
    const std::u16string visited = Explorer(u"ComDlg32\\") + name;
    const uint64_t keyTime = KeyTime(registry, visited);
    for (const MruValue& v : ReadMruKey(registry, visited, ListKind::kNumbers, table, false)) {
      LastVisitedEntry entry;
      if (!ParseLastVisitedValue(v.data.bytes.data(), v.data.bytes.size(), entry)) {
        table.Problem(ShortName(visited) + u" value " + v.name + u": damaged");
        continue;
      }
      if (!entry.folder.complete) table.Problem(ShortName(visited) + u" value " + v.name + u": damaged item list");
      const uint64_t time = v.order == 1 ? keyTime : 0;
      const std::u16string& path = entry.folder.path;
      table.AddRow()
          .Text(path)
          .Text(name)
          .Number(v.order)
          .Text(entry.program)
          .Time(entry.folder.modified)
          .Time(time)
          .Target(path);
      if (timeline && time) {
        timeline->Add(
            {time, u"Folder used in a file dialog", path, entry.program, ShortName(visited), FileSystemPathOf(path)});
      }
    }
  }
}

void ReadExplorerSearches(RegistrySource& registry, Table& table, Timeline* timeline) {
  table.columns = {{u"Search Term", 4500}, {u"Order", 800}, {u"Key Time", 2200}};
  const std::u16string key = Explorer(u"WordWheelQuery");
  const uint64_t keyTime = KeyTime(registry, key);
  for (const MruValue& v : ReadMruKey(registry, key, ListKind::kNumbers, table)) {
    const std::u16string term = Text(v.data);
    const uint64_t time = v.order == 1 ? keyTime : 0;
    table.AddRow().Text(term).Number(v.order).Time(time).Target(term);
    if (timeline && time) timeline->Add({time, u"Explorer search", term, {}, ShortName(key), {}});
  }
}

void ReadExplorerAddresses(RegistrySource& registry, Table& table, Timeline* timeline) {
  table.columns = {{u"Path", 5500}, {u"Order", 800}, {u"Key Time", 2200}};
  const std::u16string key = Explorer(u"TypedPaths");
  const uint64_t keyTime = KeyTime(registry, key);
  uint32_t order = 0;
  for (const std::u16string& name : UrlValueNames(registry, key, table)) {
    RegistryData data;
    const SourceStatus read = registry.ReadValue(key, name, data);
    if (read != SourceStatus::kOk || !IsText(data)) {
      table.Problem(ShortName(key) + u" value " + name + u": " +
                    (read != SourceStatus::kOk ? AsciiText(StatusName(read)) : u"not text"));
      continue;
    }
    const std::u16string path = Text(data);
    const uint64_t time = ++order == 1 ? keyTime : 0;
    table.AddRow().Text(path).Number(order).Time(time).Target(path);
    if (timeline && time) timeline->Add({time, u"Explorer path typed", path, {}, ShortName(key), path});
  }
}

void ReadTypedAddressTimes(RegistrySource& registry, Table& table, Timeline* timeline) {
  table.columns = {{u"URL", 5500}, {u"Order", 800}, {u"Typed", 2200}};
  const std::u16string key = u"Software\\Microsoft\\Internet Explorer\\TypedURLs";
  const std::u16string times = key + u"Time";
  std::vector<std::u16string> timeNames;
  const bool hasTimes = registry.ValueNames(times, timeNames) == SourceStatus::kOk;
  uint32_t order = 0;
  for (const std::u16string& name : UrlValueNames(registry, key, table)) {
    RegistryData data;
    const SourceStatus read = registry.ReadValue(key, name, data);
    if (read != SourceStatus::kOk || !IsText(data)) {
      table.Problem(u"TypedURLs value " + name + u": " +
                    (read != SourceStatus::kOk ? AsciiText(StatusName(read)) : u"not text"));
      continue;
    }
    uint64_t typed = 0;
    RegistryData time;
    if (hasTimes && registry.ReadValue(times, name, time) == SourceStatus::kOk) {
      if (time.bytes.size() == 8) {
        typed = Le64(time.bytes.data());
      } else {
        table.Problem(u"TypedURLsTime value " + name + u": damaged");
      }
    }
    const std::u16string url = Text(data);
    table.AddRow().Text(url).Number(++order).Time(typed).Target(url);
    if (timeline) timeline->Add({typed, u"Address typed", url, {}, u"TypedURLsTime", url});
  }
}

void ReadUserAssist(RegistrySource& registry, Table& table, Timeline* timeline) {
  table.columns = {{u"Program", 5000},        {u"Last Run", 2200}, {u"Run Count", 1000}, {u"Focus Count", 1100},
                   {u"Focus Time (s)", 1300}, {u"Kind", 1500},     {u"Key", 3800}};
  const std::u16string root = Explorer(u"UserAssist");
  for (const std::u16string& guid : SubKeysOf(registry, root, table)) {
    const std::u16string key = root + u"\\" + guid + u"\\Count";
    std::vector<std::u16string> names;
    const SourceStatus status = registry.ValueNames(key, names);
    if (status != SourceStatus::kOk) {
      if (status != SourceStatus::kMissing) Report(table, key, status);
      continue;
    }
    const char16_t* kindName = KnownFolderName(guid);
    const std::u16string kind = kindName ? kindName : u"";
    for (const std::u16string& stored : names) {
      const std::u16string name = Rot13(stored);
      // The counter's own bookkeeping (sessions, the count's version) is
      // not a program.
      if (name.empty() || name.rfind(u"UEME_CTL", 0) == 0) continue;
      RegistryData data;
      const SourceStatus read = registry.ReadValue(key, stored, data);
      UserAssistData counts;
      if (read != SourceStatus::kOk || !ParseUserAssistData(data.bytes.data(), data.bytes.size(), counts)) {
        table.Problem(u"UserAssist\\" + guid + u" value " + name + u": " +
                      (read != SourceStatus::kOk ? AsciiText(StatusName(read)) : u"damaged"));
        continue;
      }
      const std::u16string program = NameWithKnownFolder(name);
      Table::Row row = table.AddRow();
      row.Text(program).Time(counts.lastRun).Number(counts.runCount);
      if (counts.hasFocus) {
        row.Number(counts.focusCount).Number(counts.focusMs / 1000.0);
      } else {
        row.Empty().Empty();
      }
      row.Text(kind).Text(guid).Target(IsFileSystemPath(program) ? program : std::u16string());
      if (timeline) {
        timeline->Add({counts.lastRun,
                       u"Program run",
                       program,
                       counts.runCount == 1 ? u"run once" : u"run " + NumberText(counts.runCount) + u" times",
                       u"UserAssist",
                       {}});
      }
    }
  }
}

std::u16string ResolveShellPath(ProfilePaths& profile, const std::u16string& decoded) {
  if (std::u16string path = FileSystemPathOf(decoded); !path.empty()) return path;
  // A share as the shell names it: "Network\server\share\...".
  for (std::u16string_view network : {u"Network\\", u"My Network Places\\"}) {
    if (decoded.size() > network.size() && decoded.compare(0, network.size(), network) == 0) {
      return u"\\\\" + decoded.substr(network.size());
    }
  }
  // The shell's names of the user's folders and their Shell Folders values.
  static constexpr std::pair<std::u16string_view, std::u16string_view> kFolders[] = {
      {u"Desktop", u"Desktop"},       {u"Documents", u"Personal"},
      {u"My Documents", u"Personal"}, {u"Pictures", u"My Pictures"},
      {u"Music", u"My Music"},        {u"Videos", u"My Video"},
      {u"Favorites", u"Favorites"},   {u"Downloads", u"{374DE290-123F-4565-9164-39C4925E467B}"}};
  static constexpr std::u16string_view kContainers[] = {u"My Computer", u"Libraries", u"User's Files", u"Home",
                                                        u"Quick access"};
  std::u16string_view rest = decoded;
  for (bool stripped = true; stripped;) {
    stripped = false;
    for (std::u16string_view container : kContainers) {
      if (rest.size() > container.size() && rest.substr(0, container.size()) == container &&
          rest[container.size()] == u'\\') {
        rest.remove_prefix(container.size() + 1);
        stripped = true;
      }
    }
  }
  for (const auto& [name, value] : kFolders) {
    if (rest.substr(0, name.size()) != name || (rest.size() > name.size() && rest[name.size()] != u'\\')) continue;
    std::u16string folder = profile.ShellFolder(value);
    if (folder.empty() || folder == kRegFailureText) return {};
    if (folder.back() == u'\\') folder.pop_back();
    return folder + std::u16string(rest.substr(name.size()));
  }
  return {};
}

void AddRunBoxEvent(RegistrySource& registry, Timeline& timeline) {
  Table scratch;
  const std::u16string key = Explorer(u"RunMRU");
  for (const MruValue& v : ReadMruKey(registry, key, ListKind::kLetters, scratch, false)) {
    if (v.order != 1 || !IsText(v.data)) continue;
    std::u16string command = Text(v.data);
    // The Run box ends each entry with "\1".
    if (command.size() >= 2 && command.compare(command.size() - 2, 2, u"\\1") == 0) command.resize(command.size() - 2);
    timeline.Add({KeyTime(registry, key), u"Command run", command, {}, u"RunMRU", {}});
  }
  timeline.Problems(scratch.problems);
}

void AddExplorerEvents(RegistrySource& registry, Timeline& timeline) {
  using Reader = void (*)(RegistrySource&, Table&, Timeline*);
  for (Reader read : {&ReadRecentFiles, &ReadOpenSaveHistory, &ReadExplorerSearches, &ReadExplorerAddresses,
                      &ReadTypedAddressTimes, &ReadUserAssist}) {
    Table scratch;
    read(registry, scratch, &timeline);
    AbsentNotAProblem(scratch.problems);
    timeline.Problems(scratch.problems);
  }
  AddRunBoxEvent(registry, timeline);
}

}  // namespace glimmerlog
