#pragma once
// The workbook part of a .xlsx package and its relationships: the sheets in their order with
// the parts that hold their cells, the date system, and where the shared strings and the
// styles are.

#include <string>
#include <vector>

#include "source/xlsx/XlsxPackage.h"

namespace velra::xlsx {

struct SheetPart {
  std::string name;
  std::string part;  // empty when the workbook names none
};

struct WorkbookLayout {
  std::vector<SheetPart> sheets;  // worksheets only: chart sheets hold no cells
  bool date1904 = false;
  std::string stringsPart, stylesPart;  // empty when the workbook has none
};

// Throws SourceError when the package holds no workbook.
WorkbookLayout ReadWorkbookLayout(Package& package);

}  // namespace velra::xlsx
