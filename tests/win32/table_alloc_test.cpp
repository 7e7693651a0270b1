// The store of a view's lines when memory runs out: at whichever
// allocation adding a row or setting a cell fails, the table is left as it
// was, so that a long read that runs out keeps whole lines.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "app/listmodel.h"
#include "tests/win32/alloc_failure.h"
#include "views/table.h"

namespace glimmerlog {
namespace {

// Everything a table shows, as one text.
std::u16string Dump(const Table& table) {
  std::u16string all = NumberText(table.RowCount()) + u" rows\n";
  for (size_t r = 0; r < table.RowCount(); ++r) {
    for (size_t c = 0; c < 8; ++c) {
      const TableCell cell = table.Cell(r, c);
      all += NumberText(static_cast<uint64_t>(cell.kind)) + u":" + std::u16string(cell.text) + u":" +
             NumberText(cell.time) + u":" + NumberText(static_cast<uint64_t>(cell.number)) + u"|";
    }
    all += std::u16string(table.TargetOf(r)) + u"\n";
  }
  return all;
}

// 48 rows of two cells: the next row takes new room for its cells.
std::shared_ptr<Table> Filled() {
  auto table = std::make_shared<Table>();
  table->columns = {{u"a", 1}, {u"b", 1}};
  for (int i = 0; i < 48; ++i) table->AddRow().Text(u"line " + NumberText(i)).Number(i);
  return table;
}

TEST(TableAllocation, AFailedRowOrCellLeavesTheTableAsItWas) {
  const std::u16string huge(2u << 20, u'\u4e2d');  // a text block of its own
  const std::string bytes(3000, 'b');
  struct Case {
    const char* name;
    std::function<void(std::shared_ptr<Table>&)> change;
  };
  const Case cases[] = {
      {"row", [&](std::shared_ptr<Table>& t) { t->AddRow().Text(huge).Latin1(bytes).Time(5).Target(u"there"); }},
      {"cell past the row", [&](std::shared_ptr<Table>& t) { t->SetText(3, 6, huge); }},
      {"model row", [&](std::shared_ptr<Table>& t) {
         ListModel model;
         model.Adopt(t);
         model.AddRow(huge);
       }},
      {"model Latin-1 row", [&](std::shared_ptr<Table>& t) {
         ListModel model;
         model.Adopt(t);
         model.AddRowLatin1(bytes);
       }},
  };
  for (const Case& c : cases) {
    for (size_t k = 0;; ++k) {
      std::shared_ptr<Table> table = Filled();
      const std::u16string before = Dump(*table);
      const size_t failedBefore = test::AllocationFailure::Failures();
      bool threw = false;
      {
        auto failure = test::AllocationFailure::After(k);
        try {
          c.change(table);
        } catch (const std::bad_alloc&) {
          threw = true;
        }
      }
      if (test::AllocationFailure::Failures() == failedBefore) {
        // Allocation k was never reached: the change was made whole.
        EXPECT_GT(k, 0u) << c.name;
        EXPECT_NE(Dump(*table), before) << c.name;
        break;
      }
      EXPECT_TRUE(threw) << c.name << " at " << k;
      EXPECT_TRUE(Dump(*table) == before) << c.name << " at " << k;
    }
  }
}

}  // namespace
}  // namespace glimmerlog
