#include "source/ExcelDates.h"

#include <cmath>
#include <cstdint>

namespace velra {

namespace {

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
  DateTime result = DateTime::FromDaysSince1970(epochDays);
  result.Hour = static_cast<int>(seconds / 3600);
  result.Minute = static_cast<int>(seconds / 60 % 60);
  result.Second = static_cast<int>(seconds % 60);
  if (!result.IsValid()) return false;
  out = result;
  return true;
}

}  // namespace velra
