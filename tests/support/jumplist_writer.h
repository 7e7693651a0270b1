// Writers of shortcuts, compound files and jump lists for tests and
// fuzzers, laid out as Windows writes them.
#ifndef GLIMMERLOG_TESTS_SUPPORT_JUMPLIST_WRITER_H
#define GLIMMERLOG_TESTS_SUPPORT_JUMPLIST_WRITER_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace glimmerlog {

struct LinkFields {
  uint64_t created = 0, accessed = 0, modified = 0;
  uint32_t size = 0;
  std::u16string localPath;  // with a volume: fixed, `serial`, `label`; empty: no link information
  uint32_t serial = 0;
  std::string label;
  std::u16string arguments;
  std::string machine;       // empty: no tracker block
  uint8_t objectId[16] = {};
  // Extra blocks written before the tracker block, whole (size and
  // signature included).
  std::vector<std::vector<uint8_t>> blocksBefore;
};
std::vector<uint8_t> LinkBytes(const LinkFields& fields);

// A compound file of streams in its root storage, with sectors of 512
// (version 3) or 4096 bytes (version 4); streams below 4096 bytes go to the
// mini stream.
std::vector<uint8_t> CompoundFileBytes(const std::vector<std::pair<std::u16string, std::vector<uint8_t>>>& streams,
                                       uint32_t sectorSize = 512);

struct DestListFields {
  uint32_t number = 0;
  uint64_t lastAccess = 0;
  uint32_t count = 0;  // written as a float in version 1
  int32_t pin = -1;
  std::string machine;
  std::u16string path;
};
std::vector<uint8_t> DestListBytes(uint32_t version, const std::vector<DestListFields>& entries);

// A custom list: categories of (type, name or known id, shortcuts).
struct CustomCategory {
  uint32_t type = 2;  // 0 named, 1 known, 2 tasks
  std::u16string name;
  uint32_t knownId = 0;
  std::vector<std::vector<uint8_t>> links;
};
std::vector<uint8_t> CustomDestinationsBytes(const std::vector<CustomCategory>& categories);

}  // namespace glimmerlog

#endif
