// The JSON reader on arbitrary text: it ends, stays within the text, keeps
// to its nesting bound, and a value it accepts holds no more items than the
// text has bytes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/json.h"

namespace {

size_t Count(const glimmerlog::JsonValue& v, unsigned depth) {
  if (depth > glimmerlog::kMaxJsonDepth) std::abort();
  size_t n = 1;
  for (const auto& item : v.items) n += Count(item, depth + 1);
  for (const auto& member : v.members) n += Count(member.second, depth + 1);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  glimmerlog::JsonValue value;
  std::string reason;
  if (glimmerlog::ParseJson(text, value, &reason)) {
    if (Count(value, 0) > size) std::abort();
  } else if (reason.empty()) {
    std::abort();
  }
  return 0;
}
