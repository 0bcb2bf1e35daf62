#include "source/ExcelDates.h"

#include <cmath>
#include <cstdint>

namespace velra {

namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

constexpr int64_t kDays1899_12_30 = -25569;  // days from 1970-01-01
constexpr int64_t kDays1904_01_01 = -24107;

}  // namespace

bool ExcelSerialToDateTime(double serial, bool date1904, DateTime& out) {
  if (!std::isfinite(serial) || serial < 0 || serial > 2958466) return false;
  int64_t totalSeconds = static_cast<int64_t>(std::llround(serial * 86400.0));
  int64_t dayNumber = totalSeconds / 86400;
  int64_t seconds = totalSeconds % 86400;
  int64_t epochDays;
  if (date1904) {
    epochDays = kDays1904_01_01 + dayNumber;
  } else if (dayNumber == 0) {
    epochDays = kDays1899_12_30;  // a time of day alone
  } else if (dayNumber < 60) {
    epochDays = kDays1899_12_30 + dayNumber + 1;  // before Excel's invented 29 February 1900
  } else if (dayNumber == 60) {
    epochDays = kDays1899_12_30 + 60;  // 29 February 1900 does not exist: 28 February
  } else {
    epochDays = kDays1899_12_30 + dayNumber;
  }
  DateTime result;
  CivilFromDays(epochDays, result.Year, result.Month, result.Day);
  result.Hour = static_cast<int>(seconds / 3600);
  result.Minute = static_cast<int>(seconds / 60 % 60);
  result.Second = static_cast<int>(seconds % 60);
  if (!result.IsValid()) return false;
  out = result;
  return true;
}

}  // namespace velra
