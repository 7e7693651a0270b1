// A SQLite database held in memory by the caller, opened read-only without a
// copy and without any file: SQLite works on the bytes the program read
// itself, so nothing is created beside the live database (no journal,
// shared-memory index or temporary file).
//
// A database is input like any other file, so no query on it may run for
// ever: every statement gets a budget of SQLite virtual-machine steps in
// proportion to the database's size, and stops when it is spent.
#ifndef GLIMMERLOG_SOURCES_BROWSERS_SQLITEMEMORY_H
#define GLIMMERLOG_SOURCES_BROWSERS_SQLITEMEMORY_H

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace glimmerlog {

// The steps a statement may take per byte of the database. Reading a table
// row by row with a join costs 12 to 15 steps a row; the densest table there
// can be (rows of four NULL columns, no index) needs 1.4 steps per byte of
// file, the real browser databases of the tests less than 0.02 (a visits
// table with its indexes takes 100 bytes a visit and more). 32 is over twenty
// times the densest case, so that only a query the file cannot justify (a
// view, or a join that multiplies rows) reaches it.
constexpr uint64_t kStepsPerByte = 32;
// Every statement may take this many, however small the database.
constexpr uint64_t kMinimumSteps = 1000000;

// Tests: the steps per byte the next Open gives its statements (0: back to
// kStepsPerByte), with no minimum, so that a small database can run out.
void SetStepsPerByteForTests(uint64_t steps);

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

  // Why the first of `tables` that the schema does not make an ordinary
  // table is refused ("visits is a view", "urls is a virtual table"), or ""
  // when each is an ordinary table or not there at all. A reader asks this
  // before its first query on those tables: a view or a virtual table runs
  // code the database chose when it is read, and the reader's query has no
  // bound but the step budget. Other views, and triggers, are left alone.
  std::string NotATable(std::initializer_list<const char*> tables);

  // The columns of a table (lower case), empty when there is no such table.
  std::vector<std::string> Columns(const char* table);
  // One integer from a query (the first column of its first row), or
  // `otherwise` when it gives none.
  int64_t QueryInt(const char* sql, int64_t otherwise);
  // Why the last statement failed: "stopped: the query ran longer than a
  // database of this size needs" when it spent its budget, "out of memory"
  // when SQLite could not allocate, else SQLite's message.
  std::string Error() const;
  // Whether the last statement spent its budget.
  bool OverBudget() const { return overBudget_; }
  // Whether SQLite could not allocate for the last statement.
  bool OutOfMemory() const;

  // A statement starts: its budget is whole again. Statement calls this.
  void StartStatement();

 private:
  static int Progress(void* self);

  sqlite3* db_ = nullptr;
  uint64_t allowedChecks_ = 0;  // progress calls a statement may take
  uint64_t checks_ = 0;         // progress calls of the current statement
  bool overBudget_ = false;
};

// A prepared statement, finalized when it goes; its preparing and its steps
// share one budget.
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
