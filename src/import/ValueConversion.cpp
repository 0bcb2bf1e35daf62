#include "import/ValueConversion.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/fmtable.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/parsepos.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include "base/Text.h"
#include "import/GroupedDigits.h"
#include "import/ImportTexts.h"

namespace velra {
namespace {

// The texts of value conversion, in one place.
constexpr std::string_view kTrueText = "Wahr";
constexpr std::string_view kFalseText = "Falsch";
constexpr std::string_view kBinaryShown = "(Binärdaten)";
constexpr std::string_view kYesShown = "Ja";
constexpr std::string_view kNoShown = "Nein";

// Boolean words that an import accepts in any letter case. German exports write ja/nein or j/n,
// and lists ticked by hand mark the true rows with an x and leave the others empty.
constexpr std::array<std::string_view, 6> kTrueWords = {"true", "wahr", "ja", "j", "yes", "x"};
constexpr std::array<std::string_view, 5> kFalseWords = {"false", "falsch", "nein", "n", "no"};

// Longer values are cut in failure reasons so that a report line stays readable.
constexpr size_t kShownCharacters = 60;

constexpr std::string_view kSpace = " ";
constexpr std::string_view kSpaceAndTab = " \t";

struct FieldClass {
  std::string_view field;
  TypeClass typeClass;
};

// In the order in which the classes are tested; a name appears once.
constexpr FieldClass kFieldClasses[] = {
    {"PurchasePrice", TypeClass::Price},
    {"Listprice", TypeClass::Price},
    {"NetPrice", TypeClass::Price},
    {"GrossPrice", TypeClass::Price},
    {"VatAmount", TypeClass::Price},
    {"NetCosts", TypeClass::Price},
    {"AveragePrice", TypeClass::Price},
    {"StockMin", TypeClass::Price},
    {"StockMax", TypeClass::Price},
    {"StockValue", TypeClass::Price},
    {"ProductionCosts", TypeClass::Price},
    {"RetailPrice", TypeClass::Price},
    {"ExtraChargeSmallAmount", TypeClass::Price},
    {"LastPrice", TypeClass::Price},
    {"Quantity", TypeClass::Quantity},
    {"Unsociable", TypeClass::Quantity},
    {"Disposable", TypeClass::Quantity},
    {"Balance", TypeClass::AccountAmount},
    {"Debit", TypeClass::AccountAmount},
    {"Credit", TypeClass::AccountAmount},
    {"WeightNet", TypeClass::Dimension},
    {"WeightGross", TypeClass::Dimension},
    {"Length", TypeClass::Dimension},
    {"Width", TypeClass::Dimension},
    {"Height", TypeClass::Dimension},
    {"Diameter", TypeClass::Dimension},
    {"Date", TypeClass::Date},
    {"PublicationDate", TypeClass::Date},
    {"ResponsibilityEAR", TypeClass::Flag},
    {"DateOfExpiryCheck", TypeClass::Flag},
    {"Active", TypeClass::Flag},
    {"SpecialOfferPrice", TypeClass::Flag},
    {"RebateAble", TypeClass::Flag},
    {"Character", TypeClass::Flag},
    {"Variant", TypeClass::Flag},
    {"SalesPlanning", TypeClass::Flag},
    {"SerialnumberAble", TypeClass::Flag},
    {"ChargenumberAble", TypeClass::Flag},
    {"Substitute", TypeClass::Flag},
    {"POSAble", TypeClass::Flag},
    {"Chaining", TypeClass::Flag},
    {"Webshop", TypeClass::Flag},
    {"Equipment", TypeClass::Flag},
    {"PriceListVisible", TypeClass::Flag},
    {"ExtraChargeSmall", TypeClass::Flag},
    {"LongTextNonSynch", TypeClass::Flag},
    {"Synchronise", TypeClass::Flag},
    {"Startpage", TypeClass::Flag},
    {"Deliverable", TypeClass::Flag},
    {"PackingUnitStatus", TypeClass::Flag},
    {"FSK18", TypeClass::Flag},
    {"Graphic", TypeClass::Picture},
};

std::string_view TrimView(std::string_view text, std::string_view characters) {
  const size_t begin = text.find_first_not_of(characters);
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(characters) - begin + 1);
}

bool EqualsAsciiNoCase(std::string_view text, std::string_view lowerWord) {
  if (text.size() != lowerWord.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    if (c != lowerWord[i]) return false;
  }
  return true;
}

std::string ToUtf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

// Digits with at most one decimal separator and an optional sign: the form of nearly every cell,
// read without ICU. False for any other form, which ICU then judges.
bool ReadPlainNumber(std::string_view text, std::string_view decimal, double& out) {
  char buffer[64];
  size_t length = 0;
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') buffer[length++] = '-';
    ++i;
  }
  bool digits = false;
  bool separator = false;
  while (i < text.size()) {
    if (length + 1 >= sizeof buffer) return false;
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      buffer[length++] = c;
      digits = true;
      ++i;
    } else if (!separator && !decimal.empty() && text.substr(i).starts_with(decimal)) {
      buffer[length++] = '.';
      separator = true;
      i += decimal.size();
    } else {
      return false;
    }
  }
  if (!digits) return false;
  const auto [end, error] = std::from_chars(buffer, buffer + length, out);
  return error == std::errc() && end == buffer + length;
}

