#include "import/GroupedDigits.h"

#include <charconv>
#include <cmath>
#include <memory>

#include <unicode/dcfmtsym.h>

namespace velra {

namespace {

constexpr int kMostDecimals = 9;
constexpr int kMostDigits = 15;

std::string Utf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

std::string Symbol(const icu::DecimalFormatSymbols& symbols,
                   icu::DecimalFormatSymbols::ENumberFormatSymbol symbol) {
  return Utf8(symbols.getSymbol(symbol));
}

// Numbers on which the forms of formats differ: groups (of three, of two after the first, only
// from five digits on), every digit, the minus sign, rounding of halves, leading zeros.
struct Sample {
  double value;
  int decimals;
};
constexpr Sample kSamples[] = {{0, 0},       {0.5, 0},          {1234, 0},         {12345, 0},
                               {-1234.5, 2}, {1234567.891, 2},  {-98765432.1, 1},  {0.05, 2},
                               {2.345, 2},   {-2.5, 0},         {1000000, 3},      {0.125, 2},
                               {999.995, 2}, {123456789012, 0}, {-0.000123456, 6}, {4.4e-7, 7}};

}  // namespace

std::optional<GroupedDigits> GroupedDigits::Of(const icu::DecimalFormat& format) {
  const icu::DecimalFormatSymbols& symbols = *format.getDecimalFormatSymbols();
  for (int digit = 0; digit < 10; ++digit) {
    const auto symbol = digit == 0 ? icu::DecimalFormatSymbols::kZeroDigitSymbol
                                   : static_cast<icu::DecimalFormatSymbols::ENumberFormatSymbol>(
                                         icu::DecimalFormatSymbols::kOneDigitSymbol + digit - 1);
    if (Symbol(symbols, symbol) != std::string(1, static_cast<char>('0' + digit)))
      return std::nullopt;
  }
  GroupedDigits form;
  form.decimal_ = Symbol(symbols, icu::DecimalFormatSymbols::kDecimalSeparatorSymbol);
  form.grouping_ = Symbol(symbols, icu::DecimalFormatSymbols::kGroupingSeparatorSymbol);
  form.minus_ = Symbol(symbols, icu::DecimalFormatSymbols::kMinusSignSymbol);
  icu::UnicodeString prefix, suffix, negativePrefix, negativeSuffix;
  if (!format.isGroupingUsed() || format.getGroupingSize() != 3 ||
      format.getRoundingMode() != icu::DecimalFormat::kRoundHalfUp ||
      format.areSignificantDigitsUsed() || format.getMultiplier() != 1 ||
      format.getFormatWidth() > 0 || format.getRoundingIncrement() != 0 ||
      format.getMinimumIntegerDigits() != 1 || !format.getPositivePrefix(prefix).isEmpty() ||
      !format.getPositiveSuffix(suffix).isEmpty() ||
      Utf8(format.getNegativePrefix(negativePrefix)) != form.minus_ ||
      !format.getNegativeSuffix(negativeSuffix).isEmpty())
    return std::nullopt;
  std::unique_ptr<icu::DecimalFormat> probe(format.clone());
  for (const Sample& sample : kSamples) {
    probe->setMinimumFractionDigits(sample.decimals);
    probe->setMaximumFractionDigits(sample.decimals);
    icu::UnicodeString written;
    probe->format(sample.value, written);
    if (form.Format(sample.value, sample.decimals) != Utf8(written)) return std::nullopt;
  }
  return form;
}

std::optional<std::string> GroupedDigits::Format(double value, int decimals) const {
  if (!std::isfinite(value) || (std::signbit(value) && value == 0) || decimals < 0 ||
      decimals > kMostDecimals)
    return std::nullopt;
  // The shortest decimal form, d.ddde±x: digits[0] stands for 10^exponent.
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                          std::chars_format::scientific);
  if (error != std::errc()) return std::nullopt;
  const std::string_view shown(buffer, static_cast<size_t>(end - buffer));
  const size_t e = shown.find('e');
  int exponent = 0;
  const char* exponentStart = shown.data() + e + (shown[e + 1] == '+' ? 2 : 1);
  std::from_chars(exponentStart, shown.data() + shown.size(), exponent);
  std::string digits(1, shown[0]);
  if (e > 1) digits.append(shown.substr(2, e - 2));
  if (exponent >= kMostDigits) return std::nullopt;

  // Kept: the digits down to 10^-decimals; the first one dropped rounds half away from zero.
  const int kept = exponent + 1 + decimals;
  std::string rounded;  // the number times 10^decimals, without leading zeros
  if (kept >= 0) {
    rounded = digits.substr(0, static_cast<size_t>(std::min<int>(kept, int(digits.size()))));
    rounded.append(static_cast<size_t>(std::max<int>(kept - int(digits.size()), 0)), '0');
    if (kept < static_cast<int>(digits.size()) && digits[static_cast<size_t>(kept)] >= '5') {
      size_t i = rounded.size();
      while (i > 0 && rounded[i - 1] == '9') rounded[--i] = '0';
      if (i == 0)
        rounded.insert(rounded.begin(), '1');
      else
        ++rounded[i - 1];
    }
  }
  const size_t first = rounded.find_first_not_of('0');
  if (first == std::string::npos) {
    if (value < 0) return std::nullopt;  // a negative zero: left to ICU
    rounded.clear();
  } else {
    rounded.erase(0, first);
  }
  if (rounded.size() < static_cast<size_t>(decimals) + 1)
    rounded.insert(0, static_cast<size_t>(decimals) + 1 - rounded.size(), '0');

  const size_t whole = rounded.size() - static_cast<size_t>(decimals);
  std::string text = value < 0 ? minus_ : std::string();
  for (size_t i = 0; i < whole; ++i) {
    if (i > 0 && (whole - i) % 3 == 0) text += grouping_;
    text.push_back(rounded[i]);
  }
  if (decimals > 0) text += decimal_ + rounded.substr(whole);
  return text;
}

}  // namespace velra
