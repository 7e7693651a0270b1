// The value-list splitter and the list rules on arbitrary text: the pieces,
// joined again with the delimiters they were cut at, give back the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sources/registry/splitlist.h"
#include "views/shell/regrules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string delimiter(1, static_cast<char>(data[0]));
  const std::string original(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string rest = original;
  const auto pieces = glimmerlog::SplitList(rest, delimiter);

  // Rebuild: each piece but the empty last slot was followed by one delimiter
  // character (in whatever case the text had it), then comes the rest.
  std::string rebuilt;
  size_t at = 0;
  for (size_t i = 0; i + 1 < pieces.size(); ++i) {
    rebuilt += pieces[i];
    at += pieces[i].size();
    if (at >= original.size()) abort();
    rebuilt += original[at++];
  }
  if (!pieces.empty() && !pieces.back().empty()) abort();
  if (pieces.size() == 1) abort();  // never a lone slot
  rebuilt += rest;
  if (rebuilt != original) abort();

  for (auto rule : {glimmerlog::ListRule::kRun, glimmerlog::ListRule::kOpen, glimmerlog::ListRule::kPlain}) {
    const auto line = glimmerlog::ApplyListRule(rule, original);
    if (line && line->size() > original.size()) abort();
  }
  return 0;
}
