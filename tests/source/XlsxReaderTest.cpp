#include <gtest/gtest.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <filesystem>
#include <map>

#include "TestSupport.h"
#include "source/SourceError.h"
#include "source/xlsx/XlsxReader.h"

namespace velra {
namespace {

using test::TempDir;
using test::WriteBytes;
using Strings = std::vector<std::string>;
using Parts = std::map<std::string, std::string>;

// A cell as text with its type, so that rows compare in one line.
std::string Show(const Value& value) {
  switch (value.GetType()) {
    case Value::Type::Null:
      return "-";
    case Value::Type::Boolean:
      return value.AsBool() ? "B:1" : "B:0";
    case Value::Type::Double:
      return "N:" + value.ToText();
    case Value::Type::Text:
      return "T:" + value.AsText();
    case Value::Type::Date:
      return "D:" + value.AsDate().ToIso();
    default:
      return "?";
  }
}

Strings Row(const SourceTable& table, size_t row) {
  Strings cells;
  for (size_t c = 1; c <= table.ColumnCount(); ++c) cells.push_back(Show(table.Get(c, row)));
  return cells;
}

void WriteZip(const std::string& path, const Parts& parts) {
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(zip, nullptr);
  for (const auto& [name, content] : parts)
    zip_file_add(zip, name.c_str(), zip_source_buffer(zip, content.data(), content.size(), 0), 0);
  ASSERT_EQ(zip_close(zip), 0);
}

const char kMain[] = R"(xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main")";
const char kRelationships[] =
    R"(xmlns="http://schemas.openxmlformats.org/package/2006/relationships")";
const char kTypes[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

std::string Sheet(std::string_view rows) {
  return std::string("<?xml version=\"1.0\"?><worksheet ") + kMain + "><sheetData>" +
         std::string(rows) + "</sheetData></worksheet>";
}

// A workbook as other programs write it, with one sheet "Daten". Styles: 1 a date, 2 a time,
// 3 the built-in date 14; the date formats outside cellXfs must not count.
Parts Workbook(std::string sheet, std::string sharedStrings = "", bool date1904 = false) {
  Parts parts;
  parts["_rels/.rels"] = std::string("<Relationships ") + kRelationships +
                         "><Relationship Id=\"rId1\" Type=\"" + kTypes +
                         "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
  parts["xl/workbook.xml"] =
      std::string("<workbook ") + kMain +
      " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">" +
      (date1904 ? "<workbookPr date1904=\"1\"/>" : "") +
      "<sheets><sheet name=\"Daten\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
  parts["xl/_rels/workbook.xml.rels"] =
      std::string("<Relationships ") + kRelationships + "><Relationship Id=\"rId1\" Type=\"" +
      kTypes + "worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" +
      kTypes + "styles\" Target=\"styles.xml\"/><Relationship Id=\"rId3\" Type=\"" + kTypes +
      "sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>";
  parts["xl/styles.xml"] = std::string("<styleSheet ") + kMain +
                           "><numFmts count=\"2\"><numFmt numFmtId=\"164\" "
                           "formatCode=\"dd/mm/yyyy\"/><numFmt numFmtId=\"165\" "
                           "formatCode=\"hh:mm\"/></numFmts><cellStyleXfs><xf numFmtId=\"14\"/>"
                           "</cellStyleXfs><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/>"
                           "<xf numFmtId=\"165\"/><xf numFmtId=\"14\"/></cellXfs><dxfs><dxf>"
                           "<numFmt numFmtId=\"165\" formatCode=\"0.00\"/></dxf></dxfs>"
                           "</styleSheet>";
  parts["xl/worksheets/sheet1.xml"] = std::move(sheet);
  if (!sharedStrings.empty()) parts["xl/sharedStrings.xml"] = std::move(sharedStrings);
  return parts;
}

class XlsxReaderTest : public ::testing::Test {
 protected:
  SourceTable Load(const std::string& sheet = "Daten", bool firstRowHasNames = true) {
    auto reader = OpenXlsxWorkbook(file_);
    SourceTable table;
    report_ = LoadReport();
    LoadOptions options;
    options.firstRowHasNames = firstRowHasNames;
    reader->Load(sheet, options, table, report_);
    return table;
  }
  static lxw_format* NumberFormat(lxw_workbook* workbook, const char* code) {
    lxw_format* format = workbook_add_format(workbook);
    format_set_num_format(format, code);
    return format;
  }
  static lxw_format* BuiltInFormat(lxw_workbook* workbook, uint8_t index) {
    lxw_format* format = workbook_add_format(workbook);
    format_set_num_format_index(format, index);
    return format;
  }
  SourceTable LoadParts(const Parts& parts, bool firstRowHasNames = true) {
    WriteZip(file_, parts);
    return Load("Daten", firstRowHasNames);
  }
  // The error of opening the file, or of loading its sheet "Daten" into a table filled before,
  // which must end up empty.
  SourceError Failure() {
    SourceTable table;
    table.Reset({"alt"});
    table.SetText(1, "x");
    table.FinishRow(1);
    bool opened = false;
    try {
      auto reader = OpenXlsxWorkbook(file_);
      opened = true;
      LoadReport report;
      reader->Load("Daten", {}, table, report);
    } catch (const SourceError& error) {
      EXPECT_EQ(table.ColumnCount(), opened ? 0u : 1u);
      EXPECT_NE(std::string(error.what()).find(file_), std::string::npos) << error.what();
      return error;
    }
    ADD_FAILURE() << "no error";
    return SourceError(SourceErrorCode::WrongFormat, "");
  }
  Strings Warnings() const {
    Strings texts;
    for (const SourceWarning& warning : report_.warnings)
      texts.push_back(std::to_string(warning.line) + ": " + warning.text);
    return texts;
  }

  TempDir dir_;
  std::string file_ = dir_ / "Stammdaten.xlsx";
  LoadReport report_;
};

TEST_F(XlsxReaderTest, ValuesKeepTheirTypesAndFormulasTheirResults) {
  lxw_workbook* workbook = workbook_new(file_.c_str());
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Daten");
  lxw_format* bold = workbook_add_format(workbook);
  format_set_bold(bold);
  const char* header[] = {"Nr", "Name", "PLZ", "Aktiv", "Summe", "Anrede"};
  for (lxw_col_t c = 0; c < 6; ++c) worksheet_write_string(sheet, 0, c, header[c], nullptr);
  worksheet_write_number(sheet, 0, 7, 2024, nullptr);  // G1 stays empty
  worksheet_write_number(sheet, 1, 0, 1, nullptr);
  worksheet_write_string(sheet, 1, 1, "Müller & Söhne <GmbH>", nullptr);
  worksheet_write_string(sheet, 1, 2, "01067", nullptr);
  worksheet_write_boolean(sheet, 1, 3, 1, nullptr);
  worksheet_write_formula_num(sheet, 1, 4, "=A2*2", nullptr, 2);
  worksheet_write_formula_str(sheet, 1, 5, "=\"Herr\"", nullptr, "Herr");
  worksheet_write_string(sheet, 1, 6, "ohne Titel", nullptr);
  worksheet_write_number(sheet, 1, 7, -0.125, nullptr);
  worksheet_write_number(sheet, 2, 0, 1234567.891, nullptr);
  lxw_rich_string_tuple fat = {bold, const_cast<char*>("Fett")};
  lxw_rich_string_tuple plain = {nullptr, const_cast<char*>(" und normal")};
  lxw_rich_string_tuple* rich[] = {&fat, &plain, nullptr};
  worksheet_write_rich_string(sheet, 2, 1, rich, nullptr);
  worksheet_write_string(sheet, 2, 2, "00420", nullptr);
  worksheet_write_boolean(sheet, 2, 3, 0, nullptr);
  ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);

  SourceTable table = Load();
  EXPECT_EQ(table.ColumnNames(),
            (Strings{"Nr", "Name", "PLZ", "Aktiv", "Summe", "Anrede", "Spalte 7", "2024"}));
  ASSERT_EQ(table.RowCount(), 2u);
  EXPECT_EQ(Row(table, 1), (Strings{"N:1", "T:Müller & Söhne <GmbH>", "T:01067", "B:1", "N:2",
                                    "T:Herr", "T:ohne Titel", "N:-0.125"}));
  EXPECT_EQ(Row(table, 2),
            (Strings{"N:1234567.891", "T:Fett und normal", "T:00420", "B:0", "-", "-", "-", "-"}));
  EXPECT_EQ(table.SourceLine(1), 2u);
  EXPECT_TRUE(report_.warnings.empty());
}

TEST_F(XlsxReaderTest, NumbersWithDateAndTimeFormatsBecomeDates) {
  lxw_workbook* workbook = workbook_new(file_.c_str());
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Daten");
  auto format = [&](const char* code) { return NumberFormat(workbook, code); };
  lxw_format* builtIn = BuiltInFormat(workbook, 14);
  lxw_datetime leapDay = {2024, 2, 29, 0, 0, 0};
  lxw_datetime moment = {2024, 3, 1, 13, 45, 30};
  worksheet_write_datetime(sheet, 0, 0, &leapDay, format("dd.mm.yyyy"));
  worksheet_write_number(sheet, 0, 1, 45351, builtIn);
  worksheet_write_datetime(sheet, 0, 2, &moment, format("dd.mm.yyyy hh:mm:ss"));
  worksheet_write_number(sheet, 0, 3, 0.5625, format("hh:mm"));
  worksheet_write_number(sheet, 0, 4, 45292, format("mmmm yyyy"));
  worksheet_write_number(sheet, 0, 5, 3, format("#,##0 \"Tage\""));
  worksheet_write_number(sheet, 0, 6, 0.5, format("[Red][<0]0.00;0.00"));
  worksheet_write_number(sheet, 0, 7, 12, format("0\\d"));
  worksheet_write_number(sheet, 0, 8, -5, format("dd.mm.yyyy"));
  ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);

