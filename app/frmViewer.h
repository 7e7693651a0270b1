// The main window: view buttons, the list URLs, the status bar, the progress
// bar with its Cancel button, two link labels and the menu bar. It shows the
// views of the views' table (views/viewdef.h): each command runs a view's
// reader over the window's sources and shows its lines as they are read.
#ifndef GLIMMERLOG_APP_FRMVIEWER_H
#define GLIMMERLOG_APP_FRMVIEWER_H

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/layout.h"
#include "app/listmodel.h"
#include "base/winutil_win.h"
#include "sources/profile/profilesource.h"
#include "sources/volume/windowsvolume.h"
#include "views/state.h"
#include "views/viewdef.h"

namespace glimmerlog {

class CURLHistory;

// Command identifiers of the buttons and menu entries.
enum CommandId : int {
  IDC_CMDURL = 101,
  IDC_CMDADDRESS,
  IDC_CMDCOOKIES,
  IDC_CMDDOC,
  IDC_CMDSEARCH,
  IDC_CMDRUN,
  IDC_CMDOPEN,
  IDC_LABEL1,
  IDC_LABEL2,
  IDC_CMDINDEX,
  IDC_SBAR1,
  IDC_URLS,
  IDC_PBAR1,
  IDC_COMMAND1,
  IDC_FILTER,       // the filter box, shown on demand above the list
  IDC_FILTERCOUNT,  // how many lines it shows

  IDM_REFRESH = 201,
  IDM_SEP,
  IDM_COOKIE,
  IDM_RECDOC,
  IDM_SEARCH,
  IDM_RUN,
  IDM_OPEN,
  IDM_INDEX,
  IDM_EXIT,
  IDM_OPOENIT,
  IDM_HELP,
  IDM_XX1,
  IDM_XX3,
  IDM_ABOUT1,

  // Working with the list's lines (the Open menu, after "Open", and the
  // list's context menu).
  IDM_COPY = 250,
  IDM_COPYCELL,
  IDM_SELECTALL,
  IDM_SAVESELECTED,
  IDM_SAVEALL,
  IDM_FILTER,
  IDM_REFRESHVIEW,
  IDM_PROPERTIES,
  IDM_OPENFOLDER,
  IDM_SORTASCENDING,
  IDM_SORTDESCENDING,
  IDM_SOURCEORDER,
  IDM_COPYWITHNAMES,
  IDM_TIMESUTC,
  IDM_FITCOLUMNS,  // Ctrl+Plus; no menu entry

  // View menu entries of the views in the table that have no specified
  // command, in the table's order.
  IDM_OPENPROFILE = 290,
  IDM_LIVEPROFILE,
  IDM_OPENVOLUME,
  IDM_FIRST_TABLE_VIEW = 300,
};

class frmViewer final {
 public:
  frmViewer();
  ~frmViewer();
  frmViewer(const frmViewer&) = delete;
  frmViewer& operator=(const frmViewer&) = delete;

  // Creates the window and its controls, runs Form_Load and lays the window
  // out; the window stays hidden until Show.
  bool Load();
  void Show();
  HWND hwnd() const { return hwnd_; }
  bool Alive() const { return hwnd_ != nullptr; }

  // Views (the button of each only calls its menu handler); each runs its
  // view of the table.
  void mnuRefresh_Click(int index);
  void mnuSep_Click();
  void mnuCookie_Click();
  void mnuRecDoc_Click();
  void mnuSearch_Click();
  void mnurun_Click();
  void mnuOpen_Click();
  void cmdIndex_Click();

  // Other commands.
  void Form_Load();
  void Form_Resize();
  void Command1_Click();
  void mnuExit_Click();
  void mnuOpoenIt_Click();
  void URLs_ColumnClick(int position);
  void URLs_DblClick();
  void Label1_Click();
  void Label2_Click();
  void mnuhelp_Click();
  void xx1_Click();
  void xx3_Click();
  void mnuAbout1_Click();

  // Runs the view of the table with this tag.
  void RunView(const wchar_t* tag);
  // The view of the table with this tag, or null.
  const ViewDef* FindView(const std::wstring& tag) const;
  // Clears the list and shows the view's lines as its reader reads them,
  // with its hint and count; `again` for F5 (the index.dat view then reads
  // the same file without asking).
  void ShowView(const ViewDef& view, bool again);
  // What the views read now: the signed-in user's or the opened profile's.
  ViewSources Sources();

  // The tag of the view now shown.
  std::wstring ViewMode;

