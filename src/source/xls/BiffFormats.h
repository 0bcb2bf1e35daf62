#pragma once
// How the number formats of an Excel 5.0 to 2003 workbook show their numbers. Used only by the
// workbook stream reader.

#include <cstdint>
#include <string_view>

#include "source/xls/Biff.h"

namespace velra::biff {

// The kind of a format Excel knows without a FORMAT record, by its index.
FormatKind BuiltInFormat(uint16_t index);

// The kind of a format by its code.
FormatKind ClassifyFormat(std::string_view code);

}  // namespace velra::biff
