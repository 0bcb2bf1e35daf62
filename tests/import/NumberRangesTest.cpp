#include "import/NumberRanges.h"

#include <map>
#include <set>
#include <stdexcept>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/Text.h"

namespace velra {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const DateTime kToday{2026, 12, 4, 9, 5, 7};
const std::string kKuerzel = "K\xC3\xBCrzel";

// Options in memory that record every write of a counter.
class FakeOptions final : public CompanyOptions {
 public:
  std::string Get(std::string_view section, std::string_view key) const override {
    auto found = values_.find(Name(section, key));
    return found == values_.end() ? std::string() : found->second;
  }
  void Update(std::string_view section, std::string_view key, const Change& change) override {
    if (failWrites) throw ConfigError("Die Datei ist schreibgeschützt.");
    std::optional<std::string> value = change(Get(section, key));
    if (!value) return;
    values_[Name(section, key)] = *value;
    if (EqualsIgnoreCase(section, "NumberRange")) counterWrites.push_back(*value);
  }
  void Put(std::string_view section, std::string_view key, std::string_view value) {
    values_[Name(section, key)] = std::string(value);
  }

  std::vector<std::string> counterWrites;
  bool failWrites = false;

 private:
  static std::string Name(std::string_view section, std::string_view key) {
    return FoldCase(section) + "/" + FoldCase(key);
  }
  std::map<std::string, std::string> values_;
};

FakeOptions Range(const std::string& counter, const std::string& format,
                  const std::string& token = "KD") {
  FakeOptions options;
  options.Put("NumberRange", "Customer", counter);
  options.Put("Formatting", "Customer", format);
  options.Put("Token", "Customer", token);
  return options;
}

auto TakenFrom(const std::set<std::string>& taken) {
  return [&taken](const std::string& number) { return taken.count(number) > 0; };
}
bool NoneTaken(const std::string&) {
  return false;
}

// The customers' range, opened for a run; a range that cannot be opened fails the test.
std::optional<NumberRangeCursor> OpenCustomers(CompanyOptions& options) {
  std::string error;
  auto cursor = NumberRangeCursor::Open(options, "Customer", kToday, error);
  if (!cursor) throw std::runtime_error(error);
  return cursor;
}

// The counter as a number, for comparing counters that fit.
long long Counted(const std::string& counter) {
  return std::stoll(counter);
}

TEST(FormatRangeNumber, AssemblesPartsAndSeparators) {
  EXPECT_EQ(FormatRangeNumber(kKuerzel + ";-;Jahr;/;Nr.", "KD", "00041", kToday, ""),
            "KD-2026/00041");
  EXPECT_EQ(FormatRangeNumber("Nr.;Leer;Leer;Leer;Leer", "KD", "00041", kToday, ""), "00041");
  EXPECT_EQ(FormatRangeNumber("Datum;#;Nr.", "KD", "00041", kToday, ""), "20261204#00041");
  EXPECT_EQ(FormatRangeNumber("Leer;-;Nr.", "KD", "00041", kToday, ""), "-00041");
  // The token only counts first; unknown elements and anything past the fifth add nothing.
  EXPECT_EQ(FormatRangeNumber("Nr.;-;" + kKuerzel + ";/;Jahr", "KD", "7", kToday, ""), "7-/2026");
  EXPECT_EQ(FormatRangeNumber("Jahr;+;Nr.;-;Nr.;-;Nr.", "KD", "7", kToday, ""), "20267-7");
  EXPECT_EQ(FormatRangeNumber("nr.", "KD", "7", kToday, ""), "");
  EXPECT_EQ(FormatRangeNumber("", "KD", "7", kToday, ""), "");
}

TEST(FormatRangeNumber, FormatsTheDateWithTheDateFormat) {
  auto date = [](const std::string& dateFormat, const DateTime& day = kToday) {
    return FormatRangeNumber("Datum", "", "1", day, dateFormat);
  };
  EXPECT_EQ(date("dd.mm.yyyy"), "04.12.2026");
  EXPECT_EQ(date("d.m.yy"), "4.12.26");
  EXPECT_EQ(date("d.m.yy", DateTime{2009, 3, 1}), "1.3.09");
  EXPECT_EQ(date("YYYY-MM-DD"), "2026-12-04");
  EXPECT_EQ(date("yyyymmdd hh:nn:ss"), "20261204 09:05:07");
  EXPECT_EQ(date("Tag d"), "Tag 4");  // "T", "a", "g" and the blank are text
}

TEST(AdvanceCounter, KeepsTheLengthWhenTheCounterHasAZero) {
  struct Case {
    std::string before, after;
  } cases[] = {{"00041", "00042"}, {"0099", "0100"}, {"999", "1000"},
               {"0999", "1000"},   {"9", "10"},      {"0", "1"},
               {"000", "001"},     {"10", "11"},     {" 0041 ", "0042"}};
  for (const auto& c : cases) {
    std::string counter = c.before;
    bool zeroNoted = false;
    ASSERT_TRUE(AdvanceCounter(counter, zeroNoted)) << c.before;
    EXPECT_EQ(counter, c.after) << c.before;
  }
}

TEST(AdvanceCounter, CountsBeyondDoublePrecision) {
  std::string counter = "000012345678901234567890123";
  bool zeroNoted = false;
  ASSERT_TRUE(AdvanceCounter(counter, zeroNoted));
  EXPECT_EQ(counter, "000012345678901234567890124");
  EXPECT_TRUE(zeroNoted);

  counter = "999999999999999999999999999999";
  zeroNoted = false;
  ASSERT_TRUE(AdvanceCounter(counter, zeroNoted));
  EXPECT_EQ(counter, "1" + std::string(30, '0'));
  EXPECT_FALSE(zeroNoted);
}

TEST(AdvanceCounter, RefusesWhatIsNoNumber) {
  for (std::string counter : {"", " ", "abc", "12a", "-5", "+5", "4.5", "1 2"}) {
    const std::string before = counter;
    bool zeroNoted = false;
    EXPECT_FALSE(AdvanceCounter(counter, zeroNoted)) << before;
    EXPECT_EQ(counter, before);
  }
}

TEST(Nummernkreise, AFreeNumberLeavesTheCounterUntilCountingOn) {
  FakeOptions options = Range("00041", "Nr.");
  std::set<std::string> taken;
  EXPECT_EQ(NummerFormatieren(options, "Customer", kToday), "00041");
  EXPECT_EQ(NaechsteNummer(options, "Customer", kToday, TakenFrom(taken)), "00041");
  EXPECT_THAT(options.counterWrites, IsEmpty());
  NummerWeiterzaehlen(options, "Customer");
  EXPECT_THAT(options.counterWrites, ElementsAre("00042"));
}

TEST(Nummernkreise, TakenNumbersAreSkippedAndStored) {
  FakeOptions options = Range("00041", kKuerzel + ";-;Nr.");
  std::set<std::string> taken = {"KD-00041", "KD-00042"};
  EXPECT_EQ(NaechsteNummer(options, "Customer", kToday, TakenFrom(taken)), "KD-00043");
  EXPECT_THAT(options.counterWrites, ElementsAre("00042", "00043"));
  NummerWeiterzaehlen(options, "Customer");
  EXPECT_EQ(options.Get("NumberRange", "Customer"), "00044");
}

TEST(Nummernkreise, CountingOffOnlySkipsTakenNumbers) {
  FakeOptions options = Range("999", "Nr.");
  options.Put("Counting", "Customer", "0");
  std::set<std::string> taken;
  for (int record = 0; record < 3; ++record) {
    const std::string number = NaechsteNummer(options, "Customer", kToday, TakenFrom(taken));
    NummerWeiterzaehlen(options, "Customer");
    taken.insert(number);
  }
  EXPECT_THAT(taken, ElementsAre("1000", "1001", "999"));
  EXPECT_THAT(options.counterWrites, ElementsAre("1000", "1001"));

  options.Put("Counting", "Customer", "");
  NummerWeiterzaehlen(options, "Customer");
  EXPECT_EQ(options.Get("NumberRange", "Customer"), "1002");
}

TEST(Nummernkreise, AnEmptyRangeFormatFallsBackToTheProgramFormat) {
  FakeOptions options = Range("00041", "  ");
  options.Put("Program", "DocumentNumberFormat", " Datum;/;Nr. ");
  options.Put("Program", "DateFormatting", "yy");
  EXPECT_EQ(NummerFormatieren(options, "Customer", kToday), "26/00041");
}

TEST(Nummernkreise, A25DigitCounterIsFoundAndCountedOn) {
  const std::string counter = "0123456789012345678901239";
  FakeOptions options = Range(counter, "Nr.");
  std::set<std::string> taken = {counter};
  EXPECT_EQ(NaechsteNummer(options, "Customer", kToday, TakenFrom(taken)),
            "0123456789012345678901240");
  NummerWeiterzaehlen(options, "Customer");
  EXPECT_EQ(options.Get("NumberRange", "Customer"), "0123456789012345678901241");
}

TEST(Nummernkreise, RangesThatCannotGiveANumberFailWithTheirName) {
  std::set<std::string> taken = {"KD"};
  auto failure = [](auto action) { return test::ThrownMessage<ImportError>(action); };

  FakeOptions withoutCounter = Range("00041", kKuerzel);
  std::string error =
      failure([&] { NaechsteNummer(withoutCounter, "Customer", kToday, TakenFrom(taken)); });
  EXPECT_THAT(error, HasSubstr("'Customer'"));
  EXPECT_THAT(error, HasSubstr("'KD'"));
  EXPECT_THAT(withoutCounter.counterWrites, IsEmpty());

  FakeOptions letters = Range("abc", "Nr.");
  error = failure([&] { NaechsteNummer(letters, "Customer", kToday, NoneTaken); });
  EXPECT_THAT(error, HasSubstr("'abc'"));
  error = failure([&] { NummerWeiterzaehlen(letters, "Customer"); });
  EXPECT_THAT(error, HasSubstr("Der Nummernkreis 'Customer'"));
  EXPECT_THAT(letters.counterWrites, IsEmpty());

  FakeOptions noFormat = Range("00041", "");
  error = failure([&] { NaechsteNummer(noFormat, "Customer", kToday, NoneTaken); });
  EXPECT_THAT(error, HasSubstr("Der Nummernkreis 'Customer'"));

  FakeOptions readOnly = Range("00041", "Nr.");
  readOnly.failWrites = true;
  taken = {"00041"};
  error = failure([&] { NaechsteNummer(readOnly, "Customer", kToday, TakenFrom(taken)); });
  EXPECT_THAT(error, HasSubstr("schreibgeschützt"));
  error = failure([&] { NummerWeiterzaehlen(readOnly, "Customer"); });
  EXPECT_THAT(error, HasSubstr("schreibgeschützt"));
}

TEST(NumberRangeCursor, OpenRefusesRangesWithoutNumbers) {
  const struct {
    std::string counter, format;
    std::vector<std::string> said;
  } cases[] = {{"00041", "", {"Der Nummernkreis 'Customer' hat kein Nummernformat"}},
               {"00041", "Leer;Leer;Leer", {"'Leer;Leer;Leer'", "leere Nummer"}},
               {"abc", "Nr.", {"'abc'", "keine Zahl"}},
               {"", kKuerzel + ";-;Nr.", {"Der Nummernkreis 'Customer' hat keinen"}}};
  for (const auto& c : cases) {
    FakeOptions options = Range(c.counter, c.format);
    std::string error;
    EXPECT_FALSE(NumberRangeCursor::Open(options, "Customer", kToday, error)) << c.format;
    for (const std::string& part : c.said) EXPECT_THAT(error, HasSubstr(part)) << c.format;
  }
}

TEST(NumberRangeCursor, GivesTheNumbersOfTheStoredRange) {
  FakeOptions options = Range("00041", kKuerzel + ";-;Jahr;/;Nr.");
  std::string error;
  auto cursor = OpenCustomers(options);
  std::set<std::string> taken = {"KD-2026/00041", "KD-2026/00042"};
  EXPECT_EQ(cursor->Next(TakenFrom(taken), error), "KD-2026/00043");
  cursor->CountOn();
  EXPECT_EQ(cursor->Counter(), "00044");
  EXPECT_EQ(cursor->Next(TakenFrom(taken), error), "KD-2026/00044");
  cursor->CountOn();
  ASSERT_TRUE(cursor->StoreExact(error));
  EXPECT_THAT(options.counterWrites, ElementsAre("01041", "00045"));
}

TEST(NumberRangeCursor, WritesTheOptionsOncePerThousandNumbers) {
  FakeOptions options = Range("0", "Nr.");
  std::string error;
  auto cursor = OpenCustomers(options);
  for (int record = 0; record < 2500; ++record) {
    auto number = cursor->Next(NoneTaken, error);
    ASSERT_TRUE(number) << error;
    ASSERT_GT(Counted(options.Get("NumberRange", "Customer")), Counted(*number));
    cursor->CountOn();
  }
  EXPECT_THAT(options.counterWrites, ElementsAre("1000", "2000", "3000"));
  ASSERT_TRUE(cursor->StoreExact(error));
  EXPECT_EQ(options.Get("NumberRange", "Customer"), "2500");
}

TEST(NumberRangeCursor, CountingOffKeepsTheCounterOnTheLastNumber) {
  FakeOptions options = Range("7", "Nr.");
  options.Put("Counting", "Customer", "0");
  std::string error;
  auto cursor = OpenCustomers(options);
  std::set<std::string> taken;
  for (int record = 0; record < 3; ++record) {
    auto number = cursor->Next(TakenFrom(taken), error);
    ASSERT_TRUE(number) << error;
    cursor->CountOn();
    taken.insert(*number);
  }
  EXPECT_THAT(taken, ElementsAre("7", "8", "9"));
  ASSERT_TRUE(cursor->StoreExact(error));
  EXPECT_EQ(options.Get("NumberRange", "Customer"), "9");
}

TEST(NumberRangeCursor, AStoppedRunNeverLeadsToANumberTwice) {
  TempDir dir;
  const std::string file = dir / "Muster.afk";
  WriteBytes(file,
             "[NumberRange]\r\nCustomer=00041\r\n[Formatting]\r\nCustomer=K\xFCrzel;-;Nr.\r\n"
             "[Token]\r\nCustomer=KD\r\n");
  std::set<std::string> committed, handedOut;
  std::string error;
  {
    FileOptions options(file);
    auto cursor = OpenCustomers(options);
    for (int record = 0; record < 1200; ++record) {
      auto number = cursor->Next(TakenFrom(committed), error);
      ASSERT_TRUE(number) << error;
      handedOut.insert(*number);
      cursor->CountOn();
      // The last records of the run never reach the database.
      if (record < 1150) committed.insert(*number);
    }
    // The run ends here without storing the exact counter.
  }
  EXPECT_EQ(handedOut.size(), 1200u);
  EXPECT_THAT(ReadBytes(file), HasSubstr("Customer=02041\r\n"));

  FileOptions options(file);
  auto cursor = OpenCustomers(options);
  for (int record = 0; record < 100; ++record) {
    auto number = cursor->Next(TakenFrom(committed), error);
    ASSERT_TRUE(number) << error;
    EXPECT_EQ(handedOut.count(*number), 0u) << *number;
    cursor->CountOn();
  }
  ASSERT_TRUE(cursor->StoreExact(error));
  EXPECT_EQ(options.Get("NumberRange", "Customer"), "02141");
}

TEST(NumberRangeCursor, StoreExactDoesNotTakeBackACounterMovedByOthers) {
  FakeOptions options = Range("00041", "Nr.");
  std::string error;
  auto cursor = OpenCustomers(options);
  ASSERT_TRUE(cursor->StoreExact(error));
  EXPECT_THAT(options.counterWrites, IsEmpty());  // nothing was used

  ASSERT_TRUE(cursor->Next(NoneTaken, error));
  cursor->CountOn();
  options.Put("NumberRange", "Customer", "05000");  // another program counted meanwhile
  ASSERT_TRUE(cursor->StoreExact(error));
  EXPECT_EQ(options.Get("NumberRange", "Customer"), "05000");
}

// Two runs that opened the range at the same counter: the second one's reservation starts where
// the first one's ends, whatever the database shows as taken.
TEST(NumberRangeCursor, TwoRunsOnOneRangeNeverShareANumber) {
  FakeOptions options = Range("00041", "Nr.");
  std::string error;
  auto first = OpenCustomers(options);
  auto second = OpenCustomers(options);
  std::set<std::string> handedOut;
  for (int record = 0; record < 2500; ++record)
    for (NumberRangeCursor* cursor : {&*first, &*second}) {
      std::optional<std::string> number = cursor->Next(NoneTaken, error);
      ASSERT_TRUE(number) << error;
      EXPECT_TRUE(handedOut.insert(*number).second) << *number << " twice";
      cursor->CountOn();
    }
  ASSERT_TRUE(first->StoreExact(error) && second->StoreExact(error)) << error;
  EXPECT_GT(std::stoi(options.Get("NumberRange", "Customer")), std::stoi(*handedOut.rbegin()));
}

TEST(NumberRangeCursor, FailsInsteadOfLooping) {
  FakeOptions options = Range("00041", kKuerzel);
  std::string error;
  auto cursor = OpenCustomers(options);
  std::set<std::string> taken;
  auto first = cursor->Next(TakenFrom(taken), error);
  ASSERT_EQ(first, "KD");
  taken.insert(*first);
  cursor->CountOn();
  EXPECT_FALSE(cursor->Next(TakenFrom(taken), error));
  EXPECT_THAT(error, HasSubstr("Der Nummernkreis 'Customer'"));
  EXPECT_THAT(error, HasSubstr("Nr."));

  FakeOptions readOnly = Range("00041", "Nr.");
  readOnly.failWrites = true;
  auto locked = OpenCustomers(readOnly);
  EXPECT_FALSE(locked->Next(NoneTaken, error));
  EXPECT_THAT(error, HasSubstr("'Customer'"));
  EXPECT_THAT(error, HasSubstr("schreibgeschützt"));
}

TEST(NumberRangeCursor, ReservesAheadOfALongCounter) {
  FakeOptions options = Range("0000000000000000000009999", "Nr.");
  std::string error;
  auto cursor = OpenCustomers(options);
  EXPECT_EQ(cursor->Next(NoneTaken, error), "0000000000000000000009999");
  EXPECT_THAT(options.counterWrites, ElementsAre("0000000000000000000010999"));
}

}  // namespace
}  // namespace velra
