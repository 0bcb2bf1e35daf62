#include <gtest/gtest.h>

#include "config/ConnectionString.h"
#include "db/ConnectionParameters.h"

namespace velra {
namespace {

ConnectionStringInput Server(int authentication) {
  ConnectionStringInput in;
  in.DatabaseType = 1;
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
  // Values are inserted as they are, even a ";" in the password.
  EXPECT_EQ(BuildConnectionString(Server(0)),
            "Provider=SQLOLEDB.1;User ID=sa;Password=ge;heim;Initial Catalog=Musterfirma;"
            "Data Source=srv01\\VELRA;Persist Security Info=False;Connect Timeout=15");
}

TEST(ConnectionString, IntegratedLoginHasExactlyFiveParts) {
  EXPECT_EQ(BuildConnectionString(Server(1)),
            "Provider=SQLOLEDB.1;Data Source=srv01\\VELRA;Initial Catalog=Musterfirma;"
            "Integrated Security=SSPI;Connect Timeout=15");
}

TEST(ConnectionString, UnknownAuthenticationOrTypeKeepsThePreviousString) {
  EXPECT_EQ(BuildConnectionString(Server(2)), std::nullopt);
  ConnectionStringInput other = Server(0);
  other.DatabaseType = 2;
  EXPECT_EQ(BuildConnectionString(other), std::nullopt);
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
