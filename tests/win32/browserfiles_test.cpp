// The live folder source's file reading as the browser readers use it: a
// database that its program holds open is read whole; the real Firefox
// database with its log, copied into the prefix, reads with its committed
// visits and leaves nothing new beside it (no shared-memory index, journal
// or temporary file); profiles are found under real folders.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "base/winutil_win.h"
#include "sources/browsers/browserhistory.h"
#include "sources/live.h"
#include "tests/win32/win32_test_util.h"

namespace glimmerlog {
namespace {

std::u16string U16(const std::wstring& s) { return std::u16string(AsU16(s)); }

std::vector<std::wstring> Names(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (!find) return names;
  do {
    if (wcscmp(found.cFileName, L".") && wcscmp(found.cFileName, L"..")) names.push_back(found.cFileName);
  } while (FindNextFileW(find.get(), &found));
  std::sort(names.begin(), names.end());
  return names;
}

TEST(LiveReadFile, ReadsWhatAWriterHoldsOpen) {
  test::ScratchFolder folder(L"readfile");
  const std::wstring path = folder.Make(L"Hist\u00f6ry", std::string(100000, 'h'));
  // As a browser holds its database: open for writing, sharing read and write.
  UniqueFile writer(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(LiveFolders().ReadFile(U16(path), bytes, 1 << 20), SourceStatus::kOk);
  EXPECT_EQ(bytes, std::vector<uint8_t>(100000, 'h'));
  // The writer goes on writing meanwhile.
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(writer.get(), "new", 3, &written, nullptr));

  EXPECT_EQ(LiveFolders().ReadFile(U16(path), bytes, 99999), SourceStatus::kDamaged);  // over the limit
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(LiveFolders().ReadFile(U16(folder.path() + L"\\none"), bytes, 1 << 20), SourceStatus::kMissing);
  writer.reset();

  // A holder that shares nothing keeps it from being read.
  UniqueFile locked(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(locked);
  EXPECT_EQ(LiveFolders().ReadFile(U16(path), bytes, 1 << 20), SourceStatus::kDenied);
}

TEST(LiveReadFile, FirefoxWithItsLogLeavesNothingBeside) {
  const std::wstring data = test::TestDataDir();
  if (data.empty()) GTEST_SKIP() << "test data not found";
  test::ScratchFolder roaming(L"roaming");
  const std::wstring profile = roaming.path() + L"\\Mozilla\\Firefox\\Profiles\\x.default";
  for (const wchar_t* part :
       {L"Mozilla", L"Mozilla\\Firefox", L"Mozilla\\Firefox\\Profiles", L"Mozilla\\Firefox\\Profiles\\x.default"}) {
    roaming.MakeFolder(part);
  }
  for (const wchar_t* name : {L"places.sqlite", L"places.sqlite-wal"}) {
    ASSERT_TRUE(CopyFileW((data + L"\\browsers\\firefox\\dfirlabs-67.0\\" + name).c_str(),
                          (profile + L"\\" + name).c_str(), FALSE));
    SetFileAttributesW((profile + L"\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  const std::vector<BrowserProfile> found = FindBrowserProfiles(LiveFolders(), u"", U16(roaming.path()));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].profile, u"x.default");
  std::vector<BrowserVisit> visits;
  std::string reason;
  ASSERT_EQ(ReadBrowserHistory(LiveFolders(), found[0], visits, reason), SourceStatus::kOk) << reason;
  EXPECT_EQ(visits.size(), 4u);
  EXPECT_EQ(Names(profile), (std::vector<std::wstring>{L"places.sqlite", L"places.sqlite-wal"}));
}

}  // namespace
}  // namespace glimmerlog
