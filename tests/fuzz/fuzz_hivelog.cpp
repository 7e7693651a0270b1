// libFuzzer target for the replay of a hive's transaction logs: a dirty
// written hive with a log of each form (two entries of the form of Windows
// 8.1 and later in LOG1, a dirty vector in LOG), edited by the input, and
// the input itself as LOG1. Log entries carry hashes that edits would break
// at once; when the first input byte asks for it, every entry's hashes are
// made again after the edits, so that mutations reach the checks of sizes
// and page references and the writing of pages. Checks that the replay stays
// inside its bounds (the bins grow only by what the logs hold), that a hive
// it applied anything to reads clean, and walks the hive it leaves.
//
// Input: 1 byte of flags (1: hash the entries again, 2: leave out LOG,
// 4: LOG1 after LOG), then edits of 3 bytes offset, 1 byte length, the bytes,
// over the hive, LOG1 and LOG end to end.
#include <cstdlib>
#include <vector>

#include "sources/hive/hivesource.h"
#include "tests/support/hive_writer.h"
#include "tests/support/hivelog_writer.h"

namespace {

using glimmerlog::HiveLog;
using glimmerlog::HiveWriter;

struct Seeds {
  std::vector<uint8_t> hive, log1, log;
};

Seeds MakeSeeds() {
  HiveWriter w;
  const uint32_t a = w.Key(u"A", 1, {w.Value(u"v", 1, {'x', 0, 0, 0, 'y', 0})});
  const uint32_t root = w.Key(u"ROOT", 2, {}, w.List("lf", {a}), 1);
  Seeds s;
  s.hive = w.File(root, 5, 2, 1);
  std::vector<uint32_t> keys{a};
  for (int i = 0; i < 40; ++i) keys.push_back(w.Key(u"K" + std::u16string(1, char16_t(u'a' + i % 26)) +
                                                        std::u16string(size_t(i / 26 + 1), u'x'),
                                                    3, {w.Value(u"d", 3, std::vector<uint8_t>(100, uint8_t(i)))}));
  w.Set32(root, HiveWriter::kKeySubKeyListField, w.List("lh", keys));
  w.Set32(root, HiveWriter::kKeySubKeyCountField, static_cast<uint32_t>(keys.size()));
  const std::vector<uint8_t> middle = w.File(root, 5, 2, 1);
  w.Set32(a, HiveWriter::kKeyTimeField, 9);
  const std::vector<uint8_t> after = w.File(root, 5, 2, 2);
  s.log1 = glimmerlog::NewFormatLog(s.hive, middle, 1);
  const std::vector<uint8_t> second = glimmerlog::NewFormatLog(middle, after, 2);
  s.log1.insert(s.log1.end(), second.begin() + 0x200, second.end());
  s.log = glimmerlog::OldFormatLog(s.hive, after, 2);
  // The seeds must replay whole, or edits would not reach the pages.
  std::vector<uint8_t> bytes = s.hive;
  if (glimmerlog::ApplyHiveLogs(bytes, {{"LOG1", s.log1}}).entries != 2) std::abort();
  bytes = s.hive;
  if (glimmerlog::ApplyHiveLogs(bytes, {{"LOG", s.log}}).entries != 1) std::abort();
  return s;
}

// Makes both hashes of every entry that lies whole in the log again.
void Rehash(std::vector<uint8_t>& log) {
  using glimmerlog::hivelog_writer::Get32;
  using glimmerlog::hivelog_writer::Put64;
  for (size_t at = 0x200; at + 0x28 <= log.size();) {
    const uint32_t size = Get32(log, at + 4);
    if (size < 0x28 || size > log.size() - at) break;
    Put64(log, at + 0x18, glimmerlog::Marvin32(log.data() + at + 0x28, size - 0x28, glimmerlog::kHiveLogSeed));
    Put64(log, at + 0x20, glimmerlog::Marvin32(log.data() + at, 0x20, glimmerlog::kHiveLogSeed));
    at += (size + 0x1FF) / 0x200 * 0x200;
  }
}

void Check(std::vector<uint8_t> hive, const std::vector<HiveLog>& logs) {
  const bool dirty = glimmerlog::HiveNeedsLogs(hive);
  size_t limit = hive.size() + 0x1000;
  for (const HiveLog& log : logs) limit += log.bytes.size();
  const glimmerlog::HiveLogReplay replay = glimmerlog::ApplyHiveLogs(hive, logs);
  if (hive.size() > limit || replay.text.empty() == dirty || replay.dirty != dirty) std::abort();
  if (replay.entries > 0 && glimmerlog::HiveNeedsLogs(hive)) std::abort();
  const glimmerlog::Hive read(std::move(hive));
  std::vector<uint8_t> data;
  size_t keys = 0;
  read.VisitKeys([&](glimmerlog::HiveKey key, unsigned, const std::vector<glimmerlog::HiveValue>& values) {
    if (++keys > read.FileSize()) std::abort();
    read.KeyName(key);
    for (glimmerlog::HiveValue value : values) read.ValueData(value, data);
    return true;
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Seeds seeds = MakeSeeds();
  const unsigned flags = size > 0 ? data[0] : 0;

  // The input as LOG1 of the seed hive.
  std::vector<uint8_t> raw(data, data + size);
  if (flags & 1) Rehash(raw);
  Check(seeds.hive, {{"LOG1", raw}});

  // The seeds, edited.
  std::vector<uint8_t> all = seeds.hive;
  all.insert(all.end(), seeds.log1.begin(), seeds.log1.end());
  all.insert(all.end(), seeds.log.begin(), seeds.log.end());
  for (size_t pos = 1; pos + 4 <= size;) {
    const size_t at = (data[pos] | data[pos + 1] << 8 | data[pos + 2] << 16) % all.size();
    const size_t n = data[pos + 3];
    pos += 4;
    for (size_t i = 0; i < n && pos < size; ++i, ++pos) all[(at + i) % all.size()] = data[pos];
  }
  const auto hiveEnd = all.begin() + static_cast<std::ptrdiff_t>(seeds.hive.size());
  const auto log1End = hiveEnd + static_cast<std::ptrdiff_t>(seeds.log1.size());
  std::vector<uint8_t> log1(hiveEnd, log1End);
  if (flags & 1) Rehash(log1);
  std::vector<HiveLog> logs{{"LOG1", log1}};
  if (!(flags & 2)) logs.push_back({"LOG", std::vector<uint8_t>(log1End, all.end())});
  if (flags & 4) std::swap(logs.front(), logs.back());
  Check(std::vector<uint8_t>(all.begin(), hiveEnd), logs);
  return 0;
}
