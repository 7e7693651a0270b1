// The values of the Office programs' lists of recent documents and folders
// ("File MRU", "Place MRU"): text such as
//   [F00000000][T01D9C2A1B3C4D5E6][O00000000]*C:\Users\ann\Report.docx
// a run of bracketed fields, a star, and the path. The field that begins
// with T holds when the document was last opened, a FILETIME written as a
// hexadecimal number. Platform-free.
#ifndef GLIMMERLOG_VIEWS_OFFICE_OFFICEMRU_H
#define GLIMMERLOG_VIEWS_OFFICE_OFFICEMRU_H

#include <cstdint>
#include <string>
#include <string_view>

namespace glimmerlog {

struct OfficeMruValue {
  std::u16string path;
  uint64_t lastOpened = 0;  // FILETIME, UTC; 0 when the value holds none
  bool badTime = false;     // a T field that is not a number of 1 to 16 hex digits
};

// False for text that has fields but no star after them, or no path. Text
// without fields is a path alone (no time). A T field of fewer than 16
// digits is the number those digits write, as leading zeros may be left out;
// one that is empty, longer, or holds other characters gives no time and
// sets badTime. The path keeps everything after the first star.
bool ParseOfficeMruValue(std::u16string_view text, OfficeMruValue& out);

}  // namespace glimmerlog

#endif
