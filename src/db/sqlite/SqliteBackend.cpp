#include "db/sqlite/SqliteBackend.h"

#include <sqlite3.h>

#include <sys/stat.h>

#include <fstream>

#include "base/Text.h"
#include "db/DbError.h"
#include "db/DbTexts.h"

namespace velra {

namespace {

constexpr int kDefaultBusyTimeoutMs = 5000;

// The type of value a column holds, from its declared type.
Value::Type TypeOfDeclaration(std::string_view declared) {
  std::string type = ToLowerAscii(declared);
  auto has = [&](const char* word) { return type.find(word) != std::string::npos; };
  if (has("bool") || type == "bit" || type == "yesno") return Value::Type::Boolean;
  if (has("date") || has("time")) return Value::Type::Date;
  if (has("int")) return Value::Type::Integer;
  if (has("real") || has("doub") || has("floa") || has("num") || has("dec") || has("curr") ||
      has("money"))
    return Value::Type::Double;
  if (has("blob") || has("binary") || has("image")) return Value::Type::Binary;
  return Value::Type::Text;
}

bool IsAccessFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  char header[20] = {};
  if (!file.read(header, sizeof header)) return false;
  std::string_view signature(header + 4, 15);
  return signature == "Standard Jet DB" || signature == "Standard ACE DB";
}

// Turns an SQLite result code into our error with a German sentence naming the file.
[[noreturn]] void ThrowSqliteError(int rc, const std::string& path, const std::string& detail) {
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      throw DbError(DbError::Kind::Locked, Fill(db_texts::kFileLocked, {path}));
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      throw DbError(DbError::Kind::Open, Fill(db_texts::kDamaged, {path, detail}));
    case SQLITE_READONLY:
      throw DbError(DbError::Kind::Open, Fill(db_texts::kReadOnly, {path}));
    case SQLITE_CONSTRAINT:
      throw DbError(DbError::Kind::Constraint, Fill(db_texts::kRejected, {detail}));
    case SQLITE_FULL:
      throw DbError(DbError::Kind::Storage, Fill(db_texts::kDiskFull, {path}));
    case SQLITE_IOERR:
      throw DbError(DbError::Kind::Storage, Fill(db_texts::kFailed, {path, detail}));
    default:
      throw DbError(DbError::Kind::Statement, Fill(db_texts::kFailed, {path, detail}));
  }
}

class SqliteStatement final : public StatementBackend {
 public:
  SqliteStatement(sqlite3* db, sqlite3_stmt* statement, const std::string* name, int16_t trueValue)
      : db_(db), statement_(statement), name_(name), trueValue_(trueValue) {}
  ~SqliteStatement() override { sqlite3_finalize(statement_); }

  // Texts and binary data are read from the value itself.
  void BindLasting(int index, const Value& value) override {
    int rc = SQLITE_OK;
    if (value.GetType() == Value::Type::Text)
      rc = sqlite3_bind_text64(statement_, index, value.AsText().data(), value.AsText().size(),
                               SQLITE_STATIC, SQLITE_UTF8);
    else if (value.GetType() == Value::Type::Binary)
      rc = sqlite3_bind_blob64(statement_, index, value.AsBytes().data(), value.AsBytes().size(),
                               SQLITE_STATIC);
    else
      return Bind(index, value);
    if (rc != SQLITE_OK) Fail(rc);
  }

