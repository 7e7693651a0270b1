// The history classes over the program's own store and over a stand-in
// store, and the Internet history view in the real window.
#include <windows.h>
#include <commctrl.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include "tests/support/msiecf_writer.h"
#include "tests/win32/alloc_failure.h"
#include "tests/win32/win32_test_util.h"
#include "views/browser/CURLHistory_win.h"
#include "views/browser/historyfilestore_win.h"

namespace glimmerlog {

std::wstring DateText(double date);  // the view's date format

namespace {

using Lines = std::vector<std::wstring>;

std::vector<std::wstring> g_files;
HRESULT FilesStore(IUrlHistoryStg2** store) { return CreateHistoryFileStore(g_files, store); }

// Points the history factory at the given files for one test.
struct UseFiles {
  explicit UseFiles(std::vector<std::wstring> files) {
    g_files = std::move(files);
    SetHistoryStoreFactory(&FilesStore);
  }
  ~UseFiles() { SetHistoryStoreFactory(nullptr); }
};

WrittenEntry Entry(const std::string& url, const std::u16string& title, uint64_t visited) {
  WrittenEntry e;
  e.url = url;
  e.title = title;
  e.lastVisited = visited;
  e.lastUpdated = visited;
  e.expiresFat = FileTimeToFatDateTime(visited + 26 * kFileTimeTicksPerDay);
  return e;
}

std::wstring WriteHistory(test::ScratchFolder& folder, const std::wstring& relative,
                          const std::vector<WrittenEntry>& entries) {
  const std::vector<uint8_t> bytes = WriteHistoryFile(entries);
  const std::wstring path = folder.path() + L"\\" + relative;
  test::WriteFileBytes(path, bytes.data(), bytes.size());
  return path;
}

std::vector<WrittenEntry> Mixed() {
  const uint64_t t = UtcToFileTime(2013, 3, 10, 12, 34, 56);
  return {Entry("http://www.example.com/", u"Example \u00e9\u4e2d", t),
          Entry("file:///C:/Users/u/notes.txt", u"notes", t + 1), Entry("https://secure.example.org/login", u"", t + 2),
          Entry("mshelp://windows/?id=1", u"Help", t + 3), Entry("HTTP://UPPER.EXAMPLE/", u"Upper", t + 4)};
}

Lines Urls(const CURLHistory& history) {
  Lines out;
  for (const auto& item : history.NewEnum()) out.push_back(item->URL());
  return out;
}

TEST(UrlHistory, RefreshFiltersByTheBeginningOfTheUrl) {
  test::ScratchFolder folder(L"history-filter");
  UseFiles files({WriteHistory(folder, L"index.dat", Mixed())});
  std::unique_ptr<CURLHistory> history;
  ASSERT_EQ(CURLHistory::Create(history), S_OK);
  EXPECT_EQ(Urls(*history).size(), 5u);  // creation reads everything
  ASSERT_EQ(history->Refresh(L"http", 0), S_OK);
  EXPECT_EQ(Urls(*history),
            (Lines{L"http://www.example.com/", L"https://secure.example.org/login", L"HTTP://UPPER.EXAMPLE/"}));
  const auto& items = history->NewEnum();
  EXPECT_EQ(items[0]->Title(), L"Example \u00e9\u4e2d");
  EXPECT_EQ(items[1]->Title(), L"");
  // Converting a stored time must not change it: the second read agrees.
  const double first = items[0]->LastVisited();
  items[0]->LastUpdated();
  EXPECT_EQ(items[0]->LastVisited(), first);
  ASSERT_EQ(history->Refresh(L"", 0), S_OK);
  EXPECT_EQ(Urls(*history).size(), 5u);
  ASSERT_EQ(history->Refresh(L"gopher:", 0), S_OK);
  EXPECT_TRUE(history->NewEnum().empty());
}

TEST(UrlHistory, MissingOrEmptyHistoryGivesAnEmptyList) {
  test::ScratchFolder folder(L"history-empty");
  UseFiles files({folder.path() + L"\\missing\\index.dat", WriteHistory(folder, L"empty.dat", {})});
  std::unique_ptr<CURLHistory> history;
  ASSERT_EQ(CURLHistory::Create(history), S_OK);
  EXPECT_TRUE(history->NewEnum().empty());
}

TEST(UrlHistory, BothFilesOfTheUserAreRead) {
  test::ScratchFolder folder(L"history-two");
  folder.MakeFolder(L"Low");
  UseFiles files({WriteHistory(folder, L"a.dat", {Entry("http://a.example/", u"A", 1)}),
                  WriteHistory(folder, L"b.dat", {Entry("http://b.example/", u"B", 2)})});
  std::unique_ptr<CURLHistory> history;
  ASSERT_EQ(CURLHistory::Create(history), S_OK);
  EXPECT_EQ(Urls(*history), (Lines{L"http://a.example/", L"http://b.example/"}));
}

// ---------------------------------------------------------------------------
// A stand-in store whose records and failures the test chooses.

struct FakeRecord {
  const wchar_t* url;
  const wchar_t* title;
  uint64_t visited;
};
std::vector<FakeRecord> g_fake;
int g_enumCalls = 0, g_failEnumFrom = 1000, g_failFilterFrom = 1000;

wchar_t* Dup(const wchar_t* s) {
  if (!s) return nullptr;
  const size_t n = wcslen(s) + 1;
  auto* p = static_cast<wchar_t*>(CoTaskMemAlloc(n * sizeof(wchar_t)));
  memcpy(p, s, n * sizeof(wchar_t));
  return p;
}

class FakeEnum final : public IEnumSTATURL {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (!n) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG, STATURL* r, ULONG* fetched) override {
    if (at_ >= g_fake.size()) {
      *fetched = 0;
      return S_FALSE;
    }
    const FakeRecord& f = g_fake[at_++];
    r->pwcsUrl = Dup(f.url);
    r->pwcsTitle = Dup(f.title);
    r->ftLastVisited = {static_cast<DWORD>(f.visited), static_cast<DWORD>(f.visited >> 32)};
    r->ftLastUpdated = r->ftExpires = FILETIME{};
    *fetched = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IEnumSTATURL**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetFilter(LPCOLESTR, DWORD) override {
    return g_enumCalls > g_failFilterFrom ? E_FAIL : S_OK;
  }

