// Deleted Registry Entries: keys and values recovered from the free cells of
// the profile's hive (deletedcells.h), one line per key and one per value.
// A key's line comes first, its values' lines after it; values whose key is
// not known come last. For the timeline, each key with a time is an event,
// marked as recovered.
//
// Only a hive file read by the program has free cells to read: the live
// registry gives no access to them, so there the view is empty and says why.
//
// Platform-free.
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "base/bytes.h"
#include "sources/hive/deletedcells.h"
#include "views/viewdef.h"

namespace glimmerlog {

namespace {

constexpr char16_t kUnknownKey[] = u"(unknown key)";
constexpr char16_t kDefaultValue[] = u"(Default)";
constexpr size_t kPreviewChars = 120;  // of text data
constexpr size_t kPreviewBytes = 16;   // of other data, in hex

std::u16string Hex(uint64_t value, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
  return AsciiText(text);
}

std::u16string TypeName(uint32_t type) {
  static const char* const kNames[] = {"REG_NONE",
                                       "REG_SZ",
                                       "REG_EXPAND_SZ",
                                       "REG_BINARY",
                                       "REG_DWORD",
                                       "REG_DWORD_BIG_ENDIAN",
                                       "REG_LINK",
                                       "REG_MULTI_SZ",
                                       "REG_RESOURCE_LIST",
                                       "REG_FULL_RESOURCE_DESCRIPTOR",
                                       "REG_RESOURCE_REQUIREMENTS_LIST",
                                       "REG_QWORD"};
  return type < std::size(kNames) ? AsciiText(kNames[type]) : Hex(type, 8);
}

// Text cut to the preview's length, with an ellipsis when cut.
std::u16string Cut(std::u16string text) {
  if (text.size() > kPreviewChars) {
    text.resize(kPreviewChars);
    text += u'\u2026';
  }
  return text;
}

// What the data holds, by its type, from the bytes kept: text up to its NUL,
// the strings of a list separated by "; ", numbers in hex and decimal, other
// data as its first bytes in hex. Data found only in part says how much.
std::u16string Preview(const DeletedValue& v) {
  if (v.size == 0) return {};
  if (v.intact == 0) return u"(data not recovered)";
  const std::vector<uint8_t>& d = v.data;
  std::u16string text;
  constexpr uint32_t kSz = 1, kExpandSz = 2, kDword = 4, kDwordBigEndian = 5, kMultiSz = 7, kQword = 11;
  if (v.type == kSz || v.type == kExpandSz) {
    text = Cut(Utf16ZText(d.data(), d.size()));
  } else if (v.type == kMultiSz) {
    for (size_t at = 0; at + 1 < d.size() && text.size() <= kPreviewChars;) {
      const std::u16string item = Utf16ZText(d.data() + at, d.size() - at);
      if (item.empty()) break;  // the list's end
      if (!text.empty()) text += u"; ";
      text += item;
      at += 2 * (item.size() + 1);
    }
    text = Cut(std::move(text));
  } else if ((v.type == kDword || v.type == kDwordBigEndian) && v.size == 4 && d.size() == 4) {
    const uint32_t n = v.type == kDword ? Le32(d.data()) : Be32(d.data());
    text = Hex(n, 8) + u" (" + NumberText(n) + u")";
  } else if (v.type == kQword && v.size == 8 && d.size() == 8) {
    const uint64_t n = Le64(d.data());
    text = Hex(n, 16) + u" (" + NumberText(n) + u")";
  } else {
    static const char kDigits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < std::min(d.size(), kPreviewBytes); ++i) {
      if (i) text += u' ';
      text += static_cast<char16_t>(kDigits[d[i] >> 4]);
      text += static_cast<char16_t>(kDigits[d[i] & 15]);
    }
    if (v.intact > kPreviewBytes) text += u" \u2026";
  }
  if (v.intact < v.size) {
    text += u" (" + NumberText(v.intact) + u" of " + NumberText(v.size) + u" bytes recovered)";
  }
  return text;
}

void AddValue(Table& table, const DeletedValue& v, const DeletedKey* key) {
  Table::Row row = table.AddRow();
  row.Text(key ? std::u16string_view(key->path) : kUnknownKey)
      .Text(v.name.empty() ? std::u16string_view(kDefaultValue) : v.name)
      .Text(TypeName(v.type))
      .Text(Preview(v));
  if (key) {
    row.Time(key->lastWritten);
  } else {
    row.Empty();
  }
  row.Text(Hex(v.cell, 8));
}

}  // namespace

void ReadDeletedEntries(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Key Path", 5000}, {u"Value Name", 2200},       {u"Type", 1800},
                   {u"Data", 4000},     {u"Key Last Written", 2200}, {u"Cell Offset", 1300}};
  const Hive* hive = sources.registry.OfflineHive();
  if (!hive) {
    // Another profile whose hive could not be read is said so where it is
    // opened; the running Windows' registry is there, without its free space.
    if (!sources.paths.OtherProfile()) {
      table.Problem(
          u"The registry's free space (the running Windows gives no access to it; open a copied profile to "
          u"recover deleted entries)" +
          std::u16string(kNotAvailableHere));
    }
    return;
  }
  const DeletedCells found = ScanDeletedCells(*hive);
  if (found.damagedBins) {
    table.Problem(u"The registry hive's free space: damaged (" + NumberText(found.damagedBins) +
                  u" of its bins could not be read whole)");
  }
  // The timeline asks for the keys' times only, not the lines.
  if (timeline) {
    for (const DeletedKey& key : found.keys) {
      std::u16string detail =
          key.values.size() == 1 ? u"1 value recovered" : NumberText(key.values.size()) + u" values recovered";
      timeline->Add({key.lastWritten,
                     u"Registry key written",
                     key.path,
                     std::move(detail),
                     u"registry hive, free cell " + Hex(key.cell, 8),
                     {},
                     true,
                     TimeKind::kKeyWritten});
    }
    return;
  }
  table.Reserve(found.keys.size() + found.values.size(), table.columns.size());
  const size_t total = found.keys.size() + 1;
  for (size_t k = 0; k < found.keys.size(); ++k) {
    if (k % 256 == 0 && !progress.Step(k, total)) return;
    const DeletedKey& key = found.keys[k];
    table.AddRow().Text(key.path).Empty().Empty().Empty().Time(key.lastWritten).Text(Hex(key.cell, 8));
    for (size_t v : key.values) AddValue(table, found.values[v], &key);
  }
  if (!progress.Step(found.keys.size(), total)) return;
  for (const DeletedValue& v : found.values) {
    if (v.key == DeletedValue::kNoKey) AddValue(table, v, nullptr);
  }
}

}  // namespace glimmerlog
