#include "sources/profile/profilesource.h"

#include <algorithm>
#include <vector>

#include "base/bytes.h"
#include "sources/folders/pathrules.h"
#include "sources/hive/hivesource.h"
#include "sources/hive/upcase.h"

namespace glimmerlog {

namespace {

constexpr char16_t kShellFolders[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char16_t kUserShellFolders[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr uint32_t kRegSz = 1, kRegExpandSz = 2;
constexpr uint32_t kDirectory = 0x10;
// Hives grow to a few hundred megabytes at most; a larger file is no hive.
constexpr uint64_t kMaxHiveBytes = 1ull << 30;

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::u16string_view TrimSpaces(std::u16string_view s) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
  return s;
}

std::u16string_view WithoutFinalSeparators(std::u16string_view s) {
  while (!s.empty() && IsPathSeparator(s.back())) s.remove_suffix(1);
  return s;
}

// "C:\...", "C:" or "\\server\share\...".
bool IsAbsolute(std::u16string_view path) {
  return (path.size() >= 2 && path[1] == u':') ||
         (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]));
}

// A text value (REG_SZ or REG_EXPAND_SZ) up to its first NUL.
bool ReadText(RegistrySource& registry, std::u16string_view key, std::u16string_view name, std::u16string& text) {
  RegistryData data;
  text.clear();
  if (registry.ReadValue(key, name, data) != SourceStatus::kOk || (data.type != kRegSz && data.type != kRegExpandSz)) {
    return false;
  }
  for (size_t i = 0; i + 1 < data.bytes.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(Le16(data.bytes.data() + i));
    if (c == 0) break;
    text += c;
  }
  return true;
}

// Where each Shell Folders value lies in a profile by default, longest
// first, Vista's and later layout before the older one.
struct DefaultPlace {
  const char16_t* name;
  std::vector<const char16_t*> endings;
};
const std::vector<DefaultPlace>& DefaultPlaces() {
  static const std::vector<DefaultPlace> places = {
      {u"Desktop", {u"Desktop"}},
      {u"Personal", {u"Documents", u"My Documents"}},
      {u"Favorites", {u"Favorites"}},
      {u"AppData", {u"AppData\\Roaming", u"Application Data"}},
      {u"Local AppData", {u"AppData\\Local", u"Local Settings\\Application Data"}},
      {u"Cookies",
       {u"AppData\\Roaming\\Microsoft\\Windows\\Cookies", u"AppData\\Local\\Microsoft\\Windows\\INetCookies",
        u"Cookies"}},
      {u"Recent", {u"AppData\\Roaming\\Microsoft\\Windows\\Recent", u"Recent"}},
      {u"History", {u"AppData\\Local\\Microsoft\\Windows\\History", u"Local Settings\\History"}},
      {u"Cache",
       {u"AppData\\Local\\Microsoft\\Windows\\Temporary Internet Files",
        u"AppData\\Local\\Microsoft\\Windows\\INetCache", u"Local Settings\\Temporary Internet Files"}},
      {u"SendTo", {u"AppData\\Roaming\\Microsoft\\Windows\\SendTo", u"SendTo"}},
      {u"NetHood", {u"AppData\\Roaming\\Microsoft\\Windows\\Network Shortcuts", u"NetHood"}},
      {u"Templates", {u"AppData\\Roaming\\Microsoft\\Windows\\Templates", u"Templates"}},
      {u"Start Menu", {u"AppData\\Roaming\\Microsoft\\Windows\\Start Menu", u"Start Menu"}},
  };
  return places;
}

// The root a folder's path names when it ends the default way.
bool RootOf(std::u16string_view path, const DefaultPlace& place, std::u16string& root) {
  path = WithoutFinalSeparators(TrimSpaces(path));
  for (const char16_t* ending : place.endings) {
    const std::u16string_view e(ending);
    if (path.size() <= e.size() + 1 || !IsPathSeparator(path[path.size() - e.size() - 1]) ||
        !SameRegistryName(path.substr(path.size() - e.size()), e)) {
      continue;
    }
    const std::u16string_view candidate = WithoutFinalSeparators(path.substr(0, path.size() - e.size() - 1));
    if (!IsAbsolute(candidate)) return false;
    root.assign(candidate);
    return true;
  }
  return false;
}

bool ContainsFolder(std::u16string_view path, std::u16string_view part) {
  for (size_t at = 0; at + part.size() <= path.size(); ++at) {
    if ((at == 0 || IsPathSeparator(path[at - 1])) && SameRegistryName(path.substr(at, part.size()), part) &&
        (at + part.size() == path.size() || IsPathSeparator(path[at + part.size()]))) {
      return true;
    }
  }
  return false;
}

// A registry without keys: the profile whose hive could not be read.
class NoRegistry final : public RegistrySource {
 public:
  std::u16string GetRegValue(std::u16string_view, std::u16string_view) override { return kRegFailureText; }
  std::u16string GetRegValueNames(std::u16string_view) override { return kRegFailureText; }
  SourceStatus ValueNames(std::u16string_view, std::vector<std::u16string>& names) override {
    names.clear();
    return SourceStatus::kMissing;
  }
  SourceStatus ReadValue(std::u16string_view, std::u16string_view, RegistryData& data) override {
    data = RegistryData{};
    return SourceStatus::kMissing;
  }
  SourceStatus SubKeys(std::u16string_view, std::vector<std::u16string>& names) override {
    names.clear();
    return SourceStatus::kMissing;
  }
  SourceStatus LastWriteTime(std::u16string_view, uint64_t& fileTime) override {
    fileTime = 0;
    return SourceStatus::kMissing;
  }
};

}  // namespace

