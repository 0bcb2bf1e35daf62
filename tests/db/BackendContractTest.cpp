// What every server company's backend promises (Backend.h, OdbcBackend.h), one set of cases run
// against each server: PostgreSQL on the throwaway server of the tests (tests/server/postgres.sh),
// SQL Server when VELRA_TEST_MSSQL_SERVER, _USER and _PASSWORD name one. Each case works in a
// database of its own, created through the server's maintenance database and dropped at the end.

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/ConnectionString.h"
#include "company/CompanyOptions.h"
#include "db/Connection.h"
#include "db/TargetTable.h"
#include "db/WriteBatch.h"

namespace velra {

// The server in the names gtest prints for a case.
void PrintTo(BackendKind kind, std::ostream* out) {
  *out << (kind == BackendKind::PostgreSql ? "PostgreSQL" : "SQL Server");
}

namespace {

using Clock = std::chrono::steady_clock;

// A database server the tests may create databases on.
struct TestServer {
  std::string provider;  // as velra.var names it in [Provider] sql
  std::string server, user, password;
  std::string maintenance;  // the database the test databases are created and dropped from
};

std::optional<TestServer> FindTestServer(BackendKind kind) {
  if (kind == BackendKind::PostgreSql) {
    if (test::Environment("VELRA_TEST_PG_PORT").empty()) return std::nullopt;
    return TestServer{
        "PostgreSQL",
        test::Environment("VELRA_TEST_PG_HOST") + "," + test::Environment("VELRA_TEST_PG_PORT"),
        test::Environment("VELRA_TEST_PG_USER"), test::Environment("VELRA_TEST_PG_PASSWORD"),
        "postgres"};
  }
  TestServer server{"SQLOLEDB.1", test::Environment("VELRA_TEST_MSSQL_SERVER"),
                    test::Environment("VELRA_TEST_MSSQL_USER"),
                    test::Environment("VELRA_TEST_MSSQL_PASSWORD"), "master"};
  if (server.server.empty() || server.user.empty() || server.password.empty()) return std::nullopt;
  return server;
}

const char* NoTestServer(BackendKind kind) {
  return kind == BackendKind::PostgreSql
             ? "Kein PostgreSQL-Testserver: VELRA_TEST_PG_PORT ist nicht gesetzt "
               "(eval \"$(tests/server/postgres.sh start)\")."
             : "Kein SQL-Server-Testserver: VELRA_TEST_MSSQL_SERVER, _USER und _PASSWORD sind "
               "nicht gesetzt.";
}

// The company connection string of a database on the test server, as the configuration
// composes it.
std::string CompanyString(const TestServer& server, const std::string& database) {
  ConnectionStringInput in;
  in.DatabaseType = DatabaseType::Server;
  in.ProviderSql = server.provider;
  in.Database = database;
  in.Server = server.server;
  in.Authentication = 0;
  in.Timeout = 15;
  in.User = server.user;
  in.Password = server.password;
  return *BuildConnectionString(in);
}

// The tables of the cases. Flags are the type "flag" on both servers, built on the type each
// server's company schema uses for them. On SQL Server the key's constraint gets the name
// PostgreSQL gives it by itself, so that one message names it on both.
std::string Schema(BackendKind kind) {
  if (kind == BackendKind::PostgreSql)
    return "CREATE DOMAIN flag AS SMALLINT;"
           "CREATE TABLE \"Articles\" (\"ID\" SERIAL PRIMARY KEY, \"ArticleNumber\" VARCHAR(50) "
           "UNIQUE, \"ShortText\" TEXT, \"NetPrice\" DOUBLE PRECISION, \"Active\" flag, "
           "\"Stock\" BIGINT, \"DateCreation\" TIMESTAMP, \"Picture\" BYTEA);"
           "CREATE TABLE \"Options\" (\"ID\" SERIAL PRIMARY KEY, \"Section\" VARCHAR(100), "
           "\"Key\" VARCHAR(100), \"Value\" TEXT)";
  return "CREATE TYPE flag FROM BIT;"
         "CREATE TABLE \"Articles\" (\"ID\" INT IDENTITY(1,1) PRIMARY KEY, \"ArticleNumber\" "
         "NVARCHAR(50) CONSTRAINT \"Articles_ArticleNumber_key\" UNIQUE, \"ShortText\" "
         "NVARCHAR(MAX), \"NetPrice\" FLOAT, \"Active\" flag, \"Stock\" BIGINT, "
         "\"DateCreation\" DATETIME2(0), \"Picture\" VARBINARY(MAX));"
         "CREATE TABLE \"Options\" (\"ID\" INT IDENTITY(1,1) PRIMARY KEY, \"Section\" "
         "NVARCHAR(100), \"Key\" NVARCHAR(100), \"Value\" NVARCHAR(MAX))";
}

// A text of any length in any script.
std::string TextType(BackendKind kind) {
  return kind == BackendKind::PostgreSql ? "TEXT" : "NVARCHAR(MAX)";
}

// A script as each server's tools write one: a function "Doppelt" whose body holds ';', then two
// rows, one with ';' in its texts and one behind a comment that holds ';'. SQL Server's body
// needs a batch of its own, so its script is split at GO lines.
std::string ScriptWithFunction(BackendKind kind) {
  if (kind == BackendKind::PostgreSql)
    return "-- Kommentar; mit Semikolon\n"
           "CREATE FUNCTION \"Doppelt\"(x integer) RETURNS integer AS $$ BEGIN RETURN x * 2; "
           "END; $$ LANGUAGE plpgsql;\n"
           "INSERT INTO \"Articles\" (\"ArticleNumber\", \"ShortText\") VALUES ('a;b', "
           "E'it\\'s; fine');;\n"
           "/* ; */ INSERT INTO \"Articles\" (\"ArticleNumber\") VALUES ('c')\n";
  return "-- Kommentar; mit Semikolon\n"
         "CREATE FUNCTION \"Doppelt\"(@x INT) RETURNS INT AS BEGIN RETURN @x * 2; END\n"
         "GO\n"
         "INSERT INTO \"Articles\" (\"ArticleNumber\", \"ShortText\") VALUES ('a;b', "
         "N'it''s; fine');\n"
         "/* ; */ INSERT INTO \"Articles\" (\"ArticleNumber\") VALUES ('c')\n"
         "GO\n";
}

// SQL Server calls a function of its own only with its schema in front.
std::string CallDoubled(BackendKind kind, int argument) {
  return std::string(kind == BackendKind::PostgreSql ? "SELECT " : "SELECT dbo.") + "\"Doppelt\"(" +
         std::to_string(argument) + ")";
}

class BackendContract : public ::testing::TestWithParam<BackendKind> {
 protected:
  void SetUp() override {
    const std::optional<TestServer> server = FindTestServer(Kind());
    if (!server) GTEST_SKIP() << NoTestServer(Kind());
    server_ = *server;
    admin_ = Connection::Open(CompanyString(server_, server_.maintenance));
    database_ = test::UniqueName("velra_test_");
    admin_->ExecuteScript("CREATE DATABASE " + admin_->Quote(database_));
    created_ = true;
    // Readers see the rows committed last instead of waiting for a writer, as on PostgreSQL.
    if (Kind() == BackendKind::SqlServer)
      admin_->ExecuteScript("ALTER DATABASE " + admin_->Quote(database_) +
                            " SET READ_COMMITTED_SNAPSHOT ON");
    db_ = Open();
    db_->ExecuteScript(Schema(Kind()));
  }

