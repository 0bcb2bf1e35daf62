#include "source/xls/XlsReader.h"

#include <gmock/gmock.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "TestSupport.h"
#include "base/Text.h"
#include "source/SourceError.h"

namespace velra {

void PrintTo(const Value& value, std::ostream* out) {
  *out << static_cast<int>(value.GetType()) << ":" << value.ToText();
}

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string Fixture(const std::string& name) {
  return std::string(VELRA_TEST_DATA_DIR) + "/xls/" + name;
}

DateTime Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return DateTime{year, month, day, hour, minute, second};
}

struct Loaded {
  SourceTable table;
  LoadReport report;
};

Loaded LoadSheet(const std::string& path, const std::string& sheet, bool header,
                 ProgressCallback progress = {}) {
  Loaded loaded;
  LoadOptions options;
  options.firstRowHasNames = header;
  options.progress = std::move(progress);
  OpenXlsWorkbook(path)->Load(sheet, options, loaded.table, loaded.report);
  return loaded;
}

std::vector<Value> Row(const SourceTable& table, size_t row) {
  return table.ReadRow(row);
}

SourceErrorCode ErrorOf(const std::function<void()>& action, std::string* message = nullptr) {
  try {
    action();
  } catch (const SourceError& error) {
    if (message) *message = error.what();
    return error.Code();
  }
  ADD_FAILURE() << "no SourceError";
  return SourceErrorCode::FileMissing;
}

// ---- Workbooks written record by record, for what the spreadsheet program here does not write:
// Excel's own formula results, Excel 95 files, encryption, damage.

std::string U16(uint32_t v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)};
}
std::string U32(uint32_t v) {
  return U16(v & 0xFFFF) + U16(v >> 16);
}
std::string F64(double d) {
  std::string bytes(8, '\0');
  std::memcpy(bytes.data(), &d, 8);
  return bytes;
}
std::string Record(uint16_t type, const std::string& payload) {
  return U16(type) + U16(static_cast<uint32_t>(payload.size())) + payload;
}
std::string Cell(uint16_t row, uint16_t column, uint16_t xf = 0) {
  return U16(row) + U16(column) + U16(xf);
}
// A BIFF8 string of Latin-1 characters: count, option byte 0, the bytes.
std::string Latin1(const std::string& text, bool wideCount = true) {
  std::string count = wideCount ? U16(static_cast<uint32_t>(text.size()))
                                : std::string(1, static_cast<char>(text.size()));
  return count + '\0' + text;
}
std::string Number(uint16_t row, uint16_t column, double value, uint16_t xf = 0) {
  return Record(0x0203, Cell(row, column, xf) + F64(value));
}
std::string Label(uint16_t row, uint16_t column, const std::string& text) {
  return Record(0x0204, Cell(row, column) + Latin1(text));
}
std::string FormulaResult(uint16_t row, uint16_t column, uint8_t type, uint8_t value) {
  std::string result{static_cast<char>(type), '\0', static_cast<char>(value), '\0', '\0', '\0'};
  return Record(0x0006, Cell(row, column) + result + U16(0xFFFF) + U16(0) + U32(0) + U16(0));
}

struct Sheet {
  std::string name;
  std::string records;
};

// The workbook stream: globals (BOF, `globals`, one BOUNDSHEET per sheet, EOF), then the sheets.
std::string Workbook(const std::string& globals, const std::vector<Sheet>& sheets,
                     bool biff8 = true) {
  uint16_t version = biff8 ? 0x0600 : 0x0500;
  auto bof = [&](uint16_t type) {
    return Record(0x0809, U16(version) + U16(type) + (biff8 ? U32(0) + U32(0) : U32(0)));
  };
  auto boundSheet = [&](uint32_t offset, const std::string& name) {
    std::string payload = U32(offset) + U16(0) + static_cast<char>(name.size());
    if (biff8) payload += '\0';
    return Record(0x0085, payload + name);
  };
  size_t globalsSize = bof(5).size() + globals.size() + Record(0x000A, "").size();
  for (const Sheet& sheet : sheets) globalsSize += boundSheet(0, sheet.name).size();
  std::string stream = bof(5) + globals;
  size_t offset = globalsSize;
  std::string body;
  for (const Sheet& sheet : sheets) {
    stream += boundSheet(static_cast<uint32_t>(offset), sheet.name);
    std::string substream = bof(0x10) + sheet.records + Record(0x000A, "");
    offset += substream.size();
    body += substream;
  }
  return stream + Record(0x000A, "") + body;
}

