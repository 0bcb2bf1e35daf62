#pragma once
// The character set of a table's texts: from the language driver byte of the header or from a
// .cpg file beside the table.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velra::dbf {

class TextDecoder {
 public:
  TextDecoder();  // Windows-1252
  ~TextDecoder();
  TextDecoder(TextDecoder&&) noexcept;
  TextDecoder& operator=(TextDecoder&&) noexcept;

  static TextDecoder Utf8();
  // Windows, DOS and Macintosh code page numbers; nullopt when we cannot decode the code page.
  static std::optional<TextDecoder> ForCodePage(int number);
  // A character set by the name ICU knows it under.
  static std::optional<TextDecoder> ForCharsetName(const std::string& name);

  bool IsUtf8() const;
  // Appends the text as UTF-8 to `out`. False only for a UTF-8 table whose bytes are not UTF-8
  // (a character cut off by the field's end is dropped, as it is lost in the file already).
  bool Decode(std::string_view bytes, std::string& out) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The code page that a language driver id stands for; 0 when the id is 0 or unknown.
int CodePageOfLanguageDriver(uint8_t id);

// The character set a .cpg file names ("1252", "UTF-8", "ANSI 1252", "OEM", "ISO-8859-15", ...);
// nullopt when the name is unknown.
std::optional<TextDecoder> DecoderForCpg(std::string_view content);

}  // namespace velra::dbf
