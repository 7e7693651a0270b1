// The shortcut, compound file and jump list readers: every file of the test
// data's lnk/ and jumplists/ read whole and compared field by field with the
// peers' reports in peer-output/ (lnkinfo, olecfinfo, and the survey's
// DestList and custom list decoders); the tracking ids' times and MAC
// addresses with Python's uuid module; and written files for what the real
// ones lack (4096-byte sectors, damage, loops).
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "base/codepage.h"
#include "base/utf8.h"
#include "sources/ole/cfb.h"
#include "sources/shell/jumplist.h"
#include "sources/shell/lnk.h"
#include "tests/support/jumplist_writer.h"

namespace glimmerlog {
namespace {

const std::filesystem::path kData = GL_TESTDATA_DIR;

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadText(const std::filesystem::path& path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::vector<std::filesystem::path> Files(const char* folder) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& e : std::filesystem::directory_iterator(kData / folder, error)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

// The fields lnkinfo prints for the link itself: "\tName\t\t: value" lines
// with one leading tab (the item list's lines have two).
using Fields = std::map<std::string, std::string>;

// The reports in `text`, each after a line that starts with `marker` and
// named by the rest of that line; one report named "" without a marker.
std::vector<std::pair<std::string, Fields>> LnkinfoReports(const std::string& text, const std::string& marker = {}) {
  std::vector<std::pair<std::string, Fields>> reports;
  if (marker.empty()) reports.emplace_back();
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!marker.empty() && line.rfind(marker, 0) == 0) {
      reports.emplace_back(line.substr(marker.size()), Fields());
      continue;
    }
    const size_t colon = line.find(": ");
    if (reports.empty() || line.size() < 2 || line[0] != '\t' || line[1] == '\t' || colon == std::string::npos) continue;
    std::string key = line.substr(1, colon - 1);
    while (!key.empty() && key.back() == '\t') key.pop_back();
    reports.back().second.emplace(key, line.substr(colon + 2));
  }
  return reports;
}

// "Jul 14, 2009 00:34:58.605457300 UTC" as a FILETIME; 0 for "Not set (0)".
uint64_t PeerTime(const std::string& text) {
  if (text.rfind("Not set", 0) == 0) return 0;
  std::tm tm{};
  const char* rest = strptime(text.c_str(), "%b %d, %Y %H:%M:%S", &tm);
  EXPECT_NE(rest, nullptr) << text;
  uint64_t ticks = 0;
  if (rest && *rest == '.') ticks = std::stoull(std::string(rest + 1, 7));  // 100-ns units; the last two digits are 0
  return (static_cast<uint64_t>(timegm(&tm)) + 11644473600ull) * 10000000 + ticks;
}

// lnkinfo drops the code unit after an unpaired surrogate (raw bytes of
// plaso-unpaired_surrogate.lnk: "_", D800, ".", "exe"; it prints
// "_\uFFFDexe"). Our text goes through the same loss before it is compared.
std::string AsPeerPrints(const std::u16string& text) {
  std::string utf8 = Utf8Of(text);
  for (size_t at = utf8.find("\xEF\xBF\xBD"); at != std::string::npos && at + 3 < utf8.size();
       at = utf8.find("\xEF\xBF\xBD", at + 3)) {
    utf8.erase(at + 3, 1);
  }
  return utf8;
}

std::string Hex32(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", v);
  return text;
}

// Every field both read, and the checks of the peer's known faults.
void ExpectAsPeer(const ShellLink& link, const Fields& peer, const std::string& where) {
  SCOPED_TRACE(where);
  size_t compared = 0;
  auto same = [&](const char* key, const std::string& ours) {
    const auto found = peer.find(key);
    if (found == peer.end()) return;
    EXPECT_EQ(ours, found->second) << key;
    ++compared;
  };
  auto sameTime = [&](const char* key, uint64_t ours) {
    const auto found = peer.find(key);
    if (found == peer.end()) return;
    EXPECT_EQ(ours, PeerTime(found->second)) << key;
    ++compared;
  };
  sameTime("Creation time", link.created);
  sameTime("Modification time", link.modified);
  sameTime("Access time", link.accessed);
  same("File size", std::to_string(link.targetSize) + " bytes");
  same("Icon index", std::to_string(link.iconIndex));
  same("File attribute flags", Hex32(link.attributes));
  if (link.hasVolume) {
    same("Drive type", Utf8Of(DriveTypeName(link.driveType)) + " (" + std::to_string(link.driveType) + ")");
    same("Drive serial number", Hex32(link.driveSerial));
  }
  same("Volume label", AsPeerPrints(link.volumeLabel));
  if (!link.localBasePath.empty()) same("Local path", AsPeerPrints(link.localBasePath + link.commonPathSuffix));
  if (!link.netName.empty()) same("Network path", AsPeerPrints(link.netName + u"\\" + link.commonPathSuffix));
  same("Description", AsPeerPrints(link.name));
  same("Relative path", AsPeerPrints(link.relativePath));
  same("Working directory", AsPeerPrints(link.workingDirectory));
  same("Command line arguments", AsPeerPrints(link.arguments));
  // With the flag that says the icon's path holds environment variables
  // (0x4000), the peer prints the icon environment block's path as the
  // icon location.
  same("Icon location", AsPeerPrints((link.flags & 0x4000) && !link.iconEnvironment.empty() ? link.iconEnvironment
                                                                                            : link.iconLocation));
  same("Environment variables location", AsPeerPrints(link.environmentTarget));
  same("Machine identifier", AsPeerPrints(link.machine));
  same("Droid volume identifier", Utf8Of(link.volumeId.Text()));
  same("Droid file identifier", Utf8Of(link.objectId.Text()));
  same("Birth droid volume identifier", Utf8Of(link.birthVolumeId.Text()));
  same("Birth droid file identifier", Utf8Of(link.birthObjectId.Text()));
  EXPECT_GE(compared, 6u) << "the peer's report was not found or not understood";
  // The peer prints the target's size as the show command and its low 16
  // bits as the hot key (checked on the raw bytes: 0x34 holds the size, 0x3C
  // the show command, 0x40 the hot key). Ours are a show command a shortcut
  // can hold and a hot key whose modifiers are the documented ones.
  if (peer.count("Show Window value")) EXPECT_EQ(peer.at("Show Window value"), Hex32(link.targetSize));
  EXPECT_TRUE(link.showCommand == 1 || link.showCommand == 3 || link.showCommand == 7) << link.showCommand;
  EXPECT_EQ(link.hotKey & 0xF000, 0) << link.hotKey;
}

TEST(Shortcuts, EveryLinkReadsAsLnkinfoReadsIt) {
  const auto files = Files("lnk");
  if (files.empty()) GTEST_SKIP() << "test data absent: " << kData;
  for (const auto& file : files) {
    const std::vector<uint8_t> bytes = ReadBytes(file);
    ShellLink link;
    ASSERT_TRUE(ReadShellLink(bytes.data(), bytes.size(), &Windows1252Text, link)) << file;
    EXPECT_EQ(link.size, bytes.size()) << file << ": read to the terminal block";
    EXPECT_TRUE(link.problems.empty()) << file << ": " << Utf8Of(link.problems.front());
    const std::string report = ReadText(kData / "peer-output/lnk" / (file.filename().string() + ".lnkinfo.txt"));
    ExpectAsPeer(link, LnkinfoReports(report).front().second, file.filename().string());
  }
}

// Python's uuid module reads the same version-1 ids (time since 1582 and
// node), printed by a one-line program per id.
TEST(Shortcuts, TrackerTimesAndMacAddressesAsPythonsUuidReadsThem) {
  const auto files = Files("lnk");
  if (files.empty()) GTEST_SKIP() << "test data absent: " << kData;
  if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
  size_t version1 = 0;
  for (const auto& file : files) {
    const std::vector<uint8_t> bytes = ReadBytes(file);
    ShellLink link;
    ReadShellLink(bytes.data(), bytes.size(), &Windows1252Text, link);
    if (!link.hasTracker) continue;
    const std::string id = Utf8Of(link.objectId.Text());
    FILE* pipe = popen(("python3 -c \"import uuid; u = uuid.UUID('" + id +
                        "'); print(u.version, u.time - 0x146BF33E42C000 if u.version == 1 else 0, "
                        "':'.join('%02x' % b for b in u.node.to_bytes(6, 'big')))\"").c_str(),
                       "r");
    char out[128] = {};
    ASSERT_TRUE(pipe && fgets(out, sizeof out, pipe)) << id;
    pclose(pipe);
    std::istringstream fields(out);
    int version = 0;
    long long fileTime = 0;  // 100-ns units since 1601
    std::string mac;
    fields >> version >> fileTime >> mac;
    EXPECT_EQ(link.objectId.IsVersion1(), version == 1) << id;
    if (version != 1) continue;
    ++version1;
    EXPECT_EQ(link.objectId.Time(), static_cast<uint64_t>(fileTime)) << id;
    EXPECT_EQ(Utf8Of(link.objectId.Mac()), mac) << id;
  }
  EXPECT_GE(version1, 20u);
}

// What lnkinfo does not read, checked on the raw bytes of the files that
// the test data's README says hold it.
TEST(Shortcuts, BlocksThePeerDoesNotRead) {
  const struct {
    const char* file;
    const char16_t* knownFolder;
    uint32_t specialFolder;
    const char16_t* appUserModelId;
    const char16_t* parsingPath;
  } cases[] = {
      {"ez-vista-Windows_Explorer.lnk", u"Windows", 36, u"", u""},
      {"ez-win80-Internet_Explorer.lnk", u"Program Files", 38, u"Microsoft.InternetExplorer.Default", u""},
      {"ez-win80-Microsoft.Camera.lnk", u"", 0, u"Microsoft.Camera_8wekyb3d8bbwe!Microsoft.Camera", u""},
      {"plaso-unpaired_surrogate.lnk", u"", 0, u"", u"C:\\test\\unicode_U+0000d800_\xD800.exe"},
  };
  for (const auto& c : cases) {
    const std::vector<uint8_t> bytes = ReadBytes(kData / "lnk" / c.file);
    if (bytes.empty()) GTEST_SKIP() << "test data absent: " << kData;
    ShellLink link;
    ASSERT_TRUE(ReadShellLink(bytes.data(), bytes.size(), &Windows1252Text, link));
    EXPECT_EQ(link.knownFolder, c.knownFolder) << c.file;
    EXPECT_EQ(link.specialFolder, c.specialFolder) << c.file;
    EXPECT_EQ(link.appUserModelId, c.appUserModelId) << c.file;
    EXPECT_EQ(link.parsingPath, c.parsingPath) << c.file;
  }
  // The property store of the last one holds the target's times and size:
  // those of the header, but for the creation time, which the store keeps
  // to two seconds.
  const std::vector<uint8_t> bytes = ReadBytes(kData / "lnk/plaso-unpaired_surrogate.lnk");
  ShellLink link;
  ReadShellLink(bytes.data(), bytes.size(), &Windows1252Text, link);
  EXPECT_EQ(link.storeModified, link.modified);
  EXPECT_EQ(link.storeSize, link.targetSize);
  EXPECT_NEAR(static_cast<double>(link.storeCreated), static_cast<double>(link.created), 2e7);
}

// A damaged part stops only itself; a link cut anywhere gives what lies
// before the cut.
TEST(Shortcuts, DamageStopsOnlyWhatItHits) {
  LinkFields f;
  f.created = 130000000000000000ull;
  f.modified = f.created + 1;
  f.localPath = u"C:\\Users\\me\\report.docx";
  f.serial = 0x502E1A8A;
  f.label = "DATA";
  f.arguments = u"/n";
  f.machine = "pc-one";
  // A known folder block too short for its GUID, and a block of a kind not
  // known here: the tracker after them is still read.
  f.blocksBefore = {{0x0C, 0, 0, 0, 0x0B, 0, 0, 0xA0, 1, 2, 3, 4}, {0x0C, 0, 0, 0, 0x77, 0, 0, 0xA0, 0, 0, 0, 0}};
  const std::vector<uint8_t> whole = LinkBytes(f);
  ShellLink link;
  ASSERT_TRUE(ReadShellLink(whole.data(), whole.size(), &Windows1252Text, link));
  EXPECT_EQ(link.TargetPath(), f.localPath);
  EXPECT_EQ(link.VolumeText(), u"Fixed, serial 502E-1A8A, DATA");
  EXPECT_EQ(link.machine, u"pc-one");
  EXPECT_EQ(link.problems, std::vector<std::u16string>{u"extra data block 0xa000000b is damaged"});
  EXPECT_EQ(link.size, whole.size());
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    const std::vector<uint8_t> part(whole.begin(), whole.begin() + cut);
    const bool read = ReadShellLink(part.data(), part.size(), &Windows1252Text, link);
    EXPECT_EQ(read, cut >= kLinkHeaderSize) << cut;
    if (!read) continue;
    EXPECT_EQ(link.created, f.created);
    EXPECT_LE(link.size, cut);
    // Cut before the terminal block, something is missing and said so.
    if (cut + 4 <= whole.size() - 4) EXPECT_FALSE(link.problems.empty() && !link.machine.empty()) << cut;
  }
}

