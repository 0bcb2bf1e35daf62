#include "source/dbf/DbfValues.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace velra::dbf {

namespace {

using Problem = FieldValue::Problem;

FieldValue Holds(Value value) {
  return {std::move(value), Problem::None, {}};
}

FieldValue Fails(Problem problem, std::string_view text = {}) {
  return {std::nullopt, problem, text};
}

uint64_t BigEndian(const char* p, int bytes) {
  uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | static_cast<uint8_t>(p[i]);
  return value;
}

// A number as dBase writes it: optional sign, digits, a point, an exponent in F fields.
std::optional<Value> ParseNumber(std::string_view text) {
  if (text.empty() || text.find_first_not_of("0123456789+-.eE") != std::string_view::npos)
    return std::nullopt;
  std::string_view unsigned_ = text.front() == '+' ? text.substr(1) : text;
  double number = 0;
  auto [end, error] =
      std::from_chars(unsigned_.data(), unsigned_.data() + unsigned_.size(), number);
  if (error != std::errc() || end != unsigned_.data() + unsigned_.size() || !std::isfinite(number))
    return std::nullopt;
  // Whole numbers beyond the exact range of a double (long article numbers) stay exact.
  if (std::fabs(number) >= 9007199254740992.0 &&
      unsigned_.find_first_of(".eE") == std::string_view::npos) {
    int64_t whole = 0;
    auto [wholeEnd, wholeError] =
        std::from_chars(unsigned_.data(), unsigned_.data() + unsigned_.size(), whole);
    if (wholeError == std::errc() && wholeEnd == unsigned_.data() + unsigned_.size())
      return Value(whole);
  }
  return Value(number);
}

// The Gregorian date of a Julian day number.
DateTime FromJulianDay(int64_t julianDay) {
  int64_t a = julianDay + 32044;
  int64_t b = (4 * a + 3) / 146097;
  int64_t c = a - 146097 * b / 4;
  int64_t d = (4 * c + 3) / 1461;
  int64_t e = c - 1461 * d / 4;
  int64_t m = (5 * e + 2) / 153;
  DateTime date;
  date.Day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
  date.Month = static_cast<int>(m + 3 - 12 * (m / 10));
  date.Year = static_cast<int>(100 * b + d - 4800 + m / 10);
  return date;
}

FieldValue NumberField(std::string_view bytes) {
  std::string_view text = TrimBoth(bytes);
  // Blank, and a field filled with "*" (how common writers store "no value"), hold none.
  if (text.find_first_not_of('*') == std::string_view::npos) return {};
  if (auto number = ParseNumber(text)) return Holds(std::move(*number));
  return Fails(Problem::NotANumber, text);
}

FieldValue DateField(std::string_view bytes) {
  std::string_view text = TrimBoth(bytes);
  if (text.empty() || text == "00000000") return {};
  DateTime date;
  if (text.size() == 8 && AllDigits(text)) {
    date.Year = std::stoi(std::string(text.substr(0, 4)));
    date.Month = std::stoi(std::string(text.substr(4, 2)));
    date.Day = std::stoi(std::string(text.substr(6, 2)));
    if (date.IsValid()) return Holds(date);
  }
  return Fails(Problem::NotADate, text);
}

FieldValue LogicalField(std::string_view bytes) {
  std::string_view text = TrimBoth(bytes);
  if (text.empty() || text == "?") return {};
  if (text.size() == 1 && std::strchr("TtYy", text[0])) return Holds(true);
  if (text.size() == 1 && std::strchr("FfNn", text[0])) return Holds(false);
  return Fails(Problem::NotALogical, text);
}

FieldValue SortedIntegerField(const char* p) {
  auto raw = static_cast<uint32_t>(BigEndian(p, 4));
  if (raw == 0) return {};  // never written
  return Holds(static_cast<int32_t>(raw ^ 0x80000000u));
}

FieldValue SortedDoubleField(const char* p) {
  uint64_t raw = BigEndian(p, 8);
  if (raw == 0) return {};
  constexpr uint64_t kSign = uint64_t{1} << 63;
  raw = (raw & kSign) ? raw ^ kSign : ~raw;
  return Holds(std::bit_cast<double>(raw));
}

FieldValue TimestampField(const char* p) {
  auto day = static_cast<int64_t>(LittleEndian(p, 4));
  auto milliseconds = static_cast<int64_t>(LittleEndian(p + 4, 4));
  if (day == 0 && milliseconds == 0) return {};
  int64_t seconds = (milliseconds + 500) / 1000;
  if (seconds == 86400) {  // rounded up into the next day
    ++day;
    seconds = 0;
  }
  DateTime stamp = FromJulianDay(day);
  stamp.Hour = static_cast<int>(seconds / 3600);
  stamp.Minute = static_cast<int>(seconds / 60 % 60);
  stamp.Second = static_cast<int>(seconds % 60);
  if (seconds < 86400 && stamp.IsValid()) return Holds(stamp);
  return Fails(Problem::NotATimestamp);
}

}  // namespace

