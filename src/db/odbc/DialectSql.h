#pragma once
// The statements the server company's backend composes itself, in the words of each server.

#include <string>
#include <string_view>

#include "db/ConnectionParameters.h"

namespace velra::odbc {

// A table's columns, one row each: name, declared type, the type's own name and that of the type
// it is built on, not null, part of the primary key; the table's name is both parameters. Every
// server's query gives these six in this order.
const char* ColumnsQuery(BackendKind kind);
// The user tables, one name a row.
const char* TablesQuery(BackendKind kind);

// Sets the row's savepoint; on PostgreSQL after the release of the row before's when
// `releaseBefore`.
std::string SavepointStatement(BackendKind kind, bool releaseBefore);
// What goes in front of a prepared statement that takes the row's savepoint along in its batch:
// nothing, the savepoint (1) or, on PostgreSQL, the release of the row before's and the
// savepoint (2).
std::string SavepointPrefix(BackendKind kind, int statements);
// Undoes the row up to its savepoint, which is then gone.
std::string RollbackToSavepointStatement(BackendKind kind);

// SQL Server's transaction; PostgreSQL's runs through the driver's autocommit switch.
inline constexpr const char* kSqlServerBegin = "BEGIN TRANSACTION";
inline constexpr const char* kSqlServerCommit = "COMMIT TRANSACTION";
inline constexpr const char* kSqlServerRollback = "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION";

// Scripts shared with PostgreSQL write names in double quotes.
inline constexpr const char* kSqlServerQuotedNames = "SET QUOTED_IDENTIFIER ON";

// How long a statement waits for a locked row: PostgreSQL's takes the milliseconds as its one
// parameter; SQL Server's takes no parameter.
inline constexpr const char* kPostgreSqlLockTimeout = "SELECT set_config('lock_timeout', ?, false)";
std::string SqlServerLockTimeout(int milliseconds);

// The INSERT (without its tail, see WithoutTail) made to return the ID of its row: RETURNING the
// column `quotedId` on PostgreSQL, SCOPE_IDENTITY() in the same batch on SQL Server.
std::string InsertReturningId(BackendKind kind, std::string_view insert,
                              const std::string& quotedId);

}  // namespace velra::odbc
