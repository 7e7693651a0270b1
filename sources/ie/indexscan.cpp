#include "sources/ie/indexscan.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

// The SSE2 search is built for x86 only. A 64-bit build, or one whose code
// already needs SSE2, always has it; a 32-bit build that must run on any
// i686 CPU compiles that one function for SSE2 and asks the CPU at run time.
#if (defined(__i386__) || defined(__x86_64__) || defined(_M_IX86) || defined(_M_X64)) && !defined(_M_ARM64EC)
#define GL_SSE2_SEARCH 1
#include <emmintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>  // __cpuid, _BitScanForward
#endif
#if defined(__x86_64__) || defined(_M_X64) || defined(__SSE2__) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define GL_SSE2_ALWAYS 1
#elif defined(__GNUC__) || defined(__clang__)
#include <cpuid.h>
#endif
#endif

namespace glimmerlog {

namespace {

constexpr uint64_t kMaxOffset = std::numeric_limits<uint64_t>::max();
constexpr size_t kWindow = 7;         // bytes read at each offset
constexpr size_t kTextSize = 150;     // bytes read for a record's text
constexpr uint64_t kHttpText = 96;    // text offset when it begins with "http"
constexpr uint64_t kOtherText = 104;  // text offset otherwise
// Keeps blockSize + kOverlap and the doubling of the block size far from
// overflowing size_t on 32-bit builds.
constexpr size_t kMaxBlockSize = size_t{1} << 30;

static_assert(IndexScanner::kOverlap + 1 >= kOtherText + kTextSize, "a block must hold every read of its last offset");

// The search for any CPU: memchr to each 'U', then the two bytes after it.
size_t FindPortable(const char* p, size_t n) {
  size_t i = 0;
  while (i < n) {
    const void* hit = std::memchr(p + i, 'U', n - i);
    if (!hit) break;
    size_t k = static_cast<size_t>(static_cast<const char*>(hit) - p);
    if (p[k + 1] == 'R' && p[k + 2] == 'L') return k;
    i = k + 1;
  }
  return n;
}

#ifdef GL_SSE2_SEARCH

#if defined(GL_SSE2_ALWAYS) || !(defined(__GNUC__) || defined(__clang__))
#define GL_TARGET_SSE2
#else
// Only the functions marked so may use SSE2. Windows does not promise the
// 16-byte stack alignment that spilled vectors need, so they align their own
// frame.
#define GL_TARGET_SSE2 __attribute__((target("sse2"), force_align_arg_pointer))
#endif

bool CpuHasSse2() {
#if defined(GL_SSE2_ALWAYS)
  return true;
#elif defined(_MSC_VER) && !defined(__clang__)
  int info[4];
  __cpuid(info, 0);
  if (info[0] < 1) return false;
  __cpuid(info, 1);
  return (info[3] & (1 << 26)) != 0;
#else
  unsigned eax, ebx, ecx, edx;
  return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_SSE2) != 0;
#endif
}

int LowestBit(unsigned mask) {
#if defined(_MSC_VER) && !defined(__clang__)
  unsigned long index;
  _BitScanForward(&index, mask);
  return static_cast<int>(index);
#else
  return __builtin_ctz(mask);
#endif
}

// The offsets among q[0, 16) at which "URL" starts, as the bits of a mask:
// the bytes at q, q + 1 and q + 2 compared with 'U', 'R' and 'L' at once,
// so that a record shows whatever its alignment. Reads q[0, 18).
GL_TARGET_SSE2 inline unsigned StartsIn16(const char* q) {
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 1));
  const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 2));
  const __m128i hit =
      _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(a, _mm_set1_epi8('U')), _mm_cmpeq_epi8(b, _mm_set1_epi8('R'))),
                    _mm_cmpeq_epi8(c, _mm_set1_epi8('L')));
  return static_cast<unsigned>(_mm_movemask_epi8(hit));
}