ProfileRoot FindProfileRoot(RegistrySource& registry) {
  std::u16string text;
  if (ReadText(registry, u"Volatile Environment", u"USERPROFILE", text)) {
    const std::u16string_view path = WithoutFinalSeparators(TrimSpaces(text));
    if (IsAbsolute(path)) return {std::u16string(path), u"the hive's Volatile Environment\\USERPROFILE"};
  }
  struct Vote {
    std::u16string root;
    size_t count;
  };
  std::vector<Vote> votes;
  size_t named = 0;
  for (const DefaultPlace& place : DefaultPlaces()) {
    const std::u16string value = registry.GetRegValue(kShellFolders, place.name);
    std::u16string root;
    if (value == kRegFailureText || !RootOf(value, place, root)) continue;
    ++named;
    auto same = [&](const Vote& v) { return SameRegistryName(v.root, root); };
    if (auto it = std::find_if(votes.begin(), votes.end(), same); it != votes.end()) {
      ++it->count;
    } else {
      votes.push_back({std::move(root), 1});
    }
  }
  if (votes.empty()) return {};
  // The first of those named most often.
  const Vote* best = &votes.front();
  for (const Vote& v : votes) best = v.count > best->count ? &v : best;
  return {best->root, u"the hive's Shell Folders (" + Widen(std::to_string(best->count)) + u" of " +
                          Widen(std::to_string(named)) + u" folders in their usual places name it)"};
}

std::unique_ptr<RegistrySource> OpenHiveFile(FolderSource& folders, const std::u16string& path, SourceStatus& status,
                                             std::u16string& problem, std::u16string* logsText) {
  problem.clear();
  if (logsText) logsText->clear();
  std::vector<uint8_t> bytes;
  status = folders.ReadFile(path, bytes, kMaxHiveBytes);
  if (status != SourceStatus::kOk) {
    problem = path + u": " + Widen(StatusName(status));
    return nullptr;
  }
  // The logs beside a hive that was not written completely, named as Windows
  // names them; the folder source finds them without regard to case.
  std::vector<HiveLog> logs;
  if (HiveNeedsLogs(bytes)) {
    for (const char* suffix : {"LOG1", "LOG2", "LOG"}) {
      HiveLog log{suffix, {}};
      if (folders.ReadFile(path + u"." + Widen(suffix), log.bytes, kMaxHiveBytes) == SourceStatus::kOk) {
        logs.push_back(std::move(log));
      }
    }
  }
  auto hive = std::make_unique<HiveRegistrySource>(std::move(bytes), logs);
  if (!hive->Problem().empty()) {
    status = SourceStatus::kDamaged;
    problem = path + u": " + Widen(hive->Problem());
    return nullptr;
  }
  const HiveLogReplay& replay = hive->Logs();
  const std::u16string logsSentence = Widen(replay.text);
  if (logsText) *logsText = logsSentence;
  if (hive->hive().Truncated()) {
    status = SourceStatus::kDamaged;
    problem = path + u": shorter than its header says; keys in the missing part are not read";
    if (!logsSentence.empty()) problem += u"; " + logsSentence;
  } else if (replay.dirty) {
    problem = path + u": not written completely when it was last saved; " + logsSentence;
    if (replay.entries == 0) problem += u"; read as it is";
  }
  return hive;
}

