#pragma once
// Facts of the Jet file format that the Access reader needs beside mdbtools: the header page with
// the database password, text encodings, dates and fixed-point numbers. Used only by the reader
// and its tests.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Value.h"
#include "source/CodePage.h"

namespace velra::jet {

enum class Kind { NotJet, Jet3, Jet4, Ace };

// The little-endian 32-bit number at `at`.
inline uint32_t Le32(std::string_view bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i)
    value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return value;
}

// Bytes of page 0 that hold everything read here.
inline constexpr size_t kHeaderBytes = 0x18 + 128;

// What the start of a file says it is.
Kind KindOfHeader(std::string_view page);
size_t PageSize(Kind kind);

// The header with its obfuscated part decoded; `page` must hold kHeaderBytes bytes.
std::string DecodedHeader(std::string_view page, Kind kind);
// The database password of a decoded header as UTF-8; empty when there is none.
std::string PasswordOf(std::string_view decodedHeader, Kind kind);
// The code page of Jet 3 texts.
int CodePageOf(std::string_view decodedHeader);

// Text of a Text or Memo field as UTF-8: Jet 4 stores UTF-16LE, optionally in its compressed
// form (starting with FF FE); Jet 3 stores single bytes of the file's code page.
std::string TextToUtf8(std::string_view bytes, Kind kind, const CodePage& codePage);

// A stored date (days since 30 December 1899, the time as the fraction of the day, earlier
// dates negative) rounded to the second; false outside the years 100 to 9999.
bool DateOf(double stored, DateTime& out);

// Numeric fields hold 96-bit magnitudes.
__extension__ typedef unsigned __int128 UInt128;

// The decimal text of a scaled integer, without trailing zeros after the point ("-12.5").
std::string DecimalText(UInt128 magnitude, bool negative, unsigned scale);
// The nearest double of a decimal text as DecimalText writes it; false when that double does
// not give back the same number.
bool DecimalToDouble(std::string_view text, double& out);

}  // namespace velra::jet
