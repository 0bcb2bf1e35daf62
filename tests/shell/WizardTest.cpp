#include <fstream>

#include <gtest/gtest.h>

#include <filesystem>

#include "ScriptedDialogs.h"
#include "TestSupport.h"
#include "app/DataKinds.h"
#include "db/Connection.h"
#include "demo/DemoEnvironment.h"
#include "shell/Wizard.h"
#include "storage/StoragePicker.h"

namespace velra {
namespace {

using Strings = std::vector<std::string>;

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_THROW(CreateDemoEnvironment(dir_.Path(), false));
    test::UseOwnConfigFolder(dir_);
    samples_ = dir_ / kDemoSampleFolder;
  }
  // Options of a start; a wizard beside the first one is no single instance.
  StartOptions Options(const std::string& commandLine = {}, bool singleInstance = true) {
    StartOptions options;
    options.programPath = dir_.Path();
    options.commandLine = commandLine;
    options.singleInstance = singleInstance;
    options.regional = RegionalSettings::ForLocale("de_DE");
    options.lockFolder = dir_.Path();
    return options;
  }
  void Start() { ASSERT_TRUE(wizard_.Load(Options())); }
  WizardControls& C() { return wizard_.Controls(); }
  ImportSession& S() { return wizard_.Session(); }
  int KindIndex(const std::string& text) {
    for (size_t i = 0; i < C().lvwDatenarten.Items.size(); ++i)
      if (C().lvwDatenarten.Items[i].Text == text) return static_cast<int>(i);
    return -1;
  }
  void ChooseKind(const std::string& text) { wizard_.DataKindClick(KindIndex(text)); }
  // Chooses a sample file on step 3 and moves on to the mapping page.
  void LoadSample(const std::string& name) {
    dialogs_.files.push_back(samples_ + name);
    wizard_.LightClick(3);
    wizard_.CmdDialogClick();
    wizard_.WeiterClick();
  }
  const GridColumn& Column(const std::string& sourceName) {
    for (const GridColumn& column : C().columns)
      if (column.SourceName == sourceName) return column;
    throw std::runtime_error("no column " + sourceName);
  }
  int ColumnNumber(const std::string& sourceName) {
    for (size_t i = 0; i < C().columns.size(); ++i)
      if (C().columns[i].SourceName == sourceName) return static_cast<int>(i + 1);
    return 0;
  }
  int FieldIndex(const std::string& caption) {
    const Strings& items = C().cboDatenbankfelder.Items;
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i] == caption) return static_cast<int>(i);
    return -1;
  }

  test::TempDir dir_;
  std::string samples_;
  test::ScriptedDialogs dialogs_;
  Wizard wizard_{dialogs_};
};

TEST_F(WizardTest, StartUpSelectsTheEnvironmentsCompanyAndFillsItsLists) {
  Start();
  EXPECT_EQ(C().cboFirma.Items, (Strings{kDemoCompany, kDemoServerCompany}));
  EXPECT_EQ(C().cboFirma.Text, kDemoCompany);
  EXPECT_EQ(S().Context.CompanyName, kDemoCompany);
  EXPECT_EQ(S().Context.ActiveTrueValue, -1);
  EXPECT_TRUE(dialogs_.messages.empty());

  // The customer combo shows mode 3, the supplier combo mode 0; articles follow the customer one.
  EXPECT_EQ(C().cboKunden_Suchname.ListIndex, 3);
  EXPECT_EQ(C().cboLieferanten_Suchname.ListIndex, 0);
  EXPECT_EQ(S().Suchnamenmodus, 3);

  // The lists of the settings page come from the company: inactive entries left out, duplicates
  // once.
  EXPECT_EQ(C().cboArtikeltyp.Items, (Strings{"", "Dienstleistung", "Ersatzteil", "Handelsware"}));
  EXPECT_EQ(C().cboEinheit.Items, (Strings{"", "kg", "l", "m", "Paket", "Std", "Stk"}));
  ASSERT_EQ(C().icboSteuersatz.Items.size(), 8u);
  EXPECT_EQ(C().icboSteuersatz.Selected, -1);
}

