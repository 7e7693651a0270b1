// Mapped Drives and Volumes on every hive of the test data against
// RegRipper's mndmru and mp2 plugins, and on a written hive whose list is
// out of order and holds a value that is not text.
#include <gtest/gtest.h>

#include <map>

#include "base/utf8.h"
#include "tests/host/registryviews.h"
#include "tests/support/hivetree.h"

namespace glimmerlog {

void ReadMappedDrives(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

namespace {

constexpr size_t kShown = 0, kKind = 1, kLabel = 2, kOrder = 3, kTime = 4, kKey = 5;

std::u16string Folded(std::u16string s) {
  for (char16_t& c : s) c = c < 0x80 ? static_cast<char16_t>(tolower(c)) : c;
  return s;
}

std::u16string LastPart(const std::u16string& key) { return key.substr(key.rfind(u'\\') + 1); }

// What mp2 says of one MountPoints2 subkey.
struct PeerMount {
  std::string section;  // "Remote Drives", "Volumes", "Drives", or "Key name" for the others
  int64_t time = -1;
  std::u16string label;
};

std::map<std::u16string, PeerMount> Mp2(const std::vector<uint8_t>& hive) {
  std::map<std::u16string, PeerMount> out;
  std::string section;
  int64_t time = -1;
  for (const std::string& line : peer::Run(hive, "mp2")) {
    if (line == "Remote Drives:" || line == "Volumes:" || line == "Drives:") {
      section = line.substr(0, line.size() - 1);
    } else if (line.rfind("  Key name = ", 0) == 0) {
      out[Utf8ToU16(line.substr(13))] = {"Key name", -1, {}};
    } else if (line.rfind("Unique MAC", 0) == 0) {
      section.clear();
    } else if (section == "Drives" && line.find("Z - ") != std::string::npos) {
      // "2004-12-09 20:34:31Z - A,C,D"
      const size_t at = line.find("Z - ");
      std::string letters = line.substr(at + 4) + ",";
      for (size_t start = 0, comma; (comma = letters.find(',', start)) != std::string::npos; start = comma + 1) {
        out[Utf8ToU16(letters.substr(start, comma - start))] = {section, peer::Time(line.substr(0, at)), {}};
      }
    } else if (!section.empty() && peer::Time(line) >= 0) {
      time = peer::Time(line);
    } else if (!section.empty() && line.rfind("  ", 0) == 0) {
      std::string name = line.substr(2), label;
      if (const size_t open = name.find(" ("); open != std::string::npos && name.back() == ')') {
        label = name.substr(open + 2, name.size() - open - 3);
        name.resize(open);
      }
      out[Utf8ToU16(name)] = {section, time, Utf8ToU16(label)};
    }
  }
  return out;
}

// Every NT hive of the test data (the damaged one without its logs, as the
// peer reads it; Windows 9x's USER.DAT is of another format). The peer's mndmru lists the values of Map Network Drive
// MRU with MRUList; mp2 lists the subkeys of MountPoints2 by time, in sections by the first character of the name, with
// the volumes' labels.
//
// One difference, in win7_notatin: the subkey "CPC" (a key Explorer keeps
// volumes under, not a drive) is in mp2's Drives section, which takes every
// name beginning with a capital letter; we show only one-letter names as
// drives, and "CPC" as Other.
TEST(MappedDrives, AsRegRipperReadsEveryHive) {
  if (!peer::Installed()) GTEST_SKIP() << "regripper is not installed: no peer to compare with";
  size_t hives = 0, shares = 0, mounts = 0;
  for (const char* file : {"hives/xp_frodo_NTUSER.DAT", "hives/xp_plaso_NTUSER.DAT", "hives/win7_notatin_ntuser.dat",
                           "hives/win7_plaso_NTUSER-WIN7.DAT", "hives/win7_plaso_regf_NTUSER.DAT",
                           "hives/win10_regipy_NTUSER_with_winscp.DAT", "shellbags/regipy-transactions/NTUSER.DAT"}) {
    SCOPED_TRACE(file);
    const std::vector<uint8_t> hive = peer::TestFile(file);
    if (hive.empty()) continue;
    ++hives;
    const ViewRead read(&ReadMappedDrives, hive);
    EXPECT_TRUE(read.table.problems.empty());

    // mndmru: "  MRUList = gfedcab" and "  a   \\server\share".
    std::u16string order;
    std::map<char16_t, std::u16string> typed;
    for (const std::string& line : peer::Run(hive, "mndmru")) {
      if (line.rfind("  MRUList = ", 0) == 0) {
        order = Utf8ToU16(line.substr(12));
      } else if (line.size() > 6 && line.compare(0, 2, "  ") == 0 && line.compare(3, 3, "   ") == 0) {
        typed[static_cast<char16_t>(line[2])] = Utf8ToU16(line.substr(6));
      }
    }
    std::map<std::u16string, PeerMount> mp2 = Mp2(hive);
    std::vector<std::u16string> mappedShares;
    for (size_t r = 0; r < read.table.RowCount(); ++r) {
      if (read.Text(r, kKind) == u"Mapped share") {
        const size_t n = static_cast<size_t>(read.Number(r, kOrder));
        ASSERT_LE(n, order.size());
        EXPECT_EQ(read.Text(r, kShown), typed[order[n - 1]]);
        mappedShares.push_back(Folded(read.Text(r, kShown)));
        ++shares;
        continue;
      }
      const std::u16string name = LastPart(read.Text(r, kKey));
      const auto found = mp2.find(name);
      ASSERT_NE(found, mp2.end()) << Utf8Of(name);
      const PeerMount& p = found->second;
      const std::u16string kind = read.Text(r, kKind);
      EXPECT_EQ(kind, p.section == "Remote Drives"                ? u"Share"
                      : p.section == "Volumes"                    ? u"Volume"
                      : p.section == "Drives" && name.size() == 1 ? u"Drive"
                                                                  : u"Other")
          << Utf8Of(name);
      if (p.time >= 0) EXPECT_NEAR(peer::Seconds(read.Time(r, kTime)), p.time, 1.0) << Utf8Of(name);
      EXPECT_EQ(read.Text(r, kLabel), p.label);
      EXPECT_EQ(read.table.TargetOf(r).empty(), kind == u"Other");
      mp2.erase(found);
      ++mounts;
    }
    EXPECT_TRUE(mp2.empty()) << mp2.size() << " subkeys of MountPoints2 not shown";
    EXPECT_EQ(mappedShares.size(), typed.size());
    // A share mapped in the dialog is one Explorer used: its ##server#share
    // subkey reads as the same path.
    for (size_t r = 0; r < read.table.RowCount(); ++r) {
      if (read.Text(r, kKind) != u"Share") continue;
      const std::u16string shown = Folded(read.Text(r, kShown));
      if (!mappedShares.empty()) {
        EXPECT_NE(std::find(mappedShares.begin(), mappedShares.end(), shown), mappedShares.end()) << Utf8Of(shown);
      }
    }
    // The first mapped share and every subkey with a time are in the timeline.
    size_t dated = 0;
    for (size_t r = 0; r < read.table.RowCount(); ++r) dated += read.Time(r, kTime) != 0;
    EXPECT_EQ(read.events.RowCount(), dated);
  }
  if (hives == 0) GTEST_SKIP() << "no hives in " << GL_TESTDATA_DIR;
  EXPECT_EQ(shares, 8u);  // xp_frodo 1, win7_notatin 7
  EXPECT_GT(mounts, 200u);
}

// MRUList "ca": c first, then a; b is not listed and comes after, and d
// holds bytes, not text.
TEST(MappedDrives, ListOrderThenUnlistedValuesAndNonTextIsAProblem) {
  HiveNode root(1);
  root.Key(u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Map Network Drive MRU", 500)
      .Sz(u"a", u"\\\\alpha\\a")
      .Sz(u"b", u"\\\\beta\\b")
      .Sz(u"c", u"\\\\gamma\\c")
      .Value(u"d", 3, {1, 2, 3})
      .Sz(u"MRUList", u"cad");
  const ViewRead read(&ReadMappedDrives, root.File());
  const char16_t* expected[] = {u"\\\\gamma\\c", u"\\\\alpha\\a", u"\\\\beta\\b"};
  ASSERT_EQ(read.table.RowCount(), std::size(expected));
  for (size_t r = 0; r < std::size(expected); ++r) {
    EXPECT_EQ(read.Text(r, kShown), expected[r]);
    EXPECT_EQ(read.Time(r, kTime), r == 0 ? 500u : 0u);
  }
  EXPECT_EQ(read.Number(2, kOrder), 4);  // after d, which the list names third
  EXPECT_EQ(read.table.problems, std::vector<std::u16string>{u"Map Network Drive MRU value d: not text"});
}

}  // namespace
}  // namespace glimmerlog
