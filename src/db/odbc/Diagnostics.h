#pragma once
// Reading what the driver and the server say about a failure.

#include <sql.h>

#include <string>
#include <string_view>
#include <vector>

#include "db/odbc/ConnectFailure.h"

namespace velra::odbc {

// The server's own words: without the "[unixODBC][Driver Manager]" tags in front, the severity
// "ERROR:" and psqlODBC's closing line "Error while executing the query", on one line.
std::string CleanMessage(std::string_view message);

// The diagnostic records of a handle, their messages cleaned.
std::vector<DriverDiagnostic> ReadDiagnostics(SQLSMALLINT type, SQLHANDLE handle);

// The records' messages in one text, each once; `secret` (the password) never appears in it.
std::string ReasonOf(const std::vector<DriverDiagnostic>& records, const std::string& secret);

}  // namespace velra::odbc
