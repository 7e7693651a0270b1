// Writes a user's registry hive file (NTUSER.DAT) holding the keys of a .reg
// file below HKEY_CURRENT_USER, for profile folders that tests assemble from
// scripts (the demo profile). Keys the file only passes through are made
// too; subkeys are stored in name order without regard to case, as Windows
// stores them, and values in the file's order. Every key has one time.
// A key the file deletes after giving it ("[-HKEY_CURRENT_USER\...]") is
// written with its subkeys and values and then freed, as the platform
// leaves a deleted key: its cells merged into one free cell, its parent's
// list without it.
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

struct Node;
using Children = std::map<std::u16string, std::unique_ptr<Node>, RegKeyLess>;

struct Node {
  const std::vector<RegExportValue>* values = nullptr;
  Children children;
  Children deleted;  // keys deleted from this one
};

Node& Child(Children& children, const std::u16string& name) {
  std::unique_ptr<Node>& child = children[name];
  if (!child) child = std::make_unique<Node>();
  return *child;
}

// The key at a path below `node`, made with the keys on the way when missing.
Node& Walk(Node& node, const std::u16string& path) {
  Node* at = &node;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string::npos) end = path.size();
    if (end > start) at = &Child(at->children, path.substr(start, end - start));
    start = end + 1;
  }
  return *at;
}

// Writes a key, its subkeys before it; each names the key as its parent.
uint32_t WriteKey(HiveWriter& writer, const std::u16string& name, const Node& node) {
  std::vector<uint32_t> subkeys;
  for (const auto& [childName, child] : node.children) subkeys.push_back(WriteKey(writer, childName, *child));
  struct Freed {
    uint32_t key, start, end;
  };
  std::vector<Freed> deleted;
  for (const auto& [childName, child] : node.deleted) {
    const uint32_t start = writer.End();
    const uint32_t key = WriteKey(writer, childName, *child);
    deleted.push_back({key, start, writer.End()});
  }
  std::vector<uint32_t> values;
  if (node.values) {
    for (const RegExportValue& v : *node.values) values.push_back(writer.Value(v.name, v.data.type, v.data.bytes));
  }
  const uint32_t list = subkeys.empty() ? HiveWriter::kNone : writer.List("lh", subkeys);
  const uint32_t key = writer.Key(name, kKeyTime, values, list, static_cast<uint32_t>(subkeys.size()));
  for (uint32_t subkey : subkeys) writer.Set32(subkey, HiveWriter::kKeyParentField, key);
  for (const Freed& d : deleted) {
    writer.Set32(d.key, HiveWriter::kKeyParentField, key);
    writer.Free(d.start, d.end);
  }
  return key;
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
  for (const auto& [path, values] : keys.keys) Walk(root, path).values = &values;
  // Each deleted key hangs below its parent, with the deleted keys below it:
  // below the first key of its path that was deleted.
  for (const auto& [path, values] : keys.deleted) {
    size_t top = 0;
    while ((top = path.find(u'\\', top + 1)) != std::u16string::npos && !keys.deleted.count(path.substr(0, top))) {
    }
    if (top == std::u16string::npos) top = path.size();
    const size_t slash = path.rfind(u'\\', top - 1);
    const size_t name = slash == std::u16string::npos ? 0 : slash + 1;
    Node& parent = name == 0 ? root : Walk(root, path.substr(0, slash));
    Node& deleted = Child(parent.deleted, path.substr(name, top - name));
    Walk(deleted, top < path.size() ? path.substr(top + 1) : std::u16string()).values = &values;
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
