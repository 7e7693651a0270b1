// ShellBags: the folders a user opened in Explorer, which the shell keeps to
// remember each folder's view long after the folder itself is gone.
//
// BagMRU is a tree of keys that mirrors the shell's namespace from the
// Desktop down: each key's numbered values ("0", "1", ...) each hold one
// shell item, the next step of the path, and the subkey of the same number
// holds the steps below it. MRUListEx orders a key's values, most recent
// first; the key is written when its first entry was opened, so its
// last-write time is when the item at MRU position 0 was last opened. A
// subkey's NodeSlot value names its view settings under Bags\<NodeSlot>.
//
// Windows Vista and later keep the tree in the user's classes (UsrClass.dat,
// Local Settings\Software\Microsoft\Windows\Shell\BagMRU); XP keeps it in
// NTUSER.DAT (Software\Microsoft\Windows\ShellNoRoam\BagMRU for local
// folders and Shell\BagMRU for network ones), where later versions keep a
// few desktop entries as well.
//
// The tree is walked with a stack of its own, never by recursion, to at
// most the registry's own nesting limit; a key that is the same as one above
// it (a damaged hive whose subkey list leads back up) is not followed again.
// Platform-free.
#include <algorithm>
#include <memory>

#include "base/ascii.h"
#include "base/bytes.h"
#include "sources/shell/mru.h"
#include "sources/shell/shellitems.h"
#include "views/explorer/explorerreaders.h"
#include "views/viewdef.h"

