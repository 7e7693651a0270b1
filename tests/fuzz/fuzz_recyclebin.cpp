// The Recycle Bin's index files on arbitrary bytes: $I, INFO and INFO2 are
// read within the bytes given, and whatever they give is bounded by them.
#include <cstdlib>
#include <string>

#include "base/codepage.h"
#include "sources/recyclebin/recyclebin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace glimmerlog;
  RecycleIndexFile index;
  if (ParseRecycleIndex(data, size, index)) {
    if (index.version != 1 && index.version != 2) std::abort();
    if (index.item.originalPath.size() * 2 > size) std::abort();
    RecycledContentName(u"$I" + index.item.originalPath);
  }
  RecycleInfoFile info;
  const AnsiText ansi = [](std::string_view bytes) { return Windows1252Text(bytes); };
  if (ParseRecycleInfo(data, size, ansi, info)) {
    if (info.recordSize != 280 && info.recordSize != 800) std::abort();
    if (info.items.size() * info.recordSize + 20 > size) std::abort();
    for (const RecycledItem& item : info.items) {
      if (item.ansiPath.size() > 260 || item.originalPath.size() > 260) std::abort();
      RecycledInfoContentName(item);
    }
  }
  return 0;
}