// --- compound files and jump lists --------------------------------------------

// olecfinfo's "  NAME (N bytes)" lines under the root.
std::map<std::string, uint64_t> PeerStreams(const std::string& text) {
  std::map<std::string, uint64_t> streams;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const size_t open = line.rfind(" (");
    if (line.rfind("  ", 0) != 0 || open == std::string::npos || line.find(" bytes)", open) == std::string::npos) continue;
    streams[line.substr(2, open - 2)] = std::stoull(line.substr(open + 2));
  }
  return streams;
}

// The survey's DestList lines: "key=value" fields of each "entry N:" line,
// the path last (it may hold spaces).
std::vector<std::map<std::string, std::string>> PeerDestList(const std::string& text, std::string& header) {
  std::vector<std::map<std::string, std::string>> entries;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("DestList header: ", 0) == 0) header = line.substr(17);
    if (line.rfind("entry ", 0) != 0) continue;
    std::map<std::string, std::string> fields;
    const size_t path = line.find(" path=");
    fields["path"] = line.substr(path + 6);
    std::istringstream words(line.substr(0, path));
    std::string word, last;
    while (words >> word) {
      const size_t eq = word.find('=');
      if (eq != std::string::npos) {
        last = word.substr(0, eq);
        fields[last] = word.substr(eq + 1);
      } else if (!last.empty() && fields.count(last) && word != "UTC") {
        fields[last] += " " + word;  // the time's second half
      }
    }
    entries.push_back(fields);
  }
  return entries;
}

