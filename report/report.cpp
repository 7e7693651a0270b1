#include "report/report.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>

#include "base/ascii.h"
#include "base/isotime.h"
#include "base/utf8.h"
#include "report/reportformat.h"
#include "sources/profile/profilesource.h"
#include "sources/volume/windowsvolume.h"
#include "views/viewreaders.h"

namespace glimmerlog {

namespace {

const std::string kMe = "glimmerlog-report: ";

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

// Whether the view reads the profile's own cache index files: it can, and
// --index-file names none. The views that only scan a named file require it.
bool NamesNoIndexFile(const ReportOptions& options, const ViewDef& view) {
  return (view.flags & ViewDef::kFindsIndexFiles) && options.indexFile.empty();
}

// The last part of a path of this machine or of Windows.
std::u16string LastPart(std::u16string_view path) {
  while (!path.empty() && (path.back() == u'\\' || path.back() == u'/')) path.remove_suffix(1);
  const size_t slash = path.find_last_of(u"\\/");
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

// What one reading of a view gives: a profile's, a volume user's, or a
// volume's machine-wide sources'.
struct Unit {
  enum class Kind { kProfile, kVolumeUser, kVolumeMachine, kLive } kind = Kind::kProfile;
  std::string path;  // the input as given
  size_t volume = 0;  // the volume's index, for its users and its machine part
  const VolumeUser* user = nullptr;
};

// A volume opened once, before its users are read; its SYSTEM hive is read
// by the machine part (and named by every user's Sources).
struct OpenVolume {
  std::unique_ptr<FolderSource> folders;
  std::unique_ptr<WindowsVolume> volume;
  std::string path;
};

// A unit's lines as written, and what is to be said of it.
struct UnitResult {
  std::string bytes;
  size_t records = 0;
  std::vector<std::u16string> columns;  // the table's, for the head
  std::vector<std::string> errors;      // lines for the standard error
  bool unreadable = false;
};

class Run {
 public:
  Run(const ReportOptions& options, const ViewDef& view, ReportPlatform& platform)
      : options_(options), view_(view), platform_(platform), viewName_(Utf8(view.name)) {}

  int Go();

 private:
  bool Plan();
  void ReadUnit(const Unit& unit, UnitResult& result, Progress& progress);
  void ReadProfile(const Unit& unit, UnitResult& result, Progress& progress);
  void ReadVolumePart(const Unit& unit, UnitResult& result, Progress& progress);
  void Finish(ViewSources& sources, const LineLabels& labels, const std::string& who, UnitResult& result,
              Progress& progress);
  bool WriteUnit(UnitResult& result);
  void ShowProgress();

  const ReportOptions& options_;
  const ViewDef& view_;
  ReportPlatform& platform_;
  const std::string viewName_;
  std::vector<OpenVolume> volumes_;
  std::vector<Unit> units_;
  FormatSettings format_;
  bool several_ = false;  // more than one input: each profile's lines and notes name it
  bool unreadable_ = false;
  bool usage_ = false;  // the one input given is not one (status 2, as for a command line)
  // The output.
  std::unique_ptr<ReportOutput> out_;
  bool headWritten_ = false, outputFailed_ = false;
  std::vector<std::u16string> columns_;
  size_t records_ = 0, done_ = 0;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

bool Run::Plan() {
  for (const ReportOptions::Input& input : options_.inputs) {
    if (!input.volume) {
      units_.push_back({Unit::Kind::kProfile, input.path});
      continue;
    }
    OpenVolume v;
    v.path = input.path;
    std::u16string root;
    SourceStatus status = SourceStatus::kOk;
    v.folders = platform_.OpenProfileFolder(input.path, root, status);
    auto fail = [&](const std::string& line, bool usage) {
      platform_.Error(kMe + line);
      (usage && options_.inputs.size() == 1 ? usage_ : unreadable_) = true;
    };
    if (!v.folders) {
      fail(input.path + (status == SourceStatus::kMissing ? " is not a folder" : std::string(": ") + StatusName(status)),
           status == SourceStatus::kMissing);
      continue;
    }
    // A copy is named as the drive it was; a folder of Windows keeps its path.
    platform_.NameProfileFolder(*v.folders, u"C:", root);
    std::u16string why;
    platform_.Progress(u"Reading the volume's registry...");
    v.volume = WindowsVolume::Open(*v.folders, root, why);
    if (!v.volume) {
      fail(input.path + ": " + Utf8(why), true);
      continue;
    }
    if (!v.volume->SystemNote().empty()) {
      const bool unread = !v.volume->System() && v.volume->SystemStatus() != SourceStatus::kMissing;
      platform_.Error(kMe + (unread ? "not read: " : "note: ") + Utf8(v.volume->SystemNote()));
      unreadable_ = unreadable_ || unread;
    }
    const size_t index = volumes_.size();
    std::vector<const VolumeUser*> users;
    if (!options_.user.empty()) {
      const VolumeUser* user = v.volume->FindUser(Utf8ToU16(options_.user));
      if (!user) {
        std::string names;
        for (const VolumeUser& u : v.volume->Users()) names += (names.empty() ? "" : ", ") + Utf8(u.name);
        fail("no user \"" + options_.user + "\" on " + input.path + " (its users: " + (names.empty() ? "none" : names) +
                 ")",
             true);
        continue;
      }
      users.push_back(user);
    } else {
      for (const VolumeUser& u : v.volume->Users()) users.push_back(&u);
    }
    // The timeline of every user: each user's own traces, then the volume's
    // machine-wide ones once; a machine-wide view once for the volume.
    const bool timelineOfAll = (view_.flags & ViewDef::kTimeline) && options_.user.empty();
    if ((view_.flags & ViewDef::kMachineWide) && options_.user.empty()) {
      units_.push_back({Unit::Kind::kVolumeMachine, input.path, index});
    } else {
      for (const VolumeUser* user : users) units_.push_back({Unit::Kind::kVolumeUser, input.path, index, user});
      if (timelineOfAll) units_.push_back({Unit::Kind::kVolumeMachine, input.path, index});
    }
    if (users.empty() && !(view_.flags & ViewDef::kMachineWide)) {
      platform_.Error(kMe + viewName_ + ": " + input.path + " holds no user profile with a registry hive");
    }
    volumes_.push_back(std::move(v));
  }
  if (options_.live) units_.push_back({Unit::Kind::kLive, "--live"});
  return !usage_;
}

void Run::ReadUnit(const Unit& unit, UnitResult& result, Progress& progress) {
  try {
    if (unit.kind == Unit::Kind::kVolumeUser || unit.kind == Unit::Kind::kVolumeMachine) {
      ReadVolumePart(unit, result, progress);
    } else {
      ReadProfile(unit, result, progress);
    }
  } catch (const std::exception& e) {
    // One profile too large for memory does not stop the others.
    result.bytes.clear();
    result.records = 0;
    const bool memory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
    result.errors.push_back(kMe + unit.path + ": not read: " + (memory ? "out of memory" : e.what()));
    result.unreadable = true;
  }
}

// A profile folder, a hive file in its profile folder, or the signed-in user.
void Run::ReadProfile(const Unit& unit, UnitResult& result, Progress& progress) {
  const std::string who = several_ ? unit.path + ": " : std::string();
  auto error = [&](const std::string& line) { result.errors.push_back(kMe + line); };
  std::unique_ptr<FolderSource> folders;
  std::unique_ptr<ProfileSource> profile;
  LiveSources* live = nullptr;
  bool hiveUnread = false;
  SourceStatus hiveStatus = SourceStatus::kOk;
  std::u16string hiveFile, hiveNote;
  LineLabels labels;
  if (unit.kind == Unit::Kind::kLive) {
    live = platform_.Live();
    labels.user = live->userName;
    labels.sid = live->userSid;
  } else {
    std::u16string folderPath;
    SourceStatus status = SourceStatus::kOk;
    std::string dir = unit.path;
    std::u16string hiveName = u"NTUSER.DAT";
    folders = platform_.OpenProfileFolder(dir, folderPath, status);
    if (!folders && status == SourceStatus::kMissing) {
      // A hive file itself (NTUSER.DAT, whatever its name): its folder is
      // the profile folder.
      uint64_t size = 0;
      SourceStatus fileStatus = SourceStatus::kOk;
      if (platform_.OpenFile(dir, size, fileStatus)) {
        const size_t slash = dir.find_last_of("/\\");
        hiveName = Utf8ToU16(slash == std::string::npos ? dir : dir.substr(slash + 1));
        dir = slash == std::string::npos ? "." : slash == 0 ? dir.substr(0, 1) : dir.substr(0, slash);
        folders = platform_.OpenProfileFolder(dir, folderPath, status);
      }
    }
    if (!folders) {
      if (status == SourceStatus::kMissing) {
        error(unit.path + " is not a folder");
        if (!several_) usage_ = true;
      } else {
        error(unit.path + ": " + StatusName(status));
      }
      result.unreadable = true;
      return;
    }
    std::u16string hiveProblem, hiveLogs;
    const std::u16string opened = folderPath.empty() ? hiveName : folderPath + u"\\" + hiveName;
    std::unique_ptr<RegistrySource> hive = OpenHiveFile(*folders, opened, hiveStatus, hiveProblem, &hiveLogs);
    hiveNote = hiveProblem.empty() ? hiveLogs : hiveProblem;
    if (hiveNote.rfind(opened + u": ", 0) == 0) hiveNote.erase(0, opened.size() + 2);
    const ProfileRoot root = hive ? FindProfileRoot(*hive) : ProfileRoot{};
    platform_.NameProfileFolder(*folders, root.path, folderPath);
    // As the views name the profile's files from here on.
    hiveFile = folderPath.empty() ? hiveName : folderPath + u"\\" + hiveName;
    profile = std::make_unique<ProfileSource>(*folders, folderPath, std::move(hive));
    if ((view_.flags & ViewDef::kReadsHive) && !hiveProblem.empty()) {
      hiveUnread = hiveStatus != SourceStatus::kOk;
      error(viewName_ + ": " + who + (hiveUnread ? "not read: " : "note: ") + Utf8(hiveProblem));
    }
    // The classes hive beside it: what went wrong with it is said, but the
    // views read what they can without it.
    profile->OpenClasses();
    if ((view_.flags & ViewDef::kReadsHive) && !profile->ClassesProblem().empty()) {
      error(viewName_ + ": " + who + "note: " + Utf8(profile->ClassesProblem()));
    }
    // The user as the hive names the profile folder, else as the folder is
    // named; the host by the folder's name (a lone profile names no computer).
    const std::u16string given = LastPart(Utf8ToU16(dir));
    labels.user = root.path.empty() ? given : LastPart(root.path);
    labels.sid = SidOfClassesHive(profile->Classes());
    labels.host = given;
  }
  ViewSources sources{live ? live->registry : profile->Registry(),
                      live ? live->folders : profile->Folders(),
                      live ? live->paths : static_cast<ProfilePaths&>(*profile),
                      live ? live->osName : profile->OsName(),
                      {},
                      {},
                      platform_.Ansi()};
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
  if ((view_.flags & ViewDef::kUsesOsName)) {
    const std::string name = sources.osName.empty() ? "unknown" : "\"" + sources.osName + "\"";
    error(viewName_ + ": " + who + "read as Windows version " + name + " (" +
          (live ? std::string("the running Windows") : Utf8(profile->OsNameReason())) + ")");
  }
  result.unreadable = hiveUnread;
  if (profile && !hiveUnread) {  // an unread hive names no folders: said once above
    std::u16string_view names = view_.shellFolders;
    while (!names.empty()) {
      const size_t comma = names.find(u',');
      const std::u16string_view name = names.substr(0, comma);
      names = comma == std::u16string_view::npos ? std::u16string_view() : names.substr(comma + 1);
      if (const std::u16string why = profile->ShellFolderProblem(name); !why.empty()) {
        error(viewName_ + ": " + who + "not read: " + Utf8(why));
        result.unreadable = result.unreadable || !IsAbsence(why);
      }
    }
  }
  Finish(sources, labels, who, result, progress);
}

// A volume's user, or its machine-wide sources.
void Run::ReadVolumePart(const Unit& unit, UnitResult& result, Progress& progress) {
  const OpenVolume& v = volumes_[unit.volume];
  const WindowsVolume& volume = *v.volume;
  const VolumeUser* user = unit.user;
  // A folder source of its own: the platform's may keep state per call.
  std::u16string root;
  SourceStatus status = SourceStatus::kOk;
  std::unique_ptr<FolderSource> folders = platform_.OpenProfileFolder(v.path, root, status);
  if (!folders) {
    result.errors.push_back(kMe + v.path + ": " + StatusName(status));
    result.unreadable = true;
    return;
  }
  platform_.NameProfileFolder(*folders, u"C:", root);
  std::unique_ptr<ProfileSource> profile =
      user ? ProfileSource::Open(*folders, user->folder)
           : std::make_unique<ProfileSource>(*folders, volume.Root().substr(0, volume.Root().size() - 1), nullptr);
  const std::string who = (several_ ? v.path + ": " : std::string()) + (user ? Utf8(user->name) + ": " : "");
  if (user && (view_.flags & ViewDef::kReadsHive) && !profile->HiveProblem().empty()) {
    const bool unread = profile->HiveStatus() != SourceStatus::kOk;
    result.errors.push_back(kMe + viewName_ + ": " + who + (unread ? "not read: " : "note: ") +
                            Utf8(profile->HiveProblem()));
    result.unreadable = result.unreadable || unread;
  }
  ViewSources sources{profile->Registry(), *folders, *profile, profile->OsName(), {}, {}, platform_.Ansi()};
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
  sources.volumeRoot = volume.Root();
  sources.system = volume.System();
  sources.systemNote = volume.SystemNote();
  sources.systemFile = volume.SystemFile();
  sources.systemStatus = volume.SystemStatus();
  if ((view_.flags & ViewDef::kTimeline) && options_.user.empty()) {
    sources.timelineScope = user ? TimelineScope::kUserOnly : TimelineScope::kMachineOnly;
  }
  LineLabels labels;
  if (user) {
    labels.user = user->name;
    labels.sid = user->sid;
  }
  labels.host = volume.ComputerName().empty() ? LastPart(Utf8ToU16(v.path)) : volume.ComputerName();
  Finish(sources, labels, who, result, progress);
}

// Reads the view with the sources made and formats its lines.
void Run::Finish(ViewSources& sources, const LineLabels& labels, const std::string& who, UnitResult& result,
                 Progress& progress) {
  // The index file, when the view scans one: named on the command line, so
  // never merely absent.
  std::unique_ptr<ByteSource> indexFile;
  if (NamesNoIndexFile(options_, view_)) {
    sources.findIndexFiles = true;
  } else if (view_.flags & ViewDef::kScansIndexFile) {
    SourceStatus status = SourceStatus::kOk;
    indexFile = platform_.OpenFile(options_.indexFile, sources.indexFileSize, status);
    sources.indexFile = indexFile.get();
    sources.indexFilePath = Utf8ToU16(options_.indexFile);
    if (!indexFile) {
      result.errors.push_back(kMe + viewName_ + ": " + who + "not read: " + options_.indexFile + ": " +
                              StatusName(status) + " (the file --index-file names)");
      result.unreadable = true;
    }
  }
  Table table;
  std::vector<TimeKind> kinds;
  if (view_.flags & ViewDef::kTimeline) {
    ReadActivityTimeline(sources, table, &kinds);
  } else {
    ReadView(view_, sources, table, progress);
  }
  for (const std::u16string& p : table.problems) {
    result.errors.push_back(kMe + viewName_ + ": " + who + "not read: " + Utf8(p));
    result.unreadable = result.unreadable || !IsAbsence(p);
  }
  for (const TableColumn& c : table.columns) result.columns.push_back(c.caption);
  result.records = FormatLines(format_, table, &kinds, labels, result.bytes);
}

// Writes a unit's notes and lines, after the head before the first lines.
bool Run::WriteUnit(UnitResult& result) {
  ShowProgress();
  for (const std::string& line : result.errors) platform_.Error(line);
  unreadable_ = unreadable_ || result.unreadable;
  if (columns_.empty()) columns_ = result.columns;
  ++done_;
  if (outputFailed_) return false;
  std::string bytes;
  if (!headWritten_ && result.records > 0) {
    bytes = FormatHead(format_, columns_);
    headWritten_ = true;
  } else if (result.records > 0 && records_ > 0 && options_.format == ReportFormat::kJson) {
    bytes = ",";
  }
  bytes += result.bytes;
  records_ += result.records;
  std::string error;
  if (!bytes.empty() && !out_->Write(bytes, error)) {
    platform_.Error(kMe + error);
    outputFailed_ = true;
  }
  return !outputFailed_;
}

// "3/50 profiles, 12,345 lines, 4,100 lines/s" while the report runs.
void Run::ShowProgress() {
  if (units_.size() < 2) return;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  const uint64_t rate = seconds > 0 ? static_cast<uint64_t>(records_ / seconds) : 0;
  platform_.Progress(NumberText(done_) + u"/" + NumberText(units_.size()) + u" profiles read, " +
                     NumberText(records_) + u" lines written, " + NumberText(rate) + u" lines/s");
}

int Run::Go() {
  several_ = options_.inputs.size() > 1;
  format_.format = options_.format;
  format_.labelled = several_ || (!options_.inputs.empty() && options_.inputs[0].volume);
  format_.timeline = view_.flags & ViewDef::kTimeline;
  format_.viewName = view_.name;
  format_.lineEnd = platform_.LineEnd();
  format_.since = options_.since;
  format_.until = options_.until;
  const std::string& o = options_.output;
  format_.timesketchCsv = o.size() >= 4 && SameIgnoringAsciiCase(Utf8ToU16(o.substr(o.size() - 4)), u".csv");
  const bool local = options_.localTime;
  ReportPlatform& platform = platform_;
  format_.iso = [local, &platform](uint64_t t) { return local ? platform.LocalIso(t) : IsoUtc(t); };

  if (!Plan()) return kReportUsage;
  std::string error;
  out_ = platform_.OpenOutput(options_.output, error);
  if (!out_) {
    platform_.Error(kMe + error);
    return kReportUnreadable;
  }

  const unsigned jobs = options_.jobs ? options_.jobs : std::max(1u, std::thread::hardware_concurrency());
  if (jobs == 1 || units_.size() < 2) {
    for (const Unit& unit : units_) {
      UnitResult result;
      PercentProgress progress(platform_, view_.name);
      if (units_.size() < 2) platform_.Progress(u"Reading " + std::u16string(view_.name) + u"...");
      ReadUnit(unit, result, progress);
      if (units_.size() < 2) platform_.Progress({});
      if (usage_) {
        for (const std::string& line : result.errors) platform_.Error(line);
        return kReportUsage;
      }
      WriteUnit(result);
    }
  } else {
    // A pool of readers; the lines are written in the order of the units,
    // and a reader starts a unit only while fewer than `window` are read
    // ahead of the one to write next, so that memory holds a few profiles.
    const size_t window = jobs + 1;
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::unique_ptr<UnitResult>> results(units_.size());
    size_t next = 0, written = 0;
    auto reader = [&] {
      for (;;) {
        size_t i = 0;
        {
          std::unique_lock<std::mutex> hold(lock);
          changed.wait(hold, [&] { return next >= units_.size() || next < written + window; });
          if (next >= units_.size()) return;
          i = next++;
        }
        auto result = std::make_unique<UnitResult>();
        Progress none;
        ReadUnit(units_[i], *result, none);
        {
          std::lock_guard<std::mutex> hold(lock);
          results[i] = std::move(result);
        }
        changed.notify_all();
      }
    };
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < std::min<size_t>(jobs, units_.size()); ++t) threads.emplace_back(reader);
    for (size_t i = 0; i < units_.size(); ++i) {
      std::unique_ptr<UnitResult> result;
      {
        std::unique_lock<std::mutex> hold(lock);
        while (!results[i]) {
          if (changed.wait_for(hold, std::chrono::milliseconds(200)) == std::cv_status::timeout) {
            hold.unlock();
            ShowProgress();
            hold.lock();
          }
        }
        result = std::move(results[i]);
        written = i + 1;
      }
      changed.notify_all();
      WriteUnit(*result);
    }
    for (std::thread& t : threads) t.join();
  }
  platform_.Progress({});
  if (!outputFailed_) {
    std::string bytes;
    if (!headWritten_) bytes = FormatHead(format_, columns_);
    bytes += FormatTail(format_);
    if ((!bytes.empty() && !out_->Write(bytes, error)) || !out_->Finish(error)) {
      platform_.Error(kMe + error);
      outputFailed_ = true;
    }
  }
  return outputFailed_ || unreadable_ ? kReportUnreadable : kReportOk;
}

// A collection of gathered output, written whole by WriteOutput at the end.
class GatheredOutput final : public ReportOutput {
 public:
  GatheredOutput(ReportPlatform& platform, std::string path) : platform_(platform), path_(std::move(path)) {}
  bool Write(const std::string& bytes, std::string&) override {
    bytes_ += bytes;
    return true;
  }
  bool Finish(std::string& error) override { return platform_.WriteOutput(path_, bytes_, error); }

 private:
  ReportPlatform& platform_;
  std::string path_, bytes_;
};

}  // namespace

std::unique_ptr<ReportOutput> ReportPlatform::OpenOutput(const std::string& path, std::string&) {
  return std::make_unique<GatheredOutput>(*this, path);
}

int RunReport(const std::vector<std::string>& args, ReportPlatform& platform) {
  ReportOptions options;
  std::string error;
  if (!ParseReportArgs(args, options, error)) {
    platform.Error(kMe + error);
    platform.Error("Try glimmerlog-report --help.");
    return kReportUsage;
  }
  return RunReport(options, platform);
}

int RunReport(const ReportOptions& options, ReportPlatform& platform) {
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
    platform.Error(kMe + "no view is named \"" + options.viewName + "\" (--list-views lists them)");
    return kReportUsage;
  }
  if ((view->flags & ViewDef::kScansIndexFile) && options.indexFile.empty() && !NamesNoIndexFile(options, *view)) {
    platform.Error(kMe + "the Index.dat view scans the file named by --index-file");
    return kReportUsage;
  }
  if (options.live && !platform.Live()) {
    platform.Error(kMe + "--live reads the signed-in user of the running Windows: it works on Windows only");
    return kReportUsage;
  }
  // Nothing is written where the report reads.
  if (!options.output.empty()) {
    bool inside = !options.indexFile.empty() && platform.Within(options.output, options.indexFile);
    for (const ReportOptions::Input& input : options.inputs) {
      inside = inside || platform.Within(options.output, input.path);
      // A hive file's profile is the folder it lies in.
      uint64_t size = 0;
      SourceStatus status = SourceStatus::kOk;
      const size_t slash = input.path.find_last_of("/\\");
      if (!input.volume && slash != std::string::npos && platform.OpenFile(input.path, size, status)) {
        inside = inside || platform.Within(options.output, slash == 0 ? input.path.substr(0, 1) : input.path.substr(0, slash));
      }
    }
    if (inside) {
      platform.Error(kMe + "the output " + options.output + " would be written into what the report reads");
      return kReportUsage;
    }
  }
  Run run(options, *view, platform);
  return run.Go();
}

}  // namespace glimmerlog