void WriteCompoundFile(const std::string& path, const std::string& stream,
                       const std::string& streamName = "Workbook") {
  GError* error = nullptr;
  GsfOutput* output = gsf_output_stdio_new(path.c_str(), &error);
  ASSERT_NE(output, nullptr);
  GsfOutfile* compound = gsf_outfile_msole_new(output);
  GsfOutput* child = gsf_outfile_new_child(compound, streamName.c_str(), FALSE);
  gsf_output_write(child, stream.size(), reinterpret_cast<const guint8*>(stream.data()));
  gsf_output_close(child);
  g_object_unref(child);
  gsf_output_close(GSF_OUTPUT(compound));
  g_object_unref(compound);
  g_object_unref(output);
}

// XF 0 general, 1 a built-in date, 2 a built-in time, 3 a custom Boolean format.
std::string StandardGlobals() {
  return Record(0x0042, U16(1200)) +
         Record(0x041E, U16(164) + Latin1("\"WAHR\";\"WAHR\";\"FALSCH\"")) +
         Record(0x00E0, U16(0) + U16(0) + std::string(16, '\0')) +
         Record(0x00E0, U16(0) + U16(14) + std::string(16, '\0')) +
         Record(0x00E0, U16(0) + U16(20) + std::string(16, '\0')) +
         Record(0x00E0, U16(0) + U16(164) + std::string(16, '\0'));
}

// ---- Sheets of a workbook saved by a spreadsheet program --------------------------------------

TEST(XlsReader, ListsWorksheetsByTheirNames) {
  EXPECT_THAT(OpenXlsWorkbook(Fixture("werte.xls"))->Tables(),
              ElementsAre("Kunden", "Übersicht 2"));
}

TEST(XlsReader, LoadsTypedValuesUnderTheHeaderRow) {
  Loaded loaded = LoadSheet(Fixture("werte.xls"), "Kunden", true);
  const SourceTable& t = loaded.table;
  EXPECT_THAT(t.ColumnNames(),
              ElementsAre("Nummer", "Name", "Spalte 3", "Betrag", "Datum", "Zeit", "Aktiv",
                          "Doppelt", "Gruß", "Groß", "Quote", "PLZ", "2024", "31.12.2025"));
  // Rows 6 and 7 are empty and row 8 holds only a formatted empty cell: they are no rows.
  ASSERT_EQ(t.RowCount(), 4u);
  EXPECT_EQ(t.SourceLine(1), 2u);
  EXPECT_EQ(t.SourceLine(3), 4u);
  EXPECT_EQ(t.SourceLine(4), 5u);

  EXPECT_THAT(Row(t, 1),
              ElementsAre(Value(1.0), Value("Müller"), Value("x"), Value(150.5),
                          Value(Date(2024, 1, 31)), Value(Date(1899, 12, 30, 8, 30)), Value(true),
                          Value(301.0), Value("Hallo Müller"), Value(true), Value(), Value("00123"),
                          Value(), Value(Date(2024, 2, 29, 12))));
  EXPECT_THAT(Row(t, 2), ElementsAre(Value(2.0), Value("Schmidt €"), Value(), Value(99.0),
                                     Value(Date(1900, 3, 1)), Value(Date(1899, 12, 30, 23, 59, 59)),
                                     Value(false), Value(198.0), Value("Hallo Schmidt €"),
                                     Value(false), Value(0.5), Value("00042"), Value(), Value()));
  for (const Value& v : Row(t, 3)) EXPECT_TRUE(v.IsNull());

  std::string phrase = "Langer Text mit Umlauten äöü und Euro € ";
  std::string text;
  while (CharacterCount(text) < 9000) text += phrase;
  EXPECT_EQ(t.Get(2, 4), Value(FirstCharacters(text, 9000)));  // spans CONTINUE records
  EXPECT_EQ(t.Get(4, 4), Value(-7.25));
  EXPECT_EQ(t.Get(8, 4), Value(-14.5));
  EXPECT_TRUE(t.Get(9, 4).IsNull());  // a formula giving empty text

  ASSERT_EQ(loaded.report.warnings.size(), 1u);
  EXPECT_EQ(loaded.report.warnings[0].line, 2u);
  EXPECT_THAT(loaded.report.warnings[0].text, HasSubstr("K2"));
  EXPECT_THAT(loaded.report.warnings[0].text, HasSubstr("'Quote'"));
  EXPECT_THAT(loaded.report.warnings[0].text, HasSubstr("#DIV/0!"));
}

