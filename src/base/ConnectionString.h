#pragma once
// The one connection string through which every part of the program opens the company database.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/DatabaseType.h"

namespace velra {

// The fixed password of a file company's database.
inline constexpr const char* kCompanyDatabasePassword = "418273";

struct ConnectionStringInput {
  velra::DatabaseType DatabaseType = velra::DatabaseType::File;
  std::string ProviderAccess;
  std::string ProviderSql;
  std::string Database;  // file path, or the catalog
  std::string Server;
  int32_t Authentication = 0;  // 0 server login, 1 integrated login
  int32_t Timeout = 0;
  std::string User;
  std::string Password;
};

// The connection string in the suite's form; nullopt for a server with an unknown
// authentication. Every value goes through QuoteConnectionValue, so that a company
// name or a password is always exactly itself and never adds an entry of its own.
std::optional<std::string> BuildConnectionString(const ConnectionStringInput& input);

// A value as connection strings need it: in braces with '}' doubled where it would otherwise end
// its entry, begin another one or lose its blanks at either end; as it is otherwise.
std::string QuoteConnectionValue(std::string_view value);
// The value in braces with '}' doubled, whatever it holds.
std::string BracedConnectionValue(std::string_view value);

}  // namespace velra
