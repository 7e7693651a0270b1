// Writes small registry hive files (regf) cell by cell, for tests and fuzz
// seeds: keys, values, subkey lists of each form and big-data values, all in
// one hbin, and the base block with its checksum. Cells are given as their
// offsets after the base block, so that tests can damage them afterwards.
#ifndef GLIMMERLOG_TESTS_SUPPORT_HIVE_WRITER_H
#define GLIMMERLOG_TESTS_SUPPORT_HIVE_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

namespace glimmerlog {

class HiveWriter {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFF;

  HiveWriter();

  // An allocated cell holding `data`; returns its offset.
  uint32_t Cell(const std::vector<uint8_t>& data);
  // A value; data of 4 bytes or fewer is held in the value itself, data over
  // 16,344 bytes goes into a big-data cell when `bigData` is set.
  uint32_t Value(const std::u16string& name, uint32_t type, const std::vector<uint8_t>& data, bool bigData = true);
  // A subkey list: "lf" and "lh" (with a zero hint), "li" or "ri".
  uint32_t List(const char* signature, const std::vector<uint32_t>& cells);
  // A key with its values; its subkeys are given by a list made before
  // (kNone for none) and the count the key claims. Names of characters
  // below U+0100 are stored one byte each.
  uint32_t Key(const std::u16string& name, uint64_t time, const std::vector<uint32_t>& values = {},
               uint32_t subkeyList = kNone, uint32_t subkeyCount = 0);
  // Fields of a key's cell data, for Set32.
  static constexpr uint32_t kKeyTimeField = 0x04, kKeyParentField = 0x10, kKeySubKeyCountField = 0x14,
                            kKeySubKeyListField = 0x1C;
  static constexpr uint32_t kKeyValueCountField = 0x24, kKeyValueListField = 0x28;

  // Overwrites four bytes of a cell's data (after its size field), or of the
  // size field itself at field -4.
  void Set32(uint32_t cell, int32_t field, uint32_t value);

  // The offset the next cell gets.
  uint32_t End() const { return static_cast<uint32_t>(bin_.size()); }
  // Frees the cells from `first` up to `end` (both where a cell begins) as
  // the platform leaves cells it deleted and merged: each keeps its size
  // field, made positive, and the first one's spans them all.
  void Free(uint32_t first, uint32_t end);

  // The whole file, with `root` as the root key.
  std::vector<uint8_t> File(uint32_t root, uint32_t minorVersion = 5, uint32_t sequence1 = 1,
                            uint32_t sequence2 = 1) const;

 private:
  std::vector<uint8_t> bin_;  // the hbin, its 32-byte header included
};

}  // namespace glimmerlog

#endif