TEST(XlsReader, WithoutHeaderEveryRowIsDataUnderGeneratedNames) {
  Loaded loaded = LoadSheet(Fixture("werte.xls"), "Kunden", false);
  const SourceTable& t = loaded.table;
  ASSERT_EQ(t.ColumnCount(), 14u);
  EXPECT_EQ(t.ColumnNames().front(), "Spalte 1");
  EXPECT_EQ(t.ColumnNames().back(), "Spalte 14");
  ASSERT_EQ(t.RowCount(), 5u);
  EXPECT_EQ(t.SourceLine(1), 1u);
  EXPECT_EQ(t.Get(1, 1), Value("Nummer"));
  EXPECT_TRUE(t.Get(3, 1).IsNull());
  EXPECT_EQ(t.Get(13, 1), Value(2024.0));
  EXPECT_EQ(t.Get(14, 1), Value(Date(2025, 12, 31)));
  EXPECT_EQ(t.Get(2, 2), Value("Müller"));
}

TEST(XlsReader, UsedRangeStartsAtTheFirstFilledCell) {
  // The sheet's cells are C3:E4.
  Loaded plain = LoadSheet(Fixture("werte.xls"), "Übersicht 2", false);
  ASSERT_EQ(plain.table.ColumnCount(), 3u);
  ASSERT_EQ(plain.table.RowCount(), 2u);
  EXPECT_EQ(plain.table.SourceLine(1), 3u);
  EXPECT_THAT(Row(plain.table, 1), ElementsAre(Value("a"), Value(1.0), Value()));
  EXPECT_THAT(Row(plain.table, 2), ElementsAre(Value("b"), Value(2.0), Value("c")));

  Loaded named = LoadSheet(Fixture("werte.xls"), "Übersicht 2", true);
  EXPECT_THAT(named.table.ColumnNames(), ElementsAre("a", "1", "Spalte 3"));
  ASSERT_EQ(named.table.RowCount(), 1u);
  EXPECT_EQ(named.table.SourceLine(1), 4u);
}

TEST(XlsReader, DatesOfA1904WorkbookAndTimesOnDayZero) {
  Loaded loaded = LoadSheet(Fixture("datum1904.xls"), "Daten", true);
  ASSERT_EQ(loaded.table.RowCount(), 1u);
  EXPECT_THAT(Row(loaded.table, 1),
              ElementsAre(Value(Date(2024, 1, 31)), Value(Date(1899, 12, 30, 18)), Value(42.0)));
}

TEST(XlsReader, FindsSheetsIgnoringCaseAndTheProviderDollar) {
  EXPECT_EQ(LoadSheet(Fixture("werte.xls"), "kunden", true).table.RowCount(), 4u);
  EXPECT_EQ(LoadSheet(Fixture("werte.xls"), "Kunden$", true).table.RowCount(), 4u);
  EXPECT_EQ(LoadSheet(Fixture("werte.xls"), "[Übersicht 2]", true).table.RowCount(), 1u);
  std::string message;
  EXPECT_EQ(ErrorOf([] { LoadSheet(Fixture("werte.xls"), "Fehlt", true); }, &message),
            SourceErrorCode::TableMissing);
  EXPECT_THAT(message, HasSubstr("'Fehlt'"));
}