// "2016-01-17 13:08:08.247504" as a FILETIME in whole microseconds.
uint64_t PeerMicroseconds(const std::string& text) {
  std::tm tm{};
  const char* rest = strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &tm);
  uint64_t micro = rest && *rest == '.' ? std::stoull(rest + 1) : 0;
  return (static_cast<uint64_t>(timegm(&tm)) + 11644473600ull) * 1000000 + micro;
}

std::string PeerName(const std::filesystem::path& file, const char* kind) {
  return (kData / "peer-output/jumplists" / (file.filename().string() + kind)).string();
}

TEST(JumpLists, AutomaticListsAsOlecfinfoLnkinfoAndTheDestListSurveyReadThem) {
  size_t files = 0, entries = 0;
  for (const auto& file : Files("jumplists")) {
    if (file.extension() != ".automaticDestinations-ms") continue;
    SCOPED_TRACE(file.filename().string());
    ++files;
    const std::vector<uint8_t> bytes = ReadBytes(file);
    CompoundFile cfb;
    ASSERT_TRUE(cfb.Open(bytes.data(), bytes.size()));
    std::map<std::string, uint64_t> ours;
    for (const CompoundEntry* e : cfb.RootChildren()) ours[Utf8Of(e->name)] = e->size;
    EXPECT_EQ(ours, PeerStreams(ReadText(PeerName(file, ".olecfinfo.txt"))));

    JumpList list;
    ASSERT_TRUE(ReadAutomaticDestinations(bytes.data(), bytes.size(), &Windows1252Text, list));
    EXPECT_TRUE(list.problems.empty()) << Utf8Of(list.problems.front());
    std::string header;
    const auto peer = PeerDestList(ReadText(PeerName(file, ".destlist.txt")), header);
    ASSERT_EQ(list.destList.entries.size(), peer.size());
    if (!peer.empty()) {
      const DestList& d = list.destList;
      char ours[160];
      std::snprintf(ours, sizeof ours, "version=%u entries=%u pinned=%u last_entry_number=%u revision=%u stream_size=%zu",
                    d.version, d.entryCount, d.pinnedCount, d.lastEntryNumber, d.revision, d.bytesUsed);
      EXPECT_EQ(ours, header);
    }
    // The lines of the stream of each entry: DestList's order, then the rest.
    const auto reports = LnkinfoReports(ReadText(PeerName(file, ".streams-lnkinfo.txt")), "######## stream ");
    std::map<std::string, Fields> byStream;
    for (const auto& [name, fields] : reports) byStream[name.substr(0, name.find(' '))] = fields;
    for (size_t i = 0; i < peer.size(); ++i) {
      const JumpListEntry& e = list.entries[i];
      const DestListEntry& d = e.dest;
      EXPECT_EQ(Utf8Of(e.stream), peer[i].at("stream"));
      EXPECT_EQ(Utf8Of(d.machine), peer[i].at("host"));
      EXPECT_EQ(d.lastAccess / 10, PeerMicroseconds(peer[i].at("last_modified")));
      EXPECT_EQ(std::to_string(d.pin), peer[i].at("pin"));
      const auto count = peer[i].count("access_count") ? peer[i].at("access_count") : peer[i].at("access_count(float)");
      EXPECT_NEAR(d.accessCount, std::stod(count), 1e-6);
      EXPECT_EQ(Utf8Of(d.volumeId.Text()), peer[i].at("droid_volume"));
      EXPECT_EQ(Utf8Of(d.objectId.Text()), peer[i].at("droid_file"));
      EXPECT_EQ(Utf8Of(d.path), peer[i].at("path"));
      EXPECT_EQ(e.category, d.pin >= 0 ? u"Pinned" : u"Recent");
      ASSERT_TRUE(e.hasLink);
      ASSERT_TRUE(byStream.count(Utf8Of(e.stream)));
      ExpectAsPeer(e.link, byStream[Utf8Of(e.stream)], "stream " + Utf8Of(e.stream));
      ++entries;
    }
  }
  if (files == 0) GTEST_SKIP() << "test data absent: " << kData;
  EXPECT_GT(entries, 30u);
}