// An optional sign and digits only; `tooLarge` when they do not fit 64 bits.
bool ReadPlainInteger(std::string_view text, int64_t& out, bool& tooLarge) {
  tooLarge = false;
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  const std::string_view unsignedDigits =
      !digits.empty() && digits.front() == '-' ? digits.substr(1) : digits;
  if (unsignedDigits.empty() ||
      unsignedDigits.find_first_not_of("0123456789") != std::string_view::npos)
    return false;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), out);
  if (error == std::errc::result_out_of_range) {
    tooLarge = true;
    return false;
  }
  return error == std::errc() && end == digits.data() + digits.size();
}

bool IsDayZero(const DateTime& date) {
  return date.Year == 1899 && date.Month == 12 && date.Day == 30;
}

std::optional<DateTime> FromDayNumber(double serial) {
  DateTime date;
  if (!DateTime::FromSerial(serial, date)) return std::nullopt;
  return date;
}

std::string TimeText(const DateTime& date) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", date.Hour, date.Minute, date.Second);
  return buffer;
}

// The short date pattern as it is read: one-digit days and months are accepted, and a two-digit
// year is read in the window 1930 to 2029, while a four-digit year is taken as written.
std::string ParsingPattern(const std::string& pattern) {
  std::string out;
  bool quoted = false;
  for (size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    if (c == '\'' || quoted) {
      if (c == '\'') quoted = !quoted;
      out.push_back(c);
      ++i;
      continue;
    }
    size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    if ((c == 'd' || c == 'M') && run <= 2)
      out.push_back(c);
    else if (c == 'y')
      out += "yy";
    else
      out.append(pattern, i, run);
    i += run;
  }
  return out;
}

Conversion Converted(Value value) {
  Conversion result;
  result.outcome = Conversion::Outcome::Converted;
  result.value = std::move(value);
  return result;
}

Conversion NoValue() {
  return Conversion{};
}

Conversion Failed(std::string reason) {
  Conversion result;
  result.outcome = Conversion::Outcome::Failed;
  result.reason = std::move(reason);
  return result;
}

// `pattern` names the shown value as %1.
Conversion Failed(std::string_view shown, const char* pattern) {
  return Failed(Fill(pattern, {shown}));
}

std::optional<int64_t> WholeNumber(double value, bool& tooLarge) {
  // 2^63: the first double outside int64_t.
  constexpr double kLimit = 9223372036854775808.0;
  tooLarge = !(value >= -kLimit && value < kLimit);
  if (tooLarge || value != std::trunc(value)) return std::nullopt;
  return static_cast<int64_t>(value);
}

bool IsBlankText(const Value& value) {
  return value.IsText() && TrimView(value.AsText(), kSpaceAndTab).empty();
}

}  // namespace

TypeClass TypeClassOf(std::string_view field) {
  for (const FieldClass& entry : kFieldClasses)
    if (entry.field == field) return entry.typeClass;
  return TypeClass::Text;
}

