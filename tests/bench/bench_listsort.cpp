// The list's order by text, as a header click makes it, on the host:
//   ModelResort / PlainSort   1,000,000 cache addresses ordered by the model
//                             (its keys made, then ordered as bytes) against
//                             std::sort of the same texts (code unit order,
//                             no folding, no keys)
//   FillAndOrder / FillOnly   1,048,576 lines of eight addresses (the lines of
//                             win32_bench's 512 MiB index file) added to a
//                             model and ordered, against adding them alone
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/listmodel.h"

namespace {

constexpr size_t kRows = 1000000;
constexpr size_t kScanRows = 1048576;

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

void Fill(benchmark::State& state, bool order) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < 4096; at += 512) lines.push_back("http://cache.example.com/object/" + std::to_string(at));
  for (auto _ : state) {
    glimmerlog::ListModel model;
    model.SetSorted(order);
    for (size_t i = 0; i < kScanRows; ++i) model.AddRowLatin1(lines[i % lines.size()]);
    benchmark::DoNotOptimize(model.Resort());
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