 private:
  ULONG refs_ = 1;
  size_t at_ = 0;
};

class FakeStore final : public IUrlHistoryStg2 {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (!n) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE AddUrl(LPCOLESTR, LPCOLESTR, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteUrl(LPCOLESTR, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryUrl(LPCOLESTR, DWORD, STATURL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToObject(LPCOLESTR, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumUrls(IEnumSTATURL** out) override {
    if (++g_enumCalls > g_failEnumFrom) return E_NOTIMPL;
    *out = new FakeEnum;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE AddUrlAndNotify(LPCOLESTR, LPCOLESTR, DWORD, BOOL, IOleCommandTarget*, IUnknown*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE ClearHistory() override { return E_NOTIMPL; }

 private:
  ULONG refs_ = 1;
};

HRESULT MakeFake(IUrlHistoryStg2** out) {
  *out = new FakeStore;
  return S_OK;
}
HRESULT MakeNothing(IUrlHistoryStg2** out) {
  *out = nullptr;
  return REGDB_E_CLASSNOTREG;
}

struct UseFake {
  UseFake(std::vector<FakeRecord> records, int failEnumFrom = 1000, int failFilterFrom = 1000) {
    g_fake = std::move(records);
    g_enumCalls = 0;
    g_failEnumFrom = failEnumFrom;
    g_failFilterFrom = failFilterFrom;
    SetHistoryStoreFactory(&MakeFake);
  }
  ~UseFake() { SetHistoryStoreFactory(nullptr); }
};

TEST(UrlHistory, NullStringsAndZeroTimes) {
  UseFake fake({{nullptr, nullptr, 0}, {L"http://x.example/", L"X", 0}});
  std::unique_ptr<CURLHistory> history;
  ASSERT_EQ(CURLHistory::Create(history), S_OK);
  const auto& items = history->NewEnum();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0]->URL(), L"");
  EXPECT_EQ(items[0]->Title(), L"");
  // FILETIME 0 is 1 January 1601 (shifted by the local offset where that
  // conversion works): about 109,205 days before the automation day zero.
  EXPECT_NEAR(items[0]->LastVisited(), -109205.0, 1.0);
}

// Run with TZ=Europe/Berlin (see the test's environment): a summer visit
// shows in summer time and a winter one in winter time, whatever today is.
TEST(UrlHistory, EachDateTakesTheOffsetInForceOnThatDate) {
  TIME_ZONE_INFORMATION zone{};
  GetTimeZoneInformation(&zone);
  if (zone.DaylightBias == 0 || zone.DaylightDate.wMonth == 0) GTEST_SKIP() << "the time zone keeps no summer time";
  const uint64_t summer = UtcToFileTime(2013, 7, 1, 12, 0, 0), winter = UtcToFileTime(2013, 1, 15, 12, 0, 0);
  UseFake fake({{L"http://summer.example/", L"S", summer}, {L"http://winter.example/", L"W", winter}});
  std::unique_ptr<CURLHistory> history;
  ASSERT_EQ(CURLHistory::Create(history), S_OK);
  auto hourOf = [](double date) {
    SYSTEMTIME st{};
    VariantTimeToSystemTime(date, &st);
    return static_cast<int>(st.wHour);
  };
  const int summerHour = hourOf(history->NewEnum()[0]->LastVisited());
  const int winterHour = hourOf(history->NewEnum()[1]->LastVisited());
  EXPECT_EQ(summerHour - winterHour, -zone.DaylightBias / 60);
  EXPECT_EQ(winterHour, 12 - static_cast<int>(zone.Bias) / 60);
}

TEST(UrlHistory, CreationFailsWhenTheStoreCannotBeMadeOrRead) {
  {
    SetHistoryStoreFactory(&MakeNothing);
    std::unique_ptr<CURLHistory> history;
    EXPECT_EQ(CURLHistory::Create(history), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(history);
    SetHistoryStoreFactory(nullptr);
  }
  UseFake fake({}, 0);
  std::unique_ptr<CURLHistory> history;
  EXPECT_EQ(CURLHistory::Create(history), E_NOTIMPL);
  EXPECT_FALSE(history);
}

// Running out of memory at any allocation inside the program's own store
// gives a failing HRESULT, never an exception through a COM method, and
// the history object keeps whole entries only.
TEST(UrlHistory, RunningOutOfMemoryAnywhereInTheStoreIsAFailureCode) {
  test::ScratchFolder folder(L"history-oom");
  UseFiles files({WriteHistory(folder, L"index.dat", Mixed())});
  for (size_t k = 0;; ++k) {
    const size_t failedBefore = test::AllocationFailure::Failures();
    std::unique_ptr<CURLHistory> history;
    HRESULT created = S_OK;
    {
      auto failure = test::AllocationFailure::After(k);
      EXPECT_NO_THROW(created = CURLHistory::Create(history)) << "allocation " << k;
    }
    if (test::AllocationFailure::Failures() == failedBefore) {
      // Allocation k was never reached: the whole history was read.
      ASSERT_EQ(created, S_OK);
      EXPECT_EQ(Urls(*history).size(), 5u);
      EXPECT_GT(k, 10u);
      break;
    }
    if (history) {
      for (const auto& item : history->NewEnum()) EXPECT_FALSE(item->URL().empty());
    } else {
      EXPECT_TRUE(FAILED(created)) << "allocation " << k;
    }
  }
}

TEST(UrlHistory, AFailedRefreshKeepsThePreviousList) {
  UseFake fake({{L"http://a.example/", L"A", 1}, {L"file:///c:/b", L"B", 2}}, 2, 1000);
  std::unique_ptr<CURLHistory> history;
  ASSERT_EQ(CURLHistory::Create(history), S_OK);  // enumeration 1 succeeds
  ASSERT_EQ(history->Refresh(L"http", 0), S_OK);  // 2 succeeds (the stand-in ignores the filter)
  g_fake.push_back({L"http://c.example/", L"C", 3});
  EXPECT_EQ(history->Refresh(L"http", 0), E_NOTIMPL);
  EXPECT_EQ(Urls(*history).size(), 2u);
  g_failEnumFrom = 1000;
  g_failFilterFrom = 0;
  EXPECT_EQ(history->Refresh(L"http", 0), E_FAIL);
  EXPECT_EQ(Urls(*history).size(), 2u);
}

// ---------------------------------------------------------------------------
// The view.

TEST(HistoryView, ShowsTitlesUrlsAndLocalTimes) {
  test::ScratchFolder folder(L"history-view");
  UseFiles files({WriteHistory(folder, L"index.dat", Mixed())});
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  EXPECT_EQ(test::ColumnCaptions(*form), (Lines{L"Title", L"URL", L"Last Visited", L"Last Updated", L"Expires"}));
  EXPECT_EQ(test::Lines(*form, 1),
            (Lines{L"http://www.example.com/", L"https://secure.example.org/login", L"HTTP://UPPER.EXAMPLE/"}));
  EXPECT_EQ(test::Lines(*form, 0), (Lines{L"Example \u00e9\u4e2d", L"", L"Upper"}));
  EXPECT_EQ(form->PanelText(2), L"Total Records: 3");

  // The visit time as the user's locale writes it, worked out here through
  // the platform's date and time formats.
  FILETIME utc{}, local{};
  const uint64_t t = UtcToFileTime(2013, 3, 10, 12, 34, 56);
  utc = {static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
  FileTimeToLocalFileTime(&utc, &local);
  SYSTEMTIME st{};
  FileTimeToSystemTime(&local, &st);
  wchar_t date[80] = {}, time[80] = {};
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 80);
  GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, 80);
  EXPECT_EQ(test::ShownText(*form, 0, 2), std::wstring(date) + L" " + time);
  EXPECT_EQ(form->PanelText(1), L"DoubleCilck the line to view contents");

  // "URLs History" lists the store's state at that moment.
  auto more = Mixed();
  more.push_back(Entry("http://new.example/", u"New", 5));
  WriteHistory(folder, L"index.dat", more);
  SendMessageW(form->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_CMDURL, BN_CLICKED), 0);
  EXPECT_EQ(form->PanelText(2), L"Total Records: 4");
}

// Saved reports write times as ISO 8601 with the offset in force on that
// date (the tests run in a zone with summer time).
TEST(HistoryView, IsoTimesCarryTheOffsetOfTheirDate) {
  EXPECT_EQ(FileTimeIso(UtcToFileTime(2013, 3, 10, 12, 34, 56)), L"2013-03-10T13:34:56+01:00");
  EXPECT_EQ(FileTimeIso(UtcToFileTime(2013, 7, 10, 12, 34, 56)), L"2013-07-10T14:34:56+02:00");
}

TEST(HistoryView, DatesLeaveOutMidnightAndDayZero) {
  SYSTEMTIME noon{2013, 3, 0, 10, 0, 0, 0, 0};
  double midnight = 0;
  SystemTimeToVariantTime(&noon, &midnight);
  wchar_t date[80] = {};
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &noon, nullptr, date, 80);
  EXPECT_EQ(DateText(midnight), date);
  SYSTEMTIME t{1899, 12, 0, 30, 13, 5, 7, 0};
  wchar_t time[80] = {};
  GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &t, nullptr, time, 80);
  EXPECT_EQ(DateText(47107.0 / 86400.0), time);  // 13:05:07 on day zero
}

TEST(HistoryView, WithoutAHistoryObjectTheCountIsStillWritten) {
  SetHistoryStoreFactory(&MakeNothing);
  auto form = test::MakeViewer();
  SetHistoryStoreFactory(nullptr);
  ASSERT_TRUE(form);
  EXPECT_EQ(form->History(), nullptr);
  EXPECT_EQ(test::ColumnCaptions(*form).size(), 5u);
  EXPECT_EQ(form->PanelText(2), L"Total Records: 0");
}

TEST(HistoryView, AFailingRefreshListsWhatTheObjectHolds) {
  UseFake fake({{L"http://a.example/", L"A", 1}, {L"http://b.example/", L"B", 2}}, 1);
  auto form = test::MakeViewer();  // creation reads; the view's refresh fails
  ASSERT_TRUE(form);
  EXPECT_EQ(test::Lines(*form, 1), (Lines{L"http://a.example/", L"http://b.example/"}));
  EXPECT_EQ(form->PanelText(2), L"Total Records: 2");
}

TEST(HistoryView, RealHistoryFiles) {
  const std::wstring data = test::TestDataDir();
  if (data.empty()) GTEST_SKIP() << "the shared testdata folder is not beside the project";
  UseFiles files({data + L"\\indexdat\\plaso-History.IE5-index.dat", data + L"\\indexdat\\grr-History.IE5-index.dat"});
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  const Lines urls = test::Lines(*form, 1);
  EXPECT_NE(std::find(urls.begin(), urls.end(), L"http://www.msn.com/?ocid=iehp"), urls.end());
  for (const auto& u : urls) EXPECT_EQ(_wcsnicmp(u.c_str(), L"http", 4), 0) << std::string(u.begin(), u.end());
  EXPECT_GE(urls.size(), 10u);
  EXPECT_EQ(form->PanelText(2), L"Total Records: " + std::to_wstring(urls.size()));
}

// ---------------------------------------------------------------------------
// Sorting and activation.

TEST(Activation, DoubleClickHandsTheLineToTheShellByTheViewsTag) {
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  test::RecordingShell shell;
  form->ClearItems();
  form->ClearColumns();
  form->AddColumn(1, L"Title", 1000);
  form->AddColumn(2, L"URL", 1000);
  form->SetSubItem(form->AddLine(L"first"), 1, L"http://first.example/");
  form->SetSubItem(form->AddLine(L"notepad"), 1, L"http://second.example/");
  form->SyncList();

  form->ViewMode = L"cache";
  form->URLs_DblClick();  // nothing selected
  EXPECT_TRUE(shell.calls.empty());

  form->SelectLine(1);
  form->URLs_DblClick();
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].file, L"http://second.example/");
  EXPECT_EQ(shell.calls[0].owner, form->hwnd());
  EXPECT_EQ(shell.calls[0].show, SW_SHOWNORMAL);
  EXPECT_FALSE(shell.calls[0].parametersNull);
  EXPECT_EQ(shell.calls[0].parameters, L"");
  EXPECT_EQ(shell.calls[0].directory, L"");

