// The ShellBags view over a written hive with a BagMRU tree of 10,000 items
// (100 folders of 99 subfolders each, every key with its MRU list and node
// slot), against a plain loop over the same keys that lists each key's
// values and reads each one, as a RegEnumValueW/RegQueryValueExW loop would.
// The view's share above the loop is its decoding of items, paths and times.
#include <benchmark/benchmark.h>

#include <string>

#include "sources/folders/posixfolders.h"
#include "sources/hive/hivesource.h"
#include "tests/support/hive_writer.h"
#include "tests/support/shellitems_writer.h"
#include "views/viewdef.h"

namespace glimmerlog {
void ReadShellBags(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);
}

namespace {

using namespace glimmerlog;

std::vector<uint8_t> Folder(const std::string& name) {
  FileEntryFields f;
  f.type = 0x31;
  f.shortName = name;
  f.modifiedFat = f.createdFat = f.accessedFat = 0x5A6E5000;
  f.longName = std::u16string(name.begin(), name.end());
  std::vector<uint8_t> list;
  AppendItem(list, FileEntryItem(f));
  EndList(list);
  return list;
}

std::u16string Name(int n) {
  const std::string text = std::to_string(n);
  return std::u16string(text.begin(), text.end());
}

std::vector<uint8_t> MruList(int n) {
  std::vector<uint8_t> out;
  for (int i = 0; i < n; ++i) out.insert(out.end(), {uint8_t(i), uint8_t(i >> 8), 0, 0});
  out.insert(out.end(), {255, 255, 255, 255});
  return out;
}

const std::vector<uint8_t>& TenThousandItems() {
  static const std::vector<uint8_t> file = [] {
    HiveWriter w;
    std::vector<uint32_t> tops, topValues;
    for (int i = 0; i < 100; ++i) {
      std::vector<uint32_t> leaves, values;
      for (int j = 0; j < 99; ++j) {
        const std::u16string n = Name(j);
        values.push_back(w.Value(n, 3, Folder("sub" + std::to_string(j))));
        leaves.push_back(w.Key(n, 5, {w.Value(u"NodeSlot", 4, {uint8_t(j), 0, 0, 0})}));
      }
      values.push_back(w.Value(u"MRUListEx", 3, MruList(99)));
      values.push_back(w.Value(u"NodeSlot", 4, {uint8_t(i), 1, 0, 0}));
      const std::u16string n = Name(i);
      topValues.push_back(w.Value(n, 3, Folder("top" + std::to_string(i))));
      tops.push_back(w.Key(n, 4, values, w.List("lh", leaves), 99));
    }
    topValues.push_back(w.Value(u"MRUListEx", 3, MruList(100)));
    const uint32_t bagMru = w.Key(u"BagMRU", 3, topValues, w.List("lh", tops), 100);
    uint32_t key = w.Key(u"Shell", 2, {}, w.List("lf", {bagMru}), 1);
    for (const char16_t* parent : {u"Windows", u"Microsoft", u"Software", u"Local Settings"}) {
      key = w.Key(parent, 2, {}, w.List("lf", {key}), 1);
    }
    return w.File(w.Key(u"ROOT", 2, {}, w.List("lf", {key}), 1));
  }();
  return file;
}

class NoPaths final : public ProfilePaths {
 public:
  std::u16string ShellFolder(std::u16string_view) override { return kRegFailureText; }
};

void ShellBagsView(benchmark::State& state) {
  HiveRegistrySource classes(TenThousandItems());
  HiveRegistrySource user(TenThousandItems());
  PosixFolderSource folders("/nonexistent");
  NoPaths paths;
  for (auto _ : state) {
    ViewSources sources{user, folders, paths, "Vista"};
    sources.classes = &classes;
    Table table;
    Progress progress;
    ReadShellBags(sources, table, progress, nullptr);
    if (table.RowCount() != 10000) state.SkipWithError("not 10,000 lines");
    benchmark::DoNotOptimize(table.RowCount());
  }
}
BENCHMARK(ShellBagsView)->Unit(benchmark::kMillisecond);

// Every key of the tree: its value names, each value's data, its subkeys.
void PlainValueLoop(benchmark::State& state) {
  HiveRegistrySource classes(TenThousandItems());
  const std::u16string root = u"Local Settings\\Software\\Microsoft\\Windows\\Shell\\BagMRU";
  for (auto _ : state) {
    size_t bytes = 0;
    std::vector<std::u16string> stack{root}, names, subkeys;
    while (!stack.empty()) {
      const std::u16string key = stack.back();
      stack.pop_back();
      classes.ValueNames(key, names);
      for (const std::u16string& n : names) {
        RegistryData data;
        classes.ReadValue(key, n, data);
        bytes += data.bytes.size();
      }
      classes.SubKeys(key, subkeys);
      for (const std::u16string& s : subkeys) stack.push_back(key + u"\\" + s);
    }
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(PlainValueLoop)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
