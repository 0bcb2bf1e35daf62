#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "ServerCompany.h"
#include "TestSupport.h"
#include "base/ConnectionString.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "company/SessionContext.h"
#include "config/CompanyRegistry.h"
#include "config/IniFile.h"
#include "config/TextFile.h"
#include "db/Connection.h"
#include "db/Embedded.h"
#include "demo/DemoEnvironment.h"
#include "source/SourceOpening.h"

namespace velra {
namespace {

using test::TempDir;

class DemoEnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_THROW(CreateDemoEnvironment(dir_.Path(), false));
    std::vector<std::string> problems;
    session_ = StartSession(dir_.Path(), RegionalSettings::ForLocale("de_DE"), problems);
    ASSERT_TRUE(problems.empty()) << problems.front();
    ASSERT_TRUE(SelectCompany(session_, kDemoCompany, problems));
    ASSERT_TRUE(problems.empty()) << problems.front();
    db_ = Connection::Open(session_.ConnectionString);
    layout_ = IniDocument::Load(session_.LayoutFile);
  }
  std::string Caption(const std::string& field) const {
    return layout_.Read("Positionstabellen", field, kProfileRoomLong);
  }

  TempDir dir_;
  SessionContext session_;
  std::unique_ptr<Connection> db_;
  IniDocument layout_;
};

TEST_F(DemoEnvironmentTest, RegistryListsTheFileAndTheServerCompany) {
  CompanyListResult list = FillCompanyList(session_.Env, true, true);
  EXPECT_EQ(list.Names, (std::vector<std::string>{kDemoCompany, kDemoServerCompany}));
  EXPECT_TRUE(list.Problems.empty());
  EXPECT_EQ(session_.Env.DefaultCompany, kDemoCompany);
  EXPECT_EQ(session_.Env.ProviderSql, "PostgreSQL");
  EXPECT_TRUE(IsRegularFile(session_.Env.MatchingFile));
}

TEST_F(DemoEnvironmentTest, EveryFieldHasACaptionThatLeadsBackToIt) {
  for (const std::string& table : db_->Tables()) {
    for (const ColumnInfo& column : db_->Columns(table)) {
      if (column.name == "ID") continue;  // never offered for mapping
      std::string caption = Caption(column.name);
      ASSERT_FALSE(caption.empty()) << table << "." << column.name;
      EXPECT_TRUE(EqualsIgnoreCase(Caption(caption), column.name))
          << table << "." << column.name << " -> " << caption << " -> " << Caption(caption);
    }
  }
}

// Inactive entries exist, so that the lists can be seen to leave them out.
TEST_F(DemoEnvironmentTest, TheReferenceListsHoldInactiveEntries) {
  for (const char* table : {"Taxes", "ArticleTypes", "Units"})
    EXPECT_GT(db_->QueryValue("SELECT COUNT(*) FROM " + std::string(table) + " WHERE Active = 0")
                  ->AsInteger(),
              0)
        << table;
}

TEST_F(DemoEnvironmentTest, TheMatchingFileNamesOnlyKnownCaptions) {
  const TextDocument matching = ReadTextFile(session_.Env.MatchingFile);
  EXPECT_EQ(matching.encoding, TextEncoding::Windows1252);
  std::set<std::string> aliases;
  for (const std::string& line : matching.lines) {
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string caption = line.substr(0, equals);
    EXPECT_FALSE(Caption(caption).empty()) << caption;
    for (const std::string& alias : Split(line.substr(equals + 1), ";"))
      EXPECT_TRUE(aliases.insert(alias).second) << "alias listed twice: " << alias;
  }
  for (const char* alias : {"ArtNr", "Artikelnummer", "SKU", "EAN", "Bezeichnung", "Kurztext",
                            "VK brutto", "PLZ", "Strasse", "E-Mail"})
    EXPECT_TRUE(aliases.count(alias)) << alias;
}

