// A registry source that is one key of another: every call goes to the
// other source with the key's path put before the subkey asked for. The
// signed-in user's classes (HKEY_CURRENT_USER\Software\Classes, which the
// system keeps in UsrClass.dat) are read this way from the live registry, so
// that the views read them with the paths the hive file itself uses.
// Platform-free.
#ifndef GLIMMERLOG_SOURCES_REGISTRY_PREFIXEDREGISTRY_H
#define GLIMMERLOG_SOURCES_REGISTRY_PREFIXEDREGISTRY_H

#include <string>
#include <string_view>
#include <vector>

#include "sources/registry/registrysource.h"

namespace glimmerlog {

class PrefixedRegistry final : public RegistrySource {
 public:
  // `prefix`: the key's path in `inner`, without a final backslash.
  PrefixedRegistry(RegistrySource& inner, std::u16string prefix) : inner_(inner), prefix_(std::move(prefix)) {}

  std::u16string GetRegValue(std::u16string_view subKey, std::u16string_view valueName) override;
  std::u16string GetRegValueNames(std::u16string_view subKey) override;
  SourceStatus ValueNames(std::u16string_view subKey, std::vector<std::u16string>& names) override;
  SourceStatus ReadValue(std::u16string_view subKey, std::u16string_view valueName, RegistryData& data) override;
  SourceStatus SubKeys(std::u16string_view subKey, std::vector<std::u16string>& names) override;
  SourceStatus LastWriteTime(std::u16string_view subKey, uint64_t& fileTime) override;

  // The path in the other source of `subKey` ("" is the key itself).
  std::u16string Path(std::u16string_view subKey) const;

 private:
  RegistrySource& inner_;
  std::u16string prefix_;
};

}  // namespace glimmerlog

#endif
