#include "db/odbc/DialectSql.h"

namespace velra::odbc {

namespace {

constexpr const char* kSavepointName = "velra_row";

}  // namespace

std::string SavepointStatement(BackendKind kind, bool releaseBefore) {
  const std::string name = kSavepointName;
  if (kind != BackendKind::PostgreSql) return "SAVE TRANSACTION " + name;
  return releaseBefore ? "RELEASE SAVEPOINT " + name + "; SAVEPOINT " + name : "SAVEPOINT " + name;
}

std::string SavepointPrefix(int statements) {
  if (statements == 0) return {};
  return SavepointStatement(BackendKind::PostgreSql, statements == 2) + "; ";
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
