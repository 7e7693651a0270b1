// Cache Records: the records of a cache index file (index.dat) as its
// structure lays them out, allocated and free, with their times, hit count,
// cached file and content type. Reads the file the user chose or, when asked
// to find them, every cache index file of the profile. Platform-free.
#include <algorithm>
#include <memory>

#include "base/utf8.h"
#include "sources/ie/historyfiles.h"
#include "sources/ie/indexscan.h"
#include "sources/ie/msiecf.h"
#include "views/viewdef.h"

namespace glimmerlog {

namespace {

// The format's allocation bitmap covers about 16 MB of records; a file much
// larger than that is not a cache file and is not read into memory.
constexpr uint64_t kMaxIndexFile = uint64_t{256} << 20;
constexpr size_t kReadChunk = size_t{4} << 20;

const char16_t* TypeName(CacheRecord::Type type) {
  switch (type) {
    case CacheRecord::Type::kUrl: return u"URL";
    case CacheRecord::Type::kRedirect: return u"REDR";
    case CacheRecord::Type::kLeak: return u"LEAK";
  }
  return u"";
}

// What a double-click opens: the address without the container's prefix
// ("Visited: user@" in the history, ":<dates>: user@" in its period files).
std::u16string Address(const std::u16string& location) {
  if (location.rfind(u"Visited: ", 0) == 0 || location.rfind(u":", 0) == 0) {
    const size_t at = location.find(u'@');
    if (at != std::u16string::npos) return location.substr(at + 1);
  }
  return location;
}

void AddRecords(ViewSources& sources, const std::u16string& path, const std::vector<uint8_t>& bytes, Table& table) {
  std::vector<CacheRecord> records;
  if (!ReadCacheRecords(bytes.data(), bytes.size(), records)) {
    table.Problem(path + u": not a cache index file of version 5.2");
    return;
  }
  for (const CacheRecord& r : records) {
    const std::u16string location = sources.ansi(r.location);
    const bool url = r.type == CacheRecord::Type::kUrl;
    Table::Row row = table.AddRow();
    row.Text(TypeName(r.type)).Text(r.allocated ? u"yes" : r.partial ? u"free, partial" : u"free").Text(location);
    row.Time(r.primaryTime).Time(r.secondaryTime);
    if (r.neverExpires) {
      row.Text(u"never");
    } else {
      row.Time(r.expires);
    }
    row.Time(r.lastChecked);
    if (url) {
      row.Number(r.hits);
    } else {
      row.Empty();
    }
    row.Text(sources.ansi(r.fileName))
        .Latin1(r.cacheFolder)
        .Latin1(r.contentType)
        .Number(r.offset)
        .Text(path)
        .Target(Address(location));
  }
}

// The whole file from the ByteSource, read in chunks with the progress.
// False when the reader was stopped.
bool ReadWhole(ByteSource& file, uint64_t size, Progress& progress, std::vector<uint8_t>& bytes) {
  bytes.resize(static_cast<size_t>(size));
  size_t done = 0;
  while (done < bytes.size()) {
    if (!progress.Step(done, size)) return false;
    const size_t want = std::min(kReadChunk, bytes.size() - done);
    const size_t got = file.ReadAt(done, bytes.data() + done, want);
    done += got;
    if (got < want) break;  // the file ended early (or could not be read further)
  }
  bytes.resize(done);
  return true;
}

}  // namespace

void ReadCacheRecordsView(ViewSources& sources, Table& table, Progress& progress, Timeline*) {
  table.columns = {{u"Type", 700},          {u"Allocated", 900},    {u"URL", 5000},
                   {u"Primary Time", 2200}, {u"Secondary Time", 2200}, {u"Expires", 2200},
                   {u"Last Checked", 2200}, {u"Hits", 700},         {u"Cached File", 2500},
                   {u"Cache Folder", 1200}, {u"Content Type", 2000}, {u"Record Offset", 1300},
                   {u"Index File", 4000}};
  std::vector<uint8_t> bytes;
  if (sources.indexFile) {
    const std::u16string& path = sources.indexFilePath;
    if (sources.indexFileSize > kMaxIndexFile) {
      table.Problem(path + u": too large for a cache index file");
      return;
    }
    if (!ReadWhole(*sources.indexFile, sources.indexFileSize, progress, bytes)) return;
    AddRecords(sources, path, bytes, table);
    return;
  }
  if (!sources.findIndexFiles) return;
  const std::vector<std::u16string> files = CacheIndexFiles(sources.paths, sources.folders);
  if (files.empty()) table.Problem(u"the profile's cache index files (index.dat): missing");
  for (size_t i = 0; i < files.size(); ++i) {
    if (!progress.Step(i, files.size())) return;
    const SourceStatus status = sources.folders.ReadFile(files[i], bytes, kMaxIndexFile);
    if (status != SourceStatus::kOk) {
      table.Problem(files[i] + u": " + AsciiText(StatusName(status)));
      continue;
    }
    AddRecords(sources, files[i], bytes, table);
  }
}

}  // namespace glimmerlog
