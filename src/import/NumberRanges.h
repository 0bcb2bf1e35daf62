#pragma once
// Number ranges: the suite's counters for new customer, article, supplier and stock numbers,
// kept in the company options (sections NumberRange, Counting, Formatting, Token; Program for the
// default format and the date format).

#include <functional>
#include <optional>
#include <string>

#include "base/Value.h"
#include "company/CompanyOptions.h"
#include "import/ImportError.h"

namespace velra {

// The number for `counter` in `format` ("Kürzel;-;Jahr;/;Nr."): elements 1, 3 and 5 are parts
// ("Kürzel" only in element 1, "Datum", "Jahr", "Nr."), elements 2 and 4 separators ("-", "#",
// "/"); anything else adds nothing. `dateFormat` is a format like "yyyymmdd" (yyyy, yy, mm, m,
// dd, d; empty means "yyyymmdd").
std::string FormatRangeNumber(const std::string& format, const std::string& token,
                              const std::string& counter, const DateTime& today,
                              const std::string& dateFormat);

// Advances a counter by one as decimal text of any length. When the counter contains a "0" (or
// `zeroNoted` is already set) the result is padded with zeros to the counter's former length:
// 00041 -> 00042, 0099 -> 0100, 999 -> 1000, 9 -> 10. False when the counter is no number.
bool AdvanceCounter(std::string& counter, bool& zeroNoted);

// The assembled number of the range's current counter, as the options hold it now.
std::string NummerFormatieren(const CompanyOptions& options, const std::string& range,
                              const DateTime& today);
// Advances the stored counter by one unless counting is off ("Counting" = "0"). Throws
// ImportError naming the range when its counter is no number or cannot be stored.
void NummerWeiterzaehlen(CompanyOptions& options, const std::string& range);
// The first number from the stored counter on that `isTaken` reports free; the stored counter is
// advanced past taken numbers only. Throws ImportError naming the range when it cannot give a
// number.
std::string NaechsteNummer(CompanyOptions& options, const std::string& range, const DateTime& today,
                           const std::function<bool(const std::string&)>& isTaken);

// A range during an import run: its settings are read once, numbers are handed out from memory,
// and the stored counter is kept ahead of every number handed out, so that the options are not
// rewritten per record and a run that stops at any point never hands out a number twice.
class NumberRangeCursor {
 public:
  // Reads the range. nullopt with a German reason naming the range when it yields an empty
  // number or its counter is no number.
  static std::optional<NumberRangeCursor> Open(CompanyOptions& options, const std::string& range,
                                               const DateTime& today, std::string& error);

  // NaechsteNummer in memory. Before it hands out a number that the stored counter does not
  // cover, it moves the stored counter ahead (see KeepStoredAhead); nullopt with a reason when no
  // free number can be found or the options cannot be written.
  std::optional<std::string> Next(const std::function<bool(const std::string&)>& isTaken,
                                  std::string& error);
  // NummerWeiterzaehlen in memory.
  void CountOn();
  const std::string& Counter() const { return counter_; }
  const std::string& Range() const { return range_; }

  // Moves the stored counter kReserve numbers ahead of the counter when the counter has reached
  // it. False with a reason when the options cannot be written.
  bool KeepStoredAhead(std::string& error);
  // Stores the exact counter (at the end of a run).
  bool StoreExact(std::string& error);
  // From now on the stored counter is not written (a test run): the numbers handed out are those
  // the real run would hand out.
  void LeaveStoredCounter() { readOnly_ = true; }

 private:
  CompanyOptions* options_ = nullptr;
  std::string range_, format_, token_, dateFormat_, counter_, stored_;
  DateTime today_;
  bool counting_ = true;
  bool readOnly_ = false;
  static constexpr int kReserve = 1000;

  // Stores what `change` makes of the stored counter; false with a reason naming the range.
  bool UpdateCounter(const CompanyOptions::Change& change, std::string& error);
};

}  // namespace velra
