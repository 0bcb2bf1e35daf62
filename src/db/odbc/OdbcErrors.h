#pragma once
// Which DbError a failure of the server company's database is, and the sentence the user reads.

#include <functional>
#include <string>
#include <vector>

#include "db/ConnectionParameters.h"
#include "db/DbError.h"
#include "db/odbc/ConnectFailure.h"

namespace velra::odbc {

// What the user calls the database: "server/catalog".
std::string DisplayNameOf(const ConnectTarget& target);

// The kind of a failed statement, from its diagnostic records: Constraint for rejected keys,
// Denied for a login without the right to write, Locked for locks, deadlocks and serialization
// failures, Open for a lost connection, Storage for a full disk, Statement for the rest.
// SQL Server's driver gives the general state 42000 for most of them, so there the server's own
// error number decides first. `connectionDead` is asked only when the records do not tell.
DbError::Kind StatementFailureKind(BackendKind kind, const std::vector<DriverDiagnostic>& records,
                                   const std::function<bool()>& connectionDead);

// Whether the failure ended the whole transaction on the server: SQL Server rolls it back when
// it chooses the statement as a deadlock's victim (1205) or finds it cannot be committed (3998).
// The savepoint and every change since the transaction began are gone then.
bool EndsTransaction(BackendKind kind, const std::vector<DriverDiagnostic>& records);

// The error of that kind: the kind's sentence about the database, followed by `reason`.
DbError StatementError(DbError::Kind kind, const std::string& reason, const ConnectTarget& target);

// The error of a failed connect: a driver that is not set up, or the connect failure the records
// tell, followed by `reason`.
DbError OpenError(BackendKind kind, const std::vector<DriverDiagnostic>& records,
                  const std::string& reason, const std::string& driver,
                  const ConnectTarget& target);

}  // namespace velra::odbc
