#include "views/viewreaders.h"

#include <chrono>
#include <vector>

#include "base/ascii.h"
#include "sources/ie/historyfiles.h"
#include "sources/ie/msiecf.h"
#include "sources/registry/splitlist.h"
#include "views/folderreader.h"
#include "views/shell/reglist.h"

namespace glimmerlog {

namespace {

constexpr char16_t kExplorer[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
// The history format cannot exceed about 16 MB; anything far larger is not
// a history file and is not read into memory.
constexpr uint64_t kMaxHistoryFileBytes = 64ull << 20;



std::u16string Status(SourceStatus s) { return AsciiText(StatusName(s)); }

// Addresses are nearly always ASCII, the same in every code page.
std::u16string AnsiLine(std::string_view bytes, AnsiDecoder ansi) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return ansi(bytes);
  }
  return std::u16string(bytes.begin(), bytes.end());
}

// The folder views' lines: the folder and each entry's name, for the
// entries that folderreader.h lists, in the file system's order. The
// progress hears of each entry that counts before its line is added, and of
// every entry after the next is taken, as the window gives its turns.
void AddFolderLines(FolderSource& folders, const std::u16string& folder, const std::u16string& name, Table& table,
                    Progress* progress) {
  SourceStatus status = SourceStatus::kOk;
  auto listing = folders.List(folder, &status);
  if (!listing) {
    table.Problem(name + u" " + folder + u": " + Status(status));
    return;
  }
  Progress none;
  Progress& step = progress ? *progress : none;
  uint64_t seen = 0;
  FolderEntry entry;
  bool more = listing->Next(entry);
  while (more) {
    FolderLine line = ClassifyFolderEntry(folders, folder, entry);
    if (line.counts) {
      if (!step.Step(seen, 0)) return;
      if (line.listed) table.AddRow().Text(line.path).Target(line.path);
    }
    more = listing->Next(entry);
    if (!step.Step(++seen, 0)) return;
  }
}

void OneColumn(Table& table, const char16_t* caption, long width) { table.columns = {{caption, width}}; }

}  // namespace

void ShowRegList(RegistrySource& registry, std::u16string_view key, ListRule rule, Table& table) {
  // The window lists nothing for a key it cannot read; a key that is there
  // but damaged or denied is named as well, so that the report can say what
  // it missed.
  std::vector<std::u16string> names;
  const SourceStatus status = registry.ValueNames(key, names);
  if (status != SourceStatus::kOk && status != SourceStatus::kMissing) {
    const size_t slash = key.rfind(u'\\');
    table.Problem(std::u16string(key.substr(slash == std::u16string_view::npos ? 0 : slash + 1)) + u": " +
                  Status(status));
  }
  for (std::u16string& line : RegListLines(registry, key, rule)) table.AddRow().Text(std::move(line));
}

std::u16string TrimSpaces(std::u16string_view s) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
  return std::u16string(s);
}

std::u16string ProfileFolder(ProfilePaths& paths, std::u16string_view name) {
  std::u16string folder = paths.ShellFolder(name);
  if (folder == kRegFailureText || folder.empty()) return {};
  if (folder.back() != u'\\') folder += u'\\';
  return folder;
}

void ReadUrlHistory(ViewSources& sources, Table& table, Timeline* timeline) {
  table.columns = {
      {u"Title", 3000}, {u"URL", 5000}, {u"Last Visited", 2000}, {u"Last Updated", 2000}, {u"Expires", 2000}};
  if (sources.history) {
    const bool asked = sources.history->Visits([&](const UrlVisit& v) {
      if (timeline) {
        const std::u16string url(v.url);
        timeline->Add({v.lastVisited, u"Page visited", url, std::u16string(v.title), u"Internet history", url});
      }
      table.AddRow().Text(v.title).Text(v.url).Time(v.lastVisited).Time(v.lastUpdated).Time(v.expires).Target(v.url);
    });
    if (!asked) table.Problem(u"Internet history: the history store could not be opened");
    return;
  }
  for (const std::u16string& file : HistoryFiles(sources.paths, sources.folders)) {
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
      if (!StartsWithIgnoringAsciiCase(url, u"http")) continue;
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
void ReadCookieFiles(ViewSources& sources, Table& table, Progress* progress) {
  OneColumn(table, u"Cookies", 6000);
  const std::u16string value = sources.paths.ShellFolder(u"Cookies");
  if (value == kRegFailureText || TrimSpaces(value).empty()) return;
  std::u16string folder = TrimSpaces(value) + u"\\";
  if (sources.osName == "Vista") folder += u"\\Low\\";
  AddFolderLines(sources.folders, folder, u"Cookies folder", table, progress);
}

// The backslash is appended whether or not the value ends in one.
void ReadRecentDocuments(ViewSources& sources, Table& table, Progress* progress) {
  OneColumn(table, u"Recent Documents", 6000);
  const std::u16string folder = sources.paths.ShellFolder(u"Recent");
  if (folder == kRegFailureText || folder.empty()) return;
  AddFolderLines(sources.folders, folder + u"\\", u"Recent folder", table, progress);
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
  for (const std::u16string& key : keys) ShowRegList(registry, key, ListRule::kPlain, table);
}

void ReadRunHistory(RegistrySource& registry, Table& table) {
  OneColumn(table, u"Start Menu Run History", 4000);
  ShowRegList(registry, std::u16string(kExplorer) + u"RunMRU", ListRule::kRun, table);
}

void ReadOpenSaveLines(RegistrySource& registry, Table& table) {
  OneColumn(table, u"Open/Save History", 6000);
  table.targetColumn = 0;  // each line is the path it opens
  ShowRegList(registry, std::u16string(kExplorer) + u"ComDlg32\\OpenSaveMRU\\*", ListRule::kOpen, table);
}

// The scan's slices are aimed at this interval between calls of the
// progress, whatever the speed of the disk: small at first, so that the first
// lines show at once, then doubled or halved as the last slice took.
constexpr auto kSliceInterval = std::chrono::milliseconds(25);

void ReadIndexDatLines(ByteSource& file, uint64_t size, AnsiDecoder ansi, Table& table,
                       const std::function<bool(uint64_t done, uint64_t size)>& progress) {
  OneColumn(table, u"URLs In Index.dat File", 6000);
  table.targetColumn = 0;  // each line is the address it opens
  // Addresses are nearly always ASCII, the same in every code page, and kept
  // a byte a character.
  IndexScanner scan(file, size, [&](const char* text, size_t n) {
    const std::string_view bytes(text, n);
    for (const char c : bytes) {
      if (static_cast<unsigned char>(c) >= 0x80) {
        table.AddRow().Text(ansi(bytes));
        return;
      }
    }
    table.AddRow().Latin1(bytes);
  });
  uint64_t slice = 1u << 14;
  for (;;) {
    const auto start = std::chrono::steady_clock::now();
    const bool more = scan.Step(slice);
    const auto spent = std::chrono::steady_clock::now() - start;
    if (spent < kSliceInterval / 2 && slice < (1ull << 32)) {
      slice *= 2;
    } else if (spent > kSliceInterval * 2 && slice > 4096) {
      slice /= 2;
    }
    if (progress && !progress(scan.Position(), size)) return;
    if (!more) return;
  }
}

}  // namespace glimmerlog
