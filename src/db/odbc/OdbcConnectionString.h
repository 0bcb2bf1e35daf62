#pragma once
// The company's server connection string in the words of the ODBC driver that serves it.
//
// The company connection string stays exactly as the configuration composes it; this is only
// its translation for SQLDriverConnect:
//
//   Data Source               Server, and Port when written "host,port" or "host:port"
//                             ("tcp:" in front is dropped, "(local)" and "." mean localhost,
//                             with an integrated SQL Server login this computer's name, by
//                             which Kerberos knows the server; "[v6-address]:port" for IPv6). SQL
//                             Server's "host\instance" goes to FreeTDS as it stands; FreeTDS asks
//                             the browser service.
//   Initial Catalog           Database
//   User ID, Password         UID, PWD
//   Integrated Security=SSPI  SQL Server: Trusted_Connection=Yes (the user's Kerberos ticket).
//                             PostgreSQL: no UID and PWD, libpq logs in as the system user
//                             (GSSAPI with a Kerberos ticket, or peer on a local socket).
//   Connect Timeout           not a keyword: both drivers take the login time-out as the
//                             connection attribute SQL_ATTR_LOGIN_TIMEOUT (FreeTDS's own
//                             "Timeout" is the query time-out). See ServerLogin::timeoutSeconds.
//   Busy Timeout              (optional, milliseconds, default 5000, as for a file company) how
//                             long a statement waits for a row another user has locked.
//
// Fixed options:
//   SQL Server   TDS_Version=7.4 (SQL Server 2012 and later), ClientCharset=UTF-8.
//   PostgreSQL   UseServerSidePrepare=1 (statements are parsed once on the server),
//                Protocol=7.4-0 (no implicit savepoint around every statement: a row is undone
//                by the backend's own savepoint), UseDeclareFetch=0 (no cursor for a result),
//                BoolsAsChar=0, ByteaAsLongVarBinary=1, LFConversion=0 (texts unchanged),
//                CommLog=0 and Debug=0 (Debian's odbcinst.ini switches the communication log
//                on, which costs two thirds of the insert rate).
//
// Values that contain ';', '{', '}' or '=' or start or end with a blank are given in braces
// with '}' doubled, so that a password like "a;b}c" reaches the server as it is and cannot add a
// keyword of its own. psqlODBC keeps braces on Server, Database and UID: a name that needs them
// goes to libpq through pqopt ("dbname='A;B'"), and PWD is always in braces. FreeTDS ends a braced
// value at its '}' and keeps "}}" as it stands: for SQL Server a value with '}' is refused
// (DbError, naming its entry).

#include <optional>
#include <string>
#include <string_view>

#include "db/ConnectionParameters.h"

namespace velra {

// The login to a company database on a server.
struct ServerLogin {
  BackendKind kind = BackendKind::Unknown;
  std::string server;    // as written in "Data Source"
  std::string database;  // "Initial Catalog"
  std::string user;
  std::string password;
  bool integrated = false;            // "Integrated Security=SSPI"
  std::optional<int> timeoutSeconds;  // "Connect Timeout"; 0 waits without limit
  int busyTimeoutMs = 5000;           // "Busy Timeout"

  // Reads the entries of a server connection string as BuildConnectionString composes it.
  static ServerLogin FromParameters(const ConnectionParameters& parameters);
};

// The ODBC driver for an engine: "FreeTDS" for SQL Server and "PostgreSQL Unicode" for
// PostgreSQL, as Debian registers them, unless set otherwise. An empty name restores the
// default. Meant to be called once at start-up, from the environment file.
void SetOdbcDriver(BackendKind kind, std::string driver);
std::string OdbcDriver(BackendKind kind);

// The connection string for SQLDriverConnect. It contains the password: never show it.
std::string OdbcConnectionString(const ServerLogin& login);

// "host,port", "host:port", "[v6]:port" and "host" apart; port empty when none is given.
// SQL Server's names for this computer, "(local)" and ".", become `thisComputer`.
struct ServerAddress {
  std::string host;
  std::string port;
};
ServerAddress SplitServerAddress(std::string_view server,
                                 std::string_view thisComputer = "localhost");

}  // namespace velra
