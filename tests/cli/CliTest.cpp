#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "TestSupport.h"
#include "db/Connection.h"
#include "demo/DemoEnvironment.h"

namespace velra {
namespace {

using test::RunCli;

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_THROW(CreateDemoEnvironment(dir_.Path(), false));
    test::UseOwnConfigFolder(dir_);
    env_ = "--program-dir " + dir_.Path() + " ";
    samples_ = dir_ / kDemoSampleFolder;
  }
  test::TempDir dir_;
  std::string env_, samples_;
};

TEST_F(CliTest, CompaniesAndTheSelectedCompany) {
  std::string output;
  EXPECT_EQ(RunCli(env_ + "companies", output), 0) << output;
  EXPECT_NE(
      output.find("Musterfirma\tDateifirma\t" + dir_.Path() + "Firmen/Musterfirma/Musterfirma.mdb"),
      std::string::npos)
      << output;
  EXPECT_NE(output.find("MusterfirmaServer\tServerfirma"), std::string::npos) << output;

  output.clear();
  EXPECT_EQ(RunCli("company " + env_, output), 0) << output;
  EXPECT_NE(output.find("Taxes\t10"), std::string::npos) << output;

  output.clear();
  EXPECT_EQ(RunCli("company " + env_ + "--company Unbekannt", output), 3);
  EXPECT_NE(output.find("'Unbekannt'"), std::string::npos) << output;

  output.clear();
  EXPECT_EQ(RunCli("--program-dir " + (dir_ / "leer") + " companies", output), 3);
  EXPECT_NE(output.find("velra.var"), std::string::npos) << output;

  output.clear();
  EXPECT_EQ(RunCli("--unknown-option companies", output), 2) << output;
}

