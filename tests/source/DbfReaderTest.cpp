#include "source/dbf/DbfReader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <shapefil.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <tuple>

#include "TestSupport.h"
#include "source/SourceError.h"

namespace velra {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using namespace std::string_literals;

struct FieldDef {
  const char* name;
  char type;
  int width;
  int decimals = 0;
};

// A table written by shapelib; every cell is written as the bytes given, padded with blanks.
void WriteTable(const std::string& path, const std::vector<FieldDef>& fields,
                const std::vector<std::vector<std::string>>& rows) {
  DBFHandle dbf = DBFCreate(path.c_str());
  if (!dbf) throw std::runtime_error("DBFCreate " + path);
  for (const FieldDef& f : fields) DBFAddNativeFieldType(dbf, f.name, f.type, f.width, f.decimals);
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c)
      DBFWriteAttributeDirectly(dbf, static_cast<int>(r), static_cast<int>(c),
                                const_cast<char*>(rows[r][c].c_str()));
  DBFClose(dbf);
}

void Patch(const std::string& path, size_t offset, std::string_view bytes) {
  std::string content = ReadBytes(path);
  content.replace(offset, bytes.size(), bytes);
  WriteBytes(path, content);
}

void PatchByte(const std::string& path, size_t offset, uint8_t value) {
  Patch(path, offset, std::string(1, static_cast<char>(value)));
}

void PatchLe(const std::string& path, size_t offset, uint64_t value, int bytes) {
  std::string raw;
  for (int i = 0; i < bytes; ++i) raw.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
  Patch(path, offset, raw);
}

std::string Be32(uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16 & 0xFF),
          static_cast<char>(value >> 8 & 0xFF), static_cast<char>(value & 0xFF)};
}

std::string Le32(uint32_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF),
          static_cast<char>(value >> 16 & 0xFF), static_cast<char>(value >> 24)};
}

// Where the records start, as shapelib writes the header: 32 bytes, 32 per field, a terminator.
size_t RecordStart(size_t fieldCount) {
  return 32 + 32 * fieldCount + 1;
}

struct Loaded {
  SourceTable table;
  LoadReport report;
};

Loaded LoadTable(const std::string& file, const std::string& table, LoadOptions options = {}) {
  Loaded loaded;
  OpenDbfFolder(file)->Load(table, options, loaded.table, loaded.report);
  return loaded;
}

std::vector<std::string> WarningTexts(const LoadReport& report) {
  std::vector<std::string> texts;
  for (const SourceWarning& w : report.warnings) texts.push_back(w.text);
  return texts;
}

DateTime Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return DateTime{year, month, day, hour, minute, second};
}

// The SourceError a call throws; fails the test when it throws none.
template <typename Call>
SourceError ErrorOf(Call call) {
  try {
    call();
  } catch (const SourceError& error) {
    return error;
  }
  ADD_FAILURE() << "no SourceError";
  return SourceError(SourceErrorCode::FileMissing, "");
}

