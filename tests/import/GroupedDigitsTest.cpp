// Grouped numbers written without ICU must be ICU's very text, for every locale whose form
// passes, and a locale that writes otherwise must keep ICU.

#include <gtest/gtest.h>

#include <charconv>
#include <memory>
#include <random>
#include <string>

#include <unicode/numfmt.h>

#include "import/GroupedDigits.h"

namespace velra {
namespace {

// The grouped format of a locale as the value conversion builds it.
std::unique_ptr<icu::DecimalFormat> GroupedFormat(const char* locale) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberFormat> format(
      icu::NumberFormat::createInstance(icu::Locale(locale), status));
  auto* decimal = dynamic_cast<icu::DecimalFormat*>(format.get());
  if (U_FAILURE(status) || !decimal) return nullptr;
  format.release();
  decimal->setGroupingUsed(true);
  decimal->setRoundingMode(icu::DecimalFormat::kRoundHalfUp);
  return std::unique_ptr<icu::DecimalFormat>(decimal);
}

std::string WithIcu(icu::DecimalFormat& format, double value, int decimals) {
  format.setMinimumFractionDigits(decimals);
  format.setMaximumFractionDigits(decimals);
  icu::UnicodeString written;
  format.format(value, written);
  std::string out;
  written.toUTF8String(out);
  return out;
}

// Numbers of every size, halves at the rounded digit (as the shortest decimal form shows them,
// "2.675" though it is stored as 2.67499...), nines that carry, tiny and negative numbers.
std::vector<double> Numbers() {
  std::vector<double> numbers = {
      0,    1,     9.995,    99.995, 999.995,          0.005,      1.005,  2.675,     0.125,
      2.5,  -2.5,  -0.5,     1e14,   99999.5,          -999999.95, 1234.5, 0.1 + 0.2, 4.35,
      1e-9, 5e-10, -1.23e-5, 7.0e12, 123456789012345.0};
  std::mt19937_64 random(11);
  std::uniform_int_distribution<int> exponent(-10, 14), digits(1, 15);
  std::uniform_real_distribution<double> mantissa(1, 10);
  for (int i = 0; i < 1500; ++i) {
    // A decimal of a few digits as text, read as the nearest double: most end on a 5 or a 0.
    char text[48];
    const int length = std::snprintf(text, sizeof text, "%.*fe%d", digits(random) - 1,
                                     mantissa(random), exponent(random));
    double value = 0;
    std::from_chars(text, text + length, value);
    numbers.push_back(i % 3 ? value : -value);
  }
  return numbers;
}

TEST(GroupedDigits, WritesWhatIcuWritesInTheLocalesWhoseFormItKnows) {
  const std::vector<double> numbers = Numbers();
  for (const char* locale : {"de_DE", "en_US", "de_CH", "fr_FR", "es_ES", "pl_PL", "sv_SE"}) {
    std::unique_ptr<icu::DecimalFormat> format = GroupedFormat(locale);
    ASSERT_TRUE(format) << locale;
    const std::optional<GroupedDigits> digits = GroupedDigits::Of(*format);
    ASSERT_TRUE(digits) << locale;
    size_t written = 0;
    for (double number : numbers)
      for (int decimals = 0; decimals <= 9; ++decimals)
        if (std::optional<std::string> text = digits->Format(number, decimals)) {
          ++written;
          ASSERT_EQ(*text, WithIcu(*format, number, decimals))
              << locale << " " << number << " with " << decimals;
        }
    EXPECT_GT(written, numbers.size() * 9) << locale;  // nearly every number is written
  }
}

TEST(GroupedDigits, LeavesOtherFormsToIcu) {
  // Groups of two after the first (Indian), other digits (Arabic, Persian, Bengali).
  for (const char* locale : {"en_IN", "hi_IN", "ar_EG", "fa_IR", "bn_BD"}) {
    std::unique_ptr<icu::DecimalFormat> format = GroupedFormat(locale);
    ASSERT_TRUE(format) << locale;
    EXPECT_EQ(GroupedDigits::Of(*format), std::nullopt) << locale;
  }
  std::unique_ptr<icu::DecimalFormat> halfEven = GroupedFormat("de_DE");
  halfEven->setRoundingMode(icu::DecimalFormat::kRoundHalfEven);
  EXPECT_EQ(GroupedDigits::Of(*halfEven), std::nullopt);
}

}  // namespace
}  // namespace velra
