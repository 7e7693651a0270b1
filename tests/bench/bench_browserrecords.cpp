// The Downloads and Browser Cookies views over a Chromium profile of 100,000
// downloads and 100,000 cookies, against stepping through the same rows with
// SQLite in the same process; and the Cache Records reader on the largest
// cache file the test writer makes, in process, against msiecfexport reading
// it as a process.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "sources/browsers/sqlitememory.h"
#include "sources/folders/posixfolders.h"
#include "sources/ie/msiecf.h"
#include "tests/support/msiecf_writer.h"
#include "tests/support/sqlitebytes.h"
#include "views/browser/browserrecordsreader.h"
#include "views/viewdef.h"

namespace glimmerlog {
namespace {

constexpr int kRows = 100000;
const std::string kProfile = "AppData/Local/Google/Chrome/User Data/Default/";

// A registry with nothing in it and a profile of its own: the views read
// files only.
struct NoRegistry final : RegistrySource {
  SourceStatus ValueNames(std::u16string_view, std::vector<std::u16string>&) override { return SourceStatus::kMissing; }
  SourceStatus SubKeys(std::u16string_view, std::vector<std::u16string>&) override { return SourceStatus::kMissing; }
  SourceStatus ReadValue(std::u16string_view, std::u16string_view, RegistryData&) override {
    return SourceStatus::kMissing;
  }
  SourceStatus LastWriteTime(std::u16string_view, uint64_t&) override { return SourceStatus::kMissing; }
};
struct OwnPaths final : ProfilePaths {
  std::u16string ShellFolder(std::u16string_view) override { return kRegFailureText; }
  bool OtherProfile() const override { return false; }
};

struct Profile {
  std::string dir;
  std::vector<uint8_t> history, cookies;
  Profile() {
    char name[] = "/tmp/glimmerlog-bench-XXXXXX";
    dir = mkdtemp(name) ? name : "";
    std::string error;
    const std::string rows = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                             std::to_string(kRows) + ") ";
    history = MakeDatabase(
        // Chromium's own schema: the URL chains' key is typed, so the join
        // finds a download's chain through its index.
        "CREATE TABLE urls(id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, last_visit_time INTEGER);"
        "CREATE TABLE downloads(id INTEGER PRIMARY KEY, guid VARCHAR NOT NULL, current_path LONGVARCHAR NOT NULL,"
        " target_path LONGVARCHAR NOT NULL, start_time INTEGER NOT NULL, received_bytes INTEGER NOT NULL,"
        " total_bytes INTEGER NOT NULL, state INTEGER NOT NULL, danger_type INTEGER NOT NULL,"
        " interrupt_reason INTEGER NOT NULL, hash BLOB NOT NULL, end_time INTEGER NOT NULL, opened INTEGER NOT NULL,"
        " last_access_time INTEGER NOT NULL, transient INTEGER NOT NULL, referrer VARCHAR NOT NULL,"
        " site_url VARCHAR NOT NULL, tab_url VARCHAR NOT NULL, tab_referrer_url VARCHAR NOT NULL,"
        " http_method VARCHAR NOT NULL, by_ext_id VARCHAR NOT NULL, by_ext_name VARCHAR NOT NULL,"
        " etag VARCHAR NOT NULL, last_modified VARCHAR NOT NULL, mime_type VARCHAR(255) NOT NULL,"
        " original_mime_type VARCHAR(255) NOT NULL);"
        "CREATE TABLE downloads_url_chains(id INTEGER NOT NULL, chain_index INTEGER NOT NULL,"
        " url LONGVARCHAR NOT NULL, PRIMARY KEY(id, chain_index));"
        "INSERT INTO downloads " + rows +
        "SELECT i, 'g' || i, 'C:\\Users\\bench\\Downloads\\file' || i || '.zip', "
        "'C:\\Users\\bench\\Downloads\\file' || i || '.zip', 13350000000000000 + i * 1000000, 4096, 4096, 1, 0, 0,"
        " '', 13350000000000000 + i * 1000000 + 500000, i % 2, 0, 0, 'https://ref.example/' || i, '', '', '', '',"
        " '', '', '', '', 'application/zip', 'application/zip' FROM n;"
        "INSERT INTO downloads_url_chains " + rows +
        "SELECT i, 0, 'https://downloads.example/file' || i || '.zip' FROM n;",
        &error);
    if (history.empty()) std::fprintf(stderr, "History: %s\n", error.c_str());
    cookies = MakeDatabase(
        "CREATE TABLE cookies(creation_utc, host_key, top_frame_site_key, name, value, encrypted_value, path,"
        " expires_utc, is_secure, is_httponly, last_access_utc, has_expires, is_persistent, priority, samesite,"
        " source_scheme, source_port, last_update_utc, source_type, has_cross_site_ancestor);"
        "INSERT INTO cookies " + rows +
        "SELECT 13350000000000000 + i, '.site' || i || '.example', '', 'id' || i, '', x'7631', '/', "
        "13400000000000000, 1, i % 2, 13360000000000000 + i, 1, 1, 1, i % 3 - 1, 2, 443, 0, 0, 0 FROM n;");
    std::system(("mkdir -p '" + dir + "/" + kProfile + "Network'").c_str());
    std::ofstream(dir + "/" + kProfile + "History", std::ios::binary)
        .write(reinterpret_cast<const char*>(history.data()), history.size());
    std::ofstream(dir + "/" + kProfile + "Network/Cookies", std::ios::binary)
        .write(reinterpret_cast<const char*>(cookies.data()), cookies.size());
  }
  ~Profile() {
    if (!dir.empty()) std::system(("rm -rf '" + dir + "'").c_str());
  }
};

const Profile& TheProfile() {
  static const Profile profile;
  return profile;
}

// The view as the window and the report run it: every profile found, each
// database read into memory and its rows into the view's table.
void RunView(benchmark::State& state, ViewReader read) {
  const Profile& profile = TheProfile();
  size_t rows = 0;
  for (auto _ : state) {
    PosixFolderSource folders(profile.dir);
    NoRegistry registry;
    OwnPaths paths;
    ViewSources sources(registry, folders, paths, "10", u"AppData\\Local", u"AppData\\Roaming");
    Progress progress;
    Table table;
    read(sources, table, progress, nullptr);
    rows = table.RowCount();
    benchmark::DoNotOptimize(rows);
  }
  if (rows != kRows) state.SkipWithError("not every row was listed");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRows));
}

