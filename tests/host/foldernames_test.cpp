// One name for each folder GUID, whichever reader asks: the shell's item
// lists and the UserAssist names both read the one table. The GUIDs are
// those that a peer tool (lnkinfo) found in real shortcuts and jump lists.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "sources/shell/knownfolders.h"
#include "sources/shell/shellitems.h"
#include "sources/shell/userassist.h"
#include "tests/support/shellitems_writer.h"

namespace glimmerlog {
namespace {

// "Shell folder identifier : 20d04fe0-3aea-1069-a2d8-08002b30309d" lines.
std::set<std::string> PeerFolderGuids() {
  std::set<std::string> guids;
  const std::filesystem::path peers = std::string(GL_TESTDATA_DIR) + "/peer-output";
  for (const char* folder : {"lnk", "jumplists"}) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(peers / folder, error)) {
      std::ifstream in(entry.path());
      for (std::string line; std::getline(in, line);) {
        const size_t at = line.find("Shell folder identifier\t: ");
        if (at != std::string::npos) guids.insert(line.substr(at + 26, 36));
      }
    }
  }
  return guids;
}

TEST(FolderNames, OneNameForEachGuidWhicheverReaderAsks) {
  const std::set<std::string> guids = PeerFolderGuids();
  if (guids.empty()) GTEST_SKIP() << "peer output absent under " << GL_TESTDATA_DIR;
  for (const std::string& guid : guids) {
    // As item lists store it: the first three fields little-endian.
    std::vector<uint8_t> item = {0x1F, 0x50}, list;
    for (int i : {6, 4, 2, 0, 11, 9, 16, 14, 19, 21, 24, 26, 28, 30, 32, 34}) {
      item.push_back(static_cast<uint8_t>(std::stoul(guid.substr(i, 2), nullptr, 16)));
    }
    const uint8_t* stored = item.data() + 2;
    std::string upper = guid;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(GuidText(stored), upper);
    // Every folder the peer names has a name here, by text and by bytes.
    const std::u16string braced = u"{" + std::u16string(guid.begin(), guid.end()) + u"}";
    const char16_t* name = KnownFolderName(braced);
    ASSERT_NE(name, nullptr) << guid;
    EXPECT_EQ(KnownFolderName(std::u16string(upper.begin(), upper.end())), name) << guid;
    EXPECT_EQ(KnownFolderNameOf(stored), name) << guid;
    AppendItem(list, item);
    EndList(list);
    EXPECT_EQ(DecodeItemList(list.data(), list.size()).path, name) << guid;
    EXPECT_EQ(NameWithKnownFolder(braced + u"\\tool.exe"), std::u16string(name) + u"\\tool.exe") << guid;
  }
}

}  // namespace
}  // namespace glimmerlog
