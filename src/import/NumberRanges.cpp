#include "import/NumberRanges.h"

#include <cstdio>
#include <vector>

#include "base/Text.h"
#include "import/ImportTexts.h"

namespace velra {
namespace {

constexpr std::string_view kCounterSection = "NumberRange";
constexpr std::string_view kCountingSection = "Counting";
constexpr std::string_view kFormatSection = "Formatting";
constexpr std::string_view kTokenSection = "Token";
constexpr std::string_view kProgramSection = "Program";
constexpr std::string_view kDefaultFormatKey = "DocumentNumberFormat";
constexpr std::string_view kDateFormatKey = "DateFormatting";
constexpr std::string_view kCountingOff = "0";
constexpr std::string_view kDefaultDateFormat = "yyyymmdd";

constexpr std::string_view kToken = "K\xC3\xBCrzel";  // "Kürzel"
constexpr std::string_view kDate = "Datum";
constexpr std::string_view kYear = "Jahr";
constexpr std::string_view kNumber = "Nr.";

// A run that meets this many taken numbers in a row is stuck rather than unlucky.
constexpr int kMaxAttempts = 1000000;

// The German texts of this module.
namespace text {

std::string NoFormat(std::string_view range) {
  return Fill(import_texts::kRangeNoFormat, {range});
}
std::string EmptyNumber(std::string_view range, std::string_view format) {
  return Fill(import_texts::kRangeEmptyNumber, {range, format});
}
std::string NoCounter(std::string_view range) {
  return Fill(import_texts::kRangeNoCounter, {range});
}
std::string CounterNoNumber(std::string_view range, std::string_view counter) {
  return Fill(import_texts::kRangeCounterNoNumber, {range, counter});
}
std::string FormatWithoutCounter(std::string_view range, std::string_view format,
                                 std::string_view number) {
  return Fill(import_texts::kRangeFormatWithoutCounter, {range, format, number});
}
std::string TooManyAttempts(std::string_view range, std::string_view lastNumber) {
  return Fill(import_texts::kRangeTooManyAttempts,
              {range, std::to_string(kMaxAttempts), lastNumber});
}
std::string CounterNotStored(std::string_view range, std::string_view reason) {
  return Fill(import_texts::kRangeCounterNotStored, {range, reason});
}

}  // namespace text

bool IsDigits(std::string_view counter) {
  if (counter.empty()) return false;
  for (char c : counter)
    if (c < '0' || c > '9') return false;
  return true;
}

std::string_view WithoutLeadingZeros(std::string_view digits) {
  size_t first = digits.find_first_not_of('0');
  return first == std::string_view::npos ? std::string_view("0") : digits.substr(first);
}

// Both counters are digits; leading zeros do not count.
int CompareCounters(std::string_view a, std::string_view b) {
  a = WithoutLeadingZeros(a);
  b = WithoutLeadingZeros(b);
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

std::string Padded(int value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  return buffer;
}

bool StartsWithIgnoreCase(std::string_view text, size_t at, std::string_view token) {
  if (text.size() - at < token.size()) return false;
  for (size_t i = 0; i < token.size(); ++i) {
    char c = text[at + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != token[i]) return false;
  }
  return true;
}

std::string FormatDate(const DateTime& date, std::string_view format) {
  if (format.empty()) format = kDefaultDateFormat;
  struct Token {
    std::string_view name;
    int DateTime::*field;
    int width;
  };
  // Longer tokens first, so that "yyyy" is not read as two "yy".
  static constexpr Token kTokens[] = {
      {"yyyy", &DateTime::Year, 4}, {"yy", &DateTime::Year, 2},   {"mm", &DateTime::Month, 2},
      {"m", &DateTime::Month, 1},   {"dd", &DateTime::Day, 2},    {"d", &DateTime::Day, 1},
      {"hh", &DateTime::Hour, 2},   {"nn", &DateTime::Minute, 2}, {"ss", &DateTime::Second, 2},
  };
  std::string result;
  size_t at = 0;
  while (at < format.size()) {
    const Token* match = nullptr;
    for (const Token& token : kTokens)
      if (StartsWithIgnoreCase(format, at, token.name)) {
        match = &token;
        break;
      }
    if (!match) {
      result += format[at++];
      continue;
    }
    int value = date.*(match->field);
    if (match->name == "yy") value %= 100;
    result += Padded(value, match->width);
    at += match->name.size();
  }
  return result;
}

// What a part element (1, 3 or 5) adds; the token only counts in the first.
std::string PartText(std::string_view element, bool first, const std::string& token,
                     const std::string& counter, const DateTime& today,
                     const std::string& dateFormat) {
  if (first && element == kToken) return token;
  if (element == kDate) return FormatDate(today, dateFormat);
  if (element == kYear) return Padded(today.Year, 4);
  if (element == kNumber) return counter;
  return {};
}

std::string SeparatorText(std::string_view element) {
  if (element == "-" || element == "#" || element == "/") return std::string(element);
  return {};
}

std::string RangeFormat(const CompanyOptions& options, const std::string& range) {
  std::string format = Trim(options.Get(kFormatSection, range));
  if (format.empty()) format = Trim(options.Get(kProgramSection, kDefaultFormatKey));
  return format;
}

// Blanks around a stored counter would end up in the numbers.
std::string StoredCounter(const CompanyOptions& options, const std::string& range) {
  return Trim(options.Get(kCounterSection, range));
}

bool CountingOn(const CompanyOptions& options, const std::string& range) {
  return Trim(options.Get(kCountingSection, range)) != kCountingOff;
}

std::string CounterProblem(const std::string& range, const std::string& counter) {
  return counter.empty() ? text::NoCounter(range) : text::CounterNoNumber(range, counter);
}

std::string EmptyNumberProblem(const std::string& range, const std::string& format) {
  return format.empty() ? text::NoFormat(range) : text::EmptyNumber(range, format);
}

void StoreCounter(CompanyOptions& options, const std::string& range, const std::string& counter) {
  try {
    options.Set(kCounterSection, range, counter);
  } catch (const ConfigError& e) {
    throw ImportError(text::CounterNotStored(range, e.what()));
  }
}

}  // namespace

std::string FormatRangeNumber(const std::string& format, const std::string& token,
                              const std::string& counter, const DateTime& today,
                              const std::string& dateFormat) {
  std::vector<std::string> elements = Split(format, ";");
  elements.resize(5);
  return PartText(elements[0], true, token, counter, today, dateFormat) +
         SeparatorText(elements[1]) +
         PartText(elements[2], false, token, counter, today, dateFormat) +
         SeparatorText(elements[3]) +
         PartText(elements[4], false, token, counter, today, dateFormat);
}

// Empty text is no number here, although the suite's number reading makes it 0: an empty
// counter is a range nobody has set up, and numbering it from 1 would be a guess.
bool AdvanceCounter(std::string& counter, bool& zeroNoted) {
  std::string digits = Trim(counter);
  if (!IsDigits(digits)) return false;
  const size_t length = digits.size();
  if (digits.find('0') != std::string::npos) zeroNoted = true;

  std::string next(WithoutLeadingZeros(digits));
  size_t at = next.size();
  while (at > 0 && next[at - 1] == '9') next[--at] = '0';
  if (at == 0)
    next.insert(next.begin(), '1');
  else
    ++next[at - 1];

  if (zeroNoted && next.size() < length) next.insert(0, length - next.size(), '0');
  counter = std::move(next);
  return true;
}

std::string NummerFormatieren(const CompanyOptions& options, const std::string& range,
                              const DateTime& today) {
  return FormatRangeNumber(RangeFormat(options, range), options.Get(kTokenSection, range),
                           StoredCounter(options, range), today,
                           options.Get(kProgramSection, kDateFormatKey));
}

void NummerWeiterzaehlen(CompanyOptions& options, const std::string& range) {
  if (!CountingOn(options, range)) return;
  std::string counter = StoredCounter(options, range);
  bool zeroNoted = false;
  if (!AdvanceCounter(counter, zeroNoted)) throw ImportError(CounterProblem(range, counter));
  StoreCounter(options, range, counter);
}

std::string NaechsteNummer(CompanyOptions& options, const std::string& range, const DateTime& today,
                           const std::function<bool(const std::string&)>& isTaken) {
  const std::string format = RangeFormat(options, range);
  const std::string token = options.Get(kTokenSection, range);
  const std::string dateFormat = options.Get(kProgramSection, kDateFormatKey);
  bool zeroNoted = false;
  std::string number;
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    // The counter is read anew each time: the options are the only state between attempts.
    std::string counter = StoredCounter(options, range);
    if (!IsDigits(counter)) throw ImportError(CounterProblem(range, counter));
    number = FormatRangeNumber(format, token, counter, today, dateFormat);
    if (number.empty()) throw ImportError(EmptyNumberProblem(range, format));
    if (!isTaken(number)) return number;

    AdvanceCounter(counter, zeroNoted);
    if (FormatRangeNumber(format, token, counter, today, dateFormat) == number)
      throw ImportError(text::FormatWithoutCounter(range, format, number));
    StoreCounter(options, range, counter);
  }
  throw ImportError(text::TooManyAttempts(range, number));
}

std::optional<NumberRangeCursor> NumberRangeCursor::Open(CompanyOptions& options,
                                                         const std::string& range,
                                                         const DateTime& today,
                                                         std::string& error) {
  NumberRangeCursor cursor;
  cursor.options_ = &options;
  cursor.range_ = range;
  cursor.today_ = today;
  cursor.format_ = RangeFormat(options, range);
  cursor.token_ = options.Get(kTokenSection, range);
  cursor.dateFormat_ = options.Get(kProgramSection, kDateFormatKey);
  cursor.counter_ = StoredCounter(options, range);
  cursor.stored_ = cursor.counter_;
  cursor.counting_ = CountingOn(options, range);

  if (!IsDigits(cursor.counter_)) {
    error = CounterProblem(range, cursor.counter_);
    return std::nullopt;
  }
  // Only "Nr." depends on the counter, and a counter is never empty: one look decides the run.
  if (FormatRangeNumber(cursor.format_, cursor.token_, cursor.counter_, today, cursor.dateFormat_)
          .empty()) {
    error = EmptyNumberProblem(range, cursor.format_);
    return std::nullopt;
  }
  return cursor;
}

std::optional<std::string> NumberRangeCursor::Next(
    const std::function<bool(const std::string&)>& isTaken, std::string& error) {
  bool zeroNoted = false;
  std::string number;
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    // Reserving may move the counter past numbers that someone else has reserved meanwhile.
    if (!KeepStoredAhead(error)) return std::nullopt;
    number = FormatRangeNumber(format_, token_, counter_, today_, dateFormat_);
    if (!isTaken(number)) return number;
    std::string counter = counter_;
    AdvanceCounter(counter, zeroNoted);  // counter_ holds digits since Open
    if (FormatRangeNumber(format_, token_, counter, today_, dateFormat_) == number) {
      error = text::FormatWithoutCounter(range_, format_, number);
      return std::nullopt;
    }
    counter_ = std::move(counter);
  }
  error = text::TooManyAttempts(range_, number);
  return std::nullopt;
}