// The same rows stepped through with SQLite, each column fetched as the
// view's cells are (UTF-16 text, or a number), from the file's bytes read
// into memory.
void RunSqlite(benchmark::State& state, const std::string& file, const char* sql) {
  size_t rows = 0;
  for (auto _ : state) {
    std::ifstream in(TheProfile().dir + "/" + kProfile + file, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    MemoryDatabase db;
    std::string error;
    if (!db.Open(bytes, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db.get(), sql, -1, &statement, nullptr);
    rows = 0;
    std::u16string cell;
    while (sqlite3_step(statement) == SQLITE_ROW) {
      for (int c = 0; c < sqlite3_column_count(statement); ++c) {
        if (sqlite3_column_type(statement, c) == SQLITE_TEXT) {
          const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(statement, c));
          cell.assign(text, sqlite3_column_bytes16(statement, c) / 2);
          benchmark::DoNotOptimize(cell.data());
        } else {
          benchmark::DoNotOptimize(sqlite3_column_int64(statement, c));
        }
      }
      ++rows;
    }
    sqlite3_finalize(statement);
  }
  if (rows != kRows) state.SkipWithError("not every row was stepped through");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRows));
}

void BM_DownloadsView(benchmark::State& state) { RunView(state, &ReadBrowserDownloads); }
void BM_DownloadsRowsInProcess(benchmark::State& state) {
  RunSqlite(state, "History",
            "SELECT d.start_time, d.end_time, d.target_path,"
            " (SELECT c.url FROM downloads_url_chains c WHERE c.id = d.id ORDER BY c.chain_index LIMIT 1),"
            " (SELECT c.url FROM downloads_url_chains c WHERE c.id = d.id ORDER BY c.chain_index DESC LIMIT 1),"
            " d.referrer, d.received_bytes, d.total_bytes, d.state, d.danger_type, d.opened, d.mime_type"
            " FROM downloads d");
}
void BM_CookiesView(benchmark::State& state) { RunView(state, &ReadBrowserCookies); }
void BM_CookiesRowsInProcess(benchmark::State& state) {
  RunSqlite(state, "Network/Cookies",
            "SELECT host_key, name, path, creation_utc, last_access_utc, expires_utc, is_secure, is_httponly,"
            " samesite FROM cookies");
}
BENCHMARK(BM_DownloadsView)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DownloadsRowsInProcess)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CookiesView)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CookiesRowsInProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

// The largest cache file the writer makes: records until its blocks run out.
const std::string& CacheFile() {
  static const std::string path = [] {
    std::vector<WrittenEntry> entries;
    std::vector<uint8_t> file;
    for (size_t n = 40000;; n += 5000) {
      entries.resize(n);
      for (size_t i = n - (n == 40000 ? n : 5000); i < n; ++i) {
        WrittenEntry& e = entries[i];
        e.url = "http://www.example.com/cached/page/" + std::to_string(i);
        const std::string title = "Cached page " + std::to_string(i);
        e.title.assign(title.begin(), title.end());
        e.lastVisited = e.lastUpdated = 130849743185120000ull + i * 10000000ull;
        e.expiresFat = 0x57454734;
      }
      try {
        file = WriteHistoryFile(entries);
      } catch (const std::length_error&) {
        break;
      }
    }
    const std::string name = TheProfile().dir + "/index.dat";
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
    return name;
  }();
  return path;
}

void BM_CacheRecordsInProcess(benchmark::State& state) {
  const std::string& path = CacheFile();
  std::vector<CacheRecord> records;
  size_t bytes = 0;
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ReadCacheRecords(file.data(), file.size(), records);
    bytes = file.size();
    benchmark::DoNotOptimize(records.data());
  }
  state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["records"] = static_cast<double>(records.size());
}
void BM_MsiecfexportProcess(benchmark::State& state) {
  if (std::system("command -v msiecfexport >/dev/null 2>&1") != 0) {
    state.SkipWithError("msiecfexport (libmsiecf-utils) is not installed");
    return;
  }
  const std::string command = "msiecfexport -m all '" + CacheFile() + "' >/dev/null 2>&1";
  for (auto _ : state) benchmark::DoNotOptimize(std::system(command.c_str()));
}
BENCHMARK(BM_CacheRecordsInProcess)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MsiecfexportProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace glimmerlog

BENCHMARK_MAIN();