TEST(DbfReaderTest, ReadsTheTypedValuesOfDbaseFields) {
  TempDir dir;
  const std::string path = dir / "kunden.dbf";
  WriteTable(path,
             {{"NUMMER", 'C', 8},
              {"NAME", 'C', 12},
              {"BETRAG", 'N', 20, 2},
              {"FAKTOR", 'F', 12, 4},
              {"SEIT", 'D', 8},
              {"AKTIV", 'L', 1}},
             {{"00123", "  Meier  ", "1234.50", "-0.2500", "20240229", "T"},
              {"", "", "", "", "", "?"},
              {"7", "x", "-12", "1.5E+3", "00000000", "n"},
              {"8", "y", "12,50", "abc", "20230231", "X"},
              {"9", "z", "123456789012345678", "", "2023-1-1", "y"}});
  Loaded loaded = LoadTable(path, "kunden");
  const SourceTable& t = loaded.table;

  EXPECT_THAT(t.ColumnNames(), ElementsAre("NUMMER", "NAME", "BETRAG", "FAKTOR", "SEIT", "AKTIV"));
  ASSERT_EQ(t.RowCount(), 5u);
  // Leading zeros and blanks are part of the text; only the padding goes.
  EXPECT_EQ(t.Get(1, 1), Value("00123"));
  EXPECT_EQ(t.Get(2, 1), Value("  Meier"));
  EXPECT_EQ(t.Get(3, 1), Value(1234.5));
  EXPECT_EQ(t.Get(4, 1), Value(-0.25));
  EXPECT_EQ(t.Get(5, 1), Value(Date(2024, 2, 29)));
  EXPECT_EQ(t.Get(6, 1), Value(true));
  // Blank cells: empty text, null for the other types.
  EXPECT_EQ(t.Get(2, 2), Value(""));
  for (size_t c = 3; c <= 6; ++c) EXPECT_TRUE(t.Get(c, 2).IsNull()) << c;
  EXPECT_EQ(t.Get(3, 3), Value(-12.0));
  EXPECT_EQ(t.Get(4, 3), Value(1500.0));
  EXPECT_TRUE(t.Get(5, 3).IsNull());
  EXPECT_EQ(t.Get(6, 3), Value(false));
  EXPECT_EQ(t.Get(6, 5), Value(true));
  // Too long for a double: kept exact.
  EXPECT_EQ(t.Get(3, 5), Value(int64_t{123456789012345678}));

  // Unreadable values are null, each with a note naming the record and the field.
  for (size_t c = 3; c <= 6; ++c) EXPECT_TRUE(t.Get(c, 4).IsNull()) << c;
  EXPECT_TRUE(t.Get(5, 5).IsNull());
  ASSERT_EQ(loaded.report.warnings.size(), 5u);
  EXPECT_EQ(loaded.report.warnings[0].line, 4u);
  EXPECT_THAT(loaded.report.warnings[0].text, HasSubstr("'BETRAG' (Spalte 3)"));
  EXPECT_THAT(loaded.report.warnings[0].text, HasSubstr("'12,50'"));
  EXPECT_THAT(loaded.report.warnings[1].text, HasSubstr("'FAKTOR'"));
  EXPECT_THAT(loaded.report.warnings[2].text, HasSubstr("'20230231'"));
  EXPECT_THAT(loaded.report.warnings[3].text, HasSubstr("'X'"));
  EXPECT_EQ(loaded.report.warnings[4].line, 5u);
  EXPECT_THAT(loaded.report.warnings[4].text, HasSubstr("'2023-1-1'"));
}

TEST(DbfReaderTest, WithoutNamesTheColumnsAreNumberedAndTheRowsStayTheSame) {
  TempDir dir;
  WriteTable(dir / "t.dbf", {{"A", 'C', 3}, {"B", 'N', 3}}, {{"x", "1"}, {"y", "2"}});
  LoadOptions options;
  options.firstRowHasNames = false;
  Loaded loaded = LoadTable(dir / "t.dbf", "t", options);
  EXPECT_THAT(loaded.table.ColumnNames(), ElementsAre("Spalte 1", "Spalte 2"));
  ASSERT_EQ(loaded.table.RowCount(), 2u);
  EXPECT_EQ(loaded.table.Get(1, 1), Value("x"));
  EXPECT_EQ(loaded.table.Get(2, 2), Value(2.0));
}

TEST(DbfReaderTest, LeavesOutDeletedRecordsAndKeepsTheRecordNumbers) {
  TempDir dir;
  const std::string path = dir / "t.dbf";
  WriteTable(path, {{"A", 'C', 3}}, {{"r1"}, {"r2"}, {"r3"}, {"r4"}});
  DBFHandle dbf = DBFOpen(path.c_str(), "rb+");
  DBFMarkRecordDeleted(dbf, 1, 1);
  DBFMarkRecordDeleted(dbf, 2, 1);
  DBFClose(dbf);
  Loaded loaded = LoadTable(path, "t");
  ASSERT_EQ(loaded.table.RowCount(), 2u);
  EXPECT_EQ(loaded.table.Get(1, 2), Value("r4"));
  EXPECT_EQ(loaded.table.SourceLine(1), 1u);
  EXPECT_EQ(loaded.table.SourceLine(2), 4u);
}

