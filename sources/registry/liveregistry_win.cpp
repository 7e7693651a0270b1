// The signed-in user's registry (HKEY_CURRENT_USER) through the wide
// functions, opened for reading only.
#include <windows.h>

#include <mutex>

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
    return WithKey(subKey, [&](HKEY key) { return ValueNamesOf(key, names); });
  }

  SourceStatus ReadValue(std::u16string_view subKey, std::u16string_view valueName, RegistryData& data) override {
    const std::wstring name = AsWide(valueName);
    return WithKey(subKey, [&](HKEY key) { return ValueOf(key, name, data); });
  }

  SourceStatus SubKeys(std::u16string_view subKey, std::vector<std::u16string>& names) override {
    return WithKey(subKey, [&](HKEY key) { return SubKeysOf(key, names); });
  }

  SourceStatus LastWriteTime(std::u16string_view subKey, uint64_t& fileTime) override {
    return WithKey(subKey, [&](HKEY key) { return LastWriteTimeOf(key, fileTime); });
  }

 private:
  // Readers walk a key's values one call at a time, so the key opened last
  // is kept open for the next call on the same path: opening a key costs as
  // much as reading a value. A kept handle still reads the key as it is now;
  // if the key was deleted meanwhile (and perhaps made again), the call fails
  // on the old handle and is made once more on a freshly opened one. The
  // mutex keeps views read on different threads from sharing a handle
  // while one of them closes it.
  template <typename Read>
  SourceStatus WithKey(std::u16string_view subKey, Read read) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (kept_ && keptPath_ == subKey) {
      const SourceStatus status = read(kept_.get());
      if (status == SourceStatus::kOk || status == SourceStatus::kMissing) return status;
    }
    kept_.reset();
    keptPath_.clear();
    UniqueHkey key;
    if (const LONG e = RegOpenKeyExW(root_, AsWide(subKey).c_str(), 0, KEY_READ, key.put())) return StatusOf(e);
    const SourceStatus status = read(key.get());
    kept_ = std::move(key);
    keptPath_.assign(subKey);
    return status;
  }

  static SourceStatus ValueNamesOf(HKEY key, std::vector<std::u16string>& names) {
    names.clear();
    DWORD longest = 0;
    if (const LONG e = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        &longest, nullptr, nullptr, nullptr)) {
      return StatusOf(e);
    }
    std::vector<wchar_t> name(longest + 1);
    for (DWORD index = 0;; ++index) {
      DWORD length = static_cast<DWORD>(name.size());
      const LONG e = RegEnumValueW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
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

  // One call when the value fits the buffer a value usually fits, two
  // when it is larger (or grew meanwhile).
  static SourceStatus ValueOf(HKEY key, const std::wstring& name, RegistryData& data) {
    data = RegistryData{};
    data.bytes.resize(1024);
    for (int attempt = 0; attempt < 4; ++attempt) {
      DWORD type = 0, size = static_cast<DWORD>(data.bytes.size());
      const LONG e = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.bytes.data(), &size);
      if (e == ERROR_MORE_DATA) {  // larger than the buffer: size says how large
        data.bytes.resize(size);
        continue;
      }
      if (e != ERROR_SUCCESS) {
        data.bytes.clear();
        return StatusOf(e);
      }
      data.type = type;
      data.bytes.resize(size);
      return SourceStatus::kOk;
    }
    data.bytes.clear();
    return SourceStatus::kDamaged;
  }

  static SourceStatus SubKeysOf(HKEY key, std::vector<std::u16string>& names) {
    names.clear();
    wchar_t name[256];  // key names are at most 255 characters
    for (DWORD index = 0;; ++index) {
      DWORD length = static_cast<DWORD>(std::size(name));
      const LONG e = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (e == ERROR_NO_MORE_ITEMS) break;
      if (e != ERROR_SUCCESS) return StatusOf(e);
      names.emplace_back(reinterpret_cast<const char16_t*>(name), length);
    }
    return SourceStatus::kOk;
  }

  static SourceStatus LastWriteTimeOf(HKEY key, uint64_t& fileTime) {
    fileTime = 0;
    FILETIME written{};
    if (const LONG e = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        nullptr, nullptr, &written)) {
      return StatusOf(e);
    }
    fileTime = uint64_t{written.dwHighDateTime} << 32 | written.dwLowDateTime;
    return SourceStatus::kOk;
  }

  HKEY root_;
  std::mutex mutex_;
  UniqueHkey kept_;
  std::u16string keptPath_;
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
