// The tables of a server company and their columns, read from each server's catalog.

#include <algorithm>
#include <initializer_list>

#include "base/Text.h"
#include "db/odbc/DialectSql.h"
#include "db/odbc/OdbcSession.h"
#include "db/odbc/OdbcStatement.h"

namespace velra::odbc {

namespace {

bool IsFlagTypeName(std::string_view name) {
  return EqualsIgnoreCase(name, "flag") || EqualsIgnoreCase(name, "boolean") ||
         EqualsIgnoreCase(name, "bool") || EqualsIgnoreCase(name, "bit");
}

// The type of value a column holds, from its type's own name and the name of the type it is
// built on (the same unless it is a domain or an alias type).
Value::Type TypeOfServerColumn(std::string_view ownType, std::string_view baseType,
                               BackendKind kind) {
  if (IsFlagTypeName(ownType) || IsFlagTypeName(baseType)) return Value::Type::Boolean;
  const std::string type = ToLowerAscii(baseType);
  auto is = [&](std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), type) != names.end();
  };
  if (is({"int2", "int4", "int8", "smallint", "integer", "bigint", "int", "tinyint"}))
    return Value::Type::Integer;
  if (is({"float4", "float8", "real", "double precision", "float", "numeric", "decimal", "money",
          "smallmoney"}))
    return Value::Type::Double;
  if (kind == BackendKind::SqlServer && (type == "timestamp" || type == "rowversion"))
    return Value::Type::Binary;
  if (is({"date", "time", "timetz", "timestamp", "timestamptz", "datetime", "datetime2",
          "smalldatetime", "datetimeoffset"}))
    return Value::Type::Date;
  if (is({"bytea", "binary", "varbinary", "image"})) return Value::Type::Binary;
  return Value::Type::Text;
}

bool IsTrue(const Value& value) {
  return value.GetType() == Value::Type::Boolean && value.AsBool();
}

}  // namespace

std::vector<ColumnInfo> OdbcSession::Columns(std::string_view table) {
  std::unique_ptr<OdbcStatement> statement = Prepare(ColumnsQuery(kind_));
  statement->Bind(1, Value(table));
  statement->Bind(2, Value(table));
  std::vector<ColumnInfo> columns;
  while (statement->Step()) {
    ColumnInfo column;
    column.name = statement->ColumnValue(0).ToText();
    column.declaredType = statement->ColumnValue(1).ToText();
    column.type = TypeOfServerColumn(statement->ColumnValue(2).ToText(),
                                     statement->ColumnValue(3).ToText(), kind_);
    column.notNull = IsTrue(statement->ColumnValue(4));
    column.primaryKey = IsTrue(statement->ColumnValue(5));
    columns.push_back(std::move(column));
  }
  columnCache_[ToLowerAscii(table)] = columns;
  return columns;
}

std::vector<std::string> OdbcSession::Tables() {
  std::unique_ptr<OdbcStatement> statement = Prepare(TablesQuery(kind_));
  std::vector<std::string> names;
  while (statement->Step()) names.push_back(statement->ColumnValue(0).ToText());
  return names;
}

const std::vector<ColumnInfo>& OdbcSession::KnownColumns(const std::string& table) {
  const std::string key = ToLowerAscii(table);
  auto found = columnCache_.find(key);
  if (found != columnCache_.end()) return found->second;
  return columnCache_[key] = Columns(table);
}

bool OdbcSession::IsFlagColumn(const std::string& table, const std::string& column) {
  for (const ColumnInfo& info : KnownColumns(table))
    if (EqualsIgnoreCase(info.name, column)) return info.type == Value::Type::Boolean;
  return false;
}

}  // namespace velra::odbc
