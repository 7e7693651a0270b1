// Prefetch files (Windows\Prefetch\<PROGRAM>-<HASH>.pf): what Windows keeps
// of a program's starts to load it faster next time, and so when and how
// often it ran. Format versions 17 (XP, 2003), 23 (Vista, 7), 26 (8, 8.1),
// 30 and 31 (10, 11). Windows 10 and 11 write them compressed with Xpress
// Huffman behind a "MAM" header; they are decompressed first. Platform-free;
// every offset is checked against the bytes there.
#ifndef GLIMMERLOG_SOURCES_PREFETCH_PREFETCH_H
#define GLIMMERLOG_SOURCES_PREFETCH_PREFETCH_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sources/status.h"

namespace glimmerlog {

// The most a Prefetch file may hold once decompressed: Windows's largest
// are a few megabytes. A compressed file that claims more is refused.
inline constexpr size_t kMaxPrefetchBytes = 32u << 20;

struct PrefetchVolume {
  std::u16string devicePath;  // "\VOLUME{...}" or "\DEVICE\HARDDISKVOLUME1"
  uint32_t serial = 0;
  uint64_t created = 0;  // FILETIME, UTC
  std::vector<std::u16string> directories;
};

struct PrefetchInfo {
  uint32_t version = 0;
  bool compressed = false;  // read from a MAM-compressed file
  std::u16string executable;  // as stored: at most 29 characters
  uint32_t hash = 0;
  uint32_t runCount = 0;
  // The last run times as stored, most recent first: 1 slot for versions 17
  // and 23, 8 from 26 on; 0 for a slot not used.
  std::vector<uint64_t> runTimes;
  std::vector<std::u16string> files;  // the files it loaded, as stored
  std::vector<PrefetchVolume> volumes;
};

// The file's bytes as the Prefetch format lays them out: a MAM-compressed
// file decompressed, any other as it is. kDamaged, with the reason in
// `note`, when the compression is bad or claims more than kMaxPrefetchBytes.
SourceStatus PrefetchPlainBytes(const std::vector<uint8_t>& file, std::vector<uint8_t>& plain, std::string& note);

// Reads a Prefetch file (compressed or not). kDamaged, with the reason, for
// bytes that are not one or whose tables lie outside them; `info` then holds
// nothing to rely on.
SourceStatus ReadPrefetch(const std::vector<uint8_t>& file, PrefetchInfo& info, std::string& note);

// Reads the uncompressed form.
SourceStatus ParsePrefetch(const uint8_t* data, size_t size, PrefetchInfo& info, std::string& note);

}  // namespace glimmerlog

#endif