TEST_F(WizardTest, TheCommandLineWinsOverTheEnvironment) {
  ASSERT_TRUE(wizard_.Load(Options("/debug/ CLIENT:  musterfirmaserver ")));
  // The server cannot be reached here; the wizard runs on, says why once as an error, and keeps
  // nothing of the company: no connection, no lists.
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].title, "Fehler");
  EXPECT_EQ(dialogs_.messages[0].text.rfind(
                "Die Firma 'MusterfirmaServer' kann nicht gewählt werden: ", 0),
            0u)
      << dialogs_.messages[0].text;
  EXPECT_FALSE(S().Context.HasCompany());
  EXPECT_EQ(C().cboFirma.ListIndex, -1);
  EXPECT_EQ(C().cboFirma.Text, "");
  EXPECT_TRUE(S().Context.ConnectionString.empty());
  EXPECT_EQ(S().Context.DatabaseType, DatabaseType::File);  // the environment's again
  EXPECT_TRUE(C().cboArtikeltyp.Items.empty());
  // Nothing goes on without a usable company.
  wizard_.WeiterClick();
  wizard_.LightClick(3);
  EXPECT_EQ(S().Schritt, 0);
  ASSERT_EQ(dialogs_.messages.size(), 3u);
  EXPECT_EQ(dialogs_.messages[1].text,
            "Bitte wählen Sie zuerst eine Firma, in die importiert werden soll.");
  // Choosing the file company then works as ever.
  wizard_.CompanyClick(0);
  EXPECT_TRUE(S().Context.HasCompany());
  EXPECT_EQ(S().Context.ActiveTrueValue, -1);
  wizard_.WeiterClick();
  EXPECT_EQ(S().Schritt, 1);
  // A company that is not in the list selects nothing.
  Wizard other(dialogs_);
  ASSERT_TRUE(other.Load(Options("/client:Gibtsnicht", false)));
  EXPECT_EQ(other.Controls().cboFirma.ListIndex, -1);
  EXPECT_FALSE(other.Session().Context.HasCompany());
}

TEST_F(WizardTest, ASecondInstanceAndAnEmptyRegistryEndTheWizard) {
  Start();
  test::ScriptedDialogs secondDialogs;
  Wizard second(secondDialogs);
  EXPECT_FALSE(second.Load(Options()));
  EXPECT_TRUE(second.Session().Closed);
  ASSERT_EQ(secondDialogs.messages.size(), 1u);
  EXPECT_EQ(secondDialogs.messages[0].text, "Der Importassistent wurde bereits gestartet.");
  EXPECT_EQ(secondDialogs.messages[0].title, "Hinweis");

  test::WriteBytes(dir_ / "Firmen.uif", "");
  test::ScriptedDialogs emptyDialogs;
  Wizard empty(emptyDialogs);
  EXPECT_FALSE(empty.Load(Options({}, false)));
  ASSERT_EQ(emptyDialogs.messages.size(), 1u);
  // The suite's message, then why.
  const std::string& text = emptyDialogs.messages[0].text;
  EXPECT_TRUE(
      text.starts_with("Es sind keine Firmen vorhanden.\r\nDer Importassistent wird nun beendet."))
      << text;
  EXPECT_NE(text.find("enthält keine Firma"), std::string::npos) << text;
}

