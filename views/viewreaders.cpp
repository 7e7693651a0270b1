#include "views/viewreaders.h"

#include <vector>

#include "sources/registry/splitlist.h"
#include "views/browser/browserhistoryreader.h"
#include "sources/ie/msiecf.h"
#include "views/explorer/explorerreaders.h"
#include "views/folderreader.h"
#include "views/shell/reglist.h"

namespace glimmerlog {

namespace {

constexpr char16_t kExplorer[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
// The history format cannot exceed about 16 MB; anything far larger is not
// a history file and is not read into memory.
constexpr uint64_t kMaxHistoryFileBytes = 64ull << 20;

std::u16string Trim(std::u16string_view s) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
  return std::u16string(s);
}

char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (FoldAscii(text[i]) != FoldAscii(prefix[i])) return false;
  }
  return true;
}

bool EndsWith(std::u16string_view text, std::u16string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::u16string Status(SourceStatus s) { return AsciiText(StatusName(s)); }

// Addresses are nearly always ASCII, the same in every code page.
std::u16string AnsiLine(std::string_view bytes, AnsiDecoder ansi) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return ansi(bytes);
  }
  return std::u16string(bytes.begin(), bytes.end());
}

// The list loader's lines of one key under a rule. The window lists nothing
// for a key it cannot read; a key that is there but damaged or denied is
// named as well, so that the report can say what it missed.
void AddRegListLines(RegistrySource& registry, std::u16string_view key, ListRule rule, Table& table) {
  std::vector<std::u16string> names;
  const SourceStatus status = registry.ValueNames(key, names);
  if (status != SourceStatus::kOk && status != SourceStatus::kMissing) {
    const size_t slash = key.rfind(u'\\');
    table.Problem(std::u16string(key.substr(slash == std::u16string_view::npos ? 0 : slash + 1)) + u": " +
                  Status(status));
  }
  for (std::u16string& line : RegListLines(registry, key, rule)) table.AddRow().Text(std::move(line));
}

// The folder views' lines: the folder and each entry's name, for the
// entries that folderreader.h lists, in the file system's order.
void AddFolderLines(FolderSource& folders, const std::u16string& folder, const std::u16string& name, Table& table) {
  SourceStatus status = SourceStatus::kOk;
  auto listing = folders.List(folder, &status);
  if (!listing) {
    table.Problem(name + u" " + folder + u": " + Status(status));
    return;
  }
  FolderEntry entry;
  while (listing->Next(entry)) {
    FolderLine line = ClassifyFolderEntry(folders, folder, entry);
    if (line.listed) table.AddRow().Text(line.path).Target(line.path);
  }
}

void OneColumn(Table& table, const char16_t* caption, long width) { table.columns = {{caption, width}}; }

// Problems other than a source that is simply not there.
void AddPresentProblems(const Table& scratch, Timeline& timeline) {
  for (const std::u16string& p : scratch.problems) {
    if (!EndsWith(p, u": missing")) timeline.Problem(p);
  }
}

}  // namespace

std::u16string ProfileFolder(ProfilePaths& paths, std::u16string_view name) {
  std::u16string folder = paths.ShellFolder(name);
  if (folder == kRegFailureText || folder.empty()) return {};
  if (folder.back() != u'\\') folder += u'\\';
  return folder;
}

void ReadUrlHistory(ViewSources& sources, Table& table, Timeline* timeline) {
  table.columns = {
      {u"Title", 3000}, {u"URL", 5000}, {u"Last Visited", 2000}, {u"Last Updated", 2000}, {u"Expires", 2000}};
  std::u16string folder = Trim(sources.paths.ShellFolder(u"History"));
  if (folder == kRegFailureText || folder.empty()) return;
  if (folder.back() == u'\\') folder.pop_back();
  std::vector<std::u16string> files{folder + u"\\History.IE5\\index.dat"};
  const std::u16string low = folder + u"\\Low\\History.IE5\\index.dat";
  if (sources.folders.Attributes(low) != FolderSource::kNoAttributes) files.push_back(low);

  for (const std::u16string& file : files) {
    std::vector<uint8_t> bytes;
    const SourceStatus status = sources.folders.ReadFile(file, bytes, kMaxHistoryFileBytes);
    std::vector<HistoryEntry> entries;
    if (status != SourceStatus::kOk) {
      table.Problem(file + u": " + Status(status));
      continue;
    }
    if (!ReadHistoryFile(bytes.data(), bytes.size(), entries)) {
      table.Problem(file + u": " + Status(SourceStatus::kDamaged));
      continue;
    }
    for (HistoryEntry& e : entries) {
      std::u16string url = AnsiLine(e.url, sources.ansi);
      if (!StartsWithNoCase(url, u"http")) continue;
      if (timeline) timeline->Add({e.lastVisited, u"Page visited", url, e.title, u"Internet history", url});
      table.AddRow()
          .Text(std::move(e.title))
          .Text(url)
          .Time(e.lastVisited)
          .Time(e.lastUpdated)
          .Time(e.expires)
          .Target(std::move(url));
    }
  }
}

