#include "import/ValueConversion.h"

#include <cmath>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace velra {
namespace {

using ::testing::HasSubstr;
using Outcome = Conversion::Outcome;
using Type = Value::Type;

const ValueConverter& German() {
  static const ValueConverter converter(RegionalSettings::ForLocale("de_DE"));
  return converter;
}

const ValueConverter& American() {
  static const ValueConverter converter(RegionalSettings::ForLocale("en_US"));
  return converter;
}

DateTime Day(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return DateTime{year, month, day, hour, minute, second};
}

// --- Type classes --------------------------------------------------------------------------

TEST(TypeClassConversionTest, NamesCompareWholeAndWithLetterCase) {
  EXPECT_EQ(TypeClassOf("netprice"), TypeClass::Text);
  EXPECT_EQ(TypeClassOf("NetPrice "), TypeClass::Text);
  EXPECT_EQ(TypeClassOf("Price"), TypeClass::Text);
  // Names that contain a listed name are their own entries or text.
  EXPECT_EQ(TypeClassOf("DateOfExpiryCheck"), TypeClass::Flag);
  EXPECT_EQ(TypeClassOf("ExtraChargeSmall"), TypeClass::Flag);
  EXPECT_EQ(TypeClassOf("ExtraChargeSmallAmount"), TypeClass::Price);
  EXPECT_EQ(TypeClassOf("InstallationDate"), TypeClass::Text);
}

// --- RoundCommercial -----------------------------------------------------------------------

TEST(RoundCommercialTest, HalvesGoAwayFromZeroOnTheDecimalValueAsWritten) {
  const std::vector<std::tuple<double, int, double>> cases = {
      {2.345, 2, 2.35},           {1.005, 2, 1.01},   {-2.345, 2, -2.35}, {0.125, 2, 0.13},
      {-0.125, 2, -0.13},         {2.5, 0, 3.0},      {-2.5, 0, -3.0},    {-1.005, 2, -1.01},
      {2.344999, 2, 2.34},        {-2.346, 2, -2.35}, {-2.344, 2, -2.34}, {-0.004, 2, 0.0},
      {0.1 + 0.2, 2, 0.3},        {0.5, 0, 1.0},      {0.05, 0, 0.0},     {12.0, 2, 12.0},
      {1234567.895, 2, 1234567.9}};
  for (const auto& [value, digits, expected] : cases)
    EXPECT_EQ(RoundCommercial(value, digits), expected) << value << " " << digits;
}

// --- Numbers -------------------------------------------------------------------------------

TEST(NumberConversionTest, GermanSeparatorsAndGrouping) {
  const ValueConverter& de = German();
  EXPECT_EQ(de.ToDouble(Value("12,345")), 12.345);
  EXPECT_EQ(de.ToDouble(Value("1.000")), 1000.0);
  EXPECT_EQ(de.ToDouble(Value("-1.234.567,5")), -1234567.5);
  EXPECT_EQ(de.ToDouble(Value("+5")), 5.0);
  EXPECT_EQ(de.ToDouble(Value("  12,5 ")), 12.5);
  EXPECT_EQ(de.ToDouble(Value(",5")), 0.5);
  EXPECT_EQ(de.ToDouble(Value(int64_t{42})), 42.0);
  EXPECT_EQ(de.ToDouble(Value(2.5)), 2.5);
}

TEST(NumberConversionTest, AmericanSeparatorsAndGrouping) {
  const ValueConverter& us = American();
  EXPECT_EQ(us.ToDouble(Value("12,345")), 12345.0);
  EXPECT_EQ(us.ToDouble(Value("12.345")), 12.345);
  EXPECT_EQ(us.ToDouble(Value("1,234.5")), 1234.5);
  EXPECT_EQ(us.ToDouble(Value("12,5")), std::nullopt);
}

TEST(NumberConversionTest, StrictParsingRejectsWhatIsNotWhollyANumber) {
  const ValueConverter& de = German();
  for (const char* text : {"1.2.3", "12,3,4", "abc", "", "   ", "12abc", "12,5 EUR", "5%", "1.00",
                           "12.5", "-", ",", "1 5", "NaN", "∞", "--5", "5-"})
    EXPECT_EQ(de.ToDouble(Value(text)), std::nullopt) << text;
  EXPECT_EQ(de.ToDouble(Value()), std::nullopt);
  EXPECT_EQ(de.ToDouble(Value(true)), std::nullopt);
  EXPECT_EQ(de.ToDouble(Value(Day(2026, 12, 4))), std::nullopt);
  EXPECT_EQ(de.ToDouble(Value(std::nan(""))), std::nullopt);
}

// --- Dates ---------------------------------------------------------------------------------

TEST(DateConversionTest, GermanShortDateWithAndWithoutTime) {
  const ValueConverter& de = German();
  EXPECT_EQ(de.ToDate(Value("04.12.2026")), Day(2026, 12, 4));
  EXPECT_EQ(de.ToDate(Value("4.12.2026")), Day(2026, 12, 4));
  EXPECT_EQ(de.ToDate(Value(" 4.1.2026 ")), Day(2026, 1, 4));
  EXPECT_EQ(de.ToDate(Value("04.12.2026 13:45")), Day(2026, 12, 4, 13, 45));
  EXPECT_EQ(de.ToDate(Value("04.12.2026 13:45:30")), Day(2026, 12, 4, 13, 45, 30));
  EXPECT_EQ(de.ToDate(Value("29.02.2024")), Day(2024, 2, 29));
  EXPECT_EQ(de.ToDate(Value("13:45")), Day(1899, 12, 30, 13, 45));
}

TEST(DateConversionTest, IsoAndTwoDigitYears) {
  const ValueConverter& de = German();
  EXPECT_EQ(de.ToDate(Value("2026-12-04")), Day(2026, 12, 4));
  EXPECT_EQ(de.ToDate(Value("2026-12-04 08:15:00")), Day(2026, 12, 4, 8, 15));
  EXPECT_EQ(de.ToDate(Value("2026-12-04T08:15")), Day(2026, 12, 4, 8, 15));
  EXPECT_EQ(de.ToDate(Value("4.12.26")), Day(2026, 12, 4));
  EXPECT_EQ(de.ToDate(Value("4.12.30")), Day(1930, 12, 4));
}

TEST(DateConversionTest, AmericanShortDate) {
  const ValueConverter& us = American();
  EXPECT_EQ(us.ToDate(Value("12/4/2026")), Day(2026, 12, 4));
  EXPECT_EQ(us.ToDate(Value("12/04/2026 7:05")), Day(2026, 12, 4, 7, 5));
  EXPECT_EQ(us.ToDate(Value("4.12.2026")), std::nullopt);
  EXPECT_EQ(us.ToDate(Value("2/31/2026")), std::nullopt);
}

TEST(DateConversionTest, StrictParsingRejectsImpossibleAndPartialDates) {
  const ValueConverter& de = German();
  for (const char* text : {"31.02.2026", "29.02.2023", "32.01.2026", "04.13.2026", "4.12.2026x",
                           "04.12.2026 25:00", "04.12.2026 12:60", "04.12.", "04-12-2026",
                           "2026-02-30", "12/4/2026", "abc", "", "4.12.12026"})
    EXPECT_EQ(de.ToDate(Value(text)), std::nullopt) << text;
  EXPECT_EQ(de.ToDate(Value()), std::nullopt);
  EXPECT_EQ(de.ToDate(Value(true)), std::nullopt);
}

TEST(DateConversionTest, NumbersAreDayNumbersFromTheLastDaysOf1899) {
  const ValueConverter& de = German();
  EXPECT_EQ(de.ToDate(Value(int64_t{0})), Day(1899, 12, 30));
  EXPECT_EQ(de.ToDate(Value(int64_t{1})), Day(1899, 12, 31));
  EXPECT_EQ(de.ToDate(Value(int64_t{60})), Day(1900, 2, 28));
  EXPECT_EQ(de.ToDate(Value(46360.5)), Day(2026, 12, 4, 12, 0));
  EXPECT_EQ(de.ToDate(Value(-1.25)), Day(1899, 12, 29, 6, 0));
  EXPECT_EQ(de.ToDate(Value(0.99999999)), Day(1899, 12, 31));
  EXPECT_EQ(de.ToDate(Value(1e9)), std::nullopt);
}

// --- Booleans ------------------------------------------------------------------------------

TEST(BooleanConversionTest, NumbersAndWords) {
  const ValueConverter& de = German();
  EXPECT_EQ(de.ToBoolean(Value("1")), true);
  EXPECT_EQ(de.ToBoolean(Value("0")), false);
  EXPECT_EQ(de.ToBoolean(Value("-1")), true);
  EXPECT_EQ(de.ToBoolean(Value("0,0")), false);
  EXPECT_EQ(de.ToBoolean(Value(int64_t{0})), false);
  EXPECT_EQ(de.ToBoolean(Value(0.5)), true);
  EXPECT_EQ(de.ToBoolean(Value("TRUE")), true);
  EXPECT_EQ(de.ToBoolean(Value("False")), false);
  EXPECT_EQ(de.ToBoolean(Value(" Wahr ")), true);
  EXPECT_EQ(de.ToBoolean(Value("FALSCH")), false);
  for (const char* text : {"jein", "xx", "truee", "-", "nee"})
    EXPECT_EQ(de.ToBoolean(Value(text)), std::nullopt) << text;
  EXPECT_EQ(de.ToBoolean(Value()), std::nullopt);
}

// --- Text ----------------------------------------------------------------------------------

TEST(TextConversionTest, ValuesInTheRegionalFormat) {
  const ValueConverter& de = German();
  EXPECT_EQ(de.ToText(Value("  Müller  ")), "Müller");
  EXPECT_EQ(de.ToText(Value("\tMüller ")), "\tMüller");
  EXPECT_EQ(de.ToText(Value(12.5)), "12,5");
  EXPECT_EQ(de.ToText(Value(10001.0)), "10001");
  EXPECT_EQ(de.ToText(Value(0.1 + 0.2)), "0,3");
  EXPECT_EQ(de.ToText(Value(-0.0)), "0");
  EXPECT_EQ(de.ToText(Value(int64_t{-7})), "-7");
  EXPECT_EQ(de.ToText(Value(true)), "Wahr");
  EXPECT_EQ(de.ToText(Value(false)), "Falsch");
  EXPECT_EQ(de.ToText(Value(Day(2026, 12, 4))), "04.12.2026");
  EXPECT_EQ(de.ToText(Value(Day(2026, 12, 4, 8, 5, 0))), "04.12.2026 08:05:00");
  EXPECT_EQ(de.ToText(Value(Day(1899, 12, 30, 8, 5, 0))), "08:05:00");
  EXPECT_EQ(American().ToText(Value(12.5)), "12.5");
  EXPECT_EQ(American().ToText(Value(Day(2026, 12, 4))), "12/4/2026");
  EXPECT_EQ(de.ToText(Value()), std::nullopt);
  EXPECT_EQ(de.ToText(Value(Bytes{1, 2})), std::nullopt);
}

TEST(TextConversionTest, TextOfANumberReadsBackToTheSameNumber) {
  const ValueConverter& de = German();
  for (double number : {12.5, -0.125, 1234567.89, 1e-7, 123456789012345.0})
    EXPECT_EQ(de.ToDouble(Value(*de.ToText(Value(number)))), number) << number;
  const Value date(Day(2026, 12, 4, 8, 5, 9));
  EXPECT_EQ(de.ToDate(Value(*de.ToText(date))), date.AsDate());
}

TEST(FormatConversionTest, NumbersAndDates) {
  EXPECT_EQ(German().FormatNumber(1234.5, 2), "1.234,50");
  EXPECT_EQ(American().FormatNumber(1234.5, 2), "1,234.50");
  EXPECT_EQ(German().FormatNumber(-2.345, 2), "-2,35");
  EXPECT_EQ(German().FormatNumber(1234567.0, 0), "1.234.567");
  EXPECT_EQ(German().FormatPlain(1234.5), "1234,5");
  EXPECT_EQ(German().FormatPlain(0.5), "0,5");
  EXPECT_EQ(German().FormatDate(Day(2026, 1, 4)), "04.01.2026");
  EXPECT_EQ(German().FormatDate(Day(1500, 3, 1)), "01.03.1500");
}

// --- Writing a field -----------------------------------------------------------------------

Conversion Write(const Value& value, std::string_view field, Type columnType) {
  return German().ForField(value, field, columnType);
}

void ExpectConverted(const Conversion& result, const Value& expected) {
  EXPECT_EQ(result.outcome, Outcome::Converted) << result.reason;
  EXPECT_TRUE(result.value == expected)
      << "type " << static_cast<int>(result.value.GetType()) << " '" << result.value.ToText()
      << "', expected type " << static_cast<int>(expected.GetType()) << " '" << expected.ToText()
      << "'";
}

void ExpectFailed(const Conversion& result, const std::string& reason) {
  EXPECT_EQ(result.outcome, Outcome::Failed);
  EXPECT_EQ(result.reason, reason);
}

TEST(BooleanConversionTest, TheWordsOfGermanExportsAndTickedLists) {
  const ValueConverter& de = German();
  for (const char* text : {"ja", "JA", " Ja ", "j", "J", "x", "X", "yes", "Yes"})
    EXPECT_EQ(de.ToBoolean(Value(text)), true) << text;
  for (const char* text : {"nein", "Nein", "n", "N", "no", "NO", "", "  "})
    EXPECT_EQ(de.ToBoolean(Value(text)), false) << text;
}

TEST(FieldConversionTest, PricesAreRoundedQuantitiesAreNot) {
  ExpectConverted(Write("12,345", "NetPrice", Type::Double), Value(12.35));
  ExpectConverted(Write(Value(-2.345), "GrossPrice", Type::Double), Value(-2.35));
  ExpectConverted(Write("-0,125", "NetPrice", Type::Double), Value(-0.13));
  ExpectConverted(Write("1.000", "Quantity", Type::Double), Value(1000.0));
  ExpectConverted(Write("0,125", "Balance", Type::Double), Value(0.125));
  ExpectConverted(Write(Value(int64_t{3}), "Width", Type::Double), Value(3.0));
}

TEST(FieldConversionTest, EmptyOrNullKeepsTheFieldExceptThatTextIsEmptiedAndAFlagIsNo) {
  for (const Value& empty : {Value(), Value(""), Value("   ")}) {
    EXPECT_EQ(Write(empty, "Quantity", Type::Double).outcome, Outcome::NoValue);
    EXPECT_EQ(Write(empty, "NetPrice", Type::Double).outcome, Outcome::NoValue);
    EXPECT_EQ(Write(empty, "Date", Type::Date).outcome, Outcome::NoValue);
    EXPECT_EQ(Write(empty, "Graphic", Type::Integer).outcome, Outcome::NoValue);
    EXPECT_EQ(Write(empty, "Discount", Type::Double).outcome, Outcome::NoValue);
    // A flag column marks the true rows; an empty cell is "no", also one the file does not have.
    ExpectConverted(Write(empty, "Active", Type::Boolean), Value(false));
  }
  ExpectConverted(Write("", "Name", Type::Text), Value(""));
  ExpectConverted(Write("   ", "Name", Type::Text), Value(""));
  EXPECT_EQ(Write(Value(), "Name", Type::Text).outcome, Outcome::NoValue);
}

TEST(FieldConversionTest, FlagsAndDates) {
  ExpectConverted(Write("1", "Active", Type::Boolean), Value(true));
  ExpectConverted(Write("0", "Active", Type::Boolean), Value(false));
  ExpectConverted(Write("wahr", "Webshop", Type::Boolean), Value(true));
  ExpectConverted(Write("ja", "Active", Type::Boolean), Value(true));
  ExpectFailed(Write("jein", "Active", Type::Boolean),
               "'jein' ist kein Wahrheitswert (erwartet: 1/0, ja/nein, j/n, x/leer, wahr/falsch, "
               "yes/no, true/false).");
  ExpectConverted(Write(Value(Day(2026, 12, 4)), "Date", Type::Date), Value(Day(2026, 12, 4)));
  ExpectConverted(Write("4.12.2026", "PublicationDate", Type::Date), Value(Day(2026, 12, 4)));
  ExpectConverted(Write("04.12.2026 13:45", "Date", Type::Date), Value(Day(2026, 12, 4)));
  ExpectFailed(Write("31.02.2026", "Date", Type::Date), "'31.02.2026' ist kein gültiges Datum.");
  // A date field stored as text holds the short date.
  ExpectConverted(Write(Value(Day(2026, 12, 4)), "Date", Type::Text), Value("04.12.2026"));
}

TEST(FieldConversionTest, TextFieldsAreTrimmedOfBlanks) {
  ExpectConverted(Write("  Müller GmbH  ", "Name", Type::Text), Value("Müller GmbH"));
  ExpectConverted(Write("12,345", "netprice", Type::Text), Value("12,345"));
  ExpectConverted(Write(Value(12.5), "Name", Type::Text), Value("12,5"));
  ExpectConverted(Write(Value(true), "Name", Type::Text), Value("Wahr"));
}

TEST(FieldConversionTest, NumbersThatCannotBeReadFailWithTheValue) {
  ExpectFailed(Write("12,3,4", "NetPrice", Type::Double), "'12,3,4' ist keine Zahl.");
  ExpectFailed(Write("  abc ", "Quantity", Type::Double), "'abc' ist keine Zahl.");
  ExpectFailed(Write(Value(true), "Quantity", Type::Double), "'Wahr' ist keine Zahl.");
  const Conversion longText = Write(std::string(200, 'x'), "Quantity", Type::Double);
  EXPECT_EQ(longText.outcome, Outcome::Failed);
  EXPECT_LT(longText.reason.size(), 100u);
}

TEST(FieldConversionTest, PicturesAreNotImportedYet) {
  const Conversion result = Write("/bilder/a.jpg", "Graphic", Type::Integer);
  EXPECT_EQ(result.outcome, Outcome::Failed);
  EXPECT_THAT(result.reason, HasSubstr("Bilder"));
}

// --- Storing by column type ----------------------------------------------------------------

TEST(ColumnConversionTest, TextFieldsInNumberColumnsGetTheNumberMeant) {
  ExpectConverted(Write("5,5", "Discount", Type::Double), Value(5.5));
  ExpectConverted(Write(Value(int64_t{5}), "Discount", Type::Double), Value(5.0));
  ExpectFailed(Write("abc", "Discount", Type::Double), "'abc' ist keine Zahl.");
  ExpectFailed(Write(Value(Day(2026, 12, 4)), "Discount", Type::Double),
               "'04.12.2026' ist keine Zahl.");
}

TEST(ColumnConversionTest, IntegerColumnsTakeWholeNumbersOnly) {
  ExpectConverted(Write("42", "Number", Type::Integer), Value(int64_t{42}));
  ExpectConverted(Write("1.000", "Number", Type::Integer), Value(int64_t{1000}));
  ExpectConverted(Write(Value(7.0), "Number", Type::Integer), Value(int64_t{7}));
  ExpectConverted(Write("9007199254740993", "Number", Type::Integer),
                  Value(int64_t{9007199254740993}));
  ExpectConverted(Write(Value(true), "Number", Type::Integer), Value(int64_t{1}));
  ExpectConverted(Write("1,0", "Quantity", Type::Integer), Value(int64_t{1}));
  ExpectFailed(Write("12,5", "Number", Type::Integer), "'12,5' ist keine ganze Zahl.");
  ExpectFailed(Write("12,345", "NetPrice", Type::Integer), "'12,35' ist keine ganze Zahl.");
  ExpectFailed(Write("99999999999999999999", "Number", Type::Integer),
               "'99999999999999999999' ist für das Feld zu groß.");
  ExpectFailed(Write(Value(1e20), "Number", Type::Integer),
               "'100000000000000000000' ist für das Feld zu groß.");
  ExpectFailed(Write("x1", "Number", Type::Integer), "'x1' ist keine Zahl.");
}

TEST(ColumnConversionTest, BooleanDateAndTextColumns) {
  ExpectConverted(Write("1", "Flagged", Type::Boolean), Value(true));
  ExpectConverted(Write(Value(int64_t{0}), "Flagged", Type::Boolean), Value(false));
  ExpectConverted(Write("Nein", "Flagged", Type::Boolean), Value(false));
  ExpectFailed(Write("jein", "Flagged", Type::Boolean),
               "'jein' ist kein Wahrheitswert (erwartet: 1/0, ja/nein, j/n, x/leer, wahr/falsch, "
               "yes/no, true/false).");
  ExpectConverted(Write("04.12.2026", "InstallationDate", Type::Date), Value(Day(2026, 12, 4)));
  ExpectConverted(Write(Value(46360.0), "InstallationDate", Type::Date), Value(Day(2026, 12, 4)));
  ExpectConverted(Write("04.12.2026 13:45", "InstallationDate", Type::Date),
                  Value(Day(2026, 12, 4, 13, 45)));
  ExpectFailed(Write(Value(true), "InstallationDate", Type::Date),
               "'Wahr' ist kein gültiges Datum.");
  ExpectConverted(Write("12,345", "NetPrice", Type::Text), Value("12,35"));
  ExpectConverted(Write("1", "Active", Type::Text), Value("Wahr"));
  ExpectConverted(Write("1", "Active", Type::Integer), Value(int64_t{1}));
  ExpectConverted(Write("12,5", "Quantity", Type::Null), Value(12.5));
}

TEST(ColumnConversionTest, BinaryNeitherTakesNorGives) {
  EXPECT_EQ(Write("abc", "Photo", Type::Binary).outcome, Outcome::Failed);
  EXPECT_EQ(Write(Value(Bytes{1, 2, 3}), "Name", Type::Text).outcome, Outcome::Failed);
  ExpectFailed(Write(Value(Bytes{1, 2, 3}), "Quantity", Type::Double),
               "'(Binärdaten)' ist keine Zahl.");
}

TEST(ColumnConversionTest, OneConverterServesSeveralThreads) {
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t, &wrong] {
      for (int i = 0; i < 2000; ++i) {
        if (Write("1.234,5", "Quantity", Type::Double).value != Value(1234.5)) ++wrong[t];
        if (Write("4.12.2026", "Date", Type::Date).value != Value(Day(2026, 12, 4))) ++wrong[t];
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace velra
