#include "sources/browsers/sqlitememory.h"

#include <sqlite3.h>

#include "base/ascii.h"

namespace glimmerlog {

MemoryDatabase::~MemoryDatabase() {
  if (db_) sqlite3_close(db_);
}

bool MemoryDatabase::Open(const std::vector<uint8_t>& bytes, std::string& reason) {
  if (db_) {
    sqlite3_close(db_);
    db_ = nullptr;
  }
  if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, nullptr) != SQLITE_OK) {
    reason = db_ ? sqlite3_errmsg(db_) : "SQLite could not start (out of memory)";
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
    return false;
  }
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
    reason = sqlite3_errmsg(db_);
    sqlite3_close(db_);
    db_ = nullptr;
    return false;
  }
  return true;
}

std::vector<std::string> MemoryDatabase::Columns(const char* table) {
  std::vector<std::string> columns;
  Statement s(*this, std::string("SELECT name FROM pragma_table_info('") + table + "')");
  if (!s) return columns;
  while (sqlite3_step(s.get()) == SQLITE_ROW) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0));
    std::string name(text ? text : "");
    for (char& c : name) c = FoldAscii(c);
    columns.push_back(std::move(name));
  }
  return columns;
}

int64_t MemoryDatabase::QueryInt(const char* sql, int64_t otherwise) {
  Statement s(*this, sql);
  if (!s || sqlite3_step(s.get()) != SQLITE_ROW || sqlite3_column_type(s.get(), 0) == SQLITE_NULL) return otherwise;
  return sqlite3_column_int64(s.get(), 0);
}

std::string MemoryDatabase::Error() const { return db_ ? sqlite3_errmsg(db_) : "not open"; }

Statement::Statement(MemoryDatabase& db, const std::string& sql) {
  if (!db.get() || sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

}  // namespace glimmerlog
