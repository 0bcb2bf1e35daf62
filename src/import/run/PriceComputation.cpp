#include "import/run/PriceComputation.h"
#include "base/Text.h"
#include "import/ImportTexts.h"

#include <cmath>
#include <optional>

namespace velra {

void PriceComputation::Compute(uint32_t row, const std::string& taxKey, const TaxRates& taxes) {
  if (!On()) return;
  const bool fromNet = priceMode_ == 1;
  const Field& base = fromNet ? net_ : gross_;
  if (taxKey.empty()) {
    scope_.Note(row, "VatCode", "", import_texts::kPricesNoTaxRate);
    return;
  }
  std::optional<double> percentage = taxes.Percentage(taxKey);
  if (!percentage) {
    scope_.Note(row, "VatCode", taxKey, import_texts::kPricesNoTaxKey);
    return;
  }
  std::optional<double> price = scope_.Converter().ToDouble(base.Of(scope_.Record()));
  if (!price) {
    scope_.Note(row, base.Name(), scope_.Text(base),
                Fill(import_texts::kPricesNoBase,
                     {fromNet ? import_texts::kNetPrice : import_texts::kGrossPrice}));
    return;
  }
  const double tax = fromNet ? VatFromNet(*price, *percentage) : VatFromGross(*price, *percentage);
  const double other =
      fromNet ? GrossFromNet(*price, *percentage) : NetFromGross(*price, *percentage);
  if (!std::isfinite(tax) || !std::isfinite(other)) {
    scope_.Note(row, "VatCode", taxKey, import_texts::kPricesNotComputable);
    return;
  }
  scope_.SetFixed(vatAmount_, Value(tax));
  scope_.SetFixed(fromNet ? gross_ : net_, Value(other));
}

}  // namespace velra
