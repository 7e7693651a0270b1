#include "tests/support/hivetree.h"

#include "tests/support/hive_writer.h"

namespace glimmerlog {

HiveNode& HiveNode::Key(std::u16string_view path, uint64_t time) {
  HiveNode* node = this;
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) {
      std::unique_ptr<HiveNode>& child = node->children_[std::u16string(path.substr(start, end - start))];
      if (!child) child = std::make_unique<HiveNode>(node->time_);
      node = child.get();
    }
    start = end + 1;
  }
  if (time) node->time_ = time;
  return *node;
}

HiveNode& HiveNode::Value(std::u16string name, uint32_t type, std::vector<uint8_t> bytes) {
  values_.push_back({std::move(name), {type, std::move(bytes)}});
  return *this;
}

HiveNode& HiveNode::Sz(std::u16string name, std::u16string_view text) {
  std::vector<uint8_t> bytes;
  for (char16_t c : text) bytes.insert(bytes.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
  bytes.insert(bytes.end(), {0, 0});
  return Value(std::move(name), 1, std::move(bytes));
}

HiveNode& HiveNode::Dword(std::u16string name, uint32_t value) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
  return Value(std::move(name), 4, std::move(bytes));
}

HiveNode& HiveNode::Qword(std::u16string name, uint64_t value) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
  return Value(std::move(name), 11, std::move(bytes));
}

uint32_t HiveNode::Write(HiveWriter& writer, const std::u16string& name) const {
  std::vector<uint32_t> subkeys;
  for (const auto& [childName, child] : children_) subkeys.push_back(child->Write(writer, childName));
  std::vector<uint32_t> values;
  for (const RegExportValue& v : values_) values.push_back(writer.Value(v.name, v.data.type, v.data.bytes));
  const uint32_t list = subkeys.empty() ? HiveWriter::kNone : writer.List("lh", subkeys);
  return writer.Key(name, time_, values, list, static_cast<uint32_t>(subkeys.size()));
}

std::vector<uint8_t> HiveNode::File() const {
  HiveWriter writer;
  return writer.File(Write(writer, u"ROOT"));
}

}  // namespace glimmerlog
