// Writes a hive file as text to standard output, for the comparison with
// hivexregedit and hivexml (tests/host/hive_compare.py):
//   gl_hive_dump export FILE   the export text hivexregedit --export writes
//   gl_hive_dump tree FILE     keys in stored order with times and value names
// Exits with 2 and the reason on standard error when the file is not a
// usable hive.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "tests/support/hiveexport.h"

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "export") != 0 && std::strcmp(argv[1], "tree") != 0)) {
    std::fprintf(stderr, "usage: %s export|tree FILE\n", argv[0]);
    return 1;
  }
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot open\n", argv[2]);
    return 1;
  }
  const glimmerlog::Hive hive(
      std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
  if (!hive.Usable()) {
    std::fprintf(stderr, "%s: %s\n", argv[2], hive.Problem().c_str());
    return 2;
  }
  const std::string text = std::strcmp(argv[1], "export") == 0 ? HiveExportText(hive) : HiveTreeText(hive);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}
