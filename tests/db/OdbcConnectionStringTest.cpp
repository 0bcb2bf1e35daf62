#include <unistd.h>

#include <map>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/ConnectionString.h"
#include "base/Text.h"
#include "db/ConnectionParameters.h"
#include "db/DbError.h"
#include "db/odbc/OdbcConnectionString.h"

namespace velra {
namespace {

ConnectionStringInput Company(const std::string& provider, int authentication) {
  ConnectionStringInput in;
  in.DatabaseType = DatabaseType::Server;
  in.ProviderSql = provider;
  in.Database = "MusterfirmaServer";
  in.Server = "127.0.0.1,55432";
  in.Authentication = authentication;
  in.Timeout = 15;
  in.User = "velra";
  in.Password = "geheim";
  return in;
}

ServerLogin LoginOf(const ConnectionStringInput& in) {
  return ServerLogin::FromParameters(ConnectionParameters::Parse(*BuildConnectionString(in)));
}

// Reads a connection string as an ODBC driver does: "{...}" holds anything, "}}" is one '}'.
std::map<std::string, std::string> Entries(const std::string& text) {
  std::map<std::string, std::string> entries;
  size_t i = 0;
  while (i < text.size()) {
    size_t equals = text.find('=', i);
    if (equals == std::string::npos) break;
    std::string key = ToLowerAscii(text.substr(i, equals - i));
    std::string value;
    i = equals + 1;
    if (i < text.size() && text[i] == '{') {
      ++i;
      while (i < text.size()) {
        if (text[i] == '}') {
          if (i + 1 < text.size() && text[i + 1] == '}') {
            value.push_back('}');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        value.push_back(text[i++]);
      }
    } else {
      size_t end = text.find(';', i);
      if (end == std::string::npos) end = text.size();
      value = text.substr(i, end - i);
      i = end;
    }
    EXPECT_FALSE(entries.count(key)) << "keyword twice: " << key;
    entries[key] = value;
    if (i < text.size() && text[i] == ';') ++i;
  }
  return entries;
}

TEST(OdbcConnectionString, PostgreSqlWithUserAndPassword) {
  ServerLogin login = LoginOf(Company("PostgreSQL", 0));
  EXPECT_EQ(login.kind, BackendKind::PostgreSql);
  EXPECT_EQ(login.timeoutSeconds, 15);
  EXPECT_FALSE(login.integrated);
  EXPECT_EQ(OdbcConnectionString(login),
            "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=55432;Database=MusterfirmaServer;"
            "UID=velra;PWD={geheim};UseServerSidePrepare=1;Protocol=7.4-0;UseDeclareFetch=0;"
            "BoolsAsChar=0;ByteaAsLongVarBinary=1;LFConversion=0;CommLog=0;Debug=0");
}

TEST(OdbcConnectionString, PostgreSqlIntegratedLoginSendsNoUserOrPassword) {
  ServerLogin login = LoginOf(Company("PostgreSQL", 1));
  EXPECT_TRUE(login.integrated);
  auto entries = Entries(OdbcConnectionString(login));
  EXPECT_EQ(entries["server"], "127.0.0.1");
  EXPECT_EQ(entries["database"], "MusterfirmaServer");
  EXPECT_FALSE(entries.count("uid"));
  EXPECT_FALSE(entries.count("pwd"));
}

TEST(OdbcConnectionString, SqlServerBothLogins) {
  ConnectionStringInput in = Company("SQLOLEDB.1", 0);
  in.Server = "srv01,1433";
  EXPECT_EQ(OdbcConnectionString(LoginOf(in)),
            "Driver={FreeTDS};Server=srv01;Port=1433;Database=MusterfirmaServer;UID=velra;"
            "PWD=geheim;TDS_Version=7.4;ClientCharset=UTF-8");

  in = Company("SQLNCLI11", 1);
  in.Server = "srv01\\VELRA";
  EXPECT_EQ(OdbcConnectionString(LoginOf(in)),
            "Driver={FreeTDS};Server=srv01\\VELRA;Database=MusterfirmaServer;"
            "Trusted_Connection=Yes;TDS_Version=7.4;ClientCharset=UTF-8");

  // Kerberos knows a server on this computer by the computer's name, never as "localhost"; a
  // login with user and password reaches it there too.
  char host[256] = {};
  ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
  in.Server = "(local)";
  EXPECT_EQ(Entries(OdbcConnectionString(LoginOf(in)))["server"], host);
  in = Company("SQLNCLI11", 0);
  in.Server = "(local)";
  EXPECT_EQ(Entries(OdbcConnectionString(LoginOf(in)))["server"], "localhost");
}

TEST(OdbcConnectionString, ValuesCannotEndTheirEntryOrAddKeywords) {
  for (const std::string password :
       {"a;b{c", "x;Driver={Evil;PWD=y", "{", "=", " blank ", "Müller ß € 😀"}) {
    ServerLogin login = LoginOf(Company("SQLOLEDB", 0));
    login.password = password;
    login.user = "us;er";
    login.database = "Firma {A";
    auto entries = Entries(OdbcConnectionString(login));
    EXPECT_EQ(entries["pwd"], password);
    EXPECT_EQ(entries["uid"], "us;er");
    EXPECT_EQ(entries["database"], "Firma {A");
    EXPECT_EQ(entries["driver"], "FreeTDS");
  }
}

// FreeTDS ends a braced value at its '}' and does not undouble "}}": a value with '}' would reach
// the server changed, or cut short with the rest read as keywords. It is refused, naming its entry.
TEST(OdbcConnectionString, FreeTdsRefusesWhatItCannotPass) {
  const std::pair<const char*, std::string ServerLogin::*> entries[] = {
      {"Password", &ServerLogin::password},
      {"User ID", &ServerLogin::user},
      {"Initial Catalog", &ServerLogin::database},
      {"Data Source", &ServerLogin::server}};
  for (const auto& [entry, member] : entries)
    for (const char* value : {"a}b", "}}", "ends with }", "x};Driver={Evil}"}) {
      ServerLogin login = LoginOf(Company("SQLOLEDB", 0));
      login.*member = value;
      const std::string message =
          test::ThrownMessage<DbError>([&] { OdbcConnectionString(login); });
      EXPECT_NE(message.find(std::string("'") + entry + "'"), std::string::npos) << message;
    }
}

TEST(OdbcConnectionString, PostgreSqlGetsNamesItCannotTakeThroughLibpq) {
  ServerLogin login = LoginOf(Company("PostgreSQL", 0));
  login.user = "us;er";
  login.database = "{O'Brien \\ Söhne}";
  login.password = "a+b%41}";
  auto entries = Entries(OdbcConnectionString(login));
  EXPECT_EQ(entries.count("database"), 0u);
  EXPECT_EQ(entries.count("uid"), 0u);
  EXPECT_EQ(entries["pqopt"], "dbname='{O\\'Brien \\\\ Söhne}' user='us;er'");
  EXPECT_EQ(entries["pwd"], "a+b%41}");
  EXPECT_EQ(entries["server"], "127.0.0.1");
}

TEST(OdbcConnectionString, PasswordWithSemicolonSurvivesTheCompanyString) {
  ConnectionStringInput in = Company("PostgreSQL", 0);
  in.Password = "a;b}c";
  ServerLogin login = LoginOf(in);
  EXPECT_EQ(login.password, "a;b}c");
  EXPECT_EQ(login.database, "MusterfirmaServer");
  EXPECT_EQ(Entries(OdbcConnectionString(login))["pwd"], "a;b}c");
}

TEST(OdbcConnectionString, DriverCanBeSetPerEngine) {
  SetOdbcDriver(BackendKind::SqlServer, "ODBC Driver 18 for SQL Server");
  ServerLogin sqlServer = LoginOf(Company("MSOLEDBSQL", 0));
  ServerLogin postgres = LoginOf(Company("PostgreSQL", 0));
  EXPECT_EQ(Entries(OdbcConnectionString(sqlServer))["driver"], "ODBC Driver 18 for SQL Server");
  EXPECT_EQ(Entries(OdbcConnectionString(postgres))["driver"], "PostgreSQL Unicode");
  SetOdbcDriver(BackendKind::SqlServer, "");
  EXPECT_EQ(Entries(OdbcConnectionString(sqlServer))["driver"], "FreeTDS");
  EXPECT_EQ(OdbcDriver(BackendKind::PostgreSql), "PostgreSQL Unicode");
}

TEST(OdbcConnectionString, ServerAddressForms) {
  auto split = [](const char* server) {
    ServerAddress address = SplitServerAddress(server);
    return address.host + "|" + address.port;
  };
  EXPECT_EQ(split("db.firma.local"), "db.firma.local|");
  EXPECT_EQ(split(" 127.0.0.1,55432 "), "127.0.0.1|55432");
  EXPECT_EQ(split("127.0.0.1:5432"), "127.0.0.1|5432");
  EXPECT_EQ(split("tcp:srv01,1444"), "srv01|1444");
  EXPECT_EQ(split("srv01\\VELRA"), "srv01\\VELRA|");
  EXPECT_EQ(split("(local)\\SQLEXPRESS"), "localhost\\SQLEXPRESS|");
  EXPECT_EQ(split("."), "localhost|");
  EXPECT_EQ(split("[::1]:5432"), "::1|5432");
  EXPECT_EQ(split("fe80::1"), "fe80::1|");
  // Kerberos knows the server by this computer's name.
  EXPECT_EQ(SplitServerAddress("(local)\\SQLEXPRESS", "kasse01").host, "kasse01\\SQLEXPRESS");
  EXPECT_EQ(SplitServerAddress(".,1433", "kasse01").host, "kasse01");
}

TEST(OdbcConnectionString, TimeoutsAreReadAsNumbers) {
  ConnectionParameters parameters = ConnectionParameters::Parse(
      "Provider=PostgreSQL;Data Source=h;Initial Catalog=d;Integrated Security=SSPI;"
      "Connect Timeout=0;Busy Timeout=250");
  ServerLogin login = ServerLogin::FromParameters(parameters);
  EXPECT_EQ(login.timeoutSeconds, 0);
  EXPECT_EQ(login.busyTimeoutMs, 250);
  EXPECT_TRUE(login.integrated);

  login = ServerLogin::FromParameters(
      ConnectionParameters::Parse("Provider=PostgreSQL;Data Source=h;Connect Timeout=x"));
  EXPECT_EQ(login.timeoutSeconds, std::nullopt);
  EXPECT_EQ(login.busyTimeoutMs, 5000);
}

}  // namespace
}  // namespace velra
