#include "views/registrylister.h"

namespace glimmerlog {

namespace {

constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4, kRegQword = 11;

}  // namespace

std::vector<std::u16string> RegistryLister::SubKeys(const std::u16string& key) {
  std::vector<std::u16string> names;
  Problem(key, {}, registry_.SubKeys(key, names));
  return names;
}

std::vector<std::u16string> RegistryLister::ValueNames(const std::u16string& key) {
  std::vector<std::u16string> names;
  Problem(key, {}, registry_.ValueNames(key, names));
  return names;
}

uint64_t RegistryLister::KeyTime(const std::u16string& key) {
  uint64_t time = 0;
  if (registry_.LastWriteTime(key, time) != SourceStatus::kOk) return 0;
  return time;
}

bool RegistryLister::Read(const std::u16string& key, std::u16string_view name, RegistryData& data) {
  const SourceStatus status = registry_.ReadValue(key, name, data);
  Problem(key, name, status);
  return status == SourceStatus::kOk;
}

bool RegistryLister::Text(const std::u16string& key, std::u16string_view name, std::u16string& text) {
  RegistryData data;
  if (!Read(key, name, data)) return false;
  if (data.type != kRegSz && data.type != kRegExpandSz) {
    Problem(key, name, u"not text");
    return false;
  }
  text = Utf16ZText(data.bytes.data(), data.bytes.size());
  return true;
}

bool RegistryLister::Number(const std::u16string& key, std::u16string_view name, uint64_t& number) {
  RegistryData data;
  if (!Read(key, name, data)) return false;
  const size_t size = data.bytes.size();
  const bool typed = data.type == kRegDword || data.type == kRegQword || data.type == kRegBinary;
  if (!typed || (size != 4 && size != 8)) {
    Problem(key, name, u"not a number");
    return false;
  }
  number = 0;
  for (size_t i = size; i-- > 0;) number = number << 8 | data.bytes[i];
  return true;
}

void RegistryLister::Problem(const std::u16string& key, std::u16string_view name, std::u16string_view what) {
  std::u16string text = key.compare(0, prefix_.size(), prefix_) == 0 ? key.substr(prefix_.size()) : key;
  if (!name.empty()) text += u" value " + std::u16string(name);
  table_.Problem(text + u": " + std::u16string(what));
}

void RegistryLister::Problem(const std::u16string& key, std::u16string_view name, SourceStatus status) {
  if (status == SourceStatus::kOk || status == SourceStatus::kMissing) return;
  Problem(key, name, AsciiText(StatusName(status)));
}

}  // namespace glimmerlog