TEST_F(DemoEnvironmentTest, AnExistingEnvironmentIsOnlyReplacedOnRequest) {
  const std::string error =
      test::ThrownMessage<DemoError>([&] { CreateDemoEnvironment(dir_.Path(), false); });
  EXPECT_NE(error.find("velra.var"), std::string::npos);
  db_->Execute("INSERT INTO Contacts (CustomerNumber) VALUES ('1')");
  db_.reset();
  ASSERT_NO_THROW(CreateDemoEnvironment(dir_.Path(), true));
  EXPECT_EQ(
      Connection::Open(session_.ConnectionString)->QueryValue("SELECT COUNT(*) FROM Contacts"),
      Value(int64_t{0}));
}

TEST_F(DemoEnvironmentTest, TheSampleFilesLoadWithTheirTypes) {
  const std::string samples = dir_ / kDemoSampleFolder;
  auto load = [&](const std::string& name) {
    SourceRequest request;
    request.format = FormatOfFileName(name).value();
    request.path = samples + name;
    SourceTable table;
    LoadReport report;
    LoadSource(request, table, report);
    EXPECT_TRUE(report.warnings.empty()) << name << ": " << report.warnings.front().text;
    EXPECT_GT(table.RowCount(), 3u) << name;
    return table;
  };
  for (const char* csv :
       {"Kunden.csv", "Lieferanten.csv", "Artikellieferanten.csv", "Lagerbestand.csv",
        "Lagerorte.csv", "Kundentyp-Preise.csv", "Webshop.csv", "Kontenrahmen.csv"})
    load(csv);

  SourceTable csv = load("Artikel.csv");
  EXPECT_EQ(csv.Get(2, 1), Value("Schraube M6 x 40 verzinkt"));
  EXPECT_EQ(csv.Get(3, 1),
            Value("Sechskantschraube DIN 933, Festigkeitsklasse 8.8;\r\ngalvanisch verzinkt"));
  EXPECT_EQ(csv.Get(7, 1), Value("0,14"));

  SourceTable xlsx = load("Artikel.xlsx");
  EXPECT_EQ(xlsx.ColumnNames(), csv.ColumnNames());
  EXPECT_EQ(xlsx.Get(1, 1), Value(10001.0));
  EXPECT_EQ(xlsx.Get(7, 1), Value(0.14));
  EXPECT_EQ(xlsx.Get(2, 20), Value("Tür-Drückergarnitur Edelstahl"));

  SourceTable dbf = load("Artikel.dbf");
  ASSERT_EQ(dbf.RowCount(), csv.RowCount());
  EXPECT_EQ(dbf.Get(1, 1), Value("10001"));
  EXPECT_EQ(dbf.Get(7, 1), Value(0.14));
  EXPECT_EQ(dbf.Get(11, 1), Value("Würth & Söhne"));
  EXPECT_EQ(dbf.Get(16, 1), Value(DateTime{2026, 12, 1}));
  EXPECT_EQ(dbf.Get(17, 1), Value(true));
  EXPECT_TRUE(dbf.Get(5, 14).IsNull());  // a service has no purchase price
}

// The three schema scripts, read as plain text: every table, its fields with their declared types
// and every index, so that the server scripts can be held to the file company's schema.
struct ScriptSchema {
  struct Index {
    std::string table;
    std::vector<std::string> keys, included;
  };
  std::vector<std::string> tables;
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> columns;
  std::map<std::string, Index> indexes;
};

std::string Unquoted(std::string name) {
  name = Trim(name);
  if (name.size() >= 2 && (name.front() == '"' || name.front() == '['))
    name = name.substr(1, name.size() - 2);
  return name;
}

std::vector<std::string> NameList(const std::string& text) {
  std::vector<std::string> names;
  for (const std::string& name : Split(text, ",")) names.push_back(Unquoted(name));
  return names;
}