// The survey's "category N: type T (...) name=\"...\" entries=K" and
// "id=I (Frequent)" lines, against our categories and their shortcuts.
TEST(JumpLists, CustomListsAsTheSurveyAndLnkinfoReadThem) {
  size_t files = 0;
  for (const auto& file : Files("jumplists")) {
    if (file.extension() != ".customDestinations-ms") continue;
    SCOPED_TRACE(file.filename().string());
    ++files;
    const std::vector<uint8_t> bytes = ReadBytes(file);
    JumpList list;
    ASSERT_TRUE(ReadCustomDestinations(bytes.data(), bytes.size(), &Windows1252Text, list));
    EXPECT_TRUE(list.problems.empty());
    std::vector<std::string> named, known;  // each entry's category; the known lists
    std::istringstream in(ReadText(PeerName(file, ".own-reader.txt")));
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("category ", 0) != 0) continue;
      const size_t entriesAt = line.find(" entries="), nameAt = line.find(" name=\"");
      if (line.find("(known) id=") != std::string::npos) {
        known.push_back(line.substr(line.rfind('(') + 1, line.size() - line.rfind('(') - 2));
        continue;
      }
      const std::string name = nameAt != std::string::npos ? line.substr(nameAt + 7, entriesAt - nameAt - 8) : "Tasks";
      for (int k = std::stoi(line.substr(entriesAt + 9)); k > 0; --k) named.push_back(name);
    }
    std::vector<std::string> ours, oursKnown;
    for (const JumpListEntry& e : list.entries) ours.push_back(Utf8Of(e.category));
    for (const std::u16string& k : list.knownCategories) oursKnown.push_back(Utf8Of(k));
    EXPECT_EQ(ours, named);
    EXPECT_EQ(oursKnown, known);
    const auto reports = LnkinfoReports(ReadText(PeerName(file, ".entries-lnkinfo.txt")), "######## ");
    ASSERT_EQ(reports.size(), list.entries.size());
    for (size_t i = 0; i < reports.size(); ++i) ExpectAsPeer(list.entries[i].link, reports[i].second, reports[i].first);
  }
  if (files == 0) GTEST_SKIP() << "test data absent: " << kData;
}