TEST(DbfReaderTest, ReadsVisualFoxProTypesAndNullFlags) {
  TempDir dir;
  const std::string path = dir / "fox.dbf";
  WriteTable(path,
             {{"ZAHL", 'I', 4},
              {"WERT", 'B', 8},
              {"ZEIT", 'T', 8},
              {"PREIS", 'Y', 8},
              {"LEER", 'I', 4},
              {"_NullFlags", '0', 1}},
             {{"", "", "", "", "", ""}, {"", "", "", "", "", ""}});
  PatchByte(path, 0, 0x30);
  PatchByte(path, 32 + 4 * 32 + 18, 0x02);  // LEER may be null
  PatchByte(path, 32 + 5 * 32 + 18, 0x05);  // _NullFlags is a system field
  const size_t start = RecordStart(6), length = 1 + 4 + 8 + 8 + 8 + 4 + 1;
  double value = -2.75;
  uint64_t valueBits;
  std::memcpy(&valueBits, &value, sizeof value);
  // Record 1: 2024-03-01 13:45:30 is Julian day 2460371.
  PatchLe(path, start + 1, static_cast<uint32_t>(-42), 4);
  PatchLe(path, start + 5, valueBits, 8);
  PatchLe(path, start + 13, 2460371, 4);
  PatchLe(path, start + 17, (13 * 3600 + 45 * 60 + 30) * 1000 + 2, 4);
  PatchLe(path, start + 21, 123456, 8);  // 12.3456
  PatchLe(path, start + 29, 0, 4);
  PatchByte(path, start + 33, 0x01);  // LEER is null, not 0
  // Record 2: no time, LEER is 0.
  Patch(path, start + length + 1, std::string(33, '\0'));
  PatchLe(path, start + length + 13, 2460371, 4);

  Loaded loaded = LoadTable(path, "fox");
  const SourceTable& t = loaded.table;
  EXPECT_THAT(t.ColumnNames(), ElementsAre("ZAHL", "WERT", "ZEIT", "PREIS", "LEER"));
  ASSERT_EQ(t.RowCount(), 2u);
  EXPECT_EQ(t.Get(1, 1), Value(-42));
  EXPECT_EQ(t.Get(2, 1), Value(-2.75));
  EXPECT_EQ(t.Get(3, 1), Value(Date(2024, 3, 1, 13, 45, 30)));
  EXPECT_EQ(t.Get(4, 1), Value(12.3456));
  EXPECT_TRUE(t.Get(5, 1).IsNull());
  EXPECT_EQ(t.Get(3, 2), Value(Date(2024, 3, 1)));
  EXPECT_EQ(t.Get(5, 2), Value(0));
  EXPECT_TRUE(loaded.report.warnings.empty());
}

TEST(DbfReaderTest, ReadsDbaseSevenTables) {
  // Level 7 has 48-byte field descriptors after a 68-byte header, and stores numbers so that
  // their bytes sort: big-endian with the sign bit flipped, negative doubles inverted.
  std::string header(68, '\0');
  header[0] = 0x04;
  header[1] = 124, header[2] = 1, header[3] = 15;
  header[4] = 2;                                   // records
  header[8] = static_cast<char>(68 + 3 * 48 + 1);  // header length
  header[10] = 1 + 8 + 4 + 8;                      // record length
  header[29] = 0x03;
  auto descriptor = [](std::string name, char type, char length) {
    std::string d(48, '\0');
    d.replace(0, name.size(), name);
    d[32] = type;
    d[33] = length;
    return d;
  };
  std::string file = header + descriptor("NAME_LANG", 'C', 8) + descriptor("NUMMER", 'I', 4) +
                     descriptor("WERT", 'O', 8) + "\x0D";
  file += " M\xFCller  \x7F\xFF\xFF\xFB\xC0\x04\0\0\0\0\0\0"s;
  file += " x       \x80\0\0\x07\x3F\xFB\xFF\xFF\xFF\xFF\xFF\xFF"s;
  file += "\x1A";
  TempDir dir;
  WriteBytes(dir / "sieben.dbf", file);
  Loaded loaded = LoadTable(dir / "sieben.dbf", "sieben");
  const SourceTable& t = loaded.table;
  EXPECT_THAT(t.ColumnNames(), ElementsAre("NAME_LANG", "NUMMER", "WERT"));
  ASSERT_EQ(t.RowCount(), 2u);
  EXPECT_EQ(t.Get(1, 1), Value("Müller"));
  EXPECT_EQ(t.Get(2, 1), Value(-5));
  EXPECT_EQ(t.Get(3, 1), Value(2.5));
  EXPECT_EQ(t.Get(2, 2), Value(7));
  EXPECT_EQ(t.Get(3, 2), Value(-2.5));
  EXPECT_TRUE(loaded.report.warnings.empty());
}

