// The report's activity timeline of a profile assembled from the test data
// (a Windows 7 hive, a History.IE5 index.dat, a Chromium and a Firefox
// profile, Recent and cookie files), against the same reads and parses done
// directly in a loop, in the same run:
//   glimmerlog-report PROFILE --timeline --format csv > /dev/null
// called in-process and run as a process (start-up included), and the
// direct loop: the files read by their host paths, parsed by the same
// readers, their events sorted and written as CSV, without the profile's
// path mapping, in this process and as one pass in a process of its own.
// Prints the ratios, each against its like (the aim: at most 1.5).
// Skips when the test data is absent.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "base/isotime.h"
#include "report/report.h"
#include "report/systemplatform.h"
#include "sources/browsers/browserhistory.h"
#include "sources/hive/hivesource.h"
#include "sources/ie/msiecf.h"
#include "tests/support/diskfolders.h"
#include "views/explorer/explorerreaders.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
const std::string kData = GL_TESTDATA_DIR;

// The profile, made once per run and removed at its end.
struct Profile {
  std::string dir;
  Profile() {
    char name[] = "/tmp/glimmerlog-bench-XXXXXX";
    if (!mkdtemp(name)) return;
    const std::string root = name;
    auto put = [&](const std::string& relative, const std::string& source) {
      fs::create_directories(fs::path(root + "/" + relative).parent_path());
      if (source.empty()) {
        std::ofstream(root + "/" + relative) << "x";
      } else {
        fs::copy_file(kData + "/" + source, root + "/" + relative);
      }
    };
    try {
      put("NTUSER.DAT", "hives/win7_plaso_NTUSER-WIN7.DAT");
      put(kHistory, "indexdat/plaso-History.IE5-index.dat");
      put(kChrome, "browsers/chromium/plaso-History");
      put(kChromium, "browsers/chromium/generated-chromium-156-History");
      put(kFirefox, "browsers/firefox/generated-esr-153/places.sqlite");
      put(kFirefox + "-wal", "browsers/firefox/generated-esr-153/places.sqlite-wal");
      for (int i = 0; i < 20; ++i) put(kRecent + "document " + std::to_string(i) + ".lnk", "");
      for (int i = 0; i < 20; ++i) put(kCookies + "bob@site" + std::to_string(i) + "[1].txt", "");
      dir = root;
    } catch (const fs::filesystem_error&) {
      fs::remove_all(root);
    }
  }
  ~Profile() {
    if (!dir.empty()) fs::remove_all(dir);
  }
  static inline const std::string kHistory = "AppData/Local/Microsoft/Windows/History/History.IE5/index.dat";
  static inline const std::string kChrome = "AppData/Local/Google/Chrome/User Data/Default/History";
  static inline const std::string kChromium = "AppData/Local/Chromium/User Data/Profile 1/History";
  static inline const std::string kFirefox = "AppData/Roaming/Mozilla/Firefox/Profiles/a.default/places.sqlite";
  static inline const std::string kRecent = "AppData/Roaming/Microsoft/Windows/Recent/";
  static inline const std::string kCookies = "AppData/Roaming/Microsoft/Windows/Cookies/";
};

