// Times as the user reads them: a FILETIME (UTC) to a local automation date
// with the offset in force on that date, and that date to text in the
// user's general date format. The list formats time cells with these only
// when it shows them.
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <cwchar>

#include "base/winutil_win.h"

namespace glimmerlog {

namespace {
// The user's time zone, read at most once a second: a view converts three
// dates per line, and reading the zone for each is most of its cost.
const TIME_ZONE_INFORMATION* CurrentZone() {
  static TIME_ZONE_INFORMATION zone{};
  static DWORD readAt = 0;
  static bool valid = false;
  const DWORD now = GetTickCount();
  if (!valid || now - readAt > 1000) {
    valid = GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID;
    readAt = now;
  }
  return valid ? &zone : nullptr;
}
}  // namespace

// The local time is the one in force on that date, daylight saving included,
// as the time zone's rules give it (the plain local-file-time conversion
// would apply today's offset to every date). Each step falls back as the
// platform's conversions fail: today's offset, then UTC, then all-zero
// calendar fields, and finally day zero (0.0). Milliseconds are dropped.
double LocalDateOf(const FILETIME& utc) {
  SYSTEMTIME fields{};
  SYSTEMTIME utcFields{};
  const TIME_ZONE_INFORMATION* zone = CurrentZone();
  if (!zone || !FileTimeToSystemTime(&utc, &utcFields) ||
      !SystemTimeToTzSpecificLocalTime(const_cast<TIME_ZONE_INFORMATION*>(zone), &utcFields, &fields)) {
    FILETIME local = utc;
    if (!FileTimeToLocalFileTime(&utc, &local)) local = utc;
    if (!FileTimeToSystemTime(&local, &fields)) fields = SYSTEMTIME{};
  }
  fields.wMilliseconds = 0;
  double date = 0;
  if (!SystemTimeToVariantTime(&fields, &date)) date = 0;
  return date;
}

// An automation date in the user's general date format: short date and time
// with seconds, no time at midnight and no date on day zero.
std::wstring DateText(double date) {
  UniqueBstr text;
  if (FAILED(VarBstrFromDate(date, LOCALE_USER_DEFAULT, 0, text.put())) || !text) return {};
  return std::wstring(text.get(), SysStringLen(text.get()));
}

// ISO 8601 with the offset from UTC in force on that date, to the second:
// "2026-12-04T10:02:18+01:00". A time the platform cannot convert is written
// in UTC with "Z".
std::wstring FileTimeIso(uint64_t fileTime) {
  const FILETIME utc{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
  SYSTEMTIME u{}, local{};
  if (!FileTimeToSystemTime(&utc, &u)) return {};
  const TIME_ZONE_INFORMATION* zone = CurrentZone();
  FILETIME back{};
  wchar_t text[40];
  if (zone && SystemTimeToTzSpecificLocalTime(const_cast<TIME_ZONE_INFORMATION*>(zone), &u, &local) &&
      SystemTimeToFileTime(&local, &back)) {
    const int64_t offsetSeconds = (static_cast<int64_t>(uint64_t{back.dwHighDateTime} << 32 | back.dwLowDateTime) -
                                   static_cast<int64_t>(fileTime)) /
                                  10000000;
    const int64_t minutes = (offsetSeconds >= 0 ? offsetSeconds : -offsetSeconds) / 60;
    swprintf(text, 40, L"%04u-%02u-%02uT%02u:%02u:%02u%c%02u:%02u", local.wYear, local.wMonth, local.wDay, local.wHour,
             local.wMinute, local.wSecond, offsetSeconds < 0 ? L'-' : L'+', static_cast<unsigned>(minutes / 60),
             static_cast<unsigned>(minutes % 60));
  } else {
    swprintf(text, 40, L"%04u-%02u-%02uT%02u:%02u:%02uZ", u.wYear, u.wMonth, u.wDay, u.wHour, u.wMinute, u.wSecond);
  }
  return text;
}

std::wstring FileTimeText(uint64_t fileTime) {
  return DateText(LocalDateOf(FILETIME{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)}));
}

}  // namespace glimmerlog
