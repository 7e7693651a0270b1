// The hive reader and the registry source over it: every list, name and
// data form on written hives, damaged copies (each read ends, stays inside
// the bytes under the sanitizers and keeps what is intact), and the real
// hives of the test data. The comparison of whole real hives with hivex's
// tools is hive_compare.py.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>

#include "sources/hive/hivesource.h"
#include "sources/hive/upcase.h"
#include "sources/registry/regtext.h"
#include "tests/support/hive_writer.h"
#include "tests/support/regexport.h"

namespace glimmerlog {
namespace {

std::vector<uint8_t> Utf16(std::u16string_view text) {
  std::vector<uint8_t> out;
  for (char16_t c : text) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  return out;
}

uint32_t Field(const std::vector<uint8_t>& file, uint32_t cell, uint32_t field) {
  const uint8_t* p = file.data() + 0x1000 + cell + 4 + field;
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::vector<uint8_t> ReadTestFile(const std::string& name) {
  std::ifstream in(std::string(GL_TESTDATA_DIR) + "/" + name, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::u16string> Names(const Hive& hive, const std::vector<HiveKey>& keys) {
  std::vector<std::u16string> names;
  for (HiveKey k : keys) names.push_back(hive.KeyName(k));
  return names;
}

// Every key the walk reaches, by name, and the deepest level.
std::multiset<std::u16string> Walk(const Hive& hive, SourceStatus* status = nullptr, unsigned* deepest = nullptr) {
  std::multiset<std::u16string> seen;
  const SourceStatus s = hive.VisitKeys([&](HiveKey key, unsigned depth, const std::vector<HiveValue>& values) {
    seen.insert(hive.KeyName(key));
    for (HiveValue v : values) {
      std::vector<uint8_t> data;
      hive.ValueData(v, data);
    }
    if (deepest) *deepest = std::max(*deepest, depth);
    return true;
  });
  if (status) *status = s;
  return seen;
}

// A hive with each subkey list form (an ri index over lf, li and lh lists),
// key and value names stored as Latin-1 and as UTF-16, and data held in the
// value, in a cell and in big-data segments.
struct SampleHive {
  HiveWriter w;
  std::vector<uint8_t> big = std::vector<uint8_t>(40000);
  uint32_t text, number, wide, large, root, alpha, cafe;
  std::vector<uint8_t> File(uint32_t minor = 5) { return w.File(root, minor); }

  SampleHive() {
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7 + i / 251);
    text = w.Value(u"Text", 1, Utf16(std::u16string(u"notepad\\1\0", 10)));
    number = w.Value(u"Number", 4, {0xFF, 0xFF, 0xFF, 0xFF});
    const uint32_t byDefault = w.Value(u"", 1, Utf16(std::u16string(u"def\0", 4)));
    wide = w.Value(u"\u540d\u524d", 3, {1, 2, 3, 4, 5});
    large = w.Value(u"Big", 3, big);
    alpha = w.Key(u"Alpha", 1);
    cafe = w.Key(u"Caf\u00e9", 2, {w.Value(std::u16string(20, u'n'), 1, Utf16(u"x")), w.Value(u"z", 1, Utf16(u"y"))});
    const uint32_t lf = w.List("lf", {alpha, cafe});
    const uint32_t li = w.List("li", {w.Key(u"\u65e5\u672c", 3)});
    const uint32_t lh = w.List("lh", {w.Key(u"Delta", 4), w.Key(u"Echo", 5)});
    root = w.Key(u"ROOT", 9, {text, number, byDefault, wide, large}, w.List("ri", {lf, li, lh}), 5);
  }
};

TEST(HiveReader, EveryListFormNameFormAndDataForm) {
  SampleHive sample;
  const Hive hive(sample.File());
  ASSERT_TRUE(hive.Usable()) << hive.Problem();
  EXPECT_FALSE(hive.Dirty());
  EXPECT_TRUE(hive.ChecksumValid());
  EXPECT_EQ(hive.FileName(), u"\\??\\C:\\Users\\test\\ntuser.dat");
  EXPECT_EQ(hive.KeyName(hive.Root()), u"ROOT");
  EXPECT_EQ(hive.KeyTime(hive.Root()), 9u);

  std::vector<HiveKey> keys;
  EXPECT_EQ(hive.SubKeys(hive.Root(), keys), SourceStatus::kOk);
  EXPECT_EQ(Names(hive, keys),
            (std::vector<std::u16string>{u"Alpha", u"Caf\u00e9", u"\u65e5\u672c", u"Delta", u"Echo"}));

  std::vector<HiveValue> values;
  EXPECT_EQ(hive.Values(hive.Root(), values), SourceStatus::kOk);
  ASSERT_EQ(values.size(), 5u);
  std::vector<uint8_t> data;
  EXPECT_EQ(hive.ValueName(values[3]), u"\u540d\u524d");
  EXPECT_EQ(hive.ValueData(values[3], data), SourceStatus::kOk);
  EXPECT_EQ(data, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(hive.ValueData(values[1], data), SourceStatus::kOk);
  EXPECT_EQ(data, (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(hive.ValueType(values[4]), 3u);
  EXPECT_EQ(hive.ValueData(values[4], data), SourceStatus::kOk);
  EXPECT_EQ(data, sample.big);
  // A version 1.3 hive keeps large data in one cell.
  SampleHive oneCell;
  oneCell.w.Set32(oneCell.root, HiveWriter::kKeyValueCountField, 1);
  oneCell.w.Set32(Field(oneCell.File(), oneCell.root, HiveWriter::kKeyValueListField), 0,
                  oneCell.w.Value(u"Big", 3, oneCell.big, false));
  const Hive old(oneCell.File(3));
  ASSERT_EQ(old.Values(old.Root(), values), SourceStatus::kOk);
  EXPECT_EQ(old.ValueData(values[0], data), SourceStatus::kOk);
  EXPECT_EQ(data, sample.big);

  // Names are found without regard to case, Latin-1 and other letters too.
  HiveKey found;
  EXPECT_EQ(hive.FindKey(u"\\CAF\u00c9\\", found), SourceStatus::kOk);
  EXPECT_EQ(found.cell, sample.cafe);
  EXPECT_EQ(hive.FindKey(u"alpha", found), SourceStatus::kOk);
  EXPECT_EQ(found.cell, sample.alpha);
  EXPECT_EQ(hive.FindKey(u"", found), SourceStatus::kOk);
  EXPECT_EQ(found.cell, hive.Root().cell);
  EXPECT_EQ(hive.FindKey(u"Alpha\\Missing", found), SourceStatus::kMissing);
  HiveValue value;
  EXPECT_EQ(hive.FindValue(hive.Root(), u"TEXT", value), SourceStatus::kOk);
  EXPECT_EQ(value.cell, sample.text);
}

TEST(HiveRegistrySource, AnswersAsTheLiveReaders) {
  SampleHive sample;
  HiveRegistrySource source(sample.File());
  EXPECT_EQ(source.RootKeyName(), u"ROOT");
  EXPECT_TRUE(source.Problem().empty());
  EXPECT_EQ(source.GetRegValue(u"", u"text"), u"notepad\\1");
  EXPECT_EQ(source.GetRegValue(u"", u"Number"), u"-1");
  EXPECT_EQ(source.GetRegValue(u"", u""), u"def");
  EXPECT_EQ(source.GetRegValue(u"", u"Big"), u"error440");
  EXPECT_EQ(source.GetRegValue(u"", u"Missing"), u"error440");
  EXPECT_EQ(source.GetRegValue(u"Nowhere", u"Text"), u"error440");
  EXPECT_EQ(source.GetRegValueNames(u""), u"Text,Number,,\u540d\u524d,Big,");
  EXPECT_EQ(source.GetRegValueNames(u"caf\u00e9"), u"");  // its first name has 20 characters
  EXPECT_EQ(source.GetRegValueNames(u"Alpha"), u"");
  EXPECT_EQ(source.GetRegValueNames(u"Nowhere"), u"error440");

  std::vector<std::u16string> names;
  EXPECT_EQ(source.ValueNames(u"Caf\u00e9", names), SourceStatus::kOk);
  EXPECT_EQ(names, (std::vector<std::u16string>{std::u16string(20, u'n'), u"z"}));
  EXPECT_EQ(source.SubKeys(u"", names), SourceStatus::kOk);
  EXPECT_EQ(names.size(), 5u);
  EXPECT_EQ(source.SubKeys(u"Nowhere", names), SourceStatus::kMissing);
  RegistryData data;
  EXPECT_EQ(source.ReadValue(u"", u"Text", data), SourceStatus::kOk);
  EXPECT_EQ(data.type, 1u);
  EXPECT_EQ(data.bytes, Utf16(std::u16string(u"notepad\\1\0", 10)));
  uint64_t time = 0;
  EXPECT_EQ(source.LastWriteTime(u"CAF\u00c9", time), SourceStatus::kOk);
  EXPECT_EQ(time, 2u);
}

TEST(RegValueText, TheLiveReadersRules) {
  const struct {
    uint32_t type;
    std::vector<uint8_t> bytes;
    const char16_t* text;  // nullptr: a failure
  } cases[] = {
      {1, Utf16(std::u16string(u"www.hotmail,com\0LS\\Software\0", 28)), u"www.hotmail,com"},
      {1, Utf16(u"abc"), u"abc"},                  // no terminator: every character kept
      {1, {'a', 0, 'b', 0, 'c', 0, 'd'}, u"abc"},  // an odd last byte is not a character
      {1, {0, 0}, u""},
      {1, {'a'}, nullptr},
      {1, {}, nullptr},
      {4, {0xD2, 0x04, 0, 0}, u"1234"},
      {4, {0xFF, 0xFF, 0xFF, 0xFF}, u"-1"},
      {4, {0xFF, 0xFF, 0xFF}, nullptr},
      {4, {1, 0, 0, 0, 0}, nullptr},
      {2, Utf16(u"%TEMP%"), nullptr},
      {3, {1, 2, 3}, nullptr},
      {7, Utf16(std::u16string(u"a\0\0", 3)), nullptr},
      {5, {0, 0, 0, 1}, nullptr},  // REG_DWORD_BIG_ENDIAN
  };
  for (const auto& c : cases) {
    std::u16string text = u"stale";
    EXPECT_EQ(RegValueText(c.type, c.bytes.data(), c.bytes.size(), text), c.text != nullptr) << c.type;
    if (c.text) EXPECT_EQ(text, c.text);
  }
  std::u16string list;
  EXPECT_TRUE(AppendRegValueName(list, u""));
  EXPECT_TRUE(AppendRegValueName(list, std::u16string(19, u'x')));
  EXPECT_FALSE(AppendRegValueName(list, std::u16string(20, u'x')));
  EXPECT_EQ(list, u"," + std::u16string(19, u'x') + u",");
}

TEST(RegistryNames, CompareWithoutCaseAsThePlatform) {
  EXPECT_TRUE(SameRegistryName(u"Software\\Microsoft", u"SOFTWARE\\microsoft"));
  EXPECT_TRUE(SameRegistryName(u"caf\u00e9 \u00ff", u"CAF\u00c9 \u0178"));      // Latin-1, ÿ to Ÿ outside it
  EXPECT_TRUE(SameRegistryName(u"\u03c3\u0436\u0101", u"\u03a3\u0416\u0100"));  // Greek, Cyrillic, Latin Extended
  EXPECT_FALSE(SameRegistryName(u"\u00df", u"SS"));                             // no one-to-many mapping
  EXPECT_FALSE(SameRegistryName(u"txt\uF00D", u"txt"));
  EXPECT_FALSE(SameRegistryName(u"\u0101", u"\u0102"));
  EXPECT_EQ(UpcaseNameChar(char16_t{0xD83D}), char16_t{0xD83D});  // half of a surrogate pair: as it is
}

TEST(HiveDamage, RefusesWhatIsNotAHive) {
  SampleHive sample;
  const std::vector<uint8_t> good = sample.File();
  auto problem = [](std::vector<uint8_t> bytes) { return Hive(std::move(bytes)).Problem(); };
  EXPECT_EQ(problem({}), "the file is not a registry hive");
  EXPECT_EQ(problem({'C', 'R', 'E', 'G', 1, 0, 3, 0}), "Windows 9x registry files are not supported");
  EXPECT_EQ(problem(std::vector<uint8_t>(good.begin(), good.begin() + 0x1010)),
            "the file is too short to be a registry hive");
  std::vector<uint8_t> bad = good;
  bad[0x14] = 2;
  EXPECT_EQ(problem(bad), "registry hive format version 2.5 is not supported");
  bad = good;
  bad[0x1C] = 6;
  EXPECT_EQ(problem(bad), "the file is a transaction log of a registry hive, not the hive itself");
  bad = good;
  std::copy_n("\x20\0\0\0", 4, bad.begin() + 0x24);  // a data cell
  EXPECT_EQ(problem(bad), "the root key of the registry hive is damaged");
  bad = good;
  bad[0x100] ^= 1;  // a damaged header is still read, and says so
  const Hive unchecked(bad);
  EXPECT_TRUE(unchecked.Usable());
  EXPECT_FALSE(unchecked.ChecksumValid());
}

TEST(HiveDamage, FlippedCellSizeAndOffsetsOutsideTheHive) {
  SampleHive sample;
  std::vector<uint8_t> file = sample.File();
  const uint32_t textData = Field(file, sample.text, 0x08);
  sample.w.Set32(textData, -4, 16);                                                         // allocated turned free
  sample.w.Set32(Field(file, sample.root, HiveWriter::kKeyValueListField), 4, 0x7FFFFFF0);  // Number's entry
  sample.w.Set32(sample.cafe, HiveWriter::kKeyValueListField, 0xFFFFFFF0);
  HiveRegistrySource source(sample.File());
  const Hive& hive = source.hive();
  std::vector<HiveValue> values;
  EXPECT_EQ(hive.Values(hive.Root(), values), SourceStatus::kDamaged);
  EXPECT_EQ(values.size(), 4u);  // Number is left out, the others read
  std::vector<uint8_t> data;
  EXPECT_EQ(hive.ValueData(values[0], data), SourceStatus::kDamaged);
  EXPECT_EQ(source.GetRegValue(u"", u"Text"), u"error440");
  EXPECT_EQ(source.GetRegValue(u"", u"Number"), u"error440");
  EXPECT_EQ(source.GetRegValue(u"", u""), u"def");
  EXPECT_EQ(source.GetRegValueNames(u""), u"Text,,\u540d\u524d,Big,");
  EXPECT_EQ(source.GetRegValueNames(u"Caf\u00e9"), u"error440");
  std::vector<std::u16string> names;
  EXPECT_EQ(source.ValueNames(u"Caf\u00e9", names), SourceStatus::kDamaged);
  SourceStatus walked;
  EXPECT_EQ(Walk(hive, &walked).size(), 6u);
  EXPECT_EQ(walked, SourceStatus::kDamaged);
}

TEST(HiveDamage, LoopsAndRepeatsAreReadOnce) {
  HiveWriter w;
  const uint32_t a = w.Key(u"A", 1), b = w.Key(u"B", 2);
  const uint32_t lf = w.List("lf", {a, b, a});
  const uint32_t ri = w.List("ri", {lf, lf, lf});
  const uint32_t root = w.Key(u"ROOT", 3, {}, ri, 4);
  w.Set32(ri, 8, ri);  // the index names itself
  // A's subkeys are the root and A itself; B claims a million subkeys from a
  // list that says 65,535 entries in a cell of two.
  w.Set32(a, HiveWriter::kKeySubKeyListField, w.List("lh", {root, a}));
  w.Set32(a, HiveWriter::kKeySubKeyCountField, 2);
  const uint32_t claim = w.List("lf", {a, b});
  w.Set32(claim, 0, 0xFFFF0000u | 'l' | 'f' << 8);
  w.Set32(b, HiveWriter::kKeySubKeyListField, claim);
  w.Set32(b, HiveWriter::kKeySubKeyCountField, 1000000);
  const Hive hive(w.File(root));
  std::vector<HiveKey> keys;
  EXPECT_EQ(hive.SubKeys(hive.Root(), keys), SourceStatus::kDamaged);
  EXPECT_EQ(Names(hive, keys), (std::vector<std::u16string>{u"A", u"B"}));
  EXPECT_EQ(hive.SubKeys(HiveKey{b}, keys), SourceStatus::kDamaged);
  EXPECT_EQ(keys.size(), 2u);
  SourceStatus walked;
  EXPECT_EQ(Walk(hive, &walked), (std::multiset<std::u16string>{u"ROOT", u"A", u"B"}));
  EXPECT_EQ(walked, SourceStatus::kDamaged);
  HiveKey found;
  EXPECT_EQ(hive.FindKey(u"A\\A\\ROOT\\B", found), SourceStatus::kOk);  // a path follows the loop as far as it is asked
  EXPECT_EQ(found.cell, b);
}

// A hive whose root has `keys` subkeys that each name, through an index of
// their own, the same li cells: cells that overlap, 8 bytes apart, each
// claiming 0xFFFF entries that, past the later cells' headers, all name one
// valid key K, or one value's cell. As many such cells as make the file
// about `size` bytes (an index holds at most 0xFFFF), padded to that size.
std::vector<uint8_t> OverlappingLists(size_t size, size_t keys, bool namesKey) {
  HiveWriter w;
  const uint32_t key = w.Key(u"K", 1), value = w.Value(u"v", 4, {1, 2, 3, 4});
  const uint32_t target = namesKey ? key : value;
  const size_t entries = 0xFFFF, lists = std::min<size_t>(0xFFFF, (size - 4 * entries - 0x3000) / (8 + 4 * keys));
  std::vector<uint8_t> region(lists * 8 + entries * 4);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) region[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  for (size_t i = 0; i < lists; ++i) {
    put32(8 * i, 0u - static_cast<uint32_t>(8 + entries * 4));
    put32(8 * i + 4, 'l' | 'i' << 8 | static_cast<uint32_t>(entries) << 16);
  }
  for (size_t j = 0; j < entries; ++j) put32(lists * 8 + 4 * j, target);
  const uint32_t cell = w.Cell(region);
  std::vector<uint32_t> leaves;
  for (size_t i = 0; i < lists; ++i) leaves.push_back(cell + 4 + static_cast<uint32_t>(8 * i));
  std::vector<uint32_t> subkeys;
  for (size_t k = 0; k < keys; ++k) {
    subkeys.push_back(w.Key(u"X" + std::u16string(1, static_cast<char16_t>(u'0' + k)), 2, {}, w.List("ri", leaves),
                            static_cast<uint32_t>(entries)));
  }
  const uint32_t root = w.Key(u"ROOT", 3, {}, w.List("lf", subkeys), static_cast<uint32_t>(keys));
  const size_t made = w.File(root).size();
  if (made < size) w.Cell(std::vector<uint8_t>(size - made));
  return w.File(root);
}

// Overlapping lists at real sizes: each list entry of the file is read at
// most once by a call, and by a whole walk, so the work counted stays
// within the file's 4-byte words; K is found once, through the first list.
TEST(HiveDamage, OverlappingListsAreReadOnce) {
  const struct {
    size_t size, keys;
    bool namesKey;
  } cases[] = {{290 * 1024, 1, true},  {1300 * 1024, 1, true},  {1300 * 1024, 3, true},
               {290 * 1024, 1, false}, {1300 * 1024, 1, false}, {1300 * 1024, 3, false}};
  for (const auto& c : cases) {
    const std::string name = std::to_string(c.size / 1024) + " KB, " + std::to_string(c.keys) + " keys" +
                             (c.namesKey ? "" : ", entries naming a value");
    HiveRegistrySource source(OverlappingLists(c.size, c.keys, c.namesKey));
    const std::vector<std::u16string> found = c.namesKey ? std::vector<std::u16string>{u"K"} : std::vector<std::u16string>{};
    const Hive& hive = source.hive();
    ASSERT_GE(hive.FileSize(), c.size) << name;
    const uint64_t words = hive.FileSize() / 4;
    auto work = [&, last = hive.ListEntriesRead()]() mutable {
      const uint64_t now = hive.ListEntriesRead(), done = now - last;
      last = now;
      return done;
    };

    HiveKey x0, k;
    ASSERT_EQ(hive.FindKey(u"X0", x0), SourceStatus::kOk) << name;
    work();
    std::vector<HiveKey> keys;
    EXPECT_EQ(hive.SubKeys(x0, keys), SourceStatus::kDamaged) << name;
    EXPECT_EQ(Names(hive, keys), found) << name;
    EXPECT_LE(work(), words) << name;
    EXPECT_EQ(hive.FindKey(u"X0\\k", k), c.namesKey ? SourceStatus::kOk : SourceStatus::kDamaged) << name;
    EXPECT_LE(work(), words) << name;
    std::vector<std::u16string> names;
    EXPECT_EQ(source.SubKeys(u"X0", names), SourceStatus::kDamaged) << name;
    EXPECT_EQ(names, found) << name;
    EXPECT_LE(work(), words) << name;

    // The walk reaches K through the first key's index only.
    SourceStatus walked;
    const std::multiset<std::u16string> seen = Walk(hive, &walked);
    EXPECT_EQ(seen.size(), c.keys + 1 + found.size()) << name;
    EXPECT_EQ(seen.count(u"K"), found.size()) << name;
    EXPECT_EQ(walked, SourceStatus::kDamaged) << name;
    EXPECT_LE(work(), words) << name;
  }
}

TEST(HiveDamage, DeepNestingAndRepeatedBigDataSegments) {
  HiveWriter w;
  uint32_t key = w.Key(u"leaf", 0);
  for (int i = 0; i < 600; ++i) key = w.Key(u"k", 0, {}, w.List("lf", {key}), 1);
  std::vector<uint8_t> big(50000, 0xAB);
  const uint32_t value = w.Value(u"Big", 3, big);
  const std::vector<uint8_t> plain = w.File(key);
  const uint32_t db = Field(plain, value, 0x08), segments = Field(plain, db, 4);
  w.Set32(segments, 4, Field(plain, segments, 0));  // the second segment is the first again
  const uint32_t list = w.Cell({0, 0, 0, 0});
  w.Set32(list, 0, value);
  w.Set32(key, HiveWriter::kKeyValueCountField, 1);
  w.Set32(key, HiveWriter::kKeyValueListField, list);
  const Hive hive(w.File(key));
  SourceStatus walked;
  unsigned deepest = 0;
  EXPECT_EQ(Walk(hive, &walked, &deepest).size(), Hive::kMaxDepth);
  EXPECT_EQ(deepest, Hive::kMaxDepth - 1);
  EXPECT_EQ(walked, SourceStatus::kDamaged);
  std::vector<HiveValue> values;
  ASSERT_EQ(hive.Values(hive.Root(), values), SourceStatus::kOk);
  std::vector<uint8_t> data;
  EXPECT_EQ(hive.ValueData(values[0], data), SourceStatus::kDamaged);
  EXPECT_EQ(data, std::vector<uint8_t>(16344, 0xAB));
}

TEST(HiveDamage, EveryTruncationEndsCleanlyAndInventsNothing) {
  SampleHive sample;
  const std::vector<uint8_t> file = sample.File();
  const std::multiset<std::u16string> all = Walk(Hive(file));
  for (size_t size = 0; size <= file.size(); size += 8) {
    const Hive hive(std::vector<uint8_t>(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size)));
    if (hive.Usable()) EXPECT_EQ(hive.Truncated(), size < file.size()) << size;
    for (const std::u16string& name : Walk(hive)) EXPECT_EQ(all.count(name), 1u) << size;
  }
}

// The real hives of the test data.
class RealHive : public ::testing::Test {
 protected:
  std::vector<uint8_t> Load(const std::string& name) {
    std::vector<uint8_t> bytes = ReadTestFile("hives/" + name);
    if (bytes.empty()) ADD_FAILURE() << "hive " << name << " not found";
    return bytes;
  }
  void SetUp() override {
    if (ReadTestFile("hives/xp_plaso_NTUSER.DAT").empty()) {
      GTEST_SKIP() << "test data absent: no hives under " GL_TESTDATA_DIR;
    }
  }
};

TEST_F(RealHive, HeadersDirtyHiveAndTheWindows9xFile) {
  HiveRegistrySource win10(Load("win10_regipy_NTUSER_with_winscp.DAT"));
  EXPECT_TRUE(win10.Dirty());
  EXPECT_EQ(win10.hive().PrimarySequence(), 5161u);
  EXPECT_EQ(win10.hive().SecondarySequence(), 5160u);
  EXPECT_EQ(win10.RootKeyName(), u"ROOT");
  // Read as it is: RunMRU's 18 entries and its MRUList.
  EXPECT_EQ(win10.GetRegValue(u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", u"MRUList"),
            u"ladhcimrqponkjegfb");

  HiveRegistrySource xp(Load("xp_plaso_NTUSER.DAT"));
  EXPECT_FALSE(xp.Dirty());
  EXPECT_TRUE(xp.hive().ChecksumValid());
  EXPECT_EQ(xp.RootKeyName(), u"$$$PROTO.HIV");
  EXPECT_EQ(xp.LastWritten() / 10000000, 12893872943u);  // 2009-08-04 15:22:23 UTC, as hivexml reads it
  EXPECT_EQ(xp.GetRegValueNames(u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU"), u"");

  HiveRegistrySource win9x(Load("win9x_dfwinreg_USER.DAT"));
  EXPECT_EQ(win9x.Problem(), "Windows 9x registry files are not supported");
  EXPECT_EQ(win9x.GetRegValueNames(u""), u"error440");
}

TEST_F(RealHive, EdgeCasesOfTheListViews) {
  HiveRegistrySource frodo(Load("xp_frodo_NTUSER.DAT"));
  const std::u16string explorer = u"software\\MICROSOFT\\Windows\\CurrentVersion\\Explorer\\";
  EXPECT_EQ(frodo.GetRegValueNames(explorer + u"RunMRU"), u"a,MRUList,c,b,");  // stored order, not name order
  EXPECT_EQ(frodo.GetRegValue(u"Software\\Microsoft\\Internet Explorer\\TypedURLs", u"url1"), u"www.hotmail,com");
  RegistryData data;
  EXPECT_EQ(frodo.ReadValue(u"Software\\Microsoft\\Internet Explorer\\TypedURLs", u"url1", data), SourceStatus::kOk);
  EXPECT_EQ(data.bytes.size(), 56u);  // 24 bytes after the first NUL

  HiveRegistrySource notatin(Load("win7_notatin_ntuser.dat"));
  std::vector<std::u16string> names;
  EXPECT_EQ(notatin.SubKeys(explorer + u"ComDlg32\\OpenSavePidlMRU", names), SourceStatus::kOk);
  EXPECT_EQ(std::count(names.begin(), names.end(), u"txt\uF00D"), 1);
  HiveKey plain, marked;
  EXPECT_EQ(notatin.hive().FindKey(explorer + u"ComDlg32\\OpenSavePidlMRU\\TXT", plain), SourceStatus::kOk);
  EXPECT_EQ(notatin.hive().FindKey(explorer + u"ComDlg32\\OpenSavePidlMRU\\txt\uF00D", marked), SourceStatus::kOk);
  EXPECT_NE(plain.cell, marked.cell);
  uint64_t time = 0;
  EXPECT_EQ(notatin.LastWriteTime(explorer + u"ComDlg32\\OpenSavePidlMRU\\txt\uF00D", time), SourceStatus::kOk);
  EXPECT_EQ(time, notatin.hive().KeyTime(marked));
}

// Every key and value of the exports in reg/ (made by hivexregedit from the
// same hives) is found by its path and reads back the same bytes.
TEST_F(RealHive, TheViewKeysAsTheirExportsHoldThem) {
  for (const char* name : {"xp_plaso_NTUSER.DAT", "xp_frodo_NTUSER.DAT", "win7_plaso_NTUSER-WIN7.DAT",
                           "win7_notatin_ntuser.dat", "win10_regipy_NTUSER_with_winscp.DAT"}) {
    RegExport expected;
    ASSERT_TRUE(LoadRegExport(std::string(GL_TESTDATA_DIR) + "/reg/" + name + ".reg", expected)) << name;
    HiveRegistrySource hive(Load(name));
    size_t compared = 0;
    for (const auto& [path, values] : expected.keys) {
      std::vector<std::u16string> names;
      ASSERT_EQ(hive.ValueNames(path, names), SourceStatus::kOk) << name;
      ASSERT_EQ(names.size(), values.size()) << name;
      for (const RegExportValue& v : values) {
        RegistryData data;
        EXPECT_EQ(hive.ReadValue(path, v.name, data), SourceStatus::kOk);
        EXPECT_EQ(data.type, v.data.type);
        EXPECT_EQ(data.bytes, v.data.bytes);
        ++compared;
      }
    }
    EXPECT_GT(compared, 50u) << name;
  }
}

TEST_F(RealHive, DamagedCopiesOfARealHiveEndCleanly) {
  const std::vector<uint8_t> file = Load("win7_plaso_regf_NTUSER.DAT");
  const size_t all = Walk(Hive(file)).size();
  EXPECT_EQ(all, 1597u);
  for (size_t size : {file.size() / 2, file.size() / 8, size_t{0x1100}}) {
    SourceStatus walked;
    const size_t read = Walk(Hive(std::vector<uint8_t>(file.begin(), file.begin() + size)), &walked).size();
    EXPECT_LT(read, all) << size;
    EXPECT_EQ(walked, SourceStatus::kDamaged);
  }
}

}  // namespace
}  // namespace glimmerlog
