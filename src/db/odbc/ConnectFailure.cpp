#include "db/odbc/ConnectFailure.h"

#include <string_view>

#include "base/Text.h"
#include "db/odbc/OdbcMessages.h"

namespace velra {

namespace {

// SQL Server's error numbers: the login may not open the database, the login failed.
constexpr long kSqlServerCannotOpenDatabase = 4060;
constexpr long kSqlServerLoginFailed = 18456;

// Words of the server or of libpq that name the case, in English and in the German of their
// translations; a message that holds both parts of an entry is taken as that case.
struct Sign {
  ConnectFailure failure;
  std::string_view first;
  std::string_view second;
};
constexpr Sign kSigns[] = {
    {ConnectFailure::DatabaseMissing, "database \"", "does not exist"},
    {ConnectFailure::DatabaseMissing, "Datenbank »", "existiert nicht"},
    {ConnectFailure::DatabaseMissing, "Cannot open database", ""},
    {ConnectFailure::LoginRefused, "authentication failed", ""},
    {ConnectFailure::LoginRefused, "Authentifizierung", "fehlgeschlagen"},
    {ConnectFailure::LoginRefused, "pg_hba.conf", ""},
    {ConnectFailure::LoginRefused, "role \"", "does not exist"},
    {ConnectFailure::LoginRefused, "Rolle »", "existiert nicht"},
    {ConnectFailure::LoginRefused, "no password supplied", ""},
    {ConnectFailure::LoginRefused, "Login failed", ""},
};

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

ConnectFailure ByCode(BackendKind kind, const DriverDiagnostic& record) {
  const bool sqlServer = kind == BackendKind::SqlServer;
  if (record.state == "3D000" || (sqlServer && record.native == kSqlServerCannotOpenDatabase))
    return ConnectFailure::DatabaseMissing;
  if (record.state == "28000" || record.state == "28P01" ||
      (sqlServer && record.native == kSqlServerLoginFailed))
    return ConnectFailure::LoginRefused;
  return ConnectFailure::Other;
}

ConnectFailure ByText(const DriverDiagnostic& record) {
  for (const Sign& sign : kSigns)
    if (Contains(record.message, sign.first) && Contains(record.message, sign.second))
      return sign.failure;
  return ConnectFailure::Other;
}

// The client could not establish the connection (08001), lost it on the way (08S01) or gave up
// waiting for the login (HYT00). A server that answered with a FATAL error was reached.
bool NotReached(const DriverDiagnostic& record) {
  return (record.state == "08001" || record.state == "08S01" || record.state == "HYT00") &&
         !Contains(record.message, "FATAL");
}

}  // namespace

ConnectFailure ClassifyConnectFailure(BackendKind kind,
                                      const std::vector<DriverDiagnostic>& records) {
  // A missing database wins over the failed login that SQL Server reports with it.
  for (ConnectFailure wanted : {ConnectFailure::DatabaseMissing, ConnectFailure::LoginRefused})
    for (const DriverDiagnostic& record : records)
      if (ByCode(kind, record) == wanted) return wanted;
  for (const DriverDiagnostic& record : records)
    if (ConnectFailure byText = ByText(record); byText != ConnectFailure::Other) return byText;
  if (records.empty()) return ConnectFailure::Other;
  for (const DriverDiagnostic& record : records)
    if (!NotReached(record)) return ConnectFailure::Other;
  return ConnectFailure::Unreachable;
}

std::string ConnectFailureMessage(ConnectFailure failure, const ConnectTarget& target,
                                  const std::string& driverText) {
  const std::string& server = target.server;
  const std::string& database = target.database;
  switch (failure) {
    case ConnectFailure::Unreachable:
      return Fill(odbc::text::kServerUnreachable, {server, database, driverText});
    case ConnectFailure::LoginRefused: {
      const std::string user =
          target.user.empty() ? std::string() : Fill(odbc::text::kOfUser, {target.user});
      return Fill(odbc::text::kLoginRefused, {user, server, database, driverText});
    }
    case ConnectFailure::DatabaseMissing:
      return Fill(odbc::text::kDatabaseMissing, {database, server, driverText});
    case ConnectFailure::Other:
      break;
  }
  return Fill(odbc::text::kCannotConnect, {database, server, driverText});
}

}  // namespace velra
