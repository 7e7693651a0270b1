// Writes a browser history file from tab-separated lines on standard input:
//   url<TAB>title<TAB>last visit (ISO date-time, UTC)
// Empty lines and lines starting with '#' are skipped.
//
//   gl_make_history [--user NAME] [--cache] OUTPUT
//
// --cache writes each address as the whole location, as a page cache's
// index file holds it, instead of the history's "Visited: user@" form.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/history_tsv.h"
#include "tests/support/msiecf_writer.h"

int main(int argc, char** argv) {
  glimmerlog::WriterOptions options;
  std::string output;
  bool cache = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--user" && i + 1 < argc) {
      options.user = argv[++i];
    } else if (arg == "--cache") {
      cache = true;
    } else if (output.empty() && !arg.empty() && arg[0] != '-') {
      output = arg;
    } else {
      output.clear();
      break;
    }
  }
  if (output.empty()) {
    std::cerr << "usage: gl_make_history [--user NAME] [--cache] OUTPUT < entries.tsv\n";
    return 2;
  }

  std::vector<glimmerlog::WrittenEntry> entries;
  std::string line, error;
  for (int number = 1; std::getline(std::cin, line); ++number) {
    if (line.empty() || line == "\r" || line[0] == '#') continue;
    glimmerlog::WrittenEntry entry;
    if (!glimmerlog::ParseHistoryLine(line, entry, error)) {
      std::cerr << "line " << number << ": " << error << "\n";
      return 1;
    }
    if (cache) entry.location = entry.url;
    entries.push_back(std::move(entry));
  }

  std::vector<uint8_t> file;
  try {
    file = glimmerlog::WriteHistoryFile(entries, options);
  } catch (const std::length_error& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  std::ofstream out(output, std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  out.close();
  if (!out) {
    std::cerr << "cannot write " << output << "\n";
    return 1;
  }
  std::cout << entries.size() << " entries, " << file.size() << " bytes written to " << output << "\n";
  return 0;
}
