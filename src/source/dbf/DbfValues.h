#pragma once
// How the bytes of a dBase field become a value: the kinds of fields by type letter and flavor,
// and the decoding of the fields of fixed format (numbers, dates, logicals, binary numbers and
// timestamps). Texts and memos need the table's encoding and memo file; the loader reads them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/Value.h"
#include "source/dbf/DbfFormat.h"

namespace velra::dbf {

enum class CellKind {
  Text,           // C
  VarText,        // V: Visual FoxPro varchar
  Number,         // N, F
  Date,           // D: YYYYMMDD
  Logical,        // L
  TextMemo,       // M
  BinaryMemo,     // G, P, W, dBase B
  Integer,        // I: little-endian
  Double,         // Visual FoxPro B: little-endian
  Timestamp,      // T: Julian day and milliseconds
  Currency,       // Y: ten-thousandths
  SortedInteger,  // dBase 7 I and +: big-endian with the sign bit flipped
  SortedDouble,   // dBase 7 O
  VarBinary,      // Q
  Unsupported,
};

CellKind KindOf(const Header& header, const Field& field);

// Estimated bytes per cell, for reserving the columns.
size_t CellBytes(CellKind kind, uint32_t length);

// What a field of fixed format holds.
struct FieldValue {
  enum class Problem { None, NotANumber, NotADate, NotALogical, NotATimestamp };
  std::optional<Value> value;  // empty for no value, and when `problem` says it is unreadable
  Problem problem = Problem::None;
  std::string_view text;  // the field's text as it stands, for the note about it
};

// The value of a field of the kinds Number to SortedDouble and Timestamp, from its `bytes` in
// the record.
FieldValue FixedFieldValue(CellKind kind, std::string_view bytes);

uint64_t LittleEndian(const char* p, int bytes);
// `text` without the trailing `characters`.
std::string_view TrimEnd(std::string_view text, std::string_view characters);
// `text` without leading and trailing blanks and NULs.
std::string_view TrimBoth(std::string_view text);
bool AllDigits(std::string_view text);

}  // namespace velra::dbf