  for (const wchar_t* tag : {L"url", L"cookies", L"recdoc", L"open", L"index.dat"}) {
    shell.calls.clear();
    form->ViewMode = tag;
    form->URLs_DblClick();
    ASSERT_EQ(shell.calls.size(), 1u) << tag;
    EXPECT_EQ(shell.calls[0].file, L"notepad");
    EXPECT_FALSE(shell.calls[0].run);
  }
  shell.calls.clear();
  form->ViewMode = L"run";
  form->mnuOpoenIt_Click();  // the menu's Open does what the double-click does
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_TRUE(shell.calls[0].run);
  EXPECT_EQ(shell.calls[0].file, L"notepad");

  for (const wchar_t* tag : {L"", L"search", L"Cache", L"RUN"}) {
    shell.calls.clear();
    form->ViewMode = tag;
    form->URLs_DblClick();
    EXPECT_TRUE(shell.calls.empty());
  }
  // Enter on the list acts as a double-click.
  shell.calls.clear();
  form->ViewMode = L"url";
  NMHDR enter{form->Control(IDC_URLS), IDC_URLS, static_cast<UINT>(NM_RETURN)};
  SendMessageW(form->hwnd(), WM_NOTIFY, IDC_URLS, reinterpret_cast<LPARAM>(&enter));
  EXPECT_EQ(shell.calls.size(), 1u);
}

TEST(Activation, RunningALineThatNamesNoProgramDoesNothing) {
  // The platform's own start, not a stand-in: it reports the failure, and
  // the double-click passes it by without a message.
  EXPECT_FALSE(Shell().Run(L"no-such-program-glimmerlog"));
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  form->ClearItems();
  form->AddLine(L"no-such-program-glimmerlog");
  form->SyncList();
  form->SelectLine(0);
  form->ViewMode = L"run";
  form->URLs_DblClick();
  EXPECT_EQ(form->LineCount(), 1u);
}

TEST(Sorting, AColumnClickChoosesTheKeyAndOrdersTheRows) {
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  form->ClearItems();
  form->ClearColumns();
  for (int c = 1; c <= 3; ++c) form->AddColumn(c, L"c" + std::to_wstring(c), 1000);
  const wchar_t* titles[] = {L"b", L"c", L"a"};
  const uint64_t days[] = {30 * 400, 10 * 400, 20 * 400};  // texts that do not sort as the times do
  for (int i = 0; i < 3; ++i) {
    const size_t line = form->AddLine(titles[i]);
    const uint64_t t = UtcToFileTime(1900, 1, 1, 12, 0, 0) + days[i] * kFileTimeTicksPerDay;
    form->SetSubItemTime(line, 2, FILETIME{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)});
  }
  form->SyncList();
  EXPECT_EQ(test::Lines(*form), (Lines{L"b", L"c", L"a"}));  // the source's order at first

