// Orders items by byte keys (collation keys): each key is read a few bytes
// at a time, and only the items whose keys are equal so far are looked at
// again, so long shared beginnings (addresses, paths) cost one pass each
// rather than a comparison each. Platform-free.
#ifndef GLIMMERLOG_APP_KEYSORT_H
#define GLIMMERLOG_APP_KEYSORT_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace glimmerlog {

// Keys kept one after another in large blocks (no block is ever moved, so a
// million keys never need one piece of memory of their total size).
class KeyStore {
 public:
  // Adds a key; its id is the number of keys added before it.
  void Add(std::string_view key);
  void Reserve(size_t keys) {
    starts_.reserve(keys);
    lengths_.reserve(keys);
  }
  size_t Count() const { return lengths_.size(); }
  std::string_view Key(size_t id) const { return {starts_[id], lengths_[id]}; }

 private:
  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t used_ = 0, room_ = 0;
  std::vector<const char*> starts_;
  std::vector<uint32_t> lengths_;
};

// Puts `ids` (ids of `keys`, in ascending order) in the order of their keys:
// bytes as unsigned, a key that is the beginning of another first; equal
// keys keep their ids ascending. With `descending` the keys' order is turned
// round, equal keys still by ascending id. `step(done, total)` is called now
// and then with the items settled so far; when it returns false the sort
// stops, leaving `ids` in some order, and returns false.
bool SortByKeys(const KeyStore& keys, std::vector<uint32_t>& ids, bool descending,
                const std::function<bool(uint64_t done, uint64_t total)>& step = {});

}  // namespace glimmerlog

#endif
