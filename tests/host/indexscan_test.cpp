#include "sources/ie/indexscan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "tests/host/indexscan_reference.h"

namespace glimmerlog {
namespace {

constexpr uint64_t kAll = std::numeric_limits<uint64_t>::max();

// Random bytes thick with the patterns the scanner looks for and near misses.
std::string DenseFile(size_t size, std::mt19937& rng) {
  static const char* const kPieces[] = {"URL", "URL ", "http", "HTTP", "url", "UR", "U", "ht", "RL", "UURL", "htt"};
  std::string s;
  while (s.size() < size) {
    unsigned pick = rng() % 16;
    if (pick < 11) {
      s += kPieces[pick];
    } else if (pick < 13) {
      s += '\0';
    } else {
      s += static_cast<char>(rng());
    }
  }
  s.resize(size);
  return s;
}

// A record at r: "URL " then either "http..." text at r + 96 or other text
// at r + 104; the rest of the record is filled with `fill`.
void PutRecord(std::string& file, size_t r, const std::string& text, bool atHttp, char fill) {
  size_t textAt = r + (atHttp ? 96 : 104);
  if (file.size() < textAt + text.size()) file.resize(textAt + text.size(), fill);
  for (size_t i = r; i < textAt; ++i) file[i] = fill;
  file.replace(r, 4, "URL ");
  file.replace(textAt, text.size(), text);
}

std::string SearchName(RecordSearch how) { return how == RecordSearch::kSse2 ? "sse2" : "portable"; }

// With every way of searching the blocks that this CPU has.
void ExpectSameAsWalk(ByteSource& source, uint64_t sizeAtOpen, size_t block, uint64_t slice, const std::string& what) {
  ScanResult want = ReferenceScan(source, sizeAtOpen);
  for (RecordSearch how : AvailableSearches()) {
    ScanResult got = FastScan(source, sizeAtOpen, block, slice, how);
    ASSERT_EQ(got.examined, want.examined) << what << " " << SearchName(how);
    ASSERT_EQ(got.lines, want.lines) << what << " " << SearchName(how);
  }
}

// Both with the bytes lent in place and with them copied by ReadAt.
void ExpectSameAsWalk(const std::string& file, size_t block, uint64_t slice, const std::string& what) {
  MemorySource lent(file.data(), file.size());
  ExpectSameAsWalk(lent, file.size(), block, slice, what + " lent");
  CappedSource copied(file, SIZE_MAX);
  ExpectSameAsWalk(copied, file.size(), block, slice, what + " copied");
}

std::string Where(size_t size, size_t block, uint64_t slice) {
  return "size " + std::to_string(size) + " block " + std::to_string(block) + " slice " + std::to_string(slice);
}

std::string Repeat(const std::string& piece, size_t size) {
  std::string s;
  while (s.size() < size) s += piece;
  s.resize(size);
  return s;
}

// Runs of the first letters of "URL" that a search could miscount, and one
// "URL" at every offset of filler, so across every 16-byte boundary.
std::vector<std::string> NearMisses(size_t size) {
  std::vector<std::string> files;
  for (const char* piece : {"U", "UR", "URURL", "UURL", "URL", "URLU", "\xd5\xd2\xccURL"})
    files.push_back(Repeat(piece, size));
  for (size_t at = 0; at + 3 <= size; ++at) {
    for (char fill : {'x', 'U'}) {
      std::string s(size, fill);
      s.replace(at, 3, "URL");
      files.push_back(s);
    }
  }
  return files;
}

TEST(RecordSearch, EveryWayFindsTheFirstRecordStartAndReadsNoFurther) {
  ASSERT_TRUE(RecordSearchAvailable(RecordSearch::kPortable));
  ASSERT_TRUE(RecordSearchAvailable(BestRecordSearch()));
#if defined(__x86_64__) || defined(_M_X64)
  EXPECT_EQ(BestRecordSearch(), RecordSearch::kSse2);
#endif
  std::mt19937 rng(6);
  std::vector<std::string> files = NearMisses(80);
  for (int i = 0; i < 20; ++i) files.push_back(DenseFile(80, rng));
  for (const std::string& file : files) {
    for (size_t n = 0; n + 2 <= file.size(); ++n) {
      size_t want = 0;
      while (want < n && file.compare(want, 3, "URL") != 0) ++want;
      // The bytes end their allocation, so that the sanitizer sees a read
      // past p[n + 1]; at every alignment of p.
      for (size_t align = 0; align < 16; ++align) {
        std::vector<char> bytes(align, '\0');
        bytes.insert(bytes.end(), file.data(), file.data() + n + 2);
        for (RecordSearch how : AvailableSearches()) {
          ASSERT_EQ(FindRecordStart(bytes.data() + align, n, how), want)
              << SearchName(how) << " n " << n << " align " << align << " in " << file;
        }
      }
    }
  }
}

TEST(IndexScan, FindsRecordsByTheirLayout) {
  std::string file(1000, 'x');
  PutRecord(file, 0, std::string("http://a/\0junk", 14), true, 'x');
  PutRecord(file, 300, std::string("Visited: u@http://b/\0", 21), false, '\0');  // text at +104
  file.replace(350, 3, "url");                                                   // lower case: no record
  file.replace(360, 3, "URL");                              // inside other data: counts, 150 'x' at +104
  PutRecord(file, 700, std::string(150, 'h'), false, 'x');  // no NUL: all 150 bytes
  file.replace(700 + 96, 7, "HTTP://");                     // not "http", so +104 is used
  MemorySource source(file.data(), file.size());
  ScanResult got = FastScan(source, file.size(), IndexScanner::kDefaultBlockSize, kAll);
  EXPECT_EQ(got.lines, (std::vector<std::string>{"http://a/", "Visited: u@http://b/", std::string(150, 'x'),
                                                 std::string(150, 'h')}));
  EXPECT_EQ(got.examined, file.size() - 5);
}

TEST(IndexScan, EndOfFileFollowsTheShortReadRule) {
  for (size_t size : {0, 1, 3, 6, 7, 8}) {
    std::string file(size, 'x');
    MemorySource source(file.data(), size);
    EXPECT_EQ(FastScan(source, size, 64, kAll).examined, size == 0 ? 0 : size < 7 ? 1 : size - 5) << size;
  }
  // "URL" whose 7-byte window is the first short one: an empty line, then the end.
  std::string tail = std::string(100, 'x') + "URL" + "abc";
  MemorySource source(tail.data(), tail.size());
  ScanResult got = FastScan(source, tail.size(), 64, kAll);
  EXPECT_EQ(got.lines, std::vector<std::string>{""});
  EXPECT_EQ(got.examined, 101u);
  // Nearer the end than that it is never examined.
  std::string late = std::string(100, 'x') + "URLab";
  MemorySource lateSource(late.data(), late.size());
  EXPECT_TRUE(FastScan(lateSource, late.size(), 64, kAll).lines.empty());
  // An empty file is done before any read, even if bytes appear later.
  std::string grown = "URL";
  MemorySource grownSource(grown.data(), grown.size());
  IndexScanner scan(grownSource, 0, [](const char*, size_t) { FAIL() << "line from empty file"; });
  EXPECT_TRUE(scan.Finished());
  EXPECT_FALSE(scan.Step(100));
  EXPECT_EQ(scan.Position(), 0u);
}

TEST(IndexScan, AgreesWithWalkOnSmallFilesOfEverySize) {
  std::mt19937 rng(1);
  for (size_t size = 0; size <= 300; ++size) {
    for (int variant = 0; variant < 3; ++variant) {
      std::string file = DenseFile(size, rng);
      for (size_t block : {size_t{1}, size_t{2}, size_t{7}, size_t{64}, IndexScanner::kDefaultBlockSize}) {
        for (uint64_t slice : {uint64_t{1}, uint64_t{3}, kAll}) {
          ExpectSameAsWalk(file, block, slice, Where(size, block, slice));
        }
      }
    }
  }
}

TEST(IndexScan, AgreesWithWalkAcrossManyBlocks) {
  std::mt19937 rng(2);
  for (size_t size : {1000, 4099, 20000}) {
    std::string file = DenseFile(size, rng);
    for (size_t block : {1, 13, 250, 255, 256, 257, 1000, 4096}) {
      for (uint64_t slice : {uint64_t{1}, uint64_t{7}, uint64_t{1000}, kAll}) {
        ExpectSameAsWalk(file, block, slice, Where(size, block, slice));
      }
    }
  }
  // Sparse records, some straddling block ends, in mostly zeroed data.
  std::string sparse(50000, '\0');
  for (size_t r = 37; r + 300 < sparse.size(); r += 997) {
    PutRecord(sparse, r, "http://example.test/" + std::to_string(r), r % 2, '\0');
  }
  for (size_t block : {100, 997, 4096, 65536}) ExpectSameAsWalk(sparse, block, kAll, Where(50000, block, 0));
}

TEST(IndexScan, AgreesWithWalkOnNearMissesAcrossBlockEnds) {
  for (const std::string& file : NearMisses(300)) {
    for (size_t block : {15, 16, 17, 100, 4096}) {
      ExpectSameAsWalk(file, block, kAll, Where(file.size(), block, 0) + " " + file.substr(0, 20));
    }
  }
}

TEST(IndexScan, AgreesWithWalkForRecordsAtEveryOffsetNearTheEnd) {
  const size_t size = 700;
  const std::string texts[] = {"http://x/", std::string(200, 'h'), "ftp://y/", std::string(200, 'z')};
  for (size_t r = size - 300; r < size; ++r) {
    for (const std::string& text : texts) {
      for (bool atHttp : {true, false}) {
        std::string file(size, 'x');
        PutRecord(file, r, text, atHttp, 'x');
        file.resize(size);
        for (size_t block : {1, 64, 1024}) {
          ExpectSameAsWalk(file, block, kAll, "record at " + std::to_string(r) + " " + Where(size, block, 0));
        }
      }
    }
  }
}

TEST(IndexScan, AgreesWithWalkOnShortAndFailingReads) {
  std::mt19937 rng(3);
  std::string file = DenseFile(3000, rng);
  PutRecord(file, 2000, std::string(150, 'q'), false, 'x');
  // Sources that return little per call.
  for (size_t cap : {1, 3, 6, 7, 8, 100, 149, 150, 151, 253, 254, 300, 1000}) {
    for (size_t block : {1, 64, 4096}) {
      CappedSource source(file, cap);
      ExpectSameAsWalk(source, file.size(), block, 5, "cap " + std::to_string(cap));
    }
  }
  // An unreadable byte anywhere, including beyond the end of the file.
  for (uint64_t bad = 0; bad < file.size() + 300; bad += (bad < 300 || bad > 2700) ? 1 : 37) {
    for (size_t block : {size_t{7}, size_t{512}, IndexScanner::kDefaultBlockSize}) {
      FailingSource source(file, bad);
      ExpectSameAsWalk(source, file.size(), block, kAll, "bad byte " + std::to_string(bad));
    }
  }
  // A file shorter or longer than when it was measured.
  MemorySource source(file.data(), file.size());
  for (uint64_t measured : {uint64_t{1}, uint64_t{1000}, uint64_t{1} << 40}) {
    ExpectSameAsWalk(source, measured, 256, kAll, "measured " + std::to_string(measured));
  }
}

TEST(IndexScan, StepsMakeBoundedProgressInEverySliceSize) {
  std::mt19937 rng(4);
  std::string file = DenseFile(2000, rng);
  MemorySource source(file.data(), file.size());
  ScanResult want = ReferenceScan(source, file.size());
  for (uint64_t slice = 0; slice <= 40; ++slice) {
    for (size_t block : {1, 5, 300}) {
      std::vector<std::string> lines;
      IndexScanner scan(
          source, file.size(), [&](const char* p, size_t n) { lines.emplace_back(p, n); }, block);
      uint64_t last = 0;
      bool more = true;
      while (more) {
        more = scan.Step(slice);
        EXPECT_EQ(more, !scan.Finished());
        ASSERT_GT(scan.Position(), last) << "no progress, slice " << slice;
        ASSERT_LE(scan.Position() - last, std::max<uint64_t>(slice, 1)) << "slice " << slice;
        last = scan.Position();
      }
      EXPECT_FALSE(scan.Step(slice));
      EXPECT_EQ(scan.Position(), want.examined);
      EXPECT_EQ(lines, want.lines) << Where(file.size(), block, slice);
    }
  }
}

// Counts the reads, to catch a scanner that falls back to small reads.
class CountingSource : public ByteSource {
 public:
  explicit CountingSource(const std::string& data) : mem_(data.data(), data.size()) {}
  size_t ReadAt(uint64_t offset, void* buf, size_t n) override {
    ++reads;
    return mem_.ReadAt(offset, buf, n);
  }
  int reads = 0;

