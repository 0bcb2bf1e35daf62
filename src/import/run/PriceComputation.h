#pragma once
// The prices the run computes from one given price and the tax key ("Berechnungsart" 1: from
// the net price, 2: from the gross price): the other price and the tax amount. A price that
// cannot be computed is noted, and the record keeps what it has.

#include <string>

#include "import/Prices.h"
#include "import/run/RowScope.h"

namespace velra {

class PriceComputation {
 public:
  PriceComputation(int priceMode, RowScope& scope)
      : priceMode_(priceMode),
        scope_(scope),
        net_(scope.Table(), "NetPrice"),
        gross_(scope.Table(), "GrossPrice"),
        vatAmount_(scope.Table(), "VatAmount") {}

  bool On() const { return priceMode_ == 1 || priceMode_ == 2; }
  // Computes the prices of the row's record with the percentage of `taxKey`.
  void Compute(uint32_t row, const std::string& taxKey, const TaxRates& taxes);

 private:
  int priceMode_;
  RowScope& scope_;
  const Field net_, gross_, vatAmount_;
};

}  // namespace velra
