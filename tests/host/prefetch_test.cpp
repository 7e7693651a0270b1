// Prefetch: every file of the test data read and compared with sccainfo's
// reading of it (../shared/testdata/peer-output/prefetch); version 31, which
// sccainfo does not read, against the run times of the test data's own MAM
// header reader and the file's own consistency. The Xpress Huffman decoder
// on streams written here bit by bit, and on hostile input.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "base/bytes.h"
#include "base/utf8.h"
#include "sources/prefetch/prefetch.h"
#include "sources/prefetch/xpress.h"

namespace glimmerlog {
namespace {

const std::string kData = GL_TESTDATA_DIR;
const std::string kFiles = kData + "/prefetch/";
const std::string kPeer = kData + "/peer-output/prefetch/";

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// "Jan 12, 2016 20:07:03.981069400 UTC" as a FILETIME; "Not set (0)" as 0.
uint64_t PeerTime(const std::string& text) {
  if (text.rfind("Not set", 0) == 0) return 0;
  static const std::string kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
  const int month = static_cast<int>(kMonths.find(text.substr(0, 3)) / 3) + 1;
  int day, year, hour, minute, second;
  char fraction[16] = {};
  if (sscanf(text.c_str() + 4, "%d, %d %d:%d:%d.%9[0-9]", &day, &year, &hour, &minute, &second, fraction) != 6) {
    ADD_FAILURE() << "not a time: " << text;
    return 0;
  }
  // Days from 1601-01-01 by the proleptic Gregorian calendar.
  const int y = month <= 2 ? year - 1 : year;
  const int era = y / 400, yoe = y - era * 400;
  const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 584694;  // 0000-03-01 to 1601-01-01
  const uint64_t ns = std::stoull(std::string(fraction) + std::string(9 - strlen(fraction), '0'));
  return (static_cast<uint64_t>(days) * 86400 + hour * 3600 + minute * 60 + second) * 10000000 + ns / 100;
}

// What sccainfo printed of one file.
struct Peer {
  bool opened = false;
  std::string error;
  std::map<std::string, std::string> fields;  // "Format version" -> "30"
  std::vector<uint64_t> runTimes;
  std::vector<std::string> files;
  std::vector<std::map<std::string, std::string>> volumes;
};

Peer ReadPeer(const std::string& path) {
  Peer peer;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("Unable to open", 0) == 0) peer.error = line;
    if (line.rfind("libscca", 0) == 0 && peer.error.find(" - ") == std::string::npos) peer.error += "\n" + line;
    if (line.rfind("Windows Prefetch File", 0) == 0) peer.opened = true;
    if (line.rfind("Volume: ", 0) == 0) peer.volumes.emplace_back();
    const size_t colon = line.find("\t: ");
    if (line.empty() || line[0] != '\t' || colon == std::string::npos) continue;
    std::string key = line.substr(1, line.find_first_of("\t:", 1) - 1);
    const std::string value = line.substr(colon + 3);
    if (key == "Last run time") {
      peer.runTimes.push_back(PeerTime(value));
    } else if (key == "Filename") {
      peer.files.push_back(value);
    } else if (!peer.volumes.empty()) {
      peer.volumes.back()[key] = value;
    } else {
      peer.fields[key] = value;
    }
  }
  return peer;
}

std::string Hex(uint32_t v) {
  char text[16];
  snprintf(text, sizeof text, "0x%08x", v);
  return text;
}

std::vector<std::string> PrefetchFiles() {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(kFiles)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Run times of the test data's own MAM header reader, by file name.
std::map<std::string, std::vector<uint64_t>> OwnReaderTimes() {
  std::map<std::string, std::vector<uint64_t>> times;
  std::ifstream in(kPeer + "own-mam-header-reader.txt");
  std::string file;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("== ", 0) == 0) file = line.substr(3, line.find(" (") - 3);
    const size_t at = line.find(": ");
    if (line.rfind("  last run time ", 0) != 0 || at == std::string::npos) continue;
    const std::string value = line.substr(at + 2);
    // "2025-06-26 06:13:01.267793 UTC" in the form sccainfo writes.
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (value.rfind("Not set", 0) == 0) {
      times[file].push_back(0);
    } else if (isdigit(static_cast<unsigned char>(value[0]))) {
      const std::string peerForm = std::string(kMonths[std::stoi(value.substr(5, 2)) - 1]) + " " + value.substr(8, 2) +
                                   ", " + value.substr(0, 4) + " " + value.substr(11, 15);
      times[file].push_back(PeerTime(peerForm));
    }
  }
  return times;
}

