#include "source/CodePage.h"

#include <unicode/ucnv.h>

#include <array>

#include "base/Encoding.h"

namespace velra {

struct CodePage::Table {
  std::array<std::string, 128> upper;  // UTF-8 of bytes 0x80..0xFF
};

namespace {

std::string ConverterName(int number) {
  switch (number) {
    case 437:
      return "ibm-437";
    case 850:
      return "ibm-850";
    case 852:
      return "ibm-852";
    case 858:
      return "ibm-858";
    case 865:
      return "ibm-865";
    case 866:
      return "ibm-866";
    default:
      return "windows-" + std::to_string(number);
  }
}

}  // namespace

CodePage::CodePage(int number) : number_(number), table_(std::make_unique<Table>()) {
  UErrorCode status = U_ZERO_ERROR;
  UConverter* converter = ucnv_open(ConverterName(number).c_str(), &status);
  if (U_FAILURE(status)) {
    number_ = 1252;
    status = U_ZERO_ERROR;
    converter = ucnv_open("windows-1252", &status);
  }
  for (int b = 0x80; b <= 0xFF; ++b) {
    char byte = static_cast<char>(b);
    const char* source = &byte;
    status = U_ZERO_ERROR;
    UChar32 c = ucnv_getNextUChar(converter, &source, source + 1, &status);
    if (U_FAILURE(status)) c = b;  // undefined in the code page: keep the byte's own value
    AppendUtf8(table_->upper[static_cast<size_t>(b - 0x80)], static_cast<char32_t>(c));
    ucnv_reset(converter);
  }
  ucnv_close(converter);
}

CodePage::~CodePage() = default;
CodePage::CodePage(CodePage&&) noexcept = default;
CodePage& CodePage::operator=(CodePage&&) noexcept = default;

std::string CodePage::ToUtf8(std::string_view bytes) const {
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    auto b = static_cast<unsigned char>(ch);
    if (b < 0x80)
      out.push_back(ch);
    else
      out += table_->upper[b - 0x80];
  }
  return out;
}

}  // namespace velra
