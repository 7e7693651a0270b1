// Where a profile keeps its Internet history files: the locator that the
// window's history stores use, against the files the report's history view
// tries to read for the same profile.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "sources/ie/historyfiles.h"
#include "tests/support/regexport.h"
#include "views/viewreaders.h"

namespace glimmerlog {
namespace {

// Folders that hold the given paths and nothing else; no file can be read.
class NamedFolders final : public FolderSource {
 public:
  explicit NamedFolders(std::set<std::u16string> present) : present_(std::move(present)) {}
  std::unique_ptr<Listing> List(std::u16string_view, SourceStatus* status) override {
    if (status) *status = SourceStatus::kMissing;
    return nullptr;
  }
  uint32_t Attributes(const std::u16string& path) override { return present_.count(path) ? 0x20 : kNoAttributes; }

 private:
  std::set<std::u16string> present_;
};

class HistoryFolder final : public ProfilePaths {
 public:
  explicit HistoryFolder(std::u16string value) : value_(std::move(value)) {}
  std::u16string ShellFolder(std::u16string_view name) override {
    return name == u"History" ? value_ : kRegFailureText;
  }

 private:
  std::u16string value_;
};

// The files the history view tried, in its order: each one it could not
// read is a problem "<file>: missing".
std::vector<std::u16string> FilesTheViewReads(ProfilePaths& paths, FolderSource& folders) {
  RegExportSource registry{RegExport{}};
  ViewSources sources{registry, folders, paths, "Vista", {}, {}, &Windows1252Text};
  Table table;
  ReadUrlHistory(sources, table);
  std::vector<std::u16string> files;
  for (const std::u16string& problem : table.problems) {
    EXPECT_EQ(problem.substr(problem.size() - 9), u": missing");
    files.push_back(problem.substr(0, problem.size() - 9));
  }
  return files;
}

TEST(HistoryFiles, TheFilesTheHistoryViewReads) {
  struct Case {
    std::u16string historyValue;
    bool lowFolderHasHistory;
    size_t files;
  } const cases[] = {
      {u"C:\\Users\\bob\\AppData\\Local\\Microsoft\\Windows\\History", true, 2},
      {u"C:\\Users\\bob\\AppData\\Local\\Microsoft\\Windows\\History", false, 1},
      {u"D:\\Documents and Settings\\Frodo Baggins\\Local Settings\\History\\", false, 1},
      {u"  C:\\WINDOWS\\History\\ ", true, 2},
      {u"C:\\", true, 2},
      {u"", true, 0},
      {u"   ", false, 0},
      {kRegFailureText, true, 0},
  };
  for (const Case& c : cases) {
    const std::string shown(c.historyValue.begin(), c.historyValue.end());
    // Where the view and the locator look for the Low folder's file.
    std::set<std::u16string> present;
    if (c.lowFolderHasHistory) {
      HistoryFolder anywhere(c.historyValue);
      NamedFolders none({});
      for (const std::u16string& file : FilesTheViewReads(anywhere, none)) {
        present.insert(file.substr(0, file.size() - 22) + u"\\Low\\History.IE5\\index.dat");
      }
    }
    NamedFolders folders(present);
    HistoryFolder paths(c.historyValue);
    const std::vector<std::u16string> found = HistoryFiles(paths, folders);
    EXPECT_EQ(found, FilesTheViewReads(paths, folders)) << shown;
    ASSERT_EQ(found.size(), c.files) << shown;
    for (const std::u16string& file : found) {
      EXPECT_EQ(file.find(u"\\\\"), std::u16string::npos) << shown;
      EXPECT_EQ(file.substr(file.size() - 22), u"\\History.IE5\\index.dat") << shown;
    }
    if (!found.empty()) EXPECT_EQ(HistoryFilesIn(c.historyValue, folders), found) << shown;
  }
}

}  // namespace
}  // namespace glimmerlog