namespace glimmerlog {

namespace {

// Windows nests registry keys at most 512 levels deep; a deeper tree can
// only be a damaged one.
constexpr size_t kMaxDepth = 512;
constexpr uint32_t kRegBinary = 3, kRegDword = 4;

struct Root {
  RegistrySource* registry;
  const char16_t* hive;
  const char16_t* bagMru;  // the tree's root key; Bags is beside it
};

// A key of the tree still to read: its path, the items of the path from the
// root down to it (each whole, without the list's end), its depth, and the
// fingerprints of the keys above it.
struct Pending {
  std::u16string key;
  std::vector<uint8_t> items;
  size_t depth = 0;
  std::shared_ptr<const std::vector<uint64_t>> above;
};

// 64-bit FNV-1a, for telling whether a key is the same as one above it.
struct Fingerprint {
  uint64_t h = 1469598103934665603ull;
  void Add(const void* data, size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  }
  void Add(std::u16string_view text) {
    Add(text.data(), text.size() * sizeof(char16_t));
    Add("\0", 1);
  }
};

bool IsNumber(std::u16string_view name) {
  if (name.empty() || name.size() > 9) return false;
  for (char16_t c : name) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

uint32_t NumberOf(std::u16string_view name) {
  uint32_t n = 0;
  for (char16_t c : name) n = n * 10 + static_cast<uint32_t>(c - u'0');
  return n;
}

class BagWalk {
 public:
  BagWalk(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline)
      : sources_(sources), table_(table), progress_(progress), timeline_(timeline) {}

  // False when told to stop.
  bool Walk(const Root& root) {
    registry_ = root.registry;
    hive_ = root.hive;
    bagMru_ = root.bagMru;
    bags_ = bagMru_.substr(0, bagMru_.size() - 6) + u"Bags";  // "...\BagMRU" -> "...\Bags"
    deepNamed_ = false;
    std::vector<Pending> stack;
    stack.push_back({bagMru_, {}, 0, std::make_shared<std::vector<uint64_t>>()});
    while (!stack.empty()) {
      if ((++keysRead_ & 63) == 0 && !progress_.Step(keysRead_, 0)) return false;
      Pending key = std::move(stack.back());
      stack.pop_back();
      ReadKey(key, stack);
    }
    return true;
  }

 private:
  struct Entry {
    std::u16string name;
    uint32_t number = 0;
    int position = -1;  // MRU position, 0 = most recent; -1 when the list does not name it
  };

  void Problem(const std::u16string& place, std::u16string_view what) {
    table_.Problem(u"ShellBags " + std::u16string(hive_) + u"\\" + place + u": " + std::u16string(what));
  }
  void Problem(const std::u16string& place, SourceStatus status) {
    Problem(place, AsciiText(StatusName(status)));
  }

  void ReadKey(const Pending& key, std::vector<Pending>& stack) {
    std::vector<std::u16string> names, subkeys;
    const SourceStatus listed = registry_->ValueNames(key.key, names);
    if (listed == SourceStatus::kMissing) return;  // no tree here: nothing to say
    if (listed != SourceStatus::kOk) Problem(key.key, listed);
    const SourceStatus subListed = registry_->SubKeys(key.key, subkeys);
    if (subListed != SourceStatus::kOk && subListed != SourceStatus::kMissing) Problem(key.key, subListed);
    uint64_t written = 0;
    registry_->LastWriteTime(key.key, written);

    // The key's own fingerprint: its time, values and subkeys as read.
    Fingerprint print;
    print.Add(&written, sizeof written);
    for (const std::u16string& s : subkeys) print.Add(s);

    RegistryData list;
    const bool hasList = registry_->ReadValue(key.key, u"MRUListEx", list) == SourceStatus::kOk;
    print.Add(list.bytes.data(), list.bytes.size());
    std::vector<Entry> entries;
    std::vector<std::u16string> numbered;
    for (const std::u16string& n : names) {
      if (IsNumber(n)) numbered.push_back(n);
    }
    const std::vector<MruSlot> order = OrderByMruListEx(numbered, hasList ? &list : nullptr);
    for (const MruSlot& slot : order) {
      entries.push_back({slot.name, NumberOf(slot.name), slot.listed ? static_cast<int>(slot.order) - 1 : -1});
    }
    // Lines in the order of the values' numbers, as the tree was built.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.number < b.number; });

    std::vector<RegistryData> items(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      const SourceStatus read = registry_->ReadValue(key.key, entries[i].name, items[i]);
      if (read != SourceStatus::kOk) {
        Problem(key.key + u" value " + entries[i].name, read);
        items[i] = RegistryData{};
      }
      print.Add(entries[i].name);
      print.Add(items[i].bytes.data(), items[i].bytes.size());
    }
    for (uint64_t above : *key.above) {
      if (above == print.h) {
        Problem(key.key, u"the same key as one above it; not followed again");
        return;
      }
    }
    auto chain = std::make_shared<std::vector<uint64_t>>(*key.above);
    chain->push_back(print.h);

    std::vector<Pending> children;
    for (size_t i = 0; i < entries.size(); ++i) {
      const Entry& e = entries[i];
      const std::u16string childKey = key.key + u"\\" + e.name;
      std::vector<uint8_t> path = key.items;
      bool cut = false;
      if (!AppendItem(items[i], childKey, path, cut)) continue;
      AddLine(childKey, path, cut, e.position, e.position == 0 ? written : 0);
      const bool hasChild = std::any_of(subkeys.begin(), subkeys.end(),
                                        [&](const std::u16string& s) { return SameIgnoringAsciiCase(s, e.name); });
      if (!hasChild) continue;  // a value without its subkey: the path ends here
      if (key.depth + 1 >= kMaxDepth) {
        if (!deepNamed_) Problem(childKey, u"nested deeper than 512 levels; the levels below are not read");
        deepNamed_ = true;
        continue;
      }
      children.push_back({childKey, std::move(path), key.depth + 1, chain});
    }
    // The stack gives the lowest number first.
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(std::move(*it));
  }

  // Adds a value's item to the path's items; false when it holds none. An
  // item that claims more bytes than the value has is taken as far as it
  // goes, and `cut` says so.
  bool AppendItem(const RegistryData& value, const std::u16string& place, std::vector<uint8_t>& path, bool& cut) {
    const std::vector<uint8_t>& b = value.bytes;
    if (b.size() < 3 || (value.type != kRegBinary && value.type != 0)) {
      if (!b.empty()) Problem(place, u"holds no shell item");
      return false;
    }
    size_t size = Le16(b.data());
    if (size < 3) {
      Problem(place, u"holds no shell item");
      return false;
    }
    if (size > b.size()) {
      size = b.size();
      cut = true;
      Problem(place, u"the item ends early; shown as far as it goes");
    }
    const size_t at = path.size();
    path.insert(path.end(), b.begin(), b.begin() + static_cast<std::ptrdiff_t>(size));
    path[at] = static_cast<uint8_t>(size);
    path[at + 1] = static_cast<uint8_t>(size >> 8);
    return true;
  }

  void AddLine(const std::u16string& childKey, std::vector<uint8_t>& path, bool cut, int position, uint64_t opened) {
    path.insert(path.end(), {0, 0});
    const ItemListText decoded = DecodeItemList(path.data(), path.size());
    path.resize(path.size() - 2);
    const bool fileEntry = decoded.kind == ShellItemKind::kFolder || decoded.kind == ShellItemKind::kFile;
    const uint64_t created = fileEntry ? decoded.created : 0, modified = fileEntry ? decoded.modified : 0,
                   accessed = fileEntry ? decoded.accessed : 0;

    // The view settings the shell keeps for the folder.
    uint64_t bagWritten = 0;
    bool hasSlot = false;
    uint32_t slot = 0;
    RegistryData slotValue;
    if (registry_->ReadValue(childKey, u"NodeSlot", slotValue) == SourceStatus::kOk &&
        slotValue.type == kRegDword && slotValue.bytes.size() >= 4) {
      hasSlot = true;
      slot = Le32(slotValue.bytes.data());
      registry_->LastWriteTime(bags_ + u"\\" + NumberText(slot), bagWritten);
    }

    std::u16string kind = ShellItemKindName(decoded.kind);
    if (cut) kind += u" (item cut short)";
    const std::u16string target = ResolveShellPath(sources_.paths, decoded.path);
    Table::Row row = table_.AddRow();
    row.Text(decoded.path).Text(kind);
    if (position >= 0) {
      row.Number(position);
    } else {
      row.Empty();
    }
    row.Time(opened).Time(created).Time(modified).Time(accessed).Time(bagWritten);
    if (hasSlot) {
      row.Number(slot);
    } else {
      row.Empty();
    }
    row.Text(childKey).Text(hive_).Target(target);

    if (!timeline_) return;
    const std::u16string source = u"ShellBags (" + std::u16string(hive_) + u")";
    timeline_->Add({opened, u"Folder opened (ShellBags)", decoded.path, kind, source, target, false, TimeKind::kKeyMostRecent});
    // The folder's own times, as the item recorded them when it was opened.
    timeline_->Add({created, u"Folder created (ShellBags item)", decoded.path, kind, source, target});
    if (modified != created) {
      timeline_->Add({modified, u"Folder modified (ShellBags item)", decoded.path, kind, source, target});
    }
  }

  static std::u16string NumberText(uint32_t n) {
    std::u16string text;
    do {
      text.insert(text.begin(), static_cast<char16_t>(u'0' + n % 10));
      n /= 10;
    } while (n);
    return text;
  }

  ViewSources& sources_;
  Table& table_;
  Progress& progress_;
  Timeline* timeline_;
  RegistrySource* registry_ = nullptr;
  const char16_t* hive_ = u"";
  std::u16string bagMru_, bags_;
  uint64_t keysRead_ = 0;
  bool deepNamed_ = false;
};

}  // namespace

void ReadShellBags(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Path", 5000},         {u"Item Type", 1500},  {u"MRU Position", 900}, {u"Last Opened", 2200},
                   {u"Created", 2200},      {u"Modified", 2200},   {u"Accessed", 2200},    {u"Bag Key Written", 2200},
                   {u"Node Slot", 900},     {u"Registry Key", 5000}, {u"Hive", 1300}};
  std::vector<Root> roots;
  if (sources.classes) {
    roots.push_back({sources.classes, u"UsrClass.dat", u"Local Settings\\Software\\Microsoft\\Windows\\Shell\\BagMRU"});
    // The tree of 32-bit programs' file dialogs on 64-bit Windows.
    roots.push_back(
        {sources.classes, u"UsrClass.dat", u"Wow6432Node\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\BagMRU"});
  }
  roots.push_back({&sources.registry, u"NTUSER.DAT", u"Software\\Microsoft\\Windows\\ShellNoRoam\\BagMRU"});
  roots.push_back({&sources.registry, u"NTUSER.DAT", u"Software\\Microsoft\\Windows\\Shell\\BagMRU"});
  BagWalk walk(sources, table, progress, timeline);
  for (const Root& root : roots) {
    if (!walk.Walk(root)) break;  // told to stop: the lines read so far stay
  }
}

}  // namespace glimmerlog
