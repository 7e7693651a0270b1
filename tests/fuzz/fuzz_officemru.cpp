// The Office lists' values on arbitrary text: a path is always the text
// after the fields (the whole text when there are none), never empty; a
// time that could not be read is none.
#include <cstdlib>
#include <string>

#include "views/office/officemru.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  glimmerlog::OfficeMruValue value;
  const bool parsed = glimmerlog::ParseOfficeMruValue(text, value);
  if (parsed && value.path.empty()) std::abort();
  if (!parsed) return 0;
  if (value.path.size() > text.size() ||
      text.compare(text.size() - value.path.size(), value.path.size(), value.path) != 0) {
    std::abort();
  }
  if (text[0] != u'[' && (value.path != text || value.lastOpened != 0)) std::abort();
  if (text[0] == u'[' && text[text.size() - value.path.size() - 1] != u'*') std::abort();
  if (value.badTime && value.lastOpened != 0) std::abort();
  return 0;
}