  SourceTable table = Load("Daten", false);
  EXPECT_EQ(Row(table, 1),
            (Strings{"D:2024-02-29", "D:2024-02-29", "D:2024-03-01 13:45:30",
                     "D:1899-12-30 13:30:00", "D:2024-01-01", "N:3", "N:0.5", "N:12", "N:-5"}));
  ASSERT_EQ(Warnings().size(), 1u);
  EXPECT_EQ(Warnings()[0].substr(0, 11), "1: Zelle I1");
}

TEST_F(XlsxReaderTest, NumbersShownAsPercentagesAreMarked) {
  lxw_workbook* workbook = workbook_new(file_.c_str());
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Daten");
  auto format = [&](const char* code) { return NumberFormat(workbook, code); };
  lxw_format* builtIn = BuiltInFormat(workbook, 9);
  worksheet_write_number(sheet, 0, 0, 0.19, builtIn);
  worksheet_write_number(sheet, 0, 1, 0.055, format("0.0%"));
  worksheet_write_number(sheet, 0, 2, 19, format("0\\%"));     // a literal sign: no percentage
  worksheet_write_number(sheet, 0, 3, 19, format("0\" %\""));  // quoted: no percentage
  worksheet_write_number(sheet, 0, 4, 0.19, nullptr);
  ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);

  SourceTable table = Load("Daten", false);
  EXPECT_EQ(Row(table, 1), (Strings{"N:0.19", "N:0.055", "N:19", "N:19", "N:0.19"}));
  std::vector<bool> marked;
  for (size_t c = 1; c <= 5; ++c) marked.push_back(table.IsPercentage(c, 1));
  EXPECT_EQ(marked, (std::vector<bool>{true, true, false, false, false}));
}