TEST_F(WizardTest, EveryKindConfiguresTableKeyAndOptions) {
  Start();
  ChooseKind("Lieferanten zum Artikel");
  EXPECT_EQ(S().Datenart, DataKind::ArticleSuppliers);
  EXPECT_EQ(S().Zieltabelle, "ArticleSuppliers");
  EXPECT_EQ(S().Synchronisationsfeld, "ArticleNumber");
  EXPECT_FALSE(C().chkAutoNummer.Enabled || C().chkAutoNummer.Checked());
  EXPECT_FALSE(C().chkSynchronisieren.Enabled || C().cboSynchronisierung.Enabled);
  EXPECT_FALSE(C().fmEinstellungen_Artikel.Visible || C().fmEinstellungen_Kunden.Visible ||
               C().fmEinstellungen_Lieferanten.Visible);
  EXPECT_EQ(C().statusPanels["Daten"], "Daten: Lieferanten zum Artikel");
  EXPECT_EQ(C().lbTipp_Datenart_Beschreibung.Caption,
            "Hier können Sie zum Artikel die möglichen Lieferanten einlesen");

  ChooseKind("DATEV: Kontenrahmen");
  EXPECT_EQ(S().Datenart, DataKind::Accounts);
  EXPECT_TRUE(C().chkSynchronisieren.Enabled);
  EXPECT_FALSE(C().chkAutoNummer.Enabled);

  ChooseKind("Warenbestände");  // the value comes from the index column, not the position
  EXPECT_EQ(S().Datenart, DataKind::Stock);
  EXPECT_EQ(S().Zieltabelle, "Warehouse");
  EXPECT_EQ(S().Synchronisationsfeld, "");

  ChooseKind("Kunden");
  EXPECT_TRUE(C().fmEinstellungen_Kunden.Visible);
  EXPECT_TRUE(C().chkAutoNummer.Checked());
  wizard_.ChkSynchronisierenClick(1);
  EXPECT_FALSE(C().chkLoeschen.Enabled);
  ChooseKind("Lieferanten");  // choosing a kind always clears synchronisation
  EXPECT_FALSE(C().chkSynchronisieren.Checked());
  EXPECT_TRUE(C().chkLoeschen.Enabled);
  EXPECT_FALSE(C().lbSynchronisierung.Visible);
  EXPECT_TRUE(C().fmEinstellungen_Lieferanten.Visible);
}

// Profiles, learned mappings and --kind keep a kind as its number; the list texts and those
// numbers must keep naming the same kinds.
TEST(DataKinds, ListTextsAndStoredNumbersNameTheSameKinds) {
  const std::pair<const char*, int> listed[] = {{"Kunden", 0},
                                                {"Artikel", 1},
                                                {"Lieferanten", 2},
                                                {"Lieferanten zum Artikel", 3},
                                                {"Warenbestände", 6},
                                                {"Lagerorte", 7},
                                                {"Artikel (Kundentyp-Preise)", 8},
                                                {"Artikel (Webshop)", 9},
                                                {"DATEV: Kontenrahmen", 10}};
  for (const auto& [text, number] : listed) {
    ASSERT_TRUE(DataKindOfNumber(number)) << number;
    EXPECT_EQ(ParseDataKind(text), DataKindOfNumber(number)) << text;
    EXPECT_EQ(ParseDataKind(" " + std::string(text) + " "), DataKindOfNumber(number)) << text;
    EXPECT_EQ(ParseDataKind(std::to_string(number)), DataKindOfNumber(number)) << text;
    EXPECT_EQ(Describe(*DataKindOfNumber(number)).listText, std::string(text));
  }
  EXPECT_EQ(ParseDataKind("lagerorte"), DataKind::StorageLocations);
  // Kinds the list does not offer, and numbers that are no kind.
  for (const char* refused : {"4", "5", "11", "-1", "01", "1x", ""})
    EXPECT_EQ(ParseDataKind(refused), std::nullopt) << refused;
}

