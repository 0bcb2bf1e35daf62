// The demo's samples imported into the file company and into a server company give the same
// records, table by table.

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "ServerCompany.h"
#include "TestSupport.h"
#include "base/Text.h"
#include "company/CompanyOptions.h"
#include "config/IniFile.h"
#include "db/Connection.h"
#include "demo/DemoEnvironment.h"

namespace velra {
namespace {

// Every record of every table as sorted text lines, without what differs by nature: the record
// IDs and the moments of writing.
std::map<std::string, std::vector<std::string>> Records(const std::string& connectionString) {
  static const std::set<std::string> kSkipped = {"id", "datecreation", "dateupdate"};
  auto connection = Connection::Open(connectionString);
  std::map<std::string, std::vector<std::string>> tables;
  for (const std::string& table : connection->Tables()) {
    Rows rows = connection->Query("SELECT * FROM " + connection->Quote(table));
    std::vector<std::string>& lines = tables[ToLowerAscii(table)];
    for (const std::vector<Value>& row : rows.rows) {
      std::string line;
      for (size_t i = 0; i < row.size(); ++i)
        if (!kSkipped.count(ToLowerAscii(rows.columns[i])))
          line += rows.columns[i] + "=" + (row[i].IsNull() ? "<null>" : row[i].ToText()) + "|";
      lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
  }
  return tables;
}

// The demo environment with a server company of its own on the test server.
class ServerCompanyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = test::TestServer();
    if (!server_) GTEST_SKIP() << test::kNoTestServer;
    test::UseOwnConfigFolder(dir);
    ASSERT_NO_THROW(CreateDemoEnvironment(dir.Path(), false));
    ASSERT_NO_THROW(company.Create(dir.Path(), *server_));
  }

