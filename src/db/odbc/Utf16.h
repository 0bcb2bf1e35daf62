#pragma once
// Texts cross the ODBC driver as UTF-16 (SQLWCHAR); the program keeps them as UTF-8.

#include <sql.h>
#include <sqlucode.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace velra::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC passes UTF-16 as SQLWCHAR");

// Bytes that are no UTF-8 become the replacement character, one each.
void AppendUtf16(std::string_view utf8, std::u16string& out);
std::u16string Utf16(std::string_view utf8);
// A lone surrogate becomes the replacement character.
std::string Utf8(const char16_t* data, size_t length);

inline SQLWCHAR* Wide(std::u16string& text) {
  return reinterpret_cast<SQLWCHAR*>(text.data());
}

}  // namespace velra::odbc