 private:
  MemorySource mem_;
};

TEST(IndexScan, ReadsInLargeBlocks) {
  const size_t blocks = 8;
  std::string file(blocks * IndexScanner::kDefaultBlockSize, 'a');
  for (size_t r = 0; r + 300 < file.size(); r += 4096) PutRecord(file, r, "http://h/", true, 'a');
  CountingSource source(file);
  ScanResult got = FastScan(source, file.size(), IndexScanner::kDefaultBlockSize, 1 << 16);
  EXPECT_EQ(got.lines.size(), (file.size() - 300) / 4096 + 1);
  EXPECT_LE(source.reads, static_cast<int>(blocks) + 3);
}

// A file being appended to while it is scanned: every read adds bytes.
class GrowingSource : public ByteSource {
 public:
  GrowingSource(const std::string& data, size_t start, size_t step) : data_(data), size_(start), step_(step) {}
  size_t ReadAt(uint64_t offset, void* buf, size_t n) override {
    MemorySource now(data_.data(), size_);
    size_ = std::min(data_.size(), size_ + step_);
    return now.ReadAt(offset, buf, n);
  }

 private:
  const std::string& data_;
  size_t size_, step_;
};

TEST(IndexScan, FileGrowingDuringTheScanGivesAPrefixOfTheFinalLines) {
  std::mt19937 rng(5);
  std::string file = DenseFile(5000, rng);
  MemorySource whole(file.data(), file.size());
  ScanResult complete = ReferenceScan(whole, file.size());
  for (size_t step : {1, 100, 5000}) {
    GrowingSource source(file, 1200, step);
    ScanResult got = FastScan(source, 1200, 256, 64);
    ASSERT_LE(got.examined, file.size());
    ASSERT_LE(got.lines.size(), complete.lines.size());
    // The last line may come from a read cut short by the end of the file.
    for (size_t i = 0; i + 1 < got.lines.size(); ++i) {
      EXPECT_EQ(got.lines[i], complete.lines[i]) << "step " << step << " line " << i;
    }
  }
  // Not growing after all: exactly the scan of what was there.
  GrowingSource still(file, 1200, 0);
  ScanResult got = FastScan(still, 1200, 256, 64);
  MemorySource prefix(file.data(), 1200);
  EXPECT_EQ(got, ReferenceScan(prefix, 1200));
}

std::string ReadTestFile(const std::string& name) {
  std::ifstream in(std::string(GL_TESTDATA_DIR) + "/indexdat/" + name, std::ios::binary);
  if (!in) return std::string();
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(IndexScan, RealFiles) {
  struct Case {
    const char* name;
    size_t urls;
    const char* sample;  // a line the file is known to hold (prefix)
  };
  const Case cases[] = {
      {"plaso-History.IE5-index.dat", 17, "Visited: gold_administrator@http://www.msn.com/?ocid=iehp"},
      {"plaso-MSHist012013031020130311-index.dat", 23, ":2013031020130311: -@:Host: nl.msn.com"},
      {"plaso-Content.IE5-index.dat", 21, "http://"},
      {"plaso-nfury-Content.IE5-index.dat", 992, "http://www.bing.com/favicon.ico"},
      {"grr-History.IE5-index.dat", 18, "Visited: testing@mshelp://windows/?id=d063548a-"},
  };
  int found = 0;
  for (const Case& c : cases) {
    std::string file = ReadTestFile(c.name);
    if (file.empty()) continue;
    ++found;
    MemorySource source(file.data(), file.size());
    ScanResult want = ReferenceScan(source, file.size());
    EXPECT_EQ(want.lines.size(), c.urls) << c.name;
    bool sampleSeen = false;
    for (const std::string& line : want.lines) sampleSeen |= line.rfind(c.sample, 0) == 0;
    EXPECT_TRUE(sampleSeen) << c.name << " lacks " << c.sample;
    for (size_t block : {size_t{100}, size_t{4096}, IndexScanner::kDefaultBlockSize}) {
      ExpectSameAsWalk(source, file.size(), block, 10000, std::string(c.name) + " block " + std::to_string(block));
    }
  }
  if (found == 0) GTEST_SKIP() << "no index.dat files in " GL_TESTDATA_DIR "/indexdat (test data absent)";
}

}  // namespace
}  // namespace glimmerlog
