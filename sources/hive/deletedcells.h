// Keys and values recovered from the free cells of a hive. When a key or a
// value is deleted, its cells are marked free (their size field made
// positive) and merged with free neighbours, but their bytes stay until the
// space is used again: the records of keys ("nk") and values ("vk") can
// still be read there. Platform-free.
//
// The scan walks the cells of every bin and looks, in each free cell, at
// every 8-byte boundary (where the old cells merged into it began) for a
// record whose fields fit: its name lies inside the free cell, the offsets
// it holds are offsets of cells, its counts are possible. Nothing inside an
// allocated cell is read as a record.
//
// What a record names is taken only from free space too: a key's value
// list, a value's data. A cell of it that is allocated now was used again
// and holds something else. Paths are rebuilt from the parents the records
// name, never guessed: a parent that is neither a key of the hive nor
// another recovered key starts the path with kUnknownParent.
//
// Time and memory are in proportion to the hive's size, whatever its bytes:
// every byte of the free space is looked at once, a list cell is read for
// one key or value only, and the rebuilt paths together hold no more
// characters than the cells' area has bytes (later paths start with
// kPathLeftOut instead).
#ifndef GLIMMERLOG_SOURCES_HIVE_DELETEDCELLS_H
#define GLIMMERLOG_SOURCES_HIVE_DELETEDCELLS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sources/hive/regf.h"

namespace glimmerlog {

// The first part of the path of a key whose parent could not be found, and
// of one whose path was not rebuilt because the paths had reached their bound.
inline constexpr char16_t kUnknownParent[] = u"(unknown parent)";
inline constexpr char16_t kPathLeftOut[] = u"(path not rebuilt)";

// What the parent a recovered key names is.
enum class DeletedParent : uint8_t {
  kLive,     // a key of the hive: the path starts with its path
  kDeleted,  // another recovered key: the path starts with that key's path
  kUnknown,  // neither (its cell was used again, or is damaged)
};

struct DeletedKey {
  uint32_t cell = 0;  // where its old cell begins, as the hive addresses cells
  std::u16string name;
  // Below the root, this key's name last; starts with kUnknownParent when
  // the chain of parents does not reach a key of the hive (or loops), with
  // kPathLeftOut when it was not rebuilt.
  std::u16string path;
  DeletedParent parent = DeletedParent::kUnknown;
  uint32_t parentCell = 0;     // as the record names it
  uint64_t lastWritten = 0;    // FILETIME ticks, UTC
  std::vector<size_t> values;  // in DeletedCells::values, in the order of the key's value list
};

struct DeletedValue {
  static constexpr size_t kNoKey = SIZE_MAX;
  // The data kept of each value: enough for a preview.
  static constexpr size_t kKeptData = 256;

  uint32_t cell = 0;
  std::u16string name;  // empty for the default value
  uint32_t type = 0;
  uint32_t size = 0;  // of the data, as the value records it
  // How many bytes of the data, from its start, were found intact: all of
  // them for data held in the value itself; for data in its own cell (or the
  // segments of a big-data cell) as far as the cell lies in free space and
  // within the size its size field still gives.
  uint32_t intact = 0;
  std::vector<uint8_t> data;  // the first intact bytes, at most kKeptData
  size_t key = kNoKey;        // in DeletedCells::keys: the key whose value list names it
};

struct DeletedCells {
  std::vector<DeletedKey> keys;      // in the order of their cells
  std::vector<DeletedValue> values;  // in the order of their cells
  // The scan's work, for tests and benchmarks: cells walked (free and
  // allocated), 8-byte boundaries of free cells looked at, entries of value
  // lists and big-data segment lists read.
  uint64_t cellsWalked = 0, slotsLooked = 0, listEntriesRead = 0;
  // Bins that are not where one should begin, or whose cells could not be
  // walked to the bin's end (the rest of such a bin is not scanned).
  uint64_t damagedBins = 0;
};

// Scans the free cells of a usable hive (nothing for one that is not).
DeletedCells ScanDeletedCells(const Hive& hive);

}  // namespace glimmerlog

#endif
