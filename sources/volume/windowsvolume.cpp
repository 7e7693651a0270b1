#include "sources/volume/windowsvolume.h"

#include <algorithm>

#include "base/ascii.h"
#include "sources/hive/hivesource.h"
#include "sources/profile/profilesource.h"

namespace glimmerlog {

namespace {

constexpr uint32_t kDirectory = 0x10, kReparsePoint = 0x400;
constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegDword = 4;

// The folders a volume keeps profiles in: Vista and later, then XP.
constexpr const char16_t* kProfileFolders[] = {u"Users\\", u"Documents and Settings\\"};
// Profiles that are templates or shared, not a user's.
constexpr const char16_t* kNotUsers[] = {u"Default", u"Default User", u"All Users", u"Public", u"LocalService",
                                         u"NetworkService"};

bool IsNotUser(std::u16string_view name) {
  for (const char16_t* n : kNotUsers) {
    if (SameIgnoringAsciiCase(name, n)) return true;
  }
  return false;
}

std::u16string TextValue(RegistrySource& registry, std::u16string_view key, std::u16string_view name) {
  RegistryData data;
  if (registry.ReadValue(key, name, data) != SourceStatus::kOk || (data.type != kRegSz && data.type != kRegExpandSz)) {
    return {};
  }
  std::u16string text;
  for (size_t i = 0; i + 1 < data.bytes.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(data.bytes[i] | data.bytes[i + 1] << 8);
    if (c == 0) break;
    text += c;
  }
  return text;
}

// The last part of a path ("C:\Users\bob" gives "bob").
std::u16string LastPart(std::u16string_view path) {
  while (!path.empty() && (path.back() == u'\\' || path.back() == u'/')) path.remove_suffix(1);
  const size_t slash = path.find_last_of(u"\\/");
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

std::u16string CurrentControlSet(RegistrySource& system) {
  RegistryData data;
  if (system.ReadValue(u"Select", u"Current", data) == SourceStatus::kOk && data.type == kRegDword &&
      data.bytes.size() >= 4) {
    const uint32_t n = data.bytes[0] | data.bytes[1] << 8 | data.bytes[2] << 16 | static_cast<uint32_t>(data.bytes[3]) << 24;
    if (n >= 1 && n <= 999) {
      std::u16string set = u"ControlSet";
      const std::string digits = std::to_string(1000 + n).substr(1);
      set.append(digits.begin(), digits.end());
      uint64_t time = 0;
      if (system.LastWriteTime(set, time) == SourceStatus::kOk) return set;
    }
  }
  return u"ControlSet001";
}

std::unique_ptr<WindowsVolume> WindowsVolume::Open(FolderSource& folders, std::u16string root, std::u16string& why) {
  why.clear();
  if (!root.empty() && root.back() != u'\\') root += u'\\';
  const uint32_t windows = folders.Attributes(root + u"Windows");
  if (windows == FolderSource::kNoAttributes || !(windows & kDirectory)) {
    why = u"not a Windows volume: it holds no Windows folder";
    return nullptr;
  }
  std::unique_ptr<WindowsVolume> volume(new WindowsVolume(folders, std::move(root)));
  volume->systemFile_ = volume->root_ + u"Windows\\System32\\config\\SYSTEM";
  std::u16string problem, logs;
  volume->system_ = OpenHiveFile(folders, volume->systemFile_, volume->systemStatus_, problem, &logs);
  volume->systemNote_ = problem.empty() ? logs : problem;
  volume->ReadComputerName();
  volume->FindUsers();
  return volume;
}

void WindowsVolume::ReadComputerName() {
  if (!system_) return;
  computerName_ = TextValue(*system_, CurrentControlSet(*system_) + u"\\Control\\ComputerName\\ComputerName",
                            u"ComputerName");
}

void WindowsVolume::FindUsers() {
  // The SIDs by profile folder name, from the SOFTWARE hive's ProfileList.
  std::vector<std::pair<std::u16string, std::u16string>> sids;  // folder name, SID
  SourceStatus status = SourceStatus::kOk;
  std::u16string problem;
  if (std::unique_ptr<RegistrySource> software =
          OpenHiveFile(folders_, root_ + u"Windows\\System32\\config\\SOFTWARE", status, problem)) {
    constexpr char16_t kProfileList[] = u"Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    std::vector<std::u16string> keys;
    software->SubKeys(kProfileList, keys);
    for (const std::u16string& sid : keys) {
      const std::u16string image = TextValue(*software, std::u16string(kProfileList) + u"\\" + sid, u"ProfileImagePath");
      if (!image.empty()) sids.emplace_back(LastPart(image), sid);
    }
  }
  for (const char16_t* parent : kProfileFolders) {
    const std::u16string folder = root_ + parent;
    std::unique_ptr<FolderSource::Listing> listing = folders_.List(folder, nullptr);
    if (!listing) continue;
    FolderEntry entry;
    while (listing->Next(entry)) {
      if (!(entry.attributes & kDirectory) || (entry.attributes & kReparsePoint)) continue;
      if (entry.name == u"." || entry.name == u".." || IsNotUser(entry.name)) continue;
      const std::u16string profile = folder + entry.name;
      if (folders_.Attributes(profile + u"\\NTUSER.DAT") == FolderSource::kNoAttributes) continue;
      VolumeUser user{entry.name, {}, profile};
      for (const auto& [name, sid] : sids) {
        if (SameIgnoringAsciiCase(name, entry.name)) user.sid = sid;
      }
      // Else the classes hive's root key, which Windows names after the SID.
      if (user.sid.empty()) {
        for (const char16_t* classes : {u"\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat",
                                        u"\\Local Settings\\Application Data\\Microsoft\\Windows\\UsrClass.dat"}) {
          SourceStatus read = SourceStatus::kOk;
          std::unique_ptr<RegistrySource> hive = OpenHiveFile(folders_, profile + classes, read, problem);
          user.sid = SidOfClassesHive(hive.get());
          if (!user.sid.empty()) break;
        }
      }
      users_.push_back(std::move(user));
    }
  }
  std::sort(users_.begin(), users_.end(), [](const VolumeUser& a, const VolumeUser& b) { return a.name < b.name; });
}

const VolumeUser* WindowsVolume::FindUser(std::u16string_view nameOrSid) const {
  for (const VolumeUser& u : users_) {
    if (SameIgnoringAsciiCase(u.name, nameOrSid) || SameIgnoringAsciiCase(u.sid, nameOrSid)) return &u;
  }
  return nullptr;
}

}  // namespace glimmerlog
