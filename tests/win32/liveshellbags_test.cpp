// ShellBags of the running system: the BagMRU tree of a real Windows 10
// UsrClass.dat copied into this user's classes, where Windows shows the
// UsrClass hive (HKCU\Software\Classes), lists what the peer counted and
// the same folders as that hive opened as another profile's.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "base/winutil_win.h"
#include "sources/hive/hivesource.h"
#include "tests/win32/win32_test_util.h"

namespace glimmerlog {
namespace {

const std::u16string kBagMru = u"Local Settings\\Software\\Microsoft\\Windows\\Shell\\BagMRU";
const std::wstring kLiveBagMru = L"Software\\Classes\\" + AsWide(kBagMru);

std::vector<uint8_t> FileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Copies a key of the hive with its values and every key below it to `to`
// under HKEY_CURRENT_USER, as an import of its export would.
void CopyTree(HiveRegistrySource& hive, const std::u16string& from, const std::wstring& to) {
  std::vector<std::pair<std::u16string, std::wstring>> pending{{from, to}};
  while (!pending.empty()) {
    const auto [source, target] = pending.back();
    pending.pop_back();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, target.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    std::vector<std::u16string> names;
    hive.ValueNames(source, names);
    for (const std::u16string& name : names) {
      RegistryData data;
      if (hive.ReadValue(source, name, data) != SourceStatus::kOk) continue;
      RegSetValueExW(key, AsWide(name).c_str(), 0, data.type, data.bytes.data(), static_cast<DWORD>(data.bytes.size()));
    }
    RegCloseKey(key);
    std::vector<std::u16string> subkeys;
    hive.SubKeys(source, subkeys);
    for (const std::u16string& s : subkeys) pending.push_back({source + u"\\" + s, target + L"\\" + AsWide(s)});
  }
}

// The peer's count of the hive's ShellBags rows ("RegRipper shellbags rows: N").
size_t PeerRows(const std::wstring& path) {
  std::ifstream in(path.c_str());
  const std::string prefix = "RegRipper shellbags rows: ";
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) == 0) return std::stoul(line.substr(prefix.size()));
  }
  return 0;
}

// Each line's path, item type, MRU position, the item's own three times and
// node slot: all but what depends on where the keys are and when they were
// written (here, by this test).
std::vector<std::wstring> ItemLines(const frmViewer& form, bool usrClassOnly) {
  std::vector<std::wstring> lines;
  for (int i = 0; i < static_cast<int>(form.LineCount()); ++i) {
    if (usrClassOnly && test::ShownText(form, i, 10) != L"UsrClass.dat") continue;
    std::wstring line;
    for (int c : {0, 1, 2, 4, 5, 6, 8}) line += test::ShownText(form, i, c) + L"|";
    lines.push_back(line);
  }
  return lines;
}

TEST(LiveShellBags, RealUsrClassListedAsOfflineAndAsThePeerCounts) {
  const std::wstring data = test::TestDataDir();
  if (data.empty()) GTEST_SKIP() << "the shared testdata folder is not beside the project";
  const std::wstring hivePath = data + L"\\shellbags\\regipy-usrclass\\UsrClass.dat";
  const std::vector<uint8_t> bytes = FileBytes(hivePath);
  ASSERT_FALSE(bytes.empty());
  const size_t peerRows = PeerRows(data + L"\\peer-output\\shellbags\\regipy-usrclass_UsrClass.dat.bagmru-counts.txt");
  ASSERT_GT(peerRows, 0u);

  // The primary file alone, as the peer read it.
  HiveRegistrySource hive(bytes);
  test::DeleteTree(kLiveBagMru);
  CopyTree(hive, kBagMru, kLiveBagMru);
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  form->RunView(L"shellbags");
  const std::vector<std::wstring> live = ItemLines(*form, false);
  EXPECT_EQ(live.size(), peerRows);
  // The item at MRU position 0 was last opened when its key was written.
  for (int i = 0; i < static_cast<int>(form->LineCount()); ++i) {
    EXPECT_EQ(test::ShownText(*form, i, 10), L"UsrClass.dat");
    EXPECT_EQ(test::ShownText(*form, i, 3).empty(), test::ShownText(*form, i, 2) != L"0") << i;
  }

  test::ScratchFolder folder(L"liveshellbags");
  std::wstring classes;
  for (const wchar_t* part : {L"AppData", L"AppData\\Local", L"AppData\\Local\\Microsoft",
                              L"AppData\\Local\\Microsoft\\Windows"}) {
    classes = folder.MakeFolder(part);
  }
  test::WriteFileBytes(classes + L"\\UsrClass.dat", bytes.data(), bytes.size());
  const std::vector<uint8_t> ntuser = FileBytes(data + L"\\hives\\win7_notatin_ntuser.dat");
  test::WriteFileBytes(folder.path() + L"\\NTUSER.DAT", ntuser.data(), ntuser.size());
  ASSERT_TRUE(form->OpenProfile(folder.path())) << WideToUtf8(form->PanelText(1));
  form->RunView(L"shellbags");
  EXPECT_EQ(live, ItemLines(*form, true));
  form->mnuLiveProfile_Click();
  test::DeleteTree(kLiveBagMru);
}

}  // namespace
}  // namespace glimmerlog
