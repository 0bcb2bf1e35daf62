#include <gtest/gtest.h>

#include "TestSupport.h"
#include "source/SourceError.h"
#include "source/csv/CsvReader.h"

namespace velra {
namespace {

using test::TempDir;
using test::WriteBytes;

class CsvReaderTest : public ::testing::Test {
 protected:
  SourceTable Load(std::string_view bytes, TextOptions options = {}) {
    WriteBytes(file_, bytes);
    SourceTable table;
    report_ = LoadReport();
    LoadTextFile(file_, options, table, report_);
    return table;
  }
  static std::vector<std::string> Row(const SourceTable& table, size_t row) {
    std::vector<std::string> values;
    for (size_t c = 1; c <= table.ColumnCount(); ++c)
      values.push_back(table.Get(c, row).IsNull() ? "<null>" : table.Get(c, row).AsText());
    return values;
  }
  TempDir dir_;
  std::string file_ = dir_ / "daten.csv";
  LoadReport report_;
};

using Strings = std::vector<std::string>;

TEST_F(CsvReaderTest, HeaderNamesColumnsAndEveryValueIsText) {
  SourceTable table =
      Load("ArtNr;Bezeichnung;Preis\r\n00123;Schraube;1,50\r\n4711;Mutter;0,10\r\n");
  EXPECT_EQ(table.ColumnNames(), (Strings{"ArtNr", "Bezeichnung", "Preis"}));
  EXPECT_EQ(table.HeaderLine(";"), "ArtNr;Bezeichnung;Preis");
  ASSERT_EQ(table.RowCount(), 2u);
  EXPECT_EQ(Row(table, 1), (Strings{"00123", "Schraube", "1,50"}));
  EXPECT_EQ(table.TypeAt(1, 1), Value::Type::Text);
  EXPECT_EQ(table.SourceLine(1), 2u);
  EXPECT_EQ(table.SourceLine(2), 3u);
  EXPECT_TRUE(report_.warnings.empty());
}

TEST_F(CsvReaderTest, QualifiedValuesKeepSeparatorsLineBreaksAndDoubledQualifiers) {
  SourceTable table = Load(
      "Name;Ort;Notiz\n"
      "\"Mueller\";\"Bonn\";\"a;b\"\n"
      "\"Meier \"\"Die Zange\"\"\";Köln;\"Zeile1\r\nZeile2\"\n"
      "Monitor 24\";x\"y;\"\"\n"
      "Ende;;\n");
  ASSERT_EQ(table.RowCount(), 4u);
  EXPECT_EQ(Row(table, 1), (Strings{"Mueller", "Bonn", "a;b"}));
  EXPECT_EQ(Row(table, 2), (Strings{"Meier \"Die Zange\"", "Köln", "Zeile1\r\nZeile2"}));
  // A qualifier inside an unqualified value is a character like any other.
  EXPECT_EQ(Row(table, 3), (Strings{"Monitor 24\"", "x\"y", ""}));
  EXPECT_EQ(Row(table, 4), (Strings{"Ende", "", ""}));
  // The row after a value with a line break starts one line further down.
  EXPECT_EQ(table.SourceLine(3), 5u);
}

TEST_F(CsvReaderTest, TheLineBreakTokenBecomesCrLfAlsoInsideQualifiers) {
  SourceTable table = Load("A;B\nZeile1<br/>Zeile2;\"x<br/>y\"\n<BR/>;\n");
  EXPECT_EQ(Row(table, 1), (Strings{"Zeile1\r\nZeile2", "x\r\ny"}));
  EXPECT_EQ(Row(table, 2), (Strings{"<BR/>", ""}));  // the token is case-sensitive

  TextOptions noToken;
  noToken.lineBreakToken = "";
  EXPECT_EQ(Row(Load("A\nZeile1<br/>Zeile2\n", noToken), 1), (Strings{"Zeile1<br/>Zeile2"}));
  TextOptions otherToken;
  otherToken.lineBreakToken = "|";
  EXPECT_EQ(Row(Load("A\n1|2\n", otherToken), 1), (Strings{"1\r\n2"}));
}

TEST_F(CsvReaderTest, ShortLongAndEmptyLines) {
  // Line 5 ends in separators, as many exports write it: its extra values are empty.
  SourceTable table = Load("A;B;C\n1;2\n\n1;2;3;4;5\n7;8;9;;\n");
  ASSERT_EQ(table.RowCount(), 4u);
  EXPECT_EQ(Row(table, 1), (Strings{"1", "2", "<null>"}));  // no value, not an empty one
  EXPECT_EQ(Row(table, 2), (Strings{"", "<null>", "<null>"}));
  EXPECT_EQ(Row(table, 3), (Strings{"1", "2", "3"}));
  EXPECT_EQ(Row(table, 4), (Strings{"7", "8", "9"}));
  ASSERT_EQ(report_.warnings.size(), 1u);  // the extra values are not silently dropped
  EXPECT_EQ(report_.warnings[0].line, 4u);
  EXPECT_NE(report_.warnings[0].text.find("Spalte 4"), std::string::npos);
}

TEST_F(CsvReaderTest, WithoutHeaderTheWidestRowDecidesTheColumns) {
  TextOptions options;
  options.firstRowHasNames = false;
  SourceTable table = Load("1;2\n3;4;5\n6\n", options);
  EXPECT_EQ(table.ColumnNames(), (Strings{"Spalte 1", "Spalte 2", "Spalte 3"}));
  ASSERT_EQ(table.RowCount(), 3u);
  EXPECT_EQ(Row(table, 1), (Strings{"1", "2", "<null>"}));
  EXPECT_EQ(Row(table, 2), (Strings{"3", "4", "5"}));
  EXPECT_EQ(table.SourceLine(1), 1u);
}

TEST_F(CsvReaderTest, UnnamedHeaderColumnsGetNumberedNames) {
  SourceTable table = Load("A;;C;\n1;2;3;4\n");
  EXPECT_EQ(table.ColumnNames(), (Strings{"A", "Spalte 2", "C", "Spalte 4"}));
  EXPECT_EQ(Row(table, 1), (Strings{"1", "2", "3", "4"}));
}

TEST_F(CsvReaderTest, SeparatorAndQualifierSettings) {
  TextOptions tabs;
  tabs.separator = "\t";
  tabs.qualifier = "'";
  EXPECT_EQ(Row(Load("A\tB\n'x\ty'\t'it''s'\n", tabs), 1), (Strings{"x\ty", "it's"}));

  TextOptions none;
  none.separator = "";
  none.qualifier = "";
  SourceTable whole = Load("A;B\n\"1;2\"\n", none);
  EXPECT_EQ(whole.ColumnNames(), (Strings{"A;B"}));
  EXPECT_EQ(Row(whole, 1), (Strings{"\"1;2\""}));

  TextOptions section;
  section.separator = "§";  // a separator outside ASCII, in a Windows-1252 file
  EXPECT_EQ(Row(Load("A\xA7"
                     "B\n1\xA7\xE4\n",
                     section),
                1),
            (Strings{"1", "ä"}));
}

TEST_F(CsvReaderTest, EncodingsAndLineEnds) {
  // Windows-1252, as German exports are.
  EXPECT_EQ(Row(Load("Ort\r\nK\xF6ln \x80\r\n"), 1), (Strings{"Köln €"}));
  // UTF-8 with and without BOM; lines ending in CR alone.
  SourceTable utf8 = Load("\xEF\xBB\xBFOrt;Straße\rKöln;Hauptstraße\r");
  EXPECT_EQ(utf8.ColumnNames(), (Strings{"Ort", "Straße"}));
  EXPECT_EQ(Row(utf8, 1), (Strings{"Köln", "Hauptstraße"}));
  // UTF-16 as "Unicode text" exports write it.
  std::string utf16 = "\xFF\xFE";
  for (char16_t c : std::u16string(u"A;B\r\nä;€\r\n")) {
    utf16.push_back(static_cast<char>(c & 0xFF));
    utf16.push_back(static_cast<char>(c >> 8));
  }
  EXPECT_EQ(Row(Load(utf16), 1), (Strings{"ä", "€"}));
  // No line end after the last line, and mixed line ends.
  SourceTable mixed = Load("A\r\n1\n2\r3");
  EXPECT_EQ(mixed.RowCount(), 3u);
  EXPECT_EQ(mixed.SourceLine(3), 4u);
}

TEST_F(CsvReaderTest, TheReportTellsHowTheFileWasRead) {
  Load("Ort\nK\xF6ln\n");
  EXPECT_EQ(report_.encoding, "windows-1252");
  Load("Ort\nKöln\n");
  EXPECT_EQ(report_.encoding, "utf-8");
  Load("\xEF\xBB\xBFOrt\nKöln\n");
  EXPECT_EQ(report_.encoding, "utf-8-bom");
  Load(
      std::string("\xFF\xFE"
                  "A\0",
                  4));
  EXPECT_EQ(report_.encoding, "utf-16le");
  Load(std::string("\xFE\xFF\0A", 4));
  EXPECT_EQ(report_.encoding, "utf-16be");
}

TEST_F(CsvReaderTest, AForcedEncodingOverridesTheDetection) {
  // UTF-8 bytes that an export in Windows-1252 can also produce ("Ã¶" is valid UTF-8).
  TextOptions ansi;
  ansi.encoding = "windows-1252";
  EXPECT_EQ(Row(Load("Ort\nK\xC3\xB6ln\n", ansi), 1), (Strings{"K\u00C3\u00B6ln"}));
  EXPECT_EQ(report_.encoding, "windows-1252");
  EXPECT_TRUE(report_.warnings.empty());
  // A UTF-8 BOM does not win over the forced choice, but does not go unnoticed either.
  SourceTable withBom = Load("\xEF\xBB\xBFOrt\nKöln\n", ansi);
  EXPECT_EQ(withBom.ColumnNames(), (Strings{"\u00EF\u00BB\u00BFOrt"}));
  ASSERT_EQ(report_.warnings.size(), 1u);
  EXPECT_EQ(report_.warnings[0].line, 1u);

  TextOptions utf8;
  utf8.encoding = "UTF-8";  // letter case does not matter
  SourceTable bom = Load("\xEF\xBB\xBFOrt\nKöln\n", utf8);
  EXPECT_EQ(bom.ColumnNames(), (Strings{"Ort"}));
  EXPECT_EQ(report_.encoding, "utf-8-bom");

  // A UTF-16 BOM wins over every choice.
  std::string utf16 = "\xFF\xFE";
  for (char16_t c : std::u16string(u"A\r\n\u00E4\r\n")) {
    utf16.push_back(static_cast<char>(c & 0xFF));
    utf16.push_back(static_cast<char>(c >> 8));
  }
  EXPECT_EQ(Row(Load(utf16, ansi), 1), (Strings{"ä"}));
  EXPECT_EQ(report_.encoding, "utf-16le");

  // A DOS export: umlauts and the separator "¦" at their code page 850 bytes.
  TextOptions dos;
  dos.encoding = "cp850";
  dos.separator = "¦";
  EXPECT_EQ(Row(Load("Ort\xDDPLZ\nK\x94ln\xDD"
                     "50667\n",
                     dos),
                1),
            (Strings{"Köln", "50667"}));
  EXPECT_EQ(report_.encoding, "cp850");
}

TEST_F(CsvReaderTest, InvalidBytesInUtf8AreKeptAsWindows1252AndReportedPerRow) {
  TextOptions utf8;
  utf8.encoding = "utf-8";
  SourceTable table = Load("Ort;Name\nK\xF6ln;M\xFCller\ngut;\xC3\xA4 und \xE4\nBonn;x\n", utf8);
  ASSERT_EQ(table.RowCount(), 3u);  // no row lost
  EXPECT_EQ(Row(table, 1), (Strings{"Köln", "Müller"}));
  EXPECT_EQ(Row(table, 2), (Strings{"gut", "ä und ä"}));
  EXPECT_EQ(Row(table, 3), (Strings{"Bonn", "x"}));
  EXPECT_EQ(report_.encoding, "utf-8");
  ASSERT_EQ(report_.warnings.size(), 2u);  // one per row, not per value
  EXPECT_EQ(report_.warnings[0].line, 2u);
  EXPECT_EQ(report_.warnings[1].line, 3u);
  EXPECT_NE(report_.warnings[0].text.find("UTF-8"), std::string::npos);

  // The same for a file with a UTF-8 BOM read with the detection; a broken name too.
  SourceTable bom = Load(
      "\xEF\xBB\xBFStra\xDF"
      "e\nKöln\n");
  EXPECT_EQ(bom.ColumnNames(), (Strings{"Straße"}));
  EXPECT_EQ(Row(bom, 1), (Strings{"Köln"}));
  EXPECT_EQ(report_.encoding, "utf-8-bom");
  ASSERT_EQ(report_.warnings.size(), 1u);
  EXPECT_EQ(report_.warnings[0].line, 1u);
}

// A UTF-8 export with one byte of another encoding stays UTF-8: only that line is repaired.
TEST_F(CsvReaderTest, AUtf8FileWithAStrayByteStaysUtf8) {
  std::string csv = "Name;Ort\n";
  for (int i = 0; i < 500; ++i) csv += "Müller & Söhne;Groß-Gerau\n";
  csv +=
      "Stra\xDF"
      "e;K\xF6ln\n";
  SourceTable table = Load(csv);
  ASSERT_EQ(table.RowCount(), 501u);
  EXPECT_EQ(Row(table, 1), (Strings{"Müller & Söhne", "Groß-Gerau"}));
  EXPECT_EQ(Row(table, 501), (Strings{"Straße", "Köln"}));
  EXPECT_EQ(report_.encoding, "utf-8");
  ASSERT_EQ(report_.warnings.size(), 1u);
  EXPECT_EQ(report_.warnings[0].line, 502u);
}

TEST_F(CsvReaderTest, AnUnknownEncodingIsRefused) {
  TextOptions latin;
  latin.encoding = "latin-9";
  try {
    Load("A\n1\n", latin);
    FAIL();
  } catch (const SourceError& e) {
    EXPECT_NE(std::string(e.what()).find("'latin-9'"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("windows-1252"), std::string::npos) << e.what();
  }
}

TEST_F(CsvReaderTest, AnUnterminatedQualifierIsReportedAndDoesNotSwallowTheFile) {
  SourceTable table = Load("A;B\n1;\"offen\n2;3\n4;5\n");
  ASSERT_EQ(table.RowCount(), 3u);
  EXPECT_EQ(Row(table, 1), (Strings{"1", "offen"}));
  EXPECT_EQ(Row(table, 2), (Strings{"2", "3"}));
  EXPECT_EQ(Row(table, 3), (Strings{"4", "5"}));
  ASSERT_EQ(report_.warnings.size(), 1u);
  EXPECT_EQ(report_.warnings[0].line, 2u);
}

TEST_F(CsvReaderTest, FilesThatAreNoTextGiveOneMessage) {
  auto failure = [&](std::string_view bytes) -> std::string {
    try {
      Load(bytes);
    } catch (const SourceError& e) {
      return e.what();
    }
    return "geladen";
  };
  for (std::string_view nothing : {"", "\xEF\xBB\xBF", "\xFF\xFE"})
    EXPECT_NE(failure(nothing).find("ist leer"), std::string::npos) << failure(nothing);
  EXPECT_NE(failure(std::string("PK\x03\x04\x00\x00binary", 12)).find("Binärdaten"),
            std::string::npos);
  std::string wide = "A";
  for (int i = 0; i < 16384; ++i) wide += ";x";
  EXPECT_NE(failure(wide + "\n").find("16384"), std::string::npos);

  SourceTable table;
  LoadReport report;
  try {
    LoadTextFile(dir_ / "fehlt.csv", {}, table, report);
    FAIL();
  } catch (const SourceError& e) {
    EXPECT_EQ(e.Code(), SourceErrorCode::FileMissing);
    EXPECT_NE(std::string(e.what()).find("fehlt.csv"), std::string::npos);
    EXPECT_NE(e.Message().find("Fehlernummer: 3001"), std::string::npos);
  }
  EXPECT_EQ(table.ColumnCount(), 0u);
}

TEST_F(CsvReaderTest, AnOverlongRecordIsRefusedInsteadOfFillingMemory) {
  std::string big = "A\n\"" + std::string(65u * 1024u * 1024u, 'x') + "\"\n";
  try {
    Load(big);
    FAIL();
  } catch (const SourceError& e) {
    EXPECT_EQ(e.Code(), SourceErrorCode::TooLarge);
    EXPECT_NE(std::string(e.what()).find("Zeile 2"), std::string::npos) << e.what();
  }
}

// Every row holds a cell in every column: a line of separators after many empty lines would
// otherwise need gigabytes for a file of a few kilobytes.
TEST_F(CsvReaderTest, ATableFarLargerThanItsFileIsRefusedInsteadOfFillingMemory) {
  const std::string wideLine = std::string(kMaxSourceColumns - 1, ';') + "\n";
  TextOptions withoutNames;
  withoutNames.firstRowHasNames = false;
  try {
    SourceTable table = Load(std::string(60000, '\n') + wideLine, withoutNames);
    FAIL() << table.RowCount() << " rows";
  } catch (const SourceError& e) {
    EXPECT_EQ(e.Code(), SourceErrorCode::TooLarge);
    EXPECT_NE(std::string(e.what()).find("Arbeitsspeicher"), std::string::npos) << e.what();
  }
  // Wide rows are fine where the file holds them.
  SourceTable table = Load(std::string(100, '\n') + wideLine, withoutNames);
  EXPECT_EQ(table.ColumnCount(), kMaxSourceColumns);
  EXPECT_EQ(table.RowCount(), 101u);
}

TEST_F(CsvReaderTest, ProgressIsReportedAndCancelEmptiesTheTable) {
  std::string content = "A;B\n";
  for (int i = 0; i < 400000; ++i) content += "Wert " + std::to_string(i) + ";12,50\n";
  uint64_t lastDone = 0, total = 0;
  TextOptions watch;
  watch.progress = [&](uint64_t done, uint64_t all) {
    lastDone = done;
    total = all;
    return true;
  };
  SourceTable table = Load(content, watch);
  EXPECT_EQ(table.RowCount(), 400000u);
  EXPECT_EQ(lastDone, total);
  EXPECT_EQ(table.Get(1, 400000), Value("Wert 399999"));

  TextOptions cancel;
  cancel.progress = [](uint64_t, uint64_t) { return false; };
  SourceTable cancelled = Load(content, cancel);
  EXPECT_TRUE(report_.cancelled);
  EXPECT_EQ(cancelled.RowCount(), 0u);
}

}  // namespace
}  // namespace velra