ScriptSchema ParseScript(std::string_view file) {
  const std::regex table(R"(^CREATE TABLE (\S+) \($)");
  const std::regex column(R"(^  (\S+) (.*?),?$)");
  const std::regex index(R"(^CREATE INDEX (\S+) ON (\S+) \(([^)]*)\)(?: INCLUDE \(([^)]*)\))?;$)");
  ScriptSchema schema;
  std::string current;
  for (const std::string& line : Split(*embedded::EmbeddedFile(file), "\n")) {
    std::smatch match;
    if (std::regex_match(line, match, table)) {
      current = Unquoted(match[1]);
      schema.tables.push_back(current);
    } else if (line == ");") {
      current.clear();
    } else if (!current.empty() && std::regex_match(line, match, column)) {
      schema.columns[current].emplace_back(Unquoted(match[1]), match[2]);
    } else if (std::regex_match(line, match, index)) {
      schema.indexes[Unquoted(match[1])] = {
          Unquoted(match[2]), NameList(match[3]),
          match[4].matched ? NameList(match[4]) : std::vector<std::string>{}};
    } else {
      EXPECT_TRUE(line.empty() || line.starts_with("--") || line.starts_with("CREATE DOMAIN") ||
                  line.starts_with("CREATE COLLATION"))
          << file << ": " << line;
    }
  }
  return schema;
}

// Bytes of an index key field on SQL Server; 0 for a field that cannot be a key at all.
int SqlServerKeyBytes(const std::string& type) {
  std::smatch match;
  if (std::regex_search(type, match, std::regex(R"(^nvarchar\((\d+)\))")))
    return 2 * std::stoi(match[1]);
  return type.find("(max)") != std::string::npos ? 0 : 8;
}

TEST(CompanySchemaScripts, TheServerScriptsHoldEveryTableFieldAndIndexOfTheFileCompany) {
  const ScriptSchema sqlite = ParseScript("src/db/schema/sqlite.sql");
  const ScriptSchema postgres = ParseScript("src/db/schema/postgresql.sql");
  const ScriptSchema sqlServer = ParseScript("src/db/schema/sqlserver.sql");
  ASSERT_GT(sqlite.tables.size(), 15u);
  EXPECT_EQ(postgres.tables, sqlite.tables);
  EXPECT_EQ(sqlServer.tables, sqlite.tables);

  // What each type of the file company becomes on the servers. Keys that compare ignoring case
  // must do so on the servers too, and flags must be of the type the server backend reads as
  // truth values.
  struct Expected {
    std::string postgres, sqlServer;
  };
  auto expected = [](const std::string& sqliteType) -> Expected {
    if (sqliteType.starts_with("INTEGER PRIMARY KEY"))
      return {"bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY",
              "bigint IDENTITY(1,1) NOT NULL PRIMARY KEY"};
    if (sqliteType == "TEXT COLLATE NOCASE")
      return {"text COLLATE nocase", "nvarchar(200) COLLATE Latin1_General_CI_AS"};
    if (sqliteType == "TEXT") return {"text", "nvarchar"};
    if (sqliteType == "REAL") return {"double precision", "float"};
    if (sqliteType == "BOOLEAN") return {"flag", "bit"};
    if (sqliteType == "DATETIME") return {"timestamp", "datetime2"};
    if (sqliteType == "INTEGER") return {"integer", "int"};
    if (sqliteType == "BLOB") return {"bytea", "varbinary(max)"};
    return {"?", "?"};
  };
  for (const std::string& table : sqlite.tables) {
    const auto& fields = sqlite.columns.at(table);
    const auto& pgFields = postgres.columns.at(table);
    const auto& msFields = sqlServer.columns.at(table);
    ASSERT_EQ(pgFields.size(), fields.size()) << table;
    ASSERT_EQ(msFields.size(), fields.size()) << table;
    for (size_t i = 0; i < fields.size(); ++i) {
      const auto& [name, type] = fields[i];
      const Expected want = expected(type);
      EXPECT_EQ(pgFields[i].first, name) << table;
      EXPECT_EQ(msFields[i].first, name) << table;
      EXPECT_EQ(pgFields[i].second, want.postgres) << table << "." << name;
      // Plain texts are nvarchar(max) unless an index needs a length.
      if (want.sqlServer == "nvarchar")
        EXPECT_TRUE(msFields[i].second.starts_with("nvarchar(")) << table << "." << name;
      else
        EXPECT_EQ(msFields[i].second, want.sqlServer) << table << "." << name;
    }
  }

  ASSERT_FALSE(sqlite.indexes.empty());
  for (const ScriptSchema* server : {&postgres, &sqlServer})
    ASSERT_EQ(server->indexes.size(), sqlite.indexes.size());
  for (const auto& [name, index] : sqlite.indexes) {
    const auto& pg = postgres.indexes.at(name);
    EXPECT_EQ(pg.table, index.table) << name;
    EXPECT_EQ(pg.keys, index.keys) << name;
    // SQL Server may carry a field too long for a key in the index instead, but the fields and
    // their order stay; its keys must fit the 900 bytes of an index key.
    const auto& ms = sqlServer.indexes.at(name);
    EXPECT_EQ(ms.table, index.table) << name;
    std::vector<std::string> fields = ms.keys;
    fields.insert(fields.end(), ms.included.begin(), ms.included.end());
    EXPECT_EQ(fields, index.keys) << name;
    int bytes = 0;
    for (const std::string& key : ms.keys)
      for (const auto& [field, type] : sqlServer.columns.at(ms.table))
        if (field == key) {
          EXPECT_GT(SqlServerKeyBytes(type), 0) << name << ": " << field << " " << type;
          bytes += SqlServerKeyBytes(type);
        }
    EXPECT_LE(bytes, 900) << name;
  }
}

