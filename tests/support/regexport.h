// A registry export (.reg: UTF-16LE with BOM, or REGEDIT4 text in UTF-8;
// values as hex(N):, hex:, dword: or "text") read into memory, and a
// registry source over it: the keys below HKEY_CURRENT_USER as the export
// lists them, values in file order. Lets the platform-free readers run on
// the value bytes of real hives.
#ifndef GLIMMERLOG_TESTS_SUPPORT_REGEXPORT_H
#define GLIMMERLOG_TESTS_SUPPORT_REGEXPORT_H

#include <map>
#include <string>
#include <vector>

#include "sources/registry/registrysource.h"

namespace glimmerlog {

struct RegExportValue {
  std::u16string name;  // empty for the default value (@)
  RegistryData data;
};

// Key names are compared without regard to ASCII case, as the registry does.
struct RegKeyLess {
  bool operator()(const std::u16string& a, const std::u16string& b) const;
};

struct RegExport {
  // Path below HKEY_CURRENT_USER -> values in file order.
  std::map<std::u16string, std::vector<RegExportValue>, RegKeyLess> keys;
  // Keys that a "[-HKEY_CURRENT_USER\...]" line deleted after the file gave
  // them (each with its subkeys, as regedit deletes them), with the values
  // they had: they are no longer in `keys`.
  std::map<std::u16string, std::vector<RegExportValue>, RegKeyLess> deleted;
};

// Parses the export's bytes; lines it does not understand are skipped.
RegExport ParseRegExport(const std::string& bytes);
// Reads GL_TESTDATA_DIR-relative or absolute `path`; false when absent.
bool LoadRegExport(const std::string& path, RegExport& out);

// A read-only registry source over an export. Key times are unknown (the
// export has none) unless set in `keyTimes`.
class RegExportSource final : public RegistrySource {
 public:
  explicit RegExportSource(RegExport file) : file_(std::move(file)) {}
  RegExport& File() { return file_; }
  std::map<std::u16string, uint64_t, RegKeyLess> keyTimes;

  SourceStatus ValueNames(std::u16string_view subKey, std::vector<std::u16string>& names) override;
  SourceStatus ReadValue(std::u16string_view subKey, std::u16string_view valueName, RegistryData& data) override;
  SourceStatus SubKeys(std::u16string_view subKey, std::vector<std::u16string>& names) override;
  SourceStatus LastWriteTime(std::u16string_view subKey, uint64_t& fileTime) override;

 private:
  const std::vector<RegExportValue>* Find(std::u16string_view subKey) const;
  RegExport file_;
};

}  // namespace glimmerlog

#endif
