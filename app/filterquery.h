// What the filter box asks for, and the rows that answer it. Platform-free.
//
// The typed text is a list of terms separated by spaces, all of which a
// line must satisfy:
//   text          the text in any column (ignoring case)
//   "two words"   the same, spaces included
//   column:text   the text in one column, named by its caption or the first
//                 letters of it; a name that fits no column keeps the term
//                 plain text ("http://x")
//   -term         lines without it; \-text searches for a leading minus
//   after:YYYY-MM-DD   the line's first time from that day's start on
//   before:YYYY-MM-DD  the line's first time before that day's start
// Days start in the time zone the list shows; the caller gives the UTC time
// at which a day starts.
#ifndef GLIMMERLOG_APP_FILTERQUERY_H
#define GLIMMERLOG_APP_FILTERQUERY_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace glimmerlog {

class ListModel;

struct FilterTerm {
  enum class Kind { kText, kAfter, kBefore };
  Kind kind = Kind::kText;
  bool exclude = false;
  int column = -1;                   // kText: the column searched (0 is the first), -1 every column
  std::u16string text;               // kText: the text as typed (not folded)
  int year = 0, month = 0, day = 0;  // kAfter, kBefore
};

// The terms of the typed text, columns chosen among `captions` (left to
// right). A term with nothing to search for (a lone "-", "col:") is left out.
std::vector<FilterTerm> ParseFilter(std::u16string_view typed, const std::vector<std::u16string>& captions);

// The column a name stands for: the captions that begin with it (ignoring
// case); of several, the first whose caption begins with it as a whole word,
// else the first from the left. -1 when none does.
int FindColumn(std::u16string_view name, const std::vector<std::u16string>& captions);

// A calendar day, checked (1601 to 9999); false for anything else.
bool ParseDay(std::u16string_view text, int& year, int& month, int& day);
// The FILETIME count of midnight UTC starting that day.
uint64_t UtcDayStart(int year, int month, int day);

// What the terms search, in words, for the box's tooltip: each column term
// with the caption it was given ("Title contains "news"").
std::u16string DescribeFilter(const std::vector<FilterTerm>& terms, const std::vector<std::u16string>& captions);

// Judges the rows of a list model by a query. Text is compared after
// folding: ASCII letters here, every other character by `foldOther` (the
// platform's case folding; may be null for ASCII folding only). Cells that
// are not text are searched as the list shows them (`shownText`). Dates are
// compared with the day starts `dayStart` gives (null: UTC days).
class RowFilter {
 public:
  using Fold = void (*)(std::u16string& text);
  using ShownText = std::function<void(size_t row, size_t column, std::u16string& out)>;
  using DayStart = std::function<uint64_t(int year, int month, int day)>;

  RowFilter(const ListModel& model, std::vector<FilterTerm> terms, Fold foldOther, ShownText shownText,
            DayStart dayStart);
  // Whether `row` (order of addition) satisfies every term.
  bool Keep(size_t row);

 private:
  struct Prepared {
    bool exclude;
    bool date;
    bool after;
    uint64_t bound;
    int column;
    std::u16string folded;
    bool ascii;
  };
  bool TextIn(size_t row, size_t column, const Prepared& term);
  bool Holds(size_t row, const Prepared& term);
  void FoldText(std::u16string& text) const;

  const ListModel& model_;
  std::vector<Prepared> terms_;
  Fold foldOther_;
  ShownText shownText_;
  std::u16string cell_;
};

}  // namespace glimmerlog

#endif
