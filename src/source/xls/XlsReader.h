#pragma once
// Excel 97-2003 workbooks (.xls, BIFF8): the sheets are the tables.

#include <memory>
#include <string>

#include "source/SourceReader.h"

namespace velra {

// Opens the workbook; throws SourceError when it cannot be read.
std::unique_ptr<SourceReader> OpenXlsWorkbook(const std::string& path);

}  // namespace velra
