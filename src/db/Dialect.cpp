#include "db/Dialect.h"

namespace velra {

std::string Dialect::Quote(std::string_view identifier) const {
  const bool brackets = kind_ == BackendKind::SqlServer;
  const char open = brackets ? '[' : '"';
  const char close = brackets ? ']' : '"';
  std::string out(1, open);
  for (char c : identifier) {
    out.push_back(c);
    if (c == close) out.push_back(c);
  }
  out.push_back(close);
  return out;
}

std::string Dialect::SelectFirst(std::string_view columns, std::string_view rest) const {
  if (kind_ == BackendKind::SqlServer)
    return "SELECT TOP 1 " + std::string(columns) + " FROM " + std::string(rest);
  return "SELECT " + std::string(columns) + " FROM " + std::string(rest) + " LIMIT 1";
}

}  // namespace velra