TEST_F(XlsxReaderTest, TheWorkbookEpochDecidesTheDate) {
  std::string rows = R"(<row r="1"><c r="A1" s="1"><v>1</v></c><c r="B1" s="2"><v>0.5</v></c>
    <c r="C1" s="3"><v>366.25</v></c><c r="D1" t="d"><v>2024-05-17T08:30:00Z</v></c>
    <c r="E1" t="d"><v>31.02.2024</v></c></row>)";
  EXPECT_EQ(Row(LoadParts(Workbook(Sheet(rows)), false), 1),
            (Strings{"D:1900-01-01", "D:1899-12-30 12:00:00", "D:1900-12-31 06:00:00",
                     "D:2024-05-17 08:30:00", "T:31.02.2024"}));
  EXPECT_EQ(Warnings().size(), 1u);
  // A time of day alone stays on day zero in the 1904 system too.
  EXPECT_EQ(Row(LoadParts(Workbook(Sheet(rows), "", true), false), 1),
            (Strings{"D:1904-01-02", "D:1899-12-30 12:00:00", "D:1905-01-01 06:00:00",
                     "D:2024-05-17 08:30:00", "T:31.02.2024"}));
}

TEST_F(XlsxReaderTest, CellKindsOfOtherWritersAndTheirFaults) {
  std::string strings = std::string("<sst ") + kMain +
                        R"( count="4294967295" uniqueCount="4294967295">
    <si><t>Zeile 1_x000D_
Zeile 2 &amp; &lol; &#x20AC;</t></si>
    <si><r><t xml:space="preserve">Tōkyō </t></r><r><rPr><b/></rPr><t>Büro</t></r>
        <rPh sb="0" eb="1"><t>トウキョウ</t></rPh></si>
    <si><t>_x005F_x0041_</t></si></sst>)";
  std::string rows = R"(
    <row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="C1" t="s"><v>2</v></c>
      <c r="D1" t="inlineStr"><is><r><t>inline </t></r><r><t>Text</t></r></is></c>
      <c r="E1" t="str"><f>A1&amp;""</f><v>Formel</v></c></row>
    <row r="2"><c r="A2" t="b"><f>1=1</f><v>1</v></c><c r="B2" t="e"><f>1/0</f><v>#DIV/0!</v></c>
      <c r="C2" t="s"><v>4294967290</v></c><c r="D2"><f>A1*2</f></c><c r="E2"><v>12abc</v></c>
      <c r="E2"><v>2</v></c></row>)";
  SourceTable table = LoadParts(Workbook(Sheet(rows), strings), false);
  ASSERT_EQ(table.RowCount(), 2u);
  // Unknown entities are not expanded, whatever the part declares.
  EXPECT_EQ(Row(table, 1), (Strings{"T:Zeile 1\r\nZeile 2 & &lol; €", "T:Tōkyō Büro", "T:_x0041_",
                                    "T:inline Text", "T:Formel"}));
  EXPECT_EQ(Row(table, 2), (Strings{"B:1", "-", "-", "-", "T:12abc"}));
  EXPECT_EQ(
      Warnings(),
      (Strings{"2: Zelle B2 enthält den Fehlerwert #DIV/0!; sie bleibt leer.",
               "2: Zelle C2 verweist auf einen Text, den es in der Datei nicht gibt; sie "
               "bleibt leer.",
               "2: Zelle D2 enthält eine Formel ohne gespeichertes Ergebnis; sie bleibt leer.",
               "2: Zelle E2: '12abc' ist keine gültige Zahl und wird als Text übernommen.",
               "2: Zelle E2 steht zweimal in der Datei; nur der erste Wert wird übernommen."}));
}

