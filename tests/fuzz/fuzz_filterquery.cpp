// The filter box's query on arbitrary text (UTF-16 from the bytes): the
// terms point at real columns, hold something to look for, and keep or drop
// the rows of a small list without reading past a cell.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/filterquery.h"
#include "app/listmodel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace glimmerlog;
  std::u16string typed;
  for (size_t i = 0; i + 1 < size; i += 2) typed += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  static ListModel* model = [] {
    auto* m = new ListModel;
    m->AddColumn(1, u"Address", 100);
    m->AddColumn(2, u"Title", 100);
    m->AddColumn(3, u"Last Visited", 100);
    m->SetText(m->AddRow(u"http://example.com/"), 1, u"\u00c9cole");
    m->SetTime(m->AddRow(u"x"), 2, 133000000000000000ull);
    m->AddRowLatin1("\xe9t\xe9");
    return m;
  }();
  std::vector<std::u16string> captions;
  for (const auto& c : model->Columns()) captions.push_back(c.caption);
  const std::vector<FilterTerm> terms = ParseFilter(typed, captions);
  for (const FilterTerm& t : terms) {
    if (t.column >= static_cast<int>(captions.size())) abort();
    if (t.kind == FilterTerm::Kind::kText && t.text.empty()) abort();
    if (t.kind != FilterTerm::Kind::kText && (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31)) abort();
  }
  DescribeFilter(terms, captions);
  RowFilter filter(
      *model, terms,
      [](std::u16string& text) {
        for (char16_t& c : text) c = c >= 0xC0 && c <= 0xDE ? static_cast<char16_t>(c + 0x20) : c;
      },
      [](size_t, size_t, std::u16string& out) { out = u"1/29/2023 10:00:00 AM"; }, nullptr);
  for (size_t r = 0; r < model->RowCount(); ++r) filter.Keep(r);
  return 0;
}
