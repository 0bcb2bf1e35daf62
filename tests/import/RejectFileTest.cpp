#include "import/RejectFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "TestSupport.h"
#include "base/Regional.h"
#include "import/ValueConversion.h"

namespace velra {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
using Strings = std::vector<std::string>;

class RejectFileTest : public ::testing::Test {
 protected:
  SourceTable LoadCsv(const std::string& path, const TextOptions& options, LoadReport& load) {
    SourceTable table;
    LoadTextFile(path, options, table, load);
    return table;
  }
  static Strings Row(const SourceTable& table, size_t row) {
    Strings values;
    for (size_t c = 1; c <= table.ColumnCount(); ++c) values.push_back(table.Get(c, row).ToText());
    return values;
  }
  // The files of the folder, to see that no temporary file is left.
  Strings Files() const {
    Strings names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // One column "Nr" holding 1 to count, from the lines after the header.
  static SourceTable Numbers(int count) {
    SourceTable table;
    table.Reset({"Nr"});
    for (int i = 1; i <= count; ++i) {
      table.SetText(1, std::to_string(i));
      table.FinishRow(static_cast<uint32_t>(i + 1));
    }
    return table;
  }
  static ReportEntry CellEntry(uint32_t row, std::string column, std::string value,
                               std::string reason) {
    return {row, row + 1, std::move(column), "PurchasePrice", std::move(value), std::move(reason)};
  }
  static ReportEntry RowEntry(uint32_t row, std::string reason) {
    return {row, row + 1, "", "", "", std::move(reason)};
  }

  TempDir dir_;
};

TEST(ImportReportRows, EveryRowWithAnEntryOnceAndInOrderWhateverTheOrderOfTheEntries) {
  ImportReport report;
  for (uint32_t row : {5u, 5u, 3u, 0u, 7u, 3u, 1u, 7u, 6u})
    report.Add({row, row, "", "", "", "Grund"});
  EXPECT_EQ(report.RowsWithEntries(), (std::vector<uint32_t>{1, 3, 5, 6, 7}));
  EXPECT_EQ(report.EntryCount(), 9u);
  // Rows not written at all are listed apart; a row with a value left out is not among them.
  for (uint32_t row : {6u, 2u, 6u}) report.AddRejected({row, row, "", "", "", "nicht importiert"});
  EXPECT_EQ(report.RowsRejected(), (std::vector<uint32_t>{2, 6}));
  EXPECT_EQ(report.rowsRejected, 2u);
}

// The case that matters most: rows of a Windows-1252 file with qualifiers, separators inside
// values and line breaks come back from their reject file as they were.
TEST_F(RejectFileTest, RejectedRowsComeBackUnchangedWithTheirReasons) {
  const std::string source = dir_ / "artikel.csv";
  WriteBytes(source,
             "ArtNr;Bezeichnung;EK;Notiz\r\n"
             "1;Schraube;1,50;\r\n"
             "2;\"Mutter; M6\";0,01 EUR;\"Zeile1<br/>Zeile2\"\r\n"
             "3;Gr\xF6\xDF"
             "e \"XL\";2;\"echte\r\nZeile\"\r\n"
             "4;\" Leer \";abc;\"Er sagt \"\"Hallo\"\"\"\r\n"
             "5;Mutter;3;\r\n");
  TextOptions options;
  LoadReport load;
  SourceTable table = LoadCsv(source, options, load);
  ASSERT_EQ(table.RowCount(), 5u);
  ASSERT_EQ(load.encoding, "windows-1252");

  ImportReport report;
  report.Add(RowEntry(0, "Das Feld gibt es nicht."));  // the run as a whole: no row
  report.Add(CellEntry(2, "EK", "0,01 EUR", "'0,01 EUR' ist keine Zahl."));
  report.AddRejected(RowEntry(2, "Die Zeile wurde nicht importiert: Die Nummer ist vergeben."));
  report.Add(CellEntry(3, "Bezeichnung", "Größe", "'Größe' ist zu lang."));
  report.AddRejected(CellEntry(3, "Bezeichnung", "Größe", "'Größe' ist zu lang."));  // twice
  report.AddRejected(CellEntry(4, "EK", "abc", "'abc' ist keine Zahl."));
  // Written without its price: the report names it, imported again it would be added twice.
  report.Add(CellEntry(5, "EK", "3", "'3' ist zu billig."));

  const RejectFormat format = RejectFormatFor("CSV", options, load);
  EXPECT_EQ(format.encoding, "windows-1252");
  const std::string rejects = dir_ / "artikel-fehler.csv";
  RejectFileResult result = WriteRejectFile(rejects, table, report, format);
  ASSERT_EQ(result.error, "");
  EXPECT_EQ(result.rows, 3u);
  EXPECT_EQ(result.note, "");

  const std::string bytes = ReadBytes(rejects);
  EXPECT_TRUE(bytes.starts_with("ArtNr;Bezeichnung;EK;Notiz;Fehler\r\n"));
  EXPECT_NE(bytes.find("Gr\xF6\xDF"
                       "e"),
            std::string::npos);  // still Windows-1252
  EXPECT_NE(bytes.find("Zeile1<br/>Zeile2"), std::string::npos);
  EXPECT_NE(bytes.find("echte<br/>Zeile"), std::string::npos);  // no line break in the file
  EXPECT_EQ(bytes.find("zu billig"), std::string::npos);

  LoadReport again;
  SourceTable back = LoadCsv(rejects, options, again);
  EXPECT_EQ(again.encoding, "windows-1252");
  EXPECT_TRUE(again.warnings.empty());
  EXPECT_EQ(back.ColumnNames(), (Strings{"ArtNr", "Bezeichnung", "EK", "Notiz", "Fehler"}));
  ASSERT_EQ(back.RowCount(), 3u);
  const size_t sourceRows[] = {2, 3, 4};
  for (size_t i = 0; i < 3; ++i)
    for (size_t c = 1; c <= table.ColumnCount(); ++c)
      EXPECT_EQ(back.Get(c, i + 1), table.Get(c, sourceRows[i])) << "row " << i + 1 << " col " << c;
  EXPECT_EQ(back.Get(2, 1), Value("Mutter; M6"));
  EXPECT_EQ(back.Get(2, 3), Value(" Leer "));
  EXPECT_EQ(back.Get(4, 3), Value("Er sagt \"Hallo\""));
  EXPECT_EQ(back.Get(5, 1), Value("EK: '0,01 EUR' ist keine Zahl. | Die Zeile wurde nicht "
                                  "importiert: Die Nummer ist vergeben."));
  EXPECT_EQ(back.Get(5, 2), Value("Bezeichnung: 'Größe' ist zu lang."));
  EXPECT_EQ(back.Get(5, 3), Value("EK: 'abc' ist keine Zahl."));
  EXPECT_EQ(Files(), (Strings{"artikel-fehler.csv", "artikel.csv"}));
}

TEST_F(RejectFileTest, AReimportedRejectFileGetsItsReasonsReplaced) {
  const std::string first = dir_ / "fehler.csv";
  WriteBytes(first, "Nr;Fehler;Name\r\n1;alter Grund;A\r\n2;alter Grund;B\r\n");
  TextOptions options;
  LoadReport load;
  SourceTable table = LoadCsv(first, options, load);
  ImportReport report;
  report.AddRejected(CellEntry(2, "Name", "B", "'B' ist zu kurz."));

  const std::string second = dir_ / "fehler2.csv";
  RejectFileResult result =
      WriteRejectFile(second, table, report, RejectFormatFor("CSV", options, load));
  ASSERT_EQ(result.error, "");
  EXPECT_EQ(ReadBytes(second), "Nr;Fehler;Name\r\n2;Name: 'B' ist zu kurz.;B\r\n");
  EXPECT_EQ(load.encoding, "utf-8");  // plain ASCII stays without BOM

  // Writing over the file that was loaded replaces it as a whole.
  result = WriteRejectFile(first, table, report, RejectFormatFor("CSV", options, load));
  ASSERT_EQ(result.error, "");
  EXPECT_EQ(ReadBytes(first), ReadBytes(second));
  EXPECT_EQ(Files(), (Strings{"fehler.csv", "fehler2.csv"}));
}

TEST_F(RejectFileTest, OtherSourcesGetSemicolonsAndUtf8WithBomAndValuesAnImportReadsBack) {
  TextOptions text;
  text.separator = "\t";
  text.qualifier = "'";
  text.firstRowHasNames = false;
  for (const char* code : {"XLS", "xlsx", "DBF", "MDB", ""}) {
    RejectFormat format = RejectFormatFor(code, text, LoadReport{});
    EXPECT_EQ(format.separator, ";") << code;
    EXPECT_EQ(format.qualifier, "\"") << code;
    EXPECT_EQ(format.encoding, "utf-8-bom") << code;
    EXPECT_TRUE(format.headerLine) << code;
  }
  LoadReport utf16;
  utf16.encoding = "utf-16be";
  RejectFormat txt = RejectFormatFor("TXT", text, utf16);
  EXPECT_EQ(txt.separator, "\t");
  EXPECT_EQ(txt.qualifier, "'");
  EXPECT_FALSE(txt.headerLine);
  EXPECT_EQ(txt.encoding, "utf-8-bom");

  // A table as a workbook or a dBase file fills it: values of every type.
  SourceTable table;
  table.Reset({"Nr", "Preis", "Datum", "Aktiv", "Bild", "Name"});
  DateTime date{2024, 2, 29, 13, 45, 0};
  const std::vector<double> prices = {1.25, 0.1, -2.5, 1234567.891, 12.0, 1e20};
  for (size_t i = 0; i < prices.size(); ++i) {
    table.SetValue(1, Value(static_cast<int64_t>(i + 1)));
    table.SetValue(2, Value(prices[i]));
    table.SetValue(3, Value(date));
    table.SetValue(4, Value(i % 2 == 0));
    table.SetValue(5, Value(Bytes{0x00, 0x0D, 0x0A, 0xFF}));
    table.SetText(6, "Ä€ß");
    table.FinishRow(static_cast<uint32_t>(i + 2));
  }
  ImportReport report;
  for (uint32_t row = 1; row <= prices.size(); ++row)
    report.AddRejected(CellEntry(row, "Preis", "", "Grund"));
  RejectFormat format = RejectFormatFor("XLSX", text, LoadReport{});
  format.decimalSeparator = ",";
  const std::string path = dir_ / "mappe-fehler.csv";
  RejectFileResult result = WriteRejectFile(path, table, report, format);
  ASSERT_EQ(result.error, "");
  EXPECT_EQ(result.rows, prices.size());
  EXPECT_NE(result.note.find("'Bild'"), std::string::npos) << result.note;  // not lost silently

  const std::string bytes = ReadBytes(path);
  EXPECT_TRUE(bytes.starts_with("\xEF\xBB\xBFNr;Preis;Datum;Aktiv;Bild;Name;Fehler\r\n"));
  EXPECT_NE(bytes.find("\r\n1;1,25;2024-02-29 13:45:00;Wahr;;Ä€ß;Preis: Grund\r\n"),
            std::string::npos);

  // An import on German settings reads every value back as it was.
  LoadReport load;
  SourceTable back = LoadCsv(path, TextOptions{}, load);
  EXPECT_EQ(load.encoding, "utf-8-bom");
  ASSERT_EQ(back.RowCount(), prices.size());
  ValueConverter german(RegionalSettings::ForLocale("de_DE"));
  for (size_t row = 1; row <= prices.size(); ++row) {
    EXPECT_EQ(german.ToDouble(back.Get(2, row)), prices[row - 1]) << back.Get(2, row).ToText();
    EXPECT_EQ(german.ToDate(back.Get(3, row)), date);
    EXPECT_EQ(german.ToBoolean(back.Get(4, row)), row % 2 == 1);
    EXPECT_EQ(back.Get(1, row), Value(std::to_string(row)));
  }
}

TEST_F(RejectFileTest, RowsWhoseEntriesWereOnlyCountedAreWrittenToo) {
  const SourceTable table = Numbers(3);
  ImportReport report;
  for (size_t i = 0; i < ImportReport::kMaxEntries; ++i)
    report.AddRejected(CellEntry(1, "Nr", "1", "'1' ist vergeben."));
  report.AddRejected(CellEntry(3, "Nr", "3", "'3' ist vergeben."));
  ASSERT_EQ(report.Entries().size(), ImportReport::kMaxEntries);
  EXPECT_EQ(report.RowsRejected(), (std::vector<uint32_t>{1, 3}));

  const std::string path = dir_ / "fehler.csv";
  RejectFileResult result = WriteRejectFile(path, table, report, RejectFormat{});
  ASSERT_EQ(result.error, "");
  EXPECT_EQ(result.rows, 2u);
  EXPECT_EQ(ReadBytes(path),
            "\xEF\xBB\xBFNr;Fehler\r\n"
            "1;Nr: '1' ist vergeben.\r\n"
            "3;Weitere Meldung (nur gezählt)\r\n");
}

TEST_F(RejectFileTest, WhatTheFormatCannotHoldChangesTheFileAndSaysSo) {
  SourceTable table;
  table.Reset({"Ort", "Notiz"});
  table.SetText(1, "Łódź");  // not in Windows-1252
  table.SetText(2, "a;b\r\nc");
  table.FinishRow(2);
  ImportReport report;
  report.AddRejected(RowEntry(1, "Grund"));

  RejectFormat format;
  format.encoding = "windows-1252";
  format.qualifier = "";
  format.lineBreakToken = "";
  const std::string path = dir_ / "fehler.csv";
  RejectFileResult result = WriteRejectFile(path, table, report, format);
  ASSERT_EQ(result.error, "");
  EXPECT_EQ(result.rows, 1u);
  EXPECT_NE(result.note.find("UTF-8"), std::string::npos) << result.note;
  EXPECT_NE(result.note.find("Textbegrenzungszeichen"), std::string::npos) << result.note;
  EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBFOrt;Notiz;Fehler\r\nŁódź;\"a;b\r\nc\";Grund\r\n");