// ---- Records as Excel writes them -----------------------------------------------------------

TEST(XlsReader, FormulaResultsBooleansAndErrorsAsExcelStoresThem) {
  test::TempDir dir;
  std::string cells = Label(0, 0, "Wert") + FormulaResult(1, 0, 1, 1) +             // =1<2
                      FormulaResult(2, 0, 2, 0x2A) +                                // =NV()
                      FormulaResult(3, 0, 0, 0) + Record(0x0207, Latin1("Text")) +  // text result
                      FormulaResult(4, 0, 3, 0) +                                   // empty text
                      FormulaResult(5, 0, 0, 0) +                          // STRING record missing
                      Record(0x0205, Cell(6, 0) + std::string(2, '\0')) +  // FALSCH
                      Record(0x0205, Cell(7, 0) + std::string("\x01\x00", 2)) +  // WAHR
                      Record(0x0205, Cell(8, 0) + std::string("\x07\x01", 2)) +  // #DIV/0!
                      Number(9, 0, 45321.5, 1) + Number(10, 0, 0.25, 2) + Number(11, 0, 2.0, 3) +
                      Number(12, 0, -3.0, 1);
  WriteCompoundFile(dir / "f.xls", Workbook(StandardGlobals(), {{"Tabelle1", cells}}));

  Loaded loaded = LoadSheet(dir / "f.xls", "Tabelle1", true);
  std::vector<Value> column;
  for (size_t r = 1; r <= loaded.table.RowCount(); ++r) column.push_back(loaded.table.Get(1, r));
  EXPECT_THAT(column, ElementsAre(Value(true), Value(), Value("Text"), Value(), Value(),
                                  Value(false), Value(true), Value(), Value(Date(2024, 1, 30, 12)),
                                  Value(Date(1899, 12, 30, 6)), Value(true), Value(-3.0)));
  std::vector<std::string> texts;
  for (const SourceWarning& w : loaded.report.warnings)
    texts.push_back(std::to_string(w.line) + " " + w.text);
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_THAT(texts[0], HasSubstr("3 Zelle A3 (Spalte 'Wert'): Der Fehlerwert #NV"));
  EXPECT_THAT(texts[1], HasSubstr("6 Zelle A6"));
  EXPECT_THAT(texts[1], HasSubstr("kein gespeichertes Ergebnis"));
  EXPECT_THAT(texts[2], HasSubstr("#DIV/0!"));
  EXPECT_THAT(texts[3], HasSubstr("-3 ist als Datum formatiert"));
}

TEST(XlsReader, NumbersShownAsPercentagesAreMarked) {
  test::TempDir dir;
  // XF 0 general, 1 the built-in "0%", 2 a custom "0.0%", 3 a custom with a quoted sign.
  const std::string globals = Record(0x0042, U16(1200)) +
                              Record(0x041E, U16(164) + Latin1("0.0%")) +
                              Record(0x041E, U16(165) + Latin1("0\" %\"")) +
                              Record(0x00E0, U16(0) + U16(0) + std::string(16, '\0')) +
                              Record(0x00E0, U16(0) + U16(9) + std::string(16, '\0')) +
                              Record(0x00E0, U16(0) + U16(164) + std::string(16, '\0')) +
                              Record(0x00E0, U16(0) + U16(165) + std::string(16, '\0'));
  const std::string cells =
      Number(0, 0, 0.19, 1) + Number(0, 1, 0.055, 2) + Number(0, 2, 19, 3) + Number(0, 3, 0.19);
  WriteCompoundFile(dir / "p.xls", Workbook(globals, {{"T", cells}}));

  Loaded loaded = LoadSheet(dir / "p.xls", "T", false);
  EXPECT_THAT(Row(loaded.table, 1),
              ElementsAre(Value(0.19), Value(0.055), Value(19.0), Value(0.19)));
  std::vector<bool> marked;
  for (size_t c = 1; c <= 4; ++c) marked.push_back(loaded.table.IsPercentage(c, 1));
  EXPECT_THAT(marked, ElementsAre(true, true, false, false));
}

