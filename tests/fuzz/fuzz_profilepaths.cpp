// libFuzzer target for the profile's folder paths: the input is a hive's
// Shell Folders, User Shell Folders and Volatile Environment values (UTF-16
// texts separated by NULs) and which folders of the profile exist (first
// byte). Whatever the values say, every folder given out lies inside the
// profile folder: it starts with that folder and has no ".." part.
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "sources/profile/profilesource.h"
#include "tests/support/regexport.h"

namespace {

using namespace glimmerlog;

constexpr char16_t kFolder[] = u"E:\\cases\\P";
const std::u16string kExplorer = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
const char16_t* const kNames[] = {u"Desktop", u"Recent", u"Cookies",  u"History",   u"Local AppData",
                                  u"AppData", u"Cache",  u"Personal", u"Start Menu"};

// Says a folder exists when the bit of its place in the list is set.
class SomeFolders final : public FolderSource {
 public:
  explicit SomeFolders(unsigned bits) : bits_(bits) {}
  std::unique_ptr<Listing> List(std::u16string_view, SourceStatus* status) override {
    if (status) *status = SourceStatus::kMissing;
    return nullptr;
  }
  uint32_t Attributes(const std::u16string& path) override {
    static const char16_t* const kKnown[] = {u"E:\\cases\\P\\AppData\\Local", u"E:\\cases\\P\\Local Settings",
                                             u"E:\\cases\\P\\AppData\\Roaming", u"E:\\cases\\P\\Application Data"};
    for (unsigned i = 0; i < 4; ++i) {
      if ((bits_ >> i & 1) && path == kKnown[i]) return 0x10;
    }
    return (bits_ & 0x10) ? 0x10 : kNoAttributes;  // everything else, some of the time
  }

 private:
  unsigned bits_;
};

RegistryData Text(const std::u16string& text, uint32_t type) {
  RegistryData d{type, {}};
  for (char16_t c : text) d.bytes.insert(d.bytes.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
  d.bytes.insert(d.bytes.end(), {0, 0});
  return d;
}

void CheckInside(const std::u16string& path) {
  const std::u16string folder = kFolder;
  if (path.compare(0, folder.size(), folder) != 0 || (path.size() > folder.size() && path[folder.size()] != u'\\')) {
    std::abort();
  }
  for (size_t at = path.find(u".."); at != std::u16string::npos; at = path.find(u"..", at + 1)) {
    const bool starts = path[at - 1] == u'\\' || path[at - 1] == u'/';
    const bool ends = at + 2 == path.size() || path[at + 2] == u'\\' || path[at + 2] == u'/';
    if (starts && ends) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::vector<std::u16string> texts(1);
  for (size_t i = 1; i + 1 < size; i += 2) {
    const char16_t c = static_cast<char16_t>(data[i] | data[i + 1] << 8);
    if (c == 0) {
      texts.emplace_back();
    } else {
      texts.back() += c;
    }
  }
  // A well-formed profile's values stand where the input gives an empty text,
  // so that mutations of one value meet the others as Windows writes them.
  static const char16_t* const kUsual[] = {
      u"C:\\Users\\bob",
      u"C:\\Users\\bob\\Desktop",
      u"%USERPROFILE%\\Desktop",
      u"C:\\Users\\bob\\AppData\\Roaming\\Microsoft\\Windows\\Recent",
      u"%APPDATA%\\Microsoft\\Windows\\Recent",
      u"C:\\Users\\bob\\AppData\\Roaming\\Microsoft\\Windows\\Cookies",
      u"%USERPROFILE%\\Cookies",
      u"C:\\Users\\bob\\Local Settings\\History",
      u"%LOCALAPPDATA%\\Microsoft\\Windows\\History",
      u"C:\\Users\\bob\\AppData\\Local",
      u"%USERPROFILE%\\AppData\\Local",
  };
  RegExport file;
  size_t next = 0;
  auto take = [&]() {
    const size_t i = next++;
    if (i < texts.size() && !texts[i].empty()) return texts[i];
    return i < std::size(kUsual) ? std::u16string(kUsual[i]) : std::u16string();
  };
  file.keys[u"Volatile Environment"] = {{u"USERPROFILE", Text(take(), 1)}};
  for (const char16_t* name : kNames) {
    file.keys[kExplorer + u"Shell Folders"].push_back({name, Text(take(), 1)});
    file.keys[kExplorer + u"User Shell Folders"].push_back({name, Text(take(), 2)});
  }
  SomeFolders folders(data[0]);
  ProfileSource profile(folders, kFolder, std::make_unique<RegExportSource>(std::move(file)));
  for (const char16_t* name : kNames) {
    const std::u16string path = profile.ShellFolder(name);
    if (path != kRegFailureText) CheckInside(path);
    if ((path == kRegFailureText) == profile.ShellFolderProblem(name).empty()) std::abort();
  }
  if (!profile.LocalAppData().empty()) CheckInside(profile.LocalAppData());
  if (!profile.RoamingAppData().empty()) CheckInside(profile.RoamingAppData());
  for (const std::u16string& text : texts) {
    std::u16string mapped;
    if (profile.MapPath(text, mapped)) CheckInside(mapped);
  }
  return 0;
}
