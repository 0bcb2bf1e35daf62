#include "source/dbf/DbfEncoding.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "base/Encoding.h"
#include "base/Text.h"
#include "source/CodePage.h"

namespace velra::dbf {

namespace {

struct LanguageDriver {
  uint8_t id;
  int codePage;
};

// The language driver ids of dBase, FoxPro and the programs that copied them.
constexpr LanguageDriver kLanguageDrivers[] = {
    {0x01, 437},   {0x02, 850},   {0x03, 1252}, {0x04, 10000}, {0x08, 865},  {0x09, 437},
    {0x0A, 850},   {0x0B, 437},   {0x0D, 437},  {0x0E, 850},   {0x0F, 437},  {0x10, 850},
    {0x11, 437},   {0x12, 850},   {0x13, 932},  {0x14, 850},   {0x15, 437},  {0x16, 850},
    {0x17, 865},   {0x18, 437},   {0x19, 437},  {0x1A, 850},   {0x1B, 437},  {0x1C, 863},
    {0x1D, 850},   {0x1F, 852},   {0x22, 852},  {0x23, 852},   {0x24, 860},  {0x25, 850},
    {0x26, 866},   {0x37, 850},   {0x40, 852},  {0x4D, 936},   {0x4E, 949},  {0x4F, 950},
    {0x50, 874},   {0x57, 1252},  {0x58, 1252}, {0x59, 1252},  {0x64, 852},  {0x65, 866},
    {0x66, 865},   {0x67, 861},   {0x68, 895},  {0x69, 620},   {0x6A, 737},  {0x6B, 857},
    {0x6C, 863},   {0x78, 950},   {0x79, 949},  {0x7A, 936},   {0x7B, 932},  {0x7C, 874},
    {0x7D, 1255},  {0x7E, 1256},  {0x86, 737},  {0x87, 852},   {0x88, 857},  {0x96, 10007},
    {0x97, 10029}, {0x98, 10006}, {0xC8, 1250}, {0xC9, 1251},  {0xCA, 1254}, {0xCB, 1253},
    {0xCC, 1257},
};

// Code pages that ICU knows under another name than our CodePage asks for.
std::string IcuNameOf(int number) {
  switch (number) {
    case 10000:
      return "macintosh";
    case 10006:
      return "x-mac-greek";
    case 10007:
      return "x-mac-cyrillic";
    case 10029:
      return "x-mac-ce";
    default:
      if (number > 28590 && number <= 28606) return "ISO-8859-" + std::to_string(number - 28590);
      return "cp" + std::to_string(number);
  }
}

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter OpenConverter(const std::string& name) {
  if (name.empty()) return nullptr;  // ICU would open the system's default
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name.c_str(), &status));
  if (U_FAILURE(status)) return nullptr;
  return converter;
}

