// A SQLite database held in memory by the caller, opened read-only without a
// copy and without any file: SQLite works on the bytes the program read
// itself, so nothing is created beside the live database (no journal,
// shared-memory index or temporary file).
#ifndef GLIMMERLOG_SOURCES_BROWSERS_SQLITEMEMORY_H
#define GLIMMERLOG_SOURCES_BROWSERS_SQLITEMEMORY_H

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace glimmerlog {

class MemoryDatabase {
 public:
  MemoryDatabase() = default;
  ~MemoryDatabase();
  MemoryDatabase(const MemoryDatabase&) = delete;
  MemoryDatabase& operator=(const MemoryDatabase&) = delete;

  // Opens `bytes` (which must stay unchanged and alive while this object is
  // open) as a read-only database, with defensive mode on, temporary storage
  // in memory and pages read in place. Reads the schema once, so that bytes
  // that are not a database fail here. False, with SQLite's reason, when it
  // cannot be opened.
  bool Open(const std::vector<uint8_t>& bytes, std::string& reason);
  sqlite3* get() const { return db_; }

  // The columns of a table (lower case), empty when there is no such table.
  std::vector<std::string> Columns(const char* table);
  // One integer from a query (the first column of its first row), or
  // `otherwise` when it gives none.
  int64_t QueryInt(const char* sql, int64_t otherwise);
  // The last error of the connection.
  std::string Error() const;

 private:
  sqlite3* db_ = nullptr;
};

// A prepared statement, finalized when it goes.
class Statement {
 public:
  Statement(MemoryDatabase& db, const std::string& sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  explicit operator bool() const { return stmt_ != nullptr; }
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace glimmerlog

#endif
