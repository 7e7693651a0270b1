#include "base/json.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace glimmerlog {

const JsonValue* JsonValue::Find(std::u16string_view name) const {
  if (kind != Kind::kObject) return nullptr;
  for (const auto& member : members) {
    if (member.first == name) return &member.second;
  }
  return nullptr;
}

std::u16string_view JsonValue::Text(std::u16string_view name) const {
  const JsonValue* v = Find(name);
  return v && v->kind == Kind::kString ? std::u16string_view(v->text) : std::u16string_view();
}

double JsonValue::Number(std::u16string_view name, double otherwise) const {
  const JsonValue* v = Find(name);
  return v && v->kind == Kind::kNumber ? v->number : otherwise;
}

namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  bool Document(JsonValue& out) {
    Space();
    if (!Value(out, 0)) return false;
    Space();
    return at_ == s_.size() || Fail("text after the value");
  }
  std::string Reason() const { return "not JSON at byte " + std::to_string(at_) + ": " + why_; }

 private:
  bool Fail(const char* why) {
    if (why_.empty()) why_ = why;
    return false;
  }
  void Space() {
    while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r')) ++at_;
  }
  bool Word(std::string_view word) {
    if (s_.substr(at_, word.size()) != word) return Fail("an unknown word");
    at_ += word.size();
    return true;
  }

  bool Value(JsonValue& out, unsigned depth) {
    if (at_ >= s_.size()) return Fail("the text ends where a value should be");
    switch (s_[at_]) {
      case '{': return Object(out, depth);
      case '[': return Array(out, depth);
      case '"': out.kind = JsonValue::Kind::kString; return String(out.text);
      case 't': out.kind = JsonValue::Kind::kBool; out.boolean = true; return Word("true");
      case 'f': out.kind = JsonValue::Kind::kBool; return Word("false");
      case 'n': out.kind = JsonValue::Kind::kNull; return Word("null");
      default: return Number(out);
    }
  }

  bool Object(JsonValue& out, unsigned depth) {
    if (depth >= kMaxJsonDepth) return Fail("nested too deeply");
    out.kind = JsonValue::Kind::kObject;
    ++at_;
    Space();
    if (at_ < s_.size() && s_[at_] == '}') return ++at_, true;
    for (;;) {
      Space();
      if (at_ >= s_.size() || s_[at_] != '"') return Fail("a member's name should be a string");
      out.members.emplace_back();
      if (!String(out.members.back().first)) return false;
      Space();
      if (at_ >= s_.size() || s_[at_] != ':') return Fail("a colon should follow a member's name");
      ++at_;
      Space();
      if (!Value(out.members.back().second, depth + 1)) return false;
      Space();
      if (at_ < s_.size() && s_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < s_.size() && s_[at_] == '}') return ++at_, true;
      return Fail("a comma or a closing brace should follow a member");
    }
  }

  bool Array(JsonValue& out, unsigned depth) {
    if (depth >= kMaxJsonDepth) return Fail("nested too deeply");
    out.kind = JsonValue::Kind::kArray;
    ++at_;
    Space();
    if (at_ < s_.size() && s_[at_] == ']') return ++at_, true;
    for (;;) {
      Space();
      out.items.emplace_back();
      if (!Value(out.items.back(), depth + 1)) return false;
      Space();
      if (at_ < s_.size() && s_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < s_.size() && s_[at_] == ']') return ++at_, true;
      return Fail("a comma or a closing bracket should follow an item");
    }
  }

  bool Number(JsonValue& out) {
    const size_t start = at_;
    if (at_ < s_.size() && s_[at_] == '-') ++at_;
    const size_t digits = at_;
    while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
    if (at_ == digits) return Fail("a value should be here");
    if (s_[digits] == '0' && at_ - digits > 1) return Fail("a number has a leading zero");
    if (at_ < s_.size() && s_[at_] == '.') {
      const size_t fraction = ++at_;
      while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
      if (at_ == fraction) return Fail("a number's fraction has no digits");
    }
    if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
      ++at_;
      if (at_ < s_.size() && (s_[at_] == '+' || s_[at_] == '-')) ++at_;
      const size_t exponent = at_;
      while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
      if (at_ == exponent) return Fail("a number's exponent has no digits");
    }
    out.kind = JsonValue::Kind::kNumber;
    // Out of range: infinity for a number too large, zero for one too
    // small, as JavaScript reads them. Its size is its integer digits plus
    // its exponent.
    const auto result = std::from_chars(s_.data() + start, s_.data() + at_, out.number);
    if (result.ec == std::errc::result_out_of_range) {
      const std::string_view text = s_.substr(start, at_ - start);
      const size_t e = text.find_first_of("eE");
      long magnitude = 0;
      for (size_t i = text[0] == '-' ? 1 : 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (magnitude > 0 || text[i] != '0') ++magnitude;
      }
      if (e != std::string_view::npos) {
        long exponent = 0;
        const bool negative = text[e + 1] == '-';
        for (size_t i = e + 1; i < text.size() && exponent < 100000; ++i) {
          if (text[i] >= '0' && text[i] <= '9') exponent = exponent * 10 + (text[i] - '0');
        }
        magnitude += negative ? -exponent : exponent;
      }
      const double size = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
      out.number = text[0] == '-' ? -size : size;
    }
    return true;
  }

  static int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  // One UTF-8 sequence as UTF-16; a byte that starts none is U+FFFD.
  void Utf8(std::u16string& out) {
    const auto byte = [this](size_t i) { return static_cast<unsigned char>(s_[i]); };
    const unsigned char lead = byte(at_);
    const int length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
    uint32_t code = length == 4 ? lead & 0x07u : length == 3 ? lead & 0x0Fu : lead & 0x1Fu;
    bool valid = length > 0 && at_ + static_cast<size_t>(length) <= s_.size();
    for (int i = 1; valid && i < length; ++i) {
      const unsigned char next = byte(at_ + static_cast<size_t>(i));
      valid = (next & 0xC0) == 0x80;
      code = code << 6 | (next & 0x3Fu);
    }
    valid = valid && !(length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) &&
            !(length == 4 && (code < 0x10000 || code > 0x10FFFF));
    if (!valid) {
      out += u'\uFFFD';
      ++at_;
      return;
    }
    at_ += static_cast<size_t>(length);
    if (code >= 0x10000) {
      code -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (code >> 10));
      out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
  }

  bool String(std::u16string& out) {
    ++at_;  // the opening quote
    for (;;) {
      if (at_ >= s_.size()) return Fail("a string is not closed");
      const unsigned char c = static_cast<unsigned char>(s_[at_]);
      if (c == '"') return ++at_, true;
      if (c < 0x20) return Fail("a control character in a string");
      if (c >= 0x80) {
        Utf8(out);
        continue;
      }
      if (c != '\\') {
        out += static_cast<char16_t>(c);
        ++at_;
        continue;
      }
      if (++at_ >= s_.size()) return Fail("a string is not closed");
      const char e = s_[at_++];
      switch (e) {
        case '"': out += u'"'; break;
        case '\\': out += u'\\'; break;
        case '/': out += u'/'; break;
        case 'b': out += u'\b'; break;
        case 'f': out += u'\f'; break;
        case 'n': out += u'\n'; break;
        case 'r': out += u'\r'; break;
        case 't': out += u'\t'; break;
        case 'u': {
          if (at_ + 4 > s_.size()) return Fail("a \\u escape is cut short");
          int unit = 0;
          for (int i = 0; i < 4; ++i) {
            const int h = Hex(s_[at_ + static_cast<size_t>(i)]);
            if (h < 0) return Fail("a \\u escape is not four hex digits");
            unit = unit << 4 | h;
          }
          at_ += 4;
          // Surrogate pairs come as two escapes and join by being adjacent.
          out += static_cast<char16_t>(unit);
          break;
        }
        default: return Fail("an unknown escape in a string");
      }
    }
  }

  std::string_view s_;
  size_t at_ = 0;
  std::string why_;
};

}  // namespace

bool ParseJson(std::string_view text, JsonValue& out, std::string* reason) {
  out = JsonValue();
  Parser parser(text);
  if (parser.Document(out)) return true;
  if (reason) *reason = parser.Reason();
  out = JsonValue();
  return false;
}

}  // namespace glimmerlog
