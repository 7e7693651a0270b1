// Recycle Bin: the items deleted to the Recycle Bin of a Windows volume,
// one line each, from their index files:
//
// - $Recycle.Bin\<SID>\$I* (Vista to 11), one file per item, its content the
//   $R file of the same suffix;
// - RECYCLER\<SID>\INFO2 (2000, XP) and RECYCLED\INFO2 or INFO (95 to ME),
//   every item of the folder in one file, its content D<drive><number><ext>.
//
// The user's own folder when the user's SID is known, else every SID
// folder, each line naming its SID. Nothing is restored or written.
// Platform-free.
#include <algorithm>
#include <unordered_map>

#include "base/ascii.h"
#include "base/utf8.h"
#include "sources/recyclebin/recyclebin.h"
#include "views/systemhive.h"
#include "views/viewdef.h"

namespace glimmerlog {

namespace {

constexpr uint32_t kDirectory = 0x10;
constexpr uint64_t kIndexLimit = 1 << 20;       // a $I file is at most a few hundred bytes
constexpr uint64_t kInfoLimit = 256ull << 20;   // an INFO2 of a million items

std::u16string Folded(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = FoldAscii(c);
  return out;
}

struct Line {
  RecycledItem item;
  std::u16string indexFile, contentPath, sid, version, source;
  bool contentThere = false;
};

class RecycleBinReader {
 public:
  RecycleBinReader(ViewSources& sources, Table& table) : s_(sources), table_(table), ansi_(VolumeAnsi(sources)) {}

  // False when told to stop.
  bool Read(Progress& progress) {
    bool any = false;
    for (const char16_t* top : {u"$Recycle.Bin", u"RECYCLER"}) {
      const std::u16string folder = s_.volumeRoot + top + u"\\";
      if (s_.folders.Attributes(s_.volumeRoot + top) == FolderSource::kNoAttributes) continue;
      any = true;
      std::vector<std::u16string> sids;
      if (!s_.userSid.empty()) {
        sids.push_back(s_.userSid);
      } else {
        SubFolders(folder, sids);
      }
      for (const std::u16string& sid : sids) {
        if (!ReadBin(folder + sid + u"\\", sid, top[0] == u'$', !s_.userSid.empty(), progress)) return false;
      }
    }
    if (s_.folders.Attributes(s_.volumeRoot + u"RECYCLED") != FolderSource::kNoAttributes) {
      any = true;
      if (!ReadBin(s_.volumeRoot + u"RECYCLED\\", {}, false, false, progress)) return false;
    }
    if (!any) table_.Problem(u"Recycle Bin: " + s_.volumeRoot + u"$Recycle.Bin: missing");
    return true;
  }

  void Write(Timeline* timeline) {
    table_.Reserve(lines_.size(), 7);
    for (const Line& l : lines_) {
      Table::Row row = table_.AddRow();
      row.Text(l.item.originalPath);
      if (l.item.sizeKnown) {
        row.Number(static_cast<double>(l.item.size));
      } else {
        row.Empty();
      }
      row.Time(l.item.deleted)
          .Text(l.contentThere ? u"Yes" : l.item.removed ? u"No (restored or emptied)" : u"No")
          .Text(l.indexFile)
          .Text(l.sid)
          .Text(l.version)
          .Target(l.contentThere ? l.contentPath : std::u16string());
      if (timeline && l.item.deleted) {
        timeline->Add({l.item.deleted, u"File deleted (Recycle Bin)", l.item.originalPath, l.sid, l.source,
                       l.contentThere ? l.contentPath : std::u16string()});
      }
    }
  }

 private:
  void Report(const std::u16string& path, SourceStatus status) {
    std::u16string text = u"Recycle Bin: " + path + u": " + AsciiText(StatusName(status));
    if (status == SourceStatus::kDenied && s_.liveVolume) text += u" \u2014 run as administrator to read it";
    table_.Problem(std::move(text));
  }

  void SubFolders(const std::u16string& folder, std::vector<std::u16string>& names) {
    SourceStatus status = SourceStatus::kOk;
    std::unique_ptr<FolderSource::Listing> listing = s_.folders.List(folder, &status);
    if (!listing) return Report(folder, status);
    for (FolderEntry e; listing->Next(e);) {
      if ((e.attributes & kDirectory) && e.name != u"." && e.name != u"..") names.push_back(e.name);
    }
    std::sort(names.begin(), names.end());
  }

