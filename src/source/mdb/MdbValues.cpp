#include "source/mdb/MdbValues.h"

#include <mdbtools.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "source/mdb/JetFormat.h"
#include "source/mdb/MdbTexts.h"

namespace velra::mdb {

namespace {

constexpr unsigned kMaxDecimalScale = 28;

template <typename T>
T Read(std::string_view bytes) {
  T value;
  std::memcpy(&value, bytes.data(), sizeof value);
  return value;
}

FieldValue Unreadable(const char* why) {
  return {std::nullopt, why};
}

std::string ShortestText(double value) {
  char buffer[400];
  auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return error == std::errc() ? std::string(buffer, end) : std::string();
}

std::string GuidText(std::string_view b) {
  auto byte = [&](size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(b[i])); };
  char text[40];
  std::snprintf(text, sizeof text,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", byte(3),
                byte(2), byte(1), byte(0), byte(5), byte(4), byte(7), byte(6), byte(8), byte(9),
                byte(10), byte(11), byte(12), byte(13), byte(14), byte(15));
  return text;
}

// Through its shortest text, so that a Single 3.2 stays 3.2 and not 3.2000000476...
FieldValue SingleValue(float single) {
  char text[64];
  auto [end, error] = std::to_chars(text, text + sizeof text, single);
  double value = 0;
  if (!std::isfinite(single) || error != std::errc() ||
      std::from_chars(text, end, value).ec != std::errc())
    return Unreadable(texts::kNumberInvalid);
  return {Value(value), {}};
}

FieldValue DoubleValue(double value) {
  if (!std::isfinite(value)) return Unreadable(texts::kNumberInvalid);
  return {Value(value), {}};
}

// A decimal text as a double, with a note when the double is not the same number.
FieldValue DecimalValue(const std::string& text) {
  double value = 0;
  if (jet::DecimalToDouble(text, value)) return {Value(value), {}};
  return {Value(value), texts::Rounded(text, ShortestText(value))};
}

FieldValue MoneyValue(std::string_view bytes) {
  auto raw = Read<uint64_t>(bytes);
  bool negative = (raw >> 63) != 0;
  return DecimalValue(jet::DecimalText(negative ? ~raw + 1 : raw, negative, 4));
}

FieldValue NumericValue(std::string_view bytes, int scale) {
  if (scale < 0 || static_cast<unsigned>(scale) > kMaxDecimalScale)
    return Unreadable(texts::kValueUnreadable);
  jet::UInt128 magnitude = 0;
  for (size_t part = 0; part < 4; ++part)
    magnitude = magnitude << 32 | jet::Le32(bytes, 1 + 4 * part);
  bool negative = (static_cast<unsigned char>(bytes[0]) & 0x80) != 0;
  return DecimalValue(jet::DecimalText(magnitude, negative, static_cast<unsigned>(scale)));
}

FieldValue DateValue(double stored) {
  DateTime date;
  if (!jet::DateOf(stored, date)) return Unreadable(texts::kDateInvalid);
  return {Value(date), {}};
}

// The bytes a field of the type takes in the row; 0 for types of other sizes.
size_t SizeOf(int type) {
  switch (type) {
    case MDB_BYTE:
      return 1;
    case MDB_INT:
      return 2;
    case MDB_LONGINT:
    case MDB_FLOAT:
      return 4;
    case MDB_DOUBLE:
    case MDB_MONEY:
    case MDB_DATETIME:
      return 8;
    case MDB_REPID:
      return 16;
    case MDB_NUMERIC:
      return 17;
    default:
      return 0;
  }
}

}  // namespace

bool IsFixedSize(int type) {
  return SizeOf(type) != 0;
}

FieldValue FixedSizeValue(int type, std::string_view bytes, int scale) {
  if (bytes.size() != SizeOf(type)) return Unreadable(texts::kValueUnreadable);
  switch (type) {
    case MDB_BYTE:
      return {Value(Read<uint8_t>(bytes)), {}};
    case MDB_INT:
      return {Value(Read<int16_t>(bytes)), {}};
    case MDB_LONGINT:
      return {Value(Read<int32_t>(bytes)), {}};
    case MDB_FLOAT:
      return SingleValue(Read<float>(bytes));
    case MDB_DOUBLE:
      return DoubleValue(Read<double>(bytes));
    case MDB_MONEY:
      return MoneyValue(bytes);
    case MDB_NUMERIC:
      return NumericValue(bytes, scale);
    case MDB_DATETIME:
      return DateValue(Read<double>(bytes));
    case MDB_REPID:
      return {Value(GuidText(bytes)), {}};
    default:
      return Unreadable(texts::kValueUnreadable);
  }
}

}  // namespace velra::mdb
