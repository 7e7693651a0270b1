// Scanner of a browser cache index file ("index.dat") for URL records.
//
// The file is treated as opaque bytes. Every offset r holding the bytes "URL"
// is a record: if the 150 bytes at r + 96 begin with "http" they are its text,
// otherwise the 150 bytes at r + 104 are. A text ends before its first NUL (or
// after 150 bytes, or where the file ends). Every occurrence counts, also one
// inside other data, and lines come out in file order with duplicates kept.
//
// The results are those of a walk that examines one offset at a time with
// small reads: at offset r it reads 7 bytes, and for a record the 150-byte
// text reads; the first read that returns fewer bytes than asked ends the walk
// after the offset being examined. So a file of length L >= 7 is examined at
// offsets 0..L-6 (a record there still yields its line from the bytes left),
// a file of 1 to 6 bytes at offset 0 only, an empty one not at all. The
// scanner gets the same results from large block reads, falling back to the
// walk's own small reads only where a block came back short.
#ifndef GLIMMERLOG_SOURCES_IE_INDEXSCAN_H
#define GLIMMERLOG_SOURCES_IE_INDEXSCAN_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace glimmerlog {

// Ways of finding the next "URL" in a block. Each finds the same offsets;
// only their speed differs.
enum class RecordSearch {
  kPortable,  // memchr for a 'U', then the two bytes after it: any CPU
  kSse2,      // 16 bytes per compare with SSE2: x86 CPUs that have it
};

// Whether this build, on this CPU, can search that way. A 32-bit x86 build
// asks the CPU once whether it has SSE2; a 64-bit one always has it.
bool RecordSearchAvailable(RecordSearch how);

// The fastest way available; scanners search that way unless told otherwise.
RecordSearch BestRecordSearch();

// The first k < n at which p holds "URL", or n when there is none. Reads
// p[0, n + 2) and nothing beyond. A way not available searches portably.
size_t FindRecordStart(const char* p, size_t n, RecordSearch how);

// Random-access reader of the file's bytes.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Copies up to n bytes starting at offset into buf and returns how many it
  // copied: fewer than n at the end of the file, 0 on an I/O error. The
  // scanner relies on one thing only: once a read has returned k bytes from
  // [offset, offset + k), any later read inside that range returns it whole.
  virtual size_t ReadAt(uint64_t offset, void* buf, size_t n) = 0;
  // A source that already holds the bytes in memory (a buffer, a mapped view
  // of the file) may lend them rather than have them copied: it returns their
  // address and sets *got to what ReadAt(offset, ..., n) would return. The
  // bytes must stay valid and unchanged until the next call to Lend (calls to
  // ReadAt in between must not disturb them). nullptr (the default) means
  // "use ReadAt".
  virtual const void* Lend(uint64_t offset, size_t n, size_t* got);
};

// A ByteSource over bytes already in memory (not copied; they must outlive it).
class MemorySource : public ByteSource {
 public:
  MemorySource(const void* data, size_t size) : data_(static_cast<const char*>(data)), size_(size) {}
  size_t ReadAt(uint64_t offset, void* buf, size_t n) override;
  const void* Lend(uint64_t offset, size_t n, size_t* got) override;

 private:
  const char* data_;
  size_t size_;
};

// Scans a ByteSource in slices so that a UI can run it between messages:
//
//   IndexScanner scan(source, fileSize, [&](const char* p, size_t n) { ... });
//   while (scan.Step(4 << 20)) { update progress from scan.Position(); pump; }
//
// Lines go to the sink as they are found, as raw bytes (no terminator; may be
// empty); the pointer is only valid during the call, and the sink must not
// call back into the scanner. To cancel, stop calling Step. The source must
// outlive the scanner.
class IndexScanner {
 public:
  using LineSink = std::function<void(const char* data, size_t size)>;

  // Few reads per file; smaller blocks, copied and scanned, measured no faster.
  static constexpr size_t kDefaultBlockSize = size_t{1} << 20;

  // sizeAtOpen is the file length measured when it was opened: 0 means the
  // scan is finished at once without reading; otherwise only the reads decide
  // where the scan ends, so a file that shrank or grew since is handled by
  // the short-read rule. blockSize (at least 1) is the number of offsets
  // examined per block read; each block is read with kOverlap bytes more so
  // that records near its end are whole in memory.
  IndexScanner(ByteSource& source, uint64_t sizeAtOpen, LineSink sink, size_t blockSize = kDefaultBlockSize);

  // Examines up to maxOffsets offsets (at least one; 0 counts as 1), calling
  // the sink for each record found. Returns false once the scan is finished.
  bool Step(uint64_t maxOffsets);

  // Number of offsets examined so far, which is also the next offset to
  // examine; when finished, one past the last offset examined.
  uint64_t Position() const { return pos_; }
  bool Finished() const { return done_; }

  // Searches blocks that way from now on (tests compare each way with the
  // walk). Returns false, and changes nothing, when it is not available.
  bool SetRecordSearch(RecordSearch how);

  // Bytes kept beyond a block so that every read for its last offset
  // (7 bytes at r, 150 at r + 104) lies inside the same buffer.
  static constexpr size_t kOverlap = 256;

 private:
  void Refill();
  void ScanBuffer(uint64_t end);
  void ExamineAlone();
  void EmitRecord(uint64_t r);
  size_t Read(uint64_t offset, char* buf, size_t n);
  const char* Lend(uint64_t offset, size_t n, size_t* got);
  const char* TextAt(uint64_t r, uint64_t delta, size_t* len);

  ByteSource& source_;
  LineSink sink_;
  size_t (*find_)(const char* p, size_t n);  // FindRecordStart of the chosen way
  size_t maxBlock_;
  size_t block_;                      // offsets per block for the next read
  std::vector<char> buf_;             // where blocks are read to unless lent
  const char* block_data_ = nullptr;  // bytes [bufStart_, bufStart_ + bufLen_)
  uint64_t bufStart_ = 0;
  size_t bufLen_ = 0;
  uint64_t scanEnd_ = 0;  // offsets below it can be examined from the block
  uint64_t pos_ = 0;
  bool done_ = false;
  char text_[150];  // text read on its own, outside the block
};

}  // namespace glimmerlog

#endif
