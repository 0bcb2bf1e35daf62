#pragma once
// The loaded source: column names and the values of every row, column-major as SourceData(c, r).
// Each column keeps its cells in one buffer (text bytes, or a type tag and a payload once the
// column holds other values than text), so memory stays near the size of the file. Rows and
// columns count from 1.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Value.h"

namespace velra {

class SourceTable {
 public:
  // Empties the table and sets its columns.
  void Reset(std::vector<std::string> columnNames);
  void Clear() { Reset({}); }
  // Room for about `rows` rows with `bytesPerColumn[i]` bytes in column i, so that a large load
  // does not grow its buffers by doubling.
  void Reserve(size_t rows, const std::vector<size_t>& bytesPerColumn);
  // Adds a column at the end; the rows loaded so far get no value in it.
  void AddColumn(std::string name);
  // Removes the first `count` columns with their cells.
  void DropLeadingColumns(size_t count);
  void RenameColumn(size_t column, std::string name) { names_[column - 1] = std::move(name); }

  size_t ColumnCount() const { return columns_.size(); }  // SourceColumnCount
  size_t RowCount() const { return rowCount_; }           // SourceRowCount
  const std::vector<std::string>& ColumnNames() const { return names_; }
  // The column names joined by `separator` (HeaderLine).
  std::string HeaderLine(std::string_view separator) const;

  // SourceData(column, row).
  Value Get(size_t column, size_t row) const;
  Value::Type TypeAt(size_t column, size_t row) const;
  // Whether the cell holds a number that the source shows as a percentage (a cell formatted
  // "0 %" holds 0.19 for 19 %). Such cells cost no more than other numbers, and a table without
  // them nothing at all.
  bool IsPercentage(size_t column, size_t row) const;
  // The text of a text cell without copying it; empty for other cells.
  std::string_view TextAt(size_t column, size_t row) const;
  // Where the row stands in its file: the line of a text file, the row of a sheet, the record of
  // a table; 0 for rows added by hand.
  uint32_t SourceLine(size_t row) const { return lines_[row - 1]; }

  // Building a row: set the cells of the next row, in any column order, each at most once, then
  // finish the row. Cells not set hold no value (null).
  void SetText(size_t column, std::string_view text);
  void SetValue(size_t column, const Value& value);
  // A number that the source shows as a percentage.
  void SetPercentage(size_t column, double number);
  void FinishRow(uint32_t sourceLine);

  // Row operations of the grid.
  std::vector<Value> ReadRow(size_t row) const;
  void UpdateRow(size_t row, const std::vector<Value>& values);
  void AddRow(const std::vector<Value>& values);
  void DeleteRow(size_t row);

  // Bytes held by the cells (for the benchmarks and the memory limit).
  size_t MemoryUsage() const;

 private:
  struct Column {
    std::string data;            // the cells one after another
    std::vector<uint32_t> ends;  // end offset of each cell in `data`
    bool typed = false;          // false: every cell is text; true: every cell starts with a tag
  };
  std::string_view Raw(const Column& column, size_t row) const;
  void MakeTyped(Column& column);
  void Append(Column& column, const Value& value);
  void AppendCell(Column& column, const std::string& cell);
  void CheckRoom(const Column& column, size_t more) const;
  void ReplaceCell(Column& column, size_t row, const Value& value);

  std::vector<std::string> names_;
  std::vector<Column> columns_;
  std::vector<uint32_t> lines_;
  size_t rowCount_ = 0;
};

}  // namespace velra
