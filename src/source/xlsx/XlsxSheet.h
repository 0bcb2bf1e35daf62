#pragma once
// The cells of one sheet of a .xlsx workbook, loaded into the source table.

#include <cstdint>
#include <vector>

#include "source/SourceReader.h"
#include "source/xlsx/XlsxPackage.h"
#include "source/xlsx/XlsxSharedStrings.h"
#include "source/xlsx/XlsxStyles.h"
#include "source/xlsx/XlsxWorkbookPart.h"

namespace velra::xlsx {

// What the cells of every sheet refer to.
struct SheetContext {
  const SharedStrings& strings;
  const std::vector<NumberKind>& styles;
  bool date1904 = false;
};

// Loads the sheet whose part is at `index` into `out`, the way SourceReader::Load describes;
// false when the user cancelled. Throws SourceError.
bool LoadSheet(Package& package, const SheetPart& sheet, zip_int64_t index,
               const SheetContext& context, const LoadOptions& options, SourceTable& out,
               LoadReport& report);

}  // namespace velra::xlsx
