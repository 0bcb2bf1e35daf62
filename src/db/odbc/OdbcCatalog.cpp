// The tables of a server company and their columns, read from each server's catalog.

#include <algorithm>
#include <initializer_list>

#include "base/Text.h"
#include "db/odbc/OdbcSession.h"
#include "db/odbc/OdbcStatement.h"

namespace velra::odbc {

namespace {

// A table's columns: name, declared type, the type's own name and that of the type it is built
// on, not null, part of the primary key. The table name is the two parameters; a name that
// differs only in letter case is found too, the exact one first.
constexpr const char* kPostgreSqlColumns =
    "SELECT a.attname::text, format_type(a.atttypid, a.atttypmod), t.typname::text, "
    "COALESCE(b.typname, t.typname)::text, a.attnotnull, "
    "EXISTS (SELECT 1 FROM pg_index i WHERE i.indrelid = a.attrelid AND i.indisprimary "
    "AND a.attnum = ANY (i.indkey)) "
    "FROM pg_attribute a JOIN pg_type t ON t.oid = a.atttypid "
    "LEFT JOIN pg_type b ON t.typtype = 'd' AND b.oid = t.typbasetype "
    "WHERE a.attrelid = (SELECT c.oid FROM pg_class c "
    "WHERE lower(c.relname::text) = lower(?::text) AND c.relkind IN ('r', 'p', 'v', 'm', 'f') "
    "AND pg_table_is_visible(c.oid) ORDER BY c.relname::text = ?::text DESC LIMIT 1) "
    "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum";
constexpr const char* kSqlServerColumns =
    "SELECT c.name, ty.name, TYPE_NAME(c.system_type_id), "
    "CAST(CASE WHEN c.is_nullable = 0 THEN 1 ELSE 0 END AS BIT), "
    "CAST(CASE WHEN EXISTS (SELECT 1 FROM sys.indexes i JOIN sys.index_columns ic "
    "ON ic.object_id = i.object_id AND ic.index_id = i.index_id WHERE i.object_id = "
    "c.object_id AND i.is_primary_key = 1 AND ic.column_id = c.column_id) THEN 1 ELSE 0 END "
    "AS BIT) "
    "FROM sys.columns c JOIN sys.types ty ON ty.user_type_id = c.user_type_id "
    "WHERE c.object_id = (SELECT TOP 1 o.object_id FROM sys.objects o WHERE o.type IN ('U', "
    "'V') AND LOWER(o.name) = LOWER(?) ORDER BY CASE WHEN o.name = ? THEN 0 ELSE 1 END) "
    "ORDER BY c.column_id";

constexpr const char* kPostgreSqlTables =
    "SELECT c.relname::text FROM pg_class c JOIN pg_namespace n ON n.oid = "
    "c.relnamespace WHERE c.relkind IN ('r', 'p') AND n.nspname <> "
    "'information_schema' AND n.nspname NOT LIKE 'pg\\_%' AND "
    "pg_table_is_visible(c.oid) "
    "ORDER BY c.relname::text COLLATE \"C\"";
constexpr const char* kSqlServerTables =
    "SELECT name FROM sys.tables WHERE is_ms_shipped = 0 ORDER BY name";

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
  std::unique_ptr<OdbcStatement> statement =
      Prepare(kind_ == BackendKind::PostgreSql ? kPostgreSqlColumns : kSqlServerColumns);
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
  std::unique_ptr<OdbcStatement> statement =
      Prepare(kind_ == BackendKind::PostgreSql ? kPostgreSqlTables : kSqlServerTables);
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
