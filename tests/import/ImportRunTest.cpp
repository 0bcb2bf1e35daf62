#include <unistd.h>

#include <gtest/gtest.h>

#include "DemoCompany.h"
#include "base/Text.h"

namespace velra {
namespace {

using test::Strings;

// Imports through the wizard on the demo company.
// Every test runs on the file company and on a server company, with the same results.
class ImportRunTest : public test::OnBothCompanies {
 protected:
  void Kind(int value) { company_.Kind(value); }
  void Grid(const Strings& names, const Strings& captions, const std::vector<Strings>& rows) {
    company_.Grid(names, captions, rows);
  }
  void Sync(const std::string& caption) { company_.Sync(caption); }
  void Run() { company_.Run(); }
  Rows Query(const std::string& sql, const std::vector<Value>& parameters = {}) {
    return company_.Query(sql, parameters);
  }
  void Execute(const std::string& sql) { company_.Execute(sql); }
  int64_t Count(const std::string& table) { return company_.Count(table); }
  WizardControls& C() { return company_.C(); }
  void ArticlesWithTheirNumbers() {
    Kind(1);
    C().chkAutoNummer.Value = 0;
  }
  void AccountGrid(const std::vector<Strings>& rows) {
    Grid({"Konto", "Text"}, {"Kontonummer", "Beschreibung"}, rows);
  }
  void ArticleGrid(const std::vector<Strings>& rows) {
    Grid({"Nr", "Text", "MwSt"}, {"Artikel-Nr.", "Kurzbeschreibung", "USt-Satz"}, rows);
  }
  const ImportReport& Report() { return company_.Report(); }