TEST_F(WizardTest, SettingsHandlersAndTheirExclusions) {
  Start();
  wizard_.ChkSynchronisierenClick(1);
  EXPECT_FALSE(C().chkLoeschen.Enabled);
  EXPECT_TRUE(C().cboSynchronisierung.Visible && C().lbSynchronisierung.Visible &&
              C().lbTipp_Synchronisierung.Visible);
  wizard_.ChkSynchronisierenClick(0);
  EXPECT_TRUE(C().chkLoeschen.Enabled);
  wizard_.ChkLoeschenClick(1);
  EXPECT_FALSE(C().chkSynchronisieren.Enabled);
  EXPECT_FALSE(C().chkSynchronisieren.Checked());
  wizard_.ChkLoeschenClick(0);
  EXPECT_TRUE(C().chkSynchronisieren.Enabled);

  wizard_.ChkArtikeltypClick(1);
  wizard_.ChkEinheitClick(1);
  wizard_.ChkSteuersatzClick(1);
  wizard_.ChkLagerortClick(1);
  EXPECT_TRUE(C().cboArtikeltyp.Enabled && C().cboEinheit.Enabled && C().icboSteuersatz.Enabled &&
              C().cmdLagerort.Enabled);
  wizard_.ChkSteuersatzClick(0);
  EXPECT_FALSE(C().icboSteuersatz.Enabled);

  wizard_.CboBerechnungsartClick(2);
  EXPECT_EQ(S().Berechnungsart, 2);
  // The search-name mode follows the combo of the kind being imported.
  wizard_.CboLieferantenSuchnameClick(4);
  EXPECT_EQ(S().Suchnamenmodus, 3);
  ChooseKind("Lieferanten");
  EXPECT_EQ(S().Suchnamenmodus, 4);
  wizard_.CboKundenSuchnameClick(1);
  EXPECT_EQ(S().Suchnamenmodus, 4);
  ChooseKind("Kunden");
  EXPECT_EQ(S().Suchnamenmodus, 1);
}

// A default of the article settings that is not an active entry of its list, as a profile may
// bring one, stops the run and the test run before they start, as a missing mandatory field does.
TEST_F(WizardTest, ArticleDefaultsMustBeEntriesTheCompanyOffers) {
  Start();
  ChooseKind("Artikel");
  C().chkAutoNummer.Value = 0;
  LoadSample("Artikel.csv");
  auto refused = [&](const std::string& says) {
    wizard_.OkClick();
    ASSERT_FALSE(dialogs_.messages.empty());
    EXPECT_EQ(dialogs_.messages.back().text, says);
    EXPECT_EQ(dialogs_.messages.back().title, "Hinweis");
    EXPECT_EQ(S().Schritt, 4);
    dialogs_.messages.clear();
    EXPECT_FALSE(wizard_.TestlaufClick());
    EXPECT_EQ(dialogs_.messages.size(), 1u);
  };
  wizard_.ChkEinheitClick(1);
  C().cboEinheit.SetText("Gros");  // inactive in the company
  refused("Die Einheit 'Gros' gibt es in der Firma nicht oder sie ist nicht aktiv.");
  C().cboEinheit.SetText("Stk");
  wizard_.ChkArtikeltypClick(1);
  C().cboArtikeltyp.SetText("Fremdleistung");
  refused("Den Artikeltyp 'Fremdleistung' gibt es in der Firma nicht oder er ist nicht aktiv.");
  C().cboArtikeltyp.SetText("Handelsware");
  wizard_.ChkSteuersatzClick(1);
  refused("Wählen Sie bitte den Steuersatz, den die Artikel erhalten sollen.");

  C().icboSteuersatz.Selected = 0;
  wizard_.OkClick();
  EXPECT_EQ(S().Schritt, 6);
  EXPECT_EQ(S().LastImport.report.rowsWritten, 20u);
}

