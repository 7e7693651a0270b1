// The SYSTEM hive's control set and code page.
#include "views/systemhive.h"


#include "base/codepage.h"
#include "views/table.h"

namespace glimmerlog {

namespace {

constexpr uint32_t kRegSz = 1, kRegExpandSz = 2;

}  // namespace

uint32_t VolumeCodePage(RegistrySource& system) {
  RegistryData data;
  if (system.ReadValue(CurrentControlSet(system) + u"\\Control\\Nls\\CodePage", u"ACP", data) != SourceStatus::kOk ||
      (data.type != kRegSz && data.type != kRegExpandSz)) {
    return 0;
  }
  const std::u16string text = Utf16ZText(data.bytes.data(), data.bytes.size());
  uint32_t page = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9' || page > 99999) return 0;
    page = page * 10 + static_cast<uint32_t>(c - u'0');
  }
  return page;
}

AnsiText VolumeAnsi(ViewSources& sources) {
  const AnsiDecoder fallback = sources.ansi;
  std::u16string probe;
  const uint32_t page = sources.system ? VolumeCodePage(*sources.system) : 0;
  if (page == 0 || !CodePageText(page, {}, probe)) {
    return [fallback](std::string_view bytes) { return fallback(bytes); };
  }
  // Bytes that are not text of the code page are read as this system's.
  return [page, fallback](std::string_view bytes) {
    std::u16string text;
    return CodePageText(page, bytes, text) ? text : fallback(bytes);
  };
}

}  // namespace glimmerlog