TEST(Prefetch, EveryFileAsSccainfoReadsIt) {
  if (!std::filesystem::is_directory(kFiles)) GTEST_SKIP() << "test data not found at " << kFiles;
  const auto own = OwnReaderTimes();
  size_t compared = 0, compressed = 0, version31 = 0;
  for (const std::string& name : PrefetchFiles()) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> bytes = ReadAll(kFiles + name);
    const Peer peer = ReadPeer(kPeer + name + ".sccainfo.txt");
    PrefetchInfo info;
    std::string note;
    const SourceStatus status = ReadPrefetch(bytes, info, note);
    if (!peer.opened && peer.error.find("unsupported format version") != std::string::npos) {
      // Version 31: sccainfo stops at the version. The run times are the
      // own header reader's; the rest must hold together.
      ASSERT_EQ(status, SourceStatus::kOk) << note;
      EXPECT_EQ(info.version, 31u);
      // That reader writes microseconds.
      std::vector<uint64_t> micro;
      for (uint64_t t : info.runTimes) micro.push_back(t / 10 * 10);
      EXPECT_EQ(micro, own.at(name));
      EXPECT_GT(info.runCount, 0u);
      EXPECT_FALSE(info.files.empty());
      ASSERT_FALSE(info.volumes.empty());
      for (const std::u16string& file : info.files) {
        EXPECT_TRUE(std::any_of(info.volumes.begin(), info.volumes.end(), [&](const PrefetchVolume& v) {
          return file.compare(0, v.devicePath.size(), v.devicePath) == 0;
        })) << Utf8Of(file);
      }
      EXPECT_NE(name.find(Utf8Of(info.executable)), std::string::npos);
      ++version31;
      continue;
    }
    if (!peer.opened) {
      EXPECT_EQ(status, SourceStatus::kDamaged) << peer.error;
      EXPECT_FALSE(note.empty());
      continue;
    }
    ASSERT_EQ(status, SourceStatus::kOk) << note;
    ++compared;
    compressed += info.compressed;
    EXPECT_EQ(std::to_string(info.version), peer.fields.at("Format version"));
    EXPECT_EQ(Hex(info.hash), peer.fields.at("Prefetch hash"));
    EXPECT_EQ(Utf8Of(info.executable), peer.fields.at("Executable filename"));
    EXPECT_EQ(std::to_string(info.runCount), peer.fields.at("Run count"));
    EXPECT_EQ(info.runTimes, peer.runTimes);
    std::vector<std::string> files;
    for (const std::u16string& f : info.files) files.push_back(Utf8Of(f));
    EXPECT_EQ(files, peer.files);
    EXPECT_EQ(std::to_string(info.files.size()), peer.fields.at("Number of filenames"));
    ASSERT_EQ(info.volumes.size(), peer.volumes.size());
    for (size_t v = 0; v < info.volumes.size(); ++v) {
      EXPECT_EQ(Utf8Of(info.volumes[v].devicePath), peer.volumes[v].at("Device path"));
      EXPECT_EQ(Hex(info.volumes[v].serial), peer.volumes[v].at("Serial number"));
      EXPECT_EQ(info.volumes[v].created, PeerTime(peer.volumes[v].at("Creation time")));
      // Every directory of a volume lies on it.
      for (const std::u16string& d : info.volumes[v].directories) {
        EXPECT_EQ(d.compare(0, info.volumes[v].devicePath.size(), info.volumes[v].devicePath), 0) << Utf8Of(d);
      }
    }
  }
  EXPECT_EQ(compared, 18u);
  EXPECT_EQ(compressed, 7u);
  EXPECT_EQ(version31, 2u);
}

// The decompressed bytes of every compressed file: as long as its MAM
// header says, and the Prefetch header inside gives that size too.
TEST(Xpress, RealFilesDecompressToTheirDeclaredSize) {
  if (!std::filesystem::is_directory(kFiles)) GTEST_SKIP() << "test data not found at " << kFiles;
  size_t seen = 0;
  for (const std::string& name : PrefetchFiles()) {
    const std::vector<uint8_t> bytes = ReadAll(kFiles + name);
    if (bytes.size() < 8 || bytes[0] != 'M' || name.find("bad") != std::string::npos) continue;
    SCOPED_TRACE(name);
    std::vector<uint8_t> plain;
    std::string note;
    ASSERT_EQ(PrefetchPlainBytes(bytes, plain, note), SourceStatus::kOk) << note;
    ASSERT_EQ(plain.size(), Le32(bytes.data() + 4));
    EXPECT_EQ(Le32(plain.data() + 12), plain.size());
    EXPECT_EQ(Le32(plain.data() + 4), 0x41434353u);  // "SCCA"
    ++seen;
  }
  EXPECT_EQ(seen, 8u);
}

