#include "views/tableview.h"

#include "base/winutil_win.h"
#include "views/folderlist.h"

namespace glimmerlog {

namespace {
void SetCell(ViewHost& host, size_t line, int column, const TableCell& cell) {
  switch (cell.kind) {
    case TableCell::Kind::kText: host.SetSubItem(line, column, cell.text); break;
    case TableCell::Kind::kTime: host.SetSubItemTime(line, column, cell.time); break;
    case TableCell::Kind::kNumber: host.SetSubItemNumber(line, column, cell.number); break;
    case TableCell::Kind::kEmpty: break;
  }
}
}  // namespace

void ShowTable(ViewHost& host, const wchar_t* tag, const std::wstring& hint, const Table& table) {
  host.SetPanel(2, L"");
  const TableColumn first = table.columns.empty() ? TableColumn{} : table.columns.front();
  host.StartView(tag, AsWide(first.caption).c_str(), first.widthTwips);
  for (size_t c = 1; c < table.columns.size(); ++c) {
    host.AddColumn(static_cast<int>(c + 1), AsWide(table.columns[c].caption), table.columns[c].widthTwips);
  }
  const size_t columns = table.columns.size();
  for (size_t r = 0; r < table.RowCount(); ++r) {
    const TableCell first = table.Cell(r, 0);
    const bool textFirst = first.kind == TableCell::Kind::kText;
    const size_t line = host.AddLine(textFirst ? first.text : std::u16string_view());
    if (!textFirst) SetCell(host, line, 0, first);
    for (size_t c = 1; c < columns; ++c) SetCell(host, line, static_cast<int>(c), table.Cell(r, c));
  }
  std::wstring panel = hint;
  if (!table.problems.empty()) panel += L" \x2014 not read: " + AsWide(ProblemsText(table.problems));
  host.SetPanel(1, panel);
  host.WriteCount();
}

void TableView::Load(ViewHost& host) {
  table_ = Table{};
  Read(host, table_);
  ShowTable(host, Tag(), Hint(), table_);
}

void TableView::Activate(ViewHost& host, size_t line) {
  const std::u16string_view target = table_.TargetOf(line);
  if (!target.empty()) Open(host, std::u16string(target));
}

void TableView::Open(ViewHost& host, const std::u16string& target) { OpenInShell(host, AsWide(target)); }

}  // namespace glimmerlog
