#include "db/odbc/OdbcErrors.h"

#include <optional>
#include <string_view>

#include "base/Text.h"
#include "db/DbTexts.h"
#include "db/odbc/OdbcMessages.h"

namespace velra::odbc {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// SQL Server's error numbers that its driver does not map to a state of their own: a deadlock
// victim (1205, the server has rolled back the whole transaction) and a lock timeout (1222);
// a full data file (1105) or transaction log (9002); a key given twice (2627 for a unique
// constraint, 2601 for a unique index), a reference or check refused (547), a null where none
// may be (515), which PostgreSQL reports as violations of a constraint.
std::optional<DbError::Kind> SqlServerErrorKind(long native) {
  switch (native) {
    case 2627:
    case 2601:
    case 547:
    case 515:
      return DbError::Kind::Constraint;
    case 1205:
    case 1222:
      return DbError::Kind::Locked;
    case 1105:
    case 9002:
      return DbError::Kind::Storage;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::string DisplayNameOf(const ConnectTarget& target) {
  return target.server + "/" + target.database;
}

DbError::Kind StatementFailureKind(BackendKind kind, const std::vector<DriverDiagnostic>& records,
                                   const std::function<bool()>& connectionDead) {
  if (kind == BackendKind::SqlServer)
    for (const DriverDiagnostic& record : records)
      if (std::optional<DbError::Kind> known = SqlServerErrorKind(record.native)) return *known;
  const std::string state = records.empty() ? std::string() : records.front().state;
  if (StartsWith(state, "23")) return DbError::Kind::Constraint;
  // PostgreSQL's insufficient_privilege: a login that may only read fails on every row alike.
  if (state == "42501") return DbError::Kind::Denied;
  if (state == "40001" || state == "40P01" || state == "55P03" || state == "HYT00")
    return DbError::Kind::Locked;
  // psqlODBC reports a server that went away with a general state; the connection knows.
  if (StartsWith(state, "08") || connectionDead()) return DbError::Kind::Open;
  // Insufficient resources (a full disk) and system errors of the server.
  if (StartsWith(state, "53") || StartsWith(state, "58")) return DbError::Kind::Storage;
  return DbError::Kind::Statement;
}

bool EndsTransaction(BackendKind kind, const std::vector<DriverDiagnostic>& records) {
  if (kind != BackendKind::SqlServer) return false;
  for (const DriverDiagnostic& record : records)
    if (record.native == 1205 || record.native == 3998) return true;
  return false;
}

DbError StatementError(DbError::Kind kind, const std::string& reason, const ConnectTarget& target) {
  switch (kind) {
    case DbError::Kind::Constraint:
      return DbError(kind, Fill(db_texts::kRejected, {reason}));
    case DbError::Kind::Denied:
      return DbError(kind, Fill(text::kDenied, {DisplayNameOf(target), reason}));
    case DbError::Kind::Locked:
      return DbError(kind, Fill(text::kLocked, {DisplayNameOf(target), reason}));
    case DbError::Kind::Open:
      return DbError(kind, Fill(text::kConnectionLost, {target.database, target.server, reason}));
    default:
      return DbError(kind, Fill(db_texts::kFailed, {DisplayNameOf(target), reason}));
  }
}

DbError OpenError(BackendKind kind, const std::vector<DriverDiagnostic>& records,
                  const std::string& reason, const std::string& driver,
                  const ConnectTarget& target) {
  // unixODBC takes a driver name it does not know for the file of a driver library.
  for (const DriverDiagnostic& record : records)
    if (record.state == "IM002" || record.state == "IM003" ||
        record.message.find("Can't open lib") != std::string::npos)
      return DbError(DbError::Kind::Open,
                     ConnectFailureMessage(ConnectFailure::Other, target,
                                           Fill(text::kDriverMissing, {driver, reason})));
  const ConnectFailure failure = ClassifyConnectFailure(kind, records);
  std::string message = ConnectFailureMessage(failure, target, reason);
  // Without a Kerberos ticket FreeTDS says only that it could not connect (08001), which reads
  // like a server out of reach: an integrated login that failed says what it needs.
  const bool integrated = target.user.empty();
  if (kind == BackendKind::SqlServer && integrated && failure != ConnectFailure::DatabaseMissing)
    message += text::kKerberosHint;
  return DbError(DbError::Kind::Open, message);
}

}  // namespace velra::odbc
