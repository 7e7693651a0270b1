// The browser's per-user URL history as an ordered list of entries, read
// through the history store's interfaces.
#ifndef GLIMMERLOG_VIEWS_BROWSER_CURLHISTORY_WIN_H
#define GLIMMERLOG_VIEWS_BROWSER_CURLHISTORY_WIN_H

#include <windows.h>
#include <urlhist.h>

#include <memory>
#include <string>
#include <vector>

#include "base/winutil_win.h"

namespace glimmerlog {

// One history entry: the store's 40-byte record, kept as it was returned.
// The item owns the record's two strings and frees them when it goes.
class URLHistoryItem {
 public:
  URLHistoryItem() = default;
  URLHistoryItem(const URLHistoryItem&) = delete;
  URLHistoryItem& operator=(const URLHistoryItem&) = delete;

  // Automation dates in local time.
  double LastVisited() const { return ToLocalDate(record_.ftLastVisited); }
  double Expires() const { return ToLocalDate(record_.ftExpires); }
  double LastUpdated() const { return ToLocalDate(record_.ftLastUpdated); }
  // The same times as stored (UTC), for the list to format when it shows them.
  const FILETIME& LastVisitedUtc() const { return record_.ftLastVisited; }
  const FILETIME& ExpiresUtc() const { return record_.ftExpires; }
  const FILETIME& LastUpdatedUtc() const { return record_.ftLastUpdated; }
  std::wstring URL() const { return TextFromPointer(record_.pwcsUrl); }
  std::wstring Title() const { return TextFromPointer(record_.pwcsTitle); }

 private:
  friend class CURLHistory;
  // Takes the record; its strings are owned by the two owners given.
  void LoadFromRecord(const STATURL& record, CoTaskMemString url, CoTaskMemString title);
  static std::wstring TextFromPointer(const wchar_t* text);
  static double ToLocalDate(const FILETIME& utc);

  STATURL record_{};
  CoTaskMemString url_, title_;
};

class CURLHistory {
 public:
  using Items = std::vector<std::unique_ptr<URLHistoryItem>>;

  // Makes the store and reads the whole history once (no filter). Returns
  // the failing HRESULT when the store cannot be made or read.
  static HRESULT Create(std::unique_ptr<CURLHistory>& out);
  static std::unique_ptr<CURLHistory> Create();

  // Rebuilds the list with the entries whose URL begins with the prefix (all
  // entries for an empty one). A store or filter failure leaves the previous
  // list as it was; a failure while reading keeps what was read.
  HRESULT Refresh(const std::wstring& URLStartsWith, DWORD Flags);

  // The entries, in the store's order.
  const Items& NewEnum() const { return items_; }

 private:
  explicit CURLHistory(ComPtr<IUrlHistoryStg2> store) : store_(std::move(store)) {}

  ComPtr<IUrlHistoryStg2> store_;
  Items items_;
};

// Makes the history store. The default gives the platform's store when it
// can enumerate, otherwise the program's own store over the user's history
// file. Tests replace it.
using HistoryStoreFactory = HRESULT (*)(IUrlHistoryStg2** store);
void SetHistoryStoreFactory(HistoryStoreFactory factory);
HRESULT CreateDefaultHistoryStore(IUrlHistoryStg2** store);

}  // namespace glimmerlog

#endif
