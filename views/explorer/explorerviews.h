// The views over Explorer's traces of Windows 7 to 11, and the activity
// timeline that merges every dated trace the program reads.
#ifndef GLIMMERLOG_VIEWS_EXPLORER_EXPLORERVIEWS_H
#define GLIMMERLOG_VIEWS_EXPLORER_EXPLORERVIEWS_H

#include <memory>

#include "views/tableview.h"

namespace glimmerlog {

class CURLHistory;

// Documents in RecentDocs; double-click opens the Recent folder's shortcut
// of that name when there is one.
class RecentFilesView final : public TableView {
 public:
  const wchar_t* Tag() const override { return L"recentfiles"; }
  const wchar_t* Name() const override { return L"Recent Files (Explorer)"; }
  std::wstring Source(ViewHost& /*host*/) const override;
  std::wstring Hint() const override { return L"Double-click a line to open its shortcut in the Recent folder"; }
  void Read(ViewHost& host, Table& table) override;
  void Open(ViewHost& host, const std::u16string& target) override;
};

// Files chosen in the Open and Save dialogs of Windows 7 and later, and the
// folders each program last used there; double-click opens the file.
class OpenSave7View final : public TableView {
 public:
  const wchar_t* Tag() const override { return L"opensave7"; }
  const wchar_t* Name() const override { return L"Open/Save (Windows 7+)"; }
  std::wstring Source(ViewHost& /*host*/) const override;
  std::wstring Hint() const override { return L"Double-click a line to open the file or folder"; }
  void Read(ViewHost& host, Table& table) override;
  void Open(ViewHost& host, const std::u16string& target) override;
};

// Searches typed into Explorer; double-click searches again.
class ExplorerSearchView final : public TableView {
 public:
  const wchar_t* Tag() const override { return L"wordwheel"; }
  const wchar_t* Name() const override { return L"Explorer Search"; }
  std::wstring Source(ViewHost& /*host*/) const override;
  std::wstring Hint() const override { return L"Double-click a line to search for it again"; }
  void Read(ViewHost& host, Table& table) override;
  void Open(ViewHost& host, const std::u16string& target) override;
};

// Paths typed into Explorer's address bar; double-click opens the path.
class ExplorerAddressView final : public TableView {
 public:
  const wchar_t* Tag() const override { return L"typedpaths"; }
  const wchar_t* Name() const override { return L"Explorer Address Bar"; }
  std::wstring Source(ViewHost& /*host*/) const override;
  std::wstring Hint() const override { return L"Double-click a line to open the path"; }
  void Read(ViewHost& host, Table& table) override;
};

// The browser's typed addresses with the time each was typed.
class TypedTimesView final : public TableView {
 public:
  const wchar_t* Tag() const override { return L"typedtimes"; }
  const wchar_t* Name() const override { return L"Typed Addresses with Times"; }
  std::wstring Source(ViewHost& /*host*/) const override;
  std::wstring Hint() const override { return L"Double-click a line to link to the URL"; }
  void Read(ViewHost& host, Table& table) override;
};

// Programs started from the shell, with their counts; double-click shows the
// program's file in its folder.
class UserAssistView final : public TableView {
 public:
  const wchar_t* Tag() const override { return L"userassist"; }
  const wchar_t* Name() const override { return L"Programs Run (UserAssist)"; }
  std::wstring Source(ViewHost& /*host*/) const override;
  std::wstring Hint() const override { return L"Double-click a line to show the program in its folder"; }
  void Read(ViewHost& host, Table& table) override;
  void Open(ViewHost& host, const std::u16string& target) override;
};

// Every dated trace, newest first; double-click opens what the line names.
class TimelineView final : public TableView {
 public:
  TimelineView();
  ~TimelineView() override;
  const wchar_t* Tag() const override { return L"timeline"; }
  const wchar_t* Name() const override { return L"Activity Timeline"; }
  std::wstring Source(ViewHost& host) const override;
  std::wstring Hint() const override { return L"Double-click a line to open what it names"; }
  void Read(ViewHost& host, Table& table) override;
  // The history store is made again, for the sources now read.
  void Prepare() override {
    history_.reset();
    historyTried_ = false;
  }

 private:
  std::unique_ptr<CURLHistory> history_;  // made when the timeline is first shown
  bool historyTried_ = false;
};

}  // namespace glimmerlog

#endif