void NumberRangeCursor::CountOn() {
  bool zeroNoted = false;
  if (counting_) AdvanceCounter(counter_, zeroNoted);
}

bool NumberRangeCursor::KeepStoredAhead(std::string& error) {
  if (readOnly_ || CompareCounters(counter_, stored_) < 0) return true;
  return UpdateCounter(
      [this](const std::string& value) {
        // The numbers up to a counter that someone else has moved further are theirs.
        std::string current = Trim(value);
        if (IsDigits(current) && CompareCounters(current, counter_) > 0) counter_ = current;
        std::string reserved = counter_;
        bool zeroNoted = false;
        for (int i = 0; i < kReserve; ++i) AdvanceCounter(reserved, zeroNoted);
        stored_ = reserved;
        return std::optional<std::string>(std::move(reserved));
      },
      error);
}

bool NumberRangeCursor::StoreExact(std::string& error) {
  if (readOnly_) return true;
  return UpdateCounter(
      [this](const std::string& value) -> std::optional<std::string> {
        std::string current = Trim(value);
        if (current == counter_) return std::nullopt;
        // A counter that someone else moved beyond ours stays where it is.
        if (current != stored_ && IsDigits(current) && CompareCounters(current, counter_) > 0)
          return std::nullopt;
        stored_ = counter_;
        return counter_;
      },
      error);
}

bool NumberRangeCursor::UpdateCounter(const CompanyOptions::Change& change, std::string& error) {
  try {
    options_->Update(kCounterSection, range_, change);
    return true;
  } catch (const ConfigError& e) {
    error = text::CounterNotStored(range_, e.what());
    return false;
  }
}

}  // namespace velra
