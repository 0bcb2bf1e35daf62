#pragma once
// Completions of customers, suppliers, structure-list positions and stock records.

#include <string>

#include "base/Value.h"
#include "import/RowRecord.h"
#include "import/ValueConversion.h"

namespace velra {

// Bank code and account number without blanks (customers and suppliers).
void CompleteBankData(RowRecord& record);
// "<br/>" in the invoice and delivery address becomes a line break (customers).
void CompleteAddressTexts(RowRecord& record);
// The position number in the company's position format, and "valid to" 31.12.9999 when empty.
void CompletePosition(RowRecord& record, const std::string& positionFormat,
                      const ValueConverter& converter);

// A number in a format pattern like "000" or "#,##0.00" ("0" a digit always shown, "#" a digit
// when there is one, "." the decimal point, "," grouping); characters around the pattern stay.
// Text that is no number, and an empty pattern, give the text itself.
std::string FormatWithPattern(const Value& value, const std::string& pattern,
                              const ValueConverter& converter);

}  // namespace velra