TEST_F(XlsxReaderTest, SparseCellsSkippedRowsAndTheHeaderRow) {
  std::string rows = R"(
    <row r="2"><c r="B2" t="inlineStr"><is><t>Name</t></is></c><c r="D2"><v>7</v></c></row>
    <row r="4"><c r="A4"><v>1</v></c><c><v>2</v></c><c r="F4"><v>6</v></c></row>
    <row><c r="C5" t="inlineStr"><is><t>fünf</t></is></c></row>
    <row r="7" s="3" customFormat="1"/><row r="9"><c r="A9" s="1"/><c r="B9" t="inlineStr"><is><t></t></is></c></row>)";
  SourceTable table = LoadParts(Workbook(Sheet(rows)));
  // The empty header cells and the columns beyond the header get generated names.
  EXPECT_EQ(table.ColumnNames(),
            (Strings{"Spalte 1", "Name", "Spalte 3", "7", "Spalte 5", "Spalte 6"}));
  // An empty row inside the used range is a row; rows after the last value are none.
  ASSERT_EQ(table.RowCount(), 3u);
  EXPECT_EQ(Row(table, 1), (Strings{"-", "-", "-", "-", "-", "-"}));
  EXPECT_EQ(Row(table, 2), (Strings{"N:1", "N:2", "-", "-", "-", "N:6"}));
  EXPECT_EQ(Row(table, 3), (Strings{"-", "-", "T:fünf", "-", "-", "-"}));
  EXPECT_EQ(table.SourceLine(1), 3u);
  EXPECT_EQ(table.SourceLine(2), 4u);
  EXPECT_EQ(table.SourceLine(3), 5u);

  // Without names every row is data, and the widest row decides the columns.
  table = Load("Daten", false);
  EXPECT_EQ(table.ColumnNames(),
            (Strings{"Spalte 1", "Spalte 2", "Spalte 3", "Spalte 4", "Spalte 5", "Spalte 6"}));
  ASSERT_EQ(table.RowCount(), 4u);
  EXPECT_EQ(Row(table, 1), (Strings{"-", "T:Name", "-", "N:7", "-", "-"}));
  EXPECT_EQ(table.SourceLine(1), 2u);
}

