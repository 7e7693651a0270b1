// The index.dat view: the chooser, then a cancellable scan of the file for
// URL records.
#include <chrono>
#include <new>

#include "base/winutil_win.h"
#include "views/browser/browserviews.h"
#include "views/browser/frmindexfile_win.h"
#include "sources/ie/indexscan.h"
#include "views/folderlist.h"

namespace glimmerlog {

namespace {

// Reads of an open file at 64-bit offsets.
class FileSource final : public ByteSource {
 public:
  explicit FileSource(HANDLE file) : file_(file) {}
  size_t ReadAt(uint64_t offset, void* buf, size_t n) override {
    size_t done = 0;
    while (done < n) {
      OVERLAPPED at{};
      const uint64_t where = offset + done;
      at.Offset = static_cast<DWORD>(where);
      at.OffsetHigh = static_cast<DWORD>(where >> 32);
      const DWORD want = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(file_, static_cast<char*>(buf) + done, want, &got, &at) || got == 0) break;
      done += got;
    }
    return done;
  }

 private:
  HANDLE file_;
};

// The scan gives the event loop a turn and moves the progress bar about this
// often, whatever the speed of the disk.
constexpr auto kTurnInterval = std::chrono::milliseconds(25);

// Follows the file's path in panel 1 when the list stopped for lack of memory.
constexpr wchar_t kOutOfMemoryNote[] = L"  (stopped early: not enough memory for more lines)";

// A record's bytes are text in the ANSI code page. Plain ASCII, by far the
// most common, is the same in every code page and goes to the list as it is,
// a byte a character.
void AddRecordLine(ViewHost& host, const char* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if (static_cast<unsigned char>(data[i]) >= 0x80) {
      host.AddLine(AnsiToWide(data, size));
      return;
    }
  }
  host.AddLineLatin1(std::string_view(data, size));
}

}  // namespace

// Every "URL" in the file is listed with its address, in file order; the lines
// and the points where the scan stops are those of examining the file one byte
// at a time, but the file is read in large blocks. Commands stay live while it
// runs: Cancel (or Escape) ends the scan with the lines found so far; another
// view, or this one again, takes the list over and this scan stops without a
// word; closing the window stops it too. When memory runs out, the scan ends
// as if cancelled, keeps the lines it has and says so in panel 1.
void IndexDatView::Scan(ViewHost& host, bool choose) {
  ProgramState& state = host.State();
  host.SetPanel(2, L"");
  state.cancelRequested = kFalse;
  host.StartView(Tag(), L"URLs In Index.dat File", 6000);
  const uint64_t epoch = host.ListEpoch();

  if (choose) {
    frmindexfile::ShowModal(host.Window());
    if (!host.OwnsList(epoch)) return;
  }
  host.ShowCancel(true);
  const std::wstring path = state.indexDatPath;
  if (Trim(path).empty()) {
    host.ShowCancel(false);
    return;
  }
  host.SetPanel(1, path);
  // The bar, Cancel and "Analyzing..." are on screen before the first byte
  // is read: opening a file on a slow or network drive can take a while.
  host.SetProgressRange(1);
  host.SetProgress(0);
  host.ShowBar(true);
  host.SetPanel(2, L"Analyzing...");
  DoEvents();
  if (!host.OwnsList(epoch)) {
    host.ShowProgress(false);
    return;
  }

  // Shared for reading, writing and deletion: the browser usually holds the
  // file open and may write to it meanwhile. A path that names no readable
  // file (missing, a folder, locked, unmeasurable) ends the view at once.
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  const bool measured = file && GetFileSizeEx(file.get(), &size) && size.QuadPart >= 0;
  const uint64_t length = measured ? static_cast<uint64_t>(size.QuadPart) : 0;
  host.SetProgressRange(length);

  bool outOfMemory = false;
  if (measured) {
    try {
      FileSource source(file.get());
      IndexScanner scan(source, length, [&host](const char* text, size_t n) { AddRecordLine(host, text, n); });
      // Small first slices, so that the first lines and the bar's first step
      // show at once; then each slice is aimed at the turn interval.
      uint64_t slice = 1u << 14;
      for (;;) {
        const auto start = std::chrono::steady_clock::now();
        const bool more = scan.Step(slice);
        const auto spent = std::chrono::steady_clock::now() - start;
        if (spent < kTurnInterval / 2 && slice < (1ull << 32))
          slice *= 2;
        else if (spent > kTurnInterval * 2 && slice > 4096)
          slice /= 2;

        host.SetProgress(scan.Position() + 1);
        host.SyncList(false);
        DoEvents();
        if (!host.OwnsList(epoch)) {
          // Another view owns the list now (or the window is gone): leave its
          // count alone, only hide what this scan showed.
          host.ShowProgress(false);
          return;
        }
        if (!more || state.cancelRequested != kFalse) break;
      }
    } catch (const std::bad_alloc&) {
      // The scanner and its buffers are gone; the lines kept are whole.
      outOfMemory = true;
    }
  }
  file.reset();
  if (outOfMemory) host.SetPanel(1, path + kOutOfMemoryNote);
  // The final order and count are made while the bar still shows, so that
  // the view never looks finished before it is.
  host.SetProgress(length);
  host.ShowCancel(false);
  if (host.ListSorted()) host.Repaint();
  host.WriteCount();
  host.ShowProgress(false);
}

void IndexDatView::Activate(ViewHost& host, size_t line) { OpenInShell(host, host.LineText(line, 0)); }

}  // namespace glimmerlog
