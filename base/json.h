// A reader of JSON text (RFC 8259) into a tree of values, for the small JSON
// documents Windows and browsers store in their databases and files (an
// activity's payload, a bookmarks file). Platform-free.
//
// Input is untrusted: nesting deeper than kMaxDepth, and text that is not
// JSON, are refused with a reason; a string's escapes become UTF-16 (an
// unpaired surrogate escape is kept as it is, as Windows keeps such names);
// bytes that are not UTF-8 become U+FFFD. Memory is in proportion to the
// text's length.
#ifndef GLIMMERLOG_BASE_JSON_H
#define GLIMMERLOG_BASE_JSON_H

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace glimmerlog {

struct JsonValue {
  enum class Kind : unsigned char { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::u16string text;                                        // a string's
  std::vector<JsonValue> items;                               // an array's
  std::vector<std::pair<std::u16string, JsonValue>> members;  // an object's, in their order

  // The first member of that name; null when there is none or this is not
  // an object.
  const JsonValue* Find(std::u16string_view name) const;
  // A member's text when it is a string, else empty.
  std::u16string_view Text(std::u16string_view name) const;
  // A member's number when it is one, else `otherwise`.
  double Number(std::u16string_view name, double otherwise) const;
};

constexpr unsigned kMaxJsonDepth = 128;

// The value `text` holds (whitespace around it allowed). False, with a
// reason ("not JSON at byte 12: ..."), when it is not one JSON value.
bool ParseJson(std::string_view text, JsonValue& out, std::string* reason = nullptr);

}  // namespace glimmerlog

#endif
