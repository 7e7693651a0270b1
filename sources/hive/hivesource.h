// The registry of another profile as the views read it: a registry source
// over a hive file read by the program (NTUSER.DAT, whose root key stands for
// HKEY_CURRENT_USER). Answers exactly as the live registry would for the same
// keys and values, without loading the hive into the system's registry. A
// hive that was not written completely is read with its transaction logs
// applied in memory (hivelog.h).
#ifndef GLIMMERLOG_SOURCES_HIVE_HIVESOURCE_H
#define GLIMMERLOG_SOURCES_HIVE_HIVESOURCE_H

#include <string>
#include <vector>

#include "sources/hive/hivelog.h"
#include "sources/hive/regf.h"
#include "sources/registry/registrysource.h"

namespace glimmerlog {

class HiveRegistrySource final : public RegistrySource {
 public:
  // Takes the whole file's bytes.
  explicit HiveRegistrySource(std::vector<uint8_t> bytes) : hive_(std::move(bytes)) {}
  // Takes the whole file's bytes and the logs found beside it, and applies
  // them when the hive needs them.
  HiveRegistrySource(std::vector<uint8_t> bytes, const std::vector<HiveLog>& logs)
      : hive_(Replayed(std::move(bytes), logs, logs_)) {}

  // What the window shows about the file: why it cannot be read (empty when
  // it can), whether it is still not written completely (its logs were not
  // applied, or not given), what became of its logs, the name of its root key
  // and when it was last written (FILETIME ticks, UTC).
  const std::string& Problem() const { return hive_.Problem(); }
  bool Dirty() const { return hive_.Dirty(); }
  const HiveLogReplay& Logs() const { return logs_; }
  const std::string& LogsText() const { return logs_.text; }
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
  const Hive* OfflineHive() const override { return &hive_; }

 private:
  static std::vector<uint8_t> Replayed(std::vector<uint8_t> bytes, const std::vector<HiveLog>& logs,
                                       HiveLogReplay& replay) {
    replay = ApplyHiveLogs(bytes, logs);
    return bytes;
  }

  HiveLogReplay logs_;  // made before hive_, which is read from the bytes it changed
  Hive hive_;
};

}  // namespace glimmerlog

#endif