CellKind KindOf(const Header& header, const Field& field) {
  const bool level7 = header.flavor == Flavor::DBase7;
  const bool visualFoxPro = header.flavor == Flavor::VisualFoxPro;
  switch (field.type) {
    case 'C':
      return CellKind::Text;
    case 'N':
    case 'F':
      return CellKind::Number;
    case 'D':
      return CellKind::Date;
    case 'L':
      return CellKind::Logical;
    case 'M':
      return CellKind::TextMemo;
    case 'G':
    case 'P':
    case 'W':
      return CellKind::BinaryMemo;
    case 'B':
      if (!visualFoxPro) return CellKind::BinaryMemo;
      return field.length == 8 ? CellKind::Double : CellKind::Unsupported;
    case 'I':
    case '+':
      if (field.length != 4) return CellKind::Unsupported;
      if (level7) return CellKind::SortedInteger;
      return field.type == 'I' ? CellKind::Integer : CellKind::Unsupported;
    case 'O':
      return level7 && field.length == 8 ? CellKind::SortedDouble : CellKind::Unsupported;
    case 'T':
      return field.length == 8 ? CellKind::Timestamp : CellKind::Unsupported;
    case 'Y':
      return field.length == 8 ? CellKind::Currency : CellKind::Unsupported;
    case 'V':
      return visualFoxPro ? CellKind::VarText : CellKind::Unsupported;
    case 'Q':
      return visualFoxPro ? CellKind::VarBinary : CellKind::Unsupported;
    default:
      return CellKind::Unsupported;
  }
}

size_t CellBytes(CellKind kind, uint32_t length) {
  switch (kind) {
    case CellKind::Text:
    case CellKind::VarText:
      return std::min<size_t>(length, 64);
    case CellKind::Logical:
      return 2;
    case CellKind::Date:
    case CellKind::Timestamp:
      return 8;
    case CellKind::TextMemo:
    case CellKind::BinaryMemo:
    case CellKind::VarBinary:
    case CellKind::Unsupported:
      return 1;
    default:
      return 9;
  }
}

FieldValue FixedFieldValue(CellKind kind, std::string_view bytes) {
  const char* p = bytes.data();
  switch (kind) {
    case CellKind::Number:
      return NumberField(bytes);
    case CellKind::Date:
      return DateField(bytes);
    case CellKind::Logical:
      return LogicalField(bytes);
    case CellKind::Integer:
      return Holds(static_cast<int32_t>(static_cast<uint32_t>(LittleEndian(p, 4))));
    case CellKind::Double:
      return Holds(std::bit_cast<double>(LittleEndian(p, 8)));
    case CellKind::Currency:
      return Holds(static_cast<double>(static_cast<int64_t>(LittleEndian(p, 8))) / 10000.0);
    case CellKind::SortedInteger:
      return SortedIntegerField(p);
    case CellKind::SortedDouble:
      return SortedDoubleField(p);
    case CellKind::Timestamp:
      return TimestampField(p);
    default:
      return {};
  }
}

uint64_t LittleEndian(const char* p, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(p[i]);
  return value;
}

std::string_view TrimEnd(std::string_view text, std::string_view characters) {
  size_t end = text.find_last_not_of(characters);
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::string_view TrimBoth(std::string_view text) {
  size_t begin = text.find_first_not_of(" \0", 0, 2);
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(" \0", std::string_view::npos, 2);
  return text.substr(begin, end - begin + 1);
}

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace velra::dbf
