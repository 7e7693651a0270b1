// Reading a Chromium history database of 100,000 visits (30,000 pages)
// from its file, against Debian's sqlite3 command running the same query on
// the same file with its output thrown away. Prints the ratio at the end; the
// reader should take at most 1.5 times as long.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "sources/browsers/browserhistory.h"
#include "tests/support/diskfolders.h"
#include "tests/support/sqlitebytes.h"

namespace {

constexpr int kVisits = 100000;
const char kQuery[] =
    "SELECT v.visit_time, v.transition, u.url, u.title, u.visit_count FROM visits v LEFT JOIN urls u ON u.id = v.url";

// The schema's long-stable part as Chromium writes it, with an index on
// visits(url) as Chromium has.
const std::string& DatabaseFile() {
  static const std::string path = [] {
    const std::vector<uint8_t> bytes = glimmerlog::MakeDatabase(
        "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
        "INSERT INTO meta VALUES ('version', '70');"
        "CREATE TABLE urls(id INTEGER PRIMARY KEY AUTOINCREMENT, url LONGVARCHAR, title LONGVARCHAR,"
        "  visit_count INTEGER DEFAULT 0 NOT NULL, typed_count INTEGER DEFAULT 0 NOT NULL,"
        "  last_visit_time INTEGER NOT NULL, hidden INTEGER DEFAULT 0 NOT NULL);"
        "CREATE TABLE visits(id INTEGER PRIMARY KEY AUTOINCREMENT, url INTEGER NOT NULL, visit_time INTEGER NOT NULL,"
        "  from_visit INTEGER, transition INTEGER DEFAULT 0 NOT NULL, segment_id INTEGER, visit_duration INTEGER);"
        "CREATE INDEX visits_url_index ON visits (url);"
        "CREATE INDEX visits_time_index ON visits (visit_time);"
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<30000)"
        "  INSERT INTO urls(id, url, title, visit_count, last_visit_time)"
        "  SELECT x, 'https://www.example.com/articles/' || x || '/a-page-about-something-' || (x * 7919 % 1000),"
        "    'Article number ' || x || ' \xE2\x80\x93 Example News', 0, 0 FROM c;"
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<" +
        std::to_string(kVisits) +
        ")"
        "  INSERT INTO visits(url, visit_time, transition, segment_id, visit_duration)"
        "  SELECT 1 + (x * 104729) % 30000, 13300000000000000 + x * 1000000, 805306368 + x % 9, 0, 0 FROM c;"
        "UPDATE urls SET visit_count = (SELECT count(*) FROM visits WHERE visits.url = urls.id);");
    char name[] = "/tmp/glimmerlog-bench-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::atexit([] { std::remove(DatabaseFile().c_str()); });
    return std::string(name);
  }();
  return path;
}

double g_reader = 0, g_command = 0;  // seconds per read

void BM_ReadBrowserHistory(benchmark::State& state) {
  glimmerlog::DiskFolders disk;
  glimmerlog::BrowserProfile profile;
  profile.browser = u"Chromium";
  profile.databasePath = glimmerlog::HostPath(DatabaseFile());
  profile.walPath = profile.databasePath + u"-wal";
  std::vector<glimmerlog::BrowserVisit> visits;
  std::string reason;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    visits.clear();
    visits.shrink_to_fit();
    if (glimmerlog::ReadBrowserHistory(disk, profile, visits, reason) != glimmerlog::SourceStatus::kOk) {
      state.SkipWithError(reason.c_str());
      return;
    }
    benchmark::DoNotOptimize(visits.data());
  }
  g_reader = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / state.iterations();
  if (visits.size() != kVisits) state.SkipWithError("not every visit was read");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * visits.size()));
  std::ifstream file(DatabaseFile(), std::ios::binary | std::ios::ate);
  state.counters["file_MB"] = static_cast<double>(file.tellg()) / 1e6;
}
BENCHMARK(BM_ReadBrowserHistory)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SqliteCommand(benchmark::State& state) {
  const std::string command = "sqlite3 -batch -list -noheader '" + DatabaseFile() + "' '" + kQuery + "' >/dev/null";
  if (std::system("command -v sqlite3 >/dev/null 2>&1") != 0) {
    state.SkipWithError("the sqlite3 command is not installed");
    return;
  }
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("the sqlite3 command failed");
      return;
    }
  }
  g_command = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / state.iterations();
}
BENCHMARK(BM_SqliteCommand)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_reader > 0 && g_command > 0) {
    std::printf(
        "reader / sqlite3 command: %.2f (target <= 1.5)\ncommand: sqlite3 -batch -list -noheader FILE '%s' "
        ">/dev/null\n",
        g_reader / g_command, kQuery);
  }
  return 0;
}
