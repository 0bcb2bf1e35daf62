#pragma once
// Excel 2007-2019 workbooks (.xlsx, Office Open XML): the sheets are the tables.

#include <memory>
#include <string>

#include "source/SourceReader.h"

namespace velra {

// Opens the workbook; throws SourceError when it cannot be read.
std::unique_ptr<SourceReader> OpenXlsxWorkbook(const std::string& path);

}  // namespace velra
