#include "views/browser/historyfilestore_win.h"

#include <shlobj.h>

#include <algorithm>
#include <memory>

#include "base/ascii.h"
#include "base/winutil_win.h"
#include "sources/hive/upcase.h"
#include "sources/ie/historyfiles.h"
#include "sources/ie/msiecf.h"
#include "sources/live.h"

namespace glimmerlog {

namespace {

// The history format cannot exceed about 16 MB; anything far larger is not a
// history file and is not read into memory.
constexpr uint64_t kMaxHistoryFileBytes = 64ull << 20;

struct StoreEntry {
  std::wstring url, title;
  FILETIME lastVisited{}, lastUpdated{}, expires{};
  DWORD flags = 0;
};
using Entries = std::vector<StoreEntry>;

FILETIME ToFileTime(uint64_t ticks) { return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}; }

// Read through the store's folders as every file of the profile is (the
// browser keeps its history file open and goes on writing it meanwhile). A
// file that cannot be read adds nothing.
void AppendFile(FolderSource& folders, const std::wstring& path, Entries& entries) {
  std::vector<uint8_t> bytes;
  std::vector<HistoryEntry> records;
  if (folders.ReadFile(std::u16string(AsU16(path)), bytes, kMaxHistoryFileBytes) != SourceStatus::kOk ||
      bytes.empty() || !ReadHistoryFile(bytes.data(), bytes.size(), records)) {
    return;
  }
  entries.reserve(entries.size() + records.size());
  for (const HistoryEntry& r : records) {
    StoreEntry e;
    // Addresses are nearly always ASCII, the same in every code page.
    bool ascii = true;
    for (char c : r.url) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
      e.url.assign(r.url.begin(), r.url.end());
    } else {
      e.url = AnsiToWide(r.url.data(), r.url.size());
    }
    e.title.assign(r.title.begin(), r.title.end());
    e.lastVisited = ToFileTime(r.lastVisited);
    e.lastUpdated = ToFileTime(r.lastUpdated);
    e.expires = ToFileTime(r.expires);
    e.flags = r.flags;
    entries.push_back(std::move(e));
  }
}

CoTaskMemString TaskMemCopy(const std::wstring& s) {
  CoTaskMemString p(static_cast<wchar_t*>(CoTaskMemAlloc((s.size() + 1) * sizeof(wchar_t))));
  if (p) std::copy(s.c_str(), s.c_str() + s.size() + 1, p.get());
  return p;
}

// A record of the entry whose strings are the caller's to free with
// CoTaskMemFree; false, with the record untouched, when memory runs out.
bool FillRecord(const StoreEntry& e, STATURL& r) {
  CoTaskMemString url = TaskMemCopy(e.url), title = TaskMemCopy(e.title);
  if (!url || !title) return false;
  r.cbSize = sizeof(STATURL);
  r.pwcsUrl = url.release();
  r.pwcsTitle = title.release();
  r.ftLastVisited = e.lastVisited;
  r.ftLastUpdated = e.lastUpdated;
  r.ftExpires = e.expires;
  r.dwFlags = e.flags;
  return true;
}

void FreeRecord(STATURL& r) {
  CoTaskMemFree(r.pwcsUrl);
  CoTaskMemFree(r.pwcsTitle);
  r.pwcsUrl = r.pwcsTitle = nullptr;
}

// ---------------------------------------------------------------------------

