// The browser's views: Internet history, typed addresses, cookie files and
// the URL records of a cache index file.
#ifndef GLIMMERLOG_VIEWS_BROWSER_BROWSERVIEWS_H
#define GLIMMERLOG_VIEWS_BROWSER_BROWSERVIEWS_H

#include <memory>

#include "views/browser/CURLHistory_win.h"
#include "views/view.h"

namespace glimmerlog {

// The history of visited pages through the history store: title, address
// and three times. Double-click opens the address.
class HistoryView final : public View {
 public:
  const wchar_t* Name() const override { return L"URLs History"; }
  std::wstring Source(ViewHost& /*host*/) const override { return L"the browser's history store"; }
  const wchar_t* Tag() const override { return L"cache"; }
  // Makes the history store; a store that cannot be made leaves the view
  // without one, and it still writes its count.
  void Prepare() override { history_ = CURLHistory::Create(); }
  void Load(ViewHost& host) override;
  void Activate(ViewHost& host, size_t line) override;
  CURLHistory* Store() const { return history_.get(); }

 private:
  std::unique_ptr<CURLHistory> history_;
};

// Addresses typed into the browser's address bar.
class AddressBarView final : public View {
 public:
  const wchar_t* Name() const override { return L"Address Bar"; }
  std::wstring Source(ViewHost& /*host*/) const override {
    return L"HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs";
  }
  const wchar_t* Tag() const override { return L"url"; }
  void Load(ViewHost& host) override;
  void Activate(ViewHost& host, size_t line) override;
};

// The files of the browser's cookie folder.
class CookiesView final : public View {
 public:
  const wchar_t* Name() const override { return L"Cookies"; }
  std::wstring Source(ViewHost& host) const override;
  const wchar_t* Tag() const override { return L"cookies"; }
  void Load(ViewHost& host) override;
  void Activate(ViewHost& host, size_t line) override;
};

// Every URL record of a cache index file that the user chooses.
class IndexDatView final : public View {
 public:
  const wchar_t* Name() const override { return L"Index.dat"; }
  std::wstring Source(ViewHost& host) const override { return host.State().indexDatPath; }
  const wchar_t* Tag() const override { return L"index.dat"; }
  void Load(ViewHost& host) override { Scan(host, true); }
  // The same file again, without the chooser (the chooser when none was read).
  void Reload(ViewHost& host) override { Scan(host, host.State().indexDatPath.empty()); }
  void Activate(ViewHost& host, size_t line) override;

 private:
  void Scan(ViewHost& host, bool choose);
};

}  // namespace glimmerlog

#endif