  Wizard& wizard_ = company_.GetWizard();
  test::ScriptedDialogs& dialogs_ = company_.Dialogs();
};

VELRA_ON_BOTH_COMPANIES(ImportRunTest);

TEST_P(ImportRunTest, ArticlesWithNumbersFromTheFile) {
  ArticlesWithTheirNumbers();
  Grid({"Nr", "Text", "MwSt", "Preis", "Aktiv"},
       {"Artikel-Nr.", "Kurzbeschreibung", "USt-Satz", "Verkaufspreis netto", ""},
       {{"4711", "Schraube", "1", "12,345", "0"}, {" 4712 ", "  Mutter  ", "2", "1.000", "1"}});
  Run();
  EXPECT_EQ(wizard_.Session().Schritt, 6);
  EXPECT_EQ(C().lbStatustext.Caption, "Die Datei wurde erfolgreich importiert...");
  EXPECT_EQ(C().lbStatus.Caption, "2 von 2");
  EXPECT_TRUE(Report().Empty()) << Report().Entries().front().reason;
  EXPECT_EQ(Report().added, 2u);
  Rows rows = Query("SELECT * FROM Articles ORDER BY ID");
  ASSERT_EQ(rows.Size(), 2u);
  EXPECT_EQ(rows.Get(0, "ArticleNumber"), Value("4711"));
  EXPECT_EQ(rows.Get(0, "ArticleNumberVariant"), Value("4711"));
  EXPECT_EQ(rows.Get(0, "ShortText"), Value("Schraube"));
  EXPECT_EQ(rows.Get(0, "NetPrice"), Value(12.35));
  EXPECT_EQ(rows.Get(1, "NetPrice"), Value(1000.0));
  EXPECT_EQ(rows.Get(1, "ArticleNumber"), Value("4712"));  // the number is taken trimmed
  EXPECT_EQ(rows.Get(1, "ShortText"), Value("Mutter"));
  EXPECT_EQ(rows.Get(0, "Active"), Value(true));  // chkAktiv; the "Aktiv" column is not assigned
  EXPECT_EQ(rows.Get(0, "RebateAble"), Value(false));
  EXPECT_EQ(rows.Get(0, "BuildBy"), Value("velra"));
  EXPECT_EQ(rows.Get(0, "WorksOnLastOf"), Value(wizard_.Session().Context.ImportNote));
  EXPECT_EQ(rows.Get(0, "DateCreation").GetType(), Value::Type::Date);
  EXPECT_EQ(rows.Get(0, "DateCreation"), rows.Get(0, "DateUpdate"));
}

TEST_P(ImportRunTest, AnAssignedFlagColumnWinsOverTheDefault) {
  ArticlesWithTheirNumbers();
  C().chkAktiv.Value = 0;
  Grid({"Nr", "Text", "MwSt", "Aktiv"}, {"Artikel-Nr.", "Kurzbeschreibung", "USt-Satz", "Aktiv"},
       {{"1", "a", "1", "1"},
        {"2", "b", "1", "jein"},
        {"3", "c", "1", "0"},
        {"4", "d", "1", "Ja"},
        {"5", "e", "1", "x"}});
  Run();
  Rows rows = Query("SELECT Active FROM Articles ORDER BY ID");
  EXPECT_EQ(rows.Get(0, "Active"), Value(true));
  EXPECT_EQ(rows.Get(1, "Active"), Value(false));  // "jein" keeps the default of the settings page
  EXPECT_EQ(rows.Get(2, "Active"), Value(false));
  EXPECT_EQ(rows.Get(3, "Active"), Value(true));
  EXPECT_EQ(rows.Get(4, "Active"), Value(true));
  ASSERT_EQ(Report().EntryCount(), 1u);
  const ReportEntry& entry = Report().Entries()[0];
  EXPECT_EQ(entry.line, 3u);
  EXPECT_EQ(entry.column, "Aktiv");
  EXPECT_EQ(entry.field, "Active");
  EXPECT_EQ(entry.value, "jein");
  EXPECT_EQ(
      C().lbStatustext.Caption,
      "Die Datei wurde importiert, aber nicht alle Werte konnten übernommen werden (1 Meldungen im "
      "Importprotokoll).");
}

TEST_P(ImportRunTest, AutomaticNumbersComeFromTheRangeAndOverrideTheFile) {
  Kind(1);
  ArticleGrid({{"999", "a", "1"}, {"998", "b", "1"}});
  Execute("INSERT INTO Articles (ArticleNumber) VALUES ('000100')");  // taken: skipped
  Run();
  Rows rows = Query("SELECT ArticleNumber, ArticleNumberVariant FROM Articles ORDER BY ID");
  ASSERT_EQ(rows.Size(), 3u);
  EXPECT_EQ(rows.Get(1, "ArticleNumber"), Value("000101"));
  EXPECT_EQ(rows.Get(1, "ArticleNumberVariant"), Value("000101"));
  EXPECT_EQ(rows.Get(2, "ArticleNumber"), Value("000102"));
  EXPECT_EQ(wizard_.Session().Context.GetOption("NumberRange", "Article"), "000103");
}

TEST_P(ImportRunTest, CustomersAreUpdatedByTheirKeyAndKeepTheirNumber) {
  Execute(
      "INSERT INTO Contacts (CustomerNumber, Name, Matchcode, DateCreation) VALUES "
      "('KD-1', 'Alt', 'ALT', '2020-01-01'), ('kd-2', 'Zwei', 'O''Brien', NULL), "
      "('KD-1', 'Doppelt', 'X', NULL)");
  Kind(0);
  Sync("Kunden-Nr.");
  Grid({"Nr", "Name", "Such"}, {"Kunden-Nr.", "Nachname", "Suchname"},
       {{"KD-1", "Neu", "NEU"},
        {"KD-2", "Groß", "O'Brien"},
        {"KD-3", "Drei", "D"},
        {"KD-1", "Neuer", "N"}});
  Run();
  Rows rows = Query("SELECT * FROM Contacts ORDER BY ID");
  ASSERT_EQ(rows.Size(), 4u);
  // The first record of the key in table order is the row's record; its creation and number stay.
  EXPECT_EQ(rows.Get(0, "Name"), Value("Neuer"));
  EXPECT_EQ(rows.Get(0, "CustomerNumber"), Value("KD-1"));
  EXPECT_EQ(rows.Get(0, "DateCreation"), Value(DateTime{2020, 1, 1}));
  EXPECT_EQ(rows.Get(0, "WorksOnLastOf"), Value(wizard_.Session().Context.ImportNote));
  EXPECT_EQ(rows.Get(2, "Name"), Value("Doppelt"));
  // Keys compare ignoring letter case.
  EXPECT_EQ(rows.Get(1, "Name"), Value("Groß"));
  EXPECT_EQ(rows.Get(1, "CustomerNumber"), Value("kd-2"));
  // A key not in the table: a new customer with the next number of the range.
  EXPECT_EQ(rows.Get(3, "CustomerNumber"), Value("KD-10000"));
  EXPECT_EQ(Report().added, 1u);
  EXPECT_EQ(Report().updated, 3u);
  // The key that the file holds twice is reported with both lines.
  ASSERT_EQ(Report().EntryCount(), 1u);
  EXPECT_NE(Report().Entries()[0].reason.find("Zeilen 2 und 5"), std::string::npos);
}

// The same values imported again change nothing, not even the time of the last change, whether
// or not the clock has gone on since; a changed value brings a new time with it.
TEST_P(ImportRunTest, RecordsImportedAgainUnchangedKeepTheirTimeOfChange) {
  ArticlesWithTheirNumbers();
  Sync("Artikel-Nr.");
  ArticleGrid({{"4711", "Schraube", "1"}, {"4712", "Mutter", "1"}});
  Run();
  ASSERT_EQ(Report().added, 2u);
  const Value old(DateTime{2020, 1, 1});
  Execute("UPDATE Articles SET DateUpdate = '2020-01-01'");
  ASSERT_EQ(Query("SELECT DateUpdate FROM Articles WHERE ID = 1").Get(0, "DateUpdate"), old);

  ArticleGrid({{"4711", "Schraube", "1"}, {"4712", "Mutter", "1"}});
  Run();
  EXPECT_EQ(Report().rowsWritten, 2u);
  EXPECT_EQ(Report().unchanged, 2u);
  EXPECT_EQ(Report().updated, 0u);
  Rows rows = Query("SELECT DateUpdate FROM Articles ORDER BY ID");
  ASSERT_EQ(rows.Size(), 2u);
  EXPECT_EQ(rows.Get(0, "DateUpdate"), old);
  EXPECT_EQ(rows.Get(1, "DateUpdate"), old);

  ArticleGrid({{"4711", "Schraube", "1"}, {"4712", "Mutter M6", "1"}});
  Run();
  EXPECT_EQ(Report().unchanged, 1u);
  EXPECT_EQ(Report().updated, 1u);
  rows = Query("SELECT ShortText, DateUpdate FROM Articles ORDER BY ID");
  EXPECT_EQ(rows.Get(0, "DateUpdate"), old);
  EXPECT_EQ(rows.Get(1, "ShortText"), Value("Mutter M6"));
  ASSERT_EQ(rows.Get(1, "DateUpdate").GetType(), Value::Type::Date);
  EXPECT_GT(rows.Get(1, "DateUpdate").AsDate(), old.AsDate());
}

TEST_P(ImportRunTest, KeysWithQuotesAndTwoKeyKinds) {
  Execute(
      "INSERT INTO ArticleSuppliers (ArticleNumber, OrderNumber, Supplier) VALUES "
      "('A''1', 'B-1', 'alt'), ('A''1', 'B-2', 'alt'), ('A''1', NULL, 'ohne')");
  Kind(3);
  Sync("Artikel-Nr.");
  Grid({"Art", "Best", "Lief"}, {"Artikel-Nr.", "Bestell-Nr.", "Lieferant"},
       {{"A'1", "B-2", "neu"}, {"a'1", "B-9", "neu 2"}});
  Run();
  Rows rows = Query("SELECT Supplier FROM ArticleSuppliers ORDER BY ID");
  ASSERT_EQ(rows.Size(), 4u);
  EXPECT_EQ(rows.Get(0, "Supplier"), Value("alt"));
  EXPECT_EQ(rows.Get(1, "Supplier"), Value("neu"));    // both keys match
  EXPECT_EQ(rows.Get(3, "Supplier"), Value("neu 2"));  // no record with B-9: added

  // Without a column for the second key the key is empty: it matches the record without one.
  Grid({"Art", "Lief"}, {"Artikel-Nr.", "Lieferant"}, {{"A'1", "ohne Bestellnummer"}});
  Run();
  EXPECT_EQ(Query("SELECT Supplier FROM ArticleSuppliers WHERE ID = 3").Get(0, "Supplier"),
            Value("ohne Bestellnummer"));
  EXPECT_EQ(Count("ArticleSuppliers"), 4);
}

TEST_P(ImportRunTest, StockAndLocationsAreAlwaysAdded) {
  Kind(6);
  wizard_.ChkSynchronisierenClick(1);  // has no effect for stock
  Grid({"Art", "Platz", "Bestand"}, {"Artikel-Nr.", "Lagernummer", "Verfügbar"},
       {{"10001", "1-B-03", "2.500"}, {"10001", "1-B-03", "5"}});
  Run();
  Rows rows = Query("SELECT * FROM Warehouse ORDER BY ID");
  ASSERT_EQ(rows.Size(), 2u);
  EXPECT_EQ(rows.Get(0, "Disposable"), Value(2500.0));
  // Stock numbers always come from the range "Stocking" (format "Jahr;/;Nr.").
  const std::string year = std::to_string(Today().Year);
  EXPECT_EQ(rows.Get(0, "StockingNumber"), Value(year + "/00001"));
  EXPECT_EQ(rows.Get(1, "StockingNumber"), Value(year + "/00002"));
  EXPECT_EQ(rows.Get(0, "Blocked"), Value(false));
  EXPECT_EQ(rows.Get(0, "BlockedBy"), Value(""));
  EXPECT_TRUE(rows.Get(0, "BlockedAt").IsNull());

  Kind(7);
  Grid({"Über", "Schlüssel", "Text", "Nr"},
       {"Übergeordneter Lagerort", "Lagerort-Schlüssel", "Beschreibung", "Lagernummer"},
       {{"Lagerorte", "H9", "Halle 9", "9"}});
  Run();
  Rows location = Query("SELECT * FROM StorageStructure WHERE SubCategory = 'H9'");
  ASSERT_EQ(location.Size(), 1u);
  EXPECT_EQ(location.Get(0, "Warehouseman"), Value(""));
  EXPECT_EQ(location.Get(0, "Number"), Value("9"));
}

TEST_P(ImportRunTest, RowsWithoutANumberAreNotImportedAndSaySo) {
  Kind(2);
  C().chkAutoNummer.Value = 0;
  wizard_.CboLieferantenSuchnameClick(1);
  Grid({"Nr", "Firma"}, {"Lieferanten-Nr.", "Firma"}, {{"70001", "A"}, {"", "B"}, {"70003", "C"}});
  Run();
  EXPECT_EQ(Count("Suppliers"), 2);
  EXPECT_EQ(Report().rowsRejected, 1u);
  ASSERT_EQ(Report().EntryCount(), 1u);
  EXPECT_EQ(Report().Entries()[0].line, 3u);
  EXPECT_NE(Report().Entries()[0].reason.find("Lieferantennummer"), std::string::npos);
}

TEST_P(ImportRunTest, MandatoryFieldsStopTheImportBeforeItStarts) {
  Kind(1);
  Grid({"Nr", "Text"}, {"Artikel-Nr.", "Kurzbeschreibung"}, {{"1", "a"}});
  Run();
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text,
            "Sie haben leider nicht alle nötigen Pflichtfelder zugewiesen.\r\nPrüfen Sie bitte, ob "
            "Sie den "
            "Steuersatz zugeordnet haben.");
  EXPECT_EQ(dialogs_.messages[0].title, "Hinweis");
  EXPECT_EQ(wizard_.Session().Schritt, 5);
  EXPECT_EQ(Count("Articles"), 0);
}

TEST_P(ImportRunTest, DeletingBeforeTheImportAsksFirst) {
  Execute("INSERT INTO AccountSystem (AccountNumber, Description) VALUES ('1', 'alt')");
  Kind(10);
  wizard_.ChkLoeschenClick(1);
  AccountGrid({{"1200", "Bank"}});
  Run();  // answered No: the records stay and the import runs
  EXPECT_EQ(dialogs_.questions.at(0).text, "Möchten Sie nun alle vorhandenen Datensätze löschen?");
  EXPECT_EQ(dialogs_.questions.at(0).title, "Löschen");
  EXPECT_EQ(Count("AccountSystem"), 2);

  dialogs_.answers = {true};
  Run();
  EXPECT_EQ(dialogs_.messages.back().text, "Die Datensätze wurden gelöscht.");
  EXPECT_EQ(Count("AccountSystem"), 1);
}

TEST_P(ImportRunTest, AFailedDeleteSaysSoAndDoesNotImport) {
  Execute("INSERT INTO AccountSystem (AccountNumber, Description) VALUES ('1', 'bleibt')");
  if (GetParam() == "Datei") {
    company_.Db().Execute(
        "create trigger keep before delete on AccountSystem begin select raise(abort, 'nein'); "
        "end");
  } else {
    company_.Db().Execute(
        "create function keep() returns trigger language plpgsql as $$ begin raise exception "
        "'nein'; end $$");
    company_.Db().Execute(
        "create trigger keep before delete on \"AccountSystem\" for each row execute function "
        "keep()");
  }
  Kind(10);
  wizard_.ChkLoeschenClick(1);
  AccountGrid({{"1200", "Bank"}});
  dialogs_.answers = {true};
  Run();
  ASSERT_FALSE(dialogs_.messages.empty());
  EXPECT_EQ(dialogs_.messages.back().title, "Fehler");
  EXPECT_EQ(dialogs_.messages.back().text.rfind("Die Datensätze konnten nicht gelöscht werden:", 0),
            0u);
  EXPECT_EQ(C().lbStatustext.Caption, "Der Import wurde nicht ausgeführt.");
  EXPECT_EQ(wizard_.Session().Schritt, 5);
  EXPECT_EQ(Count("AccountSystem"), 1);
  EXPECT_EQ(company_.Result().status, ImportResult::Status::NotStarted);
  EXPECT_EQ(Report().rowsRejected, 1u);
}

// Deleting first happens inside the run, after every check: a run that cannot start deletes
// nothing, and a test run names the deletion once.
TEST_P(ImportRunTest, DeletingFirstBelongsToTheRun) {
  Execute("INSERT INTO Contacts (CustomerNumber, Name) VALUES ('K1', 'Alt'), ('K2', 'Alt')");
  Kind(0);
  wizard_.ChkLoeschenClick(1);
  wizard_.CboKundenSuchnameClick(1);
  Grid({"Name"}, {"Nachname"}, {{"Meier"}});
  ASSERT_TRUE(wizard_.TestlaufClick());
  EXPECT_EQ(wizard_.Session().LastTestRun.preview.notes,
            Strings{"Tabelle 'Contacts': alle 2 Datensätze würden gelöscht."});
  EXPECT_EQ(Count("Contacts"), 2);

  wizard_.Session().Context.SetOption("Formatting", "Customer", "Leer;Leer;Leer");
  wizard_.Session().Context.SetOption("Program", "DocumentNumberFormat", "");
  dialogs_.answers = {true};
  Run();
  EXPECT_EQ(company_.Result().status, ImportResult::Status::NotStarted);
  EXPECT_EQ(Count("Contacts"), 2);
}

// Without synchronisation a number that the company or an earlier row has already is refused,
// whatever its letter case and blanks.
TEST_P(ImportRunTest, ANumberThatExistsIsNotAddedAgain) {
  Execute("INSERT INTO Articles (ArticleNumber, ShortText) VALUES ('X1', 'alt')");
  ArticlesWithTheirNumbers();
  ArticleGrid({{"X1", "a", "1"}, {"x1", "b", "1"}, {"X2", "c", "1"}, {" x2 ", "d", "1"}});
  Run();
  EXPECT_EQ(Count("Articles"), 2);
  EXPECT_EQ(Query("SELECT ShortText FROM Articles WHERE ArticleNumber = 'X1'").Get(0, "ShortText"),
            Value("alt"));
  EXPECT_EQ(company_.RowsNotImported(), (std::vector<uint32_t>{1, 2, 4}));
  EXPECT_EQ(Report().Entries().at(0).reason,
            "Die Zeile wurde nicht importiert: Die Nummer X1 gibt es schon (in der Firma); mit "
            "'Synchronisieren' wird der Datensatz aktualisiert.");
  EXPECT_NE(Report().Entries().at(2).reason.find("Die Nummer x2 gibt es schon (Zeile 4)"),
            std::string::npos)
      << Report().Entries().at(2).reason;
}

// An empty key picks no record: not the one whose key happens to be empty as well.
TEST_P(ImportRunTest, AnEmptySynchronisationKeyAddsANewRecord) {
  Execute("INSERT INTO Contacts (CustomerNumber, Name, Matchcode) VALUES ('K5', 'Fünf', '')");
  Kind(0);
  C().chkAutoNummer.Value = 0;
  Sync("Suchname");
  Grid({"Nr", "Name", "Such"}, {"Kunden-Nr.", "Nachname", "Suchname"},
       {{"K6", "Sechs", ""}, {"K7", "Sieben", "  "}});
  Run();
  EXPECT_EQ(Count("Contacts"), 3);
  EXPECT_EQ(Query("SELECT Name FROM Contacts WHERE CustomerNumber = 'K5'").Get(0, "Name"),
            Value("Fünf"));
  ASSERT_EQ(Report().EntryCount(), 2u);
  EXPECT_NE(Report().Entries()[1].reason.find("kein Wert im Synchronisationsfeld"),
            std::string::npos);
}

// A test run lists what a run would change; an empty text over no value is no change.
TEST_P(ImportRunTest, NoValueAndAnEmptyTextAreTheSame) {
  Execute("INSERT INTO AccountSystem (AccountNumber, Description) VALUES ('1200', NULL)");
  Kind(10);
  Sync("Kontonummer");
  AccountGrid({{"1200", ""}});
  ASSERT_TRUE(wizard_.TestlaufClick());
  EXPECT_TRUE(wizard_.Session().LastTestRun.preview.changed.empty());
  EXPECT_EQ(wizard_.Session().LastTestRun.report.unchanged, 1u);
}

// A login that may only read fails on every row alike: the run stops at the first one instead of
// rejecting each.
TEST_P(ImportRunTest, ALoginThatMayOnlyReadStopsTheRunAtOnce) {
  if (GetParam() != "Server") GTEST_SKIP() << "Nur ein Server kennt Anmeldungen mit Rechten.";
  const std::string reader = "leser_" + std::to_string(::getpid());
  company_.Db().Execute("CREATE ROLE " + reader + " LOGIN PASSWORD 'leser'");
  company_.Db().Execute("GRANT SELECT ON ALL TABLES IN SCHEMA public TO " + reader);
  std::string& connection = wizard_.Session().Context.ConnectionString;
  const std::optional<DemoServer> server = test::TestServer();
  connection = ReplaceAll(connection, "User ID=" + server->user + ";", "User ID=" + reader + ";");
  connection = ReplaceAll(connection, "Password=" + server->password + ";", "Password=leser;");
  Kind(10);
  std::vector<Strings> rows;
  for (int i = 1; i <= 50; ++i) rows.push_back({std::to_string(i), "Konto"});
  AccountGrid(rows);
  Run();
  EXPECT_EQ(company_.Result().status, ImportResult::Status::Stopped);
  EXPECT_TRUE(C().lbStatustext.Caption.starts_with(
      "Der Import wurde angehalten: Die Anmeldung an der Firmendatenbank"))
      << C().lbStatustext.Caption;
  EXPECT_TRUE(C().lbStatustext.Caption.ends_with(" 0 von 50 Zeilen wurden gespeichert."));
  EXPECT_EQ(Report().rowsRejected, 50u);
  EXPECT_EQ(Count("AccountSystem"), 0);
  company_.Db().Execute("DROP OWNED BY " + reader);
  company_.Db().Execute("DROP ROLE " + reader);
}

TEST_P(ImportRunTest, TheReportCanBeSavedForASpreadsheet) {
  Kind(10);
  Grid({"Konto", "Text", "Saldo"}, {"Kontonummer", "Beschreibung", "Saldo"},
       {{"1000", "Kasse; Bar", "viel"}, {"1200", "Bank", "12,50"}});
  Run();
  ASSERT_EQ(Report().EntryCount(), 1u);
  Report().SaveCsv(dir_ / "protokoll.csv");
  EXPECT_EQ(test::ReadBytes(dir_ / "protokoll.csv"),
            "\xEF\xBB\xBFZeile;Spalte;Feld;Wert;Grund\r\n2;Saldo;Balance;viel;'viel' ist keine "
            "Zahl.\r\n");
  const std::string error =
      test::ThrownMessage<ImportError>([&] { Report().SaveCsv(dir_ / "fehlt/protokoll.csv"); });
  EXPECT_NE(error.find("protokoll.csv"), std::string::npos);
}

// Rows are sent to the database in batches. A row it refuses in the middle of one is reported
// and not written; every other row is, and a later row may take the number the refused one had.
TEST_P(ImportRunTest, ARowTheDatabaseRefusesInABatchIsReportedAndTheOthersAreWritten) {
  Execute("create unique index test_unique_text on Articles (ShortText)");
  const int64_t before = Count("Articles");
  ArticlesWithTheirNumbers();
  std::vector<Strings> rows;
  for (int row = 1; row <= 600; ++row) {
    const std::string text = row == 300 ? "Text 7" : "Text " + std::to_string(row);
    const std::string number = row == 450 ? "B-300" : "B-" + std::to_string(row);
    rows.push_back({number, text, "19"});
  }
  ArticleGrid(rows);
  Run();
  EXPECT_EQ(Count("Articles"), before + 599);
  EXPECT_EQ(Report().added, 599u);
  EXPECT_EQ(company_.RowsNotImported(), (std::vector<uint32_t>{300}));
  ASSERT_EQ(Report().Entries().size(), 1u);
  EXPECT_EQ(Report().Entries()[0].row, 300u);
  EXPECT_NE(Report().Entries()[0].reason.find("Die Zeile wurde nicht importiert: Die "
                                              "Firmendatenbank hat den Datensatz abgelehnt"),
            std::string::npos)
      << Report().Entries()[0].reason;
  EXPECT_EQ(
      Query("SELECT ShortText FROM Articles WHERE ArticleNumber = 'B-300'").Get(0, "ShortText"),
      Value("Text 450"));

  // The same with changes: every record gets a new text, row 10 the one row 20 is to get, so that
  // row 20 is refused.
  for (size_t row = 0; row < rows.size(); ++row)
    rows[row][1] = row == 9 ? "Neu 20" : "Neu " + std::to_string(row + 1);
  ArticleGrid(rows);
  Sync("Artikel-Nr.");
  Run();
  EXPECT_EQ(Report().updated, 599u);
  EXPECT_EQ(company_.RowsNotImported(), (std::vector<uint32_t>{20}));
  EXPECT_EQ(
      Query("SELECT ShortText FROM Articles WHERE ArticleNumber = 'B-20'").Get(0, "ShortText"),
      Value("Text 20"));
  EXPECT_EQ(
      Query("SELECT ShortText FROM Articles WHERE ArticleNumber = 'B-21'").Get(0, "ShortText"),
      Value("Neu 21"));
}

TEST_P(ImportRunTest, CancelWritesExactlyTheRowsBefore) {
  Kind(10);
  std::vector<Strings> rows;
  for (int i = 1; i <= 10; ++i) rows.push_back({std::to_string(i), "Konto " + std::to_string(i)});
  AccountGrid(rows);
  wizard_.importProgress = [this](size_t row, size_t) {
    if (row == 4) wizard_.Session().AbbruchAngefordert = true;  // clicked while row 4 was written
  };
  Run();
  EXPECT_EQ(Count("AccountSystem"), 4);
  EXPECT_EQ(C().lbStatustext.Caption, "Der Import wurde abgebrochen...");
  EXPECT_FALSE(C().cmdAbbrechen.Enabled);
  EXPECT_FALSE(wizard_.Session().AbbruchAngefordert);
  EXPECT_EQ(wizard_.Session().Schritt, 6);
}

// The window prepares the run, then hands a copy of the request to its worker: a cancel the user
// confirms in between is not forgotten when the worker starts.
TEST_P(ImportRunTest, ACancelConfirmedBeforeTheWorkerStartsCounts) {
  Kind(10);
  AccountGrid({{"1", "Konto 1"}, {"2", "Konto 2"}});
  std::optional<ImportRequest> request = wizard_.PrepareRun(false);
  ASSERT_TRUE(request);
  wizard_.Session().AbbruchAngefordert = true;
  wizard_.FinishRun(wizard_.ExecuteRun(*request, false), false);
  EXPECT_EQ(Count("AccountSystem"), 0);
  EXPECT_EQ(C().lbStatustext.Caption, "Der Import wurde abgebrochen...");
}

TEST_P(ImportRunTest, AnEmptyGridFinishesWithSuccess) {
  Kind(10);
  AccountGrid({});
  Run();
  EXPECT_EQ(C().lbStatustext.Caption, "Die Datei wurde erfolgreich importiert...");
  EXPECT_EQ(wizard_.Session().Schritt, 6);
}

TEST_P(ImportRunTest, ADatabaseOrRangeThatCannotBeUsedStopsBeforeTheFirstRow) {
  Kind(0);
  wizard_.CboKundenSuchnameClick(1);
  Grid({"Name"}, {"Nachname"}, {{"Meier"}});
  wizard_.Session().Context.SetOption("Formatting", "Customer", "Leer;Leer;Leer");
  wizard_.Session().Context.SetOption("Program", "DocumentNumberFormat", "");
  Run();
  ASSERT_FALSE(dialogs_.messages.empty());
  EXPECT_EQ(dialogs_.messages.back().title, "Fehler");
  EXPECT_NE(dialogs_.messages.back().text.find("'Customer'"), std::string::npos)
      << dialogs_.messages.back().text;
  EXPECT_EQ(Count("Contacts"), 0);
  EXPECT_EQ(Report().rowsRejected, 1u);  // every row of the file counts as not imported

  wizard_.Session().Context.ConnectionString =
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + (dir_ / "weg.mdb");
  Run();
  EXPECT_NE(dialogs_.messages.back().text.find("Die Firmendatenbank konnte nicht geöffnet werden:"),
            std::string::npos);
  EXPECT_EQ(C().lbStatustext.Caption, "Der Import wurde nicht ausgeführt.");
}

// A run that stopped says why and how many rows it saved; a run that saved none of the file's rows
// does not say that the file was imported.
TEST_P(ImportRunTest, TheEndingSaysHowManyRowsWereSaved) {
  Kind(0);
  wizard_.CboKundenSuchnameClick(1);
  std::vector<Strings> rows;
  for (int i = 1; i <= 10; ++i) rows.push_back({"Name " + std::to_string(i)});
  Grid({"Name"}, {"Nachname"}, rows);
  // A format without a counter gives one number only: the second row finds none.
  wizard_.Session().Context.SetOption("Formatting", "Customer", "Kürzel;Leer;Leer;Leer;Leer");
  Run();
  EXPECT_EQ(company_.Result().status, ImportResult::Status::Stopped);
  const std::string& ending = C().lbStatustext.Caption;
  EXPECT_TRUE(ending.starts_with("Der Import wurde angehalten: Der Nummernkreis 'Customer' "))
      << ending;
  EXPECT_TRUE(ending.ends_with("(\"Nr.\"). 1 von 10 Zeilen wurden gespeichert.")) << ending;
  EXPECT_EQ(dialogs_.messages.back().text, ending);
  EXPECT_EQ(Count("Contacts"), 1);
  EXPECT_EQ(Report().RowsRejected(), (std::vector<uint32_t>{2, 3, 4, 5, 6, 7, 8, 9, 10}));

  Kind(2);
  C().chkAutoNummer.Value = 0;
  wizard_.CboLieferantenSuchnameClick(1);
  Grid({"Nr", "Firma"}, {"Lieferanten-Nr.", "Firma"}, {{"", "A"}, {"", "B"}});
  Run();
  EXPECT_EQ(C().lbStatustext.Caption,
            "Die Datei wurde nicht importiert: Keine ihrer 2 Zeilen konnte gespeichert werden (2 "
            "Meldungen im Importprotokoll).");
}

TEST_P(ImportRunTest, ArticlesAreCompletedWithTaxCodeDefaultsLabelPricesSupplierAndWebshop) {
  Execute(
      "INSERT INTO ArticleWebshop (ArticleNumber, Keywords, MetaTitle, TemplateDetails, Active) "
      "VALUES ('2', 'alt', 'Titel', 'eigen', 0)");
  ArticlesWithTheirNumbers();
  wizard_.CboBerechnungsartClick(1);  // net to gross
  wizard_.ChkEinheitClick(1);
  C().cboEinheit.SetText("Std");
  wizard_.ChkArtikeltypClick(1);
  C().cboArtikeltyp.SetText("Handelsware");
  wizard_.ChkLagerortClick(1);
  C().txtLagerort.Text = "1-B-03";
  C().chkLieferant.Value = 1;
  C().chkWebshop.Value = 1;
  Grid({"Nr", "Text", "MwSt", "Netto", "Lieferant", "Best", "EK"},
       {"Artikel-Nr.", "Kurzbeschreibung", "USt-Satz", "Verkaufspreis netto", "Lieferant",
        "Bestell-Nr.", "Einkaufspreis"},
       {{"1", "Schraube", "19", "100", "Nord GmbH", "B-1", "60"},
        {"2", "Mutter", "7,00", "10", "Nord GmbH", "B-2", "teuer"},
        {"3", "Dübel", "", "5", "", "", ""},
        {"4", "Winkel", "16", "5", "", "", ""}});
  Run();
  Rows rows = Query("SELECT * FROM Articles ORDER BY ID");
  ASSERT_EQ(rows.Size(), 4u);
  EXPECT_EQ(rows.Get(0, "VatCode"), Value("1"));
  EXPECT_EQ(rows.Get(0, "VatAmount"), Value(19.0));
  EXPECT_EQ(rows.Get(0, "GrossPrice"), Value(119.0));
  EXPECT_EQ(rows.Get(1, "VatCode"), Value("2"));
  EXPECT_DOUBLE_EQ(rows.Get(1, "GrossPrice").AsDouble(), 10.7);
  EXPECT_EQ(rows.Get(0, "Unit"), Value("Std"));
  EXPECT_EQ(rows.Get(0, "ArticleType"), Value("Handelsware"));
  EXPECT_EQ(rows.Get(0, "Storage"), Value("1-B-03"));
  EXPECT_EQ(rows.Get(0, "Label"), Value("Artikel-Nr.: 1\r\nSchraube\r\n\r\nStd "));
  EXPECT_EQ(rows.Get(0, "Webshop"), Value(true));
  // Without a tax rate of its own the row gets no prices, never the previous row's key.
  EXPECT_TRUE(rows.Get(2, "GrossPrice").IsNull());
  // A rate without an active tax key of the company is not written, and no prices follow.
  EXPECT_TRUE(rows.Get(3, "VatCode").IsNull());
  EXPECT_TRUE(rows.Get(3, "GrossPrice").IsNull());

  Rows suppliers = Query("SELECT * FROM ArticleSuppliers ORDER BY ID");
  ASSERT_EQ(suppliers.Size(), 2u);
  EXPECT_EQ(suppliers.Get(0, "Supplier"), Value("Nord GmbH"));
  EXPECT_EQ(suppliers.Get(0, "PurchasePrice"), Value(60.0));
  EXPECT_EQ(suppliers.Get(0, "VatCode"), Value("1"));
  EXPECT_TRUE(suppliers.Get(1, "PurchasePrice").IsNull());  // "teuer" is no price
  Rows webshop = Query("SELECT * FROM ArticleWebshop ORDER BY ID");
  ASSERT_EQ(webshop.Size(), 4u);
  EXPECT_EQ(webshop.Get(0, "ArticleNumber"), Value("2"));
  // The existing record is marked for the shop again and keeps what was entered for it.
  EXPECT_EQ(webshop.Get(0, "Keywords"), Value("alt"));
  EXPECT_EQ(webshop.Get(0, "MetaTitle"), Value("Titel"));
  EXPECT_EQ(webshop.Get(0, "TemplateDetails"), Value("eigen"));
  EXPECT_EQ(webshop.Get(0, "Active"), Value(true));
  EXPECT_EQ(webshop.Get(1, "TemplateDetails"), Value("default"));  // a new one: the defaults

  Strings reasons;
  for (const ReportEntry& entry : Report().Entries())
    reasons.push_back(std::to_string(entry.line) + " " + entry.reason);
  ASSERT_EQ(reasons.size(), 5u) << reasons.front();
  EXPECT_EQ(reasons[0], "3 'teuer' ist keine Zahl.");
  EXPECT_NE(reasons[1].find("3 Der Lieferant zum Artikel wurde ohne Preise angelegt"),
            std::string::npos)
      << reasons[1];
  EXPECT_NE(
      reasons[2].find("4 Die Preise wurden nicht berechnet: Der Artikel hat keinen Steuersatz."),
      std::string::npos);
  EXPECT_EQ(reasons[3],
            "5 Zu diesem Steuersatz gibt es in der Firma keinen aktiven Steuerschlüssel; er wurde "
            "nicht übernommen.");
  EXPECT_EQ(reasons[4], "5 Die Preise wurden nicht berechnet: Der Artikel hat keinen Steuersatz.");
}

// Tax rates as spreadsheets and other programs write them. A cell shown as a percentage holds
// the fraction; a rate that leads to no active tax key of the company is named in the report and
// not written, while the rest of its row is.
TEST_P(ImportRunTest, TaxRatesFromPercentageCellsAndRatesWithoutAnActiveKey) {
  Execute("INSERT INTO Articles (ArticleNumber, VatCode, ShortText) VALUES ('5', '1', 'alt')");
  ArticlesWithTheirNumbers();
  Sync("Artikel-Nr.");
  ArticleGrid({{"1", "a", "<%>0.19"},
               {"2", "b", "<%>0.07"},
               {"3", "c", "16"},
               {"4", "d", "5,5"},
               {"5", "e", "abc"},
               {"6", "f", "3"},  // the key of a rate no longer in use
               {"7", "g", "<%>0.055"}});
  Run();
  Rows rows =
      Query("SELECT ArticleNumber, ShortText, VatCode FROM Articles ORDER BY ArticleNumber");
  ASSERT_EQ(rows.Size(), 7u);
  std::vector<Value> codes;
  for (size_t i = 0; i < rows.Size(); ++i) codes.push_back(rows.Get(i, "VatCode"));
  EXPECT_EQ(codes, (std::vector<Value>{Value("1"), Value("2"), Value(), Value(), Value("1"),
                                       Value(), Value()}));
  EXPECT_EQ(rows.Get(4, "ShortText"), Value("e"));  // the row itself is written
  std::vector<std::string> entries;
  for (const ReportEntry& entry : Report().Entries())
    entries.push_back(std::to_string(entry.line) + " " + entry.column + " " + entry.field + " " +
                      entry.value);
  EXPECT_EQ(entries, (Strings{"4 MwSt VatCode 16", "5 MwSt VatCode 5,5", "6 MwSt VatCode abc",
                              "7 MwSt VatCode 3", "8 MwSt VatCode 5,5"}));
}

// An article bought from several suppliers: the article import writes the record of the
// supplier it names and leaves those of the others alone.
TEST_P(ImportRunTest, TheArticleImportKeepsTheRecordsOfTheOtherSuppliers) {
  Execute(
      "INSERT INTO ArticleSuppliers (ArticleNumber, Supplier, OrderNumber, DeliveryTime, "
      "MinimumOrderQuantity) VALUES ('10001', 'Schraubenhandel Nord GmbH', 'WS-933-640', 3, 500), "
      "('10001', 'Befestigungs-Center Süd', 'BCS-M6X40', 5, 1000)");
  ArticlesWithTheirNumbers();
  C().chkLieferant.Value = 1;
  Grid({"Nr", "Text", "MwSt", "Lieferant", "Best", "EK"},
       {"Artikel-Nr.", "Kurzbeschreibung", "USt-Satz", "Lieferant", "Bestell-Nr.", "Einkaufspreis"},
       {{"10001", "Schraube M6", "19", "Befestigungs-Center Süd", "BCS-M6X40-N", "0,05"},
        {"10002", "Mutter M6", "19", "Befestigungs-Center Süd", "BCS-M6", "0,02"}});
  Run();
  Rows rows = Query("SELECT * FROM ArticleSuppliers ORDER BY ID");
  ASSERT_EQ(rows.Size(), 3u);
  EXPECT_EQ(rows.Get(0, "Supplier"), Value("Schraubenhandel Nord GmbH"));
  EXPECT_EQ(rows.Get(0, "OrderNumber"), Value("WS-933-640"));
  EXPECT_EQ(rows.Get(0, "DeliveryTime"), Value(int64_t{3}));
  EXPECT_EQ(rows.Get(0, "MinimumOrderQuantity"), Value(500.0));
  EXPECT_EQ(rows.Get(1, "OrderNumber"), Value("BCS-M6X40-N"));
  EXPECT_EQ(rows.Get(1, "PurchasePrice"), Value(0.05));
  EXPECT_EQ(rows.Get(1, "DeliveryTime"), Value(int64_t{5}));  // not in the import: kept
  EXPECT_EQ(rows.Get(2, "ArticleNumber"), Value("10002"));
}

TEST_P(ImportRunTest, PicturesAreStoredOncePerFile) {
  test::WriteBytes(dir_ / "a.jpg", "\xFF\xD8\xFF\xE0" + std::string(12341, 'x'));
  test::WriteBytes(dir_ / "seite.jpg", "<html><body>Kein Bild</body></html>");
  // Names without a whole path lie beside the import file, whatever the working folder.
  company_.Session().SourceFile = dir_ / "Artikel.csv";
  ArticlesWithTheirNumbers();
  Grid({"Nr", "Text", "MwSt", "Bild"}, {"Artikel-Nr.", "Kurzbeschreibung", "USt-Satz", "Bild"},
       {{"1", "a", "19", dir_ / "a.jpg"},
        {"2", "b", "19", dir_ / "a.jpg"},
        {"3", "c", "19", dir_ / "fehlt.jpg"},
        {"4", "d", "19", ""},
        {"5", "e", "19", "a.jpg"},
        {"6", "f", "19", "seite.jpg"}});
  Run();
  Rows pictures = Query("SELECT * FROM ArticlePictures");
  ASSERT_EQ(pictures.Size(), 1u);
  EXPECT_EQ(pictures.Get(0, "filename"), Value("a.jpg"));
  EXPECT_EQ(pictures.Get(0, "Path"), Value(dir_.Path()));
  EXPECT_EQ(pictures.Get(0, "FileSize"), Value("12,345 KB"));
  Rows articles = Query("SELECT Graphic FROM Articles ORDER BY ID");
  EXPECT_EQ(articles.Get(0, "Graphic"), pictures.Get(0, "ID"));
  EXPECT_EQ(articles.Get(1, "Graphic"), pictures.Get(0, "ID"));
  EXPECT_TRUE(articles.Get(2, "Graphic").IsNull());
  EXPECT_EQ(articles.Get(4, "Graphic"), pictures.Get(0, "ID"));
  EXPECT_TRUE(articles.Get(5, "Graphic").IsNull());
  // The missing file and the page that is no picture; the empty cell is no error.
  ASSERT_EQ(Report().EntryCount(), 2u);
  EXPECT_EQ(Report().Entries()[0].line, 4u);
  EXPECT_EQ(Report().Entries()[0].field, "Graphic");
  EXPECT_EQ(Report().Entries()[1].line, 7u);
  EXPECT_EQ(Report().Entries()[1].reason,
            "Die Bilddatei 'seite.jpg' ist kein Bild (erwartet: JPEG, PNG, GIF, BMP, TIFF oder "
            "WebP).");
}

TEST_P(ImportRunTest, ADefaultTaxKeyReplacesTheImportedRate) {
  ArticlesWithTheirNumbers();
  wizard_.CboBerechnungsartClick(2);  // gross to net
  wizard_.ChkSteuersatzClick(1);
  for (size_t i = 0; i < C().icboSteuersatz.Items.size(); ++i)
    if (C().icboSteuersatz.Items[i].Text == "7 %")
      C().icboSteuersatz.Selected = static_cast<int>(i);
  Grid({"Nr", "Text", "Brutto"}, {"Artikel-Nr.", "Kurzbeschreibung", "Verkaufspreis brutto"},
       {{"1", "Buch", "107"}});
  Run();
  Rows rows = Query("SELECT * FROM Articles");
  EXPECT_EQ(rows.Get(0, "VatCode"), Value("2"));
  EXPECT_DOUBLE_EQ(rows.Get(0, "NetPrice").AsDouble(), 100);
  EXPECT_DOUBLE_EQ(rows.Get(0, "VatAmount").AsDouble(), 7);
}

TEST_P(ImportRunTest, CustomerTypePricesTakeTheTaxOfTheirArticle) {
  Execute("INSERT INTO Articles (ArticleNumber, VatCode) VALUES ('10001', '1')");
  Kind(8);
  wizard_.CboBerechnungsartClick(1);
  Grid({"Art", "Typ", "Netto"}, {"Artikel-Nr.", "Kundentyp", "Verkaufspreis netto"},
       {{"10001", "Handwerk", "100"}, {"99999", "Handwerk", "100"}});
  Run();
  Rows rows = Query("SELECT * FROM ArticleCustomerTypePrices ORDER BY ID");
  ASSERT_EQ(rows.Size(), 2u);
  EXPECT_EQ(rows.Get(0, "GrossPrice"), Value(119.0));
  EXPECT_TRUE(rows.Get(1, "GrossPrice").IsNull());
  ASSERT_EQ(Report().EntryCount(), 1u);
  EXPECT_EQ(Report().Entries()[0].line, 3u);
}

TEST_P(ImportRunTest, CustomersGetBankDataAddressAndSearchName) {
  Kind(0);
  C().chkAutoNummer.Value = 0;
  wizard_.CboKundenSuchnameClick(4);
  Grid({"Nr", "Firma", "Vorname", "Name", "Str", "PLZ", "Ort", "Land", "BLZ", "Lieferung"},
       {"Kunden-Nr.", "Firma", "Vorname", "Nachname", "Straße", "Postleitzahl", "Ort", "Land",
        "Bankleitzahl", "Lieferanschrift"},
       {{"K1", "Muster GmbH", "Hans", "Meier", "Hauptstr. 1", "12345", "Berlin", "at", "100 500 00",
         "Tor 2<br/>Halle 1"}});
  Run();
  Rows rows = Query("SELECT * FROM Contacts");
  EXPECT_EQ(rows.Get(0, "BankCode"), Value("10050000"));
  EXPECT_EQ(rows.Get(0, "DeliveryAddress"), Value("Tor 2\r\nHalle 1"));
  EXPECT_EQ(rows.Get(0, "InvoiceAddress"),
            Value("Muster GmbH\r\nHans Meier\r\nHauptstr. 1\r\n12345 Berlin\r\nAT"));
  EXPECT_EQ(rows.Get(0, "Matchcode"), Value("Meier, Hans - Berlin"));
}

TEST_P(ImportRunTest, WebshopRowsStockDatesAndStructureLists) {
  Kind(9);
  Grid({"Art", "Titel", "Vorlage"}, {"Artikel-Nr.", "Bezeichnung", "Vorlage Details"},
       {{"1", "Erster", ""}, {"2", "Zweiter", "eigene"}});
  Run();
  Rows webshop = Query("SELECT * FROM ArticleWebshop ORDER BY ID");
  EXPECT_EQ(webshop.Get(0, "TemplateDetails"), Value("default"));
  EXPECT_EQ(webshop.Get(0, "TemplateOptions"), Value("default"));
  EXPECT_EQ(webshop.Get(1, "TemplateDetails"), Value("eigene"));

  Kind(6);
  Grid({"Art", "Platz", "Bestand", "Datum"}, {"Artikel-Nr.", "Lagernummer", "Verfügbar", "Datum"},
       {{"1", "1-A", "5", "01.01.2020"}});
  Run();
  EXPECT_EQ(Query("SELECT * FROM Warehouse").Get(0, "Date"),
            Value(Today()));  // whatever the file said

  wizard_.ChooseDataKind(DataKind::EquipmentPositions);
  Grid({"Eq", "Pos", "Bis"}, {"Equipmentnummer", "Positionsnummer", "Gültig bis"},
       {{"E1", "7", ""}, {"E1", "8", "30.06.2030"}});
  Run();
  Rows positions = Query("SELECT * FROM PositionsServiceEquipments ORDER BY ID");
  EXPECT_EQ(positions.Get(0, "LineItemNumber"), Value("007"));
  EXPECT_EQ(positions.Get(0, "ValidTo"), Value(DateTime{9999, 12, 31}));
  EXPECT_EQ(positions.Get(1, "ValidTo"), Value(DateTime{2030, 6, 30}));
}

// The demo's samples with every completion on, as a user of the suite would import them.
TEST_P(ImportRunTest, TheDemoSamplesWithEveryOptionOn) {
  const std::string samples = dir_ / kDemoSampleFolder;
  auto load = [&](int kind, const std::string& file) {
    Kind(kind);
    wizard_.LightClick(3);
    wizard_.FileChosen(samples + file);
    wizard_.WeiterClick();
  };
  load(0, "Kunden.csv");
  C().chkAutoNummer.Value = 0;
  wizard_.CboKundenSuchnameClick(4);
  Run();
  EXPECT_TRUE(Report().Empty()) << Report().Entries().front().reason;
  Rows customer = Query("SELECT * FROM Contacts WHERE CustomerNumber = 'KD-10003'");
  EXPECT_EQ(customer.Get(0, "InvoiceAddress"),
            Value("Huber Bau GmbH\r\nFrau Anna Huber\r\nMariahilfer Straße 12\r\n1060 Wien\r\nAT"));
  EXPECT_EQ(customer.Get(0, "Matchcode"), Value("Huber, Anna - Wien"));
  EXPECT_EQ(
      Query("SELECT BankCode FROM Contacts WHERE CustomerNumber = 'KD-10000'").Get(0, "BankCode"),
      Value("10050000"));
  EXPECT_EQ(
      Query("SELECT Matchcode FROM Contacts WHERE CustomerNumber = 'KD-10004'").Get(0, "Matchcode"),
      Value("OBrien, Thomas - Köln"));

  load(2, "Lieferanten.csv");
  C().chkAutoNummer.Value = 0;
  wizard_.CboLieferantenSuchnameClick(2);
  Run();
  EXPECT_TRUE(Report().Empty()) << Report().Entries().front().reason;
  Rows supplier = Query("SELECT * FROM Suppliers WHERE SupplierNumber = '70001'");
  EXPECT_EQ(supplier.Get(0, "Matchcode"), Value("Schraubenhandel Nord GmbH"));
  EXPECT_EQ(
      supplier.Get(0, "Address"),
      Value("Schraubenhandel Nord GmbH\r\nHerr Ole Jensen\r\nHafenstraße 12\r\n24103 Kiel\r\n"));

  load(1, "Artikel.csv");
  C().chkAutoNummer.Value = 0;
  C().chkRabatt.Value = 1;
  C().chkLieferant.Value = 1;
  C().chkWebshop.Value = 1;
  wizard_.CboBerechnungsartClick(1);
  wizard_.ChkArtikeltypClick(1);
  C().cboArtikeltyp.SetText("Handelsware");
  Run();
  // Services have no supplier or purchase price: only their missing purchase price is noted.
  for (const ReportEntry& entry : Report().Entries())
    EXPECT_EQ(entry.field, "PurchasePrice") << entry.reason;
  Rows article = Query("SELECT * FROM Articles WHERE ArticleNumber = '10013'");
  EXPECT_EQ(article.Get(0, "VatCode"), Value("2"));
  EXPECT_DOUBLE_EQ(article.Get(0, "GrossPrice").AsDouble(), 39.9 * 1.07);
  EXPECT_EQ(article.Get(0, "ArticleType"), Value("Handelsware"));
  EXPECT_EQ(article.Get(0, "RebateAble"), Value(true));
  EXPECT_EQ(Count("ArticleSuppliers"), 18);
  EXPECT_EQ(Count("ArticleWebshop"), 20);
  EXPECT_EQ(
      Query("SELECT Caption FROM ArticleWebshop WHERE ArticleNumber = '10001'").Get(0, "Caption"),
      Value("Schraube M6 x 40 verzinkt"));
  EXPECT_NE(Query("SELECT Label FROM Articles WHERE ArticleNumber = '10001'")
                .Get(0, "Label")
                .AsText()
                .find("EAN 4006209100017\r\nStk Gewicht netto: 0,012 kg\r\nEUR 0,14"),
            std::string::npos);
}

}  // namespace
}  // namespace velra
