#include "import/Prices.h"

#include "config/Text.h"

namespace velra {

double NetFromGross(double price, double p) {
  double q = p / 100;
  q = q + 1;
  return price / q;
}

double GrossFromNet(double price, double p) {
  double q = p / 100;
  q = q + 1;
  return q * price;
}

double VatFromGross(double price, double p) {
  double d = 100 + p;
  return (price / d) * p;
}

double VatFromNet(double price, double p) {
  return (price / 100) * p;
}

TaxRates TaxRates::Load(Connection& connection) {
  TaxRates taxes;
  Rows rows = connection.Query("SELECT " + connection.Quote("TaxKeyNumber") + ", " +
                               connection.Quote("Percentage") + " FROM " +
                               connection.Quote("Taxes") + " ORDER BY " + connection.Quote("ID"));
  for (const std::vector<Value>& row : rows.rows) {
    const Value& percentage = row[1];
    double value = 0;
    if (percentage.GetType() == Value::Type::Double)
      value = percentage.AsDouble();
    else if (percentage.GetType() == Value::Type::Integer)
      value = static_cast<double>(percentage.AsInteger());
    else
      continue;
    taxes.rates_.try_emplace(FoldCase(NzText(row[0])), value);
  }
  return taxes;
}

std::optional<double> TaxRates::Percentage(const std::string& key) const {
  auto found = rates_.find(FoldCase(key));
  if (found == rates_.end()) return std::nullopt;
  return found->second;
}

}  // namespace velra
