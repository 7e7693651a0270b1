// One name for each folder GUID, whichever reader asks: the item lists of the
// shell and the UserAssist names both read the one table. The GUIDs are those
// that a peer tool (lnkinfo) found in the item lists of real shortcuts and
// jump lists.
#include <gtest/gtest.h>

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
        const size_t at = line.find("Shell folder identifier");
        const size_t colon = line.find(": ", at);
        if (at != std::string::npos && colon != std::string::npos) guids.insert(line.substr(colon + 2, 36));
      }
    }
  }
  return guids;
}

// The GUID as an item list stores it: the first three fields little-endian.
std::vector<uint8_t> StoredGuid(const std::string& text) {
  std::string hex;
  for (char c : text) {
    if (c != '-') hex += c;
  }
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  std::swap(bytes[0], bytes[3]);
  std::swap(bytes[1], bytes[2]);
  std::swap(bytes[4], bytes[5]);
  std::swap(bytes[6], bytes[7]);
  return bytes;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return text;
}

TEST(FolderNames, OneNameForEachGuidWhicheverReaderAsks) {
  const std::set<std::string> guids = PeerFolderGuids();
  if (guids.empty()) GTEST_SKIP() << "peer output absent under " << GL_TESTDATA_DIR;
  for (const std::string& guid : guids) {
    const std::vector<uint8_t> stored = StoredGuid(guid);
    ASSERT_EQ(stored.size(), 16u) << guid;
    EXPECT_EQ(GuidText(stored.data()), Upper(guid));
    // Every folder the peer names has a name here, by text in either case
    // and by its stored bytes alike.
    const std::u16string braced = u"{" + std::u16string(guid.begin(), guid.end()) + u"}";
    const char16_t* name = KnownFolderName(braced);
    ASSERT_NE(name, nullptr) << guid;
    EXPECT_EQ(KnownFolderName(std::u16string(braced.begin() + 1, braced.end() - 1)), name) << guid;
    const std::string upper = Upper(guid);
    EXPECT_EQ(KnownFolderName(std::u16string(upper.begin(), upper.end())), name) << guid;
    EXPECT_EQ(KnownFolderNameOf(stored.data()), name) << guid;
    // The item list of that root folder, and a UserAssist name in it.
    std::vector<uint8_t> item = {0x1F, 0x50}, list;
    item.insert(item.end(), stored.begin(), stored.end());
    AppendItem(list, item);
    EndList(list);
    const ItemListText decoded = DecodeItemList(list.data(), list.size());
    EXPECT_EQ(decoded.path, name) << guid;
    EXPECT_TRUE(decoded.folder) << guid;
    EXPECT_EQ(NameWithKnownFolder(braced + u"\\tool.exe"), std::u16string(name) + u"\\tool.exe") << guid;
  }
}

}  // namespace
}  // namespace glimmerlog
