#include "sources/registry/prefixedregistry.h"

namespace glimmerlog {

std::u16string PrefixedRegistry::Path(std::u16string_view subKey) const {
  while (!subKey.empty() && subKey.front() == u'\\') subKey.remove_prefix(1);
  if (subKey.empty()) return prefix_;
  if (prefix_.empty()) return std::u16string(subKey);
  std::u16string path = prefix_;
  path += u'\\';
  path += subKey;
  return path;
}

std::u16string PrefixedRegistry::GetRegValue(std::u16string_view subKey, std::u16string_view valueName) {
  return inner_.GetRegValue(Path(subKey), valueName);
}

std::u16string PrefixedRegistry::GetRegValueNames(std::u16string_view subKey) {
  return inner_.GetRegValueNames(Path(subKey));
}

SourceStatus PrefixedRegistry::ValueNames(std::u16string_view subKey, std::vector<std::u16string>& names) {
  return inner_.ValueNames(Path(subKey), names);
}

SourceStatus PrefixedRegistry::ReadValue(std::u16string_view subKey, std::u16string_view valueName,
                                         RegistryData& data) {
  return inner_.ReadValue(Path(subKey), valueName, data);
}

SourceStatus PrefixedRegistry::SubKeys(std::u16string_view subKey, std::vector<std::u16string>& names) {
  return inner_.SubKeys(Path(subKey), names);
}

SourceStatus PrefixedRegistry::LastWriteTime(std::u16string_view subKey, uint64_t& fileTime) {
  return inner_.LastWriteTime(Path(subKey), fileTime);
}

}  // namespace glimmerlog
