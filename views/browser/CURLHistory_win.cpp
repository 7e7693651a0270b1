#include "views/browser/CURLHistory_win.h"

#include <oleauto.h>

namespace glimmerlog {

namespace {
HistoryStoreFactory g_factory = &CreateDefaultHistoryStore;
}  // namespace

void SetHistoryStoreFactory(HistoryStoreFactory factory) { g_factory = factory ? factory : &CreateDefaultHistoryStore; }

// ---------------------------------------------------------------------------

void URLHistoryItem::LoadFromRecord(const STATURL& record, CoTaskMemString url, CoTaskMemString title) {
  record_ = record;
  url_ = std::move(url);
  title_ = std::move(title);
}

std::wstring URLHistoryItem::TextFromPointer(const wchar_t* text) {
  if (!text) return {};
  return std::wstring(text, static_cast<size_t>(lstrlenW(text)));
}

double URLHistoryItem::ToLocalDate(const FILETIME& utc) { return LocalDateOf(utc); }

// ---------------------------------------------------------------------------

HRESULT CURLHistory::Create(std::unique_ptr<CURLHistory>& out) {
  out.reset();
  ComPtr<IUrlHistoryStg2> store;
  HRESULT hr = g_factory(store.put());
  if (FAILED(hr)) return hr;
  if (!store) return E_NOINTERFACE;
  std::unique_ptr<CURLHistory> history(new (std::nothrow) CURLHistory(std::move(store)));
  if (!history) return E_OUTOFMEMORY;
  hr = history->Refresh(L"", 0);
  if (FAILED(hr)) return hr;
  out = std::move(history);
  return S_OK;
}

std::unique_ptr<CURLHistory> CURLHistory::Create() {
  std::unique_ptr<CURLHistory> history;
  Create(history);
  return history;
}

HRESULT CURLHistory::Refresh(const std::wstring& URLStartsWith, DWORD Flags) {
  ComPtr<IEnumSTATURL> entries;
  HRESULT hr = store_->EnumUrls(entries.put());
  if (FAILED(hr)) return hr;
  if (!entries) return E_POINTER;
  hr = entries->SetFilter(URLStartsWith.c_str(), Flags);
  if (FAILED(hr)) return hr;

  // Only now is the old list given up. The enumeration ends at "no more"
  // or at any failure, and what was read so far is kept; a store that claims
  // success without a record also ends it, so no record is taken twice.
  items_.clear();
  for (;;) {
    STATURL record{};
    ULONG fetched = 0;
    if (entries->Next(1, &record, &fetched) != S_OK || fetched != 1) break;
    // The strings are owned from the moment they arrive, so that running out
    // of memory below frees them and keeps the entries read so far.
    CoTaskMemString url(record.pwcsUrl), title(record.pwcsTitle);
    try {
      auto item = std::make_unique<URLHistoryItem>();
      item->LoadFromRecord(record, std::move(url), std::move(title));
      items_.push_back(std::move(item));
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
  return S_OK;
}

}  // namespace glimmerlog
