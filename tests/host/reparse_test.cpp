// Where a junction or a symbolic link of another profile leads, from its
// reparse data as the file system gives it, and whether reading may follow
// it: only to a place within the profile, and never where it cannot be told.
#include "sources/folders/reparse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace glimmerlog {
namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// A REPARSE_DATA_BUFFER as the file system writes one: the substitute name,
// then the print name, in the path buffer after the tag's fields.
std::vector<uint8_t> ReparseData(uint32_t tag, std::u16string_view substitute, uint32_t flags = 0) {
  const std::u16string print = u"shown";
  const size_t fields = tag == kReparseTagSymlink ? 12 : 8;
  const size_t names = (substitute.size() + print.size()) * 2;
  std::vector<uint8_t> b(8 + fields + names, 0);
  Put32(b, 0, tag);
  Put16(b, 4, static_cast<uint32_t>(fields + names));
  Put16(b, 8, 0);
  Put16(b, 10, static_cast<uint32_t>(substitute.size() * 2));
  Put16(b, 12, static_cast<uint32_t>(substitute.size() * 2));
  Put16(b, 14, static_cast<uint32_t>(print.size() * 2));
  if (tag == kReparseTagSymlink) Put32(b, 16, flags);
  size_t at = 8 + fields;
  for (char16_t c : std::u16string(substitute) + print) {
    Put16(b, at, c);
    at += 2;
  }
  return b;
}

constexpr uint32_t kRelative = 1;