TEST_F(WizardTest, TheWarehousePickerFillsTheStorageLocation) {
  Start();
  dialogs_.storageScript = [](StoragePicker& picker) {
    for (size_t i = 0; i < picker.Tree().Nodes().size(); ++i)
      if (picker.Tree().Nodes()[i].key == "H1-B-03") picker.Select(static_cast<int>(i));
    picker.OkClick();
  };
  wizard_.LagerortWaehlen();
  EXPECT_EQ(C().txtLagerort.Text, "1-B-03");

  dialogs_.storageScript = [](StoragePicker& picker) {
    EXPECT_EQ(picker.Lagernummer, "1-B-03");
    picker.CancelClick();
  };
  wizard_.LagerortWaehlen();
  EXPECT_EQ(C().txtLagerort.Text, "1-B-03");
  wizard_.KeinLagerort();
  EXPECT_EQ(C().txtLagerort.Text, "");
}

TEST_F(WizardTest, ChoosingAFileSetsFormatStatusAndSynchronisationList) {
  Start();
  ChooseKind("Kunden");
  wizard_.LightClick(3);
  wizard_.CboImportformatClick(0);
  EXPECT_EQ(S().SourceFormat, "XLS");
  EXPECT_TRUE(C().fmDatenbanken.Visible);
  EXPECT_FALSE(C().fmCSV.Visible);
  wizard_.CmdDialogClick();  // cancelled: nothing changes
  EXPECT_EQ(dialogs_.lastFilterIndex, 2);
  EXPECT_EQ(S().SourceFile, "");

  dialogs_.files.push_back(samples_ + "Kunden.csv");
  wizard_.CmdDialogClick();
  EXPECT_EQ(S().SourceFormat, "CSV");  // from the extension
  EXPECT_EQ(C().cboImportformat.ListIndex, 4);
  EXPECT_EQ(C().txtDateiname.Text, samples_ + "Kunden.csv");
  EXPECT_EQ(C().statusPanels["Datei"], "Datei: " + samples_ + "Kunden.csv");
  EXPECT_EQ(C().cboSynchronisierung.Text, "Kunden-Nr.");
  EXPECT_EQ(C().focus, "cmdWeiter");
  wizard_.CmdDialogClick();  // the next dialog starts where this file lies
  EXPECT_EQ(dialogs_.lastFileGiven, samples_ + "Kunden.csv");
  // The synchronisation list holds the captions of the customers' fields only.
  EXPECT_NE(std::find(C().cboSynchronisierung.Items.begin(), C().cboSynchronisierung.Items.end(),
                      "Suchname"),
            C().cboSynchronisierung.Items.end());
  EXPECT_EQ(std::find(C().cboSynchronisierung.Items.begin(), C().cboSynchronisierung.Items.end(),
                      "Kurzbeschreibung"),
            C().cboSynchronisierung.Items.end());

  wizard_.CboImportformatClick(9);  // outside the list: only the index changes
  EXPECT_EQ(S().SourceFormatIndex, 9);
  EXPECT_EQ(S().SourceFormat, "CSV");
}

TEST_F(WizardTest, EnteringTheMappingPageLoadsAndMapsTheSource) {
  Start();
  ChooseKind("Kunden");
  LoadSample("Kunden.csv");
  EXPECT_EQ(S().Schritt, 4);
  EXPECT_EQ(S().SourceData.RowCount(), 10u);
  EXPECT_EQ(C().cboDatenbankfelder.Items.front(),
            "Wählen Sie bitte ein Datenbankfeld aus und weisen es der Spalte zu...");
  EXPECT_EQ(S().Synchronisationsfeld, "");  // synchronisation is off
  // From the matching file, and from headers that are captions already.
  EXPECT_EQ(Column("Kundennummer").FieldCaption, "Kunden-Nr.");
  EXPECT_EQ(Column("Kundennummer").TargetField, "CustomerNumber");
  EXPECT_EQ(Column("Kundennummer").HeaderStyle, "ColumnHeaderBound");
  EXPECT_EQ(Column("PLZ").TargetField, "Zip");
  EXPECT_EQ(Column("Strasse").TargetField, "Street");
  EXPECT_EQ(Column("Nachname").TargetField, "Name");
  EXPECT_EQ(Column("Konto").TargetField, "AccountNumber");
  EXPECT_EQ(Column("Kundengruppe").TargetField, "CustomerType");
  EXPECT_EQ(Column("Bemerkung").TargetField, "Notes");
  EXPECT_EQ(FindMappedColumn(C().columns, "Zip"), ColumnNumber("PLZ"));
}

