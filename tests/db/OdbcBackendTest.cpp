#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/ConnectionString.h"
#include "db/Connection.h"
#include "db/Dialect.h"
#include "db/TargetTable.h"
#include "db/odbc/ConnectFailure.h"
#include "db/odbc/OdbcBackend.h"
#include "db/odbc/OdbcConnectionString.h"
#include "db/odbc/OdbcErrors.h"

namespace velra {
namespace {

using Clock = std::chrono::steady_clock;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The company connection string of a database on the test server, as the configuration
// composes it.
std::string CompanyString(const std::string& database, const std::string& password,
                          const std::string& user = Env("VELRA_TEST_PG_USER"),
                          const std::string& server = Env("VELRA_TEST_PG_HOST") + "," +
                                                      Env("VELRA_TEST_PG_PORT")) {
  ConnectionStringInput in;
  in.DatabaseType = DatabaseType::Server;
  in.ProviderSql = "PostgreSQL";
  in.Database = database;
  in.Server = server;
  in.Authentication = 0;
  in.Timeout = 10;
  in.User = user;
  in.Password = password;
  return *BuildConnectionString(in);
}

std::string UniqueName(const char* prefix) {
  static std::atomic<int> counter{0};
  return std::string(prefix) + std::to_string(::getpid()) + "_" + std::to_string(++counter);
}

// A TCP port on the loopback interface where nobody listens.
int ClosedPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

// A server that takes the connection and then says nothing.
class SilentServer {
 public:
  SilentServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd_, 4);
    socklen_t length = sizeof address;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~SilentServer() { ::close(fd_); }
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

class OdbcBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Env("VELRA_TEST_PG_PORT").empty())
      GTEST_SKIP() << "Kein PostgreSQL-Testserver: VELRA_TEST_PG_PORT ist nicht gesetzt "
                      "(eval \"$(tests/server/postgres.sh start)\").";
    admin_ = Connection::Open(CompanyString("postgres", Password()));
    database_ = UniqueName("velra_test_");
    admin_->ExecuteScript("CREATE DATABASE " + admin_->Quote(database_));
    db_ = Open();
    db_->ExecuteScript(
        "CREATE DOMAIN flag AS SMALLINT;"
        "CREATE TABLE \"Articles\" (\"ID\" SERIAL PRIMARY KEY, \"ArticleNumber\" VARCHAR(50) "
        "UNIQUE, \"ShortText\" TEXT, \"NetPrice\" DOUBLE PRECISION, \"Active\" flag, \"Stock\" "
        "BIGINT, \"DateCreation\" TIMESTAMP, \"Picture\" BYTEA);"
        "CREATE TABLE \"Options\" (\"ID\" SERIAL PRIMARY KEY, \"Section\" VARCHAR(100), \"Key\" "
        "VARCHAR(100), \"Value\" TEXT)");
  }

  void TearDown() override {
    db_.reset();
    if (admin_)
      admin_->ExecuteScript("DROP DATABASE IF EXISTS " + admin_->Quote(database_) +
                            " WITH (FORCE)");
  }

  static std::string Password() { return Env("VELRA_TEST_PG_PASSWORD"); }
  std::unique_ptr<Connection> Open(const std::string& suffix = "") {
    return Connection::Open(CompanyString(database_, Password()) + suffix);
  }
  int64_t Count(Connection& db) {
    return db.QueryValue("SELECT COUNT(*) FROM \"Articles\"")->AsInteger();
  }

  std::unique_ptr<Connection> admin_, db_;
  std::string database_;
};

TEST_F(OdbcBackendTest, ValuesComeBackWithTheirTypes) {
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
  EXPECT_EQ(db_->QueryValue("SELECT ?::text", {"Müller ß € 😀"}), Value("Müller ß € 😀"));
}

