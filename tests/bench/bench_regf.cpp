// Reading a whole hive: the largest regf hive of the test data read from
// disk, every key and value visited (names, times, types, data), against
// Debian's hivexregedit exporting the same hive, run as a process in the
// same run:
//   hivexregedit --export <hive> '\' > /dev/null
// Also the same export text written by our reader, which is the work that
// command does, and a dirty hive (shellbags/regipy-transactions) opened and
// walked with its transaction logs applied against the same without them.
// Skips when the test data or hivexregedit is absent.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dirent.h>
#include <fcntl.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sources/hive/hivelog.h"
#include "sources/hive/regf.h"
#include "tests/support/hiveexport.h"

extern char** environ;

namespace {

const std::string kHives = std::string(GL_TESTDATA_DIR) + "/hives/";

// The largest file of the hives folder that starts with "regf".
const std::string& LargestHive() {
  static const std::string path = [] {
    std::string best;
    std::streamoff bestSize = 0;
    if (DIR* dir = opendir(kHives.c_str())) {
      while (const dirent* entry = readdir(dir)) {
        std::ifstream in(kHives + entry->d_name, std::ios::binary | std::ios::ate);
        const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
        char magic[4] = {};
        in.seekg(0);
        if (size > bestSize && in.read(magic, 4) && std::memcmp(magic, "regf", 4) == 0) {
          best = kHives + entry->d_name;
          bestSize = size;
        }
      }
      closedir(dir);
    }
    return best;
  }();
  return path;
}

// The whole file in one read, as the folder sources read it.
std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::vector<uint8_t> bytes(in ? static_cast<size_t>(in.tellg()) : 0);
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

struct Walked {
  size_t keys = 0, values = 0, bytes = 0;
};

// Every key and value: names, times, types and data.
Walked WalkEveryKeyAndValue(const glimmerlog::Hive& hive) {
  Walked w;
  std::vector<uint8_t> data;
  hive.VisitKeys([&](glimmerlog::HiveKey key, unsigned, const std::vector<glimmerlog::HiveValue>& list) {
    ++w.keys;
    benchmark::DoNotOptimize(hive.KeyName(key));
    benchmark::DoNotOptimize(hive.KeyTime(key));
    for (glimmerlog::HiveValue value : list) {
      benchmark::DoNotOptimize(hive.ValueName(value));
      benchmark::DoNotOptimize(hive.ValueType(value));
      hive.ValueData(value, data);
      w.bytes += data.size();
      ++w.values;
    }
    return true;
  });
  return w;
}

void BM_ReadEveryKeyAndValue(benchmark::State& state) {
  if (LargestHive().empty()) return state.SkipWithError("no regf hive in the test data");
  Walked w;
  for (auto _ : state) w = WalkEveryKeyAndValue(glimmerlog::Hive(ReadFile(LargestHive())));
  state.counters["keys"] = static_cast<double>(w.keys);
  state.counters["values"] = static_cast<double>(w.values);
  state.counters["data_MB"] = static_cast<double>(w.bytes) / 1e6;
}
BENCHMARK(BM_ReadEveryKeyAndValue)->Unit(benchmark::kMillisecond)->UseRealTime();

// A dirty hive read from disk and walked: with its two logs read and applied
// (range 1), and as it is (range 0).
void BM_DirtyHiveWithAndWithoutLogs(benchmark::State& state) {
  const std::string folder = std::string(GL_TESTDATA_DIR) + "/shellbags/regipy-transactions/NTUSER.DAT";
  if (ReadFile(folder).empty()) return state.SkipWithError("no regipy-transactions in the test data");
  Walked w;
  size_t entries = 0;
  for (auto _ : state) {
    std::vector<uint8_t> bytes = ReadFile(folder);
    if (state.range(0)) {
      std::vector<glimmerlog::HiveLog> logs(2);
      logs[0] = {"LOG1", ReadFile(folder + ".LOG1")};
      logs[1] = {"LOG2", ReadFile(folder + ".LOG2")};
      entries = glimmerlog::ApplyHiveLogs(bytes, logs).entries;
    }
    w = WalkEveryKeyAndValue(glimmerlog::Hive(std::move(bytes)));
  }
  state.counters["keys"] = static_cast<double>(w.keys);
  state.counters["values"] = static_cast<double>(w.values);
  state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_DirtyHiveWithAndWithoutLogs)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExportTextOfEveryKey(benchmark::State& state) {
  if (LargestHive().empty()) return state.SkipWithError("no regf hive in the test data");
  size_t length = 0;
  for (auto _ : state) {
    const glimmerlog::Hive hive(ReadFile(LargestHive()));
    length = glimmerlog::HiveExportText(hive).size();
  }
  state.counters["text_MB"] = static_cast<double>(length) / 1e6;
}
BENCHMARK(BM_ExportTextOfEveryKey)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peer: the whole command, start-up included, as a user would run it.
void BM_HivexregeditExport(benchmark::State& state) {
  if (LargestHive().empty()) return state.SkipWithError("no regf hive in the test data");
  if (access("/usr/bin/hivexregedit", X_OK) != 0) return state.SkipWithError("hivexregedit is not installed");
  const char* argv[] = {"hivexregedit", "--export", LargestHive().c_str(), "\\", nullptr};
  for (auto _ : state) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int status = 0;
    const bool ran =
        posix_spawn(&pid, "/usr/bin/hivexregedit", &actions, nullptr, const_cast<char**>(argv), environ) == 0 &&
        waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!ran) return state.SkipWithError("hivexregedit failed");
  }
}
BENCHMARK(BM_HivexregeditExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
