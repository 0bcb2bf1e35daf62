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

std::string Dialect::TryLockStatement() const {
  switch (kind_) {
    case BackendKind::PostgreSql:
      return "SELECT CASE WHEN pg_try_advisory_lock(hashtextextended(CAST(? AS text), 0)) THEN 1 "
             "ELSE 0 END";
    case BackendKind::SqlServer:
      return "SET NOCOUNT ON; DECLARE @taken int; EXEC @taken = sp_getapplock @Resource = ?, "
             "@LockMode = 'Exclusive', @LockOwner = 'Session', @LockTimeout = 0; "
             "SELECT CASE WHEN @taken >= 0 THEN 1 ELSE 0 END";
    default:
      return {};
  }
}

}  // namespace velra
