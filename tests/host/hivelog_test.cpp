// Transaction logs applied to dirty hives in memory: the real logs of the
// test data against what other readers record of them (the base-block
// survey in peer-output, regipy's counts in the test data's README, and
// hivexregedit reading the hive before and after), variants of the real logs
// that stop the replay part-way, logs of both forms written here, and the
// profile source finding the logs beside the hive.
#include "sources/hive/hivelog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "sources/folders/posixfolders.h"
#include "sources/hive/hivesource.h"
#include "sources/profile/profilesource.h"
#include "tests/host/sqlitecli.h"
#include "tests/support/hive_writer.h"
#include "tests/support/hivelog_writer.h"

namespace glimmerlog {
namespace {

const std::string kData = GL_TESTDATA_DIR;
const std::string kTransactions = kData + "/shellbags/regipy-transactions/";
const std::string kUsrClass = kData + "/shellbags/regipy-usrclass/";

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The survey of base blocks and log entries in peer-output: for each file,
// its sequence numbers and, for a log, its entries' first and last numbers.
struct PeerHeader {
  uint32_t primary = 0, secondary = 0;
  size_t entries = 0;
  uint32_t first = 0, last = 0;
};
std::map<std::string, PeerHeader> PeerHeaders() {
  std::map<std::string, PeerHeader> out;
  std::istringstream in(ReadText(kData + "/peer-output/shellbags/own-regf-header-reader.txt"));
  std::string line, file;
  std::smatch m;
  const std::regex name(R"(^== (\S+) \()"), sequence(R"(sequence primary=(\d+) secondary=(\d+))"),
      entries(R"(HvLE log entries: (\d+); sequence numbers (\d+)\.\.(\d+))");
  while (std::getline(in, line)) {
    if (std::regex_search(line, m, name)) {
      file = m[1];
    } else if (std::regex_search(line, m, entries)) {
      out[file].entries = std::stoul(m[1]);
      out[file].first = static_cast<uint32_t>(std::stoul(m[2]));
      out[file].last = static_cast<uint32_t>(std::stoul(m[3]));
    } else if (std::regex_search(line, m, sequence)) {
      out[file].primary = static_cast<uint32_t>(std::stoul(m[1]));
      out[file].secondary = static_cast<uint32_t>(std::stoul(m[2]));
    }
  }
  return out;
}

// hivexregedit's export of a hive file: every key path, and every value as
// its key path and quoted name.
struct HivexExport {
  std::set<std::string> keys, values;
};
HivexExport Hivex(const std::string& path) {
  HivexExport out;
  FILE* pipe = popen(("PERL_UNICODE=SO hivexregedit --export '" + path + "' '\\' 2>/dev/null").c_str(), "r");
  std::string key, line;
  for (char buf[65536]; pipe && fgets(buf, sizeof buf, pipe);) {
    line.assign(buf, strcspn(buf, "\r\n"));
    if (line.size() > 1 && line.front() == '[' && line.back() == ']') {
      key = line;
      out.keys.insert(key);
    } else if (!line.empty() && line.front() == '@') {
      out.values.insert(key + "\t@");
    } else if (!line.empty() && line.front() == '"') {
      size_t end = 1;
      while (end < line.size() && line[end] != '"') end += line[end] == '\\' ? 2 : 1;
      out.values.insert(key + "\t" + line.substr(0, end + 1));
    }
  }
  if (pipe) pclose(pipe);
  return out;
}

template <class T>
size_t NewIn(const std::set<T>& before, const std::set<T>& after, std::vector<T>* which = nullptr) {
  size_t n = 0;
  for (const T& item : after) {
    if (before.count(item)) continue;
    ++n;
    if (which) which->push_back(item);
  }
  return n;
}

// Every key the walk reaches, by path, and how many values they hold.
std::set<std::u16string> KeyPaths(const Hive& hive, size_t* values = nullptr) {
  std::set<std::u16string> paths;
  std::vector<std::u16string> stack;
  if (values) *values = 0;
  hive.VisitKeys([&](HiveKey key, unsigned depth, const std::vector<HiveValue>& list) {
    stack.resize(depth);
    stack.push_back(hive.KeyName(key));
    std::u16string path;
    for (size_t i = 1; i < stack.size(); ++i) path += u"\\" + stack[i];
    paths.insert(path);
    if (values) *values += list.size();
    return true;
  });
  return paths;
}

class RealLogs : public ::testing::Test {
 protected:
  void SetUp() override {
    hive_ = ReadBytes(kTransactions + "NTUSER.DAT");
    log1_ = ReadBytes(kTransactions + "NTUSER.DAT.LOG1");
    log2_ = ReadBytes(kTransactions + "NTUSER.DAT.LOG2");
    if (hive_.empty() || log1_.empty() || log2_.empty()) GTEST_SKIP() << "test data absent under " << kData;
    peer_ = PeerHeaders();
    ASSERT_EQ(peer_.count("NTUSER.DAT.LOG1"), 1u) << "the peer's survey of the logs is missing";
  }
  // The hive with these logs applied.
  std::vector<uint8_t> Replay(const std::vector<uint8_t>& log1, HiveLogReplay* replay = nullptr,
                              bool withLog2 = true) const {
    std::vector<uint8_t> bytes = hive_;
    std::vector<HiveLog> logs{{"LOG1", log1}};
    if (withLog2) logs.push_back({"LOG2", log2_});
    const HiveLogReplay r = ApplyHiveLogs(bytes, logs);
    if (replay) *replay = r;
    return bytes;
  }

