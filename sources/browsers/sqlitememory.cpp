#include "sources/browsers/sqlitememory.h"

#include <sqlite3.h>

#include <algorithm>

#include "base/ascii.h"
#include "sources/browsers/sqlitethreads.h"

namespace glimmerlog {

namespace {

constexpr int kStepsPerCheck = 1000;  // SQLite calls the progress handler this often
uint64_t g_stepsPerByteForTests = 0;

std::string ColumnText(sqlite3_stmt* s, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
  std::string folded(text ? text : "");
  for (char& c : folded) c = FoldAscii(c);
  return folded;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The next word of SQL text from `at` (lower case), past white space and
// comments as SQLite's tokenizer skips them; "" when the next token is not
// a word.
std::string NextWord(const std::string& sql, size_t& at) {
  for (;;) {
    while (at < sql.size() &&
           (sql[at] == ' ' || sql[at] == '\t' || sql[at] == '\n' || sql[at] == '\f' || sql[at] == '\r')) {
      ++at;
    }
    if (sql.compare(at, 2, "--") == 0) {
      const size_t eol = sql.find('\n', at);
      at = eol == std::string::npos ? sql.size() : eol + 1;
    } else if (sql.compare(at, 2, "/*") == 0) {
      const size_t end = sql.find("*/", at + 2);
      at = end == std::string::npos ? sql.size() : end + 2;
    } else {
      break;
    }
  }
  std::string word;
  for (; at < sql.size() && IsLetter(sql[at]); ++at) word += FoldAscii(sql[at]);
  return word;
}

// What a schema entry's statement creates: "table", "virtual" (CREATE
// VIRTUAL TABLE), "view", or "" for anything else. SQLite builds the object
// from this text and not from the entry's type column.
std::string CreatedKind(const std::string& sql) {
  size_t at = 0;
  if (NextWord(sql, at) != "create") return "";
  std::string word = NextWord(sql, at);
  if (word == "temp" || word == "temporary") word = NextWord(sql, at);
  return word == "table" || word == "virtual" || word == "view" ? word : "";
}

}  // namespace

void SetStepsPerByteForTests(uint64_t steps) { g_stepsPerByteForTests = steps; }

MemoryDatabase::~MemoryDatabase() {
  if (db_) sqlite3_close(db_);
}

int MemoryDatabase::Progress(void* self) {
  auto* db = static_cast<MemoryDatabase*>(self);
  if (++db->checks_ <= db->allowedChecks_) return 0;
  db->overBudget_ = true;
  return 1;  // SQLite stops the statement with SQLITE_INTERRUPT
}

void MemoryDatabase::StartStatement() {
  checks_ = 0;
  overBudget_ = false;
}

bool MemoryDatabase::Open(const std::vector<uint8_t>& bytes, std::string& reason) {
  if (db_) {
    sqlite3_close(db_);
    db_ = nullptr;
  }
  if (!StartSqlite()) {
    reason = "SQLite could not start";
    return false;
  }
  if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, nullptr) != SQLITE_OK) {
    reason = db_ ? sqlite3_errmsg(db_) : "SQLite could not start (out of memory)";
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
    return false;
  }
  // The budget of every statement, the schema's reading included.
  const uint64_t steps = g_stepsPerByteForTests ? g_stepsPerByteForTests * bytes.size()
                                                : std::max<uint64_t>(kMinimumSteps, kStepsPerByte * bytes.size());
  allowedChecks_ = steps / kStepsPerCheck;
  sqlite3_progress_handler(db_, kStepsPerCheck, &MemoryDatabase::Progress, this);
  StartStatement();
  // Defensive mode (no writing to the schema or to pages directly) and no
  // trust in functions that the database's own schema calls.
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
  // The buffer is handed over read-only and is not copied: SQLite neither
  // frees nor grows it.
  auto* data = const_cast<unsigned char*>(bytes.data());
  const auto size = static_cast<sqlite3_int64>(bytes.size());
  int rc = sqlite3_deserialize(db_, "main", data, size, size, SQLITE_DESERIALIZE_READONLY);
  if (rc == SQLITE_OK) {
    // Pages are read where they lie instead of copied into the page cache.
    const std::string pragmas =
        "PRAGMA temp_store=MEMORY; PRAGMA query_only=1; PRAGMA mmap_size=" + std::to_string(bytes.size()) +
        "; SELECT count(*) FROM sqlite_schema;";
    rc = sqlite3_exec(db_, pragmas.c_str(), nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) {
    reason = Error();
    sqlite3_close(db_);
    db_ = nullptr;
    return false;
  }
  return true;
}

std::string MemoryDatabase::NotATable(std::initializer_list<const char*> tables) {
  for (const char* table : tables) {
    Statement s(*this,
                "SELECT lower(type), sql FROM main.sqlite_schema WHERE lower(type) IN ('table', 'view') AND name = ?1 "
                "COLLATE NOCASE");
    if (!s) return std::string("its schema could not be read (") + Error() + ")";
    sqlite3_bind_text(s.get(), 1, table, -1, SQLITE_STATIC);
    int rc;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
      const std::string kind = CreatedKind(ColumnText(s.get(), 1));
      if (ColumnText(s.get(), 0) == "view" || kind == "view") return std::string(table) + " is a view";
      if (kind == "virtual") return std::string(table) + " is a virtual table";
      if (kind != "table") return std::string(table) + " is not a table";
    }
    if (rc != SQLITE_DONE) return std::string("its schema could not be read (") + Error() + ")";
  }
  return std::string();
}

std::vector<std::string> MemoryDatabase::Columns(const char* table) {
  std::vector<std::string> columns;
  Statement s(*this, std::string("SELECT name FROM pragma_table_info('") + table + "')");
  if (!s) return columns;
  while (sqlite3_step(s.get()) == SQLITE_ROW) columns.push_back(ColumnText(s.get(), 0));
  return columns;
}

int64_t MemoryDatabase::QueryInt(const char* sql, int64_t otherwise) {
  Statement s(*this, sql);
  if (!s || sqlite3_step(s.get()) != SQLITE_ROW || sqlite3_column_type(s.get(), 0) == SQLITE_NULL) return otherwise;
  return sqlite3_column_int64(s.get(), 0);
}

std::string MemoryDatabase::Error() const {
  if (overBudget_) return "stopped: the query ran longer than a database of this size needs";
  if (!db_) return "not open";
  if (OutOfMemory()) return "out of memory";
  return sqlite3_errmsg(db_);
}

bool MemoryDatabase::OutOfMemory() const { return db_ && sqlite3_errcode(db_) == SQLITE_NOMEM; }

Statement::Statement(MemoryDatabase& db, const std::string& sql) {
  db.StartStatement();
  if (!db.get() || sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

}  // namespace glimmerlog