TEST(DbfReaderTest, WarnsOnceForAFieldTypeItCannotRead) {
  TempDir dir;
  WriteTable(dir / "t.dbf", {{"A", 'C', 2}, {"X", 'X', 4}}, {{"a", "zz"}, {"b", "zz"}});
  Loaded loaded = LoadTable(dir / "t.dbf", "t");
  EXPECT_EQ(loaded.table.Get(1, 2), Value("b"));
  EXPECT_TRUE(loaded.table.Get(2, 1).IsNull());
  ASSERT_EQ(loaded.report.warnings.size(), 1u);
  EXPECT_THAT(loaded.report.warnings[0].text, HasSubstr("'X' (Spalte 2)"));
}

// "Größe Ø" in the DOS code pages; 0x9D is Ø in 850 but ¥ in 437.
constexpr std::string_view kDosText =
    "Gr\x94\xE1"
    "e \x9D";

TEST(DbfReaderTest, DecodesTextsByTheLanguageDriverByte) {
  struct Case {
    uint8_t driver;
    std::string bytes;
    std::string expected;
  };
  for (const Case& c :
       {Case{0x02, std::string(kDosText), "Größe Ø"}, Case{0x01, std::string(kDosText), "Größe ¥"},
        Case{0x64, "\x8A\xE6", "ŐŠ"},  // 852
        Case{0x03, "M\xFCller \x80", "Müller €"}, Case{0x57, "M\xFCller", "Müller"},
        Case{0xC8, "\x8A\xB9", "Šą"}}) {
    TempDir dir;
    const std::string path = dir / "t.dbf";
    WriteTable(path, {{"NAME", 'C', 10}}, {{"x"}});
    PatchByte(path, 29, c.driver);
    Patch(path, RecordStart(1) + 1, c.bytes);
    Loaded loaded = LoadTable(path, "t");
    EXPECT_EQ(loaded.table.Get(1, 1), Value(c.expected)) << int{c.driver};
    EXPECT_TRUE(loaded.report.warnings.empty());
  }
}

// Without a language driver the umlauts decide between DOS (850) and Windows (1252), and a note
// says which.
TEST(DbfReaderTest, ATableWithoutCodePageIsReadByItsUmlauts) {
  for (const auto& [bytes, expected, chosen] :
       {std::tuple<std::string, std::string, std::string>{"Gr\x94\xE1"
                                                          "e \x9A"
                                                          "bung",
                                                          "Größe Übung", "DOS (Codepage 850)"},
        {"M\xFCller Stra\xDF"
         "e",
         "Müller Straße", "Windows-1252"}}) {
    TempDir dir;
    const std::string path = dir / "t.dbf";
    WriteTable(path, {{"NAME", 'C', 20}}, {{"x"}});
    PatchByte(path, 29, 0);
    Patch(path, RecordStart(1) + 1, bytes);
    Loaded loaded = LoadTable(path, "t");
    EXPECT_EQ(loaded.table.Get(1, 1), Value(expected));
    ASSERT_EQ(loaded.report.warnings.size(), 1u);
    EXPECT_THAT(loaded.report.warnings[0].text, HasSubstr(chosen));
  }
}

TEST(DbfReaderTest, TheCharacterSetTheUserChoseWinsOverTheTablesMarks) {
  TempDir dir;
  const std::string path = dir / "t.dbf";
  WriteTable(path, {{"NAME", 'C', 10}}, {{"x"}});
  PatchByte(path, 29, 0x03);  // says 1252
  Patch(path, RecordStart(1) + 1, kDosText);
  WriteBytes(dir / "t.cpg", "1252");
  LoadOptions options;
  options.encoding = "cp850";
  Loaded loaded = LoadTable(path, "t", options);
  EXPECT_EQ(loaded.table.Get(1, 1), Value("Größe Ø"));
  EXPECT_TRUE(loaded.report.warnings.empty());

  // Without a mark, the choice also spares the guess and its note.
  PatchByte(path, 29, 0);
  std::filesystem::remove(dir / "t.cpg");
  options.encoding = "windows-1252";
  loaded = LoadTable(path, "t", options);
  EXPECT_THAT(loaded.table.Get(1, 1).AsText(), StartsWith("Gr”áe"));
  EXPECT_TRUE(loaded.report.warnings.empty());

  options.encoding = "ebcdic";
  EXPECT_EQ(ErrorOf([&] { LoadTable(path, "t", options); }).Code(), SourceErrorCode::Unsupported);
}

