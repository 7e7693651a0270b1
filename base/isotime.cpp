#include "base/isotime.h"

#include <cstdio>

namespace glimmerlog {

namespace {

constexpr uint64_t kTicksPerSecond = 10000000;
constexpr int64_t kSecondsFrom1601To1970 = 11644473600;

// Days since 1970-01-01 to year, month and day of the proleptic Gregorian
// calendar (Howard Hinnant's civil_from_days).
void CivilFromDays(int64_t days, int64_t& year, int& month, int& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

std::u16string Ascii(const char* text) {
  std::u16string out;
  while (*text) out += static_cast<char16_t>(*text++);
  return out;
}

void AppendFields(const CalendarTime& t, char* buffer, size_t size) {
  std::snprintf(buffer, size, "%04lld-%02d-%02dT%02d:%02d:%02d", static_cast<long long>(t.year), t.month, t.day, t.hour,
                t.minute, t.second);
}

}  // namespace

// The inverse of CivilFromDays (Howard Hinnant's days_from_civil).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

int64_t UnixSeconds(uint64_t fileTime) {
  return static_cast<int64_t>(fileTime / kTicksPerSecond) - kSecondsFrom1601To1970;
}

CalendarTime UtcFields(uint64_t fileTime) {
  const int64_t seconds = UnixSeconds(fileTime);
  int64_t days = seconds / 86400, rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  CalendarTime t;
  CivilFromDays(days, t.year, t.month, t.day);
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  return t;
}

std::u16string IsoUtc(uint64_t fileTime) {
  char text[48];
  AppendFields(UtcFields(fileTime), text, sizeof(text));
  return Ascii(text) + u"Z";
}

std::u16string IsoWithOffset(const CalendarTime& local, int64_t offsetSeconds) {
  char text[64];
  AppendFields(local, text, sizeof(text));
  const int64_t minutes = (offsetSeconds < 0 ? -offsetSeconds : offsetSeconds) / 60;
  char offset[16];
  std::snprintf(offset, sizeof(offset), "%c%02d:%02d", offsetSeconds < 0 ? '-' : '+', static_cast<int>(minutes / 60),
                static_cast<int>(minutes % 60));
  return Ascii(text) + Ascii(offset);
}

}  // namespace glimmerlog