// The server company on a real server: the PostgreSQL cluster that tests/server/postgres.sh
// starts. Every test makes a catalog of its own and drops it again.
class DemoServerCompanyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::optional<DemoServer> server = test::TestServer();
    if (!server) GTEST_SKIP() << test::kNoTestServer;
    server_ = *server;
    static int counter = 0;
    server_.company = "Demo_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    ASSERT_NO_THROW(CreateDemoEnvironment(dir_.Path(), false));
  }
  void TearDown() override {
    if (server_.dataSource.empty()) return;
    try {
      DemoServer maintenance = server_;
      maintenance.company = "postgres";
      auto connection = Connection::Open(ConnectionStringOf(maintenance));
      if (connection->QueryValue("SELECT 1 FROM pg_database WHERE datname = ?",
                                 {Value(server_.company)}))
        connection->Execute("DROP DATABASE " + connection->Quote(server_.company));
    } catch (const DbError& e) {
      ADD_FAILURE() << e.what();
    }
  }

  static std::string ConnectionStringOf(const DemoServer& server) {
    ConnectionStringInput input;
    input.DatabaseType = DatabaseType::Server;
    input.ProviderSql = server.provider;
    input.Database = server.company;
    input.Server = server.dataSource;
    input.Timeout = 15;
    input.User = server.user;
    input.Password = server.password;
    return *BuildConnectionString(input);
  }

  // The company selected as the wizard selects it, from the environment file and the registry.
  SessionContext Select(const std::string& company) {
    std::vector<std::string> problems;
    SessionContext session =
        StartSession(dir_.Path(), RegionalSettings::ForLocale("de_DE"), problems);
    EXPECT_TRUE(SelectCompany(session, company, problems));
    for (const std::string& problem : problems) ADD_FAILURE() << problem;
    return session;
  }

  TempDir dir_;
  DemoServer server_;
};

