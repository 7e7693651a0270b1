#include "app/filterquery.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/listmodel.h"
#include "base/ascii.h"
#include "base/isotime.h"

namespace glimmerlog {

namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
bool IsWordChar(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c >= 0x80;
}

// One term as typed: its text with the quotes taken out, and where its
// first colon outside quotes is (npos: none).
struct RawTerm {
  bool exclude = false;
  std::u16string text;
  size_t colon = std::u16string::npos;
};

// Reads the term that starts at `at` (not a space) and moves past it.
RawTerm ReadTerm(std::u16string_view typed, size_t& at) {
  RawTerm term;
  if (typed[at] == u'-') {
    term.exclude = true;
    ++at;
  }
  // A backslash before a leading minus makes it part of the text.
  if (at + 1 < typed.size() && typed[at] == u'\\' && typed[at + 1] == u'-') ++at;
  bool quoted = false;
  for (; at < typed.size() && (quoted || !IsSpace(typed[at])); ++at) {
    const char16_t c = typed[at];
    if (c == u'"') {
      quoted = !quoted;
    } else {
      if (c == u':' && !quoted && term.colon == std::u16string::npos) term.colon = term.text.size();
      term.text += c;
    }
  }
  return term;
}

bool SameWord(std::u16string_view a, const char* b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (FoldAscii(a[i]) != static_cast<char16_t>(b[i])) return false;
  }
  return true;
}

std::u16string Ascii(const char* text) { return std::u16string(text, text + std::strlen(text)); }

std::u16string DayText(const FilterTerm& t) {
  char text[16];
  snprintf(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day);
  return Ascii(text);
}


// Whether ASCII text (one byte a character) holds the folded ASCII needle,
// folding as it compares; `other` is set, and nothing decided, when the
// text holds a character past ASCII, which needs the platform's folding.
bool AsciiContains(const char* text, size_t n, const std::u16string& part, bool& other) {
  other = false;
  for (size_t i = 0; i < n; ++i) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) {
      other = true;
      return false;
    }
  }
  if (part.size() > n) return false;
  const char first = static_cast<char>(part[0]);
  for (size_t i = 0, last = n - part.size(); i <= last; ++i) {
    if (FoldAscii(text[i]) != first) continue;
    size_t k = 1;
    while (k < part.size() && FoldAscii(text[i + k]) == static_cast<char>(part[k])) ++k;
    if (k == part.size()) return true;
  }
  return false;
}

bool Contains(const std::u16string& text, const std::u16string& part) {
  if (part.size() > text.size()) return false;
  const char16_t first = part[0];
  for (size_t i = 0, last = text.size() - part.size(); i <= last; ++i) {
    if (text[i] == first && text.compare(i, part.size(), part) == 0) return true;
  }
  return false;
}

}  // namespace

int FindColumn(std::u16string_view name, const std::vector<std::u16string>& captions) {
  if (name.empty()) return -1;
  int first = -1;
  for (size_t c = 0; c < captions.size(); ++c) {
    const std::u16string_view caption = captions[c];
    if (!StartsWithIgnoringAsciiCase(caption, name)) continue;
    if (caption.size() == name.size() || !IsWordChar(caption[name.size()])) return static_cast<int>(c);
    if (first < 0) first = static_cast<int>(c);
  }
  return first;
}

bool ParseDay(std::u16string_view text, int& year, int& month, int& day) {
  if (text.size() != 10 || text[4] != u'-' || text[7] != u'-') return false;
  int fields[3] = {0, 0, 0};
  const size_t starts[3] = {0, 5, 8}, lengths[3] = {4, 2, 2};
  for (int f = 0; f < 3; ++f) {
    for (size_t i = starts[f]; i < starts[f] + lengths[f]; ++i) {
      if (text[i] < u'0' || text[i] > u'9') return false;
      fields[f] = fields[f] * 10 + (text[i] - u'0');
    }
  }
  static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int y = fields[0], m = fields[1], d = fields[2];
  if (y < 1601 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1]) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (m == 2 && d == 29 && !leap) return false;
  year = y;
  month = m;
  day = d;
  return true;
}

uint64_t UtcDayStart(int year, int month, int day) {
  const int64_t days =
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - DaysFromCivil(1601, 1, 1);
  return static_cast<uint64_t>(days) * 864000000000ull;
}