// The sheet of werte.xls "Übersicht 2": its cells are C3:E4, and both readers give the same table.
TEST_F(XlsxReaderTest, TheTableStartsAtTheFirstUsedColumnAsInXlsWorkbooks) {
  std::string rows = R"(
    <row r="3"><c r="C3" t="inlineStr"><is><t>a</t></is></c><c r="D3"><v>1</v></c></row>
    <row r="4"><c r="C4" t="inlineStr"><is><t>b</t></is></c><c r="D4"><v>2</v></c>
      <c r="E4" t="e"><v>#N/A</v></c></row>)";
  SourceTable table = LoadParts(Workbook(Sheet(rows)));
  EXPECT_EQ(table.ColumnNames(), (Strings{"a", "1", "Spalte 3"}));
  ASSERT_EQ(table.RowCount(), 1u);
  EXPECT_EQ(Row(table, 1), (Strings{"T:b", "N:2", "-"}));
  // Warnings name the cell as the sheet does.
  ASSERT_EQ(Warnings().size(), 1u);
  EXPECT_NE(Warnings()[0].find("E4"), std::string::npos) << Warnings()[0];
}

TEST_F(XlsxReaderTest, SheetsInWorkbookOrderWithTheirNames) {
  lxw_workbook* workbook = workbook_new(file_.c_str());
  const char* names[] = {"Kunden 2024", "Übersicht & Preise", "Äpfel"};
  for (int i = 0; i < 3; ++i) {
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, names[i]);
    worksheet_write_string(sheet, 0, 0, "Wert", nullptr);
    worksheet_write_string(sheet, 1, 0, names[i], nullptr);
  }
  ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);
  EXPECT_EQ(OpenXlsxWorkbook(file_)->Tables(), (Strings{names[0], names[1], names[2]}));
  for (const char* name : names) EXPECT_EQ(Row(Load(name), 1), (Strings{std::string("T:") + name}));
  EXPECT_EQ(Row(Load("äpfel"), 1), (Strings{"T:Äpfel"}));

  // The parts are found through the relationships, whatever their names; chart sheets are no
  // tables.
  Parts parts = Workbook(Sheet(R"(<row><c t="inlineStr"><is><t>zwei</t></is></c></row>)"));
  parts["xl/workbook.xml"] = std::string(
      "<x:workbook xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/"
      "main\" xmlns:q=\"http://schemas.openxmlformats.org/officeDocument/2006/"
      "relationships\"><x:sheets><x:sheet name=\"Erste\" q:id=\"rId9\"/>"
      "<x:sheet name=\"Diagramm\" q:id=\"rId8\"/><x:sheet name=\"Daten\" "
      "q:id=\"rId1\"/></x:sheets></x:workbook>");
  std::string& relationships = parts["xl/_rels/workbook.xml.rels"];
  relationships.insert(relationships.find("</Relationships>"),
                       std::string("<Relationship Id=\"rId9\" Type=\"") + kTypes +
                           "worksheet\" Target=\"/xl/blätter/../eins.xml\"/><Relationship "
                           "Id=\"rId8\" Type=\"" +
                           kTypes + "chartsheet\" Target=\"chartsheets/sheet1.xml\"/>");
  parts["xl/eins.xml"] = Sheet(R"(<row><c t="inlineStr"><is><t>eins</t></is></c></row>)");
  WriteZip(file_, parts);
  EXPECT_EQ(OpenXlsxWorkbook(file_)->Tables(), (Strings{"Erste", "Daten"}));
  EXPECT_EQ(Row(Load("Erste", false), 1), (Strings{"T:eins"}));
  EXPECT_EQ(Row(Load("Daten", false), 1), (Strings{"T:zwei"}));
}