  void Bind(int index, const Value& value) override {
    int rc = SQLITE_OK;
    switch (value.GetType()) {
      case Value::Type::Null:
        rc = sqlite3_bind_null(statement_, index);
        break;
      case Value::Type::Boolean:
        rc = sqlite3_bind_int(statement_, index, value.AsBool() ? trueValue_ : 0);
        break;
      case Value::Type::Integer:
        rc = sqlite3_bind_int64(statement_, index, value.AsInteger());
        break;
      case Value::Type::Double:
        rc = sqlite3_bind_double(statement_, index, value.AsDouble());
        break;
      case Value::Type::Text:
        rc = sqlite3_bind_text64(statement_, index, value.AsText().data(), value.AsText().size(),
                                 SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
      case Value::Type::Date: {
        std::string iso = value.AsDate().ToIso();
        rc = sqlite3_bind_text64(statement_, index, iso.data(), iso.size(), SQLITE_TRANSIENT,
                                 SQLITE_UTF8);
        break;
      }
      case Value::Type::Binary:
        rc = sqlite3_bind_blob64(statement_, index, value.AsBytes().data(), value.AsBytes().size(),
                                 SQLITE_TRANSIENT);
        break;
    }
    if (rc != SQLITE_OK) Fail(rc);
  }

  bool Step() override {
    int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3_reset(statement_);
    Fail(rc);
  }

  void Reset() override { sqlite3_reset(statement_); }

  int ColumnCount() const override { return sqlite3_column_count(statement_); }

  std::string ColumnName(int index) const override {
    const char* name = sqlite3_column_name(statement_, index);
    return name ? name : "";
  }

  Value ColumnValue(int index) const override {
    Value::Type wanted = DeclaredType(index);
    switch (sqlite3_column_type(statement_, index)) {
      case SQLITE_NULL:
        return {};
      case SQLITE_INTEGER: {
        int64_t v = sqlite3_column_int64(statement_, index);
        if (wanted == Value::Type::Boolean) return Value(v != 0);
        if (wanted == Value::Type::Double) return Value(static_cast<double>(v));
        return Value(v);
      }
      case SQLITE_FLOAT:
        return Value(sqlite3_column_double(statement_, index));
      case SQLITE_BLOB: {
        const auto* data =
            static_cast<const unsigned char*>(sqlite3_column_blob(statement_, index));
        int size = sqlite3_column_bytes(statement_, index);
        return Value(Bytes(data, data + size));
      }
      default: {
        const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(statement_, index));
        std::string text(data ? data : "",
                         static_cast<size_t>(sqlite3_column_bytes(statement_, index)));
        DateTime date;
        if (wanted == Value::Type::Date && DateTime::FromIso(text, date)) return Value(date);
        return Value(std::move(text));
      }
    }
  }

  int64_t Changes() const override { return sqlite3_changes64(db_); }

 private:
  // The declared type of a result column, looked up once per statement.
  Value::Type DeclaredType(int index) const {
    if (declaredTypes_.empty()) {
      declaredTypes_.resize(static_cast<size_t>(sqlite3_column_count(statement_)));
      for (size_t i = 0; i < declaredTypes_.size(); ++i) {
        const char* declared = sqlite3_column_decltype(statement_, static_cast<int>(i));
        declaredTypes_[i] = declared ? TypeOfDeclaration(declared) : Value::Type::Null;
      }
    }
    return declaredTypes_[static_cast<size_t>(index)];
  }

  [[noreturn]] void Fail(int rc) const { ThrowSqliteError(rc, *name_, sqlite3_errmsg(db_)); }

  sqlite3* db_;
  sqlite3_stmt* statement_;
  const std::string* name_;
  int16_t trueValue_;
  mutable std::vector<Value::Type> declaredTypes_;
};

class SqliteBackend final : public Backend {
 public:
  SqliteBackend(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}
  ~SqliteBackend() override { sqlite3_close_v2(db_); }