TEST_F(DemoServerCompanyTest, TheServerCompanyHoldsWhatTheFileCompanyHolds) {
  ASSERT_NO_THROW(CreateDemoServerCompany(dir_.Path(), server_, false));
  const std::string environment = dir_ / "velra.var";
  EXPECT_EQ(ReadProfileString(environment, "Connection", "DataSource"), server_.dataSource);
  EXPECT_EQ(ReadProfileString(environment, "Connection", "UserID"), server_.user);
  EXPECT_EQ(ReadProfileString(environment, "Provider", "sql"), "PostgreSQL");

  SessionContext file = Select(kDemoCompany);
  SessionContext server = Select(server_.company);
  ASSERT_EQ(server.DatabaseType, DatabaseType::Server);
  ASSERT_TRUE(server.Options);
  auto fileDb = Connection::Open(file.ConnectionString);
  auto serverDb = Connection::Open(server.ConnectionString);

  std::set<std::string> fileTables, serverTables;
  for (const std::string& table : fileDb->Tables()) fileTables.insert(ToLowerAscii(table));
  for (const std::string& table : serverDb->Tables()) serverTables.insert(ToLowerAscii(table));
  EXPECT_EQ(serverTables, fileTables);
  for (const ColumnInfo& column : fileDb->Columns("Articles")) {
    auto onServer = serverDb->FindColumn("Articles", column.name);
    ASSERT_TRUE(onServer) << column.name;
    EXPECT_EQ(onServer->name, column.name);  // the letter case is kept
    EXPECT_EQ(onServer->type, column.type) << column.name;
  }

  // The reference data row for row, flags as truth values on both.
  for (const char* table : {"Taxes", "ArticleTypes", "Units", "StorageStructure"}) {
    const std::string sql = "SELECT * FROM " + std::string(table) + " ORDER BY ID";
    Rows expected = fileDb->Query(test::QuoteNames(sql, *fileDb));
    Rows actual = serverDb->Query(test::QuoteNames(sql, *serverDb));
    ASSERT_EQ(actual.Size(), expected.Size()) << table;
    for (size_t row = 0; row < expected.Size(); ++row)
      for (const std::string& column : expected.columns)
        EXPECT_EQ(actual.Get(row, column), expected.Get(row, column))
            << table << " " << row << " " << column;
  }

  // Every option of the file company, with the same value.
  const std::string options = file.OptionsFile;
  size_t count = 0;
  for (const std::string& section : GetSections(options))
    for (const std::string& key : GetKeys(options, section)) {
      EXPECT_EQ(server.GetOption(section, key), file.GetOption(section, key))
          << section << "/" << key;
      ++count;
    }
  EXPECT_GT(count, 15u);
  EXPECT_EQ(serverDb->QueryValue(test::QuoteNames("SELECT COUNT(*) FROM Options", *serverDb)),
            Value(static_cast<int64_t>(count)));
  EXPECT_EQ(server.PositionFormat, file.PositionFormat);
  EXPECT_EQ(server.Country, file.Country);
}

TEST_F(DemoServerCompanyTest, KeysCompareIgnoringCaseOnTheServer) {
  ASSERT_NO_THROW(CreateDemoServerCompany(dir_.Path(), server_, false));
  auto db = Connection::Open(Select(server_.company).ConnectionString);
  auto find = [&](const std::string& sql, const std::string& key) {
    return db->QueryValue(test::QuoteNames(sql, *db), {Value(key)});
  };
  EXPECT_EQ(find("SELECT Description FROM StorageStructure WHERE SubCategory = ?", "h1-b"),
            Value("Regal B"));
  db->Execute(test::QuoteNames("INSERT INTO Articles (ArticleNumber, Active) VALUES (?, ?)", *db),
              {Value("AB-100x"), Value(true)});
  EXPECT_TRUE(find("SELECT ID FROM Articles WHERE ArticleNumber = ?", "ab-100X"));
  EXPECT_FALSE(find("SELECT ID FROM Articles WHERE ArticleNumber = ?", "ab-100"));
  // Other texts keep their case.
  EXPECT_FALSE(find("SELECT ID FROM StorageStructure WHERE Description = ?", "regal b"));
  EXPECT_EQ(find("SELECT Active FROM Articles WHERE ArticleNumber = ?", "AB-100X"), Value(true));
}

