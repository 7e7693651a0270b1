// Text form of history entries for seeding test profiles: one entry per line,
// "url<TAB>title<TAB>last visit", the title in UTF-8 and the last visit as an
// ISO date-time in UTC ("2015-08-25T11:05:18Z"; 'T' or a space, seconds,
// fraction and 'Z' optional).
#ifndef GLIMMERLOG_TESTS_SUPPORT_HISTORY_TSV_H
#define GLIMMERLOG_TESTS_SUPPORT_HISTORY_TSV_H

#include <cstdint>
#include <string>

#include "tests/support/msiecf_writer.h"

namespace glimmerlog {

// Days a visit stays in the history, as the expiry of the written records.
constexpr int kHistoryDaysKept = 20;

// Fills `entry` from one line: both times are the visit, the expiry
// kHistoryDaysKept days later; an empty title means no title item. On failure
// returns false and says why in `error`.
bool ParseHistoryLine(const std::string& line, WrittenEntry& entry, std::string& error);

// FILETIME ticks of an ISO date-time taken as UTC.
bool ParseUtcDateTime(const std::string& text, uint64_t& fileTime);

// UTF-8 to UTF-16; malformed sequences become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& text);

}  // namespace glimmerlog

#endif
