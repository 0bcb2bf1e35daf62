#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/ConnectionString.h"
#include "db/Connection.h"
#include "db/Dialect.h"
#include "db/odbc/ConnectFailure.h"
#include "db/odbc/OdbcBackend.h"
#include "db/odbc/OdbcConnectionString.h"
#include "db/odbc/OdbcErrors.h"

namespace velra {
namespace {

using Clock = std::chrono::steady_clock;

// The company connection string of a database on the test server, as the configuration
// composes it.
std::string CompanyString(const std::string& database, const std::string& password,
                          const std::string& user = test::Environment("VELRA_TEST_PG_USER"),
                          const std::string& server = test::Environment("VELRA_TEST_PG_HOST") +
                                                      "," +
                                                      test::Environment("VELRA_TEST_PG_PORT")) {
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

// What a company on PostgreSQL shows beyond the backend's contract (BackendContractTest.cpp): a
// lost connection, logins and database names as the test server takes them, the wording of a
// connection that fails.
class OdbcBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test::Environment("VELRA_TEST_PG_PORT").empty())
      GTEST_SKIP() << "Kein PostgreSQL-Testserver: VELRA_TEST_PG_PORT ist nicht gesetzt "
                      "(eval \"$(tests/server/postgres.sh start)\").";
    admin_ = Connection::Open(CompanyString("postgres", Password()));
    database_ = test::UniqueName("velra_test_");
    admin_->ExecuteScript("CREATE DATABASE " + admin_->Quote(database_));
    db_ = Open();
    db_->ExecuteScript("CREATE TABLE \"Articles\" (\"ID\" SERIAL PRIMARY KEY)");
  }

  void TearDown() override {
    db_.reset();
    if (admin_)
      admin_->ExecuteScript("DROP DATABASE IF EXISTS " + admin_->Quote(database_) +
                            " WITH (FORCE)");
  }

  static std::string Password() { return test::Environment("VELRA_TEST_PG_PASSWORD"); }
  std::unique_ptr<Connection> Open() {
    return Connection::Open(CompanyString(database_, Password()));
  }

  std::unique_ptr<Connection> admin_, db_;
  std::string database_;
};

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
  const std::string role = test::UniqueName("velra_role_;{x} ");
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
  const std::string server =
      test::Environment("VELRA_TEST_PG_HOST") + "," + test::Environment("VELRA_TEST_PG_PORT");
  const std::string user = test::Environment("VELRA_TEST_PG_USER");
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
      CompanyString(database_, Password(), test::Environment("VELRA_TEST_PG_USER"), server);
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
  const std::pair<long, K> cases[] = {
      {1205, K::Locked},     {1222, K::Locked},    {1105, K::Storage}, {9002, K::Storage},
      {2601, K::Constraint}, {515, K::Constraint}, {208, K::Statement}};
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
