#include "base/Regional.h"

#include <unicode/datefmt.h>
#include <unicode/dcfmtsym.h>
#include <unicode/gregocal.h>
#include <unicode/smpdtfmt.h>

#include <cstdlib>
#include <ctime>
#include <memory>

namespace velra {

namespace {

std::string ToUtf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

// Any run of "y" becomes "yyyy": the suite's desktops always show four-digit years.
std::string WidenYear(const std::string& pattern) {
  std::string out;
  bool quoted = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '\'') quoted = !quoted;
    if (c == 'y' && !quoted) {
      while (i + 1 < pattern.size() && pattern[i + 1] == 'y') ++i;
      out += "yyyy";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string LocaleFromEnvironment() {
  for (const char* name : {"VELRA_LOCALE", "LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return {};
}

}  // namespace

RegionalSettings RegionalSettings::ForLocale(const std::string& localeName) {
  std::string name = localeName.substr(0, localeName.find_first_of(".@"));
  if (name.empty() || name == "C" || name == "POSIX") name = "de_DE";
  icu::Locale locale(name.c_str());
  if (locale.isBogus() || std::string(locale.getLanguage()).empty())
    locale = icu::Locale("de", "DE");

  RegionalSettings settings;
  settings.localeName_ = locale.getName();
  UErrorCode status = U_ZERO_ERROR;
  icu::DecimalFormatSymbols symbols(locale, status);
  if (U_SUCCESS(status)) {
    settings.decimalSeparator_ =
        ToUtf8(symbols.getSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol));
    settings.groupingSeparator_ =
        ToUtf8(symbols.getSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol));
  } else {
    settings.decimalSeparator_ = ",";
    settings.groupingSeparator_ = ".";
  }
  std::unique_ptr<icu::DateFormat> format(
      icu::DateFormat::createDateInstance(icu::DateFormat::kShort, locale));
  auto* simple = dynamic_cast<icu::SimpleDateFormat*>(format.get());
  icu::UnicodeString pattern;
  if (simple) simple->toPattern(pattern);
  settings.shortDatePattern_ = simple ? WidenYear(ToUtf8(pattern)) : "dd.MM.yyyy";
  return settings;
}

RegionalSettings RegionalSettings::FromSystem() {
  return ForLocale(LocaleFromEnvironment());
}

std::string RegionalSettings::FormatShortDate(const DateTime& date) const {
  UErrorCode status = U_ZERO_ERROR;
  icu::Locale locale(localeName_.c_str());
  icu::SimpleDateFormat format(icu::UnicodeString::fromUTF8(shortDatePattern_), locale, status);
  icu::GregorianCalendar calendar(icu::TimeZone::getGMT()->clone(), locale, status);
  calendar.clear();
  calendar.set(date.Year, date.Month - 1, date.Day, date.Hour, date.Minute, date.Second);
  format.setCalendar(calendar);
  icu::UnicodeString out;
  format.format(calendar.getTime(status), out, status);
  return U_SUCCESS(status) ? ToUtf8(out) : date.ToIso();
}

DateTime Now() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour,        local.tm_min,     local.tm_sec};
}

DateTime Today() {
  DateTime now = Now();
  return DateTime{now.Year, now.Month, now.Day};
}

}  // namespace velra