// A writer of Xpress Huffman streams whose table gives every symbol a
// 9-bit code, so that a symbol's code is its value. Words are put where the
// decoder will look for them: it reads a word two ahead as soon as it takes
// the first bit of the current one, and takes a match's length byte from
// where its reading stands then.
class StreamWriter {
 public:
  StreamWriter() { Block(); }
  void Block() {
    if (bits_) Flush();
    out_.insert(out_.end(), 256, 0x99);
    current_ = Reserve();
    next_ = Reserve();
    bits_ = 0;
    started_ = false;
  }
  void Literal(uint8_t b) { Bits(b, 9); }
  // A match of 3 to 17 bytes `offset` back.
  void Match(uint32_t offset, unsigned length) {
    unsigned offsetBits = 0;
    while ((offset >> (offsetBits + 1)) != 0) ++offsetBits;
    Bits(256 + (offsetBits << 4) + (length - 3), 9);
    Bits(offset - (1u << offsetBits), offsetBits);
  }
  std::vector<uint8_t> Done() {
    if (bits_ || started_) Flush();
    return out_;
  }

 private:
  size_t Reserve() {
    out_.insert(out_.end(), 2, 0);
    return out_.size() - 2;
  }
  void Bits(uint32_t value, unsigned count) {
    for (unsigned i = count; i-- > 0;) {
      if (bits_ == 0 && started_) next_ = Reserve();
      started_ = true;
      word_ = static_cast<uint16_t>(word_ << 1 | ((value >> i) & 1));
      if (++bits_ == 16) Flush();
    }
  }
  void Flush() {
    word_ = static_cast<uint16_t>(word_ << (16 - bits_));
    out_[current_] = static_cast<uint8_t>(word_);
    out_[current_ + 1] = static_cast<uint8_t>(word_ >> 8);
    current_ = next_;
    word_ = 0;
    bits_ = 0;
  }
  std::vector<uint8_t> out_;
  size_t current_ = 0, next_ = 0;
  uint16_t word_ = 0;
  unsigned bits_ = 0;
  bool started_ = false;
};

TEST(Xpress, WrittenStreamsAndHostileOnes) {
  // 70,000 bytes: literals, short matches that overlap what they copy and
  // far ones, across the 64 KiB block boundary.
  std::vector<uint8_t> expected;
  StreamWriter writer;
  bool split = false;
  for (uint32_t i = 0; expected.size() < 70000; ++i) {
    if (!split && expected.size() >= 65536) {
      split = true;
      // Pad to the block's end exactly, then start the next table.
      while (expected.size() < 65536) writer.Literal(7), expected.push_back(7);
      writer.Block();
    }
    if (i % 5 == 0 || expected.size() < 300) {
      const uint8_t b = static_cast<uint8_t>(i * 37);
      writer.Literal(b);
      expected.push_back(b);
    } else {
      const uint32_t offset = (i % 3 == 0) ? 1 + i % 4 : 1 + (i * 131) % 290;
      const unsigned length = 3 + i % 15;
      if (expected.size() + length > 65536 && expected.size() < 65536) {
        writer.Literal(7), expected.push_back(7);
        continue;
      }
      writer.Match(offset, length);
      for (unsigned k = 0; k < length; ++k) expected.push_back(expected[expected.size() - offset]);
    }
  }
  const std::vector<uint8_t> good = writer.Done();
  std::vector<uint8_t> out;
  ASSERT_EQ(XpressHuffmanDecompress(good.data(), good.size(), expected.size(), out), XpressError::kNone);
  EXPECT_TRUE(out == expected);

  StreamWriter before;
  before.Literal(1);
  before.Match(2, 3);  // two bytes back with one written
  const std::vector<uint8_t> early = before.Done();

  std::vector<uint8_t> badTable = good;
  badTable[0] = 0x88;  // two symbols of 8 bits: more codes than the space holds
  std::vector<uint8_t> emptyTable(good.begin(), good.end());
  std::fill(emptyTable.begin(), emptyTable.begin() + 256, 0);

  const struct {
    const char* what;
    std::vector<uint8_t> input;
    size_t size;
    XpressError error;
    size_t kept;  // bytes left in the output
  } cases[] = {
      {"a match before the start", early, 10, XpressError::kBadMatch, 1},
      {"an oversubscribed table", badTable, expected.size(), XpressError::kBadTable, 0},
      {"a table of no codes", emptyTable, expected.size(), XpressError::kBadTable, 0},
      {"cut in the second block", std::vector<uint8_t>(good.begin(), good.begin() + good.size() - 200),
       expected.size(), XpressError::kTruncated, 65536},
      {"cut in the middle", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 3), 60000,
       XpressError::kTruncated, 0},
      {"a size more than the input can hold", good, good.size() / 256 * 65536 + 1, XpressError::kTooLarge, 0},
      {"no input", {}, 1, XpressError::kTooLarge, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(XpressHuffmanDecompress(c.input.data(), c.input.size(), c.size, out), c.error);
    if (c.kept) {
      EXPECT_EQ(out.size(), c.kept);
      EXPECT_TRUE(std::equal(out.begin(), out.end(), expected.begin()) || c.error == XpressError::kBadMatch);
    } else if (c.error != XpressError::kTruncated) {
      EXPECT_TRUE(out.empty());
    }
  }
  // Asking for less than the stream holds stops there.
  ASSERT_EQ(XpressHuffmanDecompress(good.data(), good.size(), 1000, out), XpressError::kNone);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), expected.begin()));
}