TEST(DbfReaderTest, ACpgFileBesideTheTableWinsOverTheHeader) {
  struct Case {
    std::string cpg;
    std::string bytes;
    std::string expected;
  };
  for (const Case& c :
       {Case{"1252", "M\xFCller", "Müller"}, Case{"ANSI 1252\r\n", "M\xFCller", "Müller"},
        Case{"850", std::string(kDosText), "Größe Ø"},
        Case{"OEM", std::string(kDosText), "Größe Ø"}, Case{"UTF-8", "Müller", "Müller"},
        Case{"ISO-8859-15", "\xA4", "€"}}) {
    TempDir dir;
    const std::string path = dir / "t.dbf";
    WriteTable(path, {{"NAME", 'C', 10}}, {{"x"}});
    PatchByte(path, 29, 0x01);  // says 437
    Patch(path, RecordStart(1) + 1, c.bytes);
    WriteBytes(dir / "t.CPG", c.cpg);
    Loaded loaded = LoadTable(path, "t");
    EXPECT_EQ(loaded.table.Get(1, 1), Value(c.expected)) << c.cpg;
    EXPECT_TRUE(loaded.report.warnings.empty()) << c.cpg;
  }
}

TEST(DbfReaderTest, AnUnknownCodePageIsNotedAndWindows1252Used) {
  TempDir dir;
  const std::string path = dir / "t.dbf";
  WriteTable(path, {{"NAME", 'C', 10}}, {{"x"}});
  Patch(path, RecordStart(1) + 1, "M\xFCller");
  WriteBytes(dir / "t.cpg", "Klingonisch");
  PatchByte(path, 29, 0xEE);
  Loaded loaded = LoadTable(path, "t");
  EXPECT_EQ(loaded.table.Get(1, 1), Value("Müller"));
  EXPECT_THAT(WarningTexts(loaded.report),
              ElementsAre(HasSubstr("'Klingonisch'"), HasSubstr("0xEE")));
}

TEST(DbfReaderTest, AUtf8TableWithOtherBytesIsReadAsWindows1252WithANote) {
  TempDir dir;
  const std::string path = dir / "t.dbf";
  WriteTable(path, {{"NAME", 'C', 6}}, {{"x"}, {"x"}});
  WriteBytes(dir / "t.cpg", "UTF-8");
  Patch(path, RecordStart(1) + 1, "M\xFCller");
  Patch(path, RecordStart(1) + 8, "Gr\xC3\xB6\xC3");  // the field cut the ß in half
  Loaded loaded = LoadTable(path, "t");
  EXPECT_EQ(loaded.table.Get(1, 1), Value("Müller"));
  EXPECT_EQ(loaded.table.Get(1, 2), Value("Grö"));
  ASSERT_EQ(loaded.report.warnings.size(), 1u);
  EXPECT_EQ(loaded.report.warnings[0].line, 1u);
}

// Memo files as dBase III, dBase IV and FoxPro write them; each memo starts on a new block.
std::string DbaseThreeMemo(const std::vector<std::string>& memos) {
  std::string file(512, '\0');
  file[16] = 0x03;
  for (const std::string& memo : memos) {
    file += memo + "\x1A\x1A";
    file.resize((file.size() + 511) / 512 * 512, '\0');
  }
  return file;
}

std::string DbaseFourMemo(const std::vector<std::string>& memos, uint16_t blockSize) {
  std::string file(512, '\0');
  file[20] = static_cast<char>(blockSize & 0xFF);
  file[21] = static_cast<char>(blockSize >> 8);
  file.resize(blockSize, '\0');
  for (const std::string& memo : memos) {
    file += "\xFF\xFF\x08" + std::string(1, '\0') + Le32(static_cast<uint32_t>(memo.size() + 8));
    file += memo;
    file.resize((file.size() + blockSize - 1) / blockSize * blockSize, '\0');
  }
  return file;
}

std::string FoxProMemo(const std::vector<std::string>& memos, uint16_t blockSize) {
  std::string file(512, '\0');
  file[6] = static_cast<char>(blockSize >> 8);
  file[7] = static_cast<char>(blockSize & 0xFF);
  for (const std::string& memo : memos) {
    file += Be32(1) + Be32(static_cast<uint32_t>(memo.size())) + memo;
    file.resize((file.size() + blockSize - 1) / blockSize * blockSize, '\0');
  }
  return file;
}

