#include "tests/support/jumplist_writer.h"

#include <algorithm>
#include <cstring>

namespace glimmerlog {

namespace {

void Le16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Le32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Le64(std::vector<uint8_t>& out, uint64_t v) {
  Le32(out, static_cast<uint32_t>(v));
  Le32(out, static_cast<uint32_t>(v >> 32));
}
void Set32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

constexpr uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

}  // namespace

std::vector<uint8_t> LinkBytes(const LinkFields& f) {
  std::vector<uint8_t> out;
  const uint32_t flags = 0x80 | (f.localPath.empty() ? 0 : 0x2) | (f.arguments.empty() ? 0 : 0x20);
  Le32(out, 0x4C);
  out.insert(out.end(), kLinkClsid, kLinkClsid + 16);
  Le32(out, flags);
  Le32(out, 0x20);
  Le64(out, f.created);
  Le64(out, f.accessed);
  Le64(out, f.modified);
  Le32(out, f.size);
  Le32(out, 0);  // icon index
  Le32(out, 1);  // show normal
  out.resize(0x4C, 0);
  if (!f.localPath.empty()) {
    // Header of 0x24 bytes with the Unicode path, the volume, the ANSI
    // path (empty), the suffix (empty), the Unicode path, the Unicode suffix.
    std::vector<uint8_t> info(0x24, 0);
    std::vector<uint8_t> volume;
    Le32(volume, static_cast<uint32_t>(16 + f.label.size() + 1));
    Le32(volume, 3);
    Le32(volume, f.serial);
    Le32(volume, 16);
    volume.insert(volume.end(), f.label.begin(), f.label.end());
    volume.push_back(0);
    const uint32_t volumeAt = 0x24, ansiAt = volumeAt + static_cast<uint32_t>(volume.size());
    info.insert(info.end(), volume.begin(), volume.end());
    info.push_back(0);  // the ANSI path, empty
    info.push_back(0);  // the ANSI suffix, empty
    if (info.size() % 2) info.push_back(0);
    const uint32_t wideAt = static_cast<uint32_t>(info.size());
    for (char16_t c : f.localPath) Le16(info, c);
    Le16(info, 0);
    const uint32_t suffixAt = static_cast<uint32_t>(info.size());
    Le16(info, 0);
    Set32(info, 0, static_cast<uint32_t>(info.size()));
    Set32(info, 4, 0x24);
    Set32(info, 8, 1);
    Set32(info, 12, volumeAt);
    Set32(info, 16, ansiAt);
    Set32(info, 20, 0);
    Set32(info, 24, ansiAt + 1);
    Set32(info, 28, wideAt);
    Set32(info, 32, suffixAt);
    out.insert(out.end(), info.begin(), info.end());
  }
  if (!f.arguments.empty()) {
    Le16(out, static_cast<uint32_t>(f.arguments.size()));
    for (char16_t c : f.arguments) Le16(out, c);
  }
  for (const std::vector<uint8_t>& block : f.blocksBefore) out.insert(out.end(), block.begin(), block.end());
  if (!f.machine.empty()) {
    Le32(out, 0x60);
    Le32(out, 0xA0000003);
    Le32(out, 0x58);
    Le32(out, 0);
    std::vector<uint8_t> machine(16, 0);
    std::memcpy(machine.data(), f.machine.data(), std::min<size_t>(f.machine.size(), 15));
    out.insert(out.end(), machine.begin(), machine.end());
    for (int i = 0; i < 2; ++i) {  // the current ids, then the birth ids
      out.insert(out.end(), 16, 0x11);  // volume id
      out.insert(out.end(), f.objectId, f.objectId + 16);
    }
  }
  Le32(out, 0);  // the terminal block
  return out;
}

std::vector<uint8_t> CompoundFileBytes(const std::vector<std::pair<std::u16string, std::vector<uint8_t>>>& streams,
                                       uint32_t sectorSize) {
  constexpr uint32_t kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF, kFatSector = 0xFFFFFFFD;
  const uint32_t perSector = sectorSize / 4;
  // The mini stream and the big streams' bytes, with their chains.
  std::vector<uint8_t> mini;
  std::vector<uint32_t> miniFat, starts(streams.size());
  for (size_t i = 0; i < streams.size(); ++i) {
    const std::vector<uint8_t>& bytes = streams[i].second;
    if (bytes.empty() || bytes.size() >= 4096) continue;
    const uint32_t first = static_cast<uint32_t>(mini.size() / 64), count = static_cast<uint32_t>((bytes.size() + 63) / 64);
    starts[i] = first;
    for (uint32_t k = 0; k < count; ++k) miniFat.push_back(k + 1 < count ? first + k + 1 : kEnd);
    mini.insert(mini.end(), bytes.begin(), bytes.end());
    mini.resize(size_t{first + count} * 64, 0);
  }
  auto sectors = [sectorSize](size_t bytes) { return static_cast<uint32_t>((bytes + sectorSize - 1) / sectorSize); };
  const uint32_t dirSectors = sectors((streams.size() + 1) * 128);
  const uint32_t miniFatSectors = sectors(miniFat.size() * 4), miniSectors = sectors(mini.size());
  uint32_t bigSectors = 0;
  for (const auto& s : streams) {
    if (s.second.size() >= 4096) bigSectors += sectors(s.second.size());
  }
  const uint32_t rest = dirSectors + miniFatSectors + miniSectors + bigSectors;
  uint32_t fatSectors = 1;
  while (fatSectors * perSector < fatSectors + rest) ++fatSectors;
  std::vector<uint32_t> fat(size_t{fatSectors} * perSector, kFree);
  uint32_t next = 0;
  for (uint32_t k = 0; k < fatSectors; ++k) fat[next++] = kFatSector;
  auto chain = [&](uint32_t count) {
    const uint32_t first = next;
    for (uint32_t k = 0; k < count; ++k, ++next) fat[next] = k + 1 < count ? next + 1 : kEnd;
    return count ? first : kEnd;
  };
  const uint32_t dirStart = chain(dirSectors), miniFatStart = chain(miniFatSectors), miniStart = chain(miniSectors);
  std::vector<uint8_t> body(size_t{fatSectors} * sectorSize, 0);
  for (size_t k = 0; k < fat.size(); ++k) Set32(body, 4 * k, fat[k]);
  // Directory: the root, then each stream as the right sibling of the one
  // before it.
  std::vector<uint8_t> dir(size_t{dirSectors} * sectorSize, 0);
  auto entry = [&](size_t index, const std::u16string& name, uint8_t type, uint32_t start, uint64_t size,
                   uint32_t right, uint32_t child) {
    uint8_t* e = dir.data() + index * 128;
    for (size_t c = 0; c < name.size() && c < 31; ++c) {
      e[2 * c] = static_cast<uint8_t>(name[c]);
      e[2 * c + 1] = static_cast<uint8_t>(name[c] >> 8);
    }
    e[0x40] = static_cast<uint8_t>(2 * (name.size() + 1));
    e[0x42] = type;
    e[0x43] = 1;
    std::vector<uint8_t> fields;
    Le32(fields, kFree);
    Le32(fields, right);
    Le32(fields, child);
    std::memcpy(e + 0x44, fields.data(), 12);
    fields.clear();
    Le32(fields, start);
    Le64(fields, size);
    std::memcpy(e + 0x74, fields.data(), 12);
  };
  std::vector<uint8_t> big;
  for (size_t i = 0; i < streams.size(); ++i) {
    const std::vector<uint8_t>& bytes = streams[i].second;
    if (bytes.size() >= 4096) {
      starts[i] = chain(sectors(bytes.size()));
      big.insert(big.end(), bytes.begin(), bytes.end());
      big.resize(size_t{sectors(big.size())} * sectorSize, 0);
    } else if (bytes.empty()) {
      starts[i] = kEnd;
    }
    entry(i + 1, streams[i].first, 2, starts[i], bytes.size(), i + 1 < streams.size() ? uint32_t(i + 2) : kFree, kFree);
  }
  entry(0, u"Root Entry", 5, mini.empty() ? kEnd : miniStart, mini.size(), kFree, streams.empty() ? kFree : 1);
  for (size_t k = 0; k < fat.size(); ++k) Set32(body, 4 * k, fat[k]);  // the chains added since
  body.insert(body.end(), dir.begin(), dir.end());
  std::vector<uint8_t> miniFatBytes(size_t{miniFatSectors} * sectorSize, 0xFF);
  for (size_t k = 0; k < miniFat.size(); ++k) Set32(miniFatBytes, 4 * k, miniFat[k]);
  body.insert(body.end(), miniFatBytes.begin(), miniFatBytes.end());
  mini.resize(size_t{miniSectors} * sectorSize, 0);
  body.insert(body.end(), mini.begin(), mini.end());
  body.insert(body.end(), big.begin(), big.end());

  std::vector<uint8_t> header = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  header.resize(0x18, 0);
  Le16(header, 0x3E);
  Le16(header, sectorSize == 512 ? 3 : 4);
  Le16(header, 0xFFFE);
  Le16(header, sectorSize == 512 ? 9 : 12);
  Le16(header, 6);
  header.resize(0x28, 0);
  Le32(header, sectorSize == 512 ? 0 : dirSectors);
  Le32(header, fatSectors);
  Le32(header, dirStart);
  Le32(header, 0);
  Le32(header, 4096);
  Le32(header, miniFatSectors ? miniFatStart : kEnd);
  Le32(header, miniFatSectors);
  Le32(header, kEnd);  // no DIFAT sectors
  Le32(header, 0);
  for (uint32_t k = 0; k < 109; ++k) Le32(header, k < fatSectors ? k : kFree);
  header.resize(sectorSize, 0);
  header.insert(header.end(), body.begin(), body.end());
  return header;
}

std::vector<uint8_t> DestListBytes(uint32_t version, const std::vector<DestListFields>& entries) {
  std::vector<uint8_t> out;
  Le32(out, version);
  Le32(out, static_cast<uint32_t>(entries.size()));
  uint32_t pinned = 0, last = 0;
  for (const DestListFields& e : entries) {
    pinned += e.pin >= 0;
    last = std::max(last, e.number);
  }
  Le32(out, pinned);
  Le32(out, 0);
  Le32(out, last);
  Le32(out, 0);
  Le32(out, static_cast<uint32_t>(entries.size()));
  Le32(out, 0);
  for (const DestListFields& e : entries) {
    out.insert(out.end(), 8 + 64, 0x22);  // checksum and the four ids
    std::vector<uint8_t> machine(16, 0);
    std::memcpy(machine.data(), e.machine.data(), std::min<size_t>(e.machine.size(), 15));
    out.insert(out.end(), machine.begin(), machine.end());
    Le32(out, e.number);
    Le32(out, 0);
    float weight = static_cast<float>(e.count);
    uint32_t bits;
    std::memcpy(&bits, &weight, 4);
    Le32(out, bits);
    Le64(out, e.lastAccess);
    Le32(out, static_cast<uint32_t>(e.pin));
    if (version >= 2) {
      Le32(out, 0xFFFFFFFF);
      Le32(out, e.count);
      Le64(out, 0);
    }
    Le16(out, static_cast<uint32_t>(e.path.size()));
    for (char16_t c : e.path) Le16(out, c);
    if (version >= 2) Le32(out, 0);
  }
  return out;
}

std::vector<uint8_t> CustomDestinationsBytes(const std::vector<CustomCategory>& categories) {
  std::vector<uint8_t> out;
  Le32(out, 2);
  Le32(out, static_cast<uint32_t>(categories.size()));
  Le32(out, 0);
  for (const CustomCategory& c : categories) {
    Le32(out, c.type);
    if (c.type == 1) {
      Le32(out, c.knownId);
    } else {
      if (c.type == 0) {
        Le16(out, static_cast<uint32_t>(c.name.size()));
        for (char16_t ch : c.name) Le16(out, ch);
      }
      Le32(out, static_cast<uint32_t>(c.links.size()));
      for (const std::vector<uint8_t>& link : c.links) {
        out.insert(out.end(), kLinkClsid, kLinkClsid + 16);
        out.insert(out.end(), link.begin(), link.end());
      }
    }
    Le32(out, 0xBABFFBAB);
  }
  return out;
}

}  // namespace glimmerlog