TEST(Reparse, FollowedOnlyWithinTheProfile) {
  const std::u16string_view root = u"E:\\img\\Users\\bob";
  struct Case {
    const char* what;
    std::vector<uint8_t> data;
    std::u16string_view link;
    std::u16string_view target;  // where it leads; empty when that cannot be told
    bool within;                 // and whether that lies in the profile
  } const cases[] = {
      {"junction in the profile", ReparseData(kReparseTagMountPoint, u"\\??\\E:\\img\\Users\\bob\\AppData\\Roaming"),
       u"E:\\img\\Users\\bob\\Application Data", u"E:\\img\\Users\\bob\\AppData\\Roaming", true},
      {"junction to the profile as its Windows named it",
       ReparseData(kReparseTagMountPoint, u"\\??\\C:\\Users\\bob\\AppData\\Roaming"),
       u"E:\\img\\Users\\bob\\Application Data", u"C:\\Users\\bob\\AppData\\Roaming", false},
      {"junction, names compared without regard to case",
       ReparseData(kReparseTagMountPoint, u"\\??\\e:\\IMG\\users\\BOB\\Documents"), u"E:\\img\\Users\\bob\\My Documents",
       u"E:\\IMG\\users\\BOB\\Documents", true},
      {"junction whose dots climb out", ReparseData(kReparseTagMountPoint, u"\\??\\E:\\img\\Users\\bob\\...\\alice"),
       u"E:\\img\\Users\\bob\\x", u"E:\\img\\Users\\alice", false},
      {"junction whose dots stay in", ReparseData(kReparseTagMountPoint, u"\\??\\E:\\img\\Users\\bob\\a\\..\\b"),
       u"E:\\img\\Users\\bob\\x", u"E:\\img\\Users\\bob\\b", true},
      {"volume mount point", ReparseData(kReparseTagMountPoint, u"\\??\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\"),
       u"E:\\img\\Users\\bob\\disk", u"", false},
      {"junction to a share", ReparseData(kReparseTagMountPoint, u"\\??\\UNC\\server\\share"),
       u"E:\\img\\Users\\bob\\net", u"", false},
      {"absolute symbolic link in", ReparseData(kReparseTagSymlink, u"\\??\\E:\\img\\Users\\bob\\Documents\\a.txt"),
       u"E:\\img\\Users\\bob\\a.txt", u"E:\\img\\Users\\bob\\Documents\\a.txt", true},
      {"absolute symbolic link to this computer", ReparseData(kReparseTagSymlink, u"\\??\\C:\\Windows\\win.ini"),
       u"E:\\img\\Users\\bob\\a.txt", u"C:\\Windows\\win.ini", false},
      {"symbolic link to a share", ReparseData(kReparseTagSymlink, u"\\??\\UNC\\server\\share\\x"),
       u"E:\\img\\Users\\bob\\a", u"\\\\server\\share\\x", false},
      {"relative symbolic link in", ReparseData(kReparseTagSymlink, u"Local\\.\\x.db", kRelative),
       u"E:\\img\\Users\\bob\\AppData\\link", u"E:\\img\\Users\\bob\\AppData\\Local\\x.db", true},
      {"relative symbolic link out", ReparseData(kReparseTagSymlink, u"..\\..\\alice\\NTUSER.DAT", kRelative),
       u"E:\\img\\Users\\bob\\AppData\\link", u"E:\\img\\Users\\alice\\NTUSER.DAT", false},
      {"relative symbolic link out by dots and spaces", ReparseData(kReparseTagSymlink, u".. \\...\\x", kRelative),
       u"E:\\img\\Users\\bob\\AppData\\link", u"E:\\img\\Users\\x", false},
      {"relative symbolic link from the drive's root", ReparseData(kReparseTagSymlink, u"\\Users\\bob\\x", kRelative),
       u"E:\\img\\Users\\bob\\link", u"E:\\Users\\bob\\x", false},
      {"relative symbolic link above the drive", ReparseData(kReparseTagSymlink, u"..\\..\\..\\..\\..\\x", kRelative),
       u"E:\\img\\Users\\bob\\link", u"", false},
      {"symbolic link to a stream", ReparseData(kReparseTagSymlink, u"a.txt:hidden", kRelative),
       u"E:\\img\\Users\\bob\\link", u"", false},
      {"another tag (deduplicated file)", ReparseData(0x80000013, u"\\??\\E:\\img\\Users\\bob\\x"),
       u"E:\\img\\Users\\bob\\x", u"", false},
      {"symbolic link in no known place", ReparseData(kReparseTagSymlink, u"x", kRelative), u"relative\\link", u"",
       false},
  };
  for (const Case& c : cases) {
    std::u16string target = u"untouched";
    EXPECT_EQ(ReparseTarget(c.data.data(), c.data.size(), c.link, target), !c.target.empty()) << c.what;
    EXPECT_EQ(target, c.target) << c.what;
    std::u16string followed;
    EXPECT_EQ(ReparseLeadsWithin(c.data.data(), c.data.size(), c.link, {u"Z:\\elsewhere", root}, followed), c.within)
        << c.what;
    if (c.within) EXPECT_EQ(followed, c.target) << c.what;
  }
}

// Data cut short or out of step with itself tells nothing, and is read no
// further than it reaches (the sanitizers watch).
TEST(Reparse, DamagedDataIsNeverFollowed) {
  const std::vector<uint8_t> good = ReparseData(kReparseTagMountPoint, u"\\??\\E:\\img\\Users\\bob\\x");
  std::u16string target;
  ASSERT_TRUE(ReparseTarget(good.data(), good.size(), u"E:\\img\\Users\\bob\\y", target));
  for (size_t size = 0; size < good.size(); ++size) {
    const std::vector<uint8_t> cut(good.begin(), good.begin() + size);
    EXPECT_FALSE(ReparseTarget(cut.data(), cut.size(), u"E:\\img\\Users\\bob\\y", target)) << size;
  }
  struct Damage {
    const char* what;
    size_t at;
    uint32_t value;
  } const damages[] = {
      {"data length past the end", 4, 0xFFFF},
      {"name offset past the buffer", 8, 0x4000},
      {"odd name offset", 8, 1},
      {"odd name length", 10, 7},
      {"name length past the buffer", 10, 0x2000},
  };
  for (const Damage& d : damages) {
    std::vector<uint8_t> bad = good;
    Put16(bad, d.at, d.value);
    EXPECT_FALSE(ReparseTarget(bad.data(), bad.size(), u"E:\\img\\Users\\bob\\y", target)) << d.what;
  }
  EXPECT_FALSE(ReparseTarget(nullptr, 0, u"E:\\x", target));
}

TEST(Reparse, FinalPathsInTheFormOfOtherPaths) {
  EXPECT_EQ(DosPath(u"\\\\?\\C:\\Users\\bob"), u"C:\\Users\\bob");
  EXPECT_EQ(DosPath(u"\\\\?\\UNC\\server\\share\\bob"), u"\\\\server\\share\\bob");
  EXPECT_EQ(DosPath(u"\\\\?\\Volume{0123}\\x"), u"\\\\?\\Volume{0123}\\x");
  EXPECT_EQ(DosPath(u"C:\\x"), u"C:\\x");
}

}  // namespace
}  // namespace glimmerlog
