// Layout of a Prefetch file, all little-endian:
//   header (84 bytes): version, "SCCA", ?, file size, executable name
//     (UTF-16, 60 bytes), path hash, ?
//   file information from 84: the offsets and counts of the tables (file
//     metrics, trace chains, file name strings, volumes), then the last run
//     time(s) and the run count at places that depend on the version
//   the file name strings: NUL-terminated UTF-16, one per file loaded
//   the volumes: one entry each (40, 104 or 96 bytes by version) whose
//     offsets count from the start of the volumes' table: the device path,
//     the creation time and serial number, the directories' strings (each a
//     16-bit length, the characters and a NUL).
#include "sources/prefetch/prefetch.h"

#include "base/bytes.h"
#include "sources/prefetch/xpress.h"

namespace glimmerlog {

namespace {

constexpr size_t kHeaderSize = 84;

// Where a version keeps its run times and count.
struct Layout {
  size_t runTimes, slots, runCount, volumeEntry;
};

bool LayoutOf(uint32_t version, uint32_t metricsOffset, Layout& layout) {
  switch (version) {
    case 17: layout = {0x78, 1, 0x90, 40}; return true;
    case 23: layout = {0x80, 1, 0x98, 104}; return true;
    case 26: layout = {0x80, 8, 0xD0, 104}; return true;
    case 30:
    case 31:
      // Later builds of Windows 10 dropped 8 bytes before the run count;
      // their tables start 8 bytes sooner, at 0x128.
      layout = {0x80, 8, metricsOffset == 0x128 ? size_t{0xC8} : size_t{0xD0}, 96};
      return true;
  }
  return false;
}

// Whether [offset, offset + length) lies within `size`, without overflow.
bool Within(uint64_t offset, uint64_t length, size_t size) { return offset <= size && length <= size - offset; }

// UTF-16 characters up to the first NUL or `chars`.
std::u16string Utf16At(const uint8_t* p, size_t chars) {
  std::u16string out;
  for (size_t i = 0; i < chars; ++i) {
    const char16_t c = Le16(p + 2 * i);
    if (c == 0) break;
    out += c;
  }
  return out;
}

}  // namespace

SourceStatus PrefetchPlainBytes(const std::vector<uint8_t>& file, std::vector<uint8_t>& plain, std::string& note) {
  plain.clear();
  // "MAM" and the kind of compression in the low 4 bits of the fourth byte
  // (4: Xpress Huffman); its top bit adds a checksum after the size.
  if (file.size() < 8 || file[0] != 'M' || file[1] != 'A' || file[2] != 'M') {
    plain = file;
    return SourceStatus::kOk;
  }
  if ((file[3] & 0x0F) != 4) {
    note = "compressed in an unknown way (MAM " + std::to_string(file[3]) + ")";
    return SourceStatus::kDamaged;
  }
  const size_t start = (file[3] & 0x80) ? 12 : 8;
  const uint32_t size = Le32(file.data() + 4);
  if (size > kMaxPrefetchBytes) {
    note = "claims " + std::to_string(size) + " bytes uncompressed, more than a Prefetch file holds";
    return SourceStatus::kDamaged;
  }
  if (file.size() < start) {
    note = "compressed data cut short";
    return SourceStatus::kDamaged;
  }
  const XpressError error = XpressHuffmanDecompress(file.data() + start, file.size() - start, size, plain);
  if (error != XpressError::kNone) {
    note = std::string("cannot be decompressed: ") + XpressErrorText(error);
    plain.clear();
    return SourceStatus::kDamaged;
  }
  return SourceStatus::kOk;
}

SourceStatus ReadPrefetch(const std::vector<uint8_t>& file, PrefetchInfo& info, std::string& note) {
  std::vector<uint8_t> plain;
  const SourceStatus status = PrefetchPlainBytes(file, plain, note);
  if (status != SourceStatus::kOk) return status;
  const SourceStatus parsed = ParsePrefetch(plain.data(), plain.size(), info, note);
  info.compressed = file.size() >= 3 && file[0] == 'M' && file[1] == 'A' && file[2] == 'M';
  return parsed;
}

SourceStatus ParsePrefetch(const uint8_t* data, size_t size, PrefetchInfo& info, std::string& note) {
  info = PrefetchInfo();
  auto damaged = [&note](std::string why) {
    note = std::move(why);
    return SourceStatus::kDamaged;
  };
  if (size < 8 || Le32(data + 4) != 0x41434353) return damaged("not a Prefetch file");
  // The header and the offsets and counts of the tables, the same in every
  // version.
  if (size < kHeaderSize + 36) return damaged("cut short in its header");
  info.version = Le32(data);
  const uint32_t metricsOffset = Le32(data + 84);
  Layout layout;
  if (!LayoutOf(info.version, metricsOffset, layout)) {
    return damaged("Prefetch format version " + std::to_string(info.version) + " is not known");
  }
  if (!Within(layout.runCount, 4, size)) return damaged("cut short in its file information");
  info.executable = Utf16At(data + 16, 30);
  info.hash = Le32(data + 76);
  info.runCount = Le32(data + layout.runCount);
  for (size_t i = 0; i < layout.slots; ++i) info.runTimes.push_back(Le64(data + layout.runTimes + 8 * i));

  // The file metrics (one entry per file loaded: 20 bytes in version 17,
  // 32 after) are not read, but a file whose table lies outside it is not
  // what it says.
  const uint32_t metricsCount = Le32(data + 88);
  if (!Within(metricsOffset, uint64_t{metricsCount} * (info.version == 17 ? 20 : 32), size)) {
    return damaged("its file metrics lie outside the file");
  }

  // The files loaded: the file name strings one after the other.
  const uint32_t namesOffset = Le32(data + 100), namesSize = Le32(data + 104);
  if (!Within(namesOffset, namesSize, size)) return damaged("its file names lie outside the file");
  for (size_t at = 0; at + 2 <= namesSize;) {
    const uint8_t* p = data + namesOffset + at;
    size_t chars = 0;
    while (at + 2 * chars + 2 <= namesSize && Le16(p + 2 * chars) != 0) ++chars;
    if (chars) info.files.push_back(Utf16At(p, chars));
    at += 2 * chars + 2;
  }

  const uint32_t volumesOffset = Le32(data + 108), volumesCount = Le32(data + 112), volumesSize = Le32(data + 116);
  if (!Within(volumesOffset, volumesSize, size)) return damaged("its volumes lie outside the file");
  if (uint64_t{volumesCount} * layout.volumeEntry > volumesSize) return damaged("more volumes than its table holds");
  const uint8_t* table = data + volumesOffset;
  // Each string of the table has bytes of its own: entries that point at
  // the same ones again would make a small file read as a huge one.
  uint64_t budget = volumesSize / 2;  // characters, their NULs included
  auto spend = [&budget](uint64_t chars) {
    if (chars > budget) return false;
    budget -= chars;
    return true;
  };
  for (uint32_t v = 0; v < volumesCount; ++v) {
    const uint8_t* e = table + size_t{v} * layout.volumeEntry;
    PrefetchVolume volume;
    const uint32_t pathOffset = Le32(e), pathChars = Le32(e + 4);
    if (!Within(pathOffset, uint64_t{pathChars} * 2, volumesSize)) {
      return damaged("the device path of volume " + std::to_string(v + 1) + " lies outside its table");
    }
    if (!spend(uint64_t{pathChars} + 1)) return damaged("its volumes share their strings");
    volume.devicePath = Utf16At(table + pathOffset, pathChars);
    volume.created = Le64(e + 8);
    volume.serial = Le32(e + 16);
    const uint32_t dirsOffset = Le32(e + 28), dirsCount = Le32(e + 32);
    size_t at = dirsOffset;
    for (uint32_t d = 0; d < dirsCount; ++d) {
      if (!Within(at, 2, volumesSize)) return damaged("the directories of volume " + std::to_string(v + 1) + " lie outside its table");
      const size_t chars = Le16(table + at);
      if (!Within(at + 2, chars * 2, volumesSize)) return damaged("the directories of volume " + std::to_string(v + 1) + " lie outside its table");
      if (!spend(chars + 2)) return damaged("its volumes share their strings");
      volume.directories.push_back(Utf16At(table + at + 2, chars));
      at += 2 + chars * 2 + 2;  // the characters and their NUL
    }
    info.volumes.push_back(std::move(volume));
  }
  return SourceStatus::kOk;
}

}  // namespace glimmerlog