  NMLISTVIEW click{};
  click.hdr = {form->Control(IDC_URLS), IDC_URLS, static_cast<UINT>(LVN_COLUMNCLICK)};
  click.iSubItem = 2;  // the third header
  SendMessageW(form->hwnd(), WM_NOTIFY, IDC_URLS, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(form->Model().SortKey(), 2);
  EXPECT_EQ(test::Lines(*form), (Lines{L"c", L"a", L"b"}));  // by time, not text
  EXPECT_EQ(test::ShownText(*form, 0, 0), L"c");
  SendMessageW(form->hwnd(), WM_NOTIFY, IDC_URLS, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(test::Lines(*form), (Lines{L"c", L"a", L"b"}));  // a second click does not reverse

  form->URLs_ColumnClick(1);
  EXPECT_EQ(form->Model().SortKey(), 0);
  EXPECT_EQ(test::Lines(*form), (Lines{L"a", L"b", L"c"}));
  // Double-click reads the line shown, not the line added at that place.
  test::RecordingShell shell;
  form->ViewMode = L"url";
  form->SelectLine(0);
  form->URLs_DblClick();
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].file, L"a");
}

TEST(Sorting, SelectedLinesFollowTheirRowsWhenTheOrderChanges) {
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  form->ClearItems();
  form->ClearColumns();
  form->AddColumn(1, L"c1", 1000);
  for (const wchar_t* title : {L"b", L"c", L"a"}) form->AddLine(title);
  form->SyncList();
  form->SelectLine(0);  // "b", first as added
  form->URLs_ColumnClick(1);
  EXPECT_EQ(test::Lines(*form), (Lines{L"a", L"b", L"c"}));
  EXPECT_EQ(form->SelectedLine(), 1);
  EXPECT_EQ(ListView_GetNextItem(form->Control(IDC_URLS), -1, LVNI_FOCUSED), 1);
  test::RecordingShell shell;
  form->ViewMode = L"url";
  form->mnuOpoenIt_Click();
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].file, L"b");
}

// Text columns sort in the user's language without regard to case: accented
// letters next to their base letter, not after "Z"; lines of plain ASCII
// (whose keys the program makes itself) and others in one consistent order.
TEST(Sorting, TextFollowsTheUsersLanguage) {
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  form->StartView(L"url", L"c1", 1000);
  for (const wchar_t* t : {L"Zulu", L"\u00c4pfel", L"apple", L"\u00c9clair", L"banana", L"Eclair-2", L"eclair"}) {
    form->AddLine(t);
  }
  form->URLs_ColumnClick(1);
  EXPECT_EQ(test::Lines(*form),
            (Lines{L"\u00c4pfel", L"apple", L"banana", L"eclair", L"\u00c9clair", L"Eclair-2", L"Zulu"}));
}

}  // namespace
}  // namespace glimmerlog
