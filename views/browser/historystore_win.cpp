// The history store behind CURLHistory: the platform's own class where it
// answers, otherwise the program's store over the user's history file.
#include <initguid.h>

#include "views/browser/CURLHistory_win.h"
#include "views/browser/historyfilestore_win.h"

namespace glimmerlog {

namespace {
// {3C374A40-BAE4-11CF-BF7D-00AA006946EE}
const CLSID kClsidUrlHistory = {0x3C374A40, 0xBAE4, 0x11CF, {0xBF, 0x7D, 0x00, 0xAA, 0x00, 0x69, 0x46, 0xEE}};
}  // namespace

// The platform's class is taken only when it can actually enumerate: some
// systems (Wine among them) create it but answer E_NOTIMPL to EnumUrls.
HRESULT CreateDefaultHistoryStore(IUrlHistoryStg2** store) {
  if (!store) return E_POINTER;
  *store = nullptr;
  ComPtr<IUrlHistoryStg2> platform;
  if (SUCCEEDED(CoCreateInstance(kClsidUrlHistory, nullptr, CLSCTX_INPROC_SERVER, IID_IUrlHistoryStg2,
                                 platform.put_void()))) {
    ComPtr<IEnumSTATURL> probe;
    if (SUCCEEDED(platform->EnumUrls(probe.put())) && probe) {
      *store = platform.get();
      (*store)->AddRef();
      return S_OK;
    }
  }
  return CreateHistoryFileStore(store);
}

}  // namespace glimmerlog
