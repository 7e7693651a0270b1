// glimmerlog-report: the views and the activity timeline of profile
// folders, hive files and Windows volumes (or of the signed-in user, on
// Windows) written to a file or the standard output, in the formats of the
// window's Save and those of the timeline tools. Profiles are read by a
// pool of threads and written in the order given. The command line and the
// run, over the views' table and their platform-free readers; what differs
// between systems is behind ReportPlatform.
#ifndef GLIMMERLOG_REPORT_REPORT_H
#define GLIMMERLOG_REPORT_REPORT_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "views/export.h"
#include "sources/folders/foldersource.h"
#include "sources/registry/registrysource.h"
#include "sources/ie/indexscan.h"
#include "views/viewdef.h"

namespace glimmerlog {

// Exit statuses.
constexpr int kReportOk = 0;
constexpr int kReportUnreadable = 1;  // a source could not be read (or the output not written); the rest reported
constexpr int kReportUsage = 2;

// The report's formats: the window's Save's (txt, csv, json) and JSON
// Lines, the timeline platform's import format, and TLN.
enum class ReportFormat { kText, kCsv, kJson, kJsonLines, kTimesketch, kTln };

struct ReportOptions {
  enum class Action { kTimeline, kView, kListViews, kHelp };
  Action action = Action::kTimeline;
  // What to read, in the order given: profile folders and hive files
  // (NTUSER.DAT) as paths of this machine, and Windows volumes' root
  // folders (--volume).
  struct Input {
    std::string path;
    bool volume = false;
  };
  std::vector<Input> inputs;
  bool live = false;
  std::string user;    // on a volume: the one user to read (name or SID); empty for every user
  std::string viewName;
  std::string indexFile;
  ReportFormat format = ReportFormat::kText;
  bool localTime = false;
  std::string output;  // empty: the standard output
  unsigned jobs = 0;   // threads reading profiles; 0: one per processor
  // The time range kept (FILETIME, UTC, both ends included); 0 for none.
  uint64_t since = 0, until = 0;
};

// An ISO 8601 date or time as --since and --until take it: "2026-12-04",
// "2026-12-04T09:02", "2026-12-04T09:02:18", with "Z" or an offset
// ("+01:00"; none is UTC). A date alone is the start of that day, or with
// `endOfDay` its last instant. False when it is not one.
bool ParseIsoTime(const std::string& text, bool endOfDay, uint64_t& fileTime);

// Reads the arguments (without the program's name). False, with a sentence
// in `error`, for a command line that is not one.
bool ParseReportArgs(const std::vector<std::string>& args, ReportOptions& options, std::string& error);

// The --help text.
const char* ReportUsage();

// The signed-in user's sources (Windows).
struct LiveSources {
  RegistrySource& registry;
  FolderSource& folders;
  ProfilePaths& paths;
  std::string osName;
  RegistrySource* classes = nullptr;  // the user's classes; null when there are none
  // The running Windows as the machine-wide views' volume (see ViewSources).
  RegistrySource* system = nullptr;
  std::u16string volumeRoot, userSid, userName;
};

// Where the report's output goes, written piece by piece as the profiles
// are read. A file is made whole or not at all.
class ReportOutput {
 public:
  virtual ~ReportOutput() = default;
  // False when it could not be written (said in `error`); nothing more is
  // written then.
  virtual bool Write(const std::string& bytes, std::string& error) = 0;
  // The end: the file takes its name. False with a sentence on failure.
  virtual bool Finish(std::string& error) = 0;
};

// ReportPlatform's functions are called from the threads that read
// profiles, except Live, Error, Progress and the output's.
class ReportPlatform {
 public:
  virtual ~ReportPlatform() = default;
  // A folder of this machine as a folder source, and the folder's path as
  // that source names it. Null when it is not a folder (kMissing) or cannot
  // be read.
  virtual std::unique_ptr<FolderSource> OpenProfileFolder(const std::string& dir, std::u16string& folderPath,
                                                          SourceStatus& status) = 0;
  // The hive's own name for the profile folder is known ("C:\Users\bob"):
  // where the platform's folder source names the copy by it, `folderPath`
  // becomes that name. By default the folder keeps its own path.
  virtual void NameProfileFolder(FolderSource& /*folders*/, const std::u16string& /*hiveRoot*/,
                                 std::u16string& /*folderPath*/) {}
  // Null where the report cannot read the signed-in user (not Windows).
  virtual LiveSources* Live() = 0;
  // A file of this machine to scan; null, with the status, when it cannot be read.
  virtual std::unique_ptr<ByteSource> OpenFile(const std::string& path, uint64_t& size, SourceStatus& status) = 0;
  virtual AnsiDecoder Ansi() = 0;
  // The time in this machine's zone with the offset in force on that date.
  virtual std::u16string LocalIso(uint64_t fileTime) = 0;
  // Whether `path` is `other` or lies inside it (as far as the system tells).
  virtual bool Within(const std::string& path, const std::string& other) = 0;
  // The whole output, to the file (written whole or not at all) or, for an
  // empty path, to the standard output. False with a sentence on failure.
  virtual bool WriteOutput(const std::string& path, const std::string& bytes, std::string& error) = 0;
  // The output written in pieces; by default gathered and written whole
  // with WriteOutput at the end. Null, with a sentence, when it cannot be
  // opened.
  virtual std::unique_ptr<ReportOutput> OpenOutput(const std::string& path, std::string& error);
  // How a line of text ends on this system (txt): "\r\n" on Windows.
  virtual const char* LineEnd() { return "\r\n"; }
  // One line (UTF-8, no line break) on the standard error.
  virtual void Error(const std::string& line) = 0;
  // Progress of long work on the standard error when that is a terminal;
  // an empty text clears it.
  virtual void Progress(const std::u16string& text) = 0;
};

// Runs the command; returns the exit status.
int RunReport(const ReportOptions& options, ReportPlatform& platform);
int RunReport(const std::vector<std::string>& args, ReportPlatform& platform);

}  // namespace glimmerlog

#endif
