#include "db/odbc/DialectSql.h"

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
    "SELECT c.name, ty.name + CASE "
    "WHEN ty.name IN ('varchar', 'char', 'varbinary', 'binary', 'nvarchar', 'nchar') THEN '(' + "
    "CASE WHEN c.max_length = -1 THEN 'max' WHEN ty.name IN ('nvarchar', 'nchar') THEN "
    "CAST(c.max_length / 2 AS VARCHAR(10)) ELSE CAST(c.max_length AS VARCHAR(10)) END + ')' "
    "WHEN ty.name IN ('decimal', 'numeric') THEN '(' + CAST(c.precision AS VARCHAR(10)) + ',' + "
    "CAST(c.scale AS VARCHAR(10)) + ')' ELSE '' END, "
    "ty.name, TYPE_NAME(c.system_type_id), "
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

}  // namespace

const char* ColumnsQuery(BackendKind kind) {
  return kind == BackendKind::PostgreSql ? kPostgreSqlColumns : kSqlServerColumns;
}

const char* TablesQuery(BackendKind kind) {
  return kind == BackendKind::PostgreSql ? kPostgreSqlTables : kSqlServerTables;
}

namespace {

constexpr const char* kSavepointName = "velra_row";

}  // namespace

std::string SavepointStatement(BackendKind kind, bool releaseBefore) {
  const std::string name = kSavepointName;
  if (kind != BackendKind::PostgreSql) return "SAVE TRANSACTION " + name;
  return releaseBefore ? "RELEASE SAVEPOINT " + name + "; SAVEPOINT " + name : "SAVEPOINT " + name;
}

std::string SavepointPrefix(BackendKind kind, int statements) {
  if (statements == 0) return {};
  return SavepointStatement(kind, statements == 2) + "; ";
}

std::string RollbackToSavepointStatement(BackendKind kind) {
  const std::string name = kSavepointName;
  if (kind == BackendKind::PostgreSql)
    return "ROLLBACK TO SAVEPOINT " + name + "; RELEASE SAVEPOINT " + name;
  return "ROLLBACK TRANSACTION " + name;
}

std::string SqlServerLockTimeout(int milliseconds) {
  // The number is one of ours.
  return "SET LOCK_TIMEOUT " + std::to_string(milliseconds);
}

std::string InsertReturningId(BackendKind kind, std::string_view insert,
                              const std::string& quotedId) {
  if (kind == BackendKind::PostgreSql) return std::string(insert) + " RETURNING " + quotedId;
  return std::string(insert) + "; SELECT CAST(SCOPE_IDENTITY() AS BIGINT)";
}

}  // namespace velra::odbc