// Most bytes of a cache index are no 'U': 32 offsets at a time are passed
// over after one compare each, and only where one holds a 'U' are they
// checked for "URL". Then 16 at a time, then the few left one by one. The
// last loads reach p[n + 1].
GL_TARGET_SSE2 size_t FindSse2(const char* p, size_t n) {
  const __m128i u = _mm_set1_epi8('U');
  size_t k = 0;
  for (; n - k >= 32; k += 32) {
    const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
    const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k + 16));
    if (!_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(a0, u), _mm_cmpeq_epi8(a1, u)))) continue;
    if (const unsigned mask = StartsIn16(p + k)) return k + static_cast<size_t>(LowestBit(mask));
    if (const unsigned mask = StartsIn16(p + k + 16)) return k + 16 + static_cast<size_t>(LowestBit(mask));
  }
  for (; n - k >= 16; k += 16) {
    if (const unsigned mask = StartsIn16(p + k)) return k + static_cast<size_t>(LowestBit(mask));
  }
  for (; k < n; ++k) {
    if (p[k] == 'U' && p[k + 1] == 'R' && p[k + 2] == 'L') return k;
  }
  return n;
}

#endif  // GL_SSE2_SEARCH

bool HasSse2Search() {
#ifdef GL_SSE2_SEARCH
  static const bool has = CpuHasSse2();
  return has;
#else
  return false;
#endif
}

using Finder = size_t (*)(const char*, size_t);

// The search of that way, or the portable one where it is not available.
Finder FinderFor(RecordSearch how) {
#ifdef GL_SSE2_SEARCH
  if (how == RecordSearch::kSse2 && HasSse2Search()) return &FindSse2;
#endif
  (void)how;
  return &FindPortable;
}

}  // namespace

bool RecordSearchAvailable(RecordSearch how) {
  switch (how) {
    case RecordSearch::kPortable: return true;
    case RecordSearch::kSse2: return HasSse2Search();
  }
  return false;
}

RecordSearch BestRecordSearch() {
  return RecordSearchAvailable(RecordSearch::kSse2) ? RecordSearch::kSse2 : RecordSearch::kPortable;
}

size_t FindRecordStart(const char* p, size_t n, RecordSearch how) { return FinderFor(how)(p, n); }

const void* ByteSource::Lend(uint64_t, size_t, size_t* got) {
  *got = 0;
  return nullptr;
}

const void* MemorySource::Lend(uint64_t offset, size_t n, size_t* got) {
  *got = offset >= size_ ? 0 : std::min(n, size_ - static_cast<size_t>(offset));
  return *got ? data_ + offset : data_;
}

size_t MemorySource::ReadAt(uint64_t offset, void* buf, size_t n) {
  if (offset >= size_) return 0;
  size_t avail = size_ - static_cast<size_t>(offset);
  if (n > avail) n = avail;
  if (n) std::memcpy(buf, data_ + offset, n);
  return n;
}

IndexScanner::IndexScanner(ByteSource& source, uint64_t sizeAtOpen, LineSink sink, size_t blockSize)
    : source_(source),
      sink_(std::move(sink)),
      find_(FinderFor(BestRecordSearch())),
      maxBlock_(std::min(std::max<size_t>(blockSize, 1), kMaxBlockSize)),
      // Small files get a buffer of their size rather than a whole block.
      block_(static_cast<size_t>(std::min<uint64_t>(std::max<uint64_t>(sizeAtOpen, 1), maxBlock_))),
      done_(sizeAtOpen == 0) {}

bool IndexScanner::SetRecordSearch(RecordSearch how) {
  if (!RecordSearchAvailable(how)) return false;
  find_ = FinderFor(how);
  return true;
}

// Reads from the source, never past the largest 64-bit offset, and never
// trusting a source that claims more bytes than were asked for.
size_t IndexScanner::Read(uint64_t offset, char* buf, size_t n) {
  if (kMaxOffset - offset < n) n = static_cast<size_t>(kMaxOffset - offset);
  if (n == 0) return 0;
  size_t got = source_.ReadAt(offset, buf, n);
  return std::min(got, n);
}

// Borrows bytes like Read, or returns nullptr when the source does not lend.
const char* IndexScanner::Lend(uint64_t offset, size_t n, size_t* got) {
  if (kMaxOffset - offset < n) n = static_cast<size_t>(kMaxOffset - offset);
  const char* p = n ? static_cast<const char*>(source_.Lend(offset, n, got)) : nullptr;
  if (p && *got > n) *got = n;
  return p;
}

