#pragma once
// Writing an imported value into a field: the field's name decides how the value is converted
// (prices, quantities, amounts, dimensions, dates, flags, the picture, text), and the field's
// column type decides how it is stored, as the database would convert an assigned value.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/Regional.h"
#include "base/Value.h"

namespace velra {

enum class TypeClass { Price, Quantity, AccountAmount, Dimension, Date, Flag, Picture, Text };

// The class of a field by its exact name (letter case counts): "NetPrice" is a price,
// "netprice" is text.
TypeClass TypeClassOf(std::string_view field);

// Commercial rounding to `digits` decimals: halves away from zero, on the decimal value as it is
// shown (fifteen significant digits), so that binary noise does not decide: 2.345 -> 2.35,
// 1.005 -> 1.01, -2.345 -> -2.35, 0.125 -> 0.13, -0.125 -> -0.13; at 0 digits 2.5 -> 3 and
// -2.5 -> -3.
double RoundCommercial(double value, int digits);

// The outcome of converting one value.
struct Conversion {
  enum class Outcome {
    Converted,  // `value` is to be written
    NoValue,  // nothing to write (null, or empty text for a field that is not text): keep the field
    Failed,   // the value cannot be written: keep the field, `reason` says why (German)
  };
  Outcome outcome = Outcome::NoValue;
  Value value;
  std::string reason;
};

class ValueConverter {
 public:
  explicit ValueConverter(RegionalSettings regional);
  ~ValueConverter();
  ValueConverter(ValueConverter&&) noexcept;
  ValueConverter& operator=(ValueConverter&&) noexcept;

  // Numbers unchanged; text parsed strictly by the regional settings (decimal and grouping
  // separator, optional sign), the whole text consumed.
  std::optional<double> ToDouble(const Value& value) const;
  // Dates unchanged; text parsed strictly in the short date format (with or without a time of
  // day, also ISO "yyyy-MM-dd"); numbers as day numbers from 30 December 1899.
  std::optional<DateTime> ToDate(const Value& value) const;
  // Numbers and text that reads as a number: 0 false, else true; in any letter case the words
  // true/false, wahr/falsch, ja/nein, j/n, yes/no, and x for true; empty text is false.
  std::optional<bool> ToBoolean(const Value& value) const;
  // Any value but null as text in the regional format, trimmed of blanks at both ends.
  std::optional<std::string> ToText(const Value& value) const;

  // Converts `value` for the field `field` stored in a column of type `columnType`.
  Conversion ForField(const Value& value, std::string_view field, Value::Type columnType) const;
  // The same for a field whose class is known already (the run looks it up once per column).
  Conversion ForClass(const Value& value, TypeClass typeClass, Value::Type columnType) const;

  // A value as the window shows it to the user, in a form the import reads back: flags as
  // "Ja"/"Nein", fractional numbers grouped with as many decimals as they have ("1.234,5"),
  // prices and amounts of accounts with at least two ("1.234,50"); everything else as ToText.
  std::string ToShownText(const Value& value, TypeClass typeClass) const;

  // A number with grouping and `decimals` decimals in the regional format ("1.234,50").
  std::string FormatNumber(double value, int decimals) const;
  // A number as the regional settings write it without grouping, with as many decimals as it
  // has ("0,5", "12").
  std::string FormatPlain(double value) const;
  std::string FormatDate(const DateTime& date) const;

  const RegionalSettings& Regional() const { return regional_; }

 private:
  RegionalSettings regional_;
  struct Icu;
  std::unique_ptr<Icu> icu_;
};

}  // namespace velra