TEST_F(WizardTest, SynchronisationTakesTheFieldOfTheChosenCaption) {
  Start();
  wizard_.ChkSynchronisierenClick(1);
  dialogs_.files.push_back(samples_ + "Artikel.xlsx");
  wizard_.LightClick(3);
  wizard_.CmdDialogClick();
  EXPECT_EQ(S().SourceFormat, "XLSX");
  EXPECT_EQ(C().cboTabellen.Items, (Strings{"Artikel"}));
  EXPECT_EQ(C().cboSynchronisierung.Text, "Artikel-Nr.");
  wizard_.WeiterClick();
  EXPECT_EQ(S().Synchronisationsfeld, "ArticleNumber");
  EXPECT_EQ(S().SourceData.RowCount(), 20u);
  EXPECT_EQ(Column("Artikelnummer").TargetField, "ArticleNumber");
  EXPECT_EQ(Column("VK brutto").TargetField, "GrossPrice");
  EXPECT_EQ(Column("MwSt").TargetField, "VatCode");
  EXPECT_EQ(Column("Bezeichnung").TargetField, "ShortText");
}

TEST_F(WizardTest, DbaseFoldersAndTheHeaderBox) {
  Start();
  test::WriteBytes(samples_ + "zzz.csv", "not a table");  // other files of the folder are no tables
  // Another table of the folder that comes first: the file the user chose is the table.
  std::filesystem::copy_file(samples_ + "Artikel.dbf", samples_ + "Adressen.dbf");
  LoadSample("Artikel.dbf");
  EXPECT_EQ(C().cboTabellen.Items, (Strings{"Adressen", "Artikel"}));
  EXPECT_EQ(C().cboTabellen.Text, "Artikel");
  EXPECT_EQ(Column("ARTNR").TargetField, "ArticleNumber");
  EXPECT_EQ(Column("VK_BRUTTO").TargetField, "GrossPrice");
  EXPECT_EQ(Column("ANGELEGT").TargetField, "DateCreation");

  wizard_.ChkSpaltentitelClick(0);
  EXPECT_EQ(C().columns.front().SourceName, "Spalte 1");
  EXPECT_EQ(C().columns.front().TargetField, "");
  EXPECT_EQ(S().SourceData.RowCount(), 20u);
}

TEST_F(WizardTest, AFileThatCannotBeReadSaysSoAndLeavesTheGridEmpty) {
  Start();
  test::WriteBytes(samples_ + "kaputt.xlsx", "kein Arbeitsblatt");
  LoadSample("kaputt.xlsx");
  ASSERT_FALSE(dialogs_.messages.empty());
  EXPECT_EQ(dialogs_.messages[0].title, "Fehler");
  EXPECT_NE(dialogs_.messages[0].text.find("Fehlernummer: "), std::string::npos);
  EXPECT_NE(dialogs_.messages[0].text.find("kaputt.xlsx"), std::string::npos);
  EXPECT_TRUE(C().columns.empty());
  EXPECT_EQ(S().SourceData.RowCount(), 0u);
}

