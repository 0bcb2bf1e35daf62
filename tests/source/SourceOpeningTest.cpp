#include <gtest/gtest.h>

#include "TestSupport.h"
#include "source/Formats.h"
#include "source/SourceError.h"
#include "source/SourceOpening.h"

namespace velra {
namespace {

TEST(SourceFormats, TheFormatListAndItsDialogFilters) {
  ASSERT_EQ(SourceFormats().size(), 6u);
  EXPECT_STREQ(SourceFormats()[0].listText, "Microsoft Excel (XLS)");
  EXPECT_STREQ(SourceFormats()[4].listText, "CSV (CSV)");
  EXPECT_STREQ(SourceFormats()[5].listText, "Microsoft Excel 2007-2019 (XLSX)");
  EXPECT_EQ(InfoOf(SourceFormat::Csv).dialogFilterIndex, 6);
  EXPECT_EQ(InfoOf(SourceFormat::Xlsx).dialogFilterIndex, 7);
  EXPECT_EQ(FormatOfIndex(3), SourceFormat::Txt);
  EXPECT_EQ(FormatOfIndex(6), std::nullopt);
  // The filter's entries line up with the filter indexes of the formats (1 is "all").
  std::vector<std::string> parts;
  std::string filter = FileDialogFilter();
  for (size_t start = 0, bar; start <= filter.size(); start = bar + 1) {
    bar = filter.find('|', start);
    if (bar == std::string::npos) bar = filter.size();
    parts.push_back(filter.substr(start, bar - start));
  }
  ASSERT_EQ(parts.size(), 14u);
  EXPECT_EQ(parts[2 * (InfoOf(SourceFormat::Xlsx).dialogFilterIndex - 1) + 1], "*.xlsx;*.xlsm");
  EXPECT_EQ(parts[2 * (InfoOf(SourceFormat::Dbf).dialogFilterIndex - 1) + 1], "*.dbf");
}

TEST(SourceFormats, TheExtensionSelectsTheFormat) {
  EXPECT_EQ(FormatOfFileName("/home/anna/Kunden.Csv"), SourceFormat::Csv);
  EXPECT_EQ(FormatOfFileName("Artikel.XLS"), SourceFormat::Xls);
  EXPECT_EQ(FormatOfFileName("Artikel.xlsx"), SourceFormat::Xlsx);
  EXPECT_EQ(FormatOfFileName("Kalkulation.XLSM"), SourceFormat::Xlsx);  // macros are never read
  EXPECT_EQ(FormatOfFileName("C:\\Daten\\ARTIKEL.DBF"), SourceFormat::Dbf);
  EXPECT_EQ(FormatOfFileName("liste.txt"), SourceFormat::Txt);
  EXPECT_EQ(FormatOfFileName("daten.ods"), std::nullopt);
  EXPECT_EQ(FormatOfFileName("/ordner.csv/datei"), std::nullopt);
}

TEST(SourceFormats, WebAddressesNeedASchemeOrWww) {
  EXPECT_TRUE(IsWebAddress("http://example.com/img/a.jpg"));
  EXPECT_TRUE(IsWebAddress("HTTPS://example.com/a.jpg"));
  EXPECT_TRUE(IsWebAddress("ftp://server/a.jpg"));
  EXPECT_TRUE(IsWebAddress("www.example.com/a.jpg"));
  EXPECT_FALSE(IsWebAddress("/srv/bilder/a.jpg"));
  EXPECT_FALSE(IsWebAddress("C:\\Bilder\\a.jpg"));
  EXPECT_FALSE(IsWebAddress("a.jpg"));
  EXPECT_FALSE(IsWebAddress("bilder/http://x"));
}

TEST(LoadSource, TextFilesAndMissingTables) {
  test::TempDir dir;
  test::WriteBytes(dir / "k.txt", "Nr\tName\n1\tMüller\n");
  SourceRequest request;
  request.format = SourceFormat::Txt;
  request.path = dir / "k.txt";
  request.text.separator = "\t";
  SourceTable table;
  LoadReport report;
  LoadSource(request, table, report);
  EXPECT_EQ(table.Get(2, 1), Value("Müller"));

  // A dBase folder without the table asked for.
  test::WriteBytes(dir / "leer.dbf", "");
  request.format = SourceFormat::Dbf;
  request.path = dir / "leer.dbf";
  request.table = "Fehlt";
  EXPECT_THROW(LoadSource(request, table, report), SourceError);
  EXPECT_EQ(table.ColumnCount(), 0u);
}

}  // namespace
}  // namespace velra