// Length of the UTF-8 sequence that `lead` starts; 0 for a continuation or invalid byte.
int SequenceLength(uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Bytes cut off by a fixed field width: a lead byte near the end without all its continuations.
std::string_view WithoutCutCharacter(std::string_view bytes) {
  size_t continuations = 0;
  while (continuations < 3 && continuations < bytes.size() &&
         (static_cast<uint8_t>(bytes[bytes.size() - 1 - continuations]) & 0xC0) == 0x80)
    ++continuations;
  if (continuations == bytes.size()) return bytes;
  size_t leadAt = bytes.size() - 1 - continuations;
  int expected = SequenceLength(static_cast<uint8_t>(bytes[leadAt]));
  if (expected > 1 && static_cast<size_t>(expected) > continuations + 1)
    return bytes.substr(0, leadAt);
  return bytes;
}

std::string CompactUpper(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ' && c != '-' && c != '_')
      out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  return out;
}

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

struct TextDecoder::Impl {
  enum class Kind { Utf8, SingleByte, Icu } kind = Kind::SingleByte;
  std::optional<CodePage> codePage;
  Converter converter;
};

TextDecoder::TextDecoder() : impl_(std::make_unique<Impl>()) {
  impl_->codePage.emplace(1252);
}
TextDecoder::~TextDecoder() = default;
TextDecoder::TextDecoder(TextDecoder&&) noexcept = default;
TextDecoder& TextDecoder::operator=(TextDecoder&&) noexcept = default;

TextDecoder TextDecoder::Utf8() {
  TextDecoder decoder;
  decoder.impl_->kind = Impl::Kind::Utf8;
  decoder.impl_->codePage.reset();
  return decoder;
}

std::optional<TextDecoder> TextDecoder::ForCodePage(int number) {
  if (number == 65001) return Utf8();
  if (number <= 0) return std::nullopt;
  TextDecoder decoder;
  Converter converter = OpenConverter(IcuNameOf(number));
  // Our CodePage knows single bytes only, and falls back to Windows-1252 for numbers it does not
  // know; ICU serves the rest.
  if (!converter || ucnv_getMaxCharSize(converter.get()) == 1) {
    CodePage codePage(number);
    if (codePage.Number() == number) {
      decoder.impl_->codePage.emplace(std::move(codePage));
      return decoder;
    }
  }
  if (!converter) return std::nullopt;
  decoder.impl_->kind = Impl::Kind::Icu;
  decoder.impl_->codePage.reset();
  decoder.impl_->converter = std::move(converter);
  return decoder;
}

std::optional<TextDecoder> TextDecoder::ForCharsetName(const std::string& name) {
  Converter converter = OpenConverter(name);
  if (!converter) return std::nullopt;
  if (ucnv_getType(converter.get()) == UCNV_UTF8) return Utf8();
  TextDecoder decoder;
  decoder.impl_->kind = Impl::Kind::Icu;
  decoder.impl_->codePage.reset();
  decoder.impl_->converter = std::move(converter);
  return decoder;
}

bool TextDecoder::IsUtf8() const {
  return impl_->kind == Impl::Kind::Utf8;
}

bool TextDecoder::Decode(std::string_view bytes, std::string& out) const {
  switch (impl_->kind) {
    case Impl::Kind::Utf8: {
      if (IsValidUtf8(bytes)) {
        out.append(bytes);
        return true;
      }
      std::string_view shortened = WithoutCutCharacter(bytes);
      if (shortened.size() == bytes.size() || !IsValidUtf8(shortened)) return false;
      out.append(shortened);
      return true;
    }
    case Impl::Kind::SingleByte:
      out += impl_->codePage->ToUtf8(bytes);
      return true;
    case Impl::Kind::Icu: {
      if (bytes.empty()) return true;
      // A byte becomes at most one character, which UTF-8 writes in at most four bytes.
      std::vector<char> target(bytes.size() * 4 + 4);
      UErrorCode status = U_ZERO_ERROR;
      ucnv_reset(impl_->converter.get());
      int32_t written = ucnv_toAlgorithmic(UCNV_UTF8, impl_->converter.get(), target.data(),
                                           static_cast<int32_t>(target.size()), bytes.data(),
                                           static_cast<int32_t>(bytes.size()), &status);
      if (U_FAILURE(status)) {
        out += Windows1252ToUtf8(bytes);
        return true;
      }
      out.append(target.data(), static_cast<size_t>(written));
      return true;
    }
  }
  return true;
}

int CodePageOfLanguageDriver(uint8_t id) {
  for (const LanguageDriver& driver : kLanguageDrivers)
    if (driver.id == id) return driver.codePage;
  return 0;
}

std::optional<TextDecoder> DecoderForCpg(std::string_view content) {
  if (StartsWith(content, "\xEF\xBB\xBF")) content.remove_prefix(3);
  content = content.substr(0, content.find_first_of("\r\n"));
  std::string name = Trim(content);
  std::string compact = CompactUpper(name);
  if (compact.empty()) return std::nullopt;
  if (compact == "UTF8") return TextDecoder::Utf8();
  // The system's code pages, as a German Windows has them.
  if (compact == "ANSI") return TextDecoder::ForCodePage(1252);
  if (compact == "OEM") return TextDecoder::ForCodePage(850);

  std::string number = compact;
  for (std::string_view prefix : {"WINDOWS", "ANSI", "OEM", "DOS", "IBM", "CP", "MS"}) {
    if (StartsWith(number, prefix)) {
      number.erase(0, prefix.size());
      break;
    }
  }
  if (StartsWith(number, "ISO")) number.erase(0, 3);
  if (StartsWith(number, "8859") && AllDigits(number.substr(4))) {
    if (number == "88591") return TextDecoder::ForCodePage(1252);  // a superset of Latin-1
    return TextDecoder::ForCharsetName("ISO-8859-" + number.substr(4));
  }
  if (AllDigits(number) && number.size() <= 5) return TextDecoder::ForCodePage(std::stoi(number));
  // Any other name ICU knows ("KOI8-R", "Big5", "Shift_JIS").
  return TextDecoder::ForCharsetName(name);
}

}  // namespace velra::dbf