  std::unique_ptr<StatementBackend> Prepare(std::string_view sql) override {
    sqlite3_stmt* statement = nullptr;
    int rc =
        sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), 0, &statement, nullptr);
    if (rc != SQLITE_OK) {
      sqlite3_finalize(statement);
      ThrowFor(rc);
    }
    return std::make_unique<SqliteStatement>(db_, statement, &path_, dialect_.TrueValue());
  }

  void ExecuteScript(std::string_view sql) override {
    char* message = nullptr;
    int rc = sqlite3_exec(db_, std::string(sql).c_str(), nullptr, nullptr, &message);
    std::string detail = message ? message : "";
    sqlite3_free(message);
    if (rc != SQLITE_OK) ThrowFor(rc, detail);
  }

  std::vector<ColumnInfo> Columns(std::string_view table) override {
    auto statement = Prepare("SELECT name, type, \"notnull\", pk FROM pragma_table_info(?)");
    statement->Bind(1, Value(table));
    std::vector<ColumnInfo> columns;
    while (statement->Step()) {
      ColumnInfo column;
      column.name = statement->ColumnValue(0).ToText();
      column.declaredType = statement->ColumnValue(1).ToText();
      column.type = TypeOfDeclaration(column.declaredType);
      column.notNull = statement->ColumnValue(2).ToText() == "1";
      column.primaryKey = statement->ColumnValue(3).ToText() != "0";
      columns.push_back(std::move(column));
    }
    return columns;
  }

  std::vector<std::string> Tables() override {
    auto statement = Prepare(
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
        "ESCAPE '\\' ORDER BY name");
    std::vector<std::string> names;
    while (statement->Step()) names.push_back(statement->ColumnValue(0).ToText());
    return names;
  }

  // IMMEDIATE takes the write lock at once, so that a locked database fails here, before any
  // work of the transaction has been done.
  void Begin() override { ExecuteScript("BEGIN IMMEDIATE"); }
  void Commit() override { ExecuteScript("COMMIT"); }
  void Rollback() override {
    if (!sqlite3_get_autocommit(db_)) ExecuteScript("ROLLBACK");
  }
  void Savepoint() override { Run(savepoint_, "SAVEPOINT velra_row"); }
  void ReleaseSavepoint() override { Run(release_, "RELEASE velra_row"); }
  void RollbackToSavepoint() override {
    Run(rollbackTo_, "ROLLBACK TO velra_row");
    Run(release_, "RELEASE velra_row");
  }
  bool InTransaction() override { return !sqlite3_get_autocommit(db_); }
  int64_t LastInsertId() override { return sqlite3_last_insert_rowid(db_); }
  const Dialect& GetDialect() const override { return dialect_; }
  std::string DisplayName() const override { return path_; }

  [[noreturn]] void ThrowFor(int rc, const std::string& detail = {}) const {
    ThrowSqliteError(rc, path_, detail.empty() ? sqlite3_errmsg(db_) : detail);
  }

 private:
  // Runs a statement that is prepared once; the savepoints are used for every row of an import.
  void Run(std::unique_ptr<StatementBackend>& statement, const char* sql) {
    if (!statement) statement = Prepare(sql);
    while (statement->Step()) {
    }
    statement->Reset();
  }

  sqlite3* db_;
  std::string path_;
  Dialect dialect_{BackendKind::Sqlite};
  std::unique_ptr<StatementBackend> savepoint_, release_, rollbackTo_;
};

}  // namespace

std::unique_ptr<Backend> OpenSqliteBackend(const ConnectionParameters& parameters, bool create) {
  std::string path = parameters.GetOr("Data Source");
  if (path.empty()) throw DbError(DbError::Kind::Open, db_texts::kNoFile);
  // No descriptor of our own may touch the file while a connection of this process is open:
  // closing it would drop that connection's locks, and another program could then remove the
  // write-ahead log under it. So existence is tested by stat, and the file's header is read only
  // once SQLite has refused the file.
  struct stat info {};
  const bool exists = ::stat(path.c_str(), &info) == 0;
  if (!exists && !create) throw DbError(DbError::Kind::Open, Fill(db_texts::kFileMissing, {path}));
  // SQLite takes an empty file for an empty database and would write one into it.
  if (exists && !create && S_ISREG(info.st_mode) && info.st_size == 0)
    throw DbError(DbError::Kind::Open, Fill(db_texts::kFileEmpty, {path}));

  sqlite3* db = nullptr;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    std::string detail = db ? sqlite3_errmsg(db) : db_texts::kOutOfMemory;
    sqlite3_close_v2(db);
    throw DbError(DbError::Kind::Open, Fill(db_texts::kCannotOpen, {path, detail}));
  }
  auto backend = std::make_unique<SqliteBackend>(db, path);
  int timeout = static_cast<int>(
      LeadingInteger(parameters.GetOr("Busy Timeout")).value_or(kDefaultBusyTimeoutMs));
  sqlite3_busy_timeout(db, timeout);
  sqlite3_extended_result_codes(db, 1);
  // SQLite opens a file it may not write for reading only, and says so first at the first write.
  if (sqlite3_db_readonly(db, "main") == 1)
    throw DbError(DbError::Kind::Open, Fill(db_texts::kReadOnly, {path}));
  // Reading the schema proves that the file is an SQLite database at all.
  try {
    backend->ExecuteScript("SELECT count(*) FROM sqlite_master");
  } catch (const DbError&) {
    backend.reset();
    if (IsAccessFile(path)) throw DbError(DbError::Kind::Open, Fill(db_texts::kAccessFile, {path}));
    throw;
  }
  backend->ExecuteScript("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;");
  return backend;
}

}  // namespace velra
