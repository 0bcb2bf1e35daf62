#include "config/ConnectionString.h"

namespace velra {

std::optional<std::string> BuildConnectionString(const ConnectionStringInput& in) {
  if (in.DatabaseType == 0)
    return "Provider=" + in.ProviderAccess + ";Data Source=" + in.Database +
           ";Jet OLEDB:Database Password=" + in.Password;
  if (in.DatabaseType != 1) return std::nullopt;
  const std::string timeout = std::to_string(in.Timeout);
  if (in.Authentication == 0)
    return "Provider=" + in.ProviderSql + ";" + "User ID=" + in.User + ";" +
           "Password=" + in.Password + ";" + "Initial Catalog=" + in.Database + ";" +
           "Data Source=" + in.Server + ";" + "Persist Security Info=False;" +
           "Connect Timeout=" + timeout;
  if (in.Authentication == 1)
    return "Provider=" + in.ProviderSql + ";" + "Data Source=" + in.Server + ";" +
           "Initial Catalog=" + in.Database + ";" + "Integrated Security=SSPI;" +
           "Connect Timeout=" + timeout;
  return std::nullopt;
}

}  // namespace velra
