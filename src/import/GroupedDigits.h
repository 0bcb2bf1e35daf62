#pragma once
// Grouped numbers ("1.234,50") written without ICU where that gives ICU's very text: a decimal
// format of ICU costs microseconds per number, and a run writes one into every article's label.
// The form (separators, minus sign) is learnt from the ICU format and checked on sample numbers
// against it; a format that writes anything else (other digits, other group sizes, a sign after
// the number, no groups of four digits) keeps ICU.

#include <optional>
#include <string>

#include <unicode/decimfmt.h>

namespace velra {

class GroupedDigits {
 public:
  // The form of `format` (grouping on, rounding half up); nullopt when it writes otherwise than
  // plain grouped ASCII digits.
  static std::optional<GroupedDigits> Of(const icu::DecimalFormat& format);

  // `value` with exactly `decimals` decimals, rounded half away from zero on its shortest decimal
  // form, as the format writes it; nullopt outside the range this covers (more than 15 digits, a
  // negative number that rounds to zero, more than 9 decimals).
  std::optional<std::string> Format(double value, int decimals) const;

 private:
  std::string decimal_, grouping_, minus_;
};

}  // namespace velra
