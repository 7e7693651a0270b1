// What the registry views' tests share: a view's reader run on a hive's
// bytes (with its transaction logs, when given), and RegRipper, the peer the
// views are compared with (a plugin run on the same hive, its output as
// lines).
#ifndef GLIMMERLOG_TESTS_HOST_REGISTRYVIEWS_H
#define GLIMMERLOG_TESTS_HOST_REGISTRYVIEWS_H

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sources/folders/posixfolders.h"
#include "sources/hive/hivesource.h"
#include "views/viewdef.h"

namespace glimmerlog {

// A reader's lines, problems and timeline events on a hive.
struct ViewRead {
  Table table;
  Table events;  // the timeline's table: Time, Kind, What, Detail, Source
  ViewRead(ViewReader reader, std::vector<uint8_t> hive, const std::vector<HiveLog>& logs = {}) {
    class NoPaths final : public ProfilePaths {
     public:
      std::u16string ShellFolder(std::u16string_view) override { return kRegFailureText; }
    } paths;
    HiveRegistrySource registry(std::move(hive), logs);
    PosixFolderSource folders("/nonexistent");
    ViewSources sources{registry, folders, paths, "10"};
    Progress progress;
    Timeline timeline;
    reader(sources, table, progress, &timeline);
    timeline.ToTable(events);
  }
  std::u16string Text(size_t row, size_t column) const { return std::u16string(table.Cell(row, column).text); }
  uint64_t Time(size_t row, size_t column) const { return table.Cell(row, column).time; }
  double Number(size_t row, size_t column) const { return table.Cell(row, column).number; }
};

namespace peer {

inline bool Installed() { return std::system("command -v regripper >/dev/null 2>&1") == 0; }

// A file of the test data; empty when it is not there.
inline std::vector<uint8_t> TestFile(const std::string& relative) {
  std::ifstream in(std::string(GL_TESTDATA_DIR) + "/" + relative, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The plugin's output on a hive (its primary file alone: the peer applies
// no transaction logs), without line ends.
inline std::vector<std::string> Run(const std::vector<uint8_t>& hive, const char* plugin) {
  std::string path = testing::TempDir() + "peer-hive-XXXXXX";
  close(mkstemp(path.data()));
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(hive.data()), hive.size());
  std::vector<std::string> lines;
  if (FILE* pipe = popen(("regripper -r " + path + " -p " + plugin + " 2>/dev/null").c_str(), "r")) {
    std::string line;
    for (int c; (c = fgetc(pipe)) != EOF;) {
      if (c == '\n') {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        line.clear();
      } else {
        line += static_cast<char>(c);
      }
    }
    if (!line.empty()) lines.push_back(line);
    pclose(pipe);
  }
  std::remove(path.c_str());
  return lines;
}

// A time as the peer prints it ("2014-12-12 19:03:26", an optional "Z" after
// it) in Unix seconds; -1 for other text.
inline int64_t Time(const std::string& text) {
  std::tm tm{};
  const char* end = strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &tm);
  return end ? static_cast<int64_t>(timegm(&tm)) : -1;
}

// A FILETIME in Unix seconds, as the peer turns it: it computes the seconds
// in floating point and may land one second early, so comparisons allow 1.
inline double Seconds(uint64_t fileTime) { return fileTime == 0 ? 0 : fileTime / 10000000 - 11644473600.0; }

}  // namespace peer
}  // namespace glimmerlog

#endif