TEST(XlsReader, UnreadableHeaderCellsAndChartsInsideTheSheet) {
  test::TempDir dir;
  std::string chart = Record(0x0809, U16(0x0600) + U16(0x0020) + U32(0) + U32(0)) +
                      Number(5, 5, 9.0) + Record(0x000A, "");
  std::string cells =
      Label(0, 0, "Name") + Record(0x0205, Cell(0, 1) + std::string("\x17\x01", 2)) +
      Record(0x00FD, Cell(0, 2) + U32(99)) + Label(1, 0, "x") + chart + Number(2, 1, 7.0);
  WriteCompoundFile(dir / "c.xls", Workbook(StandardGlobals(), {{"T", cells}}));

  Loaded loaded = LoadSheet(dir / "c.xls", "T", true);
  EXPECT_THAT(loaded.table.ColumnNames(), ElementsAre("Name", "Spalte 2", "Spalte 3"));
  ASSERT_EQ(loaded.table.RowCount(), 2u);
  EXPECT_EQ(loaded.table.Get(2, 2), Value(7.0));  // after the chart's own end record
  ASSERT_EQ(loaded.report.warnings.size(), 2u);
  EXPECT_EQ(loaded.report.warnings[0].line, 1u);
  EXPECT_THAT(loaded.report.warnings[0].text, HasSubstr("B1"));
  EXPECT_THAT(loaded.report.warnings[0].text, HasSubstr("#BEZUG!"));
  EXPECT_THAT(loaded.report.warnings[1].text, HasSubstr("C1"));
}

TEST(XlsReader, StringsRunOnIntoContinueRecordsAndSwitchWidth) {
  test::TempDir dir;
  // Shared strings: "Kopf" and one that starts in Latin-1 and goes on in UTF-16 in a CONTINUE
  // record ("€" cannot be one byte), then a rich-text string whose formatting runs are split.
  std::string first = Latin1("Kopf");
  std::string split = U16(6) + '\0' + "Preis";
  std::string continued = std::string(1, '\x01') + "\xAC\x20";  // the sixth character: €
  std::string rich = U16(2) + '\x08' + U16(2) + "ab" + std::string(4, 'r');
  std::string richRest = std::string(4, 'r');
  std::string globals = StandardGlobals() + Record(0x00FC, U32(3) + U32(3) + first + split) +
                        Record(0x003C, continued + rich) + Record(0x003C, richRest);
  // A formula's text result that goes on in a CONTINUE record, two bytes wide from there on;
  // cells out of order, and A3 written twice.
  std::string wide;
  for (int i = 0; i < 1000; ++i) wide += std::string("x\0", 2);
  wide += std::string("\xFC\x00", 2);  // ü
  std::string stringRecord = Record(0x0207, U16(9001) + '\0' + std::string(8000, 'x')) +
                             Record(0x003C, std::string(1, '\x01') + wide);
  std::string cells = Record(0x00FD, Cell(0, 0) + U32(0)) + Number(2, 0, 5.0) +
                      Record(0x00FD, Cell(1, 0) + U32(1)) + Record(0x00FD, Cell(2, 0) + U32(2)) +
                      FormulaResult(3, 0, 0, 0) + stringRecord;
  WriteCompoundFile(dir / "s.xls", Workbook(globals, {{"S", cells}}));

  Loaded loaded = LoadSheet(dir / "s.xls", "S", true);
  EXPECT_THAT(loaded.table.ColumnNames(), ElementsAre("Kopf"));
  ASSERT_EQ(loaded.table.RowCount(), 3u);
  EXPECT_EQ(loaded.table.Get(1, 1), Value("Preis€"));
  EXPECT_EQ(loaded.table.Get(1, 2), Value("ab"));  // the later of two values
  EXPECT_EQ(loaded.table.Get(1, 3), Value(std::string(9000, 'x') + "ü"));
}

