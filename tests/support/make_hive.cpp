// Writes a user's registry hive file (NTUSER.DAT) holding the keys of a .reg
// file below HKEY_CURRENT_USER, for profile folders that tests assemble from
// scripts (the demo profile). Keys the file only passes through are made
// too; subkeys are stored in name order without regard to case, as Windows
// stores them, and values in the file's order. Every key has one time.
//
//   gl_make_hive KEYS.reg NTUSER.DAT
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/hive_writer.h"
#include "tests/support/regexport.h"

namespace glimmerlog {
namespace {

// 2025-11-30 18:13:20 UTC, the latest of the demo's own times.
constexpr uint64_t kKeyTime = 134090000000000000ull;

struct Node {
  const std::vector<RegExportValue>* values = nullptr;
  std::map<std::u16string, std::unique_ptr<Node>, RegKeyLess> children;
};

Node& Child(Node& parent, const std::u16string& name) {
  std::unique_ptr<Node>& child = parent.children[name];
  if (!child) child = std::make_unique<Node>();
  return *child;
}

uint32_t WriteKey(HiveWriter& writer, const std::u16string& name, const Node& node) {
  std::vector<uint32_t> subkeys;
  for (const auto& [childName, child] : node.children) subkeys.push_back(WriteKey(writer, childName, *child));
  std::vector<uint32_t> values;
  if (node.values) {
    for (const RegExportValue& v : *node.values) values.push_back(writer.Value(v.name, v.data.type, v.data.bytes));
  }
  const uint32_t list = subkeys.empty() ? HiveWriter::kNone : writer.List("lh", subkeys);
  return writer.Key(name, kKeyTime, values, list, static_cast<uint32_t>(subkeys.size()));
}

}  // namespace
}  // namespace glimmerlog

int main(int argc, char** argv) {
  using namespace glimmerlog;
  if (argc != 3) {
    std::fprintf(stderr, "usage: gl_make_hive KEYS.reg NTUSER.DAT\n");
    return 2;
  }
  RegExport keys;
  if (!LoadRegExport(argv[1], keys)) {
    std::fprintf(stderr, "gl_make_hive: cannot read %s\n", argv[1]);
    return 1;
  }
  Node root;
  for (const auto& [path, values] : keys.keys) {
    Node* node = &root;
    size_t start = 0;
    while (start <= path.size()) {
      size_t end = path.find(u'\\', start);
      if (end == std::u16string::npos) end = path.size();
      if (end > start) node = &Child(*node, path.substr(start, end - start));
      start = end + 1;
    }
    node->values = &values;
  }
  HiveWriter writer;
  const uint32_t rootCell = WriteKey(writer, u"ROOT", root);
  const std::vector<uint8_t> file = writer.File(rootCell);
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out.flush()) {
    std::fprintf(stderr, "gl_make_hive: cannot write %s\n", argv[2]);
    return 1;
  }
  std::fprintf(stderr, "%zu keys, %zu bytes written to %s\n", keys.keys.size(), file.size(), argv[2]);
  return 0;
}
