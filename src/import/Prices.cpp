#include "import/Prices.h"

#include "base/Text.h"

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
                               connection.Quote("Percentage") + ", " + connection.Quote("Active") +
                               " FROM " + connection.Quote("Taxes") + " ORDER BY " +
                               connection.Quote("ID"));
  for (const std::vector<Value>& row : rows.rows) {
    Rate rate;
    const Value& percentage = row[1];
    if (percentage.GetType() == Value::Type::Double)
      rate.percentage = percentage.AsDouble();
    else if (percentage.GetType() == Value::Type::Integer)
      rate.percentage = static_cast<double>(percentage.AsInteger());
    const Value& active = row[2];
    rate.active = active.GetType() == Value::Type::Boolean
                      ? active.AsBool()
                      : active.GetType() == Value::Type::Integer && active.AsInteger() != 0;
    // The first record of a key decides, as the lookup by key finds it first.
    taxes.rates_.try_emplace(FoldCase(NzText(row[0])), rate);
  }
  return taxes;
}

std::optional<double> TaxRates::Percentage(const std::string& key) const {
  auto found = rates_.find(FoldCase(key));
  if (found == rates_.end()) return std::nullopt;
  return found->second.percentage;
}

bool TaxRates::IsActive(const std::string& key) const {
  auto found = rates_.find(FoldCase(key));
  return found != rates_.end() && found->second.active;
}

}  // namespace velra
