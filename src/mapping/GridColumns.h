#pragma once
// The columns of the mapping grid: one per source column, each with the caption shown in its
// header and the database field it is imported into.

#include <string>
#include <vector>

#include "mapping/LayoutFile.h"

namespace velra {

// The grid's named styles: assigned ("Bound"), marked but unassigned ("UnBound"), assignment
// removed ("None"). Colours are BGR values as the suite stores them.
inline constexpr const char* kHeaderBound = "ColumnHeaderBound";
inline constexpr const char* kCellsBound = "ColumnCellsBound";
inline constexpr const char* kHeaderUnBound = "ColumnHeaderUnBound";
inline constexpr const char* kCellsUnBound = "ColumnCellsUnBound";
inline constexpr const char* kHeaderNone = "ColumnHeaderNone";
inline constexpr const char* kCellsNone = "ColumnCellsNone";

struct GridStyle {
  const char* name;
  unsigned colour;  // BGR
  bool header;
};
inline constexpr GridStyle kGridStyles[] = {
    {kHeaderBound, 0x00FF00, true},   {kCellsBound, 0x00FF00, false},
    {kHeaderUnBound, 0x0000FF, true}, {kCellsUnBound, 0x0000FF, false},
    {kHeaderNone, 0xFFFFFF, true},    {kCellsNone, 0xFFFFFF, false},
};

struct GridColumn {
  std::string SourceName;    // the column's name in the source
  std::string FieldCaption;  // the header text
  std::string TargetField;   // empty: not imported
  std::string CellStyle;     // empty: the grid's default look
  std::string HeaderStyle;
  int Width = 1000;
  bool ByHand = false;  // the user assigned the field
};

// Takes an automatic assignment back: the column shows its own name again, has no field and the
// grid's default look.
inline void ClearAutomaticAssignment(GridColumn& column) {
  column.FieldCaption = column.SourceName;
  column.TargetField.clear();
  column.CellStyle.clear();
  column.HeaderStyle.clear();
}

// One column per source column name. A source column named after a caption of the layout file
// (a file exported with the suite's captions as headers) carries that caption's field from the
// start. With `targetFields` (the fields of the target table) a looked-up name that is no field
// of the table is not taken, and a source column named exactly like a field of the table
// carries that field.
// The number (from 1) of the last column imported into `field` (compared exactly); 0 for none.
int FindMappedColumn(const std::vector<GridColumn>& columns, const std::string& field);

std::vector<GridColumn> BuildGridColumns(const std::vector<std::string>& sourceNames,
                                         const LayoutFile& layout,
                                         const std::vector<std::string>* targetFields = nullptr);

}  // namespace velra
