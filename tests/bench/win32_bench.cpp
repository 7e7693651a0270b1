// Click-to-count timings of the views in the real window under Wine, each
// against a baseline of the bare work measured in the same run:
//   rows     200,000 lines into the list        vs  filling the row model alone
//   history  50,000-record history file          vs  the reader parsing it
//   index    512 MiB index.dat scanned           vs  reading the file raw
//   sorted   the same, the list ordered by text  vs  the same, unordered
//   textsort 1,000,000 addresses ordered by a click vs std::sort with wcscmp
//   startup  the program started with that history until its window shows
//                                                vs  a program that shows an empty window
//   start-0  the same without a history          vs  the same
//   folder   20,000 entries in the Recent folder vs  a plain enumeration
//   filter   a keystroke in the filter box, 200,000 lines
//                                                vs  a case-folded substring count of the same texts
//   colfilter the same with a column term and a date term (a column of times added)
//                                                vs  the same count
//   savecsv  saving them as CSV                  vs  writing the same bytes with one WriteFile
//   timeline the activity timeline over that history and every Explorer key
//            of a real hive (imported)           vs  the same reads and parses in a loop
//   browsers Browser History over a Chromium profile of 100,000 visits
//                                                vs  finding and reading it in-process
//   shellbags ShellBags of a live BagMRU tree of 10,100 folders
//                                                vs  RegEnumValueW/RegQueryValueExW over the same keys
// Prints each median and the ratio. Not part of the test run. Arguments name
// the sections to run (rows, textsort, listops, history, index, folder,
// timeline, browsers, shellbags);
// none: all.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "app/collation.h"
#include "app/frmViewer.h"
#include "app/save.h"
#include "sources/browsers/browserhistory.h"
#include "sources/ie/msiecf.h"
#include "sources/live.h"
#include "tests/support/msiecf_writer.h"
#include "tests/support/sqlitebytes.h"
#include "tests/win32/win32_test_util.h"
#include "views/browser/CURLHistory_win.h"
#include "views/browser/frmindexfile_win.h"
#include "views/browser/historyfilestore_win.h"
#include "views/explorer/explorerreaders.h"

using namespace glimmerlog;

namespace {

double Median(int runs, const std::function<void()>& work) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

void Report(const char* name, double measured, double baseline) {
  std::printf("%-8s %10.1f ms   baseline %10.1f ms   ratio %.2f\n", name, measured, baseline, measured / baseline);
}

std::wstring g_historyFile;
HRESULT BenchStore(IUrlHistoryStg2** store) { return CreateHistoryFileStore({g_historyFile}, store); }
std::wstring g_indexPath;

// With arguments, only the sections named run ("history" includes the
// start-up timings).
bool Wanted(int argc, char** argv, const char* section) {
  if (argc < 2) return true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], section) == 0) return true;
  }
  return false;
}

std::wstring ModuleFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L'\\'));
}

// Starts a program and returns the milliseconds until it has ended, or, for
// the viewer, until its window shows (it is loaded with its first view by
// then); the viewer is then closed and waited for, outside the time.
double StartAndWait(const std::wstring& exe, bool viewer) {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring line = L"\"" + exe + L"\"";
  const auto start = std::chrono::steady_clock::now();
  if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::printf("cannot start %ls\n", exe.c_str());
    return 0;
  }
  auto shown = std::chrono::steady_clock::now();
  if (viewer) {
    HWND w = nullptr;
    for (int i = 0; i < 200000 && !(w && IsWindowVisible(w)); ++i) {
      w = FindWindowW(L"GlimmerlogViewer", nullptr);
      if (!w || !IsWindowVisible(w)) Sleep(0);
    }
    shown = std::chrono::steady_clock::now();
    if (w) PostMessageW(w, WM_CLOSE, 0, 0);
  }
  WaitForSingleObject(pi.hProcess, 30000);
  if (!viewer) shown = std::chrono::steady_clock::now();
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return std::chrono::duration<double, std::milli>(shown - start).count();
}

