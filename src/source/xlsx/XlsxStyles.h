#pragma once
// The styles part of a .xlsx workbook, as far as it says how cells show their numbers.

#include <cstdint>
#include <string>
#include <vector>

#include "source/xlsx/XlsxPackage.h"

namespace velra::xlsx {

// How a number format shows its number; a percentage shows it times 100 with "%".
enum class NumberKind : uint8_t { Plain, Date, Time, Percentage };

// The kind of each cell format (the cellXfs of the styles part) by its index; none when `part`
// is empty or missing. Throws SourceError.
std::vector<NumberKind> ReadStyles(Package& package, const std::string& part);

}  // namespace velra::xlsx
