// The list's order by text, as a header click makes it, on the host:
//   ModelResort / PlainSort   1,000,000 cache addresses ordered by the model
//                             (their keys made, here the characters' ranks as
//                             the window makes them, then ordered as bytes) against
//                             std::sort of the same texts (code unit order,
//                             no folding, no keys)
//   FillAndOrder / FillOnly   win32_bench's 512 MiB index file (in memory)
//                             scanned into a model and ordered by its text,
//                             against the same scan unordered
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "app/listmodel.h"
#include "base/ascii.h"
#include "sources/ie/indexscan.h"

namespace {

// The ranks of the host's collation (ASCII letters without regard to case),
// as the window gives the model its collation's.
const unsigned char* AsciiRanks() {
  static const auto ranks = [] {
    std::array<unsigned char, 128> r{};
    for (char c = 0x20; c < 0x7F; ++c) r[static_cast<size_t>(c)] = static_cast<unsigned char>(glimmerlog::FoldAscii(c));
    return r;
  }();
  return ranks.data();
}

constexpr size_t kRows = 1000000;

std::vector<std::u16string> Urls() {
  std::vector<std::u16string> urls;
  urls.reserve(kRows);
  for (size_t i = 0; i < kRows; ++i) {
    // Long shared beginnings, as cache addresses have.
    const std::string u = "http://cache.example.com/object/" + std::to_string((i * 7919) % kRows) + "/Item.HTM";
    urls.emplace_back(u.begin(), u.end());
  }
  return urls;
}

void ModelResort(benchmark::State& state) {
  glimmerlog::ListModel model;
  model.SetAsciiRanks(AsciiRanks());
  for (const std::u16string& u : Urls()) model.AddRow(u);
  model.SetSorted(true);
  for (auto _ : state) {
    model.SetSortKey(1);  // any other key, so that the next resort is real
    model.SetSortKey(0);
    benchmark::DoNotOptimize(model.Resort());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRows));
}

void PlainSort(benchmark::State& state) {
  const std::vector<std::u16string> urls = Urls();
  for (auto _ : state) {
    std::vector<const std::u16string*> order;
    order.reserve(urls.size());
    for (const std::u16string& u : urls) order.push_back(&u);
    std::sort(order.begin(), order.end(), [](const std::u16string* a, const std::u16string* b) { return *a < *b; });
    benchmark::DoNotOptimize(order.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRows));
}

// The 512 MiB index file of win32_bench: a record every 512 bytes, whose
// address names its place in a 4 KiB block.
const std::string& IndexFile() {
  static const std::string bytes = [] {
    std::string block(4096, '\0');
    for (size_t at = 0; at + 512 <= block.size(); at += 512) {
      block.replace(at, 4, "URL ");
      const std::string url = "http://cache.example.com/object/" + std::to_string(at);
      block.replace(at + 104, url.size(), url);
    }
    std::string file;
    file.reserve(size_t{512} << 20);
    while (file.size() < (size_t{512} << 20)) file += block;
    return file;
  }();
  return bytes;
}

// The file scanned into a model, as the window lists it, then ordered.
void Fill(benchmark::State& state, bool order) {
  const std::string& file = IndexFile();
  for (auto _ : state) {
    glimmerlog::ListModel model;
    model.SetAsciiRanks(AsciiRanks());
    model.SetSorted(order);
    glimmerlog::MemorySource source(file.data(), file.size());
    glimmerlog::IndexScanner scan(source, file.size(),
                                  [&](const char* data, size_t n) { model.AddRowLatin1(std::string_view(data, n)); });
    while (scan.Step(4 << 20)) {
    }
    benchmark::DoNotOptimize(model.Resort());
    state.counters["lines"] = static_cast<double>(model.RowCount());
  }
}

void FillOnly(benchmark::State& state) { Fill(state, false); }
void FillAndOrder(benchmark::State& state) { Fill(state, true); }

BENCHMARK(ModelResort)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainSort)->Unit(benchmark::kMillisecond);
BENCHMARK(FillOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(FillAndOrder)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
