#pragma once
// Reading the company connection string as the configuration composes it, and choosing the
// backend that serves its provider.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velra {

enum class BackendKind { Sqlite, SqlServer, PostgreSql, Unknown };

class ConnectionParameters {
 public:
  // Splits "Name=Value;Name=Value"; names compare ignoring case. A value in braces is taken
  // without them and with "}}" read as '}'; other values are kept as they stand, and a piece
  // without '=' continues the value before it, ';' included.
  static ConnectionParameters Parse(std::string_view connectionString);

  std::optional<std::string> Get(std::string_view name) const;
  std::string GetOr(std::string_view name, std::string fallback = {}) const;
  const std::vector<std::pair<std::string, std::string>>& Entries() const { return entries_; }

  // Jet and ACE provider names and "SQLite" mean a file company, kept in SQLite; SQL Server
  // provider names mean SQL Server; "PostgreSQL" means PostgreSQL.
  BackendKind Backend() const;

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
};

BackendKind BackendOfProvider(std::string_view provider);

// The connection string as it may be shown or logged: every entry as Parse reads it, its value
// quoted as BuildConnectionString quotes it, and the value of every password ("Password", "PWD",
// "Jet OLEDB:Database Password", any name ending in "password") replaced by "***"; an empty
// password stays empty, which tells that none is set. A string the configuration composed reads
// exactly as before apart from the passwords.
std::string HidePasswords(std::string_view connectionString);

}  // namespace velra
