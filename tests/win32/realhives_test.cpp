// The registry views over the view keys of real user hives, imported into the
// test prefix from their .reg exports. What each view should list is worked
// out from the .reg file itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "app/mainpro.h"
#include "tests/win32/win32_test_util.h"

namespace glimmerlog {
namespace {

using Lines = std::vector<std::wstring>;

struct RegFileValue {
  std::wstring name;
  int type = 0;
  std::vector<uint8_t> data;
};
// Key path below HKEY_CURRENT_USER -> values, as the export lists them. Key
// names are compared without regard to case, as the registry does.
struct NoCase {
  bool operator()(const std::wstring& a, const std::wstring& b) const { return _wcsicmp(a.c_str(), b.c_str()) < 0; }
};
using RegFile = std::map<std::wstring, std::vector<RegFileValue>, NoCase>;

// Reads an export whose values are all written as hex(N): bytes, as these are.
RegFile ParseRegFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::wstring text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    text += static_cast<wchar_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8));
  }
  RegFile file;
  std::wstring key;
  std::wistringstream lines(text);
  std::wstring line;
  const std::wstring root = L"[HKEY_CURRENT_USER\\";
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (line.rfind(root, 0) == 0) {
      key = line.substr(root.size(), line.size() - root.size() - 1);
      file[key];
      continue;
    }
    if (line.empty() || line[0] != L'"') continue;
    RegFileValue v;
    size_t i = 1;
    for (; i < line.size() && line[i] != L'"'; ++i) {
      if (line[i] == L'\\' && i + 1 < line.size()) ++i;
      v.name += line[i];
    }
    const size_t open = line.find(L"=hex(", i);
    const size_t colon = line.find(L"):", open);
    if (open == std::wstring::npos || colon == std::wstring::npos) continue;
    v.type = std::stoi(line.substr(open + 5, colon - open - 5), nullptr, 16);
    std::wistringstream hex(line.substr(colon + 2));
    std::wstring pair;
    while (std::getline(hex, pair, L',')) {
      if (!pair.empty()) v.data.push_back(static_cast<uint8_t>(std::stoi(pair, nullptr, 16)));
    }
    file[key].push_back(std::move(v));
  }
  return file;
}

// What the registry reader makes of a value: its text, or "error440".
std::wstring TextOf(const RegFileValue& v) {
  if (v.type == REG_SZ) {
    std::wstring s;
    for (size_t i = 0; i + 1 < v.data.size(); i += 2) {
      const wchar_t c = static_cast<wchar_t>(v.data[i] | (v.data[i + 1] << 8));
      if (c == 0) break;
      s += c;
    }
    return v.data.size() < 2 ? L"error440" : s;
  }
  if (v.type == REG_DWORD && v.data.size() == 4) {
    int32_t n = 0;
    memcpy(&n, v.data.data(), 4);
    return std::to_wstring(n);
  }
  return L"error440";
}

enum class Rule { kRun, kOpen, kPlain, kAll };

Lines Expected(const RegFile& file, const std::wstring& key, Rule rule) {
  Lines out;
  auto it = file.find(key);
  if (it == file.end()) return out;
  for (const RegFileValue& v : it->second) {
    if (v.name.find_first_not_of(L' ') == std::wstring::npos) continue;
    const std::wstring text = TextOf(v);
    if (rule == Rule::kAll) {
      out.push_back(text);
      continue;
    }
    if (text.empty() || text == L"error440") continue;
    if (rule == Rule::kRun && text.find(L'\\') != std::wstring::npos && text.size() >= 2) {
      out.push_back(text.substr(0, text.size() - 2));
    } else if (rule == Rule::kOpen && text.find(L':') != std::wstring::npos) {
      out.push_back(text);
    } else if (rule == Rule::kPlain) {
      out.push_back(text);
    }
  }
  return out;
}