const Profile& TheProfile() {
  static const Profile profile;
  return profile;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::vector<uint8_t> bytes(in ? static_cast<size_t>(in.tellg()) : 0);
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

void FolderEvents(const std::string& dir, const std::u16string& kind, const std::u16string& source,
                  glimmerlog::Timeline& timeline) {
  DIR* listing = opendir(dir.c_str());
  if (!listing) return;
  while (const dirent* e = readdir(listing)) {
    struct stat st {};
    if (stat((dir + e->d_name).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
    const std::u16string name(e->d_name, e->d_name + strlen(e->d_name));
    timeline.Add({(static_cast<uint64_t>(st.st_mtim.tv_sec) + 11644473600u) * 10000000u, kind, name, {}, source, {}});
  }
  closedir(listing);
}

// The timeline's reads and parses, by host paths.
std::string DirectTimeline(const std::string& dir) {
  glimmerlog::Timeline timeline;
  const std::vector<uint8_t> history = ReadAll(dir + "/" + Profile::kHistory);
  std::vector<glimmerlog::HistoryEntry> entries;
  glimmerlog::ReadHistoryFile(history.data(), history.size(), entries);
  for (const glimmerlog::HistoryEntry& e : entries) {
    const std::u16string url(e.url.begin(), e.url.end());
    timeline.Add({e.lastVisited, u"Page visited", url, e.title, u"Internet history", url});
  }
  glimmerlog::HiveRegistrySource hive(ReadAll(dir + "/NTUSER.DAT"));
  glimmerlog::AddExplorerEvents(hive, timeline);
  FolderEvents(dir + "/" + Profile::kRecent, u"Shortcut in Recent", u"Recent folder", timeline);
  FolderEvents(dir + "/" + Profile::kCookies, u"Cookie file written", u"Cookies folder", timeline);
  glimmerlog::DiskFolders disk;
  std::vector<glimmerlog::BrowserVisit> visits;
  for (const std::string& db : {Profile::kChrome, Profile::kChromium, Profile::kFirefox}) {
    glimmerlog::BrowserProfile p;
    p.databasePath = glimmerlog::HostPath(dir + "/" + db);
    p.walPath = p.databasePath + u"-wal";
    p.firefox = db == Profile::kFirefox;
    std::string reason;
    glimmerlog::ReadBrowserHistory(disk, p, visits, reason);
  }
  for (const glimmerlog::BrowserVisit& v : visits) timeline.Add({v.visitTime, u"Page visited", v.url, v.title, {}, {}});
  glimmerlog::Table table;
  timeline.ToTable(table);
  glimmerlog::ExportDocument doc;
  for (const auto& c : table.columns) doc.columns.push_back(c.caption);
  doc.rowCount = table.RowCount();
  doc.row = [&](size_t r, std::vector<glimmerlog::ExportCell>& cells) {
    for (size_t c = 0; c < cells.size(); ++c) {
      const glimmerlog::TableCell cell = table.Cell(r, c);
      if (cell.kind == glimmerlog::TableCell::Kind::kTime) {
        cells[c].shown = cells[c].iso = glimmerlog::IsoUtc(cell.time);
      } else {
        cells[c].shown = cell.text;
      }
    }
  };
  std::string out;
  glimmerlog::WriteExport(glimmerlog::ExportFormat::kCsv, doc, out);
  return out;
}

// The system's platform with the output kept in memory.
class Captured final : public glimmerlog::ReportPlatform {
 public:
  Captured() : system_(glimmerlog::MakeSystemReportPlatform()) {}
  std::unique_ptr<glimmerlog::FolderSource> OpenProfileFolder(const std::string& d, std::u16string& p,
                                                              glimmerlog::SourceStatus& s) override {
    return system_->OpenProfileFolder(d, p, s);
  }
  void NameProfileFolder(glimmerlog::FolderSource& f, const std::u16string& r, std::u16string& p) override {
    system_->NameProfileFolder(f, r, p);
  }
  glimmerlog::LiveSources* Live() override { return nullptr; }
  std::unique_ptr<glimmerlog::ByteSource> OpenFile(const std::string& p, uint64_t& n,
                                                   glimmerlog::SourceStatus& s) override {
    return system_->OpenFile(p, n, s);
  }
  glimmerlog::AnsiDecoder Ansi() override { return system_->Ansi(); }
  std::u16string LocalIso(uint64_t t) override { return system_->LocalIso(t); }
  bool Within(const std::string& a, const std::string& b) override { return system_->Within(a, b); }
  bool WriteOutput(const std::string&, const std::string& bytes, std::string&) override {
    output = bytes;
    return true;
  }
  void Error(const std::string& line) override { errors += line + "\n"; }
  void Progress(const std::u16string&) override {}
  std::string output, errors;

 private:
  std::unique_ptr<glimmerlog::ReportPlatform> system_;
};

void BM_DirectReadsAndParses(benchmark::State& state) {
  if (TheProfile().dir.empty()) return state.SkipWithError("test data not found");
  size_t bytes = 0;
  for (auto _ : state) bytes = DirectTimeline(TheProfile().dir).size();
  state.counters["csv_kB"] = static_cast<double>(bytes) / 1e3;
}
BENCHMARK(BM_DirectReadsAndParses)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReportInProcess(benchmark::State& state) {
  if (TheProfile().dir.empty()) return state.SkipWithError("test data not found");
  Captured platform;
  for (auto _ : state) {
    if (glimmerlog::RunReport({TheProfile().dir, "--timeline", "--format", "csv"}, platform) != 0) {
      return state.SkipWithError(("the report failed: " + platform.errors).c_str());
    }
  }
  state.counters["csv_kB"] = static_cast<double>(platform.output.size()) / 1e3;
}
BENCHMARK(BM_ReportInProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

// Runs a program to its end with its output thrown away; false when it fails.
bool RunToEnd(const char* program, const std::vector<const char*>& args) {
  std::vector<char*> argv;
  for (const char* a : args) argv.push_back(const_cast<char*>(a));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int status = 0;
  const bool ran = posix_spawn(&pid, program, &actions, nullptr, argv.data(), environ) == 0 &&
                   waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  posix_spawn_file_actions_destroy(&actions);
  return ran;
}

void BM_ReportCommand(benchmark::State& state) {
  if (TheProfile().dir.empty()) return state.SkipWithError("test data not found");
  for (auto _ : state) {
    if (!RunToEnd(GL_REPORT_BINARY, {"glimmerlog-report", TheProfile().dir.c_str(), "--timeline", "--format", "csv"})) {
      return state.SkipWithError("glimmerlog-report failed");
    }
  }
}
BENCHMARK(BM_ReportCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

// The direct loop's one pass as a process of its own (this program again):
// what the command costs beyond a fresh process reading the same files.
void BM_DirectAsCommand(benchmark::State& state) {
  if (TheProfile().dir.empty()) return state.SkipWithError("test data not found");
  for (auto _ : state) {
    if (!RunToEnd("/proc/self/exe", {"bench_report", "--direct-once", TheProfile().dir.c_str()})) {
      return state.SkipWithError("the direct pass failed");
    }
  }
}
BENCHMARK(BM_DirectAsCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps each benchmark's time per iteration, to print the ratios at the end.
class RatioReporter final : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (!r.error_occurred && r.iterations > 0) seconds[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--direct-once") {
    const std::string csv = DirectTimeline(argv[2]);
    return std::fwrite(csv.data(), 1, csv.size(), stdout) == csv.size() ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto& t = reporter.seconds;
  auto direct = t.find("BM_DirectReadsAndParses/real_time");
  if (direct != t.end() && direct->second > 0) {
    auto ratio = [&](const char* a, const char* b) {
      auto x = t.find(std::string(a) + "/real_time"), y = t.find(std::string(b) + "/real_time");
      if (x != t.end() && y != t.end() && y->second > 0) std::printf("%s / %s: %.2f\n", a, b, x->second / y->second);
    };
    ratio("BM_ReportInProcess", "BM_DirectReadsAndParses");
    ratio("BM_ReportCommand", "BM_DirectAsCommand");
    ratio("BM_ReportCommand", "BM_DirectReadsAndParses");
    std::printf("command: %s %s --timeline --format csv > /dev/null\n", GL_REPORT_BINARY, TheProfile().dir.c_str());
  }
  benchmark::Shutdown();
  return 0;
}
