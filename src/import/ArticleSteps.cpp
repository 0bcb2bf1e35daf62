#include "import/ArticleSteps.h"

#include <cmath>
#include <initializer_list>
#include <iterator>

#include "base/Text.h"

namespace velra {

namespace {

struct RateCode {
  const char* rate;
  double value;
  const char* code;
};
constexpr RateCode kRateCodes[] = {{"19", 19, "1"},  {"7", 7, "2"},      {"0", 0, "0"},
                                   {"8", 8, "30"},   {"3,8", 3.8, "31"}, {"2,5", 2.5, "32"},
                                   {"20", 20, "40"}, {"10", 10, "41"}};

constexpr const char* kCrLf = "\r\n";

// The fields of the label, named in the same order.
enum LabelField { kNumber, kShortText, kBarcode, kUnit, kWeightNet, kWeightGross, kGrossPrice };
constexpr const char* kLabelFields[] = {"ArticleNumber", "ShortText",   "Barcode",   "Unit",
                                        "WeightNet",     "WeightGross", "GrossPrice"};
static_assert(std::size(kLabelFields) == kGrossPrice + 1);

}  // namespace

Value ImportedValue(const SourceTable& source, size_t column, size_t row, std::string_view field) {
  Value value = source.Get(column, row);
  if (!source.IsPercentage(column, row) || !EqualsIgnoreCase(field, "VatCode")) return value;
  const double fraction = value.AsDouble();
  return std::fabs(fraction) < 1 ? Value(fraction * 100) : value;
}

std::string VatRateCode(const std::string& rate, const ValueConverter& converter) {
  if (std::optional<double> value = converter.ToDouble(Value(rate))) {
    for (const RateCode& entry : kRateCodes)
      if (std::fabs(*value - entry.value) < 1e-9) return entry.code;
    return rate;
  }
  const RateCode* best = nullptr;
  for (const RateCode& entry : kRateCodes)
    if (rate.find(entry.rate) != std::string::npos &&
        (!best || std::string_view(entry.rate).size() > std::string_view(best->rate).size()))
      best = &entry;
  return best ? best->code : rate;
}

ArticleLabel::ArticleLabel(const TargetTable& articles) : fields_(articles, kLabelFields) {}

std::string ArticleLabel::Of(const RowRecord& article, const ValueConverter& converter) const {
  auto text = [&](LabelField field) {
    return converter.ToText(fields_[field].Of(article)).value_or(std::string());
  };
  std::string label;
  auto add = [&label](std::initializer_list<std::string_view> parts) {
    for (std::string_view part : parts) label += part;
  };
  add({"Artikel-Nr.: ", text(kNumber), kCrLf});
  if (std::string shortText = text(kShortText); !shortText.empty()) add({shortText, kCrLf, kCrLf});
  if (std::string barcode = text(kBarcode); !barcode.empty()) add({"EAN ", barcode, kCrLf});
  if (std::string unit = text(kUnit); !unit.empty()) add({unit, " "});
  if (std::string net = text(kWeightNet); !net.empty()) add({"Gewicht netto: ", net, " kg", kCrLf});
  if (std::string gross = text(kWeightGross); !gross.empty())
    add({"Gewicht brutto: ", gross, " kg", kCrLf, kCrLf});
  // A price that reads as a number is shown with two decimals, other text as it is.
  if (std::optional<double> price = converter.ToDouble(fields_[kGrossPrice].Of(article)))
    add({"EUR ", converter.FormatNumber(*price, 2)});
  else if (std::string shown = text(kGrossPrice); !shown.empty())
    add({"EUR ", shown});
  return label;
}

}  // namespace velra
