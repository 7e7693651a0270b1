// The views of the program as data: one table of definitions, the only list
// of views. The window builds its View menu and shortcuts from it and shows
// each view's lines; the activity timeline gathers the dated traces of the
// views that have them; the report writes any of them. A new source is one
// reader (with its test) and one line of the table. Platform-free.
#ifndef GLIMMERLOG_VIEWS_VIEWDEF_H
#define GLIMMERLOG_VIEWS_VIEWDEF_H

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/codepage.h"
#include "sources/folders/foldersource.h"
#include "sources/registry/registrysource.h"
#include "views/table.h"
#include "views/timeline.h"

namespace glimmerlog {

class ByteSource;

// Bytes of the ANSI code page (index.dat addresses) as text.
using AnsiDecoder = std::u16string (*)(std::string_view bytes);

// One visit of the browser's own history as a history store gives it; its
// texts are valid during the call that hands it over.
struct UrlVisit {
  std::u16string_view title, url;
  uint64_t lastVisited = 0, lastUpdated = 0, expires = 0;  // FILETIME, UTC
};

// The Internet history as the platform's history store keeps it. The window
// reads the history through the store (as the platform's history list does);
// without one, the readers read the history files themselves.
class VisitStore {
 public:
  virtual ~VisitStore() = default;
  // Every visit whose address begins with "http", in the store's order.
  // False when there is no store to ask (nothing is added then).
  virtual bool Visits(const std::function<void(const UrlVisit&)>& add) = 0;
};

// Which views the activity timeline gathers (see ViewSources::timelineScope).
enum class TimelineScope : uint8_t { kAll, kUserOnly, kMachineOnly };

// What the views read: the profile's registry, folders and folder paths,
// the Windows version the views assume (OsName's names), where browsers
// keep their profiles, how ANSI bytes become text; the history store when
// there is one, and the cache index file the user chose for the views that
// scan one.
struct ViewSources {
  ViewSources(RegistrySource& registry_, FolderSource& folders_, ProfilePaths& paths_, std::string osName_,
              std::u16string localAppData_ = {}, std::u16string roamingAppData_ = {},
              AnsiDecoder ansi_ = &Windows1252Text)
      : registry(registry_),
        folders(folders_),
        paths(paths_),
        osName(std::move(osName_)),
        localAppData(std::move(localAppData_)),
        roamingAppData(std::move(roamingAppData_)),
        ansi(ansi_) {}

