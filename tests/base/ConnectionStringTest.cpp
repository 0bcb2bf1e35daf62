#include <gtest/gtest.h>

#include "base/ConnectionString.h"
#include "db/ConnectionParameters.h"

namespace velra {
namespace {

ConnectionStringInput Server(int authentication) {
  ConnectionStringInput in;
  in.DatabaseType = DatabaseType::Server;
  in.ProviderSql = "SQLOLEDB.1";
  in.Database = "Musterfirma";
  in.Server = "srv01\\VELRA";
  in.Authentication = authentication;
  in.Timeout = 15;
  in.User = "sa";
  in.Password = "ge;heim";
  return in;
}

TEST(ConnectionString, FileCompany) {
  ConnectionStringInput in;
  in.ProviderAccess = "Microsoft.Jet.OLEDB.4.0";
  in.Database = "/srv/velra/Firmen/Muster/Muster.mdb";
  in.Password = kCompanyDatabasePassword;
  in.Server = "ignored";
  EXPECT_EQ(BuildConnectionString(in),
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/srv/velra/Firmen/Muster/Muster.mdb;"
            "Jet OLEDB:Database Password=418273");
}

TEST(ConnectionString, ServerLoginWithUserAndPassword) {
  // A ";" in the password puts it in braces; plain values stand as they are.
  EXPECT_EQ(BuildConnectionString(Server(0)),
            "Provider=SQLOLEDB.1;User ID=sa;Password={ge;heim};Initial Catalog=Musterfirma;"
            "Data Source=srv01\\VELRA;Persist Security Info=False;Connect Timeout=15");
}

// A company name or a password is always exactly itself when the string is read back: it can
// neither add an entry of its own nor lose a character.
class ConnectionStringValues : public ::testing::TestWithParam<std::string> {};

TEST_P(ConnectionStringValues, ReadBackExactlyInEveryForm) {
  for (int authentication : {0, 1}) {
    ConnectionStringInput in = Server(authentication);
    in.Database = GetParam();
    in.Password = GetParam();
    ConnectionParameters read = ConnectionParameters::Parse(*BuildConnectionString(in));
    EXPECT_EQ(read.Get("Initial Catalog"), GetParam());
    EXPECT_EQ(read.Get("Data Source"), "srv01\\VELRA");
    if (authentication == 0) {
      EXPECT_EQ(read.Get("Password"), GetParam());
      EXPECT_EQ(read.Get("User ID"), "sa");
    }
    EXPECT_EQ(read.Entries().size(), authentication == 0 ? 7u : 5u);
  }
  ConnectionStringInput file;
  file.Database = "/srv/velra/" + GetParam() + "/" + GetParam() + ".mdb";
  file.Password = GetParam();
  ConnectionParameters read = ConnectionParameters::Parse(*BuildConnectionString(file));
  EXPECT_EQ(read.Get("Data Source"), file.Database);
  EXPECT_EQ(read.Get("Jet OLEDB:Database Password"), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Names, ConnectionStringValues,
                         ::testing::Values("MusterfirmaServer;User ID=attacker", "A&B {GmbH}", "}}",
                                           "{", "x;Initial Catalog={Evil}", " Blank ",
                                           "Elektro Huber e.K.", "Müller ß € 😀"));

// Shown with its passwords hidden, a composed string is exactly the one composed with "***" for
// the password, whatever the password and the names hold.
class HiddenPasswords : public ::testing::TestWithParam<std::string> {};

TEST_P(HiddenPasswords, OnlyThePasswordValueChanges) {
  ConnectionStringInput server = Server(0);
  server.Database = "A;B {GmbH}";
  server.User = "sa;admin";
  ConnectionStringInput file;
  file.ProviderAccess = "Microsoft.Jet.OLEDB.4.0";
  file.Database = "/srv/velra/Firmen/A;B {GmbH}/A;B {GmbH}.mdb";
  for (ConnectionStringInput in : {server, file}) {
    in.Password = GetParam();
    const std::string shown = HidePasswords(*BuildConnectionString(in));
    in.Password = "***";
    EXPECT_EQ(shown, *BuildConnectionString(in));
  }
}

INSTANTIATE_TEST_SUITE_P(Passwords, HiddenPasswords,
                         ::testing::Values(kCompanyDatabasePassword, "velra", "a;b}}c", "{x}", "}",
                                           " blank ", "x;Password=y", "x;Data Source=evil"));

TEST(ConnectionString, HiddenPasswordsInHandWrittenStrings) {
  // Any name ending in "password", and the ODBC keyword, in any letter case.
  EXPECT_EQ(HidePasswords("Driver=FreeTDS;uid=sa;pwd={a;b}}c};Port=5432"),
            "Driver=FreeTDS;uid=sa;pwd=***;Port=5432");
  EXPECT_EQ(HidePasswords("Provider=X;JET OLEDB:DATABASE PASSWORD=1;Mail Password=2"),
            "Provider=X;JET OLEDB:DATABASE PASSWORD=***;Mail Password=***");
  // A ';' in a value without braces belongs to that value, as the reader takes it.
  EXPECT_EQ(HidePasswords("Password=ge;heim;User ID=sa"), "Password=***;User ID=sa");
  // An empty password is shown as empty: that none is set is worth seeing.
  EXPECT_EQ(HidePasswords("User ID=sa;Password=;Initial Catalog=M"),
            "User ID=sa;Password=;Initial Catalog=M");
}

TEST(ConnectionString, IntegratedLoginHasExactlyFiveParts) {
  EXPECT_EQ(BuildConnectionString(Server(1)),
            "Provider=SQLOLEDB.1;Data Source=srv01\\VELRA;Initial Catalog=Musterfirma;"
            "Integrated Security=SSPI;Connect Timeout=15");
}

// No string at all: such a company is not selectable (see the startup tests), and nothing of the
// company selected before stays in force.
TEST(ConnectionString, UnknownAuthenticationBuildsNoString) {
  EXPECT_EQ(BuildConnectionString(Server(2)), std::nullopt);
}

TEST(ConnectionParameters, ReadsTheComposedFormsAndChoosesTheBackend) {
  auto file = ConnectionParameters::Parse(
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a b/c.mdb;Jet OLEDB:Database Password=418273");
  EXPECT_EQ(file.Backend(), BackendKind::Sqlite);
  EXPECT_EQ(file.Get("data source"), "/a b/c.mdb");
  EXPECT_EQ(file.Get("Jet OLEDB:Database Password"), "418273");

  auto server = ConnectionParameters::Parse(*BuildConnectionString(Server(1)));
  EXPECT_EQ(server.Backend(), BackendKind::SqlServer);
  EXPECT_EQ(server.Get("Initial Catalog"), "Musterfirma");
  EXPECT_EQ(server.Get("Integrated Security"), "SSPI");
  EXPECT_EQ(server.Get("Missing"), std::nullopt);

  EXPECT_EQ(BackendOfProvider("Microsoft.ACE.OLEDB.12.0"), BackendKind::Sqlite);
  EXPECT_EQ(BackendOfProvider("SQLite"), BackendKind::Sqlite);
  EXPECT_EQ(BackendOfProvider("SQLNCLI11"), BackendKind::SqlServer);
  EXPECT_EQ(BackendOfProvider("MSOLEDBSQL"), BackendKind::SqlServer);
  EXPECT_EQ(BackendOfProvider("PostgreSQL"), BackendKind::PostgreSql);
  EXPECT_EQ(BackendOfProvider("Oracle"), BackendKind::Unknown);
}

}  // namespace
}  // namespace velra