TEST_F(XlsxReaderTest, LargeSheetsStreamThroughBufferBoundaries) {
  lxw_workbook* workbook = workbook_new(file_.c_str());
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Daten");
  const lxw_row_t rows = 30000;
  worksheet_write_string(sheet, 0, 0, "Nr", nullptr);
  for (lxw_row_t r = 1; r <= rows; ++r) {
    worksheet_write_number(sheet, r, 0, r + 0.5, nullptr);
    worksheet_write_string(sheet, r, 1, ("Artikel Nr. " + std::to_string(r) + " für Köln").c_str(),
                           nullptr);
  }
  ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);

  std::vector<std::pair<uint64_t, uint64_t>> calls;
  auto reader = OpenXlsxWorkbook(file_);
  SourceTable table;
  LoadOptions options;
  options.progress = [&](uint64_t done, uint64_t total) {
    calls.emplace_back(done, total);
    return true;
  };
  reader->Load("Daten", options, table, report_);
  ASSERT_EQ(table.RowCount(), rows);
  for (size_t r = 1; r <= rows; ++r) {
    ASSERT_EQ(table.Get(1, r), Value(static_cast<double>(r) + 0.5)) << r;
    ASSERT_EQ(table.TextAt(2, r), "Artikel Nr. " + std::to_string(r) + " für Köln") << r;
  }
  ASSERT_GE(calls.size(), 5u);
  EXPECT_EQ(calls.front().second, rows + 1);
  EXPECT_EQ(calls.back(), std::make_pair(uint64_t{rows + 1}, uint64_t{rows + 1}));

  // A text longer than the read buffer.
  std::string longText(600'000, 'x');
  longText += "ä";
  table = LoadParts(Workbook(Sheet("<row><c t=\"inlineStr\"><is><t>" + longText +
                                   "</t></is></c>"
                                   "<c><v>1</v></c></row>")),
                    false);
  EXPECT_EQ(table.TextAt(1, 1), longText);
  EXPECT_EQ(table.Get(2, 1), Value(1.0));
}

TEST_F(XlsxReaderTest, CancellingEmptiesTheTable) {
  std::string rows;
  for (int r = 1; r <= 10000; ++r) rows += "<row><c><v>" + std::to_string(r) + "</v></c></row>";
  WriteZip(file_, Workbook(Sheet(rows)));
  auto reader = OpenXlsxWorkbook(file_);
  SourceTable table;
  LoadOptions options;
  int calls = 0;
  options.progress = [&](uint64_t, uint64_t) { return ++calls < 2; };
  reader->Load("Daten", options, table, report_);
  EXPECT_TRUE(report_.cancelled);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(table.ColumnCount(), 0u);
  EXPECT_EQ(table.RowCount(), 0u);
}

