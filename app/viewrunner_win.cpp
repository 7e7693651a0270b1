// How the window shows a view of the table: the common protocol (tag, hint,
// columns, lines, count) around the view's reader, which runs over the
// window's sources and adds its lines to a table; the window shows them as
// they come, giving the event loop a turn at each of the reader's steps.
#include <chrono>
#include <new>

#include "app/frmViewer.h"
#include "base/file_win.h"
#include "base/winutil_win.h"
#include "views/browser/CURLHistory_win.h"
#include "views/browser/frmindexfile_win.h"
#include "sources/ie/indexscan.h"
#include "sources/live.h"

namespace glimmerlog {

namespace {

// The index.dat scan's lines are text in the ANSI code page.
std::u16string WindowsAnsiText(std::string_view bytes) {
  return std::u16string(AsU16(AnsiToWide(bytes.data(), bytes.size())));
}

uint64_t FileTimeValue(const FILETIME& t) { return uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime; }

// The Internet history through the window's history store. A failed refresh
// keeps what the store already holds.
class StoreVisits final : public VisitStore {
 public:
  explicit StoreVisits(CURLHistory* store) : store_(store) {}
  bool Visits(const std::function<void(const UrlVisit&)>& add) override {
    if (!store_) return false;
    store_->Refresh(L"http", 0);
    for (const auto& item : store_->NewEnum()) {
      const std::wstring title = item->Title(), url = item->URL();
      add(UrlVisit{AsU16(title), AsU16(url), FileTimeValue(item->LastVisitedUtc()),
                   FileTimeValue(item->LastUpdatedUtc()), FileTimeValue(item->ExpiresUtc())});
    }
    return true;
  }

 private:
  CURLHistory* store_;
};

// The scanner's reads of the chosen file.
class FileBytes final : public ByteSource {
 public:
  explicit FileBytes(ReadOnlyFile& file) : file_(file) {}
  size_t ReadAt(uint64_t offset, void* buf, size_t n) override { return file_.ReadAt(offset, buf, n); }

 private:
  ReadOnlyFile& file_;
};

// Follows the file's path in panel 1 when the list stopped for lack of memory.
constexpr wchar_t kOutOfMemoryNote[] = L"  (stopped early: not enough memory for more lines)";

// Lines added while a folder is listed show about this often.
constexpr auto kShowInterval = std::chrono::milliseconds(50);

}  // namespace

// A reader's steps in the window: the lines read so far are shown, the event
// loop turns, and the reader stops once another view has taken the list (or
// the window is gone); a scan of the index file also moves the bar and stops
// at Cancel.
class WindowProgress final : public Progress {
 public:
  WindowProgress(frmViewer& form, const Table& table, uint64_t epoch, bool scan)
      : form_(form), table_(table), epoch_(epoch), scan_(scan), lastShown_(std::chrono::steady_clock::now()) {}

  bool Step(uint64_t done, uint64_t /*total*/) override {
    form_.ShowColumns(table_);
    if (scan_) {
      form_.SetProgress(done + 1);
      form_.SyncList(false);
    } else if (const auto now = std::chrono::steady_clock::now(); now - lastShown_ > kShowInterval) {
      form_.SyncList(false);
      lastShown_ = now;
    }
    DoEvents();
    if (!form_.OwnsList(epoch_)) {
      lost_ = true;
      return false;
    }
    return !(scan_ && form_.State().cancelRequested != kFalse);
  }
  // Whether another view took the list (or the window went) meanwhile.
  bool Lost() const { return lost_ || !form_.OwnsList(epoch_); }
  // Gives the list the columns of a reader that never stepped.
  void Finish() { form_.ShowColumns(table_); }

