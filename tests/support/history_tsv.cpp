#include "tests/support/history_tsv.h"

namespace glimmerlog {
namespace {

// Reads exactly `digits` decimal digits at `pos`.
bool Number(const std::string& text, size_t& pos, size_t digits, int& value) {
  if (text.size() - pos < digits) return false;
  value = 0;
  for (size_t i = 0; i < digits; ++i, ++pos) {
    const char c = text[pos];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

bool Expect(const std::string& text, size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

bool ParseUtcDateTime(const std::string& text, uint64_t& fileTime) {
  size_t pos = 0;
  int year, month, day, hour, minute, second = 0;
  if (!Number(text, pos, 4, year) || !Expect(text, pos, '-') || !Number(text, pos, 2, month) ||
      !Expect(text, pos, '-') || !Number(text, pos, 2, day)) {
    return false;
  }
  if (pos >= text.size() || (text[pos] != 'T' && text[pos] != ' ')) return false;
  ++pos;
  if (!Number(text, pos, 2, hour) || !Expect(text, pos, ':') || !Number(text, pos, 2, minute)) return false;
  uint64_t fraction = 0;
  if (pos < text.size() && text[pos] == ':') {
    ++pos;
    if (!Number(text, pos, 2, second)) return false;
    if (pos < text.size() && text[pos] == '.') {
      ++pos;
      uint64_t scale = kFileTimeTicksPerSecond;
      const size_t start = pos;
      for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        scale /= 10;
        fraction += static_cast<uint64_t>(text[pos] - '0') * scale;  // digits past 100 ns drop out
      }
      if (pos == start) return false;
    }
  }
  if (pos < text.size() && text[pos] == 'Z') ++pos;
  if (pos != text.size()) return false;
  if (year < 1601 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
      second > 59) {
    return false;
  }
  fileTime = UtcToFileTime(year, month, day, hour, minute, second) + fraction;
  return true;
}

std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length;
    uint32_t cp, min;
    if (lead < 0x80) {
      length = 1;
      cp = lead;
      min = 0;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2;
      cp = lead & 0x1F;
      min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      cp = lead & 0x0F;
      min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      cp = lead & 0x07;
      min = 0x10000;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    size_t n = 1;
    for (; n < length && i + n < text.size(); ++n) {
      const unsigned char c = static_cast<unsigned char>(text[i + n]);
      if ((c & 0xC0) != 0x80) break;
      cp = (cp << 6) | (c & 0x3F);
    }
    i += n;
    if (n < length || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(0xFFFD);
    } else if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

bool ParseHistoryLine(const std::string& line, WrittenEntry& entry, std::string& error) {
  std::string text = line;
  if (!text.empty() && text.back() == '\r') text.pop_back();
  const size_t tab1 = text.find('\t');
  const size_t tab2 = tab1 == std::string::npos ? tab1 : text.find('\t', tab1 + 1);
  if (tab2 == std::string::npos || text.find('\t', tab2 + 1) != std::string::npos) {
    error = "expected three tab-separated fields: url, title, last visit";
    return false;
  }
  entry = WrittenEntry();
  entry.url = text.substr(0, tab1);
  if (entry.url.empty()) {
    error = "empty url";
    return false;
  }
  entry.title = Utf8ToUtf16(text.substr(tab1 + 1, tab2 - tab1 - 1));
  entry.hasTitle = !entry.title.empty();
  if (!ParseUtcDateTime(text.substr(tab2 + 1), entry.lastVisited)) {
    error = "last visit is not an ISO date-time: " + text.substr(tab2 + 1);
    return false;
  }
  entry.lastUpdated = entry.lastVisited;
  entry.expiresFat = FileTimeToFatDateTime(entry.lastVisited + kHistoryDaysKept * kFileTimeTicksPerDay);
  return true;
}

}  // namespace glimmerlog
