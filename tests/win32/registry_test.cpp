// The registry readers against the real registry of the test prefix.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "sources/live.h"
#include "sources/registry/regAPI.h"
#include "sources/registry/splitlist.h"
#include "tests/win32/win32_test_util.h"

namespace glimmerlog {
namespace {

const std::wstring kScratch = L"Software\\GlimmerlogTest\\Registry";

std::vector<std::wstring> Split(std::wstring list) { return SplitList(list, std::wstring(L",")); }

TEST(RegApi, ListsValueNamesInEnumerationOrderEachWithAComma) {
  test::ScratchKey key(kScratch);
  key.SetString(L"a", L"notepad\\1");
  key.SetString(L"MRUList", L"a");
  EXPECT_EQ(GetRegValueNames(HKEY_CURRENT_USER, kScratch), L"a,MRUList,");
  EXPECT_EQ(Split(GetRegValueNames(HKEY_CURRENT_USER, kScratch)), (std::vector<std::wstring>{L"a", L"MRUList", L""}));
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"a"), L"notepad\\1");
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"MRUList"), L"a");
}

TEST(RegApi, ANameOfTwentyCharactersOrMoreEndsTheListing) {
  {
    // Created in name order, which is also the order Wine enumerates in.
    test::ScratchKey key(kScratch);
    key.SetString(L"a1", L"1");
    key.SetString(L"b" + std::wstring(18, L'n'), L"2");
    key.SetString(L"c" + std::wstring(24, L'x'), L"3");
    key.SetString(L"d1", L"4");
    EXPECT_EQ(GetRegValueNames(HKEY_CURRENT_USER, kScratch), L"a1,b" + std::wstring(18, L'n') + L",");
  }
  test::ScratchKey twenty(kScratch);
  twenty.SetString(L"a", L"1");
  twenty.SetString(std::wstring(20, L't'), L"2");
  EXPECT_EQ(GetRegValueNames(HKEY_CURRENT_USER, kScratch), L"a,");
}

TEST(RegApi, MissingAndEmptyKeys) {
  test::DeleteTree(kScratch);
  EXPECT_EQ(GetRegValueNames(HKEY_CURRENT_USER, kScratch), L"error440");
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"a"), L"error440");
  test::ScratchKey key(kScratch);
  EXPECT_EQ(GetRegValueNames(HKEY_CURRENT_USER, kScratch), L"");
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"missing"), L"error440");
}

TEST(RegApi, ReadsTextAndNumbersOnly) {
  test::ScratchKey key(kScratch);
  key.SetString(L"expand", L"%TEMP%\\x", REG_EXPAND_SZ);
  const BYTE binary[] = {1, 2, 3};
  key.SetBytes(L"binary", REG_BINARY, binary, sizeof(binary));
  const wchar_t multi[] = L"one\0two\0";
  key.SetBytes(L"multi", REG_MULTI_SZ, multi, sizeof(multi));
  key.SetDword(L"number", 1234);
  key.SetDword(L"negative", 0xFFFFFFFF);
  key.SetString(L"empty", L"");
  key.SetBytes(L"nodata", REG_SZ, nullptr, 0);
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"expand"), L"error440");
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"binary"), L"error440");
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"multi"), L"error440");
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"number"), L"1234");
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"negative"), L"-1");
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"empty"), L"");
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"nodata"), L"error440");

  RegValue holder = std::wstring(L"untouched");
  UniqueHkey open;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kScratch.c_str(), 0, KEY_READ, open.put()), ERROR_SUCCESS);
  EXPECT_EQ(QueryRegValue(open.get(), L"binary", holder), -1);
  EXPECT_EQ(std::get<std::wstring>(holder), L"untouched");
  EXPECT_EQ(QueryRegValue(open.get(), L"missing", holder), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(QueryRegValue(open.get(), L"number", holder), 0);
  EXPECT_EQ(std::get<int32_t>(holder), 1234);
}

TEST(RegApi, TextEndsAtItsFirstNulAndKeepsAMissingTerminatorsLastCharacter) {
  test::ScratchKey key(kScratch);
  const wchar_t trailing[] = L"www.hotmail,com\0LS\\Software";  // data after the NUL
  key.SetBytes(L"url1", REG_SZ, trailing, sizeof(trailing));
  const wchar_t unterminated[] = {L'a', L'b', L'c'};
  key.SetBytes(L"raw", REG_SZ, unterminated, sizeof(unterminated));
  const char odd[] = {'a', 0, 'b', 0, 'c', 0, 'd'};  // an odd number of bytes
  key.SetBytes(L"odd", REG_SZ, odd, sizeof(odd));
  const wchar_t lone[] = {L'\0'};
  key.SetBytes(L"lone", REG_SZ, lone, sizeof(lone));
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"url1"), L"www.hotmail,com");
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"raw"), L"abc");
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"lone"), L"");
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"odd"), L"abc");
}

