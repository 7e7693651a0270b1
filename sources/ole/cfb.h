// Reader of compound files (OLE structured storage): a file of fixed-size
// sectors (512 or 4096 bytes) chained through a sector allocation table, a
// directory of storages and streams, and small streams kept in 64-byte mini
// sectors of a stream of their own. Jump lists are such files. Platform-free;
// never reads outside the bytes it is given, and every chain it follows is
// bounded, so that a file whose chains loop or point outside it costs time
// and memory in proportion to its size.
#ifndef GLIMMERLOG_SOURCES_OLE_CFB_H
#define GLIMMERLOG_SOURCES_OLE_CFB_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace glimmerlog {

struct CompoundEntry {
  std::u16string name;
  uint8_t type = 0;  // 1 storage, 2 stream, 5 root storage
  uint32_t start = 0;
  uint64_t size = 0;
  uint64_t created = 0, modified = 0;  // FILETIME (UTC), 0 when not kept
  uint32_t left = 0xFFFFFFFF, right = 0xFFFFFFFF, child = 0xFFFFFFFF;
};

class CompoundFile {
 public:
  // The bytes stay the caller's and must outlive the reader. False when they
  // are no compound file (signature, byte order, sector sizes) or its
  // directory cannot be read.
  bool Open(const uint8_t* data, size_t size);

  uint16_t MajorVersion() const { return major_; }
  uint32_t SectorSize() const { return sectorSize_; }

  // The entries directly in the root storage, in the directory's order of
  // their tree (by name length, then by name).
  std::vector<const CompoundEntry*> RootChildren() const;
  // A stream of the root storage by name (ASCII letters in either case, as
  // the format compares names). Null when there is none.
  const CompoundEntry* FindStream(const std::u16string& name) const;
  // A stream's bytes. False, with what could be read, when its chain ends
  // early, leaves the file or loops, or when the reader's budget of sectors
  // is spent.
  bool ReadStream(const CompoundEntry& entry, std::vector<uint8_t>& out);

  // Sector numbers with a meaning of their own.
  static constexpr uint32_t kEndOfChain = 0xFFFFFFFE, kFree = 0xFFFFFFFF, kNoStream = 0xFFFFFFFF,
                            kMaxSector = 0xFFFFFFFA;

 private:
  bool ReadChain(const std::vector<uint32_t>& table, uint32_t start, uint64_t size, bool mini,
                 std::vector<uint8_t>& out);
  bool ReadTableSectors(const std::vector<uint32_t>& sectors, std::vector<uint32_t>& table);
  const uint8_t* Sector(uint32_t n) const;
  void ListRootChildren();

  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  uint16_t major_ = 0;
  uint32_t sectorSize_ = 512, miniSectorSize_ = 64, miniCutoff_ = 4096;
  uint32_t sectorCount_ = 0;        // whole or partial sectors after the header
  std::vector<uint32_t> fat_, miniFat_;
  std::vector<uint32_t> miniStreamSectors_;  // the sectors of the root's chain, in order
  uint64_t miniStreamSize_ = 0;
  std::vector<CompoundEntry> entries_;
  std::vector<uint32_t> rootChildren_;  // the root storage's entries, in the tree's order
  // Sectors that may still be followed: a few times the file's own, so
  // that every stream can be read (each sector belongs to one chain) but
  // chains that share or loop cannot make the work grow faster than the file.
  uint64_t budget_ = 0;
  // The sectors and mini sectors each read has passed, by read number.
  std::vector<uint32_t> marks_, miniMarks_;
  uint32_t reads_ = 0;
};

}  // namespace glimmerlog

#endif
