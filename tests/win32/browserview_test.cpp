// The Browser History view in the real window over browser profiles laid
// out in the prefix's folders: several browsers and profiles, one database
// held open without sharing, one damaged, one with a live write-ahead log.
// Every readable visit is listed, the failures are named, and no byte of the
// profiles changes.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include "base/winutil_win.h"
#include "tests/win32/win32_test_util.h"

namespace glimmerlog {
namespace {

// Every file under a folder with its size and content hash (FNV-1a).
std::map<std::wstring, std::pair<uint64_t, uint64_t>> Snapshot(const std::wstring& folder) {
  std::map<std::wstring, std::pair<uint64_t, uint64_t>> files;
  WIN32_FIND_DATAW found{};
  UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (!find) return files;
  do {
    const std::wstring name = found.cFileName, path = folder + L"\\" + name;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      files[path] = {0, 0};
      for (auto& entry : Snapshot(path)) files.insert(entry);
      continue;
    }
    std::ifstream in(path.c_str(), std::ios::binary);
    uint64_t hash = 1469598103934665603ull, size = 0;
    for (std::istreambuf_iterator<char> c(in), end; c != end; ++c, ++size) {
      hash = (hash ^ static_cast<uint8_t>(*c)) * 1099511628211ull;
    }
    files[path] = {size, hash};
  } while (FindNextFileW(find.get(), &found));
  return files;
}

TEST(BrowserHistoryView, EveryReadableVisitAndTheFailuresNamed) {
  const std::wstring data = test::TestDataDir();
  if (data.empty()) GTEST_SKIP() << "the shared testdata folder is not beside the project";
  const std::wstring browsers = data + L"\\browsers\\";
  test::ScratchFolder local(L"localappdata"), roaming(L"roamingappdata");
  auto place = [](test::ScratchFolder& root, const std::wstring& folder, const std::wstring& from,
                  const std::wstring& name) {
    std::wstring at;
    for (size_t start = 0; start <= folder.size();) {
      const size_t end = std::min(folder.find(L'\\', start), folder.size());
      at += (at.empty() ? L"" : L"\\") + folder.substr(start, end - start);
      root.MakeFolder(at);
      start = end + 1;
    }
    const std::wstring target = root.path() + L"\\" + folder + L"\\" + name;
    EXPECT_TRUE(CopyFileW(from.c_str(), target.c_str(), FALSE));
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    return target;
  };
  place(local, L"Google\\Chrome\\User Data\\Default", browsers + L"chromium\\plaso-History", L"History");  // 69
  place(local, L"Google\\Chrome\\User Data\\Profile 1", browsers + L"chromium\\generated-chromium-156-History",
        L"History");  // 4
  const std::wstring damaged = local.Make(L"damaged.bin", std::string(4096, 'x'));
  place(local, L"Microsoft\\Edge\\User Data\\Default", damaged, L"History");
  const std::wstring held = place(local, L"BraveSoftware\\Brave-Browser\\User Data\\Default",
                                  browsers + L"chromium\\plaso-History-59.0.3071.86", L"History");
  const std::wstring firefox = L"Mozilla\\Firefox\\Profiles\\demo.default";
  place(roaming, firefox, browsers + L"firefox\\dfirlabs-67.0\\places.sqlite", L"places.sqlite");  // 4 with its log
  place(roaming, firefox, browsers + L"firefox\\dfirlabs-67.0\\places.sqlite-wal", L"places.sqlite-wal");
  test::ShellFolderOverride localValue(L"Local AppData", local.path()), roamingValue(L"AppData", roaming.path());
  const auto before = Snapshot(local.path()), beforeRoaming = Snapshot(roaming.path());

  {
    UniqueFile holder(CreateFileW(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    auto form = test::MakeViewer();
    form->RunView(L"browserhistory");
    EXPECT_EQ(form->ViewMode, L"browserhistory");
    EXPECT_EQ(form->LineCount(), 69u + 4u + 4u);
    EXPECT_EQ(form->PanelText(2), L"Total Records: 77");
    const std::wstring panel = form->PanelText(1);
    EXPECT_NE(panel.find(L"Edge"), std::wstring::npos) << panel.c_str();
    EXPECT_NE(panel.find(L"Brave"), std::wstring::npos) << panel.c_str();
    // Newest first, each with its browser; the visit only in the log is there.
    EXPECT_EQ(form->RowCellText(0, 5).empty(), false);
    size_t firefoxLines = 0;
    for (size_t i = 0; i < form->LineCount(); ++i) firefoxLines += form->RowCellText(i, 5) == L"Firefox";
    EXPECT_EQ(firefoxLines, 4u);

    // The timeline holds the same visits.
    form->RunView(L"timeline");
    size_t visits = 0;
    for (size_t i = 0; i < form->LineCount(); ++i) {
      visits += form->RowCellText(i, 4).find(L" history (") != std::wstring::npos;
    }
    EXPECT_EQ(visits, 77u);
  }
  EXPECT_EQ(Snapshot(local.path()), before);
  EXPECT_EQ(Snapshot(roaming.path()), beforeRoaming);
}

}  // namespace
}  // namespace glimmerlog
