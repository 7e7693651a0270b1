// The views' platform-free readers against fake sources: no window, no
// registry, no file system.
#include <gtest/gtest.h>

#include <map>

#include "views/folderreader.h"
#include "views/shell/reglist.h"

namespace glimmerlog {
namespace {

// A key's values as the list views' readers see them: names listed with a
// comma each, a name of 20 characters or more ending the listing.
class FakeRegistry : public RegistrySource {
 public:
  std::map<std::u16string, std::vector<std::pair<std::u16string, std::u16string>>> keys;

  std::u16string GetRegValue(std::u16string_view key, std::u16string_view name) override {
    auto k = keys.find(std::u16string(key));
    if (k == keys.end()) return kRegFailureText;
    for (const auto& [n, v] : k->second) {
      if (n == name) return v;
    }
    return kRegFailureText;
  }
  std::u16string GetRegValueNames(std::u16string_view key) override {
    auto k = keys.find(std::u16string(key));
    if (k == keys.end()) return kRegFailureText;
    std::u16string list;
    for (const auto& [n, v] : k->second) {
      if (n.size() >= 20) break;
      list += n + u",";
    }
    return list;
  }
  SourceStatus ValueNames(std::u16string_view, std::vector<std::u16string>&) override { return SourceStatus::kMissing; }
  SourceStatus ReadValue(std::u16string_view, std::u16string_view, RegistryData&) override {
    return SourceStatus::kMissing;
  }
  SourceStatus SubKeys(std::u16string_view, std::vector<std::u16string>&) override { return SourceStatus::kMissing; }
  SourceStatus LastWriteTime(std::u16string_view, uint64_t&) override { return SourceStatus::kMissing; }
};

TEST(RegListLines, EachRuleOverAKeyAsTheRegistryListsIt) {
  FakeRegistry registry;
  registry.keys[u"RunMRU"] = {{u"a", u"notepad\\1"}, {u"b", u"error440"}, {u"c", u""},      {u"d", u"\\"},
                              {u"MRUList", u"abcd"}, {u"", u"default"},   {u"e", u"cmd\\1"}};
  EXPECT_EQ(RegListLines(registry, u"RunMRU", ListRule::kRun), (std::vector<std::u16string>{u"notepad", u"cmd"}));
  EXPECT_EQ(RegListLines(registry, u"RunMRU", ListRule::kPlain),
            (std::vector<std::u16string>{u"notepad\\1", u"\\", u"abcd", u"cmd\\1"}));

  registry.keys[u"Open"] = {
      {u"a", u"C:\\x.doc"}, {u"b", u"relative.doc"}, {std::u16string(20, u'n'), u"D:\\late"}, {u"z", u"E:\\after"}};
  EXPECT_EQ(RegListLines(registry, u"Open", ListRule::kOpen), (std::vector<std::u16string>{u"C:\\x.doc"}));

  EXPECT_TRUE(RegListLines(registry, u"Missing", ListRule::kPlain).empty());
  registry.keys[u"Empty"] = {};
  EXPECT_TRUE(RegListLines(registry, u"Empty", ListRule::kPlain).empty());
}

class FakeFolders : public FolderSource {
 public:
  std::map<std::u16string, uint32_t> attributesByPath;
  std::unique_ptr<Listing> List(std::u16string_view, SourceStatus*) override { return nullptr; }
  uint32_t Attributes(const std::u16string& path) override {
    auto a = attributesByPath.find(std::u16string(path));
    return a == attributesByPath.end() ? kNoAttributes : a->second;
  }
};

TEST(ClassifyFolderEntry, DotsPlainFoldersAndTheIndexFile) {
  FakeFolders folders;
  const std::u16string folder = u"C:\\Cookies\\";
  folders.attributesByPath[folder + u"sub"] = 16;            // a plain folder: no turn, no line
  folders.attributesByPath[folder + u"archived"] = 16 | 32;  // a folder with the archive bit: listed
  folders.attributesByPath[folder + u"index.dat"] = 32;
  auto classify = [&](const char16_t* name, uint32_t listed = 32) {
    return ClassifyFolderEntry(folders, folder, FolderEntry{name, listed});
  };
  EXPECT_FALSE(classify(u".").counts);
  EXPECT_FALSE(classify(u"..").counts);
  EXPECT_FALSE(classify(u"sub").counts);
  EXPECT_TRUE(classify(u"archived").listed);
  const FolderLine index = classify(u"index.dat");
  EXPECT_TRUE(index.counts);
  EXPECT_FALSE(index.listed);
  EXPECT_TRUE(classify(u"INDEX.DAT").listed);  // only the exact lower-case name is the browser's
  // Attributes that cannot be read again by path: the listing's own stand in.
  EXPECT_FALSE(classify(u"gone", 16).counts);
  const FolderLine cookie = classify(u"user@site[1].txt");
  EXPECT_TRUE(cookie.listed);
  EXPECT_EQ(cookie.path, u"C:\\Cookies\\user@site[1].txt");
}

}  // namespace
}  // namespace glimmerlog
