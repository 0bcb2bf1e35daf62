#pragma once
// The regional settings that the suite takes from the desktop: decimal and grouping separator and
// the short date format. They come from the system locale through ICU and can be set per run.

#include <string>

#include "base/Value.h"

namespace velra {

class RegionalSettings {
 public:
  // A locale name such as "de_DE" or "en_US"; an unknown or empty name falls back to de_DE.
  static RegionalSettings ForLocale(const std::string& localeName);
  // VELRA_LOCALE, else LC_ALL, LC_TIME, LANG; the C and POSIX locales count as de_DE, the
  // locale of the suite's users.
  static RegionalSettings FromSystem();

  const std::string& LocaleName() const { return localeName_; }
  const std::string& DecimalSeparator() const { return decimalSeparator_; }
  const std::string& GroupingSeparator() const { return groupingSeparator_; }
  // ICU date pattern with a four-digit year, e.g. "dd.MM.yyyy".
  const std::string& ShortDatePattern() const { return shortDatePattern_; }

  std::string FormatShortDate(const DateTime& date) const;

 private:
  std::string localeName_;
  std::string decimalSeparator_;
  std::string groupingSeparator_;
  std::string shortDatePattern_;
};

// Today's date from the system clock, in local time.
DateTime Today();
// The current date and time, in local time.
DateTime Now();

}  // namespace velra
