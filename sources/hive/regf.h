// Read-only reader of a registry hive file (the regf format of Windows NT
// to 11, versions 1.x) held whole in memory, such as another user's
// NTUSER.DAT: keys with their names and last-write times, values with their
// types and data as stored. Platform-free; the caller reads the file.
//
// The bytes are read as they are: a hive whose header says it was not
// written completely (its two sequence numbers differ) is read all the same
// and flagged as dirty. Its transaction logs are applied to the bytes before
// (hivelog.h).
//
// Damage never makes a call read outside the bytes or run without bound: a
// structure that points outside the hive, into a free cell or at a cell of
// the wrong kind is left out and the call reports it; lists are read at most
// as far as their cells reach, a list cell that overlaps one already read is
// refused, an entry repeated in one list is listed once, and every call
// takes time and memory in proportion to the file's size.
#ifndef GLIMMERLOG_SOURCES_HIVE_REGF_H
#define GLIMMERLOG_SOURCES_HIVE_REGF_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sources/status.h"

namespace glimmerlog {

// A key or value of a hive: the offset of its cell after the base block.
// Zero (which never starts a cell) stands for none.
struct HiveKey {
  uint32_t cell = 0;
  explicit operator bool() const { return cell != 0; }
};
struct HiveValue {
  uint32_t cell = 0;
  explicit operator bool() const { return cell != 0; }
};

class Hive {
 public:
  // The platform's own limit on how deep keys nest; VisitKeys goes no deeper.
  static constexpr unsigned kMaxDepth = 512;

  explicit Hive(std::vector<uint8_t> bytes);

  // False when the bytes are not a hive that can be read; Problem() says why
  // in a sentence for the user ("Windows 9x registry files are not
  // supported", ...). Every other call then finds nothing.
  bool Usable() const { return problem_.empty(); }
  const std::string& Problem() const { return problem_; }

  // The base block.
  bool Dirty() const { return sequence1_ != sequence2_; }
  uint32_t PrimarySequence() const { return sequence1_; }
  uint32_t SecondarySequence() const { return sequence2_; }
  bool ChecksumValid() const { return checksumValid_; }
  uint64_t LastWritten() const { return lastWritten_; }  // FILETIME ticks, UTC
  uint32_t MajorVersion() const { return major_; }
  uint32_t MinorVersion() const { return minor_; }
  // The name the base block records for the file (the end of the path it
  // was last loaded from), up to its first NUL.
  std::u16string FileName() const;
  // The file is shorter than its base block says: keys and values in the
  // missing part are unreadable.
  bool Truncated() const { return truncated_; }

  HiveKey Root() const { return root_; }
  size_t FileSize() const { return bytes_.size(); }

  // The cells' area as stored: the bytes after the base block up to the end
  // the base block gives (or the file's end), which cell offsets index. For
  // scans of what no key reaches, such as the free cells (deletedcells.h).
  struct Area {
    const uint8_t* data = nullptr;
    size_t size = 0;
  };
  Area CellArea() const;

  // Keys. A key that is not readable has an empty name and time 0.
  std::u16string KeyName(HiveKey key) const;
  uint64_t KeyTime(HiveKey key) const;  // FILETIME ticks, UTC
  // The key its cell names as its parent; none for the root, and when that
  // cell is not a key.
  HiveKey KeyParent(HiveKey key) const;
  // The path of a key below the root (the root's own name left out, "" for
  // the root), made by following the parents each key names: kMissing when
  // `key` is not a key, kDamaged when a parent on the way is not one, or the
  // way does not reach the root within kMaxDepth keys (a loop); `out` is
  // then empty. Takes time in proportion to the path's length.
  SourceStatus KeyPath(HiveKey key, std::u16string& out) const;
  // The subkeys in stored order (the platform's enumeration order). kDamaged
  // when part of the list was unreadable; `out` then holds what was read.
  SourceStatus SubKeys(HiveKey key, std::vector<HiveKey>& out) const;
  // The values in stored order (the platform's enumeration order); as above.
  SourceStatus Values(HiveKey key, std::vector<HiveValue>& out) const;

  // Finds a subkey, or a key by its path below the root (names separated by
  // backslashes; empty names are skipped, so "" is the root), comparing
  // names without regard to case as the platform does (upcase.h). kMissing
  // when there is no such key, kDamaged when a list on the way was damaged
  // and did not hold it.
  SourceStatus FindSubKey(HiveKey parent, std::u16string_view name, HiveKey& out) const;
  SourceStatus FindKey(std::u16string_view path, HiveKey& out) const;
  // The first value of that name in stored order ("" is the default value).
  SourceStatus FindValue(HiveKey key, std::u16string_view name, HiveValue& out) const;

  // Values. The data as stored: held in the value itself (4 bytes or fewer),
  // in one cell, or in the segments of a big-data cell (data over 16,344
  // bytes in hives of version 1.4 and later). kDamaged when only part of it
  // could be read (`out` holds that part).
  std::u16string ValueName(HiveValue value) const;
  uint32_t ValueType(HiveValue value) const;
  SourceStatus ValueData(HiveValue value, std::vector<uint8_t>& out) const;

  // How many entries of subkey lists, indexes and value lists the calls so far
  // have read: the measure of their work, for tests and benchmarks.
  uint64_t ListEntriesRead() const { return listEntriesRead_.load(std::memory_order_relaxed); }

  // Visits every key reachable from the root once, each before its
  // subkeys, subkeys in stored order, with its depth (0 for the root) and its
  // values. A key, list or value met a second time (a loop, or a cell shared
  // by two keys) is left out, and keys below kMaxDepth are not entered, so
  // the walk takes time in proportion to the file's size. Returns kDamaged
  // when anything was left out or unreadable; `visit` returns false to stop.
  SourceStatus VisitKeys(
      const std::function<bool(HiveKey key, unsigned depth, const std::vector<HiveValue>& values)>& visit) const;

 private:
  class CellMarks;
  class ListCells;
  struct Span {
    const uint8_t* p = nullptr;
    uint32_t size = 0;
  };

  bool Cell(uint32_t cell, uint32_t need, Span& out) const;
  bool KeyCell(HiveKey key, Span& out) const;
  bool ValueCell(HiveValue value, Span& out) const;
  bool ClaimList(uint32_t cell, const Span& list, CellMarks* marks, ListCells& own) const;
  SourceStatus CollectSubKeys(HiveKey key, std::vector<HiveKey>& out, CellMarks* marks) const;
  static size_t LeafStep(const Span& list);
  bool AppendLeafList(const Span& list, size_t limit, std::vector<HiveKey>& out) const;
  SourceStatus CollectValues(HiveKey key, std::vector<HiveValue>& out, CellMarks* marks) const;
  SourceStatus ReadBigData(const Span& db, uint32_t size, std::vector<uint8_t>& out) const;

  std::vector<uint8_t> bytes_;
  size_t end_ = 0;  // end of the cells' area in bytes_
  std::string problem_;
  uint32_t sequence1_ = 0, sequence2_ = 0, major_ = 0, minor_ = 0;
  uint64_t lastWritten_ = 0;
  bool checksumValid_ = false, truncated_ = false;
  HiveKey root_;
  // A measure only: several threads may read one hive (a volume's SYSTEM
  // hive), so it is counted without a lock and may miss a few.
  void CountListEntries(uint64_t n) const {
    listEntriesRead_.store(listEntriesRead_.load(std::memory_order_relaxed) + n, std::memory_order_relaxed);
  }
  mutable std::atomic<uint64_t> listEntriesRead_{0};
};

}  // namespace glimmerlog

#endif
