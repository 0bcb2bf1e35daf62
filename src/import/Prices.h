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

// The company's tax keys with their percentages, read once per run (they do not change during
// it). Keys compare ignoring letter case, as the database compares them.
class TaxRates {
 public:
  static TaxRates Load(Connection& connection);
  // The percentage of the key; nullopt when the company has no such key or it has no percentage.
  std::optional<double> Percentage(const std::string& key) const;
  // Whether the company uses the key now (its flag Active is set), as the tax list offers it.
  bool IsActive(const std::string& key) const;

 private:
  struct Rate {
    std::optional<double> percentage;
    bool active = false;
  };
  std::unordered_map<std::string, Rate> rates_;
};

}  // namespace velra
