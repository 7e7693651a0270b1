#include "tests/support/hiveexport.h"

#include "base/utf8.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace glimmerlog {

std::string Utf8(std::u16string_view text) { return Utf8Of(text); }

namespace {

struct Node {
  std::string name;
  std::vector<HiveValue> values;
  std::vector<size_t> children;
};

void ExportNode(const Hive& hive, const std::vector<Node>& nodes, size_t index, const std::string& path,
                std::string& out) {
  const Node& node = nodes[index];
  out += "[" + (path.empty() ? std::string("\\") : path) + "]\n";
  struct Value {
    std::string name;
    HiveValue value;
  };
  std::vector<Value> values;
  for (HiveValue v : node.values) values.push_back({Utf8(hive.ValueName(v)), v});
  std::stable_sort(values.begin(), values.end(), [](const Value& a, const Value& b) { return a.name < b.name; });
  std::vector<uint8_t> data;
  char buffer[32];
  for (const Value& v : values) {
    if (v.name.empty()) {
      out += "@=";
    } else {
      out += '"';
      for (char c : v.name) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
      }
      out += "\"=";
    }
    hive.ValueData(v.value, data);
    const uint32_t type = hive.ValueType(v.value);
    if (type == 4 && data.size() == 4) {
      std::snprintf(buffer, sizeof(buffer), "dword:%08x\n",
                    data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24);
      out += buffer;
      continue;
    }
    std::snprintf(buffer, sizeof(buffer), "hex(%x):", type);
    out += buffer;
    static const char kHex[] = "0123456789abcdef";
    for (size_t i = 0; i < data.size(); ++i) {
      if (i) out += ',';
      out += kHex[data[i] >> 4];
      out += kHex[data[i] & 15];
    }
    out += '\n';
  }
  out += '\n';
  std::vector<size_t> children = node.children;
  std::stable_sort(children.begin(), children.end(), [&](size_t a, size_t b) { return nodes[a].name < nodes[b].name; });
  for (size_t child : children) ExportNode(hive, nodes, child, path + "\\" + nodes[child].name, out);
}

}  // namespace

std::string HiveExportText(const Hive& hive) {
  std::vector<Node> nodes;
  std::vector<size_t> parents;  // the node at each depth of the current path
  hive.VisitKeys([&](HiveKey key, unsigned depth, const std::vector<HiveValue>& values) {
    parents.resize(depth);
    if (depth > 0) nodes[parents.back()].children.push_back(nodes.size());
    parents.push_back(nodes.size());
    nodes.push_back({Utf8(hive.KeyName(key)), values, {}});
    return true;
  });
  std::string out = "Windows Registry Editor Version 5.00\n\n";
  if (!nodes.empty()) ExportNode(hive, nodes, 0, "", out);
  return out;
}

std::string HiveTreeText(const Hive& hive) {
  std::string out = "hive\t" + std::to_string(hive.LastWritten()) + "\n";
  hive.VisitKeys([&](HiveKey key, unsigned depth, const std::vector<HiveValue>& values) {
    out += "key\t" + std::to_string(depth) + "\t" + std::to_string(hive.KeyTime(key)) + "\t" + Utf8(hive.KeyName(key)) +
           "\n";
    for (HiveValue v : values) out += "value\t" + Utf8(hive.ValueName(v)) + "\n";
    return true;
  });
  return out;
}

}  // namespace glimmerlog
