// A tree of registry keys written as a hive file (regf), for tests that give
// the program and a peer the same keys: each key with its own last-write
// time, values in the order given, subkeys stored in name order without
// regard to case, as Windows stores them.
#ifndef GLIMMERLOG_TESTS_SUPPORT_HIVETREE_H
#define GLIMMERLOG_TESTS_SUPPORT_HIVETREE_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/regexport.h"

namespace glimmerlog {

class HiveNode {
 public:
  explicit HiveNode(uint64_t time = 0) : time_(time) {}
  // The key at `path` below this one ("Software\Microsoft"), made with the
  // keys it passes through (which take this key's time); its time is set to
  // `time` when that is not 0.
  HiveNode& Key(std::u16string_view path, uint64_t time = 0);
  HiveNode& Value(std::u16string name, uint32_t type, std::vector<uint8_t> bytes);
  HiveNode& Sz(std::u16string name, std::u16string_view text);  // REG_SZ with its NUL
  HiveNode& Dword(std::u16string name, uint32_t value);
  HiveNode& Qword(std::u16string name, uint64_t value);

  // The whole file, with this key as its root.
  std::vector<uint8_t> File() const;

 private:
  uint32_t Write(class HiveWriter& writer, const std::u16string& name) const;
  uint64_t time_;
  std::vector<RegExportValue> values_;
  std::map<std::u16string, std::unique_ptr<HiveNode>, RegKeyLess> children_;
};

}  // namespace glimmerlog

#endif