// What the Prefetch reader makes of files that lie: a MAM size beyond any
// Prefetch file, one beyond what the data holds, a stream cut short, tables
// outside the file, an unknown version.
TEST(Prefetch, HostileFilesAreRefusedWithAReason) {
  const std::string real = kFiles + "ez-win10-CMD.EXE-D269B812.pf";
  if (!std::filesystem::exists(real)) GTEST_SKIP() << "test data not found at " << kFiles;
  const std::vector<uint8_t> mam = ReadAll(real);
  auto withSize = [&](uint32_t size) {
    std::vector<uint8_t> b = mam;
    for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<uint8_t>(size >> (8 * i));
    return b;
  };
  std::vector<uint8_t> plain;
  std::string note;
  ASSERT_EQ(PrefetchPlainBytes(mam, plain, note), SourceStatus::kOk);
  auto patched = [&](size_t at, uint32_t value) {
    std::vector<uint8_t> b = plain;
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(value >> (8 * i));
    return b;
  };
  const struct {
    const char* what;
    std::vector<uint8_t> file;
    const char* note;
  } cases[] = {
      {"2.5 GB claimed", withSize(2576980422u), "more than a Prefetch file holds"},
      {"more than the data can hold", withSize(8u << 20), "larger than the compressed data"},
      {"a hundred bytes more than written", withSize(static_cast<uint32_t>(plain.size() + 100)), "cut short"},
      {"cut short", std::vector<uint8_t>(mam.begin(), mam.begin() + mam.size() / 2), "cut short"},
      {"another compression", [&] { auto b = mam; b[3] = 3; return b; }(), "unknown way"},
      {"an unknown version", patched(0, 29), "version 29"},
      {"names outside", patched(104, 0x7FFFFFF0), "file names lie outside"},
      {"metrics outside", patched(88, 0x10000000), "file metrics lie outside"},
      {"volumes outside", patched(108, static_cast<uint32_t>(plain.size())), "volumes lie outside"},
      {"too many volumes", patched(112, 1000), "more volumes"},
      {"volumes that share a path", [&] {
         // Both volumes' device paths made the rest of the table, the same
         // bytes twice over.
         std::vector<uint8_t> b = plain;
         const uint32_t table = Le32(b.data() + 108), size = Le32(b.data() + 116), path = Le32(b.data() + table);
         for (uint32_t entry : {table, table + 96}) {
           for (int i = 0; i < 4; ++i) {
             b[entry + i] = static_cast<uint8_t>(path >> (8 * i));
             b[entry + 4 + i] = static_cast<uint8_t>(((size - path) / 2) >> (8 * i));
           }
         }
         return b;
       }(), "share their strings"},
      {"a header alone", std::vector<uint8_t>(plain.begin(), plain.begin() + 100), "cut short"},
      {"cut inside the tables' offsets", std::vector<uint8_t>(plain.begin(), plain.begin() + 86), "cut short"},
      {"text", {'n', 'o', 't', ' ', 'p', 'f'}, "not a Prefetch file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PrefetchInfo info;
    EXPECT_EQ(ReadPrefetch(c.file, info, note), SourceStatus::kDamaged);
    EXPECT_NE(note.find(c.note), std::string::npos) << note;
  }
}

}  // namespace
}  // namespace glimmerlog
