// Names that come from files: values and keys full of SQL metacharacters, sheet and table names
// that look like SQL or like paths, registry and environment entries that point at devices,
// named pipes or out of the folder they belong to. Values stay values, names stay names, and
// nothing blocks.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DemoCompany.h"
#include "Isolated.h"
#include "RawZip.h"
#include "base/Text.h"
#include "db/TargetTable.h"
#include "source/SourceError.h"
#include "source/SourceOpening.h"

namespace velra {
namespace {

using test::Strings;
using ::testing::HasSubstr;

const Strings kHostileKeys = {
    "'; DROP TABLE \"Articles\"; --",
    "x' OR '1'='1",
    "\"; DELETE FROM \"Contacts\" WHERE \"\"=\"",
    "]]; DROP TABLE [Articles]; --",
    "C:\\Temp\\'\\\"",
    "%_*?",
    "$1 ? :name @p1 {fn now()}",
    "/* */ -- \\' \\\\",
};

class HostileValues : public test::OnBothCompanies {};
VELRA_ON_BOTH_COMPANIES(HostileValues);

TEST_P(HostileValues, SqlMetacharactersInKeysAndValuesArePlainValues) {
  const std::vector<std::string> tablesBefore = company_.Db().Tables();
  company_.Execute("INSERT INTO Contacts (CustomerNumber, Name) VALUES ('K1', 'bleibt')");
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    company_.Kind(1);
    company_.C().chkAutoNummer.Value = 0;
    company_.Sync("Artikel-Nr.");
    std::vector<Strings> rows;
    for (const std::string& key : kHostileKeys)
      rows.push_back({key, key + " (" + std::to_string(round) + ")", "19"});
    company_.Grid({"Nr", "Text", "MwSt"}, {"Artikel-Nr.", "Kurzbeschreibung", "USt-Satz"}, rows);
    company_.Run();
    EXPECT_TRUE(company_.Report().Empty()) << company_.Report().Entries().front().reason;
    // The second round finds each record again by its key instead of adding one.
    EXPECT_EQ(company_.Report().added, round == 1 ? kHostileKeys.size() : 0u);
    EXPECT_EQ(company_.Report().updated, round == 1 ? 0u : kHostileKeys.size());
  }
  Rows stored = company_.Query("SELECT ArticleNumber, ShortText FROM Articles ORDER BY ID");
  ASSERT_EQ(stored.Size(), kHostileKeys.size());
  for (size_t i = 0; i < kHostileKeys.size(); ++i) {
    EXPECT_EQ(stored.Get(i, "ArticleNumber"), Value(kHostileKeys[i]));
    EXPECT_EQ(stored.Get(i, "ShortText"), Value(kHostileKeys[i] + " (2)"));
  }
  EXPECT_EQ(company_.Db().Tables(), tablesBefore);
  EXPECT_EQ(company_.Count("Contacts"), 1);
}

TEST_P(HostileValues, AValueWithANulCharacterIsStoredWholeOrRejectedWithAReason) {
  // A workbook can carry U+0000 as _x0000_; a database either keeps it or refuses the row.
  company_.Kind(1);
  company_.C().chkAutoNummer.Value = 0;
  const std::string withNul("vor\0nach", 8);
  company_.Grid({"Nr", "Text", "MwSt"}, {"Artikel-Nr.", "Kurzbeschreibung", "USt-Satz"},
                {{"1", withNul, "19"}, {"2", "ohne", "19"}});
  company_.Run();
  Rows stored = company_.Query("SELECT ArticleNumber, ShortText FROM Articles ORDER BY ID");
  const ImportReport& report = company_.Report();
  EXPECT_EQ(report.rowsWritten + report.rowsRejected, 2u);
  EXPECT_EQ(stored.Size(), report.rowsWritten);
  for (size_t i = 0; i < stored.Size(); ++i) {
    if (stored.Get(i, "ArticleNumber") == Value("1")) {
      EXPECT_EQ(stored.Get(i, "ShortText"), Value(withNul));  // not cut at the NUL
    }
  }
  if (report.rowsRejected > 0) {
    EXPECT_EQ(company_.RowsNotImported(), std::vector<uint32_t>{1});
    EXPECT_THAT(report.Entries().front().reason, HasSubstr("NUL (U+0000)"));
  }
}

TEST_P(HostileValues, TableAndFieldNamesWithMetacharactersAreQuotedOrRefused) {
  Connection& db = company_.Db();
  const std::string table = "Liste\"; DROP TABLE \"Articles\"; --";
  const std::string field = "Wert'] = 1; DELETE FROM \"Contacts\"; --";
  // A name the database does not have is refused, not run.
  EXPECT_THROW(TargetTable(db, table), DbError);
  db.Execute("CREATE TABLE " + db.Quote(table) + " (" + db.Quote("ID") + " " +
             (GetParam() == "Server" ? "SERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY") + ", " +
             db.Quote(field) + " VARCHAR(100))");
  company_.Execute("INSERT INTO Contacts (CustomerNumber) VALUES ('K1')");
  // Written, changed and read through the quoted names only.
  TargetTable target(db, table);
  const int column = target.IndexOf(field);
  ASSERT_GE(column, 0);
  std::vector<Value> values(target.Columns().size());
  std::vector<char> set(values.size(), 0);
  values[static_cast<size_t>(column)] = Value(kHostileKeys[0]);
  set[static_cast<size_t>(column)] = 1;
  const int64_t id = target.Insert(values, set);
  values[static_cast<size_t>(column)] = Value(kHostileKeys[1]);
  target.Update(id, values, set);
  std::vector<Value> read;
  ASSERT_TRUE(target.Read(id, read));
  EXPECT_EQ(read[static_cast<size_t>(column)], Value(kHostileKeys[1]));
  EXPECT_TRUE(db.HasTable("Articles"));
  EXPECT_EQ(company_.Count("Contacts"), 1);
}

// Sheets whose names are SQL or paths, and a relationship that points out of the archive.
TEST(HostileNames, SheetNamesAreNamesAndPartsStayInsideTheWorkbook) {
  test::TempDir dir;
  const Strings names = {"'; DROP TABLE \"Articles\"; --", "../../../../etc/passwd", "/etc/passwd",
                         "[Tabelle1]$"};
  std::vector<test::RawZipEntry> parts = test::WorkbookParts(names);
  for (size_t i = 0; i < names.size(); ++i)
    parts.push_back(test::StoredEntry("xl/worksheets/sheet" + std::to_string(i + 1) + ".xml",
                                      test::SheetOfTexts({{"Nr"}, {names[i]}})));
  const std::string file = dir / "mappe.xlsx";
  test::WriteRawZip(file, parts);
  EXPECT_EQ(OpenDatabaseSource(SourceFormat::Xlsx, file)->Tables(), names);
  for (const std::string& name : names) {
    SourceRequest request;
    request.format = SourceFormat::Xlsx;
    request.path = file;
    request.table = name;
    SourceTable table;
    LoadReport report;
    LoadSource(request, table, report);
    ASSERT_EQ(table.RowCount(), 1u) << name;
    EXPECT_EQ(table.Get(1, 1), Value(name));
  }

  // Relationship targets that climb out of the archive or start at the root resolve inside it.
  for (const char* target :
       {"../../../../../../../../etc/passwd", "/etc/passwd", "/../../etc/hostname"}) {
    SCOPED_TRACE(target);
    std::vector<test::RawZipEntry> escaping = test::WorkbookParts({"Daten"});
    escaping[2] = test::StoredEntry(
        "xl/_rels/workbook.xml.rels",
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
        "relationships/worksheet\" Target=\"" +
            std::string(target) + "\"/></Relationships>");
    test::WriteRawZip(file, escaping);
    SourceRequest request;
    request.format = SourceFormat::Xlsx;
    request.path = file;
    SourceTable table;
    LoadReport report;
    try {
      LoadSource(request, table, report);
      ADD_FAILURE() << "loaded " << table.RowCount() << " rows";
    } catch (const SourceError& e) {
      EXPECT_THAT(std::string(e.what()), HasSubstr("Die Daten der Tabelle 'Daten' fehlen"));
    }
  }
}

TEST(HostileNames, DbaseTableNamesThatLookLikeSqlOrPaths) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "daten");
  std::filesystem::create_directory(dir / "daten/unter");
  // A valid table, saved under a name full of metacharacters, and one beside the folder.
  std::string table(32, '\0');
  table[0] = 0x03;
  table[2] = 1;
  table[3] = 1;
  table[4] = 1;
  table[8] = 65;
  table[10] = 6;
  std::string field(32, '\0');
  field.replace(0, 2, "NR");
  field[11] = 'C';
  field[16] = 5;
  table += field + "\x0D" + " 4711 " + "\x1A";
  const std::string sqlName = "x'; DROP TABLE \"Articles\"; --";
  test::WriteBytes(dir / ("daten/" + sqlName + ".dbf"), table);
  test::WriteBytes(dir / "geheim.dbf", table);
  test::WriteBytes(dir / "daten/unter/tief.dbf", table);

  std::unique_ptr<SourceReader> folder = OpenDatabaseSource(SourceFormat::Dbf, dir / "daten");
  EXPECT_EQ(folder->Tables(), Strings{sqlName});
  SourceTable loaded;
  LoadReport report;
  folder->Load(sqlName, {}, loaded, report);
  ASSERT_EQ(loaded.RowCount(), 1u);
  EXPECT_EQ(loaded.Get(1, 1), Value("4711"));
  // Names from a profile or the command line never reach beyond the folder.
  for (const std::string& name :
       Strings{"../geheim", "..", "unter/tief", "/etc/passwd", dir / "geheim", "..\\geheim", ""}) {
    SCOPED_TRACE(name);
    try {
      folder->Load(name, {}, loaded, report);
      ADD_FAILURE() << "loaded " << loaded.RowCount() << " rows";
    } catch (const SourceError& e) {
      EXPECT_EQ(e.Code(), SourceErrorCode::TableMissing);
      EXPECT_EQ(loaded.RowCount(), 0u);
    }
  }
}

class HostileEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_THROW(CreateDemoEnvironment(dir_.Path(), false));
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  }
  // Replaces a line of velra.var.
  void SetEnvironment(const std::string& line, const std::string& replacement) {
    std::string text = test::ReadBytes(dir_ / "velra.var");
    size_t at = text.find(line);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, line.size(), replacement);
    test::WriteBytes(dir_ / "velra.var", text);
  }
  // Starts the wizard in a child: "started" or "closed", the problems and the messages.
  test::IsolatedOutcome StartIsolated() {
    return test::RunIsolated(
        [&] {
          test::ScriptedDialogs dialogs;
          Wizard wizard(dialogs);
          StartOptions options;
          options.programPath = dir_.Path();
          options.regional = RegionalSettings::ForLocale("de_DE");
          options.singleInstance = false;
          std::string text = wizard.Load(options) ? "started" : "closed";
          for (const std::string& problem : wizard.Session().Problems) text += "\n" + problem;
          for (const auto& message : dialogs.messages) text += "\n" + message.text;
          return text;
        },
        test::kHangLimit, 512u * 1024u * 1024u);
  }
  test::TempDir dir_;
};

TEST_F(HostileEnvironment, ARegistryOnADeviceOrAPipeIsRefusedWithoutBlocking) {
  std::filesystem::create_directory(dir_ / "ordner");
  for (const std::string& target :
       {std::string("/dev/zero"), std::string("/dev/urandom"), dir_ / "fifo", dir_ / "ordner"}) {
    SCOPED_TRACE(target);
    SetEnvironment("uiffile=Firmen.uif", "uiffile=" + target);
    test::IsolatedOutcome outcome = StartIsolated();
    ASSERT_TRUE(outcome.Returned()) << outcome.Describe();
    EXPECT_THAT(outcome.text, HasSubstr("closed"));
    EXPECT_THAT(outcome.text, HasSubstr("'" + target + "' ist keine gewöhnliche Datei"));
    EXPECT_THAT(outcome.text, HasSubstr("Es sind keine Firmen vorhanden"));
    SetEnvironment("uiffile=" + target, "uiffile=Firmen.uif");
  }
}

