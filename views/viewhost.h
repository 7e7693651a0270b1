// What a view sees of the main window: the list, the status bar, the
// progress bar and Cancel, the check that it still owns the list after a
// turn of the event loop, and the sources it reads. Nothing else.
#ifndef GLIMMERLOG_VIEWS_VIEWHOST_H
#define GLIMMERLOG_VIEWS_VIEWHOST_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "sources/folders/foldersource.h"
#include "sources/registry/registrysource.h"
#include "views/state.h"

namespace glimmerlog {

class ViewHost {
 public:
  virtual ~ViewHost() = default;

  // Every view begins here: its tag, an empty list, its one column.
  virtual void StartView(const wchar_t* tag, const wchar_t* column, long widthTwips) = 0;
  virtual void SetTag(const wchar_t* tag) = 0;
  virtual const std::wstring& Tag() const = 0;
  virtual void ClearItems() = 0;
  virtual void ClearColumns() = 0;
  virtual void AddColumn(int position, const std::wstring& caption, long widthTwips) = 0;

  // Lines, in the order the view adds them.
  virtual size_t AddLine(const std::wstring& text) = 0;
  virtual size_t AddLine(std::u16string_view text) = 0;
  virtual size_t AddLineLatin1(std::string_view text) = 0;  // bytes below 0x100 as characters
  virtual void SetSubItem(size_t line, int subItem, const std::wstring& text) = 0;
  virtual void SetSubItem(size_t line, int subItem, std::u16string_view text) = 0;
  virtual void SetSubItemTime(size_t line, int subItem, const FILETIME& utc) = 0;
  // A FILETIME as a number (UTC), and a number, each ordered by value.
  virtual void SetSubItemTime(size_t line, int subItem, uint64_t utc) = 0;
  virtual void SetSubItemNumber(size_t line, int subItem, double value) = 0;
  virtual size_t LineCount() const = 0;
  // A text cell of a line (by order of addition), exactly as added.
  virtual std::wstring LineText(size_t line, size_t column) const = 0;
  virtual bool ListSorted() const = 0;
  // Shows the lines added so far; `reorder` false while a long load adds.
  virtual void SyncList(bool reorder = true) = 0;
  // "Total Records: " and the number of lines, in panel 2.
  virtual void WriteCount() = 0;

  virtual void SetPanel(int panel, const std::wstring& text) = 0;
  virtual void ShowProgress(bool visible) = 0;  // the bar and Cancel together
  virtual void ShowBar(bool visible) = 0;
  virtual void ShowCancel(bool visible) = 0;
  virtual void SetProgressRange(uint64_t maximum) = 0;
  virtual void SetProgress(uint64_t position) = 0;
  // Draws what changed now, before a long step that gives no turn.
  virtual void Repaint() = 0;

  // A view that gives the event loop turns notes the epoch after its start
  // and goes on only while it still owns the list.
  virtual uint64_t ListEpoch() const = 0;
  virtual bool OwnsList(uint64_t epoch) const = 0;

  // The owner of the dialogs a view shows and of what the shell opens.
  virtual HWND Window() const = 0;

  virtual ProgramState& State() = 0;
  virtual RegistrySource& Registry() = 0;
  virtual FolderSource& Folders() = 0;
  virtual ProfilePaths& Profile() = 0;
};

}  // namespace glimmerlog

#endif