  // --- The host of the views: the common protocol of a view. ---
  // Sets the view's tag and gives it an empty list with its one column.
  void StartView(const wchar_t* tag, const wchar_t* column, long widthTwips);
  void SetTag(const wchar_t* tag) { ViewMode = tag; }
  const std::wstring& Tag() const { return ViewMode; }
  void SetPanel(int panel, const std::wstring& text);  // panel 1 or 2
  std::wstring PanelText(int panel) const;
  void ClearItems();
  void ClearColumns();
  void AddColumn(int position, const std::wstring& caption, long widthTwips);
  size_t AddLine(const std::wstring& text);
  size_t AddLine(std::u16string_view text) { return model_.AddRow(text); }
  size_t AddLineLatin1(std::string_view text) { return model_.AddRowLatin1(text); }
  void SetSubItem(size_t line, int subItem, const std::wstring& text);
  void SetSubItem(size_t line, int subItem, std::u16string_view text) {
    model_.SetText(line, static_cast<size_t>(subItem), text);
  }
  // A time, written in the user's format when the list shows it and
  // ordered by time.
  void SetSubItemTime(size_t line, int subItem, const FILETIME& utc);
  void SetSubItemTime(size_t line, int subItem, uint64_t utc) {
    model_.SetTime(line, static_cast<size_t>(subItem), utc);
  }
  void SetSubItemNumber(size_t line, int subItem, double value) {
    model_.SetNumber(line, static_cast<size_t>(subItem), value);
  }
  // What the list shows in a cell (display order): text as read, times and
  // numbers formatted.
  std::wstring CellText(size_t displayIndex, size_t column) const;
  std::wstring RowCellText(size_t row, size_t column) const;  // the same by order of addition
  size_t LineCount() const { return model_.RowCount(); }
  // The lines shown: all, or those the filter keeps.
  size_t ShownLineCount() const { return model_.ShownCount(); }
  std::wstring LineText(size_t line, size_t column) const { return AsWide(model_.TextOfRow(line, column)); }
  bool ListSorted() const { return model_.Sorted(); }
  // "Total Records: " and the number of lines, in panel 2.
  void WriteCount();
  // Shows the lines added so far: their number and, unless a long load is
  // still adding to them, their sorted order.
  void SyncList(bool reorder = true);

  // Every view begins by clearing the list, which starts a new epoch. A view
  // that gives the event loop turns notes the epoch after its clear and goes
  // on only while it still owns the list: no other view has cleared it since,
  // the window still exists and the program is not quitting.
  uint64_t ListEpoch() const { return listEpoch_; }
  bool OwnsList(uint64_t epoch) const;

  // Hides or shows the progress bar and the Cancel button of long loads.
  void ShowProgress(bool visible);
  void ShowBar(bool visible);
  void ShowCancel(bool visible);
  void SetProgressRange(uint64_t maximum);
  void SetProgress(uint64_t position);
  void Repaint() {
    if (hwnd_) UpdateWindow(hwnd_);
  }
  bool ProgressVisible() const;
  bool CancelVisible() const;
  HWND Window() const { return hwnd_; }

  // Where the views read: the signed-in user's registry, folders and
  // profile paths unless others are given (null keeps the live one).
  ProgramState& State() { return opened_ ? openedState_ : GlobalState(); }
  RegistrySource& Registry() { return *registry_; }
  FolderSource& Folders() { return *folders_; }
  ProfilePaths& Profile() { return *profile_; }
  void UseSources(RegistrySource* registry, FolderSource* folders, ProfilePaths* profile);

  // Another user's profile: a profile folder, or its NTUSER.DAT file (the
  // folder is then the file's). Every view reads it until the live profile
  // is chosen again; the view shown runs again on it. False, with the reason
  // in panel 1, when it cannot be read.
  void mnuOpenProfile_Click();
  bool OpenProfile(const std::wstring& path);
  void mnuLiveProfile_Click();
  // The profile shown: empty for the signed-in user's own.
  std::wstring OpenedProfile() const;
  // What "Open Profile..." asks with; tests answer in its place.
  using ProfileChooser = std::wstring (*)(HWND owner);
  static void SetProfileChooser(ProfileChooser chooser);
  // A Windows volume (a folder holding Windows\ and Users\): one of its
  // users is shown as with Open Profile, and the machine-wide views read the
  // volume. `user` names the user (folder name or SID); empty asks when the
  // volume has more than one. False, with the reason in panel 1, when it is
  // no volume, has no user, or the choice is cancelled.
  void mnuOpenVolume_Click();
  bool OpenVolume(const std::wstring& root, const std::wstring& user);
  // What "Open Windows Volume..." asks with: the folder, then the user
  // among the volume's (the index chosen, or -1); tests answer in their place.
  using VolumeChooser = std::wstring (*)(HWND owner);
  using UserChooser = int (*)(HWND owner, const std::vector<std::wstring>& users);
  static void SetVolumeChoosers(VolumeChooser volume, UserChooser user);

  // The program's own main window takes part in ending the program when it
  // is destroyed; windows made by tests do not.
  void SetQuitOnDestroy(bool quit) { quitOnDestroy_ = quit; }

