#include "sources/shell/mru.h"

#include <string_view>
#include <unordered_map>

#include "base/ascii.h"
#include "base/bytes.h"

namespace glimmerlog {

namespace {

bool IsEntry(const std::u16string& name) {
  return !name.empty() && !SameIgnoringAsciiCase(name, u"MRUList") && !SameIgnoringAsciiCase(name, u"MRUListEx");
}

// A value name that is a number as the list stores it: decimal digits without
// a leading zero, below the list's terminator.
bool ParseValueNumber(const std::u16string& name, uint32_t& number) {
  if (name.empty() || name.size() > 10 || (name[0] == u'0' && name.size() > 1)) return false;
  uint64_t n = 0;
  for (char16_t c : name) {
    if (c < u'0' || c > u'9') return false;
    n = n * 10 + (c - u'0');
  }
  if (n >= 0xFFFFFFFFu) return false;
  number = static_cast<uint32_t>(n);
  return true;
}

// Builds the result: entries placed in the order the list names them (each
// once), then the rest in value order.
class MruOrder {
 public:
  explicit MruOrder(const std::vector<std::u16string>& valueNames) : names_(valueNames) {
    for (size_t i = 0; i < names_.size(); ++i) {
      if (IsEntry(names_[i])) entries_.push_back(i);
    }
    placed_.assign(names_.size(), false);
    slots_.reserve(entries_.size());
  }
  const std::vector<size_t>& Entries() const { return entries_; }
  // True once every entry has its place: the rest of the list can change nothing.
  bool Full() const { return slots_.size() == entries_.size(); }
  void Place(size_t index) {
    if (placed_[index]) return;
    placed_[index] = true;
    slots_.push_back(MruSlot{names_[index], static_cast<uint32_t>(slots_.size() + 1), true});
  }
  std::vector<MruSlot> Finish() {
    for (size_t index : entries_) {
      if (placed_[index]) continue;
      placed_[index] = true;
      slots_.push_back(MruSlot{names_[index], static_cast<uint32_t>(slots_.size() + 1), false});
    }
    return std::move(slots_);
  }

 private:
  const std::vector<std::u16string>& names_;
  std::vector<size_t> entries_;
  std::vector<bool> placed_;
  std::vector<MruSlot> slots_;
};

}  // namespace

std::vector<MruSlot> OrderByMruList(const std::vector<std::u16string>& valueNames, const RegistryData* list) {
  MruOrder order(valueNames);
  if (list) {
    // Each one-character entry by its letter; the first of two that differ
    // only in case (which a registry cannot hold) takes the letter.
    std::unordered_map<char16_t, size_t> byLetter;
    for (size_t index : order.Entries()) {
      if (valueNames[index].size() == 1) byLetter.emplace(FoldAscii(valueNames[index][0]), index);
    }
    const std::vector<uint8_t>& bytes = list->bytes;
    for (size_t i = 0; i + 1 < bytes.size() && !order.Full(); i += 2) {
      const char16_t letter = static_cast<char16_t>(Le16(bytes.data() + i));
      if (letter == 0) break;
      const auto found = byLetter.find(FoldAscii(letter));
      if (found != byLetter.end()) order.Place(found->second);
    }
  }
  return order.Finish();
}

std::vector<MruSlot> OrderByMruListEx(const std::vector<std::u16string>& valueNames, const RegistryData* list) {
  MruOrder order(valueNames);
  if (list) {
    std::unordered_map<uint32_t, size_t> byNumber;
    for (size_t index : order.Entries()) {
      uint32_t number = 0;
      if (ParseValueNumber(valueNames[index], number)) byNumber.emplace(number, index);
    }
    const std::vector<uint8_t>& bytes = list->bytes;
    for (size_t i = 0; i + 4 <= bytes.size() && !order.Full(); i += 4) {
      const uint32_t number = Le32(bytes.data() + i);
      if (number == 0xFFFFFFFFu) break;
      const auto found = byNumber.find(number);
      if (found != byNumber.end()) order.Place(found->second);
    }
  }
  return order.Finish();
}

}  // namespace glimmerlog