// What the real files lack: 4096-byte sectors, streams in big sectors,
// DestList versions written here, and chains that loop or leave the file.
TEST(JumpLists, WrittenListsInBothSectorSizesAndDestListVersions) {
  LinkFields f;
  f.localPath = u"C:\\data\\a.txt";
  f.machine = "pc";
  const std::vector<uint8_t> link = LinkBytes(f);
  std::vector<uint8_t> large = link;
  large.resize(9000, 0);  // past the mini stream's cutoff: read from big sectors, the padding after the link ignored
  for (uint32_t sector : {512u, 4096u}) {
    for (uint32_t version : {1u, 3u, 4u}) {
      SCOPED_TRACE(std::to_string(sector) + " / " + std::to_string(version));
      const std::vector<uint8_t> dest =
          DestListBytes(version, {{0x1a, 133000000000000000ull, 7, -1, "pc", u"C:\\data\\a.txt"},
                                  {2, 132000000000000000ull, 2, 0, "pc", u"C:\\data\\b.txt"}});
      const std::vector<uint8_t> file =
          CompoundFileBytes({{u"1a", link}, {u"2", large}, {u"DestList", dest}, {u"5", link}}, sector);
      JumpList list;
      ASSERT_TRUE(ReadAutomaticDestinations(file.data(), file.size(), &Windows1252Text, list));
      EXPECT_TRUE(list.problems.empty()) << Utf8Of(list.problems.front());
      ASSERT_EQ(list.entries.size(), 3u);
      EXPECT_EQ(list.entries[0].stream, u"1a");
      EXPECT_EQ(list.entries[0].dest.accessCount, 7);
      EXPECT_EQ(list.entries[1].category, u"Pinned");
      EXPECT_EQ(list.entries[1].link.TargetPath(), u"C:\\data\\a.txt");
      EXPECT_FALSE(list.entries[2].inDestList);  // stream 5 is not in DestList: listed after it
      EXPECT_EQ(list.entries[2].link.machine, u"pc");
    }
  }
}

