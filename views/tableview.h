// A view whose lines come from a platform-free reader as a table: it shows
// the table through the common protocol (columns, hint, count) and names in
// panel 1 the sources it could not read.
#ifndef GLIMMERLOG_VIEWS_TABLEVIEW_H
#define GLIMMERLOG_VIEWS_TABLEVIEW_H

#include <string>

#include "views/table.h"
#include "views/view.h"

namespace glimmerlog {

// Clears the list, gives it the table's columns and lines, writes the hint
// (followed by what failed) in panel 1 and the count in panel 2.
void ShowTable(ViewHost& host, const wchar_t* tag, const std::wstring& hint, const Table& table);

class TableView : public View {
 public:
  void Load(ViewHost& host) override;
  // Opens the line's target, when it has one.
  void Activate(ViewHost& host, size_t line) override;
  const Table& Lines() const { return table_; }

 protected:
  virtual std::wstring Hint() const = 0;
  virtual void Read(ViewHost& host, Table& table) = 0;
  // What a double-click does with a line's target: the shell's "open".
  virtual void Open(ViewHost& host, const std::u16string& target);

 private:
  Table table_;
};

}  // namespace glimmerlog

#endif