TEST(XlsReader, Excel95WorkbookWithCodePage) {
  test::TempDir dir;
  auto byteString = [](const std::string& bytes) {
    return U16(static_cast<uint32_t>(bytes.size())) + bytes;
  };
  std::string globals = Record(0x0042, U16(1252)) +
                        Record(0x041E, U16(164) + static_cast<char>(10) + "DD.MM.YYYY") +
                        Record(0x00E0, U16(0) + U16(0) + std::string(12, '\0')) +
                        Record(0x00E0, U16(0) + U16(164) + std::string(12, '\0'));
  std::string cells = Record(0x0204, Cell(0, 0) + byteString("Stra\xDF"
                                                             "e")) +
                      Record(0x0204, Cell(1, 0) + byteString("M\xFCller")) +
                      Number(2, 0, 36526.0, 1) + FormulaResult(3, 0, 0, 0) +
                      Record(0x0207, byteString("Gr\xFC\xDF"
                                                "e"));
  WriteCompoundFile(dir / "95.xls",
                    Workbook(globals,
                             {{"\xDC"
                               "bersicht",
                               cells}},
                             false),
                    "Book");

  std::unique_ptr<SourceReader> reader = OpenXlsWorkbook(dir / "95.xls");
  EXPECT_THAT(reader->Tables(), ElementsAre("Übersicht"));
  Loaded loaded = LoadSheet(dir / "95.xls", "Übersicht", true);
  EXPECT_THAT(loaded.table.ColumnNames(), ElementsAre("Straße"));
  ASSERT_EQ(loaded.table.RowCount(), 3u);
  EXPECT_EQ(loaded.table.Get(1, 1), Value("Müller"));
  EXPECT_EQ(loaded.table.Get(1, 2), Value(Date(2000, 1, 1)));
  EXPECT_EQ(loaded.table.Get(1, 3), Value("Grüße"));
}

// ---- Files that cannot be loaded ------------------------------------------------------------

TEST(XlsReader, PasswordProtectedWorkbookIsRefused) {
  test::TempDir dir;
  WriteCompoundFile(dir / "p.xls", Workbook(Record(0x002F, U16(1) + std::string(52, '\0')),
                                            {{"Tabelle1", Number(0, 0, 1.0)}}));
  std::string message;
  EXPECT_EQ(ErrorOf([&] { OpenXlsWorkbook(dir / "p.xls"); }, &message),
            SourceErrorCode::Unsupported);
  EXPECT_THAT(message, HasSubstr("p.xls"));
  EXPECT_THAT(message, HasSubstr("kennwortgeschützt"));
  EXPECT_THAT(message, HasSubstr("ohne Kennwortschutz"));
}

