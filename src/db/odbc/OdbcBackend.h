#pragma once
// The company database of a server company, through unixODBC: SQL Server with FreeTDS,
// PostgreSQL with psqlODBC. Behaves as the SQLite backend does; what callers may rely on:
//
// - Statements are prepared once and executed as often as needed; values always travel as
//   bound parameters. Texts cross the driver as UTF-16 (SQLWCHAR), so they arrive exactly,
//   emoji included. Booleans are bound as the server's true value 1 and 0, dates as
//   timestamps, integers as 64 bits. psqlODBC sends every parameter without a type of its own,
//   so the server reads it as it would read a literal in that place.
// - A result column's value takes its type from the column's SQL type. A column counts as a
//   flag (Value::Type::Boolean) when its declared type is named "boolean", "bool", "bit" or
//   "flag": the PostgreSQL schema declares its flags with the domain
//   `CREATE DOMAIN flag AS SMALLINT`, SQL Server's with BIT. PostgreSQL reports a domain
//   column of a result as its base type, so the backend looks the column's table up once
//   (Columns) to tell a flag from a number.
// - LastInsertId is the "ID" of the row the last INSERT added: PostgreSQL returns it with the
//   INSERT (RETURNING, added when the table has a column "ID"; 0 without one), SQL Server asks
//   SCOPE_IDENTITY() in the same batch (0 without an identity column).
// - Begin/Commit/Rollback: PostgreSQL switches autocommit off for the transaction, SQL Server
//   runs BEGIN/COMMIT TRANSACTION. Savepoints: SAVEPOINT / RELEASE SAVEPOINT / ROLLBACK TO
//   SAVEPOINT on PostgreSQL, SAVE TRANSACTION / ROLLBACK TRANSACTION on SQL Server (release
//   is nothing to do there). A savepoint is sent with the next statement, and the release of
//   one row's savepoint with the next row's savepoint. On PostgreSQL both travel in front of
//   the row's first statement, in the same round trip; psqlODBC cannot prepare several
//   statements on the server, so it sends that one execution as a single query with the
//   values put in by the driver's own quoting. The row's other statements, and every
//   statement outside savepoints, run prepared on the server.
// - A statement that failed inside a PostgreSQL transaction spoils the transaction unless the
//   savepoint around it is rolled back to; Commit then rolls back and throws, where COMMIT
//   would roll back without a word.
// - A statement that waits longer than "Busy Timeout" for a locked row fails with
//   DbError::Kind::Locked.
// - Errors are DbError with a German sentence that ends in the driver's or server's reason:
//   Open for connection and login failures (an unreachable server, a refused login and a
//   missing database each in a sentence of its own, see ConnectFailure.h), Constraint for
//   rejected keys, Locked for locks, deadlocks and serialization failures, Denied for a login
//   without the right to write (PostgreSQL), Statement for the rest. No message contains the
//   password.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/Backend.h"
#include "db/ConnectionParameters.h"
#include "db/odbc/OdbcConnectionString.h"

namespace velra {

// Connects to the server; throws DbError::Kind::Open with the server's reason.
std::unique_ptr<Backend> OpenOdbcBackend(const ServerLogin& login);
std::unique_ptr<Backend> OpenOdbcBackend(const ConnectionParameters& parameters);

// Splits a script into its statements at ';' outside quotes, quoted names, comments and
// PostgreSQL's dollar quotes. A SQL Server script with lines that hold only "GO" is split into
// its batches there instead, so that a procedure's body keeps its semicolons. Statements that
// are empty or only comments are left out.
std::vector<std::string> SplitSqlScript(std::string_view script, BackendKind kind);

}  // namespace velra