// The automatic mapping gives a field to one column only and only fields the list offers;
// --map "COLUMN=" takes a field away.
TEST_F(CliTest, TheAutomaticMappingGivesEachOfferedFieldOneColumn) {
  test::WriteBytes(dir_ / "ids.csv",
                   "ID;Bezeichnung;Kurzbeschreibung;MwSt\n77;Büro-Stuhl \"Köln\";Stuhl;19\n");
  std::string output;
  EXPECT_EQ(RunCli(env_ + "preview --kind Artikel --file " + (dir_ / "ids.csv"), output), 0);
  EXPECT_NE(output.find("ID\tBezeichnung\tKurzbeschreibung\tMwSt\n-\t-\tShortText\tVatCode\n"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("Spalte 'Bezeichnung' wurde nicht zugeordnet, weil 'Kurzbeschreibung' "
                        "schon der Spalte 'Kurzbeschreibung' zugeordnet ist."),
            std::string::npos)
      << output;
  output.clear();
  EXPECT_EQ(RunCli(env_ +
                       "import --kind Artikel --map \"Kurzbeschreibung=\" --map "
                       "\"Bezeichnung=Kurzbeschreibung\" --file " +
                       (dir_ / "ids.csv"),
                   output),
            0)
      << output;
  auto db = Connection::Open("Provider=SQLite;Data Source=" +
                             (dir_ / "Firmen/Musterfirma/Musterfirma.mdb"));
  EXPECT_EQ(db->QueryValue("SELECT ShortText FROM Articles WHERE ID <> 77"),
            Value("Büro-Stuhl \"Köln\""));
}

// A field the user chose by hand for a column wins the next time over the alias file.
TEST_F(CliTest, AFieldChosenByHandWinsNextTimeOverTheAliasFile) {
  test::WriteBytes(dir_ / "liste.csv", "Bezeichnung;Kurzbeschreibung;MwSt\nWürth;Schraube;19\n");
  std::string output;
  ASSERT_EQ(RunCli(env_ + "import --kind Artikel --map \"Bezeichnung=Hersteller\" --file " +
                       (dir_ / "liste.csv"),
                   output),
            0)
      << output;
  output.clear();
  EXPECT_EQ(RunCli(env_ + "preview --kind Artikel --file " + (dir_ / "liste.csv"), output), 0);
  EXPECT_NE(output.find("\nManufacturer\tShortText\tVatCode\n"), std::string::npos) << output;
}

// A value that loading the file left out is a report entry: the run does not call that a success.
TEST_F(CliTest, ValuesLeftOutWhileLoadingAreReportEntries) {
  test::WriteBytes(dir_ / "breit.csv", "Kontonummer;Beschreibung\n1000;Kasse\n1200;Bank;übrig\n");
  std::string output;
  EXPECT_EQ(
      RunCli(env_ + "import --kind \"DATEV: Kontenrahmen\" --file " + (dir_ / "breit.csv"), output),
      1)
      << output;
  EXPECT_NE(output.find("geschrieben: 2"), std::string::npos) << output;
  EXPECT_NE(output.find("Meldungen: 1"), std::string::npos) << output;
  EXPECT_NE(output.find("Zeile 3, Spalte 'Spalte 3', Wert 'übrig': Beim Lesen der Datei: Die "
                        "Zeile hat 3 Werte"),
            std::string::npos)
      << output;
}

// A DOS table that names no character set: its umlauts tell, and the user may say otherwise.
TEST_F(CliTest, ADbaseTableIsReadInTheCharacterSetItsBytesOrTheUserName) {
  test::WriteDbfTable(dir_ / "dos.dbf", "NAME",
                      {"Gr\x94\xE1"
                       "e"});
  std::string output;
  EXPECT_EQ(RunCli("preview --file " + (dir_ / "dos.dbf"), output), 0);
  EXPECT_NE(output.find("NAME\nGröße\n"), std::string::npos) << output;
  EXPECT_NE(output.find("DOS (Codepage 850)"), std::string::npos) << output;
  output.clear();
  EXPECT_EQ(RunCli("preview --encoding windows-1252 --file " + (dir_ / "dos.dbf"), output), 0);
  EXPECT_NE(output.find("NAME\nGr\u201D\u00E1e\n"), std::string::npos) << output;
}

TEST_F(CliTest, PreviewPrintsTheSourceAsTheWizardLoadsIt) {
  std::string output;
  EXPECT_EQ(RunCli("preview --rows 1 --file " + samples_ + "Artikel.csv", output), 0);
  EXPECT_NE(output.find("Artikelnummer\tBezeichnung\tLangtext"), std::string::npos) << output;
  EXPECT_NE(output.find("8.8;\\ngalvanisch"), std::string::npos) << output;
  EXPECT_EQ(output.find("10002"), std::string::npos) << output;

  // Numbers in the regional form the import reads them in; a backslash reads back as one.
  output.clear();
  EXPECT_EQ(RunCli("preview --rows 1 --file " + samples_ + "Artikel.xlsx", output), 0);
  EXPECT_NE(output.find("\tStk\t0,04\t0,12\t"), std::string::npos) << output;
  // A workbook with macros reads as any workbook.
  std::filesystem::copy_file(samples_ + "Artikel.xlsx", dir_ / "Kalkulation.xlsm");
  output.clear();
  EXPECT_EQ(RunCli("preview --rows 1 --file " + (dir_ / "Kalkulation.xlsm"), output), 0);
  EXPECT_NE(output.find("\tStk\t0,04\t0,12\t"), std::string::npos) << output;
  test::WriteBytes(dir_ / "pfad.csv", "Pfad\nZ:\\temp\n");
  output.clear();
  EXPECT_EQ(RunCli("preview --file " + (dir_ / "pfad.csv"), output), 0);
  EXPECT_NE(output.find("Z:\\\\temp"), std::string::npos) << output;

  output.clear();
  EXPECT_EQ(RunCli("preview --file " + (dir_ / "fehlt.xlsx"), output), 3);
  EXPECT_NE(output.find("fehlt.xlsx"), std::string::npos) << output;
}

TEST_F(CliTest, PreviewWithAKindShowsTheAutomaticMapping) {
  std::string output;
  EXPECT_EQ(
      RunCli(env_ + "preview --kind Artikel --rows 1 --file " + samples_ + "Artikel.dbf", output),
      0)
      << output;
  EXPECT_NE(output.find("ARTNR\tBEZEICHNUN\tLANGTEXT"), std::string::npos) << output;
  EXPECT_NE(
      output.find(
          "ArticleNumber\tShortText\tLongText\tUnit\tPurchasePrice\tNetPrice\tGrossPrice\tVatCode"),
      std::string::npos)
      << output;

  output.clear();
  EXPECT_EQ(RunCli(env_ + "preview --kind 10 --file " + samples_ + "Kontenrahmen.csv", output), 0);
  EXPECT_NE(output.find("AccountNumber\tDescription\tAccountType\tAccountClass"), std::string::npos)
      << output;

  output.clear();
  EXPECT_EQ(RunCli(env_ + "preview --kind Unsinn --file " + samples_ + "Kunden.csv", output), 2);
  EXPECT_NE(output.find("Unsinn"), std::string::npos);

  output.clear();
  EXPECT_EQ(RunCli(env_ + "preview --kind Kunden --file " + (dir_ / "fehlt.csv"), output), 3);
}

TEST_F(CliTest, FieldsOfAKind) {
  std::string output;
  EXPECT_EQ(RunCli(env_ + "fields --kind Artikel", output), 0) << output;
  EXPECT_NE(output.find("Artikel-Nr.\tArticleNumber\n"), std::string::npos) << output;
  EXPECT_NE(output.find("USt-Satz\tVatCode\n"), std::string::npos) << output;
  EXPECT_EQ(output.find("\tID\n"), std::string::npos);  // no caption, not offered

  output.clear();
  EXPECT_EQ(RunCli(env_ + "--company MusterfirmaServer fields --kind Kunden", output), 3);
}

TEST_F(CliTest, ImportReportsCountsAndExitsByTheOutcome) {
  std::string output;
  EXPECT_EQ(RunCli(env_ + "import --kind Kunden --no-autonumber --file " + samples_ + "Kunden.csv",
                   output),
            0)
      << output;
  EXPECT_NE(output.find("Die Datei wurde erfolgreich importiert..."), std::string::npos) << output;
  EXPECT_NE(output.find("Zeilen: 10, geschrieben: 10, neu angelegt: 10"), std::string::npos)
      << output;

  // The same file again with synchronisation changes the records instead of adding them.
  output.clear();
  EXPECT_EQ(
      RunCli(env_ + "import --kind 0 --sync --no-autonumber --file " + samples_ + "Kunden.csv",
             output),
      0);
  EXPECT_NE(output.find("neu angelegt: 0, geändert: "), std::string::npos) << output;
  EXPECT_EQ(output.find("neu angelegt: 0, geändert: 0, unverändert: 0"), std::string::npos)
      << output;

  // A value that cannot be stored: exit 1 and the report on stderr.
  output.clear();
  EXPECT_EQ(RunCli(env_ +
                       "import --kind Artikel --no-autonumber --map \"Bezeichnung=Aktiv\" --map "
                       "\"Langtext=Kurzbeschreibung\" --file " +
                       samples_ + "Artikel.csv",
                   output),
            1)
      << output;
  EXPECT_NE(
      output.find("Zeile 2, Spalte 'Bezeichnung', Feld Active, Wert 'Schraube M6 x 40 verzinkt'"),
      std::string::npos)
      << output;

  // Rows there but none written: exit 3, and the ending says so, in the JSON too.
  test::WriteBytes(dir_ / "ohne.csv", "Kundennummer;Nachname\n;Meier\n;Schulz\n");
  std::string out, errors;
  EXPECT_EQ(RunCli(env_ +
                       "import --json --kind Kunden --no-autonumber --search-name-mode 1 "
                       "--file " +
                       (dir_ / "ohne.csv"),
                   out, errors),
            3)
      << out << errors;
  EXPECT_NE(out.find("\"text\": \"Die Datei wurde nicht importiert: Keine ihrer 2 Zeilen konnte "
                     "gespeichert werden (2 Meldungen im Importprotokoll).\""),
            std::string::npos)
      << out;
}

// The libraries print on stdout as they please (mdbtools dumps the pages it reads when its debug
// switches are on); what they print goes to stderr, and the JSON on stdout stays whole.
TEST_F(CliTest, WhatLibrariesPrintLeavesTheJsonWhole) {
  const std::string access = std::string(VELRA_FIXTURES_DIR) + "/mdb/testV1997.mdb";
  if (!std::filesystem::exists(access)) GTEST_SKIP() << access << " not found; test skipped.";
  ::setenv("MDBOPTS", "debug_all", 1);
  std::string out, errors;
  const int status = RunCli(env_ +
                                "import --json --dry-run --kind Artikel --map A=Kurzbeschreibung "
                                "--map C=USt-Satz --file " +
                                access,
                            out, errors);
  ::unsetenv("MDBOPTS");
  ASSERT_EQ(status, 0) << errors;
  EXPECT_FALSE(errors.empty()) << "mdbtools printed nothing";
  EXPECT_EQ(nlohmann::json::parse(out).at("added"), 2) << out;
}

TEST_F(CliTest, ImportRefusesWhatItCannotDo) {
  std::string output;
  EXPECT_EQ(
      RunCli(env_ + "import --kind Kunden --delete-all --file " + samples_ + "Kunden.csv", output),
      2);
  EXPECT_NE(output.find("--yes"), std::string::npos);
  output.clear();
  EXPECT_EQ(RunCli(env_ + "import --kind Kunden --map \"Gibts=Nachname\" --file " + samples_ +
                       "Kunden.csv",
                   output),
            2);
  EXPECT_NE(output.find("'Gibts'"), std::string::npos);
  output.clear();
  // Suppliers without a search name column need a search-name mode.
  EXPECT_EQ(RunCli(env_ + "import --kind Lieferanten --no-autonumber --file " + samples_ +
                       "Lieferanten.csv",
                   output),
            2);
  EXPECT_NE(output.find("Suchnamen"), std::string::npos) << output;
  output.clear();
  EXPECT_EQ(RunCli(env_ + "import --kind Kunden --file " + (dir_ / "fehlt.csv"), output), 3);
  output.clear();
  EXPECT_EQ(RunCli(env_ + "--company MusterfirmaServer import --kind Kunden --file " + samples_ +
                       "Kunden.csv",
                   output),
            3);
}

// Defaults the company does not offer and options that do not apply to the kind are refused with
// exit 2 and a sentence naming them, before anything is imported.
TEST_F(CliTest, ImportRefusesOptionsThatDoNotApply) {
  struct Case {
    std::string arguments, says;
  };
  const std::string articles = "--kind Artikel --no-autonumber --file " + samples_ + "Artikel.csv ";
  for (const Case& refused : std::vector<Case>{
           {articles + "--unit Gros",
            "Die Einheit 'Gros' gibt es in der Firma nicht oder sie ist "
            "nicht aktiv."},
           {articles + "--unit Quatsch", "Die Einheit 'Quatsch'"},
           {articles + "--article-type Fremdleistung",
            "Den Artikeltyp 'Fremdleistung' gibt es in der Firma nicht oder er ist nicht aktiv."},
           {articles + "--sync --delete-all --yes", "--sync und --delete-all schließen sich aus"},
           {"--kind 4 --file " + samples_ + "Artikel.csv",
            "Die Datenart '4' gibt es nicht. Möglich sind \"Kunden\", \"Artikel\""},
           {"--kind 5 --file " + samples_ + "Artikel.csv",
            "ihre Nummern 0, 1, 2, 3, 6, 7, 8, 9, 10."},
           {"--kind Lagerorte --sync --file " + samples_ + "Lagerorte.csv",
            "--sync gilt nicht für die Datenart 'Lagerorte'"},
           {"--kind 6 --sync-field Lagernummer --file " + samples_ + "Lagerbestand.csv",
            "--sync-field gilt nicht für die Datenart 'Warenbestände'"}}) {
    std::string output;
    EXPECT_EQ(RunCli(env_ + "import " + refused.arguments, output), 2) << refused.arguments;
    EXPECT_NE(output.find(refused.says), std::string::npos) << refused.arguments << "\n" << output;
  }
  std::string output;
  EXPECT_EQ(RunCli(env_ + "company", output), 0);
  for (const char* table : {"Articles\t0", "StorageStructure\t7", "Warehouse\t0"})
    EXPECT_NE(output.find(table), std::string::npos) << table << "\n" << output;
}

// --company follows the rule of the window's "/client:" in every command: blanks around the
// name do not count, nor does letter case; a name that matches none lists the companies.
TEST_F(CliTest, EveryCommandChoosesTheCompanyByOneRule) {
  for (const std::string& command : std::vector<std::string>{
           "company", "fields --kind Artikel",
           "preview --kind Artikel --rows 1 --file " + samples_ + "Artikel.csv",
           "import --kind Kunden --no-autonumber --dry-run --file " + samples_ + "Kunden.csv"}) {
    std::string output;
    EXPECT_EQ(RunCli(env_ + "--company \"  musterfirma \" " + command, output), 0)
        << command << "\n"
        << output;
    output.clear();
    EXPECT_EQ(RunCli(env_ + "--company Musterfrima " + command, output), 3) << command;
    EXPECT_NE(output.find("Die Firma 'Musterfrima' gibt es nicht. Vorhanden sind: Musterfirma, "
                          "MusterfirmaServer."),
              std::string::npos)
        << command << "\n"
        << output;
  }
}

// A server company whose connection cannot be built is refused; the import never goes into the
// company selected before or the default company.
TEST_F(CliTest, AServerCompanyWithAnUnknownLoginImportsNowhere) {
  std::string environment = test::ReadBytes(dir_ / "velra.var");
  environment.replace(environment.find("Authentification=0"), 18, "Authentification=2");
  test::WriteBytes(dir_ / "velra.var", environment);
  const std::string database = dir_ / "Firmen/Musterfirma/Musterfirma.mdb";
  const std::string before = test::ReadBytes(database);
  std::string output;
  EXPECT_EQ(
      RunCli(env_ + "--company MusterfirmaServer import --kind Kunden --no-autonumber --file " +
                 samples_ + "Kunden.csv",
             output),
      3);
  EXPECT_NE(output.find("Die Firma 'MusterfirmaServer' kann nicht gewählt werden: In der Datei '" +
                        (dir_ / "velra.var") + "' ist [Connection] Authentification=2 ungültig"),
            std::string::npos)
      << output;
  EXPECT_EQ(output.find("erfolgreich"), std::string::npos) << output;
  EXPECT_EQ(test::ReadBytes(database), before);
}

class CliBrokenDatabase : public CliTest,
                          public ::testing::WithParamInterface<test::DatabaseDamage> {};

// A broken company database stops every command with its real reason and exit 3, and the file
// stays as it was.
TEST_P(CliBrokenDatabase, StopsWithTheReason) {
  const std::string database = dir_ / "Firmen/Musterfirma/Musterfirma.mdb";
  GetParam().apply(database);
  const std::string before = test::ReadBytes(database);
  for (const std::string& command : std::vector<std::string>{
           "company", "import --kind Kunden --no-autonumber --file " + samples_ + "Kunden.csv"}) {
    std::string output;
    EXPECT_EQ(RunCli(env_ + command, output), 3) << command << "\n" << output;
    EXPECT_NE(output.find(GetParam().says), std::string::npos) << output;
    EXPECT_EQ(output.find("Pflichtfelder"), std::string::npos) << output;
  }
  EXPECT_EQ(test::ReadBytes(database), before);
}

INSTANTIATE_TEST_SUITE_P(Damages, CliBrokenDatabase, ::testing::ValuesIn(test::DatabaseDamages()),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace velra
