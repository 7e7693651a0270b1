#include "tests/support/regexport.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "tests/support/history_tsv.h"

namespace glimmerlog {

namespace {
char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }
bool SameNoCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return Fold(x) == Fold(y); });
}
int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}
}  // namespace

bool RegKeyLess::operator()(const std::u16string& a, const std::u16string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char16_t x, char16_t y) { return Fold(x) < Fold(y); });
}

RegExport ParseRegExport(const std::string& bytes) {
  std::u16string text;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      text += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8));
    }
  } else {
    text = Utf8ToUtf16(bytes);  // REGEDIT4
  }
  RegExport file;
  const std::u16string root = u"[HKEY_CURRENT_USER\\", removed = u"[-HKEY_CURRENT_USER\\";
  std::vector<RegExportValue>* values = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(u'\n', pos);
    if (end == std::u16string::npos) end = text.size();
    std::u16string line = text.substr(pos, end - pos);
    pos = end + 1;
    // A value's bytes may go on over lines ended by a backslash.
    while (line.size() > 1 && (line.back() == u'\r' || line.back() == u'\\') && pos < text.size()) {
      if (line.back() == u'\r') {
        line.pop_back();
        continue;
      }
      line.pop_back();
      end = text.find(u'\n', pos);
      if (end == std::u16string::npos) end = text.size();
      std::u16string more = text.substr(pos, end - pos);
      pos = end + 1;
      more.erase(0, more.find_first_not_of(u' '));
      line += more;
    }
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    if (line.rfind(removed, 0) == 0 && line.back() == u']') {
      // The key and its subkeys, which follow it in the keys' order among
      // the other keys that begin with its name.
      const std::u16string path = line.substr(removed.size(), line.size() - removed.size() - 1);
      for (auto k = file.keys.lower_bound(path);
           k != file.keys.end() && k->first.size() >= path.size() && SameNoCase(k->first.substr(0, path.size()), path);) {
        if (k->first.size() == path.size() || k->first[path.size()] == u'\\') {
          file.deleted[k->first] = std::move(k->second);
          k = file.keys.erase(k);
        } else {
          ++k;
        }
      }
      values = nullptr;
      continue;
    }
    if (line.rfind(root, 0) == 0 && line.back() == u']') {
      values = &file.keys[line.substr(root.size(), line.size() - root.size() - 1)];
      continue;
    }
    if (!values || line.empty() || (line[0] != u'"' && line[0] != u'@')) continue;
    RegExportValue v;
    size_t i = 1;
    if (line[0] == u'"') {
      for (; i < line.size() && line[i] != u'"'; ++i) {
        if (line[i] == u'\\' && i + 1 < line.size()) ++i;
        v.name += line[i];
      }
      ++i;
    }
    const std::u16string_view rest = std::u16string_view(line).substr(std::min(i, line.size()));
    if (rest.rfind(u"=hex(", 0) == 0) {
      const size_t colon = rest.find(u"):");
      if (colon == std::u16string::npos) continue;
      for (size_t k = 5; k < colon; ++k) v.data.type = v.data.type * 16 + std::max(HexDigit(rest[k]), 0);
      for (size_t k = colon + 2; k + 1 < rest.size() + 1;) {
        const int hi = k < rest.size() ? HexDigit(rest[k]) : -1, lo = k + 1 < rest.size() ? HexDigit(rest[k + 1]) : -1;
        if (hi < 0 || lo < 0) break;
        v.data.bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
        k += 3;
      }
    } else if (rest.rfind(u"=hex:", 0) == 0) {
      v.data.type = 3;
      for (size_t k = 5; k + 1 < rest.size(); k += 3) {
        const int hi = HexDigit(rest[k]), lo = HexDigit(rest[k + 1]);
        if (hi < 0 || lo < 0) break;
        v.data.bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
      }
    } else if (rest.rfind(u"=dword:", 0) == 0) {
      v.data.type = 4;
      uint32_t n = 0;
      for (size_t k = 7; k < rest.size() && HexDigit(rest[k]) >= 0; ++k) n = n * 16 + HexDigit(rest[k]);
      for (int b = 0; b < 4; ++b) v.data.bytes.push_back(static_cast<uint8_t>(n >> (8 * b)));
    } else if (rest.rfind(u"=\"", 0) == 0) {
      v.data.type = 1;
      for (size_t k = 2; k < rest.size() && rest[k] != u'"'; ++k) {
        if (rest[k] == u'\\' && k + 1 < rest.size()) ++k;
        v.data.bytes.push_back(static_cast<uint8_t>(rest[k] & 0xFF));
        v.data.bytes.push_back(static_cast<uint8_t>(rest[k] >> 8));
      }
      v.data.bytes.push_back(0);
      v.data.bytes.push_back(0);
    } else {
      continue;
    }
    values->push_back(std::move(v));
  }
  return file;
}

bool LoadRegExport(const std::string& path, RegExport& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out = ParseRegExport(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
  return true;
}

const std::vector<RegExportValue>* RegExportSource::Find(std::u16string_view subKey) const {
  auto k = file_.keys.find(std::u16string(subKey));
  return k == file_.keys.end() ? nullptr : &k->second;
}

SourceStatus RegExportSource::ValueNames(std::u16string_view subKey, std::vector<std::u16string>& names) {
  names.clear();
  const auto* values = Find(subKey);
  if (!values) return SourceStatus::kMissing;
  for (const RegExportValue& v : *values) names.push_back(v.name);
  return SourceStatus::kOk;
}

SourceStatus RegExportSource::ReadValue(std::u16string_view subKey, std::u16string_view valueName, RegistryData& data) {
  data = RegistryData{};
  const auto* values = Find(subKey);
  if (!values) return SourceStatus::kMissing;
  for (const RegExportValue& v : *values) {
    if (SameNoCase(v.name, valueName)) {
      data = v.data;
      return SourceStatus::kOk;
    }
  }
  return SourceStatus::kMissing;
}

SourceStatus RegExportSource::SubKeys(std::u16string_view subKey, std::vector<std::u16string>& names) {
  names.clear();
  if (!Find(subKey)) return SourceStatus::kMissing;
  const std::u16string prefix = std::u16string(subKey) + u"\\";
  for (auto k = file_.keys.upper_bound(prefix); k != file_.keys.end(); ++k) {
    if (k->first.size() <= prefix.size() ||
        !SameNoCase(std::u16string_view(k->first).substr(0, prefix.size()), prefix)) {
      break;
    }
    const std::u16string rest = k->first.substr(prefix.size());
    if (rest.find(u'\\') == std::u16string::npos) names.push_back(rest);
  }
  return SourceStatus::kOk;
}

SourceStatus RegExportSource::LastWriteTime(std::u16string_view subKey, uint64_t& fileTime) {
  fileTime = 0;
  if (!Find(subKey)) return SourceStatus::kMissing;
  auto t = keyTimes.find(std::u16string(subKey));
  if (t == keyTimes.end()) return SourceStatus::kMissing;
  fileTime = t->second;
  return SourceStatus::kOk;
}

}  // namespace glimmerlog
