// Office Documents: the documents and folders the Office programs list as
// recently used, from the user's registry:
//
// - Office\<version>\<program>\File MRU and Place MRU (2007 and later), and
//   the same lists per signed-in identity under <program>\User MRU\<id>:
//   values "Item 1", "Item 2"... in the form of officemru.h, each with the
//   time the document or folder was last opened.
// - Office\<version>\<program>\Recent Files, Recent File List and Recent
//   Templates (the versions before): values "File1", "File2"... holding a
//   path alone; the key's last-write time is when the first was opened.
//
// Platform-free.
#include <algorithm>

#include "base/ascii.h"
#include "views/office/officemru.h"
#include "views/registrylister.h"
#include "views/viewreaders.h"
#include "views/viewdef.h"

namespace glimmerlog {

namespace {

constexpr std::u16string_view kMicrosoft = u"Software\\Microsoft\\";
constexpr char16_t kOffice[] = u"Software\\Microsoft\\Office";

// The number after `prefix` in a value name ("Item 12" after "Item ", "File3"
// after "File"), without regard to ASCII case; 0 for any other name.
uint32_t ItemNumber(std::u16string_view name, std::u16string_view prefix) {
  if (name.size() <= prefix.size() || name.size() > prefix.size() + 9) return 0;
  if (!SameIgnoringAsciiCase(name.substr(0, prefix.size()), prefix)) return 0;
  uint32_t n = 0;
  for (char16_t c : name.substr(prefix.size())) {
    if (c < u'0' || c > u'9') return 0;
    n = n * 10 + static_cast<uint32_t>(c - u'0');
  }
  return n;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

enum class ListKind { kItems, kOldFiles };

class OfficeReader {
 public:
  OfficeReader(RegistrySource& registry, Table& table, Timeline* timeline)
      : reg_(registry, table, std::u16string(kMicrosoft)), table_(table), timeline_(timeline) {}

  // Every version's programs; false when told to stop.
  bool ReadAll(Progress& progress) {
    std::vector<std::u16string> versions;
    for (std::u16string& name : reg_.SubKeys(kOffice)) {
      if (!name.empty() && name[0] >= u'0' && name[0] <= u'9') versions.push_back(std::move(name));
    }
    for (size_t i = 0; i < versions.size(); ++i) {
      if (!progress.Step(i, versions.size())) return false;
      for (const std::u16string& program : reg_.SubKeys(std::u16string(kOffice) + u"\\" + versions[i])) {
        ReadProgram(versions[i], program);
      }
    }
    return true;
  }

 private:
  struct Where {
    std::u16string version, program, list, identity;
  };

  // Every list of one program of one version.
  void ReadProgram(const std::u16string& version, const std::u16string& program) {
    const std::u16string key = std::u16string(kOffice) + u"\\" + version + u"\\" + program;
    for (const std::u16string& sub : reg_.SubKeys(key)) {
      const std::u16string path = key + u"\\" + sub;
      if (IsItemList(sub)) {
        ReadList(path, {version, program, sub, {}}, ListKind::kItems);
      } else if (SameIgnoringAsciiCase(sub, u"User MRU")) {
        for (const std::u16string& identity : reg_.SubKeys(path)) {
          for (const std::u16string& list : reg_.SubKeys(path + u"\\" + identity)) {
            if (!IsItemList(list)) continue;
            ReadList(path + u"\\" + identity + u"\\" + list, {version, program, list, identity}, ListKind::kItems);
          }
        }
      } else if (SameIgnoringAsciiCase(sub, u"Recent Files") || SameIgnoringAsciiCase(sub, u"Recent File List") ||
                 SameIgnoringAsciiCase(sub, u"Recent Templates")) {
        ReadList(path, {version, program, sub, {}}, ListKind::kOldFiles);
      }
    }
  }

  static bool IsItemList(const std::u16string& name) {
    return SameIgnoringAsciiCase(name, u"File MRU") || SameIgnoringAsciiCase(name, u"Place MRU");
  }

  void ReadList(const std::u16string& key, const Where& where, ListKind kind) {
    std::vector<std::pair<uint32_t, std::u16string>> items;  // position, value name
    for (std::u16string& name : reg_.ValueNames(key)) {
      // "Item Metadata 1" and the like are not entries.
      const uint32_t n = ItemNumber(name, kind == ListKind::kItems ? u"Item " : u"File");
      if (n) items.emplace_back(n, std::move(name));
    }
    std::sort(items.begin(), items.end());
    const uint64_t keyTime = kind == ListKind::kOldFiles ? reg_.KeyTime(key) : 0;
    const bool places = SameIgnoringAsciiCase(where.list, u"Place MRU");
    bool first = true;
    for (const auto& [position, name] : items) {
      std::u16string text;
      if (!reg_.Text(key, name, text)) continue;
      OfficeMruValue value;
      if (kind == ListKind::kOldFiles) {
        value.path = TrimSpaces(text);
        if (first) value.lastOpened = keyTime;
      } else if (!ParseOfficeMruValue(text, value)) {
        reg_.Problem(key, name, u"damaged");
        continue;
      } else if (value.badTime) {
        reg_.Problem(key, name, u"time not readable");
      }
      if (value.path.empty()) continue;
      first = false;
      table_.AddRow()
          .Text(value.path)
          .Text(where.program)
          .Text(where.version)
          .Text(where.list)
          .Number(position)
          .Time(value.lastOpened)
          .Text(where.identity)
          .Text(key)
          .Target(value.path);
      if (timeline_ && value.lastOpened) {
        timeline_->Add({value.lastOpened, places ? u"Folder used in Office" : u"Office document opened", value.path,
                        where.program + u" " + where.version, key.substr(kMicrosoft.size()), value.path});
      }
    }
  }

  RegistryLister reg_;
  Table& table_;
  Timeline* timeline_;
};

}  // namespace

bool ParseOfficeMruValue(std::u16string_view text, OfficeMruValue& out) {
  out = OfficeMruValue();
  if (text.empty() || text[0] != u'[') {
    out.path = std::u16string(text);
    return !out.path.empty();
  }
  size_t at = 0;
  while (at < text.size() && text[at] == u'[') {
    const size_t end = text.find(u']', at);
    if (end == std::u16string_view::npos) return false;
    const std::u16string_view field = text.substr(at + 1, end - at - 1);
    if (!field.empty() && (field[0] == u'T' || field[0] == u't')) {
      const std::u16string_view digits = field.substr(1);
      uint64_t time = 0;
      bool ok = !digits.empty() && digits.size() <= 16;
      for (size_t i = 0; ok && i < digits.size(); ++i) {
        const int d = HexDigit(digits[i]);
        ok = d >= 0;
        time = time << 4 | static_cast<uint64_t>(d < 0 ? 0 : d);
      }
      out.lastOpened = ok ? time : 0;
      out.badTime = !ok;
    }
    at = end + 1;
  }
  if (at >= text.size() || text[at] != u'*') return false;
  out.path = std::u16string(text.substr(at + 1));
  return !out.path.empty();
}

void ReadOfficeDocuments(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Document", 5500}, {u"Application", 1300}, {u"Version", 900},   {u"List", 1300},
                   {u"Position", 800},  {u"Last Opened", 2200}, {u"Identity", 2500}, {u"Key", 5000}};
  OfficeReader(sources.registry, table, timeline).ReadAll(progress);
}

}  // namespace glimmerlog
