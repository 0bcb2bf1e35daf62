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

Dialect::ManyRecords Dialect::HowManyRecordsAreAdded() const {
  switch (kind_) {
    case BackendKind::PostgreSql:
      return ManyRecords::Document;
    case BackendKind::SqlServer:
      return ManyRecords::Output;
    default:
      return ManyRecords::EachRecord;
  }
}

std::string Dialect::ReserveIdsStatement() const {
  return "SELECT nextval(pg_get_serial_sequence(CAST(? AS text), CAST(? AS text))) FROM "
         "generate_series(1, CAST(? AS integer))";
}

namespace {

// "(?, ?, ?), (?, ?, ?)": `rows` groups of `perRow` parameters.
std::string ParameterRows(size_t rows, size_t perRow) {
  std::string group = "(";
  for (size_t i = 0; i < perRow; ++i) group += i ? ", ?" : "?";
  group += ")";
  std::string out;
  out.reserve(rows * (group.size() + 2));
  for (size_t row = 0; row < rows; ++row) out += (row ? ", " : "") + group;
  return out;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? ", " : "") + parts[i];
  return out;
}

}  // namespace

std::string Dialect::InsertRowsStatement(std::string_view table, std::string_view quotedId,
                                         const std::vector<std::string>& columns,
                                         size_t rows) const {
  if (kind_ != BackendKind::SqlServer) {
    std::vector<std::string> names{std::string(quotedId)};
    names.insert(names.end(), columns.begin(), columns.end());
    return "INSERT INTO " + std::string(table) + " (" + Joined(names) + ") SELECT " +
           Joined(names) + " FROM json_populate_recordset(CAST(NULL AS " + std::string(table) +
           "), CAST(? AS json))";
  }
  // The source's columns are named by position (n, v0, v1, ...), so that no field name of the
  // table has to be spelled twice.
  std::vector<std::string> sourceNames{"n"}, sourceValues;
  for (size_t i = 0; i < columns.size(); ++i) {
    sourceNames.push_back("v" + std::to_string(i));
    sourceValues.push_back("s.v" + std::to_string(i));
  }
  const std::string insert =
      columns.empty() ? "INSERT DEFAULT VALUES"
                      : "INSERT (" + Joined(columns) + ") VALUES (" + Joined(sourceValues) + ")";
  return "MERGE INTO " + std::string(table) + " USING (VALUES " +
         ParameterRows(rows, sourceNames.size()) + ") AS s (" + Joined(sourceNames) +
         ") ON 1 = 0 WHEN NOT MATCHED THEN " + insert + " OUTPUT s.n, INSERTED." +
         std::string(quotedId) + ";";
}

std::string Dialect::SelectDocumentsStatement(std::string_view table, std::string_view quotedId,
                                              std::string_view marks) const {
  return "SELECT CAST(row_to_json(t) AS text) FROM " + std::string(table) + " AS t WHERE t." +
         std::string(quotedId) + " IN (" + std::string(marks) + ")";
}

std::string Dialect::UpdateRowsStatement(std::string_view table, std::string_view quotedId,
                                         const std::vector<std::string>& columns) const {
  std::string assignments;
  for (const std::string& column : columns)
    assignments += (assignments.empty() ? "" : ", ") + column + " = d." + column;
  return "UPDATE " + std::string(table) + " SET " + assignments +
         " FROM json_populate_recordset(CAST(NULL AS " + std::string(table) +
         "), CAST(? AS json)) AS d WHERE " + std::string(table) + "." + std::string(quotedId) +
         " = d." + std::string(quotedId);
}

}  // namespace velra