TEST(XlsReader, FilesThatAreNoWorkbookGiveOneClearError) {
  test::TempDir dir;
  std::string message;
  EXPECT_EQ(ErrorOf([&] { OpenXlsWorkbook(dir / "fehlt.xls"); }, &message),
            SourceErrorCode::FileMissing);
  EXPECT_THAT(message, HasSubstr("fehlt.xls"));

  test::WriteBytes(dir / "leer.xls", "");
  EXPECT_EQ(ErrorOf([&] { OpenXlsWorkbook(dir / "leer.xls"); }), SourceErrorCode::WrongFormat);

  test::WriteBytes(dir / "text.xls", "Nummer;Name\r\n1;Müller\r\n");
  EXPECT_EQ(ErrorOf([&] { OpenXlsWorkbook(dir / "text.xls"); }, &message),
            SourceErrorCode::WrongFormat);
  EXPECT_THAT(message, HasSubstr("text.xls"));

  test::WriteBytes(dir / "neu.xls", std::string("PK\x03\x04", 4) + std::string(100, '\0'));
  EXPECT_EQ(ErrorOf([&] { OpenXlsWorkbook(dir / "neu.xls"); }, &message),
            SourceErrorCode::WrongFormat);
  EXPECT_THAT(message, HasSubstr(".xlsx"));

  WriteCompoundFile(dir / "doc.xls", std::string(600, 'x'), "WordDocument");
  EXPECT_EQ(ErrorOf([&] { OpenXlsWorkbook(dir / "doc.xls"); }), SourceErrorCode::WrongFormat);

  EXPECT_EQ(ErrorOf([&] { OpenXlsWorkbook(dir.Path()); }), SourceErrorCode::FileUnreadable);

  if (::geteuid() != 0) {
    test::WriteBytes(dir / "gesperrt.xls", test::ReadBytes(Fixture("werte.xls")));
    ::chmod((dir / "gesperrt.xls").c_str(), 0);
    EXPECT_EQ(ErrorOf([&] { OpenXlsWorkbook(dir / "gesperrt.xls"); }),
              SourceErrorCode::FileUnreadable);
  }
}

// Every sheet of a file is loaded; anything but success or a SourceError fails the test.
void OpenAndLoadAll(const std::string& path) {
  std::unique_ptr<SourceReader> reader = OpenXlsWorkbook(path);
  for (const std::string& sheet : reader->Tables()) {
    for (bool header : {true, false}) {
      SourceTable table;
      LoadReport report;
      LoadOptions options;
      options.firstRowHasNames = header;
      try {
        reader->Load(sheet, options, table, report);
      } catch (const SourceError&) {
        EXPECT_EQ(table.RowCount(), 0u);
        throw;
      }
    }
  }
}

TEST(XlsReader, TruncatedAndDamagedFilesNeverCrash) {
  test::TempDir dir;
  std::string good = test::ReadBytes(Fixture("werte.xls"));
  int refused = 0;
  for (size_t size = 0; size < good.size(); size += 509) {
    test::WriteBytes(dir / "cut.xls", good.substr(0, size));
    try {
      OpenAndLoadAll(dir / "cut.xls");
    } catch (const SourceError&) {
      ++refused;
    }
  }
  EXPECT_GT(refused, 0);
  test::WriteBytes(dir / "half.xls", good.substr(0, good.size() / 2));
  EXPECT_EQ(ErrorOf([&] { OpenAndLoadAll(dir / "half.xls"); }), SourceErrorCode::WrongFormat);

  // Single damaged bytes all over a small workbook stream.
  std::string stream = Workbook(
      StandardGlobals() + Record(0x00FC, U32(2) + U32(2) + Latin1("Kopf") + Latin1("x")),
      {{"T", Record(0x00FD, Cell(0, 0) + U32(0)) + Record(0x00FD, Cell(1, 0) + U32(1)) +
                 Number(1, 1, 2.5, 1) + FormulaResult(2, 0, 0, 0) + Record(0x0207, Latin1("abc")) +
                 Record(0x00BD, U16(3) + U16(0) + U16(0) + U32(0x0A) + U16(0) + U32(3) + U16(1))}});
  for (size_t i = 0; i < stream.size(); ++i) {
    for (char bad : {'\xFF', '\x00', '\x80'}) {
      std::string damaged = stream;
      damaged[i] = bad;
      WriteCompoundFile(dir / "d.xls", damaged);
      try {
        OpenAndLoadAll(dir / "d.xls");
      } catch (const SourceError&) {
      }
    }
  }
}

