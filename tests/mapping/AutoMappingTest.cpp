#include <gtest/gtest.h>

#include "TestSupport.h"
#include "mapping/AutoMapping.h"
#include "mapping/OneColumnPerField.h"

namespace velra {
namespace {

class AutoMappingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteBytes(
        dir_ / "Firma.lyt",
        "[Positionstabellen]\r\nArtikel-Nr.=ArticleNumber\r\nKurzbeschreibung=ShortText\r\n"
        "Kunden-Nr.=CustomerNumber\r\nNachname=Name\r\n");
    layout_ = LayoutFile::Load(dir_ / "Firma.lyt");
  }
  std::vector<GridColumn> Columns(const std::vector<std::string>& names) {
    return BuildGridColumns(names, layout_);
  }
  test::TempDir dir_;
  LayoutFile layout_;
};

TEST_F(AutoMappingTest, AliasesMatchTrimmedAndCaseSensitiveAndTheFirstLineWins) {
  MatchingFile matching = MatchingFile::FromLines({
      "# Kommentar ohne Gleichheitszeichen",
      "Artikel-Nr.=ArtNr; Artikelnummer ;Art.-Nr.",
      "Kurzbeschreibung=Bezeichnung;ArtNr",
      "Nachname=",
      "Kunden-Nr.=KdNr=Kundennummer",
  });
  std::vector<GridColumn> columns =
      Columns({" ArtNr ", "artnr", "Artikelnummer", "Bezeichnung", "", "Kundennummer", "KdNr"});
  AutoMapColumns(columns, matching, layout_);
  EXPECT_EQ(columns[0].FieldCaption, "Artikel-Nr.");
  EXPECT_EQ(columns[0].TargetField, "ArticleNumber");
  EXPECT_EQ(columns[0].CellStyle, "ColumnCellsBound");
  EXPECT_EQ(columns[1].FieldCaption, "artnr");  // letter case counts
  EXPECT_EQ(columns[1].TargetField, "");
  EXPECT_EQ(columns[2].TargetField, "ArticleNumber");
  EXPECT_EQ(columns[3].TargetField, "ShortText");
  EXPECT_EQ(columns[4].TargetField, "");  // an empty alias matches nothing
  EXPECT_EQ(columns[5].TargetField, "");  // behind a second "=" nothing counts
  EXPECT_EQ(columns[6].TargetField, "CustomerNumber");
}

TEST_F(AutoMappingTest, ASecondRunChangesOnlyWhatTheFileListsAndMarkedColumnsStay) {
  MatchingFile matching =
      MatchingFile::FromLines({"Artikel-Nr.=ArtNr", "Kurzbeschreibung=Artikel-Nr."});
  std::vector<GridColumn> columns = Columns({"ArtNr", "Bezeichnung"});
  AutoMapColumns(columns, matching, layout_);
  EXPECT_EQ(columns[0].FieldCaption, "Artikel-Nr.");
  columns[1].FieldCaption = "× Bezeichnung";
  // Its new caption is itself listed as an alias, so a second run moves the column on.
  AutoMapColumns(columns, matching, layout_);
  EXPECT_EQ(columns[0].FieldCaption, "Kurzbeschreibung");
  EXPECT_EQ(columns[1].FieldCaption, "× Bezeichnung");
  EXPECT_EQ(columns[1].TargetField, "");
}

TEST_F(AutoMappingTest, CaptionsOfFieldsTheTargetTableLacksArePassedOver) {
  MatchingFile matching = MatchingFile::FromLines({"Kurzbeschreibung=Name", "Nachname=Name"});
  const std::vector<std::string> contactFields = {"ID", "Name", "CustomerNumber"};
  std::vector<GridColumn> columns = Columns({"Name"});
  AutoMapColumns(columns, matching, layout_, &contactFields);
  EXPECT_EQ(columns[0].FieldCaption, "Nachname");
  EXPECT_EQ(columns[0].TargetField, "Name");
}

// Two columns never share a field: the exact caption wins over an alias, else the first column,
// and the one left out is named.
TEST_F(AutoMappingTest, AFieldKeepsOneColumn) {
  MatchingFile matching =
      MatchingFile::FromLines({"Kurzbeschreibung=Bezeichnung", "Artikel-Nr.=Art.-Nr.;ArtNr"});
  std::vector<GridColumn> columns =
      Columns({"Bezeichnung", "Kurzbeschreibung", "Art.-Nr.", "ArtNr"});
  AutoMapColumns(columns, matching, layout_);
  ASSERT_EQ(columns[0].TargetField, "ShortText");
  ASSERT_EQ(columns[1].TargetField, "ShortText");
  EXPECT_EQ(TwoColumnsOnOneField(columns),
            "Die Spalten 'Bezeichnung' und 'Kurzbeschreibung' sind beide dem Feld "
            "'Kurzbeschreibung' zugeordnet; der Import würde den einen Wert mit dem anderen "
            "überschreiben. Heben Sie eine der beiden Zuordnungen auf.");

  const std::vector<std::string> notes = KeepOneColumnPerField(columns);
  EXPECT_EQ(columns[0].TargetField, "");
  EXPECT_EQ(columns[0].FieldCaption, "Bezeichnung");
  EXPECT_EQ(columns[1].TargetField, "ShortText");
  EXPECT_EQ(columns[2].TargetField, "ArticleNumber");
  EXPECT_EQ(columns[3].TargetField, "");
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0],
            "Spalte 'Bezeichnung' wurde nicht zugeordnet, weil 'Kurzbeschreibung' schon der "
            "Spalte 'Kurzbeschreibung' zugeordnet ist.");
  EXPECT_EQ(notes[1],
            "Spalte 'ArtNr' wurde nicht zugeordnet, weil 'Artikel-Nr.' schon der Spalte "
            "'Art.-Nr.' zugeordnet ist.");
  EXPECT_EQ(TwoColumnsOnOneField(columns), std::nullopt);
}

TEST_F(AutoMappingTest, TheMatchingFileIsReadInItsEncoding) {
  test::WriteBytes(dir_ / "match.txt", "Kunden-Nr.=Kd-Nr;K\xFCndennr\r\n");  // Windows-1252
  std::vector<GridColumn> columns = Columns({"Kündennr"});
  AutoMapColumns(columns, MatchingFile::Load(dir_ / "match.txt"), layout_);
  EXPECT_EQ(columns[0].TargetField, "CustomerNumber");
  const std::string error =
      test::ThrownMessage<ConfigError>([&] { MatchingFile::Load(dir_ / "fehlt.txt"); });
  EXPECT_NE(error.find("fehlt.txt"), std::string::npos);
}

}  // namespace
}  // namespace velra
