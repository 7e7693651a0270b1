// The registry of another profile as the views read it: a registry source
// over a hive file read by the program (NTUSER.DAT, whose root key stands for
// HKEY_CURRENT_USER). Answers exactly as the live registry would for the same
// keys and values, without loading the hive into the system's registry.
#ifndef GLIMMERLOG_SOURCES_HIVE_HIVESOURCE_H
#define GLIMMERLOG_SOURCES_HIVE_HIVESOURCE_H

#include <string>
#include <vector>

#include "sources/hive/regf.h"
#include "sources/registry/registrysource.h"

namespace glimmerlog {

class HiveRegistrySource final : public RegistrySource {
 public:
  // Takes the whole file's bytes.
  explicit HiveRegistrySource(std::vector<uint8_t> bytes) : hive_(std::move(bytes)) {}

  // What the window shows about the file: why it cannot be read (empty when
  // it can), whether it was not written completely, the name of its root key
  // and when it was last written (FILETIME ticks, UTC).
  const std::string& Problem() const { return hive_.Problem(); }
  bool Dirty() const { return hive_.Dirty(); }
  std::u16string RootKeyName() const { return hive_.KeyName(hive_.Root()); }
  uint64_t LastWritten() const { return hive_.LastWritten(); }
  const Hive& hive() const { return hive_; }

  // Paths are below the hive's root key. Lists come in stored order, which
  // is the platform's enumeration order; a damaged list gives kDamaged with
  // the entries that could be read.
  SourceStatus ValueNames(std::u16string_view subKey, std::vector<std::u16string>& names) override;
  SourceStatus ReadValue(std::u16string_view subKey, std::u16string_view valueName, RegistryData& data) override;
  SourceStatus SubKeys(std::u16string_view subKey, std::vector<std::u16string>& names) override;
  SourceStatus LastWriteTime(std::u16string_view subKey, uint64_t& fileTime) override;

 private:
  Hive hive_;
};

}  // namespace glimmerlog

#endif