ProfileSource::ProfileSource(FolderSource& folders, std::u16string folder, std::unique_ptr<RegistrySource> registry)
    : folders_(folders), folder_(WithoutFinalSeparators(folder)), registry_(std::move(registry)) {
  if (!registry_) registry_ = std::make_unique<NoRegistry>();
  root_ = FindProfileRoot(*registry_);

  std::u16string hiveLocal;
  ReadText(*registry_, kShellFolders, u"Local AppData", hiveLocal);
  if (IsFolder(Join(u"AppData\\Local"))) {
    osName_ = "Vista";
    osReason_ = u"the profile folder has AppData\\Local";
  } else if (IsFolder(Join(u"Local Settings"))) {
    osName_ = "xp";
    osReason_ = u"the profile folder has Local Settings";
  } else if (ContainsFolder(hiveLocal, u"AppData\\Local")) {
    osName_ = "Vista";
    osReason_ = u"the profile folder has neither AppData\\Local nor Local Settings, and the hive's Local AppData is " +
                hiveLocal;
  } else if (ContainsFolder(hiveLocal, u"Local Settings")) {
    osName_ = "xp";
    osReason_ = u"the profile folder has neither AppData\\Local nor Local Settings, and the hive's Local AppData is " +
                hiveLocal;
  } else {
    osReason_ =
        u"not known: the profile folder has neither AppData\\Local nor Local Settings, and the hive names "
        u"neither";
  }
  if (osName_ == "Vista") {
    localRelative_ = u"AppData\\Local";
    roamingRelative_ = u"AppData\\Roaming";
  } else if (osName_ == "xp") {
    localRelative_ = u"Local Settings\\Application Data";
    roamingRelative_ = u"Application Data";
  }
  localAppData_ = AppDataFolder(u"Local AppData", u"AppData\\Local", u"Local Settings\\Application Data");
  roamingAppData_ = AppDataFolder(u"AppData", u"AppData\\Roaming", u"Application Data");
}

std::unique_ptr<ProfileSource> ProfileSource::Open(FolderSource& folders, std::u16string folder,
                                                   std::u16string hiveFile) {
  folder.assign(WithoutFinalSeparators(folder));
  if (hiveFile.empty()) hiveFile = folder.empty() ? u"NTUSER.DAT" : folder + u"\\NTUSER.DAT";
  SourceStatus status = SourceStatus::kOk;
  std::u16string problem;
  std::u16string logs;
  std::unique_ptr<RegistrySource> hive = OpenHiveFile(folders, hiveFile, status, problem, &logs);
  const bool read = hive != nullptr;
  auto profile = std::make_unique<ProfileSource>(folders, std::move(folder), std::move(hive));
  profile->hiveRead_ = read;
  profile->hiveStatus_ = status;
  profile->hiveProblem_ = std::move(problem);
  profile->hiveLogs_ = std::move(logs);
  profile->hiveFile_ = std::move(hiveFile);
  profile->OpenClasses();
  return profile;
}

void ProfileSource::OpenClasses() {
  classes_.reset();
  classesStatus_ = SourceStatus::kMissing;
  classesProblem_.clear();
  classesLogs_.clear();
  classesFile_.clear();
  for (const char16_t* relative : {u"AppData\\Local\\Microsoft\\Windows\\UsrClass.dat",
                                   u"Local Settings\\Application Data\\Microsoft\\Windows\\UsrClass.dat"}) {
    const std::u16string path = Join(relative);
    if (classesFile_.empty()) classesFile_ = path;
    if (folders_.Attributes(path) == FolderSource::kNoAttributes) continue;
    classesFile_ = path;
    classes_ = OpenHiveFile(folders_, path, classesStatus_, classesProblem_, &classesLogs_);
    return;
  }
}

