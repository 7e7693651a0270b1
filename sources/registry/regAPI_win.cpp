#include "sources/registry/regAPI.h"

#include "base/winutil_win.h"

namespace glimmerlog {

const wchar_t kRegFailure[] = L"error440";

namespace {

// Read rights only (query value, enumerate subkeys, notify, read control):
// the program never writes, and asking for write rights would make a key
// that the user may read but not change look unreadable.
constexpr REGSAM kAccess = KEY_READ;
// Value names are read into a buffer of 20 characters, terminator included.
constexpr DWORD kNameBufferChars = 20;

UniqueHkey OpenKey(HKEY root, const std::wstring& subKey) {
  UniqueHkey key;
  if (RegOpenKeyExW(root, subKey.c_str(), 0, kAccess, key.put()) != ERROR_SUCCESS) key.reset();
  return key;
}

}  // namespace

// REG_SZ: the text up to its first NUL. The data normally ends in one NUL;
// data stored without it keeps all its characters, and anything after an
// embedded NUL (left over by the program that wrote the value) is not part of
// the text, as the platform's own tools show it. Data of no bytes at all gives
// an empty holder, which the readers report as a failure.
LONG QueryRegValue(HKEY key, const std::wstring& valueName, RegValue& holder) {
  DWORD type = 0, size = 0;
  LONG status = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size);
  if (status != ERROR_SUCCESS) return status;

  if (type == REG_SZ) {
    // Room for every reported byte (an odd count included) and a terminator.
    std::vector<wchar_t> buffer((size + 1) / sizeof(wchar_t) + 1, L'\0');
    DWORD read = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    status = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &read);
    if (status != ERROR_SUCCESS || type != REG_SZ) {
      holder = std::monostate{};
      return status != ERROR_SUCCESS ? status : -1;
    }
    const size_t chars = read / sizeof(wchar_t);
    if (chars == 0) {
      holder = std::monostate{};
      return status;
    }
    size_t length = 0;
    while (length < chars && buffer[length] != L'\0') ++length;
    holder = std::wstring(buffer.data(), length);
    return status;
  }
  if (type == REG_DWORD) {
    DWORD value = 0, read = sizeof(value);
    status = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &read);
    if (status == ERROR_SUCCESS && type == REG_DWORD && read == sizeof(value)) {
      holder = static_cast<int32_t>(value);
    }
    return status;
  }
  return -1;
}

std::wstring GetRegValue(HKEY root, const std::wstring& subKey, const std::wstring& valueName) {
  UniqueHkey key = OpenKey(root, subKey);
  if (!key) return kRegFailure;
  RegValue holder;
  QueryRegValue(key.get(), valueName, holder);
  if (const auto* text = std::get_if<std::wstring>(&holder)) return *text;
  if (const auto* number = std::get_if<int32_t>(&holder)) return std::to_wstring(*number);
  return kRegFailure;
}

std::wstring GetShellFolder(const std::wstring& valueName) {
  return GetRegValue(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                     valueName);
}

std::wstring GetRegValueNames(HKEY root, const std::wstring& subKey) {
  UniqueHkey key = OpenKey(root, subKey);
  if (!key) return kRegFailure;
  std::wstring list;
  for (DWORD index = 0;; ++index) {
    wchar_t name[kNameBufferChars] = {};
    DWORD length = kNameBufferChars;
    if (RegEnumValueW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    list.append(name, length);
    list += L',';
  }
  return list;
}

}  // namespace glimmerlog
