#pragma once
// Why a connection to the database server failed, told as a German office user understands it.
// The known cases are recognised by the driver's SQLSTATE and native error number; psqlODBC
// reports every failed login as 08001, so for PostgreSQL the server's words (English or German)
// tell a refused login and a missing database from a server that cannot be reached.

#include <string>
#include <vector>

#include "db/ConnectionParameters.h"

namespace velra {

// One diagnostic record of the ODBC driver, its message without the driver's tags.
struct DriverDiagnostic {
  std::string state;
  long native = 0;
  std::string message;
};

enum class ConnectFailure { Other, Unreachable, LoginRefused, DatabaseMissing };

ConnectFailure ClassifyConnectFailure(BackendKind kind,
                                      const std::vector<DriverDiagnostic>& records);

struct ConnectTarget {
  std::string server;  // as the connection names it ("host,port")
  std::string database;
  std::string user;  // empty for the Windows login
};

// The sentence for a known case, followed by the driver's text as detail; for Other the
// general sentence that ends in the driver's text.
std::string ConnectFailureMessage(ConnectFailure failure, const ConnectTarget& target,
                                  const std::string& driverText);

}  // namespace velra
