// Reading the keys and values of a registry list for a view: each call
// names what is there but could not be read in the table's problems, and
// gives what it could. A key or value that is not there is no problem: most
// users never made most lists. Platform-free.
#ifndef GLIMMERLOG_VIEWS_REGISTRYLISTER_H
#define GLIMMERLOG_VIEWS_REGISTRYLISTER_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sources/registry/registrysource.h"
#include "views/table.h"

namespace glimmerlog {

class RegistryLister {
 public:
  // Problems name keys without `prefix` ("Software\Microsoft\" names
  // "Office\16.0\Word\File MRU").
  RegistryLister(RegistrySource& registry, Table& table, std::u16string prefix)
      : registry_(registry), table_(table), prefix_(std::move(prefix)) {}

  // A damaged list gives the names that could be read.
  std::vector<std::u16string> SubKeys(const std::u16string& key);
  std::vector<std::u16string> ValueNames(const std::u16string& key);
  // 0 when it cannot be read.
  uint64_t KeyTime(const std::u16string& key);
  // The value as stored; false when it is missing or cannot be read.
  bool Read(const std::u16string& key, std::u16string_view name, RegistryData& data);
  // A REG_SZ or REG_EXPAND_SZ value's text up to its first NUL; false (a
  // problem when it is there) when it is not text.
  bool Text(const std::u16string& key, std::u16string_view name, std::u16string& text);
  // A REG_DWORD or REG_QWORD, or binary data of four or eight bytes, as an
  // unsigned little-endian number; false (a problem when it is there) for
  // data of another size.
  bool Number(const std::u16string& key, std::u16string_view name, uint64_t& number);

  // "<key> value <name>: <what>", or "<key>: <what>" for an empty name.
  void Problem(const std::u16string& key, std::u16string_view name, std::u16string_view what);
  void Problem(const std::u16string& key, std::u16string_view name, SourceStatus status);

 private:
  RegistrySource& registry_;
  Table& table_;
  std::u16string prefix_;
};

}  // namespace glimmerlog

#endif