  // A source without separator gets one for the reasons.
  format = RejectFormat{};
  format.separator = "";
  result = WriteRejectFile(path, table, report, format);
  ASSERT_EQ(result.error, "");
  EXPECT_NE(result.note.find("Trennzeichen"), std::string::npos) << result.note;
  EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBFOrt;Notiz;Fehler\r\nŁódź;\"a;b<br/>c\";Grund\r\n");
}

TEST_F(RejectFileTest, FailuresAreGermanSentencesAndLeaveNothingBehind) {
  const SourceTable table = Numbers(1);
  ImportReport report;
  report.AddRejected(RowEntry(1, "Grund"));

  RejectFileResult result =
      WriteRejectFile(dir_ / "fehlt/fehler.csv", table, report, RejectFormat{});
  EXPECT_EQ(result.rows, 0u);
  EXPECT_NE(result.error.find("kann nicht geschrieben werden"), std::string::npos) << result.error;
  EXPECT_NE(result.error.find("fehlt/fehler.csv"), std::string::npos) << result.error;

  std::filesystem::create_directory(dir_ / "ordner");
  result = WriteRejectFile(dir_ / "ordner", table, report, RejectFormat{});
  EXPECT_NE(result.error, "");
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "ordner"));

  auto problem = [&](RejectFormat format) {
    return WriteRejectFile(dir_ / "x.csv", table, report, format).error;
  };
  RejectFormat wide;
  wide.separator = ";;";
  EXPECT_NE(problem(wide).find("Trennzeichen"), std::string::npos);
  RejectFormat latin;
  latin.encoding = "latin-9";
  EXPECT_NE(problem(latin).find("'latin-9'"), std::string::npos);
  EXPECT_EQ(Files(), (Strings{"ordner"}));
}