  RegistrySource& registry;
  FolderSource& folders;
  ProfilePaths& paths;
  std::string osName;
  // The local and roaming application data folders; empty: the views ask
  // the profile's paths for them.
  std::u16string localAppData, roamingAppData;
  AnsiDecoder ansi = &Windows1252Text;
  VisitStore* history = nullptr;
  ByteSource* indexFile = nullptr;
  uint64_t indexFileSize = 0;
  std::u16string indexFilePath;
  // With no index file given, whether a view that can (kFindsIndexFiles)
  // reads every cache index file of the profile instead: the report asks
  // for that; the window always has the user choose one.
  bool findIndexFiles = false;
  // The hive file another profile's registry was read from, as `folders`
  // names it (empty for the running Windows's registry), how reading it
  // went, and what to say of it: why it was read in part, or what became
  // of its transaction logs.
  std::u16string hiveFile;
  SourceStatus hiveStatus = SourceStatus::kOk;
  std::u16string hiveNote;
  // The user's classes (UsrClass.dat: live, HKEY_CURRENT_USER\Software\Classes);
  // null when there are none. For another profile, the file they were read
  // from (empty when there was none) and what to say of it, as for the hive.
  RegistrySource* classes = nullptr;
  std::u16string classesFile;
  SourceStatus classesStatus = SourceStatus::kOk;
  std::u16string classesNote;
  // The Windows volume the machine-wide views read (Prefetch, Amcache, the
  // Recycle Bin, the SYSTEM hive's BAM), as `folders` names its root with a
  // final backslash: "C:\\" for the running Windows, the volume folder for
  // a mounted image or a second disk; empty when only a profile folder is
  // shown, and those views then say that they need a volume.
  std::u16string volumeRoot;
  // Whether the volume is the running Windows's own (its files may be held
  // open or need an administrator, which the views say).
  bool liveVolume = false;
  // The volume's SYSTEM hive (live: HKEY_LOCAL_MACHINE\SYSTEM), null when
  // none could be read, with why in `systemNote`.
  RegistrySource* system = nullptr;
  std::u16string systemNote;
  // The SYSTEM hive's file on the volume and how reading it went (empty for
  // the running Windows's).
  std::u16string systemFile;
  SourceStatus systemStatus = SourceStatus::kOk;
  // The shown user's security id ("S-1-5-21-..."), empty when unknown; and
  // the name the volume's views give the user.
  std::u16string userSid, userName;
  // Which views the activity timeline gathers: every one, or (when a
  // volume's users are read one after another) the user's own or the
  // machine-wide ones, so that each trace comes once.
  TimelineScope timelineScope = TimelineScope::kAll;
};

// How a reader reports that it goes on: now and then (a folder view once
// per entry, a scan once per slice), with the units done of `total` (0 when
// unknown). An answer of false stops the reader at once, keeping the lines
// it has. The window gives the event loop a turn at each call and shows the
// lines read so far.
class Progress {
 public:
  virtual ~Progress() = default;
  virtual bool Step(uint64_t /*done*/, uint64_t /*total*/) { return true; }
};

// A view's reader: sets the table's columns first, then adds its lines as it
// reads them, and names what it could not read in the table's problems. With
// a timeline, it also adds its dated traces there.
using ViewReader = void (*)(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

// What a double-click (or Enter, or "Open") does with a line.
enum class LineAction : uint8_t {
  kNothing,
  kOpen,               // the line's target through the shell's "open"
  kRun,                // the line's text as a command line
  kShowInFolder,       // the program's file selected in its folder
  kSearchAgain,        // the target as a search of the shell
  kOpenRecentShortcut, // the Recent folder's shortcut of the target's name
  kOpenShellPath,      // a decoded item list's path, where it names a file
  // The target in the view's column, opened when the signed-in user's own
  // system has it; otherwise, and always for another profile, the line's
  // own file (a shortcut, a jump list) selected in its folder.
  kOpenTargetOrShowFile,
  kOpenShellFolder,    // a decoded item list's path, where it names a folder that exists
  kOpenOrShowInFolder, // the file opened where it is there, else its folder;
                       // of another profile, only shown in its folder
};

// Where an added view's entry goes in the View menu: a submenu per kind.
// The specified views have their own entries and buttons.
// kFirstLevel entries (the timeline, the list of sources) stand in the View
// menu itself.
enum class ViewGroup : uint8_t { kSpecified, kDocuments, kPrograms, kBrowsers, kSearches, kSystem, kFirstLevel };

struct ViewDef {
  enum Flags : uint16_t {
    kInTimeline = 1 << 0,     // its reader adds dated traces to the timeline
    kTimeline = 1 << 1,       // the activity timeline itself
    kScansIndexFile = 1 << 2, // reads the cache index file the user chooses
    kReadsHive = 1 << 3,      // reads the profile's registry
    kUsesOsName = 1 << 4,     // what it reads depends on the Windows version
    kSpecified = 1 << 5,      // one of the eight first views: their panel texts as they are
    kMachineWide = 1 << 6,    // reads the volume's machine-wide sources: read once for all its users
    kFindsIndexFiles = 1 << 7, // with kScansIndexFile: reads the profile's own index files when none is named
  };
  const char16_t* name;         // as its button or menu entry names it; the report's --view
  const char16_t* tag;          // the window's ViewMode while it is shown
  const char16_t* menuCaption;  // an added view's entry ("&Name\tCtrl+1"); null for the specified ones
  ViewGroup group;
  char shortcut;                // with Ctrl, shows the view from anywhere; 0 for none
  const char16_t* hint;         // panel 1 while it is shown; null leaves panel 1 alone
  ViewReader read;
  LineAction action;
  uint16_t flags;
  // What it reads, for a saved report and for the report's notes.
  std::u16string (*source)(ViewSources& sources);
  // The Shell Folders values it needs, comma-separated (the report names
  // those that an offline profile lacks).
  const char16_t* shellFolders;
  // The column whose text, as the list holds it, a double-click acts on;
  // -1 for the line's target as its reader gave it.
  int lineColumn = -1;
};

// Every view, in the order of the View menu.
const std::vector<ViewDef>& Views();
// The view with this name or tag, without regard to ASCII case; null for none.
const ViewDef* FindView(std::u16string_view nameOrTag);

// Reads a view into a table (its columns, lines and problems).
void ReadView(const ViewDef& view, ViewSources& sources, Table& table, Progress& progress);

// How a problem ends that says a source cannot be had where the program
// runs (the free space of the running Windows' registry): not a failure.
inline constexpr char16_t kNotAvailableHere[] = u": not available here";

// How a problem ends that says a machine-wide source needs a Windows volume
// and only a profile folder is shown: not a failure either.
inline constexpr char16_t kNeedsVolume[] = u": open a Windows volume to read it";

// Whether a problem says only that a source is not there ("...: missing"),
// not available here (kNotAvailableHere) or needs a volume (kNeedsVolume),
// not that it failed.
bool IsAbsence(std::u16string_view problem);

// A folder of the profile by its Shell Folders name with a final
// backslash; empty when it cannot be read.
std::u16string ProfileFolder(ProfilePaths& paths, std::u16string_view name);

}  // namespace glimmerlog

#endif