// Only values without a name (the default value) are left out; an empty
// value is an empty line.
void ReadAddressBar(RegistrySource& registry, Table& table) {
  OneColumn(table, u"URLs", 4000);
  const std::u16string key = u"Software\\Microsoft\\Internet Explorer\\TypedURLs";
  std::vector<std::u16string> names;
  const SourceStatus status = registry.ValueNames(key, names);
  if (status != SourceStatus::kOk && status != SourceStatus::kMissing) table.Problem(u"TypedURLs: " + Status(status));
  std::u16string list = registry.GetRegValueNames(key);
  if (list == kRegFailureText || list.empty()) return;
  for (const std::u16string& name : SplitList(list, std::u16string(u","))) {
    if (name.find_first_not_of(u' ') == std::u16string::npos) continue;
    std::u16string url = registry.GetRegValue(key, name);
    table.AddRow().Text(url).Target(std::move(url));
  }
}

// On Vista and later the browser's protected mode keeps its cookies in the
// "Low" subfolder, and that is the one listed; the lines show the path as
// the window forms it.
void ReadCookieFiles(ViewSources& sources, Table& table) {
  OneColumn(table, u"Cookies", 6000);
  const std::u16string value = sources.paths.ShellFolder(u"Cookies");
  if (value == kRegFailureText || Trim(value).empty()) return;
  std::u16string folder = Trim(value) + u"\\";
  if (sources.osName == "Vista") folder += u"\\Low\\";
  AddFolderLines(sources.folders, folder, u"Cookies folder", table);
}

// The backslash is appended whether or not the value ends in one.
void ReadRecentDocuments(ViewSources& sources, Table& table) {
  OneColumn(table, u"Recent Documents", 6000);
  const std::u16string folder = sources.paths.ShellFolder(u"Recent");
  if (folder == kRegFailureText || folder.empty()) return;
  AddFolderLines(sources.folders, folder + u"\\", u"Recent folder", table);
}

void ReadSearchHistory(RegistrySource& registry, const std::string& osName, Table& table) {
  OneColumn(table, u"Start Menu Search History", 4000);
  const std::u16string explorer = kExplorer;
  const std::u16string bar =
      u"Software\\Microsoft\\Internet Explorer\\Explorer Bars\\{C4EE31F3-4768-11D2-BE5C-00A0C9A83DA1}\\";
  const std::u16string assistant = u"Software\\Microsoft\\Search Assistant\\ACMru\\";
  std::vector<std::u16string> keys;
  if (osName == "95" || osName == "98") {
    keys = {explorer + u"Doc Find Spec MRU", explorer + u"FindComputerMRU"};
  } else {
    keys = {bar + u"ComputerNameMRU", bar + u"ContainingTextMRU", bar + u"filesNamedMRU",
            assistant + u"5603",      assistant + u"5604",        assistant + u"5647"};
  }
  for (const std::u16string& key : keys) AddRegListLines(registry, key, ListRule::kPlain, table);
}

void ReadRunHistory(RegistrySource& registry, Table& table) {
  OneColumn(table, u"Start Menu Run History", 4000);
  AddRegListLines(registry, std::u16string(kExplorer) + u"RunMRU", ListRule::kRun, table);
}

void ReadOpenSaveLines(RegistrySource& registry, Table& table) {
  OneColumn(table, u"Open/Save History", 6000);
  AddRegListLines(registry, std::u16string(kExplorer) + u"ComDlg32\\OpenSaveMRU\\*", ListRule::kOpen, table);
}

void ReadIndexDatLines(ByteSource& file, uint64_t size, AnsiDecoder ansi, Table& table,
                       const std::function<bool(uint64_t done, uint64_t size)>& progress) {
  OneColumn(table, u"URLs In Index.dat File", 6000);
  IndexScanner scan(file, size, [&](const char* text, size_t n) {
    std::u16string line = AnsiLine(std::string_view(text, n), ansi);
    table.AddRow().Text(line).Target(std::move(line));
  });
  constexpr uint64_t kSlice = 8u << 20;
  while (scan.Step(kSlice)) {
    if (progress && !progress(scan.Position(), size)) break;
  }
}

void ReadActivityTimeline(ViewSources& sources, Table& table) {
  Timeline timeline;
  {
    Table history;
    ReadUrlHistory(sources, history, &timeline);
    AddPresentProblems(history, timeline);
  }
  AddTimelineEvents(sources.registry, sources.folders, sources.paths, sources.localAppData, sources.roamingAppData,
                    timeline);
  timeline.ToTable(table);
}

void AddTimelineEvents(RegistrySource& registry, FolderSource& folders, ProfilePaths& paths,
                       std::u16string_view localAppData, std::u16string_view roamingAppData, Timeline& timeline) {
  {
    Table browsers;
    ReadBrowserHistoryTable(folders, localAppData, roamingAppData, browsers, &timeline, &paths);
    timeline.Problems(browsers.problems);
  }
  AddExplorerEvents(registry, timeline);
  if (const std::u16string recent = ProfileFolder(paths, u"Recent"); !recent.empty()) {
    AddFolderEvents(folders, recent, u"Shortcut in Recent", u"Recent folder", timeline);
  }
  if (const std::u16string cookies = ProfileFolder(paths, u"Cookies"); !cookies.empty()) {
    AddFolderEvents(folders, cookies, u"Cookie file written", u"Cookies folder", timeline);
  }
}

}  // namespace glimmerlog