TEST(DbfReaderTest, ReadsMemosFromDbtAndFptFiles) {
  const std::string longText = std::string(700, 'a') + "\r\nEnde";
  struct Case {
    uint8_t version;
    std::string memoName;
    std::string memoFile;
    std::vector<std::string> pointers;
  };
  for (const Case& c :
       {Case{
            0x83, "t.dbt", DbaseThreeMemo({"Erste Notiz \xE4", longText, "kurz"}), {"1", "2", "4"}},
        Case{0x8B,
             "t.DBT",
             DbaseFourMemo({"Erste Notiz \xE4", longText, "kurz"}, 1024),
             {"1", "2", "3"}},
        Case{0xF5,
             "t.fpt",
             FoxProMemo({"Erste Notiz \xE4", longText, "kurz"}, 64),
             {"8", "9", "21"}}}) {
    TempDir dir;
    const std::string path = dir / "t.dbf";
    std::vector<std::vector<std::string>> rows;
    for (const std::string& pointer : c.pointers) rows.push_back({"k", pointer});
    rows.push_back({"k", ""});
    WriteTable(path, {{"K", 'C', 1}, {"NOTIZ", 'M', 10}}, rows);
    PatchByte(path, 0, c.version);
    PatchByte(path, 29, 0x03);
    WriteBytes(dir / c.memoName, c.memoFile);
    Loaded loaded = LoadTable(path, "t");
    const SourceTable& t = loaded.table;
    ASSERT_EQ(t.RowCount(), 4u);
    EXPECT_EQ(t.Get(2, 1), Value("Erste Notiz ä")) << c.memoName;
    EXPECT_EQ(t.Get(2, 2), Value(longText)) << c.memoName;
    EXPECT_EQ(t.Get(2, 3), Value("kurz")) << c.memoName;
    EXPECT_TRUE(t.Get(2, 4).IsNull()) << c.memoName;
    EXPECT_TRUE(loaded.report.warnings.empty()) << c.memoName;
  }
}

TEST(DbfReaderTest, ReadsVisualFoxProMemoPointersAsBinaryNumbers) {
  TempDir dir;
  const std::string path = dir / "t.dbf";
  WriteTable(path, {{"NOTIZ", 'M', 4}}, {{""}, {""}});
  PatchByte(path, 0, 0x30);
  Patch(path, RecordStart(1) + 1, Le32(8));
  Patch(path, RecordStart(1) + 6, Le32(0));
  WriteBytes(dir / "t.fpt", FoxProMemo({"Visual"}, 64));
  Loaded loaded = LoadTable(path, "t");
  EXPECT_EQ(loaded.table.Get(1, 1), Value("Visual"));
  EXPECT_TRUE(loaded.table.Get(1, 2).IsNull());
}

TEST(DbfReaderTest, AMissingOrDamagedMemoFileLeavesTheMemosEmptyWithOneNote) {
  TempDir dir;
  const std::string path = dir / "t.dbf";
  WriteTable(path, {{"K", 'C', 1}, {"NOTIZ", 'M', 10}}, {{"a", "1"}, {"b", "2"}, {"c", ""}});
  PatchByte(path, 0, 0x83);
  {
    Loaded loaded = LoadTable(path, "t");
    ASSERT_EQ(loaded.table.RowCount(), 3u);
    EXPECT_EQ(loaded.table.Get(1, 2), Value("b"));
    EXPECT_TRUE(loaded.table.Get(2, 1).IsNull());
    EXPECT_THAT(WarningTexts(loaded.report), ElementsAre(HasSubstr("t.dbt")));
  }
  WriteBytes(dir / "t.dbt", "kaputt");
  {
    Loaded loaded = LoadTable(path, "t");
    EXPECT_EQ(loaded.table.RowCount(), 3u);
    EXPECT_THAT(WarningTexts(loaded.report), ElementsAre(HasSubstr("beschädigt")));
  }
  // A pointer past the end of a sound memo file spoils that cell only.
  WriteBytes(dir / "t.dbt", DbaseThreeMemo({"eins"}));
  {
    Loaded loaded = LoadTable(path, "t");
    EXPECT_EQ(loaded.table.Get(2, 1), Value("eins"));
    EXPECT_TRUE(loaded.table.Get(2, 2).IsNull());
    ASSERT_EQ(loaded.report.warnings.size(), 1u);
    EXPECT_EQ(loaded.report.warnings[0].line, 2u);
    EXPECT_THAT(loaded.report.warnings[0].text, HasSubstr("Block 2"));
  }
  // A FoxPro block that claims more than the file holds.
  PatchByte(path, 0, 0xF5);
  std::filesystem::remove(dir / "t.dbt");
  std::string fpt = FoxProMemo({"eins"}, 512);
  fpt.replace(512 + 4, 4, Be32(0x7FFFFFFF));
  WriteBytes(dir / "t.fpt", fpt);
  {
    Loaded loaded = LoadTable(path, "t");
    EXPECT_TRUE(loaded.table.Get(2, 1).IsNull());
    EXPECT_EQ(loaded.report.warnings.size(), 2u);
  }
}