TEST_F(OdbcBackendTest, PreparedInsertIsReusedForTenThousandRows) {
  const int rows = 10000;
  Statement insert = db_->Prepare(
      "INSERT INTO \"Articles\" (\"ArticleNumber\", \"ShortText\", \"NetPrice\", \"Active\", "
      "\"Stock\") VALUES (?, ?, ?, ?, ?)");
  auto run = [&](int first, bool savepoints) {
    const auto start = Clock::now();
    Transaction transaction = db_->Begin();
    for (int i = first; i < first + rows; ++i) {
      if (savepoints) db_->Savepoint();
      insert.BindAll({"A-" + std::to_string(i), "Artikel Nummer " + std::to_string(i), i * 1.25,
                      i % 2 == 0, int64_t{i}});
      EXPECT_EQ(insert.Execute(), 1);
      if (savepoints) db_->ReleaseSavepoint();
    }
    transaction.Commit();
    return rows / std::chrono::duration<double>(Clock::now() - start).count();
  };
  const double bare = run(0, false);
  const double withSavepoints = run(rows, true);
  std::printf(
      "[ Leistung ] PostgreSQL über ODBC, vorbereitetes INSERT in einer Transaktion: %.0f "
      "Zeilen/s, "
      "mit Sicherungspunkt je Zeile: %.0f Zeilen/s\n",
      bare, withSavepoints);
  EXPECT_EQ(Count(*db_), 2 * rows);
  EXPECT_EQ(db_->QueryValue("SELECT CAST(SUM(\"Stock\") AS BIGINT) FROM \"Articles\""),
            Value(int64_t{2 * rows - 1} * (2 * rows) / 2));
  EXPECT_EQ(db_->QueryValue("SELECT COUNT(*) FROM \"Articles\" WHERE \"Active\" = ?", {true}),
            Value(int64_t{rows}));
}