TEST(RegApi, DefaultValueAndTextOutsideTheAnsiCodePage) {
  test::ScratchKey key(kScratch);
  key.SetString(L"", L"the default");
  key.SetString(L"\u4e2d\u6587\u00e9", L"\u0645\u0631\u062d\u0628\u0627 \U0001F600");
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L""), L"the default");
  const std::wstring names = GetRegValueNames(HKEY_CURRENT_USER, kScratch);
  EXPECT_NE(names.find(L"\u4e2d\u6587\u00e9,"), std::wstring::npos);
  const auto pieces = Split(names);
  EXPECT_EQ(std::count(pieces.begin(), pieces.end(), L""), 2);  // the default value's empty name, the last slot
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"\u4e2d\u6587\u00e9"),
            L"\u0645\u0631\u062d\u0628\u0627 \U0001F600");
}

// A key whose access list lets everyone read and nobody write, for the life
// of the object; full access is given back before the key is deleted.
class ReadOnlyAcl {
 public:
  explicit ReadOnlyAcl(HKEY key) : key_(key) { Apply(L"D:P(A;;KR;;;WD)"); }
  ~ReadOnlyAcl() { Apply(L"D:P(A;;KA;;;WD)"); }

 private:
  void Apply(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
    LocalFree(sd);
  }
  HKEY key_;
};

TEST(RegApi, AKeyThatMayBeReadButNotWrittenIsRead) {
  test::ScratchKey key(kScratch);
  key.SetString(L"a", L"notepad\\1");
  ReadOnlyAcl readOnly(key.get());
  HKEY probe = nullptr;
  // The registry enforces the list: opening for writing is refused...
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kScratch.c_str(), 0, KEY_SET_VALUE, &probe), ERROR_ACCESS_DENIED);
  // ...and the readers, which only read, see the key as it is.
  EXPECT_EQ(GetRegValueNames(HKEY_CURRENT_USER, kScratch), L"a,");
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, L"a"), L"notepad\\1");
}

TEST(RegApi, AKeyWithFiveThousandValues) {
  test::ScratchKey key(kScratch);
  for (int i = 0; i < 5000; ++i) key.SetString(L"v" + std::to_wstring(i), L"text " + std::to_wstring(i));
  const auto names = Split(GetRegValueNames(HKEY_CURRENT_USER, kScratch));
  ASSERT_EQ(names.size(), 5001u);
  std::vector<std::wstring> sorted(names.begin(), names.end() - 1);
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::unique(sorted.begin(), sorted.end()), sorted.end());
  EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, kScratch, names[4321]), L"text " + names[4321].substr(1));
}

// The live source keeps the key it read last open: a value larger than its
// first buffer, a key deleted and made again with other values, and one
// deleted for good each read as the registry holds them now.
TEST(LiveRegistrySource, ReadsTheKeyAsItIsNowAfterItChanged) {
  RegistrySource& live = LiveRegistry();
  const std::u16string path = u"Software\\GlimmerlogTest\\Registry";
  RegistryData data;
  {
    test::ScratchKey key(kScratch);
    const std::vector<uint8_t> large(5000, 0x41);
    key.SetBytes(L"big", REG_BINARY, large.data(), large.size());
    key.SetDword(L"n", 1);
    ASSERT_EQ(live.ReadValue(path, u"big", data), SourceStatus::kOk);
    EXPECT_EQ(data.bytes, large);
    ASSERT_EQ(live.ReadValue(path, u"n", data), SourceStatus::kOk);
    EXPECT_EQ(data.bytes, (std::vector<uint8_t>{1, 0, 0, 0}));
  }
  {
    test::ScratchKey again(kScratch);
    again.SetDword(L"n", 2);
    ASSERT_EQ(live.ReadValue(path, u"n", data), SourceStatus::kOk);
    EXPECT_EQ(data.bytes, (std::vector<uint8_t>{2, 0, 0, 0}));
    EXPECT_EQ(live.ReadValue(path, u"big", data), SourceStatus::kMissing);
  }
  EXPECT_EQ(live.ReadValue(path, u"n", data), SourceStatus::kMissing);
  std::vector<std::u16string> names;
  EXPECT_EQ(live.ValueNames(path, names), SourceStatus::kMissing);
}

}  // namespace
}  // namespace glimmerlog
