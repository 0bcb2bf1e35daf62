// Converting imported values, for de_DE and three other locales (chosen by the first byte).
// The rest of the input is read both as text and as binary numbers:
//  - text that reads as a number gives a finite number, and a value that fails names a reason;
//  - text that reads as a date or Boolean gives one that reads the same again from its text;
//  - a number shown by FormatPlain or FormatNumber reads back as the number shown;
//  - RoundCommercial stays within half a unit of the last decimal and rounds its result to itself;
//  - a whole number as text is stored exactly in a whole-number column;
//  - a valid date, with or without a time of day, reads back from its text.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "base/Encoding.h"
#include "import/ValueConversion.h"

using namespace velra;

namespace {

constexpr const char* kLocales[] = {"de_DE", "en_US", "fr_FR", "de_CH"};

const ValueConverter& Converter(uint8_t byte) {
  static std::unique_ptr<ValueConverter> converters[4];
  size_t i = byte % 4;
  if (!converters[i])
    converters[i] = std::make_unique<ValueConverter>(RegionalSettings::ForLocale(kLocales[i]));
  return *converters[i];
}

std::string Shown(const DateTime& date) {
  return date.ToIso() + " (" + std::to_string(date.Hour) + ":" + std::to_string(date.Minute) + ":" +
         std::to_string(date.Second) + ")";
}

bool Near(double a, double b) {
  return a == b || std::fabs(a - b) <= std::fabs(b) * 1e-14;
}

void CheckText(const ValueConverter& converter, const std::string& text) {
  const Value value(text);
  if (std::optional<double> number = converter.ToDouble(value)) {
    FUZZ_CHECK(std::isfinite(*number), "'" + text + "' reads as a number that is not finite");
    std::optional<double> again = converter.ToDouble(Value(converter.FormatPlain(*number)));
    FUZZ_CHECK(again && Near(*again, *number),
               "'" + text + "' reads as a number whose text does not read back");
  }
  if (std::optional<DateTime> date = converter.ToDate(value)) {
    FUZZ_CHECK(date->IsValid(), "'" + text + "' reads as an invalid date " + Shown(*date));
    std::optional<std::string> shown = converter.ToText(Value(*date));
    std::optional<DateTime> again = shown ? converter.ToDate(Value(*shown)) : std::nullopt;
    FUZZ_CHECK(again && *again == *date, "'" + text + "' reads as the date " + Shown(*date) +
                                             " whose text '" + shown.value_or("") +
                                             "' does not read back");
  }
  if (std::optional<bool> flag = converter.ToBoolean(value)) {
    std::optional<bool> again = converter.ToBoolean(Value(*converter.ToText(Value(*flag))));
    FUZZ_CHECK(again == flag, "the Boolean of '" + text + "' does not read back");
  }
  static constexpr TypeClass kClasses[] = {
      TypeClass::Price, TypeClass::Quantity, TypeClass::AccountAmount, TypeClass::Dimension,
      TypeClass::Date,  TypeClass::Flag,     TypeClass::Picture,       TypeClass::Text};
  static constexpr Value::Type kColumns[] = {
      Value::Type::Null, Value::Type::Boolean, Value::Type::Integer, Value::Type::Double,
      Value::Type::Text, Value::Type::Date,    Value::Type::Binary};
  for (TypeClass typeClass : kClasses)
    for (Value::Type column : kColumns) {
      Conversion conversion = converter.ForClass(value, typeClass, column);
      if (conversion.outcome == Conversion::Outcome::Failed)
        FUZZ_CHECK(
            !conversion.reason.empty() && (IsValidUtf8(conversion.reason) || !IsValidUtf8(text)),
            "a failure without a readable reason for '" + text + "'");
      if (conversion.outcome != Conversion::Outcome::Converted) continue;
      const Value& stored = conversion.value;
      if (column == Value::Type::Double)
        FUZZ_CHECK(stored.GetType() == Value::Type::Double && std::isfinite(stored.AsDouble()),
                   "a number column gets " + fuzz::Describe(stored));
      if (column == Value::Type::Integer)
        FUZZ_CHECK(stored.GetType() == Value::Type::Integer,
                   "a whole-number column gets " + fuzz::Describe(stored));
      if (column == Value::Type::Date)
        FUZZ_CHECK(stored.GetType() == Value::Type::Date && stored.AsDate().IsValid(),
                   "a date column gets " + fuzz::Describe(stored));
      if (column == Value::Type::Boolean)
        FUZZ_CHECK(stored.GetType() == Value::Type::Boolean,
                   "a Boolean column gets " + fuzz::Describe(stored));
    }
}

void CheckNumber(const ValueConverter& converter, double number, int decimals) {
  if (!std::isfinite(number)) {
    FUZZ_CHECK(!converter.ToDouble(Value(number)), "a number that is not finite is taken");
    return;
  }
  const std::string plain = converter.FormatPlain(number);
  std::optional<double> read = converter.ToDouble(Value(plain));
  FUZZ_CHECK(read && Near(*read, number), "FormatPlain gives '" + plain + "' for " +
                                              Value(number).ToText() + ", which reads back as " +
                                              (read ? Value(*read).ToText() : "nothing"));
  FUZZ_CHECK(converter.FormatPlain(*read) == plain, "'" + plain + "' is shown differently read");

  const double rounded = RoundCommercial(number, decimals);
  const double unit = std::pow(10.0, -decimals);
  FUZZ_CHECK(std::fabs(rounded - number) <= unit / 2 * (1 + 1e-9) + std::fabs(number) * 1e-14,
             "RoundCommercial(" + Value(number).ToText() + ", " + std::to_string(decimals) +
                 ") is " + Value(rounded).ToText());
  if (std::fabs(number) / unit < 1e13)
    FUZZ_CHECK(RoundCommercial(rounded, decimals) == rounded,
               "RoundCommercial(" + Value(number).ToText() + ", " + std::to_string(decimals) +
                   ") is " + Value(rounded).ToText() + ", which rounds to " +
                   Value(RoundCommercial(rounded, decimals)).ToText());

  const std::string grouped = converter.FormatNumber(number, decimals);
  read = converter.ToDouble(Value(grouped));
  FUZZ_CHECK(read && Near(*read, rounded), "FormatNumber gives '" + grouped + "' for " +
                                               Value(number).ToText() + ", which reads back as " +
                                               (read ? Value(*read).ToText() : "nothing"));
}

void CheckWhole(const ValueConverter& converter, int64_t whole) {
  const std::string text = std::to_string(whole);
  Conversion conversion = converter.ForClass(Value(text), TypeClass::Text, Value::Type::Integer);
  FUZZ_CHECK(
      conversion.outcome == Conversion::Outcome::Converted && conversion.value == Value(whole),
      "'" + text + "' is not stored exactly in a whole-number column");
  conversion = converter.ForClass(Value(whole), TypeClass::Text, Value::Type::Text);
  FUZZ_CHECK(conversion.value == Value(text), "the whole number " + text + " as text differs");
}

void CheckDate(const ValueConverter& converter, const DateTime& date) {
  if (!date.IsValid()) return;
  std::optional<std::string> text = converter.ToText(Value(date));
  FUZZ_CHECK(text.has_value(), "a date has no text");
  std::optional<DateTime> read = converter.ToDate(Value(*text));
  FUZZ_CHECK(read && *read == date, "the date " + Shown(date) + " shown as '" + *text +
                                        "' reads back as " + (read ? Shown(*read) : "nothing"));
  Conversion conversion = converter.ForClass(Value(*text), TypeClass::Date, Value::Type::Date);
  FUZZ_CHECK(conversion.outcome == Conversion::Outcome::Converted &&
                 conversion.value == Value(DateTime{date.Year, date.Month, date.Day}),
             "the date '" + *text + "' is not stored as its day");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const ValueConverter& converter = Converter(data[0]);
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  if (text.size() <= 256) CheckText(converter, text);

  uint8_t bytes[16] = {};
  std::memcpy(bytes, data + 1, std::min<size_t>(size - 1, sizeof bytes));
  double number;
  std::memcpy(&number, bytes, sizeof number);
  int64_t whole;
  std::memcpy(&whole, bytes + 8, sizeof whole);
  CheckNumber(converter, number, bytes[15] % 6);
  CheckWhole(converter, whole);
  uint16_t year = static_cast<uint16_t>(bytes[8] | bytes[9] << 8);
  CheckDate(converter, DateTime{year % 10000, bytes[10] % 13, bytes[11] % 32, bytes[12] % 24,
                                bytes[13] % 60, (bytes[14] & 1) ? bytes[14] % 60 : 0});
  return 0;
}
