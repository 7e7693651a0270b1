// Another user's profile as the views read it: its registry from the hive
// file in the profile folder (NTUSER.DAT), its folders where the hive's
// paths point, mapped onto the folder where the profile is now, and the
// Windows version its layout shows. Platform-free: a folder source does the
// reading (the live file system on Windows, a copy on another system).
#ifndef GLIMMERLOG_SOURCES_PROFILE_PROFILESOURCE_H
#define GLIMMERLOG_SOURCES_PROFILE_PROFILESOURCE_H

#include <memory>
#include <string>
#include <string_view>

#include "sources/folders/foldersource.h"
#include "sources/registry/registrysource.h"

namespace glimmerlog {

// The profile folder as the hive's own paths name it ("C:\Users\bob",
// "D:\Documents and Settings\Frodo Baggins"), without a final backslash,
// and where that was read; empty when the hive does not tell.
struct ProfileRoot {
  std::u16string path;
  std::u16string how;
};

// Found from "Volatile Environment\USERPROFILE" when the hive kept it, else
// from the Shell Folders values: each value whose path ends the way that
// folder's does by default (Desktop in "Desktop", Cookies in
// "AppData\Roaming\Microsoft\Windows\Cookies" or "Cookies", ...) names a
// root, and the root most of them name is taken. Folders moved elsewhere
// name none, so they do not mislead it.
ProfileRoot FindProfileRoot(RegistrySource& registry);

// A hive file read whole through the folder source. Null when it cannot be
// read, with the status and a sentence saying why ("not a registry hive
// file: ..."). A hive that was not written completely is read with the
// transaction logs beside it (path.LOG1, .LOG2, .LOG) applied in memory,
// and `logsText` says how that went ("logs applied: 23 entries (132 pages)";
// empty for a hive written completely). A hive read in part (damaged, or not
// written completely) is returned, and `problem` says so, the logs' sentence
// included.
std::unique_ptr<RegistrySource> OpenHiveFile(FolderSource& folders, const std::u16string& path, SourceStatus& status,
                                             std::u16string& problem, std::u16string* logsText = nullptr);

class ProfileSource final : public ProfilePaths {
 public:
  // `folder`: the profile folder as `folders` names it, without a final
  // backslash; empty when `folders` takes paths relative to the profile.
  // `registry`: the profile's hive; null when none could be read (every key
  // is then missing).
  ProfileSource(FolderSource& folders, std::u16string folder, std::unique_ptr<RegistrySource> registry);

  // Reads the folder's NTUSER.DAT, or `hiveFile` (a path as `folders` names
  // it); HiveStatus and HiveProblem say how that went.
  static std::unique_ptr<ProfileSource> Open(FolderSource& folders, std::u16string folder,
                                             std::u16string hiveFile = {});
  SourceStatus HiveStatus() const { return hiveStatus_; }
  // Whether the hive was read at all (in part, when HiveStatus says damaged).
  bool HiveRead() const { return hiveRead_; }
  const std::u16string& HiveProblem() const { return hiveProblem_; }
  // What became of the hive's transaction logs (see OpenHiveFile).
  const std::u16string& HiveLogs() const { return hiveLogs_; }
  // The hive file read, as `folders` names it.
  const std::u16string& HiveFile() const { return hiveFile_; }

  RegistrySource& Registry() { return *registry_; }

  // Reads the user's classes hive (UsrClass.dat, with its transaction logs)
  // from AppData\Local\Microsoft\Windows, or from Local Settings\Application
  // Data\Microsoft\Windows where the profile is laid out the older way. A
  // profile without one (as before Vista) has none, and that is no problem.
  // Open does this; a profile made from a hive read before does it here.
  void OpenClasses();
  // The classes hive; null when there is none or it could not be read.
  RegistrySource* Classes() { return classes_.get(); }
  SourceStatus ClassesStatus() const { return classesStatus_; }
  // Why it was read in part or not at all, or what became of its logs, as
  // HiveProblem and HiveLogs say it of NTUSER.DAT.
  const std::u16string& ClassesProblem() const { return classesProblem_; }
  const std::u16string& ClassesLogs() const { return classesLogs_; }
  // The file read (or the first one looked for), as `folders` names it.
  const std::u16string& ClassesFile() const { return classesFile_; }
  FolderSource& Folders() { return folders_; }
  const std::u16string& Folder() const { return folder_; }
  const ProfileRoot& Root() const { return root_; }

  // A path as the hive records it, as `folders` names it now: below the
  // hive's profile root, or starting with %USERPROFILE%, %APPDATA% or
  // %LOCALAPPDATA%. False for a path outside the profile (another folder,
  // another drive, another variable, a ".." part): the copy does not hold
  // it, and the machine reading it must not be read in its place.
  bool MapPath(std::u16string_view hivePath, std::u16string& out) const;
  bool OtherProfile() const override { return true; }
  // A path inside the profile folder as it is; any other, as MapPath maps it.
  bool MapToProfile(std::u16string_view path, std::u16string& out) override;

  // A folder by its Shell Folders name, mapped onto the profile folder;
  // where Shell Folders lacks it, from User Shell Folders. "error440" when
  // the hive names none or one outside the profile.
  std::u16string ShellFolder(std::u16string_view name) override;
  // Why ShellFolder(name) failed, ending in ": missing" when the hive names
  // no such folder; empty when it did not fail.
  std::u16string ShellFolderProblem(std::u16string_view name);

  // The version the views assume, by OsName's names: "Vista" when the
  // folder has AppData\Local, "xp" when it has Local Settings, else as the
  // hive's Local AppData path shows; "" when nothing tells. The reason says
  // which was taken and why.
  const std::string& OsName() const { return osName_; }
  const std::u16string& OsNameReason() const { return osReason_; }
  // The version by name: "Windows Vista or later", "Windows XP", or
  // "Windows version unknown".
  std::u16string WindowsVersion() const;
  std::u16string WindowsVersionNote() override;

  // Where browsers keep their profiles: the hive's Local AppData and
  // AppData folders where the profile holds them, else the layout's
  // AppData\Local and AppData\Roaming (Local Settings\Application Data and
  // Application Data before Vista); empty when the profile has neither.
  const std::u16string& LocalAppData() const { return localAppData_; }
  const std::u16string& RoamingAppData() const { return roamingAppData_; }
  std::u16string AppDataFolder(bool local) override { return local ? localAppData_ : roamingAppData_; }

 private:
  struct Lookup {
    std::u16string path, problem;
  };
  Lookup Find(std::u16string_view name);
  std::u16string Join(std::u16string_view relative) const;
  bool IsFolder(const std::u16string& path);
  std::u16string AppDataFolder(std::u16string_view name, std::u16string_view vista, std::u16string_view xp);

  FolderSource& folders_;
  std::u16string folder_;
  std::unique_ptr<RegistrySource> registry_;
  SourceStatus hiveStatus_ = SourceStatus::kOk;
  bool hiveRead_ = false;
  std::u16string hiveProblem_, hiveLogs_, hiveFile_;
  std::unique_ptr<RegistrySource> classes_;
  SourceStatus classesStatus_ = SourceStatus::kMissing;
  std::u16string classesProblem_, classesLogs_, classesFile_;
  ProfileRoot root_;
  std::string osName_;
  std::u16string osReason_;
  std::u16string localRelative_, roamingRelative_;  // by the version: where %LOCALAPPDATA% and %APPDATA% lead
  std::u16string localAppData_, roamingAppData_;
};

}  // namespace glimmerlog

#endif
