// Debian's sqlite3 command as the reference reader in host tests: files are
// copied aside into a temporary folder and read there by SQLite's own file
// and WAL code; the same query runs on the program's in-memory copy.
#ifndef GLIMMERLOG_TESTS_HOST_SQLITECLI_H
#define GLIMMERLOG_TESTS_HOST_SQLITECLI_H

#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "sources/browsers/sqlitememory.h"

namespace glimmerlog {

inline bool HaveSqliteCli() { return std::system("command -v sqlite3 >/dev/null 2>&1") == 0; }

// A temporary folder, removed with what it holds.
class TempFolder {
 public:
  TempFolder() {
    char name[] = "/tmp/glimmerlog-test-XXXXXX";
    if (mkdtemp(name)) path_ = name;
  }
  ~TempFolder() {
    if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The rows of `sql` (statements separated by ';'), columns joined by '|',
// one line a row, as the command's list mode prints them; "ERROR" when the
// database cannot be opened or a statement fails.
inline std::string CliQuery(const std::string& db, const std::string& sql) {
  const std::string script = db + ".query.sql";
  std::ofstream(script) << sql << ";\n";
  FILE* p = popen(("sqlite3 -batch -list -noheader '" + db + "' < '" + script + "' 2>/dev/null").c_str(), "r");
  if (!p) return "ERROR";
  std::string out;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  if (pclose(p) != 0) out += "ERROR";
  std::remove(script.c_str());
  return out;
}

inline std::string OurQuery(const std::vector<uint8_t>& bytes, const std::string& sql) {
  MemoryDatabase db;
  std::string reason;
  if (!db.Open(bytes, reason)) return "ERROR";
  std::string out;
  const char* tail = sql.c_str();
  while (*tail) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db.get(), tail, -1, &s, &tail) != SQLITE_OK) return out + "ERROR";
    if (!s) break;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
      for (int c = 0; c < sqlite3_column_count(s); ++c) {
        if (c) out += '|';
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
        if (text) out += text;
      }
      out += '\n';
    }
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE) return out + "ERROR";
  }
  return out;
}

}  // namespace glimmerlog

#endif