  // Read access for tests and for activation.
  const ListModel& Model() const { return model_; }
  ListModel& Model() { return model_; }
  int SelectedLine() const;  // display index, -1 when none
  void SelectLine(int displayIndex);
  // The line a double-click, Enter or "Open" acts on: the focused line when
  // it is selected, otherwise the first selected line; -1 when none.
  int ActiveLine() const;
  // Every selected line (display indices, ascending).
  std::vector<size_t> SelectedLines() const;

  // Copies the selected lines to the clipboard as text: a row per line,
  // columns in the order the header shows them, separated by tabs. Returns
  // the text copied (empty when nothing was selected).
  std::wstring mnuCopy_Click();
  // The same with a first row of the column names (Ctrl+Shift+C).
  std::wstring mnuCopyWithNames_Click();
  // Copies the text of the cell last clicked in the list (otherwise the
  // active line's first column).
  std::wstring mnuCopyCell_Click();
  void mnuSelectAll_Click();
  // Saves the selected lines, or all lines, to a file the user names in the
  // platform's save dialog, in the format its type list chooses. Returns
  // true when a file was written.
  bool mnuSaveSelected_Click();
  bool mnuSaveAll_Click();
  // Shows the filter box (Ctrl+F) with the keyboard in it, or hides it and
  // shows every line again (Escape in the box).
  void mnuFilter_Click();
  void HideFilter();
  bool FilterVisible() const;
  // Narrows the list to the lines that contain the text in any column,
  // ignoring case; empty text shows every line.
  void SetFilterText(const std::wstring& text);
  std::wstring FilterCountText() const;
  // The box's tooltip: the syntax, or what the typed terms search.
  std::wstring FilterTip() const;
  // Orders the list by a column (as a header click), newest or largest
  // first when `descending`; SourceOrder gives the source's own order back.
  void SortBy(int position, bool descending);
  void SourceOrder();
  // An order that takes longer than this (half a second) lets the window
  // answer while it is made; tests shorten it.
  static void SetOrderPatience(unsigned milliseconds);
  // Runs the view shown again (F5); the index.dat view reads the same file
  // again without asking.
  void mnuRefreshView_Click();
  // Every column of the active line with its full text, in a small window
  // that the next line's properties reuse.
  void mnuProperties_Click();
  // Shows the file or folder a line names selected in the shell's window.
  void mnuOpenFolder_Click();
  // The file or folder path the active line names, or empty.
  std::wstring LinePath() const;
  // Fits every column to the widest text it shows (Ctrl+Plus), or one
  // column (a double-click on its header divider). Each view opens again
  // at its own widths.
  void FitColumns();
  void FitColumn(int column);
  // Whether the list shows times in UTC as ISO 8601 ("2026-12-04T09:02:18Z")
  // rather than in the user's local format: the View menu's "Times in UTC
  // (ISO 8601)", off at every start. Copy, text and CSV write what is shown.
  bool TimesInUtc() const { return timesInUtc_; }
  void SetTimesInUtc(bool utc);
  void mnuTimesUtc_Click();
  // The list's context menu, as it is shown (the caller destroys it).
  HMENU BuildContextMenu() const;
  CURLHistory* History() const;
  HWND Control(int id) const { return GetDlgItem(hwnd_, id); }
  int Dpi() const { return dpi_; }
  // Moves focus between the controls in their tab order; the message loop
  // calls it for every message before dispatching.
  static bool PreTranslate(MSG& msg);

