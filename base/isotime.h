// Times as ISO 8601 text, for the report and for views that write times
// into text: a FILETIME (UTC) in UTC with "Z", or as local calendar fields
// with their offset from UTC. Platform-free; where the local fields come
// from is the platform's part.
#ifndef GLIMMERLOG_BASE_ISOTIME_H
#define GLIMMERLOG_BASE_ISOTIME_H

#include <cstdint>
#include <string>

namespace glimmerlog {

struct CalendarTime {
  int64_t year = 1601;
  int month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// The UTC calendar fields of a FILETIME, to the second (the fraction is
// dropped, as the window's times drop it).
CalendarTime UtcFields(uint64_t fileTime);

// "2026-12-04T09:02:18Z".
std::u16string IsoUtc(uint64_t fileTime);
// "2026-12-04T10:02:18+01:00": local fields and their offset in seconds.
std::u16string IsoWithOffset(const CalendarTime& local, int64_t offsetSeconds);

// Seconds from 1970-01-01 (UTC) of a FILETIME, rounded down.
int64_t UnixSeconds(uint64_t fileTime);

// Days from 1970-01-01 to a day of the proleptic Gregorian calendar (month
// 1 to 12, day 1 to 31; the day is not checked against the month).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day);

}  // namespace glimmerlog

#endif
