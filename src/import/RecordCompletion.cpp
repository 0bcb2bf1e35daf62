#include "import/RecordCompletion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/Text.h"

namespace velra {

namespace {

// A text field changed by `change`; a null field is left alone.
template <typename F>
void ChangeText(RowRecord& record, const char* field, F change) {
  const Value& value = record.Get(field);
  if (value.IsNull()) return;
  record.Set(field, Value(TrimBlanks(change(NzText(value)))));
}

}  // namespace

void CompleteBankData(RowRecord& record) {
  for (const char* field : {"BankCode", "AccountNumber"})
    ChangeText(record, field, [](const std::string& text) { return ReplaceAll(text, " ", ""); });
}

void CompleteAddressTexts(RowRecord& record) {
  for (const char* field : {"InvoiceAddress", "DeliveryAddress"})
    ChangeText(record, field,
               [](const std::string& text) { return ReplaceAll(text, "<br/>", "\r\n"); });
}

std::string FormatWithPattern(const Value& value, const std::string& pattern,
                              const ValueConverter& converter) {
  std::string text = converter.ToText(value).value_or(std::string());
  const size_t first = pattern.find_first_of("0#");
  std::optional<double> number = converter.ToDouble(value);
  if (first == std::string::npos || !number) return text;
  const size_t last = pattern.find_last_of("0#.,");
  const std::string body = pattern.substr(first, last - first + 1);
  const size_t point = body.find('.');
  const std::string whole = body.substr(0, point);
  const int decimals = point == std::string::npos ? 0 : static_cast<int>(body.size() - point - 1);
  const size_t minDigits = static_cast<size_t>(std::count(whole.begin(), whole.end(), '0'));

  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals,
                RoundCommercial(std::fabs(*number), decimals));
  std::string digits = buffer;
  std::string fraction;
  if (size_t dot = digits.find('.'); dot != std::string::npos) {
    fraction = digits.substr(dot + 1);
    digits.erase(dot);
  }
  if (digits == "0" && minDigits == 0) digits.clear();  // "#" shows no leading zero
  if (digits.size() < minDigits) digits.insert(0, minDigits - digits.size(), '0');
  if (whole.find(',') != std::string::npos)
    for (size_t at = digits.size(); at > 3; at -= 3)
      digits.insert(at - 3, converter.Regional().GroupingSeparator());
  std::string formatted = (*number < 0 ? "-" : "") + digits;
  if (decimals > 0) formatted += converter.Regional().DecimalSeparator() + fraction;
  return pattern.substr(0, first) + formatted + pattern.substr(last + 1);
}

void CompletePosition(RowRecord& record, const std::string& positionFormat,
                      const ValueConverter& converter) {
  const Value& position = record.Get("LineItemNumber");
  if (!position.IsNull())
    record.Set("LineItemNumber", Value(FormatWithPattern(position, positionFormat, converter)));
  const Value& validTo = record.Get("ValidTo");
  if (validTo.IsNull() || (validTo.IsText() && TrimBlanks(validTo.AsText()).empty()))
    record.Set("ValidTo", Value(DateTime{9999, 12, 31}));
}

}  // namespace velra
