// libFuzzer target for the ShellBags walk. Each input is used twice:
// - as a registry of its own: every key below BagMRU takes its values, its
//   MRU list and its subkeys from the input's bytes at a place chosen by the
//   key's path, so that any shape of tree, item and list is reached (deep
//   chains, keys that repeat the one above, values without subkeys);
// - as edits to a written hive with a small BagMRU tree (3 bytes offset,
//   1 byte length, the bytes), through the hive reader as UsrClass.dat and
//   as NTUSER.DAT.
#include <cstdlib>
#include <string>
#include <vector>

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

// A registry whose keys below any BagMRU are made from the input.
class BytesRegistry final : public RegistrySource {
 public:
  BytesRegistry(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  SourceStatus ValueNames(std::u16string_view key, std::vector<std::u16string>& names) override {
    names.clear();
    size_t depth;
    if (!InTree(key, depth)) return SourceStatus::kMissing;
    const uint8_t shape = Byte(key, 0);
    for (unsigned i = 0; i < shape % 5u; ++i) names.push_back(std::u16string(1, char16_t(u'0' + i)));
    if (shape & 0x80) names.push_back(u"MRUListEx");
    if (shape & 0x40) names.push_back(u"NodeSlot");
    return SourceStatus::kOk;
  }
  SourceStatus ReadValue(std::u16string_view key, std::u16string_view name, RegistryData& data) override {
    data = RegistryData{};
    size_t depth;
    if (!InTree(key, depth)) return SourceStatus::kMissing;
    const size_t at = Hash(key, name) % (size_ ? size_ : 1);
    const size_t length = size_ ? data_[at] : 0;
    data.type = name == u"NodeSlot" ? 4 : 3;
    for (size_t i = 0; i < length && at + 1 + i < size_; ++i) data.bytes.push_back(data_[at + 1 + i]);
    return SourceStatus::kOk;
  }
  SourceStatus SubKeys(std::u16string_view key, std::vector<std::u16string>& names) override {
    names.clear();
    size_t depth;
    if (!InTree(key, depth)) return SourceStatus::kMissing;
    // A few levels with a few subkeys each keep every tree small.
    const uint8_t shape = Byte(key, 1);
    if (depth < 8) {
      for (unsigned i = 0; i < shape % 4u; ++i) names.push_back(std::u16string(1, char16_t(u'0' + i)));
    }
    return SourceStatus::kOk;
  }
  SourceStatus LastWriteTime(std::u16string_view key, uint64_t& time) override {
    size_t depth;
    if (!InTree(key, depth) && key.find(u"Bags") == std::u16string_view::npos) return SourceStatus::kMissing;
    time = Byte(key, 2) * 1000000000ull;
    return SourceStatus::kOk;
  }

 private:
  static bool InTree(std::u16string_view key, size_t& depth) {
    const size_t at = key.find(u"BagMRU");
    if (at == std::u16string_view::npos) return false;
    depth = 0;
    for (size_t i = at; i < key.size(); ++i) depth += key[i] == u'\\';
    return true;
  }
  static uint64_t Hash(std::u16string_view a, std::u16string_view b = {}) {
    uint64_t h = 1469598103934665603ull;
    for (char16_t c : a) h = (h ^ c) * 1099511628211ull;
    for (char16_t c : b) h = (h ^ c) * 1099511628211ull;
    return h;
  }
  uint8_t Byte(std::u16string_view key, unsigned salt) const {
    return size_ ? data_[(Hash(key) + salt) % size_] : 0;
  }
  const uint8_t* data_;
  size_t size_;
};

std::vector<uint8_t> Value(const std::vector<uint8_t>& item) {
  std::vector<uint8_t> list;
  AppendItem(list, item);
  EndList(list);
  return list;
}

std::vector<uint8_t> SeedHive() {
  HiveWriter w;
  FileEntryFields folder;
  folder.type = 0x31;
  folder.shortName = "Users";
  folder.modifiedFat = folder.createdFat = folder.accessedFat = 0x5A6E5000;
  folder.longName = u"Users";
  const uint32_t leaf = w.Key(u"0", 5, {w.Value(u"0", 3, Value(FileEntryItem(folder))),
                                       w.Value(u"NodeSlot", 4, {2, 0, 0, 0})});
  const uint32_t drive = w.Key(u"0", 4, {w.Value(u"0", 3, Value(VolumeItem('C'))),
                                        w.Value(u"MRUListEx", 3, {0, 0, 0, 0, 255, 255, 255, 255})},
                               w.List("lf", {leaf}), 1);
  const uint32_t bagMru = w.Key(u"BagMRU", 3, {w.Value(u"0", 3, Value(MyComputerItem())),
                                              w.Value(u"MRUListEx", 3, {0, 0, 0, 0, 255, 255, 255, 255})},
                                w.List("lf", {drive}), 1);
  const uint32_t bags = w.Key(u"Bags", 2, {}, w.List("lf", {w.Key(u"2", 6)}), 1);
  uint32_t key = w.Key(u"Shell", 2, {}, w.List("lf", {bagMru, bags}), 2);
  for (const char16_t* parent : {u"Windows", u"Microsoft", u"Software", u"Local Settings"}) {
    key = w.Key(parent, 2, {}, w.List("lf", {key}), 1);
  }
  return w.File(w.Key(u"ROOT", 2, {}, w.List("lf", {key}), 1));
}

void Walk(RegistrySource& classes, RegistrySource& user) {
  PosixFolderSource folders("/nonexistent");
  class NoPaths final : public ProfilePaths {
   public:
    std::u16string ShellFolder(std::u16string_view) override { return kRegFailureText; }
  } paths;
  ViewSources sources{user, folders, paths, "Vista"};
  sources.classes = &classes;
  Table table;
  Timeline timeline;
  Progress progress;
  ReadShellBags(sources, table, progress, &timeline);
  for (size_t r = 0; r < table.RowCount(); ++r) {
    for (size_t c = 0; c < table.columns.size(); ++c) (void)table.Cell(r, c);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BytesRegistry made(data, size);
  Walk(made, made);

  static const std::vector<uint8_t> seed = SeedHive();
  std::vector<uint8_t> file = seed;
  for (size_t i = 0; i + 4 <= size;) {
    const size_t offset = (size_t{data[i]} | size_t{data[i + 1]} << 8 | size_t{data[i + 2]} << 16) % file.size();
    const size_t length = data[i + 3];
    i += 4;
    for (size_t k = 0; k < length && i < size; ++k, ++i) file[(offset + k) % file.size()] = data[i];
  }
  HiveRegistrySource hive(file);
  HiveRegistrySource user(std::move(file));
  Walk(hive, user);
  return 0;
}