TEST_F(HostileEnvironment, TheEnvironmentFileItselfAsAPipeOrDevice) {
  for (const std::string& target : {std::string("/dev/zero"), dir_ / "fifo"}) {
    SCOPED_TRACE(target);
    std::filesystem::remove(dir_ / "velra.var");
    std::filesystem::create_symlink(target, dir_ / "velra.var");
    test::IsolatedOutcome outcome = StartIsolated();
    ASSERT_TRUE(outcome.Returned()) << outcome.Describe();
    EXPECT_THAT(outcome.text, HasSubstr("velra.var' ist keine gewöhnliche Datei"));
  }
}

TEST_F(HostileEnvironment, CompanyFilesThatArePipesOrDevicesDoNotBlock) {
  // The company's database, options and layout file each replaced by a pipe or a device: the
  // wizard starts, and the database is refused when it is opened.
  const std::string base = dir_ / "Firmen/Musterfirma/Musterfirma";
  for (const char* extension : {".mdb", ".afk", ".lyt"}) {
    for (const std::string& target : {dir_ / "fifo", std::string("/dev/zero")}) {
      SCOPED_TRACE(std::string(extension) + " -> " + target);
      const std::string file = base + extension;
      std::filesystem::rename(file, file + ".orig");
      std::filesystem::create_symlink(target, file);
      test::IsolatedOutcome outcome = StartIsolated();
      EXPECT_TRUE(outcome.Returned()) << outcome.Describe();
      if (std::string_view(extension) == ".mdb") {
        outcome = test::RunIsolated(
            [&] {
              Connection::Open("Provider=SQLite;Data Source=" + file);
              return std::string("opened");
            },
            test::kHangLimit, 512u * 1024u * 1024u);
        ASSERT_TRUE(outcome.Threw()) << outcome.Describe();
        EXPECT_THAT(outcome.text, HasSubstr("Musterfirma.mdb")) << outcome.Describe();
      }
      std::filesystem::remove(file);
      std::filesystem::rename(file + ".orig", file);
    }
  }
}

