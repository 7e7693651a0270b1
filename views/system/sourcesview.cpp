// Sources: every file, folder, key and shell folder the other views read or
// tried to read for the profile shown, with its status, so that an examiner
// can say what was read (and which copy: files carry their SHA-256) and a
// user can see why a view is empty.
//
// It runs each view's reader (not the timeline, which runs the same readers,
// and not the index file scan, which reads the file the user chooses) over
// recording stand-ins of the profile's registry, folders and folder paths;
// what they were asked for is the list. The hive and its transaction logs,
// read before any view, come first.
//
// Platform-free.
#include <deque>
#include <memory>
#include <unordered_map>

#include "base/ascii.h"
#include "base/sha256.h"
#include "views/viewdef.h"

namespace glimmerlog {

void ReadSourcesList(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

namespace {

// Files hashed for the list are read whole up to this size; hives and
// browser databases are far smaller.
constexpr uint64_t kHashLimit = uint64_t{1} << 30;
constexpr uint32_t kDirectory = 0x10;
constexpr size_t kNoView = static_cast<size_t>(-1);

constexpr char16_t kHiveWhat[] = u"Registry hive";
constexpr char16_t kLogWhat[] = u"Hive transaction log";
constexpr char16_t kKey[] = u"Registry key";
constexpr char16_t kFile[] = u"File";
constexpr char16_t kFolder[] = u"Folder";
constexpr char16_t kShellFolder[] = u"Shell folder";
constexpr char16_t kIndexWhat[] = u"Cache index file";
constexpr char16_t kUserRoot[] = u"HKEY_CURRENT_USER\\";

std::u16string Folded(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = FoldAscii(c);
  return out;
}

int Rank(SourceStatus s) {
  switch (s) {
    case SourceStatus::kOk: return 0;
    case SourceStatus::kMissing: return 1;
    case SourceStatus::kDamaged: return 2;
    case SourceStatus::kDenied: return 3;
  }
  return 0;
}

// One line of the list.
struct Entry {
  std::u16string what, path;
  SourceStatus status = SourceStatus::kOk;
  std::u16string note;  // said after the status
  bool hasSize = false, keyLevel = false;
  bool probe = false;  // a file looked for and not found
  uint64_t size = 0, time = 0, entries = 0;
  std::u16string sha256;
  std::vector<size_t> views;  // indexes into Views(), in order of use

  void Note(const std::u16string& text) {
    if (text.empty() || note.find(text) != std::u16string::npos) return;
    if (!note.empty()) note += u"; ";
    note += text;
  }
};

// The lines, each named once (paths compared without regard to ASCII case,
// as Windows compares them), in the order first met.
class Entries {
 public:
  // The entry, marked as used by the view being read; its status becomes
  // the worse of what it had and `status` (a read that failed outweighs one
  // that worked).
  Entry& Use(std::u16string_view what, std::u16string_view path, SourceStatus status) {
    Entry& e = Get(what, path);
    if (view_ != kNoView) {
      bool seen = false;
      for (size_t v : e.views) seen = seen || v == view_;
      if (!seen) e.views.push_back(view_);
    }
    if (Rank(status) > Rank(e.status)) e.status = status;
    return e;
  }
  Entry& Get(std::u16string_view what, std::u16string_view path) {
    const std::u16string key = Folded(what) + u'|' + Folded(path);
    const auto found = index_.find(key);
    if (found != index_.end()) return entries_[found->second];
    index_.emplace(key, entries_.size());
    entries_.push_back({});
    entries_.back().what = std::u16string(what);
    entries_.back().path = std::u16string(path);
    return entries_.back();
  }
  void SetView(size_t view) { view_ = view; }
  std::deque<Entry>& All() { return entries_; }

 private:
  // A deque: an entry's reference stays valid as others are added.
  std::deque<Entry> entries_;
  std::unordered_map<std::u16string, size_t> index_;
  size_t view_ = kNoView;
};

// The profile's registry, answering as it does, noting each key asked for.
class RecordingRegistry final : public RegistrySource {
 public:
  RecordingRegistry(RegistrySource& inner, Entries& entries, bool unreadHive)
      : inner_(inner), entries_(entries), unreadHive_(unreadHive) {}

  std::u16string GetRegValue(std::u16string_view subKey, std::u16string_view valueName) override {
    std::u16string text = inner_.GetRegValue(subKey, valueName);
    Key(subKey, SourceStatus::kOk, false);
    return text;
  }
  std::u16string GetRegValueNames(std::u16string_view subKey) override {
    std::u16string text = inner_.GetRegValueNames(subKey);
    Key(subKey, SourceStatus::kOk, false);
    return text;
  }
  SourceStatus ValueNames(std::u16string_view subKey, std::vector<std::u16string>& names) override {
    const SourceStatus status = inner_.ValueNames(subKey, names);
    Key(subKey, status, true);
    return status;
  }
  SourceStatus ReadValue(std::u16string_view subKey, std::u16string_view valueName, RegistryData& data) override {
    const SourceStatus status = inner_.ReadValue(subKey, valueName, data);
    // A value that is not there says nothing of its key.
    Entry& e = Key(subKey, status == SourceStatus::kMissing ? SourceStatus::kOk : status, false);
    if (status == SourceStatus::kDamaged || status == SourceStatus::kDenied) {
      e.Note(u"value \"" + std::u16string(valueName) + u"\" " + AsciiText(StatusName(status)));
    }
    return status;
  }
  SourceStatus SubKeys(std::u16string_view subKey, std::vector<std::u16string>& names) override {
    const SourceStatus status = inner_.SubKeys(subKey, names);
    Key(subKey, status, true);
    return status;
  }
  SourceStatus LastWriteTime(std::u16string_view subKey, uint64_t& fileTime) override {
    const SourceStatus status = inner_.LastWriteTime(subKey, fileTime);
    Key(subKey, status, true);
    return status;
  }

  const Hive* OfflineHive() const override { return inner_.OfflineHive(); }

  // Each key's last-write time, and its own status where only its values
  // were asked for (the list views read a value of a key that may be
  // missing altogether).
  void Finish() {
    for (Entry& e : entries_.All()) {
      if (e.what != kKey) continue;
      uint64_t time = 0;
      const SourceStatus status = inner_.LastWriteTime(e.path.substr(std::size(kUserRoot) - 1), time);
      e.time = status == SourceStatus::kOk ? time : 0;
      if (!e.keyLevel && Rank(status) > Rank(e.status)) e.status = status;
      // A hive read in part, or not at all, may hold the key all the same.
      if (e.status == SourceStatus::kMissing && unreadHive_) e.Note(u"the hive could not be read whole");
    }
  }

 private:
  Entry& Key(std::u16string_view subKey, SourceStatus status, bool keyLevel) {
    while (!subKey.empty() && subKey.back() == u'\\') subKey.remove_suffix(1);
    Entry& e = entries_.Use(kKey, kUserRoot + std::u16string(subKey), status);
    e.keyLevel = e.keyLevel || keyLevel;
    return e;
  }

  RegistrySource& inner_;
  Entries& entries_;
  bool unreadHive_;
};

// The profile's folders, answering as they do, noting each folder listed
// (with how many entries) and each file read (with its size and SHA-256).
class RecordingFolders final : public FolderSource {
 public:
  RecordingFolders(FolderSource& inner, Entries& entries) : inner_(inner), entries_(entries) {}

  std::unique_ptr<Listing> List(std::u16string_view folder, SourceStatus* status) override {
    SourceStatus why = SourceStatus::kOk;
    std::unique_ptr<Listing> listing = inner_.List(folder, &why);
    if (status) *status = why;
    Entry& e = entries_.Use(kFolder, Trimmed(folder), listing ? SourceStatus::kOk : why);
    if (!listing) return nullptr;
    return std::make_unique<CountingListing>(std::move(listing), e.path, entries_);
  }
  uint32_t Attributes(const std::u16string& path) override { return inner_.Attributes(path); }
  SourceStatus ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, uint64_t limit) override {
    const SourceStatus status = inner_.ReadFile(path, bytes, limit);
    Entry& e = entries_.Use(kFile, path, status);
    // A file that is not there is listed only when a view says it missed
    // it: browsers and logs are looked for in every place they may be.
    if (status == SourceStatus::kMissing) {
      e.probe = e.probe || !e.hasSize;
      return status;
    }
    e.probe = false;
    if (status == SourceStatus::kOk && e.sha256.empty()) {
      Sha256 hash;
      hash.Add(bytes.data(), bytes.size());
      e.sha256 = hash.FinishHex();
      e.hasSize = true;
      e.size = bytes.size();
    }
    return status;
  }

 private:
  static std::u16string Trimmed(std::u16string_view folder) {
    while (folder.size() > 1 && folder.back() == u'\\') folder.remove_suffix(1);
    return std::u16string(folder);
  }
  // Counts the entries (other than "." and "..") as the reader takes them.
  class CountingListing final : public Listing {
   public:
    CountingListing(std::unique_ptr<Listing> inner, std::u16string path, Entries& entries)
        : inner_(std::move(inner)), path_(std::move(path)), entries_(entries) {}
    bool Next(FolderEntry& entry) override {
      if (!inner_->Next(entry)) return false;
      if (entry.name != u"." && entry.name != u"..") {
        Entry& e = entries_.Get(kFolder, path_);
        if (++seen_ > e.entries) e.entries = seen_;
      }
      return true;
    }

   private:
    std::unique_ptr<Listing> inner_;
    std::u16string path_;
    Entries& entries_;
    uint64_t seen_ = 0;
  };

  FolderSource& inner_;
  Entries& entries_;
};

// The profile's folder paths, answering as they do, noting each Shell
// Folders name asked for and where it led.
class RecordingPaths final : public ProfilePaths {
 public:
  RecordingPaths(ProfilePaths& inner, Entries& entries) : inner_(inner), entries_(entries) {}
  std::u16string ShellFolder(std::u16string_view name) override {
    std::u16string folder = inner_.ShellFolder(name);
    const bool failed = folder.empty() || folder == kRegFailureText;
    Entry& e = entries_.Use(kShellFolder, std::u16string(name), failed ? SourceStatus::kMissing : SourceStatus::kOk);
    if (!failed) e.Note(folder);
    return folder;
  }
  bool OtherProfile() const override { return inner_.OtherProfile(); }
  bool MapToProfile(std::u16string_view path, std::u16string& out) override { return inner_.MapToProfile(path, out); }
  std::u16string AppDataFolder(bool local) override { return inner_.AppDataFolder(local); }

 private:
  ProfilePaths& inner_;
  Entries& entries_;
};

// Files by their folders' listings: size and last-write time as the file
// system gives them (a listing does not follow links out of a copy).
class FolderLookup {
 public:
  explicit FolderLookup(FolderSource& source) : source_(source) {}
  // The entry of `path`'s name in its folder; null when the folder cannot be
  // listed or lacks it.
  const FolderEntry* Find(const std::u16string& path) {
    // A name without a folder is in the folder the source starts from.
    const size_t slash = path.find_last_of(u"\\/");
    const size_t name = slash == std::u16string::npos ? 0 : slash + 1;
    const auto& listing = Listing(path.substr(0, name));
    const auto found = listing.find(Folded(path.substr(name)));
    return found == listing.end() ? nullptr : &found->second;
  }
  // Every entry of a folder (path ending in a backslash) by folded name.
  const std::unordered_map<std::u16string, FolderEntry>& Listing(const std::u16string& folder) {
    auto [it, made] = listings_.try_emplace(Folded(folder));
    if (made) {
      if (std::unique_ptr<FolderSource::Listing> list = source_.List(folder, nullptr)) {
        FolderEntry entry;
        while (list->Next(entry)) it->second.emplace(Folded(entry.name), entry);
      }
    }
    return it->second;
  }

 private:
  FolderSource& source_;
  std::unordered_map<std::u16string, std::unordered_map<std::u16string, FolderEntry>> listings_;
};

// The SHA-256 of a file read whole; empty when it cannot be read.
std::u16string FileHash(FolderSource& folders, const std::u16string& path) {
  std::vector<uint8_t> bytes;
  if (folders.ReadFile(path, bytes, kHashLimit) != SourceStatus::kOk) return {};
  Sha256 hash;
  hash.Add(bytes.data(), bytes.size());
  return hash.FinishHex();
}

// The hive the profile was opened from, and the transaction logs beside it,
// used by every view that reads the registry.
// The classes hive beside it (UsrClass.dat) is listed the same way.
void AddHive(ViewSources& sources, const std::u16string& file, SourceStatus status, const std::u16string& fileNote,
             Entries& entries, FolderLookup& lookup, const std::vector<size_t>& hiveViews) {
  if (file.empty()) return;
  Entry& hive = entries.Get(kHiveWhat, file);
  hive.status = status;
  // The note may name the file first, as the window's caption does.
  std::u16string_view note = fileNote;
  const std::u16string named = file + u": ";
  if (note.substr(0, named.size()) == named) note.remove_prefix(named.size());
  hive.Note(std::u16string(note));
  hive.views = hiveViews;
  hive.sha256 = FileHash(sources.folders, file);
  if (const FolderEntry* found = lookup.Find(file)) {
    hive.hasSize = true;
    hive.size = found->size;
    hive.time = found->modified;
  }
  for (const char16_t* suffix : {u".LOG", u".LOG1", u".LOG2"}) {
    const std::u16string log = file + suffix;
    const FolderEntry* found = lookup.Find(log);
    if (!found || (found->attributes & kDirectory)) continue;
    Entry& e = entries.Get(kLogWhat, log);
    e.hasSize = true;
    e.size = found->size;
    e.time = found->modified;
    e.sha256 = FileHash(sources.folders, log);
    e.views = hiveViews;
  }
}

// The cache index file the user chose for the index file's view.
void AddIndexFile(ViewSources& sources, Entries& entries, FolderLookup& lookup) {
  if (sources.indexFilePath.empty()) return;
  Entry& e = entries.Get(kIndexWhat, sources.indexFilePath);
  for (size_t i = 0; i < Views().size(); ++i) {
    if (Views()[i].flags & ViewDef::kScansIndexFile) e.views.push_back(i);
  }
  if (const FolderEntry* found = lookup.Find(sources.indexFilePath)) {
    e.hasSize = true;
    e.size = found->size;
    e.time = found->modified;
    e.sha256 = FileHash(sources.folders, sources.indexFilePath);
  } else {
    e.Note(u"chosen for the view, not found by this profile's folders");
  }
}

// Whether a problem names the path itself (followed by a colon, a closing
// parenthesis or the end, after any backslashes), not something inside it.
bool NamesPath(const std::u16string& problem, const std::u16string& path) {
  const std::u16string text = Folded(problem), name = Folded(path);
  for (size_t at = text.find(name); at != std::u16string::npos; at = text.find(name, at + 1)) {
    size_t end = at + name.size();
    while (end < text.size() && text[end] == u'\\') ++end;
    if (end == text.size() || text[end] == u':' || text[end] == u')') return true;
  }
  return false;
}

std::u16string StatusText(const Entry& e) {
  std::u16string text;
  switch (e.status) {
    case SourceStatus::kOk: text = e.what == kShellFolder ? u"found" : u"read"; break;
    case SourceStatus::kMissing: text = u"missing"; break;
    case SourceStatus::kDenied: text = u"access denied"; break;
    case SourceStatus::kDamaged: text = u"damaged"; break;
  }
  if (e.what == kFolder && e.status == SourceStatus::kOk) {
    text += u": " + NumberText(e.entries) + (e.entries == 1 ? u" entry" : u" entries");
  }
  // What went wrong, or what else is known of a source read.
  if (!e.note.empty() && e.note != text) {
    text += (e.what == kShellFolder || e.status != SourceStatus::kOk ? u": " : u"; ") + e.note;
  }
  return text;
}

}  // namespace

void ReadSourcesList(ViewSources& sources, Table& table, Progress& progress, Timeline*) {
  table.columns = {{u"Source", 1700}, {u"Path", 5000},        {u"Status", 3000},
                   {u"Size", 1100},   {u"Last Written", 2200}, {u"SHA-256", 3000},
                   {u"Views", 3000}};
  Entries entries;
  RecordingRegistry registry(sources.registry, entries,
                             !sources.hiveFile.empty() && sources.hiveStatus != SourceStatus::kOk);
  RecordingFolders folders(sources.folders, entries);
  RecordingPaths paths(sources.paths, entries);
  ViewSources recorded(registry, folders, paths, sources.osName, sources.localAppData, sources.roamingAppData,
                       sources.ansi);
  // The history store reads the history files the readers find themselves
  // (without a store, they read them directly): read so, they are named.
  recorded.history = nullptr;
  // The classes hive is named as a file above; its keys are not listed one by one.
  recorded.classes = sources.classes;
  // Nor are the volume's SYSTEM hive's.
  recorded.volumeRoot = sources.volumeRoot;
  recorded.liveVolume = sources.liveVolume;
  recorded.system = sources.system;
  recorded.systemNote = sources.systemNote;
  recorded.userSid = sources.userSid;
  recorded.userName = sources.userName;

  const std::vector<ViewDef>& views = Views();
  std::vector<size_t> hiveViews, machineViews;
  std::vector<std::vector<std::u16string>> problems(views.size());
  for (size_t i = 0; i < views.size(); ++i) {
    const ViewDef& view = views[i];
    if (view.read == &ReadSourcesList || (view.flags & (ViewDef::kTimeline | ViewDef::kScansIndexFile))) continue;
    if (!progress.Step(i, views.size())) break;
    if (view.flags & ViewDef::kReadsHive) hiveViews.push_back(i);
    if (view.flags & ViewDef::kMachineWide) machineViews.push_back(i);
    entries.SetView(i);
    Table scratch;
    Progress none;
    view.read(recorded, scratch, none, nullptr);
    problems[i] = std::move(scratch.problems);
  }
  entries.SetView(kNoView);
  registry.Finish();

  // The hive and its logs first, then what the views read in the order
  // they read it.
  Entries ordered;
  FolderLookup lookup(sources.folders);
  AddHive(sources, sources.hiveFile, sources.hiveStatus, sources.hiveNote, ordered, lookup, hiveViews);
  // Another profile's Windows version, and why, with the hive it goes with.
  if (!sources.hiveFile.empty()) ordered.Get(kHiveWhat, sources.hiveFile).Note(sources.paths.WindowsVersionNote());
  AddHive(sources, sources.classesFile, sources.classesStatus, sources.classesNote, ordered, lookup, hiveViews);
  if (!sources.volumeRoot.empty()) {
    AddHive(sources, sources.systemFile, sources.systemStatus, sources.systemNote, ordered, lookup, machineViews);
  }
  AddIndexFile(sources, ordered, lookup);
  for (Entry& e : entries.All()) {
    // A file or folder's time as its folder lists it.
    if (e.what == kFile || e.what == kFolder) {
      if (const FolderEntry* found = lookup.Find(e.path)) e.time = found->modified;
    }
    // A view's problem that names a file or folder says why it was not
    // read, or not read whole.
    if (e.what == kFile || e.what == kFolder) {
      for (size_t v : e.views) {
        for (const std::u16string& p : problems[v]) {
          if (!NamesPath(p, e.path)) continue;
          e.probe = false;
          if (IsAbsence(p) && e.status != SourceStatus::kOk) continue;  // the status says it
          if (e.status == SourceStatus::kOk && !IsAbsence(p)) e.status = SourceStatus::kDamaged;
          e.Note(p);
        }
      }
    }
    Entry& moved = ordered.Get(e.what, e.path);
    moved = std::move(e);
  }

  for (const Entry& e : ordered.All()) {
    if (e.probe) continue;
    std::u16string names;
    for (size_t v : e.views) {
      if (!names.empty()) names += u", ";
      names += views[v].name;
    }
    Table::Row row = table.AddRow();
    row.Text(e.what).Text(e.path).Text(StatusText(e));
    if (e.hasSize) {
      row.Number(static_cast<double>(e.size));
    } else {
      row.Empty();
    }
    row.Time(e.time).Text(e.sha256).Text(names);
    if (e.what != kKey && e.what != kShellFolder && e.status == SourceStatus::kOk) row.Target(e.path);
  }
}

}  // namespace glimmerlog
