#include "db/ConnectionParameters.h"

#include "base/ConnectionString.h"
#include "base/Text.h"

namespace velra {

ConnectionParameters ConnectionParameters::Parse(std::string_view connectionString) {
  ConnectionParameters parameters;
  size_t start = 0;
  while (start <= connectionString.size()) {
    size_t end = connectionString.find(';', start);
    if (end == std::string_view::npos) end = connectionString.size();
    std::string_view part = connectionString.substr(start, end - start);
    size_t equals = part.find('=');
    if (equals != std::string_view::npos && start + equals + 1 < connectionString.size() &&
        connectionString[start + equals + 1] == '{') {
      // "{...}" holds anything, "}}" stands for one '}'.
      std::string value;
      size_t i = start + equals + 2;
      for (; i < connectionString.size(); ++i) {
        if (connectionString[i] == '}') {
          if (i + 1 < connectionString.size() && connectionString[i + 1] == '}') {
            value.push_back('}');
            ++i;
            continue;
          }
          break;
        }
        value.push_back(connectionString[i]);
      }
      parameters.entries_.emplace_back(std::string(Trim(part.substr(0, equals))), std::move(value));
      end = connectionString.find(';', i);
      if (end == std::string_view::npos) end = connectionString.size();
    } else if (equals != std::string_view::npos) {
      parameters.entries_.emplace_back(std::string(Trim(part.substr(0, equals))),
                                       std::string(part.substr(equals + 1)));
    } else if (!part.empty() && !parameters.entries_.empty()) {
      // A hand-written string may carry a ';' in a value without braces: the piece without
      // '=' is the rest of that value.
      parameters.entries_.back().second += ";" + std::string(part);
    }
    start = end + 1;
  }
  return parameters;
}

std::optional<std::string> ConnectionParameters::Get(std::string_view name) const {
  for (const auto& [key, value] : entries_)
    if (EqualsIgnoreCase(key, name)) return value;
  return std::nullopt;
}

std::string ConnectionParameters::GetOr(std::string_view name, std::string fallback) const {
  return Get(name).value_or(std::move(fallback));
}

BackendKind ConnectionParameters::Backend() const {
  return BackendOfProvider(GetOr("Provider"));
}

BackendKind BackendOfProvider(std::string_view provider) {
  std::string name = ToLowerAscii(Trim(provider));
  if (name.starts_with("microsoft.jet.oledb") || name.starts_with("microsoft.ace.oledb") ||
      name == "sqlite")
    return BackendKind::Sqlite;
  if (name.starts_with("sqloledb") || name.starts_with("sqlncli") ||
      name.starts_with("msoledbsql") || name == "sqlserver" || name == "sql server")
    return BackendKind::SqlServer;
  if (name == "postgresql" || name == "postgres") return BackendKind::PostgreSql;
  return BackendKind::Unknown;
}

namespace {

bool IsPasswordName(std::string_view name) {
  const std::string lower = ToLowerAscii(name);
  return lower == "pwd" || lower.ends_with("password");
}

}  // namespace

std::string HidePasswords(std::string_view connectionString) {
  const ConnectionParameters parameters = ConnectionParameters::Parse(connectionString);
  std::string out;
  for (const auto& [name, value] : parameters.Entries()) {
    if (!out.empty()) out += ';';
    const bool hidden = IsPasswordName(name) && !value.empty();
    out += name + "=" + (hidden ? std::string("***") : QuoteConnectionValue(value));
  }
  return out;
}

}  // namespace velra
