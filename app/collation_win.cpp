// The order of text columns: the user's locale, without regard to case, as
// the platform's sort keys give it ("Äpfel" next to "Apfel", not after "Z").
#include <windows.h>

#include "app/listmodel.h"

namespace glimmerlog {

void UserLocaleKey(std::u16string_view text, std::string& key) {
  const auto* chars = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
  const int bytes =
      length > 0 ? LCMapStringEx(LOCALE_NAME_USER_DEFAULT, kFlags, chars, length, nullptr, 0, nullptr, nullptr, 0) : 0;
  if (bytes <= 0) {
    // Text the platform cannot map keeps the plain order.
    AsciiFoldKey(text, key);
    return;
  }
  key.resize(static_cast<size_t>(bytes));
  const int made = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, kFlags, chars, length, reinterpret_cast<wchar_t*>(key.data()),
                                 bytes, nullptr, nullptr, 0);
  if (made <= 0) {
    AsciiFoldKey(text, key);
    return;
  }
  key.resize(static_cast<size_t>(made));
}

}  // namespace glimmerlog