 private:
  frmViewer& form_;
  const Table& table_;
  uint64_t epoch_;
  bool scan_;
  bool lost_ = false;
  std::chrono::steady_clock::time_point lastShown_;
};

ViewSources frmViewer::Sources() {
  // The application data folders are asked for by the views that read
  // them (see ViewSources).
  ViewSources sources{*registry_, *folders_, *profile_, State().osName, {}, {}, &WindowsAnsiText};
  sources.indexFilePath = AsU16(State().indexDatPath);
  if (!opened_) {
    // The running Windows is the machine-wide views' volume.
    const LiveVolumeInfo& volume = LiveVolume();
    sources.volumeRoot = volume.root;
    sources.liveVolume = true;
    sources.system = &LiveSystem();
    sources.userSid = volume.sid;
    sources.userName = volume.name;
  }
  if (openedVolume_) {
    sources.volumeRoot = openedVolume_->Root();
    sources.system = openedVolume_->System();
    sources.systemNote = openedVolume_->SystemNote();
    sources.systemFile = openedVolume_->SystemFile();
    sources.systemStatus = openedVolume_->SystemStatus();
    sources.userSid = openedUser_.sid;
    sources.userName = openedUser_.name;
  }
  if (opened_) {
    sources.hiveFile = opened_->HiveFile();
    sources.hiveStatus = opened_->HiveStatus();
    sources.hiveNote = opened_->HiveProblem().empty() ? opened_->HiveLogs() : opened_->HiveProblem();
    sources.classes = opened_->Classes();
    if (opened_->Classes() || opened_->ClassesStatus() != SourceStatus::kMissing) {
      sources.classesFile = opened_->ClassesFile();
      sources.classesStatus = opened_->ClassesStatus();
      sources.classesNote = opened_->ClassesProblem().empty() ? opened_->ClassesLogs() : opened_->ClassesProblem();
    }
  } else if (registry_ == &LiveRegistry()) {
    sources.classes = &LiveClasses();  // a registry a test gave the window has no classes
  }
  return sources;
}

const ViewDef* frmViewer::FindView(const std::wstring& tag) const {
  for (const ViewDef& view : Views()) {
    if (AsU16(tag) == view.tag) return &view;
  }
  return nullptr;
}

void frmViewer::RunView(const wchar_t* tag) {
  if (const ViewDef* view = FindView(tag)) ShowView(*view, false);
}

// The list shows the reader's table itself: its lines are there as soon as
// they are added; only the columns are given to the list control.
void frmViewer::ShowColumns(const Table& table) {
  if (!model_.Columns().empty()) return;
  for (size_t c = 0; c < table.columns.size(); ++c) {
    AddColumn(static_cast<int>(c + 1), AsWide(table.columns[c].caption), table.columns[c].widthTwips);
  }
}

void frmViewer::ShowView(const ViewDef& view, bool again) {
  ApplyViewOrder(view, again);
  if (view.flags & ViewDef::kScansIndexFile) {
    ScanIndexFile(view, again);
    return;
  }
  const bool specified = view.flags & ViewDef::kSpecified;
  SetPanel(2, L"");
  if (specified && view.hint) SetPanel(1, AsWide(view.hint));
  ViewMode = AsWide(view.tag);
  ClearItems();
  ClearColumns();
  const uint64_t epoch = ListEpoch();
  auto table = std::make_shared<Table>();
  model_.Adopt(table);
  ViewSources sources = Sources();
  StoreVisits history(history_.get());
  sources.history = &history;
  WindowProgress progress(*this, *table, epoch, false);
  ReadView(view, sources, *table, progress);
  // Another view has the list now: its lines and count stand.
  if (progress.Lost()) return;
  progress.Finish();
  // The added views name in panel 1 what they could not read.
  if (!specified) {
    std::wstring panel = view.hint ? AsWide(view.hint) : std::wstring();
    if (!table->problems.empty()) panel += L" \x2014 not read: " + AsWide(ProblemsText(table->problems));
    SetPanel(1, panel);
  }
  WriteCount();
}

// Every "URL" in the file is listed with its address, in file order. Commands
// stay live while it runs: Cancel (or Escape) ends the scan with the lines
// found so far; another view, or this one again, takes the list over and
// this scan stops without a word; closing the window stops it too. When
// memory runs out, the scan ends as if cancelled, keeps the lines it has and
// says so in panel 1.
void frmViewer::ScanIndexFile(const ViewDef& view, bool again) {
  ProgramState& state = State();
  SetPanel(2, L"");
  state.cancelRequested = kFalse;
  // The view's columns, from its reader with no file to read.
  ViewSources sources = Sources();
  Table columns;
  Progress none;
  ReadView(view, sources, columns, none);
  ViewMode = AsWide(view.tag);
  ClearItems();
  ClearColumns();
  ShowColumns(columns);
  const uint64_t epoch = ListEpoch();
  auto table = std::make_shared<Table>();
  model_.Adopt(table);

  // The chooser, unless F5 reads the file last read again.
  if (!again || state.indexDatPath.empty()) {
    frmindexfile::ShowModal(hwnd_);
    if (!OwnsList(epoch)) return;
  }
  ShowCancel(true);
  const std::wstring path = state.indexDatPath;
  if (Trim(path).empty()) {
    ShowCancel(false);
    return;
  }
  SetPanel(1, path);
  // The bar, Cancel and "Analyzing..." are on screen before the first byte
  // is read: opening a file on a slow or network drive can take a while.
  SetProgressRange(1);
  SetProgress(0);
  ShowBar(true);
  SetPanel(2, L"Analyzing...");
  DoEvents();
  if (!OwnsList(epoch)) {
    ShowProgress(false);
    return;
  }

  // Shared for reading, writing and deletion: the browser usually holds the
  // file open and may write to it meanwhile. A path that names no readable
  // file (missing, a folder, locked, unmeasurable) ends the view at once.
  ReadOnlyFile file;
  uint64_t length = 0;
  const bool measured = file.Open(path.c_str(), FILE_FLAG_SEQUENTIAL_SCAN) && file.Size(length);
  if (!measured) length = 0;
  SetProgressRange(length);

  bool outOfMemory = false;
  if (measured) {
    WindowProgress progress(*this, *table, epoch, true);
    try {
      FileBytes source(file);
      ViewSources reading = Sources();
      reading.indexFile = &source;
      reading.indexFileSize = length;
      ReadView(view, reading, *table, progress);
      if (progress.Lost()) {
        // Another view owns the list now (or the window is gone): leave its
        // count alone, only hide what this scan showed.
        ShowProgress(false);
        return;
      }
      progress.Finish();
      // An added view names in panel 1 what it could not read of the file.
      if (!(view.flags & ViewDef::kSpecified) && !table->problems.empty()) {
        SetPanel(1, path + L" \x2014 not read: " + AsWide(ProblemsText(table->problems)));
      }
    } catch (const std::bad_alloc&) {
      // The scanner and its buffers are gone; the lines kept are whole.
      outOfMemory = true;
    }
  }
  file = ReadOnlyFile();
  if (outOfMemory) SetPanel(1, path + kOutOfMemoryNote);
  // The final order and count are made while the bar still shows, so that
  // the view never looks finished before it is.
  SetProgress(length);
  ShowCancel(false);
  if (ListSorted()) Repaint();
  WriteCount();
  ShowProgress(false);
}

}  // namespace glimmerlog