TEST_F(HostileEnvironment, RegistryNamesAndPathsThatLeaveTheirFolder) {
  std::ofstream registry(dir_ / "Firmen.uif", std::ios::app);
  registry << "\r\n[../../Firma]\r\ndatabasetype=0\r\npath=Firmen/Musterfirma/\r\n"
           << "[/etc/passwd]\r\ndatabasetype=0\r\npath=/\r\n"
           << "[..]\r\ndatabasetype=0\r\npath=Firmen/\r\n"
           << "[Umweg]\r\ndatabasetype=0\r\npath=Firmen/../Firmen/Umweg/\r\n";
  registry.close();
  std::filesystem::create_directory(dir_ / "Firmen/Umweg");
  std::filesystem::copy_file(dir_ / "Firmen/Musterfirma/Musterfirma.mdb",
                             dir_ / "Firmen/Umweg/Umweg.mdb");
  test::IsolatedOutcome outcome = StartIsolated();
  ASSERT_TRUE(outcome.Returned()) << outcome.Describe();
  EXPECT_THAT(outcome.text, HasSubstr("started"));
  for (const char* name : {"'../../Firma'", "'/etc/passwd'", "'..'"})
    EXPECT_THAT(outcome.text,
                HasSubstr(std::string("Die Firma ") + name +
                          " wird nicht angezeigt: Ihr Name kann kein Dateiname sein"));
  // A folder written with ".." is a folder like any other.
  EXPECT_THAT(outcome.text, testing::Not(HasSubstr("Umweg")));
}

}  // namespace
}  // namespace velra