Lines Sorted(Lines lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// Saves a key's values and puts exactly them back afterwards.
class KeySnapshot {
 public:
  explicit KeySnapshot(std::wstring path) : path_(std::move(path)) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    for (DWORD i = 0;; ++i) {
      wchar_t name[16384];
      DWORD nameLength = 16384, type = 0, size = 0;
      if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
      RegFileValue v{std::wstring(name, nameLength), static_cast<int>(type), std::vector<uint8_t>(size)};
      RegQueryValueExW(key, v.name.c_str(), nullptr, nullptr, v.data.data(), &size);
      values_.push_back(std::move(v));
    }
    RegCloseKey(key);
  }
  ~KeySnapshot() {
    test::DeleteTree(path_);
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    for (const auto& v : values_) {
      RegSetValueExW(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
    }
    RegCloseKey(key);
  }

 private:
  std::wstring path_;
  std::vector<RegFileValue> values_;
};

const std::wstring kExplorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
const std::wstring kTyped = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
const std::wstring kBar =
    L"Software\\Microsoft\\Internet Explorer\\Explorer Bars\\{C4EE31F3-4768-11D2-BE5C-00A0C9A83DA1}";
const std::wstring kAcMru = L"Software\\Microsoft\\Search Assistant\\ACMru";

void ClearViewKeys() {
  for (const std::wstring& k : {kTyped, kExplorer + L"RunMRU", kExplorer + L"ComDlg32", kAcMru, kBar,
                                kExplorer + L"Doc Find Spec MRU", kExplorer + L"FindComputerMRU"}) {
    test::DeleteTree(k);
  }
}

class RealHive : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(RealHive, EveryRegistryViewListsWhatTheHiveHolds) {
  const std::wstring data = test::TestDataDir();
  if (data.empty()) GTEST_SKIP() << "the shared testdata folder is not beside the project";
  const std::wstring path = data + L"\\reg\\" + GetParam();
  const RegFile file = ParseRegFile(path);
  ASSERT_FALSE(file.empty()) << "cannot read " << testing::PrintToString(std::string(path.begin(), path.end()));

  KeySnapshot shell(kExplorer + L"Shell Folders"), user(kExplorer + L"User Shell Folders");
  ClearViewKeys();
  ASSERT_TRUE(test::ImportRegFile(path));
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  const std::string savedOs = OsName;

  form->mnurun_Click();
  EXPECT_EQ(Sorted(test::Lines(*form)), Sorted(Expected(file, kExplorer + L"RunMRU", Rule::kRun)));
  form->mnuOpen_Click();
  EXPECT_EQ(Sorted(test::Lines(*form)), Sorted(Expected(file, kExplorer + L"ComDlg32\\OpenSaveMRU\\*", Rule::kOpen)));
  form->mnuSep_Click();
  EXPECT_EQ(Sorted(test::Lines(*form)), Sorted(Expected(file, kTyped, Rule::kAll)));
  EXPECT_EQ(form->PanelText(2), L"Total Records: " + std::to_wstring(form->LineCount()));

  OsName = "xp";
  form->mnuSearch_Click();
  Lines search;
  for (const wchar_t* k : {L"\\ComputerNameMRU", L"\\ContainingTextMRU", L"\\filesNamedMRU"}) {
    for (auto& l : Expected(file, kBar + k, Rule::kPlain)) search.push_back(l);
  }
  for (const wchar_t* k : {L"\\5603", L"\\5604", L"\\5647"}) {
    for (auto& l : Expected(file, kAcMru + k, Rule::kPlain)) search.push_back(l);
  }
  EXPECT_EQ(Sorted(test::Lines(*form)), Sorted(search));
  OsName = savedOs;

  // What the hives are known to hold (see the testdata README).
  const std::wstring name = GetParam();
  form->mnuSep_Click();
  const Lines typed = test::Lines(*form);
  form->mnurun_Click();
  const Lines run = test::Lines(*form);
  if (name == L"xp_frodo_NTUSER.DAT.reg") {
    EXPECT_EQ(typed.size(), 25u);
    EXPECT_NE(std::find(typed.begin(), typed.end(), L"www.hotmail,com"), typed.end());
    EXPECT_EQ(run.size(), 3u);
    EXPECT_NE(std::find(run.begin(), run.end(), L"\\\\netstor\\INSTALLS\\Software"), run.end());
    form->mnuOpen_Click();
    EXPECT_EQ(form->LineCount(), 10u);
  } else if (name == L"xp_plaso_NTUSER.DAT.reg") {
    EXPECT_EQ(typed.size(), 2u);
    EXPECT_TRUE(run.empty());
  } else if (name == L"win7_notatin_ntuser.dat.reg") {
    EXPECT_EQ(typed.size(), 6u);
    EXPECT_TRUE(std::any_of(typed.begin(), typed.end(), [](const std::wstring& s) { return s.size() == 432; }));
    EXPECT_EQ(run.size(), 6u);
  } else if (name == L"win10_regipy_NTUSER_with_winscp.DAT.reg") {
    EXPECT_EQ(run.size(), 18u);
    EXPECT_NE(std::find(run.begin(), run.end(), L"c:\\Users\\tony\\Github\\"), run.end());
  } else if (name == L"win9x_dfwinreg_USER.DAT.reg") {
    EXPECT_EQ(typed.size(), 1u);
    EXPECT_EQ(typed[0], L"http://www.microsoft.com/isapi/redir.dll?prd=ie&pver=5.5&ar=msnhome");
  }
  ClearViewKeys();
}

INSTANTIATE_TEST_SUITE_P(Hives, RealHive,
                         ::testing::Values(L"xp_plaso_NTUSER.DAT.reg", L"xp_frodo_NTUSER.DAT.reg",
                                           L"win7_plaso_NTUSER-WIN7.DAT.reg", L"win7_notatin_ntuser.dat.reg",
                                           L"win10_regipy_NTUSER_with_winscp.DAT.reg", L"win9x_dfwinreg_USER.DAT.reg"));

}  // namespace
}  // namespace glimmerlog
