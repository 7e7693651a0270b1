// The order of text columns: the user's locale, without regard to case, as
// the platform's sort keys give it ("Äpfel" next to "Apfel", not after "Z").
// Hyphens and apostrophes sort as symbols (string sort), as suits addresses
// and paths.
//
// Making a sort key costs microseconds, and a column of a million addresses
// would wait seconds for them. Printable ASCII, which most lines are, has a
// key that is the characters' weights one after another and then a fixed
// tail; those weights are read from the platform once, checked against its
// own keys, and used to make the keys of ASCII lines directly. Other text,
// or a platform whose keys are not built that way, goes through the
// platform for every line.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "app/collation.h"
#include "app/listmodel.h"

namespace glimmerlog {

namespace {

constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE | SORT_STRINGSORT;

bool PlatformKey(const wchar_t* chars, int length, std::string& key) {
  if (length <= 0) return false;
  const int bytes = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, kFlags, chars, length, nullptr, 0, nullptr, nullptr, 0);
  if (bytes <= 0) return false;
  key.resize(static_cast<size_t>(bytes));
  const int made = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, kFlags, chars, length,
                                 reinterpret_cast<wchar_t*>(key.data()), bytes, nullptr, nullptr, 0);
  if (made <= 0) return false;
  key.resize(static_cast<size_t>(made));
  return true;
}

bool PlatformKey(const std::wstring& text, std::string& key) {
  return PlatformKey(text.data(), static_cast<int>(text.size()), key);
}

// The weights of printable ASCII and the tail of an ASCII key.
struct AsciiWeights {
  bool usable = false;
  std::array<std::string, 128> weights;
  std::string tail;

  AsciiWeights() {
    std::string one, two;
    for (wchar_t c = 0x20; c < 0x7F; ++c) {
      // key(c) = w + tail and key(cc) = w + w + tail give w and the tail.
      if (!PlatformKey(std::wstring(1, c), one) || !PlatformKey(std::wstring(2, c), two) || two.size() <= one.size())
        return;
      const size_t n = two.size() - one.size();
      if (two.compare(0, n, one, 0, n) != 0 || two.compare(n, std::string::npos, one) != 0) return;
      weights[c] = one.substr(0, n);
      const std::string tailHere = one.substr(n);
      if (c == 0x20) tail = tailHere;
      if (tailHere != tail) return;
    }
    // The rule must hold for whole lines, not just for single characters.
    const wchar_t* probes[] = {L"http://www.example.com/a/b?c=d&e=f#g",
                               L"C:\\Users\\Ann\\My Documents\\x.doc",
                               L"it's a well-known fact",
                               L"ABC abc 123 !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~",
                               L"z-a",
                               L"a-z",
                               L"co-op",
                               L"coop"};
    MakeFlat();
    std::string want, got;
    for (const wchar_t* probe : probes) {
      if (!PlatformKey(probe, want)) return;
      Make(std::u16string_view(reinterpret_cast<const char16_t*>(probe), wcslen(probe)), got);
      if (got != want) return;
    }
    usable = true;
    MakeRanks();
    // The ranks must order the probes as the platform's keys do.
    for (const wchar_t* a : probes) {
      for (const wchar_t* b : probes) {
        std::string keyA, keyB;
        if (!ranked || !PlatformKey(a, keyA) || !PlatformKey(b, keyB)) continue;
        std::string rankA, rankB;
        for (const wchar_t* c = a; *c; ++c) rankA += static_cast<char>(ranks[*c & 0x7F]);
        for (const wchar_t* c = b; *c; ++c) rankB += static_cast<char>(ranks[*c & 0x7F]);
        if ((keyA < keyB) != (rankA < rankB) || (keyA == keyB) != (rankA == rankB)) ranked = false;
      }
    }
  }

  // The key of a text of printable ASCII only; false for any other text.
  // The weights are copied from a flat table into room made once.
  bool Make(std::u16string_view text, std::string& key) const {
    if (!flat) return MakeSlowly(text, key);
    key.resize(text.size() * kMaxWeight + tail.size());
    char* out = key.data();
    for (char16_t c : text) {
      if (c < 0x20 || c >= 0x7F || !flatSize[c]) return false;
      std::memcpy(out, flatWeight[c], kMaxWeight);
      out += flatSize[c];
    }
    std::memcpy(out, tail.data(), tail.size());
    key.resize(static_cast<size_t>(out - key.data()) + tail.size());
    return true;
  }

  bool MakeSlowly(std::u16string_view text, std::string& key) const {
    key.clear();
    for (char16_t c : text) {
      if (c < 0x20 || c >= 0x7F || weights[c].empty()) return false;
      key += weights[c];
    }
    key += tail;
    return true;
  }

  // The weights again, each in a slot of kMaxWeight bytes, when every
  // weight fits one.
  static constexpr size_t kMaxWeight = 4;
  bool flat = false;
  char flatWeight[128][kMaxWeight] = {};
  unsigned char flatSize[128] = {};

  // Ranks stand for the keys when every weight has the same length (so
  // weights line up) and the tail sorts before every weight (so a text
  // that begins another comes first).
  bool ranked = false;
  unsigned char ranks[128] = {};
  void MakeRanks() {
    if (!flat) return;
    std::vector<std::string> distinct;
    for (size_t c = 0x20; c < 0x7F; ++c) {
      if (weights[c].size() != weights[0x20].size()) return;
      if (!tail.empty() && static_cast<unsigned char>(tail[0]) >= static_cast<unsigned char>(weights[c][0])) return;
      distinct.push_back(weights[c]);
    }
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    for (size_t c = 0x20; c < 0x7F; ++c) {
      ranks[c] = static_cast<unsigned char>(
          1 + (std::lower_bound(distinct.begin(), distinct.end(), weights[c]) - distinct.begin()));
    }
    ranked = true;
  }

  void MakeFlat() {
    for (size_t c = 0x20; c < 0x7F; ++c) {
      if (weights[c].empty() || weights[c].size() > kMaxWeight) return;
      std::memcpy(flatWeight[c], weights[c].data(), weights[c].size());
      flatSize[c] = static_cast<unsigned char>(weights[c].size());
    }
    flat = true;
  }
};

const AsciiWeights& Ascii() {
  static const AsciiWeights ascii;
  return ascii;
}

}  // namespace

const unsigned char* UserLocaleAsciiRanks() { return Ascii().usable && Ascii().ranked ? Ascii().ranks : nullptr; }

void UserLocaleKey(std::u16string_view text, std::string& key) {
  const AsciiWeights& ascii = Ascii();
  if (ascii.usable && !text.empty() && ascii.Make(text, key)) return;
  if (!PlatformKey(reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()), key)) {
    // Empty text, or text the platform cannot map, keeps the plain order.
    AsciiFoldKey(text, key);
  }
}

}  // namespace glimmerlog
