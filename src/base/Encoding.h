#pragma once
// The two encodings of text files that the suite writes: UTF-8 and Windows-1252.

#include <optional>
#include <string>
#include <string_view>

namespace velra {

enum class TextEncoding { Utf8, Utf8WithBom, Windows1252 };

bool IsValidUtf8(std::string_view bytes);
// Whether bytes that are not valid UTF-8 as a whole are UTF-8 with a few stray bytes: more valid
// multi-byte sequences than bytes outside one. Text in Windows-1252 hardly ever forms such
// sequences.
bool IsMostlyUtf8(std::string_view bytes);
// Appends one code point as UTF-8; invalid code points become U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);
std::string Windows1252ToUtf8(std::string_view bytes);
// nullopt when the text holds a character that Windows-1252 cannot represent.
std::optional<std::string> Utf8ToWindows1252(std::string_view text);

// Decodes file content: UTF-8 when it carries a BOM (which is dropped) or is valid UTF-8,
// otherwise Windows-1252.
std::string DecodeText(std::string_view bytes, TextEncoding& detected);
// Encodes for writing; nullopt when the text cannot be represented in `encoding`.
std::optional<std::string> EncodeText(std::string_view text, TextEncoding encoding);

}  // namespace velra
