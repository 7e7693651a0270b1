// Where a profile keeps its Internet history files: the locator of the
// window's history stores against the files the report's history view tries
// to read for the same profile.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sources/ie/historyfiles.h"
#include "tests/support/regexport.h"
#include "views/viewreaders.h"

namespace glimmerlog {
namespace {

// A profile whose History value is given, and whose folders hold the Low
// folder's files or nothing at all; no file can be read.
struct Profile final : ProfilePaths, FolderSource {
  Profile(std::u16string history, bool low) : history(std::move(history)), low(low) {}
  std::u16string ShellFolder(std::u16string_view name) override {
    return name == u"History" ? history : kRegFailureText;
  }
  std::unique_ptr<Listing> List(std::u16string_view, SourceStatus*) override { return nullptr; }
  uint32_t Attributes(const std::u16string& path) override {
    return low && path.find(u"\\Low\\") != std::u16string::npos ? 0x20 : kNoAttributes;
  }
  std::u16string history;
  bool low;
};

// The files the history view tried, each a problem "<file>: missing".
std::vector<std::u16string> FilesTheViewReads(Profile& profile) {
  RegExportSource registry{RegExport{}};
  ViewSources sources{registry, profile, profile, "Vista", {}, {}, &Windows1252Text};
  Table table;
  ReadUrlHistory(sources, table);
  std::vector<std::u16string> files;
  for (const std::u16string& problem : table.problems) files.push_back(problem.substr(0, problem.rfind(u": missing")));
  return files;
}

TEST(HistoryFiles, TheFilesTheHistoryViewReads) {
  const struct {
    const char16_t* history;
    bool low;
    size_t files;
  } cases[] = {
      {u"C:\\Users\\bob\\AppData\\Local\\Microsoft\\Windows\\History", true, 2},
      {u"C:\\Users\\bob\\AppData\\Local\\Microsoft\\Windows\\History", false, 1},
      {u"D:\\Documents and Settings\\Frodo Baggins\\Local Settings\\History\\", false, 1},
      {u"  C:\\WINDOWS\\History\\ ", true, 2},
      {u"C:\\", true, 2},
      {u"", true, 0},
      {u"   ", false, 0},
      {kRegFailureText, true, 0},
  };
  for (const auto& c : cases) {
    Profile profile(c.history, c.low);
    const std::vector<std::u16string> found = HistoryFiles(profile, profile);
    EXPECT_EQ(found, FilesTheViewReads(profile)) << c.files;
    EXPECT_EQ(found.size(), c.files);
    if (!found.empty()) EXPECT_EQ(HistoryFilesIn(c.history, profile), found);
  }
}

}  // namespace
}  // namespace glimmerlog