TEST(JumpLists, LoopsAndSectorsOutsideTheFileEndTheirChain) {
  LinkFields f;
  f.localPath = u"C:\\x";
  std::vector<uint8_t> big = LinkBytes(f);
  big.resize(5000, 0);
  const std::vector<uint8_t> good = CompoundFileBytes({{u"1", big}, {u"DestList", DestListBytes(3, {})}});
  CompoundFile cfb;
  ASSERT_TRUE(cfb.Open(good.data(), good.size()));
  const CompoundEntry* stream = cfb.FindStream(u"1");
  ASSERT_NE(stream, nullptr);
  std::vector<uint8_t> out;
  ASSERT_TRUE(cfb.ReadStream(*stream, out));
  EXPECT_EQ(out, big);
  // The stream's chain made to loop on itself, then to leave the file; its
  // size made far larger than the file.
  for (const uint32_t next : {stream->start, 0x00FFFFFFu}) {
    std::vector<uint8_t> bad = good;
    const size_t fatEntry = 512 + 4 * size_t{stream->start};
    for (int i = 0; i < 4; ++i) bad[fatEntry + i] = static_cast<uint8_t>(next >> (8 * i));
    CompoundFile damaged;
    ASSERT_TRUE(damaged.Open(bad.data(), bad.size()));
    EXPECT_FALSE(damaged.ReadStream(*damaged.FindStream(u"1"), out));
    EXPECT_LE(out.size(), bad.size());
    JumpList list;
    EXPECT_TRUE(ReadAutomaticDestinations(bad.data(), bad.size(), &Windows1252Text, list));
    EXPECT_FALSE(list.problems.empty());
  }
  CompoundEntry huge = *stream;
  huge.size = 1ull << 40;
  EXPECT_FALSE(cfb.ReadStream(huge, out));
  EXPECT_LE(out.size(), good.size());
}

}  // namespace
}  // namespace glimmerlog
