#include "report/report.h"

#include <cstdio>

#include "base/isotime.h"
#include "base/utf8.h"
#include "sources/profile/profilesource.h"
#include "sources/volume/windowsvolume.h"

namespace glimmerlog {

namespace {

std::string Utf8(std::u16string_view text) {
  std::string out;
  AppendUtf8(text, out);
  return out;
}

// Reports the scan of the index file in percent, named by the view.
class PercentProgress final : public Progress {
 public:
  PercentProgress(ReportPlatform& platform, std::u16string name) : platform_(platform), name_(std::move(name)) {}
  bool Step(uint64_t done, uint64_t total) override {
    if (total == 0) return true;
    const int percent = static_cast<int>(done * 100 / total);
    if (percent != shown_) platform_.Progress(name_ + u": " + NumberText(static_cast<uint64_t>(percent)) + u"%");
    shown_ = percent;
    return true;
  }

 private:
  ReportPlatform& platform_;
  std::u16string name_;
  int shown_ = -1;
};

std::u16string NumberCell(double value) {
  char text[64];
  std::snprintf(text, sizeof(text), "%.15g", value);
  return AsciiText(text);
}

bool TakesValue(const std::string& option) {
  return option == "--view" || option == "--index-file" || option == "--format" || option == "--tz" ||
         option == "--output" || option == "--volume" || option == "--user";
}


// Whether the view reads the profile's own cache index files: it can, and
// --index-file names none. The views that only scan a named file require it.
bool NamesNoIndexFile(const ReportOptions& options, const ViewDef& view) {
  return (view.flags & ViewDef::kFindsIndexFiles) && options.indexFile.empty();
}

// The lines of one view read for one user (or for the volume itself).
struct ReportPart {
  std::u16string user;
  Table table;
};

// Writes the parts' lines in their order, each with its user first when
// `userColumn`; false when the output could not be written (said).
bool WriteParts(const ReportOptions& options, ReportPlatform& platform, const ViewDef& view,
                const std::vector<ReportPart>& parts, bool userColumn) {
  ExportDocument doc;
  doc.viewName = view.name;
  if (userColumn) doc.columns.push_back(u"User");
  const Table* shape = nullptr;
  for (const ReportPart& part : parts) {
    if (!part.table.columns.empty()) {
      shape = &part.table;
      break;
    }
  }
  if (shape) {
    for (const TableColumn& c : shape->columns) doc.columns.push_back(c.caption);
  }
  std::vector<std::pair<size_t, size_t>> rows;  // part, row
  for (size_t p = 0; p < parts.size(); ++p) {
    for (size_t r = 0; r < parts[p].table.RowCount(); ++r) rows.emplace_back(p, r);
  }
  doc.rowCount = rows.size();
  const size_t first = userColumn ? 1 : 0;
  doc.row = [&](size_t index, std::vector<ExportCell>& cells) {
    const ReportPart& part = parts[rows[index].first];
    const size_t r = rows[index].second;
    if (userColumn) cells[0].shown = part.user;
    for (size_t c = first; c < cells.size(); ++c) {
      const TableCell cell = part.table.Cell(r, c - first);
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
  std::string bytes, error;
  WriteExport(options.format, doc, bytes);
  if (!platform.WriteOutput(options.output, bytes, error)) {
    platform.Error("glimmerlog-report: " + error);
    return false;
  }
  return true;
}

// A view over a Windows volume: every user's lines (or the one user's), and
// a machine-wide view once for the volume.
int RunVolumeReport(const ReportOptions& options, const ViewDef& view, ReportPlatform& platform) {
  const std::string me = "glimmerlog-report: ";
  const std::string viewName = Utf8(view.name);
  std::u16string root;
  SourceStatus status = SourceStatus::kOk;
  FolderSource* folders = platform.OpenProfileFolder(options.volume, root, status);
  if (!folders) {
    platform.Error(me + options.volume + (status == SourceStatus::kMissing ? " is not a folder"
                                                                           : std::string(": ") + StatusName(status)));
    return status == SourceStatus::kMissing ? kReportUsage : kReportUnreadable;
  }
  // A copy is named as the drive it was; a folder of Windows keeps its path.
  platform.NameProfileFolder(*folders, u"C:", root);
  std::u16string why;
  platform.Progress(u"Reading the volume's registry...");
  const std::unique_ptr<WindowsVolume> volume = WindowsVolume::Open(*folders, root, why);
  if (!volume) {
    platform.Error(me + options.volume + ": " + Utf8(why));
    return kReportUsage;
  }
  bool unreadable = false;
  if (!volume->SystemNote().empty()) {
    const bool unread = !volume->System() && volume->SystemStatus() != SourceStatus::kMissing;
    platform.Error(me + (unread ? "not read: " : "note: ") + Utf8(volume->SystemNote()));
    unreadable = unread;
  }
  std::vector<const VolumeUser*> users;
  if (!options.user.empty()) {
    const VolumeUser* user = volume->FindUser(Utf8ToU16(options.user));
    if (!user) {
      std::string names;
      for (const VolumeUser& u : volume->Users()) names += (names.empty() ? "" : ", ") + Utf8(u.name);
      platform.Error(me + "no user \"" + options.user + "\" on " + options.volume + " (its users: " +
                     (names.empty() ? "none" : names) + ")");
      return kReportUsage;
    }
    users.push_back(user);
  } else {
    for (const VolumeUser& u : volume->Users()) users.push_back(&u);
  }
  // The index file, when the view scans one, as for a profile.
  std::unique_ptr<ByteSource> indexFile;
  uint64_t indexSize = 0;
  const bool findIndexFiles = NamesNoIndexFile(options, view);
  if ((view.flags & ViewDef::kScansIndexFile) && !findIndexFiles) {
    indexFile = platform.OpenFile(options.indexFile, indexSize, status);
    if (!indexFile) {
      platform.Error(me + viewName + ": not read: " + options.indexFile + ": " + StatusName(status));
      unreadable = true;
    }
  }

  std::vector<ReportPart> parts;
  // The timeline of every user: each user's own traces, then the volume's
  // machine-wide ones once.
  const bool timelineOfAll = (view.flags & ViewDef::kTimeline) && options.user.empty();
  auto read = [&](const VolumeUser* user) {
    std::unique_ptr<ProfileSource> profile =
        user ? ProfileSource::Open(*folders, user->folder)
             : std::make_unique<ProfileSource>(*folders, volume->Root().substr(0, volume->Root().size() - 1), nullptr);
    const std::string who = user ? Utf8(user->name) + ": " : std::string();
    if (user && (view.flags & ViewDef::kReadsHive) && !profile->HiveProblem().empty()) {
      const bool unread = profile->HiveStatus() != SourceStatus::kOk;
      platform.Error(me + viewName + ": " + who + (unread ? "not read: " : "note: ") + Utf8(profile->HiveProblem()));
      unreadable = unreadable || unread;
    }
    ViewSources sources{profile->Registry(), *folders, *profile, profile->OsName(), {}, {}, platform.Ansi()};
    if (user) {
      sources.hiveFile = profile->HiveFile();
      sources.hiveStatus = profile->HiveStatus();
      sources.hiveNote = profile->HiveProblem().empty() ? profile->HiveLogs() : profile->HiveProblem();
      sources.classes = profile->Classes();
      if (profile->Classes() || profile->ClassesStatus() != SourceStatus::kMissing) {
        sources.classesFile = profile->ClassesFile();
        sources.classesStatus = profile->ClassesStatus();
        sources.classesNote = profile->ClassesProblem().empty() ? profile->ClassesLogs() : profile->ClassesProblem();
      }
      sources.userSid = user->sid;
      sources.userName = user->name;
    }
    sources.volumeRoot = volume->Root();
    sources.system = volume->System();
    sources.systemNote = volume->SystemNote();
    sources.systemFile = volume->SystemFile();
    sources.systemStatus = volume->SystemStatus();
    if (timelineOfAll) sources.timelineScope = user ? TimelineScope::kUserOnly : TimelineScope::kMachineOnly;
    sources.indexFile = indexFile.get();
    sources.indexFileSize = indexSize;
    sources.indexFilePath = Utf8ToU16(options.indexFile);
    sources.findIndexFiles = findIndexFiles;
    parts.emplace_back();
    parts.back().user = user ? user->name : std::u16string();
    PercentProgress progress(platform, view.name);
    platform.Progress(u"Reading " + std::u16string(view.name) + (user ? u" of " + user->name : std::u16string()) +
                      u"...");
    ReadView(view, sources, parts.back().table, progress);
    platform.Progress({});
    for (const std::u16string& p : parts.back().table.problems) {
      platform.Error(me + viewName + ": " + who + "not read: " + Utf8(p));
      unreadable = unreadable || !IsAbsence(p);
    }
  };
  if ((view.flags & ViewDef::kMachineWide) && options.user.empty()) {
    read(nullptr);
  } else {
    for (const VolumeUser* user : users) read(user);
    if (timelineOfAll) read(nullptr);
  }
  if (users.empty() && !(view.flags & ViewDef::kMachineWide)) {
    platform.Error(me + viewName + ": " + options.volume + " holds no user profile with a registry hive");
  }
  return WriteParts(options, platform, view, parts, true) && !unreadable ? kReportOk : kReportUnreadable;
}
}  // namespace

const char* ReportUsage() {
  return "Usage: glimmerlog-report (PROFILE_DIR | --volume ROOT [--user NAME] | --live)\n"
         "                         [--list-views | --view NAME | --timeline]\n"
         "                         [--index-file FILE] [--format txt|csv|json] [--tz utc|local]\n"
         "                         [--output FILE]\n"
         "\n"
         "Writes one view of Glimmerlog, or the activity timeline of all, for a profile folder\n"
         "(its NTUSER.DAT and its files) or, on Windows, for the signed-in user (--live).\n"
         "\n"
         "  PROFILE_DIR        a user's profile folder, such as a copy of C:\\Users\\bob; paths\n"
         "                     in it are matched without regard to case\n"
         "  --volume ROOT      a Windows volume (a folder holding Windows\\ and Users\\, such as\n"
         "                     a mounted image): every user's lines, each naming its user, and\n"
         "                     the machine-wide sources (Prefetch, Amcache, BAM, Recycle Bin)\n"
         "  --user NAME        with --volume, only this user (profile folder name or SID)\n"
         "  --live             the signed-in user of the running Windows (Windows only)\n"
         "  --list-views       lists the views' names\n"
         "  --view NAME        one view, by its name (or its tag); quote names with spaces\n"
         "  --timeline         the activity timeline (what runs when no view is named)\n"
         "  --index-file FILE  the cache index file the Index.dat view scans, and the one\n"
         "                     Cache Records reads (without it: every index.dat of the\n"
         "                     profile's History, Cache and Cookies folders)\n"
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
    } else if (option == "--volume") {
      options.volume = value;
    } else if (option == "--user") {
      options.user = value;
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
  const int inputs = (options.live ? 1 : 0) + (options.profileDir.empty() ? 0 : 1) + (options.volume.empty() ? 0 : 1);
  if (inputs > 1) {
    error = "a profile folder, --volume or --live, one of them";
    return false;
  }
  if (inputs == 0) {
    error = "name a profile folder, --volume ROOT, or --live";
    return false;
  }
  if (!options.user.empty() && options.volume.empty()) {
    error = "--user chooses a user of the --volume";
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
    for (const ViewDef& v : Views()) names += Utf8(v.name) + "\n";
    return platform.WriteOutput(options.output, names, error) ? kReportOk : kReportUnreadable;
  }

  const ViewDef* view = options.action == ReportOptions::Action::kTimeline ? FindView(u"timeline")
                                                                           : FindView(Utf8ToU16(options.viewName));
  if (!view) {
    platform.Error(me + "no view is named \"" + options.viewName + "\" (--list-views lists them)");
    return kReportUsage;
  }
  const std::string viewName = Utf8(view->name);
  if ((view->flags & ViewDef::kScansIndexFile) && options.indexFile.empty() && !NamesNoIndexFile(options, *view)) {
    platform.Error(me + "the Index.dat view scans the file named by --index-file");
    return kReportUsage;
  }
  // Nothing is written where the report reads.
  if (!options.output.empty() &&
      ((!options.profileDir.empty() && platform.Within(options.output, options.profileDir)) ||
       (!options.volume.empty() && platform.Within(options.output, options.volume)) ||
       (!options.indexFile.empty() && platform.Within(options.output, options.indexFile)))) {
    platform.Error(me + "the output " + options.output + " would be written into what the report reads");
    return kReportUsage;
  }

  if (!options.volume.empty()) return RunVolumeReport(options, *view, platform);

  // The sources: the signed-in user's, or the profile folder's.
  std::unique_ptr<ProfileSource> profile;
  LiveSources* live = nullptr;
  bool hiveUnread = false;
  SourceStatus hiveStatus = SourceStatus::kOk;
  std::u16string hiveFile, hiveNote;
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
    std::u16string hiveProblem, hiveLogs;
    const std::u16string opened = folderPath.empty() ? u"NTUSER.DAT" : folderPath + u"\\NTUSER.DAT";
    std::unique_ptr<RegistrySource> hive = OpenHiveFile(*folders, opened, hiveStatus, hiveProblem, &hiveLogs);
    hiveNote = hiveProblem.empty() ? hiveLogs : hiveProblem;
    if (hiveNote.rfind(opened + u": ", 0) == 0) hiveNote.erase(0, opened.size() + 2);
    const ProfileRoot root = hive ? FindProfileRoot(*hive) : ProfileRoot{};
    platform.NameProfileFolder(*folders, root.path, folderPath);
    // As the views name the profile's files from here on.
    hiveFile = folderPath.empty() ? u"NTUSER.DAT" : folderPath + u"\\NTUSER.DAT";
    profile = std::make_unique<ProfileSource>(*folders, folderPath, std::move(hive));
    if ((view->flags & ViewDef::kReadsHive) && !hiveProblem.empty()) {
      hiveUnread = hiveStatus != SourceStatus::kOk;
      platform.Error(me + viewName + (hiveUnread ? ": not read: " : ": note: ") + Utf8(hiveProblem));
    }
    // The classes hive beside it: what went wrong with it is said, but the
    // views read what they can without it.
    profile->OpenClasses();
    if ((view->flags & ViewDef::kReadsHive) && !profile->ClassesProblem().empty()) {
      platform.Error(me + viewName + ": note: " + Utf8(profile->ClassesProblem()));
    }
  }
  ViewSources sources{live ? live->registry : profile->Registry(),
                      live ? live->folders : profile->Folders(),
                      live ? live->paths : static_cast<ProfilePaths&>(*profile),
                      live ? live->osName : profile->OsName(),
                      {},
                      {},
                      platform.Ansi()};
  sources.hiveFile = hiveFile;
  sources.hiveStatus = hiveStatus;
  sources.hiveNote = hiveNote;
  if (live) {
    sources.classes = live->classes;
    sources.volumeRoot = live->volumeRoot;
    sources.liveVolume = true;
    sources.system = live->system;
    sources.userSid = live->userSid;
    sources.userName = live->userName;
  }
  if (profile) {
    sources.classes = profile->Classes();
    if (profile->Classes() || profile->ClassesStatus() != SourceStatus::kMissing) {
      sources.classesFile = profile->ClassesFile();
      sources.classesStatus = profile->ClassesStatus();
      sources.classesNote = profile->ClassesProblem().empty() ? profile->ClassesLogs() : profile->ClassesProblem();
    }
  }
  if ((view->flags & ViewDef::kUsesOsName)) {
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
  // The file the window's chooser would ask for, scanned with the progress
  // in percent. Named on the command line, so never merely absent.
  std::unique_ptr<ByteSource> indexFile;
  if (NamesNoIndexFile(options, *view)) {
    sources.findIndexFiles = true;
  } else if (view->flags & ViewDef::kScansIndexFile) {
    SourceStatus status = SourceStatus::kOk;
    indexFile = platform.OpenFile(options.indexFile, sources.indexFileSize, status);
    sources.indexFile = indexFile.get();
    sources.indexFilePath = Utf8ToU16(options.indexFile);
    if (!indexFile) {
      problem(sources.indexFilePath + u": " + AsciiText(StatusName(status)) + u" (the file --index-file names)");
    }
  }
  PercentProgress progress(platform, view->name);
  platform.Progress(u"Reading " + std::u16string(view->name) + u"...");
  std::vector<ReportPart> parts(1);
  ReadView(*view, sources, parts[0].table, progress);
  platform.Progress({});
  for (const std::u16string& p : parts[0].table.problems) problem(p);
  return WriteParts(options, platform, *view, parts, false) && !unreadable ? kReportOk : kReportUnreadable;
}

}  // namespace glimmerlog
