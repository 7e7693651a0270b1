// The signed-in user's registry (HKEY_CURRENT_USER) through the wide
// functions, opened for reading only.
#include <windows.h>

#include "base/winutil_win.h"
#include "sources/live.h"
#include "sources/registry/prefixedregistry.h"
#include "sources/registry/regAPI.h"

namespace glimmerlog {

namespace {

std::u16string U16(const std::wstring& s) { return std::u16string(AsU16(s)); }

SourceStatus StatusOf(LONG error) {
  switch (error) {
    case ERROR_SUCCESS: return SourceStatus::kOk;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return SourceStatus::kMissing;
    case ERROR_ACCESS_DENIED: return SourceStatus::kDenied;
    default: return SourceStatus::kDamaged;
  }
}

// One root key of the running Windows's registry: the signed-in user's
// (HKEY_CURRENT_USER) or the machine's (HKEY_LOCAL_MACHINE).
class LiveRegistrySource final : public RegistrySource {
 public:
  explicit LiveRegistrySource(HKEY root) : root_(root) {}

  std::u16string GetRegValue(std::u16string_view subKey, std::u16string_view valueName) override {
    return U16(glimmerlog::GetRegValue(root_, AsWide(subKey), AsWide(valueName)));
  }
  std::u16string GetRegValueNames(std::u16string_view subKey) override {
    return U16(glimmerlog::GetRegValueNames(root_, AsWide(subKey)));
  }

  SourceStatus ValueNames(std::u16string_view subKey, std::vector<std::u16string>& names) override {
    names.clear();
    UniqueHkey key;
    if (const LONG e = Open(subKey, key)) return StatusOf(e);
    DWORD longest = 0;
    if (const LONG e = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        &longest, nullptr, nullptr, nullptr)) {
      return StatusOf(e);
    }
    std::vector<wchar_t> name(longest + 1);
    for (DWORD index = 0;; ++index) {
      DWORD length = static_cast<DWORD>(name.size());
      const LONG e = RegEnumValueW(key.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (e == ERROR_NO_MORE_ITEMS) break;
      if (e == ERROR_MORE_DATA) {  // a value added meanwhile with a longer name
        name.resize(name.size() * 2);
        --index;
        continue;
      }
      if (e != ERROR_SUCCESS) return StatusOf(e);
      names.emplace_back(reinterpret_cast<const char16_t*>(name.data()), length);
    }
    return SourceStatus::kOk;
  }

  SourceStatus ReadValue(std::u16string_view subKey, std::u16string_view valueName, RegistryData& data) override {
    data = RegistryData{};
    UniqueHkey key;
    if (const LONG e = Open(subKey, key)) return StatusOf(e);
    const std::wstring name = AsWide(valueName);
    for (int attempt = 0; attempt < 4; ++attempt) {
      DWORD type = 0, size = 0;
      LONG e = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size);
      if (e != ERROR_SUCCESS) return StatusOf(e);
      data.bytes.resize(size);
      e = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.bytes.data(), &size);
      if (e == ERROR_MORE_DATA) continue;  // it grew meanwhile
      if (e != ERROR_SUCCESS) return StatusOf(e);
      data.type = type;
      data.bytes.resize(size);
      return SourceStatus::kOk;
    }
    return SourceStatus::kDamaged;
  }

  SourceStatus SubKeys(std::u16string_view subKey, std::vector<std::u16string>& names) override {
    names.clear();
    UniqueHkey key;
    if (const LONG e = Open(subKey, key)) return StatusOf(e);
    wchar_t name[256];  // key names are at most 255 characters
    for (DWORD index = 0;; ++index) {
      DWORD length = static_cast<DWORD>(std::size(name));
      const LONG e = RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (e == ERROR_NO_MORE_ITEMS) break;
      if (e != ERROR_SUCCESS) return StatusOf(e);
      names.emplace_back(reinterpret_cast<const char16_t*>(name), length);
    }
    return SourceStatus::kOk;
  }

  SourceStatus LastWriteTime(std::u16string_view subKey, uint64_t& fileTime) override {
    fileTime = 0;
    UniqueHkey key;
    if (const LONG e = Open(subKey, key)) return StatusOf(e);
    FILETIME written{};
    if (const LONG e = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        nullptr, nullptr, nullptr, &written)) {
      return StatusOf(e);
    }
    fileTime = uint64_t{written.dwHighDateTime} << 32 | written.dwLowDateTime;
    return SourceStatus::kOk;
  }

 private:
  LONG Open(std::u16string_view subKey, UniqueHkey& key) const {
    return RegOpenKeyExW(root_, AsWide(subKey).c_str(), 0, KEY_READ, key.put());
  }

  HKEY root_;
};

}  // namespace

RegistrySource& LiveRegistry() {
  static LiveRegistrySource source(HKEY_CURRENT_USER);
  return source;
}

RegistrySource& LiveSystem() {
  static LiveRegistrySource machine(HKEY_LOCAL_MACHINE);
  static PrefixedRegistry system(machine, u"SYSTEM");
  return system;
}

RegistrySource& LiveClasses() {
  static PrefixedRegistry classes(LiveRegistry(), u"Software\\Classes");
  return classes;
}

}  // namespace glimmerlog