bool IndexScanner::Step(uint64_t maxOffsets) {
  uint64_t budget = std::max<uint64_t>(maxOffsets, 1);
  while (budget && !done_) {
    uint64_t before = pos_;
    if (pos_ >= scanEnd_) {
      Refill();  // examines the offset itself when too few bytes came back
    } else {
      uint64_t end = (scanEnd_ - pos_ > budget) ? pos_ + budget : scanEnd_;
      ScanBuffer(end);
    }
    budget -= pos_ - before;
  }
  return !done_;
}

// Reads the next block at pos_. A full block covers block_ offsets with all
// their reads. A short one (end of file, a file that shrank, an I/O error or
// a source that returns little per call) still covers every offset whose
// 7-byte window it holds; whatever lies beyond is then read exactly as the
// one-offset-at-a-time walk would, and the next blocks are asked smaller so
// that a source failing large reads is not asked for a large one each time.
void IndexScanner::Refill() {
  size_t want = block_ + kOverlap;
  size_t got = 0;
  block_data_ = Lend(pos_, want, &got);
  if (!block_data_) {
    if (buf_.size() < want) buf_.resize(want);
    block_data_ = buf_.data();
    got = Read(pos_, buf_.data(), want);
  }
  bufStart_ = pos_;
  bufLen_ = got;
  if (got == want) {
    scanEnd_ = pos_ + block_;
    block_ = std::min(maxBlock_, block_ * 2);
    return;
  }
  block_ = std::max<size_t>(block_ / 2, 1);
  if (got >= kWindow) {
    scanEnd_ = pos_ + (got - (kWindow - 1));
  } else {
    scanEnd_ = pos_;
    ExamineAlone();
  }
}

// Examines offsets [pos_, end) from the buffer; all their 7-byte windows are
// in it, so the search may read the two bytes after the last offset. Stops
// early when a record's text read came back short.
void IndexScanner::ScanBuffer(uint64_t end) {
  const char* base = block_data_;
  size_t i = static_cast<size_t>(pos_ - bufStart_);
  const size_t stop = static_cast<size_t>(end - bufStart_);
  while (i < stop) {
    const size_t k = i + find_(base + i, stop - i);
    if (k == stop) break;
    EmitRecord(bufStart_ + k);
    if (done_) {
      pos_ = bufStart_ + k + 1;
      return;
    }
    i = k + 1;
  }
  pos_ = end;
}

// Examines pos_ with its own 7-byte read, as the walk does.
void IndexScanner::ExamineAlone() {
  char window[kWindow];
  size_t n = Read(pos_, window, kWindow);
  if (n < kWindow) done_ = true;
  uint64_t r = pos_;
  pos_ = r + 1;
  if (n >= 3 && std::memcmp(window, "URL", 3) == 0) EmitRecord(r);
}

// The 150-byte text read at r + delta, from the buffer when it holds all of
// it, otherwise read on its own; a short read there finishes the scan. No
// bytes exist past the largest 64-bit offset, so a read there comes back empty.
const char* IndexScanner::TextAt(uint64_t r, uint64_t delta, size_t* len) {
  *len = 0;
  if (r > kMaxOffset - delta) {
    done_ = true;
    return text_;
  }
  uint64_t offset = r + delta;
  if (offset >= bufStart_ && offset - bufStart_ <= bufLen_ &&
      bufLen_ - static_cast<size_t>(offset - bufStart_) >= kTextSize) {
    *len = kTextSize;
    return block_data_ + (offset - bufStart_);
  }
  *len = Read(offset, text_, kTextSize);
  if (*len < kTextSize) done_ = true;
  return text_;
}

void IndexScanner::EmitRecord(uint64_t r) {
  size_t len;
  const char* text = TextAt(r, kHttpText, &len);
  if (len < 4 || std::memcmp(text, "http", 4) != 0) text = TextAt(r, kOtherText, &len);
  if (const void* nul = std::memchr(text, 0, len)) {
    len = static_cast<size_t>(static_cast<const char*>(nul) - text);
  }
  sink_(text, len);
}

}  // namespace glimmerlog
