// The user's registry as the views read it, behind an interface: today the
// live registry of the signed-in user; a hive file read by the program can
// stand in for it. Text is UTF-16 as stored. Every call is read-only.
#ifndef GLIMMERLOG_SOURCES_REGISTRY_REGISTRYSOURCE_H
#define GLIMMERLOG_SOURCES_REGISTRY_REGISTRYSOURCE_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sources/status.h"

namespace glimmerlog {

class Hive;

// A value as stored: its type (REG_SZ = 1, REG_EXPAND_SZ = 2, REG_BINARY = 3,
// REG_DWORD = 4, REG_MULTI_SZ = 7, ...) and its bytes.
struct RegistryData {
  uint32_t type = 0;
  std::vector<uint8_t> bytes;
};

class RegistrySource {
 public:
  virtual ~RegistrySource() = default;

  // The readers of the list views, with their behaviour exactly: a key that
  // cannot be opened, or a value that is missing, of another type than text
  // or number, or empty, gives "error440"; value names are listed each with
  // a comma, and the listing ends at the first name of 20 characters or more.
  // By default they are made from ReadValue and ValueNames with those rules
  // (regtext.h); a key listed in part gives the names that could be read.
  virtual std::u16string GetRegValue(std::u16string_view subKey, std::u16string_view valueName);
  virtual std::u16string GetRegValueNames(std::u16string_view subKey);

  // What later views need: names of any length, the data as stored, the
  // subkeys and the key's last-write time (FILETIME). Each says why it failed.
  virtual SourceStatus ValueNames(std::u16string_view subKey, std::vector<std::u16string>& names) = 0;
  virtual SourceStatus ReadValue(std::u16string_view subKey, std::u16string_view valueName, RegistryData& data) = 0;
  virtual SourceStatus SubKeys(std::u16string_view subKey, std::vector<std::u16string>& names) = 0;
  virtual SourceStatus LastWriteTime(std::u16string_view subKey, uint64_t& fileTime) = 0;

  // The hive file the keys are read from, for what only the file holds (its
  // free cells); null for the live registry, which gives no access to them.
  virtual const Hive* OfflineHive() const { return nullptr; }
};

// The failure text of the list views' readers.
inline constexpr char16_t kRegFailureText[] = u"error440";

}  // namespace glimmerlog

#endif