std::vector<FilterTerm> ParseFilter(std::u16string_view typed, const std::vector<std::u16string>& captions) {
  std::vector<FilterTerm> terms;
  size_t at = 0;
  while (at < typed.size()) {
    if (IsSpace(typed[at])) {
      ++at;
      continue;
    }
    RawTerm raw = ReadTerm(typed, at);
    FilterTerm term;
    term.exclude = raw.exclude;
    term.text = raw.text;
    if (raw.colon != std::u16string::npos && raw.colon > 0) {
      const std::u16string_view name = std::u16string_view(raw.text).substr(0, raw.colon);
      const std::u16string_view value = std::u16string_view(raw.text).substr(raw.colon + 1);
      const bool after = SameWord(name, "after"), before = SameWord(name, "before");
      // "c:\path" and "c:/path" are paths, whatever column begins with C.
      const bool drivePath = name.size() == 1 && !value.empty() && (value[0] == u'\\' || value[0] == u'/');
      int column = -1;
      if ((after || before) && ParseDay(value, term.year, term.month, term.day)) {
        term.kind = after ? FilterTerm::Kind::kAfter : FilterTerm::Kind::kBefore;
        term.text.clear();
      } else if (!drivePath && (column = FindColumn(name, captions)) >= 0) {
        term.column = column;
        term.text = std::u16string(value);
      }
    }
    if (term.kind == FilterTerm::Kind::kText && term.text.empty()) continue;  // nothing to look for yet
    terms.push_back(std::move(term));
  }
  return terms;
}

std::u16string DescribeFilter(const std::vector<FilterTerm>& terms, const std::vector<std::u16string>& captions) {
  std::u16string text;
  for (const FilterTerm& t : terms) {
    if (!text.empty()) text += u"\r\n";
    if (t.kind == FilterTerm::Kind::kText) {
      if (t.column >= 0 && static_cast<size_t>(t.column) < captions.size()) {
        text += captions[static_cast<size_t>(t.column)];
      } else {
        text += t.exclude ? u"No column" : u"Any column";
      }
      text += t.exclude && t.column >= 0 ? u" does not contain \"" : u" contains \"";
      text += t.text + u"\"";
    } else {
      text += u"First time ";
      if (t.exclude) text += u"not ";
      text += t.kind == FilterTerm::Kind::kAfter ? u"on or after " : u"before ";
      text += DayText(t);
    }
  }
  return text;
}

RowFilter::RowFilter(const ListModel& model, std::vector<FilterTerm> terms, Fold foldOther, ShownText shownText,
                     DayStart dayStart)
    : model_(model), foldOther_(foldOther), shownText_(std::move(shownText)) {
  for (FilterTerm& t : terms) {
    Prepared p{};
    p.exclude = t.exclude;
    p.column = t.column;
    p.date = t.kind != FilterTerm::Kind::kText;
    if (p.date) {
      p.after = t.kind == FilterTerm::Kind::kAfter;
      p.bound = dayStart ? dayStart(t.year, t.month, t.day) : UtcDayStart(t.year, t.month, t.day);
    } else {
      p.folded = std::move(t.text);
      FoldText(p.folded);
      p.ascii = std::all_of(p.folded.begin(), p.folded.end(), [](char16_t c) { return c < 0x80; });
    }
    terms_.push_back(std::move(p));
  }
  // The cheap terms first: dates, then one column, then every column.
  std::stable_sort(terms_.begin(), terms_.end(), [](const Prepared& a, const Prepared& b) {
    const int ra = a.date ? 0 : a.column >= 0 ? 1 : 2, rb = b.date ? 0 : b.column >= 0 ? 1 : 2;
    return ra < rb;
  });
}

void RowFilter::FoldText(std::u16string& text) const {
  bool ascii = true;
  for (char16_t& c : text) {
    c = FoldAscii(c);
    ascii = ascii && c < 0x80;
  }
  if (!ascii && foldOther_) foldOther_(text);
}

bool RowFilter::TextIn(size_t row, size_t column, const Prepared& term) {
  ListModel::StoredText stored;
  if (model_.StoredTextOfRow(row, column, stored)) {
    bool other = !(stored.latin1 && term.ascii);
    if (!other && AsciiContains(stored.bytes, stored.length, term.folded, other)) return true;
    if (!other) return false;
    model_.TextOfRowInto(row, column, cell_);
  } else if (model_.KindOfRow(row, column) == ListModel::Kind::kEmpty || !shownText_) {
    return false;
  } else {
    shownText_(row, column, cell_);
  }
  FoldText(cell_);
  return Contains(cell_, term.folded);
}

bool RowFilter::Holds(size_t row, const Prepared& term) {
  const size_t columns = std::max<size_t>(1, model_.Columns().size());
  if (term.date) {
    for (size_t c = 0; c < columns; ++c) {
      if (model_.KindOfRow(row, c) != ListModel::Kind::kTime) continue;
      const uint64_t time = model_.TimeOfRow(row, c);
      return term.after ? time >= term.bound : time < term.bound;
    }
    return false;  // a line without a time is on no day
  }
  if (term.column >= 0) return TextIn(row, static_cast<size_t>(term.column), term);
  for (size_t c = 0; c < columns; ++c) {
    if (TextIn(row, c, term)) return true;
  }
  return false;
}

bool RowFilter::Keep(size_t row) {
  for (const Prepared& term : terms_) {
    if (Holds(row, term) == term.exclude) return false;
  }
  return true;
}

}  // namespace glimmerlog
