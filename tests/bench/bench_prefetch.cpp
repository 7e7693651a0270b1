// The Prefetch files of the test data (../shared/testdata/prefetch), as the
// view reads them: the decompressor's output rate on the compressed ones,
// and the parse of every readable file's decompressed bytes against a plain
// pass over the same bytes (a copy and a sum), which bounds what reading
// them could cost at the least.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "sources/prefetch/prefetch.h"
#include "sources/prefetch/xpress.h"

namespace {

using namespace glimmerlog;

struct Files {
  std::vector<std::vector<uint8_t>> compressed;  // MAM files
  std::vector<std::vector<uint8_t>> plain;       // every readable file, decompressed
  size_t plainBytes = 0, outputBytes = 0;
};

const Files& TestFiles() {
  static const Files files = [] {
    Files f;
    const std::string dir = std::string(GL_TESTDATA_DIR) + "/prefetch";
    if (!std::filesystem::is_directory(dir)) return f;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
      std::ifstream in(e.path(), std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
      std::vector<uint8_t> plain;
      std::string note;
      PrefetchInfo info;
      if (PrefetchPlainBytes(bytes, plain, note) != SourceStatus::kOk ||
          ParsePrefetch(plain.data(), plain.size(), info, note) != SourceStatus::kOk) {
        continue;
      }
      if (bytes.size() >= 8 && bytes[0] == 'M') {
        f.outputBytes += plain.size();
        f.compressed.push_back(std::move(bytes));
      }
      f.plainBytes += plain.size();
      f.plain.push_back(std::move(plain));
    }
    return f;
  }();
  return files;
}

void BM_XpressDecompress(benchmark::State& state) {
  const Files& files = TestFiles();
  if (files.compressed.empty()) return state.SkipWithError("test data not found");
  std::vector<uint8_t> out;
  for (auto _ : state) {
    for (const auto& file : files.compressed) {
      XpressHuffmanDecompress(file.data() + 8, file.size() - 8, Le32(file.data() + 4), out);
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * files.outputBytes));
}
BENCHMARK(BM_XpressDecompress);

void BM_ParseDecompressed(benchmark::State& state) {
  const Files& files = TestFiles();
  if (files.plain.empty()) return state.SkipWithError("test data not found");
  PrefetchInfo info;
  std::string note;
  for (auto _ : state) {
    for (const auto& plain : files.plain) {
      ParsePrefetch(plain.data(), plain.size(), info, note);
      benchmark::DoNotOptimize(info.files.data());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * files.plainBytes));
}
BENCHMARK(BM_ParseDecompressed);

// The baseline: the same bytes copied out and summed, as a read of them.
void BM_PlainRead(benchmark::State& state) {
  const Files& files = TestFiles();
  if (files.plain.empty()) return state.SkipWithError("test data not found");
  std::vector<uint8_t> copy;
  for (auto _ : state) {
    uint64_t sum = 0;
    for (const auto& plain : files.plain) {
      copy.assign(plain.begin(), plain.end());
      sum = std::accumulate(copy.begin(), copy.end(), sum);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * files.plainBytes));
}
BENCHMARK(BM_PlainRead);

}  // namespace

BENCHMARK_MAIN();
