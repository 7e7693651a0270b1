// The tooltip of a list cell whose text is cut off: when to show it and how
// to break a long text (a URL of a thousand characters has no spaces) into
// lines a tooltip can show.
#ifndef GLIMMERLOG_APP_CELLTIP_H
#define GLIMMERLOG_APP_CELLTIP_H

#include <cstddef>
#include <string>

namespace glimmerlog {

// Whether text `textPixels` wide is cut off in a cell `cellPixels` wide, of
// which `paddingPixels` are kept free around the text.
inline bool CellTextCutOff(long textPixels, long cellPixels, long paddingPixels) {
  return textPixels > 0 && textPixels + paddingPixels > cellPixels;
}

// Breaks the text into lines of at most `maxChars` characters (at least 1),
// after a space, '/', '?', '&', '=', '\\' or '-' where one falls in the
// second half of a line, otherwise at the limit. Existing line breaks stay.
// Only the tooltip shows the result; copies and saves use the text as read.
std::wstring WrapTipText(const std::wstring& text, size_t maxChars);

}  // namespace glimmerlog

#endif
