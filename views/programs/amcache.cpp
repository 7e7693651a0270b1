// Program Inventory: the files Windows' compatibility inventory saw, read
// from Amcache.hve on a Windows volume, one line per file entry.
//
// Windows 10 and 11 (and 8.1 with the later inventory updates) keep one key
// per file under Root\InventoryApplicationFile, with named values
// (LowerCaseLongPath, Name, FileId = "0000" + SHA-1, Size, Publisher,
// Version, BinFileVersion, LinkDate "MM/DD/YYYY HH:MM:SS", ProductName,
// ProgramId), and one key per program under Root\InventoryApplication
// named by the program id (Name, Publisher, InstallDate).
//
// Windows 8 and 8.1 keep Root\File\<volume GUID>\<file reference>, whose
// values are named by hexadecimal numbers, and Root\Programs\<program id>.
// Their meanings as Yogesh Khatri documented them ("Amcache.hve in Windows 8
// - Goldmine for malware hunting", 2013) and as the test hives bear out:
//   File:     0 product name, 1 company name, 2 file version (numbers only),
//             5 file version, 6 file size, c file description,
//             f link time (Unix seconds), 11 last modified, 12 created,
//             15 full path, 17 last modified 2 (FILETIMEs), 100 program id,
//             101 "0000" + SHA-1.
//   Programs: 0 name, 1 version, 2 publisher, 6 entry type,
//             7 uninstall key, a install time (Unix seconds).
//
// The key's last-write time is taken as when the file was first seen: the
// inventory writes an entry when it finds the file.
#include "views/programs/amcache.h"

#include <memory>
#include <unordered_map>

#include "sources/hive/hivesource.h"
#include "sources/profile/profilesource.h"
#include "views/viewdef.h"

