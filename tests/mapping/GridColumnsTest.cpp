#include <gtest/gtest.h>

#include "TestSupport.h"
#include "mapping/GridColumns.h"

namespace velra {
namespace {

class GridColumnsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteBytes(dir_ / "Firma.lyt",
                     "[Positionstabellen]\r\nArticleNumber=Artikel-Nr.\r\nName=Nachname\r\n"
                     "Artikel-Nr.=ArticleNumber\r\nNachname=Name\r\n" +
                         std::string("Langer Name=") + std::string(1600, 'x') + "\r\n");
    layout_ = LayoutFile::Load(dir_ / "Firma.lyt");
  }
  test::TempDir dir_;
  LayoutFile layout_;
};

TEST_F(GridColumnsTest, LookupsReadBothDirectionsWithTheLongRoom) {
  EXPECT_EQ(layout_.Lookup("artikel-nr."), "ArticleNumber");
  EXPECT_EQ(layout_.Lookup("ArticleNumber"), "Artikel-Nr.");
  EXPECT_EQ(layout_.Lookup("Langer Name").size(), 1499u);
  EXPECT_EQ(LayoutFile::Load(dir_ / "fehlt.lyt").Lookup("Name"), "");
}

TEST_F(GridColumnsTest, ColumnsNamedAfterCaptionsCarryTheirField) {
  std::vector<GridColumn> columns = BuildGridColumns({"Artikel-Nr.", "Preis", "Nachname"}, layout_);
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[0].FieldCaption, "Artikel-Nr.");  // the caption stays the source name
  EXPECT_EQ(columns[0].TargetField, "ArticleNumber");
  EXPECT_EQ(columns[1].TargetField, "");
  EXPECT_EQ(columns[2].TargetField, "Name");
}

TEST_F(GridColumnsTest, TheTargetTableDecidesBetweenFieldNamesAndCaptions) {
  // A header that is a field name itself would look up its caption; the table knows better.
  const std::vector<std::string> contactFields = {"ID", "Name", "Surname"};
  std::vector<GridColumn> columns =
      BuildGridColumns({"name", "Nachname", "Artikel-Nr."}, layout_, &contactFields);
  EXPECT_EQ(columns[0].TargetField, "Name");
  EXPECT_EQ(columns[1].TargetField, "Name");
  EXPECT_EQ(columns[2].TargetField, "");  // no field of this table
}

}  // namespace
}  // namespace velra