double RoundCommercial(double value, int digits) {
  if (!std::isfinite(value)) return value;
  // The amount as it is shown and was written: fifteen significant digits, d.dddddddddddddde±x.
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                          std::chars_format::scientific, 14);
  if (error != std::errc()) return value;
  const std::string_view shown(buffer, static_cast<size_t>(end - buffer));
  const size_t e = shown.find('e');
  std::string_view exponentText = shown.substr(e + 1);
  if (exponentText.starts_with('+')) exponentText.remove_prefix(1);
  int exponent = 0;
  std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
  // The significant digits: the one before the point and those after it.
  const int count = e > 1 ? static_cast<int>(e) - 1 : 1;
  auto digit = [&](int i) { return shown[i == 0 ? 0 : static_cast<size_t>(i) + 1] - '0'; };

  // The digits up to the last one kept; the first one dropped decides, away from zero.
  const int kept = exponent + 1 + digits;
  if (kept >= count) return value;
  if (kept < 0) return 0.0;
  uint64_t whole = 0;
  for (int i = 0; i < kept; ++i) whole = whole * 10 + static_cast<uint64_t>(digit(i));
  if (digit(kept) >= 5) ++whole;
  if (whole == 0) return 0.0;
  // Read back from its decimal form, "wholee-digits", as the nearest double.
  char decimal[48];
  char* const exponentMark = std::to_chars(decimal, decimal + 24, whole).ptr;  // 20 digits at most
  *exponentMark = 'e';
  const char* last = std::to_chars(exponentMark + 1, decimal + sizeof decimal, -digits).ptr;
  double rounded = 0;
  std::from_chars(decimal, last, rounded);
  return value < 0 ? -rounded : rounded;
}

// ICU formatters are costly to build and not safe for concurrent use: built once per converter,
// used under the lock.
struct ValueConverter::Icu {
  struct DateParser {
    std::unique_ptr<icu::SimpleDateFormat> format;
    bool timeOnly = false;
  };

  std::mutex mutex;
  std::unique_ptr<icu::DecimalFormat> numberParser;
  std::unique_ptr<icu::DecimalFormat> groupedFormat;
  std::optional<GroupedDigits> groupedDigits;  // the grouped format's text without ICU
  std::unique_ptr<icu::Calendar> calendar;
  std::vector<DateParser> dateParsers;
  std::unique_ptr<icu::SimpleDateFormat> dateFormat;