TEST(DbfReaderTest, RefusesRecordsThatMultiplyOneMemoBeyondMemory) {
  TempDir dir;
  const std::string path = dir / "t.dbf";
  std::vector<std::vector<std::string>> rows(40, {"1"});
  WriteTable(path, {{"NOTIZ", 'M', 10}}, rows);
  PatchByte(path, 0, 0x83);
  WriteBytes(dir / "t.dbt", DbaseThreeMemo({std::string(4 << 20, 'x')}));
  SourceTable table;
  LoadReport report;
  SourceError error = ErrorOf([&] { OpenDbfFolder(path)->Load("t", {}, table, report); });
  EXPECT_EQ(error.Code(), SourceErrorCode::TooLarge);
  EXPECT_THAT(error.what(), HasSubstr("t.dbt"));
  EXPECT_EQ(table.RowCount(), 0u);
}

TEST(DbfReaderTest, ListsTheDbaseFilesOfTheFolderWhateverTheCaseOfTheirExtension) {
  TempDir dir;
  WriteTable(dir / "Kunden.dbf", {{"A", 'C', 1}}, {{"k"}});
  WriteTable(dir / "artikel.DBF", {{"A", 'C', 1}}, {{"a"}});
  WriteTable(dir / "Lager.Dbf", {{"A", 'C', 1}}, {{"l"}});
  WriteBytes(dir / "notizen.txt", "x");
  WriteBytes(dir / "Kunden.dbt", "x");
  std::filesystem::create_directory(dir / "ordner.dbf");

  auto reader = OpenDbfFolder(dir / "Kunden.dbf");
  EXPECT_THAT(reader->Tables(), ElementsAre("artikel", "Kunden", "Lager"));
  SourceTable table;
  LoadReport report;
  reader->Load("artikel", {}, table, report);
  EXPECT_EQ(table.Get(1, 1), Value("a"));
  reader->Load("Lager", {}, table, report);
  EXPECT_EQ(table.Get(1, 1), Value("l"));

  // The chosen file is the table to load by default, not the folder's first.
  EXPECT_EQ(reader->ChosenTable(), "Kunden");
  EXPECT_EQ(OpenDbfFolder(dir.Path())->ChosenTable(), "");

  SourceError missing = ErrorOf([&] { reader->Load("Preise", {}, table, report); });
  EXPECT_EQ(missing.Code(), SourceErrorCode::TableMissing);
  EXPECT_THAT(missing.what(), HasSubstr("'Preise'"));
  EXPECT_EQ(table.ColumnCount(), 0u);
}

