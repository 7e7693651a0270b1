// The shell item list decoder on the value bytes of real hives, checked
// against two peer parsers, and on damaged lists built here.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "sources/shell/shellitems.h"
#include "tests/support/regexport.h"
#include "tests/support/shellitems_writer.h"

namespace glimmerlog {
namespace {

const std::u16string kExplorer = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

const RegExport* Hive(const std::string& name) {
  static std::map<std::string, RegExport> loaded;
  auto it = loaded.find(name);
  if (it == loaded.end()) {
    RegExport file;
    if (!LoadRegExport(std::string(GL_TESTDATA_DIR) + "/reg/" + name + ".reg", file)) return nullptr;
    it = loaded.emplace(name, std::move(file)).first;
  }
  return &it->second;
}

const std::vector<uint8_t>* Value(const RegExport& hive, const std::u16string& key, const std::u16string& name) {
  auto k = hive.keys.find(kExplorer + key);
  if (k == hive.keys.end()) return nullptr;
  for (const auto& v : k->second) {
    if (v.name == name) return &v.data.bytes;
  }
  return nullptr;
}

// Values of the four Windows 7/10 hives. `peer` is what RegRipper 3.0
// (Debian regripper 3.0~git20221205, plugins comdlg32 v.20200517 and
// recentdocs v.20200427) printed for the value: a path, or for
// LastVisitedPidlMRU "program - path". `ours` is set where our text differs,
// for the reason given. Times (UTC) are those of the last file entry as
// libfwsi (Debian python3-libfwsi 20181227) reads them.
//
// Over every value of the four hives: RecentDocs names 714 of 714 identical
// to RegRipper's, their shortcut names 714 of 714 identical to libfwsi's long
// names; OpenSavePidlMRU paths 316 of 402 and LastVisitedPidlMRU texts 33 of
// 54 identical, each other one differing only in the ways shown below; times
// 427 of 427 identical to libfwsi's wherever libfwsi finds a file entry.
struct PeerCase {
  const char* hive;
  const char16_t* key;
  const char16_t* value;
  const char16_t* peer;
  const char16_t* ours;  // nullptr: same as the peer
  uint64_t modified, created, accessed;
};
const PeerCase kPeerCases[] = {
    {"win7_plaso_NTUSER-WIN7.DAT", u"ComDlg32\\OpenSavePidlMRU\\*", u"6",
     u"My Computer\\C:\\Users\\nfury\\Documents\\StarFury.zip", nullptr, 0, 0, 0},
    // 2012-03-08 22:16:12, 22:16:02, 22:16:12.
    {"win7_plaso_NTUSER-WIN7.DAT", u"ComDlg32\\LastVisitedPidlMRU", u"4",
     u"{0B8CFE96-DB69-4D33-8E3C-36EAB4F709E0} - My Computer\\C:\\Users\\nfury\\Documents\\Alloy Research", nullptr,
     129757185720000000, 129757185620000000, 129757185720000000},
    // The peer names roots by their sort index ("Users") and skips class
    // 0x00 items: the known folder Documents here, library folders below.
    // 2012-03-12 20:50:00, 2012-03-08 22:16:02, 2012-03-12 20:50:00.
    {"win7_plaso_NTUSER-WIN7.DAT", u"ComDlg32\\OpenSavePidlMRU\\*", u"11", u"Users\\Alloy Research",
     u"User's Files\\Documents\\Alloy Research", 129760590000000000, 129757185620000000, 129760590000000000},
    {"win7_plaso_NTUSER-WIN7.DAT", u"ComDlg32\\OpenSavePidlMRU\\pdf", u"3", u"Libraries",
     u"Libraries\\Documents\\My Documents\\Leadership\\followership.pdf", 0, 0, 0},
    // A library folder's times come from the item's own list (libfwsi finds
    // no file entry): 2012-03-12 20:50:08.
    {"win7_plaso_NTUSER-WIN7.DAT", u"ComDlg32\\LastVisitedPidlMRU", u"6",
     u"{427865A0-03AF-4F25-82EE-10B6CB1DED3E} - Libraries",
     u"{427865A0-03AF-4F25-82EE-10B6CB1DED3E} - Libraries\\Documents\\StarFury", 129760590080000000, 129760590080000000,
     129760590080000000},
    // A share after its server item is named as the shell shows it.
    {"win7_plaso_NTUSER-WIN7.DAT", u"ComDlg32\\OpenSavePidlMRU\\exe", u"0",
     u"My Network Places\\\\\\controller\\WebDavShare\\Firefox Setup 3.6.12.exe",
     u"Network\\controller\\WebDavShare\\Firefox Setup 3.6.12.exe", 0, 0, 0},
    // The peer drops a volume's trailing backslash.
    {"win7_notatin_ntuser.dat", u"ComDlg32\\LastVisitedPidlMRU", u"8", u"notepad++.exe - My Computer\\F:",
     u"notepad++.exe - My Computer\\F:\\", 0, 0, 0},
    // Class 0x2E folders under My Computer: the peer writes "CLSID_Desktop",
    // or the bare GUID when its table lacks it. 2022-04-25 11:38:26, 11:38:24,
    // 11:38:26.
    {"win10_regipy_NTUSER_with_winscp.DAT", u"ComDlg32\\OpenSavePidlMRU\\pdf", u"0",
     u"My Computer\\{088e3905-0323-4b02-9826-5d99428e115f}\\Volatility-Report-Part-2.pdf",
     u"My Computer\\Downloads\\Volatility-Report-Part-2.pdf", 132953603060000000, 132953603040000000,
     132953603060000000},
    // A delegate item wrapping the removable drive D:; the peer says
    // "Explorer". 2022-05-16 15:09:16, 2022-05-16 14:03:32, 2022-05-19 11:19:24.
    {"win10_regipy_NTUSER_with_winscp.DAT", u"ComDlg32\\OpenSavePidlMRU\\001", u"0", u"Explorer\\CODA\\CODA.001",
     u"D:\\CODA\\CODA.001", 132971873560000000, 132971834120000000, 132974327640000000},
    // UTF-16 names (a class 0x36 file entry, Hebrew folder names): the peer
    // drops the high bytes and does not know class 0x36.
    {"win10_regipy_NTUSER_with_winscp.DAT", u"ComDlg32\\OpenSavePidlMRU\\docx", u"1",
     u"My Computer\\CLSID_Desktop\\offline\\\u00d0\u00d7\u00e8\u00d9\u00d5\u00ea "
     u"\u00d3\u00e7\u00e1\u00d8\u00e8\\dexter "
     u"parser test environment\\New\\Unknown Type (0x36)",
     u"My Computer\\Desktop\\offline\\\u05d0\u05d7\u05e8\u05d9\u05d5\u05ea \u05d3\u05e7\u05e1\u05d8\u05e8\\dexter "
     u"parser "
     u"test environment\\New\\\u05e1\u05d1\u05d9\u05d1\u05ea \u05d8\u05e1\u05d8\u05d9\u05dd.docx",
     0, 0, 0},
    // A file name ending in U+F00D, as its key's name does. 2014-04-15
    // 14:44:26, 2014-04-14 23:42:00, 2014-04-14 23:42:00.
    {"win7_notatin_ntuser.dat", u"ComDlg32\\OpenSavePidlMRU\\txt\uf00d", u"0",
     u"My Computer\\A:\\Z_Temp\\LPL_Shorris\\OSJ_Logs\\20140116\\chosjexpilot01\\MSGTRK20140116-1.LOG.tsv.txt\r\u00f0",
     u"My Computer\\A:\\Z_Temp\\LPL_Shorris\\OSJ_Logs\\20140116\\chosjexpilot01\\MSGTRK20140116-1.LOG.tsv.txt\uf00d",
     130420466660000000, 130419925200000000, 130419925200000000},
};

TEST(ShellItems, RealValuesAgainstPeers) {
  for (const auto& c : kPeerCases) {
    const RegExport* hive = Hive(c.hive);
    if (!hive) GTEST_SKIP() << "test data " << c.hive << ".reg not found under " GL_TESTDATA_DIR "/reg";
    const auto* bytes = Value(*hive, c.key, c.value);
    ASSERT_TRUE(bytes) << c.hive;
    ItemListText list;
    std::u16string text;
    if (std::u16string(c.key).find(u"LastVisited") != std::u16string::npos) {
      LastVisitedEntry visited;
      EXPECT_TRUE(ParseLastVisitedValue(bytes->data(), bytes->size(), visited));
      list = visited.folder;
      text = visited.program + u" - " + list.path;
    } else {
      list = DecodeItemList(bytes->data(), bytes->size());
      text = list.path;
    }
    EXPECT_EQ(text, c.ours ? c.ours : c.peer) << c.hive;
    EXPECT_TRUE(list.complete);
    EXPECT_EQ(list.modified, c.modified) << c.hive;
    EXPECT_EQ(list.created, c.created) << c.hive;
    EXPECT_EQ(list.accessed, c.accessed) << c.hive;
  }
  // RecentDocs: the name as the peer prints it, and the shortcut's name.
  RecentDocsEntry doc;
  const auto* bytes = Value(*Hive("win7_plaso_NTUSER-WIN7.DAT"), u"RecentDocs", u"8");
  ASSERT_TRUE(bytes && ParseRecentDocsValue(bytes->data(), bytes->size(), doc));
  EXPECT_EQ(doc.name, u"StarFury");
  EXPECT_EQ(doc.shortcut, u"StarFury (2).lnk");
}

// Every value of the three keys in every hive decodes whole, with no item of
// an unknown kind, and every RecentDocs value names its shortcut.
TEST(ShellItems, EveryRealValueDecodes) {
  size_t lists = 0, docs = 0;
  for (const char* name :
       {"win7_plaso_NTUSER-WIN7.DAT", "win7_notatin_ntuser.dat", "win10_regipy_NTUSER_with_winscp.DAT",
        "win7_plaso_regf_NTUSER.DAT", "xp_plaso_NTUSER.DAT", "xp_frodo_NTUSER.DAT"}) {
    const RegExport* hive = Hive(name);
    if (!hive) GTEST_SKIP() << "test data " << name << ".reg not found under " GL_TESTDATA_DIR "/reg";
    for (const auto& [key, values] : hive->keys) {
      const bool openSave = key.find(u"\\OpenSavePidlMRU\\") != std::u16string::npos;
      const bool lastVisited = key.find(u"\\LastVisitedPidlMRU") != std::u16string::npos;
      if (!openSave && !lastVisited && key.find(u"\\RecentDocs") == std::u16string::npos) continue;
      for (const auto& v : values) {
        if (v.name.rfind(u"MRUList", 0) == 0) continue;
        const auto& b = v.data.bytes;
        LastVisitedEntry visited;
        RecentDocsEntry doc;
        if (!openSave && !lastVisited) {
          ASSERT_TRUE(ParseRecentDocsValue(b.data(), b.size(), doc));
          EXPECT_FALSE(doc.shortcut.empty()) << name;  // a .lnk, or a folder in NetHood
          ++docs;
          continue;
        }
        if (lastVisited) ASSERT_TRUE(ParseLastVisitedValue(b.data(), b.size(), visited));
        const ItemListText text = lastVisited ? visited.folder : DecodeItemList(b.data(), b.size());
        ++lists;
        EXPECT_TRUE(text.complete) << name;
        EXPECT_FALSE(text.path.empty()) << name;
        EXPECT_EQ(text.path.find(u"[item"), std::u16string::npos) << name;
      }
    }
  }
  EXPECT_EQ(lists, 456u);
  EXPECT_EQ(docs, 786u);  // 714 of Windows 7 and 10, 72 of XP
}

// Item lists built by hand. FAT date-times: 2012-03-12 20:50:00 and
// 2012-03-10 22:22:10 (date in the low word).
constexpr uint32_t kFat1 = 0xA640406C, kFat2 = 0xB2C5406A;
constexpr uint64_t kFileTime1 = 129760590000000000, kFileTime2 = 129758917300000000;
const FileEntryFields kFile{0x32, "LONGNA~1.TXT", kFat1, kFat2, kFat1, u"long name.txt"};

TEST(ShellItems, BuiltListAndItsDamage) {
  std::vector<uint8_t> list;
  AppendItem(list, MyComputerItem());
  AppendItem(list, VolumeItem('C'));
  AppendItem(list, {0x52, 0, 1, 2});  // a compressed-folder item: unknown here
  AppendItem(list, DelegateFileItem({0x31, "DIR", kFat2, kFat2, kFat1, u"a folder"}));
  std::vector<uint8_t> upToFolder = list;
  EndList(upToFolder);
  const ItemListText folder = DecodeItemList(upToFolder.data(), upToFolder.size());
  EXPECT_EQ(folder.path, u"My Computer\\C:\\[item 0x52]\\a folder");
  EXPECT_TRUE(folder.folder);
  EXPECT_EQ(folder.modified, kFileTime2);
  EXPECT_EQ(folder.accessed, kFileTime1);
  // A library item: its times are those of its own list's file entry.
  std::vector<uint8_t> own;
  AppendItem(own, FileEntryItem(kFile));
  EndList(own);
  AppendItem(list, LibraryItem(u"report.pdf", own));
  EndList(list);
  const ItemListText whole = DecodeItemList(list.data(), list.size());
  EXPECT_EQ(whole.path, u"My Computer\\C:\\[item 0x52]\\a folder\\report.pdf");
  EXPECT_TRUE(whole.complete);
  EXPECT_FALSE(whole.folder);
  EXPECT_EQ(whole.modified, kFileTime1);
  EXPECT_EQ(whole.created, kFileTime2);
  EXPECT_EQ(whole.accessed, kFileTime1);

  // Cut anywhere: only whole items are decoded, and the list says it is cut.
  for (size_t n = 0; n < list.size(); ++n) {
    const ItemListText text = DecodeItemList(list.data(), n);
    EXPECT_FALSE(text.complete) << n;
    EXPECT_EQ(whole.path.compare(0, text.path.size(), text.path), 0) << n;
  }

  // A size past the end, a size of 1, an item of size 2 (skipped).
  std::vector<uint8_t> damaged;
  AppendItem(damaged, MyComputerItem());
  damaged.insert(damaged.end(), {0xFF, 0x00, 0x2F, 'D', ':'});
  EXPECT_EQ(DecodeItemList(damaged.data(), damaged.size()).path, u"My Computer");
  EXPECT_FALSE(DecodeItemList(damaged.data(), damaged.size()).complete);
  damaged.resize(20);
  damaged.insert(damaged.end(), {0x01, 0x00, 0x00, 0x00});
  EXPECT_FALSE(DecodeItemList(damaged.data(), damaged.size()).complete);
  damaged.resize(20);
  damaged.insert(damaged.end(), {0x02, 0x00, 0x00, 0x00});
  EXPECT_EQ(DecodeItemList(damaged.data(), damaged.size()).path, u"My Computer");
  EXPECT_TRUE(DecodeItemList(damaged.data(), damaged.size()).complete);

  // An extension block claiming more than its item holds: the short name;
  // one whose size cuts its long name to an odd length: the whole characters.
  FileEntryFields shortOnly = kFile;
  shortOnly.longName.clear();
  const size_t blockAt = FileEntryItem(shortOnly).size();
  for (uint8_t blockSize : {uint8_t(200), uint8_t(51)}) {
    std::vector<uint8_t> item = FileEntryItem(kFile), one;
    item[blockAt] = blockSize;
    AppendItem(one, item);
    EndList(one);
    const ItemListText text = DecodeItemList(one.data(), one.size());
    EXPECT_EQ(text.path, blockSize == 51 ? u"l" : u"LONGNA~1.TXT") << blockSize;
    EXPECT_EQ(text.modified, kFileTime1);
  }
}

TEST(ShellItems, ValuesWithANameFirst) {
  std::vector<uint8_t> value;
  for (char16_t c : std::u16string(u"a.txt")) PutLe16(value, c);
  RecentDocsEntry doc;
  EXPECT_FALSE(ParseRecentDocsValue(value.data(), value.size(), doc));
  PutLe16(value, 0);
  ASSERT_TRUE(ParseRecentDocsValue(value.data(), value.size(), doc));  // the name without its item
  EXPECT_EQ(doc.name, u"a.txt");
  EXPECT_EQ(doc.shortcut, u"");
  AppendItem(value, FileEntryItem(kFile));
  EndList(value);
  ASSERT_TRUE(ParseRecentDocsValue(value.data(), value.size(), doc));
  EXPECT_EQ(doc.shortcut, u"long name.txt");
  LastVisitedEntry visited;
  ASSERT_TRUE(ParseLastVisitedValue(value.data(), value.size() - 1, visited));  // odd size, no terminator
  EXPECT_EQ(visited.program, u"a.txt");
  EXPECT_EQ(visited.folder.path, u"long name.txt");
  EXPECT_FALSE(visited.folder.complete);
}

}  // namespace
}  // namespace glimmerlog
