#pragma once
// Excel stores dates as day numbers with the time as fraction; two epochs exist.

#include "base/Value.h"

namespace velra {

// The date and time of an Excel serial number, rounded to the second. In the 1900 system day 1
// is 1 January 1900 and day 60 is the non-existent 29 February 1900 (given as 28 February); in
// the 1904 system day 0 is 1 January 1904. A serial below 1 in the 1900 system is a time of day
// alone: it comes on 30 December 1899, the day zero of the suite's dates. False for serials
// outside the years 1 to 9999.
bool ExcelSerialToDateTime(double serial, bool date1904, DateTime& out);

}  // namespace velra