void AnswerChooser(frmindexfile& dialog) {
  dialog.SetText1(g_indexPath);
  dialog.Command1_Click();
}

// A folder's shell item as Explorer writes one into BagMRU: size, type 0x31
// (a folder), its size, modified time and attributes, then its short name.
std::vector<uint8_t> FolderItem(const std::string& name) {
  std::vector<uint8_t> item = {0, 0, 0x31, 0, 0, 0, 0, 0, 0x21, 0x59, 0x6E, 0x86, 0x10, 0};
  item.insert(item.end(), name.begin(), name.end());
  item.push_back(0);
  if (item.size() % 2) item.push_back(0);
  item[0] = static_cast<uint8_t>(item.size());
  return item;
}

// Writes a BagMRU key's numbered items, its MRUListEx and the keys below.
void WriteBagKey(const std::wstring& path, const std::vector<std::vector<uint8_t>>& items) {
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  std::vector<uint32_t> order;
  for (uint32_t i = 0; i < items.size(); ++i) {
    const std::wstring name = std::to_wstring(i);
    RegSetValueExW(key, name.c_str(), 0, REG_BINARY, items[i].data(), static_cast<DWORD>(items[i].size()));
    order.push_back(i);
  }
  order.push_back(0xFFFFFFFF);
  RegSetValueExW(key, L"MRUListEx", 0, REG_BINARY, reinterpret_cast<const BYTE*>(order.data()),
                 static_cast<DWORD>(order.size() * 4));
  RegCloseKey(key);
}

// Every value of a key and the keys below it, named and read.
size_t ReadTree(HKEY parent, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  size_t values = 0;
  std::vector<BYTE> data(65536);
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256, size = static_cast<DWORD>(data.size()), type = 0;
    if (RegEnumValueW(key, i, name, &length, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (RegQueryValueExW(key, name, nullptr, &type, data.data(), &size) == ERROR_SUCCESS) ++values;
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    values += ReadTree(key, name);
  }
  RegCloseKey(key);
  return values;
}

}  // namespace