TEST_F(WizardTest, ACancelledLoadGoesBackToTheFile) {
  Start();
  // Progress comes every few megabytes.
  {
    std::ofstream out(samples_ + "gross.csv");
    out << "Artikelnummer;Bezeichnung\n";
    for (int i = 0; i < 400000; ++i) out << i << ";Artikel mit einem langen Namen " << i << '\n';
  }
  wizard_.loadProgress = [](uint64_t, uint64_t) { return false; };
  LoadSample("gross.csv");
  EXPECT_EQ(S().Schritt, 3);
  EXPECT_TRUE(C().pageVisible[3]);
  EXPECT_TRUE(C().columns.empty());
  EXPECT_EQ(S().SourceData.RowCount(), 0u);
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(WizardTest, AProtectedAccessSourceAsksThroughTheDialogs) {
  const std::string fixture = std::string(VELRA_FIXTURES_DIR) + "/mdb/protected-jet4.mdb";
  if (!std::ifstream(fixture)) GTEST_SKIP() << "Access fixtures not found at " << fixture;
  Start();
  dialogs_.files.push_back(fixture);
  dialogs_.inputs = {std::string("falsch"), std::string("Geheim123")};
  wizard_.LightClick(3);
  wizard_.CmdDialogClick();
  ASSERT_EQ(dialogs_.prompts.size(), 2u);
  EXPECT_EQ(dialogs_.prompts[1], "Geben Sie bitte das Passwort der Datenbank ein.\r\nVersuch: 1");
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text, "Das eingegebene Passwort ist ungültig.");
  EXPECT_EQ(C().cboTabellen.Text, "Table1");
  // Entering the mapping page opens the file again with the password that worked.
  wizard_.WeiterClick();
  EXPECT_EQ(dialogs_.prompts.size(), 2u);
  EXPECT_EQ(S().SourceData.ColumnNames().front(), "A");
  EXPECT_EQ(S().SourceData.Get(1, 1), Value("abcdefg"));

  // Four wrong answers: the file is forgotten.
  Wizard other(dialogs_);
  ASSERT_TRUE(other.Load(Options({}, false)));
  dialogs_.files.push_back(fixture);
  dialogs_.inputs = {std::string("a"), std::string("b"), std::nullopt, std::string("geheim123")};
  other.CmdDialogClick();
  EXPECT_EQ(other.Controls().txtDateiname.Text, "");
  EXPECT_TRUE(other.Controls().cboTabellen.Items.empty());
  EXPECT_EQ(dialogs_.messages.back().text,
            "Das Passwort ist leider falsch. Verwenden Sie bitte eine andere Datenbank.");
}

TEST_F(WizardTest, FieldsGivenByHandAreLearnedForTheNextFileOfTheKind) {
  test::WriteBytes(samples_ + "preise.csv",
                   "Artikelnummer;Bezeichnung;Preis;MwSt\nP-1;Hobel;12,50;19\n");
  auto load = [&](Wizard& wizard) {
    dialogs_.files.push_back(samples_ + "preise.csv");
    for (size_t i = 0; i < wizard.Controls().lvwDatenarten.Items.size(); ++i)
      if (wizard.Controls().lvwDatenarten.Items[i].Text == "Artikel")
        wizard.DataKindClick(static_cast<int>(i));
    wizard.LightClick(3);
    wizard.CmdDialogClick();
    wizard.WeiterClick();
  };
  Start();
  load(wizard_);
  const int price = ColumnNumber("Preis");
  EXPECT_TRUE(Column("Preis").TargetField.empty());
  wizard_.HeaderClick(price);
  wizard_.FieldPicked(FieldIndex("Verkaufspreis netto"));
  C().chkAutoNummer.Value = 0;
  wizard_.OkClick();
  ASSERT_EQ(S().Schritt, 6);

  const StartOptions options = Options({}, false);
  Wizard next(dialogs_);
  ASSERT_TRUE(next.Load(options));
  load(next);
  const GridColumn& learned = next.Controls().columns[static_cast<size_t>(price - 1)];
  EXPECT_EQ(learned.TargetField, "NetPrice");
  EXPECT_EQ(learned.FieldCaption, "Verkaufspreis netto");
  EXPECT_FALSE(learned.ByHand);

  Wizard without(dialogs_);
  ASSERT_TRUE(without.Load(options));
  without.Session().UseLearnedMappings = false;
  load(without);
  EXPECT_TRUE(without.Controls().columns[static_cast<size_t>(price - 1)].TargetField.empty());
}

