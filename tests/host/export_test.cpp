#include "views/export.h"

#include <gtest/gtest.h>

#include "tests/host/export_samples.h"

namespace glimmerlog {
namespace {

std::string Write(ExportFormat format) {
  std::vector<std::vector<ExportCell>> rows;
  const ExportDocument doc = test::HostileDocument(rows);
  std::string out;
  WriteExport(format, doc, out);
  return out;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Export, TextIsTabSeparatedWithAHeaderAndNoStrayBreaks) {
  const std::string txt = Write(ExportFormat::kText);
  EXPECT_EQ(txt.rfind("\xEF\xBB\xBFTitle, first\tTitle, first\tWhen \"\xC3\xA9\"\r\n", 0), 0u);
  EXPECT_TRUE(Has(txt, "a,b\tsay \"hi\"\tline1  line2 line3\r\n"));
  EXPECT_TRUE(Has(txt, "tab here\t"));
  EXPECT_TRUE(Has(txt, "lone \xEF\xBF\xBD high"));  // UTF-8 cannot hold a lone surrogate
  EXPECT_TRUE(Has(txt, "\t4.12.2026 10:02\t"));     // the text shown
  size_t lines = 0;
  for (char c : txt) lines += c == '\n';
  EXPECT_EQ(lines, 6u);
}

TEST(Export, CsvQuotesWhatNeedsIt) {
  const std::string csv = Write(ExportFormat::kCsv);
  EXPECT_EQ(csv.rfind("\xEF\xBB\xBF\"Title, first\",\"Title, first\",\"When \"\"\xC3\xA9\"\"\"\r\n", 0), 0u);
  EXPECT_TRUE(Has(csv, "\"a,b\",\"say \"\"hi\"\"\",\"line1\r\nline2\nline3\"\r\n"));
  EXPECT_TRUE(Has(csv, ",4.12.2026 10:02,"));  // times as the list shows them
  EXPECT_TRUE(Has(csv, "\r\n-1.5e+300, spaced ,"));
}

TEST(Export, HtmlEscapesEveryTextAndHasNoScriptOrOutsideResource) {
  const std::string html = Write(ExportFormat::kHtml);
  EXPECT_FALSE(Has(html, "<script"));
  EXPECT_TRUE(Has(html, "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot;"));
  EXPECT_TRUE(Has(html, "<title>Test &lt;View&gt;</title>"));
  EXPECT_TRUE(Has(html, "Source: C:\\Users\\a&amp;b\\index.dat"));
  EXPECT_TRUE(Has(html, "Lines: 5"));
  EXPECT_TRUE(Has(html,
                  "nul\xEF\xBF\xBD"
                  "end"));
  EXPECT_FALSE(Has(html, "src="));
  EXPECT_FALSE(Has(html, "href="));
  EXPECT_EQ(html.find('\0'), std::string::npos);
}

TEST(Export, JsonEscapesControlsAndLoneSurrogates) {
  const std::string json = Write(ExportFormat::kJson);
  EXPECT_EQ(json.rfind("[\n{\"Title, first\": \"a,b\", \"Title, first (2)\": ", 0), 0u);
  EXPECT_TRUE(Has(json, "\"line1\\r\\nline2\\nline3\""));
  EXPECT_TRUE(Has(json, "\"nul\\u0000end\""));
  EXPECT_TRUE(Has(json, "\"lone \\uD800 high\""));
  EXPECT_TRUE(Has(json, "\"lone \\uDC00 low\""));
  EXPECT_TRUE(Has(json, "\"pair \xF0\x9F\x98\x80 ok\""));
  EXPECT_TRUE(Has(json, "\"2026-12-04T10:02:18+01:00\""));
  EXPECT_TRUE(Has(json, "{\"Title, first\": -1.5e+300, "));  // a number as a number
}

// JSON Lines: the same objects, one a line, nothing around them; a number
// only where its text is one JSON can write (never NaN or infinity).
TEST(Export, JsonLinesHoldOneObjectPerLineAndNumbersAsJsonNumbers) {
  const std::string jsonl = Write(ExportFormat::kJsonLines);
  EXPECT_EQ(jsonl.rfind("{\"Title, first\": \"a,b\", ", 0), 0u);
  size_t lines = 0;
  for (size_t at = 0; (at = jsonl.find('\n', at)) != std::string::npos; ++at) {
    ++lines;
    EXPECT_EQ(jsonl[at - 1], '}');
  }
  EXPECT_EQ(lines, 5u);
  EXPECT_EQ(jsonl.back(), '\n');
  const struct {
    const char16_t* shown;
    const char* written;
  } numbers[] = {{u"12", "12"},         {u"-0.25", "-0.25"}, {u"1e+300", "1e+300"}, {u"nan", "\"nan\""},
                 {u"-inf", "\"-inf\""}, {u"007", "\"007\""}, {u"1.", "\"1.\""},     {u"", "\"\""}};
  for (const auto& n : numbers) {
    ExportDocument doc;
    doc.columns = {u"N"};
    doc.rowCount = 1;
    doc.row = [&](size_t, std::vector<ExportCell>& cells) { cells[0] = {n.shown, u"", true}; };
    std::string out;
    WriteExport(ExportFormat::kJsonLines, doc, out);
    EXPECT_EQ(out, std::string("{\"N\": ") + n.written + "}\n");
  }
}

}  // namespace
}  // namespace glimmerlog
