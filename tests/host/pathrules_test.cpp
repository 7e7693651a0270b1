// Whether a path a profile's Windows recorded lies in a folder, and whether
// it could climb out of it: the one check behind the profile source, the
// copy of a profile on this system and the browsers' profile lists.
#include <gtest/gtest.h>

#include <string>

#include "sources/folders/pathrules.h"

namespace glimmerlog {
namespace {

TEST(PathRules, WithinBelowAndClimbingOut) {
  struct Case {
    std::u16string_view path, folder;
    bool below;                // PathBelow
    std::u16string_view rest;  // its rest when below
    bool within;               // PathWithin: below, and no ".." after the folder
  } const cases[] = {
      {u"C:\\Users\\bob\\AppData\\Local", u"C:\\Users\\bob", true, u"\\AppData\\Local", true},
      {u"C:\\Users\\bob", u"C:\\Users\\bob", true, u"", true},
      {u"c:\\USERS\\Bob\\x", u"C:\\Users\\bob", true, u"\\x", true},
      {u"C:\\Users\\bob/AppData", u"C:\\Users\\bob", true, u"/AppData", true},
      // Names are matched as Windows matches them, letters past ASCII too.
      {u"C:\\Users\\\u00C5SA\\x", u"C:\\Users\\\u00E5sa", true, u"\\x", true},
      // A longer name that begins with the folder's is another folder.
      {u"C:\\Users\\bobby\\x", u"C:\\Users\\bob", false, u"", false},
      {u"C:\\Users\\bo", u"C:\\Users\\bob", false, u"", false},
      {u"D:\\Users\\bob\\x", u"C:\\Users\\bob", false, u"", false},
      {u"AppData\\Local", u"", false, u"", false},
      // A folder that ends in its separator: what follows it.
      {u"C:\\Users", u"C:\\", true, u"Users", true},
      {u"C:\\", u"C:\\", true, u"", true},
      // ".." after the folder leads out of it, whichever separator precedes it.
      {u"C:\\Users\\bob\\..\\alice", u"C:\\Users\\bob", true, u"\\..\\alice", false},
      {u"C:\\Users\\bob\\a/..", u"C:\\Users\\bob", true, u"\\a/..", false},
      {u"C:\\Users\\bob\\..", u"C:\\Users\\bob", true, u"\\..", false},
      // Names with dots in them are ordinary names.
      {u"C:\\Users\\bob\\a..b\\.\\.x", u"C:\\Users\\bob", true, u"\\a..b\\.\\.x", true},
      // A ".." in the folder itself is the folder's business.
      {u"C:\\cases\\..\\bob\\x", u"C:\\cases\\..\\bob", true, u"\\x", true},
  };
  for (const Case& c : cases) {
    const std::string shown(c.path.begin(), c.path.end());
    std::u16string_view rest = u"untouched";
    EXPECT_EQ(PathBelow(c.path, c.folder, rest), c.below) << shown;
    EXPECT_EQ(rest, c.below ? c.rest : u"untouched") << shown;
    std::u16string_view within;
    EXPECT_EQ(PathWithin(c.path, c.folder, within), c.within) << shown;
    if (c.within) EXPECT_EQ(within, c.rest) << shown;
    if (c.below) EXPECT_EQ(ClimbsOut(c.rest), !c.within) << shown;
  }
  EXPECT_TRUE(ClimbsOut(u".."));
  EXPECT_TRUE(ClimbsOut(u"../x"));
  EXPECT_FALSE(ClimbsOut(u""));
  EXPECT_FALSE(ClimbsOut(u"x\\..y"));
}

}  // namespace
}  // namespace glimmerlog