TEST(XlsReader, ClaimedSizesAreCheckedBeforeTheyCount) {
  test::TempDir dir;
  // A shared-string table that claims two billion strings but holds one.
  WriteCompoundFile(dir / "sst.xls",
                    Workbook(StandardGlobals() +
                                 Record(0x00FC, U32(0x7FFFFFFF) + U32(0x7FFFFFFF) + Latin1("Kopf")),
                             {{"T", Record(0x00FD, Cell(0, 0) + U32(0))}}));
  EXPECT_THAT(LoadSheet(dir / "sst.xls", "T", true).table.ColumnNames(), ElementsAre("Kopf"));

  // A sheet that would start beyond the end of the stream.
  std::string stream = Workbook("", {{"T", Number(0, 0, 1.0)}});
  std::string far = stream;
  far.replace(20 + 4, 4, U32(0x7FFFFFF0));  // the offset in the BOUNDSHEET after the 20-byte BOF
  WriteCompoundFile(dir / "far.xls", far);
  EXPECT_EQ(ErrorOf([&] { LoadSheet(dir / "far.xls", "T", true); }), SourceErrorCode::WrongFormat);

  // A record longer than the rest of the stream.
  WriteCompoundFile(dir / "long.xls", stream + U16(0x0203) + U16(0xFFFF) + "xx");
  EXPECT_NO_THROW(LoadSheet(dir / "long.xls", "T", true));  // behind the last sheet: never read
  std::string inside = Workbook("", {{"T", U16(0x0203) + U16(0x2000) + "xx"}});
  WriteCompoundFile(dir / "inside.xls", inside);
  EXPECT_EQ(ErrorOf([&] { LoadSheet(dir / "inside.xls", "T", true); }),
            SourceErrorCode::WrongFormat);

  // 16384 columns load; one more does not.
  WriteCompoundFile(dir / "wide.xls",
                    Workbook("", {{"T", Number(0, 0, 1.0) + Number(0, 16383, 2.0)}}));
  Loaded wide = LoadSheet(dir / "wide.xls", "T", false);
  EXPECT_EQ(wide.table.ColumnCount(), 16384u);
  EXPECT_EQ(wide.table.Get(16384, 1), Value(2.0));
  WriteCompoundFile(dir / "wider.xls",
                    Workbook("", {{"T", Number(0, 0, 1.0) + Number(0, 16384, 2.0)}}));
  EXPECT_EQ(ErrorOf([&] { LoadSheet(dir / "wider.xls", "T", false); }), SourceErrorCode::TooLarge);

  // A used range of more cells than a sheet can have: refused before anything is allocated.
  WriteCompoundFile(dir / "big.xls",
                    Workbook("", {{"T", Number(0, 0, 1.0) + Number(65535, 300, 2.0)}}));
  EXPECT_EQ(ErrorOf([&] { LoadSheet(dir / "big.xls", "T", false); }), SourceErrorCode::TooLarge);
}

// ---- Progress -------------------------------------------------------------------------------

TEST(XlsReader, ReportsProgressAndHonoursCancel) {
  test::TempDir dir;
  std::string cells;
  for (uint16_t row = 0; row < 10000; ++row)
    cells += Record(0x027E, Cell(row, 0) + U32(static_cast<uint32_t>(row) << 2 | 0x02));
  WriteCompoundFile(dir / "viele.xls", Workbook("", {{"T", cells}}));

  std::vector<std::pair<uint64_t, uint64_t>> calls;
  Loaded loaded = LoadSheet(dir / "viele.xls", "T", false, [&](uint64_t done, uint64_t total) {
    calls.emplace_back(done, total);
    return true;
  });
  EXPECT_EQ(loaded.table.RowCount(), 10000u);
  EXPECT_EQ(loaded.table.Get(1, 10000), Value(9999.0));
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls.back(), std::make_pair(uint64_t{10000}, uint64_t{10000}));

  Loaded cancelled =
      LoadSheet(dir / "viele.xls", "T", false, [](uint64_t, uint64_t) { return false; });
  EXPECT_TRUE(cancelled.report.cancelled);
  EXPECT_EQ(cancelled.table.RowCount(), 0u);
  EXPECT_EQ(cancelled.table.ColumnCount(), 0u);
}

}  // namespace
}  // namespace velra
