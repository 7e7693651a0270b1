// Throughput of the index.dat scanner over 256 MiB in memory, next to a plain
// memchr count of "URL" over the same bytes; prints their ratio at the end.
//
// The bytes are synthetic cache records laid out like a real cache index
// (128-byte blocks, "URL " records with a binary header, the URL at
// +104, file name and HTTP headers, 0xDEADBEEF filler, free blocks). Set
// GLIMMERLOG_INDEXDAT to a real index.dat to repeat that file instead.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "sources/ie/indexscan.h"

namespace glimmerlog {
namespace {

constexpr size_t kBufferSize = size_t{256} << 20;

std::string SyntheticIndex(size_t size) {
  std::mt19937 rng(7);
  std::string out;
  out.reserve(size + 1024);
  static const char* const kHosts[] = {"www.msn.com", "col.stc.s-msn.com", "www.bing.com", "ads.example.net",
                                       "static.cdn.example.org"};
  while (out.size() < size) {
    if (rng() % 4 == 0) {  // a free block
      out.append(128, '\0');
      continue;
    }
    std::string rec = "URL ";
    rec += static_cast<char>(2 + rng() % 4);
    rec.append(3, '\0');
    while (rec.size() < 104) rec += (rng() % 3) ? '\0' : static_cast<char>(rng());
    rec += "http://" + std::string(kHosts[rng() % 5]) + "/path/" + std::to_string(rng() % 100000) + "/image.gif";
    rec += '\0';
    rec += "image[1].gif";
    rec += '\0';
    rec +=
        "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\nX-Powered-By: ASP.NET\r\n"
        "Content-Length: 4286\r\n\r\n~U:user\r\n";
    rec += '\0';
    for (size_t i = 0; rec.size() % 128; ++i) rec += "\xef\xbe\xad\xde"[i % 4];
    out += rec;
  }
  out.resize(size);
  return out;
}

const std::string& Buffer() {
  static const std::string buffer = [] {
    std::string pattern;
    if (const char* path = std::getenv("GLIMMERLOG_INDEXDAT")) {
      std::ifstream in(path, std::ios::binary);
      pattern.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (pattern.empty()) return SyntheticIndex(kBufferSize);
    std::string out;
    out.reserve(kBufferSize);
    while (out.size() < kBufferSize) out += pattern;
    out.resize(kBufferSize);
    return out;
  }();
  return buffer;
}

void BM_MemchrCountURL(benchmark::State& state) {
  const std::string& buf = Buffer();
  for (auto _ : state) {
    const char* p = buf.data();
    const char* end = p + buf.size() - 2;
    size_t count = 0;
    while (p < end) {
      p = static_cast<const char*>(std::memchr(p, 'U', static_cast<size_t>(end - p)));
      if (!p) break;
      if (p[1] == 'R' && p[2] == 'L') ++count;
      ++p;
    }
    benchmark::DoNotOptimize(count);
    state.counters["hits"] = static_cast<double>(count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * buf.size()));
}
BENCHMARK(BM_MemchrCountURL)->Unit(benchmark::kMillisecond)->UseRealTime();

// A source that only copies, as reading a file does.
class CopyingSource : public ByteSource {
 public:
  explicit CopyingSource(const std::string& data) : mem_(data.data(), data.size()) {}
  size_t ReadAt(uint64_t offset, void* buf, size_t n) override { return mem_.ReadAt(offset, buf, n); }

 private:
  MemorySource mem_;
};

// Arg: block size. Steps of 4 MiB, as a UI slice between messages would be.
void Scan(benchmark::State& state, ByteSource& source, size_t size, RecordSearch how = BestRecordSearch()) {
  for (auto _ : state) {
    size_t lines = 0, bytes = 0;
    IndexScanner scan(
        source, size,
        [&](const char*, size_t n) {
          ++lines;
          bytes += n;
        },
        static_cast<size_t>(state.range(0)));
    scan.SetRecordSearch(how);
    while (scan.Step(4 << 20)) {
    }
    benchmark::DoNotOptimize(bytes);
    state.counters["hits"] = static_cast<double>(lines);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// The bytes lent in place (MemorySource), as from a mapped view.
void BM_IndexScanLent(benchmark::State& state) {
  MemorySource source(Buffer().data(), Buffer().size());
  Scan(state, source, Buffer().size());
}
BENCHMARK(BM_IndexScanLent)->Arg(IndexScanner::kDefaultBlockSize)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same with the portable search (memchr), next to the default one above.
void BM_IndexScanLentPortable(benchmark::State& state) {
  MemorySource source(Buffer().data(), Buffer().size());
  Scan(state, source, Buffer().size(), RecordSearch::kPortable);
}
BENCHMARK(BM_IndexScanLentPortable)->Arg(IndexScanner::kDefaultBlockSize)->Unit(benchmark::kMillisecond)->UseRealTime();

// The bytes copied block by block into the scanner's buffer (ReadAt).
void BM_IndexScanCopied(benchmark::State& state) {
  CopyingSource source(Buffer());
  Scan(state, source, Buffer().size());
}
BENCHMARK(BM_IndexScanCopied)
    ->Arg(16 << 10)
    ->Arg(64 << 10)
    ->Arg(256 << 10)
    ->Arg(1 << 20)
    ->Arg(4 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Only the copying of the blocks, without scanning: the floor for a copying source.
void BM_CopyOnly(benchmark::State& state) {
  const std::string& buf = Buffer();
  std::vector<char> block(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    for (size_t at = 0; at < buf.size(); at += block.size()) {
      std::memcpy(block.data(), buf.data() + at, std::min(block.size(), buf.size() - at));
      benchmark::ClobberMemory();
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * buf.size()));
}
BENCHMARK(BM_CopyOnly)->Arg(IndexScanner::kDefaultBlockSize)->Unit(benchmark::kMillisecond)->UseRealTime();

// Remembers the time of each run so that the ratio can be printed after all.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      // One figure per benchmark: its mean when repeated, else its only run.
      if (run.run_type == Run::RT_Iteration || run.aggregate_name == "mean") {
        times_[run.run_name.str()] = run.GetAdjustedRealTime();
      }
    }
  }
  void PrintRatios() const {
    auto base = times_.find("BM_MemchrCountURL/real_time");
    if (base == times_.end()) return;
    for (const auto& [name, time] : times_) {
      if (name != base->first) {
        std::printf("throughput %s / memchr count: %.2f\n", name.c_str(), base->second / time);
      }
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace
}  // namespace glimmerlog

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  glimmerlog::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
