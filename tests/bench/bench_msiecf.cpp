// Parse time of a history file near the format's size limit: 50,000 visited
// pages with titles, two blocks each, over about 120 chained hash tables.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "sources/ie/msiecf.h"
#include "tests/support/msiecf_writer.h"

namespace {

const std::vector<uint8_t>& LargeHistoryFile() {
  static const std::vector<uint8_t> file = [] {
    std::vector<glimmerlog::WrittenEntry> entries(50000);
    for (size_t i = 0; i < entries.size(); ++i) {
      glimmerlog::WrittenEntry& e = entries[i];
      e.url = "http://www.example.com/page/" + std::to_string(i);
      const std::string title = "Example page number " + std::to_string(i);
      e.title.assign(title.begin(), title.end());
      e.lastVisited = e.lastUpdated = 130849743185120000ull + i * 10000000ull;
      e.expiresFat = 0x57454734;
    }
    return glimmerlog::WriteHistoryFile(entries);
  }();
  return file;
}

void Run(benchmark::State& state, const std::vector<uint8_t>& file) {
  std::vector<glimmerlog::HistoryEntry> entries;
  for (auto _ : state) {
    glimmerlog::ReadHistoryFile(file.data(), file.size(), entries);
    benchmark::DoNotOptimize(entries.data());
  }
  if (entries.size() != 50000) state.SkipWithError("not every record was read");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * entries.size()));
  state.counters["file_MB"] = static_cast<double>(file.size()) / 1e6;
}

void BM_ReadHistoryFile(benchmark::State& state) { Run(state, LargeHistoryFile()); }
BENCHMARK(BM_ReadHistoryFile)->Unit(benchmark::kMillisecond);

// The same file with the header's table pointer cleared: every record is
// found by the block walk instead.
void BM_ReadHistoryFileWithoutHashTables(benchmark::State& state) {
  std::vector<uint8_t> file = LargeHistoryFile();
  for (size_t i = 0x20; i < 0x24; ++i) file[i] = 0;
  Run(state, file);
}
BENCHMARK(BM_ReadHistoryFileWithoutHashTables)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
