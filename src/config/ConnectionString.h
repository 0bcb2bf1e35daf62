#pragma once
// The one connection string through which every part of the program opens the company database.

#include <cstdint>
#include <optional>
#include <string>

namespace velra {

// The fixed password of a file company's database.
inline constexpr const char* kCompanyDatabasePassword = "418273";

struct ConnectionStringInput {
  int32_t DatabaseType = 0;  // 0 file company, 1 server
  std::string ProviderAccess;
  std::string ProviderSql;
  std::string Database;  // file path, or the catalog
  std::string Server;
  int32_t Authentication = 0;  // 0 server login, 1 integrated login
  int32_t Timeout = 0;
  std::string User;
  std::string Password;
};

// The connection string in the suite's exact form; nullopt where the previous one stays in force
// (a server with an unknown authentication, an unknown database type). Values are inserted as
// they are.
std::optional<std::string> BuildConnectionString(const ConnectionStringInput& input);

}  // namespace velra
