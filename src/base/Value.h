#pragma once
// A typed database or source value.

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velra {

struct DateTime {
  int Year = 1899, Month = 12, Day = 30;
  int Hour = 0, Minute = 0, Second = 0;
  auto operator<=>(const DateTime&) const = default;

  bool HasTime() const { return Hour != 0 || Minute != 0 || Second != 0; }
  bool IsValid() const;
  // "YYYY-MM-DD HH:MM:SS", or "YYYY-MM-DD" without a time of day.
  std::string ToIso() const;
  // Parses "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS]" and "YYYY-MM-DDTHH:MM[:SS]"; false otherwise.
  static bool FromIso(std::string_view text, DateTime& out);

  // Midnight of the day `days` after (before, when negative) 1 January 1970, proleptic Gregorian.
  static DateTime FromDaysSince1970(int64_t days);
  // The day counted from 1 January 1970; the time of day is left out.
  int64_t DaysSince1970() const;
  // The date serial of the suite and its databases: the whole part counts days from 30 December
  // 1899, the fraction is the time of day, for negative serials too (-1.25 is 29 December 1899,
  // 06:00). False for a serial that is no valid date.
  static bool FromSerial(double serial, DateTime& out);
};

using Bytes = std::vector<unsigned char>;

class Value {
 public:
  enum class Type { Null, Boolean, Integer, Double, Text, Date, Binary };

  Value() = default;
  Value(bool b) : v_(b) {}
  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>) Value(T i)
      : v_(static_cast<int64_t>(i)) {}
  Value(double d) : v_(d) {}
  Value(const char* text) : v_(std::string(text)) {}
  Value(std::string text) : v_(std::move(text)) {}
  Value(std::string_view text) : v_(std::string(text)) {}
  Value(DateTime date) : v_(date) {}
  Value(Bytes bytes) : v_(std::move(bytes)) {}

  Type GetType() const { return static_cast<Type>(v_.index()); }
  bool IsNull() const { return GetType() == Type::Null; }
  bool IsText() const { return GetType() == Type::Text; }

  // Accessors for the stored type; calling one for another type is a programming error.
  bool AsBool() const { return std::get<bool>(v_); }
  int64_t AsInteger() const { return std::get<int64_t>(v_); }
  double AsDouble() const { return std::get<double>(v_); }
  const std::string& AsText() const { return std::get<std::string>(v_); }
  const DateTime& AsDate() const { return std::get<DateTime>(v_); }
  const Bytes& AsBytes() const { return std::get<Bytes>(v_); }

  // The value as text without regard to regional settings: numbers with "." as decimal point
  // and no grouping, dates as ISO text, Booleans as "True"/"False", null as empty text.
  std::string ToText() const;

  bool operator==(const Value&) const = default;

 private:
  std::variant<std::monostate, bool, int64_t, double, std::string, DateTime, Bytes> v_;
};

// A value as text; a null value gives empty text.
inline std::string NzText(const Value& value) {
  return value.ToText();
}

}  // namespace velra
