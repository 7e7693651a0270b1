// Finding the browsers' profiles: folder listings, the Chromium family's
// "Local State" (JSON) and Firefox's profiles.ini, read with small tolerant
// scanners of their own.
#include <algorithm>
#include <functional>

#include "base/ascii.h"
#include "base/utf8.h"
#include "sources/browsers/browserhistory.h"
#include "sources/folders/pathrules.h"

namespace glimmerlog {

namespace {

constexpr uint32_t kDirectory = 0x10;             // FILE_ATTRIBUTE_DIRECTORY
constexpr uint64_t kMaxSettingsBytes = 16 << 20;  // Local State, profiles.ini

std::u16string AsFolder(std::u16string_view path) {
  std::u16string folder(path);
  if (!folder.empty() && folder.back() != u'\\' && folder.back() != u'/') folder += u'\\';
  return folder;
}

bool IsFile(FolderSource& folders, const std::u16string& path) {
  const uint32_t a = folders.Attributes(path);
  return a != FolderSource::kNoAttributes && (a & kDirectory) == 0;
}

// The subfolders of `folder` (which ends in a backslash), "." and ".." left out.
std::vector<std::u16string> Subfolders(FolderSource& folders, const std::u16string& folder) {
  std::vector<std::u16string> names;
  std::unique_ptr<FolderSource::Listing> listing = folders.List(folder, nullptr);
  if (!listing) return names;
  FolderEntry entry;
  while (listing->Next(entry)) {
    if ((entry.attributes & kDirectory) && entry.name != u"." && entry.name != u"..") names.push_back(entry.name);
  }
  return names;
}

// A name usable as one folder of a path: not empty, no separator or stream,
// not read as "." or ".." (see WindowsPartName).
bool IsPlainName(std::u16string_view name) {
  const std::u16string_view read = WindowsPartName(name);
  return !read.empty() && read != u"." && read != u".." && name.find_first_of(u"\\/:") == std::u16string_view::npos;
}

// "Profile 12" gives 12; anything else -1.
long ProfileNumber(std::u16string_view name) {
  constexpr std::u16string_view prefix = u"Profile ";
  if (name.size() <= prefix.size() || name.size() > prefix.size() + 9 || name.substr(0, prefix.size()) != prefix) {
    return -1;
  }
  long n = 0;
  for (char16_t c : name.substr(prefix.size())) {
    if (c < u'0' || c > u'9') return -1;
    n = n * 10 + (c - u'0');
  }
  return n;
}

// Default first, then Profile N by number, then the others by name.
bool ProfileBefore(const BrowserProfile& a, const BrowserProfile& b) {
  auto rank = [](const std::u16string& name) {
    const long n = ProfileNumber(name);
    return name == u"Default" ? -2L : n >= 0 ? n : 0x7FFFFFFFL;
  };
  const long ra = rank(a.profile), rb = rank(b.profile);
  if (ra != rb) return ra < rb;
  return a.profile < b.profile;
}

// A tolerant reader of just enough JSON to walk objects by their keys.
// Malformed text ends the walk; nothing is read past the end.
class JsonScan {
 public:
  explicit JsonScan(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

  // Calls `member` with each key of the object that starts here; `member`
  // reads the value or returns false to have it skipped.
  bool Object(const std::function<bool(const std::u16string&)>& member) {
    Space();
    if (!Take('{')) return false;
    Space();
    if (Take('}')) return true;
    for (;;) {
      std::u16string key;
      Space();
      if (!String(&key)) return false;
      Space();
      if (!Take(':')) return false;
      Space();
      if (!member(key) && !Skip()) return false;
      Space();
      if (Take(',')) continue;
      return Take('}');
    }
  }

  // A string value (false, with nothing read, when the value is not one).
  bool String(std::u16string* out) {
    Space();
    if (!Take('"')) return false;
    const char* run = p_;
    while (p_ < end_ && *p_ != '"') {
      if (*p_ != '\\') {
        ++p_;
        continue;
      }
      if (out) AppendUtf8AsUtf16(*out, run, static_cast<size_t>(p_ - run));
      if (end_ - p_ < 2) return false;
      const char e = p_[1];
      p_ += 2;
      char16_t c;
      switch (e) {
        case 'b': c = u'\b'; break;
        case 'f': c = u'\f'; break;
        case 'n': c = u'\n'; break;
        case 'r': c = u'\r'; break;
        case 't': c = u'\t'; break;
        case 'u': {
          if (end_ - p_ < 4) return false;
          unsigned v = 0;
          for (int i = 0; i < 4; ++i) {
            const char h = *p_++;
            v = v << 4 | (h >= '0' && h <= '9'   ? h - '0'
                          : h >= 'a' && h <= 'f' ? h - 'a' + 10
                          : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                 : 0);
          }
          c = static_cast<char16_t>(v);  // surrogates pass through as UTF-16 holds them
          break;
        }
        default: c = static_cast<char16_t>(static_cast<unsigned char>(e)); break;  // \" \\ \/
      }
      if (out) out->push_back(c);
      run = p_;
    }
    if (p_ >= end_) return false;
    if (out) AppendUtf8AsUtf16(*out, run, static_cast<size_t>(p_ - run));
    ++p_;
    return true;
  }

  // Skips one value of any kind, nested ones included.
  bool Skip() {
    Space();
    if (p_ < end_ && *p_ == '"') return String(nullptr);
    long depth = 0;
    while (p_ < end_) {
      const char c = *p_;
      if (c == '"') {
        if (!String(nullptr)) return false;
        continue;
      }
      if (c == '{' || c == '[') {
        ++depth;
      } else if (c == '}' || c == ']') {
        if (depth == 0) return true;  // the end of the enclosing object
        if (--depth == 0) {
          ++p_;
          return true;
        }
      } else if (depth == 0 && c == ',') {
        return true;
      }
      ++p_;
    }
    return depth == 0;
  }

 private:
  void Space() {
    while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r')) ++p_;
  }
  bool Take(char c) {
    if (p_ < end_ && *p_ == c) {
      ++p_;
      return true;
    }
    return false;
  }

  const char* p_;
  const char* end_;
};

struct NamedFolder {
  std::u16string folder, name;
};

// profile.info_cache of a Local State file: each profile folder's name with
// the name the browser shows for it.
std::vector<NamedFolder> LocalStateProfiles(const std::vector<uint8_t>& bytes) {
  std::vector<NamedFolder> found;
  JsonScan json(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  json.Object([&](const std::u16string& key) {
    if (key != u"profile") return false;
    json.Object([&](const std::u16string& key) {
      if (key != u"info_cache") return false;
      json.Object([&](const std::u16string& folder) {
        NamedFolder entry{folder, {}};
        const bool isObject =
            json.Object([&](const std::u16string& key) { return key == u"name" && json.String(&entry.name); });
        if (isObject && IsPlainName(folder)) found.push_back(std::move(entry));
        return isObject;
      });
      return true;
    });
    return true;
  });
  return found;
}

void AddChromiumProfiles(FolderSource& folders, const std::u16string& userData, const char16_t* browser,
                         std::vector<BrowserProfile>& out) {
  const std::vector<std::u16string> subfolders = Subfolders(folders, userData);
  if (subfolders.empty()) return;
  std::vector<uint8_t> localState;
  std::vector<NamedFolder> named;
  if (folders.ReadFile(userData + u"Local State", localState, kMaxSettingsBytes) == SourceStatus::kOk) {
    named = LocalStateProfiles(localState);
  }
  std::vector<BrowserProfile> profiles;
  for (const std::u16string& name : subfolders) {
    auto known = std::find_if(named.begin(), named.end(),
                              [&](const NamedFolder& n) { return SameIgnoringAsciiCase(n.folder, name); });
    if (name != u"Default" && ProfileNumber(name) < 0 && known == named.end()) continue;
    const std::u16string database = userData + name + u"\\History";
    if (!IsFile(folders, database)) continue;
    BrowserProfile p;
    p.browser = browser;
    p.profile = name;
    if (known != named.end()) p.displayName = known->name;
    p.databasePath = database;
    p.walPath = database + u"-wal";
    profiles.push_back(std::move(p));
  }
  std::sort(profiles.begin(), profiles.end(), ProfileBefore);
  out.insert(out.end(), profiles.begin(), profiles.end());
}

// Firefox's profiles.ini: each [Profile...] section's Name, Path and IsRelative.
struct IniProfile {
  std::u16string name, path;
  bool relative = true;
};

std::vector<IniProfile> ProfilesIni(const std::vector<uint8_t>& bytes) {
  std::vector<IniProfile> found;
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  bool inProfile = false;
  IniProfile current;
  auto finish = [&] {
    if (inProfile && !current.path.empty()) found.push_back(current);
    current = IniProfile();
  };
  while (!text.empty()) {
    size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      finish();
      const std::string_view section = line.substr(1, line.find(']') - 1);
      inProfile = section.size() > 7 && section.substr(0, 7) == "Profile";
      continue;
    }
    const size_t eq = line.find('=');
    if (!inProfile || eq == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "Name") current.name = Utf8ToU16(value);
    if (key == "Path") current.path = Utf8ToU16(value);
    if (key == "IsRelative") current.relative = value != "0";
  }
  finish();
  return found;
}

// The last name of a folder path (without its trailing separator).
std::u16string LastName(std::u16string_view folder) {
  while (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) folder.remove_suffix(1);
  const size_t slash = folder.find_last_of(u"\\/");
  return std::u16string(slash == std::u16string_view::npos ? folder : folder.substr(slash + 1));
}

void AddFirefoxProfiles(FolderSource& folders, const std::u16string& firefoxFolder, ProfilePaths* paths,
                        std::vector<BrowserProfile>& out) {
  struct Candidate {
    std::u16string folder, name;
  };
  std::vector<Candidate> candidates;
  std::vector<uint8_t> ini;
  if (folders.ReadFile(firefoxFolder + u"profiles.ini", ini, kMaxSettingsBytes) == SourceStatus::kOk) {
    for (IniProfile& p : ProfilesIni(ini)) {
      std::replace(p.path.begin(), p.path.end(), u'/', u'\\');
      const bool absolute = p.path.find(u':') != std::u16string::npos || p.path.rfind(u"\\\\", 0) == 0;
      if (ClimbsOut(p.path)) continue;
      if (p.relative && !absolute) {
        candidates.push_back({AsFolder(firefoxFolder + p.path), p.name});
        continue;
      }
      // A path of another user's profile is read where the copy holds it, or
      // not at all: never this computer's folder or share of that name.
      std::u16string mapped = p.path;
      if (paths && !paths->MapToProfile(p.path, mapped)) continue;
      candidates.push_back({AsFolder(mapped), p.name});
    }
  }
  const std::u16string profilesFolder = firefoxFolder + u"Profiles\\";
  for (const std::u16string& name : Subfolders(folders, profilesFolder)) {
    candidates.push_back({profilesFolder + name + u"\\", {}});
  }
  std::vector<BrowserProfile> profiles;
  for (const Candidate& c : candidates) {
    const std::u16string database = c.folder + u"places.sqlite";
    auto same = [&](const BrowserProfile& p) { return SameIgnoringAsciiCase(p.databasePath, database); };
    if (std::any_of(profiles.begin(), profiles.end(), same) || !IsFile(folders, database)) continue;
    BrowserProfile p;
    p.browser = u"Firefox";
    p.profile = LastName(c.folder);
    p.displayName = c.name;
    p.databasePath = database;
    p.walPath = database + u"-wal";
    p.firefox = true;
    profiles.push_back(std::move(p));
  }
  std::sort(profiles.begin(), profiles.end(), ProfileBefore);
  out.insert(out.end(), profiles.begin(), profiles.end());
}

}  // namespace

std::vector<BrowserProfile> FindBrowserProfiles(FolderSource& folders, std::u16string_view localAppData,
                                                std::u16string_view roamingAppData, ProfilePaths* paths) {
  static constexpr struct {
    const char16_t* browser;
    const char16_t* userData;
  } kChromiumFamily[] = {
      {u"Microsoft Edge", u"Microsoft\\Edge\\User Data\\"},
      {u"Google Chrome", u"Google\\Chrome\\User Data\\"},
      {u"Chromium", u"Chromium\\User Data\\"},
      {u"Brave", u"BraveSoftware\\Brave-Browser\\User Data\\"},
      {u"Vivaldi", u"Vivaldi\\User Data\\"},
  };
  std::vector<BrowserProfile> profiles;
  const std::u16string local = AsFolder(localAppData), roaming = AsFolder(roamingAppData);
  if (!localAppData.empty()) {
    for (const auto& b : kChromiumFamily) AddChromiumProfiles(folders, local + b.userData, b.browser, profiles);
  }
  if (!roamingAppData.empty()) {
    const std::u16string opera = roaming + u"Opera Software\\Opera Stable\\";
    if (IsFile(folders, opera + u"History")) {
      BrowserProfile p;
      p.browser = u"Opera";
      p.profile = u"Opera Stable";
      p.databasePath = opera + u"History";
      p.walPath = p.databasePath + u"-wal";
      profiles.push_back(std::move(p));
    }
    AddFirefoxProfiles(folders, roaming + u"Mozilla\\Firefox\\", paths, profiles);
  }
  return profiles;
}

}  // namespace glimmerlog