  // One user's folder (or the shared RECYCLED folder). A user's folder that
  // is not there is no problem when it was asked for by the user's SID:
  // the user never deleted anything.
  bool ReadBin(const std::u16string& folder, const std::u16string& sid, bool indexFiles, bool mayBeMissing,
               Progress& progress) {
    SourceStatus status = SourceStatus::kOk;
    std::unique_ptr<FolderSource::Listing> listing = s_.folders.List(folder, &status);
    if (!listing) {
      if (!(mayBeMissing && status == SourceStatus::kMissing)) Report(folder, status);
      return true;
    }
    std::vector<std::u16string> files;
    std::unordered_map<std::u16string, std::u16string> present;  // folded name to name
    for (FolderEntry e; listing->Next(e);) {
      if (e.name == u"." || e.name == u"..") continue;
      present[Folded(e.name)] = e.name;
      if (!(e.attributes & kDirectory)) files.push_back(e.name);
    }
    std::sort(files.begin(), files.end());
    const size_t first = lines_.size();
    for (size_t i = 0; i < files.size(); ++i) {
      if (!progress.Step(i, files.size())) return false;
      const std::u16string& name = files[i];
      if (indexFiles && StartsWithIgnoringAsciiCase(name, u"$I")) {
        ReadIndex(folder, name, sid, present);
      } else if (!indexFiles && (SameIgnoringAsciiCase(name, u"INFO2") || SameIgnoringAsciiCase(name, u"INFO"))) {
        ReadInfo(folder, name, sid, present);
      }
    }
    // Vista and later: in the order of deletion, as the bin shows them.
    if (indexFiles) {
      std::stable_sort(lines_.begin() + static_cast<std::ptrdiff_t>(first), lines_.end(),
                       [](const Line& a, const Line& b) { return a.item.deleted < b.item.deleted; });
    }
    return true;
  }

  bool ReadBytes(const std::u16string& path, uint64_t limit, std::vector<uint8_t>& bytes) {
    const SourceStatus status = s_.folders.ReadFile(path, bytes, limit);
    if (status == SourceStatus::kOk) return true;
    Report(path, status);
    return false;
  }

  void ReadIndex(const std::u16string& folder, const std::u16string& name, const std::u16string& sid,
                 const std::unordered_map<std::u16string, std::u16string>& present) {
    const std::u16string path = folder + name;
    std::vector<uint8_t> bytes;
    if (!ReadBytes(path, kIndexLimit, bytes)) return;
    RecycleIndexFile file;
    const bool parsed = ParseRecycleIndex(bytes.data(), bytes.size(), file);
    if (!file.note.empty()) table_.Problem(u"Recycle Bin: " + path + u": " + Utf8ToU16(file.note));
    if (!parsed) return;
    Line l;
    l.item = std::move(file.item);
    l.indexFile = name;
    l.source = path;
    l.sid = sid;
    l.version = u"$I " + AsciiText(std::to_string(file.version));
    const auto content = present.find(Folded(RecycledContentName(name)));
    l.contentThere = content != present.end();
    if (l.contentThere) l.contentPath = folder + content->second;
    lines_.push_back(std::move(l));
  }

  void ReadInfo(const std::u16string& folder, const std::u16string& name, const std::u16string& sid,
                const std::unordered_map<std::u16string, std::u16string>& present) {
    const std::u16string path = folder + name;
    std::vector<uint8_t> bytes;
    if (!ReadBytes(path, kInfoLimit, bytes)) return;
    RecycleInfoFile file;
    const bool parsed = ParseRecycleInfo(bytes.data(), bytes.size(), ansi_, file);
    if (!file.note.empty()) table_.Problem(u"Recycle Bin: " + path + u": " + Utf8ToU16(file.note));
    if (!parsed) return;
    for (RecycledItem& item : file.items) {
      Line l;
      l.indexFile = name + u", record " + AsciiText(std::to_string(item.record));
      l.source = path;
      l.sid = sid;
      l.version = name + u" " + AsciiText(std::to_string(file.version));
      const auto content = present.find(Folded(RecycledInfoContentName(item)));
      l.contentThere = !item.removed && content != present.end();
      if (l.contentThere) l.contentPath = folder + content->second;
      l.item = std::move(item);
      lines_.push_back(std::move(l));
    }
  }

  ViewSources& s_;
  Table& table_;
  AnsiText ansi_;
  std::vector<Line> lines_;
};

}  // namespace

void ReadRecycleBin(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Original Path", 5000}, {u"Size", 1300},  {u"Deleted", 2200}, {u"Content Still There", 1500},
                   {u"Index File", 2000},    {u"SID", 3500},   {u"Version", 1000}};
  if (sources.volumeRoot.empty()) {
    table.Problem(std::u16string(u"Recycle Bin") + kNeedsVolume);
    return;
  }
  RecycleBinReader reader(sources, table);
  // Told to stop, it still shows the items it has read.
  reader.Read(progress);
  reader.Write(timeline);
}

}  // namespace glimmerlog
