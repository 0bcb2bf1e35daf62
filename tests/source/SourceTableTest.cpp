#include <gtest/gtest.h>

#include "source/SourceError.h"
#include "source/SourceTable.h"

namespace velra {
namespace {

SourceTable TwoRows() {
  SourceTable table;
  table.Reset({"Nr", "Name"});
  table.SetText(1, "1");
  table.SetText(2, "Müller");
  table.FinishRow(2);
  table.SetText(2, "Meier");  // any column order; the unset cell holds no value
  table.FinishRow(3);
  return table;
}

TEST(SourceTable, CellsKeepTheirTypesAndNullsStayNull) {
  SourceTable table = TwoRows();
  EXPECT_EQ(table.RowCount(), 2u);
  EXPECT_EQ(table.Get(2, 1), Value("Müller"));
  EXPECT_TRUE(table.Get(1, 2).IsNull());
  EXPECT_EQ(table.TextAt(1, 1), "1");
  EXPECT_EQ(table.SourceLine(2), 3u);

  const DateTime date{2026, 12, 4, 13, 30, 5};
  table.SetValue(1, 12.5);
  table.SetValue(2, date);
  table.FinishRow(4);
  table.SetValue(1, true);
  table.SetValue(2, int64_t{-7});
  table.FinishRow(5);
  table.SetValue(1, Bytes{0, 255});
  table.SetText(2, "");
  table.FinishRow(6);
  EXPECT_EQ(table.Get(1, 3), Value(12.5));
  EXPECT_EQ(table.Get(2, 3), Value(date));
  EXPECT_EQ(table.Get(1, 4), Value(true));
  EXPECT_EQ(table.Get(2, 4), Value(int64_t{-7}));
  EXPECT_EQ(table.Get(1, 5), Value(Bytes{0, 255}));
  EXPECT_EQ(table.Get(2, 5), Value(""));  // empty text is not null
  // Text written before the column took other types reads back unchanged.
  EXPECT_EQ(table.Get(2, 1), Value("Müller"));
  EXPECT_EQ(table.TypeAt(1, 3), Value::Type::Double);
  EXPECT_EQ(table.TextAt(1, 3), "");
}

TEST(SourceTable, GridRowOperations) {
  SourceTable table = TwoRows();
  table.UpdateRow(1, {Value("100"), Value("Müller-Lüdenscheidt")});
  table.UpdateRow(2, {Value(3.0)});
  EXPECT_EQ(table.ReadRow(1), (std::vector<Value>{Value("100"), Value("Müller-Lüdenscheidt")}));
  EXPECT_EQ(table.ReadRow(2), (std::vector<Value>{Value(3.0), Value()}));

  table.AddRow({Value("4"), Value("Neu")});
  EXPECT_EQ(table.RowCount(), 3u);
  EXPECT_EQ(table.SourceLine(3), 0u);  // typed in, not from the file

  table.DeleteRow(2);
  EXPECT_EQ(table.RowCount(), 2u);
  EXPECT_EQ(table.Get(2, 1), Value("Müller-Lüdenscheidt"));
  EXPECT_EQ(table.Get(2, 2), Value("Neu"));
  table.DeleteRow(1);
  table.DeleteRow(1);
  EXPECT_EQ(table.RowCount(), 0u);
  EXPECT_EQ(table.ColumnCount(), 2u);
  table.AddRow({Value("5")});
  EXPECT_EQ(table.Get(1, 1), Value("5"));
}

TEST(SourceTable, APercentageIsANumberThatKeepsItsMarkUntilItIsChanged) {
  SourceTable table;
  table.Reset({"MwSt", "Preis"});
  table.SetPercentage(1, 0.19);
  table.SetValue(2, 0.19);
  table.FinishRow(2);
  table.SetPercentage(1, 0.07);
  table.FinishRow(3);
  EXPECT_EQ(table.Get(1, 1), Value(0.19));
  EXPECT_EQ(table.TypeAt(1, 1), Value::Type::Double);
  EXPECT_TRUE(table.IsPercentage(1, 1));
  EXPECT_FALSE(table.IsPercentage(2, 1));
  EXPECT_FALSE(table.IsPercentage(2, 2));
  EXPECT_FALSE(TwoRows().IsPercentage(1, 1));  // a text column
  // A row written back from the grid keeps the mark of the cell it did not change.
  table.UpdateRow(1, {Value(0.19), Value(1.5)});
  table.UpdateRow(2, {Value(7.0), Value()});
  EXPECT_TRUE(table.IsPercentage(1, 1));
  EXPECT_FALSE(table.IsPercentage(1, 2));
  EXPECT_EQ(table.Get(1, 2), Value(7.0));
}

TEST(SourceTable, ColumnsAddedLaterAndTheHeaderLine) {
  SourceTable table = TwoRows();
  table.AddColumn("Ort;PLZ");
  EXPECT_TRUE(table.Get(3, 1).IsNull());
  table.SetText(3, "Bonn");
  table.FinishRow(4);
  EXPECT_EQ(table.Get(3, 3), Value("Bonn"));
  EXPECT_EQ(table.HeaderLine(";"), "Nr;Name;Ort;PLZ");
  // The names stay apart even when one holds the separator.
  EXPECT_EQ(table.ColumnNames().size(), 3u);
}

TEST(SourceTable, MemoryStaysNearTheSizeOfTheText) {
  SourceTable table;
  table.Reset({"A", "B"});
  size_t text = 0;
  for (int i = 0; i < 100000; ++i) {
    std::string value = "Wert " + std::to_string(i);
    text += 2 * value.size();
    table.SetText(1, value);
    table.SetText(2, value);
    table.FinishRow(static_cast<uint32_t>(i + 2));
  }
  // Four bytes per cell for its end, four per row for its line, plus growth of the buffers.
  EXPECT_LT(table.MemoryUsage(), 2 * (text + 100000 * 12));
}

}  // namespace
}  // namespace velra
