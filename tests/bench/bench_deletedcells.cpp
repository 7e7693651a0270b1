// The scan of a hive's free cells against walking every key and value of
// the same hive (names, times, types and every value's data), on the
// largest SYSTEM hive of the test data, decompressed into a temporary
// folder. Both read the hive already in memory. BM_ScanAgainstWalk runs the
// two by turns and gives the scan's time over the walk's as "ratio" (the
// target is 1 or less). Skips when the test data or xz is absent.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sources/hive/deletedcells.h"
#include "sources/hive/regf.h"

namespace {

const std::string kSystem = std::string(GL_TESTDATA_DIR) + "/system/";

// The largest file of the system folder whose name begins with the
// hive's, decompressed; empty when there is none or xz failed.
std::vector<uint8_t> LargestSystemHive() {
  std::string best;
  std::streamoff bestSize = 0;
  if (DIR* dir = opendir(kSystem.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      std::ifstream in(kSystem + name, std::ios::binary | std::ios::ate);
      const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
      if (name.find("SYSTEM") != std::string::npos && name.size() > 3 && name.substr(name.size() - 3) == ".xz" &&
          size > bestSize) {
        best = name;
        bestSize = size;
      }
    }
    closedir(dir);
  }
  if (best.empty()) return {};
  char folder[] = "/tmp/bench-deletedcells-XXXXXX";
  if (!mkdtemp(folder)) return {};
  const std::string hive = std::string(folder) + "/SYSTEM";
  std::vector<uint8_t> bytes;
  if (std::system(("xz -dc '" + kSystem + best + "' > '" + hive + "'").c_str()) == 0) {
    std::ifstream in(hive, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  unlink(hive.c_str());
  rmdir(folder);
  return bytes;
}

const glimmerlog::Hive& SystemHive() {
  static const glimmerlog::Hive hive(LargestSystemHive());
  return hive;
}

// Every key and value: names, times, types and data.
size_t WalkEveryKeyAndValue(const glimmerlog::Hive& hive) {
  size_t items = 0;
  std::vector<uint8_t> data;
  hive.VisitKeys([&](glimmerlog::HiveKey key, unsigned, const std::vector<glimmerlog::HiveValue>& values) {
    ++items;
    benchmark::DoNotOptimize(hive.KeyName(key));
    benchmark::DoNotOptimize(hive.KeyTime(key));
    for (glimmerlog::HiveValue value : values) {
      benchmark::DoNotOptimize(hive.ValueName(value));
      benchmark::DoNotOptimize(hive.ValueType(value));
      hive.ValueData(value, data);
      ++items;
    }
    return true;
  });
  return items;
}

void BM_WalkEveryKeyAndValue(benchmark::State& state) {
  const glimmerlog::Hive& hive = SystemHive();
  if (!hive.Usable()) return state.SkipWithError("no SYSTEM hive in the test data (or no xz to decompress it)");
  size_t items = 0;
  for (auto _ : state) items = WalkEveryKeyAndValue(hive);
  state.counters["keys_and_values"] = static_cast<double>(items);
}
BENCHMARK(BM_WalkEveryKeyAndValue)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScanDeletedCells(benchmark::State& state) {
  const glimmerlog::Hive& hive = SystemHive();
  if (!hive.Usable()) return state.SkipWithError("no SYSTEM hive in the test data (or no xz to decompress it)");
  glimmerlog::DeletedCells found;
  for (auto _ : state) found = glimmerlog::ScanDeletedCells(hive);
  state.counters["keys"] = static_cast<double>(found.keys.size());
  state.counters["values"] = static_cast<double>(found.values.size());
  state.counters["cells"] = static_cast<double>(found.cellsWalked);
}
BENCHMARK(BM_ScanDeletedCells)->Unit(benchmark::kMillisecond)->UseRealTime();

// The two by turns in each iteration; the time shown is the scan's.
void BM_ScanAgainstWalk(benchmark::State& state) {
  const glimmerlog::Hive& hive = SystemHive();
  if (!hive.Usable()) return state.SkipWithError("no SYSTEM hive in the test data (or no xz to decompress it)");
  using Clock = std::chrono::steady_clock;
  double scan = 0, walk = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(WalkEveryKeyAndValue(hive));
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(glimmerlog::ScanDeletedCells(hive));
    const auto t2 = Clock::now();
    walk += std::chrono::duration<double>(t1 - t0).count();
    const double s = std::chrono::duration<double>(t2 - t1).count();
    scan += s;
    state.SetIterationTime(s);
  }
  state.counters["walk_ms"] = walk * 1000 / static_cast<double>(state.iterations());
  state.counters["scan_ms"] = scan * 1000 / static_cast<double>(state.iterations());
  state.counters["ratio"] = walk > 0 ? scan / walk : 0;
}
BENCHMARK(BM_ScanAgainstWalk)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
