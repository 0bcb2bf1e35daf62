#include "db/Connection.h"

#include "base/Text.h"
#include "db/ConnectionParameters.h"
#include "db/DbTexts.h"
#include "db/odbc/OdbcBackend.h"
#include "db/sqlite/SqliteBackend.h"

namespace velra {

int Rows::ColumnIndex(std::string_view name) const {
  for (size_t i = 0; i < columns.size(); ++i)
    if (EqualsIgnoreCase(columns[i], name)) return static_cast<int>(i);
  return -1;
}

const Value& Rows::Get(size_t row, std::string_view column) const {
  static const Value kNull;
  int index = ColumnIndex(column);
  return index < 0 ? kNull : rows.at(row).at(static_cast<size_t>(index));
}

Statement& Statement::Bind(int index, const Value& value) {
  backend_->Bind(index, value);
  return *this;
}

Statement& Statement::BindAll(const std::vector<Value>& values) {
  for (size_t i = 0; i < values.size(); ++i) backend_->Bind(static_cast<int>(i + 1), values[i]);
  return *this;
}

bool Statement::Next() {
  return backend_->Step();
}

Value Statement::Get(int index) const {
  return backend_->ColumnValue(index);
}

Value Statement::Get(std::string_view column) const {
  for (int i = 0; i < backend_->ColumnCount(); ++i)
    if (EqualsIgnoreCase(backend_->ColumnName(i), column)) return backend_->ColumnValue(i);
  return {};
}

int64_t Statement::Execute() {
  while (backend_->Step()) {
  }
  int64_t changes = backend_->Changes();
  backend_->Reset();
  return changes;
}

std::unique_ptr<Connection> Connection::Open(std::string_view connectionString, OpenMode mode) {
  ConnectionParameters parameters = ConnectionParameters::Parse(connectionString);
  switch (parameters.Backend()) {
    case BackendKind::Sqlite:
      return std::make_unique<Connection>(
          OpenSqliteBackend(parameters, mode == OpenMode::CreateIfMissing));
    case BackendKind::SqlServer:
    case BackendKind::PostgreSql:
      // A server's database is never created here: that is the administrator's work.
      return std::make_unique<Connection>(OpenOdbcBackend(parameters));
    case BackendKind::Unknown:
      break;
  }
  throw DbError(DbError::Kind::Open,
                Fill(db_texts::kUnknownProvider, {parameters.GetOr("Provider")}));
}

Statement Connection::Prepare(std::string_view sql) {
  return Statement(backend_->Prepare(sql));
}

int64_t Connection::Execute(std::string_view sql, const std::vector<Value>& parameters) {
  Statement statement = Prepare(sql);
  statement.BindAll(parameters);
  return statement.Execute();
}

Rows Connection::Query(std::string_view sql, const std::vector<Value>& parameters) {
  Statement statement = Prepare(sql);
  statement.BindAll(parameters);
  Rows result;
  bool first = true;
  while (statement.Next()) {
    if (first) {
      for (int i = 0; i < statement.ColumnCount(); ++i)
        result.columns.push_back(statement.ColumnName(i));
      first = false;
    }
    std::vector<Value>& row = result.rows.emplace_back();
    row.reserve(result.columns.size());
    for (int i = 0; i < statement.ColumnCount(); ++i) row.push_back(statement.Get(i));
  }
  if (first)
    for (int i = 0; i < statement.ColumnCount(); ++i)
      result.columns.push_back(statement.ColumnName(i));
  return result;
}

std::optional<Value> Connection::QueryValue(std::string_view sql,
                                            const std::vector<Value>& parameters) {
  Statement statement = Prepare(sql);
  statement.BindAll(parameters);
  if (!statement.Next()) return std::nullopt;
  return statement.Get(0);
}

bool Connection::HasTable(std::string_view table) {
  for (const std::string& name : Tables())
    if (EqualsIgnoreCase(name, table)) return true;
  return false;
}

std::optional<ColumnInfo> Connection::FindColumn(std::string_view table, std::string_view name) {
  for (ColumnInfo& column : Columns(table))
    if (EqualsIgnoreCase(column.name, name)) return column;
  return std::nullopt;
}

Transaction Connection::Begin() {
  return Transaction(*backend_);
}

Transaction::Transaction(Backend& backend) : backend_(&backend) {
  backend_->Begin();
}

Transaction::Transaction(Transaction&& other) noexcept : backend_(other.backend_) {
  other.backend_ = nullptr;
}

Transaction::~Transaction() {
  if (!backend_) return;
  try {
    backend_->Rollback();
  } catch (...) {
    // A failed rollback leaves nothing to do here; the engine discards the transaction anyway.
  }
}

void Transaction::Commit() {
  if (!backend_) return;
  Backend* backend = backend_;
  backend->Commit();
  backend_ = nullptr;
}

void Transaction::Rollback() {
  if (!backend_) return;
  Backend* backend = backend_;
  backend_ = nullptr;
  backend->Rollback();
}

}  // namespace velra
