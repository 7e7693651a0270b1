#include "app/filterquery.h"

#include <gtest/gtest.h>

#include "app/listmodel.h"

namespace glimmerlog {
namespace {

// Each typed text with its terms written back compactly: "+" or "-", the
// column (* for any) or the date keyword, and the text or day.
std::string Terms(const std::vector<FilterTerm>& terms) {
  std::string out;
  for (const FilterTerm& t : terms) {
    if (!out.empty()) out += " ";
    out += t.exclude ? "-" : "+";
    if (t.kind == FilterTerm::Kind::kText) {
      out += (t.column < 0 ? std::string("*") : std::to_string(t.column)) + "=";
      for (char16_t c : t.text) out += c < 0x80 ? static_cast<char>(c) : '?';
    } else {
      char day[40];
      snprintf(day, sizeof day, "%s%04d-%02d-%02d", t.kind == FilterTerm::Kind::kAfter ? "after=" : "before=", t.year,
               t.month, t.day);
      out += day;
    }
  }
  return out;
}

TEST(FilterQuery, TypedTextBecomesTerms) {
  const std::vector<std::u16string> captions = {u"Title", u"URL",  u"Last Visited", u"Last Updated",
                                                u"Typed", u"Type", u"Cached File"};
  const struct {
    const char16_t* typed;
    const char* terms;
  } cases[] = {
      {u"", ""},
      {u"  news  ", "+*=news"},
      {u"news sport", "+*=news +*=sport"},        // AND of two
      {u"\"two words\" x", "+*=two words +*=x"},  // a phrase
      {u"title:news", "+0=news"},                 // a caption
      {u"TI:News", "+0=News"},                    // its first letters, any case
      {u"last:2023", "+2=2023"},                  // two fit: the first from the left
      {u"type:exe", "+5=exe"},                    // two fit: the whole word wins
      {u"typ:exe", "+4=exe"},                     // no whole word: the first from the left
      {u"\"last up\":x", "+3=x"},                 // a quoted name with a space
      {u"http://x", "+*=http://x"},               // names no column
      {u"url:http://x", "+1=http://x"},           // the first colon names the column
      {u"c:\\windows", "+*=c:\\windows"},         // a drive path, not the column Cached File
      {u"ca:\\windows", "+6=\\windows"},          // two letters do name it
      {u"-news", "-*=news"},
      {u"-title:news", "-0=news"},
      {u"\\-news", "+*=-news"},  // a literal leading minus
      {u"-\\-x", "-*=-x"},
      {u"- title: \"\"", ""},  // nothing to look for yet
      {u"a\\-b", "+*=a\\-b"},  // a backslash elsewhere is text
      {u"after:2023-01-29 before:2023-02-01", "+after=2023-01-29 +before=2023-02-01"},
      {u"AFTER:2024-02-29", "+after=2024-02-29"},
      {u"-before:2023-02-01", "-before=2023-02-01"},
      {u"after:2023-02-29", "+*=after:2023-02-29"},  // no such day: plain text
      {u"after:2023-1-29", "+*=after:2023-1-29"},
      {u"before:1600-12-31", "+*=before:1600-12-31"},
      {u"news:x", "+*=news:x"},
      {u"\"open", "+*=open"},  // an unclosed quote runs to the end
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Terms(ParseFilter(c.typed, captions)), c.terms) << "case " << (&c - cases);
  }
  EXPECT_EQ(UtcDayStart(1601, 1, 1), 0u);
  EXPECT_EQ(UtcDayStart(1970, 1, 1), 116444736000000000ull);
  EXPECT_EQ(DescribeFilter(ParseFilter(u"ti:news -x -last:y after:2023-01-29", captions), captions),
            u"Title contains \"news\"\r\nNo column contains \"x\"\r\nLast Visited does not contain \"y\"\r\n"
            u"First time on or after 2023-01-29");
}

// The rows a query keeps: terms together, a column term on its column only,
// exclusions, and days by the line's first time column (a line without a
// time is on no day).
TEST(FilterQuery, RowsAnswerEveryTerm) {
  ListModel model;
  model.AddColumn(1, u"Address", 100);
  model.AddColumn(2, u"Title", 100);
  model.AddColumn(3, u"Visited", 100);
  model.AddColumn(4, u"Expires", 100);
  const uint64_t jan28 = UtcDayStart(2023, 1, 28), jan29 = UtcDayStart(2023, 1, 29), feb1 = UtcDayStart(2023, 2, 1);
  const struct {
    const char16_t* address;
    const char16_t* title;
    uint64_t visited;  // 0: none
  } rows[] = {
      {u"http://news.example/a", u"Sport", jan29},            // from the day's start on
      {u"http://example.org/news", u"NEWS today", feb1 - 1},  // the last moment before
      {u"http://other.example/", u"\u00c9cole news", feb1},   // the start of the day before which
      {u"http://news.example/b", u"Weather", jan28},         {u"file:///c:/news.txt", u"Notes", 0},
  };
  for (const auto& r : rows) {
    const size_t row = model.AddRow(r.address);
    model.SetText(row, 1, r.title);
    if (!r.visited) continue;
    model.SetTime(row, 2, r.visited);
    model.SetTime(row, 3, feb1 * 2);  // a later time column is not the line's first
  }
  std::vector<std::u16string> captions;
  for (const auto& c : model.Columns()) captions.push_back(c.caption);
  auto kept = [&](const char16_t* typed) {
    RowFilter filter(model, ParseFilter(typed, captions), nullptr, nullptr, nullptr);
    std::string rows;
    for (size_t r = 0; r < model.RowCount(); ++r) rows += filter.Keep(r) ? std::to_string(r) : "";
    return rows;
  };
  EXPECT_EQ(kept(u"news"), "01234");
  EXPECT_EQ(kept(u"title:news"), "12");
  EXPECT_EQ(kept(u"-title:news"), "034");
  EXPECT_EQ(kept(u"news -example"), "4");
  EXPECT_EQ(kept(u"after:2023-01-29"), "012");
  EXPECT_EQ(kept(u"before:2023-02-01"), "013");
  EXPECT_EQ(kept(u"after:2023-01-29 before:2023-02-01"), "01");
  EXPECT_EQ(kept(u"-after:2023-01-29"), "34");
  EXPECT_EQ(kept(u"ad:news t:s after:2023-01-01"), "01");
  // A day that starts elsewhere than at midnight UTC: an hour later.
  RowFilter later(model, ParseFilter(u"after:2023-01-29", captions), nullptr, nullptr,
                  [](int y, int m, int d) { return UtcDayStart(y, m, d) + 36000000000ull; });
  EXPECT_FALSE(later.Keep(0));
  EXPECT_TRUE(later.Keep(1));
}

}  // namespace
}  // namespace glimmerlog