  std::optional<DemoServer> server_;
  test::TempDir dir;
  test::ServerCompany company;
};

TEST_F(ServerCompanyTest, TheDemoSamplesGiveTheSameRecordsAsInTheFileCompany) {
  const std::string samples = dir / kDemoSampleFolder;
  const std::vector<std::string> imports = {
      "--kind Kunden --no-autonumber --file " + samples + "Kunden.csv",
      "--kind Lieferanten --no-autonumber --search-name-mode 2 --file " + samples +
          "Lieferanten.csv",
      "--kind Artikel --no-autonumber --file " + samples + "Artikel.csv",
      "--kind \"Lieferanten zum Artikel\" --file " + samples + "Artikellieferanten.csv",
      "--kind Lagerorte --file " + samples + "Lagerorte.csv",
      "--kind Warenbestände --file " + samples + "Lagerbestand.csv",
      "--kind \"Artikel (Kundentyp-Preise)\" --file " + samples + "Kundentyp-Preise.csv",
      "--kind \"Artikel (Webshop)\" --file " + samples + "Webshop.csv",
      "--kind \"DATEV: Kontenrahmen\" --file " + samples + "Kontenrahmen.csv",
      "--kind Artikel --sync --price-mode net-to-gross --file " + samples + "Artikel.xlsx",
      "--kind Artikel --sync --file " + samples + "Artikel.dbf"};
  for (const std::string& companyName : {std::string(kDemoCompany), company.Name()})
    for (const std::string& import : imports) {
      std::string output;
      const int code = test::RunCli(
          "--program-dir " + dir.Path() + " --company " + companyName + " import " + import,
          output);
      EXPECT_LE(code, 1) << companyName << ": " << import << "\n" << output;
    }

  const std::string fileCompany =
      "Provider=SQLite;Data Source=" + (dir / "Firmen/Musterfirma/Musterfirma.mdb");
  const std::string serverCompany = company.ConnectionString();
  auto inFile = Records(fileCompany), onServer = Records(serverCompany);
  ASSERT_EQ(inFile.size(), onServer.size());
  size_t records = 0;
  for (const auto& [table, lines] : inFile) {
    ASSERT_TRUE(onServer.count(table)) << table;
    if (table == "options") continue;  // the file company keeps its options in its .afk file
    EXPECT_EQ(lines, onServer.at(table)) << table;
    records += lines.size();
  }
  EXPECT_GT(records, 100u);

  // The number ranges advanced alike: in the .afk file and in the table Options.
  FileOptions afk(dir / "Firmen/Musterfirma/Musterfirma.afk");
  auto connection = Connection::Open(serverCompany);
  Rows options =
      connection->Query(test::QuoteNames("SELECT Section, Key, Value FROM Options", *connection));
  ASSERT_FALSE(options.Empty());
  for (const std::vector<Value>& row : options.rows)
    EXPECT_EQ(row[2].ToText(), afk.Get(row[0].ToText(), row[1].ToText()))
        << row[0].ToText() << "/" << row[1].ToText();
  EXPECT_NE(afk.Get("NumberRange", "Stocking"), "00001");  // the stock rows drew numbers
}

// Runs that count on the same number range at once, each through its own options: no count is
// lost, in the options file as in the table Options.
TEST_F(ServerCompanyTest, CountersCountedOnAtOnceLoseNoStep) {
  const std::string serverCompany = company.ConnectionString();
  const std::string afk = dir / "Firmen/Musterfirma/Musterfirma.afk";

  constexpr int kRuns = 4, kSteps = 25;
  for (bool table : {false, true}) {
    // Ranges exist before a run draws from them.
    if (table)
      TableOptions::Load(serverCompany)->Set("Test", "Zähler", "0");
    else
      FileOptions(afk).Set("Test", "Zähler", "0");
    std::vector<std::thread> runs;
    for (int run = 0; run < kRuns; ++run)
      runs.emplace_back([&] {
        std::unique_ptr<CompanyOptions> options;
        if (table)
          options = TableOptions::Load(serverCompany);
        else
          options = std::make_unique<FileOptions>(afk);
        for (int step = 0; step < kSteps; ++step)
          EXPECT_NO_THROW(options->Update("Test", "Zähler", [](const std::string& stored) {
            return std::to_string(std::atoi(stored.c_str()) + 1);
          }));
      });
    for (std::thread& run : runs) run.join();
    const std::string counted = table ? TableOptions::Load(serverCompany)->Get("Test", "Zähler")
                                      : FileOptions(afk).Get("Test", "Zähler");
    EXPECT_EQ(counted, std::to_string(kRuns * kSteps)) << (table ? "Options" : ".afk");
  }
}

// A server company that cannot be opened says why in a German sentence, on the command line as
// in the window (both select the company the same way); the driver's text follows as detail.
TEST_F(ServerCompanyTest, ACompanyThatCannotBeOpenedSaysWhyInGerman) {
  const std::string environment = dir / "velra.var", name = company.Name();
  auto setting = [&](const char* key, const std::string& value) {
    WriteProfileString(environment, "Connection", key, value);
  };
  auto expectSaid = [&](const std::string& sentence) {
    std::string output;
    const int code =
        test::RunCli("--program-dir " + dir.Path() + " --company " + name +
                         " import --kind Artikel --file " + dir / kDemoSampleFolder + "Artikel.csv",
                     output);
    EXPECT_EQ(code, 3) << output;
    EXPECT_NE(output.find("Die Firma '" + name + "' kann nicht gewählt werden: " + sentence),
              std::string::npos)
        << output;
    EXPECT_NE(output.find(" Meldung des Treibers: "), std::string::npos) << output;
  };

  setting("DataSource", "127.0.0.1,1");
  expectSaid(
      "Der Datenbankserver '127.0.0.1,1' ist nicht erreichbar, deshalb kann die "
      "Firmendatenbank '" +
      name + "' nicht geöffnet werden.");
  setting("DataSource", server_->dataSource);
  setting("Password", "falsch");
  expectSaid("Die Anmeldung des Benutzers '" + server_->user + "' am Datenbankserver '" +
             server_->dataSource + "' wurde abgelehnt");
  setting("Password", server_->password);
  auto maintenance = Connection::Open(ReplaceAll(
      company.ConnectionString(), "Initial Catalog=" + name, "Initial Catalog=postgres"));
  maintenance->Execute("DROP DATABASE " + maintenance->Quote(name) + " WITH (FORCE)");
  expectSaid("Die Datenbank '" + name + "' gibt es auf dem Server '" + server_->dataSource +
             "' nicht.");
}

}  // namespace
}  // namespace velra
