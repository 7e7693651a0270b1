// The Remote Desktops reader on written hives (the join of the MRU list and
// the Servers subkeys, a damaged value, a registry without the keys) and
// against RegRipper's tsclient plugin on the written hive and a real one.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>

#include "sources/folders/posixfolders.h"
#include "sources/hive/hivesource.h"
#include "tests/support/hive_writer.h"
#include "views/viewdef.h"

namespace glimmerlog {

void ReadRemoteDesktops(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline);

namespace {

std::vector<uint8_t> Sz(std::u16string_view text) {
  std::vector<uint8_t> out;
  for (char16_t c : text) out.insert(out.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
  out.insert(out.end(), {0, 0});
  return out;
}

class NoPaths final : public ProfilePaths {
 public:
  std::u16string ShellFolder(std::u16string_view) override { return kRegFailureText; }
};

struct Read {
  Table table;
  Timeline timeline;
  explicit Read(std::vector<uint8_t> hive) {
    HiveRegistrySource registry(std::move(hive));
    PosixFolderSource folders("/nonexistent");
    NoPaths paths;
    ViewSources sources{registry, folders, paths, "10", {}, {}};
    Progress progress;
    ReadRemoteDesktops(sources, table, progress, &timeline);
  }
  std::u16string Text(size_t row, size_t column) const { return std::u16string(table.Cell(row, column).text); }
};

constexpr uint64_t kDefaultTime = 133500000000000000ull, kMinute = 600000000;

// Default: MRU0 a server without a subkey, MRU1 one with a subkey under
// another case, MRU2 damaged, MRU3 typed with a port. Servers: those two,
// and two servers not in the list.
std::vector<uint8_t> SampleHive() {
  HiveWriter w;
  const uint32_t damaged = w.Value(u"MRU2", 1, Sz(u"lost.example"));
  w.Set32(damaged, 0x08, 0x7FFFFFF0);  // its data lies outside the hive
  const uint32_t defaults = w.Key(u"Default", kDefaultTime,
                                  {w.Value(u"MRU1", 1, Sz(u"Both.Example")), w.Value(u"MRU0", 1, Sz(u"typed.example")),
                                   damaged, w.Value(u"MRU3", 1, Sz(u"10.0.0.5:3390"))});
  auto server = [&](const char16_t* name, uint64_t time, const char16_t* user, bool cert) {
    std::vector<uint32_t> values{w.Value(u"UsernameHint", 1, Sz(user))};
    if (cert) values.push_back(w.Value(u"CertHash", 3, {1, 2, 3, 4, 5, 6, 7, 8}));
    return w.Key(name, time, values);
  };
  const std::vector<uint32_t> servers{server(u"older.example", kDefaultTime - 40 * kMinute, u"dave", false),
                                      server(u"both.example", kDefaultTime - 30 * kMinute, u"DOM\\alice", true),
                                      server(u"10.0.0.5", kDefaultTime - 20 * kMinute, u"carol", false),
                                      server(u"newer.example", kDefaultTime - 10 * kMinute, u"bob", true)};
  uint32_t key = w.Key(u"Terminal Server Client", 5, {},
                       w.List("lf", {defaults, w.Key(u"Servers", 6, {}, w.List("lh", servers), 4)}), 2);
  for (const char16_t* parent : {u"Microsoft", u"Software"}) key = w.Key(parent, 7, {}, w.List("lf", {key}), 1);
  return w.File(w.Key(u"ROOT", 8, {}, w.List("lf", {key}), 1));
}

// User names and the subkeys' times are checked against the peer below.
TEST(RemoteDesktops, OneLinePerServerInMruOrderThenNewestFirst) {
  const Read read(SampleHive());
  const struct {
    const char16_t* server;
    double order;  // 0: empty
    const char16_t *cert, *source;
  } expected[] = {
      {u"typed.example", 1, u"", u"Default"},          {u"Both.Example", 2, u"Yes", u"Default, Servers"},
      {u"10.0.0.5:3390", 4, u"", u"Default, Servers"}, {u"newer.example", 0, u"Yes", u"Servers"},
      {u"older.example", 0, u"", u"Servers"},
  };
  ASSERT_EQ(read.table.RowCount(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const TableCell order = read.table.Cell(i, 2);
    EXPECT_EQ(read.Text(i, 0), expected[i].server);
    EXPECT_EQ(order.kind == TableCell::Kind::kNumber ? order.number : 0, expected[i].order) << i;
    EXPECT_EQ(read.Text(i, 4), expected[i].cert) << i;
    EXPECT_EQ(read.Text(i, 5), expected[i].source) << i;
    EXPECT_TRUE(read.table.TargetOf(i).empty());
  }
  EXPECT_EQ(read.table.Cell(0, 3).time, kDefaultTime);  // MRU0 without a subkey: the Default key's time
  EXPECT_EQ(read.table.problems, std::vector<std::u16string>{u"Terminal Server Client\\Default value MRU2: damaged"});
  Table events;
  Timeline(read.timeline).ToTable(events);
  ASSERT_EQ(events.RowCount(), std::size(expected));
  EXPECT_EQ(events.Cell(0, 1).text, u"Remote desktop connection");
  EXPECT_EQ(events.Cell(0, 4).text, u"Software\\Microsoft\\Terminal Server Client\\Default");
  EXPECT_EQ(events.Cell(1, 3).text, u"bob");  // newer.example's user name
  EXPECT_EQ(events.Cell(1, 4).text, u"Software\\Microsoft\\Terminal Server Client\\Servers\\newer.example");
}

TEST(RemoteDesktops, NoKeysGiveNoLinesAndNoProblems) {
  HiveWriter w;
  const Read read(w.File(w.Key(u"ROOT", 1, {}, w.List("lf", {w.Key(u"Software", 1)}), 1)));
  EXPECT_EQ(read.table.columns.size(), 6u);
  EXPECT_EQ(read.table.RowCount(), 0u);
  EXPECT_TRUE(read.table.problems.empty());
  EXPECT_EQ(read.timeline.Size(), 0u);
}

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::u16string Folded(std::u16string s) {
  for (char16_t& c : s) c = c < 0x80 ? static_cast<char16_t>(tolower(c)) : c;
  return s;
}

// RegRipper's tsclient plugin on `hive`: its MRU list ("  MRU0 -> server")
// and each Servers subkey ("name  LastWrite time: 2014-12-12 19:03:26Z")
// with "  UsernameHint: user". False when it is not installed.
bool RegRipper(const std::vector<uint8_t>& hive, std::map<uint32_t, std::u16string>& mru,
               std::map<std::u16string, std::pair<std::u16string, int64_t>>& servers) {
  if (std::system("command -v regripper >/dev/null 2>&1") != 0) return false;
  std::string path = testing::TempDir() + "rdp-hive-XXXXXX";
  close(mkstemp(path.data()));
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(hive.data()), hive.size());
  FILE* pipe = popen(("regripper -r " + path + " -p tsclient 2>/dev/null").c_str(), "r");
  std::u16string current;
  for (char buf[4096]; pipe && fgets(buf, sizeof buf, pipe);) {
    std::string line(buf, strcspn(buf, "\r\n"));
    size_t at;
    if (line.rfind("  MRU", 0) == 0 && (at = line.find(" -> ")) != std::string::npos) {
      mru[std::stoul(line.substr(5, at - 5))] = Wide(line.substr(at + 4));
    } else if ((at = line.find("  LastWrite time: ")) != std::string::npos) {
      std::tm tm{};
      strptime(line.c_str() + at + 18, "%Y-%m-%d %H:%M:%S", &tm);
      current = Wide(line.substr(0, at));
      servers[current].second = timegm(&tm);
    } else if (line.rfind("  UsernameHint: ", 0) == 0) {
      servers[current].first = Wide(line.substr(16));
    }
  }
  if (pipe) pclose(pipe);
  std::remove(path.c_str());
  return true;
}

TEST(RemoteDesktops, ServersUserNamesAndTimesAsRegRipperReadsThem) {
  std::ifstream real(std::string(GL_TESTDATA_DIR) + "/hives/win7_notatin_ntuser.dat", std::ios::binary);
  for (const std::vector<uint8_t>& hive :
       {SampleHive(), std::vector<uint8_t>(std::istreambuf_iterator<char>(real), std::istreambuf_iterator<char>())}) {
    if (hive.empty()) continue;  // the real hive is read where the test data is
    std::map<uint32_t, std::u16string> mru;
    std::map<std::u16string, std::pair<std::u16string, int64_t>> servers;
    if (!RegRipper(hive, mru, servers)) GTEST_SKIP() << "regripper is not installed: no peer to compare with";
    ASSERT_FALSE(servers.empty());
    const Read read(hive);
    // The line of a server; a server typed with a port is the line of its
    // host's subkey.
    auto lineOf = [&](const std::u16string& name, bool orPort) {
      for (size_t r = 0; r < read.table.RowCount(); ++r) {
        const std::u16string text = Folded(read.Text(r, 0));
        if (text == Folded(name) || (orPort && text.rfind(Folded(name) + u":", 0) == 0)) return r;
      }
      return SIZE_MAX;
    };
    for (const auto& [number, server] : mru) {
      if (server.empty()) continue;  // a value it could not read
      const size_t r = lineOf(server, false);
      ASSERT_NE(r, SIZE_MAX) << "MRU" << number;
      EXPECT_EQ(read.table.Cell(r, 2).number, number + 1);
    }
    for (const auto& [name, server] : servers) {
      const size_t r = lineOf(name, true);
      ASSERT_NE(r, SIZE_MAX);
      EXPECT_EQ(read.Text(r, 1), server.first);
      // The peer turns times to seconds in floating point and may print one
      // second early.
      EXPECT_NEAR(static_cast<double>(read.table.Cell(r, 3).time / 10000000) - 11644473600.0, server.second, 1.0);
    }
  }
}

}  // namespace
}  // namespace glimmerlog