TEST_F(OdbcBackendTest, TransactionsCommitOrRollBack) {
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

TEST_F(OdbcBackendTest, SavepointUndoesOneRowAndKeepsTheOthers) {
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
        db_->Execute("INSERT INTO \"Articles\" (\"ID\") VALUES (?)", {ids.front()});
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

TEST_F(OdbcBackendTest, FailedStatementWithoutSavepointIsNotCommittedSilently) {
  Transaction transaction = db_->Begin();
  db_->Execute("INSERT INTO \"Articles\" (\"ArticleNumber\") VALUES (?)", {"A"});
  EXPECT_THROW(db_->Execute("INSERT INTO \"Articles\" (\"ArticleNumber\") VALUES (?)", {"A"}),
               DbError);
  EXPECT_THROW(transaction.Commit(), DbError);
  transaction.Rollback();
  EXPECT_FALSE(db_->InTransaction());
  EXPECT_EQ(Count(*db_), 0);
}

TEST_F(OdbcBackendTest, LastInsertIdAndTheReservedColumnKey) {
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

  db_->ExecuteScript("CREATE TABLE \"NoId\" (\"Name\" TEXT)");
  db_->Execute("INSERT INTO \"NoId\" (\"Name\") VALUES (?)", {"x"});
  EXPECT_EQ(db_->LastInsertId(), 0);
}

TEST_F(OdbcBackendTest, ColumnsAndTablesAreFoundIgnoringLetterCase) {
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

TEST_F(OdbcBackendTest, StatementIsReusedWithResetAndColumnsInAnyOrder) {
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

TEST_F(OdbcBackendTest, RejectedKeyIsAConstraintAndValuesStayValues) {
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
  EXPECT_THROW(db_->Execute("SELECT * FROM \"Nope\""), DbError);
  try {
    db_->Execute("SELECT * FROM \"Nope\"");
  } catch (const DbError& e) {
    EXPECT_EQ(e.GetKind(), DbError::Kind::Statement);
    EXPECT_NE(std::string(e.what()).find("Nope"), std::string::npos) << e.what();
  }
}

TEST_F(OdbcBackendTest, RowLockedByAnotherUserFailsAfterTheBusyTimeout) {
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

TEST_F(OdbcBackendTest, LostConnectionSaysSo) {
  Statement select = db_->Prepare("SELECT COUNT(*) FROM \"Articles\"");
  ASSERT_TRUE(select.Next());
  const std::string others =
      "SELECT COUNT(*) FROM pg_stat_activity WHERE datname = ? AND pid <> pg_backend_pid()";
  admin_->Query(
      "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = ? AND "
      "pid <> pg_backend_pid()",
      {database_});
  for (int i = 0; i < 100 && admin_->QueryValue(others, {database_})->AsInteger() > 0; ++i)
    ::usleep(20000);
  try {
    select.Reset();
    select.Next();
    FAIL() << "keine Verbindung, aber kein Fehler";
  } catch (const DbError& e) {
    EXPECT_EQ(e.GetKind(), DbError::Kind::Open) << e.what();
    EXPECT_NE(std::string(e.what()).find("ist unterbrochen: "), std::string::npos) << e.what();
  }
}

TEST_F(OdbcBackendTest, ScriptsRunStatementByStatement) {
  db_->ExecuteScript(
      "-- Kommentar; mit Semikolon\n"
      "CREATE FUNCTION \"Doppelt\"(x integer) RETURNS integer AS $$ BEGIN RETURN x * 2; END; $$ "
      "LANGUAGE plpgsql;\n"
      "INSERT INTO \"Articles\" (\"ArticleNumber\", \"ShortText\") VALUES ('a;b', E'it\\'s; "
      "fine');;\n"
      "/* ; */ INSERT INTO \"Articles\" (\"ArticleNumber\") VALUES ('c')\n");
  EXPECT_EQ(db_->QueryValue("SELECT \"Doppelt\"(21)"), Value(int64_t{42}));
  EXPECT_EQ(db_->QueryValue("SELECT \"ShortText\" FROM \"Articles\" WHERE \"ArticleNumber\" = ?",
                            {"a;b"}),
            Value("it's; fine"));
  EXPECT_EQ(Count(*db_), 2);
  EXPECT_THROW(db_->ExecuteScript("SELECT 1; SELEKT 2"), DbError);
}

// The server's own words reach the user: they are read before the failed statement is closed.
TEST_F(OdbcBackendTest, AFailedScriptStatementGivesTheServersReason) {
  const std::string message =
      test::ThrownMessage<DbError>([&] { db_->ExecuteScript("SELECT 1; SELEKT 2"); });
  EXPECT_NE(message.find("SELEKT"), std::string::npos) << message;
}

// A company named with ';', braces or blanks opens exactly the database of that name, never the
// one whose name its first part is.
TEST_F(OdbcBackendTest, CompanyNamesAreExactlyTheDatabaseName) {
  for (const std::string& name : {database_ + ";User ID=attacker", database_ + " A&B {GmbH}",
                                  "{" + database_ + "}", database_ + " x}}y"}) {
    admin_->Execute("CREATE DATABASE " + admin_->Quote(name));
    {
      auto db = Connection::Open(CompanyString(name, Password()));
      EXPECT_EQ(db->QueryValue("SELECT current_database()::text"), Value(name));
    }
    admin_->Execute("DROP DATABASE " + admin_->Quote(name) + " WITH (FORCE)");
  }
}

TEST_F(OdbcBackendTest, PasswordWithSpecialCharactersReachesTheServer) {
  // The role is made by a function so that even here the password is a bound value.
  const std::string role = UniqueName("velra_role_;{x} ");
  const std::string password = "a=b;c}d{e+f%41 ";
  admin_->ExecuteScript(
      "CREATE FUNCTION pg_temp.make_role(name text, password text) RETURNS void AS $$ BEGIN "
      "EXECUTE format('CREATE ROLE %I LOGIN PASSWORD %L', name, password); END $$ LANGUAGE "
      "plpgsql");
  admin_->QueryValue("SELECT pg_temp.make_role(?, ?)", {role, password});
  {
    auto db = Connection::Open(CompanyString(database_, password, role));
    EXPECT_EQ(db->QueryValue("SELECT current_user::text"), Value(role));

    ServerLogin login = ServerLogin::FromParameters(
        ConnectionParameters::Parse(CompanyString(database_, "", role)));
    const std::string injected = "x;Driver={Kaputt};PWD=y";
    admin_->QueryValue("SELECT pg_temp.make_role(?, ?)", {role + "_2", injected});
    login.user = role + "_2";
    login.password = injected;
    Connection direct(OpenOdbcBackend(login));
    EXPECT_EQ(direct.QueryValue("SELECT current_user::text"), Value(role + "_2"));
  }
  admin_->ExecuteScript("DROP ROLE " + admin_->Quote(role) + "; DROP ROLE " +
                        admin_->Quote(role + "_2"));
}

// What the user reads when the company database cannot be opened: a German sentence that names
// the case, the server and the database, then the driver's text as detail, never the password.
void ExpectOpenError(const std::string& connectionString, const std::string& sentence,
                     const std::string& reason, const std::string& password) {
  try {
    Connection::Open(connectionString);
    FAIL() << "geöffnet: " << connectionString;
  } catch (const DbError& e) {
    const std::string message = e.what();
    EXPECT_EQ(e.GetKind(), DbError::Kind::Open) << message;
    EXPECT_EQ(message.rfind(sentence, 0), 0u) << message;
    EXPECT_NE(message.find(reason), std::string::npos) << message;
    EXPECT_EQ(message.find(password), std::string::npos) << message;
  }
}

TEST_F(OdbcBackendTest, ConnectionFailuresNameTheCaseServerAndDatabase) {
  const std::string server = Env("VELRA_TEST_PG_HOST") + "," + Env("VELRA_TEST_PG_PORT");
  const std::string user = Env("VELRA_TEST_PG_USER");
  const std::string wrong = "Falsch-Geheim-4711";
  ExpectOpenError(CompanyString(database_, wrong),
                  "Die Anmeldung des Benutzers '" + user + "' am Datenbankserver '" + server +
                      "' wurde abgelehnt, deshalb kann die Firmendatenbank '" + database_ +
                      "' nicht geöffnet werden.",
                  "Meldung des Treibers: ", wrong);
  ExpectOpenError(CompanyString("Gibt es nicht", Password()),
                  "Die Datenbank 'Gibt es nicht' gibt es auf dem Server '" + server + "' nicht.",
                  "Meldung des Treibers: ", "\x01");

  const std::string closed = "127.0.0.1," + std::to_string(ClosedPort());
  ExpectOpenError(CompanyString(database_, wrong, user, closed),
                  "Der Datenbankserver '" + closed +
                      "' ist nicht erreichbar, deshalb kann die Firmendatenbank '" + database_ +
                      "' nicht geöffnet werden.",
                  "Meldung des Treibers: ", wrong);

  SetOdbcDriver(BackendKind::PostgreSql, "Velra Testtreiber fehlt");
  ExpectOpenError(CompanyString(database_, wrong),
                  "Die Verbindung zur Firmendatenbank '" + database_ + "' auf dem Server '" +
                      server + "' ist nicht möglich: ",
                  "Der ODBC-Treiber 'Velra Testtreiber fehlt' ist nicht eingerichtet", wrong);
  SetOdbcDriver(BackendKind::PostgreSql, "");
}

TEST_F(OdbcBackendTest, ConnectTimeoutEndsTheWaitForASilentServer) {
  SilentServer silent;
  const std::string server = "127.0.0.1:" + std::to_string(silent.Port());
  std::string connectionString =
      CompanyString(database_, Password(), Env("VELRA_TEST_PG_USER"), server);
  connectionString.replace(connectionString.find("Connect Timeout=10"), 18, "Connect Timeout=1");
  const auto start = Clock::now();
  EXPECT_THROW(Connection::Open(connectionString), DbError);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(8));
}

// Without a server.

TEST(OdbcScript, SplitsAtSemicolonsOutsideQuotesAndComments) {
  EXPECT_EQ(SplitSqlScript("CREATE TABLE a (x TEXT DEFAULT ';');\n-- b; c\nINSERT INTO a VALUES "
                           "('it''s;');  ;\n/* ; /* nested ; */ ; */\nSELECT \"a;b\" FROM a",
                           BackendKind::PostgreSql),
            (std::vector<std::string>{"CREATE TABLE a (x TEXT DEFAULT ';')",
                                      "-- b; c\nINSERT INTO a VALUES ('it''s;')",
                                      "/* ; /* nested ; */ ; */\nSELECT \"a;b\" FROM a"}));
  EXPECT_EQ(SplitSqlScript("SELECT $x$ ; $x$; SELECT E'\\';'; SELECT $1", BackendKind::PostgreSql),
            (std::vector<std::string>{"SELECT $x$ ; $x$", "SELECT E'\\';'", "SELECT $1"}));
  EXPECT_TRUE(SplitSqlScript(" ;\n-- nur ein Kommentar\n", BackendKind::PostgreSql).empty());
}

TEST(OdbcScript, SqlServerScriptsInBatchesAreSplitAtGoLines) {
  EXPECT_EQ(
      SplitSqlScript("CREATE TABLE [a;b] (x INT);\nGO\nCREATE TRIGGER t ON [a;b] AFTER INSERT "
                     "AS BEGIN SET NOCOUNT ON; UPDATE [a;b] SET x = 1; END\n  go  \n"
                     "SELECT 'GO'\nSELECT 1 AS GO\n-- GO\nGO\n",
                     BackendKind::SqlServer),
      (std::vector<std::string>{
          "CREATE TABLE [a;b] (x INT);",
          "CREATE TRIGGER t ON [a;b] AFTER INSERT AS BEGIN SET NOCOUNT ON; UPDATE [a;b] SET "
          "x = 1; END",
          "SELECT 'GO'\nSELECT 1 AS GO\n-- GO"}));
  EXPECT_EQ(
      SplitSqlScript("INSERT INTO [a;b] VALUES (1); INSERT INTO [a;b] VALUES (2)",
                     BackendKind::SqlServer),
      (std::vector<std::string>{"INSERT INTO [a;b] VALUES (1)", "INSERT INTO [a;b] VALUES (2)"}));
}

// The cases as SQL Server (FreeTDS) and a German-speaking PostgreSQL report them.
TEST(OdbcConnectFailure, CodesFirstThenTheServersWords) {
  using F = ConnectFailure;
  const BackendKind ms = BackendKind::SqlServer, pg = BackendKind::PostgreSql;
  struct Case {
    BackendKind kind;
    std::vector<DriverDiagnostic> records;
    F expected;
  };
  const std::vector<Case> cases = {
      {ms,
       {{"42000", 4060, "Cannot open database \"X\" requested by the login."},
        {"28000", 18456, "Login failed for user 'sa'."}},
       F::DatabaseMissing},
      {ms,
       {{"08001", 0, "Unable to connect to data source"}, {"28000", 18456, "Anmeldung"}},
       F::LoginRefused},
      {ms,
       {{"08001", 0, "Unable to connect to data source"},
        {"08S01", 20009, "Unable to connect: Adaptive Server is unavailable"}},
       F::Unreachable},
      {pg,
       {{"08001", 101, "Verbindung fehlgeschlagen: FATAL: Datenbank »X« existiert nicht"}},
       F::DatabaseMissing},
      {pg,
       {{"08001", 101, "FATAL: Passwort-Authentifizierung für Benutzer »v« fehlgeschlagen"}},
       F::LoginRefused},
      {pg, {{"08001", 101, "konnte Hostnamen »x« nicht in Adresse übersetzen"}}, F::Unreachable},
      {pg, {{"08001", 101, "failed: FATAL: sorry, too many clients already"}}, F::Other},
      {pg, {{"HY000", 1, "out of memory"}}, F::Other},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ClassifyConnectFailure(c.kind, c.records), c.expected) << c.records.back().message;
}

// The sentences put server, database, user and reason each in its own place, and name the user
// only where the connection has one.
TEST(OdbcConnectFailure, SentencesPlaceEveryValue) {
  const ConnectTarget withUser{"db1,5432", "Musterfirma", "velra"};
  const ConnectTarget withoutUser{"db1,5432", "Musterfirma", ""};
  EXPECT_EQ(ConnectFailureMessage(ConnectFailure::LoginRefused, withUser, "%1 falsch"),
            "Die Anmeldung des Benutzers 'velra' am Datenbankserver 'db1,5432' wurde abgelehnt, "
            "deshalb kann die Firmendatenbank 'Musterfirma' nicht geöffnet werden. Bitte prüfen "
            "Sie Benutzername und Kennwort in den Verbindungsangaben. Meldung des Treibers: %1 "
            "falsch");
  EXPECT_EQ(ConnectFailureMessage(ConnectFailure::LoginRefused, withoutUser, "x").substr(0, 40),
            "Die Anmeldung am Datenbankserver 'db1,54");
  EXPECT_EQ(ConnectFailureMessage(ConnectFailure::DatabaseMissing, withUser, "x").substr(0, 61),
            "Die Datenbank 'Musterfirma' gibt es auf dem Server 'db1,5432'");
  EXPECT_EQ(std::string(odbc::StatementError(DbError::Kind::Locked, "Zeitlimit", withUser).what()),
            "Die Firmendatenbank 'db1,5432/Musterfirma' ist gesperrt, weil ein anderes Programm "
            "gerade in sie schreibt; bitte versuchen Sie es später noch einmal (Zeitlimit).");
}

// An integrated login to SQL Server that fails says what it needs; a login with user does not.
TEST(OdbcOpenError, TheIntegratedSqlServerLoginNamesTheKerberosTicket) {
  const std::vector<DriverDiagnostic> records = {
      {"08001", 0, "[FreeTDS][SQL Server]Unable to connect to data source"}};
  const ConnectTarget integrated{"srv01", "Musterfirma", ""};
  const std::string hint = "kinit";
  auto message = [&](BackendKind kind, const ConnectTarget& target) {
    return std::string(odbc::OpenError(kind, records, "Grund", "FreeTDS", target).what());
  };
  EXPECT_NE(message(BackendKind::SqlServer, integrated).find(hint), std::string::npos);
  EXPECT_EQ(message(BackendKind::SqlServer, {"srv01", "Musterfirma", "velra"}).find(hint),
            std::string::npos);
  EXPECT_EQ(message(BackendKind::PostgreSql, integrated).find(hint), std::string::npos);
}

// The first record's state decides; the connection is asked only when the state does not tell.
TEST(OdbcStatementFailure, KindFromTheStateElseFromTheConnection) {
  using K = DbError::Kind;
  struct Case {
    const char* state;
    bool dead;
    K expected;
  };
  const Case cases[] = {
      {"23505", true, K::Constraint}, {"42501", true, K::Denied},     {"40P01", true, K::Locked},
      {"HYT00", true, K::Locked},     {"08S01", false, K::Open},      {"HY000", true, K::Open},
      {"53100", false, K::Storage},   {"42P01", false, K::Statement}, {"", false, K::Statement},
  };
  for (const Case& c : cases) {
    std::vector<DriverDiagnostic> records;
    if (*c.state) records = {{c.state, 0, "Grund"}, {"01000", 0, "Hinweis"}};
    EXPECT_EQ(odbc::StatementFailureKind(BackendKind::PostgreSql, records, [&] { return c.dead; }),
              c.expected)
        << c.state;
  }
}

// SQL Server's driver reports deadlocks, lock timeouts and a full file or log as 42000: its own
// error number tells them apart there, and only there.
TEST(OdbcStatementFailure, SqlServerErrorsByTheServersNumber) {
  using K = DbError::Kind;
  const std::pair<long, K> cases[] = {{1205, K::Locked},
                                      {1222, K::Locked},
                                      {1105, K::Storage},
                                      {9002, K::Storage},
                                      {208, K::Statement}};
  for (const auto& [native, expected] : cases) {
    const std::vector<DriverDiagnostic> records = {{"01000", 0, "Hinweis"},
                                                   {"42000", native, "Grund"}};
    EXPECT_EQ(odbc::StatementFailureKind(BackendKind::SqlServer, records, [] { return false; }),
              expected)
        << native;
    EXPECT_EQ(odbc::StatementFailureKind(BackendKind::PostgreSql, records, [] { return false; }),
              K::Statement)
        << native;
  }
  // A deadlock's victim has lost its whole transaction on SQL Server; PostgreSQL keeps it up to
  // the savepoint, and a lock timeout ends only the statement.
  auto ends = [](BackendKind kind, long native) {
    return odbc::EndsTransaction(kind, {{"40001", native, "Grund"}});
  };
  EXPECT_TRUE(ends(BackendKind::SqlServer, 1205));
  EXPECT_TRUE(ends(BackendKind::SqlServer, 3998));
  EXPECT_FALSE(ends(BackendKind::SqlServer, 1222));
  EXPECT_FALSE(ends(BackendKind::PostgreSql, 1205));
}

TEST(OdbcDialect, QuotesAndFirstRowPerEngine) {
  EXPECT_EQ(Dialect(BackendKind::SqlServer).Quote("Key"), "[Key]");
  EXPECT_EQ(Dialect(BackendKind::SqlServer).Quote("a]b"), "[a]]b]");
  EXPECT_EQ(Dialect(BackendKind::PostgreSql).Quote("a\"b"), "\"a\"\"b\"");
  EXPECT_EQ(Dialect(BackendKind::SqlServer).SelectFirst("[ID]", "[Articles] ORDER BY [ID]"),
            "SELECT TOP 1 [ID] FROM [Articles] ORDER BY [ID]");
  EXPECT_EQ(Dialect(BackendKind::PostgreSql).SelectFirst("\"ID\"", "\"Articles\""),
            "SELECT \"ID\" FROM \"Articles\" LIMIT 1");
  EXPECT_EQ(Dialect(BackendKind::PostgreSql).TrueValue(), 1);
}

}  // namespace
}  // namespace velra