TEST_F(RejectFileTest, WithoutRowsNothingIsWritten) {
  const SourceTable table = Numbers(1);
  ImportReport report;
  report.Add(RowEntry(0, "Das Feld gibt es nicht."));
  RejectFileResult result = WriteRejectFile(dir_ / "fehler.csv", table, report, RejectFormat{});
  EXPECT_EQ(result.rows, 0u);
  EXPECT_EQ(result.error, "");
  EXPECT_EQ(result.note, "");

  // Rows deleted from the grid after the run cannot be written; that is said.
  report.AddRejected(RowEntry(4, "Grund"));
  result = WriteRejectFile(dir_ / "fehler.csv", table, report, RejectFormat{});
  EXPECT_EQ(result.rows, 0u);
  EXPECT_EQ(result.error, "");
  EXPECT_NE(result.note.find("nicht mehr"), std::string::npos) << result.note;
  EXPECT_TRUE(Files().empty());
}

TEST_F(RejectFileTest, WithoutTokenLineBreaksStayInsideQualifiers) {
  const std::string source = dir_ / "liste.txt";
  WriteBytes(source,
             "\xEF\xBB\xBF"
             "A\tB\n'x\ny'\t'it''s'\n");
  TextOptions options;
  options.separator = "\t";
  options.qualifier = "'";
  options.lineBreakToken = "";
  LoadReport load;
  SourceTable table = LoadCsv(source, options, load);
  ImportReport report;
  report.AddRejected(RowEntry(1, "Zeile 1\r\nZeile 2"));
  const std::string path = dir_ / "liste-fehler.txt";
  ASSERT_EQ(WriteRejectFile(path, table, report, RejectFormatFor("TXT", options, load)).error, "");
  EXPECT_EQ(ReadBytes(path),
            "\xEF\xBB\xBF"
            "A\tB\tFehler\r\n'x\ny'\t'it''s'\t'Zeile 1\r\nZeile 2'\r\n");
  LoadReport again;
  SourceTable back = LoadCsv(path, options, again);
  ASSERT_EQ(back.RowCount(), 1u);
  EXPECT_EQ(Row(back, 1), (Strings{"x\ny", "it's", "Zeile 1\r\nZeile 2"}));
}

}  // namespace
}  // namespace velra
