// The Recycle Bin: every index file of the test data against the peer's
// reading of it (../shared/testdata/peer-output/recyclebin, parsed here),
// hostile index files, and the view over a volume folder assembled from the
// test data (per-SID folders, the $R and D files, the volume's code page).
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "base/codepage.h"
#include "base/utf8.h"
#include "sources/folders/posixfolders.h"
#include "sources/hive/hivesource.h"
#include "sources/recyclebin/recyclebin.h"
#include "tests/support/hivetree.h"
#include "views/viewdef.h"

namespace glimmerlog {

void ReadRecycleBin(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

namespace {

namespace fs = std::filesystem;
const std::string kData = GL_TESTDATA_DIR;

std::vector<uint8_t> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string Utc(uint64_t fileTime) {
  const std::time_t t = static_cast<std::time_t>(fileTime / 10000000) - 11644473600;
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
  return text;
}

// What the peer printed: the version, the lines by their index (a $I file's
// name, or an INFO record's number, which may repeat), the files it
// rejected, the code page it was told, whether it found the file cut short.
struct PeerReading {
  int version = -1;
  std::multimap<std::string, std::map<std::string, std::string>> rows;
  std::vector<std::string> rejected;
  uint32_t codePage = 1252;
  bool codePageGiven = false, truncated = false;
};

PeerReading ReadPeer(const fs::path& path) {
  PeerReading peer;
  std::ifstream in(path);
  std::vector<std::string> header;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("Version: ", 0) == 0) peer.version = std::stoi(line.substr(9));
    if (line.find("Premature end of file") != std::string::npos) peer.truncated = true;
    if (line.rfind("File '", 0) == 0) peer.rejected.push_back(line.substr(6, line.find('\'', 6) - 6));
    if (line.rfind("rc=", 0) == 0) {
      const size_t cp = line.find("-l CP");
      if (cp != std::string::npos) peer.codePage = std::stoul(line.substr(cp + 5));
      peer.codePageGiven = cp != std::string::npos;
      break;
    }
    std::vector<std::string> cells;
    std::stringstream split(line);
    for (std::string cell; std::getline(split, cell, '\t');) cells.push_back(cell);
    if (!cells.empty() && cells[0] == "Index") {
      header = cells;
    } else if (!header.empty() && cells.size() == header.size()) {
      std::map<std::string, std::string> row;
      for (size_t i = 0; i < cells.size(); ++i) row[header[i]] = cells[i];
      // A character it does not print, it writes as "<\XX>" (XX its code
      // point below U+0100).
      std::string& text = row["Path"];
      for (size_t at; (at = text.find("<\\")) != std::string::npos && at + 5 <= text.size();) {
        std::u16string c(1, static_cast<char16_t>(std::stoul(text.substr(at + 2, 2), nullptr, 16)));
        text.replace(at, 5, Utf8Of(c));
      }
      peer.rows.emplace(cells[0], row);
    }
  }
  return peer;
}

// Told a code page, the peer prints the ANSI path of INFO2 records (short
// names where the UTF-16 path has characters outside the code page), else
// the UTF-16 one as this reader gives it; it prints a time past 2038 as a
// 32-bit count of seconds would, this reader the time as stored.
void ExpectItem(const RecycledItem& item, const std::map<std::string, std::string>& row, bool ansi) {
  EXPECT_EQ(Utf8Of(ansi ? item.ansiPath : item.originalPath), row.at("Path"));
  if (item.ansiPath != item.originalPath && !item.ansiPath.empty()) EXPECT_FALSE(item.originalPath.empty());
  if (Utc(item.deleted) < "2038") {
    EXPECT_EQ(Utc(item.deleted), row.at("Deleted Time"));
  } else {
    EXPECT_GE(row.at("Deleted Time"), "2038");
  }
  EXPECT_EQ(item.sizeKnown ? std::to_string(item.size) : "???", row.at("Size"));
  if (row.count("Gone?")) EXPECT_EQ(item.removed ? "Yes" : "No", row.at("Gone?"));
}

TEST(RecycleBin, EveryIndexFileAsThePeerReadsIt) {
  const fs::path dir = fs::path(kData) / "recyclebin";
  const fs::path peers = fs::path(kData) / "peer-output" / "recyclebin";
  if (!fs::is_directory(dir) || !fs::is_directory(peers)) GTEST_SKIP() << "test data not found at " << kData;
  size_t compared = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const bool info = !entry.is_directory() && name.find("$I") == std::string::npos;
    const fs::path peerFile = peers / (name + (info ? ".rifiuti2.txt" : ".rifiuti-vista.txt"));
    ASSERT_TRUE(fs::exists(peerFile)) << peerFile;
    const PeerReading peer = ReadPeer(peerFile);
    if (info) {
      RecycleInfoFile file;
      const auto ansi = [&peer](std::string_view bytes) {
        std::u16string text;
        EXPECT_TRUE(CodePageText(peer.codePage, bytes, text));
        return text;
      };
      const std::vector<uint8_t> bytes = Bytes(entry.path());
      ASSERT_TRUE(ParseRecycleInfo(bytes.data(), bytes.size(), ansi, file)) << file.note;
      EXPECT_EQ(static_cast<int>(file.version), peer.version);
      EXPECT_EQ(!file.note.empty(), peer.truncated) << file.note;
      ASSERT_EQ(file.items.size(), peer.rows.size());
      // Records of one number follow each other in both.
      std::map<std::string, size_t> seen;
      for (const RecycledItem& item : file.items) {
        const auto range = peer.rows.equal_range(std::to_string(item.record));
        ASSERT_NE(range.first, range.second) << item.record;
        auto it = range.first;
        for (size_t k = seen[range.first->first]++; k > 0 && std::next(it) != range.second; --k) ++it;
        ExpectItem(item, it->second, peer.codePageGiven);
        ++compared;
      }
      continue;
    }
    // A folder of $I files, or one $I file standing alone under its own name.
    std::vector<fs::path> files;
    if (entry.is_directory()) {
      for (const fs::directory_entry& f : fs::directory_iterator(entry.path())) {
        if (f.path().filename().string().rfind("$I", 0) == 0) files.push_back(f.path());
      }
    } else {
      files.push_back(entry.path());
    }
    size_t listed = 0;
    for (const fs::path& file : files) {
      const std::string index = file.filename().string();
      SCOPED_TRACE(index);
      RecycleIndexFile parsed;
      const std::vector<uint8_t> bytes = Bytes(file);
      ASSERT_TRUE(ParseRecycleIndex(bytes.data(), bytes.size(), parsed)) << parsed.note;
      EXPECT_EQ(static_cast<int>(parsed.version), peer.version);
      const bool rejected = std::find(peer.rejected.begin(), peer.rejected.end(), index) != peer.rejected.end();
      // What the peer rejects, this reader reads as far as it goes and names.
      if (rejected) {
        EXPECT_NE(parsed.note.find("cut short"), std::string::npos) << parsed.note;
        EXPECT_EQ(peer.rows.count(index), 0u);
        continue;
      }
      EXPECT_EQ(parsed.note.empty(), parsed.item.sizeKnown) << parsed.note;
      ASSERT_EQ(peer.rows.count(index), 1u);
      ExpectItem(parsed.item, peer.rows.find(index)->second, false);
      ++listed;
      ++compared;
    }
    EXPECT_EQ(listed, peer.rows.size());
  }
  EXPECT_GE(compared, 100u);
}