std::u16string ProfileSource::Join(std::u16string_view relative) const {
  while (!relative.empty() && IsPathSeparator(relative.front())) relative.remove_prefix(1);
  if (folder_.empty()) return std::u16string(relative);
  std::u16string path = folder_;
  if (!relative.empty()) {
    path += u'\\';
    path += relative;
  }
  return path;
}

bool ProfileSource::IsFolder(const std::u16string& path) {
  const uint32_t a = folders_.Attributes(path);
  return a != FolderSource::kNoAttributes && (a & kDirectory) != 0;
}

std::u16string ProfileSource::AppDataFolder(std::u16string_view name, std::u16string_view vista,
                                            std::u16string_view xp) {
  const std::u16string named = ShellFolder(name);
  if (named != kRegFailureText && IsFolder(named)) return named;
  if (IsFolder(Join(vista))) return Join(vista);
  if (IsFolder(Join(xp))) return Join(xp);
  return {};
}

bool ProfileSource::MapPath(std::u16string_view hivePath, std::u16string& out) const {
  out.clear();
  std::u16string_view path = TrimSpaces(hivePath);
  std::u16string_view rest;
  std::u16string relative;
  if (!path.empty() && path.front() == u'%') {
    const size_t close = path.find(u'%', 1);
    if (close == std::u16string_view::npos) return false;
    const std::u16string_view variable = path.substr(1, close - 1);
    rest = path.substr(close + 1);
    // A ".." would lead out of the profile folder, onto the machine reading
    // it, and a stream is no folder of it (PathWithin refuses both below the
    // root alike).
    if ((!rest.empty() && !IsPathSeparator(rest.front())) || ClimbsOut(rest) || NamesStream(rest)) return false;
    if (SameRegistryName(variable, u"USERPROFILE")) {
      // the profile folder itself
    } else if (SameRegistryName(variable, u"APPDATA") && !roamingRelative_.empty()) {
      relative = roamingRelative_;
    } else if (SameRegistryName(variable, u"LOCALAPPDATA") && !localRelative_.empty()) {
      relative = localRelative_;
    } else {
      return false;
    }
  } else if (!PathWithin(path, root_.path, rest)) {
    return false;
  }
  relative += rest;
  out = Join(relative);
  // A final backslash stays, as the hive wrote it.
  if (!rest.empty() && IsPathSeparator(rest.back()) && !out.empty() && !IsPathSeparator(out.back())) out += u'\\';
  return true;
}

bool ProfileSource::MapToProfile(std::u16string_view path, std::u16string& out) {
  std::u16string_view rest;
  if (PathWithin(path, folder_, rest)) {
    out = std::u16string(path);
    return true;
  }
  return MapPath(path, out);
}

ProfileSource::Lookup ProfileSource::Find(std::u16string_view name) {
  Lookup found;
  std::u16string value = registry_->GetRegValue(kShellFolders, name);
  std::u16string_view key = u"Shell Folders";
  if (value == kRegFailureText) {
    key = u"User Shell Folders";
    if (!ReadText(*registry_, kUserShellFolders, name, value) || TrimSpaces(value).empty()) {
      found.problem = u"Shell Folders value " + std::u16string(name) + u": missing";
      return found;
    }
  }
  if (!MapPath(value, found.path)) {
    found.problem = u"the hive's " + std::u16string(key) + u" value " + std::u16string(name) + u" (" + value + u") " +
                    (root_.path.empty() ? u"cannot be placed: the hive does not say where the profile folder was"
                                        : u"lies outside the profile folder (" + root_.path + u")");
  }
  return found;
}

std::u16string ProfileSource::ShellFolder(std::u16string_view name) {
  Lookup found = Find(name);
  return found.problem.empty() ? std::move(found.path) : std::u16string(kRegFailureText);
}

std::u16string ProfileSource::ShellFolderProblem(std::u16string_view name) { return Find(name).problem; }

std::u16string ProfileSource::WindowsVersion() const {
  if (osName_ == "Vista") return u"Windows Vista or later";
  if (osName_ == "xp") return u"Windows XP";
  return u"Windows version unknown";
}

std::u16string ProfileSource::WindowsVersionNote() { return u"taken as " + WindowsVersion() + u": " + osReason_; }

}  // namespace glimmerlog