namespace glimmerlog {

namespace {

constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegDword = 4, kRegQword = 11;
constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;  // 1970-01-01 as FILETIME
constexpr uint64_t kTicksPerSecond = 10000000ull;

uint64_t FromUnixSeconds(uint64_t seconds) {
  // Past the year 30000 it is no time a compiler wrote.
  if (seconds == 0 || seconds > 900000000000ull) return 0;
  return kUnixEpochTicks + seconds * kTicksPerSecond;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

// The reader of one hive: the programs first, so that each file can name
// its program.
class AmcacheReader {
 public:
  AmcacheReader(RegistrySource& hive, std::vector<AmcacheEntry>& entries, std::vector<std::u16string>& problems,
                Progress* progress)
      : hive_(hive), entries_(entries), problems_(problems), progress_(progress) {}

  bool Read() {
    ReadPrograms(u"Root\\InventoryApplication", u"Name", u"Publisher", u"InstallDate");
    ReadPrograms(u"Root\\Programs", u"0", u"2", u"a");
    return ReadInventoryFiles() && ReadVolumeFiles();
  }

 private:
  struct Program {
    std::u16string name, publisher;
    uint64_t installed = 0;
  };

  void Report(const std::u16string& key, SourceStatus status) {
    if (status == SourceStatus::kOk || status == SourceStatus::kMissing) return;
    problems_.push_back(u"Amcache: " + key + u": " + AsciiText(StatusName(status)));
  }

  bool Step(size_t done, size_t total) { return !progress_ || progress_->Step(done, total); }

  // The subkeys of a key; a key that is not there has none.
  std::vector<std::u16string> SubKeys(const std::u16string& key) {
    std::vector<std::u16string> names;
    Report(key, hive_.SubKeys(key, names));  // a damaged list gives what it could
    return names;
  }

  std::u16string Text(const std::u16string& key, std::u16string_view name) {
    RegistryData data;
    if (hive_.ReadValue(key, name, data) != SourceStatus::kOk) return {};
    if (data.type != kRegSz && data.type != kRegExpandSz) return {};
    return Utf16ZText(data.bytes.data(), data.bytes.size());
  }

  // A number stored as a DWORD or QWORD, or as text ("0x1a2b" or decimal,
  // as some Windows 10 builds keep Size); false when there is none.
  bool Number(const std::u16string& key, std::u16string_view name, uint64_t& value) {
    RegistryData data;
    if (hive_.ReadValue(key, name, data) != SourceStatus::kOk) return false;
    const std::vector<uint8_t>& b = data.bytes;
    if ((data.type == kRegDword && b.size() == 4) || (data.type == kRegQword && b.size() == 8)) {
      value = 0;
      for (size_t i = b.size(); i-- > 0;) value = value << 8 | b[i];
      return true;
    }
    if (data.type != kRegSz) return false;
    const std::u16string text = Utf16ZText(b.data(), b.size());
    const bool hex = text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X');
    if (text.empty() || text.size() > (hex ? 18u : 19u)) return false;
    value = 0;
    for (size_t i = hex ? 2 : 0; i < text.size(); ++i) {
      const char16_t c = text[i];
      int digit = c >= u'0' && c <= u'9' ? c - u'0' : -1;
      if (hex && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
      if (hex && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
      if (digit < 0) return false;
      value = value * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    }
    return true;
  }

  // A time kept as text, or as Unix seconds in a number.
  uint64_t Time(const std::u16string& key, std::u16string_view name) {
    uint64_t seconds = 0;
    if (Number(key, name, seconds)) return FromUnixSeconds(seconds);
    return AmcacheDateText(Text(key, name));
  }

  // A SHA-1 as the inventory keeps it: 40 hexadecimal digits after "0000".
  static std::u16string Sha1(std::u16string id) {
    if (id.size() == 44 && id.compare(0, 4, u"0000") == 0) id.erase(0, 4);
    return id;
  }

  void ReadPrograms(const std::u16string& root, std::u16string_view name, std::u16string_view publisher,
                    std::u16string_view installed) {
    for (const std::u16string& id : SubKeys(root)) {
      const std::u16string key = root + u"\\" + id;
      Program p;
      p.name = Text(key, name);
      p.publisher = Text(key, publisher);
      p.installed = Time(key, installed);
      programs_.emplace(id, std::move(p));
    }
  }

  void Join(AmcacheEntry& e) {
    if (e.programId.empty()) return;
    const auto found = programs_.find(e.programId);
    if (found == programs_.end()) return;
    e.program = found->second.name;
    e.programPublisher = found->second.publisher;
    e.installed = found->second.installed;
  }

  bool ReadInventoryFiles() {
    const std::u16string root = u"Root\\InventoryApplicationFile";
    const std::vector<std::u16string> names = SubKeys(root);
    for (size_t i = 0; i < names.size(); ++i) {
      if (!Step(i, names.size())) return false;
      AmcacheEntry e;
      e.layout = kAmcacheInventory;
      e.key = root + u"\\" + names[i];
      const SourceStatus time = hive_.LastWriteTime(e.key, e.firstSeen);
      Report(e.key, time);
      if (time != SourceStatus::kOk && time != SourceStatus::kDamaged) continue;
      e.path = Text(e.key, u"LowerCaseLongPath");
      e.name = Text(e.key, u"Name");
      e.sha1 = Sha1(Text(e.key, u"FileId"));
      e.hasSize = Number(e.key, u"Size", e.size);
      e.publisher = Text(e.key, u"Publisher");
      e.version = Text(e.key, u"Version");
      if (e.version.empty()) e.version = Text(e.key, u"BinFileVersion");
      e.product = Text(e.key, u"ProductName");
      e.linkDate = AmcacheDateText(Text(e.key, u"LinkDate"));
      e.programId = Text(e.key, u"ProgramId");
      Join(e);
      entries_.push_back(std::move(e));
    }
    return true;
  }

  bool ReadVolumeFiles() {
    const std::u16string root = u"Root\\File";
    for (const std::u16string& volume : SubKeys(root)) {
      const std::u16string folder = root + u"\\" + volume;
      const std::vector<std::u16string> names = SubKeys(folder);
      for (size_t i = 0; i < names.size(); ++i) {
        if (!Step(i, names.size())) return false;
        AmcacheEntry e;
        e.layout = kAmcacheFile;
        e.key = folder + u"\\" + names[i];
        const SourceStatus time = hive_.LastWriteTime(e.key, e.firstSeen);
        Report(e.key, time);
        if (time != SourceStatus::kOk && time != SourceStatus::kDamaged) continue;
        e.path = Text(e.key, u"15");
        const size_t slash = e.path.find_last_of(u"\\/");
        e.name = slash == std::u16string::npos ? e.path : e.path.substr(slash + 1);
        e.sha1 = Sha1(Text(e.key, u"101"));
        e.hasSize = Number(e.key, u"6", e.size);
        e.publisher = Text(e.key, u"1");
        e.version = Text(e.key, u"5");
        if (e.version.empty()) e.version = Text(e.key, u"2");
        e.product = Text(e.key, u"0");
        uint64_t linked = 0;
        if (Number(e.key, u"f", linked)) e.linkDate = FromUnixSeconds(linked);
        e.programId = Text(e.key, u"100");
        Join(e);
        entries_.push_back(std::move(e));
      }
    }
    return true;
  }

  RegistrySource& hive_;
  std::vector<AmcacheEntry>& entries_;
  std::vector<std::u16string>& problems_;
  Progress* progress_;
  std::unordered_map<std::u16string, Program> programs_;
};

}  // namespace

uint64_t AmcacheDateText(std::u16string_view text) {
  // MM/DD/YYYY HH:MM:SS, each field exactly as wide as that.
  constexpr std::u16string_view kShape = u"00/00/0000 00:00:00";
  if (text.size() != kShape.size()) return 0;
  unsigned f[6] = {};
  const size_t starts[6] = {0, 3, 6, 11, 14, 17}, widths[6] = {2, 2, 4, 2, 2, 2};
  for (size_t i = 0; i < text.size(); ++i) {
    const bool digit = kShape[i] == u'0';
    if (digit != (text[i] >= u'0' && text[i] <= u'9')) return 0;
    if (!digit && text[i] != kShape[i]) return 0;
  }
  for (int i = 0; i < 6; ++i) {
    for (size_t k = 0; k < widths[i]; ++k) f[i] = f[i] * 10 + static_cast<unsigned>(text[starts[i] + k] - u'0');
  }
  const unsigned month = f[0], day = f[1], year = f[2], hour = f[3], minute = f[4], second = f[5];
  if (month < 1 || month > 12 || day < 1 || day > 31 || year < 1601 || hour > 23 || minute > 59 || second > 59) {
    return 0;
  }
  const int64_t days = DaysFromCivil(year, month, day) - DaysFromCivil(1601, 1, 1);
  const int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second;
  // Windows writes "00/00/0000" style zeros or nothing for no time; an
  // all-zero time of 1601 is none either.
  return seconds <= 0 ? 0 : static_cast<uint64_t>(seconds) * kTicksPerSecond;
}

bool ReadAmcacheEntries(RegistrySource& hive, std::vector<AmcacheEntry>& entries,
                        std::vector<std::u16string>& problems, Progress* progress) {
  return AmcacheReader(hive, entries, problems, progress).Read();
}

void ReadAmcache(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Path", 5000},         {u"Name", 2200},       {u"SHA-1", 3600},
                   {u"Size", 1200},         {u"Publisher", 2500},  {u"Version", 1600},
                   {u"Product", 2500},      {u"Link Date", 2200},  {u"First Seen", 2200},
                   {u"Program", 3000},      {u"Program Installed", 2200}, {u"Amcache Layout", 2200}};
  if (sources.volumeRoot.empty()) {
    table.Problem(std::u16string(u"Amcache") + kNeedsVolume);
    return;
  }
  const std::u16string path = sources.volumeRoot + u"Windows\\appcompat\\Programs\\Amcache.hve";
  SourceStatus status = SourceStatus::kOk;
  std::u16string problem;
  std::unique_ptr<RegistrySource> hive = OpenHiveFile(sources.folders, path, status, problem);
  if (!hive) {
    // The running Windows keeps its inventory open without sharing it.
    table.Problem(status == SourceStatus::kDenied && sources.liveVolume
                      ? std::u16string(u"Amcache: in use by Windows \u2014 open a copy or a volume")
                      : u"Amcache: " + problem);
    return;
  }
  // A hive not written completely whose logs brought it up to date is read
  // whole: that is no problem. Logs that could not be applied, or a file cut
  // short, leave entries out, and that is said.
  const auto* file = dynamic_cast<const HiveRegistrySource*>(hive.get());
  const bool whole = status == SourceStatus::kOk && (!file || !file->Logs().dirty || file->Logs().complete);
  if (!problem.empty() && !whole) table.Problem(u"Amcache: " + problem);

  std::vector<AmcacheEntry> entries;
  // Told to stop, it still shows the entries it has read.
  ReadAmcacheEntries(*hive, entries, table.problems, &progress);
  table.Reserve(entries.size(), table.columns.size());
  for (const AmcacheEntry& e : entries) {
    Table::Row row = table.AddRow();
    row.Text(e.path).Text(e.name).Text(e.sha1);
    if (e.hasSize) {
      row.Number(static_cast<double>(e.size));
    } else {
      row.Empty();
    }
    const std::u16string program =
        e.program.empty() || e.programPublisher.empty() ? e.program : e.program + u" (" + e.programPublisher + u")";
    row.Text(e.publisher)
        .Text(e.version)
        .Text(e.product)
        .Time(e.linkDate)
        .Time(e.firstSeen)
        .Text(program)
        .Time(e.installed)
        .Text(e.layout)
        .Target(e.path);
    if (timeline) {
      const std::u16string what = e.path.empty() ? e.name : e.path;
      const std::u16string source = path + u" " + e.key;
      timeline->Add({e.firstSeen, u"Program first seen (Amcache)", what, e.sha1, source, e.path});
      timeline->Add({e.linkDate, u"Program linked", what, e.product, source, e.path});
    }
  }
}

}  // namespace glimmerlog