TEST_F(DemoServerCompanyTest, AnExistingCatalogIsOnlyReplacedOnRequest) {
  ASSERT_NO_THROW(CreateDemoServerCompany(dir_.Path(), server_, false));
  auto count = [&](const char* table) {
    auto db = Connection::Open(ConnectionStringOf(server_));
    return db->QueryValue(test::QuoteNames("SELECT COUNT(*) FROM " + std::string(table), *db))
        ->AsInteger();
  };
  {
    auto db = Connection::Open(ConnectionStringOf(server_));
    db->Execute(test::QuoteNames("INSERT INTO Contacts (CustomerNumber) VALUES ('1')", *db));
  }
  const int64_t options = count("Options");

  const std::string error =
      test::ThrownMessage<DemoError>([&] { CreateDemoServerCompany(dir_.Path(), server_, false); });
  EXPECT_NE(error.find(server_.company), std::string::npos) << error;
  EXPECT_NE(error.find("--replace"), std::string::npos) << error;
  EXPECT_EQ(count("Contacts"), 1);

  ASSERT_NO_THROW(CreateDemoServerCompany(dir_.Path(), server_, true));
  EXPECT_EQ(count("Contacts"), 0);
  EXPECT_EQ(count("Options"), options);
}

TEST_F(DemoServerCompanyTest, TheCommandWritesTheServerIntoTheEnvironment) {
  const std::string folder = dir_ / "cli";
  std::string output;
  ASSERT_EQ(test::RunCli("demo --dir " + folder + " --server " + server_.dataSource + " --user " +
                             server_.user + " --password " + server_.password + " --catalog " +
                             server_.company,
                         output),
            0)
      << output;
  EXPECT_EQ(ReadProfileString(folder + "/velra.var", "Connection", "DataSource"),
            server_.dataSource);
  ASSERT_EQ(test::RunCli("--program-dir " + folder + " --company " + server_.company + " company",
                         output),
            0)
      << output;
  EXPECT_NE(output.find("Taxes"), std::string::npos) << output;

  // A second run into a fresh folder finds the catalog taken.
  EXPECT_EQ(test::RunCli("demo --dir " + dir_ / "other" + " --server " + server_.dataSource +
                             " --user " + server_.user + " --password " + server_.password +
                             " --catalog " + server_.company,
                         output),
            3);
  EXPECT_NE(output.find("bereits"), std::string::npos) << output;
}

// Refusals that come before any connection: nothing on a server and nothing in the folder changes.
TEST(DemoServerCompany, RefusesWhatTheServerOrTheConnectionStringCouldMisread) {
  TempDir dir;
  ASSERT_NO_THROW(CreateDemoEnvironment(dir.Path(), false));
  const std::string environment = test::ReadBytes(dir / "velra.var");
  auto refused = [&](DemoServer server, const std::string& reason) {
    SCOPED_TRACE(reason);
    if (server.dataSource.empty()) server.dataSource = "127.0.0.1,1";
    const std::string message =
        test::ThrownMessage<DemoError>([&] { CreateDemoServerCompany(dir.Path(), server, false); });
    EXPECT_NE(message.find(reason), std::string::npos) << message;
    EXPECT_EQ(test::ReadBytes(dir / "velra.var"), environment);
  };
  for (const char* name :
       {"Muster firma", "Muster\"; DROP DATABASE postgres; --", "1Firma", "Müller", ""}) {
    DemoServer server;
    server.company = name;
    refused(server, "taugt nicht als Name der Datenbank");
  }
  DemoServer server;
  server.company = std::string(64, 'a');
  refused(server, "taugt nicht");
  // A ";" is quoted in the connection string; what the environment file cannot hold is refused.
  for (const char* password : {"geheim\n[program]", " geheim", "\"geheim\""}) {
    server = {};
    server.password = password;
    refused(server, "Das Kennwort darf keinen Zeilenumbruch");
  }
  server = {};
  server.provider = "Microsoft.Jet.OLEDB.4.0";
  refused(server, "kein Datenbankserver");
  server = {};
  server.dataSource = " ";
  refused(server, "nicht angegeben");
  // A server that cannot be reached: the refusal names the company.
  refused(DemoServer{}, kDemoServerCompany);

  TempDir empty;
  const std::string error = test::ThrownMessage<DemoError>(
      [&] { CreateDemoServerCompany(empty.Path(), DemoServer{"127.0.0.1"}, false); });
  EXPECT_NE(error.find("velra.var"), std::string::npos) << error;
}

}  // namespace
}  // namespace velra
