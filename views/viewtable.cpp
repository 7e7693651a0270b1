// The table of views: a new view is a reader in its folder and a line here.
#include <string>

#include "base/ascii.h"
#include "views/browser/browserhistoryreader.h"
#include "views/browser/browserrecordsreader.h"
#include "views/explorer/explorerreaders.h"
#include "views/shell/shortcutreaders.h"
#include "views/viewdef.h"
#include "views/viewreaders.h"

namespace glimmerlog {

// Readers with no header of their own: their views are only here.
void ReadRemoteDesktops(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
void ReadShellBags(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
void ReadOfficeDocuments(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
void ReadMappedDrives(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
void ReadRecentApps(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
void ReadFeatureUsage(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
void ReadSourcesList(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
void ReadWindowsTimeline(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
void ReadDeletedEntries(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
void ReadAmcache(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
void ReadPrefetchView(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
void ReadRecycleBin(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
void ReadBam(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
void ReadCacheRecordsView(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

namespace {

constexpr char16_t kExplorerKey[] = u"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

// The readers of the first views and of Explorer's traces, in the one shape.
void UrlHistory(ViewSources& s, Table& t, Progress&, Timeline* tl) { ReadUrlHistory(s, t, tl); }
void AddressBar(ViewSources& s, Table& t, Progress&, Timeline*) { ReadAddressBar(s.registry, t); }
// In the timeline, the cookie files and the Recent folder's shortcuts are
// dated by their last-write times, and the Run box's list by its key's
// time; their lines are not read for it.
void CookieFiles(ViewSources& s, Table& t, Progress& p, Timeline* tl) {
  if (!tl) return ReadCookieFiles(s, t, &p);
  if (const std::u16string cookies = ProfileFolder(s.paths, u"Cookies"); !cookies.empty()) {
    AddFolderEvents(s.folders, cookies, u"Cookie file written", u"Cookies folder", *tl);
  }
}
void RecentDocuments(ViewSources& s, Table& t, Progress& p, Timeline* tl) {
  if (!tl) return ReadRecentDocuments(s, t, &p);
  if (const std::u16string recent = ProfileFolder(s.paths, u"Recent"); !recent.empty()) {
    AddFolderEvents(s.folders, recent, u"Shortcut in Recent", u"Recent folder", *tl);
  }
}
void SearchHistory(ViewSources& s, Table& t, Progress&, Timeline*) { ReadSearchHistory(s.registry, s.osName, t); }
void RunHistory(ViewSources& s, Table& t, Progress&, Timeline* tl) {
  if (!tl) return ReadRunHistory(s.registry, t);
  AddRunBoxEvent(s.registry, *tl);
}
void OpenSave(ViewSources& s, Table& t, Progress&, Timeline*) { ReadOpenSaveLines(s.registry, t); }
void IndexDat(ViewSources& s, Table& t, Progress& p, Timeline*) {
  MemorySource none(nullptr, 0);
  ByteSource& file = s.indexFile ? *s.indexFile : none;
  ReadIndexDatLines(file, s.indexFile ? s.indexFileSize : 0, s.ansi, t,
                    [&p](uint64_t done, uint64_t size) { return p.Step(done, size); });
}
void RecentFiles(ViewSources& s, Table& t, Progress&, Timeline* tl) { ReadRecentFiles(s.registry, t, tl); }
void OpenSave7(ViewSources& s, Table& t, Progress&, Timeline* tl) { ReadOpenSaveHistory(s.registry, t, tl); }
void ExplorerSearch(ViewSources& s, Table& t, Progress&, Timeline* tl) { ReadExplorerSearches(s.registry, t, tl); }
void ExplorerAddress(ViewSources& s, Table& t, Progress&, Timeline* tl) { ReadExplorerAddresses(s.registry, t, tl); }
void TypedTimes(ViewSources& s, Table& t, Progress&, Timeline* tl) { ReadTypedAddressTimes(s.registry, t, tl); }
void UserAssist(ViewSources& s, Table& t, Progress&, Timeline* tl) {
  // The running Windows names its own drive; a volume's is read below its root.
  UserAssistPlaces places;
  if (s.liveVolume && s.volumeRoot.size() >= 2) places.systemDrive = s.volumeRoot.substr(0, 2);
  if (!s.liveVolume) places.volumeRoot = s.volumeRoot;
  ReadUserAssist(s.registry, t, tl, places);
}
void ActivityTimeline(ViewSources& s, Table& t, Progress&, Timeline*) { ReadActivityTimeline(s, t); }
void BrowserHistory(ViewSources& s, Table& t, Progress&, Timeline* tl) {
  const std::u16string local = s.localAppData.empty() ? s.paths.AppDataFolder(true) : s.localAppData;
  const std::u16string roaming = s.roamingAppData.empty() ? s.paths.AppDataFolder(false) : s.roamingAppData;
  ReadBrowserHistoryTable(s.folders, local, roaming, t, tl, &s.paths);
}

std::u16string Fixed(const char16_t* text) { return text; }

// The files of the browser profiles a view reads, and where the profiles are.
std::u16string BrowserFiles(ViewSources& s, const char16_t* files) {
  return u"the browser profiles' " + std::u16string(files) + u" under " + s.paths.AppDataFolder(true) + u" and " +
         s.paths.AppDataFolder(false);
}

// The folders the Recycle Bin view reads on the volume.
std::u16string RecycleBinFolders(ViewSources& s) {
  if (s.volumeRoot.empty()) return Fixed(u"the Recycle Bin of a Windows volume (none is open)");
  const std::u16string sid = s.userSid.empty() ? u"<SID>" : s.userSid;
  return s.volumeRoot + u"$Recycle.Bin\\" + sid + u", " + s.volumeRoot + u"RECYCLER\\" + sid + u"\\INFO2, " +
         s.volumeRoot + u"RECYCLED\\INFO2 and INFO";
}

std::u16string BamKeys(ViewSources& s) {
  constexpr char16_t kKeys[] = u"Services\\bam and dam, State\\UserSettings and UserSettings";
  if (s.liveVolume) return u"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\" + std::u16string(kKeys);
  if (s.volumeRoot.empty()) return Fixed(u"the SYSTEM hive of a Windows volume (none is open)");
  return s.volumeRoot + u"Windows\\System32\\config\\SYSTEM: " + kKeys;
}

using F = ViewDef::Flags;
using G = ViewGroup;
using A = LineAction;

}  // namespace

const std::vector<ViewDef>& Views() {
  // name, tag, menu entry, group, Ctrl+key, hint, reader, double-click, flags, source, shell folders
  static const std::vector<ViewDef> views = {
      {u"URLs History", u"cache", nullptr, G::kSpecified, 0, u"DoubleCilck the line to view contents", &UrlHistory,
       A::kOpen, F::kSpecified | F::kReadsHive | F::kInTimeline,
       [](ViewSources& s) { return Fixed(s.history ? u"the browser's history store" : u"the browser's history files"); },
       u"History", 1},
      {u"Address Bar", u"url", nullptr, G::kSpecified, 0, u"DoubleCilck the line to link to the URL", &AddressBar,
       A::kOpen, F::kSpecified | F::kReadsHive,
       [](ViewSources&) { return Fixed(u"HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs"); }, u"", 0},
      {u"Cookies", u"cookies", nullptr, G::kSpecified, 0, nullptr, &CookieFiles, A::kOpen,
       F::kSpecified | F::kReadsHive | F::kUsesOsName | F::kInTimeline,
       [](ViewSources& s) { return TrimSpaces(s.paths.ShellFolder(u"Cookies")); }, u"Cookies", 0},
      {u"Recent Documents", u"recdoc", nullptr, G::kSpecified, 0, nullptr, &RecentDocuments, A::kOpen,
       F::kSpecified | F::kReadsHive | F::kInTimeline, [](ViewSources& s) { return s.paths.ShellFolder(u"Recent"); },
       u"Recent", 0},
      {u"Search History", u"search", nullptr, G::kSpecified, 0, u"Words, file names and computers searched for",
       &SearchHistory, A::kNothing, F::kSpecified | F::kReadsHive | F::kUsesOsName,
       [](ViewSources&) { return Fixed(u"the search histories of the shell (HKEY_CURRENT_USER)"); }, u"", 0},
      {u"Run History", u"run", nullptr, G::kSpecified, 0, u"DoubleCilck the line to run", &RunHistory, A::kRun,
       F::kSpecified | F::kReadsHive | F::kInTimeline,
       [](ViewSources&) { return std::u16string(kExplorerKey) + u"RunMRU"; }, u"", 0},
      {u"Open/Save", u"open", nullptr, G::kSpecified, 0, u"DoubleCilck the line to open the file", &OpenSave, A::kOpen,
       F::kSpecified | F::kReadsHive,
       [](ViewSources&) { return std::u16string(kExplorerKey) + u"ComDlg32\\OpenSaveMRU\\*"; }, u"", 0},
      {u"Index.dat", u"index.dat", nullptr, G::kSpecified, 0, nullptr, &IndexDat, A::kOpen,
       F::kSpecified | F::kScansIndexFile, [](ViewSources& s) { return s.indexFilePath; }, u"", 0},
      // Explorer's traces of Windows 7 and later.
      {u"Recent Files (Explorer)", u"recentfiles", u"Recent Fi&les (Explorer)\tCtrl+1", G::kDocuments, '1',
       u"Double-click a line to open its shortcut in the Recent folder", &RecentFiles, A::kOpenRecentShortcut,
       F::kReadsHive | F::kInTimeline, [](ViewSources&) { return std::u16string(kExplorerKey) + u"RecentDocs"; }, u""},
      {u"Open/Save (Windows 7+)", u"opensave7", u"Open/Save (&Windows 7+)\tCtrl+2", G::kDocuments, '2',
       u"Double-click a line to open the file or folder", &OpenSave7, A::kOpenShellPath,
       F::kReadsHive | F::kInTimeline,
       [](ViewSources&) {
         return std::u16string(kExplorerKey) + u"ComDlg32\\OpenSavePidlMRU, " + kExplorerKey +
                u"ComDlg32\\LastVisitedPidlMRU";
       },
       u""},
      // What each shortcut and jump list entry points at.
      {u"Shortcut Targets", u"shortcuts", u"S&hortcut Targets", G::kDocuments, 0,
       u"Double-click a line to open its target, or to show the shortcut in its folder", &ReadShortcutTargets,
       A::kOpenTargetOrShowFile, F::kInTimeline,
       [](ViewSources& s) { return u"the shortcuts in " + s.paths.ShellFolder(u"Recent") + u" and its subfolders"; },
       u"Recent", 1},
      {u"Jump Lists", u"jumplists", u"&Jump Lists", G::kDocuments, 0,
       u"Double-click a line to open its target, or to show the jump list in its folder", &ReadJumpLists,
       A::kOpenTargetOrShowFile, F::kInTimeline,
       [](ViewSources& s) {
         const std::u16string recent = s.paths.ShellFolder(u"Recent");
         return recent + u"\\AutomaticDestinations, " + recent + u"\\CustomDestinations";
       },
       u"Recent", 1},
      {u"ShellBags", u"shellbags", u"Shell&Bags", G::kDocuments, 0,
       u"Folders opened in Explorer; double-click a line to open the folder", &ReadShellBags, A::kOpenShellFolder,
       F::kReadsHive | F::kInTimeline,
       [](ViewSources& s) {
         const std::u16string ntuser = u"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\ShellNoRoam\\BagMRU and "
                                       u"Shell\\BagMRU";
         return s.classes ? u"Local Settings\\Software\\Microsoft\\Windows\\Shell\\BagMRU of the user's classes "
                            u"(UsrClass.dat), and " + ntuser
                          : ntuser;
       },
       u""},
      {u"Explorer Search", u"wordwheel", u"Explorer &Search\tCtrl+3", G::kSearches, '3',
       u"Double-click a line to search for it again", &ExplorerSearch, A::kSearchAgain, F::kReadsHive | F::kInTimeline,
       [](ViewSources&) { return std::u16string(kExplorerKey) + u"WordWheelQuery"; }, u""},
      {u"Explorer Address Bar", u"typedpaths", u"Explorer &Address Bar\tCtrl+4", G::kSearches, '4',
       u"Double-click a line to open the path", &ExplorerAddress, A::kOpen, F::kReadsHive | F::kInTimeline,
       [](ViewSources&) { return std::u16string(kExplorerKey) + u"TypedPaths"; }, u""},
      {u"Typed Addresses with Times", u"typedtimes", u"&Typed Addresses with Times\tCtrl+5", G::kSearches, '5',
       u"Double-click a line to link to the URL", &TypedTimes, A::kOpen, F::kReadsHive | F::kInTimeline,
       [](ViewSources&) {
         return Fixed(u"HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs, TypedURLsTime");
       },
       u""},
      {u"Programs Run (UserAssist)", u"userassist", u"&Programs Run (UserAssist)\tCtrl+6", G::kPrograms, '6',
       u"Double-click a line to show the program in its folder", &UserAssist, A::kShowInFolder,
       F::kReadsHive | F::kInTimeline, [](ViewSources&) { return std::u16string(kExplorerKey) + u"UserAssist"; }, u""},
      // Windows 10 and 11's counts of the programs used.
      {u"Recent Apps", u"recentapps", u"Recent &Apps", G::kPrograms, 0,
       u"Programs the search box listed as recent, with the files they opened", &ReadRecentApps, A::kNothing,
       F::kReadsHive | F::kInTimeline,
       [](ViewSources&) {
         return Fixed(u"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Search\\RecentApps");
       },
       u""},
      {u"Feature Usage", u"featureusage", u"&Feature Usage", G::kPrograms, 0,
       u"How often each program was switched to, launched or used from the taskbar", &ReadFeatureUsage, A::kNothing,
       F::kReadsHive | F::kInTimeline, [](ViewSources&) { return std::u16string(kExplorerKey) + u"FeatureUsage"; },
       u""},
      // What Windows' compatibility inventory saw of the programs on the volume.
      {u"Program Inventory", u"amcache", u"Program &Inventory", G::kPrograms, 0,
       u"Programs Windows saw on the volume; double-click a line to show the program in its folder", &ReadAmcache,
       A::kShowInFolder, F::kInTimeline | F::kMachineWide,
       [](ViewSources& s) {
         return s.volumeRoot.empty() ? Fixed(u"Windows\\appcompat\\Programs\\Amcache.hve of a Windows volume")
                                     : s.volumeRoot + u"Windows\\appcompat\\Programs\\Amcache.hve";
       },
       u""},
      // Every dated trace of the views above and below.
      {u"Activity Timeline", u"timeline", u"Activity T&imeline\tCtrl+7", G::kFirstLevel, '7',
       u"Double-click a line to open what it names", &ActivityTimeline, A::kOpen, F::kReadsHive | F::kTimeline,
       [](ViewSources&) {
         return Fixed(u"the browser's history store, the browser profiles, the Explorer keys of HKEY_CURRENT_USER, "
                      u"the Recent and Cookies folders, the shortcuts and jump lists");
       },
       u"History,Recent,Cookies"},
      // What every view above and below read, and how that went.
      {u"Sources", u"sources", u"So&urces", G::kFirstLevel, 0,
       u"Every file, folder and key the views read or tried to read, and how that went", &ReadSourcesList,
       A::kShowInFolder, F::kReadsHive,
       [](ViewSources& s) {
         return s.hiveFile.empty() ? Fixed(u"what the other views read")
                                   : u"what the other views read, and " + s.hiveFile;
       },
       u""},
      // Today's browsers, every profile.
      {u"Browser History", u"browserhistory", u"&Browser History\tCtrl+8", G::kBrowsers, '8',
       u"Double-click a line to link to the URL", &BrowserHistory, A::kOpen, F::kInTimeline,
       [](ViewSources& s) {
         return u"the browser profiles under " + s.paths.AppDataFolder(true) + u" and " + s.paths.AppDataFolder(false);
       },
       u""},
      {u"Browser Downloads", u"browserdownloads", u"Browser &Downloads", G::kBrowsers, 0,
       u"Double-click a line to show the downloaded file in its folder", &ReadBrowserDownloads, A::kShowInFolder,
       F::kInTimeline, [](ViewSources& s) { return BrowserFiles(s, u"History, places.sqlite, downloads.sqlite"); },
       u""},
      {u"Browser Searches", u"browsersearches", u"Browser &Searches", G::kBrowsers, 0,
       u"Double-click a line to search again", &ReadBrowserSearches, A::kOpen, F::kInTimeline,
       [](ViewSources& s) { return BrowserFiles(s, u"History, formhistory.sqlite"); },
       u""},
      {u"Browser Cookies", u"browsercookies", u"Browser &Cookies", G::kBrowsers, 0,
       u"Cookies the browsers keep, without their values; double-click a line to open the site", &ReadBrowserCookies,
       A::kOpen, F::kInTimeline,
       [](ViewSources& s) { return BrowserFiles(s, u"Network\\Cookies, Cookies, cookies.sqlite"); },
       u""},
      {u"Browser Bookmarks", u"browserbookmarks", u"Browser Boo&kmarks", G::kBrowsers, 0,
       u"Double-click a line to open the address", &ReadBrowserBookmarks, A::kOpen, F::kInTimeline,
       [](ViewSources& s) { return BrowserFiles(s, u"Bookmarks, places.sqlite"); }, u""},
      // The structure of a cache index file, record by record; the window's
      // chooser names the file, the report reads the profile's own without one.
      {u"Cache Records", u"cacherecords", u"Cache &Records", G::kBrowsers, 0,
       u"Double-click a line to open the address", &ReadCacheRecordsView, A::kOpen,
       F::kScansIndexFile | F::kFindsIndexFiles,
       [](ViewSources& s) {
         return s.findIndexFiles ? Fixed(u"the index.dat files of the profile's History, Cache and Cookies folders")
                                 : s.indexFilePath;
       },
       u""},
      // What Windows itself recorded of the programs used.
      {u"Windows Timeline", u"windowstimeline", u"&Windows Timeline", G::kPrograms, 0,
       u"Double-click a line to open the document or page", &ReadWindowsTimeline, A::kOpen, F::kInTimeline,
       [](ViewSources& s) {
         return u"the activity caches under " + s.paths.AppDataFolder(true) + u"\\ConnectedDevicesPlatform";
       },
       u""},
      // Machine-wide: read from the Windows volume.
      {u"Prefetch", u"prefetch", u"Prefetc&h", G::kPrograms, 0,
       u"Double-click a line to show the program in its folder", &ReadPrefetchView, A::kShowInFolder,
       F::kInTimeline | F::kMachineWide,
       [](ViewSources& s) {
         return s.volumeRoot.empty() ? Fixed(u"the Prefetch folder of a Windows volume (none open)")
                                     : s.volumeRoot + u"Windows\\Prefetch";
       },
       u""},
      // The machine-wide traces of a Windows volume.
      {u"Programs Run (BAM)", u"bam", u"Programs Run (&BAM)", G::kPrograms, 0,
       u"Double-click a line to show the program in its folder", &ReadBam, A::kShowInFolder,
       F::kInTimeline | F::kMachineWide, &BamKeys, u""},
      {u"Recycle Bin", u"recyclebin", u"&Recycle Bin", G::kDocuments, 0,
       u"Files deleted to the Recycle Bin; double-click a line to show what is left of the file in its folder",
       &ReadRecycleBin, A::kShowInFolder, F::kInTimeline | F::kMachineWide, &RecycleBinFolders, u""},
      // The Office programs' own lists.
      {u"Office Documents", u"officedocs", u"&Office Documents", G::kDocuments, 0,
       u"Double-click a line to open the document, or show its folder", &ReadOfficeDocuments,
       A::kOpenOrShowInFolder, F::kReadsHive | F::kInTimeline,
       [](ViewSources&) {
         return Fixed(u"HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\<version>\\<program>\\File MRU, Place MRU, "
                      u"User MRU, Recent Files");
       },
       u""},
      // The system's traces of the user.
      {u"Remote Desktops", u"remotedesktops", u"&Remote Desktops", G::kSystem, 0,
       u"Servers connected to with Remote Desktop", &ReadRemoteDesktops, A::kNothing, F::kReadsHive | F::kInTimeline,
       [](ViewSources&) { return Fixed(u"HKEY_CURRENT_USER\\Software\\Microsoft\\Terminal Server Client"); }, u""},
      {u"Deleted Registry Entries", u"deletedregistry", u"&Deleted Registry Entries", G::kSystem, 0,
       u"Keys and values deleted from the registry, recovered from its free space", &ReadDeletedEntries, A::kNothing,
       F::kReadsHive | F::kInTimeline,
       [](ViewSources& s) {
         return Fixed(s.registry.OfflineHive() ? u"the free cells of the profile's registry hive (NTUSER.DAT)"
                                               : u"the registry of the running Windows, whose free space is not readable");
       },
       u""},
      {u"Mapped Drives and Volumes", u"mappeddrives", u"&Mapped Drives and Volumes", G::kSystem, 0,
       u"Double-click a line to open the share or volume", &ReadMappedDrives, A::kOpen, F::kReadsHive | F::kInTimeline,
       [](ViewSources&) {
         return std::u16string(kExplorerKey) + u"Map Network Drive MRU, " + kExplorerKey + u"MountPoints2";
       },
       u""},
  };
  return views;
}

const ViewDef* FindView(std::u16string_view nameOrTag) {
  for (const ViewDef& v : Views()) {
    if (SameIgnoringAsciiCase(nameOrTag, v.name) || SameIgnoringAsciiCase(nameOrTag, v.tag)) return &v;
  }
  return nullptr;
}

void ReadView(const ViewDef& view, ViewSources& sources, Table& table, Progress& progress) {
  view.read(sources, table, progress, nullptr);
}

bool IsAbsence(std::u16string_view problem) {
  auto endsWith = [problem](std::u16string_view end) {
    return problem.size() >= end.size() && problem.substr(problem.size() - end.size()) == end;
  };
  return endsWith(u": missing") || endsWith(kNotAvailableHere) || endsWith(kNeedsVolume);
}

// Each view's reader runs with the timeline; its lines are not kept, and of
// its problems only those of sources that are there but could not be read.
void ReadActivityTimeline(ViewSources& sources, Table& table, std::vector<TimeKind>* kinds) {
  Timeline timeline;
  Progress none;
  for (const ViewDef& view : Views()) {
    if (!(view.flags & ViewDef::kInTimeline)) continue;
    const bool machineWide = view.flags & ViewDef::kMachineWide;
    if ((machineWide && sources.timelineScope == TimelineScope::kUserOnly) ||
        (!machineWide && sources.timelineScope == TimelineScope::kMachineOnly)) {
      continue;
    }
    Table scratch;
    view.read(sources, scratch, none, &timeline);
    for (std::u16string& p : scratch.problems) {
      if (!IsAbsence(p)) timeline.Problem(std::move(p));
    }
  }
  timeline.ToTable(table, kinds);
}

}  // namespace glimmerlog