TEST(DbfReaderTest, RefusesFilesThatAreNoReadableTable) {
  TempDir dir;
  const std::string good = dir / "gut.dbf";
  WriteTable(good, {{"A", 'C', 4}, {"B", 'N', 4}}, {{"a", "1"}});
  const std::string content = ReadBytes(good);
  struct Case {
    std::string name;
    std::string bytes;
    SourceErrorCode code;
    std::string says;
  };
  std::string fieldsPastHeader = content;
  fieldsPastHeader[8] = 80;  // the second descriptor would end at 96
  std::string recordTooShort = content;
  recordTooShort[10] = 5;  // the fields need 9 bytes
  std::string noFields = content;
  noFields[32] = 0x0D;
  std::string badField = content;
  badField[32 + 16] = 0;  // length 0
  for (const Case& c : {
           Case{"leer", "", SourceErrorCode::WrongFormat, "leer"},
           Case{"text", "Nummer;Name\r\n1;Meier\r\n", SourceErrorCode::WrongFormat,
                "keine dBase-Tabelle"},
           Case{"kurz", content.substr(0, 20), SourceErrorCode::WrongFormat, "unvollständig"},
           Case{"kopf", content.substr(0, 80), SourceErrorCode::WrongFormat, "unvollständig"},
           Case{"felder", fieldsPastHeader, SourceErrorCode::WrongFormat, "Feldbeschreibungen"},
           Case{"satz", recordTooShort, SourceErrorCode::WrongFormat, "Satzlänge"},
           Case{"ohne", noFields, SourceErrorCode::WrongFormat, "kein einziges Feld"},
           Case{"feld", badField, SourceErrorCode::WrongFormat, "1. Feldes"},
           Case{"zwei", "\x02" + content.substr(1), SourceErrorCode::Unsupported, "dBase II"},
       }) {
    const std::string path = dir / (c.name + ".dbf");
    WriteBytes(path, c.bytes);
    // Chosen directly, the file is refused when it is opened ...
    SourceError opened = ErrorOf([&] { OpenDbfFolder(path); });
    EXPECT_EQ(opened.Code(), c.code) << c.name;
    EXPECT_THAT(opened.what(), HasSubstr(path)) << c.name;
    EXPECT_THAT(opened.what(), HasSubstr(c.says)) << c.name;
    // ... and as a table of the folder when it is loaded, leaving the table empty.
    SourceTable table;
    table.Reset({"alt"});
    table.FinishRow(1);
    LoadReport report;
    SourceError loaded = ErrorOf([&] { OpenDbfFolder(good)->Load(c.name, {}, table, report); });
    EXPECT_EQ(loaded.Code(), c.code) << c.name;
    EXPECT_EQ(table.ColumnCount(), 0u) << c.name;
    EXPECT_EQ(table.RowCount(), 0u) << c.name;
  }

  SourceError missing = ErrorOf([&] { OpenDbfFolder(dir / "fehlt.dbf"); });
  EXPECT_EQ(missing.Code(), SourceErrorCode::FileMissing);
  EXPECT_THAT(missing.what(), HasSubstr("fehlt.dbf"));
}

TEST(DbfReaderTest, ReadsOnlyTheRecordsThatAreThereWhenTheHeaderClaimsMore) {
  TempDir dir;
  const std::string path = dir / "t.dbf";
  WriteTable(path, {{"A", 'C', 10}}, {{"eins"}, {"zwei"}, {"drei"}});
  for (uint32_t claimed : {4u, 0xFFFFFFFFu}) {
    PatchLe(path, 4, claimed, 4);
    Loaded loaded = LoadTable(path, "t");
    EXPECT_EQ(loaded.table.RowCount(), 3u);
    EXPECT_THAT(WarningTexts(loaded.report), ElementsAre(HasSubstr("nur 3 der angegebenen")));
  }
  // A record cut off by the end of the file is not read.
  std::string content = ReadBytes(path);
  WriteBytes(path, content.substr(0, content.size() - 6));
  EXPECT_EQ(LoadTable(path, "t").table.RowCount(), 2u);
  // A record length far beyond the file leaves no whole record.
  WriteBytes(path, content);
  PatchLe(path, 10, 60000, 2);
  EXPECT_EQ(LoadTable(path, "t").table.RowCount(), 0u);
}

TEST(DbfReaderTest, NotesRecordsBehindTheCountOfTheHeader) {
  TempDir dir;
  const std::string path = dir / "t.dbf";
  WriteTable(path, {{"A", 'C', 10}}, {{"eins"}, {"zwei"}, {"drei"}});
  PatchLe(path, 4, 2, 4);
  Loaded loaded = LoadTable(path, "t");
  EXPECT_EQ(loaded.table.RowCount(), 2u);
  EXPECT_THAT(WarningTexts(loaded.report), ElementsAre(HasSubstr("weitere Daten")));
}

TEST(DbfReaderTest, ReportsProgressAndStopsWhenCancelled) {
  TempDir dir;
  const std::string path = dir / "t.dbf";
  std::vector<std::vector<std::string>> rows(10000, {"x"});
  WriteTable(path, {{"A", 'C', 1}}, rows);

  std::vector<uint64_t> seen;
  LoadOptions options;
  options.progress = [&](uint64_t done, uint64_t total) {
    EXPECT_EQ(total, 10000u);
    seen.push_back(done);
    return true;
  };
  Loaded loaded = LoadTable(path, "t", options);
  EXPECT_EQ(loaded.table.RowCount(), 10000u);
  EXPECT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.back(), 10000u);

  int calls = 0;
  options.progress = [&](uint64_t, uint64_t) { return ++calls < 2; };
  Loaded cancelled = LoadTable(path, "t", options);
  EXPECT_TRUE(cancelled.report.cancelled);
  EXPECT_EQ(cancelled.table.RowCount(), 0u);
  EXPECT_EQ(cancelled.table.ColumnCount(), 0u);
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace velra