TEST_F(XlsxReaderTest, FilesThatAreNoWorkbooks) {
  EXPECT_EQ(Failure().Code(), SourceErrorCode::FileMissing);
  std::filesystem::create_directory(file_);
  EXPECT_EQ(Failure().Code(), SourceErrorCode::FileUnreadable);
  std::filesystem::remove(file_);

  WriteBytes(file_, "");
  EXPECT_NE(std::string(Failure().what()).find("leer"), std::string::npos);
  WriteBytes(file_, "Artikel;Preis\r\n1;2\r\n");
  EXPECT_NE(std::string(Failure().what()).find("keine Excel-Arbeitsmappe"), std::string::npos);

  lxw_workbook* workbook = workbook_new(file_.c_str());
  worksheet_write_string(workbook_add_worksheet(workbook, "Daten"), 0, 0, "a", nullptr);
  ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);
  std::string whole = test::ReadBytes(file_);
  WriteBytes(file_, whole.substr(0, whole.size() / 2));
  SourceError truncated = Failure();
  EXPECT_EQ(truncated.Code(), SourceErrorCode::WrongFormat);
  EXPECT_NE(std::string(truncated.what()).find("unvollständig"), std::string::npos);

  WriteZip(file_, {{"[Content_Types].xml", "<Types/>"}});
  EXPECT_NE(std::string(Failure().what()).find("xl/workbook.xml"), std::string::npos);

  // Compound files: a workbook saved with a password, or one in the older format.
  std::string compound("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  compound.resize(1536, '\0');
  std::string encrypted = compound;
  for (char c : std::string_view("EncryptedPackage")) encrypted += std::string{c, '\0'};
  WriteBytes(file_, encrypted);
  SourceError protectedWorkbook = Failure();
  EXPECT_EQ(protectedWorkbook.Code(), SourceErrorCode::Unsupported);
  EXPECT_NE(std::string(protectedWorkbook.what()).find("ohne Kennwortschutz"), std::string::npos);
  WriteBytes(file_, compound + "Workbook");
  EXPECT_NE(std::string(Failure().what()).find("älteren Excel-Format"), std::string::npos);

  WriteZip(file_, Workbook(Sheet("<row>")));
  EXPECT_NE(std::string(Failure().what()).find("kein gültiges XML"), std::string::npos);
  Parts parts = Workbook(Sheet(""));
  parts.erase("xl/worksheets/sheet1.xml");
  WriteZip(file_, parts);
  EXPECT_NE(std::string(Failure().what()).find("Daten der Tabelle 'Daten' fehlen"),
            std::string::npos);
  EXPECT_EQ(Failure().Code(), SourceErrorCode::WrongFormat);
  WriteZip(file_, Workbook(Sheet("")));
  SourceTable table;
  EXPECT_THROW(OpenXlsxWorkbook(file_)->Load("Kunden", {}, table, report_), SourceError);
}

TEST_F(XlsxReaderTest, CellReferencesOutsideTheSheetLimits) {
  for (const char* reference : {"XFD1048577", "AAAA1", "XFE1", "A0", "1A", "A-1"}) {
    WriteZip(file_,
             Workbook(Sheet(std::string("<row><c r=\"") + reference + "\"><v>1</v></c></row>")));
    SourceError error = Failure();
    EXPECT_EQ(error.Code(), SourceErrorCode::WrongFormat) << reference;
    EXPECT_NE(std::string(error.what()).find(std::string("'") + reference + "'"),
              std::string::npos);
  }
  WriteZip(file_, Workbook(Sheet("<row r=\"1048577\"><c><v>1</v></c></row>")));
  EXPECT_NE(std::string(Failure().what()).find("Zeilennummer '1048577'"), std::string::npos);

  // The last column of a sheet is fine (the table starts there), one more is not.
  SourceTable table = LoadParts(Workbook(Sheet("<row><c r=\"XFD1\"><v>1</v></c></row>")), false);
  EXPECT_EQ(table.ColumnCount(), 1u);
  EXPECT_EQ(table.Get(1, 1), Value(1.0));
  std::string wide = "<row>";
  for (size_t c = 0; c <= kMaxSourceColumns; ++c) wide += "<c><v>1</v></c>";
  WriteZip(file_, Workbook(Sheet(wide + "</row>")));
  SourceError tooWide = Failure();
  EXPECT_EQ(tooWide.Code(), SourceErrorCode::TooLarge);
  EXPECT_NE(std::string(tooWide.what()).find("mehr als 16384 Spalten"), std::string::npos);
}

