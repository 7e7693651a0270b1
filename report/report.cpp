#include "report/report.h"

#include <cstdio>

#include "report/isotime.h"
#include "base/utf8.h"
#include "sources/profile/profilesource.h"
#include "views/browser/browserhistoryreader.h"
#include "views/explorer/explorerreaders.h"

namespace glimmerlog {

namespace {

std::string Utf8(std::u16string_view text) {
  std::string out;
  AppendUtf8(text, out);
  return out;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

// --- the readers of the views ---------------------------------------------

void UrlHistory(ReportContext& c, Table& t) { ReadUrlHistory(c.sources, t); }
void AddressBar(ReportContext& c, Table& t) { ReadAddressBar(c.sources.registry, t); }
void Cookies(ReportContext& c, Table& t) { ReadCookieFiles(c.sources, t); }
void RecentDocuments(ReportContext& c, Table& t) { ReadRecentDocuments(c.sources, t); }
void SearchHistory(ReportContext& c, Table& t) { ReadSearchHistory(c.sources.registry, c.sources.osName, t); }
void RunHistory(ReportContext& c, Table& t) { ReadRunHistory(c.sources.registry, t); }
void OpenSave(ReportContext& c, Table& t) { ReadOpenSaveLines(c.sources.registry, t); }
void RecentFiles(ReportContext& c, Table& t) { ReadRecentFiles(c.sources.registry, t); }
void OpenSave7(ReportContext& c, Table& t) { ReadOpenSaveHistory(c.sources.registry, t); }
void ExplorerSearch(ReportContext& c, Table& t) { ReadExplorerSearches(c.sources.registry, t); }
void ExplorerAddress(ReportContext& c, Table& t) { ReadExplorerAddresses(c.sources.registry, t); }
void TypedTimes(ReportContext& c, Table& t) { ReadTypedAddressTimes(c.sources.registry, t); }
void UserAssist(ReportContext& c, Table& t) { ReadUserAssist(c.sources.registry, t); }
void BrowserHistory(ReportContext& c, Table& t) {
  ReadBrowserHistoryTable(c.sources.folders, c.sources.localAppData, c.sources.roamingAppData, t, nullptr,
                          &c.sources.paths);
}
void ActivityTimeline(ReportContext& c, Table& t) { ReadActivityTimeline(c.sources, t); }

// The file the window's chooser would ask for, scanned with the progress in
// percent.
void IndexDat(ReportContext& c, Table& t) {
  uint64_t size = 0;
  SourceStatus status = SourceStatus::kOk;
  std::unique_ptr<ByteSource> file = c.platform.OpenFile(c.indexFile, size, status);
  if (!file) {
    MemorySource none(nullptr, 0);
    ReadIndexDatLines(none, 0, c.sources.ansi, t);
    // Named on the command line, so never merely absent.
    c.problems.push_back(Utf8ToU16(c.indexFile) + u": " + AsciiText(StatusName(status)) +
                         u" (the file --index-file names)");
    return;
  }
  int shown = -1;
  ReadIndexDatLines(*file, size, c.sources.ansi, t, [&](uint64_t done, uint64_t total) {
    const int percent = total ? static_cast<int>(done * 100 / total) : 100;
    if (percent != shown) c.platform.Progress(u"Index.dat: " + NumberText(static_cast<uint64_t>(percent)) + u"%");
    shown = percent;
    return true;
  });
}

std::u16string NumberCell(double value) {
  char text[64];
  std::snprintf(text, sizeof(text), "%.15g", value);
  return AsciiText(text);
}

bool TakesValue(const std::string& option) {
  return option == "--view" || option == "--index-file" || option == "--format" || option == "--tz" ||
         option == "--output";
}

}  // namespace

const std::vector<ReportView>& ReportViews() {
  // The window's views in the order of its View menu, with their names as
  // its buttons and menu give them.
  static const std::vector<ReportView> views = {
      {u"URLs History", u"cache", &UrlHistory, true, false, u"History"},
      {u"Address Bar", u"url", &AddressBar, true, false, u""},
      {u"Cookies", u"cookies", &Cookies, true, true, u"Cookies"},
      {u"Recent Documents", u"recdoc", &RecentDocuments, true, false, u"Recent"},
      {u"Search History", u"search", &SearchHistory, true, true, u""},
      {u"Run History", u"run", &RunHistory, true, false, u""},
      {u"Open/Save", u"open", &OpenSave, true, false, u""},
      {u"Index.dat", u"index.dat", &IndexDat, false, false, u""},
      {u"Recent Files (Explorer)", u"recentfiles", &RecentFiles, true, false, u""},
      {u"Open/Save (Windows 7+)", u"opensave7", &OpenSave7, true, false, u""},
      {u"Explorer Search", u"wordwheel", &ExplorerSearch, true, false, u""},
      {u"Explorer Address Bar", u"typedpaths", &ExplorerAddress, true, false, u""},
      {u"Typed Addresses with Times", u"typedtimes", &TypedTimes, true, false, u""},
      {u"Programs Run (UserAssist)", u"userassist", &UserAssist, true, false, u""},
      {u"Activity Timeline", u"timeline", &ActivityTimeline, true, false, u"History,Recent,Cookies"},
      {u"Browser History", u"browserhistory", &BrowserHistory, false, false, u""},
  };
  return views;
}

const ReportView* FindReportView(const std::string& name) {
  for (const ReportView& v : ReportViews()) {
    if (SameNoCase(name, Utf8(v.name)) || SameNoCase(name, Utf8(v.tag))) return &v;
  }
  return nullptr;
}

bool IsAbsence(const std::u16string& problem) {
  constexpr std::u16string_view kMissing = u": missing";
  return problem.size() >= kMissing.size() &&
         problem.compare(problem.size() - kMissing.size(), kMissing.size(), kMissing.data(), kMissing.size()) == 0;
}

const char* ReportUsage() {
  return "Usage: glimmerlog-report (PROFILE_DIR | --live) [--list-views | --view NAME | --timeline]\n"
         "                         [--index-file FILE] [--format txt|csv|json] [--tz utc|local]\n"
         "                         [--output FILE]\n"
         "\n"
         "Writes one view of Glimmerlog, or the activity timeline of all, for a profile folder\n"
         "(its NTUSER.DAT and its files) or, on Windows, for the signed-in user (--live).\n"
         "\n"
         "  PROFILE_DIR        a user's profile folder, such as a copy of C:\\Users\\bob; paths\n"
         "                     in it are matched without regard to case\n"
         "  --live             the signed-in user of the running Windows (Windows only)\n"
         "  --list-views       lists the views' names\n"
         "  --view NAME        one view, by its name (or its tag); quote names with spaces\n"
         "  --timeline         the activity timeline (what runs when no view is named)\n"
         "  --index-file FILE  the cache index file the Index.dat view scans\n"
         "  --format FORMAT    txt (tab-separated, the default), csv or json; UTF-8\n"
         "  --tz ZONE          utc (the default: 2026-12-04T09:02:18Z) or local (this\n"
         "                     machine's zone, with the offset of each date: +01:00)\n"
         "  --output FILE      writes there (whole or not at all) instead of the standard output\n"
         "  --help             this text\n"
         "\n"
         "Exit status: 0; 1 when a source could not be read (said on the standard error, the\n"
         "rest still reported) or the output could not be written; 2 for a command line that\n"
         "is not one.\n";
}

bool ParseReportArgs(const std::vector<std::string>& args, ReportOptions& options, std::string& error) {
  options = ReportOptions();
  bool actionGiven = false;
  auto action = [&](ReportOptions::Action a) {
    if (actionGiven && options.action != a) {
      error = "choose one of --list-views, --view and --timeline";
      return false;
    }
    actionGiven = true;
    options.action = a;
    return true;
  };
  bool help = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string option = args[i], value;
    const size_t equals = option.find('=');
    const bool joined = option.rfind("--", 0) == 0 && equals != std::string::npos;
    if (joined) {
      value = option.substr(equals + 1);
      option.resize(equals);
    }
    if (TakesValue(option)) {
      if (!joined) {
        if (i + 1 >= args.size()) {
          error = option + " needs a value";
          return false;
        }
        value = args[++i];
      }
    } else if (joined) {
      error = option + " takes no value";
      return false;
    }
    if (option == "--help" || option == "-h" || option == "/?") {
      help = true;
    } else if (option == "--live") {
      options.live = true;
    } else if (option == "--list-views") {
      if (!action(ReportOptions::Action::kListViews)) return false;
    } else if (option == "--timeline") {
      if (!action(ReportOptions::Action::kTimeline)) return false;
    } else if (option == "--view") {
      if (!action(ReportOptions::Action::kView)) return false;
      options.viewName = value;
    } else if (option == "--index-file") {
      options.indexFile = value;
    } else if (option == "--output") {
      options.output = value;
    } else if (option == "--format") {
      if (value == "txt") {
        options.format = ExportFormat::kText;
      } else if (value == "csv") {
        options.format = ExportFormat::kCsv;
      } else if (value == "json") {
        options.format = ExportFormat::kJson;
      } else {
        error = "--format is txt, csv or json, not \"" + value + "\"";
        return false;
      }
    } else if (option == "--tz") {
      if (value != "utc" && value != "local") {
        error = "--tz is utc or local, not \"" + value + "\"";
        return false;
      }
      options.localTime = value == "local";
    } else if (option.size() > 1 && option[0] == '-') {
      error = "unknown option " + option;
      return false;
    } else if (!options.profileDir.empty()) {
      error = "one profile folder at a time (\"" + options.profileDir + "\" and \"" + option + "\")";
      return false;
    } else if (option.empty()) {
      error = "the profile folder is an empty name";
      return false;
    } else {
      options.profileDir = option;
    }
  }
  if (help) {
    options.action = ReportOptions::Action::kHelp;
    return true;
  }
  if (options.action == ReportOptions::Action::kListViews) return true;
  if (options.live && !options.profileDir.empty()) {
    error = "a profile folder or --live, not both";
    return false;
  }
  if (!options.live && options.profileDir.empty()) {
    error = "name a profile folder, or --live";
    return false;
  }
  return true;
}

int RunReport(const std::vector<std::string>& args, ReportPlatform& platform) {
  ReportOptions options;
  std::string error;
  if (!ParseReportArgs(args, options, error)) {
    platform.Error("glimmerlog-report: " + error);
    platform.Error("Try glimmerlog-report --help.");
    return kReportUsage;
  }
  return RunReport(options, platform);
}

int RunReport(const ReportOptions& options, ReportPlatform& platform) {
  const std::string me = "glimmerlog-report: ";
  std::string error;
  if (options.action == ReportOptions::Action::kHelp) {
    return platform.WriteOutput({}, ReportUsage(), error) ? kReportOk : kReportUnreadable;
  }
  if (options.action == ReportOptions::Action::kListViews) {
    std::string names;
    for (const ReportView& v : ReportViews()) names += Utf8(v.name) + "\n";
    return platform.WriteOutput(options.output, names, error) ? kReportOk : kReportUnreadable;
  }

  const ReportView* view = options.action == ReportOptions::Action::kTimeline ? FindReportView("timeline")
                                                                              : FindReportView(options.viewName);
  if (!view) {
    platform.Error(me + "no view is named \"" + options.viewName + "\" (--list-views lists them)");
    return kReportUsage;
  }
  const std::string viewName = Utf8(view->name);
  if (std::u16string_view(view->tag) == u"index.dat" && options.indexFile.empty()) {
    platform.Error(me + "the Index.dat view scans the file named by --index-file");
    return kReportUsage;
  }
  // Nothing is written where the report reads.
  if (!options.output.empty() &&
      ((!options.profileDir.empty() && platform.Within(options.output, options.profileDir)) ||
       (!options.indexFile.empty() && platform.Within(options.output, options.indexFile)))) {
    platform.Error(me + "the output " + options.output + " would be written into what the report reads");
    return kReportUsage;
  }

  // The sources: the signed-in user's, or the profile folder's.
  std::unique_ptr<ProfileSource> profile;
  LiveSources* live = nullptr;
  bool hiveUnread = false;
  if (options.live) {
    live = platform.Live();
    if (!live) {
      platform.Error(me + "--live reads the signed-in user of the running Windows: it works on Windows only");
      return kReportUsage;
    }
  } else {
    std::u16string folderPath;
    SourceStatus status = SourceStatus::kOk;
    FolderSource* folders = platform.OpenProfileFolder(options.profileDir, folderPath, status);
    if (!folders) {
      if (status == SourceStatus::kMissing) {
        platform.Error(me + options.profileDir + " is not a folder");
        return kReportUsage;
      }
      platform.Error(me + options.profileDir + ": " + StatusName(status));
      return kReportUnreadable;
    }
    platform.Progress(u"Reading the profile's registry...");
    SourceStatus hiveStatus = SourceStatus::kOk;
    std::u16string hiveProblem;
    std::unique_ptr<RegistrySource> hive = OpenHiveFile(
        *folders, folderPath.empty() ? u"NTUSER.DAT" : folderPath + u"\\NTUSER.DAT", hiveStatus, hiveProblem);
    const ProfileRoot root = hive ? FindProfileRoot(*hive) : ProfileRoot{};
    platform.NameProfileFolder(*folders, root.path, folderPath);
    profile = std::make_unique<ProfileSource>(*folders, folderPath, std::move(hive));
    if (view->readsHive && !hiveProblem.empty()) {
      hiveUnread = hiveStatus != SourceStatus::kOk;
      platform.Error(me + viewName + (hiveUnread ? ": not read: " : ": note: ") + Utf8(hiveProblem));
    }
  }
  ViewSources sources{live ? live->registry : profile->Registry(),
                      live ? live->folders : profile->Folders(),
                      live ? live->paths : static_cast<ProfilePaths&>(*profile),
                      live ? live->osName : profile->OsName(),
                      {},
                      {},
                      platform.Ansi()};
  sources.localAppData = sources.paths.AppDataFolder(true);
  sources.roamingAppData = sources.paths.AppDataFolder(false);
  if (view->usesOsName) {
    const std::string name = sources.osName.empty() ? "unknown" : "\"" + sources.osName + "\"";
    platform.Error(me + viewName + ": read as Windows version " + name + " (" +
                   (live ? std::string("the running Windows") : Utf8(profile->OsNameReason())) + ")");
  }

  bool unreadable = hiveUnread;
  auto problem = [&](const std::u16string& text) {
    platform.Error(me + viewName + ": not read: " + Utf8(text));
    unreadable = unreadable || !IsAbsence(text);
  };
  if (profile && !hiveUnread) {  // an unread hive names no folders: said once above
    std::u16string_view names = view->shellFolders;
    while (!names.empty()) {
      const size_t comma = names.find(u',');
      const std::u16string_view name = names.substr(0, comma);
      names = comma == std::u16string_view::npos ? std::u16string_view() : names.substr(comma + 1);
      if (const std::u16string why = profile->ShellFolderProblem(name); !why.empty()) problem(why);
    }
  }

  Table table;
  ReportContext context{sources, platform, options.indexFile, {}};
  platform.Progress(u"Reading " + std::u16string(view->name) + u"...");
  view->read(context, table);
  platform.Progress({});
  for (const std::u16string& p : context.problems) problem(p);
  for (const std::u16string& p : table.problems) problem(p);

  ExportDocument doc;
  doc.viewName = view->name;
  for (const TableColumn& c : table.columns) doc.columns.push_back(c.caption);
  doc.rowCount = table.RowCount();
  doc.row = [&](size_t r, std::vector<ExportCell>& cells) {
    for (size_t c = 0; c < cells.size(); ++c) {
      const TableCell cell = table.Cell(r, c);
      switch (cell.kind) {
        case TableCell::Kind::kText: cells[c].shown = cell.text; break;
        case TableCell::Kind::kTime:
          cells[c].iso = options.localTime ? platform.LocalIso(cell.time) : IsoUtc(cell.time);
          cells[c].shown = cells[c].iso;
          break;
        case TableCell::Kind::kNumber: cells[c].shown = NumberCell(cell.number); break;
        case TableCell::Kind::kEmpty: break;
      }
    }
  };
  std::string bytes;
  WriteExport(options.format, doc, bytes);
  if (!platform.WriteOutput(options.output, bytes, error)) {
    platform.Error(me + error);
    return kReportUnreadable;
  }
  return unreadable ? kReportUnreadable : kReportOk;
}

}  // namespace glimmerlog
