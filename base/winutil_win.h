// Small Win32 helpers shared by the windows and views: text conversion at the
// platform boundary, move-only owners of handles, and one turn of the event
// loop.
#ifndef GLIMMERLOG_BASE_WINUTIL_WIN_H
#define GLIMMERLOG_BASE_WINUTIL_WIN_H

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <new>
#include <string>
#include <string_view>
#include <utility>

namespace glimmerlog {

std::wstring Utf8ToWide(const std::string& s);
std::string WideToUtf8(const std::wstring& s);
// Bytes in the system's ANSI code page, as files written by the browser hold
// them.
std::wstring AnsiToWide(const char* data, size_t size);

std::wstring Trim(const std::wstring& s);  // leading and trailing spaces only

// UTF-16 as the platform-free code holds it and as the wide functions take
// it: the same code units.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t");
inline std::u16string_view AsU16(const std::wstring& s) {
  return {reinterpret_cast<const char16_t*>(s.data()), s.size()};
}
inline std::wstring AsWide(std::u16string_view s) {
  return std::wstring(reinterpret_cast<const wchar_t*>(s.data()), s.size());
}

// Times: a FILETIME (UTC) to a local automation date with the offset in
// force on that date; a date to text in the user's format; both at once.
double LocalDateOf(const FILETIME& utc);
std::wstring DateText(double date);
std::wstring FileTimeText(uint64_t fileTime);
// ISO 8601 with the UTC offset of that date, as saved reports write times.
std::wstring FileTimeIso(uint64_t fileTime);

// Owner of a handle whose empty value and close function are given by Traits.
template <class Traits>
class UniqueAny {
 public:
  using Handle = typename Traits::Handle;
  UniqueAny() = default;
  explicit UniqueAny(Handle h) : h_(h) {}
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& o) noexcept : h_(o.release()) {}
  UniqueAny& operator=(UniqueAny&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  ~UniqueAny() { reset(); }

  Handle get() const { return h_; }
  explicit operator bool() const { return !Traits::IsEmpty(h_); }
  // Closes what is held and hands out the slot for an out-parameter.
  Handle* put() {
    reset();
    return &h_;
  }
  Handle release() { return std::exchange(h_, Traits::Empty()); }
  void reset(Handle h = Traits::Empty()) {
    if (!Traits::IsEmpty(h_)) Traits::Close(h_);
    h_ = h;
  }

 private:
  Handle h_ = Traits::Empty();
};

struct HkeyTraits {
  using Handle = HKEY;
  static HKEY Empty() { return nullptr; }
  static bool IsEmpty(HKEY h) { return h == nullptr; }
  static void Close(HKEY h) { RegCloseKey(h); }
};
struct FileTraits {
  using Handle = HANDLE;
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsEmpty(HANDLE h) { return h == INVALID_HANDLE_VALUE || h == nullptr; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct FindTraits {
  using Handle = HANDLE;
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsEmpty(HANDLE h) { return h == INVALID_HANDLE_VALUE || h == nullptr; }
  static void Close(HANDLE h) { FindClose(h); }
};
struct HandleTraits {
  using Handle = HANDLE;
  static HANDLE Empty() { return nullptr; }
  static bool IsEmpty(HANDLE h) { return h == nullptr; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct FontTraits {
  using Handle = HFONT;
  static HFONT Empty() { return nullptr; }
  static bool IsEmpty(HFONT h) { return h == nullptr; }
  static void Close(HFONT h) { DeleteObject(h); }
};

struct BitmapTraits {
  using Handle = HBITMAP;
  static HBITMAP Empty() { return nullptr; }
  static bool IsEmpty(HBITMAP h) { return h == nullptr; }
  static void Close(HBITMAP h) { DeleteObject(h); }
};

struct MenuTraits {
  using Handle = HMENU;
  static HMENU Empty() { return nullptr; }
  static bool IsEmpty(HMENU h) { return h == nullptr; }
  static void Close(HMENU h) { DestroyMenu(h); }
};
// Memory from CoTaskMemAlloc, such as the strings of a history record.
struct CoTaskMemTraits {
  using Handle = wchar_t*;
  static wchar_t* Empty() { return nullptr; }
  static bool IsEmpty(wchar_t* p) { return p == nullptr; }
  static void Close(wchar_t* p) { CoTaskMemFree(p); }
};
struct BstrTraits {
  using Handle = BSTR;
  static BSTR Empty() { return nullptr; }
  static bool IsEmpty(BSTR b) { return b == nullptr; }
  static void Close(BSTR b) { SysFreeString(b); }
};

using UniqueHkey = UniqueAny<HkeyTraits>;
using UniqueFile = UniqueAny<FileTraits>;
using UniqueFind = UniqueAny<FindTraits>;
using UniqueHandle = UniqueAny<HandleTraits>;
using UniqueHfont = UniqueAny<FontTraits>;
using UniqueBitmap = UniqueAny<BitmapTraits>;
using UniqueMenu = UniqueAny<MenuTraits>;
using CoTaskMemString = UniqueAny<CoTaskMemTraits>;
using UniqueBstr = UniqueAny<BstrTraits>;

// Runs the body of a COM method: an exception must not cross into the
// caller's frames, so running out of memory becomes E_OUTOFMEMORY and any
// other exception E_UNEXPECTED.
template <class Body>
HRESULT ComMethod(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// Reference to a COM interface, released when it goes.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) {
      reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  ~ComPtr() { reset(); }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  // Takes over a reference the caller already owns.
  void attach(T* p) {
    reset();
    p_ = p;
  }

 private:
  T* p_ = nullptr;
};

// COM for this thread, undone only if it was done.
class ComInit {
 public:
  ComInit() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComInit() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;

 private:
  HRESULT hr_;
};

// One turn of the event loop: dispatches every message that is waiting, or
// returns at once when the last turn was only a few milliseconds ago.
// Returns false when the turn met WM_QUIT; the quit is posted again so that
// the outer loop ends too, and the caller must stop its work.
bool DoEvents();

// True once a turn has met WM_QUIT: every yielding loop stops.
bool QuitSeen();

// A hook that sees every message before it is dispatched, in the main loop
// and in every turn (keyboard navigation of the main window). It returns
// true when it has handled the message.
using MessageFilter = bool (*)(MSG& msg);
void SetMessageFilter(MessageFilter filter);
// Translates and dispatches one message unless the filter takes it.
void DispatchOne(MSG& msg);

}  // namespace glimmerlog

#endif