TEST_F(XlsxReaderTest, HostileArchivesAndXml) {
  // Parts that unpack far beyond any real sheet, with and without honest size headers.
  std::string blanks;
  for (int i = 0; i < 640; ++i) blanks += "<x/>" + std::string(64 * 1024, ' ');
  std::string bomb = Sheet(blanks);
  WriteZip(file_, Workbook(bomb));
  SourceError sheetBomb = Failure();
  EXPECT_EQ(sheetBomb.Code(), SourceErrorCode::TooLarge);
  EXPECT_NE(std::string(sheetBomb.what()).find("xl/worksheets/sheet1.xml"), std::string::npos);
  WriteZip(file_, Workbook(Sheet(""), "<sst>" + blanks + "</sst>"));
  EXPECT_EQ(Failure().Code(), SourceErrorCode::TooLarge);
  WriteZip(file_, Workbook(bomb));
  std::string bytes = test::ReadBytes(file_);
  const std::string name = "xl/worksheets/sheet1.xml";
  for (size_t at = bytes.find(name); at != std::string::npos; at = bytes.find(name, at + 1)) {
    if (at >= 30 && bytes.compare(at - 30, 4, "PK\x03\x04") == 0)
      bytes.replace(at - 8, 4, "\x10\0\0\0", 4);
    if (at >= 46 && bytes.compare(at - 46, 4, "PK\x01\x02") == 0)
      bytes.replace(at - 22, 4, "\x10\0\0\0", 4);
  }
  WriteBytes(file_, bytes);
  EXPECT_EQ(Failure().Code(), SourceErrorCode::TooLarge);

  // Entity expansion needs a DTD, which is refused before anything is expanded.
  Parts laughs = Workbook(Sheet(""));
  laughs["xl/workbook.xml"] =
      "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 "
      "\"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">]><workbook><sheets><sheet "
      "name=\"&lol2;\" r:id=\"rId1\"/></sheets></workbook>";
  WriteZip(file_, laughs);
  EXPECT_NE(std::string(Failure().what()).find("DTD"), std::string::npos);

  // A stray cell far to the right of many rows would make every row 16384 cells wide.
  std::string rows;
  for (int r = 1; r <= 20000; ++r) rows += "<row><c><v>1</v></c></row>";
  WriteZip(file_, Workbook(Sheet(rows + "<row><c r=\"XFD20001\"><v>1</v></c></row>")));
  SourceError tooWide = Failure();
  EXPECT_EQ(tooWide.Code(), SourceErrorCode::TooLarge);
  EXPECT_NE(std::string(tooWide.what()).find("MB Arbeitsspeicher"), std::string::npos);
  WriteZip(file_, Workbook(Sheet("<row><c t=\"str\"><v>" + std::string(2'000'000, 'x') +
                                 "</v></c></row>")));
  EXPECT_EQ(Failure().Code(), SourceErrorCode::TooLarge);

  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<x>";
  WriteZip(file_, Workbook(Sheet("<row><c><v>1</v></c></row>" + deep)));
  EXPECT_NE(std::string(Failure().what()).find("256 Ebenen"), std::string::npos);
}

}  // namespace
}  // namespace velra