TEST_F(WizardTest, MappingByHandWithTheDuplicateQuestion) {
  Start();
  ChooseKind("Kunden");
  LoadSample("Kunden.csv");
  const int titel = ColumnNumber("Titel");
  const int telefon = ColumnNumber("Telefon");
  const int email = ColumnNumber("E-Mail");

  // Activating an unassigned column marks it and offers the prompt.
  wizard_.RemoveMapping();  // nothing activated yet: nothing happens
  wizard_.HeaderClick(email);
  wizard_.RemoveMapping();
  EXPECT_EQ(Column("E-Mail").FieldCaption, "× E-Mail");
  EXPECT_EQ(Column("E-Mail").HeaderStyle, "ColumnHeaderNone");
  wizard_.HeaderClick(email);
  EXPECT_EQ(C().cboDatenbankfelder.ListIndex, 0);
  EXPECT_EQ(C().lbSpalte.Caption, "E-Mail");
  EXPECT_EQ(Column("E-Mail").FieldCaption, "× E-Mail");  // one mark only

  wizard_.FieldPicked(0);
  EXPECT_EQ(Column("E-Mail").CellStyle, "ColumnCellsUnBound");
  wizard_.FieldPicked(FieldIndex("E-Mail-Adresse"));
  EXPECT_EQ(Column("E-Mail").TargetField, "Email");
  EXPECT_EQ(Column("E-Mail").HeaderStyle, "ColumnHeaderBound");
  EXPECT_TRUE(dialogs_.questions.empty());

  // Clicking an assigned column shows its caption.
  wizard_.HeaderClick(ColumnNumber("PLZ"));
  EXPECT_EQ(C().cboDatenbankfelder.Text, "Postleitzahl");

  // The same field on a second and a third column: one question per other column.
  wizard_.HeaderClick(titel);
  dialogs_.answers = {true};
  wizard_.FieldPicked(FieldIndex("E-Mail-Adresse"));
  ASSERT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_EQ(dialogs_.questions[0].text,
            "Sie haben das Datenbankfeld 'E-Mail-Adresse' bereits der Spalte (" +
                std::to_string(email) +
                ") zugewiesen. Möchten Sie das Datenbankfeld erneut zuweisen?");
  EXPECT_EQ(Column("Titel").TargetField, "Email");
  EXPECT_EQ(Column("E-Mail").TargetField, "Email");  // keeps it

  wizard_.HeaderClick(telefon);
  dialogs_.answers = {true, false};
  wizard_.FieldPicked(FieldIndex("E-Mail-Adresse"));
  EXPECT_EQ(dialogs_.questions.size(), 3u);
  EXPECT_EQ(Column("Telefon").TargetField, "Phone");  // No: unchanged

  // Picking the caption the column already carries asks nothing.
  wizard_.HeaderClick(titel);
  wizard_.FieldPicked(FieldIndex("E-Mail-Adresse"));
  EXPECT_EQ(dialogs_.questions.size(), 4u);  // only the one about the first column
}

TEST_F(WizardTest, AutomaticMappingAgainKeepsWhatTheMatchingFileDoesNotList) {
  Start();
  ChooseKind("Kunden");
  LoadSample("Kunden.csv");
  wizard_.HeaderClick(ColumnNumber("Firma"));
  wizard_.RemoveMapping();
  wizard_.AutoMapColumns();
  // A removed assignment carries the mark and matches no alias.
  EXPECT_EQ(Column("Firma").TargetField, "");
  EXPECT_EQ(Column("Kundennummer").TargetField, "CustomerNumber");
  EXPECT_TRUE(wizard_.IsFieldCaption("Kunden-Nr."));
  EXPECT_FALSE(wizard_.IsFieldCaption("kunden-nr."));
}

}  // namespace
}  // namespace velra