  explicit Icu(const RegionalSettings& regional) {
    const icu::Locale locale(regional.LocaleName().c_str());
    UErrorCode status = U_ZERO_ERROR;

    // The separators of the settings, even where they differ from the locale's own.
    icu::DecimalFormatSymbols symbols(locale, status);
    if (U_SUCCESS(status)) {
      const auto decimal = icu::UnicodeString::fromUTF8(regional.DecimalSeparator());
      const auto grouping = icu::UnicodeString::fromUTF8(regional.GroupingSeparator());
      symbols.setSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol, decimal);
      symbols.setSymbol(icu::DecimalFormatSymbols::kMonetarySeparatorSymbol, decimal);
      symbols.setSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol, grouping);
      symbols.setSymbol(icu::DecimalFormatSymbols::kMonetaryGroupingSeparatorSymbol, grouping);
      std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createInstance(locale, status));
      std::unique_ptr<icu::DecimalFormat> parser;
      if (U_SUCCESS(status) && dynamic_cast<icu::DecimalFormat*>(format.get()))
        parser.reset(static_cast<icu::DecimalFormat*>(format.release()));
      if (parser) {
        parser->setDecimalFormatSymbols(symbols);
        parser->setLenient(false);
        groupedFormat = std::make_unique<icu::DecimalFormat>(*parser);
        groupedFormat->setGroupingUsed(true);
        groupedFormat->setRoundingMode(icu::DecimalFormat::kRoundHalfUp);
        groupedDigits = GroupedDigits::Of(*groupedFormat);
        numberParser = std::move(parser);
      }
    }

    // UTC, so that no daylight-saving gap swallows a time, and Gregorian before 1582 as well.
    status = U_ZERO_ERROR;
    auto gregorian =
        std::make_unique<icu::GregorianCalendar>(icu::TimeZone::getGMT()->clone(), locale, status);
    if (U_FAILURE(status)) return;
    gregorian->setGregorianChange(-std::numeric_limits<double>::max(), status);
    gregorian->setLenient(false);
    calendar = std::move(gregorian);

    gregorian.reset(static_cast<icu::GregorianCalendar*>(calendar->clone()));
    gregorian->clear();
    gregorian->set(1930, UCAL_JANUARY, 1);
    const UDate twoDigitYearStart = gregorian->getTime(status);

    const std::string datePattern = ParsingPattern(regional.ShortDatePattern());
    const std::pair<std::string, bool> patterns[] = {
        {datePattern, false},
        {datePattern + " H:mm", false},
        {datePattern + " H:mm:ss", false},
        {"H:mm", true},
        {"H:mm:ss", true},
    };
    for (const auto& [pattern, timeOnly] : patterns) {
      status = U_ZERO_ERROR;
      auto format = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString::fromUTF8(pattern),
                                                            locale, status);
      if (U_FAILURE(status)) continue;
      format->adoptCalendar(calendar->clone());
      format->setLenient(false);
      format->setBooleanAttribute(UDAT_PARSE_ALLOW_WHITESPACE, false, status);
      format->setBooleanAttribute(UDAT_PARSE_ALLOW_NUMERIC, false, status);
      format->setBooleanAttribute(UDAT_PARSE_PARTIAL_LITERAL_MATCH, false, status);
      format->setBooleanAttribute(UDAT_PARSE_MULTIPLE_PATTERNS_FOR_MATCH, false, status);
      format->set2DigitYearStart(twoDigitYearStart, status);
      if (U_SUCCESS(status)) dateParsers.push_back({std::move(format), timeOnly});
    }

    status = U_ZERO_ERROR;
    auto format = std::make_unique<icu::SimpleDateFormat>(
        icu::UnicodeString::fromUTF8(regional.ShortDatePattern()), locale, status);
    if (U_SUCCESS(status)) {
      format->adoptCalendar(calendar->clone());
      dateFormat = std::move(format);
    }
  }

  std::optional<double> ParseNumber(std::string_view text) {
    if (!numberParser) return std::nullopt;
    const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    icu::Formattable number;
    icu::ParsePosition position(0);
    std::lock_guard lock(mutex);
    numberParser->parse(unicode, number, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != unicode.length())
      return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    const double value = number.getDouble(status);
    if (U_FAILURE(status) || !std::isfinite(value)) return std::nullopt;
    return value;
  }

  std::optional<DateTime> ParseDate(std::string_view text) {
    if (!calendar) return std::nullopt;
    const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    std::lock_guard lock(mutex);
    for (const DateParser& parser : dateParsers) {
      calendar->clear();
      icu::ParsePosition position(0);
      parser.format->parse(unicode, *calendar, position);
      if (position.getErrorIndex() >= 0 || position.getIndex() != unicode.length()) continue;
      // The parser does not check the day against the month; the strict calendar does, when
      // its fields are read.
      UErrorCode status = U_ZERO_ERROR;
      DateTime date;
      const int era = calendar->get(UCAL_ERA, status);
      if (!parser.timeOnly) {
        date.Year = calendar->get(UCAL_YEAR, status);
        date.Month = calendar->get(UCAL_MONTH, status) + 1;
        date.Day = calendar->get(UCAL_DATE, status);
      }
      date.Hour = calendar->get(UCAL_HOUR_OF_DAY, status);
      date.Minute = calendar->get(UCAL_MINUTE, status);
      date.Second = calendar->get(UCAL_SECOND, status);
      if (U_SUCCESS(status) && era == icu::GregorianCalendar::AD && date.IsValid()) return date;
    }
    return std::nullopt;
  }

  std::optional<std::string> FormatGrouped(double value, int decimals) {
    if (!groupedFormat) return std::nullopt;
    if (groupedDigits)
      if (std::optional<std::string> text = groupedDigits->Format(value, decimals)) return text;
    icu::UnicodeString out;
    std::lock_guard lock(mutex);
    groupedFormat->setMinimumFractionDigits(decimals);
    groupedFormat->setMaximumFractionDigits(decimals);
    groupedFormat->format(value, out);
    return ToUtf8(out);
  }

  std::optional<std::string> FormatDate(const DateTime& date) {
    if (!dateFormat || !date.IsValid()) return std::nullopt;
    const UDate time = static_cast<double>(date.DaysSince1970()) * U_MILLIS_PER_DAY;
    icu::UnicodeString out;
    std::lock_guard lock(mutex);
    dateFormat->format(time, out);
    return ToUtf8(out);
  }
};