  std::vector<uint8_t> hive_, log1_, log2_;
  std::map<std::string, PeerHeader> peer_;
};

// LOG1 starts at the hive's secondary number and is applied whole; LOG2's
// one entry is older than the hive and changes nothing. The pages applied
// are regipy's count, hivexregedit finds regipy's count of keys added and
// deleted in the hive as replayed, and reads it as our reader does.
TEST_F(RealLogs, TransactionsFollowOnAndAddTheKeysOtherReadersFind) {
  const PeerHeader& hive = peer_["NTUSER.DAT"];
  const PeerHeader& log1 = peer_["NTUSER.DAT.LOG1"];
  const PeerHeader& log2 = peer_["NTUSER.DAT.LOG2"];
  ASSERT_EQ(log1.first, hive.secondary);
  ASSERT_LT(log2.last, hive.secondary);
  // regipy's counts for LOG1 applied to this hive, as the README records them.
  const std::string readme = ReadText(kData + "/README.md");
  std::smatch pages, changes;
  ASSERT_TRUE(std::regex_search(readme, pages, std::regex(R"(NTUSER\.DAT\.LOG1 only\*\* gives regipy's count of (\d+))")));
  ASSERT_TRUE(std::regex_search(readme, changes, std::regex(R"((\d+) new subkeys and \d+ new values)")));

  HiveLogReplay replay;
  const std::vector<uint8_t> replayed = Replay(log1_, &replay);
  EXPECT_TRUE(replay.dirty);
  EXPECT_TRUE(replay.complete);
  EXPECT_EQ(replay.entries, log1.entries);
  EXPECT_EQ(replay.pages, std::stoul(pages[1]));
  EXPECT_EQ(replay.text, "logs applied: " + std::to_string(log1.entries) + " entries (" + pages[1].str() + " pages)");
  EXPECT_EQ(Replay(log1_, nullptr, false), replayed);  // LOG2 changes nothing

  const Hive before(hive_), after(replayed);
  ASSERT_TRUE(after.Usable());
  EXPECT_TRUE(before.Dirty());
  EXPECT_FALSE(after.Dirty());
  EXPECT_EQ(after.PrimarySequence(), log1.last);
  EXPECT_TRUE(after.ChecksumValid());

  if (std::system("command -v hivexregedit >/dev/null 2>&1") != 0) GTEST_SKIP() << "hivexregedit is not installed";
  const std::string copy = testing::TempDir() + "replayed-NTUSER.DAT";
  WriteBytes(copy, replayed);
  const HivexExport theirsBefore = Hivex(kTransactions + "NTUSER.DAT"), theirsAfter = Hivex(copy);
  std::remove(copy.c_str());
  ASSERT_FALSE(theirsBefore.keys.empty());
  // regipy's "new subkeys" are the paths in one hive and not the other, both
  // ways (the replay adds keys and deletes a few). (Its "new values" follow
  // rules an export does not show: values without data are left out.)
  EXPECT_EQ(NewIn(theirsBefore.keys, theirsAfter.keys) + NewIn(theirsAfter.keys, theirsBefore.keys),
            std::stoul(changes[1]));
  // Our reader walks the replayed hive as hivex reads it.
  size_t values = 0;
  EXPECT_EQ(KeyPaths(after, &values).size(), theirsAfter.keys.size());
  EXPECT_EQ(values, theirsAfter.values.size());
}

// The Windows 10 UsrClass: its logs start well after the hive's number.
TEST_F(RealLogs, UsrClassLogsDoNotFollowOn) {
  std::vector<uint8_t> bytes = ReadBytes(kUsrClass + "UsrClass.dat");
  const std::vector<uint8_t> original = bytes;
  const PeerHeader& hive = peer_["UsrClass.dat"];
  const PeerHeader& log1 = peer_["UsrClass.dat.LOG1"];
  const HiveLogReplay replay = ApplyHiveLogs(
      bytes, {{"LOG1", ReadBytes(kUsrClass + "UsrClass.dat.LOG1")}, {"LOG2", ReadBytes(kUsrClass + "UsrClass.dat.LOG2")}});
  EXPECT_TRUE(replay.dirty);
  EXPECT_EQ(replay.entries, 0u);
  EXPECT_EQ(replay.text, "logs not applied: LOG1 does not follow on from the hive (sequence " +
                             std::to_string(log1.first) + ", hive at " + std::to_string(hive.secondary) + ")");
  EXPECT_EQ(bytes, original);
  EXPECT_TRUE(Hive(bytes).Dirty());
}

// Variants of the real LOG1: cut after each entry, an entry whose pages or
// header no longer match its hashes, an older entry (LOG2's) put in after
// an entry, and an entry taken out. Each replay stops after the entries
// before the fault and leaves the hive exactly as LOG1 cut there does.
TEST_F(RealLogs, VariantsStopAtTheLastGoodEntry) {
  const uint32_t start = peer_["NTUSER.DAT"].secondary;
  std::vector<size_t> at{0x200};  // where each entry of LOG1 starts, and the end of the last
  while (at.back() + 8 <= log1_.size() && std::memcmp(&log1_[at.back()], "HvLE", 4) == 0) {
    at.push_back(at.back() + hivelog_writer::Get32(log1_, at.back() + 4));
  }
  const size_t count = at.size() - 1;
  ASSERT_EQ(count, peer_["NTUSER.DAT.LOG1"].entries);
  const std::vector<uint8_t> stale(log2_.begin() + 0x200, log2_.begin() + 0x200 + hivelog_writer::Get32(log2_, 0x204));
  auto piece = [&](size_t from, size_t to) {
    return std::vector<uint8_t>(log1_.begin() + static_cast<std::ptrdiff_t>(from),
                                log1_.begin() + static_cast<std::ptrdiff_t>(to));
  };
  auto join = [](std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const auto seq = [&](size_t k) { return std::to_string(start + k); };

  enum Kind { kCut, kPageFlipped, kHeaderFlipped, kStaleEntry, kEntryMissing };
  struct Variant {
    Kind kind;
    size_t k;  // the entries that stay good
  };
  std::vector<Variant> variants;
  for (size_t k = 0; k <= count; ++k) variants.push_back({kCut, k});
  for (size_t k : {size_t{0}, size_t{1}, count / 2, count - 1}) {
    variants.push_back({kPageFlipped, k});
    variants.push_back({kHeaderFlipped, k});
    if (k > 0) variants.push_back({kStaleEntry, k});
    if (k + 1 < count) variants.push_back({kEntryMissing, k});
  }
  variants.push_back({kStaleEntry, count});  // an old entry after the last: what a reused log holds

  std::vector<std::vector<uint8_t>> cutAt(count + 1);
  for (size_t k = 0; k <= count; ++k) cutAt[k] = Replay(piece(0, at[k]));
  for (const Variant& v : variants) {
    std::vector<uint8_t> log = log1_;
    std::string says;  // what the sentence must hold
    switch (v.kind) {
      case kCut:
        log = piece(0, at[v.k]);
        says = v.k == 0 ? "logs not applied: they hold no entry from the hive's sequence " + seq(0) + " on"
                        : "logs applied: " + std::to_string(v.k) + (v.k == 1 ? " entry (" : " entries (");
        break;
      case kPageFlipped:
      case kHeaderFlipped:
        log[v.kind == kPageFlipped ? at[v.k + 1] - 1 : at[v.k] + 8] ^= 0x10;
        says = "LOG1's entry " + seq(v.k) + " fails its hash check";
        break;
      case kStaleEntry:
        log = join(join(piece(0, at[v.k]), stale), piece(at[v.k], log1_.size()));
        says = "logs applied: " + std::to_string(v.k) + (v.k == 1 ? " entry (" : " entries (");
        break;
      case kEntryMissing:
        log = join(piece(0, at[v.k]), piece(at[v.k + 1], log1_.size()));
        says = v.k == 0 ? "LOG1 does not follow on from the hive (sequence " + seq(1) + ", hive at " + seq(0) + ")"
                        : "LOG1 does not follow on (sequence " + seq(v.k + 1) + " after " + seq(v.k - 1) + ")";
        break;
    }
    HiveLogReplay replay;
    const std::vector<uint8_t> replayed = Replay(log, &replay);
    const std::string name = "variant " + std::to_string(v.kind) + " at entry " + std::to_string(v.k);
    EXPECT_EQ(replay.entries, v.k) << name;
    EXPECT_NE(replay.text.find(says), std::string::npos) << name << ": " << replay.text;
    EXPECT_EQ(replay.complete, v.k > 0 && (v.kind == kCut || v.kind == kStaleEntry)) << name;
    EXPECT_TRUE(replayed == cutAt[v.k]) << name;
    const Hive hive(replayed);
    EXPECT_EQ(hive.Dirty(), v.k == 0) << name;
    if (v.k > 0) EXPECT_EQ(hive.SecondarySequence(), start + v.k - 1) << name;
  }
  EXPECT_TRUE(cutAt[count] == Replay(log1_));
}

// Logs written here from two states of a written hive, the later one larger
// by new keys: each form takes the dirty hive to the later state, and a log
// that does not fit the hive is refused with the reason.
TEST(WrittenLogs, BothFormsGrowTheHiveOrSayWhyNot) {
  HiveWriter w;
  const uint32_t alpha = w.Key(u"Alpha", 1, {w.Value(u"v", 4, {1, 0, 0, 0})});
  const uint32_t root = w.Key(u"ROOT", 2, {}, w.List("lf", {alpha}), 1);
  const std::vector<uint8_t> before = w.File(root, 5, 2, 1);
  std::vector<uint32_t> keys{alpha};
  for (int i = 0; i < 120; ++i) {
    const std::u16string name = u"New" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                                std::u16string(static_cast<size_t>(i / 26 + 1), u'x');
    keys.push_back(w.Key(name, 3, {w.Value(u"data", 3, std::vector<uint8_t>(40, static_cast<uint8_t>(i)))}));
  }
  w.Set32(root, HiveWriter::kKeySubKeyListField, w.List("lf", keys));
  w.Set32(root, HiveWriter::kKeySubKeyCountField, static_cast<uint32_t>(keys.size()));
  const std::vector<uint8_t> middle = w.File(root, 5, 2, 1);
  w.Set32(alpha, HiveWriter::kKeyTimeField, 7);
  const std::vector<uint8_t> after = w.File(root, 5, 2, 2);
  ASSERT_GT(after.size(), before.size() + 0x2000);  // the bins grow by pages
  std::vector<uint8_t> otherTime = after;
  otherTime[0x0C] ^= 1;
  std::vector<uint8_t> damaged = OldFormatLog(before, after, 2);
  damaged[0x100] ^= 1;  // its base block's checksum fails
  std::vector<uint8_t> noVector = OldFormatLog(before, after, 2);
  std::copy_n("DIRX", 4, noVector.begin() + 0x200);
  const std::vector<uint8_t> cut = OldFormatLog(before, after, 2);

  const struct {
    const char* name;
    std::vector<HiveLog> logs;
    const std::vector<uint8_t>* result;  // the bins the replay must give; null: left as they were
    const char* says;
  } cases[] = {
      {"entry", {{"LOG1", NewFormatLog(before, after, 1)}}, &after, "logs applied: 1 entry ("},
      {"entry after another", {{"LOG2", NewFormatLog(middle, after, 2)}, {"LOG1", NewFormatLog(before, middle, 1)}},
       &after, "logs applied: 2 entries ("},
      {"dirty vector", {{"LOG", OldFormatLog(before, after, 2)}}, &after, "logs applied: LOG, "},
      {"the newer of two", {{"LOG1", OldFormatLog(before, after, 3)}, {"LOG2", OldFormatLog(before, middle, 2)}},
       &after, "logs applied: LOG1, "},
      {"written at another time", {{"LOG", OldFormatLog(before, otherTime, 2)}}, nullptr, "LOG was written at another time"},
      {"damaged base block", {{"LOG", damaged}}, nullptr, "LOG was not written completely"},
      {"no dirty vector", {{"LOG", noVector}}, nullptr, "LOG has no dirty vector"},
      {"cut short", {{"LOG", std::vector<uint8_t>(cut.begin(), cut.end() - 0x200)}}, nullptr, "LOG is cut short"},
      {"not a log", {{"LOG1", std::vector<uint8_t>(4096, 'x')}}, nullptr, "LOG1 is not a transaction log"},
      {"none", {}, nullptr, "logs not applied: none found beside the hive"},
  };
  const std::set<std::u16string> wanted = KeyPaths(Hive(after));
  for (const auto& c : cases) {
    std::vector<uint8_t> bytes = before;
    const HiveLogReplay replay = ApplyHiveLogs(bytes, c.logs);
    EXPECT_NE(replay.text.find(c.says), std::string::npos) << c.name << ": " << replay.text;
    const std::vector<uint8_t>& bins = c.result ? *c.result : before;
    EXPECT_TRUE(bytes.size() == bins.size() && std::equal(bins.begin() + 0x1000, bins.end(), bytes.begin() + 0x1000))
        << c.name;
    HiveRegistrySource source(before, c.logs);  // as the profile opens it
    EXPECT_EQ(source.Dirty(), c.result == nullptr) << c.name;
    EXPECT_EQ(source.LogsText(), replay.text) << c.name;
    if (c.result) {
      EXPECT_EQ(KeyPaths(source.hive()), wanted) << c.name;
      EXPECT_TRUE(source.hive().ChecksumValid()) << c.name;
      uint64_t time = 0;
      EXPECT_EQ(source.LastWriteTime(u"alpha", time), SourceStatus::kOk);
      EXPECT_EQ(time, 7u) << c.name;
    }
  }
  // A clean hive is read as it is, whatever lies beside it.
  std::vector<uint8_t> clean = w.File(root);
  const std::vector<uint8_t> cleanCopy = clean;
  EXPECT_EQ(ApplyHiveLogs(clean, {{"LOG1", NewFormatLog(before, after, 1)}}).text, "");
  EXPECT_EQ(clean, cleanCopy);
}

// The profile finds the logs beside NTUSER.DAT whatever the case of their
// names, and says what became of them; keys only the logs hold are read.
TEST(ProfileLogs, FoundBesideTheHiveWithoutRegardToCase) {
  const std::vector<uint8_t> hive = ReadBytes(kTransactions + "NTUSER.DAT");
  if (hive.empty()) GTEST_SKIP() << "test data absent under " << kData;
  TempFolder dir;
  WriteBytes(dir.path() + "/NTUSER.DAT", hive);
  WriteBytes(dir.path() + "/ntuser.dat.log1", ReadBytes(kTransactions + "NTUSER.DAT.LOG1"));
  WriteBytes(dir.path() + "/NtUser.Dat.Log2", ReadBytes(kTransactions + "NTUSER.DAT.LOG2"));
  PosixFolderSource folders(dir.path());
  std::unique_ptr<ProfileSource> profile = ProfileSource::Open(folders, u"");
  ASSERT_TRUE(profile->HiveRead());
  EXPECT_EQ(profile->HiveLogs().rfind(u"logs applied: ", 0), 0u);
  EXPECT_NE(profile->HiveProblem().find(profile->HiveLogs()), std::u16string::npos);

  // Keys the replay adds.
  std::vector<uint8_t> replayed = hive;
  ApplyHiveLogs(replayed, {{"LOG1", ReadBytes(kTransactions + "NTUSER.DAT.LOG1")}});
  std::vector<std::u16string> added;
  NewIn(KeyPaths(Hive(hive)), KeyPaths(Hive(replayed)), &added);
  ASSERT_FALSE(added.empty());
  uint64_t time = 0;
  EXPECT_EQ(profile->Registry().LastWriteTime(added.front().substr(1), time), SourceStatus::kOk);
  SourceStatus status;
  std::u16string problem;

  // Without its logs, the hive is read as it is and the sentence says why.
  TempFolder alone;
  WriteBytes(alone.path() + "/NTUSER.DAT", hive);
  PosixFolderSource lone(alone.path());
  std::u16string logs;
  std::unique_ptr<RegistrySource> read = OpenHiveFile(lone, u"NTUSER.DAT", status, problem, &logs);
  ASSERT_TRUE(read);
  EXPECT_EQ(logs, u"logs not applied: none found beside the hive");
  EXPECT_EQ(problem, u"NTUSER.DAT: not written completely when it was last saved; " + logs + u"; read as it is");
  EXPECT_EQ(read->LastWriteTime(added.front().substr(1), time), SourceStatus::kMissing);
}

}  // namespace
}  // namespace glimmerlog
