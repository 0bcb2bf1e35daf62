#include "base/ConnectionString.h"

namespace velra {

std::string QuoteConnectionValue(std::string_view value) {
  bool braces = !value.empty() && (value.front() == ' ' || value.back() == ' ');
  for (char c : value)
    if (c == ';' || c == '{' || c == '}' || c == '=') braces = true;
  return braces ? BracedConnectionValue(value) : std::string(value);
}

std::string BracedConnectionValue(std::string_view value) {
  std::string out = "{";
  for (char c : value) {
    out.push_back(c);
    if (c == '}') out.push_back('}');
  }
  out.push_back('}');
  return out;
}

std::optional<std::string> BuildConnectionString(const ConnectionStringInput& in) {
  auto q = [](std::string_view value) { return QuoteConnectionValue(value); };
  if (in.DatabaseType == DatabaseType::File)
    return "Provider=" + q(in.ProviderAccess) + ";Data Source=" + q(in.Database) +
           ";Jet OLEDB:Database Password=" + q(in.Password);
  const std::string timeout = std::to_string(in.Timeout);
  if (in.Authentication == 0)
    return "Provider=" + q(in.ProviderSql) + ";" + "User ID=" + q(in.User) + ";" +
           "Password=" + q(in.Password) + ";" + "Initial Catalog=" + q(in.Database) + ";" +
           "Data Source=" + q(in.Server) + ";" + "Persist Security Info=False;" +
           "Connect Timeout=" + timeout;
  if (in.Authentication == 1)
    return "Provider=" + q(in.ProviderSql) + ";" + "Data Source=" + q(in.Server) + ";" +
           "Initial Catalog=" + q(in.Database) + ";" + "Integrated Security=SSPI;" +
           "Connect Timeout=" + timeout;
  return std::nullopt;
}

}  // namespace velra
