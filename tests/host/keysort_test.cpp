#include "app/keysort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace glimmerlog {
namespace {

// The sort of byte keys against std::stable_sort of the same keys (unsigned
// bytes, a beginning before what goes on): keys with long shared beginnings,
// zero bytes, keys that are the beginning of others, empty keys, many equal
// keys (which must keep their ids ascending either way) and ranges of every
// size around the small-range and eight-byte edges; stopping in the middle.
TEST(KeySort, OrderMatchesAStableSortOfTheSameKeys) {
  std::mt19937 random(11);
  for (int round = 0; round < 60; ++round) {
    const size_t n = round < 20 ? static_cast<size_t>(round) : 1 + random() % 3000;
    const std::string shared(random() % 3 == 0 ? 0 : random() % 40, '\x0e');
    std::vector<std::string> texts(n);
    for (std::string& t : texts) {
      t = shared;
      const size_t extra = random() % 12;
      for (size_t i = 0; i < extra; ++i) t += static_cast<char>(random() % 3 == 0 ? 0 : 0xFD + random() % 3);
      if (random() % 5 == 0) t = shared.substr(0, random() % (shared.size() + 1));
    }
    KeyStore keys;
    for (const std::string& t : texts) keys.Add(t);
    for (const bool descending : {false, true}) {
      std::vector<uint32_t> want(n), got(n);
      for (size_t i = 0; i < n; ++i) want[i] = got[i] = static_cast<uint32_t>(i);
      std::stable_sort(want.begin(), want.end(), [&](uint32_t a, uint32_t b) {
        const auto x = reinterpret_cast<const unsigned char*>(texts[a].c_str());
        const auto y = reinterpret_cast<const unsigned char*>(texts[b].c_str());
        const bool less = std::lexicographical_compare(x, x + texts[a].size(), y, y + texts[b].size());
        const bool more = std::lexicographical_compare(y, y + texts[b].size(), x, x + texts[a].size());
        return descending ? more : less;
      });
      ASSERT_TRUE(SortByKeys(keys, got, descending));
      ASSERT_EQ(got, want) << "round " << round << (descending ? " descending" : "");
    }
  }
  // A step that says stop stops the sort.
  KeyStore keys;
  std::vector<uint32_t> ids;
  for (uint32_t i = 0; i < 100000; ++i) {
    keys.Add("http://example/" + std::to_string((i * 7919) % 100000));
    ids.push_back(i);
  }
  int steps = 0;
  EXPECT_FALSE(SortByKeys(keys, ids, false, [&](uint64_t done, uint64_t total) {
    EXPECT_LE(done, total);
    ++steps;
    return false;
  }));
  EXPECT_EQ(steps, 1);
}

}  // namespace
}  // namespace glimmerlog
