// Number ranges: the format of a number and the counter. The input is a date (year, month,
// day), then the format, the token, the counter and the date format, separated by line feeds.
//  - Advancing a counter that is a number gives the number one higher, with the counter's
//    length kept once a zero was seen, and a counter that is no number stays as it was.
//  - Two counters that differ give two numbers that differ whenever the format holds "Nr.";
//    otherwise the number does not depend on the counter at all.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "base/Text.h"
#include "import/NumberRanges.h"

using namespace velra;

namespace {

// The decimal digits without leading zeros ("0" for zero).
std::string Significant(std::string_view digits) {
  size_t first = digits.find_first_not_of('0');
  return first == std::string_view::npos ? "0" : std::string(digits.substr(first));
}

// One more, on decimal text.
std::string PlusOne(std::string digits) {
  size_t at = digits.size();
  while (at > 0 && digits[at - 1] == '9') digits[--at] = '0';
  if (at == 0)
    digits.insert(digits.begin(), '1');
  else
    ++digits[at - 1];
  return digits;
}

bool IsNumber(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

void CheckAdvance(const std::string& counter, bool zeroNoted) {
  std::string advanced = counter;
  bool noted = zeroNoted;
  const std::string trimmed = Trim(counter);
  if (!AdvanceCounter(advanced, noted)) {
    FUZZ_CHECK(!IsNumber(trimmed), "the counter '" + counter + "' is refused");
    FUZZ_CHECK(advanced == counter && noted == zeroNoted, "a refused counter was changed");
    return;
  }
  FUZZ_CHECK(IsNumber(trimmed), "the counter '" + counter + "' is no number but advances");
  FUZZ_CHECK(IsNumber(advanced), "the counter '" + counter + "' advances to '" + advanced + "'");
  FUZZ_CHECK(Significant(advanced) == PlusOne(Significant(trimmed)),
             "the counter '" + counter + "' advances to '" + advanced + "'");
  const bool padded = zeroNoted || trimmed.find('0') != std::string::npos;
  FUZZ_CHECK(noted == padded, "the zero of '" + counter + "' is noted wrongly");
  const size_t expected = padded ? std::max(trimmed.size(), Significant(advanced).size())
                                 : Significant(advanced).size();
  FUZZ_CHECK(advanced.size() == expected,
             "the counter '" + counter + "' advances to '" + advanced + "' of the wrong length");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  const uint16_t year = input.Word();
  const uint8_t month = input.Byte(), day = input.Byte();
  const DateTime today{1 + year % 9999, 1 + month % 12, 1 + day % 28};
  const std::string format(input.Until('\n'));
  const std::string token(input.Until('\n'));
  const std::string counter(input.Until('\n'));
  const std::string dateFormat(input.Rest().substr(0, 64));

  CheckAdvance(counter, false);
  CheckAdvance(counter, true);

  std::string next = counter;
  bool noted = false;
  if (!AdvanceCounter(next, noted)) next = counter + "1";
  const std::string first = FormatRangeNumber(format, token, counter, today, dateFormat);
  const std::string second = FormatRangeNumber(format, token, next, today, dateFormat);
  FUZZ_CHECK(first == FormatRangeNumber(format, token, counter, today, dateFormat),
             "the same counter gives two numbers");
  std::vector<std::string> elements = Split(format, ";");
  elements.resize(5);
  const bool counted = elements[0] == "Nr." || elements[2] == "Nr." || elements[4] == "Nr.";
  if (counted)
    FUZZ_CHECK(first != second, "the counters '" + counter + "' and '" + next +
                                    "' both give the number '" + first + "'");
  else
    FUZZ_CHECK(first == second, "the format '" + format + "' without a counter depends on it");
  return 0;
}