  // The full text of the cell at a point of the list's client area when the
  // cell shows it cut off, as its tooltip shows it; empty otherwise.
  std::wstring CellTip(POINT listClient) const;
  HWND TipWindow() const { return tip_; }

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  HMENU BuildMenu();
  void OnCommand(int id);
  LRESULT OnNotify(NMHDR* header);
  void ApplyLayout(const MainLayout& layout);
  void MoveTwips(HWND control, const TwipRect& r);
  void SetPanelWidths(long panel1Twips);
  void OpenPage(const wchar_t* url);
  bool TabFrom(HWND focus, bool backwards);
  LRESULT FindLine(const NMLVFINDITEMW& find) const;
  void ShowContextMenu(LPARAM at);
  bool CopyToClipboard(const std::wstring& text);
  bool SaveLines(bool selectedOnly);
  void CreateFilterBox();
  // The list's order, made while the old one still shows (order_win.cpp):
  // false when it was stopped (Escape, another view or order, the window
  // closed) or memory ran out.
  bool MakeListOrder(int key, bool descending, ListModel::PendingOrder& pending);
  // Shows a made order, the selected and focused lines kept.
  void ApplyOrder(ListModel::PendingOrder&& pending);
  void OrderBy(int key, bool descending);
  uint64_t orderTicket_ = 0;  // changes with every order begun
  int ordering_ = 0;          // orders under way (one inside another's turn)
  bool orderStop_ = false;    // Escape during an order
  void ShowFilteredLines();
  void UpdateFilterCount();
  void UpdateSortArrows();
  // The columns in the order the header shows them (the user may drag them).
  std::vector<int> ColumnOrder() const;
  // Drops the selection and focus, asking the list only when there is one
  // (over every line of a large owner-data list, that is slow).
  void ClearSelection();
  void ShowHeaderMenu(LPARAM at);
  int headerMenuColumn_ = 0;
  // Whether a point of the screen lies on the list's header.
  bool OnHeader(LPARAM screenPoint) const;
  // The order the specified views share (their sort key and switch, as they
  // always had); each added view opens in its source's own order.
  struct ListOrder {
    bool sorted = false;
    int key = 0;
    bool descending = false;
  };
  ListOrder specifiedOrder_;
  void ApplyViewOrder(const ViewDef& view, bool again);
  std::wstring CopyLines(bool withNames);
  bool timesInUtc_ = false;
  void WatchHeaderDividers();
  int FittedWidth(int column) const;
  static LRESULT CALLBACK HeaderDividerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                            DWORD_PTR data);
  void CreateCellTip();
  void OnListMouseMove(POINT at);
  static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data);

  HWND hwnd_ = nullptr;
  HWND URLs_ = nullptr, SBar1_ = nullptr, PBar1_ = nullptr, Command1_ = nullptr;
  HWND Label1_ = nullptr, Label2_ = nullptr;
  int dpi_ = 96;
  UniqueHfont linkFont_, uiFont_;
  ListModel model_;
  // The history store the history views read through; made at start and
  // again for another profile.
  std::unique_ptr<CURLHistory> history_;
  void ScanIndexFile(const ViewDef& view, bool again);
  // Gives the list the table's columns when it has none yet.
  void ShowColumns(const Table& table);
  void Activate(const ViewDef& view, size_t row);
  void OpenInShell(const std::wstring& text);
  void ShowInFolder(const std::wstring& path);
  // A shortcut's or jump list entry's target when the live system has it,
  // else the shortcut or list selected in its folder.
  void OpenTargetOrShowFile(const std::u16string& target, const std::u16string& file);
  friend class WindowProgress;
  RegistrySource* registry_;
  FolderSource* folders_;
  ProfilePaths* profile_;
  // The profile opened with "Open Profile..." and the folders it is read
  // through (which outlive it), and the state its views see (its own
  // Windows version).
  std::unique_ptr<FolderSource> openedFolders_;
  std::unique_ptr<ProfileSource> opened_;
  // With a volume opened: the volume and the user shown (null otherwise).
  std::unique_ptr<WindowsVolume> openedVolume_;
  VolumeUser openedUser_;
  bool Adopt(std::unique_ptr<FolderSource> folders, std::unique_ptr<ProfileSource> profile,
             std::unique_ptr<WindowsVolume> volume);
  std::string openedOsName_;
  ProgramState openedState_{openedOsName_, CancelRequested, IndexDatPath};
  void ShowProfileChange();
  void SayHowOpeningWent(bool opened);
  bool userChoiceCancelled_ = false;  // the last OpenVolume ended at its user chooser
  uint64_t listEpoch_ = 0;
  bool quitOnDestroy_ = false;
  MainLayout layout_;
  uint64_t progressMax_ = 100;
  int progressShift_ = 0;  // the bar counts in units of 2^shift bytes
  // The tooltip of cut-off cells: the cell the mouse is over and its text.
  HWND tip_ = nullptr;
  int tipItem_ = -1, tipSubItem_ = -1;
  int clickedItem_ = -1, clickedSubItem_ = -1;  // the cell last clicked in the list
  // Panel 1 names sources that could not be read: a click on it shows the
  // Sources view. Any other text in panel 1 clears it.
  bool panelNamesFailures_ = false;
  HWND filter_ = nullptr, filterCount_ = nullptr, filterTip_ = nullptr;
  std::wstring filterFolded_;  // the filter's text, case-folded; empty: none
  std::wstring filterText_;    // the same as typed
  bool filterUtc_ = false;     // the filter's days start at midnight UTC, not local (as the list shows times)
  std::wstring tipText_;
  // Times already written as text, for the cells the list draws again and
  // again while it is scrolled; forgotten when the lines change.
  struct FormattedCell {
    size_t row = SIZE_MAX, column = 0;
    uint64_t time = 0;
    std::wstring text;
  };
  mutable FormattedCell formatted_[256];
};

// One twip rectangle per control at creation, in tab order.
struct ControlSpec {
  int id;
  const char* name;
  const wchar_t* className;
  const wchar_t* caption;
  TwipRect rect;
};
extern const ControlSpec kMainControls[14];

}  // namespace glimmerlog

#endif
