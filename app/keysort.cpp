#include "app/keysort.h"

#include <algorithm>
#include <cstring>

namespace glimmerlog {

namespace {

constexpr size_t kBlockBytes = size_t{8} << 20;
// Ranges this small are put in order by comparing whole keys.
constexpr size_t kSmallRange = 16;
// How many items are read between two calls of the step.
constexpr uint64_t kStepEvery = 16384;

// An item with the eight bytes of its key at the depth being sorted (big
// endian, zero past the key's end) and how many of them the key has.
struct Item {
  uint64_t chunk;
  uint32_t id;
  uint32_t count;
};

bool SameChunk(const Item& a, const Item& b) { return a.chunk == b.chunk && a.count == b.count; }

void Load(const KeyStore& keys, Item& item, size_t depth) {
  const std::string_view key = keys.Key(item.id);
  const size_t left = key.size() > depth ? key.size() - depth : 0;
  const size_t n = left < 8 ? left : 8;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(key.data()) + depth;
  uint64_t chunk = 0;
  if (n == 8) {
    unsigned char b[8];
    std::memcpy(b, p, 8);
    chunk = uint64_t{b[0]} << 56 | uint64_t{b[1]} << 48 | uint64_t{b[2]} << 40 | uint64_t{b[3]} << 32 |
            uint64_t{b[4]} << 24 | uint64_t{b[5]} << 16 | uint64_t{b[6]} << 8 | uint64_t{b[7]};
  } else {
    for (size_t i = 0; i < n; ++i) chunk |= uint64_t{p[i]} << (56 - 8 * i);
  }
  item.chunk = chunk;
  item.count = static_cast<uint32_t>(n);
}

// Byte order of the keys from `depth` on, then the id.
bool KeyLess(const KeyStore& keys, uint32_t a, uint32_t b, size_t depth) {
  const std::string_view x = keys.Key(a).substr(std::min(depth, keys.Key(a).size()));
  const std::string_view y = keys.Key(b).substr(std::min(depth, keys.Key(b).size()));
  const size_t n = std::min(x.size(), y.size());
  const int c = n ? std::memcmp(x.data(), y.data(), n) : 0;
  if (c != 0) return c < 0;
  if (x.size() != y.size()) return x.size() < y.size();
  return a < b;
}

// How many bytes from `depth` on every key of the items has in common with
// the first one.
size_t SharedLength(const KeyStore& keys, const Item* a, size_t n, size_t depth) {
  const std::string_view first = keys.Key(a[0].id);
  size_t shared = first.size() > depth ? first.size() - depth : 0;
  const char* f = first.data() + depth;
  for (size_t i = 1; i < n && shared > 0; ++i) {
    const std::string_view key = keys.Key(a[i].id);
    const size_t most = std::min(shared, key.size() > depth ? key.size() - depth : 0);
    const char* k = key.data() + depth;
    size_t j = 0;
    for (uint64_t x, y; j + 8 <= most; j += 8) {
      std::memcpy(&x, f + j, 8);
      std::memcpy(&y, k + j, 8);
      if (x != y) break;
    }
    while (j < most && f[j] == k[j]) ++j;
    shared = j;
  }
  return shared;
}

struct Range {
  size_t begin, size, depth;
};

// Puts a range in order by its eight bytes and their count, keeping the
// order of items that agree (so their ids stay ascending): a least
// significant first radix sort, a byte at a time, over only the bytes that
// differ somewhere in the range. `spare` has room for the range. False
// when every item agrees.
bool RadixByChunk(Item* a, Item* spare, size_t n) {
  uint64_t differ = 0;
  uint32_t countsDiffer = 0;
  for (size_t i = 1; i < n; ++i) {
    differ |= a[i].chunk ^ a[0].chunk;
    countsDiffer |= a[i].count ^ a[0].count;
  }
  if (!differ && !countsDiffer) return false;
  Item* from = a;
  Item* to = spare;
  auto pass = [&](auto digit) {
    size_t at[256] = {};
    for (size_t i = 0; i < n; ++i) ++at[digit(from[i])];
    size_t sum = 0;
    for (size_t& slot : at) {
      const size_t here = slot;
      slot = sum;
      sum += here;
    }
    for (size_t i = 0; i < n; ++i) to[at[digit(from[i])]++] = from[i];
    std::swap(from, to);
  };
  if (countsDiffer) pass([](const Item& x) { return x.count; });
  for (int b = 0; b < 8; ++b) {
    if (((differ >> (8 * b)) & 0xFF) == 0) continue;
    pass([b](const Item& x) { return static_cast<size_t>((x.chunk >> (8 * b)) & 0xFF); });
  }
  if (from != a) std::copy(from, from + n, a);
  return true;
}

}  // namespace

void KeyStore::Add(std::string_view key) {
  if (key.size() > room_ - used_ || !room_) {
    const size_t size = std::max(kBlockBytes, key.size());
    blocks_.push_back(std::unique_ptr<char[]>(new char[size]));
    used_ = 0;
    room_ = size;
  }
  char* at = blocks_.back().get() + used_;
  if (!key.empty()) std::memcpy(at, key.data(), key.size());
  used_ += key.size();
  starts_.push_back(at);
  lengths_.push_back(static_cast<uint32_t>(key.size()));
}

// Most significant bytes first, eight at a time. Each range on the stack
// holds items whose keys agree up to its depth, in ascending id order; it
// is ordered by its next eight bytes (a stable sort, which keeps that order
// within every run), and each run of items that agree on them and go on
// becomes a range eight bytes deeper. A range whose items all agree moves
// deeper at once, without a sort.
bool SortByKeys(const KeyStore& keys, std::vector<uint32_t>& ids, bool descending,
                const std::function<bool(uint64_t, uint64_t)>& step) {
  const size_t n = ids.size();
  std::vector<Item> items(n);
  for (size_t i = 0; i < n; ++i) items[i].id = ids[i];
  uint64_t settled = 0, sinceStep = 0;
  auto tick = [&](uint64_t work) {
    sinceStep += work;
    if (sinceStep < kStepEvery || !step) return true;
    sinceStep = 0;
    return step(settled, n);
  };
  std::vector<Item> spare;
  std::vector<Range> stack;
  if (n > 0) stack.push_back({0, n, 0});
  while (!stack.empty()) {
    Range r = stack.back();
    stack.pop_back();
    Item* a = items.data() + r.begin;
    if (r.size < kSmallRange) {
      std::sort(a, a + r.size,
                [&keys, depth = r.depth](const Item& x, const Item& y) { return KeyLess(keys, x.id, y.id, depth); });
      settled += r.size;
      if (!tick(r.size)) return false;
      continue;
    }
    // Keys that share a long beginning (addresses, paths) skip it in one
    // pass, which ends early where they differ at once.
    r.depth += SharedLength(keys, a, r.size, r.depth);
    for (size_t i = 0; i < r.size; ++i) Load(keys, a[i], r.depth);
    if (!tick(r.size)) return false;
    if (spare.empty()) spare.resize(n);
    if (!RadixByChunk(a, spare.data() + r.begin, r.size)) {
      if (a[0].count == 8) {
        stack.push_back({r.begin, r.size, r.depth + 8});
      } else {
        settled += r.size;  // equal keys, already by id
      }
      continue;
    }
    for (size_t i = 0; i < r.size;) {
      size_t j = i + 1;
      while (j < r.size && SameChunk(a[j], a[i])) ++j;
      if (j - i > 1 && a[i].count == 8) {
        stack.push_back({r.begin + i, j - i, r.depth + 8});
      } else {
        settled += j - i;
      }
      i = j;
    }
  }
  for (size_t i = 0; i < n; ++i) ids[i] = items[i].id;
  if (descending) {
    // The whole order turned round, then each run of equal keys turned back
    // so that its ids ascend again.
    std::reverse(ids.begin(), ids.end());
    for (size_t i = 0; i < n;) {
      size_t j = i + 1;
      while (j < n && keys.Key(ids[j]) == keys.Key(ids[i])) ++j;
      std::reverse(ids.begin() + static_cast<std::ptrdiff_t>(i), ids.begin() + static_cast<std::ptrdiff_t>(j));
      i = j;
    }
  }
  return true;
}

}  // namespace glimmerlog