class EntryEnum final : public IEnumSTATURL {
 public:
  explicit EntryEnum(std::shared_ptr<const Entries> entries) : entries_(std::move(entries)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumSTATURL) {
      *out = static_cast<IEnumSTATURL*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  // Copies up to `count` matching entries into `records`. When memory runs
  // out, the records of this call are freed and none is handed out.
  HRESULT STDMETHODCALLTYPE Next(ULONG count, STATURL* records, ULONG* fetched) override {
    if (!records || (!fetched && count != 1)) return E_POINTER;
    if (fetched) *fetched = 0;
    ULONG n = 0;
    const size_t start = at_;
    while (n < count && at_ < entries_->size()) {
      const StoreEntry& e = (*entries_)[at_++];
      if (!StartsWithIgnoringAsciiCase(e.url, filter_)) continue;
      if (!FillRecord(e, records[n])) {
        while (n > 0) FreeRecord(records[--n]);
        at_ = start;
        return E_OUTOFMEMORY;
      }
      ++n;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    while (count > 0 && at_ < entries_->size()) {
      if (StartsWithIgnoringAsciiCase((*entries_)[at_++].url, filter_)) --count;
    }
    return count == 0 ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    at_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumSTATURL** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return ComMethod([&] {
      auto copy = std::make_unique<EntryEnum>(entries_);
      copy->at_ = at_;
      copy->filter_ = filter_;
      *out = copy.release();
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE SetFilter(LPCOLESTR prefix, DWORD /*flags*/) override {
    return ComMethod([&] {
      filter_ = prefix ? prefix : L"";
      return S_OK;
    });
  }

 private:
  ULONG refs_ = 1;
  std::shared_ptr<const Entries> entries_;
  size_t at_ = 0;
  std::wstring filter_;
};

class FileStore final : public IUrlHistoryStg2 {
 public:
  FileStore(FolderSource& folders, std::vector<std::wstring> files) : folders_(folders), files_(std::move(files)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IUrlHistoryStg || iid == IID_IUrlHistoryStg2) {
      *out = static_cast<IUrlHistoryStg2*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  // The store only reads: every operation that would change the history is
  // refused.
  HRESULT STDMETHODCALLTYPE AddUrl(LPCOLESTR, LPCOLESTR, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteUrl(LPCOLESTR, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToObject(LPCOLESTR, REFIID, void** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE AddUrlAndNotify(LPCOLESTR, LPCOLESTR, DWORD, BOOL, IOleCommandTarget*, IUnknown*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE ClearHistory() override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE QueryUrl(LPCOLESTR url, DWORD, STATURL* record) override {
    if (!url) return E_INVALIDARG;
    return ComMethod([&] {
      auto entries = Load();
      for (const StoreEntry& e : *entries) {
        if (e.url != url) continue;
        if (record && !FillRecord(e, *record)) return E_OUTOFMEMORY;
        return S_OK;
      }
      return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    });
  }

  HRESULT STDMETHODCALLTYPE EnumUrls(IEnumSTATURL** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return ComMethod([&] {
      *out = std::make_unique<EntryEnum>(Load()).release();
      return S_OK;
    });
  }

 private:
  // What the files say now. The entries read last are kept with the size
  // and last-write time of each file, and used again while neither changed:
  // the window reads the whole history at start and again for its first
  // view a moment later.
  std::shared_ptr<const Entries> Load() const {
    std::vector<Stamp> stamps;
    for (const std::wstring& file : files_) stamps.push_back(StampOf(file));
    if (cache_ && stamps == stamps_) return cache_;
    auto entries = std::make_shared<Entries>();
    for (const std::wstring& file : files_) AppendFile(folders_, file, *entries);
    cache_ = entries;
    stamps_ = std::move(stamps);
    return entries;
  }

  struct Stamp {
    bool exists = false;
    uint64_t size = 0, written = 0;
    bool operator==(const Stamp& o) const { return exists == o.exists && size == o.size && written == o.written; }
  };
  // As its folder's listing in the store's folders gives it, so that a file
  // of another profile is only ever looked at through them.
  Stamp StampOf(const std::wstring& file) const {
    const size_t slash = file.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    const std::u16string name(AsU16(file.substr(slash + 1)));
    auto listing = folders_.List(AsU16(file.substr(0, slash + 1)), nullptr);
    if (!listing) return {};
    for (FolderEntry entry; listing->Next(entry);) {
      if (SameRegistryName(entry.name, name)) return {true, entry.size, entry.modified};
    }
    return {};
  }

  ULONG refs_ = 1;
  FolderSource& folders_;
  std::vector<std::wstring> files_;
  mutable std::shared_ptr<const Entries> cache_;
  mutable std::vector<Stamp> stamps_;
};

std::vector<std::wstring> AsWidePaths(const std::vector<std::u16string>& files) {
  std::vector<std::wstring> wide;
  for (const std::u16string& file : files) wide.push_back(AsWide(file));
  return wide;
}

}  // namespace

// The folder as the Shell Folders key records it, like the other views; the
// shell's own answer only where the key has none.
std::vector<std::wstring> DefaultHistoryFiles() {
  std::vector<std::u16string> files = HistoryFiles(LiveProfile(), LiveFolders());
  if (files.empty()) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_HISTORY, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    files = HistoryFilesIn(AsU16(std::wstring(path)), LiveFolders());
  }
  return AsWidePaths(files);
}

HRESULT CreateHistoryFileStore(FolderSource& folders, const std::vector<std::wstring>& files,
                               IUrlHistoryStg2** store) {
  if (!store) return E_POINTER;
  *store = nullptr;
  return ComMethod([&] {
    *store = std::make_unique<FileStore>(folders, files).release();
    return S_OK;
  });
}

HRESULT CreateHistoryFileStore(const std::vector<std::wstring>& files, IUrlHistoryStg2** store) {
  return CreateHistoryFileStore(LiveFolders(), files, store);
}

HRESULT CreateHistoryFileStore(IUrlHistoryStg2** store) {
  if (!store) return E_POINTER;
  *store = nullptr;
  return ComMethod([&] { return CreateHistoryFileStore(DefaultHistoryFiles(), store); });
}

}  // namespace glimmerlog
