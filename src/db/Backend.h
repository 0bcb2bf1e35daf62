#pragma once
// The interface every database engine implements. Callers use Connection (Connection.h), which
// picks the backend from the connection string; nothing outside db/ sees a backend.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Value.h"
#include "db/Dialect.h"

namespace velra {

struct ColumnInfo {
  std::string name;
  std::string declaredType;
  Value::Type type = Value::Type::Text;  // the type of value the column holds
  bool notNull = false;
  bool primaryKey = false;
};

class StatementBackend {
 public:
  virtual ~StatementBackend() = default;
  virtual void Bind(int index, const Value& value) = 0;  // parameters count from 1
  // As Bind, for a value that stays as it is, where it is, until the statement has run: a
  // backend may read it from there instead of taking a copy.
  virtual void BindLasting(int index, const Value& value) { Bind(index, value); }
  virtual bool Step() = 0;   // true while a row is available
  virtual void Reset() = 0;  // re-executable, bindings kept
  virtual int ColumnCount() const = 0;
  virtual std::string ColumnName(int index) const = 0;  // columns count from 0
  virtual Value ColumnValue(int index) const = 0;
  virtual int64_t Changes() const = 0;
  // The type of the column that parameter `index` is written to; a backend whose driver cannot
  // tell a parameter's type gives a first null that type.
  virtual void ParameterColumn(int /*index*/, Value::Type /*type*/) {}
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::unique_ptr<StatementBackend> Prepare(std::string_view sql) = 0;
  // Runs several statements without parameters (schema scripts).
  virtual void ExecuteScript(std::string_view sql) = 0;
  virtual std::vector<ColumnInfo> Columns(std::string_view table) = 0;
  virtual std::vector<std::string> Tables() = 0;
  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  // A savepoint inside the open transaction, to undo one row without the others.
  virtual void Savepoint() = 0;
  virtual void ReleaseSavepoint() = 0;
  virtual void RollbackToSavepoint() = 0;
  virtual bool InTransaction() = 0;
  virtual int64_t LastInsertId() = 0;
  virtual const Dialect& GetDialect() const = 0;
  // What the user calls this database in messages (file name or server and catalog).
  virtual std::string DisplayName() const = 0;
};

}  // namespace velra