int main(int argc, char** argv) {
  ComInit com;
  test::ScratchFolder folder(L"bench");

  if (Wanted(argc, argv, "rows")) {  // rows
    auto form = test::MakeViewer();
    const double shown = Median(5, [&] {
      form->ClearItems();
      for (int i = 0; i < 200000; ++i) form->AddLine(L"https://www.example.com/page/" + std::to_wstring(i));
      form->WriteCount();
    });
    const double model = Median(5, [&] {
      ListModel m;
      for (int i = 0; i < 200000; ++i) m.AddRow(AsU16(L"https://www.example.com/page/" + std::to_wstring(i)));
    });
    Report("rows", shown, model);
  }

  if (Wanted(argc, argv, "textsort")) {  // textsort: a million cache addresses ordered by a column click
    auto form = test::MakeViewer();
    std::vector<std::wstring> urls;
    for (long long i = 0; i < 1000000; ++i) {
      urls.push_back(L"http://cache.example.com/object/" + std::to_wstring((i * 7919) % 1000000) + L"/Item.HTM");
    }
    form->StartView(L"index.dat", L"URLs", 6000);
    for (const std::wstring& u : urls) form->AddLine(u);
    form->WriteCount();
    PROCESS_MEMORY_COUNTERS mem{};
    GetProcessMemoryInfo(GetCurrentProcess(), &mem, sizeof(mem));
    std::printf("textsort: %zu lines, %zu MB in use\n", form->LineCount(),
                static_cast<size_t>(mem.PagefileUsage >> 20));
    std::fflush(stdout);
    std::vector<double> clicks;
    for (int run = 0; run < 3; ++run) {
      form->URLs_ColumnClick(2);  // another column first, so that the next click sorts again
      clicks.push_back(Median(1, [&] { form->URLs_ColumnClick(1); }));
    }
    std::sort(clicks.begin(), clicks.end());
    const double click = clicks[1];
    const double plain = Median(3, [&] {
      std::vector<const wchar_t*> order;
      for (const std::wstring& u : urls) order.push_back(u.c_str());
      std::sort(order.begin(), order.end(), [](const wchar_t* a, const wchar_t* b) { return wcscmp(a, b) < 0; });
    });
    Report("textsort", click, plain);
    const double keys = Median(1, [&] {
      std::string key;
      for (const std::wstring& u : urls) UserLocaleKey(AsU16(u), key);
    });
    std::printf("textsort: %.1f ms to make the platform's keys of the same texts (the click ranks ASCII columns)\n",
                keys);
  }

  if (Wanted(argc, argv, "listops")) {  // filter and save on 200,000 lines
    auto form = test::MakeViewer();
    form->StartView(L"index.dat", L"URLs", 6000);
    std::vector<std::wstring> shown;
    for (int i = 0; i < 200000; ++i) {
      shown.push_back(L"http://cache.example.com/Object/" + std::to_wstring(i) + L"/Item.HTM");
      form->AddLine(shown.back());
    }
    form->WriteCount();
    // A keystroke in the filter box against a case-folded substring count
    // over the same texts.
    const wchar_t* typed[] = {L"object/1", L"object/12", L"object/123"};
    int k = 0;
    const double filter = Median(3, [&] { form->SetFilterText(typed[k++ % 3]); });
    k = 0;
    const double count = Median(3, [&] {
      std::wstring needle = typed[k++ % 3], text;
      size_t n = 0;
      for (const std::wstring& line : shown) {
        text = line;
        CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
        n += text.find(needle) != std::wstring::npos;
      }
      if (n == 0) std::printf("no match\n");
    });
    Report("filter", filter, count);
    form->SetFilterText(L"");

    // The same with a column term and a date term, the lines having a
    // second column of times, against the same count.
    form->AddColumn(2, L"Last Visited", 2000);
    for (size_t i = 0; i < shown.size(); ++i) {
      form->SetSubItemTime(i, 1, 133000000000000000ull + static_cast<uint64_t>(i) * 36000000000ull);
    }
    form->WriteCount();
    const wchar_t* terms[] = {L"ur:object/1 after:2022-06-01", L"ur:object/12 after:2022-06-01",
                              L"ur:object/123 after:2022-06-01"};
    k = 0;
    const double columnFilter = Median(3, [&] { form->SetFilterText(terms[k++ % 3]); });
    std::printf("colfilter: %zu lines shown\n", form->ShownLineCount());
    Report("colfilter", columnFilter, count);
    form->SetFilterText(L"");

    // Saving every line as CSV against writing the same bytes at once.
    struct ToFile : SaveSeam {
      std::wstring path;
      bool AskPath(HWND, std::wstring& p, ExportFormat& f) override {
        p = path;
        f = ExportFormat::kCsv;
        return true;
      }
      void Failed(HWND, const std::wstring&) override { std::printf("save failed\n"); }
    } save;
    save.path = folder.path() + L"\\lines.csv";
    SetSaveSeam(&save);
    const double saving = Median(3, [&] { form->mnuSaveAll_Click(); });
    SetSaveSeam(nullptr);
    HANDLE f = CreateFileW(save.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string bytes(GetFileSize(f, nullptr), '\0');
    DWORD got = 0;
    ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(f);
    const double write = Median(3, [&] {
      HANDLE w =
          CreateFileW((folder.path() + L"\\raw.csv").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      DWORD wrote = 0;
      WriteFile(w, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
      CloseHandle(w);
    });
    Report("savecsv", saving, write);
  }

  if (Wanted(argc, argv, "history")) {  // history
    std::vector<WrittenEntry> entries;
    for (int i = 0; i < 50000; ++i) {
      WrittenEntry e;
      e.url = "http://www.example.com/section" + std::to_string(i % 97) + "/page" + std::to_string(i) + ".html";
      e.title = u"Example page title number " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26));
      e.lastVisited = e.lastUpdated = UtcToFileTime(2026, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 0);
      entries.push_back(std::move(e));
    }
    const std::vector<uint8_t> bytes = WriteHistoryFile(entries);
    g_historyFile = folder.path() + L"\\history.dat";
    test::WriteFileBytes(g_historyFile, bytes.data(), bytes.size());
    const double parse = Median(5, [&] {
      std::vector<HistoryEntry> out;
      ReadHistoryFile(bytes.data(), bytes.size(), out);
    });
    SetHistoryStoreFactory(&BenchStore);
    auto form = test::MakeViewer();
    const double view = Median(5, [&] { form->mnuRefresh_Click(1); });
    std::printf("history: %zu lines\n", form->LineCount());
    Report("history", view, parse);

    // Start-up: the program started until its window shows the first view,
    // against a program that only shows an empty window, both as processes.
    SetHistoryStoreFactory(nullptr);
    const std::wstring here = ModuleFolder();
    const std::wstring program = here + L"\\..\\..\\bin\\glimmerlog.exe";
    StartAndWait(here + L"\\empty_window.exe", false);  // once each first, so that both find
    StartAndWait(program, true);                        // their libraries loaded before
    // Taken in turns, so that whatever else the machine does falls on both.
    auto medianOfTurns = [&](std::vector<double>& a, std::vector<double>& b) {
      for (int i = 0; i < 9; ++i) {
        a.push_back(StartAndWait(here + L"\\empty_window.exe", false));
        b.push_back(StartAndWait(program, true));
      }
      std::sort(a.begin(), a.end());
      std::sort(b.begin(), b.end());
    };
    std::vector<double> emptyRuns, bareRuns;
    medianOfTurns(emptyRuns, bareRuns);
    const double empty = emptyRuns[4];
    Report("start-0", bareRuns[4], empty);
    {
      // The history file where the program looks for the user's history.
      const std::wstring history = folder.MakeFolder(L"History");
      CreateDirectoryW((history + L"\\History.IE5").c_str(), nullptr);
      test::WriteFileBytes(history + L"\\History.IE5\\index.dat", bytes.data(), bytes.size());
      test::ShellFolderOverride where(L"History", history);
      std::vector<double> emptyAgain, withHistory;
      medianOfTurns(emptyAgain, withHistory);
      Report("startup", withHistory[4], emptyAgain[4]);
    }
  }

  if (Wanted(argc, argv, "index")) {  // index
    g_indexPath = folder.path() + L"\\index.dat";
    std::string block(4096, '\0');
    for (size_t at = 0; at + 512 <= block.size(); at += 512) {
      block.replace(at, 4, "URL ");
      const std::string url = "http://cache.example.com/object/" + std::to_string(at);
      block.replace(at + 104, url.size(), url);
    }
    HANDLE f = CreateFileW(g_indexPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    std::string chunk;
    while (chunk.size() < (8u << 20)) chunk += block;
    for (int i = 0; i < 64; ++i) {
      DWORD wrote = 0;
      WriteFile(f, chunk.data(), static_cast<DWORD>(chunk.size()), &wrote, nullptr);
    }
    CloseHandle(f);
    auto readAll = [&] {
      HANDLE r = CreateFileW(g_indexPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      std::vector<char> buf(1 << 20);
      DWORD got = 0;
      while (ReadFile(r, buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr) && got > 0) {
      }
      CloseHandle(r);
    };
    readAll();  // warm the cache for both
    const double raw = Median(3, readAll);
    frmindexfile::SetShownHook(&AnswerChooser);
    auto form = test::MakeViewer();
    const double view = Median(3, [&] { form->cmdIndex_Click(); });
    std::printf("index: %zu lines\n", form->LineCount());
    Report("index", view, raw);
    // The same scan with the list ordered by its column: the order is made
    // after the last line, while the bar still shows.
    form->URLs_ColumnClick(1);
    const double sorted = Median(3, [&] { form->cmdIndex_Click(); });
    frmindexfile::SetShownHook(nullptr);
    Report("sorted", sorted, view);
    const double making = Median(3, [&] {
      ListModel::PendingOrder order;
      form->Model().MakeOrder(0, false, order);
    });
    std::printf("sorted: %.1f ms of it making the order\n", making);
  }

  if (Wanted(argc, argv, "folder")) {  // folder
    const std::wstring recent = folder.MakeFolder(L"recent");
    for (int i = 0; i < 20000; ++i) test::WriteFileBytes(recent + L"\\doc" + std::to_wstring(i) + L".lnk", "L", 1);
    test::ShellFolderOverride value(L"Recent", recent);
    const double plain = Median(3, [&] {
      WIN32_FIND_DATAW found;
      HANDLE h = FindFirstFileW((recent + L"\\*.*").c_str(), &found);
      size_t n = 0;
      while (h != INVALID_HANDLE_VALUE && FindNextFileW(h, &found)) ++n;
      FindClose(h);
    });
    auto form = test::MakeViewer();
    const double view = Median(3, [&] { form->mnuRecDoc_Click(); });
    std::printf("folder: %zu lines\n", form->LineCount());
    Report("folder", view, plain);
  }
  if (Wanted(argc, argv, "timeline")) {  // timeline
    std::vector<WrittenEntry> entries;
    for (int i = 0; i < 50000; ++i) {
      WrittenEntry e;
      e.url = "http://www.example.com/section" + std::to_string(i % 97) + "/page" + std::to_string(i) + ".html";
      e.title = u"Example page title number " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26));
      e.lastVisited = e.lastUpdated = UtcToFileTime(2026, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 0);
      entries.push_back(std::move(e));
    }
    const std::vector<uint8_t> bytes = WriteHistoryFile(entries);
    g_historyFile = folder.path() + L"\\timeline-history.dat";
    test::WriteFileBytes(g_historyFile, bytes.data(), bytes.size());
    SetHistoryStoreFactory(&BenchStore);
    // Every registry source: the Explorer keys of the largest Windows 7 hive.
    const std::wstring data = test::TestDataDir();
    if (!data.empty()) {
      test::ImportRegFile(data + L"\\reg\\win7_notatin_ntuser.dat.reg");
      test::ImportRegFile(data + L"\\reg-modern\\win7_notatin_ntuser.dat.reg");
    }
    auto store = CURLHistory::Create();
    size_t events = 0;
    const double direct = Median(5, [&] {
      Timeline timeline;
      store->Refresh(L"http", 0);
      for (const auto& item : store->NewEnum()) {
        const FILETIME& t = item->LastVisitedUtc();
        const std::u16string url(AsU16(item->URL()));
        timeline.Add({uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime, u"Page visited", url,
                      std::u16string(AsU16(item->Title())), u"Internet history", url});
      }
      AddExplorerEvents(LiveRegistry(), timeline);
      Table table;
      timeline.ToTable(table);
      events = table.RowCount();
    });
    auto form = test::MakeViewer();
    const double view = Median(5, [&] { form->RunView(L"timeline"); });
    std::printf("timeline: %zu lines (%zu read directly)\n", form->LineCount(), events);
    Report("timeline", view, direct);
    SetHistoryStoreFactory(nullptr);
    const std::wstring explorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    for (const wchar_t* key :
         {L"RecentDocs", L"ComDlg32", L"WordWheelQuery", L"TypedPaths", L"UserAssist", L"RunMRU"}) {
      test::DeleteTree(explorer + key);
    }
    test::DeleteTree(L"Software\\Microsoft\\Internet Explorer\\TypedURLs");
  }
  if (Wanted(argc, argv, "browsers")) {  // browsers
    const std::vector<uint8_t> db = MakeDatabase(
        "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
        "INSERT INTO meta VALUES ('version', '70');"
        "CREATE TABLE urls(id INTEGER PRIMARY KEY AUTOINCREMENT, url LONGVARCHAR, title LONGVARCHAR,"
        "  visit_count INTEGER DEFAULT 0 NOT NULL, typed_count INTEGER DEFAULT 0 NOT NULL,"
        "  last_visit_time INTEGER NOT NULL, hidden INTEGER DEFAULT 0 NOT NULL);"
        "CREATE TABLE visits(id INTEGER PRIMARY KEY AUTOINCREMENT, url INTEGER NOT NULL, visit_time INTEGER NOT NULL,"
        "  from_visit INTEGER, transition INTEGER DEFAULT 0 NOT NULL, segment_id INTEGER, visit_duration INTEGER);"
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<30000)"
        "  INSERT INTO urls(id, url, title, visit_count, last_visit_time)"
        "  SELECT x, 'https://www.example.com/articles/' || x || '/a-page-about-something-' || (x * 7919 % 1000),"
        "    'Article number ' || x || ' - Example News', 0, 0 FROM c;"
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<100000)"
        "  INSERT INTO visits(url, visit_time, transition, segment_id, visit_duration)"
        "  SELECT 1 + (x * 104729) % 30000, 13300000000000000 + x * 1000000, 805306368 + x % 9, 0, 0 FROM c;");
    const std::wstring local = folder.MakeFolder(L"local");
    std::wstring at = local;
    for (const wchar_t* part : {L"Google", L"Chrome", L"User Data", L"Default"}) {
      at += std::wstring(L"\\") + part;
      CreateDirectoryW(at.c_str(), nullptr);
    }
    test::WriteFileBytes(at + L"\\History", db.data(), db.size());
    test::ShellFolderOverride where(L"Local AppData", local);
    size_t read = 0;
    const double direct = Median(5, [&] {
      std::vector<BrowserVisit> visits;
      for (const BrowserProfile& profile : FindBrowserProfiles(LiveFolders(), AsU16(local), u"")) {
        std::string reason;
        ReadBrowserHistory(LiveFolders(), profile, visits, reason);
      }
      read = visits.size();
    });
    auto form = test::MakeViewer();
    const double view = Median(5, [&] { form->RunView(L"browserhistory"); });
    std::printf("browsers: %zu lines (%zu read directly)\n", form->LineCount(), read);
    Report("browsers", view, direct);
  }
  if (Wanted(argc, argv, "shellbags")) {  // shellbags
    // A drive's 100 folders with 100 folders each, as Explorer would have
    // kept them in the user's classes.
    const std::wstring bagMru = L"Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\BagMRU";
    test::DeleteTree(bagMru);
    std::vector<std::vector<uint8_t>> drive = {{0x19, 0, 0x2F, 'C', ':', '\\', 0}};
    drive[0].resize(0x19);
    drive[0][0] = 0x19;
    WriteBagKey(bagMru, drive);
    std::vector<std::vector<uint8_t>> folders;
    for (int i = 0; i < 100; ++i) folders.push_back(FolderItem("Folder" + std::to_string(i)));
    WriteBagKey(bagMru + L"\\0", folders);
    for (int i = 0; i < 100; ++i) WriteBagKey(bagMru + L"\\0\\" + std::to_wstring(i), folders);
    size_t values = 0;
    const double direct = Median(5, [&] { values = ReadTree(HKEY_CURRENT_USER, bagMru); });
    auto form = test::MakeViewer();
    const double view = Median(5, [&] { form->RunView(L"shellbags"); });
    std::printf("shellbags: %zu lines (%zu values read directly)\n", form->LineCount(), values);
    Report("shellbags", view, direct);
    test::DeleteTree(bagMru);
  }
  return 0;
}
