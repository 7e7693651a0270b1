#include "sources/hive/hivesource.h"

namespace glimmerlog {

namespace {
// Names of distinct cells together never hold more characters than the file
// has bytes; cells of a damaged hive that overlap could make them seem to,
// and a listing stops there.
bool WithinFile(size_t& total, const std::u16string& name, const Hive& hive) {
  total += name.size();
  return total <= hive.FileSize();
}
}  // namespace

SourceStatus HiveRegistrySource::ValueNames(std::u16string_view subKey, std::vector<std::u16string>& names) {
  names.clear();
  HiveKey key;
  if (const SourceStatus found = hive_.FindKey(subKey, key); found != SourceStatus::kOk) return found;
  std::vector<HiveValue> values;
  const SourceStatus listed = hive_.Values(key, values);
  names.reserve(values.size());
  size_t total = 0;
  for (HiveValue value : values) {
    names.push_back(hive_.ValueName(value));
    if (!WithinFile(total, names.back(), hive_)) return SourceStatus::kDamaged;
  }
  return listed;
}

SourceStatus HiveRegistrySource::ReadValue(std::u16string_view subKey, std::u16string_view valueName,
                                           RegistryData& data) {
  data = RegistryData{};
  HiveKey key;
  if (const SourceStatus found = hive_.FindKey(subKey, key); found != SourceStatus::kOk) return found;
  HiveValue value;
  if (const SourceStatus found = hive_.FindValue(key, valueName, value); found != SourceStatus::kOk) return found;
  data.type = hive_.ValueType(value);
  return hive_.ValueData(value, data.bytes);
}

SourceStatus HiveRegistrySource::SubKeys(std::u16string_view subKey, std::vector<std::u16string>& names) {
  names.clear();
  HiveKey key;
  if (const SourceStatus found = hive_.FindKey(subKey, key); found != SourceStatus::kOk) return found;
  std::vector<HiveKey> keys;
  const SourceStatus listed = hive_.SubKeys(key, keys);
  names.reserve(keys.size());
  size_t total = 0;
  for (HiveKey k : keys) {
    names.push_back(hive_.KeyName(k));
    if (!WithinFile(total, names.back(), hive_)) return SourceStatus::kDamaged;
  }
  return listed;
}

SourceStatus HiveRegistrySource::LastWriteTime(std::u16string_view subKey, uint64_t& fileTime) {
  fileTime = 0;
  HiveKey key;
  if (const SourceStatus found = hive_.FindKey(subKey, key); found != SourceStatus::kOk) return found;
  fileTime = hive_.KeyTime(key);
  return SourceStatus::kOk;
}

}  // namespace glimmerlog
