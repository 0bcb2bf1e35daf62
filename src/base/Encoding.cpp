#include "base/Encoding.h"

#include <unicode/utf8.h>

#include <cstdint>

namespace velra {

namespace {

// Code points of 0x80..0x9F in Windows-1252; 0 marks the five bytes the code page leaves undefined,
// which are passed through as the C1 control of the same value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr std::string_view kBom = "\xEF\xBB\xBF";

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  uint8_t buffer[4];
  int32_t length = 0;
  U8_APPEND_UNSAFE(buffer, length, static_cast<UChar32>(c));
  out.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(length));
}

namespace {

// The multi-byte sequences of the bytes that are valid UTF-8 and the bytes outside any; with
// `untilStray` the count ends at the first stray byte.
struct Utf8Counts {
  size_t sequences = 0, stray = 0;
};

Utf8Counts CountUtf8(std::string_view bytes, bool untilStray) {
  const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
  int32_t length = static_cast<int32_t>(bytes.size());
  int32_t i = 0;
  Utf8Counts counts;
  while (i < length) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c >= 0) {
      ++counts.sequences;
    } else {
      ++counts.stray;
      if (untilStray) break;
    }
  }
  return counts;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  return CountUtf8(bytes, true).stray == 0;
}

bool IsMostlyUtf8(std::string_view bytes) {
  const Utf8Counts counts = CountUtf8(bytes, false);
  return counts.sequences > counts.stray;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char ch : bytes) {
    auto b = static_cast<uint8_t>(ch);
    if (b < 0x80) {
      out.push_back(ch);
    } else if (b < 0xA0) {
      char16_t mapped = kHighControls[b - 0x80];
      AppendUtf8(out, mapped ? mapped : b);
    } else {
      AppendUtf8(out, b);
    }
  }
  return out;
}

std::optional<std::string> Utf8ToWindows1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  int32_t length = static_cast<int32_t>(text.size());
  int32_t i = 0;
  while (i < length) {
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) return std::nullopt;
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    bool found = false;
    for (int k = 0; k < 32; ++k) {
      char16_t mapped = kHighControls[k];
      if ((mapped && mapped == c) || (!mapped && c == 0x80 + k)) {
        out.push_back(static_cast<char>(0x80 + k));
        found = true;
        break;
      }
    }
    if (!found) return std::nullopt;
  }
  return out;
}

std::string DecodeText(std::string_view bytes, TextEncoding& detected) {
  if (bytes.starts_with(kBom)) {
    detected = TextEncoding::Utf8WithBom;
    bytes.remove_prefix(kBom.size());
    return IsValidUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes);
  }
  if (IsValidUtf8(bytes)) {
    detected = TextEncoding::Utf8;
    return std::string(bytes);
  }
  detected = TextEncoding::Windows1252;
  return Windows1252ToUtf8(bytes);
}

std::optional<std::string> EncodeText(std::string_view text, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8:
      return std::string(text);
    case TextEncoding::Utf8WithBom:
      return std::string(kBom) + std::string(text);
    case TextEncoding::Windows1252:
      return Utf8ToWindows1252(text);
  }
  return std::nullopt;
}

}  // namespace velra
