#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/Dialect.h"
#include "db/odbc/DialectSql.h"

namespace velra::odbc {
namespace {

// The items of a query's outer SELECT list: commas inside parentheses or quotes do not count.
std::vector<std::string> SelectItems(std::string_view query) {
  const size_t start = query.find("SELECT ") + 7;
  std::vector<std::string> items(1);
  int depth = 0;
  bool quoted = false;
  for (size_t i = start; i < query.size(); ++i) {
    const char c = query[i];
    if (c == '\'') quoted = !quoted;
    if (!quoted && c == '(') ++depth;
    if (!quoted && c == ')') --depth;
    if (!quoted && depth == 0 && query.substr(i, 6) == " FROM ") break;
    if (!quoted && depth == 0 && c == ',')
      items.emplace_back();
    else
      items.back() += c;
  }
  return items;
}

// The backend reads a column's name, declared type, own and base type, not null and key by
// their places: a server whose query gave one item less would have its base type read as the
// own type and every column taken as text.
TEST(DialectSql, EveryServersColumnQueryGivesTheSameSixItems) {
  for (BackendKind kind : {BackendKind::PostgreSql, BackendKind::SqlServer}) {
    const std::vector<std::string> items = SelectItems(ColumnsQuery(kind));
    EXPECT_EQ(items.size(), 6u) << ColumnsQuery(kind);
  }
  EXPECT_EQ(SelectItems(TablesQuery(BackendKind::PostgreSql)).size(), 1u);
  EXPECT_EQ(SelectItems(TablesQuery(BackendKind::SqlServer)).size(), 1u);
}

// Every server takes the row's savepoint in the batch of the row's first statement, so that it
// costs no round trip of its own; only PostgreSQL releases the row before's.
TEST(DialectSql, TheRowsSavepointGoesInFrontOfTheStatementOnEveryServer) {
  EXPECT_EQ(SavepointPrefix(BackendKind::PostgreSql, 0), "");
  EXPECT_EQ(SavepointPrefix(BackendKind::PostgreSql, 1), "SAVEPOINT velra_row; ");
  EXPECT_EQ(SavepointPrefix(BackendKind::PostgreSql, 2),
            "RELEASE SAVEPOINT velra_row; SAVEPOINT velra_row; ");
  EXPECT_EQ(SavepointPrefix(BackendKind::SqlServer, 0), "");
  EXPECT_EQ(SavepointPrefix(BackendKind::SqlServer, 1), "SAVE TRANSACTION velra_row; ");
  EXPECT_EQ(RollbackToSavepointStatement(BackendKind::SqlServer), "ROLLBACK TRANSACTION velra_row");
}

// Many records in one statement: PostgreSQL takes them, with the IDs drawn before, as one JSON
// text; SQL Server names each record's ordinal beside the ID it got, as the order of its output
// is not that of the rows, and every record has a parameter for each value and no more.
TEST(DialectSql, ManyRecordsInOneStatement) {
  const std::vector<std::string> columns{"\"a\"", "\"b\""};
  const std::string postgres =
      Dialect(BackendKind::PostgreSql).InsertRowsStatement("\"T\"", "\"ID\"", columns, 2);
  EXPECT_EQ(postgres,
            "INSERT INTO \"T\" (\"ID\", \"a\", \"b\") SELECT \"ID\", \"a\", \"b\" FROM "
            "json_populate_recordset(CAST(NULL AS \"T\"), CAST(? AS json))");
  const std::string sqlServer =
      Dialect(BackendKind::SqlServer).InsertRowsStatement("[T]", "[ID]", {"[a]", "[b]"}, 2);
  EXPECT_EQ(sqlServer,
            "MERGE INTO [T] USING (VALUES (?, ?, ?), (?, ?, ?)) AS s (n, v0, v1) ON 1 = 0 WHEN NOT "
            "MATCHED THEN INSERT ([a], [b]) VALUES (s.v0, s.v1) OUTPUT s.n, INSERTED.[ID];");
  EXPECT_NE(Dialect(BackendKind::SqlServer)
                .InsertRowsStatement("[T]", "[ID]", {}, 1)
                .find("INSERT DEFAULT VALUES OUTPUT"),
            std::string::npos);
  EXPECT_LE(Dialect(BackendKind::SqlServer).MaxParameters(), 2100u);  // the server's own limit
}

}  // namespace
}  // namespace velra::odbc