ValueConverter::ValueConverter(RegionalSettings regional)
    : regional_(std::move(regional)), icu_(std::make_unique<Icu>(regional_)) {}

ValueConverter::~ValueConverter() = default;
ValueConverter::ValueConverter(ValueConverter&&) noexcept = default;
ValueConverter& ValueConverter::operator=(ValueConverter&&) noexcept = default;

std::optional<double> ValueConverter::ToDouble(const Value& value) const {
  switch (value.GetType()) {
    case Value::Type::Integer:
      return static_cast<double>(value.AsInteger());
    case Value::Type::Double:
      if (!std::isfinite(value.AsDouble())) return std::nullopt;
      return value.AsDouble();
    case Value::Type::Text: {
      const std::string_view text = TrimView(value.AsText(), kSpaceAndTab);
      if (text.empty()) return std::nullopt;
      double number = 0;
      if (ReadPlainNumber(text, regional_.DecimalSeparator(), number)) return number;
      return icu_ ? icu_->ParseNumber(text) : std::nullopt;
    }
    default:
      // Booleans and dates are no amounts: a flag or a date mapped onto a price is a mistake.
      return std::nullopt;
  }
}

std::optional<DateTime> ValueConverter::ToDate(const Value& value) const {
  switch (value.GetType()) {
    case Value::Type::Date:
      return value.AsDate();
    case Value::Type::Integer:
      return FromDayNumber(static_cast<double>(value.AsInteger()));
    case Value::Type::Double:
      return FromDayNumber(value.AsDouble());
    case Value::Type::Text: {
      const std::string_view text = TrimView(value.AsText(), kSpaceAndTab);
      if (text.empty()) return std::nullopt;
      DateTime date;
      if (DateTime::FromIso(text, date)) return date;
      return icu_ ? icu_->ParseDate(text) : std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

std::optional<bool> ValueConverter::ToBoolean(const Value& value) const {
  switch (value.GetType()) {
    case Value::Type::Boolean:
      return value.AsBool();
    case Value::Type::Integer:
      return value.AsInteger() != 0;
    case Value::Type::Double:
      if (std::isnan(value.AsDouble())) return std::nullopt;
      return value.AsDouble() != 0;
    case Value::Type::Text: {
      const std::string_view text = TrimView(value.AsText(), kSpaceAndTab);
      if (text.empty()) return false;
      for (std::string_view word : kTrueWords)
        if (EqualsAsciiNoCase(text, word)) return true;
      for (std::string_view word : kFalseWords)
        if (EqualsAsciiNoCase(text, word)) return false;
      if (std::optional<double> number = ToDouble(value)) return *number != 0;
      return std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

std::optional<std::string> ValueConverter::ToText(const Value& value) const {
  switch (value.GetType()) {
    case Value::Type::Boolean:
      return std::string(value.AsBool() ? kTrueText : kFalseText);
    case Value::Type::Integer:
      return std::to_string(value.AsInteger());
    case Value::Type::Double:
      return FormatPlain(value.AsDouble());
    case Value::Type::Text:
      return std::string(TrimView(value.AsText(), kSpace));
    case Value::Type::Date: {
      const DateTime& date = value.AsDate();
      // A time without a day, as a time cell arrives.
      if (IsDayZero(date) && date.HasTime()) return TimeText(date);
      std::string text = FormatDate(date);
      if (date.HasTime()) text += " " + TimeText(date);
      return text;
    }
    default:
      return std::nullopt;
  }
}

std::string ValueConverter::ToShownText(const Value& value, TypeClass typeClass) const {
  if (value.GetType() == Value::Type::Boolean)
    return std::string(value.AsBool() ? kYesShown : kNoShown);
  if (value.GetType() != Value::Type::Double || !std::isfinite(value.AsDouble()))
    return ToText(value).value_or(std::string());
  // The decimals the number has, as the plain form writes it.
  const std::string plain = FormatPlain(value.AsDouble());
  const size_t separator = plain.find(regional_.DecimalSeparator());
  int decimals =
      separator == std::string::npos
          ? 0
          : static_cast<int>(plain.size() - separator - regional_.DecimalSeparator().size());
  if (typeClass == TypeClass::Price || typeClass == TypeClass::AccountAmount)
    decimals = std::max(decimals, 2);
  return FormatNumber(value.AsDouble(), decimals);
}

std::string ValueConverter::FormatNumber(double value, int decimals) const {
  if (decimals < 0) decimals = 0;
  if (decimals > 15) decimals = 15;
  // Rounded here so that a shown amount agrees with the stored one: ICU would round the binary
  // value, 2.345 (2.34499...) to 2.34.
  const double rounded = RoundCommercial(value, decimals);
  if (icu_ && std::isfinite(rounded))
    if (std::optional<std::string> text = icu_->FormatGrouped(rounded, decimals)) return *text;
  return FormatPlain(rounded);
}

std::string ValueConverter::FormatPlain(double value) const {
  if (!std::isfinite(value)) return Value(value).ToText();
  // Fifteen significant digits, as the suite shows a number: 0.1 + 0.2 is "0,3".
  char buffer[32];
  auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
  double shown = value;
  if (error == std::errc()) std::from_chars(buffer, end, shown);
  if (shown == 0) shown = 0;  // no "-0"
  char fixed[400];
  auto [fixedEnd, fixedError] =
      std::to_chars(fixed, fixed + sizeof fixed, shown, std::chars_format::fixed);
  if (fixedError != std::errc()) return Value(value).ToText();
  std::string text(fixed, fixedEnd);
  const size_t point = text.find('.');
  if (point != std::string::npos) text.replace(point, 1, regional_.DecimalSeparator());
  return text;
}

std::string ValueConverter::FormatDate(const DateTime& date) const {
  if (icu_)
    if (std::optional<std::string> text = icu_->FormatDate(date)) return *text;
  return regional_.FormatShortDate(date);
}

namespace {

// How a converted value is stored in a column of each type, as the database converts an
// assigned value.
class ColumnStore {
 public:
  explicit ColumnStore(const ValueConverter& converter) : converter_(converter) {}

  Conversion Store(const Value& value, Value::Type columnType) const {
    switch (columnType) {
      case Value::Type::Null:
        return Converted(value);  // a column without a declared type takes any value
      case Value::Type::Text:
        if (std::optional<std::string> text = converter_.ToText(value))
          return Converted(Value(std::move(*text)));
        return Failed(std::string(import_texts::kBinaryValue));
      case Value::Type::Double:
        return AsDouble(value);
      case Value::Type::Integer:
        return AsInteger(value);
      case Value::Type::Boolean:
        if (value.GetType() == Value::Type::Boolean) return Converted(value);
        if (IsBlankText(value)) return NoValue();
        if (std::optional<bool> flag =
                NumberOrText(value) ? converter_.ToBoolean(value) : std::nullopt)
          return Converted(Value(*flag));
        return Failed(Shown(value), import_texts::kNotABoolean);
      case Value::Type::Date:
        if (value.GetType() == Value::Type::Date) return Converted(value);
        if (IsBlankText(value)) return NoValue();
        if (std::optional<DateTime> date =
                NumberOrText(value) ? converter_.ToDate(value) : std::nullopt)
          return Converted(Value(*date));
        return Failed(Shown(value), import_texts::kNotADate);
      case Value::Type::Binary:
        return Failed(std::string(import_texts::kBinaryColumn));
    }
    return Failed(std::string(import_texts::kBinaryColumn));
  }

  // The value as a failure reason shows it.
  std::string Shown(const Value& value) const {
    if (value.GetType() == Value::Type::Binary) return std::string(kBinaryShown);
    std::string text = value.IsText() ? std::string(TrimView(value.AsText(), kSpace))
                                      : converter_.ToText(value).value_or(std::string());
    if (CharacterCount(text) > kShownCharacters)
      text = FirstCharacters(text, kShownCharacters) + "…";
    return text;
  }

 private:
  static bool NumberOrText(const Value& value) {
    const Value::Type type = value.GetType();
    return type == Value::Type::Integer || type == Value::Type::Double || type == Value::Type::Text;
  }

  Conversion AsDouble(const Value& value) const {
    switch (value.GetType()) {
      case Value::Type::Double:
        return Converted(value);
      case Value::Type::Boolean:
        return Converted(Value(value.AsBool() ? 1.0 : 0.0));
      default:
        break;
    }
    if (IsBlankText(value)) return NoValue();
    if (std::optional<double> number = converter_.ToDouble(value)) return Converted(Value(*number));
    return Failed(Shown(value), import_texts::kNotANumber);
  }

  Conversion AsInteger(const Value& value) const {
    std::optional<double> number;
    switch (value.GetType()) {
      case Value::Type::Integer:
        return Converted(value);
      case Value::Type::Boolean:
        return Converted(Value(int64_t{value.AsBool() ? 1 : 0}));
      case Value::Type::Text: {
        const std::string_view text = TrimView(value.AsText(), kSpaceAndTab);
        if (text.empty()) return NoValue();
        // Read directly: a double would lose digits of long numbers.
        int64_t whole = 0;
        bool tooLarge = false;
        if (ReadPlainInteger(text, whole, tooLarge)) return Converted(Value(whole));
        if (tooLarge) return Failed(Shown(value), import_texts::kTooLarge);
        number = converter_.ToDouble(value);
        break;
      }
      case Value::Type::Double:
        number = value.AsDouble();
        break;
      default:
        break;
    }
    if (!number || !std::isfinite(*number)) return Failed(Shown(value), import_texts::kNotANumber);
    bool tooLarge = false;
    if (std::optional<int64_t> whole = WholeNumber(*number, tooLarge))
      return Converted(Value(*whole));
    return Failed(Shown(value),
                  tooLarge ? import_texts::kTooLarge : import_texts::kNotAWholeNumber);
  }

  const ValueConverter& converter_;
};

}  // namespace

Conversion ValueConverter::ForField(const Value& value, std::string_view field,
                                    Value::Type columnType) const {
  return ForClass(value, TypeClassOf(field), columnType);
}

Conversion ValueConverter::ForClass(const Value& value, TypeClass typeClass,
                                    Value::Type columnType) const {
  const ColumnStore store(*this);
  // In a flag column an empty cell is "no": lists ticked by hand mark only the true rows.
  if (typeClass == TypeClass::Flag && (value.IsNull() || IsBlankText(value)))
    return store.Store(Value(false), columnType);
  if (value.IsNull()) return NoValue();

  if (typeClass == TypeClass::Text) {
    if (!value.IsText()) return store.Store(value, columnType);
    const std::string_view text = TrimView(value.AsText(), kSpace);
    // A text column and a column without a type take the trimmed text as it is.
    if (columnType == Value::Type::Text || columnType == Value::Type::Null)
      return Converted(Value(text));
    // Empty text empties a text field; any other column has no empty value and keeps its own.
    if (text.empty()) return NoValue();
    return store.Store(Value(text), columnType);
  }

  // For every other class an empty cell is no value: the field keeps what it holds.
  if (IsBlankText(value)) return NoValue();

  Value converted;
  switch (typeClass) {
    case TypeClass::Price:
    case TypeClass::Quantity:
    case TypeClass::AccountAmount:
    case TypeClass::Dimension: {
      std::optional<double> number = ToDouble(value);
      if (!number) return Failed(store.Shown(value), import_texts::kNotANumber);
      converted = Value(typeClass == TypeClass::Price ? RoundCommercial(*number, 2) : *number);
      break;
    }
    case TypeClass::Date: {
      std::optional<DateTime> date = ToDate(value);
      if (!date) return Failed(store.Shown(value), import_texts::kNotADate);
      // Date fields hold the day as the short date shows it; a time of day is dropped.
      converted = Value(DateTime{date->Year, date->Month, date->Day});
      break;
    }
    case TypeClass::Flag: {
      std::optional<bool> flag = ToBoolean(value);
      if (!flag) return Failed(store.Shown(value), import_texts::kNotABoolean);
      converted = Value(*flag);
      break;
    }
    case TypeClass::Picture:
      return Failed(std::string(import_texts::kPicturesNotYet));
    case TypeClass::Text:
      break;
  }
  return store.Store(converted, columnType);
}

}  // namespace velra
