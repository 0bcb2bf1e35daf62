#pragma once
// Net and gross prices and the tax amount from one another, with the percentage of a tax key.

#include <optional>
#include <string>
#include <unordered_map>

#include "db/Connection.h"

namespace velra {

// The formulas in the suite's order of evaluation; p is the tax rate in percent (19 for 19 %).
double NetFromGross(double price, double p);
double GrossFromNet(double price, double p);
double VatFromGross(double price, double p);
double VatFromNet(double price, double p);

// The percentages of the company's tax keys, read once per run (they do not change during it).
class TaxRates {
 public:
  static TaxRates Load(Connection& connection);
  // The percentage of the key (letter case ignored, as the database compares keys); nullopt when
  // the company has no such key.
  std::optional<double> Percentage(const std::string& key) const;

 private:
  std::unordered_map<std::string, double> rates_;
};

}  // namespace velra
