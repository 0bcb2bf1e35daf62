#pragma once
// Where a company's database lives; the registry and the environment file keep it as its number.

#include <cstdint>
#include <optional>

namespace velra {

enum class DatabaseType : int32_t {
  File = 0,    // an embedded database file in the company's folder
  Server = 1,  // a database on a server
};

// The type stored as `number`; nullopt for any other number.
constexpr std::optional<DatabaseType> DatabaseTypeOfNumber(int64_t number) {
  if (number == static_cast<int64_t>(DatabaseType::File)) return DatabaseType::File;
  if (number == static_cast<int64_t>(DatabaseType::Server)) return DatabaseType::Server;
  return std::nullopt;
}

}  // namespace velra
