#pragma once
// Access to a company database. Every statement is prepared and takes its values as bound
// parameters; table and field names are quoted through the dialect. Field names are matched
// ignoring letter case. Failures throw DbError with a German message.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Value.h"
#include "db/Backend.h"
#include "db/DbError.h"

namespace velra {

// Rows of a query held in memory, with column lookup by name ignoring letter case.
class Rows {
 public:
  std::vector<std::string> columns;
  std::vector<std::vector<Value>> rows;

  // Index of the column, -1 when the result has none of that name.
  int ColumnIndex(std::string_view name) const;
  const Value& Get(size_t row, std::string_view column) const;
  size_t Size() const { return rows.size(); }
  bool Empty() const { return rows.empty(); }
};

class Statement {
 public:
  explicit Statement(std::unique_ptr<StatementBackend> backend) : backend_(std::move(backend)) {}

  Statement& Bind(int index, const Value& value);
  Statement& BindAll(const std::vector<Value>& values);
  // A value that stays as it is, where it is, until the statement has run (see StatementBackend).
  Statement& BindLasting(int index, const Value& value) {
    backend_->BindLasting(index, value);
    return *this;
  }
  // Parameter `index` is written to a column of this type (see StatementBackend).
  Statement& ForColumn(int index, Value::Type type) {
    backend_->ParameterColumn(index, type);
    return *this;
  }
  // Steps to the next row; false at the end.
  bool Next();
  Value Get(int index) const;  // columns count from 0
  Value Get(std::string_view column) const;
  int ColumnCount() const { return backend_->ColumnCount(); }
  std::string ColumnName(int index) const { return backend_->ColumnName(index); }
  // Runs the statement to its end and returns the number of rows it changed.
  int64_t Execute();
  void Reset() { backend_->Reset(); }

 private:
  std::unique_ptr<StatementBackend> backend_;
};

class Transaction;

class Connection {
 public:
  enum class OpenMode { Existing, CreateIfMissing };

  // Opens the database named by a connection string as BuildConnectionString composes it.
  static std::unique_ptr<Connection> Open(std::string_view connectionString,
                                          OpenMode mode = OpenMode::Existing);

  explicit Connection(std::unique_ptr<Backend> backend) : backend_(std::move(backend)) {}

  Statement Prepare(std::string_view sql);
  int64_t Execute(std::string_view sql, const std::vector<Value>& parameters = {});
  Rows Query(std::string_view sql, const std::vector<Value>& parameters = {});
  // The first column of the first row; nullopt when there is no row.
  std::optional<Value> QueryValue(std::string_view sql, const std::vector<Value>& parameters = {});
  void ExecuteScript(std::string_view sql) { backend_->ExecuteScript(sql); }

  std::vector<std::string> Tables() { return backend_->Tables(); }
  bool HasTable(std::string_view table);
  std::vector<ColumnInfo> Columns(std::string_view table) { return backend_->Columns(table); }
  // The column of that name ignoring letter case, with its spelling in the database.
  std::optional<ColumnInfo> FindColumn(std::string_view table, std::string_view name);

  Transaction Begin();
  // One savepoint at a time inside an open transaction (see Backend).
  void Savepoint() { backend_->Savepoint(); }
  void ReleaseSavepoint() { backend_->ReleaseSavepoint(); }
  void RollbackToSavepoint() { backend_->RollbackToSavepoint(); }
  bool InTransaction() { return backend_->InTransaction(); }
  int64_t LastInsertId() { return backend_->LastInsertId(); }
  const Dialect& GetDialect() const { return backend_->GetDialect(); }
  std::string Quote(std::string_view identifier) const { return GetDialect().Quote(identifier); }
  std::string DisplayName() const { return backend_->DisplayName(); }

 private:
  friend class Transaction;
  std::unique_ptr<Backend> backend_;
};

// Rolls back unless committed.
class Transaction {
 public:
  explicit Transaction(Backend& backend);
  Transaction(Transaction&& other) noexcept;
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  ~Transaction();
  void Commit();
  void Rollback();

 private:
  Backend* backend_;
};

}  // namespace velra