std::vector<uint8_t> Le(std::initializer_list<std::pair<uint64_t, int>> fields) {
  std::vector<uint8_t> out;
  for (const auto& [value, width] : fields) {
    for (int i = 0; i < width; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  return out;
}

void AppendUtf16(std::vector<uint8_t>& out, std::u16string_view text) {
  for (char16_t c : text) out.insert(out.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
}

TEST(RecycleBin, HostileIndexFilesAreBounded) {
  constexpr uint64_t kTime = 0x01D0000000000000;
  std::vector<uint8_t> v2 = Le({{2, 8}, {7, 8}, {kTime, 8}, {0x7FFFFFFF, 4}});
  AppendUtf16(v2, u"C:\\x");
  std::vector<uint8_t> v1 = Le({{1, 8}, {9, 8}, {kTime, 8}});
  AppendUtf16(v1, u"C:\\long");
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    bool parsed;
    const char16_t* path;
    const char* note;  // part of the note; "" for none
  } cases[] = {
      {"empty", {}, false, u"", "too short"},
      {"header cut", Le({{2, 8}, {1, 8}}), false, u"", "too short"},
      {"unknown version", Le({{3, 8}, {1, 8}, {kTime, 8}, {0, 4}}), false, u"", "version 3"},
      {"v2 without its length", Le({{2, 8}, {1, 8}, {kTime, 8}, {5, 2}}), true, u"", "before the path's length"},
      {"v2 length that lies", v2, true, u"C:\\x", "4 of its 2147483647"},
      {"v2 of no characters", Le({{2, 8}, {1, 8}, {kTime, 8}, {0, 4}}), true, u"", ""},
      {"v1 cut in its path", v1, true, u"C:\\long", "of 544 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecycleIndexFile file;
    EXPECT_EQ(ParseRecycleIndex(c.bytes.data(), c.bytes.size(), file), c.parsed);
    EXPECT_EQ(file.item.originalPath, c.path);
    if (*c.note) {
      EXPECT_NE(file.note.find(c.note), std::string::npos) << file.note;
    } else {
      EXPECT_EQ(file.note, "");
    }
  }
}

TEST(RecycleBin, HostileInfoFilesAreBounded) {
  const auto ansi = [](std::string_view bytes) { return Windows1252Text(bytes); };
  // A record whose first byte was cleared (taken out of the bin) on drive
  // C:, and one of a drive number that is no letter.
  std::vector<uint8_t> record(280, 0);
  const std::string path = "?:\\Temp\\r\xe9sum\xe9.txt";
  std::copy(path.begin(), path.end(), record.begin());
  record[0] = 0;
  const std::vector<uint8_t> tail = Le({{5, 4}, {2, 4}, {0x01D0000000000000, 8}, {4096, 4}});
  std::copy(tail.begin(), tail.end(), record.begin() + 260);
  std::vector<uint8_t> v4 = Le({{4, 4}, {0, 4}, {0, 4}, {280, 4}, {0, 4}});
  v4.insert(v4.end(), record.begin(), record.end());
  std::vector<uint8_t> badDrive = v4;
  badDrive[20 + 264] = 200;
  std::vector<uint8_t> cut = v4;
  cut.resize(cut.size() + 100, 'x');
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    bool parsed;
    size_t items;
    const char16_t* firstPath;
    const char16_t* content;
    const char* note;
  } cases[] = {
      {"record size 0", Le({{5, 4}, {0, 4}, {0, 4}, {0, 4}, {0, 4}, {1, 4}}), false, 0, nullptr, nullptr, "record size 0"},
      {"record size huge", Le({{5, 4}, {0, 4}, {0, 4}, {0xFFFFFFFF, 4}, {0, 4}}), false, 0, nullptr, nullptr,
       "record size"},
      {"header cut", Le({{5, 4}, {0, 4}}), false, 0, nullptr, nullptr, "too short"},
      {"removed record", v4, true, 1, u"C:\\Temp\\r\u00e9sum\u00e9.txt", u"Dc5.txt", ""},
      {"drive out of range", badDrive, true, 1, u"?:\\Temp\\r\u00e9sum\u00e9.txt", u"", ""},
      {"last record cut", cut, true, 1, u"C:\\Temp\\r\u00e9sum\u00e9.txt", u"Dc5.txt", "100 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecycleInfoFile file;
    EXPECT_EQ(ParseRecycleInfo(c.bytes.data(), c.bytes.size(), ansi, file), c.parsed);
    ASSERT_EQ(file.items.size(), c.items);
    if (c.items) {
      EXPECT_TRUE(file.items[0].removed);
      EXPECT_EQ(file.items[0].originalPath, c.firstPath);
      EXPECT_EQ(RecycledInfoContentName(file.items[0]), c.content);
    }
    if (*c.note) {
      EXPECT_NE(file.note.find(c.note), std::string::npos) << file.note;
    } else {
      EXPECT_EQ(file.note, "");
    }
  }
}


class NoPaths final : public ProfilePaths {
 public:
  std::u16string ShellFolder(std::u16string_view) override { return kRegFailureText; }
};

// A volume assembled from the test data: two users' $Recycle.Bin folders
// (Windows 10 with three $R files, Windows 8.1 without), and a Windows 95
// RECYCLED\INFO with one D file, whose names the volume's SYSTEM hive says
// are in code page 932. Read for every user, then for one.
TEST(RecycleBinView, VolumeFoldersPerUserContentAndCodePage) {
  const fs::path data = fs::path(kData) / "recyclebin";
  const fs::path peers = fs::path(kData) / "peer-output" / "recyclebin";
  if (!fs::is_directory(data)) GTEST_SKIP() << "test data not found at " << kData;
  const fs::path volume = fs::temp_directory_path() / "glimmerlog-recyclebin-volume";
  fs::remove_all(volume);
  const struct {
    const char *sid, *folder;
  } bins[] = {{"S-1-5-21-9-1001", "rifiuti2-dir-win10-01"}, {"S-1-5-21-9-1002", "museum-win81"}};
  for (const auto& b : bins) {
    fs::create_directories(volume / "$Recycle.Bin" / b.sid);
    for (const fs::directory_entry& f : fs::directory_iterator(data / b.folder)) {
      fs::copy_file(f.path(), volume / "$Recycle.Bin" / b.sid / f.path().filename());
    }
  }
  fs::create_directories(volume / "RECYCLED");
  fs::copy_file(data / "rifiuti2-INFO-95-ja-1", volume / "RECYCLED" / "INFO");
  std::ofstream(volume / "RECYCLED" / "DD4.CAB") << "content";  // record 4, drive D:, another case
  HiveNode root;
  root.Key(u"ControlSet001\\Control\\Nls\\CodePage").Sz(u"ACP", u"932");
  HiveRegistrySource system(root.File());

  const PeerReading win10 = ReadPeer(peers / "rifiuti2-dir-win10-01.rifiuti-vista.txt");
  const PeerReading win81 = ReadPeer(peers / "museum-win81.rifiuti-vista.txt");
  const PeerReading info = ReadPeer(peers / "rifiuti2-INFO-95-ja-1.rifiuti2.txt");
  const struct {
    const char16_t* userSid;
    size_t lines, contentThere;
  } cases[] = {
      {u"", win10.rows.size() + win81.rows.size() + info.rows.size(), 4},
      {u"S-1-5-21-9-1001", win10.rows.size() + info.rows.size(), 4},
      {u"S-1-5-21-9-1003", info.rows.size(), 1},  // a user who never deleted anything
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8Of(c.userSid));
    HiveRegistrySource none(std::vector<uint8_t>{});
    PosixFolderSource folders(volume.string());
    folders.SetWindowsRoot(u"V:");
    NoPaths paths;
    ViewSources sources{none, folders, paths, "10"};
    sources.volumeRoot = u"V:\\";
    sources.system = &system;
    sources.userSid = c.userSid;
    Table table;
    Timeline timeline;
    Progress progress;
    ReadRecycleBin(sources, table, progress, &timeline);
    EXPECT_TRUE(table.problems.empty()) << Utf8Of(table.problems[0]);
    ASSERT_EQ(table.RowCount(), c.lines);
    EXPECT_EQ(timeline.Size(), c.lines);
    size_t there = 0;
    std::multiset<std::string> infoPaths, peerPaths;
    for (const auto& row : info.rows) peerPaths.insert(row.second.at("Path"));
    for (size_t r = 0; r < table.RowCount(); ++r) {
      const std::string content = Utf8Of(table.Cell(r, 3).text), index = Utf8Of(table.Cell(r, 4).text);
      const std::string sid = Utf8Of(table.Cell(r, 5).text), target = Utf8Of(table.TargetOf(r));
      if (index.rfind("INFO", 0) == 0) {
        infoPaths.insert(Utf8Of(table.Cell(r, 0).text));
        EXPECT_EQ(sid, "");
      } else {
        EXPECT_TRUE(*c.userSid == 0 || sid == Utf8Of(c.userSid));
      }
      // What is left of the file is shown in its folder; nothing else is.
      if (content == "Yes") {
        ++there;
        EXPECT_EQ(target, index.rfind("INFO", 0) == 0 ? "V:\\RECYCLED\\DD4.CAB"
                                                      : "V:\\$Recycle.Bin\\" + sid + "\\$R" + index.substr(2));
      } else {
        EXPECT_EQ(target, "");
      }
    }
    EXPECT_EQ(there, c.contentThere);
    EXPECT_EQ(infoPaths, peerPaths);
  }
  fs::remove_all(volume);

  // Without a volume: nothing, and an absence the report does not fail on.
  HiveRegistrySource none(std::vector<uint8_t>{});
  PosixFolderSource folders("/nonexistent");
  NoPaths paths;
  ViewSources sources{none, folders, paths, "10"};
  Table table;
  Progress progress;
  ReadRecycleBin(sources, table, progress, nullptr);
  EXPECT_EQ(table.RowCount(), 0u);
  ASSERT_EQ(table.problems, std::vector<std::u16string>{u"Recycle Bin: open a Windows volume to read it"});
  EXPECT_TRUE(IsAbsence(table.problems[0]));
}

}  // namespace
}  // namespace glimmerlog
