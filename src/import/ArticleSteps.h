#pragma once
// The texts the run derives for an article: the tax code of an imported tax rate and the label.

#include <string>
#include <string_view>

#include "db/TargetTable.h"
#include "import/RecordFields.h"
#include "import/RowRecord.h"
#include "import/ValueConversion.h"
#include "source/SourceTable.h"

namespace velra {

// The value of a source cell for the field `field`. A tax rate (VatCode) from a cell that the
// source shows as a percentage holds the fraction (0.19 for "19 %") and is read as the number
// of percent when it is below 1; every other cell as the source holds it.
Value ImportedValue(const SourceTable& source, size_t column, size_t row, std::string_view field);

// The tax code of an imported rate ("19" -> "1", "7" -> "2", "0" -> "0", "8" -> "30", "3,8" ->
// "31", "2,5" -> "32", "20" -> "40", "10" -> "41"). A rate that reads as a number is compared by
// its value ("19,00" -> "1", "8,00" -> "30"); other text by the longest rate it contains ("19 %" ->
// "1"). A rate that matches none is itself the code.
std::string VatRateCode(const std::string& rate, const ValueConverter& converter);

// The article's label: number, short text, EAN, unit, weights and gross price, as the suite
// prints it on shelf labels. The fields are found in the article table once.
class ArticleLabel {
 public:
  explicit ArticleLabel(const TargetTable& articles);
  // The label of the record, its fields as text by `converter`.
  std::string Of(const RowRecord& article, const ValueConverter& converter) const;

 private:
  RecordFields fields_;
};

}  // namespace velra
