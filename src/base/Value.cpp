#include "base/Value.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace velra {

namespace {

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool ReadNumber(std::string_view text, size_t position, size_t digits, int& out) {
  if (position + digits > text.size()) return false;
  for (size_t i = position; i < position + digits; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  std::from_chars(text.data() + position, text.data() + position + digits, out);
  return true;
}

}  // namespace

bool DateTime::IsValid() const {
  return Year >= 1 && Year <= 9999 && Month >= 1 && Month <= 12 && Day >= 1 &&
         Day <= DaysInMonth(Year, Month) && Hour >= 0 && Hour <= 23 && Minute >= 0 &&
         Minute <= 59 && Second >= 0 && Second <= 59;
}

std::string DateTime::ToIso() const {
  // Written by hand: an import binds two dates per row, and snprintf showed in the profile.
  char text[19] = {'0', '0', '0', '0', '-', '0', '0', '-', '0', '0',
                   ' ', '0', '0', ':', '0', '0', ':', '0', '0'};
  auto put = [&text](int at, int digits, int value) {
    for (int i = at + digits - 1; i >= at; --i, value /= 10)
      text[i] = static_cast<char>('0' + value % 10);
  };
  put(0, 4, Year);
  put(5, 2, Month);
  put(8, 2, Day);
  if (!HasTime()) return std::string(text, 10);
  put(11, 2, Hour);
  put(14, 2, Minute);
  put(17, 2, Second);
  return std::string(text, 19);
}

bool DateTime::FromIso(std::string_view text, DateTime& out) {
  DateTime d;
  if (!ReadNumber(text, 0, 4, d.Year) || text.size() < 10 || text[4] != '-' || text[7] != '-' ||
      !ReadNumber(text, 5, 2, d.Month) || !ReadNumber(text, 8, 2, d.Day))
    return false;
  if (text.size() > 10) {
    if ((text[10] != ' ' && text[10] != 'T') || text.size() < 16 || text[13] != ':' ||
        !ReadNumber(text, 11, 2, d.Hour) || !ReadNumber(text, 14, 2, d.Minute))
      return false;
    if (text.size() > 16) {
      // Seconds, optionally with a fraction that is dropped.
      if (text[16] != ':' || !ReadNumber(text, 17, 2, d.Second)) return false;
      if (text.size() > 19 && text[19] != '.') return false;
    }
  }
  if (!d.IsValid()) return false;
  out = d;
  return true;
}

DateTime DateTime::FromDaysSince1970(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  DateTime date;
  date.Day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  date.Month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  date.Year = static_cast<int>(yearOfEra + era * 400 + (date.Month <= 2 ? 1 : 0));
  return date;
}

int64_t DateTime::DaysSince1970() const {
  const int64_t year = Year - (Month <= 2 ? 1 : 0);
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (Month > 2 ? Month - 3 : Month + 9) + 2) / 5 + Day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

bool DateTime::FromSerial(double serial, DateTime& out) {
  constexpr double kLimit = 2958466.0;  // beyond 31 December 9999
  constexpr int64_t kDayZero = -25569;  // 30 December 1899, counted from 1 January 1970
  if (!std::isfinite(serial) || std::fabs(serial) >= kLimit) return false;
  const double whole = std::trunc(serial);
  int64_t days = static_cast<int64_t>(whole);
  int64_t seconds = std::llround(std::fabs(serial - whole) * 86400.0);
  if (seconds == 86400) {
    ++days;
    seconds = 0;
  }
  DateTime date = FromDaysSince1970(kDayZero + days);
  date.Hour = static_cast<int>(seconds / 3600);
  date.Minute = static_cast<int>(seconds / 60 % 60);
  date.Second = static_cast<int>(seconds % 60);
  if (!date.IsValid()) return false;
  out = date;
  return true;
}

std::string Value::ToText() const {
  switch (GetType()) {
    case Type::Null:
      return {};
    case Type::Boolean:
      return AsBool() ? "True" : "False";
    case Type::Integer:
      return std::to_string(AsInteger());
    case Type::Double: {
      char buffer[32];
      auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, AsDouble());
      return error == std::errc() ? std::string(buffer, end) : std::string();
    }
    case Type::Text:
      return AsText();
    case Type::Date:
      return AsDate().ToIso();
    case Type::Binary:
      return std::string(AsBytes().begin(), AsBytes().end());
  }
  return {};
}

}  // namespace velra