  void TearDown() override {
    db_.reset();
    if (!created_) return;
    const std::string name = admin_->Quote(database_);
    if (Kind() == BackendKind::PostgreSql)
      admin_->ExecuteScript("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
    else
      admin_->ExecuteScript("ALTER DATABASE " + name +
                            " SET SINGLE_USER WITH ROLLBACK IMMEDIATE; DROP DATABASE " + name);
  }

  BackendKind Kind() const { return GetParam(); }
  std::unique_ptr<Connection> Open(const std::string& suffix = "") {
    return Connection::Open(CompanyString(server_, database_) + suffix);
  }
  static int64_t Count(Connection& db) {
    return db.QueryValue("SELECT COUNT(*) FROM \"Articles\"")->AsInteger();
  }

  TestServer server_;
  std::unique_ptr<Connection> admin_, db_;
  std::string database_;
  bool created_ = false;
};

std::string CaseName(const ::testing::TestParamInfo<BackendKind>& server) {
  return server.param == BackendKind::PostgreSql ? "PostgreSql" : "SqlServer";
}

INSTANTIATE_TEST_SUITE_P(Server, BackendContract,
                         ::testing::Values(BackendKind::PostgreSql, BackendKind::SqlServer),
                         CaseName);

TEST_P(BackendContract, ValuesComeBackWithTheirTypes) {
  const Bytes picture{0, 1, 2, 255, 0, '\\', '\'', 'x'};
  const DateTime created{2026, 12, 4, 13, 5, 9};
  const std::string text =
      "Schraube 'M6' \"verzinkt\" – Ø 6 mm; Müller ß € 😀 \\' $$ ?\n\tZeile 2\r\n";
  std::string longText;
  while (longText.size() < 100000) longText += "Größe 😀 Maß € ";
  const std::string insertAll =
      "INSERT INTO \"Articles\" (\"ArticleNumber\", \"ShortText\", \"NetPrice\", \"Active\", "
      "\"Stock\", \"DateCreation\", \"Picture\") VALUES (?, ?, ?, ?, ?, ?, ?)";
  db_->Execute(insertAll,
               {"4711", text, 1.0 / 3, true, int64_t{9007199254740993}, created, picture});
  db_->Execute(
      "INSERT INTO \"Articles\" (\"ArticleNumber\", \"ShortText\", \"Active\") "
      "VALUES (?, ?, ?)",
      {Value(), longText, false});
  db_->Execute(
      "INSERT INTO \"Articles\" (\"ArticleNumber\", \"ShortText\", \"Picture\") "
      "VALUES (?, ?, ?)",
      {"", "", Bytes{}});
  // Once more as the first statement of a row, which takes the row's savepoint along.
  {
    Transaction transaction = db_->Begin();
    db_->Savepoint();
    db_->Execute(insertAll,
                 {"4712", text, 1.0 / 3, true, int64_t{9007199254740993}, created, picture});
    db_->ReleaseSavepoint();
    transaction.Commit();
  }

  Rows rows = db_->Query("SELECT * FROM \"Articles\" ORDER BY \"ID\"");
  ASSERT_EQ(rows.Size(), 4u);
  for (size_t row : {0u, 3u}) {
    SCOPED_TRACE(row);
    EXPECT_EQ(rows.Get(row, "articlenumber"), Value(row == 0 ? "4711" : "4712"));
    EXPECT_EQ(rows.Get(row, "ShortText"), Value(text));
    EXPECT_EQ(rows.Get(row, "NetPrice"), Value(1.0 / 3));
    EXPECT_EQ(rows.Get(row, "Active"), Value(true));
    EXPECT_EQ(rows.Get(row, "Stock"), Value(int64_t{9007199254740993}));
    EXPECT_EQ(rows.Get(row, "DateCreation"), Value(created));
    EXPECT_EQ(rows.Get(row, "Picture"), Value(picture));
  }
  EXPECT_TRUE(rows.Get(1, "ArticleNumber").IsNull());
  EXPECT_EQ(rows.Get(1, "ShortText"), Value(longText));
  EXPECT_EQ(rows.Get(1, "Active"), Value(false));
  EXPECT_TRUE(rows.Get(1, "NetPrice").IsNull());
  EXPECT_TRUE(rows.Get(1, "DateCreation").IsNull());
  EXPECT_TRUE(rows.Get(1, "Picture").IsNull());
  // Empty is not null.
  EXPECT_EQ(rows.Get(2, "ArticleNumber"), Value(""));
  EXPECT_EQ(rows.Get(2, "Picture"), Value(Bytes{}));
  // A server stores true as 1; a small number that is no flag stays a number.
  EXPECT_EQ(db_->QueryValue("SELECT CAST(\"Active\" AS INTEGER) FROM \"Articles\" WHERE "
                            "\"ArticleNumber\" = ?",
                            {"4711"}),
            Value(int64_t{1}));
  EXPECT_EQ(db_->QueryValue("SELECT CAST(? AS SMALLINT)", {int64_t{7}}), Value(int64_t{7}));
  EXPECT_EQ(db_->QueryValue("SELECT CAST(? AS " + TextType(Kind()) + ")", {"Müller ß € 😀"}),
            Value("Müller ß € 😀"));
}

// The engine writes the picture of a record through TargetTable, with the null of a record
// without one bound before any bytes. SQL Server converts no text to binary, not even a null.
TEST_P(BackendContract, NullBoundFirstToABinaryColumnIsStoredAsNull) {
  TargetTable articles(*db_, "Articles");
  std::vector<Value> values(articles.Columns().size());
  std::vector<char> set(values.size(), 0);
  const auto number = static_cast<size_t>(articles.IndexOf("ArticleNumber"));
  const auto picture = static_cast<size_t>(articles.IndexOf("Picture"));
  set[number] = set[picture] = 1;
  const Bytes bytes{0, 1, 2, 255, 0};
  const std::vector<std::pair<const char*, Value>> records = {
      {"N-1", Value()}, {"N-2", Value(bytes)}, {"N-3", Value()}, {"N-4", Value(Bytes{})}};

  std::vector<int64_t> ids;
  for (const auto& [key, value] : records) {
    values[number] = Value(key);
    values[picture] = value;
    ids.push_back(articles.Insert(values, set));
  }

  std::vector<Value> read;
  for (size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE(records[i].first);
    ASSERT_TRUE(articles.Read(ids[i], read));
    EXPECT_EQ(read[number], Value(records[i].first));
    EXPECT_EQ(read[picture], records[i].second);
  }
  EXPECT_EQ(db_->QueryValue("SELECT COUNT(*) FROM \"Articles\" WHERE \"Picture\" IS NULL"),
            Value(int64_t{2}));
}

TEST_P(BackendContract, PreparedInsertIsReusedForTenThousandRows) {
  const int rows = 10000;
  Statement insert = db_->Prepare(
      "INSERT INTO \"Articles\" (\"ArticleNumber\", \"ShortText\", \"NetPrice\", \"Active\", "
      "\"Stock\") VALUES (?, ?, ?, ?, ?)");
  // Once bare and once with the row's savepoint, which travels in front of the statement.
  for (const bool savepoints : {false, true}) {
    const int first = savepoints ? rows : 0;
    Transaction transaction = db_->Begin();
    for (int i = first; i < first + rows; ++i) {
      if (savepoints) db_->Savepoint();
      insert.BindAll({"A-" + std::to_string(i), "Artikel Nummer " + std::to_string(i), i * 1.25,
                      i % 2 == 0, int64_t{i}});
      EXPECT_EQ(insert.Execute(), 1);
      if (savepoints) db_->ReleaseSavepoint();
    }
    transaction.Commit();
  }
  EXPECT_EQ(Count(*db_), 2 * rows);
  EXPECT_EQ(db_->QueryValue("SELECT CAST(SUM(\"Stock\") AS BIGINT) FROM \"Articles\""),
            Value(int64_t{2 * rows - 1} * (2 * rows) / 2));
  EXPECT_EQ(db_->QueryValue("SELECT COUNT(*) FROM \"Articles\" WHERE \"Active\" = ?", {true}),
            Value(int64_t{rows}));
}

TEST_P(BackendContract, TransactionsCommitOrRollBack) {
  const std::string sql = "INSERT INTO \"Articles\" (\"ArticleNumber\") VALUES (?)";
  {
    Transaction transaction = db_->Begin();
    EXPECT_TRUE(db_->InTransaction());
    db_->Execute(sql, {"verworfen"});
    // Another connection sees nothing before the commit.
    EXPECT_EQ(Count(*Open()), 0);
  }
  EXPECT_FALSE(db_->InTransaction());
  EXPECT_EQ(Count(*db_), 0);

  Transaction transaction = db_->Begin();
  db_->Execute(sql, {"bleibt"});
  transaction.Commit();
  EXPECT_FALSE(db_->InTransaction());
  EXPECT_EQ(Count(*Open()), 1);
}

TEST_P(BackendContract, SavepointUndoesOneRowAndKeepsTheOthers) {
  TargetTable articles(*db_, "articles");
  std::vector<Value> values(articles.Columns().size());
  std::vector<char> set(values.size(), 0);
  const int number = articles.IndexOf("ArticleNumber");
  set[static_cast<size_t>(number)] = 1;

  Transaction transaction = db_->Begin();
  std::vector<int64_t> ids;
  const char* injection = "C'); DROP TABLE \"Articles\"; --";
  for (const char* key : {"A", "B", "A", injection, "D"}) {
    db_->Savepoint();
    values[static_cast<size_t>(number)] = Value(key);
    try {
      if (std::string(key) == "D") {
        // A row that changes others and then fails takes its changes back with it.
        EXPECT_EQ(db_->Execute("UPDATE \"Articles\" SET \"Stock\" = ?", {int64_t{5}}), 3);
        db_->Execute("INSERT INTO \"Articles\" (\"ArticleNumber\") VALUES (?)", {"B"});
      }
      ids.push_back(articles.Insert(values, set));
      db_->ReleaseSavepoint();
    } catch (const DbError& e) {
      EXPECT_EQ(e.GetKind(), DbError::Kind::Constraint) << e.what();
      db_->RollbackToSavepoint();
    }
  }
  transaction.Commit();

  Rows rows = db_->Query("SELECT \"ID\", \"ArticleNumber\" FROM \"Articles\" ORDER BY \"ID\"");
  ASSERT_EQ(rows.Size(), 3u);
  ASSERT_EQ(ids.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(rows.Get(i, "ID"), Value(ids[i]));
  EXPECT_EQ(rows.Get(2, "ArticleNumber"), Value(injection));
  EXPECT_EQ(db_->QueryValue("SELECT COUNT(*) FROM \"Articles\" WHERE \"Stock\" IS NULL"),
            Value(int64_t{3}));
}

// A batch of rows goes to the server in a few statements. The rows the server refuses are found
// and every other row is written, each with the ID the batch tells for it and its values as they
// were: texts in any script and with any character JSON or SQL would escape, numbers, dates,
// flags, binary data and nulls.
TEST_P(BackendContract, ABatchWritesEveryRowButTheRefusedOnesWithTheirIds) {
  for (const char* number : {"X", "Y", "Z"})
    db_->Execute("INSERT INTO \"Articles\" (\"ArticleNumber\", \"Stock\") VALUES (?, ?)",
                 {number, int64_t{0}});
  TargetTable articles(*db_, "Articles");
  const std::vector<std::string> fields{"ArticleNumber", "Stock",        "ShortText", "NetPrice",
                                        "Active",        "DateCreation", "Picture"};
  std::vector<char> set(articles.Columns().size(), 0);
  for (const std::string& field : fields) set[static_cast<size_t>(articles.IndexOf(field))] = 1;
  auto valuesOf = [&](uint32_t row) {
    // Rows 300 and 1000 repeat the numbers of rows before them.
    const uint32_t number = row == 300 ? 7 : row == 1000 ? 999 : row;
    const std::vector<Value> values{
        Value("A-" + std::to_string(number)),
        Value(int64_t{row}),
        row % 7 ? Value("Täxt " + std::to_string(row) + " \"ß€😀\\\t\n'; --\x01") : Value(),
        Value(row * 1.1 + 1e-9),
        Value(row % 2 == 0),
        Value(DateTime{2024, 2, 29, 23, 59, static_cast<int>(row % 60)}),
        Value(Bytes{0, 1, static_cast<unsigned char>(row % 256), 255})};
    std::vector<Value> record(set.size());
    for (size_t i = 0; i < fields.size(); ++i)
      record[static_cast<size_t>(articles.IndexOf(fields[i]))] = values[i];
    return record;
  };

  WriteBatch batch(*db_);
  const uint32_t rows = 1200;  // more than one statement takes
  for (uint32_t row = 1; row <= rows; ++row) batch.Add(row, articles, valuesOf(row), set);
  // Changes of records there already travel with the same batch.
  const size_t stock = static_cast<size_t>(articles.IndexOf("Stock")),
               text = static_cast<size_t>(articles.IndexOf("ShortText"));
  std::vector<char> changed(set.size(), 0);
  changed[stock] = changed[text] = 1;
  const Rows existing = db_->Query("SELECT \"ID\" FROM \"Articles\" ORDER BY \"ID\"");
  for (size_t i = 0; i < existing.Size(); ++i) {
    std::vector<Value> change(set.size());
    change[stock] = Value(static_cast<int64_t>(42 + i));
    change[text] = i == 1 ? Value() : Value("geändert \"" + std::to_string(i) + "\"");
    batch.Change(rows + 1 + static_cast<uint32_t>(i), articles, existing.Get(i, "ID").AsInteger(),
                 std::move(change), changed);
  }
  Transaction transaction = db_->Begin();
  const std::vector<WriteBatch::Outcome> outcomes = batch.Send();
  transaction.Commit();

  ASSERT_EQ(outcomes.size(), rows + 3);
  EXPECT_EQ(Count(*db_), rows - 2 + 3);
  const Rows after = db_->Query(
      "SELECT \"Stock\", \"ShortText\" FROM \"Articles\" WHERE \"ArticleNumber\" IN ('X', "
      "'Y', 'Z') ORDER BY \"ArticleNumber\"");
  ASSERT_EQ(after.Size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(outcomes[rows + i].written);
    EXPECT_EQ(after.Get(i, "Stock"), Value(static_cast<int64_t>(42 + i)));
    EXPECT_EQ(after.Get(i, "ShortText"),
              i == 1 ? Value() : Value("geändert \"" + std::to_string(i) + "\""));
  }
  std::vector<Value> stored;
  for (uint32_t row = 1; row <= rows; ++row) {
    const WriteBatch::Outcome& outcome = outcomes[row - 1];
    ASSERT_EQ(outcome.row, row);
    if (row == 300 || row == 1000) {
      EXPECT_FALSE(outcome.written);
      EXPECT_NE(outcome.reason.find("abgelehnt"), std::string::npos) << outcome.reason;
      continue;
    }
    ASSERT_TRUE(outcome.written) << row << ": " << outcome.reason;
    ASSERT_EQ(outcome.added.size(), 1u);
    ASSERT_TRUE(articles.Read(outcome.added[0], stored)) << row;
    const std::vector<Value> expected = valuesOf(row);
    for (const std::string& field : fields) {
      const size_t i = static_cast<size_t>(articles.IndexOf(field));
      EXPECT_EQ(stored[i], expected[i]) << row << " " << field;
    }
  }

  // Records read ahead many at a time are read as each by itself.
  std::vector<int64_t> ids;
  for (const WriteBatch::Outcome& outcome : outcomes)
    if (!outcome.added.empty()) ids.push_back(outcome.added[0]);
  EXPECT_EQ(articles.Fetch(ids), ids.size());
  TargetTable alone(*db_, "Articles");
  std::vector<Value> ahead;
  for (int64_t id : ids) {
    ASSERT_TRUE(articles.Read(id, ahead));
    ASSERT_TRUE(alone.Read(id, stored));
    EXPECT_EQ(ahead, stored) << id;
  }
}

TEST_P(BackendContract, FailedStatementWithoutSavepointIsNotCommittedSilently) {
  Transaction transaction = db_->Begin();
  db_->Execute("INSERT INTO \"Articles\" (\"ArticleNumber\") VALUES (?)", {"A"});
  EXPECT_THROW(db_->Execute("INSERT INTO \"Articles\" (\"ArticleNumber\") VALUES (?)", {"A"}),
               DbError);
  EXPECT_THROW(transaction.Commit(), DbError);
  transaction.Rollback();
  EXPECT_FALSE(db_->InTransaction());
  EXPECT_EQ(Count(*db_), 0);
}

TEST_P(BackendContract, LastInsertIdAndTheReservedColumnKey) {
  db_->Execute("INSERT INTO \"Articles\" (\"ArticleNumber\") VALUES (?)", {"erster"});
  const int64_t first = db_->LastInsertId();
  db_->Execute("INSERT INTO \"Options\" (\"Section\", " + db_->Quote("Key") +
                   ", \"Value\") VALUES (?, ?, ?);",
               {"Import", "Key", "wert"});
  const int64_t option = db_->LastInsertId();
  EXPECT_EQ(db_->QueryValue("SELECT " + db_->Quote("Key") + " FROM " + db_->Quote("Options") +
                                " WHERE \"ID\" = ?",
                            {option}),
            Value("Key"));
  db_->Execute("INSERT INTO /* Ziel */ \"Articles\" (\"ArticleNumber\") VALUES (?) -- zweiter",
               {"zweiter"});
  EXPECT_EQ(db_->LastInsertId(), first + 1);
  // An UPDATE leaves the ID of the last INSERT.
  EXPECT_EQ(db_->Execute("UPDATE \"Articles\" SET \"Stock\" = ?", {int64_t{3}}), 2);
  EXPECT_EQ(db_->Execute("UPDATE \"Articles\" SET \"Stock\" = ? WHERE \"ID\" = ?",
                         {int64_t{4}, int64_t{-1}}),
            0);
  EXPECT_EQ(db_->LastInsertId(), first + 1);

  db_->ExecuteScript("CREATE TABLE \"NoId\" (\"Name\" " + TextType(Kind()) + ")");
  db_->Execute("INSERT INTO \"NoId\" (\"Name\") VALUES (?)", {"x"});
  EXPECT_EQ(db_->LastInsertId(), 0);
}

TEST_P(BackendContract, ColumnsAndTablesAreFoundIgnoringLetterCase) {
  auto column = db_->FindColumn("articles", "NETPRICE");
  ASSERT_TRUE(column.has_value());
  EXPECT_EQ(column->name, "NetPrice");
  EXPECT_EQ(column->type, Value::Type::Double);
  EXPECT_EQ(db_->FindColumn("ARTICLES", "active")->type, Value::Type::Boolean);
  EXPECT_EQ(db_->FindColumn("ARTICLES", "active")->declaredType, "flag");
  EXPECT_EQ(db_->FindColumn("Articles", "Stock")->type, Value::Type::Integer);
  EXPECT_EQ(db_->FindColumn("Articles", "DateCreation")->type, Value::Type::Date);
  EXPECT_EQ(db_->FindColumn("Articles", "Picture")->type, Value::Type::Binary);
  EXPECT_EQ(db_->FindColumn("Articles", "ShortText")->type, Value::Type::Text);
  EXPECT_TRUE(db_->FindColumn("Articles", "ID")->primaryKey);
  EXPECT_TRUE(db_->FindColumn("Articles", "ID")->notNull);
  EXPECT_FALSE(db_->FindColumn("Articles", "Stock")->primaryKey);
  EXPECT_FALSE(db_->FindColumn("Articles", "Stock")->notNull);
  EXPECT_FALSE(db_->FindColumn("Articles", "Missing").has_value());
  EXPECT_TRUE(db_->Columns("Nope").empty());
  EXPECT_EQ(db_->Tables(), (std::vector<std::string>{"Articles", "Options"}));
  EXPECT_TRUE(db_->HasTable("OPTIONS"));

  // A record read back compares equal with the values written, flags included.
  TargetTable articles(*db_, "ARTICLES");
  EXPECT_EQ(articles.Name(), "Articles");
  std::vector<Value> values(articles.Columns().size());
  std::vector<char> set(values.size(), 1);
  set[static_cast<size_t>(articles.IdIndex())] = 0;
  values[static_cast<size_t>(articles.IndexOf("ArticleNumber"))] = Value("K-1");
  values[static_cast<size_t>(articles.IndexOf("ShortText"))] = Value("Kurz");
  values[static_cast<size_t>(articles.IndexOf("NetPrice"))] = Value(2.5);
  values[static_cast<size_t>(articles.IndexOf("Active"))] = Value(true);
  values[static_cast<size_t>(articles.IndexOf("Stock"))] = Value(int64_t{12});
  values[static_cast<size_t>(articles.IndexOf("DateCreation"))] = Value(DateTime{2026, 1, 2});
  values[static_cast<size_t>(articles.IndexOf("Picture"))] = Value(Bytes{1, 2});
  const int64_t id = articles.Insert(values, set);
  values[static_cast<size_t>(articles.IdIndex())] = Value(id);
  std::vector<Value> read;
  ASSERT_TRUE(articles.Read(id, read));
  EXPECT_EQ(read, values);
  EXPECT_FALSE(articles.Read(id + 1, read));
}

TEST_P(BackendContract, StatementIsReusedWithResetAndColumnsInAnyOrder) {
  db_->Execute("INSERT INTO \"Articles\" (\"ArticleNumber\", \"NetPrice\") VALUES (?, ?), (?, ?)",
               {"A", 1.5, "B", 2.5});
  Statement select = db_->Prepare(
      "SELECT \"ID\", \"ArticleNumber\", \"NetPrice\" FROM \"Articles\" WHERE \"ArticleNumber\" "
      "= ?");
  for (const char* key : {"A", "B", "A", "X"}) {
    select.Reset();
    select.Bind(1, Value(key));
    if (std::string(key) == "X") {
      EXPECT_FALSE(select.Next());
      continue;
    }
    ASSERT_TRUE(select.Next());
    EXPECT_EQ(select.Get("NetPrice"), Value(key[0] == 'A' ? 1.5 : 2.5));
    EXPECT_EQ(select.Get(1), Value(key));
    EXPECT_EQ(select.Get("netprice"), Value(key[0] == 'A' ? 1.5 : 2.5));
    EXPECT_FALSE(select.Next());
  }
  EXPECT_EQ(select.ColumnCount(), 3);
  EXPECT_EQ(select.ColumnName(1), "ArticleNumber");
}

TEST_P(BackendContract, RejectedKeyIsAConstraintAndValuesStayValues) {
  db_->Execute("INSERT INTO \"Articles\" (\"ArticleNumber\") VALUES (?)",
               {"AB-1'; DROP TABLE \"Articles\"; --"});
  try {
    db_->Execute("INSERT INTO \"Articles\" (\"ArticleNumber\") VALUES (?)",
                 {"AB-1'; DROP TABLE \"Articles\"; --"});
    FAIL() << "doppelter Schlüssel angenommen";
  } catch (const DbError& e) {
    EXPECT_EQ(e.GetKind(), DbError::Kind::Constraint);
    EXPECT_NE(std::string(e.what()).find("Die Firmendatenbank hat den Datensatz abgelehnt: "),
              std::string::npos);
    EXPECT_NE(std::string(e.what()).find("Articles_ArticleNumber_key"), std::string::npos)
        << e.what();
  }
  // The connection goes on working after the error.
  EXPECT_EQ(Count(*db_), 1);
  try {
    db_->Execute("SELECT * FROM \"Nope\"");
    FAIL() << "unbekannte Tabelle gelesen";
  } catch (const DbError& e) {
    EXPECT_EQ(e.GetKind(), DbError::Kind::Statement);
    EXPECT_NE(std::string(e.what()).find("Nope"), std::string::npos) << e.what();
  }
}

TEST_P(BackendContract, RowLockedByAnotherUserFailsAfterTheBusyTimeout) {
  db_->Execute("INSERT INTO \"Articles\" (\"ArticleNumber\") VALUES (?)", {"A"});
  Transaction holder = db_->Begin();
  db_->Execute("UPDATE \"Articles\" SET \"Stock\" = ?", {int64_t{1}});

  auto other = Open(";Busy Timeout=300");
  const auto start = Clock::now();
  try {
    other->Execute("UPDATE \"Articles\" SET \"Stock\" = ?", {int64_t{2}});
    FAIL() << "gesperrte Zeile geändert";
  } catch (const DbError& e) {
    EXPECT_EQ(e.GetKind(), DbError::Kind::Locked) << e.what();
  }
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  holder.Rollback();
  EXPECT_EQ(other->Execute("UPDATE \"Articles\" SET \"Stock\" = ?", {int64_t{2}}), 1);
}

// A company's options table may lack the ID column: it is read and written by section and key,
// ignoring letter case, and a key is never stored twice.
TEST_P(BackendContract, OptionsWithoutAnIdAreReadAndWrittenBySectionAndKey) {
  const std::string text = TextType(Kind());
  db_->ExecuteScript("DROP TABLE \"Options\"; CREATE TABLE \"Options\" (\"Section\" " + text +
                     ", \"Key\" " + text + ", \"Value\" " + text + ")");
  db_->Execute("INSERT INTO \"Options\" (\"Section\", \"Key\", \"Value\") VALUES (?, ?, ?)",
               {"NumberRange", "Customer", "00041"});
  const std::string company = CompanyString(server_, database_);
  auto options = TableOptions::Load(company);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->Get("numberrange", "customer"), "00041");
  options->Set("NUMBERRANGE", "Customer", "00042");
  options->Set("NumberRange", "Article", "1");
  auto again = TableOptions::Load(company);
  EXPECT_EQ(again->Get("NumberRange", "Customer"), "00042");
  EXPECT_EQ(again->Get("NumberRange", "Article"), "1");
  EXPECT_EQ(db_->QueryValue("SELECT COUNT(*) FROM \"Options\""), Value(int64_t{2}));
}

TEST_P(BackendContract, ScriptsRunStatementByStatement) {
  db_->ExecuteScript(ScriptWithFunction(Kind()));
  EXPECT_EQ(db_->QueryValue(CallDoubled(Kind(), 21)), Value(int64_t{42}));
  EXPECT_EQ(db_->QueryValue("SELECT \"ShortText\" FROM \"Articles\" WHERE \"ArticleNumber\" = ?",
                            {"a;b"}),
            Value("it's; fine"));
  EXPECT_EQ(Count(*db_), 2);
  // Without batches a script is split at every ';' outside texts, names and comments.
  db_->ExecuteScript(
      "INSERT INTO \"Articles\" (\"ArticleNumber\", \"ShortText\") VALUES ('d;e', 'x'';y');;\n"
      "-- ; \"\n/* ' ; */ INSERT INTO \"Articles\" (\"ArticleNumber\") VALUES ('f')");
  EXPECT_EQ(db_->QueryValue("SELECT \"ShortText\" FROM \"Articles\" WHERE \"ArticleNumber\" = ?",
                            {"d;e"}),
            Value("x';y"));
  EXPECT_EQ(Count(*db_), 4);
  // The server's own words reach the user: they are read before the failed statement is closed.
  const std::string message =
      test::ThrownMessage<DbError>([&] { db_->ExecuteScript("SELECT 1; SELEKT 2"); });
  EXPECT_NE(message.find("SELEKT"), std::string::npos) << message;
}

}  // namespace
}  // namespace velra
